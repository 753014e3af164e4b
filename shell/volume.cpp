#include "shell/volume.h"

#include <algorithm>
#include <cmath>

namespace lx {

int32_t volume = 0;
int32_t muted = 0;
int32_t savedVolume = 0;

namespace {

class NoSound : public SoundHooks {
public:
    bool ReadDeviceLevel(uint32_t&) override { return false; }
    void WriteDeviceLevel(uint32_t) override {}
    void ShowVolume(int32_t) override {}
    void ShowSoundOn() override {}
    void PlayWave(const char*) override {}
};

NoSound noSound;
SoundHooks* soundHooks = &noSound;

constexpr int32_t kMaxVolume = 99;
constexpr uint32_t kMaxChannelLevel = 65535;

}  // namespace

void SetSoundHooks(SoundHooks* hooks) { soundHooks = hooks ? hooks : &noSound; }

void PlayHookedWave(const char* name) { soundHooks->PlayWave(name); }

int32_t VolumeFromDeviceLevel(uint32_t level) {
    const uint32_t right = level >> 16;
    // 99 x right / 65535 never ends in exactly one half, so rounding half up
    // is rounding to nearest.
    const uint32_t rounded = (2 * kMaxVolume * right + kMaxChannelLevel) / (2 * kMaxChannelLevel);
    return std::min(int32_t(rounded), kMaxVolume);
}

uint32_t DeviceLevelFromVolume(int32_t percent) {
    const uint32_t channel = uint32_t(percent) * 65536u / 100u;
    return channel + channel * 65536u;
}

int32_t VolumeBarUnits(int32_t percent) {
    const float units = 0.35f * float(percent);
    return int32_t(std::nearbyint(units));
}

std::string VolumeText(int32_t percent) { return std::to_string(percent) + "%"; }

void ReadDeviceVolume() {
    uint32_t level = 0;
    volume = soundHooks->ReadDeviceLevel(level) ? VolumeFromDeviceLevel(level) : 0;
    soundHooks->ShowVolume(volume);
}

void ApplyVolume() {
    soundHooks->WriteDeviceLevel(DeviceLevelFromVolume(volume));
    soundHooks->ShowVolume(volume);
}

void ApplyMute() {
    if (muted == 1) {
        savedVolume = volume;
        volume = 0;
    } else {
        volume = savedVolume;
    }
    ApplyVolume();
}

void StepVolume(int32_t delta) {
    volume = std::clamp(volume + delta, 0, kMaxVolume);
    ApplyVolume();
    soundHooks->PlayWave("bwave");
    if (muted == 1) {
        muted = 0;
        soundHooks->ShowSoundOn();
    }
}

}  // namespace lx
