// Waypoint files ("level.ai"): the point table every car follows.
#include <cstddef>
#include <cstdint>

#include "race/race.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    parseWaypoints(data, size);
    if (session.checkpointCount < 0 || session.checkpointCount > kMaxCheckpoints) __builtin_trap();
    return 0;
}
