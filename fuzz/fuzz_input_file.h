// For readers that take a path: each input is written to one scratch file
// per process and read back from there.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

inline const std::string& fuzzScratchPath(const char* extension) {
    static std::string path;
    if (path.empty()) {
        char folder[] = "/tmp/korvask-fuzz-XXXXXX";
        const char* made = mkdtemp(folder);
        path = std::string(made ? made : "/tmp") + "/input" + extension;
    }
    return path;
}

inline bool writeFuzzInput(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}
