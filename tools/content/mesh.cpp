// MeshBuilder: triangles by material over shared vertex positions.
#include "content/mesh.h"

#include <cstdio>

int MeshBuilder::material(const MaterialSpec& desc) {
    for (size_t i = 0; i < materials_.size(); ++i)
        if (materials_[i].name == desc.name) return static_cast<int>(i);
    materials_.push_back(desc);
    return static_cast<int>(materials_.size() - 1);
}

int MeshBuilder::material(const std::string& name, const std::string& texture) {
    MaterialSpec desc;
    desc.name = name;
    desc.texture = texture;
    return material(desc);
}

void MeshBuilder::markTwoSided(int material) {
    if (material >= 0 && material < static_cast<int>(materials_.size())) materials_[material].twoSided = true;
}

// Positions are shared when they agree to a millimetre; anything closer is
// the same point for every model we make.
uint32_t MeshBuilder::vertex(Vec3 p) {
    auto key = std::make_tuple(static_cast<int32_t>(std::lround(p.x * 1000.0f)),
                               static_cast<int32_t>(std::lround(p.y * 1000.0f)),
                               static_cast<int32_t>(std::lround(p.z * 1000.0f)));
    auto found = lookup_.find(key);
    if (found != lookup_.end()) return found->second;
    uint32_t index = static_cast<uint32_t>(positions_.size());
    positions_.push_back(p);
    lookup_.emplace(key, index);
    return index;
}

void MeshBuilder::triangle(int material, const Vec3 p[3], const Vec3 n[3], const TexCoord uv[3]) {
    Tri tri;
    for (int i = 0; i < 3; ++i) {
        tri.v[i] = vertex(p[i]);
        tri.n[i] = n[i];
        tri.uv[i] = uv[i];
    }
    if (tri.v[0] == tri.v[1] || tri.v[1] == tri.v[2] || tri.v[0] == tri.v[2]) return;  // degenerate
    tri.material = material;
    triangles_.push_back(tri);
}

void MeshBuilder::flatTriangle(int material, Vec3 a, Vec3 b, Vec3 c, TexCoord ta, TexCoord tb, TexCoord tc) {
    Vec3 n = normalize(cross(b - a, c - a));
    Vec3 p[3] = {a, b, c};
    Vec3 ns[3] = {n, n, n};
    TexCoord uv[3] = {ta, tb, tc};
    triangle(material, p, ns, uv);
}

void MeshBuilder::quad(int material, Vec3 a, Vec3 b, Vec3 c, Vec3 d, TexCoord ta, TexCoord tb, TexCoord tc,
                       TexCoord td) {
    Vec3 n = normalize(cross(c - a, d - b));
    Vec3 p1[3] = {a, b, c};
    Vec3 p2[3] = {a, c, d};
    Vec3 ns[3] = {n, n, n};
    TexCoord uv1[3] = {ta, tb, tc};
    TexCoord uv2[3] = {ta, tc, td};
    triangle(material, p1, ns, uv1);
    triangle(material, p2, ns, uv2);
}

void MeshBuilder::wall(int material, Vec3 a, Vec3 b, float height, float tileU, float tileV, float u0) {
    float len = length(b - a);
    float u1 = u0 + len / tileU;
    float v = height / tileV;
    Vec3 up{0, height, 0};
    // Seen from the front, a is bottom left: a, b, b+up, a+up counter-clockwise.
    quad(material, a, b, b + up, a + up, {u0, v}, {u1, v}, {u1, 0}, {u0, 0});
}

void MeshBuilder::box(int material, Vec3 lo, Vec3 hi, float tile, bool bottom) {
    box(material, material, lo, hi, tile, tile, bottom);
}

void MeshBuilder::box(int topMaterial, int sideMaterial, Vec3 lo, Vec3 hi, float tileU, float tileV,
                      bool bottom) {
    float h = hi.y - lo.y;
    Vec3 p00{lo.x, lo.y, lo.z}, p10{hi.x, lo.y, lo.z}, p11{hi.x, lo.y, hi.z}, p01{lo.x, lo.y, hi.z};
    // Sides, outward, counter-clockwise from outside.
    wall(sideMaterial, p01, p11, h, tileU, tileV);  // +z face
    wall(sideMaterial, p11, p10, h, tileU, tileV);  // +x face
    wall(sideMaterial, p10, p00, h, tileU, tileV);  // -z face
    wall(sideMaterial, p00, p01, h, tileU, tileV);  // -x face
    Vec3 up{0, h, 0};
    float su = (hi.x - lo.x) / tileU, sv = (hi.z - lo.z) / tileU;
    quad(topMaterial, p01 + up, p11 + up, p10 + up, p00 + up, {0, sv}, {su, sv}, {su, 0}, {0, 0});
    if (bottom) quad(topMaterial, p00, p10, p11, p01, {0, 0}, {su, 0}, {su, sv}, {0, sv});
}

void MeshBuilder::triangleVertices(int i, int out[3]) const {
    for (int k = 0; k < 3; ++k) out[k] = static_cast<int>(triangles_[i].v[k]);
}

bool MeshBuilder::build(Ms3dFile* out, std::string* error) const {
    if (positions_.size() > static_cast<size_t>(kMs3dMaxVertices)) {
        *error = "too many vertices (" + std::to_string(positions_.size()) + ")";
        return false;
    }
    if (triangles_.size() > static_cast<size_t>(kMs3dMaxTriangles)) {
        *error = "too many triangles";
        return false;
    }
    if (materials_.size() > static_cast<size_t>(kMs3dMaxMaterials)) {
        *error = "too many materials";
        return false;
    }
    out->vertices.clear();
    for (const Vec3& p : positions_) out->vertices.push_back(Ms3dVertex{{p.x, p.y, p.z}});
    out->materials.clear();
    for (const MaterialSpec& desc : materials_) {
        Ms3dMaterial m;
        m.name = desc.name;
        for (int i = 0; i < 3; ++i) {
            m.ambient[i] = 0.2f;
            m.diffuse[i] = desc.diffuse[i];
            m.specular[i] = 0.0f;
            m.emissive[i] = desc.emissive[i];
        }
        m.ambient[3] = m.diffuse[3] = m.specular[3] = m.emissive[3] = 1.0f;
        m.shininess = 0.0f;
        m.transparency = 1.0f;
        m.mode = desc.twoSided ? kMs3dTwoSided : 0;
        m.texture = desc.texture;
        out->materials.push_back(m);
    }
    // Triangles are written grouped by material so each group is a run.
    out->triangles.clear();
    out->groups.clear();
    for (size_t m = 0; m < materials_.size(); ++m) {
        Ms3dGroup group;
        group.name = materials_[m].name;
        group.material = static_cast<int8_t>(m);
        uint8_t groupIndex = static_cast<uint8_t>(out->groups.size() & 0xFF);
        for (const Tri& tri : triangles_) {
            if (tri.material != static_cast<int>(m)) continue;
            Ms3dTriangle t;
            for (int k = 0; k < 3; ++k) {
                t.vertices[k] = static_cast<uint16_t>(tri.v[k]);
                t.normals[k][0] = tri.n[k].x;
                t.normals[k][1] = tri.n[k].y;
                t.normals[k][2] = tri.n[k].z;
                t.s[k] = tri.uv[k].u;
                t.t[k] = tri.uv[k].v;
            }
            t.group = groupIndex;
            group.triangles.push_back(static_cast<uint16_t>(out->triangles.size()));
            out->triangles.push_back(t);
        }
        if (!group.triangles.empty()) out->groups.push_back(group);
    }
    return true;
}

bool writeMesh(const std::string& path, const MeshBuilder& mesh) {
    Ms3dFile file;
    std::string error;
    if (!mesh.build(&file, &error)) {
        std::fprintf(stderr, "korvask-content: %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    return writeMs3d(path, file);
}
