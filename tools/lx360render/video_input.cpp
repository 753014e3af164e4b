#include "tools/lx360render/video_input.h"

#include <utility>

#include "tools/lx360render/image_io.h"

namespace lx::tool {

namespace {

// Image demuxers read pictures, which the picture loader decodes itself.
bool IsPictureFormat(const AVInputFormat* format) {
    const std::string name = format->name;
    return name == "image2" || (name.size() > 5 && name.compare(name.size() - 5, 5, "_pipe") == 0);
}

}  // namespace

bool VideoInput::Open(const std::string& path, std::string* error) {
    const std::string name = PrintableName(path);
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) {
        *error = name + ": not a picture or video";
        return false;
    }
    input_.reset(raw);
    if (IsPictureFormat(input_->iformat) || avformat_find_stream_info(input_.get(), nullptr) < 0) {
        *error = name + ": not a picture or video";
        return false;
    }
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(input_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (index < 0 || !codec) {
        *error = name + (index == AVERROR_DECODER_NOT_FOUND ? ": no decoder for its video"
                                                            : ": not a picture or video (no video stream)");
        return false;
    }
    video_ = input_->streams[index];
    const int audioIndex = av_find_best_stream(input_.get(), AVMEDIA_TYPE_AUDIO, -1, index, nullptr, 0);
    audio_ = audioIndex >= 0 ? input_->streams[audioIndex] : nullptr;

    decoder_.reset(avcodec_alloc_context3(codec));
    frame_.reset(av_frame_alloc());
    if (!decoder_ || !frame_ || avcodec_parameters_to_context(decoder_.get(), video_->codecpar) < 0) {
        *error = name + ": not enough memory for the decoder";
        return false;
    }
    decoder_->thread_count = 0;  // as many as the machine has
    decoder_->pkt_timebase = video_->time_base;
    if (avcodec_open2(decoder_.get(), codec, nullptr) < 0 || decoder_->width <= 0 ||
        decoder_->height <= 0) {
        *error = name + ": cannot decode its video";
        return false;
    }
    SetCut(0, 0);
    return true;
}

// Times count from the first video frame: frame 0 of the output is at 0 s
// of the camera path, whatever the audio's priming delay.
int64_t VideoInput::VideoStartMicros() const {
    if (video_->start_time != AV_NOPTS_VALUE)
        return av_rescale_q(video_->start_time, video_->time_base, AV_TIME_BASE_Q);
    return input_->start_time == AV_NOPTS_VALUE ? 0 : input_->start_time;
}

void VideoInput::SetCut(double start, double duration) {
    originMicros_ = VideoStartMicros() + int64_t(start * AV_TIME_BASE);
    endMicros_ = duration > 0 ? originMicros_ + int64_t(duration * AV_TIME_BASE) : INT64_MAX;
    videoOrigin_ = av_rescale_q(originMicros_, AV_TIME_BASE_Q, video_->time_base);
    if (audio_) audioOrigin_ = av_rescale_q(originMicros_, AV_TIME_BASE_Q, audio_->time_base);
    if (start > 0) av_seek_frame(input_.get(), -1, originMicros_, AVSEEK_FLAG_BACKWARD);
}

AVRational VideoInput::FrameRate() const {
    const AVRational rate = av_guess_frame_rate(input_.get(), video_, nullptr);
    return rate.num > 0 && rate.den > 0 ? rate : AVRational{25, 1};
}

int64_t VideoInput::ExpectedFrames() const {
    int64_t micros = input_->duration;
    if (micros == AV_NOPTS_VALUE || micros <= 0) return 0;
    const int64_t containerStart = input_->start_time == AV_NOPTS_VALUE ? 0 : input_->start_time;
    if (video_->duration != AV_NOPTS_VALUE && video_->duration > 0)
        micros = av_rescale_q(video_->duration, video_->time_base, AV_TIME_BASE_Q);
    const int64_t end = std::min(endMicros_, (video_->duration > 0 ? VideoStartMicros() : containerStart) + micros);
    if (end <= originMicros_) return 0;
    return av_rescale_q(end - originMicros_, AV_TIME_BASE_Q, av_inv_q(FrameRate()));
}

double VideoInput::Seconds(int64_t pts) const {
    return double(pts) * video_->time_base.num / video_->time_base.den;
}

void VideoInput::MarkDamaged() {
    if (damagedAt_ < 0) damagedAt_ = framesDecoded_;
}

bool VideoInput::ReceiveFrames(BlockingQueue<PixelBuffer>& freeBuffers,
                               BlockingQueue<DecodedFrame>& frames) {
    while (!videoDone_ && avcodec_receive_frame(decoder_.get(), frame_.get()) == 0) {
        int64_t pts = frame_->pts != AV_NOPTS_VALUE ? frame_->pts : frame_->best_effort_timestamp;
        if (pts == AV_NOPTS_VALUE)
            pts = lastPts_ == AV_NOPTS_VALUE ? 0 : lastPts_ + std::max<int64_t>(1, frame_->pkt_duration);
        lastPts_ = pts;
        const int64_t micros = av_rescale_q(pts, video_->time_base, AV_TIME_BASE_Q);
        if (micros >= endMicros_) {
            videoDone_ = true;
        } else if (pts >= videoOrigin_) {
            if (frame_->width != Width() || frame_->height != Height()) {
                MarkDamaged();
                videoDone_ = true;
            } else {
                DecodedFrame decoded;
                if (!freeBuffers.Pop(&decoded.pixels)) return false;
                decoded.pts = pts - videoOrigin_;
                const RowSpan rows = rowsWanted_ ? rowsWanted_(Seconds(decoded.pts)) : RowSpan{};
                if (!converter_.Convert(*frame_, decoded.pixels.get(), rows)) {
                    MarkDamaged();
                    videoDone_ = true;
                } else {
                    if (!frames.Push(std::move(decoded))) return false;
                    ++framesDecoded_;
                }
            }
        }
        av_frame_unref(frame_.get());
    }
    return true;
}

void VideoInput::ForwardAudio(Packet packet, const AudioSink& audioSink) {
    if (packet->pts == AV_NOPTS_VALUE) return;
    const int64_t micros = av_rescale_q(packet->pts, audio_->time_base, AV_TIME_BASE_Q);
    if (micros >= endMicros_) {
        audioDone_ = true;
        return;
    }
    if (micros < originMicros_) return;
    packet->pts -= audioOrigin_;
    if (packet->dts != AV_NOPTS_VALUE) packet->dts -= audioOrigin_;
    if (!audioSink(std::move(packet))) audioDone_ = true;
}

void VideoInput::Run(BlockingQueue<PixelBuffer>& freeBuffers, BlockingQueue<DecodedFrame>& frames,
                     const AudioSink& audioSink) {
    audioDone_ = !audio_ || !audioSink;
    Packet packet(av_packet_alloc());
    bool open = packet != nullptr;
    while (open && !(videoDone_ && audioDone_)) {
        const int read = av_read_frame(input_.get(), packet.get());
        if (read < 0) {
            if (read != AVERROR_EOF) MarkDamaged();
            break;
        }
        if (packet->stream_index == video_->index && !videoDone_) {
            const int sent = avcodec_send_packet(decoder_.get(), packet.get());
            if (sent < 0 && sent != AVERROR(EAGAIN)) MarkDamaged();
            open = ReceiveFrames(freeBuffers, frames);
        } else if (audio_ && packet->stream_index == audio_->index && !audioDone_) {
            Packet copy(av_packet_clone(packet.get()));
            if (copy) ForwardAudio(std::move(copy), audioSink);
        }
        av_packet_unref(packet.get());
    }
    if (open && !videoDone_) {
        avcodec_send_packet(decoder_.get(), nullptr);
        ReceiveFrames(freeBuffers, frames);
    }
    frames.Close();
}

}  // namespace lx::tool
