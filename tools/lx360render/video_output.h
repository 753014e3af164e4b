// The output side of reframing: the rendered frames (BGRX, rows bottom-up)
// converted and encoded, H.264 or VP9, or FFV1 or raw BGRA for --lossless,
// and the input's audio copied when the container can hold it, else
// encoded anew (AAC, Opus in WebM). Everything runs on one thread.
#pragma once

#include <cstdint>
#include <string>

#include "tools/lx360render/ffmpeg_util.h"
#include "tools/lx360render/options.h"

namespace lx::tool {

struct VideoFormat {
    int32_t width = 0;
    int32_t height = 0;
    AVRational timeBase{1, 30};   // of the pts given to WriteVideo
    AVRational frameRate{30, 1};
};

class AudioTranscoder;

class VideoOutput {
public:
    VideoOutput();
    ~VideoOutput();

    // Opens file (written as the container that name's extension names) and
    // prepares the encoders. audioIn, when not null, is the stream whose
    // packets WriteAudio will get. Errors are one line naming the file.
    bool Open(const std::string& name, const std::string& file, const Options& options,
              const VideoFormat& format, const AVStream* audioIn, std::string* error);

    // Encodes one frame of format's size, rows bottom-up, 4 bytes a pixel.
    bool WriteVideo(const uint8_t* pixels, int64_t pts, std::string* error);
    // An audio packet of audioIn, pts relative to the start of the cut.
    bool WriteAudio(Packet packet, std::string* error);
    // Drains the encoders and completes the file.
    bool Finish(std::string* error);

    bool CopiesAudio() const { return audioCopy_; }

private:
    bool OpenVideoEncoder(const Options& options, const VideoFormat& format, std::string* error);
    bool OpenAudio(const AVStream* audioIn, const std::string& extension, std::string* error);
    bool SendVideo(const AVFrame* frame, std::string* error);
    bool WritePacket(AVPacket* packet, AVRational from, AVStream* stream, std::string* error);
    bool Failed(const std::string& what, int code, std::string* error);

    std::string name_;
    OutputContext output_;
    CodecContext encoder_;
    ScaleContext scaler_;
    Frame frame_;
    Packet packet_;
    AVStream* videoStream_ = nullptr;
    AVStream* audioStream_ = nullptr;
    AVRational inputTimeBase_{1, 30};
    AVRational audioInTimeBase_{1, 48000};
    bool audioCopy_ = false;
    std::unique_ptr<AudioTranscoder> audioTranscoder_;
    friend class AudioTranscoder;
};

}  // namespace lx::tool
