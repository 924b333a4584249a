// The glyph image of the text printer: 16 x 16 cells of 32 x 32 pixels. Glyph
// set 1 (rows 8 to 13) is the game's main face, a bold monospace; set 0 (rows 0
// to 5) a warm condensed italic for numbers on the HUD and the information
// page. Each set holds the codes 32 to 127 in order.
//
// The printer draws a cell as a 19 x 20 quad (25 x 27 for the large font) and
// steps only 10 (13) units per character, so each glyph lives in the left 53 %
// of its cell, and the cell's bottom edge is the line the printer calls its
// baseline: descenders need the room below our own baseline.
#include <algorithm>
#include <cmath>

#include "content/interface_local.h"

static const int kCell = 32;
// 10 of 19 units of a 32-pixel cell.
static const double kAdvancePixels = kCell * 10.0 / 19.0;
static const double kBaseline = 25.0;  // pixels from the cell top

static void drawGlyphSet(cairo_t* cr, int firstRow, FontId font, double size, uint32_t colour) {
    setFont(cr, font, size);
    for (int code = 32; code < 128; ++code) {
        const int cell = firstRow * 16 + (code - 32);
        const double cellX = (cell % 16) * kCell, cellY = (cell / 16) * kCell;
        char text[2] = {static_cast<char>(code), 0};
        if (code == 127) continue;  // DEL: no glyph
        cairo_text_extents_t extents;
        cairo_text_extents(cr, text, &extents);
        // Centre the ink in the advance box, narrowing the few glyphs that are
        // wider than it so neighbours never collide.
        const double squeeze =
            extents.width > kAdvancePixels - 1 ? (kAdvancePixels - 1) / extents.width : 1.0;
        cairo_save(cr);
        // Nothing of a glyph, rim included, may reach a neighbouring cell.
        cairo_rectangle(cr, cellX, cellY, kCell, kCell);
        cairo_clip(cr);
        cairo_translate(cr, cellX + kAdvancePixels / 2, cellY + kBaseline);
        cairo_scale(cr, squeeze, 1);
        cairo_move_to(cr, -extents.x_bearing - extents.width / 2, 0);
        cairo_text_path(cr, text);
        cairo_identity_matrix(cr);
        // A dark rim keeps text legible over bright lamps and the white sky glow.
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_set_line_width(cr, 2.6);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.75);
        cairo_stroke_preserve(cr);
        setRgba(cr, colour);
        cairo_fill(cr);
        cairo_restore(cr);
    }
}

Image makeGlyphImage() {
    Canvas canvas = canvasCreate(16 * kCell, 16 * kCell);
    drawGlyphSet(canvas.cr, 8, FontMonoBold, 26.0, 0xffffff);
    drawGlyphSet(canvas.cr, 0, FontCondensedBoldOblique, 26.0, 0xffd890);
    Image image = canvasImage(canvas, 4);
    canvasDestroy(canvas);
    return image;
}
