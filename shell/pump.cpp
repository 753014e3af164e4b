#include "shell/pump.h"

namespace lx {

void PumpOrSleep(DWORD milliseconds) {
    MSG message;
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    } else {
        Sleep(milliseconds);
    }
}

void AcquireOnWindowThread(SingleEntryLock& lock) {
    while (!lock.TryAcquire()) {
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        Sleep(0);
    }
}

}  // namespace lx
