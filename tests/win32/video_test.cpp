// Videos under Wine: the graph the video runner builds, the frames it
// delivers (each test video shows its own frame number), playback control
// from the panel, the loop at the end, and files that are not videos.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "media/media_graph.h"
#include "media/playback.h"
#include "media/still_picture.h"
#include "media/video_runner.h"
#include "render/frames.h"
#include "render/pipeline.h"
#include "shell/control_panel.h"
#include "shell/panel_indicators.h"
#include "shell/pump.h"
#include "shell/viewer_window.h"
#include "support/frame_number.h"
#include "video_harness.h"
#include "viewer_harness.h"

namespace lx {
namespace {

using testing::EndVideo;
using testing::MessageBoxWatcher;
using testing::OpenVideo;
using testing::PumpFor;
using testing::ShownFrameNumber;
using testing::VideoPath;
using testing::WaitFor;
using testing::WaitUntilPlaying;

constexpr DWORD kFrameTimeoutMs = 10000;
// The platform's idle pool threads end some seconds after their last work;
// our own threads end at once.
constexpr DWORD kThreadsSettleMs = 15000;

std::string LabelText(int id) {
    char text[64] = {};
    GetDlgItemTextA(panelWindow, id, text, sizeof(text));
    return text;
}

int32_t PositionBar() { return int32_t(SendDlgItemMessageA(panelWindow, kPositionBarId, SBM_GETPOS, 0, 0)); }
int32_t ProgressBar() { return int32_t(SendMessageA(progressBar, PBM_GETPOS, 0, 0)); }

bool GraphIsEmpty() {
    const MediaGraph& g = mediaGraph;
    return !g.graph && !g.grabberFilter && !g.grabber && !g.nullRenderer && !g.sourceFilter &&
           !g.outPin && !g.inPin && !g.mediaControl && !g.videoWindow && !g.mediaSeeking &&
           !g.mediaEvent && !g.mediaType.pbFormat && g.duration == 0;
}

size_t PrivateBytes() {
    // Wine reports the committed bytes as the page-file usage.
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return counters.PagefileUsage;
}

// Waits until the source frame shows a number other than the one given.
int32_t NextNumberAfter(int32_t number, DWORD timeoutMs = kFrameTimeoutMs) {
    int32_t seen = -1;
    WaitFor(
        [&] {
            seen = ShownFrameNumber();
            return seen >= 0 && seen != number;
        },
        timeoutMs);
    return seen;
}

// The numbers the source frame shows over a time, one per change.
std::vector<int32_t> NumbersOver(DWORD milliseconds) {
    std::vector<int32_t> numbers;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        const int32_t n = ShownFrameNumber();
        if (n >= 0 && (numbers.empty() || numbers.back() != n)) numbers.push_back(n);
        PumpFor(5);
    }
    return numbers;
}

// The mean difference, per colour byte, between the source frame and the
// picture the test video draws for that frame number.
double MeanDifferenceFromDrawnFrame(int32_t number) {
    AcquireOnWindowThread(videoRenderLock);
    const int32_t w = sourceFrame.width;
    const int32_t h = sourceFrame.height;
    double sum = 0;
    for (int32_t top = 0; top < h; ++top) {
        const uint8_t* row = sourceFrame.pixels.get() + size_t(h - 1 - top) * w * 4;
        const bool band = top >= 0.4 * h && top < 0.6 * h;
        for (int32_t x = 0; x < w; ++x) {
            const int bit = (number >> (x * 16 / w)) & 1;
            const int drawn = band ? 255 * bit : int(224 - 192.0 * top / h);
            for (int c = 0; c < 3; ++c) sum += std::abs(int(row[x * 4 + c]) - drawn);
        }
    }
    videoRenderLock.Release();
    return sum / (3.0 * w * h);
}

class Videos : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(testing::VideoFolder().empty()) << "the folder of test videos is the first argument";
        ASSERT_TRUE(EndVideo());
        threadsBefore = testing::ThreadsOfThisProcess();
    }
    void TearDown() override {
        EXPECT_TRUE(EndVideo());
        EXPECT_TRUE(GraphIsEmpty());
        frozen = 0;
        seeking = 0;
    }
    void OpenAndWait(const std::string& name) {
        OpenVideo(VideoPath(name));
        ASSERT_TRUE(WaitUntilPlaying()) << name;
        ASSERT_GE(NextNumberAfter(-1), 0) << name << ": no numbered frame";
    }
    MessageBoxWatcher boxes;
    int32_t threadsBefore = 0;
};

struct PlayedVideo {
    const char* name;
    int32_t totalFrames;
};

class EachVideo : public Videos, public ::testing::WithParamInterface<PlayedVideo> {};

TEST_P(EachVideo, FramesArriveInOrderUprightAndLoop) {
    const PlayedVideo& video = GetParam();
    sourceKind = 1;
    OpenAndWait(video.name);
    EXPECT_EQ(sourceFrame.width, 256);
    EXPECT_EQ(sourceFrame.height, 128);
    EXPECT_EQ(LabelText(kSizeLabelId), "256x128");
    EXPECT_EQ(LabelText(kLengthLabelId), "00:00:04");
    EXPECT_EQ(totalFrames, video.totalFrames);
    EXPECT_EQ(frameTime, 400001);
    EXPECT_EQ(viewState.dragging, 1) << "the video starts turning";
    EXPECT_TRUE(testing::SourceShowsUpright());
    const int32_t number = ShownFrameNumber();
    const double difference = MeanDifferenceFromDrawnFrame(number);
    std::printf("%s: mean difference from the drawn frame %d: %.2f\n", video.name, number, difference);
    EXPECT_LT(difference, 6.0);

    // Over more than one pass through the video: the numbers rise, fall back
    // to the start once, and rise again.
    const std::vector<int32_t> numbers = NumbersOver(6000);
    ASSERT_GE(numbers.size(), 20u);
    int drops = 0;
    for (size_t i = 1; i < numbers.size(); ++i) {
        if (numbers[i] < numbers[i - 1]) {
            ++drops;
            EXPECT_GE(numbers[i - 1], 85) << "a jump back before the end";
            EXPECT_LE(numbers[i], 15) << "the loop starts again near frame 0";
        }
        EXPECT_LT(numbers[i], 100);
    }
    EXPECT_EQ(drops, 1);
    EXPECT_TRUE(boxes.Seen().empty()) << "the loop shows no message";

    // Both bars follow the frame the graph is at.
    int32_t frame = 0;
    ASSERT_TRUE(WaitFor(
        [&] {
            frame = currentFrame;
            return PositionBar() == frame && ProgressBar() == frame && frame > 0;
        },
        2000));
    EXPECT_LE(std::abs(frame - ShownFrameNumber()), 12) << "the picture is close to the position";
}

INSTANTIATE_TEST_SUITE_P(Containers, EachVideo,
                         ::testing::Values(PlayedVideo{"mjpeg_pcm.avi", 99},
                                           PlayedVideo{"h264_aac.mp4", 99},
                                           PlayedVideo{"vp8_vorbis.webm", 100}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

TEST_F(Videos, LosslessFramesEqualTheDecodersBytes) {
    std::ifstream file(testing::VideoFolder() + "lossless_frames.bgra", std::ios::binary);
    const std::vector<uint8_t> decoded((std::istreambuf_iterator<char>(file)), {});
    constexpr int32_t kWidth = 64;
    constexpr int32_t kHeight = 32;
    constexpr size_t kFrameBytes = size_t(kWidth) * kHeight * 4;
    ASSERT_EQ(decoded.size(), 20 * kFrameBytes);

    OpenAndWait("lossless.avi");
    ASSERT_EQ(sourceFrame.width, kWidth);
    ASSERT_EQ(sourceFrame.height, kHeight);
    int compared = 0;
    for (int32_t number = -1; compared < 5;) {
        number = NextNumberAfter(number);
        ASSERT_GE(number, 0);
        ASSERT_LT(number, 20);
        AcquireOnWindowThread(videoRenderLock);
        const int32_t shown = testing::ReadFrameNumber(sourceFrame.pixels.get(), kWidth, kHeight);
        int differing = 0;
        for (int32_t top = 0; top < kHeight; ++top) {
            const uint8_t* ours = sourceFrame.pixels.get() + size_t(kHeight - 1 - top) * kWidth * 4;
            const uint8_t* theirs = decoded.data() + size_t(shown) * kFrameBytes + size_t(top) * kWidth * 4;
            for (int32_t i = 0; i < kWidth * 4; ++i) {
                if (i % 4 != 3 && ours[i] != theirs[i]) ++differing;
            }
        }
        videoRenderLock.Release();
        EXPECT_EQ(differing, 0) << "frame " << shown;
        number = shown;
        ++compared;
    }
}

TEST_F(Videos, EveryFileTypeOfTheFileDialogPlays) {
    for (const char* name : {"mjpeg_pcm.avi", "video.mpg", "video.mpeg", "video.mov", "video.flv",
                             "h264_aac.mp4", "video.f4v", "video.wmv", "video.mkv", "video.qt",
                             "vp8_vorbis.webm", "video.ogg", "video.ogv"}) {
        OpenVideo(VideoPath(name));
        EXPECT_TRUE(WaitUntilPlaying()) << name;
        const int32_t first = NextNumberAfter(-1);
        const int32_t next = NextNumberAfter(first);
        std::printf("%-16s %dx%d, frames %d then %d\n", name, sourceFrame.width, sourceFrame.height,
                    first, next);
        EXPECT_GE(first, 0) << name;
        EXPECT_GT(next, first) << name;
        EXPECT_TRUE(boxes.Seen().empty()) << name;
        ASSERT_TRUE(EndVideo()) << name;
        EXPECT_TRUE(GraphIsEmpty()) << name;
    }
}

TEST_F(Videos, PauseHoldsTheFrameAndResumeRunsOnFromThere) {
    sourceKind = 1;
    OpenAndWait("h264_aac.mp4");
    ASSERT_TRUE(WaitFor([] { return ShownFrameNumber() >= 10 && ShownFrameNumber() < 40; }, kFrameTimeoutMs));

    PauseOrResume();
    EXPECT_EQ(frozen, 1);
    PumpFor(300);
    const int32_t held = ShownFrameNumber();
    const float yaw = viewState.yaw;
    const int32_t paints = testing::countingHooks.paints;
    PumpFor(1500);
    EXPECT_EQ(ShownFrameNumber(), held) << "the paused picture stands still";
    EXPECT_NE(viewState.yaw, yaw) << "the view still turns over it";
    EXPECT_GT(testing::countingHooks.paints, paints);

    PauseOrResume();
    EXPECT_EQ(frozen, 0);
    const int32_t next = NextNumberAfter(held);
    EXPECT_GT(next, held) << "resume runs on, it does not start again";
    EXPECT_LE(next, held + 15);
    EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(Videos, TheThumbFreezesThePictureAndLettingGoShowsTheChosenFrame) {
    sourceKind = 1;
    OpenAndWait("h264_aac.mp4");
    for (int32_t target : {70, 20, 55}) {
        const int32_t before = ShownFrameNumber();
        TrackSeek(target);
        EXPECT_EQ(frozen, 1);
        EXPECT_EQ(PositionBar(), target);
        EXPECT_EQ(ProgressBar(), target);
        PumpFor(600);
        EXPECT_LE(std::abs(ShownFrameNumber() - before), 1) << "the picture stands still while dragging";
        EXPECT_EQ(currentFrame, target) << "the graph waits at the chosen frame";
        EndSeeking();
        EXPECT_EQ(frozen, 0);
        EXPECT_EQ(seeking, 0);
        // The first new frames come from where the thumb was let go.
        const std::vector<int32_t> numbers = NumbersOver(400);
        ASSERT_FALSE(numbers.empty());
        const int32_t shown = numbers.back();
        EXPECT_GE(shown, target - 2) << "seek to " << target;
        EXPECT_LE(shown, target + 15) << "seek to " << target;
    }
    EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(Videos, ManyLoopsSeeksAndPausesKeepEverythingWorking) {
    sourceKind = 1;
    const size_t memoryBefore = PrivateBytes();
    OpenAndWait("h264_aac.mp4");
    const int32_t threadsPlaying = testing::ThreadsOfThisProcess();
    const size_t memoryPlaying = PrivateBytes();
    int32_t mostThreads = threadsPlaying;
    // 20 s of playing: five loops, with a burst of seeks and a pause now and
    // then, the way a restless user plays.
    for (int second = 0; second < 20; ++second) {
        if (second % 5 == 2) {
            for (int32_t target : {90, 30, 97}) TrackSeek(target);
            EndSeeking();
        }
        if (second % 7 == 4) {
            PauseOrResume();
            PumpFor(300);
            PauseOrResume();
        }
        PumpFor(1000);
        mostThreads = std::max(mostThreads, testing::ThreadsOfThisProcess());
    }
    const int32_t number = NextNumberAfter(ShownFrameNumber());
    EXPECT_GE(number, 0) << "still playing";
    const size_t memoryAfter = PrivateBytes();
    std::printf("threads: before %d, playing %d, at most %d; private bytes: before %zu KB, playing %zu KB, after 20 s %zu KB\n",
                threadsBefore, threadsPlaying, mostThreads, memoryBefore / 1024, memoryPlaying / 1024,
                memoryAfter / 1024);
    EXPECT_LE(mostThreads, threadsPlaying + 3);
    EXPECT_LT(memoryAfter, memoryPlaying + 8 * 1024 * 1024);
    EXPECT_TRUE(boxes.Seen().empty());
    const DWORD start = GetTickCount();
    ASSERT_TRUE(EndVideo());
    std::printf("playback ended in %lu ms\n", GetTickCount() - start);
    EXPECT_TRUE(WaitFor([&] { return testing::ThreadsOfThisProcess() <= threadsBefore + 1; }, kThreadsSettleMs));
}

// What the graph's filters are: names, and renderers of video (no output,
// a connected video input).
struct FilterCensus {
    std::vector<std::string> names;
    int videoRenderers = 0;
};

FilterCensus TakeFilterCensus() {
    FilterCensus census;
    IEnumFilters* filters = nullptr;
    if (!mediaGraph.graph || FAILED(mediaGraph.graph->EnumFilters(&filters))) return census;
    IBaseFilter* filter = nullptr;
    while (filters->Next(1, &filter, nullptr) == S_OK) {
        FILTER_INFO info{};
        filter->QueryFilterInfo(&info);
        if (info.pGraph) info.pGraph->Release();
        char name[128] = {};
        WideCharToMultiByte(CP_ACP, 0, info.achName, -1, name, sizeof(name), nullptr, nullptr);
        census.names.push_back(name);
        IPin* output = nullptr;
        IPin* input = nullptr;
        const bool hasOutput = FindPin(filter, PINDIR_OUTPUT, &output) == S_OK;
        if (output) output->Release();
        if (!hasOutput && FindPin(filter, PINDIR_INPUT, &input) == S_OK) {
            AM_MEDIA_TYPE type{};
            if (input->ConnectionMediaType(&type) == S_OK) {
                census.videoRenderers += type.majortype == MEDIATYPE_Video ? 1 : 0;
                if (type.pbFormat) CoTaskMemFree(type.pbFormat);
                if (type.pUnk) type.pUnk->Release();
            }
            input->Release();
        }
        filter->Release();
    }
    filters->Release();
    return census;
}

TEST_F(Videos, OnlyTheGrabbersChainDecodesThePicture) {
    OpenAndWait("h264_aac.mp4");
    const FilterCensus census = TakeFilterCensus();
    std::string names;
    for (const std::string& name : census.names) names += "[" + name + "] ";
    std::printf("filters: %s\n", names.c_str());
    EXPECT_EQ(census.videoRenderers, 1) << "only the Null Renderer takes video: " << names;
}

// The second video waits for the first to let go of the graph, and plays.
TEST_F(Videos, ASecondVideoWhileTheFirstCleansUpWaitsForItAndPlays) {
    OpenAndWait("h264_aac.mp4");
    EndVideoPlayback();
    OpenVideo(VideoPath("vp8_vorbis.webm"));
    ASSERT_TRUE(WaitUntilPlaying());
    EXPECT_GE(NextNumberAfter(-1), 0);
    EXPECT_EQ(testing::ThreadsStartedAt(VideoRunner), 1) << "one runner";
    EXPECT_TRUE(boxes.Seen().empty());
}

// A file cut off in the middle: the decoder stops where the data ends.
TEST_F(Videos, ATruncatedMp4PlaysWhatItHasAndLoops) {
    OpenAndWait("truncated.mp4");
    const std::vector<int32_t> numbers = NumbersOver(8000);
    ASSERT_FALSE(numbers.empty());
    const int32_t last = *std::max_element(numbers.begin(), numbers.end());
    std::printf("truncated.mp4: %zu numbers, up to frame %d, total frames %d\n", numbers.size(), last,
                int(totalFrames));
    EXPECT_GT(last, 10);
    int drops = 0;
    for (size_t i = 1; i < numbers.size(); ++i) drops += numbers[i] < numbers[i - 1] ? 1 : 0;
    EXPECT_GE(drops, 1) << "it starts again once the frames it has are shown";
    EXPECT_EQ(videoPlaying, 1) << "the program goes on";
    EXPECT_TRUE(boxes.Seen().empty());
}

struct BadFile {
    const char* name;
    const char* message;
};

class EachBadFile : public Videos, public ::testing::WithParamInterface<BadFile> {};

TEST_P(EachBadFile, GivesItsMessageAndLeavesThePictureAndNoGraph) {
    const BadFile& bad = GetParam();
    testing::OpenStill(testing::WriteTempFile("video_test_pano.jpg", testing::BuiltInPanoramaBytes()));
    ASSERT_TRUE(WaitFor([] { return stillRunnerState == 2; }, 20000));
    threadsBefore = testing::ThreadsOfThisProcess();
    const uint8_t* pixels = sourceFrame.pixels.get();
    const int32_t width = sourceFrame.width;
    const uint32_t generation = sourceGeneration;

    OpenVideo(VideoPath(bad.name));
    ASSERT_TRUE(WaitFor([&] { return !boxes.Seen().empty(); }, 20000))
        << bad.name;
    ASSERT_TRUE(WaitFor([] { return graphBusy == 0; }, 10000)) << bad.name;
    const std::vector<testing::SeenBox> seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "Error");
    EXPECT_EQ(seen[0].text, bad.message) << bad.name;
    EXPECT_EQ(videoPlaying, 0);
    EXPECT_TRUE(GraphIsEmpty());
    EXPECT_EQ(sourceFrame.pixels.get(), pixels) << "the previous picture stays";
    EXPECT_EQ(sourceFrame.width, width);
    EXPECT_EQ(sourceGeneration, generation);
    EXPECT_EQ(stillRunnerState, 2) << "the picture goes on turning";
    // The runner and its workers end; the media framework's own pool may
    // keep a pair of threads it started after earlier videos (seen here once,
    // after a WebM).
    EXPECT_TRUE(WaitFor([&] { return testing::ThreadsOfThisProcess() <= threadsBefore + 2; },
                        kThreadsSettleMs))
        << testing::ThreadsOfThisProcess() << " threads, " << threadsBefore << " before";
}

// The box shows the format text with its line breaks as the watcher reads it.
const char kFormat[] = "Format of the file is not support.\r\nOr - File can be open by another app.\r\n ";

INSTANTIATE_TEST_SUITE_P(Files, EachBadFile,
                         ::testing::Values(BadFile{"missing.mp4", "AddSourceFile Error"},
                                           BadFile{"audio_only.mp4", kFormat},
                                           BadFile{"audio_only.wav", kFormat},
                                           BadFile{"text.mp4", kFormat},
                                           BadFile{"random.avi", kFormat},
                                           // Plays, but never delivers a frame.
                                           BadFile{"picture.mkv", kFormat},
                                           BadFile{"empty.avi", kFormat}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

}  // namespace
}  // namespace lx
