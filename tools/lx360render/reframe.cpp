#include "tools/lx360render/reframe.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "render/frames.h"
#include "render/projection.h"
#include "render/remap.h"
#include "tools/lx360render/blocking_queue.h"
#include "tools/lx360render/camera_path.h"
#include "tools/lx360render/image_io.h"
#include "tools/lx360render/render_pass.h"
#include "tools/lx360render/video_input.h"
#include "tools/lx360render/video_output.h"

namespace lx::tool {

namespace {

constexpr int kExitError = 2;
constexpr size_t kSourceBuffers = 3;  // one rendered from, two for the decoder to fill
constexpr size_t kOutputBuffers = 3;  // one rendered into, two for the encoder

int Error(const std::string& text) {
    std::fprintf(stderr, "lx360render: %s\n", text.c_str());
    return kExitError;
}

// The first error any thread meets; it stops the others.
class Failure {
public:
    void Set(const std::string& text) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (text_.empty()) text_ = text;
        failed_ = true;
    }
    bool Failed() const { return failed_; }
    std::string Text() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return text_;
    }

private:
    std::mutex mutex_;
    std::string text_;
    std::atomic<bool> failed_{false};
};

// Picture files are known by their first bytes; anything else is offered
// to FFmpeg as a video.
bool StartsLikePicture(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return true;  // the picture loader says why it cannot be opened
    unsigned char magic[3] = {};
    const size_t got = std::fread(magic, 1, sizeof magic, file);
    std::fclose(file);
    if (got >= 2 && ((magic[0] == 'P' && magic[1] == '6') || (magic[0] == 'B' && magic[1] == 'M'))) return true;
    return got == 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF;
}

// The temporary file sits next to the output, so the rename stays on one
// file system; its extension is the output's, which names the container.
std::string TemporaryName(const std::string& out) {
    const size_t slash = out.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : out.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? out : out.substr(slash + 1);
    return dir + "." + base + "." + std::to_string(getpid()) + ".partial";
}

class Progress {
public:
    Progress(bool quiet, int64_t expected)
        : show_(!quiet && isatty(STDERR_FILENO)), expected_(expected), start_(Clock::now()) {}

    void Update(int64_t done) {
        if (!show_) return;
        const auto now = Clock::now();
        if (now - lastShown_ < std::chrono::milliseconds(250)) return;
        lastShown_ = now;
        const double fps = done / Seconds();
        if (expected_ > 0 && fps > 0) {
            const int64_t left = std::max<int64_t>(0, expected_ - done);
            std::fprintf(stderr, "\rlx360render: %lld frames, %.1f fps, %3.0f%%, %.0f s left   ",
                         static_cast<long long>(done), fps, 100.0 * double(done) / double(expected_),
                         double(left) / fps);
        } else {
            std::fprintf(stderr, "\rlx360render: %lld frames, %.1f fps   ", static_cast<long long>(done), fps);
        }
        shownOnce_ = true;
    }

    void End() {
        if (shownOnce_) std::fputc('\n', stderr);
    }

    double Seconds() const {
        return std::max(1e-6, std::chrono::duration<double>(Clock::now() - start_).count());
    }

private:
    using Clock = std::chrono::steady_clock;
    const bool show_;
    const int64_t expected_;
    const Clock::time_point start_;
    Clock::time_point lastShown_{};
    bool shownOnce_ = false;
};

// What the encoder thread gets: a rendered frame, or an audio packet.
struct EncoderItem {
    PixelBuffer frame;
    int64_t pts = 0;
    Packet audio;
};

class Reframer {
public:
    explicit Reframer(const Options& options)
        : options_(options),
          freeSources_(kSourceBuffers),
          decoded_(kSourceBuffers),
          freeOutputs_(kOutputBuffers),
          encoderItems_(32) {}

    int Run();

private:
    bool LoadSource(std::string* error);
    bool PrepareCamera(std::string* error);
    bool AllocateBuffers();
    VideoFormat OutputFormat() const;
    RowSpan SourceRowsAt(double seconds);
    void RenderFrame(double seconds);
    void ClearOuterRowAndColumn();
    bool HandOver(int64_t pts);
    void RenderVideo();
    void RenderStill();
    void EncodeLoop();
    void StopAll();
    int Finish();

    const Options& options_;
    const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    bool still_ = false;
    VideoInput input_;
    VideoOutput output_;
    CameraPath camera_ = CameraPath::Fixed({}, 0);
    ViewMatrix decoderMatrix_{};  // the decoder thread's, for SourceRowsAt
    std::string temporary_;
    Failure failure_;
    int64_t framesWritten_ = 0;
    int64_t expected_ = 0;
    BlockingQueue<PixelBuffer> freeSources_;
    BlockingQueue<DecodedFrame> decoded_;
    BlockingQueue<PixelBuffer> freeOutputs_;
    BlockingQueue<EncoderItem> encoderItems_;
};

bool Reframer::LoadSource(std::string* error) {
    const std::string name = PrintableName(options_.in);
    still_ = StartsLikePicture(options_.in);
    if (still_) {
        if (options_.hasStart) {
            *error = "--start applies to a video --in, not to the picture " + name;
            return false;
        }
        const IoResult loaded = LoadSourcePicture(options_.in);
        if (!loaded.ok) *error = loaded.error;
        return loaded.ok;
    }
    if (options_.hasFps) {
        *error = "--fps applies to a still panorama --in; " + name + " keeps its own frame rate";
        return false;
    }
    if (!input_.Open(options_.in, error)) return false;
    const std::string problem = SourceSizeProblem(input_.Width(), input_.Height());
    if (!problem.empty()) {
        *error = name + ": video refused: " + problem;
        return false;
    }
    if (!AllocateSource(input_.Width(), input_.Height())) {
        *error = name + ": not enough memory for a frame";
        return false;
    }
    input_.SetCut(options_.start, options_.hasDuration ? options_.duration : 0);
    return true;
}

bool Reframer::PrepareCamera(std::string* error) {
    if (!options_.pathFile.empty()) {
        PathParse parsed = LoadCameraPath(options_.pathFile);
        if (!parsed.ok) {
            *error = parsed.error;
            return false;
        }
        camera_ = CameraPath::Keyframes(std::move(parsed.keyframes));
        return true;
    }
    CameraView view{viewState.yaw, viewState.pitch, viewState.fov};
    if (options_.hasYaw) view.yaw = options_.yaw;
    if (options_.hasPitch) view.pitch = options_.pitch;
    if (options_.hasFov) view.fov = options_.fov;
    camera_ = CameraPath::Fixed(view, options_.turn);
    return true;
}

bool Reframer::AllocateBuffers() {
    const size_t sourceBytes = SourceBufferBytes(sourceFrame.width, sourceFrame.height);
    for (size_t i = 0; i + 1 < kSourceBuffers && !still_; ++i) {
        PixelBuffer buffer = AllocatePixels(sourceBytes);
        if (!buffer) return false;
        std::memset(buffer.get(), 0, sourceBytes);
        freeSources_.Push(std::move(buffer));
    }
    for (size_t i = 0; i + 1 < kOutputBuffers; ++i) {
        PixelBuffer buffer = AllocatePixels(kOutputBufferBytes);
        if (!buffer) return false;
        std::memset(buffer.get(), 0, kOutputBufferBytes);
        freeOutputs_.Push(std::move(buffer));
    }
    return true;
}

VideoFormat Reframer::OutputFormat() const {
    VideoFormat format;
    format.width = outputFrame.width;
    format.height = outputFrame.height;
    if (still_) {
        format.frameRate = av_d2q(options_.fps, 100000);
        format.timeBase = av_inv_q(format.frameRate);
    } else {
        format.frameRate = input_.FrameRate();
        format.timeBase = input_.VideoStream()->time_base;
    }
    return format;
}

// The rows the decoder converts for the frame at a time: those the
// bilinear kernel will read for its view (the nearest kernel gets all).
// Runs on the decoder thread, with a matrix of its own.
RowSpan Reframer::SourceRowsAt(double seconds) {
    if (options_.quality == kDraft) return {};
    const CameraView view = camera_.At(seconds);
    BuildViewMatrixFor(view.yaw, view.pitch, view.fov, decoderMatrix_);
    const BilinearReach reach = BilinearReachOf(decoderMatrix_.fixedMatrix);
    return {reach.firstRow, reach.lastRow};
}

// A fresh frame each time: the kernels leave some pixels (the outer row and
// column, the poles of a partial band) as they were, and a frame of the
// video must come out as the same view rendered on its own. Where the
// bilinear kernel writes all but the outer row and column, those are all
// that need clearing.
void Reframer::RenderFrame(double seconds) {
    const CameraView view = camera_.At(seconds);
    ViewState& state = viewState;
    state.yaw = view.yaw;
    state.pitch = view.pitch;
    state.fov = view.fov;
    state.dragging = 0;
    state.halfVFov = HalfVerticalFov(view.fov);
    BuildViewMatrix();
    if (options_.quality != kDraft && BilinearReachOf(viewMatrix.fixedMatrix).allButEdgesWritten)
        ClearOuterRowAndColumn();
    else
        std::memset(outputFrame.pixels.get(), 0, size_t(outputFrame.byteCount));
    RenderPass(options_);
}

// Row 0 and the last column of the output frame.
void Reframer::ClearOuterRowAndColumn() {
    uint8_t* const pixels = outputFrame.pixels.get();
    const size_t rowBytes = size_t(outputFrame.width) * 4;
    std::memset(pixels, 0, rowBytes);
    for (int32_t r = 1; r < outputFrame.height; ++r) std::memset(pixels + r * rowBytes + rowBytes - 4, 0, 4);
}

// Gives the rendered frame to the encoder and takes a spare one to render
// the next frame into.
bool Reframer::HandOver(int64_t pts) {
    PixelBuffer spare;
    if (!freeOutputs_.Pop(&spare)) return false;
    EncoderItem item;
    item.frame = std::exchange(outputFrame.pixels, std::move(spare));
    item.pts = pts;
    return encoderItems_.Push(std::move(item));
}

void Reframer::RenderVideo() {
    DecodedFrame frame;
    Progress progress(options_.quiet, expected_);
    while (!failure_.Failed() && decoded_.Pop(&frame)) {
        std::swap(sourceFrame.pixels, frame.pixels);
        MarkSourceChanged();
        RenderFrame(input_.Seconds(frame.pts));
        freeSources_.Push(std::move(frame.pixels));
        if (!HandOver(frame.pts)) break;
        progress.Update(++framesWritten_);
    }
    progress.End();
}

void Reframer::RenderStill() {
    Progress progress(options_.quiet, expected_);
    for (int64_t i = 0; i < expected_ && !failure_.Failed(); ++i) {
        RenderFrame(double(i) / options_.fps);
        if (!HandOver(i)) break;
        progress.Update(++framesWritten_);
    }
    progress.End();
}

void Reframer::EncodeLoop() {
    EncoderItem item;
    std::string error;
    while (encoderItems_.Pop(&item)) {
        bool ok = true;
        if (item.audio) {
            ok = output_.WriteAudio(std::move(item.audio), &error);
        } else {
            ok = output_.WriteVideo(item.frame.get(), item.pts, &error);
            freeOutputs_.Push(std::move(item.frame));
        }
        if (!ok) {
            failure_.Set(error);
            StopAll();
            return;
        }
    }
    if (!failure_.Failed() && framesWritten_ > 0 && !output_.Finish(&error)) failure_.Set(error);
}

void Reframer::StopAll() {
    freeSources_.Close();
    decoded_.Close();
    freeOutputs_.Close();
    encoderItems_.Close();
}

int Reframer::Run() {
    std::string error;
    if (!StartRenderer()) return Error("not enough memory for the output frame");
    if (!LoadSource(&error)) return Error(error);
    ApplyRenderSettings(options_);
    // The decoder's and the encoder's threads keep the other cores busy; a
    // helper thread for the kernels would only take turns with them.
    SetRemapThreads(1);
    const std::string refused = PrepareLoadedSource(options_);
    if (!refused.empty()) return Error(refused);
    if (!PrepareCamera(&error)) return Error(error);
    if (!AllocateBuffers()) return Error("not enough memory for the frame buffers");
    expected_ = still_ ? std::max<int64_t>(1, std::llround(options_.duration * options_.fps))
                       : input_.ExpectedFrames();

    const AVStream* audio = (still_ || options_.noAudio) ? nullptr : input_.AudioStream();
    temporary_ = TemporaryName(options_.out);
    if (!output_.Open(options_.out, temporary_, options_, OutputFormat(), audio, &error)) {
        std::remove(temporary_.c_str());
        return Error(error);
    }

    std::thread encoder([this] { EncodeLoop(); });
    std::thread decoder;
    if (!still_) {
        const VideoInput::AudioSink toEncoder = [this](Packet packet) {
            EncoderItem item;
            item.audio = std::move(packet);
            return encoderItems_.Push(std::move(item));
        };
        input_.SetRowsWanted([this](double seconds) { return SourceRowsAt(seconds); });
        decoder = std::thread([this, audio, toEncoder] {
            input_.Run(freeSources_, decoded_, audio ? toEncoder : VideoInput::AudioSink());
        });
        RenderVideo();
    } else {
        RenderStill();
    }
    if (failure_.Failed()) StopAll();
    if (decoder.joinable()) decoder.join();
    encoderItems_.Close();
    encoder.join();
    return Finish();
}

int Reframer::Finish() {
    const std::string name = PrintableName(options_.in);
    if (!failure_.Failed() && framesWritten_ == 0) failure_.Set(name + ": no frame could be decoded");
    if (failure_.Failed()) {
        std::remove(temporary_.c_str());
        return Error(failure_.Text());
    }
    if (std::rename(temporary_.c_str(), options_.out.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(temporary_.c_str());
        return Error(PrintableName(options_.out) + ": cannot write: " + reason);
    }
    if (!still_) {
        const int64_t damagedAt = input_.DamagedAt();
        const bool endsEarly = expected_ > 0 && framesWritten_ + 2 < expected_ * 98 / 100;
        if (damagedAt >= 0 || endsEarly)
            std::fprintf(stderr, "lx360render: warning: %s: the video breaks off at frame %lld\n",
                         name.c_str(), static_cast<long long>(damagedAt >= 0 ? damagedAt : framesWritten_));
    }
    if (!options_.quiet) {
        const double seconds =
            std::max(1e-6, std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count());
        std::fprintf(stderr, "lx360render: %s: %lld frames of %d x %d in %.1f s (%.1f fps)\n",
                     PrintableName(options_.out).c_str(), static_cast<long long>(framesWritten_),
                     outputFrame.width, outputFrame.height, seconds, double(framesWritten_) / seconds);
    }
    return 0;
}

}  // namespace

int Reframe(const Options& options) {
    av_log_set_level(AV_LOG_QUIET);
    Reframer reframer(options);
    return reframer.Run();
}

}  // namespace lx::tool
