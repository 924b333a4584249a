// The city map of the race selection screen: a 512 x 512 top-down plan of the
// city's street grid, glowing streets over dark blocks on a translucent panel.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "content/interface_local.h"

// TODO: take these from the city module once it is in the tree; until then
// its street grid, copied.
static const int kAvenueCount = 8;
static const float kAvenueX[kAvenueCount] = {-425.0f, -300.0f, -175.0f, -95.0f, 60.0f, 170.0f, 300.0f, 435.0f};
static const int kStreetCount = 11;
static const float kStreetZ[kStreetCount] = {-555.75f, -430.0f, -300.0f, -160.25f, -119.25f, -70.0f,
                                             19.75f,   160.0f,  311.75f, 440.0f,   558.75f};
static const float kStreetHalfWidth = 10.0f, kBoulevardHalfWidth = 20.5f;

// World (x, z) to map pixels: x to the right, +z (north) up, the grid's
// extent with a margin for the frame.
static const double kWorldMin = -500, kWorldMax = 500;
static double mapX(double x) { return 16 + (x - kWorldMin) / (kWorldMax - kWorldMin) * 480; }
static double mapY(double z) { return 16 + (kWorldMax - z) / (kWorldMax - kWorldMin) * 480; }

struct StreetSpan {
    bool alongX;  // a street (constant z) rather than an avenue (constant x)
    double at, from, to, halfWidth;
};

// The street layout as the city's constants define it: every avenue runs the
// whole grid; streets 3 and 5 stop at avenue 6, where the short street 4 starts.
static std::vector<StreetSpan> streetSpans() {
    std::vector<StreetSpan> spans;
    const double west = kAvenueX[0], east = kAvenueX[kAvenueCount - 1];
    const double south = kStreetZ[0], north = kStreetZ[kStreetCount - 1];
    for (int i = 0; i < kAvenueCount; ++i) spans.push_back({false, kAvenueX[i], south, north, kStreetHalfWidth});
    for (int i = 0; i < kStreetCount; ++i) {
        double from = west, to = east;
        if (i == 3 || i == 5) to = kAvenueX[6];
        if (i == 4) from = kAvenueX[6];
        spans.push_back({true, kStreetZ[i], from, to, i == 0 ? kBoulevardHalfWidth : kStreetHalfWidth});
    }
    return spans;
}

static void spanPath(cairo_t* cr, const StreetSpan& s) {
    if (s.alongX) {
        cairo_move_to(cr, mapX(s.from), mapY(s.at));
        cairo_line_to(cr, mapX(s.to), mapY(s.at));
    } else {
        cairo_move_to(cr, mapX(s.at), mapY(s.from));
        cairo_line_to(cr, mapX(s.at), mapY(s.to));
    }
}

Image makeCityMap() {
    Canvas canvas = canvasCreate(512, 512);
    cairo_t* cr = canvas.cr;
    const double scale = 480.0 / (kWorldMax - kWorldMin);
    // Panel.
    roundedRect(cr, 4, 4, 504, 504, 14);
    cairo_pattern_t* p = cairo_pattern_create_radial(256, 256, 40, 256, 256, 360);
    cairo_pattern_add_color_stop_rgba(p, 0, 0.04, 0.06, 0.14, 0.86);
    cairo_pattern_add_color_stop_rgba(p, 1, 0.01, 0.02, 0.05, 0.9);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    // Fine survey grid.
    for (int i = 0; i <= 20; ++i) {
        const double v = 16 + i * 24;
        cairo_move_to(cr, v, 16);
        cairo_line_to(cr, v, 496);
        cairo_move_to(cr, 16, v);
        cairo_line_to(cr, 496, v);
    }
    cairo_set_source_rgba(cr, 0.3, 0.5, 0.8, 0.08);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    // Blocks: the spaces between streets, darker panels with a faint rim.
    for (int i = 0; i + 1 < kAvenueCount; ++i)
        for (int j = 0; j + 1 < kStreetCount; ++j) {
            const double x0 = mapX(kAvenueX[i]) + 6, x1 = mapX(kAvenueX[i + 1]) - 6;
            const double y0 = mapY(kStreetZ[j + 1]) + 6, y1 = mapY(kStreetZ[j]) - 6;
            if (x1 - x0 < 4 || y1 - y0 < 4) continue;
            roundedRect(cr, x0, y0, x1 - x0, y1 - y0, 3);
            const bool park = (i * 7 + j * 3) % 11 == 4;
            if (park) cairo_set_source_rgba(cr, 0.05, 0.22, 0.14, 0.85);
            else cairo_set_source_rgba(cr, 0.08, 0.10, 0.20, 0.9);
            cairo_fill_preserve(cr);
            cairo_set_source_rgba(cr, 0.35, 0.45, 0.7, 0.35);
            cairo_set_line_width(cr, 0.8);
            cairo_stroke(cr);
        }
    // Streets: a blurred sodium glow under crisp lines.
    const std::vector<StreetSpan> spans = streetSpans();
    Canvas glow = canvasCreate(512, 512);
    for (const StreetSpan& s : spans) {
        spanPath(glow.cr, s);
        cairo_set_line_width(glow.cr, s.halfWidth * 2 * scale + 6);
        setRgba(glow.cr, kSodium, 0.7);
        cairo_stroke(glow.cr);
    }
    canvasBlur(glow, 8);
    canvasCompose(canvas, glow, CAIRO_OPERATOR_OVER);
    canvasDestroy(glow);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
    for (const StreetSpan& s : spans) {
        spanPath(cr, s);
        cairo_set_line_width(cr, s.halfWidth * 2 * scale);
        setRgba(cr, 0xffcf80, 0.95);
        cairo_stroke(cr);
    }
    for (const StreetSpan& s : spans) {  // centre lines
        spanPath(cr, s);
        cairo_set_line_width(cr, 0.8);
        setRgba(cr, 0x402010, 0.8);
        cairo_stroke(cr);
    }
    // Frame, compass and name plate.
    roundedRect(cr, 4, 4, 504, 504, 14);
    neonStroke(cr, kNeonCyan, 1.6, 1.4);
    cairo_new_path(cr);
    cairo_move_to(cr, 478, 44);
    cairo_line_to(cr, 486, 24);
    cairo_line_to(cr, 494, 44);
    cairo_line_to(cr, 486, 38);
    cairo_close_path(cr);
    setRgba(cr, kNeonMagenta);
    cairo_fill(cr);
    setFont(cr, FontCondensedBold, 12);
    textPathCentred(cr, "N", 486, 58);
    setRgba(cr, 0xffffff, 0.9);
    cairo_fill(cr);
    setFont(cr, FontCondensedBoldOblique, 15);
    cairo_move_to(cr, 22, 500);
    cairo_text_path(cr, "KORVASK  CITY");
    setRgba(cr, kNeonCyan, 0.9);
    cairo_fill(cr);
    Image image = canvasImage(canvas, 4);
    canvasDestroy(canvas);
    return image;
}
