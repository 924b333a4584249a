// MS3D model files: the bounded loader, material textures and the flat list.
#include <cstdlib>
#include <cstring>
#include <new>

#include "render/gl.h"
#include "render/render.h"
#include "render/render_local.h"

namespace {

// Record sizes of the sections the loader reads.
constexpr size_t kHeaderBytes = 14;     // id and version
constexpr size_t kVertexBytes = 15;     // flags, position, bone, references
constexpr size_t kTriangleBytes = 70;   // flags, indices, normals, s, t, smoothing, group
constexpr size_t kGroupHeadBytes = 35;  // flags, name, triangle count
constexpr size_t kMaterialBytes = 361;  // names, colours, shininess, ..., two file names
constexpr size_t kTextureNameOffset = 105;
constexpr size_t kTextureNameBytes = 128;

// A moving read position that refuses to step past the end of the file.
struct Reader {
    const uint8_t* data;
    size_t size;
    size_t pos;

    bool has(size_t bytes) const { return bytes <= size - pos; }
    const uint8_t* take(size_t bytes) {
        const uint8_t* p = data + pos;
        pos += bytes;
        return p;
    }
};

bool readCount(Reader& in, int32_t* count) {
    if (!in.has(2)) return false;
    *count = readU16(in.take(2));
    return true;
}

bool readVertices(Reader& in, Model& model) {
    if (!readCount(in, &model.vertexCount)) return false;
    if (!in.has(static_cast<size_t>(model.vertexCount) * kVertexBytes)) return false;
    model.vertices = new (std::nothrow) ModelVertex[model.vertexCount > 0 ? model.vertexCount : 1];
    if (!model.vertices) return false;
    for (int i = 0; i < model.vertexCount; i++) {
        const uint8_t* record = in.take(kVertexBytes);
        ModelVertex& vertex = model.vertices[i];
        for (int k = 0; k < 3; k++) vertex.position[k] = readF32(record + 1 + 4 * k);
        vertex.boneIndex = record[13];
    }
    return true;
}

bool readTriangles(Reader& in, Model& model) {
    if (!readCount(in, &model.triangleCount)) return false;
    if (!in.has(static_cast<size_t>(model.triangleCount) * kTriangleBytes)) return false;
    model.triangles = new (std::nothrow) ModelTriangle[model.triangleCount > 0 ? model.triangleCount : 1];
    if (!model.triangles) return false;
    for (int i = 0; i < model.triangleCount; i++) {
        const uint8_t* record = in.take(kTriangleBytes);
        ModelTriangle& triangle = model.triangles[i];
        for (int c = 0; c < 3; c++) {
            triangle.vertexIndices[c] = readU16(record + 2 + 2 * c);
            // A corner naming a vertex the file does not have would send
            // drawing and the physics mesh outside the vertex array.
            if (triangle.vertexIndices[c] >= model.vertexCount) return false;
            for (int k = 0; k < 3; k++) triangle.normals[c][k] = readF32(record + 8 + 12 * c + 4 * k);
            triangle.s[c] = readF32(record + 44 + 4 * c);
            triangle.t[c] = 1.0f - readF32(record + 56 + 4 * c);
        }
    }
    return true;
}

bool readGroups(Reader& in, Model& model) {
    if (!readCount(in, &model.groupCount)) return false;
    // Each group takes at least its head and material byte: a count the
    // file cannot hold is refused before anything is allocated for it.
    if (!in.has(static_cast<size_t>(model.groupCount) * (kGroupHeadBytes + 1))) return false;
    model.groups = new (std::nothrow) ModelGroup[model.groupCount > 0 ? model.groupCount : 1];
    if (!model.groups) return false;
    // Every group starts empty, so a group cut short releases cleanly.
    for (int i = 0; i < model.groupCount; i++) model.groups[i] = ModelGroup{-1, 0, nullptr};
    for (int i = 0; i < model.groupCount; i++) {
        ModelGroup& group = model.groups[i];
        if (!in.has(kGroupHeadBytes)) return false;
        int32_t count = readU16(in.take(kGroupHeadBytes) + 33);
        if (!in.has(static_cast<size_t>(count) * 2 + 1)) return false;
        group.triangleIndices = static_cast<int32_t*>(std::malloc(sizeof(int32_t) * (count > 0 ? count : 1)));
        if (!group.triangleIndices) return false;
        group.triangleCount = count;
        const uint8_t* indices = in.take(static_cast<size_t>(count) * 2);
        for (int k = 0; k < count; k++) {
            group.triangleIndices[k] = readU16(indices + 2 * k);
            if (group.triangleIndices[k] >= model.triangleCount) return false;
        }
        // A signed byte: -1 is "no material".
        group.materialIndex = static_cast<int8_t>(in.take(1)[0]);  // NOLINT(bugprone-signed-char-misuse)
    }
    return true;
}

bool readMaterials(Reader& in, Model& model) {
    if (!readCount(in, &model.materialCount)) return false;
    if (!in.has(static_cast<size_t>(model.materialCount) * kMaterialBytes)) return false;
    model.materials = new (std::nothrow) ModelMaterial[model.materialCount > 0 ? model.materialCount : 1];
    if (!model.materials) return false;
    for (int i = 0; i < model.materialCount; i++) {
        model.materials[i].texture = 0;
        model.materials[i].textureFile = nullptr;
    }
    for (int i = 0; i < model.materialCount; i++) {
        const uint8_t* record = in.take(kMaterialBytes);
        ModelMaterial& material = model.materials[i];
        for (int k = 0; k < 4; k++) {
            material.ambient[k] = readF32(record + 32 + 4 * k);
            material.diffuse[k] = readF32(record + 48 + 4 * k);
            material.specular[k] = readF32(record + 64 + 4 * k);
            material.emissive[k] = readF32(record + 80 + 4 * k);
        }
        material.shininess = readF32(record + 96);
        material.transparency = readF32(record + 100);
        material.twoSided = (record[104] & kMaterialTwoSided) != 0;
        material.texture = 0;
        // The name field need not hold a NUL: take at most its 128 bytes.
        const char* name = reinterpret_cast<const char*>(record + kTextureNameOffset);
        size_t length = strnlen(name, kTextureNameBytes);
        material.textureFile = static_cast<char*>(std::malloc(length + 1));
        if (!material.textureFile) return false;
        std::memcpy(material.textureFile, name, length);
        material.textureFile[length] = '\0';
    }
    return true;
}

}  // namespace

Model::Model()
    : flatTriangles(),
      flatTriangleCount(0),
      groupCount(0),
      groups(nullptr),
      materialCount(0),
      materials(nullptr),
      triangleCount(0),
      triangles(nullptr),
      vertexCount(0),
      vertices(nullptr),
      drawList(0),
      culledList(0),
      boundsKnown(false),
      boundsLo(),
      boundsHi(),
      chunks(nullptr) {}

Model::~Model() {
    release();
}

bool Model::load(const char* path) {
    std::vector<uint8_t> bytes;
    if (!platformReadFile(path, &bytes)) return false;
    return loadFromBytes(bytes.data(), bytes.size());
}

bool Model::loadFromBytes(const uint8_t* data, size_t size) {
    release();
    if (size < kHeaderBytes || std::memcmp(data, "MS3D000000", 10) != 0) return false;
    int32_t version = readI32(data + 10);
    if (version != 3 && version != 4) return false;
    Reader in{data, size, kHeaderBytes};
    // Everything after the materials (animation, joints, comments) is left
    // unread: the game's models are static.
    if (readVertices(in, *this) && readTriangles(in, *this) && readGroups(in, *this) &&
        readMaterials(in, *this)) {
        bool materialsInRange = true;
        for (int i = 0; i < groupCount; i++) {
            int32_t material = groups[i].materialIndex;
            if (material < -1 || material >= materialCount) materialsInRange = false;
        }
        if (materialsInRange) return true;
    }
    // A file shorter than its counts, or one naming a vertex, triangle or
    // material it does not have, is refused whole: half a model is no use.
    release();
    return false;
}

void Model::loadTextures() {
    for (int i = 0; i < materialCount; i++) {
        ModelMaterial& material = materials[i];
        material.texture = 0;
        if (!material.textureFile || material.textureFile[0] == '\0') continue;
        // Case-sensitive on purpose: "X.TGA" goes through the BMP reader.
        if (std::strstr(material.textureFile, ".tga"))
            material.texture = loadTgaTexture(material.textureFile);
        else
            material.texture = loadBmpTexture(material.textureFile);
    }
}

void Model::buildFlatTriangles() {
    int index = 0;
    for (int g = 0; g < groupCount; g++) {
        const ModelGroup& group = groups[g];
        for (int k = 0; k < group.triangleCount; k++) {
            // A lamp model with more triangles than the list holds keeps the
            // first kMaxFlatTriangles lamps.
            if (index >= kMaxFlatTriangles) {
                flatTriangleCount = index;
                return;
            }
            const ModelTriangle& triangle = triangles[group.triangleIndices[k]];
            FlatTriangle& flat = flatTriangles[index];
            flat.materialIndex = group.materialIndex;
            for (int c = 0; c < 3; c++) {
                FlatCorner& corner = flat.corners[c];
                const ModelVertex& vertex = vertices[triangle.vertexIndices[c]];
                for (int a = 0; a < 3; a++) {
                    corner.position[a] = vertex.position[a];
                    corner.normal[a] = triangle.normals[c][a];
                }
                corner.s = triangle.s[c];
                corner.t = triangle.t[c];
            }
            index++;
        }
    }
    flatTriangleCount = index;
}

void Model::release() {
    // A list exists only if the model was drawn, so a context was current.
    if (drawList != 0) glDeleteLists(drawList, 1);
    drawList = 0;
    if (culledList != 0) glDeleteLists(culledList, 1);
    culledList = 0;
    releaseModelChunks(this);
    if (groups) {
        for (int i = 0; i < groupCount; i++) std::free(groups[i].triangleIndices);
        delete[] groups;
    }
    if (materials) {
        for (int i = 0; i < materialCount; i++) {
            // Name 0 would be ignored by GL anyway; skipping it also keeps a
            // model that never had a context from touching GL.
            if (materials[i].texture != 0) glDeleteTextures(1, &materials[i].texture);
            std::free(materials[i].textureFile);
        }
        delete[] materials;
    }
    delete[] triangles;
    forgetModelBounds(this);
    delete[] vertices;
    groups = nullptr;
    materials = nullptr;
    triangles = nullptr;
    vertices = nullptr;
    groupCount = materialCount = triangleCount = vertexCount = 0;
    flatTriangleCount = 0;
}
