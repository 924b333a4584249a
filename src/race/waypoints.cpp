// The map's waypoint file: checkpoints for every car, the path for opponents.
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "race/race.h"

Checkpoint checkpoints[kMaxCheckpoints];
int checkpointCount = 0;

static int32_t readInt32(const unsigned char* p) {
    uint32_t v = (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
    int32_t out;
    memcpy(&out, &v, sizeof out);
    return out;
}

// Each point is five little-endian int32: x, y, z, w, tag.
static constexpr size_t kPointBytes = 20;

void parseWaypoints(const unsigned char* data, size_t size) {
    memset(checkpoints, 0, sizeof checkpoints);
    checkpointCount = 0;
    if (data == nullptr || size < 4) {
        return;
    }
    int32_t declared = readInt32(data);
    if (declared <= 0) {
        return;
    }
    // The table holds kMaxCheckpoints; a longer circuit keeps its first
    // points, and a short file keeps only the points it holds whole.
    size_t wanted = (size_t)declared;
    if (wanted > (size_t)kMaxCheckpoints) {
        wanted = kMaxCheckpoints;
    }
    size_t present = (size - 4) / kPointBytes;
    if (wanted > present) {
        wanted = present;
    }
    for (size_t i = 0; i < wanted; i++) {
        const unsigned char* p = data + 4 + kPointBytes * i;
        Checkpoint& c = checkpoints[i];
        c.x = (float)readInt32(p);
        c.y = (float)readInt32(p + 4);
        c.z = (float)readInt32(p + 8);
        c.w = (float)readInt32(p + 12);
        c.tag = readInt32(p + 16);
    }
    checkpointCount = (int)wanted;
}

void readWaypoints(int raceNumber) {
    char path[64];
    snprintf(path, sizeof path, "base/maps/%d/points/level.ai", raceNumber);
    std::vector<unsigned char> bytes;
    FILE* file = platformOpenFile(path, "rb");
    if (file != nullptr) {
        unsigned char chunk[4096];
        size_t got;
        // The table bounds what is kept, so reading more than it can use is pointless.
        const size_t limit = 4 + kPointBytes * kMaxCheckpoints;
        while (bytes.size() < limit && (got = fread(chunk, 1, sizeof chunk, file)) > 0) {
            bytes.insert(bytes.end(), chunk, chunk + got);
        }
        fclose(file);
    }
    parseWaypoints(bytes.data(), bytes.size());
}
