// Drives the viewer's windows from a test: a stand-in for the control panel,
// waits that keep the windows' messages flowing, message boxes answered by a
// watcher thread, and views of the screen.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "render/display_win32.h"
#include "support/process_threads.h"

namespace lx::testing {

// Pumps the test thread's messages until the condition holds or the time is
// up; returns the condition.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs);
void PumpFor(DWORD milliseconds);

// A hidden window with the panel's position bar, speed slider and labels, so
// the viewer has a panel to write to and to bring forward.
HWND CreateStandInPanel();

struct SeenBox {
    std::string caption;
    std::string text;
};

// Answers every message box of this process with OK and remembers what it
// said.
class MessageBoxWatcher {
public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    std::vector<SeenBox> Seen();
    void Clear();
    // The button pressed on the boxes still to come: IDOK or IDCANCEL.
    void Answer(int button) { answer_ = button; }

private:
    void Run();
    std::atomic<bool> stop_{false};
    std::atomic<int> answer_{IDOK};
    std::mutex mutex_;
    std::vector<SeenBox> seen_;
    std::thread thread_;
};

// Counts paints and can slow each one down.
class CountingPassHooks : public WindowPassHooks {
public:
    void PaintView() override;
    std::atomic<int32_t> paints{0};
    std::atomic<DWORD> extraMilliseconds{0};
};
extern CountingPassHooks countingHooks;


// 32-bit BGRX pixels, top row first.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;
};
Picture CaptureScreen(int32_t x, int32_t y, int32_t width, int32_t height);
// The output frame, less its outer columns and rows, stretched to the given
// size.
Picture StretchedOutputFrame(int32_t width, int32_t height);
// Over the first given columns of every row.
double MeanAbsoluteDifference(const Picture& a, const Picture& b, int32_t columns);
// How many pixels of the first columns differ by more than the threshold in
// some channel.
int32_t PixelsDifferingBy(const Picture& a, const Picture& b, int32_t columns, int threshold);

// What the viewer showed right after it was switched on, and over its first
// second of turning.
struct Startup {
    bool loaded = false;
    int32_t sourceWidth = 0;
    int32_t sourceHeight = 0;
    float yaw = 0;
    float fov = 0;
    int32_t dragging = 0;
    float yawAfterOneSecond = 0;
    int32_t passesInOneSecond = 0;
};
extern Startup startup;

// Stops the still runner, sets the path and opens it as the viewer does.
void OpenStill(const std::string& path);
// Bytes of the built-in panorama resource.
std::vector<uint8_t> BuiltInPanoramaBytes();
std::string WriteTempFile(const std::string& name, const std::vector<uint8_t>& bytes);

}  // namespace lx::testing
