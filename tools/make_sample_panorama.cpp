// Writes the built-in sample panorama: a 3500 x 1744 equirectangular JPEG of
// an invented lakeside lookout with compass signs at N, E, S and W.
//
// Column c looks at longitude (c - 1750) * 360 / 3500 degrees, growing to the
// right; row r looks at latitude (872 - r) * 180 / 1744, so row 0 is the
// zenith and the middle row the horizon. Directions are (x, y, z) with y up,
// z towards longitude 0 (north) and x towards +90 (east), so a view turned to
// longitude L has its right-hand side at larger longitudes and anything drawn
// left to right in the picture reads left to right in the view.
//
// Every pixel is one ray through an analytic scene: sky with sun and clouds,
// ridge layers at infinity, a ground plane below the eye with a lake and a
// path, and flat upright cut-outs (signs, trees) that face the centre. Edges
// are anti-aliased from signed distances and noise octaves finer than a pixel
// fade to their mean, so one ray per pixel is enough. All randomness is an
// integer hash with fixed seeds: the output bytes are the same on every run.
//
// Usage: make_sample_panorama OUT.jpg   (exit 2 on error)

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <jpeglib.h>  // needs size_t and FILE declared first

namespace {

constexpr int kWidth = 3500;
constexpr int kHeight = 1744;
constexpr int kQuality = 88;
constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;
constexpr double kPixelAngle = 2.0 * kPi / kWidth;  // radians per pixel
constexpr double kPixelDeg = 360.0 / kWidth;
constexpr double kEyeHeight = 1.6;  // metres above the ground

// ---------------------------------------------------------------- maths

struct Vec3 {
    double x, y, z;
};
Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Normalize(Vec3 a) { return a * (1.0 / std::sqrt(Dot(a, a))); }

struct Color {
    double r, g, b;
};
Color operator+(Color a, Color b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Color operator*(Color a, double s) { return {a.r * s, a.g * s, a.b * s}; }
Color operator*(Color a, Color b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
Color Mix(Color a, Color b, double t) { return a * (1.0 - t) + b * t; }

double Clamp01(double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); }
double Smoothstep(double e0, double e1, double v) {
    double t = Clamp01((v - e0) / (e1 - e0));
    return t * t * (3.0 - 2.0 * t);
}
// Coverage of a pixel of size footprint by the inside (negative side) of a
// signed distance.
double Coverage(double sdf, double footprint) { return Clamp01(0.5 - sdf / footprint); }

Vec3 Direction(double lonDeg, double latDeg) {
    double lon = lonDeg * kDeg, lat = latDeg * kDeg;
    return {std::cos(lat) * std::sin(lon), std::sin(lat), std::cos(lat) * std::cos(lon)};
}

// Signed difference a - b in degrees, in [-180, 180).
double AngleDiff(double a, double b) {
    double d = std::fmod(a - b + 180.0, 360.0);
    if (d < 0.0) d += 360.0;
    return d - 180.0;
}

// ---------------------------------------------------------------- noise

uint32_t Hash(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h = seed * 0x9E3779B1u ^ static_cast<uint32_t>(x) * 0x85EBCA77u ^
                 static_cast<uint32_t>(y) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}
double Random01(int32_t x, int32_t y, uint32_t seed) { return (Hash(x, y, seed) >> 8) * (1.0 / 16777216.0); }

int Wrap(int i, int period) {
    int m = i % period;
    return m < 0 ? m + period : m;
}

// Value noise in [0, 1] on the unit lattice; period > 0 makes it repeat in x.
double ValueNoise(double x, double y, uint32_t seed, int period = 0) {
    double fx = std::floor(x), fy = std::floor(y);
    int ix0 = static_cast<int>(fx), iy = static_cast<int>(fy);
    int ix1 = ix0 + 1;
    if (period > 0) {
        ix0 = Wrap(ix0, period);
        ix1 = Wrap(ix1, period);
    }
    double tx = x - fx, ty = y - fy;
    tx = tx * tx * tx * (tx * (tx * 6.0 - 15.0) + 10.0);
    ty = ty * ty * ty * (ty * (ty * 6.0 - 15.0) + 10.0);
    double a = Random01(ix0, iy, seed), b = Random01(ix1, iy, seed);
    double c = Random01(ix0, iy + 1, seed), d = Random01(ix1, iy + 1, seed);
    return (a + (b - a) * tx) * (1.0 - ty) + (c + (d - c) * tx) * ty;
}

// An octave of frequency f seen through a pixel of the given footprint: full
// weight while it is well resolved, none once it would alias.
double OctaveWeight(double f, double footprint) { return Clamp01(2.0 - 4.0 * f * footprint); }

// Fractal sum of value noise around 0.5; each octave is rotated against the
// previous one to hide the lattice. Octaves finer than the footprint fade to
// their mean.
double Fbm(double x, double y, int octaves, double footprint, uint32_t seed) {
    const double c = 0.8253356149, s = 0.5646424734;  // rotation by 0.6 rad
    double sum = 0.0, norm = 0.0, amp = 1.0, f = 1.0;
    for (int k = 0; k < octaves; ++k) {
        double w = OctaveWeight(f, footprint);
        double n = 0.5;
        if (w > 0.0) n = 0.5 + (ValueNoise(x, y, seed + 101u * k) - 0.5) * w;
        sum += amp * n;
        norm += amp;
        amp *= 0.5;
        f *= 2.0;
        double nx = 2.0 * (c * x - s * y) + 3.7;
        y = 2.0 * (s * x + c * y) - 1.3;
        x = nx;
    }
    return sum / norm;
}

// Fractal sum that repeats every `period` units in x (used around the circle).
double FbmPeriodic(double x, double y, int period, int octaves, double footprint, uint32_t seed) {
    double sum = 0.0, norm = 0.0, amp = 1.0;
    int f = 1;
    for (int k = 0; k < octaves; ++k) {
        double w = OctaveWeight(f, footprint);
        double n = 0.5;
        if (w > 0.0) n = 0.5 + (ValueNoise(x * f, y * f + 7.31 * k, seed + 101u * k, period * f) - 0.5) * w;
        sum += amp * n;
        norm += amp;
        amp *= 0.5;
        f *= 2;
    }
    return sum / norm;
}

// ---------------------------------------------------------------- lighting

const Vec3 kSun = Direction(120.0, 32.0);
const Color kHaze{0.75, 0.81, 0.87};
const Color kSkyShade{0.52, 0.56, 0.66};  // multiplies colours in shadow

// ---------------------------------------------------------------- sky

// A few cumulus placed by hand (longitude, elevation in degrees, size in
// units of the cloud layer's height); noise makes them puffy.
struct CloudSpot {
    double lonDeg, elevDeg, size, stretch;
};
const CloudSpot kClouds[] = {
    {-62.0, 26.0, 0.75, 1.6}, {-138.0, 13.0, 1.6, 2.0}, {8.0, 40.0, 0.4, 1.4},  {64.0, 17.0, 1.1, 2.2},
    {158.0, 21.0, 0.9, 1.8},  {-18.0, 9.0, 2.2, 2.5},   {136.0, 25.0, 0.45, 1.5}, {-105.0, 50.0, 0.3, 1.3},
    {32.0, 6.5, 3.5, 3.0},    {-168.0, 7.0, 3.0, 3.0},  {105.0, 8.0, 2.4, 2.6},   {-40.0, 14.0, 0.8, 2.0},
    {-100.0, 19.0, 0.6, 1.5}, {88.0, 36.0, 0.32, 1.3},  {-152.0, 31.0, 0.45, 1.6}, {42.0, 23.0, 0.55, 1.8},
};

struct CloudCentre {
    double x, z, ax, az, stretch, size;  // (ax, az): unit vector away from the viewer
};
std::vector<CloudCentre> cloudCentres;

void BuildClouds() {
    for (const CloudSpot& c : kClouds) {
        double dist = 1.0 / std::tan(c.elevDeg * kDeg);
        double ax = std::sin(c.lonDeg * kDeg), az = std::cos(c.lonDeg * kDeg);
        cloudCentres.push_back({ax * dist, az * dist, ax, az, c.stretch, c.size});
    }
}

double CloudDensity(double px, double pz, double footprint) {
    double envelope = 0.0;
    for (const CloudCentre& c : cloudCentres) {
        double dx = px - c.x, dz = pz - c.z;
        // Stretched across the line of sight, so they look wide, not deep.
        double along = dx * c.ax + dz * c.az;
        double across = dx * c.az - dz * c.ax;
        double r2 = (across * across / (c.stretch * c.stretch) + along * along) / (c.size * c.size);
        if (r2 < 6.0) envelope = std::max(envelope, std::exp(-r2 * 1.4));
    }
    const double s = 2.2;
    double shape = Fbm(px * s, pz * s, 7, footprint * s, 11u);
    return envelope * 0.9 + (shape - 0.5) * 1.0 - 0.5;
}

Color SkyColor(const Vec3& d, bool withSun) {
    double e = std::max(d.y, 0.0);
    const Color horizon{0.78, 0.84, 0.90};
    const Color zenith{0.19, 0.40, 0.74};
    double t = std::pow(1.0 - std::exp(-e * 3.2), 0.8);
    Color sky = Mix(horizon, zenith, t);

    double cosSun = Dot(d, kSun);
    double sunAngle = std::acos(std::max(-1.0, std::min(1.0, cosSun)));
    double forward = std::pow(std::max(cosSun, 0.0), 5.0);
    sky = sky + Color{0.22, 0.18, 0.10} * forward;

    // Cumulus on a flat layer one unit above the eye: they shrink and crowd
    // towards the horizon on their own.
    if (d.y > 0.015) {
        double k = 1.0 / d.y;
        double px = d.x * k, pz = d.z * k;
        double footprint = kPixelAngle * k * k;
        double density = CloudDensity(px, pz, footprint);
        if (density > -0.03) {
            double alpha = Smoothstep(-0.02, 0.16, density) * Smoothstep(0.015, 0.09, d.y);
            // Thicker towards the sun means this side is in the cloud's shadow.
            double hx = kSun.x, hz = kSun.z, hl = std::sqrt(hx * hx + hz * hz);
            double towardSun = CloudDensity(px + hx / hl * 0.09, pz + hz / hl * 0.09, footprint);
            // The far edge of a cloud is its base as seen from below.
            double pl = std::sqrt(px * px + pz * pz) + 1e-9;
            double outward = CloudDensity(px + px / pl * 0.12, pz + pz / pl * 0.12, footprint);
            double billows = Fbm(px * 7.0, pz * 7.0, 4, footprint * 7.0, 13u);
            double lit =
                Clamp01(0.72 - (towardSun - density) * 7.0 + (outward - density) * 5.0 + (billows - 0.5) * 0.8);
            double core = Smoothstep(0.02, 0.2, density);
            Color shade{0.58, 0.62, 0.70};
            Color bright{1.0, 0.98, 0.94};
            Color cloud = Mix(shade, bright, lit * (1.0 - 0.35 * core));
            // Thin edges near the sun glow.
            cloud = cloud + Color{0.35, 0.30, 0.22} * ((1.0 - core) * std::pow(std::max(cosSun, 0.0), 12.0));
            cloud = Mix(cloud, horizon, Clamp01(1.0 - d.y * 6.0) * 0.6);
            sky = Mix(sky, cloud, alpha);
        }
    }
    if (withSun) {
        double glow = 0.75 * std::exp(-sunAngle / 0.03) + 0.32 * std::exp(-sunAngle / 0.14);
        sky = sky + Color{1.0, 0.92, 0.78} * glow;
        const double radius = 0.0095;
        double disk = Smoothstep(radius + kPixelAngle, radius - kPixelAngle, sunAngle);
        sky = Mix(sky, Color{1.0, 1.0, 0.98}, disk);
    }
    return sky;
}

// ---------------------------------------------------------------- ridges

constexpr int kRidgeSamples = 4 * kWidth;
enum { kFarRange, kMidRange, kNearHills, kRidgeLayers };

struct RidgeTable {
    std::vector<double> heightDeg;
    double At(double lonDeg) const {
        double t = (lonDeg + 180.0) / 360.0 * kRidgeSamples;
        double ft = std::floor(t);
        int i = Wrap(static_cast<int>(ft), kRidgeSamples);
        int j = Wrap(i + 1, kRidgeSamples);
        double f = t - ft;
        return heightDeg[i] * (1.0 - f) + heightDeg[j] * f;
    }
};

// Sharp-crested ridge sum around the circle, t in [0, 1).
double RidgedProfile(double t, int basePeriod, int octaves, uint32_t seed) {
    double sum = 0.0, norm = 0.0, amp = 1.0, weight = 1.0;
    int period = basePeriod;
    for (int k = 0; k < octaves; ++k) {
        double n = ValueNoise(t * period, 0.37 * k, seed + 31u * k, period);
        double r = 1.0 - std::fabs(2.0 * n - 1.0);
        r = r * r * weight;
        weight = Clamp01(0.4 + r * 1.2);
        sum += amp * r;
        norm += amp;
        amp *= 0.52;
        period *= 2;
    }
    return sum / norm;
}

double SmoothProfile(double t, int basePeriod, int octaves, uint32_t seed) {
    return FbmPeriodic(t * basePeriod, 0.5, basePeriod, octaves, 0.0, seed);
}

RidgeTable ridges[kRidgeLayers];

void BuildRidges() {
    for (RidgeTable& r : ridges) r.heightDeg.resize(kRidgeSamples);
    for (int i = 0; i < kRidgeSamples; ++i) {
        double t = static_cast<double>(i) / kRidgeSamples;
        double lon = t * 360.0 - 180.0;
        // High snowy range in the west beyond the lake, open country in the
        // east under the sun.
        double west = 0.5 + 0.5 * std::cos((lon + 95.0) * kDeg);
        double env = Clamp01(0.15 + 0.85 * west + 0.5 * (SmoothProfile(t, 5, 3, 71u) - 0.5));
        double massif = Smoothstep(0.3, 0.78, FbmPeriodic(t * 10.0, 0.5, 10, 9, 0.0, 26u));
        double crags = RidgedProfile(t, 80, 5, 21u);
        ridges[kFarRange].heightDeg[i] = 0.6 + env * (1.0 + 14.0 * std::pow(massif, 1.5) + 1.5 * crags * massif);

        double south = 0.5 + 0.5 * std::cos((lon - 175.0) * kDeg);
        double env2 = Clamp01(0.25 + 0.6 * south + 0.6 * (SmoothProfile(t, 4, 3, 72u) - 0.5));
        ridges[kMidRange].heightDeg[i] = 0.5 + env2 * (0.8 + 6.0 * RidgedProfile(t, 11, 8, 22u));

        double hills = SmoothProfile(t, 9, 6, 23u);
        double trees = ValueNoise(t * 1700.0, 0.5, 24u, 1700) * ValueNoise(t * 90.0, 0.5, 25u, 90);
        ridges[kNearHills].heightDeg[i] = 0.15 + 2.6 * Smoothstep(0.35, 0.8, hills) + 0.12 * trees;
    }
}

struct RangeLook {
    Color rock;
    Color alt;  // second material: scree, meadow or forest clearings
    double haze;
    double reliefX, reliefY;  // relief texture frequency in 1/degree
    uint32_t seed;
};
const RangeLook kRanges[kRidgeLayers] = {
    {{0.36, 0.38, 0.44}, {0.50, 0.49, 0.47}, 0.40, 0.35, 0.22, 41u},
    {{0.27, 0.34, 0.30}, {0.43, 0.45, 0.38}, 0.30, 0.6, 0.4, 42u},
    {{0.14, 0.24, 0.11}, {0.34, 0.42, 0.18}, 0.14, 1.2, 0.9, 43u},
};

// Height of the relief on a range's face: broad spurs and gullies from a
// ridged sum, with finer rock detail on top.
double Relief(const RangeLook& look, double lonDeg, double latDeg, double footprintDeg) {
    double x = (lonDeg + 180.0) * look.reliefX;
    int period = static_cast<int>(360.0 * look.reliefX + 0.5);
    double v = FbmPeriodic(x, latDeg * look.reliefY, period, 3, footprintDeg * look.reliefX, look.seed);
    double ridge = 1.0 - std::fabs(2.0 * v - 1.0);
    double detail = FbmPeriodic(x * 4.0, latDeg * look.reliefY * 5.0, period * 4, 5, footprintDeg * look.reliefX * 4.0,
                                look.seed + 3u);
    return ridge * ridge + 0.12 * detail;
}

Color RangeColor(int layer, double lonDeg, double latDeg, double crestDeg) {
    const RangeLook& look = kRanges[layer];
    // The face is a relief that leans back from the viewer; its normal comes
    // from the relief texture and the slope of the crest line above.
    const double step = kPixelDeg;
    double fx = (Relief(look, lonDeg + step, latDeg, step) - Relief(look, lonDeg - step, latDeg, step)) / (2 * step);
    double fy = (Relief(look, lonDeg, latDeg + step, step) - Relief(look, lonDeg, latDeg - step, step)) / (2 * step);
    const RidgeTable& crest = ridges[layer];
    double crestSlope = (crest.At(lonDeg + 0.15) - crest.At(lonDeg - 0.15)) / 0.3;
    double nearCrest = std::exp(-(crestDeg - latDeg) * (layer == kFarRange ? 0.35 : 0.8));
    double strength = layer == kFarRange ? 2.0 : 1.5;
    Vec3 normal = Normalize({-(fx * strength + crestSlope * nearCrest), -fy * strength + 0.7, 1.0});
    double lon = lonDeg * kDeg;
    Vec3 right{std::cos(lon), 0.0, -std::sin(lon)};
    Vec3 toward{-std::sin(lon), 0.0, -std::cos(lon)};
    Vec3 sunLocal{Dot(kSun, right), kSun.y, Dot(kSun, toward)};
    double lambert = std::max(0.0, Dot(normal, sunLocal));

    double patch = FbmPeriodic((lonDeg + 180.0) * look.reliefX * 2.0, latDeg * look.reliefY * 3.0,
                               static_cast<int>(720.0 * look.reliefX + 0.5), 5, kPixelDeg * look.reliefX * 2.0,
                               look.seed + 7u);
    Color albedo = Mix(look.rock, look.alt, Smoothstep(0.45, 0.65, patch));
    if (layer == kFarRange) {
        double snowLine = 7.0 + 3.0 * (ValueNoise((lonDeg + 180.0) / 9.0, 0.0, 51u, 40) - 0.5);
        double snow = Smoothstep(snowLine - 0.25, snowLine + 0.25, latDeg + 2.5 * (patch - 0.5) + 0.8 * fy);
        albedo = Mix(albedo, Color{0.92, 0.94, 0.98}, snow);
    }
    if (layer != kNearHills) {
        // Forest on the lower slopes.
        double treeLine = (layer == kFarRange ? 2.8 : 2.0) + 1.5 * (patch - 0.5) * 2.0;
        albedo = Mix(albedo, Color{0.13, 0.21, 0.12}, Smoothstep(treeLine + 0.3, treeLine - 0.3, latDeg) * 0.85);
    }
    if (layer == kNearHills) {
        // Forest with clearings, darker along the wooded crest.
        albedo = Mix(albedo, look.rock * 0.8, Smoothstep(0.4, 0.0, crestDeg - latDeg) * 0.6);
    }
    Color lit = albedo * (kSkyShade * 0.85 + Color{1.0, 0.96, 0.88} * (0.75 * lambert));
    double haze = look.haze + (1.0 - look.haze) * 0.55 * std::exp(-std::max(latDeg, 0.0) / 0.7);
    return Mix(lit, kHaze, haze);
}

// Sky, clouds and ranges: everything at infinity. Latitude in degrees.
Color FarScene(const Vec3& d, double lonDeg, double latDeg, bool withSun) {
    double crest[kRidgeLayers], cover[kRidgeLayers];
    int first = 0;  // nothing behind a range that covers the pixel fully is seen
    for (int layer = 0; layer < kRidgeLayers; ++layer) {
        crest[layer] = ridges[layer].At(lonDeg);
        cover[layer] = Coverage(latDeg - crest[layer], kPixelDeg);
        if (cover[layer] >= 1.0) first = layer;
    }
    Color c = cover[first] >= 1.0 ? Color{0, 0, 0} : SkyColor(d, withSun);
    for (int layer = first; layer < kRidgeLayers; ++layer)
        if (cover[layer] > 0.0) c = Mix(c, RangeColor(layer, lonDeg, latDeg, crest[layer]), cover[layer]);
    return c;
}

// ---------------------------------------------------------------- glyphs

struct Point {
    double x, y;
};

// Compass letters as stroke polylines in a unit box, y up.
std::vector<std::vector<Point>> Glyph(char letter) {
    switch (letter) {
    case 'N':
        return {{{0, 0}, {0, 1}, {1, 0}, {1, 1}}};
    case 'E':
        return {{{1, 1}, {0, 1}, {0, 0}, {1, 0}}, {{0, 0.5}, {0.8, 0.5}}};
    case 'W':
        return {{{0, 1}, {0.22, 0}, {0.5, 0.7}, {0.78, 0}, {1, 1}}};
    case 'S': {
        std::vector<Point> s;
        for (int a = 20; a <= 270; a += 10)
            s.push_back({0.5 + 0.5 * std::cos(a * kDeg), 0.75 + 0.25 * std::sin(a * kDeg)});
        for (int a = 80; a >= -160; a -= 10)
            s.push_back({0.5 + 0.5 * std::cos(a * kDeg), 0.25 + 0.25 * std::sin(a * kDeg)});
        return {s};
    }
    default:
        return {};
    }
}

double SegmentDistance(Point p, Point a, Point b) {
    double vx = b.x - a.x, vy = b.y - a.y, wx = p.x - a.x, wy = p.y - a.y;
    double t = Clamp01((wx * vx + wy * vy) / (vx * vx + vy * vy));
    double dx = wx - vx * t, dy = wy - vy * t;
    return std::sqrt(dx * dx + dy * dy);
}

double BoxDistance(double u, double v, double cu, double cv, double hu, double hv, double round) {
    double qx = std::fabs(u - cu) - hu + round, qy = std::fabs(v - cv) - hv + round;
    double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0) - round;
}

// ---------------------------------------------------------------- cut-outs

enum class Kind { Sign, Conifer, Broadleaf };

// A flat upright object standing on the ground, facing the centre. Its plane
// holds coordinates u (metres to the right as seen from the centre) and v
// (metres above the ground).
struct Cutout {
    Kind kind = Kind::Sign;
    double lonDeg = 0.0, distance = 1.0, height = 1.0, radius = 1.0;
    char letter = 0;
    uint32_t seed = 0;
    Vec3 axis{}, right{}, base{};
    std::vector<std::pair<Point, Point>> strokes;  // sign letter, in metres
    struct Clump {
        double u, v, r, depth;
    };
    std::vector<Clump> clumps;  // broadleaf crown: overlapping leafy balls
    double halfAngleDeg = 0.0, topDeg = 0.0;
    double shadowReach = 0.0;  // no shadow further than this from the base

    Cutout(Kind kind_, double lonDeg_, double distance_, double height_, double radius_, char letter_, uint32_t seed_)
        : kind(kind_), lonDeg(lonDeg_), distance(distance_), height(height_), radius(radius_), letter(letter_),
          seed(seed_) {
        axis = Direction(lonDeg, 0.0);
        double lon = lonDeg * kDeg;
        right = {std::cos(lon), 0.0, -std::sin(lon)};
        base = axis * distance + Vec3{0.0, -kEyeHeight, 0.0};
        halfAngleDeg = std::atan((radius + 0.5) / distance) / kDeg + 1.0;
        topDeg = std::atan((height - kEyeHeight + 0.5) / distance) / kDeg + 1.0;
        shadowReach = height * std::sqrt(1.0 - kSun.y * kSun.y) / kSun.y + radius + 1.0;
        if (kind == Kind::Sign) {
            const double glyphHeight = 0.72, centreV = 1.62;
            double glyphWidth = letter == 'W' ? 0.80 : 0.56;
            for (const auto& line : Glyph(letter))
                for (size_t i = 0; i + 1 < line.size(); ++i) {
                    auto place = [&](Point p) {
                        return Point{(p.x - 0.5) * glyphWidth, centreV + (p.y - 0.5) * glyphHeight};
                    };
                    strokes.push_back({place(line[i]), place(line[i + 1])});
                }
        }
        if (kind == Kind::Broadleaf) {
            double centre = height - radius;
            clumps.push_back({0.0, centre, radius * 0.62, 0.0});
            for (int i = 0; i < 11; ++i) {
                double a = 2.0 * kPi * (i + 0.6 * Random01(i, 1, seed)) / 11.0;
                double reach = radius * (0.4 + 0.22 * Random01(i, 2, seed));
                double r = radius * (0.3 + 0.16 * Random01(i, 3, seed));
                double cv = centre + reach * std::sin(a) * 0.85;
                clumps.push_back({reach * std::cos(a), cv, r, radius * 0.5 * Random01(i, 4, seed)});
            }
        }
    }

    // Front-most leafy ball at (u, v) and its signed distance; -1 when none.
    int FrontClump(double u, double v, double& sdf) const {
        int best = -1;
        double bestZ = -1e9;
        sdf = 1e9;
        for (size_t i = 0; i < clumps.size(); ++i) {
            const Clump& c = clumps[i];
            double du = u - c.u, dv = v - c.v;
            double d = std::sqrt(du * du + dv * dv) - c.r;
            sdf = std::min(sdf, d);
            if (d < 0.0) {
                double z = c.depth + std::sqrt(c.r * c.r - (c.r + d) * (c.r + d));
                if (z > bestZ) {
                    bestZ = z;
                    best = static_cast<int>(i);
                }
            }
        }
        return best;
    }

    double LetterDistance(double u, double v) const {
        double d = 1e9;
        for (const auto& s : strokes) d = std::min(d, SegmentDistance({u, v}, s.first, s.second));
        return d - 0.062;
    }

    // Signed distance to the outline in metres (negative inside).
    double Shape(double u, double v, double footprint) const {
        switch (kind) {
        case Kind::Sign: {
            double board = BoxDistance(u, v, 0.0, 1.62, 0.56, 0.52, 0.04);
            double posts = std::min(BoxDistance(u, v, -0.38, 1.12, 0.055, 1.12, 0.01),
                                    BoxDistance(u, v, 0.38, 1.12, 0.055, 1.12, 0.01));
            return std::min(board, posts);
        }
        case Kind::Conifer: {
            double trunk = BoxDistance(u, v, 0.0, height * 0.15, 0.16, height * 0.15, 0.0);
            double v0 = height * 0.12;
            double y = (height - v) / (height - v0);  // 0 at the tip, 1 at the lowest branches
            if (y < 0.0 || y > 1.08) return trunk;
            double tiers = 9.0 + 3.0 * Random01(seed, 1, 5u);
            double tier = y * tiers, t = tier - std::floor(tier);
            double n = Fbm(u * 1.3, v * 1.3, 5, footprint * 1.3, seed);
            double w = radius * std::pow(std::min(y, 1.0), 0.92) * (0.62 + 0.38 * t) * (0.75 + 0.6 * (n - 0.5) * 2.0);
            double crown = std::fabs(u) - w;
            if (y > 1.0) crown = std::max(crown, (y - 1.0) * (height - v0));
            return std::min(trunk, crown) * 0.8;
        }
        case Kind::Broadleaf: {
            double centre = height - radius;
            double balls;
            FrontClump(u, v, balls);
            double s = 4.0 / radius;
            double n = Fbm(u * s + 9.1, v * s, 5, footprint * s, seed);
            double crown = balls + radius * 0.22 * (n - 0.5) * 2.0;
            double bend = 0.12 * std::sin(v * 0.7 + seed);
            double width = 0.22 - 0.08 * Clamp01(v / centre);
            double trunk = std::max(std::fabs(u - bend) - width, v - centre);
            return std::min(trunk, crown);
        }
        }
        return 1e9;
    }

    Color Paint(double u, double v, double footprint) const {
        double facing = -Dot(kSun, axis);  // > 0 when the front face is sunlit
        Vec3 sunLocal{Dot(kSun, right), kSun.y, facing};
        switch (kind) {
        case Kind::Sign: {
            double light = 0.62 + 0.55 * std::max(facing, 0.0);
            double board = BoxDistance(u, v, 0.0, 1.62, 0.56, 0.52, 0.04);
            double plank = (v - 1.10) / 0.26;
            int plankIndex = static_cast<int>(std::floor(plank));
            double grain = Fbm(u * 1.5 + plankIndex * 7.0, v * 60.0, 4, footprint * 60.0, seed + 2u);
            double tint = 0.85 + 0.3 * Random01(plankIndex, 3, seed);
            Color wood = Color{0.42, 0.29, 0.18} * (tint * (0.75 + 0.5 * grain));
            double gapDist = std::fabs(plank - std::floor(plank + 0.5)) * 0.26 - 0.006;
            wood = wood * (1.0 - 0.55 * Coverage(gapDist, footprint));
            Color post = Color{0.30, 0.22, 0.15} * (0.8 + 0.4 * Fbm(u * 8.0, v * 1.0, 3, footprint * 8.0, seed + 3u));
            Color c = Mix(post, wood, Coverage(board, footprint));
            double wear = Fbm(u * 9.0, v * 9.0, 4, footprint * 9.0, seed + 4u);
            Color paint = Color{0.95, 0.92, 0.84} * (0.88 + 0.2 * wear);
            c = Mix(c, paint, Coverage(LetterDistance(u, v), footprint));
            return c * light;
        }
        case Kind::Conifer: {
            if (v < height * 0.12 && std::fabs(u) < 0.25)
                return Color{0.24, 0.18, 0.13} * (0.6 + 0.5 * std::max(facing, 0.0));
            double n = Fbm(u * 3.0 + 4.0, v * 3.0, 5, footprint * 3.0, seed + 1u);
            double side = u / std::max(radius, 1e-3);
            double lambert = Clamp01(0.45 + 0.6 * side * sunLocal.x + 0.5 * facing + 0.2 * sunLocal.y);
            double light = (0.35 + 0.8 * lambert) * (0.6 + 0.8 * n);
            return Color{0.11, 0.20, 0.11} * light + Color{0.02, 0.03, 0.02};
        }
        case Kind::Broadleaf: {
            double sdf;
            int front = FrontClump(u, v, sdf);
            Color bark = Color{0.30, 0.24, 0.18} * (0.55 + 0.5 * std::max(facing, 0.0));
            if (front < 0) {
                // Outside every ball: the trunk, or leaves that only the
                // ragged edge noise added, lit like the crown's rim.
                double centre = height - radius;
                if (v < centre - radius * 0.3 && std::fabs(u) < 0.4) return bark;
                front = 0;
            }
            const Clump& c = clumps[front];
            double du = (u - c.u) / c.r, dv = (v - c.v) / c.r;
            double r2 = std::min(du * du + dv * dv, 1.0);
            Vec3 normal = Normalize({du, dv, std::sqrt(std::max(0.02, 1.0 - r2))});
            double s = 5.0 / radius;
            double leaves = Fbm(u * s + 2.0, v * s - 1.0, 5, footprint * s, seed + 1u);
            double lambert = std::max(0.0, Dot(normal, sunLocal));
            // Balls further back sit in the shade of the ones in front.
            double depthShade = 0.75 + 0.25 * c.depth / (radius * 0.5);
            double light = (0.38 + 0.85 * lambert) * depthShade * (0.6 + 0.8 * leaves);
            Color green = Mix(Color{0.17, 0.29, 0.10}, Color{0.27, 0.37, 0.13}, Random01(seed, 9, 2u));
            return green * light;
        }
        }
        return {0, 0, 0};
    }

    // Where the ray from the centre meets the object's plane; false when it
    // misses the object's neighbourhood.
    bool Hit(const Vec3& d, double latDeg, double& t, double& u, double& v) const {
        if (latDeg > topDeg) return false;
        double denom = Dot(d, axis);
        if (denom <= 1e-6) return false;
        t = distance / denom;
        Vec3 h = d * t;
        u = Dot(h, right);
        v = h.y + kEyeHeight;
        return v >= 0.0;
    }

    // Fraction of sunlight this object blocks at ground point g.
    double ShadowAt(const Vec3& g) const {
        double dx = g.x - base.x, dz = g.z - base.z;
        if (dx * dx + dz * dz > shadowReach * shadowReach) return 0.0;
        Vec3 normal = axis;
        if (kind != Kind::Sign) {
            // Round objects: a plane through the trunk facing the sun.
            double hl = std::sqrt(kSun.x * kSun.x + kSun.z * kSun.z);
            normal = {kSun.x / hl, 0.0, kSun.z / hl};
        }
        double denom = Dot(kSun, normal);
        if (std::fabs(denom) < 1e-6) return 0.0;
        double tau = Dot(base - g, normal) / denom;
        if (tau <= 0.0) return 0.0;
        Vec3 h = g + kSun * tau;
        Vec3 side{normal.z, 0.0, -normal.x};
        double u = Dot(h - base, side);
        if (kind == Kind::Sign) u = Dot(h - base, right);
        double v = h.y + kEyeHeight;
        double penumbra = 0.03 + tau * 0.0093;
        return Coverage(Shape(u, v, penumbra), penumbra);
    }
};

std::vector<Cutout> cutouts;

void BuildCutouts() {
    const char letters[4] = {'N', 'E', 'S', 'W'};
    for (int i = 0; i < 4; ++i)
        cutouts.emplace_back(Kind::Sign, i == 3 ? -90.0 : i * 90.0, 5.0, 2.24, 0.6, letters[i], 300u + i);
    struct TreeSpot {
        Kind kind;
        double lon, distance, height, radius;
    };
    const TreeSpot trees[] = {
        {Kind::Broadleaf, -33.0, 26.0, 11.0, 4.3}, {Kind::Broadleaf, -19.0, 44.0, 9.0, 3.6},
        {Kind::Conifer, 17.0, 58.0, 16.0, 2.6},    {Kind::Conifer, 23.5, 74.0, 14.0, 2.3},
        {Kind::Conifer, 29.0, 66.0, 12.0, 2.1},    {Kind::Conifer, 68.0, 52.0, 15.0, 2.5},
        {Kind::Broadleaf, 148.0, 34.0, 10.0, 4.0}, {Kind::Conifer, 167.0, 48.0, 13.0, 2.3},
        {Kind::Broadleaf, -171.0, 62.0, 9.5, 3.8},
        // Copses far out on the plain.
        {Kind::Broadleaf, 94.0, 180.0, 10.0, 4.5}, {Kind::Broadleaf, 97.5, 200.0, 12.0, 5.0},
        {Kind::Conifer, 100.0, 190.0, 15.0, 2.6},  {Kind::Broadleaf, -4.0, 230.0, 11.0, 5.0},
        {Kind::Conifer, -1.5, 250.0, 16.0, 2.8},   {Kind::Broadleaf, 126.0, 280.0, 12.0, 5.5},
        {Kind::Broadleaf, 48.0, 320.0, 11.0, 5.0}, {Kind::Conifer, 51.0, 300.0, 14.0, 2.5},
        {Kind::Broadleaf, 176.0, 150.0, 9.0, 4.0},
    };
    uint32_t seed = 400u;
    for (const TreeSpot& s : trees)
        cutouts.emplace_back(s.kind, s.lon, s.distance, s.height, s.radius, 0, seed++);
    // Far ones first so that nearer ones paint over them.
    std::stable_sort(cutouts.begin(), cutouts.end(),
                     [](const Cutout& a, const Cutout& b) { return a.distance > b.distance; });
}

// ---------------------------------------------------------------- ground

// The lake lies west of the lookout; signed distance in metres.
double LakeDistance(double gx, double gz) {
    const double lon = -112.0 * kDeg;
    double ax = std::sin(lon), az = std::cos(lon);
    double along = gx * ax + gz * az - 170.0, across = gx * az - gz * ax;
    const double ra = 158.0, rt = 190.0;
    double e = std::sqrt((along / ra) * (along / ra) + (across / rt) * (across / rt));
    double warp = 14.0 * (Fbm(gx / 40.0, gz / 40.0, 3, 0.0, 61u) - 0.5) * 2.0;
    return (e - 1.0) * ra + warp;
}

// Distance from the path's centre line in metres; the path leaves the
// lookout to the north-east and winds off towards the horizon.
double PathDistance(double gx, double gz) {
    const double lon = 45.0 * kDeg;
    double ax = std::sin(lon), az = std::cos(lon);
    double along = gx * ax + gz * az;
    double across = gx * az - gz * ax;
    double s = std::max(along, 0.0);
    double centre = 7.0 * std::sin(s / 34.0) * Smoothstep(0.0, 20.0, s) +
                    2.5 * std::sin(s / 11.0 + 0.4) * Smoothstep(2.0, 25.0, s);
    double d = std::fabs(across - centre);
    if (along < 0.0) d = std::sqrt(d * d + along * along);
    return d;
}

Color GroundColor(const Vec3& d) {
    double k = kEyeHeight / -d.y;
    double gx = d.x * k, gz = d.z * k;
    double distance = std::sqrt(gx * gx + gz * gz);
    double footprint = std::max(distance * kPixelAngle, k * kPixelAngle / -d.y);
    footprint = std::min(footprint, 500.0);

    // Meadow: fields of lusher and drier grass, clumps, and blades near by.
    double field = Fbm(gx / 70.0, gz / 70.0, 4, footprint / 70.0, 81u);
    double clumps = Fbm(gx / 5.0, gz / 5.0, 4, footprint / 5.0, 82u);
    double tufts = Fbm(gx * 2.5, gz * 2.5, 5, footprint * 2.5, 83u);
    double blades = Fbm(gx * 30.0, gz * 30.0, 3, footprint * 30.0, 84u);
    double hue = Fbm(gx / 18.0 - 7.0, gz / 18.0, 3, footprint / 18.0, 80u);
    Color lush{0.30, 0.41, 0.16}, dry{0.60, 0.57, 0.35}, dark{0.16, 0.25, 0.09}, olive{0.42, 0.45, 0.22};
    Color c = Mix(lush, olive, Smoothstep(0.35, 0.65, hue));
    c = Mix(c, dry, Smoothstep(0.42, 0.64, field));
    c = Mix(c, dark, Smoothstep(0.48, 0.7, clumps) * 0.7);
    c = c * (0.6 + 0.8 * tufts) * (0.7 + 0.6 * blades);

    Color earth{0.50, 0.41, 0.30};
    double bare = Fbm(gx / 9.0 + 20.0, gz / 9.0, 4, footprint / 9.0, 85u);
    c = Mix(c, earth * (0.8 + 0.4 * tufts), Smoothstep(0.66, 0.74, bare) * 0.8);

    // Flowers scattered in the grass close to the lookout.
    if (footprint < 0.04) {
        const double cell = 0.35;
        int cx = static_cast<int>(std::floor(gx / cell)), cz = static_cast<int>(std::floor(gz / cell));
        uint32_t h = Hash(cx, cz, 86u);
        if ((h & 0xff) < 22) {
            double fx = (cx + 0.2 + 0.6 * ((h >> 8) & 0xff) / 255.0) * cell;
            double fz = (cz + 0.2 + 0.6 * ((h >> 16) & 0xff) / 255.0) * cell;
            double r = std::sqrt((gx - fx) * (gx - fx) + (gz - fz) * (gz - fz)) - 0.025;
            static const Color petals[3] = {{0.95, 0.93, 0.85}, {0.95, 0.82, 0.25}, {0.62, 0.45, 0.80}};
            double fade = Smoothstep(0.04, 0.015, footprint);
            c = Mix(c, petals[(h >> 24) % 3], Coverage(r, footprint + 0.004) * fade);
        }
    }

    // Trodden earth around the lookout and along the path.
    double path = PathDistance(gx, gz);
    double pathHalf = 0.65 + 0.15 * (Fbm(gx / 3.0, gz / 3.0, 2, footprint / 3.0, 87u) - 0.5) * 2.0;
    double clearingEdge = Fbm(gx * 0.8, gz * 0.8, 3, footprint * 0.8, 88u);
    double clearing = std::sqrt(gx * gx + gz * gz) - 0.6 - 0.3 * (clearingEdge - 0.5) * 2.0;
    double trodden = std::min(path - pathHalf, clearing);
    double ragged = 0.35 * (tufts - 0.5) * 2.0 + 0.25 * (blades - 0.5) * 2.0;
    double onPath = Coverage(trodden + ragged, footprint + 0.05);
    if (onPath > 0.0) {
        double grit = Fbm(gx * 6.0, gz * 6.0, 5, footprint * 6.0, 89u);
        Color dirt = Mix(Color{0.46, 0.37, 0.26}, Color{0.66, 0.57, 0.43}, grit);
        // Small stones.
        if (footprint < 0.05) {
            const double cell = 0.18;
            int cx = static_cast<int>(std::floor(gx / cell)), cz = static_cast<int>(std::floor(gz / cell));
            uint32_t h = Hash(cx, cz, 90u);
            if ((h & 0xff) < 40) {
                double sx = (cx + 0.25 + 0.5 * ((h >> 8) & 0xff) / 255.0) * cell;
                double sz = (cz + 0.25 + 0.5 * ((h >> 16) & 0xff) / 255.0) * cell;
                double rad = 0.012 + 0.025 * ((h >> 24) & 0xff) / 255.0;
                double dx = gx - sx, dz = gz - sz;
                double r = std::sqrt(dx * dx + dz * dz);
                double lit = Clamp01(0.75 + 0.5 * (dx * kSun.x + dz * kSun.z) / rad);
                Color stone = Color{0.62, 0.60, 0.56} * lit;
                dirt = Mix(dirt, stone, Coverage(r - rad, footprint + 0.004) * Smoothstep(0.05, 0.02, footprint));
            }
        }
        c = Mix(c, dirt, onPath);
    }

    // Lake with a muddy shore; the water mirrors the far scene, rippled.
    double lake = LakeDistance(gx, gz);
    if (lake < 2.5 + footprint) {
        Color shore{0.52, 0.47, 0.36};
        c = Mix(c, shore * (0.85 + 0.3 * tufts), Coverage(lake - 1.8, footprint + 0.3));
        double water = Coverage(lake, footprint + 0.05);
        if (water > 0.0) {
            double s = 0.9;
            double e = 0.05;
            double w0 = Fbm(gx * s, gz * s * 3.0, 5, footprint * s * 3.0, 91u);
            double wx = Fbm((gx + e) * s, gz * s * 3.0, 5, footprint * s * 3.0, 91u);
            double wz = Fbm(gx * s, (gz + e) * s * 3.0, 5, footprint * s * 3.0, 91u);
            double calm = 0.05 * Smoothstep(300.0, 30.0, distance);
            Vec3 n = Normalize({-(wx - w0) / e * calm, 1.0, -(wz - w0) / e * calm});
            Vec3 r = d - n * (2.0 * Dot(d, n));
            if (r.y < 0.0005) r.y = 0.0005;
            r = Normalize(r);
            double rLon = std::atan2(r.x, r.z) / kDeg, rLat = std::asin(r.y) / kDeg;
            Color mirror = FarScene(r, rLon, rLat, false);
            double cosI = std::max(-Dot(d, n), 0.0);
            double fresnel = 0.02 + 0.98 * std::pow(1.0 - cosI, 5.0);
            Color deep{0.05, 0.12, 0.13};
            Color shallow{0.28, 0.30, 0.22};
            Color body = Mix(shallow, deep, Smoothstep(-0.5, -8.0, lake));
            Color wc = Mix(body, mirror * 0.92, std::min(1.0, fresnel + 0.25));
            c = Mix(c, wc, water);
        }
    }

    // Shadows of the signs and trees.
    double blocked = 0.0;
    Vec3 g{gx, -kEyeHeight, gz};
    if (distance < 400.0)
        for (const Cutout& o : cutouts) blocked = std::max(blocked, o.ShadowAt(g));
    c = Mix(c, c * kSkyShade, blocked * 0.8);

    double haze = 1.0 - std::exp(-distance / 1400.0);
    return Mix(c, kHaze, haze);
}

// ---------------------------------------------------------------- picture

// Cut-outs that may cover each column, far ones first.
std::vector<std::vector<const Cutout*>> cutoutsByColumn;

void BuildColumnLists() {
    cutoutsByColumn.assign(kWidth, {});
    for (int col = 0; col < kWidth; ++col) {
        double lon = (col - kWidth / 2) * kPixelDeg;
        for (const Cutout& o : cutouts)
            if (std::fabs(AngleDiff(lon, o.lonDeg)) <= o.halfAngleDeg) cutoutsByColumn[col].push_back(&o);
    }
}

Color Trace(int col, double lonDeg, double latDeg) {
    Vec3 d = Direction(lonDeg, latDeg);
    Color c = d.y >= 0.0 ? FarScene(d, lonDeg, latDeg, true) : GroundColor(d);
    for (const Cutout* po : cutoutsByColumn[col]) {
        const Cutout& o = *po;
        double t, u, v;
        if (!o.Hit(d, latDeg, t, u, v)) continue;
        double footprint = t * kPixelAngle;
        double cover = Coverage(o.Shape(u, v, footprint), footprint);
        if (cover <= 0.0) continue;
        Color oc = o.Paint(u, v, footprint);
        oc = Mix(oc, kHaze, 1.0 - std::exp(-t / 2200.0));
        c = Mix(c, oc, cover);
    }
    return c;
}

uint8_t ToByte(double v) {
    v = Clamp01(v);
    return static_cast<uint8_t>(v * 255.0 + 0.5);
}

std::vector<uint8_t> Render() {
    BuildRidges();
    BuildClouds();
    BuildCutouts();
    BuildColumnLists();
    std::vector<uint8_t> rgb(static_cast<size_t>(kWidth) * kHeight * 3);
    for (int row = 0; row < kHeight; ++row) {
        double lat = (kHeight / 2 - row) * 180.0 / kHeight;
        uint8_t* out = &rgb[static_cast<size_t>(row) * kWidth * 3];
        for (int col = 0; col < kWidth; ++col) {
            double lon = (col - kWidth / 2) * 360.0 / kWidth;
            Color c = Trace(col, lon, lat);
            out[col * 3 + 0] = ToByte(c.r);
            out[col * 3 + 1] = ToByte(c.g);
            out[col * 3 + 2] = ToByte(c.b);
        }
    }
    return rgb;
}

// ---------------------------------------------------------------- JPEG

struct JpegError {
    jpeg_error_mgr base;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr cinfo) {
    JpegError* err = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    longjmp(err->jump, 1);
}

// Baseline JFIF, YCbCr 4:2:0. Returns an empty string on success.
std::string WriteJpeg(const char* path, const uint8_t* rgb) {
    FILE* file = std::fopen(path, "wb");
    if (!file) return "cannot create the output file";
    jpeg_compress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = OnJpegError;
    err.message[0] = '\0';
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::fclose(file);
        return std::string("JPEG encoder: ") + err.message;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = kWidth;
    cinfo.image_height = kHeight;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, kQuality, TRUE);
    cinfo.optimize_coding = TRUE;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb + static_cast<size_t>(cinfo.next_scanline) * kWidth * 3);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    bool failed = std::ferror(file) != 0;
    if (std::fclose(file) != 0) failed = true;
    return failed ? "error while writing the output file" : "";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '\0') {
        std::fprintf(stderr, "usage: make_sample_panorama OUT.jpg\n");
        return 2;
    }
    std::vector<uint8_t> rgb = Render();
    std::string error = WriteJpeg(argv[1], rgb.data());
    if (!error.empty()) {
        // Drop the partial picture, but never a device or anything else that
        // is not a plain file.
        struct stat info;
        if (stat(argv[1], &info) == 0 && S_ISREG(info.st_mode)) std::remove(argv[1]);
        std::fprintf(stderr, "make_sample_panorama: %s: %s\n", argv[1], error.c_str());
        return 2;
    }
    return 0;
}
