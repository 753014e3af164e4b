// Which source rows a bilinear pass reads, found from the geometry of the
// view rather than from the pixels: the view is a rectangle of the plane
// z = 1, so its directions form a convex patch of the sphere. Latitude
// takes its extremes on the patch's border unless a pole lies inside, and
// the border is walked pixel by pixel in double precision. The kernels'
// table arithmetic differs from that by a fraction of a source row; the
// margin covers it many times over. Longitude is continuous on a patch
// without a pole, so the patch reaches the back meridian (where a column
// may fall one past either end) only if its border comes near it.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "render/frames.h"
#include "render/projection.h"
#include "render/remap.h"

namespace lx {

namespace {

struct Direction {
    double x, y, z;
};

// The rectangle of view-plane points the bilinear pass renders.
struct PlaneRect {
    double left, right, bottom, top;
};

class ViewDirections {
public:
    explicit ViewDirections(const int32_t (&m)[3][3]) {
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) m_[r][c] = m[r][c];
    }

    Direction At(double x, double y) const {
        return {m_[0][0] * x + m_[0][1] * y + m_[0][2], m_[1][1] * y + m_[1][2],
                m_[2][0] * x + m_[2][1] * y + m_[2][2]};
    }

    // The plane point whose direction is straight up or down, if there is one.
    bool PolePoint(double* x, double* y) const {
        const double det = m_[0][0] * m_[2][1] - m_[0][1] * m_[2][0];
        if (std::fabs(det) < 1e-9) return false;
        *x = (m_[0][1] * m_[2][2] - m_[0][2] * m_[2][1]) / det;
        *y = (m_[0][2] * m_[2][0] - m_[0][0] * m_[2][2]) / det;
        return true;
    }

private:
    double m_[3][3];
};

}  // namespace

BilinearReach BilinearReachOf(const int32_t (&fixedMatrix)[3][3]) {
    const OutputFrame& out = outputFrame;
    const int32_t height = sourceFrame.height;
    const double pixelsPerRadian = tables.pixelsPerRadian;
    const double middle = double((height - 1) >> 1);
    const ViewDirections view(fixedMatrix);

    // Columns k = 0 .. width - 2 at x = xFirst + 1 + k; rows r = 1 .. height - 1 at y = yFirst + r.
    const int32_t columns = std::max(1, out.width - 1);
    const int32_t rows = std::max(1, out.height - 1);
    const PlaneRect rect{double(out.xFirst + 1), double(out.xFirst + columns), double(out.yFirst + 1),
                         double(out.yFirst + rows)};

    // The border as one closed walk, so that consecutive points are
    // neighbours. Latitude is followed as its tangent, which grows with it;
    // the back meridian as the side of it the x component is on.
    const double margin = 4.0 + pixelsPerRadian / 512.0;
    const double backTangent = std::tan(margin / pixelsPerRadian);
    double lowest = HUGE_VAL;
    double highest = -HUGE_VAL;
    bool nearBack = false;
    Direction last{};
    bool first = true;
    auto visit = [&](double x, double y) {
        const Direction d = view.At(x, y);
        const double tangent = d.y / std::sqrt(d.x * d.x + d.z * d.z);
        lowest = std::min(lowest, tangent);
        highest = std::max(highest, tangent);
        const bool behind = d.z < 0 && std::fabs(d.x) <= -d.z * backTangent;
        const bool crossesBehind = !first && d.z < 0 && last.z < 0 && (d.x < 0) != (last.x < 0);
        nearBack = nearBack || behind || crossesBehind;
        last = d;
        first = false;
    };
    for (int32_t k = 0; k < columns; ++k) visit(rect.left + k, rect.bottom);
    for (int32_t r = 0; r < rows; ++r) visit(rect.right, rect.bottom + r);
    for (int32_t k = 0; k < columns; ++k) visit(rect.right - k, rect.top);
    for (int32_t r = 0; r <= rows; ++r) visit(rect.left, rect.top - r);

    double poleX = 0, poleY = 0;
    const bool poleInside = !view.PolePoint(&poleX, &poleY) ||
                            (poleX >= rect.left - 1 && poleX <= rect.right + 1 && poleY >= rect.bottom - 1 &&
                             poleY <= rect.top + 1);
    auto row = [&](double tangent) { return std::atan(tangent) * pixelsPerRadian + middle; };
    lowest = poleInside ? -HUGE_VAL : row(lowest);
    highest = poleInside ? HUGE_VAL : row(highest);

    // The blend reads the row of each direction and the one above it.
    BilinearReach reach;
    // A view wholly above or below a short picture reads nothing; it gets a
    // span of one row at that end.
    const double top = double(height - 1);
    reach.firstRow = int32_t(std::clamp(std::floor(lowest - margin), 0.0, top));
    reach.lastRow = std::max(reach.firstRow, int32_t(std::clamp(std::ceil(highest + 1 + margin), 0.0, top)));
    reach.allButEdgesWritten = !poleInside && lowest - margin >= 0 && highest + margin <= height - 2 &&
                               !nearBack;
    return reach;
}

}  // namespace lx
