// Draws the control panel's bitmaps: the skin, the backlit main keys, the
// direction pad keys, the caption buttons and the small icons of the LCD.
//
// Shapes are anti-aliased by taking the mean of 8 x 8 point samples per
// pixel; the lettering is a pixel font drawn by hand below, placed on whole
// pixels so that it stays crisp at 1x. Only +, -, *, / and sqrt are used (no
// sin, cos or pow from the maths library) so the output bytes are the same on
// every run and every system.
//
// Usage: make_panel_bitmaps OUTDIR   (writes OUTDIR/<name>.bmp, exit 2 on error)

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "generator_support.h"

namespace {

using namespace gen;

// ---------------------------------------------------------------- maths

double Max(double a, double b) { return a > b ? a : b; }
double Min(double a, double b) { return a < b ? a : b; }
double Abs(double v) { return v < 0.0 ? -v : v; }

Color Rgb(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0}; }

// ---------------------------------------------------------------- distances
// Signed distances in pixel units, negative inside. Pixel (x, y) covers the
// square x..x+1, y..y+1.

double BoxDistance(Vec2 p, double x0, double y0, double x1, double y1, double radius) {
    double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    double hx = (x1 - x0) / 2 - radius, hy = (y1 - y0) / 2 - radius;
    double qx = Abs(p.x - cx) - hx, qy = Abs(p.y - cy) - hy;
    double outside = Length({Max(qx, 0.0), Max(qy, 0.0)});
    return outside + Min(Max(qx, qy), 0.0) - radius;
}

double CircleDistance(Vec2 p, Vec2 c, double radius) { return Length(p - c) - radius; }

double SegmentDistance(Vec2 p, Vec2 a, Vec2 b) {
    Vec2 ab = b - a;
    double h = Clamp01(Dot(p - a, ab) / Dot(ab, ab));
    return Length(p - (a + ab * h));
}

// A convex polygon given in either winding order.
double PolygonDistance(Vec2 p, const std::vector<Vec2>& v) {
    double d = 1e9;
    int positive = 0, negative = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        Vec2 a = v[i], b = v[(i + 1) % v.size()];
        d = Min(d, SegmentDistance(p, a, b));
        double c = Cross(b - a, p - a);
        if (c >= 0) ++positive;
        if (c <= 0) ++negative;
    }
    bool inside = positive == static_cast<int>(v.size()) || negative == static_cast<int>(v.size());
    return inside ? -d : d;
}

// ---------------------------------------------------------------- images

struct Image {
    int width = 0, height = 0;
    std::vector<Color> pixels;  // top row first

    Image(int w, int h, Color fill) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
    Color& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    const Color& At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    void Blend(int x, int y, Color c, double alpha) {
        if (!Contains(x, y) || alpha <= 0.0) return;
        Color& p = At(x, y);
        p = Mix(p, c, Clamp01(alpha));
    }
};

void FillRect(Image& image, int x0, int y0, int x1, int y1, Color c) {  // x1, y1 exclusive
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (image.Contains(x, y)) image.At(x, y) = c;
}

void HLine(Image& image, int x0, int x1, int y, Color c) { FillRect(image, x0, y, x1 + 1, y + 1, c); }
void VLine(Image& image, int x, int y0, int y1, Color c) { FillRect(image, x, y0, x + 1, y1 + 1, c); }

using Shader = std::function<Paint(Vec2)>;

// Paints a scene over the pixels of x0..x1-1, y0..y1-1: each pixel gets the
// mean of 8 x 8 samples of the shader composited over its present colour.
void Shade(Image& image, int x0, int y0, int x1, int y1, const Shader& shader) {
    constexpr int kSub = 8;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            if (!image.Contains(x, y)) continue;
            Color sum{0.0, 0.0, 0.0};
            double alpha = 0.0;
            for (int sy = 0; sy < kSub; ++sy) {
                for (int sx = 0; sx < kSub; ++sx) {
                    Paint p = shader({x + (sx + 0.5) / kSub, y + (sy + 0.5) / kSub});
                    sum = sum + p.color * p.alpha;
                    alpha += p.alpha;
                }
            }
            Color& out = image.At(x, y);
            out = sum * (1.0 / (kSub * kSub)) + out * (1.0 - alpha / (kSub * kSub));
        }
    }
}

// Paints the inside of a shape given by its distance function in one colour.
void FillShape(Image& image, const std::function<double(Vec2)>& distance, Color c, double alpha = 1.0) {
    Shade(image, 0, 0, image.width, image.height,
          [&](Vec2 p) { return distance(p) <= 0.0 ? Paint{c, alpha} : kClear; });
}

// ---------------------------------------------------------------- masks

// Coverage values 0..1 on a grid, used for lettering and glows.
struct Mask {
    int width = 0, height = 0;
    std::vector<double> values;
    Mask(int w, int h) : width(w), height(h), values(static_cast<size_t>(w) * h, 0.0) {}
    double Get(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return 0.0;
        return values[static_cast<size_t>(y) * width + x];
    }
    double& At(int x, int y) { return values[static_cast<size_t>(y) * width + x]; }
};

// A box blur of the given radius applied twice, grown by the blur's reach.
Mask Blur(const Mask& in, int radius) {
    const int pad = 2 * radius;
    Mask a(in.width + 2 * pad, in.height + 2 * pad);
    for (int y = 0; y < in.height; ++y)
        for (int x = 0; x < in.width; ++x) a.At(x + pad, y + pad) = in.Get(x, y);
    const double n = 2 * radius + 1;
    for (int pass = 0; pass < 2; ++pass) {
        Mask h(a.width, a.height);
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x) {
                double s = 0;
                for (int k = -radius; k <= radius; ++k) s += a.Get(x + k, y);
                h.At(x, y) = s / n;
            }
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x) {
                double s = 0;
                for (int k = -radius; k <= radius; ++k) s += h.Get(x, y + k);
                a.At(x, y) = s / n;
            }
    }
    return a;
}

// Paints colour c through the mask placed with its top left at (x, y).
void DrawMask(Image& image, const Mask& mask, int x, int y, Color c, double alpha = 1.0) {
    for (int my = 0; my < mask.height; ++my)
        for (int mx = 0; mx < mask.width; ++mx) image.Blend(x + mx, y + my, c, alpha * mask.Get(mx, my));
}

// ---------------------------------------------------------------- font

// Capitals, digits and a few signs, 9 pixels high with 2-pixel stems.
struct Glyph {
    char ch;
    const char* rows[9];
};

const Glyph kGlyphs[] = {
    {' ', {"...", "...", "...", "...", "...", "...", "...", "...", "..."}},
    {'A', {".XXXX.", "XXXXXX", "XX..XX", "XX..XX", "XXXXXX", "XX..XX", "XX..XX", "XX..XX", "XX..XX"}},
    {'B', {"XXXXX.", "XXXXXX", "XX..XX", "XX..XX", "XXXXX.", "XX..XX", "XX..XX", "XXXXXX", "XXXXX."}},
    {'C', {".XXXXX", "XXXXXX", "XX....", "XX....", "XX....", "XX....", "XX....", "XXXXXX", ".XXXXX"}},
    {'D', {"XXXXX.", "XXXXXX", "XX..XX", "XX..XX", "XX..XX", "XX..XX", "XX..XX", "XXXXXX", "XXXXX."}},
    {'E', {"XXXXXX", "XXXXXX", "XX....", "XX....", "XXXXX.", "XX....", "XX....", "XXXXXX", "XXXXXX"}},
    {'F', {"XXXXXX", "XXXXXX", "XX....", "XX....", "XXXXX.", "XX....", "XX....", "XX....", "XX...."}},
    {'G', {".XXXXX", "XXXXXX", "XX....", "XX....", "XX.XXX", "XX..XX", "XX..XX", "XXXXXX", ".XXXXX"}},
    {'H', {"XX..XX", "XX..XX", "XX..XX", "XX..XX", "XXXXXX", "XX..XX", "XX..XX", "XX..XX", "XX..XX"}},
    {'I', {"XXXX", "XXXX", ".XX.", ".XX.", ".XX.", ".XX.", ".XX.", "XXXX", "XXXX"}},
    {'J', {"....XX", "....XX", "....XX", "....XX", "....XX", "....XX", "XX..XX", "XXXXXX", ".XXXX."}},
    {'K', {"XX..XX", "XX..XX", "XX.XX.", "XXXX..", "XXX...", "XXXX..", "XX.XX.", "XX..XX", "XX..XX"}},
    {'L', {"XX....", "XX....", "XX....", "XX....", "XX....", "XX....", "XX....", "XXXXXX", "XXXXXX"}},
    {'M', {"XX....XX", "XXX..XXX", "XXXXXXXX", "XX.XX.XX", "XX....XX", "XX....XX", "XX....XX", "XX....XX",
           "XX....XX"}},
    {'N', {"XX...XX", "XXX..XX", "XXX..XX", "XXXX.XX", "XX.X.XX", "XX.XXXX", "XX..XXX", "XX..XXX", "XX...XX"}},
    {'O', {".XXXX.", "XXXXXX", "XX..XX", "XX..XX", "XX..XX", "XX..XX", "XX..XX", "XXXXXX", ".XXXX."}},
    {'P', {"XXXXX.", "XXXXXX", "XX..XX", "XX..XX", "XXXXX.", "XX....", "XX....", "XX....", "XX...."}},
    {'Q', {".XXXX..", "XXXXXX.", "XX..XX.", "XX..XX.", "XX..XX.", "XX.XXX.", "XX..XX.", "XXXXXX.", ".XXX.XX"}},
    {'R', {"XXXXX.", "XXXXXX", "XX..XX", "XX..XX", "XXXXX.", "XX.XX.", "XX..XX", "XX..XX", "XX..XX"}},
    {'S', {".XXXXX", "XXXXXX", "XX....", "XX....", ".XXXX.", "....XX", "....XX", "XXXXXX", "XXXXX."}},
    {'T', {"XXXXXX", "XXXXXX", "..XX..", "..XX..", "..XX..", "..XX..", "..XX..", "..XX..", "..XX.."}},
    {'U', {"XX..XX", "XX..XX", "XX..XX", "XX..XX", "XX..XX", "XX..XX", "XX..XX", "XXXXXX", ".XXXX."}},
    {'V', {"XX...XX", "XX...XX", "XX...XX", "XX...XX", ".XX.XX.", ".XX.XX.", "..XXX..", "..XXX..", "...X..."}},
    {'W', {"XX....XX", "XX....XX", "XX....XX", "XX....XX", "XX.XX.XX", "XX.XX.XX", "XXXXXXXX", "XXX..XXX",
           "XX....XX"}},
    {'X', {"XX..XX", "XX..XX", ".XXXX.", ".XXXX.", "..XX..", ".XXXX.", ".XXXX.", "XX..XX", "XX..XX"}},
    {'Y', {"XX..XX", "XX..XX", "XX..XX", ".XXXX.", "..XX..", "..XX..", "..XX..", "..XX..", "..XX.."}},
    {'Z', {"XXXXXX", "XXXXXX", "....XX", "...XX.", "..XX..", ".XX...", "XX....", "XXXXXX", "XXXXXX"}},
    {'0', {".XXXX.", "XXXXXX", "XX..XX", "XX..XX", "XX..XX", "XX..XX", "XX..XX", "XXXXXX", ".XXXX."}},
    {'1', {"..XX..", ".XXX..", "XXXX..", "..XX..", "..XX..", "..XX..", "..XX..", "XXXXXX", "XXXXXX"}},
    {'2', {".XXXX.", "XXXXXX", "XX..XX", "....XX", "..XXX.", ".XX...", "XX....", "XXXXXX", "XXXXXX"}},
    {'3', {"XXXXX.", "XXXXXX", "....XX", "....XX", ".XXXX.", "....XX", "....XX", "XXXXXX", "XXXXX."}},
    {'4', {"XX..XX", "XX..XX", "XX..XX", "XX..XX", "XXXXXX", "....XX", "....XX", "....XX", "....XX"}},
    {'5', {"XXXXXX", "XXXXXX", "XX....", "XX....", "XXXXX.", "....XX", "....XX", "XXXXXX", "XXXXX."}},
    {'6', {".XXXX.", "XXXXX.", "XX....", "XX....", "XXXXX.", "XX..XX", "XX..XX", "XXXXXX", ".XXXX."}},
    {'7', {"XXXXXX", "XXXXXX", "....XX", "....XX", "...XX.", "..XX..", "..XX..", "..XX..", "..XX.."}},
    {'8', {".XXXX.", "XXXXXX", "XX..XX", "XX..XX", ".XXXX.", "XX..XX", "XX..XX", "XXXXXX", ".XXXX."}},
    {'9', {".XXXX.", "XXXXXX", "XX..XX", "XX..XX", ".XXXXX", "....XX", "....XX", ".XXXXX", ".XXXX."}},
    {'+', {"......", "......", "..XX..", "..XX..", "XXXXXX", "..XX..", "..XX..", "......", "......"}},
    {'-', {"......", "......", "......", "......", "XXXXXX", "......", "......", "......", "......"}},
};
constexpr int kGlyphHeight = 9;

const Glyph* FindGlyph(char c) {
    for (const Glyph& g : kGlyphs)
        if (g.ch == c) return &g;
    return nullptr;
}

int GlyphWidth(const Glyph& g) { return static_cast<int>(std::string(g.rows[0]).size()); }

// The lettering of a text as a mask, `spacing` blank columns between letters.
// A character without a glyph is a programming error and stops the tool.
Mask TextMask(const std::string& text, int spacing) {
    int width = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const Glyph* g = FindGlyph(text[i]);
        if (!g) {
            std::fprintf(stderr, "make_panel_bitmaps: no glyph for '%c'\n", text[i]);
            std::exit(2);
        }
        width += GlyphWidth(*g) + (i + 1 < text.size() ? spacing : 0);
    }
    Mask mask(width, kGlyphHeight);
    int x = 0;
    for (char c : text) {
        const Glyph* g = FindGlyph(c);
        for (int y = 0; y < kGlyphHeight; ++y)
            for (int gx = 0; g->rows[y][gx]; ++gx)
                if (g->rows[y][gx] == 'X') mask.At(x + gx, y) = 1.0;
        x += GlyphWidth(*g) + spacing;
    }
    return mask;
}

// ---------------------------------------------------------------- palette

const Color kPanel = Rgb(0x38, 0x3F, 0x43);      // the window's background colour
const Color kPanelLight = Rgb(0x50, 0x59, 0x5E);
const Color kPanelShadow = Rgb(0x22, 0x27, 0x2A);
const Color kDeck = Rgb(0x1D, 0x21, 0x24);       // the well the keys sit in
const Color kRimDark = Rgb(0x0B, 0x0D, 0x0E);
const Color kLcd = Rgb(0xB0, 0xC4, 0xAF);        // shared with the program's LCD labels
const Color kLcdInk = Rgb(0x04, 0x82, 0x9D);
const Color kLegend = Rgb(0xEA, 0xF7, 0xFC);     // backlit lettering
const Color kBacklight = Rgb(0x38, 0xB8, 0xE0);
const Color kLegendDim = Rgb(0x6C, 0x75, 0x7A);
const Color kLedGreen = Rgb(0x5C, 0xFF, 0x7A);
const Color kLedAmber = Rgb(0xFF, 0x6A, 0x1A);

// ---------------------------------------------------------------- keys

// A key cap lit from the upper left: a face with a soft vertical gradient,
// a light upper and left edge and a dark lower and right edge, on a dark rim.
// Outside the rim the paint is clear, so the caller's background shows.
struct CapStyle {
    double x0, y0, x1, y1, radius;
    Color top, bottom;  // face gradient
    Color light, dark;  // bevel edges
};

Paint CapPaint(Vec2 p, const CapStyle& s) {
    double d = BoxDistance(p, s.x0, s.y0, s.x1, s.y1, s.radius);
    if (d > 1.0) return kClear;
    if (d > 0.0) return {kRimDark, 1.0};
    double t = Clamp01((p.y - s.y0) / (s.y1 - s.y0));
    Color face = Mix(s.top, s.bottom, t);
    if (d > -1.2) {
        // The edge's outward normal, from the distance field's slope.
        const double e = 0.01;
        Vec2 n = {BoxDistance({p.x + e, p.y}, s.x0, s.y0, s.x1, s.y1, s.radius) - d,
                  BoxDistance({p.x, p.y + e}, s.x0, s.y0, s.x1, s.y1, s.radius) - d};
        double len = Length(n);
        if (len > 0) n = n * (1.0 / len);
        double light = Dot(n, {-0.6, -0.8});  // 1 facing the light, -1 away from it
        return {light > 0 ? Mix(face, s.light, light) : Mix(face, s.dark, -light), 1.0};
    }
    return {face, 1.0};
}

CapStyle KeyCap(double x0, double y0, double x1, double y1, double radius, bool lit) {
    if (lit) return {x0, y0, x1, y1, radius, Rgb(0x3A, 0x42, 0x47), Rgb(0x27, 0x2D, 0x31), Rgb(0x6A, 0x75, 0x7B),
                     Rgb(0x15, 0x18, 0x1A)};
    return {x0, y0, x1, y1, radius, Rgb(0x2A, 0x30, 0x33), Rgb(0x1F, 0x24, 0x27), Rgb(0x48, 0x50, 0x55),
            Rgb(0x12, 0x14, 0x16)};
}

// Lettering or a symbol given as a mask: lit keys glow from behind, dim keys
// show a grey engraving with a faint lower lip.
void DrawLegend(Image& image, const Mask& mask, int x, int y, bool lit) {
    if (lit) {
        const int r = 1;
        Mask glow = Blur(mask, r);
        DrawMask(image, glow, x - 2 * r, y - 2 * r, kBacklight, 0.85);
        DrawMask(image, mask, x, y, kLegend);
    } else {
        DrawMask(image, mask, x, y + 1, Rgb(0x3C, 0x44, 0x48), 0.8);
        DrawMask(image, mask, x, y, kLegendDim);
    }
}

enum class Led { Dark, Green, Amber };

void DrawLed(Image& image, Vec2 c, Led led) {
    const double radius = 2.6;
    Color lamp = led == Led::Amber ? kLedAmber : kLedGreen;
    if (led != Led::Dark) {
        // A halo of light on the key face around the lamp.
        Shade(image, static_cast<int>(c.x) - 8, static_cast<int>(c.y) - 8, static_cast<int>(c.x) + 9,
              static_cast<int>(c.y) + 9, [&](Vec2 p) {
                  double d = Length(p - c) - radius;
                  if (d < 0.0) return kClear;
                  double a = Clamp01(1.0 - d / 5.5);
                  return Paint{lamp, 0.35 * a * a};
              });
    }
    Shade(image, static_cast<int>(c.x) - 5, static_cast<int>(c.y) - 5, static_cast<int>(c.x) + 6,
          static_cast<int>(c.y) + 6, [&](Vec2 p) {
              double d = Length(p - c);
              if (d > radius + 1.0) return kClear;
              if (d > radius) return Paint{kRimDark, 1.0};
              double t = d / radius;
              if (led == Led::Dark) {
                  // Unlit glass: dark, with a small reflection at the upper left.
                  Color glass = Mix(Rgb(0x30, 0x3A, 0x36), Rgb(0x14, 0x19, 0x17), t);
                  double spot = Length(p - (c + Vec2{-0.9, -0.9}));
                  if (spot < 0.8) glass = Mix(glass, Rgb(0x90, 0xA0, 0x98), 0.6);
                  return Paint{glass, 1.0};
              }
              Color hot = Mix(Rgb(0xFF, 0xFF, 0xF0), lamp, Clamp01(t * 1.4));
              return Paint{Mix(hot, lamp * 0.75, Clamp01(t * t)), 1.0};
          });
}

// A main key, 75 x 24: the cap on the dark deck, an LED at the left and the
// label centred in the rest.
Image MainKey(const std::string& label, bool lit, Led led) {
    Image image(75, 24, kDeck);
    CapStyle cap = KeyCap(1.0, 1.0, 74.0, 23.0, 3.0, lit);
    Shade(image, 0, 0, 75, 24, [&](Vec2 p) { return CapPaint(p, cap); });
    DrawLed(image, {9.5, 12.0}, lit ? led : Led::Dark);
    Mask text = TextMask(label, 1);
    const int left = 17, right = 72;
    DrawLegend(image, text, left + (right - left - text.width) / 2, 7, lit);
    return image;
}

// The Options dialog's close key, 68 x 24, on the dialog's own background:
// raised and lit, or pressed in with its lettering a pixel lower.
Image CloseKey(bool pressed) {
    Image image(68, 24, kPanel);
    CapStyle cap = KeyCap(1.0, 1.0, 67.0, 23.0, 3.0, !pressed);
    if (pressed) std::swap(cap.light, cap.dark);
    Shade(image, 0, 0, 68, 24, [&](Vec2 p) { return CapPaint(p, cap); });
    Mask text = TextMask("CLOSE", 1);
    DrawLegend(image, text, (68 - text.width) / 2, pressed ? 8 : 7, !pressed);
    return image;
}

// ---------------------------------------------------------------- symbols

using Distance = std::function<double(Vec2)>;

double Union(double a, double b) { return Min(a, b); }

// Samples a symbol into a coverage mask of the given size.
Mask SymbolMask(int w, int h, const Distance& distance) {
    Image scratch(w, h, {0.0, 0.0, 0.0});
    FillShape(scratch, distance, {1.0, 1.0, 1.0});
    Mask mask(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) mask.At(x, y) = scratch.At(x, y).r;
    return mask;
}

Distance Triangle(Vec2 a, Vec2 b, Vec2 c) {
    return [=](Vec2 p) { return PolygonDistance(p, {a, b, c}); };
}

Distance Bar(double x0, double y0, double x1, double y1) {
    return [=](Vec2 p) { return BoxDistance(p, x0, y0, x1, y1, 0.0); };
}

Distance Plus(Vec2 c, double half, double thick) {
    return [=](Vec2 p) {
        return Union(BoxDistance(p, c.x - half, c.y - thick / 2, c.x + half, c.y + thick / 2, 0.0),
                     BoxDistance(p, c.x - thick / 2, c.y - half, c.x + thick / 2, c.y + half, 0.0));
    };
}

Distance Minus(Vec2 c, double half, double thick) { return Bar(c.x - half, c.y - thick / 2, c.x + half, c.y + thick / 2); }

// A magnifying glass: lens ring and handle, with a sign in the lens.
Distance Magnifier(bool plus) {
    const Vec2 lens = {9.5, 9.5};
    Distance sign = plus ? Plus(lens, 3.0, 1.8) : Minus(lens, 3.0, 1.8);
    return [=](Vec2 p) {
        double ring = Abs(CircleDistance(p, lens, 5.6)) - 1.0;
        double handle = SegmentDistance(p, {14.0, 14.0}, {17.6, 17.6}) - 1.5;
        return Union(Union(ring, handle), sign(p));
    };
}

// A loudspeaker whose cone opens to the right, scaled about its box; `gap`
// parts the box from the cone where there is room to show it.
double Speaker(Vec2 p, Vec2 origin, double scale, double gap) {
    Vec2 q = (p - origin) * (1.0 / scale);
    double box = BoxDistance(q, 0.0, 3.0, 2.85 - gap / 2, 7.0, 0.0);
    double cone = PolygonDistance(q, {{2.85 + gap / 2, 3.0}, {6.6, -0.5}, {6.6, 10.5}, {2.85 + gap / 2, 7.0}});
    return Union(box, cone) * scale;
}

// The nine pad keys, 22 pixels wide: a square cap filling the whole image.
// A flat button paints a 1-pixel frame around its bitmap and white where the
// bitmap leaves its face bare, so each key is as tall as the face of its
// button: 22 in the pad's upper and lower rows (24-pixel buttons) and 23 in
// its middle row, whose 15 units (y 87 to 102) round to 25 pixels.
Image PadKey(const Mask& symbol, int height, bool lit) {
    Image image(22, height, kRimDark);
    CapStyle cap = KeyCap(0.0, 0.0, 22.0, height, 0.0, lit);
    Shade(image, 0, 0, 22, height, [&](Vec2 p) { return CapPaint(p, cap); });
    DrawLegend(image, symbol, 0, 0, lit);
    return image;
}

// The caption buttons, 16 x 16.
Image CaptionKey(const Mask& symbol) {
    Image image(16, 16, kRimDark);
    CapStyle cap = KeyCap(0.0, 0.0, 16.0, 16.0, 0.0, true);
    Shade(image, 0, 0, 16, 16, [&](Vec2 p) { return CapPaint(p, cap); });
    DrawMask(image, symbol, 0, 0, Rgb(0xDC, 0xE6, 0xEA));
    return image;
}

// ---------------------------------------------------------------- LCD icons

// 20 x 15 in ink on the LCD green. Neighbouring icons overlap, so nothing is
// drawn outside columns first..last (within 3..16).
Image LcdIcon(const Distance& ink, int first = 3, int last = 16) {
    Image image(20, 15, kLcd);
    Image scratch(20, 15, kLcd);
    FillShape(scratch, ink, kLcdInk);
    for (int y = 0; y < 15; ++y)
        for (int x = first; x <= last; ++x) image.At(x, y) = scratch.At(x, y);
    return image;
}

// A smooth wave of period 2 * half and height +-amp for x >= 0, without
// trigonometry: parabolic arches, alternately up and down.
double Wave(double x, double half, double amp) {
    double u = x / half;
    long arch = static_cast<long>(u);
    double k = u - static_cast<double>(arch);  // 0..1 within the arch
    double v = 4.0 * k * (1.0 - k) * amp;
    return arch % 2 == 0 ? -v : v;
}

double WaveDistance(Vec2 p, double x0, double x1, double y, double half, double amp, double thick) {
    double cx = p.x < x0 ? x0 : (p.x > x1 ? x1 : p.x);
    double fy = y + Wave(cx - x0, half, amp);
    double e = 0.01;
    double slope = (Wave(cx - x0 + e, half, amp) - Wave(cx - x0, half, amp)) / e;
    double dy = Abs(p.y - fy) / std::sqrt(1.0 + slope * slope);
    double dx = Abs(p.x - cx);
    return Length({dx, dy}) - thick / 2;
}

struct Named {
    std::string name;
    Image image;
};

void AddLcdIcons(std::vector<Named>& out) {
    // Sound on: a speaker with two waves.
    out.push_back({"sound1", LcdIcon([](Vec2 p) {
                       double spk = Speaker(p, {3.5, 2.5}, 1.0, 0.0);
                       Vec2 c = {9.5, 7.5};
                       double d = 1e9;
                       if (p.x > c.x + 0.5) {
                           Vec2 v = p - c;
                           if (Abs(v.y) < 1.1 * v.x) {
                               d = Min(Abs(Length(v) - 2.6) - 0.7, Abs(Length(v) - 5.4) - 0.7);
                           }
                       }
                       return Union(spk, d);
                   })});
    // Muted: the speaker and a cross.
    out.push_back({"sound2", LcdIcon([](Vec2 p) {
                       double spk = Speaker(p, {3.5, 2.5}, 1.0, 0.0);
                       double cross = Min(SegmentDistance(p, {11.2, 4.7}, {15.8, 10.3}),
                                          SegmentDistance(p, {11.2, 10.3}, {15.8, 4.7})) -
                                      0.8;
                       return Union(spk, cross);
                   })});
    // Sharpen: a crisp peak. The filter icon's left columns lie under its
    // neighbour, so it keeps clear of column 3.
    Distance peak = Triangle({10.5, 2.0}, {16.8, 13.0}, {4.2, 13.0});
    out.push_back({"sharp1", LcdIcon(peak, 4, 16)});
    // Soften: the same peak, blurred.
    {
        Mask m = SymbolMask(20, 15, peak);
        Mask soft = Blur(m, 1);
        Image image(20, 15, kLcd);
        for (int y = 0; y < 15; ++y)
            for (int x = 4; x <= 16; ++x) image.Blend(x, y, kLcdInk, 0.9 * soft.Get(x + 2, y + 2));
        out.push_back({"sharp2", image});
    }
    // No filter: a dash.
    out.push_back({"sharp3", LcdIcon(Bar(6.0, 6.5, 15.0, 8.5), 4, 16)});
    // The effect icon's right columns lie under its neighbour: keep within 3..15.
    // Inverse: a circle, its left half filled.
    out.push_back({"sharp4", LcdIcon(
                                 [](Vec2 p) {
                                     Vec2 c = {9.5, 7.5};
                                     double ring = Abs(CircleDistance(p, c, 5.2)) - 0.8;
                                     double half = p.x <= c.x ? CircleDistance(p, c, 5.2) : 1e9;
                                     return Union(ring, half);
                                 },
                                 3, 15)});
    // No effect: an empty circle.
    out.push_back(
        {"sharp5", LcdIcon([](Vec2 p) { return Abs(CircleDistance(p, {9.5, 7.5}, 5.2)) - 0.8; }, 3, 15)});
    // Noise: scattered single and double dots on whole pixels.
    {
        const char* const dots[] = {
            "...X.....XX..",
            "......X....X.",
            ".XX.........X",
            "......XX.X...",
            "..X.X........",
            "X.......X..XX",
            "....XX.......",
            ".X.......X...",
            "......X.....X",
            "XX..X....XX..",
            "........X....",
        };
        Image image(20, 15, kLcd);
        for (int y = 0; y < 11; ++y)
            for (int x = 0; dots[y][x]; ++x)
                if (dots[y][x] == 'X') image.At(3 + x, 2 + y) = kLcdInk;
        out.push_back({"sharp6", image});
    }
    // Fog: three wavy lines.
    out.push_back({"sharp7", LcdIcon(
                                 [](Vec2 p) {
                                     double d = 1e9;
                                     for (int i = 0; i < 3; ++i) {
                                         double shift = i == 1 ? 1.5 : 0.0;
                                         d = Min(d, WaveDistance({p.x + shift, p.y}, 4.0 + shift, 14.5 + shift,
                                                                 3.8 + 3.7 * i, 2.6, 0.9, 1.3));
                                     }
                                     return d;
                                 },
                                 3, 15)});
    // GrayScale: four steps from ink to pale, in a frame.
    {
        Image image(20, 15, kLcd);
        const double shades[] = {1.0, 0.66, 0.38, 0.14};
        for (int i = 0; i < 4; ++i) FillRect(image, 4 + 3 * i, 4, 7 + 3 * i, 11, Mix(kLcd, kLcdInk, shades[i]));
        HLine(image, 3, 15, 3, kLcdInk);
        HLine(image, 3, 15, 11, kLcdInk);
        VLine(image, 3, 3, 11, kLcdInk);
        VLine(image, 15, 3, 11, kLcdInk);
        out.push_back({"sharp8", image});
    }
    // Picture held: pause bars.
    out.push_back({"frez1", LcdIcon([](Vec2 p) {
                       return Union(BoxDistance(p, 6.0, 3.0, 9.0, 12.0, 0.0), BoxDistance(p, 11.0, 3.0, 14.0, 12.0, 0.0));
                   })});
    // Video running: a play triangle.
    out.push_back({"frez2", LcdIcon(Triangle({6.5, 2.5}, {15.0, 7.5}, {6.5, 12.5}))});
    // No video yet: an empty film frame with perforations.
    {
        Image image(20, 15, kLcd);
        FillRect(image, 3, 2, 17, 13, kLcdInk);
        for (int x = 4; x < 17; x += 2) {
            image.At(x, 3) = kLcd;
            image.At(x, 11) = kLcd;
        }
        FillRect(image, 4, 5, 16, 10, Mix(kLcd, kLcdInk, 0.2));
        out.push_back({"frez3", image});
    }
}

// ---------------------------------------------------------------- keys list

void AddMainKeys(std::vector<Named>& out) {
    out.push_back({"power1", MainKey("POWER", true, Led::Amber)});
    out.push_back({"exit1", MainKey("EXIT", true, Led::Green)});
    out.push_back({"exit2", MainKey("EXIT", false, Led::Dark)});
    out.push_back({"load1", MainKey("LOAD", true, Led::Dark)});
    out.push_back({"load2", MainKey("LOAD", false, Led::Dark)});
    out.push_back({"pause1", MainKey("PAUSE", true, Led::Green)});
    out.push_back({"pause2", MainKey("PAUSE", false, Led::Dark)});
    out.push_back({"play1", MainKey("PLAY", true, Led::Dark)});
    const char* toggles[][2] = {{"sharpen", "SHARPEN"}, {"soften", "SOFTEN"}};
    for (auto& t : toggles) {
        out.push_back({std::string(t[0]) + "1", MainKey(t[1], true, Led::Dark)});
        out.push_back({std::string(t[0]) + "2", MainKey(t[1], false, Led::Dark)});
        out.push_back({std::string(t[0]) + "3", MainKey(t[1], true, Led::Green)});
    }
    out.push_back({"sounds1", MainKey("SOUND", true, Led::Dark)});
    out.push_back({"sounds2", MainKey("SOUND", false, Led::Dark)});
    out.push_back({"sounds3", MainKey("SOUND", true, Led::Green)});
    out.push_back({"close1", CloseKey(false)});
    out.push_back({"close2", CloseKey(true)});
}

void AddPadKeys(std::vector<Named>& out) {
    struct Pad {
        const char* name;
        int height;  // of the face of the key's button (see PadKey)
        Distance shape;
    };
    const Pad pads[] = {
        {"left", 23, Triangle({5.5, 11.0}, {15.0, 5.5}, {15.0, 16.5})},
        {"right", 23, Triangle({16.5, 11.0}, {7.0, 5.5}, {7.0, 16.5})},
        {"up", 22, Triangle({11.0, 5.5}, {5.5, 15.0}, {16.5, 15.0})},
        {"down", 22, Triangle({11.0, 16.5}, {5.5, 7.0}, {16.5, 7.0})},
        {"stop", 23, Bar(6.5, 6.5, 15.5, 15.5)},
        {"lup", 22, Magnifier(true)},
        {"rup", 22, Magnifier(false)},
        {"ldown", 22, [](Vec2 p) { return Union(Speaker(p, {2.5, 4.75}, 1.25, 0.5), Minus({16.0, 11.0}, 3.0, 2.0)(p)); }},
        {"rdown", 22, [](Vec2 p) { return Union(Speaker(p, {2.5, 4.75}, 1.25, 0.5), Plus({16.0, 11.0}, 3.0, 2.0)(p)); }},
    };
    for (const Pad& pad : pads) {
        // The symbols are drawn for 22 x 22; a taller key keeps them centred.
        const double down = (pad.height - 22) / 2.0;
        const Distance& shape = pad.shape;
        Mask symbol = SymbolMask(22, pad.height, [&](Vec2 p) { return shape({p.x, p.y - down}); });
        out.push_back({pad.name, PadKey(symbol, pad.height, true)});
        out.push_back({std::string(pad.name) + "1", PadKey(symbol, pad.height, false)});
    }
}

void AddCaptionKeys(std::vector<Named>& out) {
    out.push_back({"os1", CaptionKey(SymbolMask(16, 16, Bar(4.0, 10.0, 12.0, 12.0)))});
    out.push_back({"os2", CaptionKey(SymbolMask(16, 16, [](Vec2 p) {
                       double outer = BoxDistance(p, 3.5, 3.5, 12.5, 12.5, 0.0);
                       double inner = BoxDistance(p, 4.7, 5.9, 11.3, 11.3, 0.0);
                       return Max(outer, -inner);
                   }))});
    out.push_back({"os3", CaptionKey(SymbolMask(16, 16, [](Vec2 p) {
                       return Min(SegmentDistance(p, {4.5, 4.5}, {11.5, 11.5}),
                                  SegmentDistance(p, {4.5, 11.5}, {11.5, 4.5})) -
                              1.0;
                   }))});
}

// ---------------------------------------------------------------- skin

// A rectangle sunk into the panel: dark upper and left edge, light lower and
// right edge, drawn just outside x0..x1, y0..y1 (inclusive).
void Recess(Image& image, int x0, int y0, int x1, int y1) {
    HLine(image, x0 - 1, x1, y0 - 1, kPanelShadow);
    VLine(image, x0 - 1, y0 - 1, y1, kPanelShadow);
    HLine(image, x0 - 1, x1 + 1, y1 + 1, kPanelLight);
    VLine(image, x1 + 1, y0 - 1, y1 + 1, kPanelLight);
}

// The same for a raised rectangle.
void Raise(Image& image, int x0, int y0, int x1, int y1) {
    HLine(image, x0 - 1, x1, y0 - 1, kPanelLight);
    VLine(image, x0 - 1, y0 - 1, y1, kPanelLight);
    HLine(image, x0 - 1, x1 + 1, y1 + 1, kPanelShadow);
    VLine(image, x1 + 1, y0 - 1, y1 + 1, kPanelShadow);
}

// Lettering cut into the panel and filled with paint: a shadow along the
// cut's upper edge and a light lip below it.
void Engrave(Image& image, const Mask& mask, int x, int y, Color fill) {
    DrawMask(image, mask, x, y + 1, kPanelLight);
    DrawMask(image, mask, x, y - 1, kRimDark, 0.6);
    DrawMask(image, mask, x, y, fill);
}

// Lettering cut into the panel and left bare: dark strokes with a light lip.
void Incise(Image& image, const Mask& mask, int x, int y) {
    DrawMask(image, mask, x, y + 1, kPanelLight, 0.8);
    DrawMask(image, mask, x, y, Rgb(0x26, 0x2B, 0x2E));
}

Image Skin() {
    const int w = 253, h = 205;
    Image skin(w, h, kPanel);

    // Outer bevel of the panel (the client area ends at x 251).
    HLine(skin, 0, w - 1, 0, kPanelLight);
    VLine(skin, 0, 0, h - 1, kPanelLight);
    HLine(skin, 0, w - 1, h - 1, kPanelShadow);
    VLine(skin, 251, 0, h - 1, kPanelShadow);
    VLine(skin, 252, 0, h - 1, kPanelShadow);

    // Title strip: the program icon at (2, 2), a name plate, caption buttons
    // at x 191..244, and a groove under it all.
    Recess(skin, 23, 3, 186, 16);
    FillRect(skin, 23, 3, 187, 17, Rgb(0x2C, 0x32, 0x35));
    Mask name = TextMask("LUMIVEX", 2);
    Mask number = TextMask("360", 2);
    const int titleX = 30, titleY = 5;
    Engrave(skin, name, titleX, titleY, Rgb(0xB4, 0xC0, 0xC6));
    Engrave(skin, number, titleX + name.width + 7, titleY, Rgb(0x3E, 0xBC, 0xDC));
    // Vent slots at the plate's right end.
    for (int i = 0; i < 7; ++i) {
        int x = 144 + 6 * i;
        VLine(skin, x, 6, 13, Rgb(0x16, 0x19, 0x1B));
        VLine(skin, x + 1, 6, 13, Rgb(0x1F, 0x23, 0x26));
        VLine(skin, x + 2, 7, 14, Rgb(0x3C, 0x44, 0x48));
    }
    Recess(skin, 190, 0, 245, 18);
    FillRect(skin, 190, 0, 246, 19, kDeck);
    HLine(skin, 1, 250, 20, kPanelShadow);
    HLine(skin, 1, 250, 21, kPanelLight);

    // Menu strip y 22..39: the program's Options and About labels sit at
    // x 5..112 on the plain panel colour, which it also paints under a label
    // the pointer is over. The product line is engraved at the right.
    Mask line = TextMask("VIDEO VIEWER", 1);
    Incise(skin, line, 245 - line.width, 26);

    // Position bar (6, 41, 240 x 13).
    Recess(skin, 6, 41, 245, 53);
    FillRect(skin, 6, 41, 246, 54, Rgb(0, 0, 0));

    // LCD: flat green behind every label and icon, dark glass edge, bezel.
    FillRect(skin, 2, 57, 250, 117, Rgb(0x2A, 0x30, 0x33));
    Raise(skin, 3, 58, 248, 115);
    FillRect(skin, 4, 59, 248, 115, kRimDark);
    FillRect(skin, 5, 60, 247, 114, kLcd);
    // A faint inner shadow along the glass's top and left edge, outside the
    // area the program draws on.
    HLine(skin, 5, 246, 60, Mix(kLcd, Rgb(0, 0, 0), 0.18));
    VLine(skin, 5, 60, 113, Mix(kLcd, Rgb(0, 0, 0), 0.12));

    // Control deck: pad, slider and keys sit in one dark well. The right
    // column of keys reaches the panel's edge, so the well runs out there.
    Recess(skin, 3, 117, 252, 199);
    FillRect(skin, 3, 117, 253, 200, kDeck);
    // Pad: the buttons paint their own 1-pixel frame; this is the seat.
    Recess(skin, 6, 117, 77, 189);
    FillRect(skin, 6, 117, 78, 190, kRimDark);
    // Slider slot.
    Recess(skin, 81, 119, 95, 189);
    FillRect(skin, 81, 119, 96, 190, kPanel);
    return skin;
}

// ---------------------------------------------------------------- files

// A 24-bit uncompressed bitmap file, rows bottom-up, each padded to 4 bytes.
std::vector<uint8_t> EncodeBmp(const Image& image) {
    const uint32_t stride = BmpRowBytes(image.width);
    std::vector<uint8_t> out;
    PutBmpHeaders(out, image.width, image.height);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            Color c = image.At(x, y);
            out.push_back(ToByte(c.b));
            out.push_back(ToByte(c.g));
            out.push_back(ToByte(c.r));
        }
        for (uint32_t i = static_cast<uint32_t>(image.width) * 3; i < stride; ++i) out.push_back(0);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '\0') {
        std::fprintf(stderr, "usage: make_panel_bitmaps OUTDIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (!std::filesystem::is_directory(dir, error)) {
        std::fprintf(stderr, "make_panel_bitmaps: %s: not a directory\n", dir.c_str());
        return 2;
    }

    std::vector<Named> bitmaps;
    bitmaps.push_back({"skin", Skin()});
    AddMainKeys(bitmaps);
    AddPadKeys(bitmaps);
    AddCaptionKeys(bitmaps);
    AddLcdIcons(bitmaps);

    for (const Named& b : bitmaps) {
        std::string path = dir + "/" + b.name + ".bmp";
        std::string message = WriteFile(path, EncodeBmp(b.image));
        if (!message.empty()) {
            std::fprintf(stderr, "make_panel_bitmaps: %s: %s\n", path.c_str(), message.c_str());
            return 2;
        }
    }
    return 0;
}
