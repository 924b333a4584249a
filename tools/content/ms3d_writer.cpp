// Writes MS3D version 4 files from in-memory records.
#include "content/ms3d_writer.h"

#include <cstdio>
#include <cstring>

#include "content/image_writer.h"

static void putU8(std::vector<uint8_t>& out, uint8_t value) {
    out.push_back(value);
}

static void putU16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

static void putU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>((value >> (8 * i)) & 0xFF));
}

static void putFloat(std::vector<uint8_t>& out, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    putU32(out, bits);
}

// A fixed-size, NUL-padded text field; the last byte always stays NUL.
static void putText(std::vector<uint8_t>& out, const std::string& text, size_t size) {
    for (size_t i = 0; i < size; ++i)
        out.push_back(i + 1 < size && i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
}

bool encodeMs3d(const Ms3dFile& model, std::vector<uint8_t>* out, std::string* error) {
    std::string dummy;
    std::string& why = error ? *error : dummy;
    if (model.vertices.size() > static_cast<size_t>(kMs3dMaxVertices)) {
        why = "too many vertices";
        return false;
    }
    if (model.triangles.size() > static_cast<size_t>(kMs3dMaxTriangles)) {
        why = "too many triangles";
        return false;
    }
    if (model.groups.size() > 65535) {
        why = "too many groups";
        return false;
    }
    if (model.materials.size() > static_cast<size_t>(kMs3dMaxMaterials)) {
        why = "too many materials";
        return false;
    }
    for (const Ms3dTriangle& triangle : model.triangles)
        for (uint16_t index : triangle.vertices)
            if (index >= model.vertices.size()) {
                why = "triangle names a missing vertex";
                return false;
            }
    for (const Ms3dGroup& group : model.groups) {
        if (group.material >= static_cast<int>(model.materials.size()) || group.material < -1) {
            why = "group names a missing material";
            return false;
        }
        for (uint16_t index : group.triangles)
            if (index >= model.triangles.size()) {
                why = "group names a missing triangle";
                return false;
            }
    }
    for (const Ms3dMaterial& material : model.materials)
        if (material.texture.size() >= 128) {
            why = "texture path longer than 127 bytes";
            return false;
        }

    std::vector<uint8_t>& bytes = *out;
    bytes.clear();
    bytes.reserve(64 + model.vertices.size() * 15 + model.triangles.size() * 70 +
                  model.materials.size() * 361);
    const char id[] = "MS3D000000";
    bytes.insert(bytes.end(), id, id + 10);
    putU32(bytes, 4);

    putU16(bytes, static_cast<uint16_t>(model.vertices.size()));
    for (const Ms3dVertex& vertex : model.vertices) {
        putU8(bytes, 0);
        for (float value : vertex.position) putFloat(bytes, value);
        putU8(bytes, 0xFF);  // no bone
        putU8(bytes, 0);
    }

    putU16(bytes, static_cast<uint16_t>(model.triangles.size()));
    for (const Ms3dTriangle& triangle : model.triangles) {
        putU16(bytes, 0);
        for (uint16_t index : triangle.vertices) putU16(bytes, index);
        for (const auto& normal : triangle.normals)
            for (float value : normal) putFloat(bytes, value);
        for (float value : triangle.s) putFloat(bytes, value);
        for (float value : triangle.t) putFloat(bytes, value);
        putU8(bytes, 1);
        putU8(bytes, triangle.group);
    }

    putU16(bytes, static_cast<uint16_t>(model.groups.size()));
    for (const Ms3dGroup& group : model.groups) {
        putU8(bytes, 0);
        putText(bytes, group.name, 32);
        putU16(bytes, static_cast<uint16_t>(group.triangles.size()));
        for (uint16_t index : group.triangles) putU16(bytes, index);
        putU8(bytes, static_cast<uint8_t>(group.material));
    }

    putU16(bytes, static_cast<uint16_t>(model.materials.size()));
    for (const Ms3dMaterial& material : model.materials) {
        putText(bytes, material.name, 32);
        for (float value : material.ambient) putFloat(bytes, value);
        for (float value : material.diffuse) putFloat(bytes, value);
        for (float value : material.specular) putFloat(bytes, value);
        for (float value : material.emissive) putFloat(bytes, value);
        putFloat(bytes, material.shininess);
        putFloat(bytes, material.transparency);
        putU8(bytes, material.mode);
        putText(bytes, material.texture, 128);
        putText(bytes, std::string(), 128);
    }

    // Static model: frame rate, current time and frame count, no joints.
    putFloat(bytes, 24.0f);
    putFloat(bytes, 0.0f);
    putU32(bytes, 1);
    putU16(bytes, 0);
    return true;
}

bool writeMs3d(const std::string& path, const Ms3dFile& model) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!encodeMs3d(model, &bytes, &error)) {
        std::fprintf(stderr, "korvask-content: %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    return writeFileBytes(path, bytes);
}
