// Byte builders for the reader tests: MS3D models, BMP and TGA files written
// field by field, so every test states exactly what its file holds.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;

inline void putU8(Bytes& b, uint32_t v) {
    b.push_back((uint8_t)v);
}
inline void putU16(Bytes& b, uint32_t v) {
    b.push_back((uint8_t)v);
    b.push_back((uint8_t)(v >> 8));
}
inline void putU32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; i++) b.push_back((uint8_t)(v >> (8 * i)));
}
inline void putF32(Bytes& b, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    putU32(b, v);
}
inline void setU16(Bytes& b, size_t at, uint32_t v) {
    b[at] = (uint8_t)v;
    b[at + 1] = (uint8_t)(v >> 8);
}
inline void setU32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++) b[at + i] = (uint8_t)(v >> (8 * i));
}

inline bool writeFile(const std::string& path, const Bytes& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

inline Bytes readFile(const std::string& path) {
    Bytes bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    uint8_t buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return bytes;
}

// ---------------------------------------------------------------------------
// MS3D

struct Ms3dVertex {
    float x, y, z;
    uint8_t bone;
};
struct Ms3dTriangle {
    uint16_t v[3];
    float normal[3][3];
    float s[3], t[3];
};
struct Ms3dGroup {
    std::vector<uint16_t> triangles;
    int8_t material;
};
struct Ms3dMaterial {
    float ambient[4], diffuse[4], specular[4], emissive[4];
    float shininess, transparency;
    std::string texture;  // up to 128 bytes, written without a NUL when 128
    uint8_t mode = 0;     // kMaterialTwoSided and the file's other mode bits
};

struct Ms3dFile {
    int32_t version = 4;
    std::vector<Ms3dVertex> vertices;
    std::vector<Ms3dTriangle> triangles;
    std::vector<Ms3dGroup> groups;
    std::vector<Ms3dMaterial> materials;
    bool trailer = true;  // animation fps, time, frames, joints after the materials

    // Offsets of the count fields in the bytes made by build().
    size_t vertexCountAt = 0, triangleCountAt = 0, groupCountAt = 0, materialCountAt = 0;
    std::vector<size_t> groupTriangleCountAt;
    size_t materialsEnd = 0;

    Bytes build() {
        Bytes b;
        const char* id = "MS3D000000";
        for (int i = 0; i < 10; i++) b.push_back((uint8_t)id[i]);
        putU32(b, (uint32_t)version);
        vertexCountAt = b.size();
        putU16(b, (uint32_t)vertices.size());
        for (const Ms3dVertex& v : vertices) {
            putU8(b, 0);
            putF32(b, v.x);
            putF32(b, v.y);
            putF32(b, v.z);
            putU8(b, v.bone);
            putU8(b, 1);
        }
        triangleCountAt = b.size();
        putU16(b, (uint32_t)triangles.size());
        for (const Ms3dTriangle& t : triangles) {
            putU16(b, 0);
            for (int c = 0; c < 3; c++) putU16(b, t.v[c]);
            for (int c = 0; c < 3; c++)
                for (int k = 0; k < 3; k++) putF32(b, t.normal[c][k]);
            for (int c = 0; c < 3; c++) putF32(b, t.s[c]);
            for (int c = 0; c < 3; c++) putF32(b, t.t[c]);
            putU8(b, 1);
            putU8(b, 0);
        }
        groupCountAt = b.size();
        putU16(b, (uint32_t)groups.size());
        groupTriangleCountAt.clear();
        for (const Ms3dGroup& g : groups) {
            putU8(b, 0);
            for (int i = 0; i < 32; i++) putU8(b, i < 5 ? "group"[i] : 0);
            groupTriangleCountAt.push_back(b.size());
            putU16(b, (uint32_t)g.triangles.size());
            for (uint16_t t : g.triangles) putU16(b, t);
            putU8(b, (uint8_t)g.material);
        }
        materialCountAt = b.size();
        putU16(b, (uint32_t)materials.size());
        for (const Ms3dMaterial& m : materials) {
            for (int i = 0; i < 32; i++) putU8(b, i < 3 ? "mat"[i] : 0);
            for (float f : m.ambient) putF32(b, f);
            for (float f : m.diffuse) putF32(b, f);
            for (float f : m.specular) putF32(b, f);
            for (float f : m.emissive) putF32(b, f);
            putF32(b, m.shininess);
            putF32(b, m.transparency);
            putU8(b, m.mode);
            for (size_t i = 0; i < 128; i++) putU8(b, i < m.texture.size() ? (uint8_t)m.texture[i] : 0);
            for (int i = 0; i < 128; i++) putU8(b, 0);
        }
        materialsEnd = b.size();
        if (trailer) {
            putF32(b, 24.0f);
            putF32(b, 0.0f);
            putU32(b, 30);
            putU16(b, 0);
        }
        return b;
    }
};

inline Ms3dTriangle ms3dTriangle(uint16_t a, uint16_t b, uint16_t c) {
    Ms3dTriangle t = {};
    t.v[0] = a;
    t.v[1] = b;
    t.v[2] = c;
    for (int k = 0; k < 3; k++) {
        t.normal[k][1] = 1.0f;
        t.s[k] = 0.25f * (float)k;
        t.t[k] = 0.5f * (float)k;
    }
    return t;
}

inline Ms3dMaterial ms3dMaterial(const std::string& texture) {
    Ms3dMaterial m = {};
    for (int k = 0; k < 4; k++) {
        m.ambient[k] = 0.1f * (float)(k + 1);
        m.diffuse[k] = 0.2f * (float)(k + 1);
        m.specular[k] = 0.05f * (float)(k + 1);
        m.emissive[k] = 0.15f * (float)(k + 1);
    }
    m.shininess = 12.5f;
    m.transparency = 0.75f;
    m.texture = texture;
    return m;
}

// A quad of two triangles in one group with one material.
inline Ms3dFile ms3dQuad(const std::string& texture = "") {
    Ms3dFile f;
    f.vertices = {{0, 0, 0, 1}, {1, 0, 0, 2}, {1, 0, 1, 3}, {0, 0, 1, 4}};
    f.triangles = {ms3dTriangle(0, 1, 2), ms3dTriangle(0, 2, 3)};
    f.groups = {{{0, 1}, 0}};
    f.materials = {ms3dMaterial(texture)};
    return f;
}

// ---------------------------------------------------------------------------
// Images: a picture as rows of RGB, bottom row first (the readers' order).

struct Picture {
    int width, height;
    std::vector<uint8_t> rgb;  // width * height * 3
    const uint8_t* pixel(int x, int y) const { return &rgb[((size_t)y * width + x) * 3]; }
};

// Colours whose channels are 0 or 255 survive every depth exactly, 555 and
// 565 included; eight of them fill a 16-entry palette.
inline Picture testPicture(int width, int height, int colours = 8) {
    Picture p{width, height, {}};
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            int c = (x * 3 + y * 5 + x * y) % colours;
            p.rgb.push_back((c & 1) ? 255 : 0);
            p.rgb.push_back((c & 2) ? 255 : 0);
            p.rgb.push_back((c & 4) ? 255 : 0);
        }
    return p;
}

inline int paletteIndex(const uint8_t* rgb) {
    return (rgb[0] ? 1 : 0) | (rgb[1] ? 2 : 0) | (rgb[2] ? 4 : 0);
}

struct BmpOptions {
    int bits = 24;
    uint32_t compression = 0;  // 0 none, 1 RLE8, 2 RLE4, 3 bit fields
    bool fileHeader = true;
    bool coreHeader = false;
    bool topDown = false;
    uint32_t masks[3] = {0, 0, 0};  // for bit fields
};

inline uint32_t packMasked(const uint8_t* rgb, const uint32_t masks[3]) {
    uint32_t v = 0;
    for (int c = 0; c < 3; c++) {
        uint32_t m = masks[c];
        if (!m) continue;
        int shift = 0;
        while (!((m >> shift) & 1)) shift++;
        uint64_t max = m >> shift;
        uint64_t value = ((uint64_t)rgb[c] * max + 127) / 255;
        v |= (uint32_t)(value << shift);
    }
    return v;
}

// Run-length encodes one row of palette indices: runs of equal pixels as
// encoded runs, everything else as absolute runs, so both kinds occur.
inline void rleRow(Bytes& out, const std::vector<int>& idx, bool rle4) {
    size_t i = 0;
    while (i < idx.size()) {
        size_t run = 1;
        while (i + run < idx.size() && idx[i + run] == idx[i] && run < 255) run++;
        if (run >= 2 || idx.size() - i < 3) {
            putU8(out, (uint32_t)run);
            putU8(out, rle4 ? (uint32_t)(idx[i] << 4 | idx[i]) : (uint32_t)idx[i]);
            i += run;
            continue;
        }
        size_t n = 3;
        while (i + n < idx.size() && n < 255 && !(i + n + 1 < idx.size() && idx[i + n] == idx[i + n + 1]))
            n++;
        putU8(out, 0);
        putU8(out, (uint32_t)n);
        size_t bytes = rle4 ? (n + 1) / 2 : n;
        for (size_t k = 0; k < bytes; k++) {
            if (rle4) {
                int hi = idx[i + 2 * k], lo = 2 * k + 1 < n ? idx[i + 2 * k + 1] : 0;
                putU8(out, (uint32_t)(hi << 4 | lo));
            } else {
                putU8(out, (uint32_t)idx[i + k]);
            }
        }
        if (bytes & 1) putU8(out, 0);
        i += n;
    }
}

// A BMP of the picture (palette = the eight 0/255 colours in index order).
inline Bytes makeBmp(const Picture& p, const BmpOptions& o) {
    Bytes pixels;
    bool indexed = o.bits <= 8;
    int paletteColours = indexed ? (o.bits == 1 ? 2 : 8) : 0;
    if (o.compression == 1 || o.compression == 2) {
        for (int r = 0; r < p.height; r++) {
            std::vector<int> idx;
            for (int x = 0; x < p.width; x++) idx.push_back(paletteIndex(p.pixel(x, r)));
            rleRow(pixels, idx, o.compression == 2);
            putU8(pixels, 0);
            putU8(pixels, 0);
        }
        putU8(pixels, 0);
        putU8(pixels, 1);
    } else {
        size_t stride = ((size_t)p.width * o.bits + 31) / 32 * 4;
        for (int r = 0; r < p.height; r++) {
            int y = o.topDown ? p.height - 1 - r : r;
            Bytes row(stride, 0);
            for (int x = 0; x < p.width; x++) {
                const uint8_t* c = p.pixel(x, y);
                if (indexed) {
                    int index = o.bits == 1 ? (c[0] ? 1 : 0) : paletteIndex(c);
                    size_t bit = (size_t)x * o.bits;
                    row[bit / 8] |= (uint8_t)(index << (8 - o.bits - bit % 8));
                } else if (o.bits == 24) {
                    row[x * 3] = c[2];
                    row[x * 3 + 1] = c[1];
                    row[x * 3 + 2] = c[0];
                } else {
                    uint32_t masks555[3] = {0x7C00, 0x03E0, 0x001F};
                    uint32_t masks888[3] = {0xFF0000, 0xFF00, 0xFF};
                    const uint32_t* m = o.compression == 3 ? o.masks : (o.bits == 16 ? masks555 : masks888);
                    uint32_t v = packMasked(c, m);
                    for (int k = 0; k < o.bits / 8; k++)
                        row[(size_t)x * (o.bits / 8) + k] = (uint8_t)(v >> (8 * k));
                }
            }
            pixels.insert(pixels.end(), row.begin(), row.end());
        }
    }
    Bytes info;
    if (o.coreHeader) {
        putU32(info, 12);
        putU16(info, (uint32_t)p.width);
        putU16(info, (uint32_t)p.height);
        putU16(info, 1);
        putU16(info, (uint32_t)o.bits);
        // Core palettes always hold 2^bits entries.
        for (int i = 0; i < (indexed ? 1 << o.bits : 0); i++) {
            int c = o.bits == 1 ? (i ? 1 : 0) : i;
            putU8(info, (c & 4) ? 255 : 0);
            putU8(info, (c & 2) ? 255 : 0);
            putU8(info, (c & 1) ? 255 : 0);
        }
    } else {
        putU32(info, 40);
        putU32(info, (uint32_t)p.width);
        putU32(info, (uint32_t)(o.topDown ? -p.height : p.height));
        putU16(info, 1);
        putU16(info, (uint32_t)o.bits);
        putU32(info, o.compression);
        putU32(info, (uint32_t)pixels.size());
        putU32(info, 2835);
        putU32(info, 2835);
        putU32(info, (uint32_t)paletteColours);
        putU32(info, 0);
        if (o.compression == 3)
            for (uint32_t m : o.masks) putU32(info, m);
        for (int i = 0; i < paletteColours; i++) {
            putU8(info, (i & 4) ? 255 : 0);
            putU8(info, (i & 2) ? 255 : 0);
            putU8(info, (i & 1) ? 255 : 0);
            putU8(info, 0);
        }
    }
    Bytes file;
    if (o.fileHeader) {
        putU8(file, 'B');
        putU8(file, 'M');
        putU32(file, (uint32_t)(14 + info.size() + pixels.size()));
        putU32(file, 0);
        putU32(file, (uint32_t)(14 + info.size()));
    }
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

// An uncompressed TGA with the fixed header; pixels given R G B (A), written
// B G R (A) as the format stores them.
inline Bytes makeTga(int width, int height, int bits, const std::vector<uint8_t>& pixels, uint8_t type = 2) {
    Bytes b = {0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    putU16(b, (uint32_t)width);
    putU16(b, (uint32_t)height);
    putU8(b, (uint32_t)bits);
    putU8(b, bits == 32 ? 8 : 0);
    int bpp = bits / 8;
    for (size_t i = 0; i + bpp <= pixels.size(); i += bpp) {
        putU8(b, pixels[i + 2]);
        putU8(b, pixels[i + 1]);
        putU8(b, pixels[i]);
        if (bpp == 4) putU8(b, pixels[i + 3]);
    }
    return b;
}

// A scratch folder under /tmp, removed with its files by the destructor.
struct TempDir {
    std::string path;
    TempDir() {
        char name[] = "/tmp/korvask-render-XXXXXX";
        path = mkdtemp(name) ? name : "/tmp";
    }
    ~TempDir() {
        std::string command = "rm -rf '" + path + "'";
        if (path != "/tmp") (void)std::system(command.c_str());
    }
    std::string file(const std::string& name) const { return path + "/" + name; }
};
