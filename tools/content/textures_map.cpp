// The city map of the race selection screen: a 512 x 512 top-down plan of the
// city's street grid, glowing streets over dark blocks on a translucent panel.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "content/city.h"
#include "content/districts.h"
#include "content/interface_local.h"
#include "frontend/city_map_plan.h"

// World (x, z) to map pixels: x to the right, +z (north) up, the whole
// street grid inside the frame.
static const double kCentreX = kCityMapCentreX, kCentreZ = kCityMapCentreZ, kHalfExtent = kCityMapHalfExtent;
static double mapX(double x) {
    return 256 + (x - kCentreX) / kHalfExtent * kCityMapHalfPixels;
}
static double mapY(double z) {
    return 256 - (z - kCentreZ) / kHalfExtent * kCityMapHalfPixels;
}

// A block outline with its rounded corners (corners in the city's order:
// (x0,z0), (x1,z0), (x1,z1), (x0,z1)).
static void blockPath(cairo_t* cr, const CityBlock& block, double inset) {
    const double scale = kCityMapHalfPixels / kHalfExtent;
    const double x0 = mapX(block.rect.x0) + inset, x1 = mapX(block.rect.x1) - inset;
    const double top = mapY(block.rect.z1) + inset, bottom = mapY(block.rect.z0) - inset;
    if (x1 - x0 < 1 || bottom - top < 1) return;
    auto radius = [&](int c) {
        return std::min(
            {block.rounded[c] ? block.cornerRadius[c] * scale : 0.0, (x1 - x0) / 2, (bottom - top) / 2});
    };
    const double r0 = radius(0), r1 = radius(1), r2 = radius(2), r3 = radius(3);
    cairo_new_sub_path(cr);
    cairo_arc(cr, x1 - r2, top + r2, r2, -kPi / 2, 0);      // (x1, z1): top right
    cairo_arc(cr, x1 - r1, bottom - r1, r1, 0, kPi / 2);    // (x1, z0): bottom right
    cairo_arc(cr, x0 + r0, bottom - r0, r0, kPi / 2, kPi);  // (x0, z0): bottom left
    cairo_arc(cr, x0 + r3, top + r3, r3, kPi, 1.5 * kPi);   // (x0, z1): top left
    cairo_close_path(cr);
}

Image makeCityMap() {
    Canvas canvas = canvasCreate(512, 512);
    cairo_t* cr = canvas.cr;
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
    if (cityBlocks.empty()) buildCity();
    const double scale = kCityMapHalfPixels / kHalfExtent;
    // Streets first, as a sodium glow the blocks then cut into.
    Canvas glow = canvasCreate(512, 512);
    for (const Rect& r : cityStreets) {
        cairo_rectangle(glow.cr, mapX(r.x0), mapY(r.z1), (r.x1 - r.x0) * scale, (r.z1 - r.z0) * scale);
        setRgba(glow.cr, kSodium, 0.45);
        cairo_fill(glow.cr);
    }
    canvasBlur(glow, 8);
    canvasCompose(canvas, glow, CAIRO_OPERATOR_OVER);
    canvasDestroy(glow);
    // Asphalt, then a lit centre line along each street.
    for (const Rect& r : cityStreets) {
        cairo_rectangle(cr, mapX(r.x0), mapY(r.z1), (r.x1 - r.x0) * scale, (r.z1 - r.z0) * scale);
        setRgba(cr, 0x3a3040, 0.95);
        cairo_fill(cr);
    }
    for (const Rect& r : cityStreets) {
        const bool alongX = r.x1 - r.x0 > r.z1 - r.z0;
        if (alongX) {
            cairo_move_to(cr, mapX(r.x0), mapY(0.5 * (r.z0 + r.z1)));
            cairo_line_to(cr, mapX(r.x1), mapY(0.5 * (r.z0 + r.z1)));
        } else {
            cairo_move_to(cr, mapX(0.5 * (r.x0 + r.x1)), mapY(r.z0));
            cairo_line_to(cr, mapX(0.5 * (r.x0 + r.x1)), mapY(r.z1));
        }
        cairo_set_line_width(cr, r.z1 - r.z0 > 30 && alongX ? 2.4 : 1.4);
        setRgba(cr, 0xffc878, 0.95);
        cairo_stroke(cr);
    }
    // Blocks: dark panels (park green, plaza stone) with the buildings on them.
    cairo_save(cr);
    roundedRect(cr, 8, 8, 496, 496, 10);
    cairo_clip(cr);
    // The harbour basin south of the quays.
    cairo_rectangle(cr, 0, mapY(kQuayZ), 512, 512);
    cairo_set_source_rgba(cr, 0.02, 0.08, 0.16, 0.95);
    cairo_fill(cr);
    for (int k = 0; k < 6; ++k) {  // ripples
        const double y = mapY(kQuayZ) + 8 + 7 * k;
        for (double x = 20 + 9 * (k % 2); x < 490; x += 26) {
            cairo_move_to(cr, x, y);
            cairo_line_to(cr, x + 10, y);
        }
    }
    cairo_set_source_rgba(cr, 0.3, 0.6, 0.9, 0.25);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    // Blocks in their district's tint (parks green, the plaza stone).
    for (const CityBlock& block : cityBlocks) {
        double tint[3] = {((kDistrictStyles[block.district].mapTint >> 16) & 0xff) / 255.0,
                          ((kDistrictStyles[block.district].mapTint >> 8) & 0xff) / 255.0,
                          (kDistrictStyles[block.district].mapTint & 0xff) / 255.0};
        blockPath(cr, block, 0);
        if (block.kind == 1)
            cairo_set_source_rgba(cr, 0.04, 0.22, 0.12, 0.95);
        else if (block.kind == 2)
            cairo_set_source_rgba(cr, 0.20, 0.18, 0.24, 0.95);
        else
            cairo_set_source_rgba(cr, 0.04 + 0.2 * tint[0], 0.05 + 0.2 * tint[1], 0.1 + 0.2 * tint[2], 0.95);
        cairo_fill_preserve(cr);
        cairo_set_source_rgba(cr, tint[0], tint[1], tint[2], 0.5);
        cairo_set_line_width(cr, 0.9);
        cairo_stroke(cr);
    }
    Rng rng(8080);
    for (const CityBuilding& b : cityBuildings) {
        const double x = mapX(b.rect.x0) + 0.6, y = mapY(b.rect.z1) + 0.6;
        const double w = (b.rect.x1 - b.rect.x0) * scale - 1.2, h = (b.rect.z1 - b.rect.z0) * scale - 1.2;
        if (w < 0.5 || h < 0.5) continue;
        // Taller buildings read lighter, a few have lit roofs.
        const double tall = std::min(1.0, b.height / 80.0);
        const uint32_t tint = kDistrictStyles[b.district].mapTint;
        const double tr = ((tint >> 16) & 0xff) / 255.0, tg = ((tint >> 8) & 0xff) / 255.0,
                     tb = (tint & 0xff) / 255.0;
        cairo_rectangle(cr, x, y, w, h);
        cairo_set_source_rgba(cr, 0.08 + (0.25 + 0.2 * tall) * tr, 0.08 + (0.25 + 0.2 * tall) * tg,
                              0.12 + (0.25 + 0.2 * tall) * tb, 0.95);
        cairo_fill(cr);
        if (rng.uniform() < 0.25) {
            cairo_rectangle(cr, x + w * 0.3, y + h * 0.3, w * 0.4, h * 0.4);
            setRgba(cr, rng.uniform() < 0.5 ? kNeonCyan : kNeonMagenta, 0.5);
            cairo_fill(cr);
        }
    }
    // Each district's name over the middle of its blocks, in its tint.
    for (int d = 0; d < kDistrictCount; ++d) {
        double sx = 0, sz = 0, area = 0;
        for (const CityBlock& block : cityBlocks) {
            if (block.district != d || block.kind == 3) continue;
            const double a = (block.rect.x1 - block.rect.x0) * (block.rect.z1 - block.rect.z0);
            sx += a * 0.5 * (block.rect.x0 + block.rect.x1);
            sz += a * 0.5 * (block.rect.z0 + block.rect.z1);
            area += a;
        }
        if (area <= 0) continue;
        double x = mapX(sx / area), y = mapY(sz / area);
        setFont(cr, FontCondensedBold, 17);
        const double w = textWidth(cr, kDistrictStyles[d].name);
        x = std::clamp(x, 18 + w / 2, 494 - w / 2);
        roundedRect(cr, x - w / 2 - 6, y - 15, w + 12, 21, 5);
        cairo_set_source_rgba(cr, 0.0, 0.0, 0.0, 0.6);
        cairo_fill(cr);
        textPathCentred(cr, kDistrictStyles[d].name, x, y);
        neonStroke(cr, kDistrictStyles[d].mapTint, 0.6, 2.0);
        cairo_new_path(cr);
        textPathCentred(cr, kDistrictStyles[d].name, x, y);
        setRgba(cr, 0xffffff, 0.95);
        cairo_fill(cr);
    }
    cairo_restore(cr);
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
