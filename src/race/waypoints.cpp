// The map's waypoint file: checkpoints for every car, the path for opponents.
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "race/race.h"

// Each point is five little-endian int32: x, y, z, w, tag.
static constexpr size_t kPointBytes = 20;

void parseWaypoints(const unsigned char* data, size_t size) {
    memset(session.checkpoints, 0, sizeof session.checkpoints);
    session.checkpointCount = 0;
    if (data == nullptr || size < 4) {
        return;
    }
    int32_t declared = readI32(data);
    if (declared <= 0) {
        return;
    }
    // The table holds kMaxCheckpoints; a longer circuit keeps its first
    // points, and a short file keeps only the points it holds whole.
    size_t wanted = static_cast<size_t>(declared);
    if (wanted > static_cast<size_t>(kMaxCheckpoints)) {
        wanted = kMaxCheckpoints;
    }
    size_t present = (size - 4) / kPointBytes;
    if (wanted > present) {
        wanted = present;
    }
    for (size_t i = 0; i < wanted; i++) {
        const unsigned char* p = data + 4 + kPointBytes * i;
        Checkpoint& c = session.checkpoints[i];
        c.x = static_cast<float>(readI32(p));
        c.y = static_cast<float>(readI32(p + 4));
        c.z = static_cast<float>(readI32(p + 8));
        c.w = static_cast<float>(readI32(p + 12));
        c.tag = readI32(p + 16);
    }
    session.checkpointCount = static_cast<int>(wanted);
}

void readWaypoints(int raceNumber) {
    char path[64];
    snprintf(path, sizeof path, "base/maps/%d/points/level.ai", raceNumber);
    std::vector<uint8_t> bytes;
    // An unreadable file leaves bytes empty: a race with no checkpoints.
    platformReadFile(path, &bytes);
    parseWaypoints(bytes.data(), bytes.size());
}
