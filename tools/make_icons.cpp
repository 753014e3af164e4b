// Draws the viewer's program icon, its hand cursor and the About box's picture.
//
// The icon is a globe seen from slightly above, with a teal panorama band
// round its equator and an arrow orbiting it; it is written as a 32 x 32 and
// a 16 x 16 image, 32-bit BGRA with alpha plus an AND mask. Every pixel is the
// mean of 16 x 16 point samples of a scene with hard edges, which gives
// clean anti-aliased edges. The hand cursor is a monochrome 32 x 32 pixel
// drawing with its hotspot at the tip of the index finger.
//
// Only +, -, *, / and sqrt are used (no sin, cos or pow from the maths
// library) so the output bytes are the same on every run and every system.
//
// Usage: make_icons OUT.ico OUT.cur OUT_ABOUT.bmp   (exit 2 on error)

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "generator_support.h"

namespace {

using namespace gen;

// ---------------------------------------------------------------- maths

double Max0(double v) { return v < 0.0 ? 0.0 : v; }

// Premultiplied accumulator for painting layers back to front.
struct Canvas {
    Color color{0.0, 0.0, 0.0};
    double alpha = 0.0;
    void Over(Paint p) {
        color = p.color * p.alpha + color * (1.0 - p.alpha);
        alpha = p.alpha + alpha * (1.0 - p.alpha);
    }
};

// Distance from p to segment ab, and where along it (0..1) the nearest point is.
double SegmentDistance(Vec2 p, Vec2 a, Vec2 b, double* along) {
    Vec2 ab = b - a;
    double h = Clamp01(Dot(p - a, ab) / Dot(ab, ab));
    *along = h;
    return Length(p - (a + ab * h));
}

// ---------------------------------------------------------------- icon scene

// Design units: the 32 x 32 canvas, x right, y down. The 16 x 16 image is
// sampled at half the resolution, with its own proportions and heavier lines
// so that it stays legible.

// The globe is seen from 12 degrees above its equator.
constexpr double kTiltSin = 0.20791169081775934;
constexpr double kTiltCos = 0.97814760073380570;
constexpr double kBandHalf = 0.30;  // sine of the band's half height in latitude

// The arrow runs along an ellipse round the globe, turned 28 degrees so it
// rises to the right; the ellipse's lower half passes in front of the globe.
constexpr double kOrbitCos = 0.88294759285892699, kOrbitSin = -0.46947156278589081;

const Color kNavy = {0.04, 0.13, 0.30};
const Color kRim = {0.88, 0.96, 1.00};
const Color kOcean = {0.11, 0.45, 0.88};
const Color kBand = {0.09, 0.76, 0.70};
const Color kBandEdge = {0.80, 0.98, 0.95};
const Color kArrow = {0.97, 0.99, 1.00};
const Color kWhite = {1.0, 1.0, 1.0};

struct Style {
    Vec2 globe;
    double radius;
    Vec2 orbit;        // the ellipse's centre
    double orbitA, orbitB;
    int arcSteps;      // the arrow's length, in steps of 2.5 degrees
    double edge;       // dark outline outside every shape
    double rim;        // light ring just inside the globe's outline
    double bandLine;   // light lines along the band's borders, in latitude sine
    double tailWidth;  // the arrow's half width at its tail
    double headWidth;  // ... and where the head begins
    double headHalf;   // half the width of the arrow head's base
    double headLength;
};

const Style kStyle32 = {{15.0, 16.0}, 9.8, {15.3, 16.5}, 12.3, 5.0, 68, 0.9, 1.0, 0.055, 0.55, 1.6, 3.8, 5.0};
const Style kStyle16 = {{14.0, 16.5}, 9.5, {14.5, 17.0}, 12.0, 5.0, 64, 1.4, 0.0, 0.0, 1.2, 2.4, 5.5, 7.0};

struct Arrow {
    std::vector<Vec2> points;   // along the orbit, tail first
    std::vector<double> width;  // half width at each point
    std::vector<bool> front;    // segment i..i+1 passes in front of the globe
    Vec2 tip, baseLeft, baseRight;
    bool headFront;
};

// The orbit from the back left, down round the front and up the right side,
// ending in a head. Points are made by rotating by a fixed step, so no
// trigonometric function is called.
Arrow MakeArrow(const Style& style) {
    // Parameter angles: the tail at 190 degrees, going down in steps of 2.5
    // degrees (the orbit's lower half is 0..180).
    const int steps = style.arcSteps;
    const double stepCos = 0.99904822158185780, stepSin = -0.043619387365336;
    double c = -0.98480775301220802, s = -0.17364817766693047;  // 190 degrees

    const Vec2 u = {kOrbitCos, kOrbitSin};
    const Vec2 v = {-kOrbitSin, kOrbitCos};
    Arrow arrow;
    std::vector<double> sines;
    for (int i = 0; i <= steps; ++i) {
        arrow.points.push_back(style.orbit + u * (style.orbitA * c) + v * (style.orbitB * s));
        double t = static_cast<double>(i) / steps;
        arrow.width.push_back(style.tailWidth + (style.headWidth - style.tailWidth) * t);
        sines.push_back(s);
        double nc = c * stepCos - s * stepSin;
        double ns = s * stepCos + c * stepSin;
        c = nc;
        s = ns;
    }
    for (int i = 0; i < steps; ++i) arrow.front.push_back(sines[i] + sines[i + 1] > 0.0);

    Vec2 end = arrow.points.back();
    Vec2 dir = end - arrow.points[steps - 1];
    dir = dir * (1.0 / Length(dir));
    Vec2 normal = {-dir.y, dir.x};
    arrow.tip = end + dir * style.headLength;
    arrow.baseLeft = end + normal * style.headHalf;
    arrow.baseRight = end - normal * style.headHalf;
    arrow.headFront = sines.back() > 0.0;
    return arrow;
}

// Signed distance to a triangle (negative inside).
double TriangleDistance(Vec2 p, Vec2 a, Vec2 b, Vec2 c) {
    double along;
    double d = SegmentDistance(p, a, b, &along);
    double d2 = SegmentDistance(p, b, c, &along);
    double d3 = SegmentDistance(p, c, a, &along);
    if (d2 < d) d = d2;
    if (d3 < d) d = d3;
    double e1 = Cross(b - a, p - a), e2 = Cross(c - b, p - b), e3 = Cross(a - c, p - c);
    bool inside = (e1 >= 0 && e2 >= 0 && e3 >= 0) || (e1 <= 0 && e2 <= 0 && e3 <= 0);
    return inside ? -d : d;
}

// Signed distance to the arrow, and whether its nearest part is in front.
double ArrowDistance(const Arrow& arrow, Vec2 p, bool* front) {
    double best = TriangleDistance(p, arrow.tip, arrow.baseLeft, arrow.baseRight);
    *front = arrow.headFront;
    for (size_t i = 0; i + 1 < arrow.points.size(); ++i) {
        double along;
        double d = SegmentDistance(p, arrow.points[i], arrow.points[i + 1], &along);
        d -= arrow.width[i] + (arrow.width[i + 1] - arrow.width[i]) * along;
        if (d < best) {
            best = d;
            *front = arrow.front[i];
        }
    }
    return best;
}

Paint ArrowPaint(double distance, const Style& style) {
    if (distance < 0.0) return {kArrow, 1.0};
    if (distance < style.edge) return {kNavy, 1.0};
    return kClear;
}

// The lit sphere: ocean, the band, a light rim and the dark outline.
Paint GlobePaint(Vec2 p, const Style& style) {
    double dx = (p.x - style.globe.x) / style.radius, dy = (style.globe.y - p.y) / style.radius;
    double r2 = dx * dx + dy * dy;
    double r = std::sqrt(r2);
    double outside = (r - 1.0) * style.radius;  // in design units
    if (outside >= style.edge) return kClear;
    if (outside >= 0.0) return {kNavy, 1.0};
    if (outside > -style.rim) return {kRim, 1.0};

    // Screen-space normal (x right, y up, z towards the eye), and the height
    // above the equator of the point it shows.
    double nx = dx, ny = dy, nz = std::sqrt(Max0(1.0 - r2));
    double height = ny * kTiltCos + nz * kTiltSin;

    Color base = kOcean;
    double band = height < 0.0 ? -height : height;
    if (band < kBandHalf - style.bandLine) {
        base = kBand;
    } else if (band < kBandHalf) {
        base = kBandEdge;
    }

    // Light from the upper left, in front.
    const double lx = -0.47, ly = 0.56, lz = 0.68;  // normalised
    double diffuse = Max0(nx * lx + ny * ly + nz * lz);
    // Half vector between the light and the eye, normalised.
    const double hx = -0.2566, hy = 0.3058, hz = 0.9168;
    double highlight = Max0(nx * hx + ny * hy + nz * hz);
    for (int i = 0; i < 4; ++i) highlight *= highlight;  // to the 16th power
    Color lit = base * (0.42 + 0.70 * diffuse);
    lit = Mix(lit, kWhite, 0.45 * highlight);
    lit = {Clamp01(lit.r), Clamp01(lit.g), Clamp01(lit.b)};
    return {lit, 1.0};
}

Canvas ShadeIcon(Vec2 p, const Style& style, const Arrow& arrow) {
    bool front;
    double arrowDistance = ArrowDistance(arrow, p, &front);
    Paint arrowPaint = ArrowPaint(arrowDistance, style);
    Canvas canvas;
    if (!front) canvas.Over(arrowPaint);
    canvas.Over(GlobePaint(p, style));
    if (front) canvas.Over(arrowPaint);
    return canvas;
}

struct Image {
    int size;
    std::vector<uint8_t> bgra;  // top row first
};

Image RenderIcon(int size, const Style& style) {
    constexpr int kSub = 16;
    const double unit = 32.0 / size;  // design units per pixel
    Arrow arrow = MakeArrow(style);
    Image image{size, std::vector<uint8_t>(static_cast<size_t>(size) * size * 4)};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            Color sum{0.0, 0.0, 0.0};
            double alpha = 0.0;
            for (int sy = 0; sy < kSub; ++sy) {
                for (int sx = 0; sx < kSub; ++sx) {
                    Vec2 p = {(x + (sx + 0.5) / kSub) * unit, (y + (sy + 0.5) / kSub) * unit};
                    Canvas c = ShadeIcon(p, style, arrow);
                    sum = sum + c.color;
                    alpha += c.alpha;
                }
            }
            uint8_t* out = &image.bgra[(static_cast<size_t>(y) * size + x) * 4];
            uint8_t a = ToByte(alpha / (kSub * kSub));
            if (a == 0) {
                out[0] = out[1] = out[2] = out[3] = 0;
                continue;
            }
            // Straight alpha: the mean colour of the covered samples.
            out[0] = ToByte(sum.b / alpha);
            out[1] = ToByte(sum.g / alpha);
            out[2] = ToByte(sum.r / alpha);
            out[3] = a;
        }
    }
    return image;
}

// ---------------------------------------------------------------- About picture

// The About box's 244 x 212 picture: the program's globe, larger, beside an
// LCD-style "360" in the box's gold, over a framed view of a lakeside like
// the one in the sample panorama. Everything else is the box's own blue, so
// the labels the box lays over the picture's top right and bottom edges sit
// on the same colour as the rest of the box.
constexpr int kAboutWidth = 244, kAboutHeight = 212;
const Color kAboutBlue = {20.0 / 255.0, 50.0 / 255.0, 195.0 / 255.0};
const Color kAboutGold = {220.0 / 255.0, 210.0 / 255.0, 120.0 / 255.0};
const Color kAboutFrame = {180.0 / 255.0, 170.0 / 255.0, 95.0 / 255.0};

// The view's frame, in picture pixels.
constexpr double kViewLeft = 6.0, kViewTop = 70.0, kViewRight = 238.0, kViewBottom = 186.0;
constexpr double kViewCorner = 9.0, kViewBorder = 2.0;
constexpr double kHorizon = 136.0;
constexpr double kSunX = 176.0, kSunY = 100.0, kSunRadius = 7.5;

// The globe: the 32 x 32 icon's design drawn 2.1 times as large.
constexpr double kGlobeScale = 2.1;
const Vec2 kGlobeOrigin = {6.0, -1.0};

// A hash of an integer to 0..1, the same on every system.
double Hash01(uint32_t n) {
    n ^= n >> 16;
    n *= 0x7FEB352Du;
    n ^= n >> 15;
    n *= 0x846CA68Bu;
    n ^= n >> 16;
    return static_cast<double>(n & 0xFFFFu) / 65535.0;
}

double SmoothStep(double t) { return t * t * (3.0 - 2.0 * t); }

// Smooth value noise along x: hashed knots every `spacing` pixels.
double Ridge(double x, double spacing, uint32_t seed) {
    double u = (x + 1000.0) / spacing;
    int knot = static_cast<int>(u);
    double t = SmoothStep(u - knot);
    double a = Hash01(seed * 7919u + static_cast<uint32_t>(knot));
    double b = Hash01(seed * 7919u + static_cast<uint32_t>(knot + 1));
    return a + (b - a) * t;
}

// Signed distance to the frame's rounded rectangle (negative inside).
double ViewDistance(Vec2 p) {
    const double cx = (kViewLeft + kViewRight) / 2, cy = (kViewTop + kViewBottom) / 2;
    const double qx = std::fabs(p.x - cx) - ((kViewRight - kViewLeft) / 2 - kViewCorner);
    const double qy = std::fabs(p.y - cy) - ((kViewBottom - kViewTop) / 2 - kViewCorner);
    const double outside = Length({Max0(qx), Max0(qy)});
    const double inside = qx > qy ? qx : qy;
    return outside + (inside < 0.0 ? inside : 0.0) - kViewCorner;
}

// A tree on the far shore: a narrow triangle with its foot at (x, foot).
bool InTree(Vec2 p, double x, double foot, double height) {
    double d = TriangleDistance(p, {x, foot - height}, {x - height * 0.22, foot},
                                {x + height * 0.22, foot});
    return d < 0.0;
}

Color LakesideView(Vec2 p) {
    double fromSun = Length(p - Vec2{kSunX, kSunY});
    if (p.y < kHorizon) {
        double t = Clamp01((p.y - kViewTop) / (kHorizon - kViewTop));
        Color sky = Mix({0.10, 0.27, 0.72}, {0.80, 0.88, 0.97}, t * t);
        double glow = 1.0 / (1.0 + (fromSun * fromSun) / 260.0);
        sky = Mix(sky, {1.0, 0.93, 0.72}, 0.75 * glow);
        if (fromSun < kSunRadius) sky = {1.0, 0.97, 0.84};
        double far = kHorizon - 9.0 - 20.0 * Ridge(p.x, 23.0, 1u);
        if (p.y > far) sky = Mix({0.36, 0.46, 0.66}, {0.62, 0.70, 0.84}, Clamp01((p.y - far) / 24.0));
        double near = kHorizon - 2.0 - 11.0 * Ridge(p.x, 13.0, 2u) * Ridge(p.x, 41.0, 3u);
        if (p.y > near) sky = Mix({0.14, 0.30, 0.22}, {0.20, 0.38, 0.27}, Clamp01((p.y - near) / 8.0));
        const double trees[][2] = {{28.0, 13.0}, {36.0, 9.0}, {121.0, 11.0}, {206.0, 15.0}, {215.0, 10.0}};
        for (const auto& tree : trees) {
            if (InTree(p, tree[0], kHorizon + 0.5, tree[1])) sky = {0.07, 0.20, 0.13};
        }
        return sky;
    }
    double shore = kHorizon + 30.0 + 8.0 * Ridge(p.x, 31.0, 4u);
    if (p.y > shore) {
        double t = Clamp01((p.y - shore) / 24.0);
        Color grass = Mix({0.34, 0.44, 0.20}, {0.20, 0.29, 0.12}, t);
        return Mix(grass, {0.55, 0.50, 0.34}, 0.35 * Ridge(p.x * 3.0, 7.0, 5u) * (1.0 - t));
    }
    double depth = Clamp01((p.y - kHorizon) / 30.0);
    Color water = Mix({0.52, 0.66, 0.86}, {0.14, 0.31, 0.58}, depth);
    // The sun's reflection: broken horizontal streaks under it.
    double across = p.x - kSunX;
    double width = 5.0 + 16.0 * depth;
    double streak = Clamp01(1.0 - (across * across) / (width * width));
    double ripple = Hash01(static_cast<uint32_t>(p.y * 1.5) * 131u + static_cast<uint32_t>((p.x + 300.0) / 6.0));
    return Mix(water, {1.0, 0.93, 0.74}, 0.8 * streak * ripple);
}

// Segments of an LCD digit, each a stroke between two points of a 0..1 box.
struct Stroke {
    Vec2 a, b;
};
const Stroke kSegments[7] = {
    {{0.0, 0.0}, {1.0, 0.0}},  // top
    {{1.0, 0.0}, {1.0, 0.5}},  // upper right
    {{1.0, 0.5}, {1.0, 1.0}},  // lower right
    {{0.0, 1.0}, {1.0, 1.0}},  // bottom
    {{0.0, 0.5}, {0.0, 1.0}},  // lower left
    {{0.0, 0.0}, {0.0, 0.5}},  // upper left
    {{0.0, 0.5}, {1.0, 0.5}},  // middle
};
// Which segments each digit lights, top first as above.
const char* const kThree = "1111001";
const char* const kSix = "1011111";
const char* const kZero = "1111110";

constexpr double kDigitWidth = 15.0, kDigitHeight = 28.0, kDigitStroke = 2.3;
constexpr double kDigitsLeft = 76.0, kDigitsTop = 16.0, kDigitPitch = 20.0;

bool InDigits(Vec2 p) {
    const char* const digits[3] = {kThree, kSix, kZero};
    for (int d = 0; d < 3; ++d) {
        Vec2 origin = {kDigitsLeft + d * kDigitPitch, kDigitsTop};
        for (int s = 0; s < 7; ++s) {
            if (digits[d][s] != '1') continue;
            Vec2 a = origin + Vec2{kSegments[s].a.x * kDigitWidth, kSegments[s].a.y * kDigitHeight};
            Vec2 b = origin + Vec2{kSegments[s].b.x * kDigitWidth, kSegments[s].b.y * kDigitHeight};
            double along;
            if (SegmentDistance(p, a, b, &along) < kDigitStroke) return true;
        }
    }
    // The degree sign: a ring at the top right of the last digit.
    Vec2 ring = {kDigitsLeft + 2 * kDigitPitch + kDigitWidth + 8.0, kDigitsTop + 4.0};
    double r = Length(p - ring);
    return r > 2.6 && r < 5.0;
}

Color ShadeAbout(Vec2 p) {
    double frame = ViewDistance(p);
    if (frame < -kViewBorder) return LakesideView(p);
    if (frame < 0.0) return kAboutFrame;
    if (InDigits(p)) return kAboutGold;
    Vec2 design = (p - kGlobeOrigin) * (1.0 / kGlobeScale);
    static const Arrow arrow = MakeArrow(kStyle32);
    Canvas globe = ShadeIcon(design, kStyle32, arrow);
    return globe.color + kAboutBlue * (1.0 - globe.alpha);
}

// The picture as a 24-bit bitmap file.
std::vector<uint8_t> MakeAboutBmp() {
    constexpr int kSub = 4;
    const uint32_t stride = BmpRowBytes(kAboutWidth);
    std::vector<uint8_t> out;
    PutBmpHeaders(out, kAboutWidth, kAboutHeight);
    for (int y = kAboutHeight - 1; y >= 0; --y) {
        for (int x = 0; x < kAboutWidth; ++x) {
            Color sum{0.0, 0.0, 0.0};
            for (int sy = 0; sy < kSub; ++sy) {
                for (int sx = 0; sx < kSub; ++sx) {
                    sum = sum + ShadeAbout({x + (sx + 0.5) / kSub, y + (sy + 0.5) / kSub});
                }
            }
            Color c = sum * (1.0 / (kSub * kSub));
            out.push_back(ToByte(c.b));
            out.push_back(ToByte(c.g));
            out.push_back(ToByte(c.r));
        }
        for (uint32_t i = kAboutWidth * 3; i < stride; ++i) out.push_back(0);
    }
    return out;
}

// ---------------------------------------------------------------- cursor

// 'X' black, 'o' white, anything else transparent. The hotspot is the
// top of the index finger.
constexpr int kCursorSize = 32;
constexpr int kHotspotX = 7, kHotspotY = 0;
const char* const kHand[kCursorSize] = {
    "......XXX.......................",
    ".....XoooX......................",
    ".....XoooX......................",
    ".....XoooX......................",
    ".....XoooX......................",
    ".....XoooXXXX...................",
    ".....XoooXoooXXXX...............",
    ".....XoooXoooXoooXXX............",
    ".....XoooXoooXoooXooX...........",
    ".XX..XoooXoooXoooXooX...........",
    "XooX.XoooXoooXoooXooX...........",
    "XoooXXooooooooooooooX...........",
    ".XoooXooooooooooooooX...........",
    "..XoooooooooooooooooX...........",
    "...XooooooooooooooooX...........",
    "....XoooooooooooooooX...........",
    ".....XooooooooooooooX...........",
    "......XooooooooooooX............",
    "......XooooooooooooX............",
    "......XooooooooooooX............",
    ".......XXXXXXXXXXXX.............",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
};

// ---------------------------------------------------------------- files

// The header of a bitmap stored in an icon or cursor: its height counts the
// colour image and the AND mask below it.
void PutInfoHeader(std::vector<uint8_t>& out, int size, int bits, uint32_t imageBytes) {
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(size));
    Put32(out, static_cast<uint32_t>(size * 2));
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(bits));
    Put32(out, 0);  // BI_RGB
    Put32(out, imageBytes);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
}

// Rows of a 1-bit mask are padded to 32 bits.
uint32_t MaskStride(int size) { return static_cast<uint32_t>((size + 31) / 32 * 4); }

// One icon image: header, BGRA rows bottom-up, then the AND mask (1 where
// fully transparent) bottom-up.
std::vector<uint8_t> IconEntryData(const Image& image) {
    const int n = image.size;
    const uint32_t stride = MaskStride(n);
    std::vector<uint8_t> out;
    PutInfoHeader(out, n, 32, static_cast<uint32_t>(n * n * 4) + stride * n);
    for (int y = n - 1; y >= 0; --y) {
        const uint8_t* row = &image.bgra[static_cast<size_t>(y) * n * 4];
        out.insert(out.end(), row, row + n * 4);
    }
    for (int y = n - 1; y >= 0; --y) {
        std::vector<uint8_t> mask(stride, 0);
        for (int x = 0; x < n; ++x) {
            if (image.bgra[(static_cast<size_t>(y) * n + x) * 4 + 3] == 0) mask[x / 8] |= 0x80 >> (x % 8);
        }
        out.insert(out.end(), mask.begin(), mask.end());
    }
    return out;
}

std::vector<uint8_t> MakeIco() {
    std::vector<Image> images = {RenderIcon(32, kStyle32), RenderIcon(16, kStyle16)};
    std::vector<std::vector<uint8_t>> data;
    for (const Image& image : images) data.push_back(IconEntryData(image));

    std::vector<uint8_t> out;
    Put16(out, 0);
    Put16(out, 1);  // icon
    Put16(out, static_cast<uint32_t>(images.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.push_back(static_cast<uint8_t>(images[i].size));
        out.push_back(static_cast<uint8_t>(images[i].size));
        out.push_back(0);  // not a palette image
        out.push_back(0);
        Put16(out, 1);   // planes
        Put16(out, 32);  // bits per pixel
        Put32(out, static_cast<uint32_t>(data[i].size()));
        Put32(out, offset);
        offset += static_cast<uint32_t>(data[i].size());
    }
    for (const auto& d : data) out.insert(out.end(), d.begin(), d.end());
    return out;
}

// A monochrome cursor: black and white palette, the XOR image (1 = white)
// and the AND mask (1 = transparent), both bottom-up.
std::vector<uint8_t> MakeCur() {
    const int n = kCursorSize;
    const uint32_t stride = MaskStride(n);
    std::vector<uint8_t> image;
    PutInfoHeader(image, n, 1, stride * n * 2);
    Put32(image, 0x00000000u);  // index 0: black
    Put32(image, 0x00FFFFFFu);  // index 1: white
    std::vector<uint8_t> xorBits, andBits;
    for (int y = n - 1; y >= 0; --y) {
        std::vector<uint8_t> xorRow(stride, 0), andRow(stride, 0);
        for (int x = 0; x < n; ++x) {
            char c = kHand[y][x];
            uint8_t bit = static_cast<uint8_t>(0x80 >> (x % 8));
            if (c == 'o') xorRow[x / 8] |= bit;
            if (c != 'o' && c != 'X') andRow[x / 8] |= bit;
        }
        xorBits.insert(xorBits.end(), xorRow.begin(), xorRow.end());
        andBits.insert(andBits.end(), andRow.begin(), andRow.end());
    }
    image.insert(image.end(), xorBits.begin(), xorBits.end());
    image.insert(image.end(), andBits.begin(), andBits.end());

    std::vector<uint8_t> out;
    Put16(out, 0);
    Put16(out, 2);  // cursor
    Put16(out, 1);
    out.push_back(static_cast<uint8_t>(n));
    out.push_back(static_cast<uint8_t>(n));
    out.push_back(2);  // colours in the palette
    out.push_back(0);
    Put16(out, kHotspotX);
    Put16(out, kHotspotY);
    Put32(out, static_cast<uint32_t>(image.size()));
    Put32(out, 6 + 16);
    out.insert(out.end(), image.begin(), image.end());
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || argv[1][0] == '\0' || argv[2][0] == '\0' || argv[3][0] == '\0') {
        std::fprintf(stderr, "usage: make_icons OUT.ico OUT.cur OUT_ABOUT.bmp\n");
        return 2;
    }
    const std::vector<uint8_t> files[3] = {MakeIco(), MakeCur(), MakeAboutBmp()};
    for (int i = 0; i < 3; ++i) {
        std::string error = WriteFile(argv[i + 1], files[i]);
        if (!error.empty()) {
            std::fprintf(stderr, "make_icons: %s: %s\n", argv[i + 1], error.c_str());
            return 2;
        }
    }
    return 0;
}
