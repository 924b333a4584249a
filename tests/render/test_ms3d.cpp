// MS3D loader: the fields it keeps, the files it refuses, and the flat list.
#include <gtest/gtest.h>

#include <memory>

#include "platform/scripted.h"
#include "render/render.h"
#include "render_fixtures.h"

namespace {

bool isEmpty(const Model& m) {
    return m.groupCount == 0 && m.materialCount == 0 && m.triangleCount == 0 && m.vertexCount == 0 &&
           !m.groups && !m.materials && !m.triangles && !m.vertices;
}

// Every index a loaded model holds points inside its arrays.
bool indicesInRange(const Model& m) {
    for (int i = 0; i < m.triangleCount; i++)
        for (int c = 0; c < 3; c++)
            if (m.triangles[i].vertexIndices[c] < 0 || m.triangles[i].vertexIndices[c] >= m.vertexCount)
                return false;
    for (int g = 0; g < m.groupCount; g++) {
        if (m.groups[g].materialIndex < -1 || m.groups[g].materialIndex >= m.materialCount) return false;
        for (int k = 0; k < m.groups[g].triangleCount; k++)
            if (m.groups[g].triangleIndices[k] < 0 || m.groups[g].triangleIndices[k] >= m.triangleCount)
                return false;
    }
    return true;
}

TEST(Ms3dLoad, KeepsEveryFieldItReads) {
    Ms3dFile file = ms3dQuad("base/textures/paint.bmp");
    file.triangles[1].t[0] = 0.0f;
    file.triangles[1].t[1] = 1.0f;
    file.triangles[1].t[2] = 0.25f;
    Bytes bytes = file.build();
    auto model = std::make_unique<Model>();
    ASSERT_TRUE(model->loadFromBytes(bytes.data(), bytes.size()));

    ASSERT_EQ(model->vertexCount, 4);
    EXPECT_EQ(model->vertices[2].position[0], 1.0f);
    EXPECT_EQ(model->vertices[2].position[2], 1.0f);
    EXPECT_EQ(model->vertices[3].boneIndex, 4);

    ASSERT_EQ(model->triangleCount, 2);
    const ModelTriangle& t = model->triangles[1];
    EXPECT_EQ(t.vertexIndices[0], 0);
    EXPECT_EQ(t.vertexIndices[1], 2);
    EXPECT_EQ(t.vertexIndices[2], 3);
    EXPECT_EQ(t.normals[2][1], 1.0f);
    EXPECT_EQ(t.s[2], 0.5f);
    // The file's t of 0 and 1 come out as 1 and 0.
    EXPECT_EQ(t.t[0], 1.0f);
    EXPECT_EQ(t.t[1], 0.0f);
    EXPECT_EQ(t.t[2], 0.75f);

    ASSERT_EQ(model->groupCount, 1);
    EXPECT_EQ(model->groups[0].materialIndex, 0);
    ASSERT_EQ(model->groups[0].triangleCount, 2);
    EXPECT_EQ(model->groups[0].triangleIndices[1], 1);

    ASSERT_EQ(model->materialCount, 1);
    const ModelMaterial& m = model->materials[0];
    EXPECT_FLOAT_EQ(m.ambient[3], 0.4f);
    EXPECT_FLOAT_EQ(m.diffuse[0], 0.2f);
    EXPECT_FLOAT_EQ(m.specular[1], 0.1f);
    EXPECT_FLOAT_EQ(m.emissive[2], 0.45f);
    EXPECT_EQ(m.shininess, 12.5f);
    EXPECT_EQ(m.transparency, 0.75f);
    EXPECT_EQ(m.texture, 0u);
    EXPECT_STREQ(m.textureFile, "base/textures/paint.bmp");
}

TEST(Ms3dLoad, VersionsThreeAndFourOnly) {
    for (int version : {2, 3, 4, 5, -1}) {
        Ms3dFile file = ms3dQuad();
        file.version = version;
        Bytes bytes = file.build();
        Model model;
        bool loaded = model.loadFromBytes(bytes.data(), bytes.size());
        EXPECT_EQ(loaded, version == 3 || version == 4) << version;
        if (!loaded) {
            EXPECT_TRUE(isEmpty(model));
        }
    }
    Bytes bytes = ms3dQuad().build();
    bytes[9] = '1';  // "MS3D000001"
    Model model;
    EXPECT_FALSE(model.loadFromBytes(bytes.data(), bytes.size()));
    EXPECT_TRUE(isEmpty(model));
}

TEST(Ms3dLoad, MaterialByteFfIsNoMaterialAndEndingAfterMaterialsIsWhole) {
    Ms3dFile file = ms3dQuad();
    file.groups[0].material = -1;
    file.materials.clear();
    file.trailer = false;
    Bytes bytes = file.build();
    ASSERT_EQ(bytes.size(), file.materialsEnd);
    Model model;
    ASSERT_TRUE(model.loadFromBytes(bytes.data(), bytes.size()));
    EXPECT_EQ(model.groups[0].materialIndex, -1);
    EXPECT_EQ(model.materialCount, 0);
    EXPECT_EQ(model.triangleCount, 2);
}

TEST(Ms3dLoad, TextureNameFillingItsFieldIsCutAtTheField) {
    Ms3dFile file = ms3dQuad(std::string(128, 'a'));
    Bytes bytes = file.build();
    Model model;
    ASSERT_TRUE(model.loadFromBytes(bytes.data(), bytes.size()));
    EXPECT_EQ(std::string(model.materials[0].textureFile), std::string(128, 'a'));
}

TEST(Ms3dLoad, OutOfRangeIndicesFailTheWholeModel) {
    Ms3dFile vertex = ms3dQuad();
    vertex.triangles[1].v[2] = 4;  // there are vertices 0..3
    Ms3dFile triangle = ms3dQuad();
    triangle.groups[0].triangles[1] = 2;  // triangles 0..1
    Ms3dFile material = ms3dQuad();
    material.groups[0].material = 1;  // material 0 only
    Ms3dFile negative = ms3dQuad();
    negative.groups[0].material = -2;
    for (Ms3dFile* file : {&vertex, &triangle, &material, &negative}) {
        Bytes bytes = file->build();
        Model model;
        EXPECT_FALSE(model.loadFromBytes(bytes.data(), bytes.size()));
        EXPECT_TRUE(isEmpty(model));
    }
}

TEST(Ms3dLoad, TruncatedAtEveryByteFailsCleanly) {
    Ms3dFile file = ms3dQuad("tex.bmp");
    file.groups.push_back({{1}, -1});
    Bytes bytes = file.build();
    for (size_t length = 0; length < bytes.size(); length++) {
        Bytes cut(bytes.begin(), bytes.begin() + length);
        Model model;
        bool loaded = model.loadFromBytes(cut.data(), cut.size());
        // Only the trailing animation section may be missing.
        EXPECT_EQ(loaded, length >= file.materialsEnd) << length;
        if (!loaded) {
            EXPECT_TRUE(isEmpty(model)) << length;
        }
    }
}

TEST(Ms3dLoad, CorruptCountsNeverReachOutsideTheFile) {
    Ms3dFile file = ms3dQuad("tex.bmp");
    file.groups.push_back({{1}, -1});
    Bytes bytes = file.build();
    std::vector<size_t> counts = {file.vertexCountAt, file.triangleCountAt, file.groupCountAt,
                                  file.materialCountAt};
    counts.insert(counts.end(), file.groupTriangleCountAt.begin(), file.groupTriangleCountAt.end());
    for (size_t at : counts) {
        for (uint32_t value : {0u, 1u, 2u, 3u, 5u, 255u, 256u, 0x7FFFu, 0xFFFFu}) {
            Bytes corrupt = bytes;
            setU16(corrupt, at, value);
            Model model;
            bool loaded = model.loadFromBytes(corrupt.data(), corrupt.size());
            if (loaded) {
                EXPECT_TRUE(indicesInRange(model)) << at << " " << value;
            } else {
                EXPECT_TRUE(isEmpty(model)) << at << " " << value;
            }
        }
    }
    // Every single byte of the file corrupted in turn, as a last net.
    for (size_t at = 0; at < bytes.size(); at++) {
        for (uint8_t value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
            Bytes corrupt = bytes;
            corrupt[at] = value;
            Model model;
            if (model.loadFromBytes(corrupt.data(), corrupt.size())) {
                EXPECT_TRUE(indicesInRange(model)) << at;
            }
        }
    }
}

TEST(Ms3dLoad, MissingFileLeavesAnEmptyModelAndReleaseRepeats) {
    Model model;
    EXPECT_FALSE(model.load("base/no/such/model.ms3d"));
    EXPECT_TRUE(isEmpty(model));

    TempDir dir;
    Bytes bytes = ms3dQuad("x.bmp").build();
    ASSERT_TRUE(writeFile(dir.file("quad.ms3d"), bytes));
    ASSERT_TRUE(model.load(dir.file("quad.ms3d").c_str()));
    EXPECT_EQ(model.triangleCount, 2);
    model.release();
    EXPECT_TRUE(isEmpty(model));
    model.release();
    EXPECT_TRUE(isEmpty(model));
}

TEST(Ms3dFlat, CopiesCornersGroupByGroup) {
    Ms3dFile file = ms3dQuad();
    file.materials.push_back(ms3dMaterial(""));
    // The second group is listed first in the file: order follows groups.
    file.groups = {{{1}, 1}, {{0}, -1}};
    Bytes bytes = file.build();
    auto model = std::make_unique<Model>();
    ASSERT_TRUE(model->loadFromBytes(bytes.data(), bytes.size()));
    model->buildFlatTriangles();
    ASSERT_EQ(model->flatTriangleCount, 2);
    const FlatTriangle& first = model->flatTriangles[0];
    EXPECT_EQ(first.materialIndex, 1);
    // Triangle 1 is (0, 2, 3): its third corner is vertex 3 at (0, 0, 1).
    EXPECT_EQ(first.corners[2].position[0], 0.0f);
    EXPECT_EQ(first.corners[2].position[2], 1.0f);
    EXPECT_EQ(first.corners[1].position[0], 1.0f);
    EXPECT_EQ(first.corners[1].s, 0.25f);
    EXPECT_EQ(first.corners[1].t, 0.5f);  // 1 - 0.5
    EXPECT_EQ(first.corners[2].t, 0.0f);  // 1 - 1
    EXPECT_EQ(first.corners[0].normal[1], 1.0f);
    EXPECT_EQ(model->flatTriangles[1].materialIndex, -1);
    EXPECT_EQ(model->flatTriangles[1].corners[1].position[0], 1.0f);
    EXPECT_EQ(model->flatTriangles[1].corners[1].position[2], 0.0f);
}

TEST(Ms3dFlat, StopsAtItsCapacity) {
    Ms3dFile file;
    file.vertices = {{0, 0, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}};
    Ms3dGroup group{{}, -1};
    for (int i = 0; i < kMaxFlatTriangles + 1000; i++) {
        Ms3dTriangle t = ms3dTriangle(0, 1, 2);
        t.s[0] = (float)i;
        file.triangles.push_back(t);
        group.triangles.push_back((uint16_t)i);
    }
    file.groups = {group};
    Bytes bytes = file.build();
    auto model = std::make_unique<Model>();
    ASSERT_TRUE(model->loadFromBytes(bytes.data(), bytes.size()));
    model->buildFlatTriangles();
    EXPECT_EQ(model->flatTriangleCount, kMaxFlatTriangles);
    EXPECT_EQ(model->flatTriangles[kMaxFlatTriangles - 1].corners[0].s, (float)(kMaxFlatTriangles - 1));
}

// Which reader a material's name goes to is visible without GL: the BMP path
// reports a file it cannot read in a message box, the TGA path stays silent.
TEST(Ms3dTextures, TgaTestIsCaseSensitiveAndEmptyNamesLoadNothing) {
    scriptedReset();
    TempDir dir;
    Bytes tga = makeTga(1, 1, 24, {1, 2, 3});
    Bytes bmp = {'B', 'M', 1, 2};  // exists, but not a bitmap
    ASSERT_TRUE(writeFile(dir.file("a.TGA"), tga));
    ASSERT_TRUE(writeFile(dir.file("b.tga.bmp"), bmp));
    Ms3dFile file = ms3dQuad();
    file.materials = {ms3dMaterial(dir.file("a.TGA")), ms3dMaterial(dir.file("b.tga.bmp")), ms3dMaterial("")};
    Bytes bytes = file.build();
    auto model = std::make_unique<Model>();
    ASSERT_TRUE(model->loadFromBytes(bytes.data(), bytes.size()));
    model->loadTextures();
    for (int i = 0; i < 3; i++) EXPECT_EQ(model->materials[i].texture, 0u);
    // Only "a.TGA" went through the BMP reader.
    ASSERT_EQ(scriptedMessageBoxes().size(), 1u);
    EXPECT_EQ(scriptedMessageBoxes()[0].text, "Unknown DIB file format.");
    EXPECT_EQ(scriptedMessageBoxes()[0].caption, "Error");
}

}  // namespace
