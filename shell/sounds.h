// The panel's wave sounds and the wave-out device's volume.
#pragma once

#include <cstdint>

#include "shell/volume.h"

namespace lx {

// Plays a wave sound of the program's resources ("owave", "bwave") without
// waiting; a new sound cuts off the one playing.
void PlayWaveResource(const char* name);

// The wave-out device, the panel's volume display and the sound images.
class WindowSoundHooks : public SoundHooks {
public:
    bool ReadDeviceLevel(uint32_t& level) override;
    void WriteDeviceLevel(uint32_t level) override;
    void ShowVolume(int32_t volume) override;
    void ShowSoundOn() override;
    void PlayWave(const char* name) override;
};

extern WindowSoundHooks windowSoundHooks;

}  // namespace lx
