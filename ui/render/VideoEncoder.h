// The encoders of an exported animation: MP4 (H.264), WebM (VP9) and GIF through FFmpeg's
// libraries, written to a stream (so that the file goes through the program's atomic writer), and
// the numbered PNG sequence. Which one is chosen by the output name.
#pragma once

#include <QImage>
#include <QSize>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

namespace kinetra::ui {

enum class TAnimationFormat : std::uint8_t { Mp4, WebM, Gif, PngSequence };

// The format for an output name: ".mp4", ".webm", ".gif" (any case), ".png" or a name with one
// frame number pattern ("%d" or "%0Nd", e.g. out_%04d.png); nullopt for anything else.
std::optional<TAnimationFormat> AnimationFormatOf(const std::string& fileName);
// The name of frame `number` of a PNG sequence: the pattern filled in, or for a plain name,
// "_NNNN" (four digits at least) before the extension. Throws EInOutError for a pattern that
// is not one "%d" or "%0Nd" ("%%" stands for "%").
std::string SequenceFileName(const std::string& fileName, std::int64_t number);

// Encodes pictures of one size at a fixed frame rate into `out` (seekable: MP4 patches its
// index at the end). Throws EInOutError with the library's reason when a picture cannot be
// encoded or written.
class TVideoEncoder {
public:
    TVideoEncoder(std::ostream& out, TAnimationFormat format, QSize size, int framesPerSecond);
    ~TVideoEncoder();
    TVideoEncoder(const TVideoEncoder&) = delete;
    TVideoEncoder& operator=(const TVideoEncoder&) = delete;

    void Add(const QImage& picture);
    // Flushes the encoder and writes the container's end.
    void Finish();

    // The encoder FFmpeg's libraries give for the format ("libx264", "libvpx-vp9", "gif"), or
    // an empty text when the installed libraries lack it.
    static std::string EncoderName(TAnimationFormat format);

private:
    struct TState;
    std::unique_ptr<TState> State;
};

}  // namespace kinetra::ui
