// Geometry builders for the generated models: a small vector type, a
// deterministic random source, and MeshBuilder, which collects triangles by
// material and shares vertex positions so the 16-bit MS3D counts go far.
#pragma once

#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "content/ms3d_writer.h"

struct Vec3 {
    float x, y, z;
};

inline Vec3 vec3(float x, float y, float z) {
    return Vec3{x, y, z};
}
inline Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(Vec3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline float dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length(Vec3 a) {
    return std::sqrt(dot(a, a));
}
inline Vec3 normalize(Vec3 a) {
    float l = length(a);
    return l > 0 ? a * (1.0f / l) : Vec3{0, 1, 0};
}

// xorshift32: the same sequence on every machine, unlike std::rand.
struct Random {
    uint32_t state;
    explicit Random(uint32_t seed) : state(seed ? seed : 0x9E3779B9u) {}
    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    float uniform() { return static_cast<float>(next() >> 8) * (1.0f / 16777216.0f); }  // [0, 1)
    float range(float lo, float hi) { return lo + (hi - lo) * uniform(); }
    int below(int n) { return n > 0 ? static_cast<int>(next() % static_cast<uint32_t>(n)) : 0; }
};

struct TexCoord {
    float u, v;  // v = 0 is the top row of the image, as the file stores it
};

struct MaterialSpec {
    std::string name;
    std::string texture;  // "" for none
    float emissive[3] = {0, 0, 0};
    float diffuse[3] = {0.8f, 0.8f, 0.8f};
    // Open pieces seen from both sides (signs, thin arms without a bottom):
    // drawn without back-face culling.
    bool twoSided = false;
};

class MeshBuilder {
  public:
    // Index of the material with this name, adding it on first use.
    int material(const MaterialSpec& desc);
    int material(const std::string& name, const std::string& texture);
    // Marks a material's surfaces as seen from both sides.
    void markTwoSided(int material);

    // One triangle with a normal and texture coordinate per corner.
    void triangle(int material, const Vec3 p[3], const Vec3 n[3], const TexCoord uv[3]);
    // Flat triangle, normal from the winding (counter-clockwise seen from the front).
    void flatTriangle(int material, Vec3 a, Vec3 b, Vec3 c, TexCoord ta, TexCoord tb, TexCoord tc);
    // Flat quad a-b-c-d (counter-clockwise seen from the front), two triangles.
    void quad(int material, Vec3 a, Vec3 b, Vec3 c, Vec3 d, TexCoord ta, TexCoord tb, TexCoord tc,
              TexCoord td);
    // Wall quad from bottom edge a->b (seen from the front a is left) up by
    // height; texture repeats every tileU along and tileV up, starting at u0.
    void wall(int material, Vec3 a, Vec3 b, float height, float tileU, float tileV, float u0 = 0.0f);
    // Axis-aligned box, all six faces outward, texture scaled per tile.
    void box(int material, Vec3 lo, Vec3 hi, float tile, bool bottom = false);
    void box(int topMaterial, int sideMaterial, Vec3 lo, Vec3 hi, float tileU, float tileV, bool bottom);

    int triangleCount() const { return static_cast<int>(triangles_.size()); }
    int vertexCount() const { return static_cast<int>(positions_.size()); }
    const std::vector<Vec3>& positions() const { return positions_; }
    // Triangle i's vertex indices, for checks that walk the mesh.
    void triangleVertices(int i, int out[3]) const;

    // One group per used material, in material order. False when the
    // model exceeds what the format can hold.
    bool build(Ms3dFile* out, std::string* error) const;

  private:
    uint32_t vertex(Vec3 p);

    struct Tri {
        uint32_t v[3];
        Vec3 n[3];
        TexCoord uv[3];
        int material;
    };
    std::vector<Vec3> positions_;
    std::map<std::tuple<int32_t, int32_t, int32_t>, uint32_t> lookup_;
    std::vector<Tri> triangles_;
    std::vector<MaterialSpec> materials_;
};

// Builds and writes; false with a message on failure.
bool writeMesh(const std::string& path, const MeshBuilder& mesh);
