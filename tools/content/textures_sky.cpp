// Night sky art: the five faces of the reflection sky box and the tiling cloud layer.
#include <algorithm>
#include <cmath>

#include "content/interface_local.h"

void verticalGradient(Canvas& canvas, const double* stops, const uint32_t* colours, int count) {
    cairo_pattern_t* pattern = cairo_pattern_create_linear(0, 0, 0, canvas.height);
    for (int i = 0; i < count; ++i) {
        const uint32_t c = colours[i];
        cairo_pattern_add_color_stop_rgb(pattern, stops[i], ((c >> 16) & 255) / 255.0,
                                         ((c >> 8) & 255) / 255.0, (c & 255) / 255.0);
    }
    cairo_save(canvas.cr);
    cairo_set_source(canvas.cr, pattern);
    cairo_paint(canvas.cr);
    cairo_restore(canvas.cr);
    cairo_pattern_destroy(pattern);
}

void neonStroke(cairo_t* cr, uint32_t colour, double width, double glow) {
    cairo_save(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    for (int i = 4; i >= 1; --i) {
        setRgba(cr, colour, 0.12);
        cairo_set_line_width(cr, width + glow * i);
        cairo_stroke_preserve(cr);
    }
    setRgba(cr, colour, 1.0);
    cairo_set_line_width(cr, width);
    cairo_stroke_preserve(cr);
    // A whiter core makes the tube read as lit rather than painted.
    setRgba(cr, 0xffffff, 0.55);
    cairo_set_line_width(cr, width * 0.4);
    cairo_stroke_preserve(cr);
    cairo_restore(cr);
}

void drawSkyline(cairo_t* cr, double x0, double x1, double baseY, double maxHeight, uint32_t seed,
                 double windowScale) {
    Rng rng(seed);
    double x = x0;
    while (x < x1) {
        const double w = rng.range(8, 30) * windowScale;
        const double tall = rng.uniform();
        const double h = maxHeight * (0.2 + 0.8 * tall * tall);
        const double right = std::min(x + w, x1);
        setRgba(cr, 0x04050b);
        cairo_rectangle(cr, x, baseY - h, right - x, h + 1);
        cairo_fill(cr);
        // Lit windows: mostly warm, a few cold office lights.
        const double step = 4 * windowScale, size = 1.6 * windowScale;
        for (double wy = baseY - h + step; wy < baseY - step; wy += step)
            for (double wx = x + step * 0.6; wx < right - size; wx += step) {
                const double roll = rng.uniform();
                if (roll < 0.22) {
                    setRgba(cr,
                            roll < 0.05   ? 0xbfe4ff
                            : roll < 0.15 ? 0xffc070
                                          : 0xffe2a0,
                            rng.range(0.35, 0.9));
                    cairo_rectangle(cr, wx, wy, size, size);
                    cairo_fill(cr);
                }
            }
        if (h > maxHeight * 0.8) {  // aviation light on the tall towers
            setRgba(cr, 0xff2020, 0.9);
            cairo_arc(cr, x + (right - x) / 2, baseY - h - 1.5 * windowScale, 1.2 * windowScale, 0, 2 * kPi);
            cairo_fill(cr);
        }
        x = right + rng.range(0, 3) * windowScale;
    }
}

static void drawStars(Canvas& canvas, double bottom, uint32_t seed, int count) {
    Rng rng(seed);
    for (int i = 0; i < count; ++i) {
        const double x = rng.range(0, canvas.width), y = rng.range(0, bottom);
        const double fade = 1.0 - y / bottom;  // the city's haze hides the low stars
        setRgba(canvas.cr, rng.uniform() < 0.2 ? 0xcfd8ff : 0xffffff, rng.range(0.2, 0.8) * fade);
        cairo_arc(canvas.cr, x, y, rng.range(0.4, 1.1), 0, 2 * kPi);
        cairo_fill(canvas.cr);
    }
}

// The four walls: black-blue sky, sodium glow over the skyline at a third of
// the height (where the ground of the map meets the box), dark ground below.
Image makeSkySide(int face) {
    Canvas canvas = canvasCreate(512, 256);
    const double horizon = 256.0 * 2 / 3;
    const double stops[] = {0.0, 0.35, 0.55, 0.64, 2.0 / 3, 0.7, 1.0};
    const uint32_t colours[] = {0x020308, 0x060a1e, 0x1a1236, 0x5a2a40, 0xb8602e, 0x201418, 0x06060a};
    verticalGradient(canvas, stops, colours, 7);
    drawStars(canvas, horizon - 40, 1000 + face, 90);

    // A glow band over the skyline: the city lights on the low clouds.
    Canvas glow = canvasCreate(512, 256);
    setRgba(glow.cr, 0xff8a3a, 0.55);
    cairo_rectangle(glow.cr, -20, horizon - 22, 552, 20);
    cairo_fill(glow.cr);
    canvasBlur(glow, 24);
    canvasCompose(canvas, glow, CAIRO_OPERATOR_ADD);
    canvasDestroy(glow);

    // Two layers of skyline: a far, hazy one and a near, darker one. The
    // edges stay low so the four walls meet without a join.
    cairo_t* cr = canvas.cr;
    cairo_save(cr);
    cairo_rectangle(cr, 12, 0, 488, 256);
    cairo_clip(cr);
    drawSkyline(cr, 12, 500, horizon + 1, 34, 2000 + face, 0.7);
    // Haze between the two layers, thickening towards the ground.
    cairo_pattern_t* haze = cairo_pattern_create_linear(0, horizon - 40, 0, horizon + 1);
    cairo_pattern_add_color_stop_rgba(haze, 0, 0.42, 0.23, 0.22, 0.0);
    cairo_pattern_add_color_stop_rgba(haze, 1, 0.42, 0.23, 0.22, 0.45);
    cairo_set_source(cr, haze);
    cairo_rectangle(cr, 0, horizon - 40, 512, 41);
    cairo_fill(cr);
    cairo_pattern_destroy(haze);
    drawSkyline(cr, 30, 480, horizon + 1, 62, 3000 + face, 1.0);
    cairo_restore(cr);
    // Reflected lights on the wet ground below the horizon.
    Rng rng(4000 + face);
    for (int i = 0; i < 40; ++i) {
        const double x = rng.range(20, 492);
        setRgba(cr, rng.uniform() < 0.5 ? kSodium : 0xffd8a0, rng.range(0.05, 0.2));
        cairo_rectangle(cr, x, horizon + 2, rng.range(1, 2.5), rng.range(10, 40));
        cairo_fill(cr);
    }
    return canvasFinish(canvas, 3);
}

// The lid: deep blue with faint stars, the city glow creeping in from the edges.
Image makeSkyTop() {
    Canvas canvas = canvasCreate(256, 256);
    cairo_pattern_t* pattern = cairo_pattern_create_radial(128, 128, 10, 128, 128, 190);
    cairo_pattern_add_color_stop_rgb(pattern, 0, 0.008, 0.012, 0.035);
    cairo_pattern_add_color_stop_rgb(pattern, 0.7, 0.025, 0.035, 0.09);
    cairo_pattern_add_color_stop_rgb(pattern, 1, 0.10, 0.07, 0.16);
    cairo_set_source(canvas.cr, pattern);
    cairo_paint(canvas.cr);
    cairo_pattern_destroy(pattern);
    drawStars(canvas, 256, 5000, 160);
    return canvasFinish(canvas, 3);
}

// Tiling clouds: the dome tints them warm and adds them over the dark sky, so
// black is clear sky and white the densest, most lit cloud.
Image makeClouds() {
    const int size = 256;
    Image image = makeImage(size, size, 3);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            // Domain warp for streaky, wind-blown shapes; everything repeats every 256 pixels.
            const double u = x / 32.0, v = y / 32.0;
            const double warp = tileFbm(u, v, 8, 3, 77) - 0.5;
            double d = tileFbm(u + 2.0 * warp, v + 0.6 * warp, 8, 5, 91);
            d = std::clamp((d - 0.42) * 2.6, 0.0, 1.0);
            d = d * d * (3 - 2 * d);
            const double detail = tileFbm(x / 8.0, y / 8.0, 32, 2, 133);
            const double value = d * (0.75 + 0.25 * detail);
            uint8_t* p = imagePixel(image, x, y);
            p[0] = static_cast<uint8_t>(std::lround(255 * value));
            p[1] = static_cast<uint8_t>(std::lround(245 * value));
            p[2] = static_cast<uint8_t>(std::lround(235 * value));
        }
    return image;
}
