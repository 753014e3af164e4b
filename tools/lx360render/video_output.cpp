#include "tools/lx360render/video_output.h"

#include <utility>

extern "C" {
#include <libavutil/opt.h>
}

#include "tools/lx360render/image_io.h"

namespace lx::tool {

namespace {

struct EncoderChoice {
    const char* name;
    AVPixelFormat format;
};

EncoderChoice ChooseEncoder(const std::string& extension, bool lossless) {
    if (lossless) {
        if (extension == "avi") return {"rawvideo", AV_PIX_FMT_BGRA};
        return {"ffv1", AV_PIX_FMT_0RGB32};  // B, G, R, X in memory on this byte order
    }
    if (extension == "webm") return {"libvpx-vp9", AV_PIX_FMT_YUV420P};
    return {"libx264", AV_PIX_FMT_YUV420P};
}

}  // namespace

// Decodes the input's audio and encodes it for a container that cannot
// hold it as it is: resampled to what the encoder takes, regrouped into
// the encoder's frame size.
class AudioTranscoder {
public:
    bool Open(VideoOutput& out, const AVStream* in, const std::string& extension, std::string* error) {
        out_ = &out;
        const AVCodec* decoderCodec = avcodec_find_decoder(in->codecpar->codec_id);
        const AVCodec* encoderCodec =
            extension == "webm" ? avcodec_find_encoder_by_name("libopus") : avcodec_find_encoder(AV_CODEC_ID_AAC);
        if (!decoderCodec || !encoderCodec) return Fail("no codec for the audio", error);
        decoder_.reset(avcodec_alloc_context3(decoderCodec));
        encoder_.reset(avcodec_alloc_context3(encoderCodec));
        decoded_.reset(av_frame_alloc());
        if (!decoder_ || !encoder_ || !decoded_ ||
            avcodec_parameters_to_context(decoder_.get(), in->codecpar) < 0)
            return Fail("not enough memory for the audio", error);
        decoder_->pkt_timebase = in->time_base;
        if (avcodec_open2(decoder_.get(), decoderCodec, nullptr) < 0)
            return Fail("cannot decode the input's audio", error);

        const int channels = decoder_->ch_layout.nb_channels >= 2 ? 2 : 1;
        av_channel_layout_default(&encoder_->ch_layout, channels);
        encoder_->sample_rate = extension == "webm" ? 48000 : decoder_->sample_rate;
        encoder_->sample_fmt = encoderCodec->sample_fmts ? encoderCodec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
        encoder_->time_base = AVRational{1, encoder_->sample_rate};
        encoder_->bit_rate = 128000;
        if (out.output_->oformat->flags & AVFMT_GLOBALHEADER)
            encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (avcodec_open2(encoder_.get(), encoderCodec, nullptr) < 0)
            return Fail("cannot open the audio encoder", error);

        SwrContext* resampler = nullptr;
        if (swr_alloc_set_opts2(&resampler, &encoder_->ch_layout, encoder_->sample_fmt,
                                encoder_->sample_rate, &decoder_->ch_layout, decoder_->sample_fmt,
                                decoder_->sample_rate, 0, nullptr) < 0 ||
            swr_init(resampler) < 0) {
            swr_free(&resampler);
            return Fail("cannot convert the audio", error);
        }
        resampler_.reset(resampler);
        fifo_.reset(av_audio_fifo_alloc(encoder_->sample_fmt, channels, 4096));
        if (!fifo_) return Fail("not enough memory for the audio", error);
        return true;
    }

    const AVCodecContext* Encoder() const { return encoder_.get(); }

    bool Write(const AVPacket* packet, std::string* error) {
        if (nextPts_ == AV_NOPTS_VALUE && packet && packet->pts != AV_NOPTS_VALUE)
            nextPts_ = av_rescale_q(packet->pts, decoder_->pkt_timebase, encoder_->time_base);
        // A damaged audio packet costs its samples, not the video.
        if (avcodec_send_packet(decoder_.get(), packet) < 0 && packet) return true;
        while (avcodec_receive_frame(decoder_.get(), decoded_.get()) == 0) {
            const bool converted = Resample(decoded_->extended_data, decoded_->nb_samples);
            av_frame_unref(decoded_.get());
            if (!converted) return Fail("cannot convert the audio", error);
            if (!EncodeFull(false, error)) return false;
        }
        return true;
    }

    bool Finish(std::string* error) {
        if (!Write(nullptr, error)) return false;
        if (!Resample(nullptr, 0)) return Fail("cannot convert the audio", error);
        if (!EncodeFull(true, error)) return false;
        return Encode(nullptr, error);
    }

private:
    // Converts samples (or drains the resampler) into the fifo.
    bool Resample(uint8_t** data, int samples) {
        const int room = swr_get_out_samples(resampler_.get(), samples);
        if (room < 0) return false;
        if (room == 0) return true;
        uint8_t** converted = nullptr;
        if (av_samples_alloc_array_and_samples(&converted, nullptr, encoder_->ch_layout.nb_channels,
                                               room, encoder_->sample_fmt, 0) < 0)
            return false;
        const int made = swr_convert(resampler_.get(), converted, room,
                                     const_cast<const uint8_t**>(data), samples);
        const bool ok = made >= 0 && av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(converted), made) == made;
        av_freep(&converted[0]);
        av_freep(&converted);
        return ok;
    }

    // Encodes every whole frame the fifo holds, and the rest when last.
    bool EncodeFull(bool last, std::string* error) {
        const int size = encoder_->frame_size > 0 ? encoder_->frame_size : 1024;
        while (av_audio_fifo_size(fifo_.get()) >= size || (last && av_audio_fifo_size(fifo_.get()) > 0)) {
            const int samples = std::min(size, av_audio_fifo_size(fifo_.get()));
            Frame frame(av_frame_alloc());
            if (!frame) return Fail("not enough memory for the audio", error);
            frame->nb_samples = samples;
            frame->format = encoder_->sample_fmt;
            frame->sample_rate = encoder_->sample_rate;
            if (av_channel_layout_copy(&frame->ch_layout, &encoder_->ch_layout) < 0 ||
                av_frame_get_buffer(frame.get(), 0) < 0 ||
                av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame->data), samples) != samples)
                return Fail("not enough memory for the audio", error);
            frame->pts = nextPts_ == AV_NOPTS_VALUE ? 0 : nextPts_;
            nextPts_ = frame->pts + samples;
            if (!Encode(frame.get(), error)) return false;
        }
        return true;
    }

    bool Encode(const AVFrame* frame, std::string* error) {
        if (avcodec_send_frame(encoder_.get(), frame) < 0) return Fail("cannot encode the audio", error);
        Packet packet(av_packet_alloc());
        if (!packet) return Fail("not enough memory for the audio", error);
        while (avcodec_receive_packet(encoder_.get(), packet.get()) == 0) {
            if (!out_->WritePacket(packet.get(), encoder_->time_base, out_->audioStream_, error)) return false;
        }
        return true;
    }

    bool Fail(const std::string& what, std::string* error) {
        *error = out_->name_ + ": " + what;
        return false;
    }

    VideoOutput* out_ = nullptr;
    CodecContext decoder_;
    CodecContext encoder_;
    ResampleContext resampler_;
    AudioFifo fifo_;
    Frame decoded_;
    int64_t nextPts_ = AV_NOPTS_VALUE;
};

VideoOutput::VideoOutput() = default;
VideoOutput::~VideoOutput() = default;

bool VideoOutput::Failed(const std::string& what, int code, std::string* error) {
    *error = name_ + ": " + what + (code < 0 ? ": " + AvErrorText(code) : std::string());
    return false;
}

bool VideoOutput::Open(const std::string& name, const std::string& file, const Options& options,
                       const VideoFormat& format, const AVStream* audioIn, std::string* error) {
    name_ = PrintableName(name);
    const std::string extension = LowerExtension(name);
    AVFormatContext* raw = nullptr;
    const int allocated = avformat_alloc_output_context2(&raw, nullptr, nullptr, name.c_str());
    if (allocated < 0 || !raw) return Failed("cannot write this kind of video", allocated, error);
    output_.reset(raw);
    inputTimeBase_ = format.timeBase;
    if (!OpenVideoEncoder(options, format, error)) return false;
    if (audioIn && !OpenAudio(audioIn, extension, error)) return false;

    const int opened = avio_open(&output_->pb, file.c_str(), AVIO_FLAG_WRITE);
    if (opened < 0) return Failed("cannot write", opened, error);
    const int header = avformat_write_header(output_.get(), nullptr);
    if (header < 0) return Failed("cannot write", header, error);
    return true;
}

bool VideoOutput::OpenVideoEncoder(const Options& options, const VideoFormat& format, std::string* error) {
    const std::string extension = LowerExtension(name_);
    const EncoderChoice choice = ChooseEncoder(extension, options.lossless);
    const AVCodec* codec = avcodec_find_encoder_by_name(choice.name);
    if (!codec) return Failed(std::string("no ") + choice.name + " encoder in this system's FFmpeg", 0, error);
    encoder_.reset(avcodec_alloc_context3(codec));
    frame_.reset(av_frame_alloc());
    packet_.reset(av_packet_alloc());
    if (!encoder_ || !frame_ || !packet_) return Failed("not enough memory for the encoder", 0, error);

    AVCodecContext& enc = *encoder_;
    enc.width = format.width;
    enc.height = format.height;
    enc.pix_fmt = choice.format;
    enc.framerate = format.frameRate;
    // AVI counts frames, not time.
    enc.time_base = extension == "avi" ? av_inv_q(format.frameRate) : format.timeBase;
    enc.sample_aspect_ratio = AVRational{1, 1};
    enc.thread_count = 0;
    if (output_->oformat->flags & AVFMT_GLOBALHEADER) enc.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    AVDictionary* settings = nullptr;
    if (options.hasCrf) av_dict_set_int(&settings, "crf", options.crf, 0);
    if (choice.format == AV_PIX_FMT_YUV420P && extension == "webm") {
        enc.bit_rate = 0;  // constant quality
        if (!options.hasCrf) av_dict_set_int(&settings, "crf", 32, 0);
        av_dict_set(&settings, "row-mt", "1", 0);
        if (!options.preset.empty()) av_dict_set(&settings, "deadline", options.preset.c_str(), 0);
    } else if (!options.preset.empty()) {
        av_dict_set(&settings, "preset", options.preset.c_str(), 0);
    }
    if (options.lossless && extension == "mkv") av_dict_set(&settings, "level", "3", 0);
    const int opened = avcodec_open2(encoder_.get(), codec, &settings);
    const bool unused = av_dict_count(settings) > 0;
    av_dict_free(&settings);
    if (opened < 0 || unused) {
        if (!options.preset.empty())
            return Failed("the encoder refuses --preset '" + PrintableName(options.preset) + "'", 0, error);
        return Failed("cannot open the video encoder", opened, error);
    }

    videoStream_ = avformat_new_stream(output_.get(), nullptr);
    if (!videoStream_ || avcodec_parameters_from_context(videoStream_->codecpar, encoder_.get()) < 0)
        return Failed("not enough memory for the encoder", 0, error);
    videoStream_->time_base = enc.time_base;
    videoStream_->avg_frame_rate = format.frameRate;

    frame_->format = enc.pix_fmt;
    frame_->width = enc.width;
    frame_->height = enc.height;
    if (av_frame_get_buffer(frame_.get(), 0) < 0) return Failed("not enough memory for the encoder", 0, error);
    // Chroma read at full width and then filtered down is as good as the
    // default pairwise average here and twice as fast: FFmpeg has vector
    // code for the full-width read.
    scaler_.reset(sws_getContext(enc.width, enc.height, AV_PIX_FMT_BGR0, enc.width, enc.height, enc.pix_fmt,
                                 SWS_BILINEAR | SWS_FULL_CHR_H_INP, nullptr, nullptr, nullptr));
    if (!scaler_) return Failed("cannot convert the frames for the encoder", 0, error);
    return true;
}

bool VideoOutput::OpenAudio(const AVStream* audioIn, const std::string& extension, std::string* error) {
    audioInTimeBase_ = audioIn->time_base;
    audioStream_ = avformat_new_stream(output_.get(), nullptr);
    if (!audioStream_) return Failed("not enough memory for the audio", 0, error);
    audioCopy_ = avformat_query_codec(output_->oformat, audioIn->codecpar->codec_id, FF_COMPLIANCE_NORMAL) == 1;
    if (audioCopy_) {
        if (avcodec_parameters_copy(audioStream_->codecpar, audioIn->codecpar) < 0)
            return Failed("not enough memory for the audio", 0, error);
        audioStream_->codecpar->codec_tag = 0;
        audioStream_->time_base = audioIn->time_base;
        return true;
    }
    audioTranscoder_ = std::make_unique<AudioTranscoder>();
    if (!audioTranscoder_->Open(*this, audioIn, extension, error)) return false;
    if (avcodec_parameters_from_context(audioStream_->codecpar, audioTranscoder_->Encoder()) < 0)
        return Failed("not enough memory for the audio", 0, error);
    audioStream_->time_base = audioTranscoder_->Encoder()->time_base;
    return true;
}

bool VideoOutput::WritePacket(AVPacket* packet, AVRational from, AVStream* stream, std::string* error) {
    av_packet_rescale_ts(packet, from, stream->time_base);
    packet->stream_index = stream->index;
    const int written = av_interleaved_write_frame(output_.get(), packet);
    if (written < 0) return Failed("cannot write", written, error);
    return true;
}

bool VideoOutput::SendVideo(const AVFrame* frame, std::string* error) {
    const int sent = avcodec_send_frame(encoder_.get(), frame);
    if (sent < 0) return Failed("cannot encode the video", sent, error);
    while (avcodec_receive_packet(encoder_.get(), packet_.get()) == 0) {
        if (!WritePacket(packet_.get(), encoder_->time_base, videoStream_, error)) return false;
    }
    return true;
}

bool VideoOutput::WriteVideo(const uint8_t* pixels, int64_t pts, std::string* error) {
    // The encoder may still hold the previous picture.
    if (av_frame_make_writable(frame_.get()) < 0) return Failed("not enough memory for the encoder", 0, error);
    const int rowBytes = 4 * encoder_->width;
    const uint8_t* const source[4] = {pixels + ptrdiff_t(encoder_->height - 1) * rowBytes, nullptr, nullptr,
                                      nullptr};
    const int sourceStrides[4] = {-rowBytes, 0, 0, 0};
    sws_scale(scaler_.get(), source, sourceStrides, 0, encoder_->height, frame_->data, frame_->linesize);
    frame_->pts = av_rescale_q(pts, inputTimeBase_, encoder_->time_base);
    return SendVideo(frame_.get(), error);
}

bool VideoOutput::WriteAudio(Packet packet, std::string* error) {
    if (!audioStream_) return true;
    if (audioTranscoder_) return audioTranscoder_->Write(packet.get(), error);
    packet->pos = -1;
    return WritePacket(packet.get(), audioInTimeBase_, audioStream_, error);
}

bool VideoOutput::Finish(std::string* error) {
    if (!SendVideo(nullptr, error)) return false;
    if (audioTranscoder_ && !audioTranscoder_->Finish(error)) return false;
    const int trailer = av_write_trailer(output_.get());
    if (trailer < 0) return Failed("cannot write", trailer, error);
    const int closed = avio_closep(&output_->pb);
    if (closed < 0) return Failed("cannot write", closed, error);
    return true;
}

}  // namespace lx::tool
