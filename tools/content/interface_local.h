// Private to the interface generator: one maker per picture of the texture
// tables, each returning the finished Image (RGB for the BMP table, RGB or RGBA
// for the TGA table). The colours of the game's night look are shared here.
#pragma once

#include <cstdint>
#include <string>

#include "content/draw2d.h"

// The palette: sodium orange and neon cyan/magenta over a blue-black night.
constexpr uint32_t kNeonCyan = 0x2ee6ff;
constexpr uint32_t kNeonMagenta = 0xff2e9a;
constexpr uint32_t kSodium = 0xffa040;
constexpr uint32_t kNightBlue = 0x0a1028;
constexpr uint32_t kHotWhite = 0xfff4e8;
constexpr double kPi = 3.14159265358979323846;

// Sky (box faces 1..5 and the cloud layer 36).
Image makeSkySide(int face);
Image makeSkyTop();
Image makeClouds();

// Race HUD.
Image makeTachoMask();
Image makeTachoFace();
Image makeNeedleMask();
Image makeNeedleFace();
Image makeCornerArrow();
Image makeTopBarMask();
Image makeTopBarFace();
Image makeNitroFrame();
Image makeNitroFill();
Image makeCountdown(const char* text, uint32_t colour, int width, int height);

// Menus.
Image makeButtonMask();
Image makeButtonFace();
Image makeButtonIcon();
Image makePointer();
Image makeDarkeningSheet();
Image makeTitleMask();
Image makeTitleFace();
Image makeStatFrame();
Image makeStatFill();
Image makeLoadingPicture(int variant);
Image makeRaceMarker(bool won);
Image makeCityMap();

// Effects and sprites.
Image makeCheckpointMarker();
Image makeLampSprite();
Image makeSmokeParticle();
Image makeFlameParticle();
// A small neutral image for table entries the game loads but never draws.
Image makeSpareTexture(int index, int channels);

// The glyph image of the text printer.
Image makeGlyphImage();

// The particle-effect definition files.
bool writeEffectFiles(const std::string& effectsDir);

// Draws a night skyline silhouette with lit windows between x0 and x1, its
// base at baseY, buildings up to maxHeight tall.
void drawSkyline(cairo_t* cr, double x0, double x1, double baseY, double maxHeight, uint32_t seed,
                 double windowScale);
// Fills the canvas with a vertical gradient through the given stops (position, colour).
void verticalGradient(Canvas& canvas, const double* stops, const uint32_t* colours, int count);
// Strokes the current path several times, wide and faint to narrow and bright,
// for a neon tube look; the path is kept.
void neonStroke(cairo_t* cr, uint32_t colour, double width, double glow);
