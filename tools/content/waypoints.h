// The opponents' waypoint file: a count, then x, y, z, w, tag per point, all
// little-endian signed 32-bit integers. The game keeps at most 150 points.
#pragma once

#include <string>
#include <vector>

constexpr int kMaxWaypoints = 150;

struct Waypoint {
    int x, y, z;
    int w;    // stored, unused by the game: we keep the road's half-width there
    int tag;  // stored, unused: 1 on straights, 2 in corners
};

std::vector<unsigned char> encodeWaypoints(const std::vector<Waypoint>& points);
// False (with a message) when there are more than kMaxWaypoints points or the
// file cannot be written.
bool writeWaypoints(const std::string& path, const std::vector<Waypoint>& points);
// Parses a waypoint file; false for a short or oversized one.
bool decodeWaypoints(const std::vector<unsigned char>& bytes, std::vector<Waypoint>* out);
