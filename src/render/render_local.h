// Shared by the render module's own files only.
#pragma once

#include <cstddef>
#include <cstdint>

// Reads a whole file (a content path in either slash style) into a malloc'd
// buffer. False when it cannot be opened or read, is not a plain file or is
// larger than kMaxReadFileBytes; *data is then null. An
// empty file gives true with size 0 and a non-null one-byte buffer.
bool readFileBytes(const char* path, uint8_t** data, size_t* size);

// Bytes to allocate for a texture's packed pixels. The system's GLU, when
// gluBuild2DMipmaps resamples a side that is not a power of two (the 128 x 96
// garage poster, the 800 x 600 screens), reads a few bytes past the last
// pixel; one zeroed row and pixel more keeps those reads inside the block.
inline size_t texturePixelBlockBytes(size_t width, size_t height, size_t bytesPerPixel) {
    return (width * height + width + 1) * bytesPerPixel;
}

// Little-endian reads; the caller has checked the bounds.
inline uint16_t readU16(const uint8_t* p) {
    return (uint16_t)(p[0] | (p[1] << 8));
}
inline uint32_t readU32(const uint8_t* p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}
inline int32_t readI32(const uint8_t* p) {
    return (int32_t)readU32(p);
}
float readF32(const uint8_t* p);

// Fetches the seventeen shader-object and uniform entry points through
// resolve; false when any is missing. initRenderer passes the platform's
// resolver.
bool loadShaderEntryPoints(void* (*resolve)(const char*));
