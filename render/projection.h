// Per-source lookup tables and the per-pass view matrix.
//
// The remaps never evaluate a trigonometric function per pixel. PrepareSource
// builds 4097-entry tables indexed by the ratio p / (p + q) of two
// non-negative direction components scaled to 0..4096 (one integer division
// in the remap yields the index); the entries turn that ratio into a source
// row, a source column or an angle in 1/256 source pixels. BuildViewMatrix
// turns yaw, pitch and fov into a 3 x 3 fixed-point matrix that maps an output
// pixel at view-plane coordinates (x, y, 1) to its direction (X, Y, Z), with
// Y up and Z forward at yaw 0 and pitch 0.
#pragma once

#include <cstdint>
#include <string>

namespace lx {

constexpr int kTableSize = 4097;

struct ProjectionTables {
    int32_t rowUp[kTableSize];
    int32_t rowDown[kTableSize];
    int32_t colFrontRight[kTableSize];
    int32_t colFrontLeft[kTableSize];
    int32_t colBackRight[kTableSize];
    int32_t colBackLeft[kTableSize];
    int32_t angleTable[kTableSize];
    int32_t secantTable[kTableSize];
    uint16_t productTable[256 * 256];  // entry f * 256 + v holds f * v

    float pixelAngle;
    float aspect;
    float pixelsPerRadian;
    int32_t middleRow;
    int32_t middleColumn;
    int32_t quarterTurn;
    int32_t halfTurn;
};

struct ViewMatrix {
    float pitchRotation[3][3];  // P
    float yawRotation[3][3];    // Q
    float rotation[3][3];       // R = Q x P, first two columns scaled
    int32_t fixedMatrix[3][3];
    // Cached per fov; matrixFov 0 forces a recomputation.
    float matrixFov;
    float fovRadians;
    float planeScale;
    float fixedScale;
};

extern ProjectionTables tables;
extern ViewMatrix viewMatrix;

// Sizes of source picture the renderer accepts. Fewer than 3 rows give an
// output frame 0 pixels wide; larger sources would not fit a 32-bit process.
constexpr int32_t kMinSourceWidth = 1;
constexpr int32_t kMinSourceHeight = 3;
constexpr int32_t kMaxSourceWidth = 16384;
constexpr int32_t kMaxSourceHeight = 16384;
constexpr int64_t kMaxSourcePixels = int64_t(16384) * 8192;

bool SourceSizeAccepted(int32_t width, int32_t height);
// A one-line reason the size is refused, or an empty string when accepted.
std::string SourceSizeProblem(int32_t width, int32_t height);

// The widest horizontal field of view for which every direction component
// stays small enough for the remaps' 32-bit index arithmetic.
constexpr float kMaxRenderFov = 150.0f;

// What source preparation must tell the windows: the viewer window's size,
// the control panel's full-size toggle and two of its labels. The Windows
// shell implements it; the core and the tools use the no-op.
class ShellHooks {
public:
    virtual ~ShellHooks() = default;
    virtual void ResizeViewerWindow() {}
    virtual void FullScreenOff() {}
    virtual void SetSizeLabel(const std::string& /*text*/) {}
    virtual void SetLengthLabel(const std::string& /*text*/) {}
};

// Installs the hooks PrepareSource calls; nullptr restores the no-op.
void SetShellHooks(ShellHooks* hooks);

// Prepares the current sourceFrame: output and view size, header, extents,
// tables, limits and the initial view. The source size must be accepted
// (SourceSizeAccepted); returns false and changes nothing otherwise.
bool PrepareSource();

// Output frame sizes a caller may choose instead of the viewer's: both sides
// even and at least 2, the frame and the row past it that the soften filter
// reads inside the output buffers, and every direction component small enough
// for the remaps' 32-bit arithmetic at every fov up to kMaxRenderFov (the
// limit bites on frames much taller than wide). A one-line reason, or an
// empty string when accepted.
std::string OutputSizeProblem(int32_t width, int32_t height);

// PrepareSource with the given output frame size in place of the one the
// viewer chooses; everything that depends on the size (the pixel angle, the
// aspect, the start fov that fits the band) follows it. The viewer's window
// and view size are left alone. Returns false and changes nothing when the
// source size or the output size is refused.
bool PrepareSourceWithOutput(int32_t width, int32_t height);

// Builds the fixed-point view matrix from viewState's yaw, pitch and fov.
void BuildViewMatrix();
// The same for any view into any matrix (a fresh ViewMatrix, or one this
// function filled before); reads only the prepared tables, so another
// thread may call it while a render pass runs.
void BuildViewMatrixFor(float yaw, float pitch, float fov, ViewMatrix& m);

// Creates the matrices at renderer start-up (all elements 0, cache cleared).
void ResetViewMatrix();

}  // namespace lx
