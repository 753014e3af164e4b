#include "viewer_harness.h"

#include <commctrl.h>
#include <dlgs.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "media/still_picture.h"
#include "render/frames.h"
#include "shell/control_panel.h"
#include "shell/panel_indicators.h"
#include "shell/pump.h"
#include "shell/viewer_window.h"

namespace lx::testing {

CountingPassHooks countingHooks;
Startup startup;

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return condition();
        PumpOrSleep(1);
    }
    return true;
}

void PumpFor(DWORD milliseconds) {
    WaitFor([] { return false; }, milliseconds);
}

HWND CreateStandInPanel() {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    const HWND panel = CreateWindowExA(0, "STATIC", "stand-in panel", WS_POPUP, 900, 700, 300, 200,
                                       nullptr, nullptr, instance, nullptr);
    CreateWindowExA(0, "SCROLLBAR", "", WS_CHILD | WS_VISIBLE | SBS_HORZ, 4, 4, 200, 12, panel,
                    HMENU(intptr_t(kPositionBarId)), instance, nullptr);
    CreateWindowExA(0, TRACKBAR_CLASSA, "", WS_CHILD | WS_VISIBLE | TBS_VERT, 4, 20, 20, 80, panel,
                    HMENU(intptr_t(kSpeedSliderId)), instance, nullptr);
    SendDlgItemMessageA(panel, kSpeedSliderId, TBM_SETRANGE, FALSE, MAKELPARAM(1, 100));
    SCROLLINFO range{sizeof(SCROLLINFO), SIF_RANGE, 1, 1000, 0, 0, 0};
    SendDlgItemMessageA(panel, kPositionBarId, SBM_SETSCROLLINFO, TRUE, LPARAM(&range));
    for (int id : {kSizeLabelId, kLengthLabelId}) {
        CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 40, 20 + 20 * (id - kSizeLabelId),
                        120, 16, panel, HMENU(intptr_t(id)), instance, nullptr);
    }
    return panel;
}

MessageBoxWatcher::MessageBoxWatcher() : thread_([this] { Run(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
    stop_ = true;
    thread_.join();
}

std::vector<SeenBox> MessageBoxWatcher::Seen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

void MessageBoxWatcher::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    seen_.clear();
}

namespace {

BOOL CALLBACK CollectDialog(HWND window, LPARAM found) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[16] = {};
    GetClassNameA(window, className, sizeof(className));
    // A message box is a dialog with an OK or a Cancel button; the control
    // panel is a dialog too, but has neither.
    const bool hasAnswer = GetDlgItem(window, IDOK) || GetDlgItem(window, IDCANCEL);
    // The file dialog has both buttons too, and its list of file types; its
    // tests answer it themselves.
    const bool fileDialog = GetDlgItem(window, cmb1) != nullptr;
    if (process == GetCurrentProcessId() && std::strcmp(className, "#32770") == 0 &&
        IsWindowVisible(window) && hasAnswer && !fileDialog) {
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    }
    return TRUE;
}

}  // namespace

void MessageBoxWatcher::Run() {
    std::vector<HWND> answered;
    while (!stop_) {
        std::vector<HWND> boxes;
        EnumWindows(CollectDialog, LPARAM(&boxes));
        for (HWND box : boxes) {
            bool known = false;
            for (HWND a : answered) known = known || a == box;
            if (known && IsWindow(box)) continue;
            char caption[256] = {};
            char text[512] = {};
            GetWindowTextA(box, caption, sizeof(caption));
            GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
            {
                std::lock_guard<std::mutex> lock(mutex_);
                seen_.push_back({caption, text});
            }
            answered.push_back(box);
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer_.load(), BN_CLICKED), 0);
        }
        Sleep(20);
    }
}

void CountingPassHooks::PaintView() {
    if (extraMilliseconds) Sleep(extraMilliseconds);
    ++paints;
    WindowPassHooks::PaintView();
}

namespace {

// A top-down 32-bit DIB selected into a memory DC.
struct DibCanvas {
    DibCanvas(int32_t width, int32_t height) {
        BITMAPINFOHEADER header{};
        header.biSize = sizeof(header);
        header.biWidth = width;
        header.biHeight = -height;
        header.biPlanes = 1;
        header.biBitCount = 32;
        header.biCompression = BI_RGB;
        const HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                  &bits, nullptr, 0);
        ReleaseDC(nullptr, screen);
        previous = SelectObject(dc, bitmap);
        picture.width = width;
        picture.height = height;
    }
    ~DibCanvas() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    Picture Take() {
        GdiFlush();
        const auto* p = static_cast<const uint8_t*>(bits);
        picture.pixels.assign(p, p + size_t(picture.width) * picture.height * 4);
        return picture;
    }
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    void* bits = nullptr;
    Picture picture;
};

}  // namespace

Picture CaptureScreen(int32_t x, int32_t y, int32_t width, int32_t height) {
    DibCanvas canvas(width, height);
    const HDC screen = GetDC(nullptr);
    BitBlt(canvas.dc, 0, 0, width, height, screen, x, y, SRCCOPY);
    ReleaseDC(nullptr, screen);
    return canvas.Take();
}

Picture StretchedOutputFrame(int32_t width, int32_t height) {
    DibCanvas canvas(width, height);
    SetStretchBltMode(canvas.dc, COLORONCOLOR);
    const auto* header = reinterpret_cast<const BITMAPINFO*>(&outputFrame.header);
    // Rows of the frame count from its bottom here: the painted area, which
    // leaves out 2 rows at the top and 6 at the bottom, starts at row 6.
    StretchDIBits(canvas.dc, 0, 0, width, height, 1, 6, outputFrame.width - 4,
                  outputFrame.height - 8, outputFrame.pixels.get(), header, DIB_RGB_COLORS,
                  SRCCOPY);
    return canvas.Take();
}

double MeanAbsoluteDifference(const Picture& a, const Picture& b, int32_t columns) {
    if (a.width != b.width || a.height != b.height || a.pixels.empty()) return 1e9;
    columns = std::min(columns, a.width);
    double sum = 0;
    size_t count = 0;
    for (int32_t y = 0; y < a.height; ++y) {
        for (int32_t i = 0; i < 4 * columns; ++i) {
            if (i % 4 == 3) continue;
            const size_t at = size_t(y) * a.width * 4 + i;
            sum += std::abs(int(a.pixels[at]) - int(b.pixels[at]));
            ++count;
        }
    }
    return sum / double(count);
}

int32_t PixelsDifferingBy(const Picture& a, const Picture& b, int32_t columns, int threshold) {
    if (a.width != b.width || a.height != b.height) return a.width * a.height + 1;
    columns = std::min(columns, a.width);
    int32_t count = 0;
    for (int32_t y = 0; y < a.height; ++y) {
        for (int32_t x = 0; x < columns; ++x) {
            const size_t at = (size_t(y) * a.width + x) * 4;
            bool differs = false;
            for (int c = 0; c < 3; ++c) {
                differs = differs || std::abs(int(a.pixels[at + c]) - int(b.pixels[at + c])) > threshold;
            }
            count += differs;
        }
    }
    return count;
}

void OpenStill(const std::string& path) {
    StopStillRunner();
    sourcePath = path;
    sourceKind = 0;
    SendMessageA(viewerWindow, kOpenSourceMessage, 0, 0);
}

std::vector<uint8_t> BuiltInPanoramaBytes() {
    const HRSRC resource = FindResourceA(nullptr, "lx360s", "vjpg");
    if (!resource) return {};
    const DWORD size = SizeofResource(nullptr, resource);
    const auto* data = static_cast<const uint8_t*>(LockResource(LoadResource(nullptr, resource)));
    return std::vector<uint8_t>(data, data + size);
}

std::string WriteTempFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    char directory[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, directory);
    const std::string path = std::string(directory) + "lx360_" + name;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

}  // namespace lx::testing
