// Reads back the PNGs the headless tools write, for the tests that look at
// their pictures.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline uint32_t bigEndian(const std::string& s, size_t at) {
    return ((uint32_t)(uint8_t)s[at] << 24) | ((uint32_t)(uint8_t)s[at + 1] << 16) |
           ((uint32_t)(uint8_t)s[at + 2] << 8) | (uint32_t)(uint8_t)s[at + 3];
}

// Reads the PNGs korvask-shot writes: 8-bit RGB, one zlib stream of stored
// blocks, every row with filter 0. Anything else gives false.
inline bool readStoredPng(const std::string& path, int* width, int* height, std::vector<uint8_t>* rgb) {
    std::ifstream in(path, std::ios::binary);
    std::string s((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (s.size() < 8 || s.compare(1, 3, "PNG") != 0) return false;
    std::string idat;
    for (size_t at = 8; at + 12 <= s.size();) {
        const uint32_t length = bigEndian(s, at);
        if (at + 12 + length > s.size()) return false;
        const std::string type = s.substr(at + 4, 4);
        if (type == "IHDR") {
            *width = (int)bigEndian(s, at + 8);
            *height = (int)bigEndian(s, at + 12);
            if (s[at + 16] != 8 || s[at + 17] != 2) return false;
        } else if (type == "IDAT") {
            idat += s.substr(at + 8, length);
        }
        at += 12 + length;
    }
    std::string raw;
    for (size_t at = 2; at + 5 <= idat.size();) {
        const bool last = idat[at] & 1;
        if ((idat[at] & 6) != 0) return false;  // not a stored block
        const size_t length = (uint8_t)idat[at + 1] | ((size_t)(uint8_t)idat[at + 2] << 8);
        if (at + 5 + length > idat.size()) return false;
        raw += idat.substr(at + 5, length);
        at += 5 + length;
        if (last) break;
    }
    const size_t stride = (size_t)*width * 3 + 1;
    if (*width <= 0 || *height <= 0 || raw.size() != stride * (size_t)*height) return false;
    rgb->clear();
    for (int y = 0; y < *height; y++) {
        if (raw[y * stride] != 0) return false;
        rgb->insert(rgb->end(), raw.begin() + y * stride + 1, raw.begin() + (y + 1) * stride);
    }
    return true;
}
