// The city's textures: wet asphalt and road markings, paving, facades with
// lit and dark windows, shop fronts, neon signs, barriers and the park.
#include "content/textures_world.h"

#include <algorithm>
#include <cmath>

#include "content/image_writer.h"
#include "content/mesh.h"

void fillNoise(Image& image, int r, int g, int b, int amplitude, uint32_t seed) {
    Random rng(seed);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            int n = static_cast<int>(rng.below(2 * amplitude + 1)) - amplitude;
            uint8_t* p = imagePixel(image, x, y);
            p[0] = static_cast<uint8_t>(std::clamp(r + n, 0, 255));
            p[1] = static_cast<uint8_t>(std::clamp(g + n, 0, 255));
            p[2] = static_cast<uint8_t>(std::clamp(b + n, 0, 255));
        }
}

void fillRect(Image& image, int x0, int y0, int x1, int y1, int r, int g, int b) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, image.width);
    y1 = std::min(y1, image.height);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            uint8_t* p = imagePixel(image, x, y);
            p[0] = static_cast<uint8_t>(r);
            p[1] = static_cast<uint8_t>(g);
            p[2] = static_cast<uint8_t>(b);
        }
}

// Mixes a colour into a rectangle with weight 0..1, keeping the noise below.
void tintRect(Image& image, int x0, int y0, int x1, int y1, int r, int g, int b, float weight) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, image.width);
    y1 = std::min(y1, image.height);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            uint8_t* p = imagePixel(image, x, y);
            const int c[3] = {r, g, b};
            for (int k = 0; k < 3; ++k)
                p[k] = static_cast<uint8_t>(
                    std::clamp(static_cast<int>(p[k] * (1.0f - weight) + c[k] * weight), 0, 255));
        }
}

static bool save(const std::string& dir, const char* name, const Image& image) {
    return writeBmp(dir + "/" + name + ".bmp", image);
}

static Image asphalt(int size, uint32_t seed) {
    Image image = makeImage(size, size, 3);
    fillNoise(image, 38, 40, 46, 7, seed);
    // Wet patches: darker, slightly blue blotches that the lamps glint on.
    Random rng(seed * 7u + 1u);
    for (int k = 0; k < size / 8; ++k) {
        int x = rng.below(size), y = rng.below(size), w = 4 + rng.below(size / 6),
            h = 4 + rng.below(size / 6);
        tintRect(image, x, y, x + w, y + h, 18, 22, 32, 0.35f);
    }
    return image;
}

static bool roadTextures(const std::string& dir) {
    Image plain = asphalt(128, 11u);
    Image street = asphalt(128, 12u);
    // One texture spans the street's width (u) and 20 units along it (v):
    // a yellow centre dash half of that.
    fillRect(street, 61, 0, 67, 64, 200, 170, 40);
    tintRect(street, 2, 0, 5, 128, 170, 170, 170, 0.6f);
    tintRect(street, 123, 0, 126, 128, 170, 170, 170, 0.6f);
    Image course = asphalt(256, 13u);
    fillRect(course, 6, 0, 12, 256, 215, 215, 210);  // edge lines
    fillRect(course, 244, 0, 250, 256, 215, 215, 210);
    fillRect(course, 125, 0, 131, 120, 220, 220, 215);  // centre dash
    fillRect(course, 64, 0, 67, 60, 150, 150, 150);     // lane dashes, fainter
    fillRect(course, 189, 0, 192, 60, 150, 150, 150);
    Image kerb = makeImage(64, 64, 3);
    fillNoise(kerb, 200, 30, 30, 10, 14u);
    Image white = makeImage(32, 64, 3);
    fillNoise(white, 225, 225, 225, 8, 15u);
    for (int y = 0; y < 64; ++y)
        for (int x = 32; x < 64; ++x) {
            const uint8_t* w = imagePixel(white, x - 32, y);
            uint8_t* p = imagePixel(kerb, x, y);
            p[0] = w[0];
            p[1] = w[1];
            p[2] = w[2];
        }
    Image start = makeImage(64, 32, 3);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) {
            bool dark = ((x / 16) + (y / 16)) % 2 == 0;
            uint8_t v = dark ? 25 : 230;
            uint8_t* p = imagePixel(start, x, y);
            p[0] = p[1] = p[2] = v;
        }
    return save(dir, "asphalt", plain) && save(dir, "street", street) && save(dir, "course", course) &&
           save(dir, "racekerb", kerb) && save(dir, "startline", start);
}

// Square slabs: a joint of the given width every spacing pixels, both ways.
static void drawJoints(Image& image, int spacing, int width, int r, int g, int b) {
    for (int k = 0; k < image.width; k += spacing) {
        fillRect(image, k, 0, k + width, image.height, r, g, b);
        fillRect(image, 0, k, image.width, k + width, r, g, b);
    }
}

static bool pavingTextures(const std::string& dir) {
    Image sidewalk = makeImage(128, 128, 3);
    fillNoise(sidewalk, 88, 86, 84, 8, 21u);
    drawJoints(sidewalk, 32, 2, 55, 54, 54);
    Image kerbStone = makeImage(64, 32, 3);
    fillNoise(kerbStone, 135, 135, 130, 10, 22u);
    fillRect(kerbStone, 0, 0, 2, 32, 80, 80, 80);
    Image plaza = makeImage(128, 128, 3);
    fillNoise(plaza, 120, 112, 100, 8, 23u);
    drawJoints(plaza, 16, 1, 80, 75, 70);
    Image stone = makeImage(64, 64, 3);
    fillNoise(stone, 160, 155, 145, 12, 24u);
    Image concrete = makeImage(128, 128, 3);
    fillNoise(concrete, 105, 105, 108, 10, 25u);
    Random rng(26u);
    for (int k = 0; k < 12; ++k) {
        int x = rng.below(128), y = rng.below(128);
        tintRect(concrete, x, y, x + 6 + rng.below(20), y + 10 + rng.below(40), 60, 60, 62, 0.3f);
    }
    Image barrier = makeImage(128, 64, 3);
    fillNoise(barrier, 150, 150, 150, 10, 27u);
    // Red and white chevrons on the upper half, facing the traffic.
    for (int y = 4; y < 30; ++y)
        for (int x = 0; x < 128; ++x) {
            bool red = ((x + y) / 16) % 2 == 0;
            uint8_t* p = imagePixel(barrier, x, y);
            p[0] = red ? 210 : 235;
            p[1] = red ? 25 : 235;
            p[2] = red ? 30 : 235;
        }
    fillRect(barrier, 0, 60, 128, 64, 60, 60, 60);
    Image roof = makeImage(64, 64, 3);
    fillNoise(roof, 48, 47, 50, 9, 28u);
    Image metal = makeImage(32, 32, 3);
    fillNoise(metal, 70, 74, 80, 6, 29u);
    Image lampHead = makeImage(32, 32, 3);
    fillNoise(lampHead, 60, 60, 64, 4, 30u);
    fillRect(lampHead, 4, 4, 28, 28, 255, 240, 200);
    return save(dir, "sidewalk", sidewalk) && save(dir, "kerb", kerbStone) && save(dir, "plaza", plaza) &&
           save(dir, "stone", stone) && save(dir, "concrete", concrete) && save(dir, "barrier", barrier) &&
           save(dir, "roof", roof) && save(dir, "metal", metal) && save(dir, "lamphead", lampHead);
}

// A facade is 8 x 8 windows over 32 x 32 units: wall colour, window frame,
// and each window lit warm, lit cold (a screen's blue) or dark glass.
static Image facade(int style, uint32_t seed) {
    static const int walls[6][3] = {{110, 52, 40},   {120, 120, 118}, {30, 36, 46},
                                    {150, 135, 110}, {70, 80, 96},    {88, 64, 50}};
    static const float litShare[6] = {0.35f, 0.3f, 0.45f, 0.3f, 0.4f, 0.25f};
    Image image = makeImage(256, 256, 3);
    fillNoise(image, walls[style][0], walls[style][1], walls[style][2], 8, seed);
    Random rng(seed * 31u + 7u);
    bool curtain = style == 2;  // glass tower: wide windows, thin mullions
    for (int row = 0; row < 8; ++row)
        for (int col = 0; col < 8; ++col) {
            int x0 = col * 32 + (curtain ? 2 : 7), x1 = col * 32 + (curtain ? 30 : 25);
            int y0 = row * 32 + (curtain ? 3 : 6), y1 = row * 32 + (curtain ? 29 : 26);
            float pick = rng.uniform();
            int r, g, b;
            if (pick < litShare[style] * 0.8f) {
                r = 250;
                g = 200 + rng.below(40);
                b = 110 + rng.below(40);  // warm room light
            } else if (pick < litShare[style]) {
                r = 120;
                g = 170;
                b = 250;  // a screen's glow
            } else {
                r = 22 + rng.below(12);
                g = 28 + rng.below(12);
                b = 40 + rng.below(16);  // dark glass
            }
            fillRect(image, x0 - 1, y0 - 1, x1 + 1, y1 + 1, 25, 25, 28);
            fillRect(image, x0, y0, x1, y1, r, g, b);
            // Blinds or a reflection streak on some.
            if (rng.uniform() < 0.3f) tintRect(image, x0, y0, x1, y0 + (y1 - y0) / 3, 40, 40, 45, 0.6f);
        }
    return image;
}

static Image shopFront(int style, uint32_t seed) {
    static const int interior[4][3] = {{255, 235, 180}, {200, 240, 255}, {255, 200, 220}, {210, 255, 200}};
    static const int band[4][3] = {{200, 30, 40}, {20, 90, 200}, {230, 150, 20}, {30, 150, 80}};
    Image image = makeImage(128, 64, 3);
    fillNoise(image, 45, 42, 40, 6, seed);
    fillRect(image, 0, 0, 128, 14, band[style][0], band[style][1], band[style][2]);
    tintRect(image, 8, 3, 120, 11, 255, 255, 255, 0.45f);  // lettering glow
    fillRect(image, 6, 18, 84, 60, interior[style][0], interior[style][1], interior[style][2]);
    fillRect(image, 92, 18, 122, 64, 60, 50, 40);  // door
    fillRect(image, 96, 22, 118, 50, interior[style][0] / 2, interior[style][1] / 2, interior[style][2] / 2);
    Random rng(seed + 3u);
    for (int k = 0; k < 6; ++k) {  // shelves and goods
        int x = 10 + rng.below(60), y = 24 + rng.below(30);
        fillRect(image, x, y, x + 6 + rng.below(10), y + 3, 90, 70, 60);
    }
    return image;
}

static Image neonSign(int colour, uint32_t seed) {
    static const int colours[6][3] = {{255, 50, 180}, {50, 230, 255}, {80, 255, 110},
                                      {160, 80, 255}, {255, 140, 30}, {255, 40, 40}};
    Image image = makeImage(64, 192, 3);
    fillNoise(image, 14, 12, 18, 3, seed);
    const int* c = colours[colour];
    fillRect(image, 2, 2, 62, 5, c[0], c[1], c[2]);
    fillRect(image, 2, 187, 62, 190, c[0], c[1], c[2]);
    fillRect(image, 2, 2, 5, 190, c[0], c[1], c[2]);
    fillRect(image, 59, 2, 62, 190, c[0], c[1], c[2]);
    // Stacked blocky glyphs, each a few strokes of the tube colour with a
    // soft halo.
    Random rng(seed * 13u + 5u);
    for (int glyph = 0; glyph < 5; ++glyph) {
        int gy = 14 + glyph * 35;
        tintRect(image, 12, gy - 2, 52, gy + 30, c[0], c[1], c[2], 0.18f);
        for (int stroke = 0; stroke < 3 + rng.below(2); ++stroke) {
            bool horizontal = rng.uniform() < 0.5f;
            int x = 16 + rng.below(24), y = gy + rng.below(22);
            if (horizontal)
                fillRect(image, 16, y, 48, y + 4, 255, 255, 255),
                    tintRect(image, 16, y, 48, y + 4, c[0], c[1], c[2], 0.4f);
            else
                fillRect(image, x, gy, x + 4, gy + 28, 255, 255, 255),
                    tintRect(image, x, gy, x + 4, gy + 28, c[0], c[1], c[2], 0.4f);
        }
    }
    return image;
}

static bool buildingTextures(const std::string& dir) {
    for (int i = 0; i < 6; ++i) {
        std::string name = "facade" + std::to_string(i);
        if (!save(dir, name.c_str(), facade(i, 100u + i))) return false;
        name = "neon" + std::to_string(i);
        if (!save(dir, name.c_str(), neonSign(i, 200u + i))) return false;
    }
    for (int i = 0; i < 4; ++i) {
        std::string name = "shop" + std::to_string(i);
        if (!save(dir, name.c_str(), shopFront(i, 300u + i))) return false;
    }
    return true;
}

static bool parkTextures(const std::string& dir) {
    Image grass = makeImage(64, 64, 3);
    fillNoise(grass, 34, 62, 30, 12, 41u);
    Image foliage = makeImage(64, 64, 3);
    fillNoise(foliage, 26, 58, 28, 16, 42u);
    Random rng(43u);
    for (int k = 0; k < 40; ++k) {
        int x = rng.below(64), y = rng.below(64);
        tintRect(foliage, x, y, x + 3, y + 3, 60, 110, 50, 0.5f);
    }
    Image bark = makeImage(32, 32, 3);
    fillNoise(bark, 70, 52, 38, 10, 44u);
    return save(dir, "grass", grass) && save(dir, "foliage", foliage) && save(dir, "bark", bark);
}

bool writeCityTextures(const std::string& baseDir) {
    std::string dir = baseDir + "/textures/city";
    if (!makeDirectories(dir)) return false;
    return roadTextures(dir) && pavingTextures(dir) && buildingTextures(dir) && parkTextures(dir);
}
