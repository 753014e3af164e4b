#include "panel_harness.h"

#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <vector>

#include "shell/control_panel.h"

namespace lx::testing {

namespace {

const char* const kImageNames[] = {
    "power1", "exit1", "exit2", "load1", "load2", "pause1", "pause2", "play1",
    "sharpen1", "sharpen2", "sharpen3", "soften1", "soften2", "soften3",
    "sounds1", "sounds2", "sounds3", "left", "left1", "right", "right1", "up", "up1",
    "down", "down1", "stop", "stop1", "lup", "lup1", "rup", "rup1", "ldown", "ldown1",
    "rdown", "rdown1", "os1", "os2", "os3", "sound1", "sound2", "sharp1", "sharp2",
    "sharp3", "sharp4", "sharp5", "sharp6", "sharp7", "sharp8", "frez1", "frez2", "frez3",
};

Picture BitmapPicture(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap, sizeof(info), &info)) return {};
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = info.bmWidth;
    header.biHeight = -info.bmHeight;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    Picture picture{info.bmWidth, info.bmHeight, {}};
    picture.pixels.resize(size_t(info.bmWidth) * info.bmHeight * 4);
    const HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, UINT(info.bmHeight), picture.pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return picture;
}

std::vector<uint8_t> BitmapPixels(HBITMAP bitmap) { return BitmapPicture(bitmap).pixels; }

std::vector<uint8_t> ResourcePixels(const char* name) { return ResourcePicture(name).pixels; }

HBITMAP ShownBitmap(HWND control) {
    char className[32] = {};
    GetClassNameA(control, className, sizeof(className));
    const bool button = _stricmp(className, "Button") == 0;
    return HBITMAP(SendMessageA(control, button ? BM_GETIMAGE : STM_GETIMAGE, IMAGE_BITMAP, 0));
}

}  // namespace

HWND Item(int id) { return GetDlgItem(panelWindow, id); }

void Click(int id) {
    SendMessageA(panelWindow, WM_COMMAND, MAKEWPARAM(id, 0), LPARAM(Item(id)));
}

std::string TextOf(int id) {
    wchar_t text[256] = {};
    GetWindowTextW(Item(id), text, 256);
    std::string narrow;
    for (const wchar_t* c = text; *c; ++c) narrow += char(*c);
    return narrow;
}

bool ShowsBitmap(HWND control, const char* name) {
    const std::vector<uint8_t> shown = BitmapPixels(ShownBitmap(control));
    return !shown.empty() && shown == ResourcePixels(name);
}

std::string ShownImage(int id) {
    const std::vector<uint8_t> shown = BitmapPixels(ShownBitmap(Item(id)));
    if (shown.empty()) return "(none)";
    for (const char* name : kImageNames) {
        if (ResourcePixels(name) == shown) return name;
    }
    return "(unknown)";
}

Picture ShownPicture(HWND control) { return BitmapPicture(ShownBitmap(control)); }

Picture ResourcePicture(const char* name) {
    const HBITMAP bitmap = LoadBitmapA(appInstance, name);
    Picture picture = BitmapPicture(bitmap);
    DeleteObject(bitmap);
    return picture;
}

Picture OnScreen(HWND control) {
    // Windows reach the screen when their thread next waits for messages.
    PumpFor(100);
    RECT client{};
    GetClientRect(control, &client);
    POINT origin{0, 0};
    ClientToScreen(control, &origin);
    return CaptureScreen(origin.x, origin.y, client.right, client.bottom);
}

COLORREF PixelAt(const Picture& picture, int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) return CLR_INVALID;
    const uint8_t* p = &picture.pixels[(size_t(y) * picture.width + x) * 4];
    return RGB(p[2], p[1], p[0]);
}

}  // namespace lx::testing
