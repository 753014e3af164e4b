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

namespace {

void AnswerSentMessages() {
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

}  // namespace

void AcquireOnWindowThread(SingleEntryLock& lock) {
    while (!lock.TryAcquire()) {
        AnswerSentMessages();
        Sleep(0);
    }
}

void AcquireBothOnWindowThread(SingleEntryLock& first, SingleEntryLock& second) {
    for (;;) {
        if (first.TryAcquire()) {
            if (second.TryAcquire()) return;
            first.Release();
        }
        AnswerSentMessages();
        Sleep(1);
    }
}

bool WaitAnsweringSentMessages(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= timeoutMs) return false;
        AnswerSentMessages();
        Sleep(1);
    }
    return true;
}

}  // namespace lx
