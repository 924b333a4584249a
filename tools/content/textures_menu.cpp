// Menu art: button plate and icon, pointer, darkening sheet, title logo,
// statistics bars, loading pictures and the city map's race markers.
#include <algorithm>
#include <cmath>

#include "content/interface_local.h"

// The button plate is 240 x 60 overlay units; its icon sits at (53, 30) from
// the top left and the label starts at x 90. Drawn in those units.
static Canvas plateCanvas() {
    Canvas canvas = canvasCreate(256, 64);
    cairo_scale(canvas.cr, 256.0 / 240, 64.0 / 60);
    return canvas;
}

static void plateShape(cairo_t* cr) {
    cairo_new_path(cr);
    cairo_move_to(cr, 60, 9);
    cairo_line_to(cr, 242, 9);
    cairo_line_to(cr, 242, 51);
    cairo_line_to(cr, 50, 51);
    cairo_close_path(cr);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 53, 30, 27, 0, 2 * kPi);
}

Image makeButtonMask() {
    Canvas canvas = plateCanvas();
    cairo_t* cr = canvas.cr;
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    Canvas shade = plateCanvas();
    plateShape(shade.cr);
    cairo_set_fill_rule(shade.cr, CAIRO_FILL_RULE_WINDING);
    cairo_set_source_rgba(shade.cr, 0, 0, 0, 0.78);
    cairo_fill(shade.cr);
    composeShade(canvas, shade, 2);
    return canvasFinish(canvas, 3);
}

Image makeButtonFace() {
    Canvas canvas = plateCanvas();
    cairo_t* cr = canvas.cr;
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 9, 0, 51);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.10, 0.16, 0.28);
    cairo_pattern_add_color_stop_rgb(p, 0.5, 0.03, 0.05, 0.10);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.06, 0.02, 0.08);
    cairo_set_source(cr, p);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    plateShape(cr);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    // Neon top edge and slanted nose, a magenta foot line.
    cairo_move_to(cr, 240, 9.5);
    cairo_line_to(cr, 79, 9.5);
    neonStroke(cr, kNeonCyan, 1.3, 1.1);
    cairo_new_path(cr);
    cairo_move_to(cr, 80, 50.5);
    cairo_line_to(cr, 240, 50.5);
    neonStroke(cr, kNeonMagenta, 1.0, 0.9);
    cairo_new_path(cr);
    // Socket ring around the icon.
    cairo_arc(cr, 53, 30, 27, 0, 2 * kPi);
    neonStroke(cr, kNeonCyan, 1.3, 1.1);
    cairo_new_path(cr);
    // Row of small chevrons leading to the label.
    for (int i = 0; i < 3; ++i) {
        const double x = 218 + i * 7;
        cairo_move_to(cr, x, 24);
        cairo_line_to(cr, x + 4, 30);
        cairo_line_to(cr, x, 36);
        setRgba(cr, kNeonCyan, 0.25 + 0.2 * i);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
    }
    return canvasFinish(canvas, 3);
}

// The icon that spins while its button is hovered: an alloy wheel.
Image makeButtonIcon() {
    Canvas canvas = canvasCreate(128, 128);
    cairo_t* cr = canvas.cr;
    const double c = 64;
    // Tyre.
    cairo_arc(cr, c, c, 60, 0, 2 * kPi);
    cairo_set_source_rgb(cr, 0.06, 0.06, 0.07);
    cairo_fill(cr);
    for (int i = 0; i < 36; ++i) {  // tread blocks
        const double a = i * 2 * kPi / 36;
        cairo_move_to(cr, c + 55 * std::cos(a), c + 55 * std::sin(a));
        cairo_line_to(cr, c + 60 * std::cos(a + 0.06), c + 60 * std::sin(a + 0.06));
        cairo_set_line_width(cr, 2);
        cairo_set_source_rgb(cr, 0.16, 0.16, 0.18);
        cairo_stroke(cr);
    }
    // Rim with a brushed gradient.
    cairo_pattern_t* rim = cairo_pattern_create_linear(20, 20, 108, 108);
    cairo_pattern_add_color_stop_rgb(rim, 0, 0.95, 0.97, 1.0);
    cairo_pattern_add_color_stop_rgb(rim, 0.5, 0.45, 0.48, 0.55);
    cairo_pattern_add_color_stop_rgb(rim, 1, 0.85, 0.88, 0.95);
    cairo_arc(cr, c, c, 44, 0, 2 * kPi);
    cairo_set_source(cr, rim);
    cairo_fill(cr);
    cairo_arc(cr, c, c, 39, 0, 2 * kPi);
    cairo_set_source_rgb(cr, 0.03, 0.04, 0.06);
    cairo_fill(cr);
    // Five split spokes.
    for (int i = 0; i < 5; ++i) {
        const double a = i * 2 * kPi / 5 - kPi / 2;
        for (double side : {-0.16, 0.16}) {
            cairo_move_to(cr, c + 10 * std::cos(a + side * 3), c + 10 * std::sin(a + side * 3));
            cairo_line_to(cr, c + 40 * std::cos(a + side * 0.7 - 0.05),
                          c + 40 * std::sin(a + side * 0.7 - 0.05));
            cairo_line_to(cr, c + 40 * std::cos(a + side * 0.7 + 0.05),
                          c + 40 * std::sin(a + side * 0.7 + 0.05));
            cairo_close_path(cr);
            cairo_set_source(cr, rim);
            cairo_set_line_width(cr, 4.5);
            cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
            cairo_stroke_preserve(cr);
            cairo_fill(cr);
        }
    }
    cairo_pattern_destroy(rim);
    // Brake disc showing through and a glowing centre cap.
    cairo_arc(cr, c, c, 14, 0, 2 * kPi);
    cairo_set_source_rgb(cr, 0.2, 0.22, 0.26);
    cairo_fill(cr);
    cairo_arc(cr, c, c, 9, 0, 2 * kPi);
    neonStroke(cr, kNeonCyan, 2.0, 1.5);
    cairo_new_path(cr);
    cairo_arc(cr, c, c, 4, 0, 2 * kPi);
    setRgba(cr, kNeonMagenta);
    cairo_fill(cr);
    return canvasFinish(canvas, 4);
}

// Pointer: the game cuts the triangle (0.5, 1), (0, 0), (1, 0) out of this
// texture, tip at the top centre of the image.
Image makePointer() {
    Canvas canvas = canvasCreate(64, 64);
    cairo_t* cr = canvas.cr;
    setRgba(cr, 0x0b1020);
    cairo_paint(cr);
    auto triangle = [](cairo_t* c, double inset) {
        cairo_new_path(c);
        cairo_move_to(c, 32, inset * 2.2);
        cairo_line_to(c, 64 - inset * 1.6, 64 - inset);
        cairo_line_to(c, inset * 1.6, 64 - inset);
        cairo_close_path(c);
    };
    triangle(cr, 6);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, 64);
    cairo_pattern_add_color_stop_rgb(p, 0, 1, 1, 1);
    cairo_pattern_add_color_stop_rgb(p, 0.6, 0.35, 0.9, 1);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.1, 0.45, 0.9);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    triangle(cr, 13);
    setRgba(cr, 0xffffff, 0.35);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    return canvasFinish(canvas, 3);
}

// Multiplied over the whole screen behind pause, options and the information
// page: a cold dim with a darker vignette.
Image makeDarkeningSheet() {
    Image image = makeImage(256, 256, 3);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const double dx = (x - 127.5) / 128, dy = (y - 127.5) / 128;
            const double v = 0.42 - 0.26 * std::min(1.0, 0.55 * (dx * dx + dy * dy));
            uint8_t* p = imagePixel(image, x, y);
            p[0] = static_cast<uint8_t>(std::lround(255 * v * 0.86));
            p[1] = static_cast<uint8_t>(std::lround(255 * v * 0.92));
            p[2] = static_cast<uint8_t>(std::lround(255 * v * 1.0));
        }
    return image;
}

// The logo, drawn in a 1024 x 256 canvas (the 600 x 150 title quad).
static void logoPath(cairo_t* cr, double cx, double baseline, double size) {
    setFont(cr, FontSansBoldOblique, size);
    textPathCentred(cr, "KORVASK", cx, baseline);
}

static void drawLogo(cairo_t* cr, double cx, double baseline, double size, bool tagline) {
    // Dark outline, then a chrome gradient, then neon rims.
    logoPath(cr, cx, baseline, size);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, size * 0.06);
    cairo_set_source_rgb(cr, 0.01, 0.01, 0.03);
    cairo_stroke_preserve(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, baseline - size * 0.75, 0, baseline);
    cairo_pattern_add_color_stop_rgb(p, 0, 1, 1, 1);
    cairo_pattern_add_color_stop_rgb(p, 0.35, 0.55, 0.9, 1);
    cairo_pattern_add_color_stop_rgb(p, 0.5, 0.08, 0.12, 0.38);
    cairo_pattern_add_color_stop_rgb(p, 0.52, 0.55, 0.1, 0.45);
    cairo_pattern_add_color_stop_rgb(p, 0.8, 1.0, 0.3, 0.55);
    cairo_pattern_add_color_stop_rgb(p, 1, 1.0, 0.75, 0.45);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    cairo_set_line_width(cr, size * 0.012);
    setRgba(cr, 0xffffff, 0.8);
    cairo_stroke(cr);
    // Speed stripe under the word.
    const double half = size * 2.6;
    cairo_move_to(cr, cx - half, baseline + size * 0.12);
    cairo_line_to(cr, cx + half * 0.9, baseline + size * 0.12);
    neonStroke(cr, kNeonMagenta, size * 0.025, size * 0.02);
    cairo_new_path(cr);
    if (tagline) {
        setFont(cr, FontCondensedBold, size * 0.17);
        const char* text = "N I G H T   S T R E E T   R A C I N G";
        textPathCentred(cr, text, cx + size * 0.3, baseline + size * 0.34);
        setRgba(cr, kNeonCyan, 1);
        cairo_fill(cr);
    }
}

Image makeTitleMask() {
    Canvas canvas = canvasCreate(1024, 256);
    cairo_set_source_rgb(canvas.cr, 1, 1, 1);
    cairo_paint(canvas.cr);
    Canvas shade = canvasCreate(1024, 256);
    logoPath(shade.cr, 512, 170, 190);
    cairo_set_line_width(shade.cr, 30);
    cairo_set_line_join(shade.cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_source_rgba(shade.cr, 0, 0, 0, 0.85);
    cairo_stroke_preserve(shade.cr);
    cairo_fill(shade.cr);
    cairo_rectangle(shade.cr, 200, 186, 640, 60);
    cairo_set_source_rgba(shade.cr, 0, 0, 0, 0.5);
    cairo_fill(shade.cr);
    composeShade(canvas, shade, 14);
    return canvasFinish(canvas, 3);
}

Image makeTitleFace() {
    Canvas canvas = canvasCreate(1024, 256);
    cairo_set_source_rgb(canvas.cr, 0, 0, 0);
    cairo_paint(canvas.cr);
    Canvas glow = canvasCreate(1024, 256);
    logoPath(glow.cr, 512, 170, 190);
    cairo_set_line_width(glow.cr, 10);
    setRgba(glow.cr, kNeonMagenta, 0.8);
    cairo_stroke(glow.cr);
    canvasBlur(glow, 22);
    canvasCompose(canvas, glow, CAIRO_OPERATOR_ADD);
    canvasDestroy(glow);
    drawLogo(canvas.cr, 512, 170, 190, true);
    return canvasFinish(canvas, 3);
}

// Statistics bar: frame over 700 x 17 units and a fill whose u runs across
// the whole bar (the game shows the part up to the value).
Image makeStatFrame() {
    Canvas canvas = canvasCreate(512, 32);
    cairo_t* cr = canvas.cr;
    cairo_scale(cr, 512.0 / 700, 32.0 / 17);
    setRgba(cr, 0x05070e);
    cairo_paint(cr);
    cairo_rectangle(cr, 0.6, 0.6, 698.8, 15.8);
    cairo_set_line_width(cr, 1.0);
    setRgba(cr, 0x6aa8c8, 1);
    cairo_stroke(cr);
    for (int i = 1; i < 10; ++i) {
        cairo_move_to(cr, i * 70.0, 13);
        cairo_line_to(cr, i * 70.0, 16);
        cairo_set_line_width(cr, 1.2);
        setRgba(cr, 0x3a5870, 1);
        cairo_stroke(cr);
    }
    return canvasFinish(canvas, 3);
}

Image makeStatFill() {
    Canvas canvas = canvasCreate(512, 32);
    cairo_t* cr = canvas.cr;
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 512, 0);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.05, 0.45, 0.9);
    cairo_pattern_add_color_stop_rgb(p, 0.55, 0.2, 0.9, 1.0);
    cairo_pattern_add_color_stop_rgb(p, 0.8, 0.9, 0.4, 1.0);
    cairo_pattern_add_color_stop_rgb(p, 1, 1.0, 0.2, 0.55);
    cairo_set_source(cr, p);
    cairo_paint(cr);
    cairo_pattern_destroy(p);
    cairo_pattern_t* shine = cairo_pattern_create_linear(0, 0, 0, 32);
    cairo_pattern_add_color_stop_rgba(shine, 0, 1, 1, 1, 0.55);
    cairo_pattern_add_color_stop_rgba(shine, 0.4, 1, 1, 1, 0.05);
    cairo_pattern_add_color_stop_rgba(shine, 1, 0, 0, 0, 0.45);
    cairo_set_source(cr, shine);
    cairo_paint(cr);
    cairo_pattern_destroy(shine);
    for (int x = 12; x < 512; x += 12) {  // segment notches
        cairo_rectangle(cr, x, 0, 2, 32);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
        cairo_fill(cr);
    }
    return canvasFinish(canvas, 3);
}

// A street at night in perspective: skyline, lamp rows, wet asphalt and light
// trails of passing cars, for the three start-up pictures.
static void drawStreetScene(Canvas& canvas, uint32_t seed, uint32_t tint, double vanishX) {
    cairo_t* cr = canvas.cr;
    const double w = canvas.width, h = canvas.height, horizon = h * 0.52;
    const double stops[] = {0.0, 0.3, 0.45, 0.52, 0.53, 1.0};
    const uint32_t colours[] = {0x020310, 0x0a0c28, 0x2a1440, 0x8a3a38, 0x140c12, 0x050508};
    verticalGradient(canvas, stops, colours, 6);
    Canvas glow = canvasCreate(canvas.width, canvas.height);
    setRgba(glow.cr, tint, 0.5);
    cairo_rectangle(glow.cr, 0, horizon - 70, w, 60);
    cairo_fill(glow.cr);
    canvasBlur(glow, 50);
    canvasCompose(canvas, glow, CAIRO_OPERATOR_ADD);
    canvasDestroy(glow);
    drawSkyline(cr, 0, w, horizon + 2, 110, seed, 1.6);
    drawSkyline(cr, -20, w, horizon + 2, 60, seed + 1, 2.2);

    // Road surface.
    cairo_move_to(cr, vanishX - 8, horizon);
    cairo_line_to(cr, vanishX + 8, horizon);
    cairo_line_to(cr, w + 300, h);
    cairo_line_to(cr, -300, h);
    cairo_close_path(cr);
    cairo_pattern_t* road = cairo_pattern_create_linear(0, horizon, 0, h);
    cairo_pattern_add_color_stop_rgb(road, 0, 0.10, 0.07, 0.10);
    cairo_pattern_add_color_stop_rgb(road, 1, 0.02, 0.02, 0.03);
    cairo_set_source(cr, road);
    cairo_fill(cr);
    cairo_pattern_destroy(road);
    // Dashed centre line in perspective.
    for (int i = 0; i < 14; ++i) {
        const double z0 = 1.0 / (1 + i * 0.55), z1 = 1.0 / (1 + (i + 0.45) * 0.55);
        const double y0 = horizon + (h - horizon) * z0, y1 = horizon + (h - horizon) * z1;
        const double x0 = vanishX + (w / 2 - vanishX) * z0, x1 = vanishX + (w / 2 - vanishX) * z1;
        cairo_move_to(cr, x0 - 6 * z0, y0);
        cairo_line_to(cr, x0 + 6 * z0, y0);
        cairo_line_to(cr, x1 + 6 * z1, y1);
        cairo_line_to(cr, x1 - 6 * z1, y1);
        cairo_close_path(cr);
        cairo_set_source_rgba(cr, 0.9, 0.8, 0.5, 0.55);
        cairo_fill(cr);
    }
    // Lamp posts on both sides, each with its glow and its reflection on the wet road.
    Canvas lights = canvasCreate(canvas.width, canvas.height);
    for (int side = -1; side <= 1; side += 2)
        for (int i = 0; i < 9; ++i) {
            const double z = 1.0 / (1 + i * 0.7);
            const double baseX = vanishX + side * (w * 0.5) * z, baseY = horizon + (h - horizon) * z * 0.95;
            const double top = baseY - 300 * z;
            cairo_move_to(cr, baseX, baseY);
            cairo_line_to(cr, baseX, top);
            cairo_line_to(cr, baseX - side * 40 * z, top);
            cairo_set_line_width(cr, std::max(1.0, 7 * z));
            cairo_set_source_rgb(cr, 0.02, 0.02, 0.03);
            cairo_stroke(cr);
            const double lx = baseX - side * 40 * z, ly = top + 4 * z;
            setRgba(lights.cr, kSodium, 0.9);
            cairo_arc(lights.cr, lx, ly, std::max(2.0, 34 * z), 0, 2 * kPi);
            cairo_fill(lights.cr);
            setRgba(lights.cr, kSodium, 0.25);
            cairo_rectangle(lights.cr, lx - 9 * z, baseY, 18 * z, (h - baseY) * 0.5 + 40 * z);
            cairo_fill(lights.cr);
        }
    canvasBlur(lights, 16);
    canvasCompose(canvas, lights, CAIRO_OPERATOR_ADD);
    canvasDestroy(lights);
    // Lamp cores.
    for (int side = -1; side <= 1; side += 2)
        for (int i = 0; i < 9; ++i) {
            const double z = 1.0 / (1 + i * 0.7);
            const double baseX = vanishX + side * (w * 0.5) * z, baseY = horizon + (h - horizon) * z * 0.95;
            cairo_arc(cr, baseX - side * 40 * z, baseY - 300 * z + 4 * z, std::max(1.0, 6 * z), 0, 2 * kPi);
            setRgba(cr, kHotWhite);
            cairo_fill(cr);
        }
    // Long-exposure light trails: tail lights on the left lane, headlights on the right.
    Canvas trails = canvasCreate(canvas.width, canvas.height);
    Rng rng(seed * 7 + 3);
    for (int i = 0; i < 10; ++i) {
        const bool tail = i < 5;
        const double lane = tail ? rng.range(-0.42, -0.12) : rng.range(0.12, 0.42);
        const double bend = rng.range(-40, 40);
        cairo_move_to(trails.cr, vanishX + lane * 20, horizon + 3);
        cairo_curve_to(trails.cr, vanishX + lane * 200 + bend, horizon + 40, vanishX + lane * 600 + bend,
                       h * 0.8, vanishX + lane * 1500, h + 20);
        setRgba(trails.cr, tail ? 0xff1830 : (rng.uniform() < 0.5 ? 0xfff0d0 : kNeonCyan), 0.9);
        cairo_set_line_width(trails.cr, rng.range(2, 5));
        cairo_stroke_preserve(trails.cr);
        cairo_new_path(trails.cr);
    }
    Canvas trailGlow = canvasCreate(canvas.width, canvas.height);
    canvasCompose(trailGlow, trails, CAIRO_OPERATOR_OVER);
    canvasBlur(trailGlow, 12);
    canvasCompose(canvas, trailGlow, CAIRO_OPERATOR_ADD);
    canvasCompose(canvas, trails, CAIRO_OPERATOR_ADD);
    canvasDestroy(trailGlow);
    canvasDestroy(trails);
}

// Start-up pictures: 0 is the splash, 1 the loading screen ("Loading..." is
// printed at the bottom left), 2 a spare view of the same street.
Image makeLoadingPicture(int variant) {
    Canvas canvas = canvasCreate(800, 600);
    cairo_t* cr = canvas.cr;
    const uint32_t tints[] = {0xff7a30, 0xff3aa0, 0x40a0ff};
    const double vanish[] = {400, 470, 330};
    drawStreetScene(canvas, 10 + variant * 17, tints[variant], vanish[variant]);
    if (variant == 0 || variant == 2) {
        Canvas glow = canvasCreate(800, 600);
        logoPath(glow.cr, 400, 180, 118);
        cairo_set_line_width(glow.cr, 8);
        setRgba(glow.cr, variant == 0 ? kNeonMagenta : kNeonCyan, 0.9);
        cairo_stroke(glow.cr);
        canvasBlur(glow, 18);
        canvasCompose(canvas, glow, CAIRO_OPERATOR_ADD);
        canvasDestroy(glow);
        drawLogo(cr, 400, 180, 118, true);
    } else {
        drawLogo(cr, 250, 100, 80, false);
        // Dark strip behind the loading text.
        cairo_pattern_t* p = cairo_pattern_create_linear(0, 540, 0, 600);
        cairo_pattern_add_color_stop_rgba(p, 0, 0, 0, 0, 0);
        cairo_pattern_add_color_stop_rgba(p, 1, 0, 0, 0, 0.85);
        cairo_set_source(cr, p);
        cairo_rectangle(cr, 0, 540, 800, 60);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
        cairo_move_to(cr, 40, 593);
        cairo_line_to(cr, 260, 593);
        neonStroke(cr, kNeonCyan, 1.5, 1.5);
        cairo_new_path(cr);
    }
    return canvasFinish(canvas, 3);
}

// City-map markers: gold chequered disc for a race already won, a hot
// magenta target for the others.
Image makeRaceMarker(bool won) {
    Canvas canvas = canvasCreate(64, 64);
    cairo_t* cr = canvas.cr;
    Canvas glow = canvasCreate(64, 64);
    cairo_arc(glow.cr, 32, 32, 22, 0, 2 * kPi);
    setRgba(glow.cr, won ? 0xffc030 : kNeonMagenta, 1);
    cairo_set_line_width(glow.cr, 6);
    cairo_stroke(glow.cr);
    canvasBlur(glow, 6);
    canvasCompose(canvas, glow, CAIRO_OPERATOR_OVER);
    canvasDestroy(glow);
    if (won) {
        cairo_save(cr);
        cairo_arc(cr, 32, 32, 20, 0, 2 * kPi);
        cairo_clip(cr);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x) {
                cairo_rectangle(cr, 12 + x * 7, 12 + y * 7, 7, 7);
                if ((x + y) % 2)
                    cairo_set_source_rgb(cr, 1, 0.95, 0.8);
                else
                    cairo_set_source_rgb(cr, 0.08, 0.06, 0.02);
                cairo_fill(cr);
            }
        cairo_restore(cr);
        cairo_arc(cr, 32, 32, 20, 0, 2 * kPi);
        cairo_set_line_width(cr, 3.5);
        setRgba(cr, 0xffc030);
        cairo_stroke(cr);
    } else {
        cairo_arc(cr, 32, 32, 20, 0, 2 * kPi);
        setRgba(cr, 0x200818, 0.85);
        cairo_fill_preserve(cr);
        cairo_set_line_width(cr, 3.5);
        setRgba(cr, kNeonMagenta);
        cairo_stroke(cr);
        cairo_arc(cr, 32, 32, 11, 0, 2 * kPi);
        cairo_set_line_width(cr, 2.5);
        setRgba(cr, 0xff80c0);
        cairo_stroke(cr);
        cairo_arc(cr, 32, 32, 4.5, 0, 2 * kPi);
        setRgba(cr, 0xffffff);
        cairo_fill(cr);
    }
    return canvasFinish(canvas, 4);
}
