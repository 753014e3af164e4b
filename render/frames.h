// The viewer's four process-wide records: the equirectangular source picture,
// the rendered view with its bitmap header, the view direction with the
// navigation state that moves it, and the user's display options.
//
// Pixels are 32 bits, bytes blue, green, red, X; rows run bottom-up with a
// stride of 4 x width. Angles of the view are degrees in 32-bit floats.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace lx {

// The 40-byte device-independent bitmap header, laid out as the platform
// expects it, so the output frame can be painted and saved without conversion.
#pragma pack(push, 1)
struct BitmapInfoHeader {
    uint32_t size;
    int32_t width;
    int32_t height;
    uint16_t planes;
    uint16_t bitCount;
    uint32_t compression;
    uint32_t sizeImage;
    int32_t xPelsPerMeter;
    int32_t yPelsPerMeter;
    uint32_t clrUsed;
    uint32_t clrImportant;
};
#pragma pack(pop)
static_assert(sizeof(BitmapInfoHeader) == 40, "bitmap header must be 40 bytes");

// Owned, 64-byte aligned byte buffer.
struct AlignedDeleter {
    void operator()(uint8_t* p) const;
};
using PixelBuffer = std::unique_ptr<uint8_t[], AlignedDeleter>;
// Returns an empty buffer when the memory cannot be had.
PixelBuffer AllocatePixels(size_t bytes);

struct SourceFrame {
    int32_t width = 0;
    int32_t height = 0;
    int32_t rowBytes = 0;
    PixelBuffer pixels;
    size_t capacity = 0;  // bytes behind pixels
};

// Bytes a source buffer must hold: the remaps read one row past the top of the
// picture, so every source carries slack of four rows and four columns.
size_t SourceBufferBytes(int32_t width, int32_t height);

// Replaces the source buffer with a zero-filled one for a picture of the given
// size. Returns false (and leaves no buffer) when the memory cannot be had.
bool AllocateSource(int32_t width, int32_t height);
// Frees the source buffer; releasing an absent buffer does nothing.
void ReleaseSource();

constexpr size_t kOutputBufferBytes = 10000000;

struct OutputFrame {
    int32_t width = 0;
    int32_t height = 0;
    int32_t pixelCount = 0;
    int32_t byteCount = 0;
    PixelBuffer pixels;   // kOutputBufferBytes
    PixelBuffer scratch;  // kOutputBufferBytes, used by the sharpen filter
    BitmapInfoHeader header{};
    int32_t xFirst = 0;
    int32_t xLast = 0;
    int32_t yFirst = 0;
    int32_t yLast = 0;
};

struct ViewState {
    float yaw = 0;
    float pitch = 0;
    float fov = 96;
    float targetYaw = 0;
    float targetPitch = 0;
    float fovMin = 24;
    float fovMax = 100;
    float fovStart = 96;
    float pitchMax = 90;
    float pitchMin = -90;
    float halfVFov = 0;
    int32_t dragging = 0;
    int32_t cursorX = 0;
    int32_t cursorY = 0;
    int32_t anchorX = 0;
    int32_t anchorY = 0;
    int32_t zoomingIn = 0;
    int32_t zoomingOut = 0;
    int32_t spin = 0;
    int32_t stopRequest = 0;
    int32_t turnStep = 5;
    // The fov at the end of the previous navigation step; decides when
    // halfVFov must be recomputed. 0 forces a recomputation.
    float lastFov = 0;
};

enum WindowSize : int32_t { kSmall = 0, kStandard = 1, kWide = 2, kFullSize = 3 };
enum Quality : int32_t { kDraft = 0, kMixed = 1, kHigh = 2 };

struct ViewerSettings {
    int32_t windowSize = kStandard;
    int32_t viewWidth = 480;
    int32_t viewHeight = 360;
    int32_t viewOffsetX = 0;
    int32_t quality = kHigh;
    int32_t wideFormat = 1;
    int32_t eyeLens = 0;
    int32_t sharpen = 0;
    int32_t soften = 0;
    int32_t effectInverse = 0;
    int32_t effectNoise = 0;
    int32_t effectFog = 0;
    int32_t effectGrayScale = 0;
};

extern SourceFrame sourceFrame;
extern OutputFrame outputFrame;
extern ViewState viewState;
extern ViewerSettings viewerSettings;

// Playback flags read by the renderer and written by the media side.
extern std::atomic<int32_t> frozen;
extern std::atomic<int32_t> fadeActive;
extern std::atomic<int32_t> currentFrame;
extern std::atomic<int32_t> sourceKind;

// Counts changes of the source pixels and tables. Allocating, releasing and
// preparing a source count themselves; whoever writes source pixels in
// place calls MarkSourceChanged.
extern std::atomic<uint32_t> sourceGeneration;
inline void MarkSourceChanged() { sourceGeneration.fetch_add(1); }

// Half the vertical field of view, in degrees, for a horizontal fov in degrees
// at the current output aspect.
float HalfVerticalFov(float fov);

// Renderer start-up: view defaults, both output buffers, the matrices.
// Returns false when the output buffers cannot be allocated.
bool StartRenderer();
// Frees both output buffers and the source buffer.
void StopRenderer();

// Recomputes xFirst, xLast, yFirst, yLast from the output size.
void ComputeOutputExtents();

// One step of the fade to black: every byte of the output frame but those of
// its last four pixels loses the given amount, stopping at 0.
void DarkenOutputFrame(uint8_t amount);
// Blackens the source picture, all of its bytes but the last four; the
// caller holds the render locks.
void ClearSourcePixels();

}  // namespace lx
