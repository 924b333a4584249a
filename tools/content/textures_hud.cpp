// Race HUD art: tachometer dial and needle, corner arrow, top bar, nitro gauge
// and the start countdown. Dial, needle and bar come in pairs: a mask the game
// multiplies into the frame (white keeps the scene, dark shades it) and a face
// it adds on top (black adds nothing).
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "content/interface_local.h"

// Overlay angle (degrees, counter-clockwise from +x) of the needle at an engine
// speed: 152.5 degrees from straight up at 1000 rpm, 0.035 degrees clockwise per rpm.
static double needleAngle(double rpm) {
    return 90.0 + 152.5 - (std::max(rpm, 1000.0) - 1000.0) * 0.035;
}

// Dial canvases are drawn in the HUD quad's own units (200 x 200, y up, the
// needle's pivot at the centre).
static Canvas dialCanvas() {
    Canvas canvas = canvasCreate(256, 256);
    cairo_scale(canvas.cr, 256.0 / 200, -256.0 / 200);
    cairo_translate(canvas.cr, 0, -200);
    return canvas;
}

static void polar(double angleDeg, double radius, double& x, double& y) {
    const double a = angleDeg * kPi / 180;
    x = 100 + radius * std::cos(a);
    y = 100 + radius * std::sin(a);
}

static void arcPath(cairo_t* cr, double radius, double fromDeg, double toDeg) {
    // From high angle to low: the scale runs clockwise.
    cairo_new_path(cr);
    cairo_arc_negative(cr, 100, 100, radius, fromDeg * kPi / 180, toDeg * kPi / 180);
}

Image makeTachoMask() {
    Canvas canvas = dialCanvas();
    cairo_t* cr = canvas.cr;
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_pattern_t* p = cairo_pattern_create_radial(100, 100, 0, 100, 100, 97);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.30, 0.30, 0.34);
    cairo_pattern_add_color_stop_rgb(p, 0.85, 0.16, 0.16, 0.20);
    cairo_pattern_add_color_stop_rgb(p, 0.97, 0.05, 0.05, 0.07);
    cairo_pattern_add_color_stop_rgb(p, 1.0, 1, 1, 1);
    cairo_set_source(cr, p);
    cairo_arc(cr, 100, 100, 97, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    // The speed readout sits low on the right: shade it deeper so the digits stand out.
    cairo_set_source_rgba(cr, 0.05, 0.05, 0.07, 0.8);
    roundedRect(cr, 112, 14, 70, 52, 6);
    cairo_fill(cr);
    return canvasFinish(canvas, 3);
}

Image makeTachoFace() {
    Canvas canvas = dialCanvas();
    cairo_t* cr = canvas.cr;
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    // Faint blue glass sheen, brighter at the top.
    cairo_pattern_t* sheen = cairo_pattern_create_linear(0, 190, 0, 60);
    cairo_pattern_add_color_stop_rgba(sheen, 0, 0.10, 0.16, 0.30, 1);
    cairo_pattern_add_color_stop_rgba(sheen, 1, 0.0, 0.0, 0.02, 1);
    cairo_set_source(cr, sheen);
    cairo_arc(cr, 100, 100, 95, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(sheen);

    // Outer bezel and the scale arc.
    cairo_arc(cr, 100, 100, 96, 0, 2 * kPi);
    cairo_set_line_width(cr, 1.6);
    cairo_set_source_rgba(cr, 0.35, 0.45, 0.6, 1);
    cairo_stroke(cr);
    const double start = needleAngle(1000), redline = needleAngle(6500),
                 end = needleAngle(1000 + 243 / 0.035);
    arcPath(cr, 86, start, redline);
    neonStroke(cr, kNeonCyan, 2.2, 1.6);
    cairo_new_path(cr);
    arcPath(cr, 84, redline, end);
    neonStroke(cr, 0xff2040, 6.0, 1.8);
    cairo_new_path(cr);

    // Ticks every 250 rpm, long ones at each thousand with their numbers.
    setFont(cr, FontCondensedBoldOblique, 17);
    for (int rpm = 1000; rpm <= 8000; rpm += 250) {
        const double a = needleAngle(rpm);
        if (a < end - 0.01) break;
        const bool major = rpm % 1000 == 0, half = rpm % 500 == 0;
        double x0, y0, x1, y1;
        polar(a, 88, x0, y0);
        polar(a, major ? 74 : half ? 79 : 82, x1, y1);
        cairo_move_to(cr, x0, y0);
        cairo_line_to(cr, x1, y1);
        cairo_set_line_width(cr, major ? 3.0 : 1.4);
        if (rpm >= 6500)
            cairo_set_source_rgb(cr, 1, 0.25, 0.3);
        else
            cairo_set_source_rgb(cr, major ? 0.95 : 0.6, major ? 0.97 : 0.65, major ? 1.0 : 0.72);
        cairo_stroke(cr);
        if (major) {
            char label[4];
            std::snprintf(label, sizeof label, "%d", rpm / 1000);
            double tx, ty;
            polar(a, 60, tx, ty);
            cairo_save(cr);
            cairo_translate(cr, tx, ty);
            cairo_scale(cr, 1, -1);  // text upright in the y-up frame
            textPathCentred(cr, label, 0, 6);
            if (rpm >= 7000)
                cairo_set_source_rgb(cr, 1, 0.3, 0.35);
            else
                cairo_set_source_rgb(cr, 0.95, 0.96, 1);
            cairo_fill(cr);
            cairo_restore(cr);
        }
    }
    cairo_save(cr);
    cairo_translate(cr, 100, 100);
    cairo_scale(cr, 1, -1);
    setFont(cr, FontCondensedBold, 9);
    textPathCentred(cr, "x1000 RPM", 0, -26);
    cairo_set_source_rgb(cr, 0.45, 0.6, 0.75);
    cairo_fill(cr);
    cairo_restore(cr);
    // Frame of the speed readout, the game prints the digits into it.
    roundedRect(cr, 112, 14, 70, 52, 6);
    cairo_set_line_width(cr, 1.2);
    setRgba(cr, kNeonMagenta, 0.8);
    cairo_stroke(cr);
    cairo_move_to(cr, 118, 33);
    cairo_line_to(cr, 176, 33);
    cairo_set_line_width(cr, 0.8);
    setRgba(cr, kNeonMagenta, 0.5);
    cairo_stroke(cr);
    return canvasFinish(canvas, 3);
}

// The needle quad is 22 x 110 units with the pivot 6 units above its bottom
// edge; the canvas is drawn in those units, y up, pivot at the origin.
static Canvas needleCanvas() {
    Canvas canvas = canvasCreate(64, 256);
    cairo_scale(canvas.cr, 64.0 / 22, -256.0 / 110);
    cairo_translate(canvas.cr, 11, -104);
    return canvas;
}

static void needlePath(cairo_t* cr, double grow) {
    cairo_move_to(cr, -3.2 - grow, -4 - grow);
    cairo_line_to(cr, 3.2 + grow, -4 - grow);
    cairo_line_to(cr, 0.9 + grow, 99 + grow);
    cairo_line_to(cr, -0.9 - grow, 99 + grow);
    cairo_close_path(cr);
}

Image makeNeedleMask() {
    Canvas canvas = needleCanvas();
    cairo_t* cr = canvas.cr;
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0.15, 0.15, 0.15);
    needlePath(cr, 1.0);
    cairo_fill(cr);
    cairo_arc(cr, 0, 0, 9.5, 0, 2 * kPi);
    cairo_set_source_rgb(cr, 0.05, 0.05, 0.06);
    cairo_fill(cr);
    return canvasFinish(canvas, 3);
}

Image makeNeedleFace() {
    Canvas canvas = needleCanvas();
    cairo_t* cr = canvas.cr;
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, 99);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.8, 0.12, 0.05);
    cairo_pattern_add_color_stop_rgb(p, 0.7, 1.0, 0.35, 0.1);
    cairo_pattern_add_color_stop_rgb(p, 1, 1.0, 0.85, 0.55);
    cairo_set_source(cr, p);
    needlePath(cr, 0);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    cairo_move_to(cr, 0, 4);
    cairo_line_to(cr, 0, 97);
    cairo_set_line_width(cr, 0.7);
    cairo_set_source_rgba(cr, 1, 0.95, 0.85, 0.9);
    cairo_stroke(cr);
    // Hub: dark cap with a cyan ring.
    cairo_pattern_t* hub = cairo_pattern_create_radial(-2, 2, 0, 0, 0, 9);
    cairo_pattern_add_color_stop_rgb(hub, 0, 0.45, 0.48, 0.55);
    cairo_pattern_add_color_stop_rgb(hub, 1, 0.06, 0.07, 0.09);
    cairo_set_source(cr, hub);
    cairo_arc(cr, 0, 0, 8, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(hub);
    cairo_arc(cr, 0, 0, 8, 0, 2 * kPi);
    cairo_set_line_width(cr, 1.2);
    setRgba(cr, kNeonCyan);
    cairo_stroke(cr);
    return canvasFinish(canvas, 3);
}

// The bend warning: a white arrow pointing ahead (up); the game tints it green
// to red and turns it towards the bend, adding it over the frame.
Image makeCornerArrow() {
    Canvas canvas = canvasCreate(128, 128);
    cairo_t* cr = canvas.cr;
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    auto arrow = [](cairo_t* c) {
        cairo_move_to(c, 64, 14);
        cairo_line_to(c, 100, 56);
        cairo_line_to(c, 78, 56);
        cairo_line_to(c, 78, 106);
        cairo_line_to(c, 50, 106);
        cairo_line_to(c, 50, 56);
        cairo_line_to(c, 28, 56);
        cairo_close_path(c);
    };
    Canvas glow = canvasCreate(128, 128);
    arrow(glow.cr);
    cairo_set_source_rgb(glow.cr, 0.8, 0.8, 0.8);
    cairo_fill(glow.cr);
    canvasBlur(glow, 12);
    canvasCompose(canvas, glow, CAIRO_OPERATOR_ADD);
    canvasDestroy(glow);
    arrow(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 14, 0, 106);
    cairo_pattern_add_color_stop_rgb(p, 0, 1, 1, 1);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.45, 0.45, 0.45);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    cairo_set_line_width(cr, 2.5);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_stroke(cr);
    return canvasFinish(canvas, 3);
}

// Top bar: the quad spans overlay (0, 474)-(800, 602); the canvas is drawn in
// overlay units with y measured down from 602. Lap and place print at y 563.
static Canvas barCanvas() {
    Canvas canvas = canvasCreate(1024, 128);
    cairo_scale(canvas.cr, 1024.0 / 800, 1);
    return canvas;
}

static void barShape(cairo_t* cr) {
    // A band along the top with slanted ends and a round scope in the middle
    // around the corner arrow (centred at overlay (400, 545), y down 57).
    cairo_new_path(cr);
    cairo_move_to(cr, 30, -2);
    cairo_line_to(cr, 770, -2);
    cairo_line_to(cr, 728, 52);
    cairo_line_to(cr, 462, 52);
    cairo_arc(cr, 400, 57, 64, -0.08, kPi + 0.08);
    cairo_line_to(cr, 72, 52);
    cairo_close_path(cr);
}

Image makeTopBarMask() {
    Canvas canvas = barCanvas();
    cairo_t* cr = canvas.cr;
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    Canvas shade = barCanvas();
    barShape(shade.cr);
    cairo_set_source_rgba(shade.cr, 0, 0, 0, 0.72);
    cairo_fill(shade.cr);
    // The text pods a little darker still.
    roundedRect(shade.cr, 96, 10, 156, 36, 6);
    roundedRect(shade.cr, 552, 10, 156, 36, 6);
    cairo_set_source_rgba(shade.cr, 0, 0, 0, 0.5);
    cairo_fill(shade.cr);
    composeShade(canvas, shade, 3);
    return canvasFinish(canvas, 3);
}

Image makeTopBarFace() {
    Canvas canvas = barCanvas();
    cairo_t* cr = canvas.cr;
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    // Cool glass gradient inside the band.
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, 60);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.0, 0.0, 0.0);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.03, 0.07, 0.13);
    cairo_set_source(cr, p);
    barShape(cr);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    // Neon edge along the lower outline.
    cairo_new_path(cr);
    cairo_move_to(cr, 770, -2);
    cairo_line_to(cr, 728, 52);
    cairo_line_to(cr, 462, 52);
    cairo_arc(cr, 400, 57, 64, -0.08, kPi + 0.08);
    cairo_line_to(cr, 72, 52);
    cairo_line_to(cr, 30, -2);
    neonStroke(cr, kNeonCyan, 1.6, 1.4);
    cairo_new_path(cr);
    // Inner scope ring for the arrow.
    cairo_arc(cr, 400, 57, 54, kPi * 1.02, kPi * 1.98);
    setRgba(cr, kNeonCyan, 0.35);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    // Magenta underlines of the lap and place pods.
    for (double x : {100.0, 556.0}) {
        cairo_move_to(cr, x, 44);
        cairo_line_to(cr, x + 146, 44);
        neonStroke(cr, kNeonMagenta, 1.4, 1.2);
        cairo_new_path(cr);
    }
    // Speed streaks along the band's ends.
    for (int i = 0; i < 3; ++i) {
        const double y = 14 + i * 8;
        cairo_move_to(cr, 30 + y * 0.78 + 8, y);
        cairo_line_to(cr, 86 - i * 10, y);
        cairo_move_to(cr, 770 - y * 0.78 - 8, y);
        cairo_line_to(cr, 714 + i * 10, y);
        setRgba(cr, kNeonCyan, 0.5 - i * 0.12);
        cairo_set_line_width(cr, 1.6);
        cairo_stroke(cr);
    }
    return canvasFinish(canvas, 3);
}

// Nitro gauge: a 200 x 200 quad at the bottom left whose fill is revealed from
// the bottom edge upwards, so the tube runs the quad's whole height. Drawn in
// quad units, y down from the top.
static Canvas gaugeCanvas() {
    Canvas canvas = canvasCreate(256, 256);
    cairo_scale(canvas.cr, 256.0 / 200, 256.0 / 200);
    return canvas;
}

static void tubePath(cairo_t* cr, double inset) {
    roundedRect(cr, 22 + inset, 8 + inset, 30 - 2 * inset, 184 - 2 * inset, 14 - inset);
}

Image makeNitroFrame() {
    Canvas canvas = gaugeCanvas();
    cairo_t* cr = canvas.cr;
    // A faint smoked glass so an empty tank still reads as a tube.
    tubePath(cr, 1);
    cairo_set_source_rgba(cr, 0.05, 0.08, 0.15, 0.35);
    cairo_fill(cr);
    cairo_rectangle(cr, 27, 16, 4, 168);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.22);
    cairo_fill(cr);
    tubePath(cr, 0);
    cairo_set_line_width(cr, 3.2);
    cairo_set_source_rgba(cr, 0.02, 0.02, 0.04, 0.9);
    cairo_stroke_preserve(cr);
    neonStroke(cr, kNeonCyan, 1.4, 1.3);
    cairo_new_path(cr);
    // Level ticks every tenth, with the full and half marks longer.
    for (int i = 1; i < 10; ++i) {
        const double y = 200 - 20.0 * i;
        cairo_move_to(cr, 56, y);
        cairo_line_to(cr, i == 5 ? 68 : 62, y);
        cairo_set_line_width(cr, 1.6);
        cairo_set_source_rgba(cr, 0.8, 0.95, 1, i == 5 ? 0.95 : 0.6);
        cairo_stroke(cr);
    }
    cairo_save(cr);
    cairo_translate(cr, 80, 150);
    cairo_rotate(cr, -kPi / 2);
    setFont(cr, FontCondensedBoldOblique, 16);
    cairo_move_to(cr, 0, 0);
    cairo_text_path(cr, "NITRO");
    cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
    cairo_set_line_width(cr, 3);
    cairo_stroke_preserve(cr);
    setRgba(cr, kNeonCyan, 0.95);
    cairo_fill(cr);
    cairo_restore(cr);
    return canvasFinish(canvas, 4);
}

Image makeNitroFill() {
    Canvas canvas = gaugeCanvas();
    cairo_t* cr = canvas.cr;
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 192, 0, 8);
    cairo_pattern_add_color_stop_rgba(p, 0, 0.05, 0.15, 0.9, 0.92);
    cairo_pattern_add_color_stop_rgba(p, 0.6, 0.1, 0.7, 1.0, 0.92);
    cairo_pattern_add_color_stop_rgba(p, 1, 0.75, 1.0, 1.0, 0.95);
    cairo_set_source(cr, p);
    tubePath(cr, 2.5);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    // Bubbles and a bright core line give the liquid some depth.
    cairo_save(cr);
    tubePath(cr, 2.5);
    cairo_clip(cr);
    cairo_rectangle(cr, 34, 8, 5, 184);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.28);
    cairo_fill(cr);
    Rng rng(606);
    for (int i = 0; i < 26; ++i) {
        cairo_arc(cr, rng.range(27, 47), rng.range(12, 188), rng.range(0.8, 2.2), 0, 2 * kPi);
        cairo_set_source_rgba(cr, 0.85, 1, 1, rng.range(0.35, 0.7));
        cairo_fill(cr);
    }
    cairo_restore(cr);
    return canvasFinish(canvas, 4);
}

// Start countdown: added over the frame, so black stays clear; a glowing
// numeral inside a ring of light like a start gantry lamp.
Image makeCountdown(const char* text, uint32_t colour, int width, int height) {
    Canvas canvas = canvasCreate(width, height);
    cairo_t* cr = canvas.cr;
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    const double cx = width / 2.0, cy = height / 2.0, size = height * 0.78;
    auto shape = [&](cairo_t* c) {
        setFont(c, FontSansBoldOblique, size);
        textPathCentred(c, text, cx, cy + size * 0.36);
    };
    Canvas glow = canvasCreate(width, height);
    shape(glow.cr);
    setRgba(glow.cr, colour, 1);
    cairo_set_line_width(glow.cr, height * 0.03);
    cairo_stroke_preserve(glow.cr);
    cairo_fill(glow.cr);
    if (width == height) {
        cairo_arc(glow.cr, cx, cy, height * 0.45, 0, 2 * kPi);
        cairo_set_line_width(glow.cr, height * 0.03);
        cairo_stroke(glow.cr);
    }
    canvasBlur(glow, height / 12);
    canvasCompose(canvas, glow, CAIRO_OPERATOR_ADD);
    canvasCompose(canvas, glow, CAIRO_OPERATOR_ADD, 0.6);
    canvasDestroy(glow);
    if (width == height) {
        cairo_arc(cr, cx, cy, height * 0.45, 0, 2 * kPi);
        setRgba(cr, colour, 0.9);
        cairo_set_line_width(cr, height * 0.012);
        cairo_stroke(cr);
    }
    shape(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, cy - size / 2, 0, cy + size / 2);
    cairo_pattern_add_color_stop_rgb(p, 0, 1, 1, 1);
    const double r = ((colour >> 16) & 255) / 255.0, g = ((colour >> 8) & 255) / 255.0,
                 b = (colour & 255) / 255.0;
    cairo_pattern_add_color_stop_rgb(p, 0.45, 0.5 + r / 2, 0.5 + g / 2, 0.5 + b / 2);
    cairo_pattern_add_color_stop_rgb(p, 1, r, g, b);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    cairo_set_line_width(cr, 2);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_stroke(cr);
    return canvasFinish(canvas, 3);
}
