// Builds and inspects save-file images independently of the game's encoder.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

inline std::vector<uint8_t> leIntegers(const std::vector<int32_t>& values) {
    std::vector<uint8_t> bytes;
    for (int32_t v : values) {
        uint32_t u = (uint32_t)v;
        for (int b = 0; b < 4; b++) {
            bytes.push_back((uint8_t)(u >> (8 * b)));
        }
    }
    return bytes;
}

inline std::vector<int32_t> readIntegers(const std::string& path) {
    std::vector<int32_t> values;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return values;
    }
    uint8_t b[4];
    while (std::fread(b, 1, 4, f) == 4) {
        values.push_back((int32_t)(b[0] | (b[1] << 8) | (b[2] << 16) | ((uint32_t)b[3] << 24)));
    }
    std::fclose(f);
    return values;
}

inline long fileSize(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return -1;
    }
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::fclose(f);
    return size;
}

inline bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    // An empty vector's data() may be null, which fwrite must not be given.
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}
