// The command line of lx360render.
#pragma once

#include <cstdint>
#include <string>

#include "tools/lx360render/camera_path.h"

namespace lx::tool {

enum class Filter { kNone, kSharpen, kSoften };
enum class Effect { kNone, kInverse, kNoise, kFog, kGrayScale };

struct Options {
    std::string in;
    std::string out;
    bool hasYaw = false, hasPitch = false, hasFov = false;
    float yaw = 0, pitch = 0, fov = 0;
    int32_t quality = 2;  // lx::kHigh
    int32_t wide = 1;
    int32_t eyeLens = 0;
    Filter filter = Filter::kNone;
    Effect effect = Effect::kNone;
    bool hasRepeat = false;
    long long repeat = 1;
    bool hasSize = false;
    int32_t width = 0, height = 0;

    // Reframing (a video --out).
    bool hasTurn = false;
    float turn = 0;        // degrees of yaw a second
    std::string pathFile;  // keyframes; empty for a fixed view
    bool hasFps = false;
    double fps = 30;       // frames a second made of a still panorama
    bool hasDuration = false;
    double duration = 10;  // seconds; a video's own length when not given
    bool hasStart = false;
    double start = 0;
    bool hasCrf = false;
    int crf = 0;
    std::string preset;
    bool lossless = false;
    bool noAudio = false;
    bool quiet = false;
};

struct ParseOutcome {
    bool ok = true;
    bool help = false;
    std::string error;
};

extern const char* const kUsage;

// Parses the arguments into options; every value is checked here, and so
// is every combination that makes no sense (say, --path with --yaw).
ParseOutcome ParseOptions(int argc, char** argv, Options* options);

// True when the name ends in one of the video containers lx360render writes.
bool HasVideoExtension(const std::string& path);
// The name's extension in lower case, without the dot ("" when none).
std::string LowerExtension(const std::string& path);

}  // namespace lx::tool
