#include "tools/lx360render/options.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "render/projection.h"
#include "tools/lx360render/image_io.h"

namespace lx::tool {

const char* const kUsage =
    "usage: lx360render --in SOURCE --out OUT [--yaw DEG] [--pitch DEG] [--fov DEG]\n"
    "                   [--quality draft|mixed|high] [--wide 0|1] [--eye-lens 0|4]\n"
    "                   [--filter none|sharpen|soften]\n"
    "                   [--effect none|inverse|noise|fog|grayscale] [--repeat N]\n"
    "                   [--size WxH]\n"
    "reframing, with OUT a .mp4, .mkv, .mov, .avi or .webm video:\n"
    "                   [--turn DEG_PER_S | --path FILE] [--start S] [--duration S]\n"
    "                   [--fps N] [--crf N] [--preset NAME] [--lossless]\n"
    "                   [--no-audio] [--quiet]\n";

namespace {

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

bool ParseSeconds(const std::string& text, double* value) {
    float f = 0;
    if (!ParseFloat(text, &f)) return false;
    *value = std::strtod(text.c_str(), nullptr);
    return *value >= 0 && *value <= 1e7;
}

bool ParseInteger(const std::string& text, long long* value) {
    if (text.empty()) return false;
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(begin, end, *value);
    return result.ec == std::errc() && result.ptr == end;
}

bool ParseSize(const std::string& text, int32_t* width, int32_t* height) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    long long w = 0, h = 0;
    if (!ParseInteger(text.substr(0, x), &w) || !ParseInteger(text.substr(x + 1), &h)) return false;
    if (w <= 0 || h <= 0 || w > 100000 || h > 100000) return false;
    *width = int32_t(w);
    *height = int32_t(h);
    return true;
}

ParseOutcome Fail(std::string text) { return ParseOutcome{false, false, std::move(text)}; }

ParseOutcome BadValue(const std::string& option, const std::string& value,
                      const std::string& expected) {
    return Fail("bad value '" + PrintableName(value) + "' for " + option + " (" + expected + ")");
}

bool IsKnown(const std::string& option) {
    static const char* const kKnown[] = {
        "--in",       "--out",    "--yaw",   "--pitch",    "--fov",      "--quality",
        "--wide",     "--eye-lens", "--filter", "--effect", "--repeat",   "--size",
        "--turn",     "--path",   "--fps",   "--duration", "--start",    "--crf",
        "--preset"};
    for (const char* k : kKnown)
        if (option == k) return true;
    return false;
}

bool IsFlag(const std::string& option) {
    return option == "--lossless" || option == "--no-audio" || option == "--quiet";
}

// One option with its value; an empty error means it was taken.
ParseOutcome TakeOption(const std::string& option, const std::string& value, Options* o) {
    if (option == "--in" || option == "--out") {
        if (value.empty()) return BadValue(option, value, "a file name");
        (option == "--in" ? o->in : o->out) = value;
    } else if (option == "--yaw" || option == "--pitch") {
        float& target = option == "--yaw" ? o->yaw : o->pitch;
        if (!ParseFloat(value, &target)) return BadValue(option, value, "degrees");
        (option == "--yaw" ? o->hasYaw : o->hasPitch) = true;
    } else if (option == "--fov") {
        float fov = 0;
        if (!ParseFloat(value, &fov) || !(fov > 0.0f) || fov > kMaxRenderFov) {
            char expected[64];
            std::snprintf(expected, sizeof expected, "degrees, above 0 and at most %g",
                          double(kMaxRenderFov));
            return BadValue(option, value, expected);
        }
        o->fov = fov;
        o->hasFov = true;
    } else if (option == "--quality") {
        if (value == "draft") {
            o->quality = 0;
        } else if (value == "mixed") {
            o->quality = 1;
        } else if (value == "high") {
            o->quality = 2;
        } else {
            return BadValue(option, value, "draft, mixed or high");
        }
    } else if (option == "--wide") {
        if (value != "0" && value != "1") return BadValue(option, value, "0 or 1");
        o->wide = value == "1" ? 1 : 0;
    } else if (option == "--eye-lens") {
        if (value != "0" && value != "4") return BadValue(option, value, "0 or 4");
        o->eyeLens = value == "4" ? 4 : 0;
    } else if (option == "--filter") {
        if (value == "none") {
            o->filter = Filter::kNone;
        } else if (value == "sharpen") {
            o->filter = Filter::kSharpen;
        } else if (value == "soften") {
            o->filter = Filter::kSoften;
        } else {
            return BadValue(option, value, "none, sharpen or soften");
        }
    } else if (option == "--effect") {
        if (value == "none") {
            o->effect = Effect::kNone;
        } else if (value == "inverse") {
            o->effect = Effect::kInverse;
        } else if (value == "noise") {
            o->effect = Effect::kNoise;
        } else if (value == "fog") {
            o->effect = Effect::kFog;
        } else if (value == "grayscale") {
            o->effect = Effect::kGrayScale;
        } else {
            return BadValue(option, value, "none, inverse, noise, fog or grayscale");
        }
    } else if (option == "--repeat") {
        long long n = 0;
        if (!ParseInteger(value, &n) || n < 1) {
            return BadValue(option, value, "a whole number of at least 1");
        }
        o->repeat = n;
        o->hasRepeat = true;
    } else if (option == "--size") {
        if (!ParseSize(value, &o->width, &o->height)) return BadValue(option, value, "WIDTHxHEIGHT");
        const std::string problem = OutputSizeProblem(o->width, o->height);
        if (!problem.empty()) return BadValue(option, value, problem);
        o->hasSize = true;
    } else if (option == "--turn") {
        if (!ParseFloat(value, &o->turn)) return BadValue(option, value, "degrees a second");
        o->hasTurn = true;
    } else if (option == "--path") {
        if (value.empty()) return BadValue(option, value, "a file name");
        o->pathFile = value;
    } else if (option == "--fps") {
        if (!ParseSeconds(value, &o->fps) || o->fps < 1 || o->fps > 240)
            return BadValue(option, value, "frames a second, 1 to 240");
        o->hasFps = true;
    } else if (option == "--duration") {
        if (!ParseSeconds(value, &o->duration) || !(o->duration > 0))
            return BadValue(option, value, "seconds, above 0");
        o->hasDuration = true;
    } else if (option == "--start") {
        if (!ParseSeconds(value, &o->start)) return BadValue(option, value, "seconds, at least 0");
        o->hasStart = true;
    } else if (option == "--crf") {
        long long n = 0;
        if (!ParseInteger(value, &n) || n < 0 || n > 63) return BadValue(option, value, "0 to 63");
        o->crf = int(n);
        o->hasCrf = true;
    } else if (option == "--preset") {
        if (value.empty() || value.size() > 32) return BadValue(option, value, "an encoder preset name");
        o->preset = value;
    }
    return ParseOutcome{};
}

// The encoders' own preset names; x264 prints its complaint about an
// unknown one straight to the terminal, so they are checked here first.
bool PresetKnown(const std::string& preset, bool vp9) {
    static const char* const kVp9[] = {"good", "best", "realtime"};
    static const char* const kH264[] = {"ultrafast", "superfast", "veryfast", "faster", "fast",
                                        "medium",    "slow",      "slower",   "veryslow", "placebo"};
    if (vp9) {
        for (const char* name : kVp9)
            if (preset == name) return true;
        return false;
    }
    for (const char* name : kH264)
        if (preset == name) return true;
    return false;
}

// Combinations the single options cannot refuse by themselves.
ParseOutcome CheckCombinations(const Options& o) {
    const bool video = HasVideoExtension(o.out);
    if (!video) {
        const bool reframing = o.hasTurn || !o.pathFile.empty() || o.hasFps || o.hasDuration ||
                               o.hasStart || o.hasCrf || !o.preset.empty() || o.lossless || o.noAudio;
        if (reframing)
            return Fail("the reframing options need a video --out (.mp4, .mkv, .mov, .avi or .webm)");
        return ParseOutcome{};
    }
    if (o.hasRepeat) return Fail("--repeat does not apply to a video --out");
    if (!o.pathFile.empty() && (o.hasYaw || o.hasPitch || o.hasFov || o.hasTurn))
        return Fail("--path sets the whole view: no --yaw, --pitch, --fov or --turn with it");
    const std::string extension = LowerExtension(o.out);
    if (o.lossless && extension != "mkv" && extension != "avi")
        return Fail("--lossless writes .mkv or .avi, not ." + extension);
    if (o.lossless && (o.hasCrf || !o.preset.empty()))
        return Fail("--crf and --preset do not apply to --lossless");
    if (!o.preset.empty() && !PresetKnown(o.preset, extension == "webm"))
        return BadValue("--preset", o.preset,
                        extension == "webm" ? "good, best or realtime for VP9"
                                            : "ultrafast, superfast, veryfast, faster, fast, medium, "
                                              "slow, slower, veryslow or placebo for H.264");
    if (o.hasCrf && extension != "webm" && o.crf > 51)
        return Fail("bad value '" + std::to_string(o.crf) + "' for --crf (0 to 51 for H.264)");
    return ParseOutcome{};
}

}  // namespace

std::string LowerExtension(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

bool HasVideoExtension(const std::string& path) {
    const std::string e = LowerExtension(path);
    return e == "mp4" || e == "mkv" || e == "mov" || e == "avi" || e == "webm";
}

ParseOutcome ParseOptions(int argc, char** argv, Options* options) {
    bool hasIn = false, hasOut = false;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--help" || option == "-h") return ParseOutcome{true, true, {}};
        if (IsFlag(option)) {
            if (option == "--lossless") options->lossless = true;
            if (option == "--no-audio") options->noAudio = true;
            if (option == "--quiet") options->quiet = true;
            continue;
        }
        std::string value;
        bool hasValue = false;
        const size_t equals = option.find('=');
        if (option.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = option.substr(equals + 1);
            option = option.substr(0, equals);
            hasValue = true;
        }
        if (!IsKnown(option)) {
            return Fail("unknown option '" + PrintableName(option) + "'");
        }
        if (!hasValue) {
            // "--yaw --out x" is a forgotten value, not the value "--out";
            // a value that starts with "--" can still be given as --opt=value.
            if (i + 1 >= argc || std::string(argv[i + 1]).rfind("--", 0) == 0) {
                return Fail("missing value for " + option);
            }
            value = argv[++i];
        }
        const ParseOutcome taken = TakeOption(option, value, options);
        if (!taken.ok) return taken;
        hasIn = hasIn || option == "--in";
        hasOut = hasOut || option == "--out";
    }
    if (!hasIn) return Fail("missing option --in");
    if (!hasOut) return Fail("missing option --out");
    return CheckCombinations(*options);
}

}  // namespace lx::tool
