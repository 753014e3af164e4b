// The About box: the maker's name and credits, a picture, the build number
// and links to the maker's web site and e-mail address. It fades out when it
// is closed.
#pragma once

#include <windows.h>

namespace lx {

constexpr int kAboutCreditsId = 2001;
constexpr int kMailLinkId = 2002;
constexpr int kContactLabelId = 2003;
constexpr int kWebLinkId = 2004;
constexpr int kAboutNoticeId = 2005;
constexpr int kBuildNumberId = 101;

constexpr char kMakerWebAddress[] = "https://lumivex.example/";
constexpr char kMakerMailAddress[] = "hello@lumivex.example";

// Builds the box centred in the work area and serves it until it is closed;
// the panel is disabled meanwhile.
void AboutDialog();
// The box with all its controls, opaque and not yet shown.
HWND CreateAboutDialog();
// The open box, or null.
HWND AboutDialogWindow();
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Makes the window layered and gives it this constant opacity, 0 to 255.
void SetWindowAlpha(HWND window, int opacity);
// Lowers the opacity from 255 to 0 in 52 steps of 5, serving one message of
// the thread (or sleeping 10 ms) after each.
void FadeOutWindow(HWND window);

// How the links reach the shell: ShellExecuteA unless a test puts its own
// function here.
using ShellExecuteFunction = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
void SetShellExecuteFunction(ShellExecuteFunction function);
// Called with every opacity SetWindowAlpha gives; for the tests.
using AlphaObserver = void (*)(HWND window, int opacity);
void SetAlphaObserver(AlphaObserver observer);

}  // namespace lx
