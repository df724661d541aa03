// Encoding pictures with FFmpeg's libraries (see VideoEncoder.h). The container writes through
// a custom I/O context onto the given stream; H.264 and VP9 take 4:2:0 YUV converted by
// libswscale, GIF takes each picture reduced to its own palette of at most 256 colours.
#include "ui/render/VideoEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cerrno>
#include <cstring>
#include <ostream>

#include "base/KNUtils.h"

namespace kinetra::ui {

namespace {

std::string Reason(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

void Check(int result, const char* what) {
    if (result < 0) throw EInOutError(std::string(what) + ": " + Reason(result));
}

const char* ContainerName(TAnimationFormat format) {
    switch (format) {
        case TAnimationFormat::Mp4:
            return "mp4";
        case TAnimationFormat::WebM:
            return "webm";
        default:
            return "gif";
    }
}

const char* CodecName(TAnimationFormat format) {
    switch (format) {
        case TAnimationFormat::Mp4:
            return "libx264";
        case TAnimationFormat::WebM:
            return "libvpx-vp9";
        default:
            return "gif";
    }
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The one frame number directive of a pattern: where it starts and ends and its width.
struct TDirective {
    size_t Begin = std::string::npos;
    size_t End = 0;
    int Width = 0;
};

TDirective FindDirective(const std::string& name) {
    TDirective found;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] != '%') continue;
        if (i + 1 < name.size() && name[i + 1] == '%') {
            ++i;
            continue;
        }
        size_t j = i + 1;
        int width = 0;
        while (j < name.size() && name[j] >= '0' && name[j] <= '9' && width < 100)
            width = width * 10 + (name[j++] - '0');
        if (j >= name.size() || name[j] != 'd' || found.Begin != std::string::npos || width > 18)
            throw EInOutError("\"" + name + "\": a frame number pattern is one %d or %0Nd");
        found = {i, j + 1, width};
        i = j;
    }
    return found;
}

}  // namespace

std::optional<TAnimationFormat> AnimationFormatOf(const std::string& fileName) {
    const std::string name = Lower(fileName);
    if (EndsWith(name, ".mp4")) return TAnimationFormat::Mp4;
    if (EndsWith(name, ".webm")) return TAnimationFormat::WebM;
    if (EndsWith(name, ".gif")) return TAnimationFormat::Gif;
    if (EndsWith(name, ".png") || name.find('%') != std::string::npos) return TAnimationFormat::PngSequence;
    return std::nullopt;
}

std::string SequenceFileName(const std::string& fileName, std::int64_t number) {
    const TDirective d = FindDirective(fileName);
    std::string digits = std::to_string(number);
    const auto unescape = [](const std::string& text) {
        std::string out;
        for (size_t i = 0; i < text.size(); ++i) {
            out += text[i];
            if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '%') ++i;
        }
        return out;
    };
    if (d.Begin == std::string::npos) {
        if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
        const std::string plain = unescape(fileName);
        const size_t slash = plain.find_last_of('/');
        size_t dot = plain.find_last_of('.');
        if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = plain.size();
        return plain.substr(0, dot) + "_" + digits + plain.substr(dot);
    }
    if (static_cast<int>(digits.size()) < d.Width)
        digits.insert(0, static_cast<size_t>(d.Width) - digits.size(), '0');
    return unescape(fileName.substr(0, d.Begin)) + digits + unescape(fileName.substr(d.End));
}

struct TVideoEncoder::TState {
    std::ostream& Out;
    TAnimationFormat Format;
    QSize Size;
    AVFormatContext* Container = nullptr;
    AVCodecContext* Codec = nullptr;
    AVStream* Stream = nullptr;
    AVFrame* Frame = nullptr;
    AVPacket* Packet = nullptr;
    SwsContext* Scaler = nullptr;
    std::int64_t Next = 0;
    int WriteError = 0;

    explicit TState(std::ostream& out) : Out(out) {}
    ~TState() {
        sws_freeContext(Scaler);
        av_packet_free(&Packet);
        av_frame_free(&Frame);
        avcodec_free_context(&Codec);
        if (Container) {
            if (Container->pb) {
                av_freep(&Container->pb->buffer);
                avio_context_free(&Container->pb);
            }
            avformat_free_context(Container);
        }
    }

    static int Write(void* opaque, uint8_t* buffer, int size) {
        auto* self = static_cast<TState*>(opaque);
        errno = 0;
        self->Out.write(reinterpret_cast<const char*>(buffer), size);
        if (!self->Out) {
            self->WriteError = errno != 0 ? errno : EIO;
            return AVERROR(self->WriteError);
        }
        return size;
    }

    static int64_t Seek(void* opaque, int64_t offset, int whence) {
        auto* self = static_cast<TState*>(opaque);
        std::ostream& out = self->Out;
        if (whence & AVSEEK_SIZE) {
            const auto here = out.tellp();
            out.seekp(0, std::ios::end);
            const auto end = out.tellp();
            out.seekp(here);
            return out ? static_cast<int64_t>(end) : -1;
        }
        const std::ios::seekdir dir = (whence & 3) == SEEK_CUR   ? std::ios::cur
                                      : (whence & 3) == SEEK_END ? std::ios::end
                                                                 : std::ios::beg;
        out.seekp(offset, dir);
        return out ? static_cast<int64_t>(out.tellp()) : -1;
    }

    void Drain() {
        for (;;) {
            const int result = avcodec_receive_packet(Codec, Packet);
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
            Check(result, "Could not encode the animation");
            // Every picture lasts one frame; without it the container cuts the last one short.
            if (Packet->duration == 0) Packet->duration = 1;
            av_packet_rescale_ts(Packet, Codec->time_base, Stream->time_base);
            Packet->stream_index = Stream->index;
            WriteChecked(av_interleaved_write_frame(Container, Packet));
        }
    }

    void WriteChecked(int result) {
        if (result >= 0 && WriteError == 0) return;
        if (WriteError != 0) throw EInOutError(std::strerror(WriteError));
        Check(result, "Could not write the animation");
    }
};

std::string TVideoEncoder::EncoderName(TAnimationFormat format) {
    if (format == TAnimationFormat::PngSequence) return "png";
    return avcodec_find_encoder_by_name(CodecName(format)) ? CodecName(format) : "";
}

TVideoEncoder::TVideoEncoder(std::ostream& out, TAnimationFormat format, QSize size, int framesPerSecond)
    : State(std::make_unique<TState>(out)) {
    TState& s = *State;
    s.Format = format;
    s.Size = size;
    av_log_set_level(AV_LOG_ERROR);
    const AVCodec* codec = avcodec_find_encoder_by_name(CodecName(format));
    if (!codec) throw EInOutError(std::string("The encoder ") + CodecName(format) + " is not installed");
    Check(avformat_alloc_output_context2(&s.Container, nullptr, ContainerName(format), nullptr),
          "Could not start the animation");
    s.Stream = avformat_new_stream(s.Container, nullptr);
    s.Codec = avcodec_alloc_context3(codec);
    s.Frame = av_frame_alloc();
    s.Packet = av_packet_alloc();
    if (!s.Stream || !s.Codec || !s.Frame || !s.Packet) throw EInOutError("Out of memory");
    s.Codec->width = size.width();
    s.Codec->height = size.height();
    s.Codec->time_base = AVRational{1, framesPerSecond};
    s.Codec->framerate = AVRational{framesPerSecond, 1};
    // A fixed number of threads: the encoders' output may depend on it, never on the machine.
    s.Codec->thread_count = 2;
    if (format == TAnimationFormat::Gif) {
        s.Codec->pix_fmt = AV_PIX_FMT_PAL8;
    } else {
        s.Codec->pix_fmt = AV_PIX_FMT_YUV420P;
        s.Codec->gop_size = 2 * framesPerSecond;
    }
    if (format == TAnimationFormat::Mp4) {
        av_opt_set(s.Codec->priv_data, "preset", "medium", 0);
        av_opt_set(s.Codec->priv_data, "crf", "18", 0);
    } else if (format == TAnimationFormat::WebM) {
        s.Codec->bit_rate = 0;
        av_opt_set(s.Codec->priv_data, "crf", "30", 0);
        av_opt_set(s.Codec->priv_data, "deadline", "good", 0);
        av_opt_set(s.Codec->priv_data, "cpu-used", "4", 0);
    }
    if (s.Container->oformat->flags & AVFMT_GLOBALHEADER) s.Codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    Check(avcodec_open2(s.Codec, codec, nullptr), "Could not start the encoder");
    Check(avcodec_parameters_from_context(s.Stream->codecpar, s.Codec), "Could not start the animation");
    s.Stream->time_base = s.Codec->time_base;

    constexpr int BufferSize = 1 << 16;
    auto* buffer = static_cast<unsigned char*>(av_malloc(BufferSize));
    s.Container->pb = avio_alloc_context(buffer, BufferSize, 1, &s, nullptr, &TState::Write, &TState::Seek);
    if (!s.Container->pb) {
        av_free(buffer);
        throw EInOutError("Out of memory");
    }
    s.Container->pb->seekable = AVIO_SEEKABLE_NORMAL;
    // No creation time or encoder version that would change from run to run.
    s.Container->flags |= AVFMT_FLAG_BITEXACT;
    s.WriteChecked(avformat_write_header(s.Container, nullptr));

    s.Frame->format = s.Codec->pix_fmt;
    s.Frame->width = size.width();
    s.Frame->height = size.height();
    Check(av_frame_get_buffer(s.Frame, 0), "Out of memory");
    if (format != TAnimationFormat::Gif) {
        s.Scaler =
            sws_getContext(size.width(), size.height(), AV_PIX_FMT_BGRA, size.width(), size.height(),
                           AV_PIX_FMT_YUV420P, SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
        if (!s.Scaler) throw EInOutError("Could not convert the pictures");
    }
}

TVideoEncoder::~TVideoEncoder() = default;

void TVideoEncoder::Add(const QImage& picture) {
    TState& s = *State;
    Check(av_frame_make_writable(s.Frame), "Out of memory");
    if (s.Format == TAnimationFormat::Gif) {
        const QImage indexed = picture.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
        for (int y = 0; y < s.Size.height(); ++y)
            std::memcpy(s.Frame->data[0] + static_cast<ptrdiff_t>(y) * s.Frame->linesize[0],
                        indexed.constScanLine(y), static_cast<size_t>(s.Size.width()));
        auto* palette = reinterpret_cast<uint32_t*>(s.Frame->data[1]);
        const QList<QRgb> colours = indexed.colorTable();
        for (int i = 0; i < 256; ++i)
            palette[i] = i < colours.size() ? (colours[i] | 0xFF000000u) : 0xFF000000u;
    } else {
        const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
        const uint8_t* source[1] = {rgb.constBits()};
        const int stride[1] = {static_cast<int>(rgb.bytesPerLine())};
        sws_scale(s.Scaler, source, stride, 0, s.Size.height(), s.Frame->data, s.Frame->linesize);
    }
    s.Frame->pts = s.Next++;
    Check(avcodec_send_frame(s.Codec, s.Frame), "Could not encode the animation");
    s.Drain();
}

void TVideoEncoder::Finish() {
    TState& s = *State;
    Check(avcodec_send_frame(s.Codec, nullptr), "Could not encode the animation");
    s.Drain();
    s.WriteChecked(av_write_trailer(s.Container));
    avio_flush(s.Container->pb);
    s.WriteChecked(s.Container->pb->error);
}

}  // namespace kinetra::ui
