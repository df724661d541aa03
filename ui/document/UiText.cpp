// Texts of the main window built from numbers and names.
#include "ui/document/UiText.h"

#include <filesystem>

#include "base/KNConst.h"
#include "base/KNUtils.h"

namespace kinetra::ui {

QString QtFilter(std::string_view filter) {
    const auto bar = filter.find('|');
    if (bar == std::string_view::npos)
        return QString::fromUtf8(filter.data(), static_cast<int>(filter.size()));
    const std::string description(filter.substr(0, bar));
    const std::string pattern(filter.substr(bar + 1));
    if (description.find("(" + pattern + ")") != std::string::npos) return ToQ(description);
    return ToQ(description + " (" + pattern + ")");
}

QString WithFullStop(const QString& message) {
    if (!message.isEmpty() && message.back() > QChar('.')) return message + QChar('.');
    return message;
}

std::string FileNamePart(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The setup writer's own rule ("a.knx", "a." and ".knx" have one; "a" has none).
bool HasExtension(const std::string& path) {
    return HasFileExtension(path);
}

std::string ForceSetupExtension(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    const bool dotInName = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (dotInName ? path.substr(0, dot) : path) + SetupExtension;
}

std::string SaveTarget(const std::string& path) {
    return HasExtension(path) ? path : path + SetupExtension;
}

QString CaptionFor(const std::string& fileName) {
    std::string caption = ProgramTitle;
    if (!fileName.empty()) {
        std::string name = FileNamePart(fileName);
        // Only a full stop that starts a three-character extension is taken away, so that a
        // name such as "test.1" or "Mk.2" stays whole.
        if (name.size() >= 4 && name[name.size() - 4] == '.') name.resize(name.size() - 4);
        caption += " - " + name;
    }
    return ToQ(caption);
}

QString TimeText(double time) {
    return ToQ("Time: " + FormatGeneral(time, 5));
}

QString CollisionTimeText(double time) {
    return ToQ("Time: " + FormatFixed(time, 2));
}

QString FrameText(const std::string& frameName, const std::string& xAxis, double originX,
                  const std::string& yAxis, double originY) {
    return ToQ("Frame: " + frameName + "  (" + xAxis + " = " + FormatGeneral(originX, 5) + ", " + yAxis +
               " = " + FormatGeneral(originY, 5) + ")");
}

QString ExtentText(double width, double height) {
    return ToQ("Width: " + FormatGeneral(width, 5) + "   Height: " + FormatGeneral(height, 5));
}

QString FollowedText(const std::string& frameName, bool centerOfMass) {
    return centerOfMass ? QStringLiteral("the center of mass") : ToQ(frameName);
}

QString ZoomFollowsHint(const QString& followed) {
    return QStringLiteral(
               "The view follows %1 and zooms about it; the frame Origin (F3) zooms about "
               "the cursor")
        .arg(followed);
}

QString PanFollowsHint(const QString& followed) {
    return QStringLiteral(
               "The view follows %1 and cannot be dragged; choose the frame Origin (F3) to "
               "drag it")
        .arg(followed);
}

}  // namespace kinetra::ui
