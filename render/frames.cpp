#include "render/frames.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "render/projection.h"

namespace lx {

SourceFrame sourceFrame;
OutputFrame outputFrame;
ViewState viewState;
ViewerSettings viewerSettings;

std::atomic<int32_t> frozen{0};
std::atomic<int32_t> fadeActive{0};
std::atomic<int32_t> currentFrame{0};
std::atomic<int32_t> sourceKind{0};
std::atomic<uint32_t> sourceGeneration{0};

namespace {
constexpr size_t kPixelAlignment = 64;
}

void AlignedDeleter::operator()(uint8_t* p) const {
    ::operator delete[](p, std::align_val_t(kPixelAlignment));
}

PixelBuffer AllocatePixels(size_t bytes) {
    auto* p = static_cast<uint8_t*>(
        ::operator new[](bytes, std::align_val_t(kPixelAlignment), std::nothrow));
    return PixelBuffer(p);
}

size_t SourceBufferBytes(int32_t width, int32_t height) {
    return (size_t(width) + 4) * (size_t(height) + 4) * 4;
}

bool AllocateSource(int32_t width, int32_t height) {
    ReleaseSource();
    MarkSourceChanged();
    if (width <= 0 || height <= 0) return false;
    const size_t bytes = SourceBufferBytes(width, height);
    PixelBuffer buffer = AllocatePixels(bytes);
    if (!buffer) return false;
    std::memset(buffer.get(), 0, bytes);
    sourceFrame.pixels = std::move(buffer);
    sourceFrame.capacity = bytes;
    sourceFrame.width = width;
    sourceFrame.height = height;
    sourceFrame.rowBytes = 4 * width;
    return true;
}

void ReleaseSource() {
    MarkSourceChanged();
    sourceFrame.pixels.reset();
    sourceFrame.capacity = 0;
}

float HalfVerticalFov(float fov) {
    const float halfDegreeInRadians = 0.0087266397f;  // pi / 360
    const float degreesPerRadian = 57.29578f;         // 180 / pi
    const float aspect = float(outputFrame.height) / float(outputFrame.width);
    const double product = double(fov) * double(halfDegreeInRadians);
    return float(std::atan(std::tan(product) * double(aspect)) * double(degreesPerRadian));
}

void ComputeOutputExtents() {
    OutputFrame& out = outputFrame;
    out.xFirst = -((out.width - 1) >> 1);
    out.xLast = out.xFirst + out.width - 1;
    out.yFirst = -(out.height >> 1);
    out.yLast = out.yFirst + out.height - 1;
}

bool StartRenderer() {
    ViewState& view = viewState;
    view.fovStart = 96;
    view.fovMin = 24;
    view.fovMax = 100;
    view.fov = 96;
    view.pitch = 0;
    view.turnStep = 5;
    viewerSettings.quality = kHigh;
    sourceKind = 0;
    ComputeOutputExtents();
    if (!outputFrame.pixels) outputFrame.pixels = AllocatePixels(kOutputBufferBytes);
    if (!outputFrame.scratch) outputFrame.scratch = AllocatePixels(kOutputBufferBytes);
    if (!outputFrame.pixels || !outputFrame.scratch) {
        StopRenderer();
        return false;
    }
    std::memset(outputFrame.pixels.get(), 0, kOutputBufferBytes);
    std::memset(outputFrame.scratch.get(), 0, kOutputBufferBytes);
    ResetViewMatrix();
    return true;
}

void DarkenOutputFrame(uint8_t amount) {
    const OutputFrame& out = outputFrame;
    constexpr int32_t kKeptBytes = 16;
    if (!out.pixels || out.byteCount <= kKeptBytes) return;
    const size_t count = std::min(size_t(out.byteCount - kKeptBytes), kOutputBufferBytes);
    uint8_t* bytes = out.pixels.get();
    for (size_t i = 0; i < count; ++i) bytes[i] = bytes[i] > amount ? uint8_t(bytes[i] - amount) : 0;
}

void ClearSourcePixels() {
    const SourceFrame& source = sourceFrame;
    if (!source.pixels || source.width <= 0 || source.height <= 0) return;
    const size_t picture = size_t(source.width) * size_t(source.height) * 4;
    const size_t count = std::min(picture, source.capacity);
    constexpr size_t kKeptBytes = 4;
    if (count > kKeptBytes) std::memset(source.pixels.get(), 0, count - kKeptBytes);
    MarkSourceChanged();
}

void StopRenderer() {
    outputFrame.pixels.reset();
    outputFrame.scratch.reset();
    ReleaseSource();
}

}  // namespace lx
