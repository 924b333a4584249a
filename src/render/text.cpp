// Bitmap-font text in the 800 x 600 overlay space, from one 16 x 16 glyph image.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "render/gl.h"
#include "render/render.h"
#include "render/render_local.h"

int textColour = 0;
float textAlpha = 1.0f;

namespace {

constexpr int kGlyphCells = 256;
// One cell of the 16 x 16 grid in texture units.
constexpr float kCell = 1.0f / 16.0f;
// Glyph sets: set 0 is cells 0..95, set 1 cells 128..223; both map the
// printable codes 32..127 onto their 96 cells.
constexpr int kSetStride = 128;
constexpr int kFirstPrintable = 32;

// A font's quad and advance in overlay units. Quads are about twice the
// advance wide: the image draws each character in the left part of its
// cell, so neighbours overlap only on empty pixels.
struct FontShape {
    float width, height, advance;
};
constexpr FontShape kSmallFont{19.0f, 20.0f, 10.0f};
constexpr FontShape kLargeFont{25.0f, 27.0f, 13.0f};

}  // namespace

// A line of glyphs from the cell firstCell + code of each character, as one
// batch of quads, each one advance on from the one before; codes whose cell
// is outside the image draw nothing and take no room. One draw a line: the
// renderer's work per draw is larger than a glyph's pixels.
void drawGlyphLine(bool small, int firstCell, const char* text, int length) {
    const FontShape& font = small ? kSmallFont : kLargeFont;
    float x = 0.0f;
    glBegin(GL_QUADS);
    for (int i = 0; i < length; i++) {
        const int cell = firstCell + static_cast<unsigned char>(text[i]);
        if (cell < 0 || cell >= kGlyphCells) continue;
        const float s = static_cast<float>(cell % 16) * kCell;
        const float tTop = 1.0f - static_cast<float>(cell / 16) * kCell;
        const float tBottom = tTop - kCell;
        glTexCoord2f(s, tBottom);
        glVertex2f(x, 0.0f);
        glTexCoord2f(s + kCell, tBottom);
        glVertex2f(x + font.width, 0.0f);
        glTexCoord2f(s + kCell, tTop);
        glVertex2f(x + font.width, font.height);
        glTexCoord2f(s, tTop);
        glVertex2f(x, font.height);
        x += font.advance;
    }
    glEnd();
}

namespace {

void printWith(int x, int y, int set, bool small, const char* format, va_list args) {
    if (!format) return;
    // The formatted text is cut at 255 characters, never written past.
    char text[256];
    int length = std::vsnprintf(text, sizeof text, format, args);
    if (length < 0) return;
    if (length > static_cast<int>(sizeof text) - 1) length = static_cast<int>(sizeof text) - 1;
    // Codes outside 32..127 would draw cells of the other set or of no glyph
    // at all: they print as spaces.
    for (int i = 0; i < length; i++)
        if (static_cast<signed char>(text[i]) < kFirstPrintable) text[i] = ' ';
    if (set > 1) set = 1;
    if (set < 0) set = 0;

    glDisable(GL_DEPTH_TEST);
    beginOverlay();
    // The small font's baseline sits 3 units below the given y.
    glTranslated(static_cast<double>(x), static_cast<double>(small ? y - 3 : y), 0.0);

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (textColour == 0) glColor4f(1.0f, 1.0f, 1.0f, textAlpha);
    if (textColour == 1) glColor4f(1.0f, 0.0f, 0.0f, textAlpha);
    if (textColour == 2) glColor4f(0.0f, 1.0f, 0.0f, textAlpha);
    // An unloaded glyph image has no texture name yet; binding its marker
    // value would create an empty texture under that name.
    const TgaImage& glyphs = tgaTextures[kGlyphTga];
    glBindTexture(GL_TEXTURE_2D, glyphs.texture != 0xFFFFFFFFu ? glyphs.texture : 0);

    drawGlyphLine(small, kSetStride * set - kFirstPrintable, text, length);

    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    endOverlay();
    glBlendFunc(GL_ONE, GL_ONE);
    if (small) glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

}  // namespace

// The glyphs are drawn from the image bound at the time; the start-up image
// is left bound here, as the game always did.
void buildSmallFont() {
    glBindTexture(GL_TEXTURE_2D, startTextures[2]);
}

void buildLargeFont() {
    glBindTexture(GL_TEXTURE_2D, startTextures[2]);
}

void printText(int x, int y, float scale, int set, const char* format, ...) {
    (void)scale;
    va_list args;
    va_start(args, format);
    printWith(x, y, set, true, format, args);
    va_end(args);
}

void printTextLarge(int x, int y, int set, const char* format, ...) {
    va_list args;
    va_start(args, format);
    printWith(x, y, set, false, format, args);
    va_end(args);
}
