// Writes and reads back the waypoint files of the maps.
#include "content/waypoints.h"

#include <cstdint>
#include <cstdio>

#include "content/image_writer.h"

static void putInt(std::vector<unsigned char>& out, int value) {
    uint32_t bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>((bits >> (8 * i)) & 0xFF));
}

static int getInt(const std::vector<unsigned char>& bytes, size_t offset) {
    uint32_t bits = 0;
    for (int i = 0; i < 4; ++i) bits |= static_cast<uint32_t>(bytes[offset + i]) << (8 * i);
    return static_cast<int32_t>(bits);
}

std::vector<unsigned char> encodeWaypoints(const std::vector<Waypoint>& points) {
    std::vector<unsigned char> bytes;
    putInt(bytes, static_cast<int>(points.size()));
    for (const Waypoint& p : points) {
        putInt(bytes, p.x);
        putInt(bytes, p.y);
        putInt(bytes, p.z);
        putInt(bytes, p.w);
        putInt(bytes, p.tag);
    }
    return bytes;
}

bool writeWaypoints(const std::string& path, const std::vector<Waypoint>& points) {
    if (points.empty() || points.size() > static_cast<size_t>(kMaxWaypoints)) {
        std::fprintf(stderr, "korvask-content: %s: %zu waypoints (1..%d allowed)\n", path.c_str(),
                     points.size(), kMaxWaypoints);
        return false;
    }
    std::vector<unsigned char> bytes = encodeWaypoints(points);
    return writeFileBytes(path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

bool decodeWaypoints(const std::vector<unsigned char>& bytes, std::vector<Waypoint>* out) {
    out->clear();
    if (bytes.size() < 4) return false;
    int count = getInt(bytes, 0);
    if (count < 0 || count > kMaxWaypoints) return false;
    if (bytes.size() < 4 + 20 * static_cast<size_t>(count)) return false;
    for (int i = 0; i < count; ++i) {
        size_t o = 4 + 20 * static_cast<size_t>(i);
        out->push_back(Waypoint{getInt(bytes, o), getInt(bytes, o + 4), getInt(bytes, o + 8),
                                getInt(bytes, o + 12), getInt(bytes, o + 16)});
    }
    return true;
}
