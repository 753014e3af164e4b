// Waiting without blocking the windows.
#pragma once

#include <windows.h>

#include <functional>

#include "render/pipeline.h"

namespace lx {

// Dispatches one pending message of the calling thread if there is one,
// otherwise sleeps the given time. Every polling loop and wait uses it.
void PumpOrSleep(DWORD milliseconds);

// Takes a render lock on the windows' thread. Render passes send messages to
// that thread while they hold the lock, so the wait keeps answering them.
void AcquireOnWindowThread(SingleEntryLock& lock);
// Takes two render locks, never holding one while it waits for the other.
void AcquireBothOnWindowThread(SingleEntryLock& first, SingleEntryLock& second);

// Waits until done() holds or the time is up, answering the messages other
// threads send meanwhile but dispatching nothing else, so no command of the
// windows can start in the middle. Returns done().
bool WaitAnsweringSentMessages(const std::function<bool()>& done, DWORD timeoutMs);

}  // namespace lx
