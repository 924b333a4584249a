// Sprites of the 3-D scene (checkpoint marker, lamp glow, smoke and flame
// particles), spare table entries, and the particle-effect definition files.
// The billboards map the texture onto a diamond, so every sprite here is
// round and fades out before the edge of its inscribed circle.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "content/interface_local.h"

static double smoothFall(double r, double edge) {
    const double t = std::clamp(r / edge, 0.0, 1.0);
    return 1 - t * t * (3 - 2 * t);
}

// Checkpoint marker: white rings added over the scene; the game tints them a
// pulsing red.
Image makeCheckpointMarker() {
    Canvas canvas = canvasCreate(256, 256);
    cairo_t* cr = canvas.cr;
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    Canvas glow = canvasCreate(256, 256);
    cairo_arc(glow.cr, 128, 128, 100, 0, 2 * kPi);
    cairo_set_line_width(glow.cr, 14);
    cairo_set_source_rgb(glow.cr, 0.9, 0.9, 0.9);
    cairo_stroke(glow.cr);
    cairo_arc(glow.cr, 128, 128, 30, 0, 2 * kPi);
    cairo_fill(glow.cr);
    canvasBlur(glow, 16);
    canvasCompose(canvas, glow, CAIRO_OPERATOR_ADD);
    canvasDestroy(glow);
    cairo_arc(cr, 128, 128, 100, 0, 2 * kPi);
    cairo_set_line_width(cr, 6);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_stroke(cr);
    // Dashed inner ring, twelve segments.
    for (int i = 0; i < 12; ++i) {
        const double a = i * 2 * kPi / 12;
        cairo_arc(cr, 128, 128, 74, a + 0.08, a + 2 * kPi / 12 - 0.08);
        cairo_set_line_width(cr, 5);
        cairo_set_source_rgb(cr, 0.75, 0.75, 0.75);
        cairo_stroke(cr);
    }
    cairo_arc(cr, 128, 128, 44, 0, 2 * kPi);
    cairo_set_line_width(cr, 2.5);
    cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
    cairo_stroke(cr);
    Image image = canvasImage(canvas, 3);
    canvasDestroy(canvas);
    // Keep the outer corners black: nothing may show beyond the round glow.
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const double r = std::hypot(x - 127.5, y - 127.5);
            const double keep = smoothFall(std::max(0.0, r - 118), 9);
            uint8_t* p = imagePixel(image, x, y);
            for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(std::lround(p[c] * keep));
        }
    return image;
}

// Lamp glow: a bright core in a wide soft halo, white (the game tints it by
// the lamp's colour and adds it at 0.4 alpha).
Image makeLampSprite() {
    const int size = 128;
    Image image = makeImage(size, size, 3);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double r = std::hypot(x - 63.5, y - 63.5) / 64;  // 1 at the inscribed circle
            const double core = std::exp(-r * r * 60);
            const double halo = std::exp(-r * r * 7) * 0.55;
            const double v = std::min(1.0, (core + halo) * smoothFall(r, 0.98));
            uint8_t* p = imagePixel(image, x, y);
            p[0] = static_cast<uint8_t>(std::lround(255 * v));
            p[1] = static_cast<uint8_t>(std::lround(255 * std::pow(v, 1.08)));
            p[2] = static_cast<uint8_t>(std::lround(255 * std::pow(v, 1.2)));
        }
    return image;
}

// Smoke and dust: a grey puff whose alpha is a soft ball broken up by noise.
// Grey and thin, since at night nothing lights it but the lamps: a pale, dense
// puff read as a white cloud that hid the car.
Image makeSmokeParticle() {
    const int size = 128;
    Image image = makeImage(size, size, 4);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double r = std::hypot(x - 63.5, y - 63.5) / 64;
            const double n = tileFbm(x / 16.0, y / 16.0, 8, 4, 4242);
            const double a = std::clamp(smoothFall(r, 0.95) * (0.35 + 0.9 * n) * 0.46, 0.0, 1.0);
            const double shade = 0.46 + 0.2 * n;
            uint8_t* p = imagePixel(image, x, y);
            p[0] = static_cast<uint8_t>(std::lround(255 * shade));
            p[1] = static_cast<uint8_t>(std::lround(255 * shade * 0.97));
            p[2] = static_cast<uint8_t>(std::lround(255 * shade * 0.93));
            p[3] = static_cast<uint8_t>(std::lround(255 * a));
        }
    return image;
}

// Exhaust flame: white-hot core, orange body, red rim. The nitro tint keeps
// only its green, which stays strong in the core and body.
Image makeFlameParticle() {
    const int size = 128;
    Image image = makeImage(size, size, 4);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double r = std::hypot(x - 63.5, y - 63.5) / 64;
            const double n = tileFbm(x / 12.0, y / 12.0, 10, 3, 5151);
            const double heat = std::clamp(smoothFall(r, 0.9) * (0.8 + 0.4 * n), 0.0, 1.0);
            uint8_t* p = imagePixel(image, x, y);
            p[0] = static_cast<uint8_t>(std::lround(255 * std::min(1.0, heat * 1.6)));
            p[1] = static_cast<uint8_t>(std::lround(255 * std::clamp(heat * 1.5 - 0.25, 0.0, 1.0)));
            p[2] = static_cast<uint8_t>(std::lround(255 * std::clamp(heat * 2.2 - 1.3, 0.0, 1.0)));
            p[3] = static_cast<uint8_t>(std::lround(255 * std::clamp(heat * 1.3, 0.0, 1.0)));
        }
    return image;
}

Image makeSpareTexture(int index, int channels) {
    // A dim blue-grey tile, shaded a little per entry so none is blank.
    Image image = makeImage(16, 16, channels, 0, 0, 0, 255);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            uint8_t* p = imagePixel(image, x, y);
            const int v = 24 + (x + y) + (index * 5) % 16;
            p[0] = static_cast<uint8_t>(v);
            p[1] = static_cast<uint8_t>(v + 6);
            p[2] = static_cast<uint8_t>(v + 18);
        }
    return image;
}

// One .eff file: 24 little-endian 4-byte values.
struct EffectDefinition {
    int32_t count;
    float maxSize;
    float gravity[3];
    float velocityScale[3];
    float fadeScale;
    int32_t spread[3];
    float spreadOffset[3];
    int32_t fadeRange;
    float fadeDivisor;
    float fadeBase;
    float sizeGrowth;
    float initialSize;
    float factorDecay;
    float level;
    int32_t blendMode;  // 1 additive, else ordinary transparency
};

static void putWord(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
static void putFloat(std::vector<uint8_t>& out, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    putWord(out, v);
}

static std::vector<uint8_t> encodeEffect(const EffectDefinition& e) {
    std::vector<uint8_t> out;
    putWord(out, static_cast<uint32_t>(e.count));
    putWord(out, static_cast<uint32_t>(e.blendMode));  // superseded by the last word, kept equal
    putFloat(out, e.maxSize);
    for (float g : e.gravity) putFloat(out, g);
    for (float v : e.velocityScale) putFloat(out, v);
    putFloat(out, e.fadeScale);
    for (int32_t s : e.spread) putWord(out, static_cast<uint32_t>(s));
    for (float s : e.spreadOffset) putFloat(out, s);
    putWord(out, static_cast<uint32_t>(e.fadeRange));
    putFloat(out, e.fadeDivisor);
    putFloat(out, e.fadeBase);
    putFloat(out, e.sizeGrowth);
    putFloat(out, e.initialSize);
    putFloat(out, e.factorDecay);
    putFloat(out, e.level);
    putWord(out, static_cast<uint32_t>(e.blendMode));
    return out;
}

// The systems advance once per frame at up to 100 frames a second (more
// sub-steps only on slow frames), so the numbers below are per 10 ms step.
// Velocities are in the units of the base velocity the car code passes
// (100 or 120 along a unit direction), scaled down to world units per step.
bool writeEffectFiles(const std::string& effectsDir) {
    // Dust kicked up by sliding tyres: wide, slow, rising puffs that last about a second.
    const EffectDefinition dust = {40,
                                   2.6f,
                                   {0, 0.06f, 0},
                                   {0.0016f, 0.0016f, 0.0016f},
                                   1.0f,
                                   {41, 25, 41},
                                   {20, -5, 20},
                                   100,
                                   10000.0f,
                                   0.012f,
                                   0.035f,
                                   0.45f,
                                   0.018f,
                                   1.0f,
                                   0};
    // Exhaust flames: short, quick tongues behind the pipe, added to the frame.
    const EffectDefinition flame = {24,
                                    0.34f,
                                    {0, 0.02f, 0},
                                    {0.0009f, 0.0009f, 0.0009f},
                                    1.0f,
                                    {21, 11, 21},
                                    {10, 5, 10},
                                    60,
                                    600.0f,
                                    0.09f,
                                    0.02f,
                                    0.1f,
                                    0.06f,
                                    1.0f,
                                    1};
    // Exhaust smoke: thin grey haze that drifts up and spreads, about a second.
    const EffectDefinition smoke = {30,
                                    1.1f,
                                    {0, 0.25f, 0},
                                    {0.0011f, 0.0011f, 0.0011f},
                                    1.0f,
                                    {21, 9, 21},
                                    {10, 0, 10},
                                    60,
                                    10000.0f,
                                    0.0075f,
                                    0.018f,
                                    0.14f,
                                    0.028f,
                                    1.0f,
                                    0};
    return writeFileBytes(effectsDir + "/dust.eff", encodeEffect(dust)) &&
           writeFileBytes(effectsDir + "/firepipe.eff", encodeEffect(flame)) &&
           writeFileBytes(effectsDir + "/smokepipe.eff", encodeEffect(smoke));
}
