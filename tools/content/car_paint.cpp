// Paint, liveries and the other car textures. Each of the twelve cars has
// its own strong colour, bright enough to read under sodium and white street
// light, with flake in the paint for the reflection to play on; the sport and
// top trims wear stripes, two-tone panels and race numbers.
#include <algorithm>
#include <cmath>

#include "content/cars.h"
#include "content/interface_local.h"
#include "content/textures_world.h"

namespace {

constexpr int kPaintWidth = 512, kPaintHeight = 256;
constexpr float kSideTopY = 0.6f, kSideBottomY = -0.7f, kTopHalfSpan = 1.4f;

enum LiveryPart : unsigned {
    kStripes = 1,       // twin stripes over bonnet, roof and deck
    kCentreStripe = 2,  // one wide stripe with edging
    kShoulderLine = 4,  // a pinstripe under the shoulder
    kSideStripe = 8,    // a wide band along the doors
    kLowerTone = 16,    // the lower body in the second colour
    kRoofTone = 32,     // roof and pillars in the second colour
    kNumber = 64,       // a race number on the doors
    kFlash = 128,       // a swept graphic from the tail up to the door
    kBonnet = 256,      // the bonnet in the second colour
};

struct Livery {
    uint32_t body, accent, second;
    unsigned parts;
    const char* number;
};

// Base trims have one touch, sport trims a stripe and a number, top trims
// the full race dress.
const Livery kLiveries[kCarCount] = {
    {0xe8162a, 0xf4f4f4, 0x2c2e36, kShoulderLine | kLowerTone, ""},          // wedge, signal red
    {0xff7800, 0x161616, 0x161616, kStripes, ""},                            // muscle, sunset orange
    {0x92e61c, 0x16181c, 0x16181c, kRoofTone | kShoulderLine, ""},           // hatch, acid lime
    {0x5cf0b4, 0xe8142c, 0x24262c, kShoulderLine | kLowerTone, ""},          // GT, mint
    {0x2a68ff, 0xf4f4f4, 0xff2e9a, kSideStripe | kNumber, "14"},             // wedge, electric blue
    {0xffd400, 0x141414, 0x141414, kStripes | kNumber | kBonnet, "23"},      // muscle, canary yellow
    {0xf0209c, 0xf4f4f4, 0xf4f4f4, kRoofTone | kSideStripe | kNumber, "5"},  // hatch, hot magenta
    {0x00b8ac, 0xff8c1e, 0x1a1c20, kFlash | kNumber | kLowerTone, "88"},     // GT, teal
    {0x8c30ff, 0xffc83c, 0x1a1424, kStripes | kShoulderLine | kNumber | kLowerTone, "3"},  // wedge, violet
    {0x12b452, 0xf4f4f4, 0x141414, kCentreStripe | kNumber | kFlash, "71"},            // muscle, racing green
    {0xf2f2f0, 0xe8202c, 0x2444e0, kSideStripe | kFlash | kNumber | kRoofTone, "12"},  // hatch, rally white
    {0x4cb8ff, 0xff7410, 0x161a22, kCentreStripe | kNumber | kLowerTone, "9"},         // GT, sky blue
};

double channel(uint32_t rgb, int shift) {
    return ((rgb >> shift) & 255) / 255.0;
}
void setColour(cairo_t* cr, uint32_t rgb, double scale = 1.0) {
    cairo_set_source_rgb(cr, std::min(1.0, channel(rgb, 16) * scale), std::min(1.0, channel(rgb, 8) * scale),
                         std::min(1.0, channel(rgb, 0) * scale));
}

// World (x along the car, y up) onto one of the two side views; the left
// one runs nose to tail so the same place of the car lands in it.
void sideTransform(cairo_t* cr, const CarOutline& o, bool left) {
    const double kx = 256.0 / (o.front - o.rear), ky = 128.0 / (kSideTopY - kSideBottomY);
    cairo_identity_matrix(cr);
    if (left) {
        cairo_translate(cr, 256 + 256 + o.rear * kx, kSideTopY * ky);
        cairo_scale(cr, -kx, -ky);
    } else {
        cairo_translate(cr, -o.rear * kx, kSideTopY * ky);
        cairo_scale(cr, kx, -ky);
    }
}

// World (x, z) onto the view from above.
void topTransform(cairo_t* cr, const CarOutline& o) {
    const double kx = 512.0 / (o.front - o.rear), kz = 128.0 / (2 * kTopHalfSpan);
    cairo_identity_matrix(cr);
    cairo_translate(cr, -o.rear * kx, 128 + kTopHalfSpan * kz);
    cairo_scale(cr, kx, kz);
}

void band(cairo_t* cr, double x0, double x1, double y0, double y1, uint32_t colour) {
    cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
    setColour(cr, colour);
    cairo_fill(cr);
}

void paintSide(cairo_t* cr, const CarOutline& o, const Livery& l, bool left) {
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_rectangle(cr, left ? 256 : 0, 0, 256, 128);
    cairo_clip(cr);
    sideTransform(cr, o, left);
    const double x0 = o.rear - 0.1, x1 = o.front + 0.1;
    // Metallic body: a light line along the shoulder, and full colour down
    // to the sill, which the lamps overhead hardly reach.
    cairo_pattern_t* shade = cairo_pattern_create_linear(0, kSideTopY, 0, kSideBottomY);
    auto stop = [&](double at, uint32_t rgb, double scale) {
        cairo_pattern_add_color_stop_rgb(shade, at, std::min(1.0, channel(rgb, 16) * scale),
                                         std::min(1.0, channel(rgb, 8) * scale),
                                         std::min(1.0, channel(rgb, 0) * scale));
    };
    stop(0.0, l.body, 1.1);
    stop(0.22, l.body, 1.0);
    stop(0.3, l.body, 1.15);
    stop(0.7, l.body, 1.05);
    stop(1.0, l.body, 0.9);
    cairo_rectangle(cr, x0, kSideBottomY, x1 - x0, kSideTopY - kSideBottomY);
    cairo_set_source(cr, shade);
    cairo_fill(cr);
    cairo_pattern_destroy(shade);
    if (l.parts & kLowerTone) {
        band(cr, x0, x1, kSideBottomY, -0.36, l.second);
        band(cr, x0, x1, -0.36, -0.33, l.accent);
    }
    if (l.parts & kSideStripe) {
        band(cr, x0, x1, -0.27, -0.1, l.accent);
        band(cr, x0, x1, -0.34, -0.3, l.second);
    }
    if (l.parts & kShoulderLine) band(cr, x0, x1, o.doorBelt - 0.1, o.doorBelt - 0.075, l.accent);
    if (l.parts & kFlash) {
        // Low along the tail, sweeping up across the door.
        const double d = o.door;
        cairo_move_to(cr, o.rear - 0.1, -0.46);
        cairo_line_to(cr, d - 0.1, -0.46);
        cairo_curve_to(cr, d + 0.5, -0.46, d + 0.9, -0.2, d + 1.3, o.doorBelt - 0.08);
        cairo_line_to(cr, d + 1.05, o.doorBelt - 0.08);
        cairo_curve_to(cr, d + 0.7, -0.28, d + 0.4, -0.34, d - 0.1, -0.34);
        cairo_line_to(cr, o.rear - 0.1, -0.34);
        cairo_close_path(cr);
        setColour(cr, l.accent);
        cairo_fill(cr);
    }
    if (l.parts & kNumber) {
        const double cy = 0.5 * (o.doorBelt - 0.7) + 0.06, r = 0.26;
        cairo_arc(cr, o.door, cy, r + 0.035, 0, 2 * kPi);
        setColour(cr, l.accent == 0xf4f4f4 ? l.body : l.accent, 0.6);
        cairo_fill(cr);
        cairo_arc(cr, o.door, cy, r, 0, 2 * kPi);
        setColour(cr, 0xf6f6f2);
        cairo_fill(cr);
        // The number stands upright in the world's units whichever view it
        // is drawn in.
        double px = o.door, py = cy;
        cairo_user_to_device(cr, &px, &py);
        const double kx = 256.0 / (o.front - o.rear), ky = 128.0 / (kSideTopY - kSideBottomY);
        cairo_identity_matrix(cr);
        cairo_translate(cr, px, py);
        cairo_scale(cr, kx, ky);
        setFont(cr, FontCondensedBold, 0.34);
        textPathCentred(cr, l.number, 0, 0.12);
        setColour(cr, 0x101010);
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

void paintTop(cairo_t* cr, const CarOutline& o, const Livery& l) {
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_rectangle(cr, 0, 128, 512, 128);
    cairo_clip(cr);
    topTransform(cr, o);
    const double x0 = o.rear - 0.1, x1 = o.front + 0.1;
    // Lit from above: a little lighter than the sides.
    band(cr, x0, x1, -kTopHalfSpan, kTopHalfSpan, l.body);
    cairo_rectangle(cr, x0, -kTopHalfSpan, x1 - x0, 2 * kTopHalfSpan);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.08);
    cairo_fill(cr);
    if (l.parts & kRoofTone) band(cr, o.backBase + 0.05, o.screenBase - 0.05, -0.92, 0.92, l.second);
    if (l.parts & kBonnet) band(cr, o.screenBase + 0.05, o.front - 0.25, -0.75, 0.75, l.second);
    if (l.parts & kStripes) {
        band(cr, x0, x1, -0.34, -0.12, l.accent);
        band(cr, x0, x1, 0.12, 0.34, l.accent);
    }
    if (l.parts & kCentreStripe) {
        band(cr, x0, x1, -0.36, 0.36, l.second);
        band(cr, x0, x1, -0.3, 0.3, l.accent);
    }
    cairo_restore(cr);
    // The corner at the tail's far side lies off the body: solid paint for
    // the small parts (mirrors, wings) that take a single colour from it.
    cairo_rectangle(cr, 0, 128, 12, 12);
    setColour(cr, l.body);
    cairo_fill(cr);
}

// Fine flake over the whole image so the paint sparkles a little.
void addFlake(Image& image, uint32_t seed) {
    Random random(seed);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            uint8_t* p = imagePixel(image, x, y);
            int d = static_cast<int>(random.next() % 13) - 6;
            for (int k = 0; k < 3; ++k) p[k] = static_cast<uint8_t>(std::clamp(p[k] + d, 0, 255));
        }
}

}  // namespace

Image carPaintTexture(int model) {
    const CarOutline o = carOutline(model);
    const Livery& l = kLiveries[model];
    Canvas canvas = canvasCreate(kPaintWidth, kPaintHeight);
    paintSide(canvas.cr, o, l, false);
    paintSide(canvas.cr, o, l, true);
    paintTop(canvas.cr, o, l);
    Image image = canvasFinish(canvas, 3);
    addFlake(image, 500u + static_cast<uint32_t>(model));
    return image;
}

// Wheels: each car its own rim, by shape (the body style) and finish.
Image carRimTexture(int model) {
    static const uint32_t finish[kCarCount] = {0xc8ccd4, 0x9aa0a8, 0x2a2c30, 0xd8dce2, 0xe0e4ea, 0xc8a040,
                                               0xf2f2f2, 0x3c4048, 0xd0a848, 0xc8ccd4, 0xe8e8e8, 0x25272c};
    Canvas canvas = canvasCreate(64, 64);
    cairo_t* cr = canvas.cr;
    const int style = model % 4;
    const uint32_t metal = finish[model];
    cairo_rectangle(cr, 0, 0, 64, 64);
    setColour(cr, 0x0c0c0e);
    cairo_fill(cr);
    const int spokes[4] = {5, 5, 8, 10};
    const double width[4] = {5.5, 9.0, 4.0, 2.6};
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int k = 0; k < spokes[style]; ++k) {
        double a = 2 * kPi * k / spokes[style];
        const double splits[2] = {style == 0 ? -0.09 : 0.0, style == 0 ? 0.09 : 0.0};
        for (double split : splits) {
            cairo_move_to(cr, 32 + 7 * std::cos(a), 32 + 7 * std::sin(a));
            cairo_line_to(cr, 32 + 28 * std::cos(a + split), 32 + 28 * std::sin(a + split));
        }
        cairo_set_line_width(cr, width[style]);
        setColour(cr, metal);
        cairo_stroke(cr);
    }
    if (style == 1) {  // slotted dish: holes between the wide spokes
        for (int k = 0; k < 5; ++k) {
            double a = 2 * kPi * (k + 0.5) / 5;
            cairo_arc(cr, 32 + 18 * std::cos(a), 32 + 18 * std::sin(a), 5.5, 0, 2 * kPi);
            setColour(cr, 0x0c0c0e);
            cairo_fill(cr);
        }
    }
    // Rim lip and the hub with its nuts.
    cairo_arc(cr, 32, 32, 29.5, 0, 2 * kPi);
    cairo_set_line_width(cr, 4);
    setColour(cr, metal, 1.15);
    cairo_stroke(cr);
    cairo_arc(cr, 32, 32, 8, 0, 2 * kPi);
    setColour(cr, metal, 0.8);
    cairo_fill(cr);
    for (int k = 0; k < 5; ++k) {
        double a = 2 * kPi * k / 5;
        cairo_arc(cr, 32 + 4.5 * std::cos(a), 32 + 4.5 * std::sin(a), 1.2, 0, 2 * kPi);
        setColour(cr, 0x202020);
        cairo_fill(cr);
    }
    return canvasFinish(canvas, 3);
}

namespace {

// The nose panel: the car's colour round a grille and intake, the plate in
// the middle (u across the car as seen from the front, v down).
Image noseTexture(int model) {
    const int style = model % 4;
    const Livery& l = kLiveries[model];
    Canvas canvas = canvasCreate(128, 64);
    cairo_t* cr = canvas.cr;
    cairo_rectangle(cr, 0, 0, 128, 64);
    setColour(cr, l.body, 0.9);
    cairo_fill(cr);
    const uint32_t dark = 0x0e0f12;
    switch (style) {
        case 0:  // a slot and a wide low intake
            roundedRect(cr, 30, 20, 68, 8, 3);
            roundedRect(cr, 14, 40, 100, 16, 6);
            break;
        case 1:  // full-width grille with a chrome surround
            roundedRect(cr, 8, 10, 112, 30, 4);
            setColour(cr, 0xd0d4dc);
            cairo_fill(cr);
            roundedRect(cr, 11, 13, 106, 24, 3);
            roundedRect(cr, 30, 50, 68, 8, 3);
            break;
        case 2:  // hexagon grille and fog-lamp corners
            roundedRect(cr, 20, 22, 88, 30, 10);
            break;
        default:  // a broad mouth between two blades
            roundedRect(cr, 10, 26, 108, 28, 12);
            break;
    }
    setColour(cr, dark);
    cairo_fill(cr);
    // Mesh over the openings.
    cairo_set_line_width(cr, 1);
    for (int x = 0; x < 128; x += 4) {
        cairo_move_to(cr, x, 0);
        cairo_line_to(cr, x + 8, 64);
    }
    cairo_set_source_rgba(cr, 1, 1, 1, 0.06);
    cairo_stroke(cr);
    if (style == 2) {
        for (double x : {10.0, 118.0}) {
            cairo_arc(cr, x, 46, 5, 0, 2 * kPi);
            setColour(cr, 0xfff4d0);
            cairo_fill(cr);
        }
    }
    // Plate.
    roundedRect(cr, 50, style == 1 ? 42 : 30, 28, 8, 1);
    setColour(cr, 0xf0f0e8);
    cairo_fill(cr);
    return canvasFinish(canvas, 3);
}

// The tail panel: the car's colour, a dark diffuser below, the plate.
Image tailTexture(int model) {
    const int style = model % 4;
    const Livery& l = kLiveries[model];
    Canvas canvas = canvasCreate(128, 64);
    cairo_t* cr = canvas.cr;
    cairo_rectangle(cr, 0, 0, 128, 64);
    setColour(cr, l.body, 0.85);
    cairo_fill(cr);
    cairo_rectangle(cr, 0, 46, 128, 18);
    setColour(cr, 0x121316);
    cairo_fill(cr);
    for (int x = 20; x < 110; x += 12) {
        cairo_rectangle(cr, x, 46, 2, 18);
        setColour(cr, 0x2a2c30);
        cairo_fill(cr);
    }
    roundedRect(cr, 48, style == 2 ? 30 : 32, 32, 10, 1);
    setColour(cr, 0xf0f0e8);
    cairo_fill(cr);
    setFont(cr, FontCondensedBold, 8);
    textPathCentred(cr, "KV 000", 64, style == 2 ? 38.5 : 40.5);
    setColour(cr, 0x202430);
    cairo_fill(cr);
    return canvasFinish(canvas, 3);
}

// Lamp lenses: u from the lens's back edge to its front, v from its top
// down. Light housings and near-white cores, so that a lens is the
// brightest thing on the car in whatever light falls on it.
Image headlampTexture(int style) {
    Canvas canvas = canvasCreate(64, 32);
    cairo_t* cr = canvas.cr;
    cairo_rectangle(cr, 0, 0, 64, 32);
    setColour(cr, 0x8c94a4);
    cairo_fill(cr);
    Canvas glow = canvasCreate(64, 32);
    cairo_t* g = glow.cr;
    switch (style) {
        case 0:  // a thin blade of light along the top and a projector
            cairo_rectangle(g, 4, 4, 58, 5);
            cairo_arc(g, 44, 20, 6, 0, 2 * kPi);
            break;
        case 1:  // twin round lamps
            cairo_arc(g, 22, 16, 9, 0, 2 * kPi);
            cairo_new_sub_path(g);
            cairo_arc(g, 48, 16, 9, 0, 2 * kPi);
            break;
        case 2:  // one big round lamp with a light ring
            cairo_arc(g, 40, 16, 12, 0, 2 * kPi);
            cairo_new_sub_path(g);
            cairo_rectangle(g, 6, 24, 24, 3);
            break;
        default:  // LED strip and three cubes
            cairo_rectangle(g, 2, 4, 60, 3);
            for (int k = 0; k < 3; ++k) cairo_rectangle(g, 30 + k * 11, 14, 8, 8);
            break;
    }
    setColour(g, 0xfffcf0);
    cairo_fill(g);
    canvasCompose(canvas, glow, CAIRO_OPERATOR_OVER);
    canvasBlur(glow, 3);
    canvasCompose(canvas, glow, CAIRO_OPERATOR_ADD, 0.8);
    canvasDestroy(glow);
    return canvasFinish(canvas, 3);
}

Image taillampTexture(int style) {
    Canvas canvas = canvasCreate(64, 32);
    cairo_t* cr = canvas.cr;
    cairo_rectangle(cr, 0, 0, 64, 32);
    setColour(cr, 0xd01820);
    cairo_fill(cr);
    Canvas glow = canvasCreate(64, 32);
    cairo_t* g = glow.cr;
    switch (style) {
        case 0:  // twin round lamps
            cairo_arc(g, 20, 16, 8, 0, 2 * kPi);
            cairo_new_sub_path(g);
            cairo_arc(g, 44, 16, 8, 0, 2 * kPi);
            break;
        case 1:  // three bars
            for (int k = 0; k < 3; ++k) cairo_rectangle(g, 4 + k * 20, 8, 16, 16);
            break;
        case 2:  // an upright C
            cairo_rectangle(g, 8, 4, 48, 5);
            cairo_rectangle(g, 8, 4, 6, 24);
            cairo_rectangle(g, 8, 23, 48, 5);
            break;
        default:  // a thin light line
            cairo_rectangle(g, 0, 10, 64, 8);
            break;
    }
    setColour(g, 0xffb4a8);
    cairo_fill(g);
    canvasCompose(canvas, glow, CAIRO_OPERATOR_OVER);
    canvasBlur(glow, 3);
    canvasCompose(canvas, glow, CAIRO_OPERATOR_ADD, 0.9);
    canvasDestroy(glow);
    return canvasFinish(canvas, 3);
}

// Tinted glass: smoked blue-grey with a soft sweep of reflected sky.
Image glassTexture() {
    Canvas canvas = canvasCreate(64, 64);
    cairo_t* cr = canvas.cr;
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, 64);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.2, 0.26, 0.36);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.06, 0.08, 0.12);
    cairo_rectangle(cr, 0, 0, 64, 64);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    cairo_move_to(cr, 10, 0);
    cairo_line_to(cr, 30, 0);
    cairo_line_to(cr, 14, 64);
    cairo_line_to(cr, -6, 64);
    cairo_close_path(cr);
    cairo_set_source_rgba(cr, 0.6, 0.75, 0.95, 0.16);
    cairo_fill(cr);
    return canvasFinish(canvas, 3);
}

}  // namespace

bool writeCommonCarTextures(const std::string& dir) {
    Image tyre = makeImage(64, 64, 3);
    fillNoise(tyre, 15, 15, 16, 3, 900u);                                      // black rubber
    for (int x = 0; x < 64; x += 8) fillRect(tyre, x, 0, x + 3, 32, 7, 7, 8);  // tread blocks
    fillRect(tyre, 0, 44, 64, 46, 38, 38, 40);                                 // sidewall lettering band
    Image under = makeImage(16, 16, 3);
    fillNoise(under, 16, 16, 18, 3, 902u);
    Image exhaust = makeImage(16, 16, 3);
    fillNoise(exhaust, 190, 190, 196, 12, 903u);
    // Satin black aero parts with a carbon weave.
    Image trim = makeImage(32, 32, 3);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            uint8_t* p = imagePixel(trim, x, y);
            bool weave = ((x / 4) + (y / 4)) % 2 == 0;
            p[0] = p[1] = static_cast<uint8_t>(weave ? 34 : 22);
            p[2] = static_cast<uint8_t>(weave ? 38 : 26);
        }
    bool ok = writeBmp(dir + "/tyre.bmp", tyre) && writeBmp(dir + "/glass.bmp", glassTexture()) &&
              writeBmp(dir + "/under.bmp", under) && writeBmp(dir + "/exhaust.bmp", exhaust) &&
              writeBmp(dir + "/trim.bmp", trim);
    for (int i = 0; ok && i < 4; ++i)
        ok = writeBmp(dir + "/headlamp" + std::to_string(i) + ".bmp", headlampTexture(i)) &&
             writeBmp(dir + "/taillamp" + std::to_string(i) + ".bmp", taillampTexture(i));
    return ok;
}

bool writeCarPanels(const std::string& dir, int model) {
    return writeBmp(dir + "/front.bmp", noseTexture(model)) &&
           writeBmp(dir + "/rear.bmp", tailTexture(model)) &&
           writeBmp(dir + "/rim.bmp", carRimTexture(model));
}
