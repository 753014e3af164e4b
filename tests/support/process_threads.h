// The threads of the calling process, for tests and benchmarks that watch
// for threads left behind. Windows only.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <cstdint>

namespace lx::testing {

// Counts the threads of this process for which counted(thread id) holds;
// -1 when the threads cannot be listed.
template <typename Predicate>
int32_t CountThreadsOfThisProcess(Predicate counted) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    int32_t count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId() && counted(entry.th32ThreadID)) ++count;
    }
    CloseHandle(snapshot);
    return count;
}

inline int32_t ThreadsOfThisProcess() {
    return CountThreadsOfThisProcess([](DWORD) { return true; });
}

// The threads that were started at the given thread procedure, which tells
// the program's own runners and workers from the platform's threads.
inline int32_t ThreadsStartedAt(LPTHREAD_START_ROUTINE procedure) {
    using QueryThread = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    constexpr int kThreadWin32StartAddress = 9;
    static const auto query = reinterpret_cast<QueryThread>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationThread")));
    if (!query) return -1;
    return CountThreadsOfThisProcess([&](DWORD id) {
        const HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, id);
        if (!thread) return false;
        void* start = nullptr;
        const bool match = query(thread, kThreadWin32StartAddress, &start, sizeof(start), nullptr) == 0 &&
                           start == reinterpret_cast<void*>(procedure);
        CloseHandle(thread);
        return match;
    });
}

}  // namespace lx::testing
