#include "shell/sounds.h"

#include <windows.h>
#include <mmsystem.h>

#include <string>

#include "shell/control_panel.h"
#include "shell/panel_indicators.h"

namespace lx {

WindowSoundHooks windowSoundHooks;

void PlayWaveResource(const char* name) {
    const std::string type = std::string("s") + name;
    const void* bytes = nullptr;
    if (const HRSRC resource = FindResourceA(appInstance, name, type.c_str())) {
        // Resources stay mapped for the life of the process, as playing
        // from memory without waiting needs.
        bytes = LockResource(LoadResource(appInstance, resource));
    }
    PlaySoundA(static_cast<const char*>(bytes), nullptr, SND_MEMORY | SND_ASYNC);
}

bool WindowSoundHooks::ReadDeviceLevel(uint32_t& level) {
    DWORD both = 0;
    if (waveOutGetVolume(HWAVEOUT(0), &both) != MMSYSERR_NOERROR) return false;
    level = both;
    return true;
}

void WindowSoundHooks::WriteDeviceLevel(uint32_t level) { waveOutSetVolume(HWAVEOUT(0), level); }

void WindowSoundHooks::ShowVolume(int32_t percent) { ShowVolumeIndicator(percent); }

void WindowSoundHooks::ShowSoundOn() {
    SetPanelImage(kSoundButtonId, "sounds3");
    SetPanelImage(kSoundIconId, "sound1");
}

void WindowSoundHooks::PlayWave(const char* name) { PlayWaveResource(name); }

}  // namespace lx
