// Shader sources: read whole as text for the GL compiler.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz_input_file.h"
#include "render/render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = fuzzScratchPath(".glsl");
    if (!writeFuzzInput(path, data, size)) return 0;
    char* text = readShaderSource(path.c_str());
    if (!text) __builtin_trap();
    // The text ends where the file does, or at a NUL inside it.
    const size_t length = std::strlen(text);
    if (length > size || (length < size && data[length] != 0)) __builtin_trap();
    std::free(text);
    return 0;
}
