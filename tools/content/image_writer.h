// Image records and the writers that turn them into BMP, TGA and PNG files.
//
// An Image holds 8-bit channels, rows top-down (row 0 is the top of the picture,
// the way every 2-D drawing helper thinks). The writers turn that into each
// format's own row order. Every writer is byte-for-byte deterministic: the same
// image always gives the same file, so generated content can be compared by hash.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Image {
    int width = 0;
    int height = 0;
    int channels = 0;             // 3 (RGB) or 4 (RGBA)
    std::vector<uint8_t> pixels;  // width * height * channels, rows top-down
};

// A width x height image with every pixel set to the given colour.
Image makeImage(int width, int height, int channels, uint8_t r = 0, uint8_t g = 0, uint8_t b = 0,
                uint8_t a = 255);
inline uint8_t* imagePixel(Image& image, int x, int y) {
    return &image.pixels[(static_cast<size_t>(y) * image.width + x) * image.channels];
}
inline const uint8_t* imagePixel(const Image& image, int x, int y) {
    return &image.pixels[(static_cast<size_t>(y) * image.width + x) * image.channels];
}

// 24-bit BMP with the 14-byte file header and the 40-byte info header, rows
// bottom-up and padded to four bytes. Alpha, if any, is dropped.
std::vector<uint8_t> encodeBmp(const Image& image);
// Uncompressed true-colour TGA (type 2), bottom-up rows: 24-bit for RGB images,
// 32-bit with 8 alpha bits for RGBA images.
std::vector<uint8_t> encodeTga(const Image& image);
// PNG, 8-bit RGB or RGBA, with stored (uncompressed) deflate blocks: large but
// simple, and only meant for previews and contact sheets.
std::vector<uint8_t> encodePng(const Image& image);

// The same, written to a file. False (after printing why on stderr) on failure.
bool writeBmp(const std::string& path, const Image& image);
bool writeTga(const std::string& path, const Image& image);
bool writePng(const std::string& path, const Image& image);

// Writes bytes to a file, false with a message on stderr when it cannot.
bool writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// Creates a folder and its parents; true when it exists afterwards.
bool makeDirectories(const std::string& path);

// CRC-32 (the PNG / zip polynomial) of a byte range; exposed for the tests.
uint32_t crc32Bytes(const uint8_t* data, size_t size, uint32_t crc = 0);
