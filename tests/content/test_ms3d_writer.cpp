// The MS3D and waypoint writers and the mesh builder, read back with the
// game's own model loader and waypoint parser.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "content/mesh.h"
#include "content/ms3d_writer.h"
#include "content/waypoints.h"
#include "race/race.h"
#include "render/render.h"

static Ms3dMaterial plainMaterial(const std::string& name, const std::string& texture) {
    Ms3dMaterial m;
    m.name = name;
    for (int i = 0; i < 4; ++i) {
        m.ambient[i] = 0.1f * i;
        m.diffuse[i] = 0.2f * i;
        m.specular[i] = 0.05f * i;
        m.emissive[i] = 0.25f * i;
    }
    m.shininess = 7.0f;
    m.transparency = 0.5f;
    m.texture = texture;
    return m;
}

// Two triangles sharing an edge, two groups: one textured, one without
// material.
static Ms3dFile twoTriangles() {
    Ms3dFile f;
    f.vertices = {{{0, 0, 0}}, {{1, 0, 0}}, {{1, 2, 0}}, {{0, 2, -3}}};
    Ms3dTriangle a{}, b{};
    const uint16_t ia[3] = {0, 1, 2}, ib[3] = {0, 2, 3};
    for (int k = 0; k < 3; ++k) {
        a.vertices[k] = ia[k];
        b.vertices[k] = ib[k];
        for (int c = 0; c < 3; ++c) {
            a.normals[k][c] = static_cast<float>(k * 3 + c);
            b.normals[k][c] = -static_cast<float>(k * 3 + c);
        }
        a.s[k] = 0.1f * k;
        a.t[k] = 0.25f * k;  // file t: 0, 0.25, 0.5
        b.s[k] = 1.0f - 0.1f * k;
        b.t[k] = k == 0 ? 0.0f : 1.0f;
    }
    f.triangles = {a, b};
    f.groups.push_back(Ms3dGroup{"road", {0}, 0});
    f.groups.push_back(Ms3dGroup{"bare", {1}, -1});
    f.materials.push_back(plainMaterial("asphalt", "base/textures/city/asphalt.bmp"));
    return f;
}

TEST(Ms3dWriter, GameLoaderReadsBackEveryField) {
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(encodeMs3d(twoTriangles(), &bytes, &error)) << error;
    // Header, counts and fixed record sizes: 14 + 2 + 4*15 + 2 + 2*70 + 2 +
    // (1+32+2+2+1)*2 + 2 + 361, then the empty animation block (4+4+4+2).
    EXPECT_EQ(bytes.size(), 14u + 2 + 60 + 2 + 140 + 2 + 76 + 2 + 361 + 14);
    EXPECT_EQ(std::memcmp(bytes.data(), "MS3D000000", 10), 0);
    EXPECT_EQ(bytes[10], 4);

    std::unique_ptr<Model> model(new Model());
    ASSERT_TRUE(model->loadFromBytes(bytes.data(), bytes.size()));
    ASSERT_EQ(model->vertexCount, 4);
    ASSERT_EQ(model->triangleCount, 2);
    ASSERT_EQ(model->groupCount, 2);
    ASSERT_EQ(model->materialCount, 1);
    EXPECT_FLOAT_EQ(model->vertices[3].position[2], -3.0f);
    EXPECT_EQ(model->triangles[1].vertexIndices[2], 3);
    EXPECT_FLOAT_EQ(model->triangles[0].normals[2][1], 7.0f);
    EXPECT_FLOAT_EQ(model->triangles[1].s[2], 0.8f);
    // The loader flips t: the file's 0.25 becomes 0.75.
    EXPECT_FLOAT_EQ(model->triangles[0].t[1], 0.75f);
    EXPECT_FLOAT_EQ(model->triangles[1].t[0], 1.0f);
    EXPECT_EQ(model->groups[0].materialIndex, 0);
    EXPECT_EQ(model->groups[1].materialIndex, -1);
    EXPECT_EQ(model->groups[1].triangleIndices[0], 1);
    EXPECT_FLOAT_EQ(model->materials[0].emissive[3], 0.75f);
    EXPECT_FLOAT_EQ(model->materials[0].shininess, 7.0f);
    EXPECT_STREQ(model->materials[0].textureFile, "base/textures/city/asphalt.bmp");
}

TEST(Ms3dWriter, RefusesWhatTheFormatCannotHold) {
    std::vector<uint8_t> bytes;
    std::string error;
    Ms3dFile f = twoTriangles();
    f.triangles[0].vertices[1] = 4;  // no such vertex
    EXPECT_FALSE(encodeMs3d(f, &bytes, &error));
    f = twoTriangles();
    f.groups[0].material = 1;  // no such material
    EXPECT_FALSE(encodeMs3d(f, &bytes, &error));
    f = twoTriangles();
    f.materials[0].texture.assign(128, 'x');  // no room for the terminator
    EXPECT_FALSE(encodeMs3d(f, &bytes, &error));
    f = twoTriangles();
    f.vertices.resize(65536, Ms3dVertex{{0, 0, 0}});
    EXPECT_FALSE(encodeMs3d(f, &bytes, &error));
    f = twoTriangles();
    f.materials.resize(128, plainMaterial("m", ""));
    EXPECT_FALSE(encodeMs3d(f, &bytes, &error));
    f.materials.resize(127);
    EXPECT_TRUE(encodeMs3d(f, &bytes, &error)) << error;
}

TEST(MeshBuilder, SharesPositionsAndGroupsByMaterial) {
    MeshBuilder mesh;
    int stone = mesh.material("stone", "base/a.bmp");
    int glass = mesh.material("glass", "base/b.bmp");
    EXPECT_EQ(mesh.material("stone", "ignored"), stone);
    mesh.box(stone, {0, 0, 0}, {1, 2, 3}, 1.0f, true);
    EXPECT_EQ(mesh.vertexCount(), 8);  // a closed box has eight corners
    EXPECT_EQ(mesh.triangleCount(), 12);
    mesh.quad(glass, {0, 2, 0}, {1, 2, 0}, {1, 3, 0}, {0, 3, 0}, {0, 0}, {1, 0}, {1, 1}, {0, 1});
    EXPECT_EQ(mesh.vertexCount(), 10);  // two new corners, two shared with the box top
    Ms3dFile f;
    std::string error;
    ASSERT_TRUE(mesh.build(&f, &error)) << error;
    ASSERT_EQ(f.groups.size(), 2u);
    EXPECT_EQ(f.groups[0].triangles.size(), 12u);
    EXPECT_EQ(f.groups[1].material, glass);
    // Every box face's normal points away from the box centre.
    for (uint16_t t : f.groups[0].triangles) {
        const Ms3dTriangle& tri = f.triangles[t];
        Vec3 c{0, 0, 0};
        for (int k = 0; k < 3; ++k) {
            const float* p = f.vertices[tri.vertices[k]].position;
            c = c + Vec3{p[0], p[1], p[2]} * (1.0f / 3.0f);
        }
        Vec3 n{tri.normals[0][0], tri.normals[0][1], tri.normals[0][2]};
        EXPECT_GT(dot(n, c - Vec3{0.5f, 1.0f, 1.5f}), 0.0f);
    }
}

TEST(MeshBuilder, RefusesMoreVerticesThanSixteenBitsCount) {
    MeshBuilder mesh;
    int m = mesh.material("m", "");
    // 33,000 separate quads: 132,000 corners, none shared.
    for (int i = 0; i < 33000; ++i) {
        float x = static_cast<float>(i) * 3.0f;
        mesh.quad(m, {x, 0, 0}, {x + 1, 0, 0}, {x + 1, 0, 1}, {x, 0, 1}, {0, 0}, {1, 0}, {1, 1}, {0, 1});
    }
    Ms3dFile f;
    std::string error;
    EXPECT_FALSE(mesh.build(&f, &error));
}

TEST(Waypoints, GameParserReadsTheWrittenFile) {
    std::vector<Waypoint> points = {
        {-12, -4, -160, 10, 1}, {400, 2, -7, 15, 2}, {-2147483647, 0, 2147483647, 0, 0}};
    std::vector<unsigned char> bytes = encodeWaypoints(points);
    ASSERT_EQ(bytes.size(), 4u + 20 * 3);
    parseWaypoints(bytes.data(), bytes.size());
    ASSERT_EQ(session.checkpointCount, 3);
    EXPECT_FLOAT_EQ(session.checkpoints[0].x, -12.0f);
    EXPECT_FLOAT_EQ(session.checkpoints[0].z, -160.0f);
    EXPECT_FLOAT_EQ(session.checkpoints[1].w, 15.0f);
    EXPECT_EQ(session.checkpoints[1].tag, 2);
    EXPECT_FLOAT_EQ(session.checkpoints[2].z, 2147483647.0f);
    std::vector<Waypoint> back;
    ASSERT_TRUE(decodeWaypoints(bytes, &back));
    EXPECT_EQ(back[2].x, -2147483647);
    bytes.pop_back();
    EXPECT_FALSE(decodeWaypoints(bytes, &back));
    std::vector<Waypoint> tooMany(kMaxWaypoints + 1, Waypoint{0, 0, 0, 0, 0});
    EXPECT_FALSE(writeWaypoints("/nonexistent-dir/level.ai", tooMany));
}
