// Waiting without blocking the windows.
#pragma once

#include <windows.h>

#include "render/pipeline.h"

namespace lx {

// Dispatches one pending message of the calling thread if there is one,
// otherwise sleeps the given time. Every polling loop and wait uses it.
void PumpOrSleep(DWORD milliseconds);

// Takes a render lock on the windows' thread. Render passes send messages to
// that thread while they hold the lock, so the wait keeps answering them.
void AcquireOnWindowThread(SingleEntryLock& lock);

}  // namespace lx
