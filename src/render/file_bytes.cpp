// Whole-file reads for the render module's readers.
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "render/render_local.h"

bool readFileBytes(const char* path, uint8_t** data, size_t* size) {
    *data = nullptr;
    *size = 0;
    FILE* file = platformOpenFile(path, "rb");
    if (!file) return false;
    // The length comes from the file system, and only a plain file has one
    // worth trusting: a folder in a model's place reports a length near 2^63.
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
        (uint64_t)info.st_size > kMaxReadFileBytes) {
        std::fclose(file);
        return false;
    }
    const size_t length = (size_t)info.st_size;
    uint8_t* buffer = (uint8_t*)std::malloc(length + 1);
    if (!buffer) {
        std::fclose(file);
        return false;
    }
    size_t got = std::fread(buffer, 1, length, file);
    std::fclose(file);
    if (got != length) {
        std::free(buffer);
        return false;
    }
    *data = buffer;
    *size = got;
    return true;
}

float readF32(const uint8_t* p) {
    uint32_t bits = readU32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
