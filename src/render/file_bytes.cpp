// Whole-file reads for the render module's readers.
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "render/render_local.h"

bool readFileBytes(const char* path, uint8_t** data, size_t* size) {
    *data = nullptr;
    *size = 0;
    FILE* file = platformOpenFile(path, "rb");
    if (!file) return false;
    // Seeking tells the length of a plain file; a stream that cannot seek is
    // not something the game reads.
    if (std::fseek(file, 0, SEEK_END) != 0) {
        std::fclose(file);
        return false;
    }
    long length = std::ftell(file);
    if (length < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return false;
    }
    uint8_t* buffer = (uint8_t*)std::malloc((size_t)length + 1);
    if (!buffer) {
        std::fclose(file);
        return false;
    }
    size_t got = std::fread(buffer, 1, (size_t)length, file);
    std::fclose(file);
    if (got != (size_t)length) {
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
