// The texts the main window composes from numbers and names: status panels, captions, file
// names and the error box's full stop. Numbers always go through the core's general format,
// so "." is the decimal separator whatever the locale.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace kinetra::ui {

inline QString ToQ(const std::string& text) {
    return QString::fromStdString(text);
}
inline std::string FromQ(const QString& text) {
    return text.toStdString();
}

// "Description|pattern" becomes Qt's "Description (pattern)"; a description that already
// names its pattern in parentheses is used as it is.
QString QtFilter(std::string_view filter);

// The top-level error box appends a full stop when the message ends in a character that comes
// after "." in character order ("Stepsize underflow." but "Coordinate out of range." and
// "Overlap with Sun." unchanged).
QString WithFullStop(const QString& message);

// The part of a path after its last folder separator.
std::string FileNamePart(const std::string& path);
// True when the name has an extension as the setup writer sees it.
bool HasExtension(const std::string& path);
// The name with its extension replaced by ".knx" (a name without extension gets it).
std::string ForceSetupExtension(const std::string& path);
// The name the setup writer will use: ".knx" appended when the name has no extension.
std::string SaveTarget(const std::string& path);

// "Kinetra", or "Kinetra - " and the file-name part, without a three-character extension.
QString CaptionFor(const std::string& fileName);

// Status panel texts.
QString TimeText(double time);           // "Time: " + 5 significant digits
QString CollisionTimeText(double time);  // "Time: " + two decimals
QString FrameText(const std::string& frameName, const std::string& xAxis, double originX,
                  const std::string& yAxis, double originY);
QString ExtentText(double width, double height);

// Hints on the status bar: a gesture that changes the setup's particles while the run is not
// stopped at time 0, and the reason a view that follows a point does not move under the mouse.
inline constexpr const char* HintStopToMove = "Stop the run to move bodies";
inline constexpr const char* HintStopToChange = "Stop the run to change bodies";
// What the view follows: "the center of mass" or the particle's name.
QString FollowedText(const std::string& frameName, bool centerOfMass);
QString ZoomFollowsHint(const QString& followed);
QString PanFollowsHint(const QString& followed);

// The question before a setup file is replaced.
inline constexpr const char* SetupExistsQuestion =
    "A setup of this name already exists. Do you want to override it?";

}  // namespace kinetra::ui
