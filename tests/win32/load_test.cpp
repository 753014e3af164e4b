// Opening files with the panel's Load button under Wine: the "Load 360
// Video" dialog (driven from a second thread as a user would fill it in),
// switching between pictures and videos in one run, the fade to black, and
// loads that overtake one another.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "media/file_selection.h"
#include "media/media_graph.h"
#include "media/playback.h"
#include "media/source_path.h"
#include "media/still_picture.h"
#include "media/video_runner.h"
#include "render/display_win32.h"
#include "render/frames.h"
#include "render/pipeline.h"
#include "shell/control_panel.h"
#include "shell/panel_indicators.h"
#include "shell/pump.h"
#include "shell/viewer_window.h"
#include "panel_harness.h"
#include "video_harness.h"
#include "support/process_threads.h"
#include "viewer_harness.h"

namespace lx {
namespace {

using testing::Click;
using testing::Item;
using testing::MessageBoxWatcher;
using testing::PumpFor;
using testing::ShownFrameNumber;
using testing::ShownImage;
using testing::TextOf;
using testing::VideoPath;
using testing::WaitFor;

constexpr DWORD kDialogTimeoutMs = 15000;
constexpr DWORD kSourceTimeoutMs = 20000;
// The platform's idle pool threads end some seconds after their last work.
constexpr DWORD kThreadsSettleMs = 15000;
constexpr int32_t kThreadTolerance = 2;

// ------------------------------------------------------------ the dialog

struct DialogSeen {
    bool found = false;
    std::string title;
    std::vector<std::string> fileTypes;
    int selectedType = -1;
    std::string folder;
};

HWND FindLoadDialog() {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kDialogTimeoutMs) {
        const HWND dialog = FindWindowA("#32770", kLoadDialogTitle);
        if (dialog && IsWindowVisible(dialog)) return dialog;
        Sleep(20);
    }
    return nullptr;
}

DialogSeen ReadDialog(HWND dialog) {
    DialogSeen seen;
    seen.found = true;
    char text[1024] = {};
    GetWindowTextA(dialog, text, sizeof(text));
    seen.title = text;
    const HWND types = GetDlgItem(dialog, cmb1);
    const auto count = int(SendMessageA(types, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::memset(text, 0, sizeof(text));
        SendMessageA(types, CB_GETLBTEXT, WPARAM(i), LPARAM(text));
        seen.fileTypes.push_back(text);
    }
    seen.selectedType = int(SendMessageA(types, CB_GETCURSEL, 0, 0));
    std::memset(text, 0, sizeof(text));
    SendMessageA(dialog, CDM_GETFOLDERPATH, sizeof(text), LPARAM(text));
    seen.folder = text;
    return seen;
}

// Types the path into the file name box and presses Open; an empty path
// presses Cancel.
void Answer(HWND dialog, const std::string& path) {
    if (path.empty()) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDCANCEL)));
        return;
    }
    const HWND name = GetDlgItem(dialog, cmb13) ? GetDlgItem(dialog, cmb13) : GetDlgItem(dialog, edt1);
    SendMessageA(name, WM_SETTEXT, 0, LPARAM(path.c_str()));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDOK)));
}

// Presses Load and answers the dialog with the path (empty: Cancel).
DialogSeen LoadThroughDialog(const std::string& path) {
    DialogSeen seen;
    std::thread user([&] {
        const HWND dialog = FindLoadDialog();
        if (!dialog) return;
        seen = ReadDialog(dialog);
        Answer(dialog, path);
    });
    Click(kLoadButtonId);
    user.join();
    return seen;
}

std::string CurrentFolder() {
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof(folder), folder);
    return folder;
}

bool SameFolder(std::string a, std::string b) {
    for (std::string* s : {&a, &b}) {
        while (!s->empty() && s->back() == '\\') s->pop_back();
    }
    return _stricmp(a.c_str(), b.c_str()) == 0;
}

// --------------------------------------------------------- the pictures

// The colour of the source pixel at a share of the width and of the height
// from the top, under the render locks.
struct Rgb {
    int r, g, b;
};

Rgb SourcePixel(double across, double down) {
    AcquireBothOnWindowThread(stillRenderLock, videoRenderLock);
    Rgb rgb{-1, -1, -1};
    const SourceFrame& s = sourceFrame;
    if (s.pixels) {
        const auto x = int32_t(across * (s.width - 1));
        const auto top = int32_t(down * (s.height - 1));
        const uint8_t* p = s.pixels.get() + size_t(s.height - 1 - top) * s.rowBytes + 4 * size_t(x);
        rgb = {p[2], p[1], p[0]};
    }
    videoRenderLock.Release();
    stillRenderLock.Release();
    return rgb;
}

bool Near(Rgb a, Rgb b) {
    return std::abs(a.r - b.r) < 30 && std::abs(a.g - b.g) < 30 && std::abs(a.b - b.b) < 30;
}

bool SourceIsBlack() {
    AcquireBothOnWindowThread(stillRenderLock, videoRenderLock);
    const SourceFrame& s = sourceFrame;
    const size_t bytes = size_t(s.width) * s.height * 4 - 4;
    bool black = s.pixels != nullptr;
    for (size_t i = 0; black && i < bytes; ++i) black = s.pixels[i] == 0;
    videoRenderLock.Release();
    stillRenderLock.Release();
    return black;
}

enum class Look { kRedLeftBlueRight, kGreenTopYellowBottom, kNumberedFrames };

struct Source {
    const char* name;
    int32_t kind;
    int32_t width, height;
    const char* length;
    Look look;
};

bool ShowsItsLook(const Source& source) {
    switch (source.look) {
    case Look::kRedLeftBlueRight:
        return Near(SourcePixel(0.25, 0.5), {230, 30, 20}) && Near(SourcePixel(0.75, 0.5), {20, 30, 230});
    case Look::kGreenTopYellowBottom:
        return Near(SourcePixel(0.5, 0.25), {20, 220, 20}) && Near(SourcePixel(0.5, 0.75), {230, 220, 20});
    case Look::kNumberedFrames:
        return ShownFrameNumber() >= 0 && testing::SourceShowsUpright();
    }
    return false;
}

bool Showing(const Source& source) {
    if (sourceFrame.width != source.width || sourceFrame.height != source.height) return false;
    if (source.kind == 0 && stillRunnerState != 2) return false;
    if (source.kind == 1 && videoPlaying != 1) return false;
    return ShowsItsLook(source);
}

std::string Size(const Source& s) { return std::to_string(s.width) + "x" + std::to_string(s.height); }

int32_t SettledThreads(int32_t atMost) {
    WaitFor([&] { return testing::ThreadsOfThisProcess() <= atMost; }, kThreadsSettleMs);
    return testing::ThreadsOfThisProcess();
}

// The program's own threads: runners and the workers of their passes.
struct OwnThreads {
    int32_t stillRunners, stillWorkers, videoRunners, frameWorkers;
    bool operator==(const OwnThreads& o) const {
        return stillRunners == o.stillRunners && stillWorkers == o.stillWorkers &&
               videoRunners == o.videoRunners && frameWorkers == o.frameWorkers;
    }
    std::string Text() const {
        return "still runners " + std::to_string(stillRunners) + ", still workers " +
               std::to_string(stillWorkers) + ", video runners " + std::to_string(videoRunners) +
               ", frame workers " + std::to_string(frameWorkers);
    }
};

// Workers come and go with every pass; those of the running source's kind
// are not counted.
OwnThreads OwnThreadsOf(int32_t runningKind) {
    return {testing::ThreadsStartedAt(StillRunner),
            runningKind == 0 ? 0 : testing::ThreadsStartedAt(StillRenderWorker),
            testing::ThreadsStartedAt(VideoRunner),
            runningKind == 1 ? 0 : testing::ThreadsStartedAt(FrameWorker)};
}

OwnThreads ExpectedOwnThreads(int32_t kind) { return kind == 0 ? OwnThreads{1, 0, 0, 0} : OwnThreads{0, 0, 1, 0}; }

// ----------------------------------------------------------------- tests

TEST(SwitchingSources, EachSourceShowsItsOwnPictureAndNoThreadOutlivesItsSource) {
    ASSERT_EQ(sourceFrame.width, 3500) << "the run starts on the built-in panorama";
    MessageBoxWatcher boxes;
    const Source sequence[] = {
        {"Pano.JPG", 0, 1600, 800, "off", Look::kRedLeftBlueRight},
        {"h264_aac.mp4", 1, 256, 128, "00:00:04", Look::kNumberedFrames},
        {"second.mp4", 1, 320, 160, "00:00:04", Look::kNumberedFrames},
        {"Pano.JPG", 0, 1600, 800, "off", Look::kRedLeftBlueRight},
        {"vp8_vorbis.webm", 1, 256, 128, "00:00:04", Look::kNumberedFrames},
        {"second.jpg", 0, 1200, 600, "off", Look::kGreenTopYellowBottom},
    };
    int32_t stillThreads = -1;
    bool videoSeen = false;
    for (const Source& source : sequence) {
        SCOPED_TRACE(source.name);
        const DialogSeen seen = LoadThroughDialog(VideoPath(source.name));
        ASSERT_TRUE(seen.found);
        EXPECT_EQ(sourceKind, source.kind);
        EXPECT_EQ(sourcePath, VideoPath(source.name));
        ASSERT_TRUE(WaitFor([&] { return Showing(source); }, kSourceTimeoutMs))
            << sourceFrame.width << "x" << sourceFrame.height;
        EXPECT_EQ(TextOf(kFileTextId), FileTitleOf(source.name));
        EXPECT_EQ(TextOf(kQualityTextId), "high");
        EXPECT_TRUE(WaitFor([&] { return TextOf(kSizeLabelId) == Size(source); }, 2000)) << TextOf(kSizeLabelId);
        EXPECT_TRUE(WaitFor([&] { return TextOf(kLengthLabelId) == source.length; }, 2000))
            << TextOf(kLengthLabelId);
        if (source.kind == 0) {
            EXPECT_EQ(graphBusy, 0);
            EXPECT_EQ(mediaGraph.graph, nullptr) << "the video before left its graph";
            EXPECT_EQ(ShownImage(kPlayButtonId), "pause2");
        } else {
            EXPECT_EQ(stillRunnerState, 0) << "the picture before left its runner";
            EXPECT_TRUE(WaitFor([] { return ShownImage(kPlayButtonId) == "pause1"; }, 2000));
        }
        // Only the new source's own runner is left, and no worker of the
        // one before.
        EXPECT_TRUE(WaitFor([&] { return OwnThreadsOf(source.kind) == ExpectedOwnThreads(source.kind); }, 5000))
            << OwnThreadsOf(source.kind).Text();
        // Nor any thread of the platform that the source before started.
        // Pictures are compared from the first one after a video on: the
        // first video starts sound threads of the platform that stay.
        if (source.kind == 1) videoSeen = true;
        if (source.kind == 1 || !videoSeen) continue;
        if (stillThreads < 0) {
            PumpFor(1000);
            stillThreads = testing::ThreadsOfThisProcess();
        } else {
            EXPECT_LE(SettledThreads(stillThreads + kThreadTolerance), stillThreads + kThreadTolerance)
                << stillThreads << " threads the first time";
        }
    }
    EXPECT_TRUE(boxes.Seen().empty());
}

TEST(LoadDialog, OffersTheFileTypesInOrderAndOpensInTheCurrentFolderEveryTime) {
    const std::string before = CurrentFolder();
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof(temp), temp);
    ASSERT_TRUE(SetCurrentDirectoryA(temp));
    const std::string start = CurrentFolder();

    // A picture from another folder...
    const DialogSeen first = LoadThroughDialog(VideoPath("Pano.JPG"));
    ASSERT_TRUE(first.found);
    EXPECT_EQ(first.title, "Load 360 Video");
    ASSERT_EQ(first.fileTypes.size(), std::size(kFileTypes));
    for (size_t i = 0; i < std::size(kFileTypes); ++i) EXPECT_EQ(first.fileTypes[i], kFileTypes[i].description);
    EXPECT_EQ(first.fileTypes[10], "QT  video files (*.QT)");
    EXPECT_EQ(first.fileTypes[13], "Jpeg image      (*.jpg)");
    EXPECT_EQ(first.selectedType, 0);
    EXPECT_TRUE(SameFolder(first.folder, start)) << first.folder;
    EXPECT_TRUE(SameFolder(CurrentFolder(), start)) << "picking a file does not change the folder";
    ASSERT_TRUE(WaitFor([] { return stillRunnerState == 2 && sourceFrame.width == 1600; }, kSourceTimeoutMs));
    EXPECT_EQ(ShownImage(kFreezeIconId), "frez1");
    EXPECT_EQ(viewerSettings.quality, kHigh);

    // ...and the next dialog opens where the first one did.
    const DialogSeen second = LoadThroughDialog("");
    ASSERT_TRUE(second.found);
    EXPECT_TRUE(SameFolder(second.folder, start)) << second.folder;
    SetCurrentDirectoryA(before.c_str());
}

TEST(LoadDialog, CancelLeavesTheViewBlackTheBarsEmptyAndTheProgramWorking) {
    const DialogSeen seen = LoadThroughDialog(VideoPath("h264_aac.mp4"));
    ASSERT_TRUE(seen.found);
    ASSERT_TRUE(WaitFor([] { return videoPlaying == 1 && ShownFrameNumber() > 5; }, kSourceTimeoutMs));
    const std::string path = sourcePath;

    ASSERT_TRUE(LoadThroughDialog("").found);
    EXPECT_EQ(sourcePath, path);
    EXPECT_EQ(videoPlaying, 0) << "the video stopped";
    EXPECT_TRUE(WaitFor([] { return graphBusy == 0; }, kSourceTimeoutMs));
    EXPECT_TRUE(SourceIsBlack());
    EXPECT_EQ(ShownImage(kFreezeIconId), "frez1");
    EXPECT_EQ(ShownImage(kPlayButtonId), "play1");
    SCROLLINFO bar{};
    bar.cbSize = sizeof(bar);
    bar.fMask = SIF_ALL;
    GetScrollInfo(Item(kPositionBarId), SB_CTL, &bar);
    EXPECT_EQ(bar.nPos, bar.nMin) << "the position bar is empty";
    PBRANGE range{};
    SendMessageA(progressBar, PBM_GETRANGE, TRUE, LPARAM(&range));
    EXPECT_EQ(int32_t(SendMessageA(progressBar, PBM_GETPOS, 0, 0)), range.iLow) << "the progress bar is empty";

    // The program goes on: the next file plays.
    ASSERT_TRUE(LoadThroughDialog(VideoPath("second.mp4")).found);
    EXPECT_TRUE(WaitFor([] { return videoPlaying == 1 && sourceFrame.width == 320 && ShownFrameNumber() >= 0; },
                        kSourceTimeoutMs));
}

TEST(LoadDialog, AJpegUnderAnotherEndingGoesToTheVideoPathAndEndsInItsMessage) {
    MessageBoxWatcher boxes;
    ASSERT_TRUE(LoadThroughDialog(VideoPath("pano.jpeg")).found);
    EXPECT_EQ(sourceKind, 1);
    ASSERT_TRUE(WaitFor([&] { return !boxes.Seen().empty(); }, kSourceTimeoutMs));
    EXPECT_EQ(boxes.Seen()[0].caption, "Error");
    std::printf("pano.jpeg: \"%s\"\n", boxes.Seen()[0].text.c_str());
    EXPECT_TRUE(WaitFor([] { return graphBusy == 0; }, kSourceTimeoutMs));
    EXPECT_EQ(videoPlaying, 0);
    EXPECT_EQ(mediaGraph.graph, nullptr);
}

// A video in a folder whose path makes the whole path the given length.
// (Wine's file dialog itself fails on paths of MAX_PATH characters or more;
// the paths between the longest source path and that are what is tested.)
std::string LongVideoPath(size_t length) {
    const std::string folder = VideoPath("long path");
    const std::string name = "\\video.mp4";
    const std::string path = folder + "\\" + std::string(length - folder.size() - 1 - name.size(), 'n') + name;
    const std::wstring wideFolder(folder.begin(), folder.end());
    const std::wstring widePath(path.begin(), path.end());
    const std::string source = VideoPath("h264_aac.mp4");
    CreateDirectoryW(wideFolder.c_str(), nullptr);
    CreateDirectoryW(widePath.substr(0, widePath.rfind(L'\\')).c_str(), nullptr);
    CopyFileW(std::wstring(source.begin(), source.end()).c_str(), widePath.c_str(), FALSE);
    return path;
}

TEST(LoadDialog, APathLongerThanASourcePathIsRefusedNotCut) {
    const std::string path = LongVideoPath(MAX_PATH - 2);
    ASSERT_EQ(path.size(), size_t(MAX_PATH - 2));
    ASSERT_GT(path.size(), kMaxSourcePathChars);
    const std::wstring widePath(path.begin(), path.end());
    ASSERT_NE(GetFileAttributesW(widePath.c_str()), INVALID_FILE_ATTRIBUTES) << "the test video is there";
    const std::string pathBefore = sourcePath;
    const int32_t kindBefore = sourceKind;
    MessageBoxWatcher boxes;
    ASSERT_TRUE(LoadThroughDialog(path).found);
    ASSERT_TRUE(WaitFor([&] { return !boxes.Seen().empty(); }, 5000));
    EXPECT_EQ(boxes.Seen()[0].caption, "Error");
    EXPECT_EQ(boxes.Seen()[0].text, kPathTooLongMessage);
    EXPECT_EQ(sourcePath, pathBefore);
    EXPECT_EQ(sourceKind, kindBefore);
    PumpFor(1500);
    EXPECT_EQ(graphBusy, 0) << "nothing was opened";
    EXPECT_FALSE(OpenSource(path));
    EXPECT_EQ(sourcePath, pathBefore);
}

TEST(QuickLoads, TheSameVideoTwiceLeavesOneRunnerAndPlays) {
    ASSERT_TRUE(OpenSource(VideoPath("h264_aac.mp4")));
    ASSERT_TRUE(WaitFor([] { return videoPlaying == 1 && ShownFrameNumber() >= 0; }, kSourceTimeoutMs));

    const DWORD delays[] = {0, 300, 1200};
    for (DWORD delay : delays) {
        SCOPED_TRACE(delay);
        ASSERT_TRUE(OpenSource(VideoPath("second.mp4")));
        PumpFor(delay);
        ASSERT_TRUE(OpenSource(VideoPath("second.mp4")));
        ASSERT_TRUE(WaitFor([] { return videoPlaying == 1 && sourceFrame.width == 320 && ShownFrameNumber() >= 0; },
                            kSourceTimeoutMs))
            << "the second load plays";
        const int32_t first = ShownFrameNumber();
        EXPECT_TRUE(WaitFor([&] { return ShownFrameNumber() > first; }, 5000)) << "and goes on";
        EXPECT_TRUE(WaitFor([] { return OwnThreadsOf(1) == ExpectedOwnThreads(1); }, 5000))
            << OwnThreadsOf(1).Text();
    }
    EXPECT_TRUE(testing::EndVideo());
    EXPECT_EQ(mediaGraph.graph, nullptr);
}

// A picture chosen while a video still starts, at each stage of its start:
// building the graph, waiting for the first frame, taking over the source.
TEST(QuickLoads, APictureWhileAVideoStartsLeavesNoVideoBehind) {
    const DWORD delays[] = {0, 200, 800, 1500, 2200};
    for (DWORD delay : delays) {
        SCOPED_TRACE(delay);
        ASSERT_TRUE(OpenSource(VideoPath("h264_aac.mp4")));
        PumpFor(delay);
        ASSERT_TRUE(OpenSource(VideoPath("Pano.JPG")));
        ASSERT_TRUE(WaitFor([] { return stillRunnerState == 2 && sourceFrame.width == 1600; }, kSourceTimeoutMs));
        PumpFor(3000);  // longer than a video takes to start here
        EXPECT_EQ(sourceKind, 0);
        EXPECT_EQ(stillRunnerState, 2) << "the picture's runner goes on";
        EXPECT_EQ(sourceFrame.width, 1600) << "the picture stays";
        EXPECT_EQ(videoPlaying, 0);
        EXPECT_EQ(graphBusy, 0);
        EXPECT_EQ(mediaGraph.graph, nullptr);
        EXPECT_EQ(OwnThreadsOf(0), ExpectedOwnThreads(0)) << OwnThreadsOf(0).Text();
    }
}

// A pass that writes the frame just as the fade begins: the fade waits for
// it, so every step darkens what the pass left and the view ends black.
class LatePaint : public WindowPassHooks {
public:
    void PaintView() override {
        if (armed.exchange(false)) {
            inPaint = true;
            Sleep(150);
            std::memset(outputFrame.pixels.get(), 0xFF, size_t(outputFrame.byteCount));
        }
        WindowPassHooks::PaintView();
    }
    std::atomic<bool> armed{false};
    std::atomic<bool> inPaint{false};
};

TEST(Fade, WaitsForAPassInProgressAndEndsBlack) {
    ASSERT_TRUE(OpenSource(VideoPath("Pano.JPG")));
    ASSERT_TRUE(WaitFor([] { return stillRunnerState == 2 && sourceFrame.width == 1600; }, kSourceTimeoutMs));
    LatePaint hooks;
    SetPassHooks(&hooks);
    hooks.armed = true;
    SendMessageA(viewerWindow, WM_KEYDOWN, VK_RIGHT, 0);
    ASSERT_TRUE(WaitFor([&] { return hooks.inPaint.load(); }, 5000));
    FadeOutView();
    const uint8_t* bytes = outputFrame.pixels.get();
    const int32_t count = outputFrame.byteCount - 16;
    int32_t lit = 0;
    for (int32_t i = 0; i < count; ++i) lit += bytes[i] != 0;
    EXPECT_EQ(lit, 0) << "bytes left lit after the fade";
    EXPECT_TRUE(SourceIsBlack());
    EXPECT_EQ(fadeActive, 0);
    SetPassHooks(&windowPassHooks);
}

}  // namespace
}  // namespace lx
