// Image files to GL textures, and the game's three texture tables.
#include <cstdio>
#include <cstdlib>
#include <type_traits>

#include "render/gl.h"
#include "render/render.h"
#include "render/render_local.h"

// The game's names for textures and display lists are GL's own.
static_assert(std::is_same<TextureId, GLuint>::value, "a TextureId is a GL texture name");
static_assert(std::is_same<DrawListId, GLuint>::value, "a DrawListId is a GL display list name");

GLuint gameTextures[kGameTextureCount];
GLuint startTextures[kStartTextureCount];
TgaImage tgaTextures[kTgaTextureCount];

namespace {

// The table entries in the order startTextures holds them.
constexpr int kStartTextureFiles[kStartTextureCount] = {kSplashTexture, kLoadingTexture, 0,
                                                        kStreetViewTexture};
static_assert(sizeof kStartTextureFiles / sizeof kStartTextureFiles[0] == kStartTextureCount,
              "one file per start-up texture");

bool readTga(const char* path, TgaPixels* out) {
    std::vector<uint8_t> bytes;
    *out = TgaPixels{0, 0, 0, nullptr};
    if (!platformReadFile(path, &bytes)) return false;
    return decodeTga(bytes.data(), bytes.size(), out);
}

GLenum tgaFormat(int bytesPerPixel) {
    return bytesPerPixel == 3 ? GL_RGB : GL_RGBA;
}

void texturePath(char* out, size_t outSize, int number, const char* extension) {
    std::snprintf(out, outSize, "base/textures/tex%02d.%s", number, extension);
}

// Reads every file first and creates textures only when all were read, so a
// table is either complete or absent. fileNumbers null: entry n is file n.
// With clampEdges every entry but repeatingEntry clamps; otherwise all keep
// GL's default repeat.
bool loadTable(GLuint* table, int count, const int* fileNumbers, bool clampEdges, int repeatingEntry) {
    DibImage* images[kGameTextureCount] = {};
    if (count > kGameTextureCount) return false;
    bool complete = true;
    for (int i = 0; i < count && complete; i++) {
        char path[64];
        texturePath(path, sizeof path, fileNumbers ? fileNumbers[i] : i, "bmp");
        images[i] = loadDibImage(path);
        complete = images[i] != nullptr;
    }
    if (complete) {
        glGenTextures(count, table);
        for (int i = 0; i < count; i++) {
            glBindTexture(GL_TEXTURE_2D, table[i]);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
            if (clampEdges) {
                GLint wrap = i == repeatingEntry ? GL_REPEAT : GL_CLAMP_TO_EDGE;
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
            }
            // Our rows are packed: width 5 has no padding to skip.
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            gluBuild2DMipmaps(GL_TEXTURE_2D, 3, images[i]->width, images[i]->height, GL_RGB, GL_UNSIGNED_BYTE,
                              images[i]->pixels);
        }
    }
    for (int i = 0; i < count; i++) freeDibImage(images[i]);
    return complete;
}

}  // namespace

GLuint loadBmpTexture(const char* path) {
    DibImage* image = loadDibImage(path);
    if (!image || !image->pixels) {
        freeDibImage(image);
        return 0;
    }
    GLuint texture;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // Packed rows: a width that is not a multiple of four has no padding.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, image->width, image->height, GL_RGB, GL_UNSIGNED_BYTE, image->pixels);
    freeDibImage(image);
    return texture;
}

// A new texture name, bound, with its filters and wrapping.
GLuint newBoundTexture(GLint minFilter, GLint magFilter, GLint wrapS, GLint wrapT) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrapS);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrapT);
    return texture;
}

GLuint loadTgaTexture(const char* path) {
    TgaPixels tga;
    if (!readTga(path, &tga)) return 0;
    GLenum format = tgaFormat(tga.bytesPerPixel);
    const GLuint texture = newBoundTexture(GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, static_cast<GLint>(format), tga.width, tga.height, format,
                      GL_UNSIGNED_BYTE, tga.pixels);
    std::free(tga.pixels);
    return texture;
}

bool TgaImage::load(const char* path, int filterMode) {
    TgaPixels tga;
    if (!readTga(path, &tga)) return false;
    // A record loaded again lets go of what it held.
    release(true);
    width = tga.width;
    height = tga.height;
    pixels = tga.pixels;
    bytesPerPixel = tga.bytesPerPixel;
    GLenum format = tgaFormat(bytesPerPixel);
    GLint minFilter = GL_LINEAR_MIPMAP_LINEAR, magFilter = GL_LINEAR;
    if (filterMode == 1) minFilter = GL_LINEAR;
    if (filterMode == 2) minFilter = magFilter = GL_NEAREST;
    texture = newBoundTexture(minFilter, magFilter, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, static_cast<GLint>(format), width, height, format, GL_UNSIGNED_BYTE,
                      pixels);
    return true;
}

void TgaImage::release(bool deleteTexture) {
    if (deleteTexture && texture != 0xFFFFFFFFu && texture != 0) {
        glDeleteTextures(1, &texture);
        texture = 0xFFFFFFFFu;
    }
    std::free(pixels);
    pixels = nullptr;
}

bool loadGameTextures() {
    // New names may reuse deleted ones: the overlay tiles found for the old
    // images must not be applied to the new.
    forgetOverlayTiles();
    // Only the cloud layer of the sky dome tiles; everything else clamps.
    return loadTable(gameTextures, kGameTextureCount, nullptr, true, kCloudTexture);
}

bool loadStartTextures() {
    return loadTable(startTextures, kStartTextureCount, kStartTextureFiles, false, -1);
}

void loadTgaTextures() {
    forgetOverlayTiles();
    for (int i = 0; i < kTgaTextureCount; i++) {
        char path[64];
        texturePath(path, sizeof path, i, "tga");
        tgaTextures[i].load(path, 0);
    }
}

void releaseTgaTextures() {
    forgetOverlayTiles();
    for (TgaImage& image : tgaTextures) image.release(true);
}
