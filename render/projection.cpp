// Source preparation and the per-pass view matrix.
//
// Floating-point values are computed in double precision and rounded to
// 32-bit floats exactly where a value is kept as a float; conversions to
// integers round to nearest with ties to even. Both builds use SSE
// arithmetic, so they store the same floats.
#include "render/projection.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "render/frames.h"

namespace lx {

ProjectionTables tables;
ViewMatrix viewMatrix;

namespace {

ShellHooks noShellHooks;
ShellHooks* shellHooks = &noShellHooks;

constexpr float kPi = 3.14159265358979f;
constexpr float kDegreesToRadians = 0.017453292f;
constexpr float kFourThirds = 1.3333f;
constexpr float kFovShrink = 1.00999999f;

int32_t RoundToInt(double value) { return int32_t(std::nearbyint(value)); }

void ChooseOutputSize(int32_t sourceHeight) {
    OutputFrame& out = outputFrame;
    ViewerSettings& settings = viewerSettings;
    const bool wide = settings.wideFormat != 0;
    if (sourceHeight < 400) {
        out.height = sourceHeight;
        out.width = 4 * (RoundToInt(double(kFourThirds) * sourceHeight) / 4);
        tables.pixelAngle = float(2.0 / out.width);
        settings.viewWidth = wide ? 534 : 400;
        settings.viewHeight = 300;
        settings.windowSize = kSmall;
        shellHooks->ResizeViewerWindow();
    } else {
        out.width = wide ? 1064 : 800;
        out.height = 600;
        settings.viewWidth = wide ? 852 : 640;
        settings.viewHeight = 480;
        settings.windowSize = kStandard;
        shellHooks->ResizeViewerWindow();
        tables.pixelAngle = float(2.0 / out.width);
    }
}

void FillOutputHeader() {
    OutputFrame& out = outputFrame;
    out.byteCount = 4 * out.width * out.height;
    BitmapInfoHeader& h = out.header;
    h = BitmapInfoHeader{};
    h.size = sizeof(BitmapInfoHeader);
    h.width = out.width;
    h.height = out.height;
    h.planes = 1;
    h.bitCount = 32;
    h.compression = 0;  // BI_RGB
    h.sizeImage = uint32_t(out.byteCount);
}

void BuildSecantTable() {
    float t = 0;
    for (int i = 0; i < kTableSize - 1; ++i) {
        t = float(double(t) + 1.0 / 4096);
        tables.secantTable[i] = RoundToInt(4096 * std::sqrt(double(t) * t + 1));
    }
    tables.secantTable[kTableSize - 1] = RoundToInt(4096 * std::sqrt(2.0));
}

void BuildProductTable() {
    for (int f = 0; f < 256; ++f)
        for (int v = 0; v < 256; ++v) tables.productTable[f * 256 + v] = uint16_t(f * v);
}

int32_t ClampRow(int32_t row, int32_t low, int32_t high) {
    if (row < low) return low;
    if (row > high) return high;
    return row;
}

// One correction, not a modulo: every column the tables can hold is within
// one turn of the picture.
int32_t WrapColumn(int32_t column, int32_t width) {
    if (column < 0) return column + width;
    if (column >= width) return column - width;
    return column;
}

void BuildAngleTables(int32_t width, int32_t height) {
    ProjectionTables& tb = tables;
    const double ppr = tb.pixelsPerRadian;
    float t = 0;
    for (int i = 0; i < kTableSize; ++i) {
        t = float(double(t) + 1.0 / 4096);
        int32_t a;
        if (i < kTableSize - 1) {
            // At i = 4095, t = 1 and the ratio is infinite: exactly 90 degrees.
            const double alpha =
                (i == kTableSize - 2) ? std::atan(HUGE_VAL) : std::atan(double(t) / (1 - double(t)));
            tb.angleTable[i] = RoundToInt(alpha * ppr * 256 + 0.5);
            a = RoundToInt(alpha * ppr + 0.5);
        } else {
            tb.angleTable[i] = RoundToInt(double(kPi) * ppr / 2 * 256 + 0.5);
            a = RoundToInt(double(kPi) * ppr / 2 + 0.5);
        }
        tb.colBackLeft[i] = WrapColumn(a, width);
        tb.rowUp[i] = ClampRow(tb.middleRow + a, 0, height - 1);
        tb.rowDown[i] = ClampRow(tb.middleRow - a + 1, 1, height);
        tb.colFrontRight[i] = WrapColumn(tb.middleColumn + a, width);
        tb.colFrontLeft[i] = WrapColumn(tb.middleColumn - a, width);
        tb.colBackRight[i] = WrapColumn(width - a, width);
    }
}

void SetLimitsAndInitialView(int32_t width, int32_t height) {
    ViewState& view = viewState;
    view.fovMin = 25;
    view.fovMax = 125;
    view.fovStart = 125;
    view.pitchMin = -90;
    view.pitchMax = 90;

    const float v = float(180.0 * height / width);
    if (v < view.pitchMax) view.pitchMax = v;
    if (-v > view.pitchMin) {
        // A band no higher than the eye-lens margin would leave no room for
        // the view at all; it is then shown without the margin.
        const int32_t margin = (2.0 * v > viewerSettings.eyeLens) ? viewerSettings.eyeLens : 0;
        view.pitchMin = float(-double(v) + margin);
    }

    float h = v;
    bool shrunk = false;
    while (2.0 * h >= double(view.pitchMax) - double(view.pitchMin)) {
        view.fovStart = float(double(view.fovStart) / double(kFovShrink));
        h = HalfVerticalFov(view.fovStart);
        shrunk = true;
    }
    if (shrunk) view.fovMax = view.fovStart;

    view.fov = view.fovStart;
    view.pitch = 0;
    view.yaw = -90;
    view.targetPitch = 0;
}

}  // namespace

void SetShellHooks(ShellHooks* hooks) { shellHooks = hooks ? hooks : &noShellHooks; }

std::string SourceSizeProblem(int32_t width, int32_t height) {
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (width < kMinSourceWidth || height < kMinSourceHeight)
        return "picture of " + size + " pixels is too small (at least " +
               std::to_string(kMinSourceWidth) + " x " + std::to_string(kMinSourceHeight) + ")";
    if (width > kMaxSourceWidth || height > kMaxSourceHeight ||
        int64_t(width) * height > kMaxSourcePixels)
        return "picture of " + size + " pixels is too large (at most " +
               std::to_string(kMaxSourceWidth) + " pixels a side and " +
               std::to_string(kMaxSourcePixels) + " pixels in all)";
    return {};
}

bool SourceSizeAccepted(int32_t width, int32_t height) {
    return SourceSizeProblem(width, height).empty();
}

namespace {

// The largest direction component a frame of this size can produce at a
// fov: the matrix is a rotation scaled by fixedScale, so no component passes
// the length of the longest view-plane vector, plus one unit per term for
// the rounding of the nine matrix elements.
double DirectionBound(int32_t width, int32_t height, float fov) {
    const int32_t xFirst = -((width - 1) >> 1);
    const int32_t yFirst = -(height >> 1);
    const double x = std::max(std::abs(xFirst), std::abs(xFirst + width));
    const double y = std::max(std::abs(yFirst), std::abs(yFirst + height));
    const float fovRadians = float(double(kDegreesToRadians) * fov);
    const float pixelAngle = float(2.0 / width);
    const double planeScale = float(double(pixelAngle) * std::tan(0.5 * fovRadians));
    const double fixedScale = (fovRadians > 0.3) ? float(131072.0 / fovRadians) : 436906.65625f;
    const double length =
        std::sqrt(1 + planeScale * planeScale * (x * x + y * y));
    return fixedScale * length + (x + y + 1);
}

// A component times a secant entry (at most 5793) must fit 32 unsigned bits.
constexpr double kMaxDirectionComponent = double(0xFFFFFFFFu / 5793u);

}  // namespace

std::string OutputSizeProblem(int32_t width, int32_t height) {
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (width < 2 || height < 2 || width % 2 != 0 || height % 2 != 0)
        return "output size " + size + " is not two even numbers of at least 2";
    const int64_t bytes = int64_t(4) * width * height + int64_t(4) * (width + 1);
    if (width > kMaxSourceWidth || height > kMaxSourceHeight || bytes > int64_t(kOutputBufferBytes))
        return "output size " + size + " is too large (the frame must fit in " +
               std::to_string(kOutputBufferBytes) + " bytes, 4 a pixel)";
    for (float fov = 0.25f; fov <= kMaxRenderFov; fov += 0.25f) {
        if (DirectionBound(width, height, fov) >= kMaxDirectionComponent)
            return "output size " + size + " is too tall for its width (the view directions "
                   "would leave the renderer's range)";
    }
    return {};
}

namespace {

// Everything of the preparation that follows the choice of the output size.
void PrepareForOutputSize() {
    SourceFrame& src = sourceFrame;
    const int32_t width = src.width;
    const int32_t height = src.height;

    FillOutputHeader();
    tables.aspect = float(double(outputFrame.height) / outputFrame.width);
    shellHooks->FullScreenOff();
    ComputeOutputExtents();
    src.rowBytes = 4 * width;

    BuildSecantTable();
    BuildProductTable();

    ProjectionTables& tb = tables;
    tb.pixelsPerRadian = float(width / (double(kPi) * 2));
    tb.middleRow = RoundToInt(height / 2.0);
    tb.middleColumn = RoundToInt(width / 2.0);
    tb.quarterTurn = 64 * width;
    tb.halfTurn = 128 * width;
    BuildAngleTables(width, height);

    SetLimitsAndInitialView(width, height);
    outputFrame.pixelCount = outputFrame.width * outputFrame.height;

    // The fov-keyed caches belong to the previous source's output size.
    viewMatrix.matrixFov = 0;
    viewState.lastFov = 0;
    MarkSourceChanged();

    shellHooks->SetSizeLabel(std::to_string(width) + "x" + std::to_string(height));
    shellHooks->SetLengthLabel("off");
}

}  // namespace

bool PrepareSource() {
    if (!SourceSizeAccepted(sourceFrame.width, sourceFrame.height)) return false;
    ChooseOutputSize(sourceFrame.height);
    PrepareForOutputSize();
    return true;
}

bool PrepareSourceWithOutput(int32_t width, int32_t height) {
    if (!SourceSizeAccepted(sourceFrame.width, sourceFrame.height)) return false;
    if (!OutputSizeProblem(width, height).empty()) return false;
    outputFrame.width = width;
    outputFrame.height = height;
    tables.pixelAngle = float(2.0 / width);
    PrepareForOutputSize();
    return true;
}

void ResetViewMatrix() { viewMatrix = ViewMatrix{}; }

void BuildViewMatrix() { BuildViewMatrixFor(viewState.yaw, viewState.pitch, viewState.fov, viewMatrix); }

void BuildViewMatrixFor(float yaw, float pitch, float fov, ViewMatrix& m) {
    if (fov != m.matrixFov) {
        m.matrixFov = fov;
        m.fovRadians = float(double(kDegreesToRadians) * fov);
        m.planeScale = float(double(tables.pixelAngle) * std::tan(0.5 * m.fovRadians));
        m.fixedScale = (m.fovRadians > 0.3) ? float(131072.0 / m.fovRadians) : 436906.65625f;
    }

    const float theta = float(double(kDegreesToRadians) * pitch);
    const float psi = float(double(kDegreesToRadians) * yaw);
    const float cosTheta = float(std::cos(double(theta)));
    const float sinTheta = float(std::sin(double(theta)));
    const float cosPsi = float(std::cos(double(psi)));
    const float sinPsi = float(std::sin(double(psi)));

    auto& p = m.pitchRotation;
    p[0][0] = 1;
    p[1][1] = cosTheta;
    p[1][2] = -sinTheta;
    p[2][1] = sinTheta;
    p[2][2] = cosTheta;
    auto& q = m.yawRotation;
    q[0][0] = cosPsi;
    q[0][2] = sinPsi;
    q[1][1] = 1;
    q[2][0] = -sinPsi;
    q[2][2] = cosPsi;

    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            double sum = 0;
            for (int k = 0; k < 3; ++k) sum += double(q[r][k]) * p[k][c];
            m.rotation[r][c] = float(sum);
        }
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 2; ++c) m.rotation[r][c] = float(double(m.rotation[r][c]) * m.planeScale);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m.fixedMatrix[r][c] = RoundToInt(double(m.rotation[r][c]) * m.fixedScale + 0.5);
}

}  // namespace lx
