// The viewer window: the painted view, its status bar and progress bar, the
// input that steers the view, and the runner threads that load sources.
#pragma once

#include <windows.h>
#include <vfw.h>

namespace lx {

extern HWND viewerWindow;
extern HWND statusBar;
extern HWND progressBar;
extern HDC viewerDC;
extern HDRAWDIB drawDib;
extern HANDLE runnerThread;
extern DWORD runnerThreadId;

// Private messages of the viewer window. Freeze: wParam 1 freezes the source
// frame, anything else releases it. Open source: starts the runner that
// matches sourceKind.
constexpr UINT kFreezeMessage = 2002;
constexpr UINT kOpenSourceMessage = 2102;

constexpr char kViewerClassName[] = "LX_VIDEO";
constexpr char kViewerTitle[] = "* Lumivex 360 Video Viewer";
constexpr int kStatusBarId = 200;

// Renderer start-up and the viewer window with its status bar, progress bar,
// device context and DrawDib handle. Runs once, on the windows' thread.
// Returns false when the renderer's buffers cannot be had.
bool CreateViewerWindow();

// Blocks a runner thread until the viewer window and everything a render
// pass uses exist.
void WaitUntilViewerReady();

LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace lx
