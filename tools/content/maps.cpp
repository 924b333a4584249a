// Builds and writes every map folder.
#include "content/maps.h"

#include <cstdio>
#include <vector>

#include "content/circuit.h"
#include "content/city.h"
#include "content/image_writer.h"

void buildMapCollision(int race, MeshBuilder& mesh) {
    Circuit circuit = makeCircuit(race);
    buildCollision(mesh, circuit);
}

// The city is drawn out to the fog's depth around the course; a map whose
// surroundings would pass the triangle budget draws a shorter reach.
void buildMapVisual(int race, MeshBuilder& mesh, float* reachUsed) {
    Circuit circuit = makeCircuit(race);
    DistanceToRoute distance = [&circuit](float x, float z) { return distanceToPath(circuit, x, z); };
    for (float reach = 190.0f;; reach -= 20.0f) {
        MeshBuilder attempt;
        drawCourse(attempt, circuit);
        drawCity(attempt, distance, reach);
        if ((attempt.triangleCount() <= kMaxVisualTriangles && attempt.vertexCount() <= kMs3dMaxVertices) ||
            reach <= 40.0f) {
            mesh = attempt;
            if (reachUsed) *reachUsed = reach;
            return;
        }
    }
}

static MaterialSpec lampMaterial(const float colour[3]) {
    MaterialSpec desc;
    char name[32];
    std::snprintf(name, sizeof name, "lamp%03d%03d%03d", static_cast<int>(colour[0] * 255.0f + 0.5f),
                  static_cast<int>(colour[1] * 255.0f + 0.5f), static_cast<int>(colour[2] * 255.0f + 0.5f));
    desc.name = name;
    for (int k = 0; k < 3; ++k) {
        desc.emissive[k] = colour[k];
        desc.diffuse[k] = colour[k];
    }
    return desc;
}

// One small flat triangle per lamp, centred on the lamp's head.
static void addLamp(MeshBuilder& mesh, Vec3 p, const float colour[3]) {
    int material = mesh.material(lampMaterial(colour));
    mesh.flatTriangle(material, p + Vec3{-0.3f, 0, -0.2f}, p + Vec3{0, 0, 0.4f}, p + Vec3{0.3f, 0, -0.2f},
                      {0, 0}, {0.5f, 1}, {1, 0});
}

void buildMapLights(int race, MeshBuilder& mesh) {
    Circuit circuit = makeCircuit(race);
    int count = 0;
    for (const Lamp& lamp : courseLamps(circuit)) {
        if (count >= kMaxLamps) break;
        addLamp(mesh, lamp.position, lamp.colour);
        ++count;
    }
    // Neon signs right at the course tint the cars passing them.
    DistanceToRoute distance = [&circuit](float x, float z) { return distanceToPath(circuit, x, z); };
    for (const NeonLamp& neon : cityNeonLamps(distance, 30.0f)) {
        if (count >= kMaxLamps) break;
        addLamp(mesh, neon.position, neon.colour);
        ++count;
    }
}

// The buildings the map draws, one "x0 z0 x1 z1 top" line each (floats as
// written, to the bit): the game
// works out from them which chunks of the city a street can see.
static bool writeSolids(int race, float reach, const std::string& path) {
    Circuit circuit = makeCircuit(race);
    DistanceToRoute distance = [&circuit](float x, float z) { return distanceToPath(circuit, x, z); };
    std::string text;
    char line[128];
    for (const CitySolid& s : citySolids(distance, reach)) {
        std::snprintf(line, sizeof line, "%.9g %.9g %.9g %.9g %.9g\n", s.rect.x0, s.rect.z0, s.rect.x1,
                      s.rect.z1, s.top);
        text += line;
    }
    return writeFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

static bool copyFile(const std::string& from, const std::string& to) {
    std::FILE* in = std::fopen(from.c_str(), "rb");
    if (!in) return false;
    std::vector<uint8_t> bytes;
    uint8_t buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(in);
    return writeFileBytes(to, bytes);
}

bool generateMaps(const std::string& baseDir) {
    for (int race = 1; race <= kRaceCount; ++race) {
        std::string dir = baseDir + "/maps/" + std::to_string(race);
        if (!makeDirectories(dir + "/points")) return false;
        Circuit circuit = makeCircuit(race);
        MeshBuilder collision;
        buildCollision(collision, circuit);
        if (collision.triangleCount() > kMaxCollisionTriangles) {
            std::fprintf(stderr, "korvask-content: map %d: collision mesh too large\n", race);
            return false;
        }
        MeshBuilder visual, lights;
        float reach = 0.0f;
        buildMapVisual(race, visual, &reach);
        buildMapLights(race, lights);
        if (!writeMesh(dir + "/map.ms3d", collision) || !writeMesh(dir + "/mapvisual.ms3d", visual) ||
            !writeMesh(dir + "/light.ms3d", lights) || !writeSolids(race, reach, dir + "/solids.txt") ||
            !writeWaypoints(dir + "/points/level.ai", circuitWaypoints(circuit)))
            return false;
    }
    // Maps 16..20 are not on the city map; they repeat the first five circuits.
    for (int map = kRaceCount + 1; map <= kMapCount; ++map) {
        std::string from = baseDir + "/maps/" + std::to_string(map - kRaceCount);
        std::string to = baseDir + "/maps/" + std::to_string(map);
        if (!makeDirectories(to + "/points")) return false;
        for (const char* file :
             {"/map.ms3d", "/mapvisual.ms3d", "/light.ms3d", "/solids.txt", "/points/level.ai"})
            if (!copyFile(from + file, to + file)) {
                std::fprintf(stderr, "korvask-content: cannot copy %s%s\n", from.c_str(), file);
                return false;
            }
    }
    return true;
}
