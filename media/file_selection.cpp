#include "media/file_selection.h"

#include <cderr.h>
#include <commdlg.h>

#include "media/media_graph.h"
#include "media/playback.h"
#include "media/source_path.h"
#include "media/still_picture.h"
#include "media/video_runner.h"
#include "render/display_win32.h"
#include "render/frames.h"
#include "render/navigation.h"
#include "render/pipeline.h"
#include "shell/control_panel.h"
#include "shell/panel_indicators.h"
#include "shell/pump.h"
#include "shell/viewer_window.h"

namespace lx {

namespace {

constexpr int kFadeSteps = 64;
constexpr uint8_t kFadeAmount = 4;
constexpr DWORD kAfterFadeMs = 50;
// What a video runner that is asked to end gets before the next source.
constexpr DWORD kPreviousRunnerMs = 500;
// Room for paths far longer than a source path may be, so that a long one
// comes back whole and is refused instead of being cut.
constexpr DWORD kChosenPathChars = 4096;

void RepaintViewer() {
    if (const HWND viewer = viewerWindow) RedrawWindow(viewer, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void RepaintPanel(HWND panel) {
    RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

// The chosen path, empty on cancel; overlong is set when the dialog could not
// hand back the whole path.
std::string AskForFile(HWND owner, const std::string& startFolder, bool& overlong) {
    const std::string filter = FileTypeFilter();
    std::string chosen(kChosenPathChars, '\0');
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = chosen.data();
    dialog.nMaxFile = kChosenPathChars;
    dialog.lpstrInitialDir = startFolder.c_str();
    dialog.lpstrTitle = kLoadDialogTitle;
    dialog.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_NODEREFERENCELINKS |
                   OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    const bool picked = GetOpenFileNameA(&dialog) != 0;
    overlong = !picked && CommDlgExtendedError() == FNERR_BUFFERTOOSMALL;
    return picked ? std::string(chosen.c_str()) : std::string();
}

}  // namespace

void ChooseSourceFile(HWND owner, const std::string& startFolder) {
    StopMotion();
    bool overlong = false;
    const std::string chosen = TrimSpaces(AskForFile(owner, startFolder, overlong));
    RepaintPanel(owner);
    FadeOutView();
    PumpOrSleep(kAfterFadeMs);
    // A path cut to fit would name another file: refused, not cut.
    if (overlong || SourcePathTooLong(chosen)) {
        MessageBoxA(owner, kPathTooLongMessage, kErrorCaption, MB_ICONHAND);
        return;
    }
    if (chosen.empty()) return;
    SetPanelImage(kFreezeIconId, "frez3");
    viewerSettings.quality = kHigh;
    SetIndicatorText(kQualityTextId, "high");
    SetIndicatorText(kFileTextId, FileTitleOf(chosen));
    OpenSource(chosen);
}

void FadeOutView() {
    fadeActive = 1;
    RepaintViewer();
    // A pass that started before the flag was set may still be writing the
    // frames: the fade waits for it and keeps every pass out until it is done.
    AcquireBothOnWindowThread(stillRenderLock, videoRenderLock);
    for (int step = 0; step < kFadeSteps; ++step) {
        DarkenOutputFrame(kFadeAmount);
        PaintOutputFrame();
        RepaintViewer();
    }
    ClearSourcePixels();
    ForgetRenderedFrame();
    videoRenderLock.Release();
    stillRenderLock.Release();
    RepaintViewer();
    fadeActive = 0;
}

bool OpenSource(const std::string& path) {
    const std::string trimmed = TrimSpaces(path);
    if (trimmed.empty() || SourcePathTooLong(trimmed)) return false;
    EndVideoPlayback();
    WaitAnsweringSentMessages([] { return false; }, kPreviousRunnerMs);
    StopStillRunner();
    // Written once no runner that read the previous path is left starting.
    sourcePath = trimmed;
    const bool still = IsStillPicturePath(trimmed);
    sourceKind = still ? 0 : 1;
    // A still picture takes over the source frame at once: a video runner
    // still finishing must be gone first. A new video runner waits for it
    // itself.
    if (still) WaitAnsweringSentMessages([] { return graphBusy == 0; }, kVideoRunnerEndTimeoutMs);
    if (const HWND viewer = viewerWindow) SendMessageA(viewer, kOpenSourceMessage, 0, 0);
    return true;
}

}  // namespace lx
