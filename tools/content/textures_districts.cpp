// The districts' own textures: facades (glass, sheds, brick works, painted
// stucco, apartment rows), kerbs and barriers, containers, fences, water,
// lettered neon signs and billboards of invented names, and one start banner
// per race.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "content/districts.h"
#include "content/interface_local.h"
#include "content/mesh.h"
#include "content/textures_world.h"

namespace {

bool save(const std::string& dir, const std::string& name, const Image& image) {
    return writeBmp(dir + "/" + name + ".bmp", image);
}

struct Rgb {
    int r, g, b;
};

// A window of a facade, lit warm, lit with a cold screen glow, or dark glass.
Rgb windowColour(Random& rng, float lit, Rgb warm, Rgb cold) {
    float pick = rng.uniform();
    if (pick < lit * 0.75f) return {warm.r, std::min(255, warm.g + rng.below(25)), warm.b + rng.below(30)};
    if (pick < lit) return cold;
    return {16 + rng.below(10), 20 + rng.below(10), 30 + rng.below(14)};
}

// Downtown curtain walls: glass between thin mullions, each style its own
// rhythm of floors and bays.
Image glassFacade(int style, uint32_t seed) {
    static const Rgb glass[4] = {{20, 42, 60}, {14, 26, 40}, {26, 48, 52}, {30, 30, 44}};
    Image image = makeImage(256, 256, 3);
    fillNoise(image, glass[style].r, glass[style].g, glass[style].b, 4, seed);
    Random rng(seed * 17u + 3u);
    const Rgb cold{190, 225, 255}, warm{255, 236, 190};
    for (int row = 0; row < 8; ++row) {
        const bool floorLit = rng.uniform() < (style == 2 ? 0.5f : 0.35f);
        for (int col = 0; col < (style == 3 ? 4 : 8); ++col) {
            const int w = style == 3 ? 64 : 32;
            int x0 = col * w + 1, x1 = col * w + w - 1, y0 = row * 32 + 2, y1 = row * 32 + 28;
            if (style == 0) y1 = row * 32 + 22;  // ribbon windows over spandrel bands
            Rgb c = floorLit || rng.uniform() < 0.25f
                        ? (rng.uniform() < 0.7f ? cold : warm)
                        : Rgb{glass[style].r + 10, glass[style].g + 18, glass[style].b + 26};
            fillRect(image, x0, y0, x1, y1, c.r, c.g, c.b);
            // The lit office's ceiling lights, a band across the top.
            if (c.r > 150) tintRect(image, x0, y0, x1, y0 + 4, 255, 255, 255, 0.5f);
        }
        fillRect(image, 0, row * 32 + 29, 256, row * 32 + 32, 60, 70, 84);  // floor slab edge
    }
    if (style == 1)  // vertical fins
        for (int x = 0; x < 256; x += 16) fillRect(image, x, 0, x + 2, 256, 80, 92, 110);
    return image;
}

// Harbour sheds: corrugated sheet with a row of small high windows.
Image shedFacade(int style, uint32_t seed) {
    static const Rgb sheet[2] = {{120, 58, 40}, {60, 78, 96}};
    Image image = makeImage(256, 256, 3);
    fillNoise(image, sheet[style].r, sheet[style].g, sheet[style].b, 6, seed);
    for (int x = 0; x < 256; x += 8) tintRect(image, x, 0, x + 3, 256, 0, 0, 0, 0.28f);
    Random rng(seed + 9u);
    for (int col = 0; col < 8; ++col) {
        Rgb c = windowColour(rng, 0.35f, {255, 190, 110}, {160, 200, 255});
        fillRect(image, col * 32 + 6, 40, col * 32 + 26, 54, c.r, c.g, c.b);
        if (rng.uniform() < 0.5f) fillRect(image, col * 32 + 6, 168, col * 32 + 26, 182, c.r, c.g, c.b);
    }
    // Rust streaks.
    for (int k = 0; k < 14; ++k) {
        int x = rng.below(256), y = rng.below(200);
        tintRect(image, x, y, x + 3, y + 40 + rng.below(40), 140, 70, 30, 0.35f);
    }
    return image;
}

// Ironworks: brick with tall gridded windows, or corrugated halls.
Image worksFacade(int style, uint32_t seed) {
    Image image = makeImage(256, 256, 3);
    Random rng(seed + 5u);
    if (style == 2) {
        fillNoise(image, 92, 96, 90, 6, seed);
        for (int x = 0; x < 256; x += 10) tintRect(image, x, 0, x + 4, 256, 0, 0, 0, 0.3f);
        fillRect(image, 0, 120, 256, 150, 40, 44, 40);
        for (int col = 0; col < 16; ++col)
            if (rng.uniform() < 0.5f) fillRect(image, col * 16 + 2, 124, col * 16 + 14, 146, 220, 255, 170);
        return image;
    }
    const Rgb brick = style == 0 ? Rgb{120, 50, 36} : Rgb{90, 56, 44};
    fillNoise(image, brick.r, brick.g, brick.b, 10, seed);
    for (int y = 0; y < 256; y += 8) {
        fillRect(image, 0, y, 256, y + 1, 60, 52, 48);
        for (int x = (y / 8) % 2 ? 0 : 8; x < 256; x += 16) fillRect(image, x, y, x + 1, y + 8, 60, 52, 48);
    }
    for (int col = 0; col < 4; ++col) {
        const int x0 = col * 64 + 12, x1 = col * 64 + 52;
        for (int band = 0; band < 2; ++band) {
            const int y0 = band * 128 + 20, y1 = band * 128 + 110;
            const bool lit = rng.uniform() < 0.55f;
            fillRect(image, x0 - 2, y0 - 2, x1 + 2, y1 + 2, 40, 40, 40);
            fillRect(image, x0, y0, x1, y1, lit ? 200 : 30, lit ? 240 : 40, lit ? 160 : 38);
            for (int x = x0; x < x1; x += 8) fillRect(image, x, y0, x + 1, y1, 40, 44, 40);
            for (int y = y0; y < y1; y += 10) fillRect(image, x0, y, x1, y + 1, 40, 44, 40);
        }
    }
    return image;
}

// Old town: painted stucco, tall windows behind shutters, warm inside.
Image stuccoFacade(int style, uint32_t seed) {
    static const Rgb wall[3] = {{170, 120, 60}, {160, 78, 56}, {120, 140, 110}};
    static const Rgb shutter[3] = {{50, 80, 50}, {90, 60, 40}, {60, 60, 90}};
    Image image = makeImage(256, 256, 3);
    fillNoise(image, wall[style].r, wall[style].g, wall[style].b, 9, seed);
    Random rng(seed * 5u + 1u);
    for (int row = 0; row < 4; ++row) {
        fillRect(image, 0, row * 64 + 58, 256, row * 64 + 62, wall[style].r - 40, wall[style].g - 40,
                 wall[style].b - 30);  // cornice
        for (int col = 0; col < 4; ++col) {
            const int x0 = col * 64 + 22, x1 = col * 64 + 42, y0 = row * 64 + 10, y1 = row * 64 + 52;
            Rgb c = windowColour(rng, 0.6f, {255, 196, 110}, {255, 170, 90});
            fillRect(image, x0 - 2, y0 - 2, x1 + 2, y1 + 2, 190, 180, 160);  // stone frame
            fillRect(image, x0, y0, x1, y1, c.r, c.g, c.b);
            fillRect(image, x0 + 9, y0, x0 + 11, y1, 60, 40, 30);  // glazing bar
            const Rgb s = shutter[style];
            fillRect(image, x0 - 9, y0, x0 - 3, y1, s.r, s.g, s.b);
            fillRect(image, x1 + 3, y0, x1 + 9, y1, s.r, s.g, s.b);
            if (rng.uniform() < 0.4f) fillRect(image, x0 - 4, y1 + 1, x1 + 4, y1 + 4, 30, 30, 30);  // balcony
        }
    }
    return image;
}

// Parkside apartments: pale panels, balcony bands, living rooms and screens.
Image flatsFacade(int style, uint32_t seed) {
    static const Rgb wall[2] = {{150, 146, 136}, {110, 116, 128}};
    Image image = makeImage(256, 256, 3);
    fillNoise(image, wall[style].r, wall[style].g, wall[style].b, 6, seed);
    Random rng(seed * 3u + 11u);
    for (int row = 0; row < 8; ++row) {
        for (int col = 0; col < 4; ++col) {
            const int x0 = col * 64 + 6, x1 = col * 64 + 58, y0 = row * 32 + 4, y1 = row * 32 + 24;
            Rgb c = windowColour(rng, 0.45f, {255, 214, 150}, {110, 160, 255});
            fillRect(image, x0, y0, x1, y1, c.r, c.g, c.b);
            fillRect(image, x0 + 24, y0, x0 + 27, y1, 70, 70, 70);
            if (c.r > 200 && rng.uniform() < 0.5f)  // a curtain
                tintRect(image, x0, y0, x0 + 10, y1, 200, 80, 60, 0.5f);
        }
        fillRect(image, 0, row * 32 + 24, 256, row * 32 + 29, 70, 72, 78);  // balcony rail
    }
    return image;
}

// Kerb: two alternating blocks of colour, 32 pixels each along u.
Image kerbTexture(Rgb a, Rgb b, uint32_t seed) {
    Image image = makeImage(64, 64, 3);
    fillNoise(image, a.r, a.g, a.b, 8, seed);
    Image other = makeImage(32, 64, 3);
    fillNoise(other, b.r, b.g, b.b, 8, seed + 1u);
    for (int y = 0; y < 64; ++y)
        for (int x = 32; x < 64; ++x) {
            const uint8_t* w = imagePixel(other, x - 32, y);
            uint8_t* p = imagePixel(image, x, y);
            p[0] = w[0], p[1] = w[1], p[2] = w[2];
        }
    return image;
}

// Barrier: a concrete face with a band of chevrons, stripes or blocks.
Image barrierTexture(int style, uint32_t seed) {
    Image image = makeImage(128, 64, 3);
    fillNoise(image, 140, 140, 138, 10, seed);
    for (int y = 4; y < 30; ++y)
        for (int x = 0; x < 128; ++x) {
            uint8_t* p = imagePixel(image, x, y);
            Rgb c;
            switch (style) {
                case Downtown:  // blue and white chevrons
                    c = ((x + y) / 16) % 2 == 0 ? Rgb{20, 80, 220} : Rgb{235, 235, 240};
                    break;
                case Harbour:  // yellow and black hazard stripes
                    c = ((x + y) / 12) % 2 == 0 ? Rgb{240, 190, 20} : Rgb{25, 25, 25};
                    break;
                case Ironworks:  // orange band, rust spots
                    c = x % 64 < 58 ? Rgb{220, 110, 20} : Rgb{60, 60, 60};
                    break;
                case OldTown:  // dressed stone courses
                    c = (y / 8 + x / 24) % 2 == 0 ? Rgb{170, 160, 140} : Rgb{140, 130, 115};
                    if (y % 8 == 0 || x % 24 == 0) c = {90, 85, 75};
                    break;
                default:  // green and white
                    c = (x / 32) % 2 == 0 ? Rgb{30, 140, 70} : Rgb{230, 235, 230};
                    break;
            }
            p[0] = static_cast<uint8_t>(c.r), p[1] = static_cast<uint8_t>(c.g),
            p[2] = static_cast<uint8_t>(c.b);
        }
    fillRect(image, 0, 60, 128, 64, 60, 60, 60);
    return image;
}

Image containerTexture(int colour, uint32_t seed) {
    static const Rgb paint[4] = {{170, 40, 30}, {30, 70, 150}, {40, 120, 70}, {210, 120, 30}};
    Image image = makeImage(64, 64, 3);
    fillNoise(image, paint[colour].r, paint[colour].g, paint[colour].b, 8, seed);
    for (int x = 0; x < 64; x += 4) tintRect(image, x, 0, x + 2, 64, 0, 0, 0, 0.3f);
    fillRect(image, 0, 0, 64, 3, 50, 50, 50);
    fillRect(image, 0, 61, 64, 64, 50, 50, 50);
    tintRect(image, 8, 10, 40, 18, 240, 240, 240, 0.6f);  // stencilled owner's mark
    return image;
}

Image fenceTexture(uint32_t seed) {
    Image image = makeImage(64, 64, 3);
    fillNoise(image, 96, 100, 104, 8, seed);
    for (int x = 0; x < 64; x += 6) tintRect(image, x, 0, x + 3, 64, 0, 0, 0, 0.3f);
    for (int y = 50; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            uint8_t* p = imagePixel(image, x, y);
            const bool yellow = ((x + y) / 8) % 2 == 0;
            p[0] = yellow ? 230 : 30, p[1] = yellow ? 180 : 30, p[2] = yellow ? 20 : 30;
        }
    return image;
}

Image waterTexture(uint32_t seed) {
    Image image = makeImage(128, 128, 3);
    fillNoise(image, 8, 18, 30, 3, seed);
    Random rng(seed + 1u);
    for (int k = 0; k < 60; ++k) {  // ripples catching the harbour's light
        int x = rng.below(128), y = rng.below(128);
        tintRect(image, x, y, x + 6 + rng.below(14), y + 1, 120, 150, 170, 0.4f);
    }
    return image;
}

// The invented names on the city's signs.
const char* const kTowerBrands[8] = {"ZEPHYRA",   "NOVA KAI", "VOLTIX", "OKTAN",
                                     "LUMA BANK", "AXIOM",    "MIRU",   "KARTELL"};
const char* const kStreetSigns[8] = {"CAFE ORSO", "BAR LUNA",  "PIER 7", "DOCK 3",
                                     "MAGNAR",    "HOTEL VEL", "NOODLE", "TAXI"};

// A lettered tube sign: the name in tubes of one colour over a dark panel,
// with a soft halo; the letters stacked when the sign stands upright.
Image letteredSign(const char* text, uint32_t colour, int width, int height, bool stacked) {
    Canvas canvas = canvasCreate(width, height);
    cairo_t* cr = canvas.cr;
    cairo_set_source_rgb(cr, 0.05, 0.04, 0.07);
    cairo_paint(cr);
    roundedRect(cr, 3, 3, width - 6, height - 6, 6);
    neonStroke(cr, colour, 2.0, 3.0);
    cairo_new_path(cr);
    if (stacked) {
        setFont(cr, FontCondensedBold, width * 0.5);
        int letters = 0;
        for (const char* c = text; *c; ++c)
            if (*c != ' ') ++letters;
        const double step = (height - 16.0) / std::max(letters, 1);
        int k = 0;
        for (const char* c = text; *c; ++c) {
            if (*c == ' ') continue;
            char one[2] = {*c, 0};
            textPathCentred(cr, one, width / 2.0, 8.0 + step * (k + 0.82));
            ++k;
        }
    } else {
        double size = height * 0.62;
        setFont(cr, FontCondensedBold, size);
        const double w = textWidth(cr, text);
        if (w > width - 20) setFont(cr, FontCondensedBold, size * (width - 20) / w);
        textPathCentred(cr, text, width / 2.0, height * 0.72);
    }
    Canvas halo = canvasCreate(width, height);
    cairo_path_t* letters = cairo_copy_path(cr);
    cairo_append_path(halo.cr, letters);
    cairo_path_destroy(letters);
    setRgba(halo.cr, colour, 1.0);
    cairo_set_line_width(halo.cr, 6.0);
    cairo_stroke(halo.cr);
    canvasBlur(halo, 5);
    setRgba(cr, 0xffffff);
    cairo_fill_preserve(cr);
    setRgba(cr, colour, 0.5);
    cairo_fill(cr);
    canvasCompose(canvas, halo, CAIRO_OPERATOR_ADD);
    canvasDestroy(halo);
    return canvasFinish(canvas, 3);
}

// The start gantry's banner: each race its own colours and sponsor.
Image startBanner(int race) {
    static const uint32_t kBands[5] = {0xd01e2e, 0x1e50d0, 0xe0a010, 0x20a060, 0x8a2ed0};
    Canvas canvas = canvasCreate(256, 32);
    cairo_t* cr = canvas.cr;
    setRgba(cr, kBands[race % 5]);
    cairo_paint(cr);
    for (int k = 0; k < 256; k += 16) {  // chequered ends
        for (int y = 0; y < 32; y += 8) {
            if (((k / 8) + (y / 8)) % 2 == 0) continue;
            cairo_rectangle(cr, k < 32 || k >= 224 ? k : -100, y, 8, 8);
        }
    }
    cairo_set_source_rgb(cr, 0.05, 0.05, 0.05);
    cairo_fill(cr);
    setFont(cr, kStartBannerFont, 20);
    textPathCentred(cr, startBannerText(race).c_str(), 128, 24);
    setRgba(cr, 0xffffff);
    cairo_fill(cr);
    return canvasFinish(canvas, 3);
}

}  // namespace

std::string startBannerText(int race) {
    static const char* const kSponsors[5] = {"VOLTIX", "OKTAN", "NOVA KAI", "ZEPHYRA", "MAGNAR"};
    char text[48];
    std::snprintf(text, sizeof text, "%s  RACE %d", kSponsors[(race * 3) % 5], race);
    return text;
}

bool writeDistrictTextures(const std::string& baseDir) {
    const std::string dir = baseDir + "/textures/city";
    if (!makeDirectories(dir)) return false;
    bool ok = true;
    for (int i = 0; i < 4 && ok; ++i) ok = save(dir, "glass" + std::to_string(i), glassFacade(i, 500u + i));
    for (int i = 0; i < 2 && ok; ++i) ok = save(dir, "shed" + std::to_string(i), shedFacade(i, 510u + i));
    for (int i = 0; i < 3 && ok; ++i) ok = save(dir, "works" + std::to_string(i), worksFacade(i, 520u + i));
    for (int i = 0; i < 3 && ok; ++i) ok = save(dir, "stucco" + std::to_string(i), stuccoFacade(i, 530u + i));
    for (int i = 0; i < 2 && ok; ++i) ok = save(dir, "flats" + std::to_string(i), flatsFacade(i, 540u + i));
    const Rgb kerbs[kDistrictCount][2] = {{{235, 235, 240}, {40, 60, 120}},
                                          {{235, 190, 30}, {30, 30, 30}},
                                          {{210, 110, 30}, {80, 80, 80}},
                                          {{150, 145, 135}, {120, 115, 105}},
                                          {{235, 240, 235}, {30, 130, 70}}};
    for (int d = 0; d < kDistrictCount && ok; ++d) {
        ok = save(dir, kDistrictStyles[d].kerb, kerbTexture(kerbs[d][0], kerbs[d][1], 550u + d)) &&
             save(dir, kDistrictStyles[d].barrier, barrierTexture(d, 560u + d));
    }
    for (int i = 0; i < 4 && ok; ++i)
        ok = save(dir, "container" + std::to_string(i), containerTexture(i, 570u + i));
    ok = ok && save(dir, "fence", fenceTexture(580u)) && save(dir, "water", waterTexture(581u));
    for (int i = 0; i < 8 && ok; ++i) {
        ok = save(dir, "billboard" + std::to_string(i),
                  letteredSign(kTowerBrands[i], kSignColours[i], 256, 64, false)) &&
             save(dir, "blade" + std::to_string(i),
                  letteredSign(kStreetSigns[i], bladeSignColour(i), 64, 192, true)) &&
             save(dir, "blade" + std::to_string(i + 8),
                  letteredSign(kTowerBrands[i], bladeSignColour(i + 8), 64, 192, true));
    }
    for (int race = 1; race <= 15 && ok; ++race)
        ok = save(dir, "startbanner" + std::to_string(race), startBanner(race));
    return ok;
}
