// lx360render: renders one view of an equirectangular picture the way a
// render pass of the viewer does, and saves the frame instead of painting it.
//
//   lx360render --in SOURCE --out OUT [--yaw DEG] [--pitch DEG] [--fov DEG]
//               [--quality draft|mixed|high] [--wide 0|1] [--eye-lens 0|4]
//               [--filter none|sharpen|soften]
//               [--effect none|inverse|noise|fog|grayscale] [--repeat N]
//
// Exit status 0 on success, 2 on any error (one line on stderr).
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <system_error>
#include <charconv>

#include "effects/effects.h"
#include "render/frames.h"
#include "render/projection.h"
#include "render/remap.h"
#include "tools/lx360render/image_io.h"

namespace {

constexpr int kExitError = 2;

enum class Filter { kNone, kSharpen, kSoften };
enum class Effect { kNone, kInverse, kNoise, kFog, kGrayScale };

struct Options {
    std::string in;
    std::string out;
    bool hasYaw = false, hasPitch = false, hasFov = false;
    float yaw = 0, pitch = 0, fov = 0;
    int32_t quality = lx::kHigh;
    int32_t wide = 1;
    int32_t eyeLens = 0;
    Filter filter = Filter::kNone;
    Effect effect = Effect::kNone;
    bool hasRepeat = false;
    long long repeat = 1;
};

const char* const kUsage =
    "usage: lx360render --in SOURCE --out OUT [--yaw DEG] [--pitch DEG] [--fov DEG]\n"
    "                   [--quality draft|mixed|high] [--wide 0|1] [--eye-lens 0|4]\n"
    "                   [--filter none|sharpen|soften]\n"
    "                   [--effect none|inverse|noise|fog|grayscale] [--repeat N]\n";

// A finite number that survives the conversion to a 32-bit float.
bool ParseFloat(const std::string& text, float* value) {
    if (text.empty() || text.size() > 64) return false;
    const char first = text[0];
    if (!(first == '-' || first == '+' || first == '.' || (first >= '0' && first <= '9'))) {
        return false;
    }
    char* end = nullptr;
    const double parsed = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size()) return false;
    if (!std::isfinite(parsed)) return false;
    const float f = static_cast<float>(parsed);
    if (!std::isfinite(f)) return false;
    *value = f;
    return true;
}

bool ParseInteger(const std::string& text, long long* value) {
    if (text.empty()) return false;
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(begin, end, *value);
    return result.ec == std::errc() && result.ptr == end;
}

struct ParseOutcome {
    bool ok = true;
    bool help = false;
    std::string error;
};

ParseOutcome Fail(std::string text) { return ParseOutcome{false, false, std::move(text)}; }

ParseOutcome BadValue(const std::string& option, const std::string& value,
                      const std::string& expected) {
    return Fail("bad value '" + lx::tool::PrintableName(value) + "' for " + option + " (" +
                expected + ")");
}

ParseOutcome ParseOptions(int argc, char** argv, Options* options) {
    bool hasIn = false, hasOut = false;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--help" || option == "-h") return ParseOutcome{true, true, {}};
        std::string value;
        bool hasValue = false;
        const size_t equals = option.find('=');
        if (option.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = option.substr(equals + 1);
            option = option.substr(0, equals);
            hasValue = true;
        }
        static const char* const kKnown[] = {"--in",     "--out",    "--yaw",    "--pitch",
                                             "--fov",    "--quality", "--wide",  "--eye-lens",
                                             "--filter", "--effect", "--repeat"};
        bool known = false;
        for (const char* k : kKnown) known = known || option == k;
        if (!known) {
            return Fail("unknown option '" + lx::tool::PrintableName(option) + "'");
        }
        if (!hasValue) {
            // "--yaw --out x" is a forgotten value, not the value "--out";
            // a value that starts with "--" can still be given as --opt=value.
            if (i + 1 >= argc || std::string(argv[i + 1]).rfind("--", 0) == 0) {
                return Fail("missing value for " + option);
            }
            value = argv[++i];
        }

        if (option == "--in") {
            if (value.empty()) return BadValue(option, value, "a file name");
            options->in = value;
            hasIn = true;
        } else if (option == "--out") {
            if (value.empty()) return BadValue(option, value, "a file name");
            options->out = value;
            hasOut = true;
        } else if (option == "--yaw") {
            if (!ParseFloat(value, &options->yaw)) return BadValue(option, value, "degrees");
            options->hasYaw = true;
        } else if (option == "--pitch") {
            if (!ParseFloat(value, &options->pitch)) return BadValue(option, value, "degrees");
            options->hasPitch = true;
        } else if (option == "--fov") {
            float fov = 0;
            if (!ParseFloat(value, &fov) || !(fov > 0.0f) || fov > lx::kMaxRenderFov) {
                char expected[64];
                std::snprintf(expected, sizeof expected, "degrees, above 0 and at most %g",
                              double(lx::kMaxRenderFov));
                return BadValue(option, value, expected);
            }
            options->fov = fov;
            options->hasFov = true;
        } else if (option == "--quality") {
            if (value == "draft") {
                options->quality = lx::kDraft;
            } else if (value == "mixed") {
                options->quality = lx::kMixed;
            } else if (value == "high") {
                options->quality = lx::kHigh;
            } else {
                return BadValue(option, value, "draft, mixed or high");
            }
        } else if (option == "--wide") {
            if (value != "0" && value != "1") return BadValue(option, value, "0 or 1");
            options->wide = value == "1" ? 1 : 0;
        } else if (option == "--eye-lens") {
            if (value != "0" && value != "4") return BadValue(option, value, "0 or 4");
            options->eyeLens = value == "4" ? 4 : 0;
        } else if (option == "--filter") {
            if (value == "none") {
                options->filter = Filter::kNone;
            } else if (value == "sharpen") {
                options->filter = Filter::kSharpen;
            } else if (value == "soften") {
                options->filter = Filter::kSoften;
            } else {
                return BadValue(option, value, "none, sharpen or soften");
            }
        } else if (option == "--effect") {
            if (value == "none") {
                options->effect = Effect::kNone;
            } else if (value == "inverse") {
                options->effect = Effect::kInverse;
            } else if (value == "noise") {
                options->effect = Effect::kNoise;
            } else if (value == "fog") {
                options->effect = Effect::kFog;
            } else if (value == "grayscale") {
                options->effect = Effect::kGrayScale;
            } else {
                return BadValue(option, value, "none, inverse, noise, fog or grayscale");
            }
        } else if (option == "--repeat") {
            long long n = 0;
            if (!ParseInteger(value, &n) || n < 1) {
                return BadValue(option, value, "a whole number of at least 1");
            }
            options->repeat = n;
            options->hasRepeat = true;
        }
    }
    if (!hasIn) return Fail("missing option --in");
    if (!hasOut) return Fail("missing option --out");
    return ParseOutcome{};
}

int Error(const std::string& text) {
    std::fprintf(stderr, "lx360render: %s\n", text.c_str());
    return kExitError;
}

// One pass as the viewer's render pipeline runs it, without the indicators
// and the painting.
void RenderPass(const Options& options) {
    lx::BuildViewMatrix();
    if (options.quality == lx::kDraft) {
        lx::RemapNearest();
    } else {
        lx::RemapBilinear();
    }
    switch (options.filter) {
        case Filter::kSharpen: lx::SharpenFrame(); break;
        case Filter::kSoften: lx::SoftenFrame(); break;
        case Filter::kNone: break;
    }
    switch (options.effect) {
        case Effect::kInverse: lx::ApplyInverse(); break;
        case Effect::kNoise: lx::ApplyNoise(); break;
        case Effect::kFog: lx::ApplyFog(); break;
        case Effect::kGrayScale: lx::ApplyGrayScale(); break;
        case Effect::kNone: break;
    }
}

int Run(int argc, char** argv) {
    Options options;
    const ParseOutcome parsed = ParseOptions(argc, argv, &options);
    if (parsed.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!parsed.ok) return Error(parsed.error);

    const lx::tool::IoResult loaded = lx::tool::LoadSourcePicture(options.in);
    if (!loaded.ok) return Error(loaded.error);

    if (!lx::StartRenderer()) return Error("not enough memory for the output frame");
    lx::viewerSettings.wideFormat = options.wide;
    lx::viewerSettings.eyeLens = options.eyeLens;
    lx::viewerSettings.quality = options.quality;
    lx::viewerSettings.sharpen = options.filter == Filter::kSharpen;
    lx::viewerSettings.soften = options.filter == Filter::kSoften;
    lx::viewerSettings.effectInverse = options.effect == Effect::kInverse;
    lx::viewerSettings.effectNoise = options.effect == Effect::kNoise;
    lx::viewerSettings.effectFog = options.effect == Effect::kFog;
    lx::viewerSettings.effectGrayScale = options.effect == Effect::kGrayScale;
    lx::SetShellHooks(nullptr);
    if (!lx::PrepareSource()) {
        const std::string problem =
            lx::SourceSizeProblem(lx::sourceFrame.width, lx::sourceFrame.height);
        return Error(lx::tool::PrintableName(options.in) + ": picture refused" +
                     (problem.empty() ? std::string() : ": " + problem));
    }

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
            RenderPass(options);
        }
        const auto stop = std::chrono::steady_clock::now();
        msPerPass = std::chrono::duration<double, std::milli>(stop - start).count() /
                    double(options.repeat);
    } else {
        RenderPass(options);
    }

    const lx::tool::IoResult written = lx::tool::WriteOutputFrame(options.out);
    if (!written.ok) return Error(written.error);
    if (options.hasRepeat) {
        std::printf("passes=%lld ms_per_pass=%.3f\n", options.repeat, msPerPass);
    }
    return 0;
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
