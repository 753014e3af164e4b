// Choice of instruction set and thread count for the remap kernels.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "render/remap.h"
#include "render/remap_internal.h"

namespace lx {

namespace remap {

namespace {

bool DetectAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

LX_AVX2 void Quotients12Avx2(const uint32_t* p, const uint32_t* d, uint32_t* q, size_t count) {
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i pv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
        const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(q + i), Quotient12Avx2(pv, dv));
    }
    for (; i < count; ++i) q[i] = Ratio12(p[i], d[i]);
}

void Quotients12Sse2(const uint32_t* p, const uint32_t* d, uint32_t* q, size_t count) {
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i pv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(q + i), Quotient12Sse2(pv, dv));
    }
    for (; i < count; ++i) q[i] = Ratio12(p[i], d[i]);
}

// The helper thread behind HelperLease. It lives as long as the process: it
// is never destroyed or joined, so a pass that runs while the program ends
// (the process's threads end in any order then) never meets a dead helper.
class Helper {
public:
    std::mutex& LeaseMutex() { return lease_; }

    // With the lease held: starts the thread unless it runs already.
    bool EnsureRunning() {
        if (thread_.joinable()) return true;
        try {
            thread_ = std::thread([this] { Loop(); });
        } catch (...) {
            return false;
        }
        return true;
    }

    void Start(HelperLease::Job job, const void* context) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            job_ = job;
            context_ = context;
            pending_ = true;
        }
        wake_.notify_one();
    }

    // Withdraws the job if the thread has not taken it, else waits for it.
    void Finish() {
        std::unique_lock<std::mutex> lock(mutex_);
        pending_ = false;
        done_.wait(lock, [this] { return !running_; });
    }

private:
    void Loop() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return pending_; });
            pending_ = false;
            running_ = true;
            const HelperLease::Job job = job_;
            const void* context = context_;
            lock.unlock();
            job(context);
            lock.lock();
            running_ = false;
            done_.notify_one();
        }
    }

    std::mutex lease_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::thread thread_;
    HelperLease::Job job_ = nullptr;
    const void* context_ = nullptr;
    bool pending_ = false;  // a job waits to be taken
    bool running_ = false;  // the thread runs a job
};

Helper& TheHelper() {
    static Helper* const helper = new Helper;
    return *helper;
}

}  // namespace

HelperLease::HelperLease() {
    Helper& helper = TheHelper();
    if (!helper.LeaseMutex().try_lock()) return;
    if (!helper.EnsureRunning()) {
        helper.LeaseMutex().unlock();
        return;
    }
    held_ = true;
}

HelperLease::~HelperLease() {
    if (!held_) return;
    Finish();
    TheHelper().LeaseMutex().unlock();
}

void HelperLease::Start(Job job, const void* context) {
    TheHelper().Start(job, context);
    started_ = true;
}

void HelperLease::Finish() {
    if (!started_) return;
    TheHelper().Finish();
    started_ = false;
}

bool IsaAvailable(Isa isa) {
    static const bool avx2 = DetectAvx2();
    return isa == Isa::kSse2 || avx2;
}

Isa BestIsa() { return IsaAvailable(Isa::kAvx2) ? Isa::kAvx2 : Isa::kSse2; }

int DefaultThreads() {
    static const int threads = std::thread::hardware_concurrency() >= 2 ? 2 : 1;
    return threads;
}

void Quotients12(Isa isa, const uint32_t* p, const uint32_t* d, uint32_t* q, size_t count) {
    if (isa == Isa::kAvx2 && IsaAvailable(Isa::kAvx2))
        Quotients12Avx2(p, d, q, count);
    else
        Quotients12Sse2(p, d, q, count);
}

}  // namespace remap

namespace {

std::atomic<int> chosenThreads{0};

int PassThreads() {
    const int chosen = chosenThreads.load();
    return chosen > 0 ? chosen : remap::DefaultThreads();
}

}  // namespace

void SetRemapThreads(int threads) { chosenThreads.store(std::max(0, threads)); }

void RemapNearest() { remap::RemapNearestUsing(remap::BestIsa(), PassThreads()); }

void RemapBilinear() { remap::RemapBilinearUsing(remap::BestIsa(), PassThreads()); }

}  // namespace lx
