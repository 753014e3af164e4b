// The video side of reframing's input: demuxing, decoding and conversion of
// every frame to the viewer's source layout (BGRX, rows bottom-up, with the
// slack the kernels read), straight into a buffer that the render step then
// takes over as the source. Audio packets of the cut are handed on untouched.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "render/frames.h"
#include "tools/lx360render/blocking_queue.h"
#include "tools/lx360render/ffmpeg_util.h"
#include "tools/lx360render/source_converter.h"

namespace lx::tool {

struct DecodedFrame {
    PixelBuffer pixels;
    int64_t pts = 0;  // in the video stream's time base, 0 at the start of the cut
};

class VideoInput {
public:
    // False with a one-line message when the file holds no decodable video.
    bool Open(const std::string& path, std::string* error);
    // The cut: from start seconds, for duration seconds (0: to the end).
    void SetCut(double start, double duration);

    int32_t Width() const { return decoder_->width; }
    int32_t Height() const { return decoder_->height; }
    const AVStream* VideoStream() const { return video_; }
    const AVStream* AudioStream() const { return audio_; }
    AVRational FrameRate() const;
    // Frames the cut should hold, from the container's figures; 0 when unknown.
    int64_t ExpectedFrames() const;
    // Seconds since the start of the cut for a frame's pts.
    double Seconds(int64_t pts) const;

    // The source rows the frame at a time (seconds since the start of the
    // cut) will be rendered from; without it every row is converted.
    using RowsWanted = std::function<RowSpan(double seconds)>;
    void SetRowsWanted(RowsWanted rowsWanted) { rowsWanted_ = std::move(rowsWanted); }

    using AudioSink = std::function<bool(Packet packet)>;
    // Decodes the cut on the calling thread: each frame into a buffer taken
    // from freeBuffers, then onto frames; audio packets (pts made relative
    // to the cut) go to audioSink when it is set. Closes frames at the end.
    void Run(BlockingQueue<PixelBuffer>& freeBuffers, BlockingQueue<DecodedFrame>& frames,
             const AudioSink& audioSink);

    int64_t FramesDecoded() const { return framesDecoded_; }
    // The frame at which the input first failed (a read error, a packet the
    // decoder refused, a change of size), or -1.
    int64_t DamagedAt() const { return damagedAt_; }

private:
    bool ReceiveFrames(BlockingQueue<PixelBuffer>& freeBuffers, BlockingQueue<DecodedFrame>& frames);
    void ForwardAudio(Packet packet, const AudioSink& audioSink);
    void MarkDamaged();
    int64_t VideoStartMicros() const;

    InputContext input_;
    CodecContext decoder_;
    SourceConverter converter_;
    RowsWanted rowsWanted_;
    Frame frame_;
    AVStream* video_ = nullptr;
    AVStream* audio_ = nullptr;
    int64_t originMicros_ = 0;  // the start of the cut on the container's clock
    int64_t endMicros_ = INT64_MAX;
    int64_t videoOrigin_ = 0;   // the same in the video stream's time base
    int64_t audioOrigin_ = 0;
    int64_t lastPts_ = AV_NOPTS_VALUE;
    int64_t framesDecoded_ = 0;
    int64_t damagedAt_ = -1;
    bool videoDone_ = false;
    bool audioDone_ = false;
};

}  // namespace lx::tool
