// lx360render: renders one view of an equirectangular picture the way a
// render pass of the viewer does, and saves the frame instead of painting it.
//
//   lx360render --in SOURCE --out OUT [--yaw DEG] [--pitch DEG] [--fov DEG]
//               [--quality draft|mixed|high] [--wide 0|1] [--eye-lens 0|4]
//               [--filter none|sharpen|soften]
//               [--effect none|inverse|noise|fog|grayscale] [--repeat N]
//               [--size WxH]
//
// With a video --out (.mp4, .mkv, .mov, .avi, .webm) it reframes: a video or
// a still panorama in, a flat video out along a camera path (reframe.h).
//
// Exit status 0 on success, 2 on any error (one line on stderr).
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>

#include "render/frames.h"
#include "tools/lx360render/image_io.h"
#include "tools/lx360render/options.h"
#include "tools/lx360render/render_pass.h"
#if LX_HAVE_FFMPEG
#include "tools/lx360render/reframe.h"
#endif

namespace {

using lx::tool::Options;

constexpr int kExitError = 2;

int Error(const std::string& text) {
    std::fprintf(stderr, "lx360render: %s\n", text.c_str());
    return kExitError;
}

int RenderPicture(const Options& options) {
    const lx::tool::IoResult loaded = lx::tool::LoadSourcePicture(options.in);
    if (!loaded.ok) return Error(loaded.error);

    if (!lx::StartRenderer()) return Error("not enough memory for the output frame");
    lx::tool::ApplyRenderSettings(options);
    const std::string refused = lx::tool::PrepareLoadedSource(options);
    if (!refused.empty()) return Error(refused);

    lx::ViewState& view = lx::viewState;
    if (options.hasYaw) view.yaw = options.yaw;
    if (options.hasPitch) view.pitch = options.pitch;
    if (options.hasFov) view.fov = options.fov;
    view.dragging = 0;
    view.halfVFov = lx::HalfVerticalFov(view.fov);

    double msPerPass = 0;
    if (options.hasRepeat) {
        const auto start = std::chrono::steady_clock::now();
        for (long long pass = 0; pass < options.repeat; ++pass) {
            view.yaw += 0.1f;
            lx::tool::RenderPass(options);
        }
        const auto stop = std::chrono::steady_clock::now();
        msPerPass = std::chrono::duration<double, std::milli>(stop - start).count() /
                    double(options.repeat);
    } else {
        lx::tool::RenderPass(options);
    }

    const lx::tool::IoResult written = lx::tool::WriteOutputFrame(options.out);
    if (!written.ok) return Error(written.error);
    if (options.hasRepeat) {
        std::printf("passes=%lld ms_per_pass=%.3f\n", options.repeat, msPerPass);
    }
    return 0;
}

int Run(int argc, char** argv) {
    Options options;
    const lx::tool::ParseOutcome parsed = lx::tool::ParseOptions(argc, argv, &options);
    if (parsed.help) {
        std::fputs(lx::tool::kUsage, stdout);
        return 0;
    }
    if (!parsed.ok) return Error(parsed.error);
    if (lx::tool::HasVideoExtension(options.out)) {
#if LX_HAVE_FFMPEG
        return lx::tool::Reframe(options);
#else
        return Error("video output is not available in this build");
#endif
    }
    return RenderPicture(options);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const int status = Run(argc, argv);
        if (std::fflush(stdout) != 0) return Error("cannot write to standard output");
        return status;
    } catch (const std::exception& e) {
        return Error(std::string("internal error: ") + e.what());
    } catch (...) {
        return Error("internal error");
    }
}
