#include "tools/lx360render/camera_path.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <utility>

#include "render/frames.h"
#include "render/navigation.h"
#include "render/projection.h"
#include "tools/lx360render/image_io.h"

namespace lx::tool {

namespace {

// Path files are small; a longer one is almost certainly the wrong file.
constexpr std::streamoff kMaxPathFileBytes = 16 * 1024 * 1024;

bool ParseNumber(const std::string& text, double* value) {
    size_t begin = text.find_first_not_of(" \t");
    size_t end = text.find_last_not_of(" \t\r");
    if (begin == std::string::npos) return false;
    const std::string trimmed = text.substr(begin, end - begin + 1);
    char* stop = nullptr;
    errno = 0;
    const double parsed = std::strtod(trimmed.c_str(), &stop);
    if (stop != trimmed.c_str() + trimmed.size() || errno == ERANGE) return false;
    if (!std::isfinite(parsed) || !std::isfinite(float(parsed))) return false;
    *value = parsed;
    return true;
}

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t comma = line.find(',', start);
        fields.push_back(line.substr(start, comma - start));
        if (comma == std::string::npos) return fields;
        start = comma + 1;
    }
}

bool IsBlank(const std::string& line) {
    return line.find_first_not_of(" \t\r") == std::string::npos;
}

bool IsComment(const std::string& line) {
    const size_t first = line.find_first_not_of(" \t");
    return first != std::string::npos && line[first] == '#';
}

// A keyframe line, or the reason it is not one.
std::string ParseKeyframe(const std::string& line, Keyframe* key) {
    const std::vector<std::string> fields = SplitFields(line);
    if (fields.size() != 4) return "expected time,yaw,pitch,fov";
    double values[4];
    static const char* const kNames[] = {"time", "yaw", "pitch", "fov"};
    for (int i = 0; i < 4; ++i)
        if (!ParseNumber(fields[i], &values[i])) return std::string("bad ") + kNames[i];
    if (values[0] < 0) return "time is negative";
    if (!(values[3] > 0) || values[3] > double(kMaxRenderFov)) return "fov is not above 0 and at most 150";
    key->time = values[0];
    key->view = CameraView{float(values[1]), float(values[2]), float(values[3])};
    return {};
}

float Lerp(float a, float b, double u) { return float(double(a) + (double(b) - double(a)) * u); }

}  // namespace

PathParse ParseCameraPath(const std::string& text, const std::string& name) {
    PathParse result;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    auto fail = [&](const std::string& why) {
        result.ok = false;
        result.keyframes.clear();
        result.error = PrintableName(name) + ": line " + std::to_string(number) + ": " + why;
        return result;
    };
    while (std::getline(lines, line)) {
        ++number;
        if (IsBlank(line) || IsComment(line)) continue;
        Keyframe key;
        const std::string problem = ParseKeyframe(line, &key);
        if (!problem.empty()) return fail(problem);
        if (!result.keyframes.empty() && !(key.time > result.keyframes.back().time))
            return fail("time does not grow");
        result.keyframes.push_back(key);
    }
    if (result.keyframes.empty()) {
        result.error = PrintableName(name) + ": no keyframes";
        return result;
    }
    result.ok = true;
    return result;
}

PathParse LoadCameraPath(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    PathParse result;
    if (!file) {
        result.error = PrintableName(path) + ": cannot open the path file";
        return result;
    }
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    file.seekg(0);
    if (size < 0 || size > kMaxPathFileBytes) {
        result.error = PrintableName(path) + ": not a path file (unreadable or too large)";
        return result;
    }
    std::string text(size_t(size), '\0');
    if (size > 0 && !file.read(&text[0], size)) {
        result.error = PrintableName(path) + ": cannot read the path file";
        return result;
    }
    return ParseCameraPath(text, path);
}

ViewLimits PreparedSourceLimits() {
    const ViewState& state = viewState;
    return ViewLimits{state.fovMin, state.fovMax, state.pitchMin, state.pitchMax};
}

CameraView ClampToLimits(CameraView view, const ViewLimits& limits) {
    if (view.fov < limits.fovMin) view.fov = limits.fovMin;
    if (view.fov > limits.fovMax) view.fov = limits.fovMax;
    view.pitch = ClampedPitch(view.pitch, HalfVerticalFov(view.fov), limits.pitchMin, limits.pitchMax);
    return view;
}

CameraPath CameraPath::Fixed(CameraView view, float turnRate) {
    CameraPath path;
    path.fixed_ = view;
    path.turnRate_ = turnRate;
    return path;
}

CameraPath CameraPath::Keyframes(std::vector<Keyframe> keyframes) {
    CameraPath path;
    path.keyframes_ = std::move(keyframes);
    path.limits_ = PreparedSourceLimits();
    return path;
}

CameraView CameraPath::Interpolate(double seconds) const {
    const std::vector<Keyframe>& keys = keyframes_;
    if (seconds <= keys.front().time) return keys.front().view;
    if (seconds >= keys.back().time) return keys.back().view;
    size_t next = 1;
    while (keys[next].time <= seconds) ++next;
    const Keyframe& a = keys[next - 1];
    const Keyframe& b = keys[next];
    const double u = (seconds - a.time) / (b.time - a.time);
    return CameraView{Lerp(a.view.yaw, b.view.yaw, u), Lerp(a.view.pitch, b.view.pitch, u),
                      Lerp(a.view.fov, b.view.fov, u)};
}

CameraView CameraPath::At(double seconds) const {
    if (keyframes_.empty()) {
        CameraView view = fixed_;
        if (turnRate_ != 0) view.yaw = float(double(fixed_.yaw) + double(turnRate_) * seconds);
        return view;
    }
    return ClampToLimits(Interpolate(seconds), limits_);
}

}  // namespace lx::tool
