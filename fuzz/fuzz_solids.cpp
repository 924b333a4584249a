// A map's solids.txt: any bytes read; what is taken is every line as five
// numbers the visibility grid can hold, or nothing.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "fuzz_input_file.h"
#include "render/render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = fuzzScratchPath(".txt");
    if (!writeFuzzInput(path, data, size)) return 0;
    std::vector<MapSolid> solids;
    const bool read = loadMapSolids(path.c_str(), &solids);
    if (!read && !solids.empty()) __builtin_trap();
    for (const MapSolid& s : solids) {
        for (float v : {s.x0, s.z0, s.x1, s.z1, s.top})
            if (!std::isfinite(v) || std::fabs(v) > kMaxSolidCoordinate) __builtin_trap();
        if (!(s.x0 < s.x1 && s.z0 < s.z1)) __builtin_trap();
    }
    return 0;
}
