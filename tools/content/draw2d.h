// 2-D drawing helpers for the generated interface art: Cairo canvases that turn
// into Images, fonts loaded straight from their files (so no font configuration
// of the machine can change the bytes), blurs for neon glows, and seeded noise.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>

#include "content/image_writer.h"

// A Cairo image surface and its drawing context. Origin at the top left,
// y down, units = pixels unless the caller scales.
struct Canvas {
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
    int width = 0;
    int height = 0;
};

Canvas canvasCreate(int width, int height);
void canvasDestroy(Canvas& canvas);
// RGB images take the canvas as if composited over black; RGBA images get the
// straight (un-premultiplied) colour and the coverage as alpha.
Image canvasImage(Canvas& canvas, int channels);
// canvasImage, then the canvas freed: the last step of a drawn texture.
Image canvasFinish(Canvas& canvas, int channels);
// Blurs the canvas in place (three box passes, close to a Gaussian of the given radius).
void canvasBlur(Canvas& canvas, int radius);
// Draws another canvas over this one with the given Cairo operator (ADD for glows).
void canvasCompose(Canvas& target, Canvas& source, cairo_operator_t op, double alpha = 1.0);
// Blurs a shade (a soft dark mask), draws it over the canvas and frees it.
void composeShade(Canvas& canvas, Canvas& shade, int blurRadius);

// The typefaces of the interface, all from Debian's DejaVu files.
enum FontId {
    FontSansBold,
    FontSansBoldOblique,
    FontCondensedBold,
    FontCondensedBoldOblique,
    FontMonoBold,
    FontSans,
    FontCount
};
// Selects a font at a size in canvas units, with hinting off so that the
// outlines (and so the bytes) do not depend on the machine's settings.
void setFont(cairo_t* cr, FontId font, double size);
// The DejaVu file of a font; empty when none of the font folders holds it.
std::string fontFilePath(FontId font);
// Releases the FreeType faces once all drawing is done.
void releaseArtFonts();

// Adds the outline of a text to the current path with its baseline centre at (cx, baselineY).
void textPathCentred(cairo_t* cr, const char* text, double cx, double baselineY);
// Width of a text in the current font.
double textWidth(cairo_t* cr, const char* text);

void setRgba(cairo_t* cr, uint32_t rgb, double alpha = 1.0);
void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r);

// Deterministic noise. Rng is a small xorshift generator with a fixed seed.
struct Rng {
    uint32_t state;
    explicit Rng(uint32_t seed) : state(seed ? seed : 0x9e3779b9u) {}
    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    double uniform() { return (next() >> 8) * (1.0 / 16777216.0); }  // [0, 1)
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
};
// Smooth value noise in [0, 1] that repeats every `period` units in x and y.
double tileNoise(double x, double y, int period, uint32_t seed);
// Fractal sum of tileNoise octaves, still repeating every `period` units.
double tileFbm(double x, double y, int period, int octaves, uint32_t seed);
