// The game's desktop icon: a night road under a neon K, drawn at each size
// the desktop asks for rather than scaled, so the small ones stay crisp.
#include <cstdio>
#include <string>

#include "content/content.h"
#include "content/draw2d.h"

// The sizes installed into the desktop's icon theme.
static const int kIconSizes[] = {48, 128, 256};

// Drawn in a 1 x 1 square scaled to the size.
static Image drawIcon(int size) {
    Canvas canvas = canvasCreate(size, size);
    cairo_t* cr = canvas.cr;
    cairo_scale(cr, size, size);

    // Night sky to asphalt, in a rounded tile.
    roundedRect(cr, 0.04, 0.04, 0.92, 0.92, 0.16);
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0.04, 0, 0.96);
    cairo_pattern_add_color_stop_rgb(sky, 0.0, 0.05, 0.06, 0.14);
    cairo_pattern_add_color_stop_rgb(sky, 0.55, 0.10, 0.07, 0.22);
    cairo_pattern_add_color_stop_rgb(sky, 1.0, 0.03, 0.03, 0.05);
    cairo_set_source(cr, sky);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(sky);
    cairo_save(cr);
    cairo_clip(cr);

    // The road running to the horizon, with its amber centre line.
    cairo_move_to(cr, 0.08, 0.96);
    cairo_line_to(cr, 0.47, 0.56);
    cairo_line_to(cr, 0.53, 0.56);
    cairo_line_to(cr, 0.92, 0.96);
    cairo_close_path(cr);
    setRgba(cr, 0x1c1d26);
    cairo_fill(cr);
    cairo_set_line_width(cr, 0.025);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int dash = 0; dash < 3; dash++) {
        const double top = 0.60 + 0.13 * dash;
        cairo_move_to(cr, 0.5, top);
        cairo_line_to(cr, 0.5, top + 0.04 + 0.025 * dash);
    }
    setRgba(cr, 0xffb638);
    cairo_stroke(cr);
    cairo_restore(cr);

    // The K in neon: a soft glow under a bright core.
    setFont(cr, FontSansBoldOblique, 0.5);
    textPathCentred(cr, "K", 0.5, 0.5);
    cairo_set_line_width(cr, 0.05);
    setRgba(cr, 0xff3d7f, 0.45);
    cairo_stroke_preserve(cr);
    setRgba(cr, 0xffe3ef);
    cairo_fill(cr);

    return canvasFinish(canvas, 4);
}

bool generateIcons(const std::string& baseDir) {
    const std::string folder = baseDir + "/icons";
    if (!makeDirectories(folder)) {
        return false;
    }
    for (int size : kIconSizes) {
        char name[64];
        std::snprintf(name, sizeof(name), "/korvask-%d.png", size);
        if (!writePng(folder + name, drawIcon(size))) {
            releaseArtFonts();
            return false;
        }
    }
    releaseArtFonts();
    return true;
}
