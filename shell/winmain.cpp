// The program's entry: the control panel and the message loop that serves
// it and the viewer window until the panel is gone.
#include <windows.h>
#include <commctrl.h>

#include "shell/control_panel.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    lx::appInstance = instance;
    lx::SetDisplayDefaults();
    InitCommonControls();
    lx::CreateControlPanel();
    lx::RunPanelMessageLoop();
    return 0;
}
