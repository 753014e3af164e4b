#include "dialog_support.h"

#include "shell/control_panel.h"
#include "shell/sounds.h"

namespace lx::testing {

namespace {

class Recorder : public WindowSoundHooks {
public:
    void PlayWave(const char* name) override { played.push_back(name); }
    std::vector<std::string> played;
};
Recorder recorder;

}  // namespace

std::string WindowText(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

DrawnColors ColorsOf(HWND dialog, HWND control) {
    const HDC dc = CreateCompatibleDC(nullptr);
    SetBkMode(dc, OPAQUE);
    SetTextColor(dc, 0);
    SetBkColor(dc, 0xFFFFFF);
    SendMessageA(dialog, WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(control));
    DrawnColors colors{GetTextColor(dc), GetBkColor(dc), GetBkMode(dc) == TRANSPARENT};
    DeleteDC(dc);
    return colors;
}

RECT RectInParent(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RecordedSounds::RecordedSounds() {
    recorder.played.clear();
    SetSoundHooks(&recorder);
}

RecordedSounds::~RecordedSounds() { SetSoundHooks(&windowSoundHooks); }

std::vector<std::string> RecordedSounds::Played() const { return recorder.played; }

}  // namespace lx::testing
