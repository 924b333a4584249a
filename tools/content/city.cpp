// The city's layout (streets, blocks, buildings) and its drawing near a circuit.
#include "content/city.h"

#include <algorithm>
#include <cmath>

#include "content/circuit.h"

std::vector<Rect> cityStreets;
std::vector<CityBlock> cityBlocks;
std::vector<CityBuilding> cityBuildings;

// The city reaches a little past its outer ring so the ring has buildings
// on both sides.
// The south edge is the harbour's quay: the basin lies beyond it.
static const Rect kCityBounds = {-520.0f, kQuayZ, 530.0f, 680.0f};
static const float kViaductX = 115.0f;  // the elevated railway, north to south
static const float kViaductHalfWidth = 6.0f;
static const float kViaductDeck = 10.0f;  // underside above the road

std::string cityTexture(const char* name) {
    return std::string("base/textures/city/") + name + ".bmp";
}

static bool inside(const Rect& r, float x, float z) {
    return x > r.x0 && x < r.x1 && z > r.z0 && z < r.z1;
}

bool insideStreet(float x, float z) {
    for (const Rect& r : cityStreets)
        if (inside(r, x, z)) return true;
    return false;
}

// Inverse-distance weighting through the seven grid origins (0.9 below
// each), so every grid stands at its own height and the city between them
// rises and falls gently (about a unit over hundreds).
float groundHeight(float x, float z) {
    static const int races[7] = {1, 2, 3, 4, 6, 7, 11};
    float weightSum = 0.0f, valueSum = 0.0f;
    for (int race : races) {
        Vec3 g = raceGridOrigin(race);
        float dx = x - g.x, dz = z - gridMiddleZ(race);
        float d2 = dx * dx + dz * dz;
        if (d2 < 1e-4f) return g.y - 0.9f;
        float w = 1.0f / d2;
        weightSum += w;
        valueSum += w * (g.y - 0.9f);
    }
    return valueSum / weightSum;
}

static void buildStreets() {
    cityStreets.clear();
    const float south = kStreetZ[0] - kBoulevardHalfWidth;
    const float north = kStreetZ[kStreetCount - 1] + kStreetHalfWidth;
    const float west = kAvenueX[0] - kStreetHalfWidth;
    const float east = kAvenueX[kAvenueCount - 1] + kStreetHalfWidth;
    for (float x : kAvenueX)
        cityStreets.push_back({x - kStreetHalfWidth, south, x + kStreetHalfWidth, north});
    for (int i = 0; i < kStreetCount; ++i) {
        float half = i == 0 ? kBoulevardHalfWidth : kStreetHalfWidth;
        float x0 = west, x1 = east;
        if (i == 3 || i == 5) x1 = kAvenueX[6] + kStreetHalfWidth;
        if (i == 4) x0 = kAvenueX[6] - kStreetHalfWidth;
        cityStreets.push_back({x0, kStreetZ[i] - half, x1, kStreetZ[i] + half});
    }
}

// The lines of the grid that the city's edges and every street edge cut the
// ground into, sorted and without repeats.
static void streetGridLines(std::vector<float>& xs, std::vector<float>& zs) {
    xs = {kCityBounds.x0, kCityBounds.x1};
    zs = {kCityBounds.z0, kCityBounds.z1};
    for (const Rect& r : cityStreets) {
        xs.push_back(r.x0);
        xs.push_back(r.x1);
        zs.push_back(r.z0);
        zs.push_back(r.z1);
    }
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    std::sort(zs.begin(), zs.end());
    zs.erase(std::unique(zs.begin(), zs.end()), zs.end());
}

// Blocks are the land cells of the grid cut by every street edge, merged
// into the rectangles the streets leave between them.
static void buildBlocks() {
    cityBlocks.clear();
    std::vector<float> xs, zs;
    streetGridLines(xs, zs);
    int nx = static_cast<int>(xs.size()) - 1, nz = static_cast<int>(zs.size()) - 1;
    std::vector<int> owner(static_cast<size_t>(nx * nz), -2);  // -2 land unassigned, -1 street
    for (int j = 0; j < nz; ++j)
        for (int i = 0; i < nx; ++i)
            if (insideStreet(0.5f * (xs[i] + xs[i + 1]), 0.5f * (zs[j] + zs[j + 1]))) owner[j * nx + i] = -1;
    for (int j = 0; j < nz; ++j)
        for (int i = 0; i < nx; ++i) {
            if (owner[j * nx + i] != -2) continue;
            // Grow the largest rectangle of land from this cell: first along
            // x, then along z while every cell of the next row is free land.
            int i1 = i;
            while (i1 + 1 < nx && owner[j * nx + i1 + 1] == -2) ++i1;
            int j1 = j;
            for (;;) {
                if (j1 + 1 >= nz) break;
                bool free = true;
                for (int k = i; k <= i1; ++k)
                    if (owner[(j1 + 1) * nx + k] != -2) free = false;
                if (!free) break;
                ++j1;
            }
            int id = static_cast<int>(cityBlocks.size());
            for (int jj = j; jj <= j1; ++jj)
                for (int ii = i; ii <= i1; ++ii) owner[jj * nx + ii] = id;
            CityBlock block;
            block.rect = {xs[i], zs[j], xs[i1 + 1], zs[j1 + 1]};
            const float cx[4] = {block.rect.x0, block.rect.x1, block.rect.x1, block.rect.x0};
            const float cz[4] = {block.rect.z0, block.rect.z0, block.rect.z1, block.rect.z1};
            for (int c = 0; c < 4; ++c) {
                float ox = c == 0 || c == 3 ? -1.0f : 1.0f, oz = c < 2 ? -1.0f : 1.0f;
                block.rounded[c] = insideStreet(cx[c] + ox, cz[c] + oz) &&
                                   insideStreet(cx[c] + ox, cz[c] - oz) &&
                                   insideStreet(cx[c] - ox, cz[c] + oz);
            }
            for (int c = 0; c < 4; ++c) {
                block.cornerRadius[c] = block.rounded[c] ? kBlockCornerRadius : 0.0f;
                // The block corner inside a sweeper follows the curve: the
                // centre line's radius less the half-width of the wider arm.
                for (const Sweeper& sw : kSweepers) {
                    float x = kAvenueX[sw.avenue], z = kStreetZ[sw.street];
                    float ox = c == 0 || c == 3 ? -1.0f : 1.0f,
                          oz = c < 2 ? -1.0f : 1.0f;  // toward the crossing
                    bool here =
                        std::fabs(cx[c] + ox * kStreetHalfWidth - x) < 1.0f &&
                        std::fabs(cz[c] + oz * (sw.street == 0 ? kBoulevardHalfWidth : kStreetHalfWidth) -
                                  z) < 1.0f;
                    if (here && -ox == sw.insideX && -oz == sw.insideZ && block.rounded[c])
                        block.cornerRadius[c] =
                            sw.radius - (sw.street == 0 ? kBoulevardHalfWidth + 0.5f : kStreetHalfWidth);
                }
            }
            block.kind = 0;
            if (inside(block.rect, -20.0f, 235.0f)) block.kind = 1;   // the park beside the north start
            if (inside(block.rect, -135.0f, -25.0f)) block.kind = 2;  // the plaza with the monument
            block.district =
                districtAt(0.5f * (block.rect.x0 + block.rect.x1), 0.5f * (block.rect.z0 + block.rect.z1));
            // South of the boulevard the harbour's blocks are quays.
            if (block.rect.z1 <= kStreetZ[0] - kBoulevardHalfWidth + 0.5f) block.kind = 3;
            cityBlocks.push_back(block);
        }
}

static bool nearStreet(const Rect& block, int side) {
    // side 0: z0 edge, 1: x1, 2: z1, 3: x0
    float mx = 0.5f * (block.x0 + block.x1), mz = 0.5f * (block.z0 + block.z1);
    switch (side) {
        case 0:
            return insideStreet(mx, block.z0 - 1.0f);
        case 1:
            return insideStreet(block.x1 + 1.0f, mz);
        case 2:
            return insideStreet(mx, block.z1 + 1.0f);
        default:
            return insideStreet(block.x0 - 1.0f, mz);
    }
}

// False when a footprint reaches into a block corner's kerb arc (less the
// sidewalk).
static bool fitsBlock(const CityBlock& block, const Rect& lot) {
    const Rect& r = block.rect;
    const float cx[4] = {r.x0, r.x1, r.x1, r.x0};
    const float cz[4] = {r.z0, r.z0, r.z1, r.z1};
    const float px[4] = {lot.x0, lot.x1, lot.x1, lot.x0};
    const float pz[4] = {lot.z0, lot.z0, lot.z1, lot.z1};
    for (int c = 0; c < 4; ++c) {
        float rad = block.cornerRadius[c];
        if (rad <= kBlockCornerRadius) continue;  // ordinary corners: the corner lots step back
        float ix = c == 0 || c == 3 ? 1.0f : -1.0f, iz = c < 2 ? 1.0f : -1.0f;
        float ox = cx[c] + ix * rad, oz = cz[c] + iz * rad;
        for (int k = 0; k < 4; ++k) {
            bool inCornerSquare = (px[k] - ox) * ix < 0.0f && (pz[k] - oz) * iz < 0.0f;
            float d = std::sqrt((px[k] - ox) * (px[k] - ox) + (pz[k] - oz) * (pz[k] - oz));
            if (inCornerSquare && d > rad - kSidewalkWidth) return false;
        }
    }
    return true;
}

static void addBuilding(Random& rng, const CityBlock& block, Rect lot, int streetSide) {
    if (lot.x1 - lot.x0 < 6.0f || lot.z1 - lot.z0 < 6.0f) return;
    if (!fitsBlock(block, lot)) {
        rng.next();  // keep the other lots' draws as they were
        return;
    }
    // Keep the railway's corridor clear.
    if (lot.x1 > kViaductX - kViaductHalfWidth - 3.0f && lot.x0 < kViaductX + kViaductHalfWidth + 3.0f)
        return;
    CityBuilding b;
    b.rect = lot;
    b.base = std::min(std::min(groundHeight(lot.x0, lot.z0), groundHeight(lot.x1, lot.z0)),
                      std::min(groundHeight(lot.x1, lot.z1), groundHeight(lot.x0, lot.z1))) -
             0.3f;
    b.district = block.district;
    const DistrictStyle& style = kDistrictStyles[b.district];
    b.height = rng.range(style.heightLo, style.heightHi);
    if (rng.uniform() < 0.15f) b.height *= 0.6f;
    b.height = std::max(b.height, 8.0f);
    b.facade = rng.below(style.facadeCount);
    b.streetSide = streetSide;
    b.shop = -1;
    b.neon = -1;
    b.neonSide = streetSide >= 0 ? streetSide : rng.below(4);
    b.tiered = false;
    b.billboard = -1;
    b.chimney = false;
    b.arcade = false;
    const float pick = rng.uniform();
    switch (b.district) {
        case Downtown:
            b.shop = rng.below(4);
            if (pick < 0.5f) b.neon = 8 + rng.below(8);
            b.tiered = b.height > 50.0f && rng.uniform() < 0.6f;
            if (rng.uniform() < 0.35f) b.billboard = rng.below(8);
            break;
        case Harbour:
            if (pick < 0.25f) b.neon = 2 + rng.below(2);
            break;
        case Ironworks:
            if (pick < 0.15f) b.neon = rng.uniform() < 0.5f ? 4 : 7;
            b.chimney = rng.uniform() < 0.3f;
            break;
        case OldTown:
            b.shop = rng.below(4);
            if (pick < 0.4f) {
                static const int kOldTownSigns[4] = {0, 1, 5, 6};
                b.neon = kOldTownSigns[rng.below(4)];
            }
            b.arcade = streetSide >= 0 && rng.uniform() < 0.6f;
            break;
        default:
            b.shop = rng.uniform() < 0.4f ? rng.below(4) : -1;
            if (pick < 0.12f) b.neon = rng.below(8);
            break;
    }
    cityBuildings.push_back(b);
}

// Lots line each block's street sides; block interiors stay courtyards.
static void buildBuildings() {
    cityBuildings.clear();
    Random rng(20261207u);
    for (const CityBlock& block : cityBlocks) {
        if (block.kind != 0) continue;
        const DistrictStyle& style = kDistrictStyles[block.district];
        Rect in = block.rect;
        if (nearStreet(block.rect, 0)) in.z0 += kSidewalkWidth;
        if (nearStreet(block.rect, 1)) in.x1 -= kSidewalkWidth;
        if (nearStreet(block.rect, 2)) in.z1 -= kSidewalkWidth;
        if (nearStreet(block.rect, 3)) in.x0 += kSidewalkWidth;
        float w = in.x1 - in.x0, d = in.z1 - in.z0;
        if (w < 8.0f || d < 8.0f) continue;
        float depth = std::min(block.district == OldTown ? 16.0f : 26.0f, 0.5f * std::min(w, d));
        auto side = [&](int k) { return nearStreet(block.rect, k) ? k : -1; };
        // Corner lots step back from the rounded kerbs.
        auto cornerInset = [&](int c) { return block.rounded[c] ? kSidewalkWidth : 0.0f; };
        // Split a run [a, b] into lots of the district's widths.
        auto split = [&](float a, float b) {
            std::vector<float> cuts = {a};
            float x = a;
            while (b - x > style.lotHi + 6.0f) {
                x += rng.range(style.lotLo, style.lotHi);
                cuts.push_back(x);
            }
            cuts.push_back(b);
            return cuts;
        };
        // Corners.
        addBuilding(rng, block,
                    {in.x0 + cornerInset(0), in.z0 + cornerInset(0), in.x0 + depth, in.z0 + depth}, side(0));
        addBuilding(rng, block,
                    {in.x1 - depth, in.z0 + cornerInset(1), in.x1 - cornerInset(1), in.z0 + depth}, side(0));
        addBuilding(rng, block,
                    {in.x1 - depth, in.z1 - depth, in.x1 - cornerInset(2), in.z1 - cornerInset(2)}, side(2));
        addBuilding(rng, block,
                    {in.x0 + cornerInset(3), in.z1 - depth, in.x0 + depth, in.z1 - cornerInset(3)}, side(2));
        if (w > 2.0f * depth + 6.0f) {
            std::vector<float> cuts = split(in.x0 + depth, in.x1 - depth);
            for (size_t k = 0; k + 1 < cuts.size(); ++k) {
                addBuilding(rng, block, {cuts[k], in.z0, cuts[k + 1], in.z0 + depth * rng.range(0.7f, 1.0f)},
                            side(0));
                addBuilding(rng, block, {cuts[k], in.z1 - depth * rng.range(0.7f, 1.0f), cuts[k + 1], in.z1},
                            side(2));
            }
        }
        if (d > 2.0f * depth + 6.0f) {
            std::vector<float> cuts = split(in.z0 + depth, in.z1 - depth);
            for (size_t k = 0; k + 1 < cuts.size(); ++k) {
                addBuilding(rng, block, {in.x0, cuts[k], in.x0 + depth * rng.range(0.7f, 1.0f), cuts[k + 1]},
                            side(3));
                addBuilding(rng, block, {in.x1 - depth * rng.range(0.7f, 1.0f), cuts[k], in.x1, cuts[k + 1]},
                            side(1));
            }
        }
    }
}

float cornerRadiusAt(int avenue, int street, float insideX, float insideZ) {
    for (const Sweeper& sw : kSweepers)
        if (sw.avenue == avenue && sw.street == street && sw.insideX == insideX && sw.insideZ == insideZ)
            return sw.radius;
    return kCornerRadius;
}

void buildCity() {
    buildStreets();
    buildBlocks();
    buildBuildings();
}

// ---------------------------------------------------------------------------
// Drawing.

static float rectDistance(const DistanceToRoute& distance, const Rect& r) {
    float cx = 0.5f * (r.x0 + r.x1), cz = 0.5f * (r.z0 + r.z1);
    float halfDiagonal = 0.5f * std::sqrt((r.x1 - r.x0) * (r.x1 - r.x0) + (r.z1 - r.z0) * (r.z1 - r.z0));
    return distance(cx, cz) - halfDiagonal;
}

static Vec3 onGround(float x, float z, float lift) {
    return Vec3{x, groundHeight(x, z) + lift, z};
}

// Street surface: the grid's street cells, cut to pieces short enough to
// follow the ground, a little below the course so the course wins.
static void drawStreets(MeshBuilder& mesh, const DistanceToRoute& distance, float reach) {
    int lane = mesh.material("street", cityTexture("street"));
    int plain = mesh.material("asphalt", cityTexture("asphalt"));
    std::vector<float> xs, zs;
    streetGridLines(xs, zs);
    const float lift = -0.05f;
    for (size_t j = 0; j + 1 < zs.size(); ++j)
        for (size_t i = 0; i + 1 < xs.size(); ++i) {
            Rect cell = {xs[i], zs[j], xs[i + 1], zs[j + 1]};
            float cx = 0.5f * (cell.x0 + cell.x1), cz = 0.5f * (cell.z0 + cell.z1);
            int along = 0;  // 1: avenue (along z), 2: street (along x), 3: crossing
            for (size_t s = 0; s < cityStreets.size(); ++s)
                if (inside(cityStreets[s], cx, cz)) along |= s < static_cast<size_t>(kAvenueCount) ? 1 : 2;
            if (along == 0 || rectDistance(distance, cell) > reach) continue;
            bool alongX = along == 2;
            int material = along == 3 ? plain : lane;
            float length = alongX ? cell.x1 - cell.x0 : cell.z1 - cell.z0;
            int pieces = std::max(1, static_cast<int>(std::ceil(length / 40.0f)));
            for (int k = 0; k < pieces; ++k) {
                float a = static_cast<float>(k) / pieces, b = static_cast<float>(k + 1) / pieces;
                Rect piece = cell;
                if (alongX) {
                    piece.x0 = cell.x0 + a * length;
                    piece.x1 = cell.x0 + b * length;
                } else {
                    piece.z0 = cell.z0 + a * length;
                    piece.z1 = cell.z0 + b * length;
                }
                Vec3 p00 = onGround(piece.x0, piece.z0, lift), p10 = onGround(piece.x1, piece.z0, lift);
                Vec3 p11 = onGround(piece.x1, piece.z1, lift), p01 = onGround(piece.x0, piece.z1, lift);
                if (material == plain) {
                    mesh.quad(material, p00, p01, p11, p10, {piece.x0 / 20.0f, piece.z0 / 20.0f},
                              {piece.x0 / 20.0f, piece.z1 / 20.0f}, {piece.x1 / 20.0f, piece.z1 / 20.0f},
                              {piece.x1 / 20.0f, piece.z0 / 20.0f});
                } else if (alongX) {
                    // u across (z), v along (x): the centre line runs along v.
                    float v0 = piece.x0 / 20.0f, v1 = piece.x1 / 20.0f;
                    mesh.quad(material, p00, p01, p11, p10, {0, v0}, {1, v0}, {1, v1}, {0, v1});
                } else {
                    float v0 = piece.z0 / 20.0f, v1 = piece.z1 / 20.0f;
                    mesh.quad(material, p00, p01, p11, p10, {1, v0}, {1, v1}, {0, v1}, {0, v0});
                }
            }
        }
}

// Outline of a block's kerb, with rounded
// corners where it faces a crossing and straight runs cut every 50 units.
static std::vector<Vec3> blockOutline(const CityBlock& block, float lift) {
    const Rect& r = block.rect;
    const float cx[4] = {r.x0, r.x1, r.x1, r.x0};
    const float cz[4] = {r.z0, r.z0, r.z1, r.z1};
    // The walk (x0,z0) -> (x0,z1) -> (x1,z1) -> (x1,z0): a fan (centre, a, b)
    // over it faces up.
    const int order[4] = {0, 3, 2, 1};
    std::vector<Vec3> points;
    for (int n = 0; n < 4; ++n) {
        int c = order[n], next = order[(n + 1) % 4];
        float rad = std::min(block.cornerRadius[c], 0.45f * std::min(r.x1 - r.x0, r.z1 - r.z0));
        float ix = c == 0 || c == 3 ? 1.0f : -1.0f, iz = c < 2 ? 1.0f : -1.0f;  // toward the block's inside
        if (rad > 0.0f) {
            // Arc around (cx + ix rad, cz + iz rad) from the side we arrive on.
            float ox = cx[c] + ix * rad, oz = cz[c] + iz * rad;
            // Arriving along the previous edge; the two tangent points.
            Vec3 prev{cx[order[(n + 3) % 4]], 0, cz[order[(n + 3) % 4]]};
            Vec3 here{cx[c], 0, cz[c]};
            Vec3 nextP{cx[next], 0, cz[next]};
            Vec3 inDir = normalize(here - prev), outDir = normalize(nextP - here);
            Vec3 t0 = here - inDir * rad, t1 = here + outDir * rad;
            float s0 = std::atan2(t0.z - oz, t0.x - ox), s1 = std::atan2(t1.z - oz, t1.x - ox);
            float sweep = s1 - s0;
            while (sweep > 3.14159265f) sweep -= 6.2831853f;
            while (sweep < -3.14159265f) sweep += 6.2831853f;
            int arcSteps = rad > 30.0f ? 10 : 4;
            for (int k = 0; k <= arcSteps; ++k) {
                float a = s0 + sweep * k / static_cast<float>(arcSteps);
                float x = ox + rad * std::cos(a), z = oz + rad * std::sin(a);
                points.push_back(onGround(x, z, lift));
            }
        } else {
            points.push_back(onGround(cx[c], cz[c], lift));
        }
        // Straight run to the next corner, cut every 50 units.
        float radNext = std::min(block.cornerRadius[next], 0.45f * std::min(r.x1 - r.x0, r.z1 - r.z0));
        Vec3 a = points.back();
        Vec3 b{cx[next], 0, cz[next]};
        Vec3 dir = normalize(Vec3{b.x - cx[c], 0, b.z - cz[c]});
        b = b - dir * radNext;
        float len = length(Vec3{b.x - a.x, 0, b.z - a.z});
        int pieces = static_cast<int>(len / 50.0f);
        for (int k = 1; k <= pieces; ++k) {
            float t = static_cast<float>(k) / (pieces + 1);
            float x = a.x + (b.x - a.x) * t, z = a.z + (b.z - a.z) * t;
            points.push_back(onGround(x, z, lift));
        }
    }
    return points;
}

static void drawBlock(MeshBuilder& mesh, const CityBlock& block) {
    const float top = 0.15f, bottom = -0.1f;
    int topMaterial = block.kind == 1   ? mesh.material("grass", cityTexture("grass"))
                      : block.kind == 2 ? mesh.material("plaza", cityTexture("plaza"))
                      : block.kind == 3 ? mesh.material("concrete", cityTexture("concrete"))
                                        : mesh.material("sidewalk", cityTexture("sidewalk"));
    int kerb = mesh.material("kerb", cityTexture("kerb"));
    std::vector<Vec3> outline = blockOutline(block, top);
    float cx = 0.5f * (block.rect.x0 + block.rect.x1), cz = 0.5f * (block.rect.z0 + block.rect.z1);
    Vec3 centre = onGround(cx, cz, top);
    float tile = block.kind == 1 ? 8.0f : 4.0f;
    size_t n = outline.size();
    float along = 0.0f;
    for (size_t k = 0; k < n; ++k) {
        Vec3 a = outline[k], b = outline[(k + 1) % n];
        mesh.flatTriangle(topMaterial, centre, a, b, {centre.x / tile, centre.z / tile},
                          {a.x / tile, a.z / tile}, {b.x / tile, b.z / tile});
        Vec3 a0{a.x, a.y - top + bottom, a.z}, b0{b.x, b.y - top + bottom, b.z};
        float seg = length(b - a);
        mesh.quad(kerb, a0, b0, b, a, {along, 1}, {along + seg / 2.0f, 1}, {along + seg / 2.0f, 0},
                  {along, 0});
        along += seg / 2.0f;
    }
}

// The four walls of a footprint between two heights, outward.
static void drawWalls(MeshBuilder& mesh, int material, const Rect& r, float y0, float y1, float tileU,
                      float tileV) {
    Vec3 p00{r.x0, y0, r.z0}, p10{r.x1, y0, r.z0}, p11{r.x1, y0, r.z1}, p01{r.x0, y0, r.z1};
    float h = y1 - y0;
    mesh.wall(material, p01, p11, h, tileU, tileV);
    mesh.wall(material, p11, p10, h, tileU, tileV);
    mesh.wall(material, p10, p00, h, tileU, tileV);
    mesh.wall(material, p00, p01, h, tileU, tileV);
}

static void drawRoof(MeshBuilder& mesh, int material, const Rect& r, float y) {
    float t = 8.0f;
    mesh.quad(material, {r.x0, y, r.z1}, {r.x1, y, r.z1}, {r.x1, y, r.z0}, {r.x0, y, r.z0},
              {r.x0 / t, r.z1 / t}, {r.x1 / t, r.z1 / t}, {r.x1 / t, r.z0 / t}, {r.x0 / t, r.z0 / t});
}

// Outward unit direction and the two ends of a footprint's side (as neonSide).
static void footprintSide(const Rect& r, int side, Vec3* a, Vec3* b, Vec3* out) {
    switch (side) {
        case 0:
            *a = {r.x1, 0, r.z0}, *b = {r.x0, 0, r.z0}, *out = {0, 0, -1};
            break;
        case 1:
            *a = {r.x1, 0, r.z1}, *b = {r.x1, 0, r.z0}, *out = {1, 0, 0};
            break;
        case 2:
            *a = {r.x0, 0, r.z1}, *b = {r.x1, 0, r.z1}, *out = {0, 0, 1};
            break;
        default:
            *a = {r.x0, 0, r.z0}, *b = {r.x0, 0, r.z1}, *out = {-1, 0, 0};
            break;
    }
}

// Where a building's blade sign hangs: out from the middle of one side.
static void neonPlacement(const CityBuilding& b, Vec3* root, Vec3* out) {
    Vec3 a, c;
    footprintSide(b.rect, b.neonSide, &a, &c, out);
    *root = {0.5f * (a.x + c.x), b.base + 6.0f, 0.5f * (a.z + c.z)};
}

// A material whose bright texels shine by themselves by the given colour.
static int glowing(MeshBuilder& mesh, const std::string& name, float r, float g, float b) {
    MaterialSpec desc;
    desc.name = name;
    desc.texture = cityTexture(name.c_str());
    desc.emissive[0] = r;
    desc.emissive[1] = g;
    desc.emissive[2] = b;
    return mesh.material(desc);
}

// An untextured material of one glowing colour (warning lights).
static int glowColour(MeshBuilder& mesh, const char* name, float r, float g, float b) {
    MaterialSpec desc;
    desc.name = name;
    for (int k = 0; k < 3; ++k) desc.diffuse[k] = 0.2f;
    desc.emissive[0] = r;
    desc.emissive[1] = g;
    desc.emissive[2] = b;
    return mesh.material(desc);
}

static void drawChimney(MeshBuilder& mesh, const CityBuilding& b) {
    // An open tube: its inside shows from above.
    int brick = mesh.material("chimney", cityTexture("works0"));
    mesh.markTwoSided(brick);
    int warning = glowColour(mesh, "warninglight", 1.0f, 0.1f, 0.05f);
    const float x = b.rect.x0 + 3.0f, z = b.rect.z0 + 3.0f;
    const float y0 = b.base, y1 = b.base + b.height + 22.0f;
    const float r0 = 2.2f, r1 = 1.3f;
    for (int k = 0; k < 8; ++k) {
        float a0 = k * 0.785398f, a1 = (k + 1) * 0.785398f;
        Vec3 p0{x + r0 * std::cos(a0), y0, z + r0 * std::sin(a0)},
            p1{x + r0 * std::cos(a1), y0, z + r0 * std::sin(a1)};
        Vec3 q0{x + r1 * std::cos(a0), y1, z + r1 * std::sin(a0)},
            q1{x + r1 * std::cos(a1), y1, z + r1 * std::sin(a1)};
        mesh.quad(brick, p1, p0, q0, q1, {1, 8}, {0, 8}, {0, 0}, {1, 0});
    }
    mesh.box(warning, {x - 0.35f, y1, z - 0.35f}, {x + 0.35f, y1 + 0.6f, z + 0.35f}, 1.0f);
}

// The ground floor set back behind a row of pillars that carry the floors
// above: the old town's arcades.
static void drawArcade(MeshBuilder& mesh, const CityBuilding& b, int shop, int facade, float shopTop) {
    Vec3 a, c, out;
    footprintSide(b.rect, b.streetSide, &a, &c, &out);
    const float depth = 2.6f;
    Rect inner = b.rect;
    if (b.streetSide == 0) inner.z0 += depth;
    if (b.streetSide == 1) inner.x1 -= depth;
    if (b.streetSide == 2) inner.z1 -= depth;
    if (b.streetSide == 3) inner.x0 += depth;
    drawWalls(mesh, shop, inner, b.base, shopTop, 12.0f, shopTop - b.base);
    // The vault's ceiling, seen from the street below.
    Vec3 a2 = a - out * depth, c2 = c - out * depth;
    Vec3 up{0, shopTop, 0};
    mesh.quad(facade, a2 + up, c2 + up, c + up, a + up, {0, 0}, {1, 0}, {1, 0.1f}, {0, 0.1f});
    // Pillars every 4 units along the street side.
    const float run = length(c - a);
    const int count = std::max(2, static_cast<int>(run / 4.0f) + 1);
    const Vec3 along = normalize(c - a);
    for (int k = 0; k < count; ++k) {
        Vec3 p = a + along * (0.4f + (run - 0.8f) * k / static_cast<float>(count - 1)) - out * 0.4f;
        Vec3 lo{p.x - 0.35f, b.base, p.z - 0.35f}, hi{p.x + 0.35f, shopTop, p.z + 0.35f};
        Vec3 s[4] = {{lo.x, 0, lo.z}, {hi.x, 0, lo.z}, {hi.x, 0, hi.z}, {lo.x, 0, hi.z}};
        for (int e = 0; e < 4; ++e)
            mesh.wall(facade, Vec3{s[(e + 1) % 4].x, lo.y, s[(e + 1) % 4].z}, Vec3{s[e].x, lo.y, s[e].z},
                      hi.y - lo.y, 16.0f, 16.0f);
    }
}

// A lettered sign standing on the roof over the street side.
static void drawBillboard(MeshBuilder& mesh, const CityBuilding& b, float top) {
    std::string name = "billboard" + std::to_string(b.billboard);
    int sign = glowing(mesh, name, 1.0f, 1.0f, 1.0f);
    mesh.markTwoSided(sign);  // thin enough to be seen edge-on from either side
    int metal = mesh.material("metal", cityTexture("metal"));
    Vec3 a, c, out;
    footprintSide(b.rect, b.neonSide, &a, &c, &out);
    const Vec3 along = normalize(c - a);
    const float run = length(c - a);
    const float width = std::min(run - 2.0f, 18.0f), height = width / 4.0f;
    if (width < 6.0f) return;
    Vec3 mid = (a + c) * 0.5f - out * 1.5f;
    Vec3 l = mid - along * (0.5f * width), r = mid + along * (0.5f * width);
    const float y0 = top + 1.2f;
    for (Vec3 p : {l + along * 1.0f, r - along * 1.0f})
        mesh.box(metal, {p.x - 0.2f, top, p.z - 0.2f}, {p.x + 0.2f, y0, p.z + 0.2f}, 1.0f);
    Vec3 lo{l.x, y0, l.z}, ro{r.x, y0, r.z};
    const Vec3 up{0, height, 0}, back = out * -0.05f;
    // Lettered on both faces, each reading left to right: the street's and,
    // a hair behind it, the one seen from the roofs' side.
    mesh.quad(sign, lo, ro, ro + up, lo + up, {0, 1}, {1, 1}, {1, 0}, {0, 0});
    mesh.quad(sign, ro + back, lo + back, lo + back + up, ro + back + up, {0, 1}, {1, 1}, {1, 0}, {0, 0});
}

static void drawBuilding(MeshBuilder& mesh, const CityBuilding& b) {
    static const char* shops[4] = {"shop0", "shop1", "shop2", "shop3"};
    const DistrictStyle& style = kDistrictStyles[b.district];
    const std::string facadeName = style.facadePrefix + std::to_string(b.facade);
    // Lit windows shine warm whatever lamp is near; downtown's offices cooler.
    int facade = b.district == Downtown ? glowing(mesh, facadeName, 0.45f, 0.5f, 0.55f)
                                        : glowing(mesh, facadeName, 0.55f, 0.5f, 0.42f);
    int roof = mesh.material("roof", cityTexture("roof"));
    const float tileV = b.district == Downtown || b.district == Parkside ? 26.0f : 16.0f;
    float top = b.base + b.height;
    float shopTop = b.base;
    if (b.shop >= 0) {
        shopTop = groundHeight(0.5f * (b.rect.x0 + b.rect.x1), 0.5f * (b.rect.z0 + b.rect.z1)) + 4.8f;
        int shop = glowing(mesh, shops[b.shop], 0.3f, 0.28f, 0.24f);
        if (b.arcade)
            drawArcade(mesh, b, shop, facade, shopTop);
        else
            drawWalls(mesh, shop, b.rect, b.base, shopTop, 12.0f, shopTop - b.base);
    }
    drawWalls(mesh, facade, b.rect, shopTop, top, 16.0f, tileV);
    float roofTop = top;
    if (b.tiered) {
        Rect upper = b.rect;
        float ix = 0.2f * (upper.x1 - upper.x0), iz = 0.2f * (upper.z1 - upper.z0);
        upper = {upper.x0 + ix, upper.z0 + iz, upper.x1 - ix, upper.z1 - iz};
        float upperTop = top + 0.35f * b.height;
        drawWalls(mesh, facade, upper, top, upperTop, 16.0f, tileV);
        drawRoof(mesh, roof, upper, upperTop);
    }
    drawRoof(mesh, roof, b.rect, roofTop);
    if (b.billboard >= 0) drawBillboard(mesh, b, top);
    if (b.chimney) drawChimney(mesh, b);
    if (b.neon >= 0 && b.height > 12.0f) {
        int neon = glowing(mesh, "blade" + std::to_string(b.neon), 1.0f, 1.0f, 1.0f);
        mesh.markTwoSided(neon);  // a blade sign, seen from both sides
        Vec3 root, out;
        neonPlacement(b, &root, &out);
        // Lettered on both faces, each reading the right way round.
        const Vec3 across = Vec3{-out.z, 0, out.x} * 0.08f;
        Vec3 tip = root + out * 2.6f;
        mesh.wall(neon, root + across, tip + across, 7.8f, 2.6f, 7.8f);
        mesh.wall(neon, tip - across, root - across, 7.8f, 2.6f, 7.8f);
    }
}

static void drawTree(MeshBuilder& mesh, float x, float z, float size) {
    int bark = mesh.material("bark", cityTexture("bark"));
    int leaves = mesh.material("foliage", cityTexture("foliage"));
    float g = groundHeight(x, z) + 0.1f;
    mesh.box(bark, {x - 0.25f, g, z - 0.25f}, {x + 0.25f, g + 2.6f * size, z + 0.25f}, 1.0f);
    // Canopy: two square pyramids base to base, turned 45 degrees.
    float r = 2.6f * size, yb = g + 2.2f * size, ym = g + 4.6f * size, yt = g + 8.0f * size;
    Vec3 ring[4] = {{x + r, ym, z}, {x, ym, z + r}, {x - r, ym, z}, {x, ym, z - r}};
    Vec3 top{x, yt, z}, bottom{x, yb, z};
    for (int k = 0; k < 4; ++k) {
        Vec3 a = ring[k], b = ring[(k + 1) % 4];
        mesh.flatTriangle(leaves, a, top, b, {0, 1}, {0.5f, 0}, {1, 1});
        mesh.flatTriangle(leaves, a, b, bottom, {0, 0}, {1, 0}, {0.5f, 1});
    }
}

static void drawPark(MeshBuilder& mesh, const CityBlock& block) {
    int path = mesh.material("plaza", cityTexture("plaza"));
    // The paths' quads are wound facing down; they are seen from above.
    mesh.markTwoSided(path);
    const Rect& r = block.rect;
    float cx = 0.5f * (r.x0 + r.x1), cz = 0.5f * (r.z0 + r.z1);
    // Two paths crossing at the middle, just above the grass.
    auto pathStrip = [&](Vec3 a, Vec3 b, float half) {
        Vec3 dir = normalize(b - a), side = Vec3{-dir.z, 0, dir.x} * half;
        int pieces = static_cast<int>(length(b - a) / 20.0f) + 1;
        for (int k = 0; k < pieces; ++k) {
            Vec3 p = a + (b - a) * (static_cast<float>(k) / pieces),
                 q = a + (b - a) * (static_cast<float>(k + 1) / pieces);
            Vec3 p0 = onGround(p.x - side.x, p.z - side.z, 0.18f),
                 p1 = onGround(p.x + side.x, p.z + side.z, 0.18f);
            Vec3 q0 = onGround(q.x - side.x, q.z - side.z, 0.18f),
                 q1 = onGround(q.x + side.x, q.z + side.z, 0.18f);
            mesh.quad(path, p0, q0, q1, p1, {p0.x / 4, p0.z / 4}, {q0.x / 4, q0.z / 4}, {q1.x / 4, q1.z / 4},
                      {p1.x / 4, p1.z / 4});
        }
    };
    pathStrip({r.x0 + 2, 0, cz}, {r.x1 - 2, 0, cz}, 2.0f);
    pathStrip({cx, 0, r.z0 + 2}, {cx, 0, r.z1 - 2}, 2.0f);
    Random rng(77u);
    for (float x = r.x0 + 9.0f; x < r.x1 - 6.0f; x += 13.0f)
        for (float z = r.z0 + 9.0f; z < r.z1 - 6.0f; z += 13.0f) {
            float tx = x + rng.range(-3.0f, 3.0f), tz = z + rng.range(-3.0f, 3.0f);
            float size = rng.range(0.8f, 1.25f);
            if (std::fabs(tx - cx) < 5.0f || std::fabs(tz - cz) < 5.0f) continue;
            drawTree(mesh, tx, tz, size);
        }
}

static void drawPlaza(MeshBuilder& mesh, const CityBlock& block) {
    int stone = mesh.material("stone", cityTexture("stone"));
    const Rect& r = block.rect;
    float cx = 0.5f * (r.x0 + r.x1), cz = 0.5f * (r.z0 + r.z1);
    float g = groundHeight(cx, cz) + 0.15f;
    mesh.box(stone, {cx - 7, g, cz - 7}, {cx + 7, g + 1.0f, cz + 7}, 4.0f);
    mesh.box(stone, {cx - 4, g + 1.0f, cz - 4}, {cx + 4, g + 2.5f, cz + 4}, 4.0f);
    // The obelisk: a tapering shaft and a pointed cap.
    float y0 = g + 2.5f, y1 = g + 34.0f, y2 = g + 38.0f, b0 = 1.9f, b1 = 1.1f;
    Vec3 base[4] = {
        {cx - b0, y0, cz + b0}, {cx + b0, y0, cz + b0}, {cx + b0, y0, cz - b0}, {cx - b0, y0, cz - b0}};
    Vec3 top[4] = {
        {cx - b1, y1, cz + b1}, {cx + b1, y1, cz + b1}, {cx + b1, y1, cz - b1}, {cx - b1, y1, cz - b1}};
    Vec3 tip{cx, y2, cz};
    for (int k = 0; k < 4; ++k) {
        int n = (k + 1) % 4;
        mesh.quad(stone, base[k], base[n], top[n], top[k], {0, 8}, {1, 8}, {1, 0}, {0, 0});
        mesh.flatTriangle(stone, top[k], top[n], tip, {0, 1}, {1, 1}, {0.5f, 0});
    }
}

// The elevated railway: a deck on pillars running the city's length along
// x = kViaductX, its underside 10 above the streets it crosses.
static void drawViaduct(MeshBuilder& mesh, const DistanceToRoute& distance, float reach) {
    int concrete = mesh.material("concrete", cityTexture("concrete"));
    const float step = 40.0f;
    for (float z = kCityBounds.z0; z < kCityBounds.z1; z += step) {
        Rect span = {kViaductX - kViaductHalfWidth, z, kViaductX + kViaductHalfWidth, z + step};
        if (rectDistance(distance, span) > reach) continue;
        float g = groundHeight(kViaductX, z + 0.5f * step);
        float y0 = g + kViaductDeck, y1 = y0 + 1.6f;
        mesh.box(concrete, {span.x0, y0, span.z0}, {span.x1, y1, span.z1}, 8.0f, true);
        // Parapets.
        mesh.box(concrete, {span.x0, y1, span.z0}, {span.x0 + 0.4f, y1 + 1.2f, span.z1}, 8.0f);
        mesh.box(concrete, {span.x1 - 0.4f, y1, span.z0}, {span.x1, y1 + 1.2f, span.z1}, 8.0f);
        if (!insideStreet(kViaductX, z) && !insideStreet(kViaductX, z + 1.5f) &&
            !insideStreet(kViaductX, z - 1.5f))
            mesh.box(concrete, {kViaductX - 1.5f, groundHeight(kViaductX, z) - 0.3f, z - 1.5f},
                     {kViaductX + 1.5f, y0, z + 1.5f}, 4.0f);
    }
}

// A quay: stacked containers, and gantry cranes reaching out over the basin.
static void drawQuay(MeshBuilder& mesh, const CityBlock& block) {
    int containers[4];
    for (int k = 0; k < 4; ++k) {
        std::string name = "container" + std::to_string(k);
        containers[k] = mesh.material(name, cityTexture(name.c_str()));
        // Stacked a hand's width apart and open below: the gaps show
        // the inside of the box above.
        mesh.markTwoSided(containers[k]);
    }
    // The cranes' beams and boom are open below, seen from the quay.
    int crane = mesh.material("crane", cityTexture("container3"));
    mesh.markTwoSided(crane);
    int concrete = mesh.material("concrete", cityTexture("concrete"));
    int warning = glowColour(mesh, "warninglight", 1.0f, 0.1f, 0.05f);
    const Rect& r = block.rect;
    Random rng(static_cast<uint32_t>(std::fabs(r.x0) * 13.0f + 7.0f));
    const float g = groundHeight(0.5f * (r.x0 + r.x1), 0.5f * (r.z0 + r.z1)) + 0.15f;
    // The quay wall down to the water.
    for (float x = r.x0; x < r.x1; x += 40.0f) {
        float x1 = std::min(r.x1, x + 40.0f);
        mesh.wall(concrete, {x, g - 3.0f, r.z0}, {x1, g - 3.0f, r.z0}, 3.0f, 8.0f, 3.0f);
    }
    // Container stacks in two bands, gaps for the straddle carriers.
    for (float x = r.x0 + 8.0f; x + 12.0f < r.x1 - 8.0f; x += 13.5f) {
        for (float z : {r.z0 + 5.0f, r.z0 + 8.0f, r.z0 + 19.0f, r.z0 + 22.0f, r.z0 + 25.0f}) {
            if (z + 2.6f > r.z1 - kSidewalkWidth - 2.0f) continue;
            int stack = rng.below(4);
            for (int level = 0; level < stack; ++level) {
                float y = g + level * 2.7f;
                mesh.box(containers[rng.below(4)], {x, y, z}, {x + 12.2f, y + 2.6f, z + 2.5f}, 12.2f);
            }
        }
    }
    // Cranes every 70 units: four legs, a portal beam and the boom over the water.
    for (float cx = r.x0 + 30.0f; cx < r.x1 - 20.0f; cx += 70.0f) {
        const float top = g + 30.0f;
        for (float dx : {-6.0f, 6.0f})
            for (float z : {r.z0 + 2.0f, r.z0 + 15.0f})
                mesh.box(crane, {cx + dx - 0.5f, g, z - 0.5f}, {cx + dx + 0.5f, top, z + 0.5f}, 4.0f);
        for (float z : {r.z0 + 2.0f, r.z0 + 15.0f})
            mesh.box(crane, {cx - 6.5f, top - 1.2f, z - 0.6f}, {cx + 6.5f, top, z + 0.6f}, 4.0f);
        mesh.box(crane, {cx - 1.4f, top, r.z0 - 34.0f}, {cx + 1.4f, top + 1.8f, r.z0 + 22.0f}, 4.0f);
        mesh.box(crane, {cx - 3.0f, top + 1.8f, r.z0 + 8.0f}, {cx + 3.0f, top + 5.5f, r.z0 + 16.0f}, 4.0f);
        mesh.box(warning, {cx - 0.4f, top + 1.8f, r.z0 - 34.0f}, {cx + 0.4f, top + 2.6f, r.z0 - 33.2f}, 1.0f);
        mesh.box(warning, {cx - 0.4f, top + 5.5f, r.z0 + 11.6f}, {cx + 0.4f, top + 6.3f, r.z0 + 12.4f}, 1.0f);
    }
}

// The harbour basin beyond the quays, in squares that follow the reach.
static void drawWater(MeshBuilder& mesh, const DistanceToRoute& distance, float reach) {
    int water = mesh.material("water", cityTexture("water"));
    const float step = 60.0f;
    for (float x = kCityBounds.x0 - 120.0f; x < kCityBounds.x1 + 120.0f; x += step)
        for (float z = kQuayZ - 240.0f; z < kQuayZ; z += step) {
            Rect cell = {x, z, x + step, z + step};
            if (rectDistance(distance, cell) > reach) continue;
            const float y = groundHeight(x + 0.5f * step, kQuayZ) - 2.6f;
            mesh.quad(water, {x, y, z + step}, {x + step, y, z + step}, {x + step, y, z}, {x, y, z},
                      {x / 30.0f, (z + step) / 30.0f}, {(x + step) / 30.0f, (z + step) / 30.0f},
                      {(x + step) / 30.0f, z / 30.0f}, {x / 30.0f, z / 30.0f});
        }
}

// The line along a block's side on a street, `in` inside its edge, leaving
// `gap` clear at each corner: its start, direction and length; false where
// the side has no street.
static bool sidewalkLine(const Rect& r, int side, float in, float gap, Vec3* start, Vec3* along, float* run) {
    if (!nearStreet(r, side)) return false;
    Vec3 a, b, out;
    const Rect inner = {r.x0 + in, r.z0 + in, r.x1 - in, r.z1 - in};
    footprintSide(inner, side, &a, &b, &out);
    *start = a;
    *along = normalize(b - a);
    *run = length(b - a) - 2.0f * gap;
    return true;
}

// The ironworks' yards: corrugated fences along their streets.
static void drawFences(MeshBuilder& mesh, const CityBlock& block) {
    int fence = mesh.material("fence", cityTexture("fence"));
    mesh.markTwoSided(fence);  // one sheet, seen from the yard and the street
    const Rect& r = block.rect;
    const float in = kSidewalkWidth - 0.6f, gap = 12.0f;
    for (int side = 0; side < 4; ++side) {
        Vec3 a, along;
        float run;
        if (!sidewalkLine(r, side, in, gap, &a, &along, &run)) continue;
        for (float t = 0.0f; t < run; t += 20.0f) {
            Vec3 p = a + along * (gap + t), q = a + along * (gap + std::min(run, t + 20.0f));
            p.y = groundHeight(p.x, p.z);
            q.y = groundHeight(q.x, q.z);
            mesh.wall(fence, q, p, 2.4f, 4.0f, 2.4f);
        }
    }
}

// Parkside: a tree every 18 units along the sidewalks.
static void drawStreetTrees(MeshBuilder& mesh, const CityBlock& block) {
    const Rect& r = block.rect;
    const float in = kSidewalkWidth - 0.4f, gap = 14.0f;
    Random rng(static_cast<uint32_t>(std::fabs(r.x0 * 7.0f + r.z0 * 3.0f)) + 5u);
    for (int side = 0; side < 4; ++side) {
        Vec3 a, along;
        float run;
        if (!sidewalkLine(r, side, in, gap, &a, &along, &run)) continue;
        for (float t = 0.0f; t <= run; t += 18.0f) {
            Vec3 p = a + along * (gap + t);
            drawTree(mesh, p.x, p.z, rng.range(0.75f, 0.95f));
        }
    }
}

// A block's ground and what stands on it besides its buildings.
static void drawBlockWithFurniture(MeshBuilder& mesh, const CityBlock& block) {
    drawBlock(mesh, block);
    if (block.kind == 1) drawPark(mesh, block);
    if (block.kind == 2) drawPlaza(mesh, block);
    if (block.kind == 3) drawQuay(mesh, block);
    if (block.kind == 0 && block.district == Ironworks) drawFences(mesh, block);
    if (block.kind <= 1 && block.district == Parkside) drawStreetTrees(mesh, block);
}

void drawCity(MeshBuilder& mesh, const DistanceToRoute& distance, float reach) {
    drawStreets(mesh, distance, reach);
    for (const CityBlock& block : cityBlocks) {
        if (rectDistance(distance, block.rect) > reach) continue;
        drawBlockWithFurniture(mesh, block);
    }
    for (const CityBuilding& b : cityBuildings)
        if (rectDistance(distance, b.rect) <= reach) drawBuilding(mesh, b);
    drawViaduct(mesh, distance, reach);
    drawWater(mesh, distance, reach);
}

void drawDistrict(MeshBuilder& mesh, District district) {
    for (const CityBlock& block : cityBlocks)
        if (block.district == district) drawBlockWithFurniture(mesh, block);
    for (const CityBuilding& b : cityBuildings)
        if (b.district == district) drawBuilding(mesh, b);
}

std::vector<CitySolid> citySolids(const DistanceToRoute& distance, float reach) {
    std::vector<CitySolid> solids;
    for (const CityBuilding& b : cityBuildings) {
        if (rectDistance(distance, b.rect) > reach) continue;
        CitySolid s{b.rect, b.base + b.height};
        if (b.shop >= 0 && b.arcade) {
            const float depth = 2.6f;  // as drawArcade sets the shops back
            if (b.streetSide == 0) s.rect.z0 += depth;
            if (b.streetSide == 1) s.rect.x1 -= depth;
            if (b.streetSide == 2) s.rect.z1 -= depth;
            if (b.streetSide == 3) s.rect.x0 += depth;
        }
        solids.push_back(s);
    }
    return solids;
}

std::vector<NeonLamp> cityNeonLamps(const DistanceToRoute& distance, float reach) {
    std::vector<NeonLamp> lamps;
    for (const CityBuilding& b : cityBuildings) {
        if (b.neon < 0 || b.height <= 12.0f || rectDistance(distance, b.rect) > reach) continue;
        Vec3 root, out;
        neonPlacement(b, &root, &out);
        NeonLamp lamp;
        lamp.position = root + out * 1.3f + Vec3{0, 3.5f, 0};
        colourOf(bladeSignColour(b.neon), lamp.colour);
        lamp.distance = distance(lamp.position.x, lamp.position.z);
        lamps.push_back(lamp);
    }
    return lamps;
}
