// What the resource generators (make_icons, make_panel_bitmaps, make_sounds)
// share: 2-D vector maths, colours with straight alpha, little-endian byte
// writers and a file writer that leaves no partial file behind.
//
// Only +, -, *, / and sqrt are used, so the output bytes are the same on
// every run and every system; build with -ffp-contract=off.

#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace gen {

// ---------------------------------------------------------------- maths

struct Vec2 {
    double x, y;
};
inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(Vec2 a, double s) { return {a.x * s, a.y * s}; }
inline double Dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
inline double Length(Vec2 a) { return std::sqrt(Dot(a, a)); }
inline double Cross(Vec2 a, Vec2 b) { return a.x * b.y - a.y * b.x; }

inline double Clamp01(double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); }

// ---------------------------------------------------------------- colours

struct Color {
    double r, g, b;  // 0..1
};
inline Color operator+(Color a, Color b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Color operator*(Color a, double s) { return {a.r * s, a.g * s, a.b * s}; }
inline Color Mix(Color a, Color b, double t) { return a * (1.0 - t) + b * t; }

// A colour with straight (not premultiplied) alpha.
struct Paint {
    Color color;
    double alpha;
};
inline constexpr Paint kClear = {{0.0, 0.0, 0.0}, 0.0};

// 0..1 to 0..255, rounded to nearest.
inline uint8_t ToByte(double v) { return static_cast<uint8_t>(Clamp01(v) * 255.0 + 0.5); }

// ---------------------------------------------------------------- files

inline void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFFu);
    Put16(out, v >> 16);
}

// The file and info headers of a 24-bit uncompressed bitmap at 96 dots per
// inch; its rows follow bottom-up, each padded to 4 bytes.
inline uint32_t BmpRowBytes(int width) { return static_cast<uint32_t>((width * 3 + 3) / 4 * 4); }
inline void PutBmpHeaders(std::vector<uint8_t>& out, int width, int height) {
    const uint32_t imageBytes = BmpRowBytes(width) * static_cast<uint32_t>(height);
    out.push_back('B');
    out.push_back('M');
    Put32(out, 14 + 40 + imageBytes);
    Put32(out, 0);
    Put32(out, 14 + 40);
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(width));
    Put32(out, static_cast<uint32_t>(height));
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0);  // BI_RGB
    Put32(out, imageBytes);
    Put32(out, 3780);  // 96 dots per inch
    Put32(out, 3780);
    Put32(out, 0);
    Put32(out, 0);
}

// Returns an empty string on success; a partial file is removed.
inline std::string WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return "cannot create the output file";
    bool failed = std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size();
    if (std::fclose(file) != 0) failed = true;
    if (!failed) return "";
    // Never remove a device or anything else that is not a plain file.
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) std::remove(path.c_str());
    return "error while writing the output file";
}

}  // namespace gen
