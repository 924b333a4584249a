// MS3D model records and the writer that turns them into version 4 files.
//
// Only the sections the game reads are written (vertices, triangles, groups,
// materials) followed by an empty animation header, which is what a modelling
// tool leaves for a static model. Counts are 16-bit and a group's material a
// signed byte, so a model holds at most 65,535 vertices and triangles and 127
// materials; encodeMs3d refuses anything larger instead of wrapping.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int kMs3dMaxVertices = 65535;
constexpr int kMs3dMaxTriangles = 65535;
constexpr int kMs3dMaxMaterials = 127;

struct Ms3dVertex {
    float position[3];
};

struct Ms3dTriangle {
    uint16_t vertices[3];
    float normals[3][3];  // per corner
    float s[3];
    float t[3];  // as the file stores it: 0 is the top row of the image
    uint8_t group;
};

struct Ms3dGroup {
    std::string name;  // at most 31 characters are kept
    std::vector<uint16_t> triangles;
    int8_t material;  // -1: none
};

// Material mode bit: the surfaces are seen from both sides, so the game
// draws them without back-face culling.
constexpr uint8_t kMs3dTwoSided = 0x80;

struct Ms3dMaterial {
    std::string name;
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float emissive[4];
    float shininess;
    float transparency;
    std::string texture;  // path relative to the game's working directory, < 128 bytes
    uint8_t mode = 0;     // kMs3dTwoSided and the format's own bits
};

struct Ms3dFile {
    std::vector<Ms3dVertex> vertices;
    std::vector<Ms3dTriangle> triangles;
    std::vector<Ms3dGroup> groups;
    std::vector<Ms3dMaterial> materials;
};

// The file's bytes; false (with the reason in *error) when a count, index or
// name does not fit the format.
bool encodeMs3d(const Ms3dFile& model, std::vector<uint8_t>* out, std::string* error);
// Encodes and writes; false with a message on stderr on failure.
bool writeMs3d(const std::string& path, const Ms3dFile& model);
