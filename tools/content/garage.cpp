// The showroom behind the menus, and its lamps: a polished floor round the
// turntable, the game's neon sign on the back wall, light bars opposite, the
// roll-up door and a tyre rack on the side walls, and spot lamps on a truss
// over the car.
//
// The scene is lit only by the four lamps of the light model (the light
// selection takes four) and a faint fill, so the signs and light bars face
// their lamp in the lighting (their normals lean up towards the lamp hung in
// front of them): they then show at full brightness and read as lit.
#include "content/garage.h"

#include <cmath>

#include "content/image_writer.h"
#include "content/interface_local.h"
#include "content/textures_world.h"

namespace {

std::string garageTexture(const char* name) {
    return std::string("base/garage/") + name + ".bmp";
}

constexpr float kRoomHalf = 14.0f;  // the camera circles 9.5 from the car
constexpr float kCeilingY = 7.0f;
constexpr float kTrussY = 5.6f;
constexpr float kTurntableRadius = 4.2f;
constexpr float kSpotZ = 2.6f;

// The four lamps: two spots on the car, one over each side so its doors and
// their liveries are lit as well as its roof (brighter than one, as the
// spots' cone falls off fast), one in front of the sign, one in front of
// the light bars.
struct ShowroomLamp {
    Vec3 position;
    float colour[3];
    const char* name;
};
const ShowroomLamp kLamps[4] = {
    {{1.4f, kTrussY - 0.9f, kSpotZ}, {1.8f, 1.7f, 1.5f}, "spotwarm"},
    {{-1.4f, kTrussY - 0.9f, -kSpotZ}, {1.5f, 1.65f, 1.8f}, "spotcool"},
    {{0.0f, 6.2f, -kRoomHalf + 2.4f}, {0.75f, 0.85f, 1.0f}, "signlamp"},
    {{0.0f, 6.2f, kRoomHalf - 2.4f}, {1.0f, 0.7f, 0.95f}, "barlamp"},
};

// A quad whose lighting normal is given rather than taken from its face.
void litQuad(MeshBuilder& mesh, int material, Vec3 a, Vec3 b, Vec3 c, Vec3 d, Vec3 normal, TexCoord ta,
             TexCoord tb, TexCoord tc, TexCoord td) {
    Vec3 n = normalize(normal);
    Vec3 p1[3] = {a, b, c}, p2[3] = {a, c, d}, ns[3] = {n, n, n};
    TexCoord t1[3] = {ta, tb, tc}, t2[3] = {ta, tc, td};
    mesh.triangle(material, p1, ns, t1);
    mesh.triangle(material, p2, ns, t2);
}

}  // namespace

void buildGarage(MeshBuilder& mesh) {
    int floor = mesh.material("floor", garageTexture("floor"));
    int wall = mesh.material("wall", garageTexture("wall"));
    int door = mesh.material("door", garageTexture("door"));
    int ceiling = mesh.material("ceiling", garageTexture("ceiling"));
    int turntable = mesh.material("turntable", garageTexture("turntable"));
    int metal = mesh.material("metal", garageTexture("metal"));
    int tyre = mesh.material("tyres", garageTexture("tyres"));
    int sign = mesh.material("sign", garageTexture("sign"));
    int bars = mesh.material("lightbar", garageTexture("lightbar"));
    int lens = mesh.material("lens", garageTexture("lens"));
    int poster = mesh.material("poster", garageTexture("poster"));
    const float y0 = kGarageFloorY - 0.12f, h = kCeilingY - y0, r = kRoomHalf;
    // One polished floor picture over the whole room.
    mesh.quad(floor, {-r, y0, r}, {r, y0, r}, {r, y0, -r}, {-r, y0, -r}, {0, 1}, {1, 1}, {1, 0}, {0, 0});
    mesh.quad(ceiling, {-r, kCeilingY, -r}, {r, kCeilingY, -r}, {r, kCeilingY, r}, {-r, kCeilingY, r}, {0, 0},
              {4, 0}, {4, 4}, {0, 4});
    // Walls face inward; one of them is the roll-up door.
    mesh.wall(wall, {r, y0, r}, {-r, y0, r}, h, 7.0f, h);
    mesh.wall(door, {r, y0, -r}, {r, y0, r}, h, 2.0f * r, h);
    mesh.wall(wall, {-r, y0, -r}, {r, y0, -r}, h, 7.0f, h);
    mesh.wall(wall, {-r, y0, r}, {-r, y0, -r}, h, 7.0f, h);
    // The sign on the back wall, facing its lamp.
    const float sz = -r + 0.05f;
    litQuad(mesh, sign, {-7.5f, 1.6f, sz}, {7.5f, 1.6f, sz}, {7.5f, 5.35f, sz}, {-7.5f, 5.35f, sz},
            {0, 1.0f, 0.35f}, {0, 1}, {1, 1}, {1, 0}, {0, 0});
    // Light bars on the wall opposite, and a light box between them.
    const float bz = r - 0.05f;
    for (int k = 0; k < 6; ++k) {
        float x = -8.75f + 3.5f * k;
        if (k == 2 || k == 3) continue;
        litQuad(mesh, bars, {x + 0.25f, y0 + 0.2f, bz}, {x - 0.25f, y0 + 0.2f, bz}, {x - 0.25f, 5.6f, bz},
                {x + 0.25f, 5.6f, bz}, {0, 1.0f, -0.35f}, {k % 2 ? 0.5f : 0.0f, 1}, {k % 2 ? 1.0f : 0.5f, 1},
                {k % 2 ? 1.0f : 0.5f, 0}, {k % 2 ? 0.5f : 0.0f, 0});
    }
    litQuad(mesh, poster, {3.0f, 1.4f, bz}, {-3.0f, 1.4f, bz}, {-3.0f, 5.0f, bz}, {3.0f, 5.0f, bz},
            {0, 1.0f, -0.35f}, {0, 1}, {1, 1}, {1, 0}, {0, 0});
    // The turntable the car stands on: a black glossy disc with a lit rim.
    const int sides = 40;
    const float tr = kTurntableRadius, ty = kGarageFloorY;
    for (int k = 0; k < sides; ++k) {
        float a0 = 6.2831853f * k / sides, a1 = 6.2831853f * (k + 1) / sides;
        Vec3 p0{tr * std::cos(a0), ty, tr * std::sin(a0)}, p1{tr * std::cos(a1), ty, tr * std::sin(a1)};
        Vec3 c{0, ty, 0};
        mesh.flatTriangle(turntable, c, p1, p0, {0.5f, 0.5f},
                          {0.5f + 0.5f * std::cos(a1), 0.5f + 0.5f * std::sin(a1)},
                          {0.5f + 0.5f * std::cos(a0), 0.5f + 0.5f * std::sin(a0)});
        Vec3 q0{p0.x, y0, p0.z}, q1{p1.x, y0, p1.z};
        litQuad(mesh, bars, q1, q0, p0, p1, {std::cos(a0), 1.0f, std::sin(a0)}, {0.02f, 0.5f}, {0.48f, 0.5f},
                {0.48f, 0.45f}, {0.02f, 0.45f});
    }
    // Tyre rack in a corner by the door.
    for (int stack = 0; stack < 3; ++stack) {
        float cx = -r + 1.5f + stack * 1.3f, cz = -r + 1.5f;
        mesh.box(tyre, {cx - 0.5f, y0, cz - 0.5f}, {cx + 0.5f, y0 + 0.9f + 0.3f * stack, cz + 0.5f}, 1.0f);
    }
    // Truss across the room and the spot lamps hanging from it.
    for (float z : {-1.6f, 1.6f})
        mesh.box(metal, {-6.0f, kTrussY + 0.1f, z - 0.12f}, {6.0f, kTrussY + 0.35f, z + 0.12f}, 1.0f);
    for (float x : {-5.5f, 5.5f})
        mesh.box(metal, {x - 0.06f, kTrussY + 0.35f, -0.06f - 1.6f}, {x + 0.06f, kCeilingY, 0.06f - 1.6f},
                 1.0f);
    for (const ShowroomLamp& lamp : kLamps) {
        Vec3 p = lamp.position;
        mesh.box(metal, {p.x - 0.28f, p.y + 0.1f, p.z - 0.28f}, {p.x + 0.28f, p.y + 0.55f, p.z + 0.28f},
                 1.0f);
        // The lens under the housing, lit from its own lamp.
        litQuad(mesh, lens, {p.x - 0.22f, p.y + 0.08f, p.z + 0.22f}, {p.x + 0.22f, p.y + 0.08f, p.z + 0.22f},
                {p.x + 0.22f, p.y + 0.08f, p.z - 0.22f}, {p.x - 0.22f, p.y + 0.08f, p.z - 0.22f}, {0, 1, 0},
                {0, 0}, {1, 0}, {1, 1}, {0, 1});
    }
}

static void addLamp(MeshBuilder& mesh, const ShowroomLamp& lamp) {
    MaterialSpec desc;
    desc.name = lamp.name;
    for (int k = 0; k < 3; ++k) desc.emissive[k] = desc.diffuse[k] = lamp.colour[k];
    int material = mesh.material(desc);
    Vec3 p = lamp.position;
    mesh.flatTriangle(material, p + Vec3{-0.3f, 0, -0.2f}, p + Vec3{0, 0, 0.4f}, p + Vec3{0.3f, 0, -0.2f},
                      {0, 0}, {0.5f, 1}, {1, 0});
}

void buildGarageLights(MeshBuilder& mesh) {
    for (const ShowroomLamp& lamp : kLamps) addLamp(mesh, lamp);
}

namespace {

// Polished black floor: the spots' pool round the turntable, the sign and
// the light bars mirrored in it near their walls (u along x, v from the
// light-bar wall at the top to the sign wall at the bottom).
Image floorTexture() {
    Canvas canvas = canvasCreate(512, 512);
    cairo_t* cr = canvas.cr;
    cairo_rectangle(cr, 0, 0, 512, 512);
    setRgba(cr, 0x0d0f16);
    cairo_fill(cr);
    // Large tiles with fine joints.
    for (int k = 0; k <= 512; k += 64) {
        cairo_move_to(cr, k + 0.5, 0);
        cairo_line_to(cr, k + 0.5, 512);
        cairo_move_to(cr, 0, k + 0.5);
        cairo_line_to(cr, 512, k + 0.5);
    }
    setRgba(cr, 0x262a36, 0.9);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    // Sheen under the spots.
    cairo_pattern_t* pool = cairo_pattern_create_radial(256, 256, 20, 256, 256, 250);
    cairo_pattern_add_color_stop_rgba(pool, 0, 0.5, 0.52, 0.6, 0.35);
    cairo_pattern_add_color_stop_rgba(pool, 1, 0.5, 0.52, 0.6, 0.0);
    cairo_rectangle(cr, 0, 0, 512, 512);
    cairo_set_source(cr, pool);
    cairo_fill(cr);
    cairo_pattern_destroy(pool);
    // Reflections: soft streaks of the neon running from each lit wall.
    Canvas glow = canvasCreate(512, 512);
    cairo_t* g = glow.cr;
    // The sign: a broad magenta and cyan smear under it.
    cairo_rectangle(g, 120, 0, 272, 72);
    setRgba(g, kNeonMagenta, 0.55);
    cairo_fill(g);
    cairo_rectangle(g, 150, 0, 212, 42);
    setRgba(g, kNeonCyan, 0.45);
    cairo_fill(g);
    // The light bars.
    for (int k = 0; k < 6; ++k) {
        if (k == 2 || k == 3) continue;
        double x = 256 + (-8.75 + 3.5 * k) / kRoomHalf * 256;
        cairo_rectangle(g, x - 8, 422, 16, 90);
        setRgba(g, k % 2 ? kNeonMagenta : kNeonCyan, 0.6);
        cairo_fill(g);
    }
    canvasBlur(glow, 10);
    canvasCompose(canvas, glow, CAIRO_OPERATOR_ADD);
    canvasDestroy(glow);
    return canvasFinish(canvas, 3);
}

// The back wall's sign: the game's name in neon tubes with a chequered
// flag stripe, on black.
Image signTexture() {
    Canvas canvas = canvasCreate(512, 128);
    cairo_t* cr = canvas.cr;
    cairo_rectangle(cr, 0, 0, 512, 128);
    setRgba(cr, 0x07080e);
    cairo_fill(cr);
    roundedRect(cr, 6, 6, 500, 116, 10);
    neonStroke(cr, kNeonCyan, 2.0, 1.4);
    cairo_new_path(cr);
    setFont(cr, FontCondensedBoldOblique, 70);
    textPathCentred(cr, "KORVASK", 256, 80);
    neonStroke(cr, kNeonMagenta, 3.0, 1.6);
    cairo_new_path(cr);
    setFont(cr, FontCondensedBold, 16);
    textPathCentred(cr, "NIGHT  STREET  RACING", 256, 108);
    setRgba(cr, kSodium);
    cairo_fill(cr);
    for (int k = 0; k < 24; ++k) {
        cairo_rectangle(cr, 20 + k * 8, 16 + (k % 2) * 6, 8, 6);
        cairo_rectangle(cr, 300 + k * 8, 16 + (k % 2) * 6, 8, 6);
    }
    setRgba(cr, kHotWhite, 0.8);
    cairo_fill(cr);
    return canvasFinish(canvas, 3);
}

// Light bars: the left half cyan, the right half magenta, bright cores with
// a soft edge.
Image lightBarTexture() {
    Canvas canvas = canvasCreate(64, 64);
    cairo_t* cr = canvas.cr;
    for (int half = 0; half < 2; ++half) {
        const uint32_t colour = half ? kNeonMagenta : kNeonCyan;
        cairo_pattern_t* p = cairo_pattern_create_linear(half * 32, 0, half * 32 + 32, 0);
        cairo_pattern_add_color_stop_rgb(p, 0, 0.05, 0.05, 0.08);
        cairo_pattern_add_color_stop_rgb(p, 0.3, ((colour >> 16) & 255) / 255.0,
                                         ((colour >> 8) & 255) / 255.0, (colour & 255) / 255.0);
        cairo_pattern_add_color_stop_rgb(p, 0.5, 1, 1, 1);
        cairo_pattern_add_color_stop_rgb(p, 0.7, ((colour >> 16) & 255) / 255.0,
                                         ((colour >> 8) & 255) / 255.0, (colour & 255) / 255.0);
        cairo_pattern_add_color_stop_rgb(p, 1, 0.05, 0.05, 0.08);
        cairo_rectangle(cr, half * 32, 0, 32, 64);
        cairo_set_source(cr, p);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
    }
    return canvasFinish(canvas, 3);
}

// A light box on the bar wall: a car's silhouette in sodium over a city.
Image posterTexture() {
    Canvas canvas = canvasCreate(128, 96);
    cairo_t* cr = canvas.cr;
    const double stops[3] = {0, 0.6, 1};
    const uint32_t colours[3] = {0x1a0c3a, 0x6a1a6a, 0xff6a3a};
    verticalGradient(canvas, stops, colours, 3);
    drawSkyline(cr, 0, 128, 70, 40, 77u, 0.5);
    cairo_move_to(cr, 14, 86);
    cairo_curve_to(cr, 30, 66, 54, 60, 78, 62);
    cairo_curve_to(cr, 96, 64, 108, 74, 116, 86);
    cairo_close_path(cr);
    setRgba(cr, 0x08080c);
    cairo_fill(cr);
    cairo_move_to(cr, 14, 86);
    cairo_curve_to(cr, 30, 66, 54, 60, 78, 62);
    cairo_curve_to(cr, 96, 64, 108, 74, 116, 86);
    neonStroke(cr, kNeonCyan, 1.2, 1.0);
    cairo_new_path(cr);
    roundedRect(cr, 2, 2, 124, 92, 4);
    neonStroke(cr, kNeonMagenta, 1.2, 1.0);
    return canvasFinish(canvas, 3);
}

// The turntable: black and polished, rings of light round its rim.
Image turntableTexture() {
    Canvas canvas = canvasCreate(256, 256);
    cairo_t* cr = canvas.cr;
    cairo_rectangle(cr, 0, 0, 256, 256);
    setRgba(cr, 0x0a0b10);
    cairo_fill(cr);
    cairo_pattern_t* sheen = cairo_pattern_create_radial(110, 100, 10, 128, 128, 128);
    cairo_pattern_add_color_stop_rgba(sheen, 0, 0.6, 0.62, 0.7, 0.3);
    cairo_pattern_add_color_stop_rgba(sheen, 1, 0.3, 0.32, 0.4, 0.05);
    cairo_arc(cr, 128, 128, 127, 0, 2 * kPi);
    cairo_set_source(cr, sheen);
    cairo_fill(cr);
    cairo_pattern_destroy(sheen);
    for (int k = 1; k < 8; ++k) {
        cairo_arc(cr, 128, 128, 14.0 * k, 0, 2 * kPi);
        setRgba(cr, 0x2a2e3a, 0.8);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    }
    cairo_arc(cr, 128, 128, 120, 0, 2 * kPi);
    neonStroke(cr, kNeonCyan, 2.5, 1.5);
    cairo_new_path(cr);
    cairo_arc(cr, 128, 128, 108, 0, 2 * kPi);
    neonStroke(cr, kNeonMagenta, 1.2, 1.0);
    return canvasFinish(canvas, 3);
}

Image lensTexture() {
    Canvas canvas = canvasCreate(32, 32);
    cairo_t* cr = canvas.cr;
    cairo_rectangle(cr, 0, 0, 32, 32);
    setRgba(cr, 0x303038);
    cairo_fill(cr);
    cairo_pattern_t* p = cairo_pattern_create_radial(16, 16, 2, 16, 16, 15);
    cairo_pattern_add_color_stop_rgb(p, 0, 1, 1, 1);
    cairo_pattern_add_color_stop_rgb(p, 0.7, 1, 0.96, 0.85);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.4, 0.38, 0.35);
    cairo_arc(cr, 16, 16, 15, 0, 2 * kPi);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    return canvasFinish(canvas, 3);
}

bool garageTextures(const std::string& dir) {
    Image wall = makeImage(128, 128, 3);
    fillNoise(wall, 22, 24, 34, 4, 1002u);
    for (int x = 0; x < 128; x += 32) fillRect(wall, x, 0, x + 2, 128, 12, 12, 18);
    fillRect(wall, 0, 100, 128, 102, 12, 12, 18);
    Image door = makeImage(128, 128, 3);
    fillNoise(door, 70, 74, 84, 4, 1003u);
    for (int y = 0; y < 128; y += 6) fillRect(door, 0, y, 128, y + 1, 38, 40, 46);
    fillRect(door, 0, 120, 128, 128, 200, 170, 20);  // hazard band at the bottom
    for (int x = 0; x < 128; x += 16) fillRect(door, x, 120, x + 8, 128, 20, 20, 20);
    Image ceiling = makeImage(64, 64, 3);
    fillNoise(ceiling, 18, 18, 24, 4, 1004u);
    Image metal = makeImage(32, 32, 3);
    fillNoise(metal, 60, 62, 70, 8, 1006u);
    Image tyres = makeImage(32, 32, 3);
    fillNoise(tyres, 22, 22, 24, 4, 1007u);
    for (int y = 0; y < 32; y += 8) fillRect(tyres, 0, y, 32, y + 1, 50, 50, 52);
    return writeBmp(dir + "/floor.bmp", floorTexture()) && writeBmp(dir + "/wall.bmp", wall) &&
           writeBmp(dir + "/door.bmp", door) && writeBmp(dir + "/ceiling.bmp", ceiling) &&
           writeBmp(dir + "/turntable.bmp", turntableTexture()) && writeBmp(dir + "/metal.bmp", metal) &&
           writeBmp(dir + "/tyres.bmp", tyres) && writeBmp(dir + "/poster.bmp", posterTexture()) &&
           writeBmp(dir + "/sign.bmp", signTexture()) && writeBmp(dir + "/lightbar.bmp", lightBarTexture()) &&
           writeBmp(dir + "/lens.bmp", lensTexture());
}

}  // namespace

bool generateGarage(const std::string& baseDir) {
    std::string dir = baseDir + "/garage";
    if (!makeDirectories(dir) || !garageTextures(dir)) return false;
    MeshBuilder room, lights;
    buildGarage(room);
    buildGarageLights(lights);
    return writeMesh(dir + "/garage.ms3d", room) && writeMesh(dir + "/light.ms3d", lights);
}
