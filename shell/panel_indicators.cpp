#include "shell/panel_indicators.h"

#include <cstdio>
#include <vector>

#include "shell/control_panel.h"
#include "shell/volume.h"

namespace lx {

int32_t blinkPhase = 0;

namespace {

constexpr COLORREF kLcdInk = 0x9D8204;
constexpr COLORREF kLcdPaper = 0xAFC4B0;
constexpr COLORREF kPromptInk = 0x55783D;
constexpr COLORREF kFilePaper = 0xC4D8C3;
constexpr COLORREF kVolumeBarColor = 0x91A03D;

constexpr ControlColors kValueColors{kLcdInk, kLcdPaper, false};
constexpr ControlColors kTagColors{kLcdPaper, kLcdInk, false};

enum class Look { kTag, kValue, kFile };

struct Indicator {
    int id;
    const char* text;
    int x, y, width;
    DWORD align;
    Look look;
};

void CreateLabel(const Indicator& label) {
    CreatePanelControl(0, "STATIC", label.text, label.align, label.x, label.y, label.width, 8,
                       label.id);
    switch (label.look) {
    case Look::kTag: SetControlColors(label.id, kTagColors); break;
    case Look::kValue: SetControlColors(label.id, kValueColors); break;
    case Look::kFile: SetControlColors(label.id, {kLcdInk, kFilePaper, false}); break;
    }
}

void CreateIcon(int id, const char* image, int x) {
    CreatePanelControl(0, "STATIC", image, SS_BITMAP, x, 57, 0, 0, id);
}

std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), int(text.size()), wide.data(), length);
    return wide;
}

}  // namespace

void CreateClockAndPrompt() {
    CreatePanelControl(0, "STATIC", "", SS_CENTER, 9, 40, 30, 8, kClockId);
    SetControlColors(kClockId, kValueColors);
    CreatePanelControl(0, "STATIC", "", SS_CENTER, 9, 56, 149, 8, kPromptId);
    SetControlColors(kPromptId, {kPromptInk, kLcdPaper, false});
}

std::string ClockText(const SYSTEMTIME& time) {
    char text[16];
    std::snprintf(text, sizeof(text), "%02u:%02u:%02u", unsigned(time.wHour) % 100u,
                  unsigned(time.wMinute) % 100u, unsigned(time.wSecond) % 100u);
    return text;
}

void ClockTick() {
    blinkPhase ^= 15;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    SetIndicatorText(kClockId, ClockText(now));
    SetIndicatorText(kPromptId, blinkPhase == 0 ? "" : kPowerPrompt);
}

void DestroyClockAndPrompt() {
    const HWND panel = panelWindow;
    for (int id : {kClockId, kPromptId}) {
        if (const HWND label = GetDlgItem(panel, id)) DestroyWindow(label);
    }
}

void CreateIndicators() {
    const Indicator labels[] = {
        {4701, "mode", 8, 40, 19, SS_CENTER, Look::kTag},
        {kQualityTextId, "high", 28, 40, 20, SS_LEFT, Look::kValue},
        {4702, "effect", 8, 49, 19, SS_LEFT, Look::kTag},
        {kFilterTextId, "off", 28, 49, 20, SS_LEFT, Look::kValue},
        {4703, "file", 8, 58, 12, SS_CENTER, Look::kTag},
        {kFileTextId, "internal", 22, 58, 90, SS_LEFT, Look::kFile},
        {4704, "sound", 52, 40, 23, SS_CENTER, Look::kTag},
        {kVolumeTextId, "off", 77, 40, 18, SS_LEFT, Look::kValue},
    };
    for (const Indicator& label : labels) CreateLabel(label);

    CreatePanelControl(0, "STATIC", "", SS_BLACKFRAME, 52, 49, 40, 8, -1);
    CreatePanelControl(0, "STATIC", "", 0, 54, 51, 1, 4, kVolumeBarId);
    SetControlColors(kVolumeBarId, {GetSysColor(COLOR_WINDOWTEXT), kVolumeBarColor, false});

    const Indicator videoLabels[] = {
        {4501, "video", 98, 40, 21, SS_CENTER, Look::kTag},
        {4502, "length", 98, 49, 21, SS_CENTER, Look::kTag},
        {kSizeLabelId, "", 121, 40, 41, SS_LEFT, Look::kValue},
        {kLengthLabelId, "off", 121, 49, 41, SS_LEFT, Look::kValue},
    };
    for (const Indicator& label : videoLabels) CreateLabel(label);

    CreateIcon(kSoundIconId, "sound1", 145);
    CreateIcon(kFilterIconId, "sharp3", 134);
    CreateIcon(kFreezeIconId, "frez3", 111);
    CreateIcon(kEffectIconId, "sharp5", 123);
    KeepSkinBehindControls();
}

void SetIndicatorText(int id, const std::string& text) {
    const HWND control = GetDlgItem(panelWindow, id);
    if (control) SetWindowTextW(control, Widen(text).c_str());
}

void ShowVolumeIndicator(int32_t percent) {
    const HWND bar = GetDlgItem(panelWindow, kVolumeBarId);
    if (bar) {
        const RECT size = DialogUnitsToPixels(0, 0, VolumeBarUnits(percent), 4);
        SetWindowPos(bar, nullptr, 0, 0, size.right, size.bottom,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SetIndicatorText(kVolumeTextId, VolumeText(percent));
}

}  // namespace lx
