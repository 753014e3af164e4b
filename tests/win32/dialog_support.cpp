#include "dialog_support.h"

#include "shell/control_panel.h"
#include "shell/sounds.h"

namespace lx::testing {

namespace {

std::vector<uint8_t> BitmapPixels(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap, sizeof(info), &info)) return {};
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = info.bmWidth;
    header.biHeight = info.bmHeight;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    std::vector<uint8_t> pixels(size_t(info.bmWidth) * info.bmHeight * 4);
    const HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, UINT(info.bmHeight), pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return pixels;
}

class Recorder : public WindowSoundHooks {
public:
    void PlayWave(const char* name) override { played.push_back(name); }
    std::vector<std::string> played;
};
Recorder recorder;

}  // namespace

bool ShowsBitmap(HWND control, const char* name) {
    char className[32] = {};
    GetClassNameA(control, className, sizeof(className));
    const bool button = _stricmp(className, "Button") == 0;
    const auto shown =
        HBITMAP(SendMessageA(control, button ? BM_GETIMAGE : STM_GETIMAGE, IMAGE_BITMAP, 0));
    const HBITMAP wanted = LoadBitmapA(appInstance, name);
    const bool same = wanted && BitmapPixels(shown) == BitmapPixels(wanted);
    DeleteObject(wanted);
    return same;
}

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
