// The showroom behind the menus, and its lamps.
#include "content/garage.h"

#include <cmath>

#include "content/image_writer.h"
#include "content/textures_world.h"

static std::string garageTexture(const char* name) {
    return std::string("base/garage/") + name + ".bmp";
}

static const float kRoomHalf = 14.0f;  // the camera circles 9.5 from the car
static const float kCeilingY = 7.0f;

void buildGarage(MeshBuilder& mesh) {
    int floor = mesh.material("floor", garageTexture("floor"));
    int wall = mesh.material("wall", garageTexture("wall"));
    int door = mesh.material("door", garageTexture("door"));
    int ceiling = mesh.material("ceiling", garageTexture("ceiling"));
    int turntable = mesh.material("turntable", garageTexture("turntable"));
    int metal = mesh.material("metal", garageTexture("metal"));
    int tyre = mesh.material("tyres", garageTexture("tyres"));
    int poster = mesh.material("poster", garageTexture("poster"));
    const float y0 = kGarageFloorY - 0.12f, h = kCeilingY - y0, r = kRoomHalf;
    // Floor and ceiling.
    mesh.quad(floor, {-r, y0, r}, {r, y0, r}, {r, y0, -r}, {-r, y0, -r}, {0, 4}, {4, 4}, {4, 0}, {0, 0});
    mesh.quad(ceiling, {-r, kCeilingY, -r}, {r, kCeilingY, -r}, {r, kCeilingY, r}, {-r, kCeilingY, r}, {0, 0},
              {4, 0}, {4, 4}, {0, 4});
    // Walls face inward; one of them is the roll-up door.
    mesh.wall(wall, {r, y0, r}, {-r, y0, r}, h, 7.0f, h);
    mesh.wall(door, {r, y0, -r}, {r, y0, r}, h, 2.0f * r, h);
    mesh.wall(wall, {-r, y0, -r}, {r, y0, -r}, h, 7.0f, h);
    mesh.wall(wall, {-r, y0, r}, {-r, y0, -r}, h, 7.0f, h);
    // Posters on the back walls, a hand off the surface.
    mesh.quad(poster, {-3.0f, 1.5f, -r + 0.02f}, {3.0f, 1.5f, -r + 0.02f}, {3.0f, 5.0f, -r + 0.02f},
              {-3.0f, 5.0f, -r + 0.02f}, {0, 1}, {1, 1}, {1, 0}, {0, 0});
    mesh.quad(poster, {-r + 0.02f, 1.5f, 3.0f}, {-r + 0.02f, 1.5f, -3.0f}, {-r + 0.02f, 5.0f, -3.0f},
              {-r + 0.02f, 5.0f, 3.0f}, {0, 1}, {1, 1}, {1, 0}, {0, 0});
    // The turntable the car stands on: a flat disc with a lit rim.
    const int sides = 32;
    const float tr = 4.2f, ty = kGarageFloorY;
    for (int k = 0; k < sides; ++k) {
        float a0 = 6.2831853f * k / sides, a1 = 6.2831853f * (k + 1) / sides;
        Vec3 p0{tr * std::cos(a0), ty, tr * std::sin(a0)}, p1{tr * std::cos(a1), ty, tr * std::sin(a1)};
        Vec3 c{0, ty, 0};
        mesh.flatTriangle(turntable, c, p1, p0, {0.5f, 0.5f},
                          {0.5f + 0.5f * std::cos(a1), 0.5f + 0.5f * std::sin(a1)},
                          {0.5f + 0.5f * std::cos(a0), 0.5f + 0.5f * std::sin(a0)});
        Vec3 q0{p0.x, y0, p0.z}, q1{p1.x, y0, p1.z};
        mesh.quad(metal, q1, q0, p0, p1, {0, 1}, {1, 1}, {1, 0}, {0, 0});
    }
    // Work bench, tool chest and stacked tyres in the corners.
    mesh.box(metal, {-r + 0.5f, y0, -r + 1.0f}, {-r + 1.5f, y0 + 1.0f, -r + 6.0f}, 1.0f);
    mesh.box(metal, {r - 2.5f, y0, r - 1.5f}, {r - 0.5f, y0 + 1.6f, r - 0.5f}, 1.0f);
    for (int stack = 0; stack < 3; ++stack) {
        float cx = -r + 1.5f + stack * 1.3f, cz = r - 1.5f;
        mesh.box(tyre, {cx - 0.5f, y0, cz - 0.5f}, {cx + 0.5f, y0 + 0.9f + 0.3f * stack, cz + 0.5f}, 1.0f);
    }
    // Ceiling light panels (the lamps sit just below them).
    int panel = mesh.material("panel", garageTexture("panel"));
    for (float x : {-4.0f, 4.0f})
        for (float z : {-4.0f, 4.0f})
            mesh.quad(panel, {x - 1.2f, kCeilingY - 0.05f, z - 0.6f}, {x + 1.2f, kCeilingY - 0.05f, z - 0.6f},
                      {x + 1.2f, kCeilingY - 0.05f, z + 0.6f}, {x - 1.2f, kCeilingY - 0.05f, z + 0.6f},
                      {0, 0}, {1, 0}, {1, 1}, {0, 1});
}

static void addLamp(MeshBuilder& mesh, Vec3 p, float r, float g, float b, const char* name) {
    MaterialSpec desc;
    desc.name = name;
    desc.emissive[0] = desc.diffuse[0] = r;
    desc.emissive[1] = desc.diffuse[1] = g;
    desc.emissive[2] = desc.diffuse[2] = b;
    int material = mesh.material(desc);
    mesh.flatTriangle(material, p + Vec3{-0.3f, 0, -0.2f}, p + Vec3{0, 0, 0.4f}, p + Vec3{0.3f, 0, -0.2f},
                      {0, 0}, {0.5f, 1}, {1, 0});
}

void buildGarageLights(MeshBuilder& mesh) {
    for (float x : {-4.0f, 4.0f})
        for (float z : {-4.0f, 4.0f}) addLamp(mesh, {x, kCeilingY - 0.4f, z}, 1.0f, 0.95f, 0.85f, "ceiling");
    addLamp(mesh, {-kRoomHalf + 1.0f, 3.0f, 0.0f}, 1.0f, 0.2f, 0.7f, "neonpink");
    addLamp(mesh, {0.0f, 3.0f, -kRoomHalf + 1.0f}, 0.2f, 0.85f, 1.0f, "neoncyan");
}

static bool garageTextures(const std::string& dir) {
    Image floor = makeImage(128, 128, 3);
    fillNoise(floor, 55, 57, 62, 5, 1001u);
    for (int k = 0; k < 128; k += 64) {
        fillRect(floor, k, 0, k + 2, 128, 30, 30, 34);
        fillRect(floor, 0, k, 128, k + 2, 30, 30, 34);
    }
    Image wall = makeImage(128, 128, 3);
    fillNoise(wall, 40, 42, 50, 5, 1002u);
    for (int x = 0; x < 128; x += 32) fillRect(wall, x, 0, x + 2, 128, 25, 25, 30);
    fillRect(wall, 0, 52, 128, 56, 255, 60, 190);  // neon strip along the wall
    tintRect(wall, 0, 46, 128, 62, 255, 60, 190, 0.25f);
    Image door = makeImage(128, 128, 3);
    fillNoise(door, 85, 88, 95, 4, 1003u);
    for (int y = 0; y < 128; y += 6) fillRect(door, 0, y, 128, y + 1, 45, 45, 50);
    fillRect(door, 0, 120, 128, 128, 200, 170, 20);  // hazard band at the bottom
    for (int x = 0; x < 128; x += 16) fillRect(door, x, 120, x + 8, 128, 20, 20, 20);
    Image ceiling = makeImage(64, 64, 3);
    fillNoise(ceiling, 32, 32, 36, 4, 1004u);
    Image turntable = makeImage(128, 128, 3);
    fillNoise(turntable, 70, 72, 78, 4, 1005u);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            float dx = x - 63.5f, dy = y - 63.5f, d = std::sqrt(dx * dx + dy * dy);
            uint8_t* p = imagePixel(turntable, x, y);
            if (d > 58 && d < 63)
                p[0] = 40, p[1] = 220, p[2] = 255;
            else if (static_cast<int>(d) % 12 == 0)
                p[0] = p[1] = p[2] = 50;
        }
    Image metal = makeImage(32, 32, 3);
    fillNoise(metal, 110, 112, 118, 8, 1006u);
    Image tyres = makeImage(32, 32, 3);
    fillNoise(tyres, 22, 22, 24, 4, 1007u);
    for (int y = 0; y < 32; y += 8) fillRect(tyres, 0, y, 32, y + 1, 50, 50, 52);
    Image poster = makeImage(64, 96, 3);
    fillNoise(poster, 20, 10, 40, 6, 1008u);
    for (int k = 0; k < 6; ++k)
        fillRect(poster, 6, 60 + k * 4, 58, 62 + k * 4, 255 - k * 20, 60 + k * 25, 160);
    fillRect(poster, 14, 10, 50, 40, 240, 200, 30);
    fillRect(poster, 20, 16, 44, 34, 20, 10, 40);
    Image panel = makeImage(16, 16, 3);
    fillNoise(panel, 250, 248, 235, 3, 1009u);
    return writeBmp(dir + "/floor.bmp", floor) && writeBmp(dir + "/wall.bmp", wall) &&
           writeBmp(dir + "/door.bmp", door) && writeBmp(dir + "/ceiling.bmp", ceiling) &&
           writeBmp(dir + "/turntable.bmp", turntable) && writeBmp(dir + "/metal.bmp", metal) &&
           writeBmp(dir + "/tyres.bmp", tyres) && writeBmp(dir + "/poster.bmp", poster) &&
           writeBmp(dir + "/panel.bmp", panel);
}

bool generateGarage(const std::string& baseDir) {
    std::string dir = baseDir + "/garage";
    if (!makeDirectories(dir) || !garageTextures(dir)) return false;
    MeshBuilder room, lights;
    buildGarage(room);
    buildGarageLights(lights);
    return writeMesh(dir + "/garage.ms3d", room) && writeMesh(dir + "/light.ms3d", lights);
}
