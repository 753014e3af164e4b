// Where the reframing camera looks, second by second: a fixed view, a fixed
// view that turns at a steady rate, or keyframes read from a path file.
//
// A path file has one keyframe a line, "time_seconds,yaw,pitch,fov"; blank
// lines and lines starting with '#' are skipped, and times must grow
// strictly. Between keyframes every value moves linearly in time; before the
// first and after the last the end keyframe holds. Yaw is taken as written
// (170 then 190 turns 20 degrees right, never 340 left).
#pragma once

#include <string>
#include <vector>

namespace lx::tool {

struct CameraView {
    float yaw = 0;
    float pitch = 0;
    float fov = 0;
};

// The zoom range and pitch band of a prepared source, as the viewer's
// navigation keeps them.
struct ViewLimits {
    float fovMin = 0;
    float fovMax = 0;
    float pitchMin = 0;
    float pitchMax = 0;
};
ViewLimits PreparedSourceLimits();

struct Keyframe {
    double time = 0;
    CameraView view;
};

struct PathParse {
    bool ok = false;
    std::string error;  // one line naming the file and the line; empty when ok
    std::vector<Keyframe> keyframes;
};

// Parses the text of a path file; name is used in messages.
PathParse ParseCameraPath(const std::string& text, const std::string& name);
// Reads and parses a path file.
PathParse LoadCameraPath(const std::string& path);

class CameraPath {
public:
    // A view that stays, turning turnRate degrees of yaw a second.
    static CameraPath Fixed(CameraView view, float turnRate);
    // Keyframes as ParseCameraPath returns them: at least one, times growing.
    // Their pitch and fov are clamped to the limits of the source prepared
    // when the path is made.
    static CameraPath Keyframes(std::vector<Keyframe> keyframes);

    // The view at a time in seconds from the start of the output. Touches
    // no shared state, so any thread may ask.
    CameraView At(double seconds) const;

private:
    CameraView Interpolate(double seconds) const;

    std::vector<Keyframe> keyframes_;
    ViewLimits limits_;
    CameraView fixed_;
    float turnRate_ = 0;
};

// The fov clamped to the zoom range, and the pitch kept inside the band for
// that fov, as the viewer's navigation keeps them.
CameraView ClampToLimits(CameraView view, const ViewLimits& limits);

}  // namespace lx::tool
