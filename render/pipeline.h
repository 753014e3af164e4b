// One render pass: the current source and view turned into a painted view.
//
// Passes run on short-lived worker threads. Each source thread has a
// single-entry lock that keeps its passes strictly one after another, and a
// gate that admits at most one waiting worker beside the running one, so a
// pass slower than the source's tick skips ticks instead of piling up threads.
#pragma once

#include <atomic>
#include <cstdint>

namespace lx {

// What a pass needs from the windows: the position indicators, the paint and
// a short turn for the calling thread's message queue. The Windows shell
// implements it; the default does nothing but sleep.
class PassHooks {
public:
    virtual ~PassHooks() = default;
    virtual void ShowPosition(int32_t /*frame*/) {}
    virtual void PaintView() {}
    virtual void PumpOrSleep(uint32_t milliseconds);
};

// Installs the hooks passes call; nullptr restores the default.
void SetPassHooks(PassHooks* hooks);

// A byte taken by atomic exchange with 0xFF; a taker that finds it set yields
// and tries again. Release stores 0.
class SingleEntryLock {
public:
    void Acquire();
    bool TryAcquire();
    void Release();
    bool Held() const { return byte_.load() != 0; }

private:
    std::atomic<uint8_t> byte_{0};
};

// Counts a source's workers from their start to their end. Admit refuses a
// new worker while one is running and another already waits for the lock.
class WorkerGate {
public:
    static constexpr int32_t kMaxWorkers = 2;
    bool Admit();
    void Leave();
    int32_t Count() const { return count_.load(); }

private:
    std::atomic<int32_t> count_{0};
};

// Each source thread's lock and gate: the still-picture runner's and the
// video runner's.
extern SingleEntryLock stillRenderLock;
extern SingleEntryLock videoRenderLock;
extern WorkerGate stillWorkers;
extern WorkerGate videoWorkers;

// The navigation step followed by the paint.
void UpdateView();

// One render pass. Must not run before the source is prepared; the caller
// holds its source's lock. A pass whose frame would come out exactly as the
// previous one (same source, direction, kernel, filter and effect) keeps
// that frame and only paints it, so a view at rest costs little.
void RenderPipeline();

// Anyone but a render pass who writes the output frame's pixels calls this,
// so the next pass renders the frame anew.
void ForgetRenderedFrame();

}  // namespace lx
