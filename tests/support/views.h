// Views for the kernel tests: yaw, pitch and fov as the viewer holds them,
// described in failure messages, and drawn at random over every turn.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace lx::testing {

struct View {
    float yaw, pitch, fov;
};

inline std::string Describe(const View& v) {
    return "yaw " + std::to_string(v.yaw) + " pitch " + std::to_string(v.pitch) + " fov " + std::to_string(v.fov);
}

inline std::vector<View> RandomViews(int count, uint32_t seed, float fovMin, float fovMax) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> yaw(-540, 540), pitch(-90, 90), fov(fovMin, fovMax);
    std::vector<View> views;
    for (int i = 0; i < count; ++i) views.push_back({yaw(random), pitch(random), fov(random)});
    return views;
}

}  // namespace lx::testing
