// The volume of the wave-out device as the panel shows it: a percentage from
// 0 to 99, its conversions to and from the device's 16-bit channel levels,
// muting and the volume steps of the pad. No platform calls: the device, the
// display and the click sound come in through SoundHooks.
#pragma once

#include <cstdint>
#include <string>

namespace lx {

// The current volume in percent; 0 to 99.
extern int32_t volume;
// 1 after the Sound button switched the sound off.
extern int32_t muted;
// The volume as it was when muting.
extern int32_t savedVolume;

class SoundHooks {
public:
    virtual ~SoundHooks() = default;
    // Reads both channels (right in the high word); false when there is no
    // device to read.
    virtual bool ReadDeviceLevel(uint32_t& level) = 0;
    virtual void WriteDeviceLevel(uint32_t level) = 0;
    // The volume text and bar of the panel.
    virtual void ShowVolume(int32_t volume) = 0;
    // The Sound button and the sound icon back to "sound on".
    virtual void ShowSoundOn() = 0;
    virtual void PlayWave(const char* name) = 0;
};

void SetSoundHooks(SoundHooks* hooks);
// Plays a wave sound through the hooks.
void PlayHookedWave(const char* name);

// The right channel (high word) as a percentage, rounded to nearest.
int32_t VolumeFromDeviceLevel(uint32_t level);
// The same level on both channels.
uint32_t DeviceLevelFromVolume(int32_t volume);
// Width of the volume bar in dialog units: 0.35 x volume as a 32-bit float,
// rounded to nearest with ties to even.
int32_t VolumeBarUnits(int32_t volume);
// "99%", "5%", "0%".
std::string VolumeText(int32_t volume);

// Power-on: reads the device and shows the volume without writing it. With no
// device the volume is 0.
void ReadDeviceVolume();
// Writes the volume to the device and shows it.
void ApplyVolume();
// After the Sound button toggled muted: keeps or restores the volume.
void ApplyMute();
// The pad's volume buttons: a step of +5 or -5 inside 0 to 99, with a click;
// a step while muted unmutes at the stepped level.
void StepVolume(int32_t delta);

}  // namespace lx
