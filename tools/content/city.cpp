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
static const Rect kCityBounds = {-520.0f, -680.0f, 530.0f, 680.0f};
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

static void addBuilding(Random& rng, const CityBlock& block, Rect lot) {
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
    float cx = 0.5f * (lot.x0 + lot.x1), cz = 0.5f * (lot.z0 + lot.z1);
    float fromCentre = std::sqrt(cx * cx + (cz + 60.0f) * (cz + 60.0f));
    // Downtown towers, a ring of mid-rise, low shops at the edges.
    if (fromCentre < 260.0f)
        b.height = rng.range(28.0f, 85.0f);
    else if (fromCentre < 470.0f)
        b.height = rng.range(14.0f, 42.0f);
    else
        b.height = rng.range(9.0f, 26.0f);
    if (rng.uniform() < 0.15f) b.height *= 0.5f;
    b.height = std::max(b.height, 8.0f);
    b.facade = rng.below(6);
    b.shop = rng.uniform() < 0.7f ? rng.below(4) : -1;
    b.neon = rng.uniform() < 0.45f ? rng.below(6) : -1;
    b.neonSide = rng.below(4);
    b.tiered = b.height > 45.0f && rng.uniform() < 0.6f;
    cityBuildings.push_back(b);
}

// Lots line each block's street sides; block interiors stay courtyards.
static void buildBuildings() {
    cityBuildings.clear();
    Random rng(20261207u);
    for (const CityBlock& block : cityBlocks) {
        if (block.kind != 0) continue;
        Rect in = block.rect;
        if (nearStreet(block.rect, 0)) in.z0 += kSidewalkWidth;
        if (nearStreet(block.rect, 1)) in.x1 -= kSidewalkWidth;
        if (nearStreet(block.rect, 2)) in.z1 -= kSidewalkWidth;
        if (nearStreet(block.rect, 3)) in.x0 += kSidewalkWidth;
        float w = in.x1 - in.x0, d = in.z1 - in.z0;
        if (w < 8.0f || d < 8.0f) continue;
        float depth = std::min(26.0f, 0.5f * std::min(w, d));
        // Corner lots step back from the rounded kerbs.
        auto cornerInset = [&](int c) { return block.rounded[c] ? kSidewalkWidth : 0.0f; };
        // Split a run [a, b] into lots of 14..34 units.
        auto split = [&](float a, float b) {
            std::vector<float> cuts = {a};
            float x = a;
            while (b - x > 40.0f) {
                x += rng.range(14.0f, 34.0f);
                cuts.push_back(x);
            }
            cuts.push_back(b);
            return cuts;
        };
        // Corners.
        addBuilding(rng, block,
                    {in.x0 + cornerInset(0), in.z0 + cornerInset(0), in.x0 + depth, in.z0 + depth});
        addBuilding(rng, block,
                    {in.x1 - depth, in.z0 + cornerInset(1), in.x1 - cornerInset(1), in.z0 + depth});
        addBuilding(rng, block,
                    {in.x1 - depth, in.z1 - depth, in.x1 - cornerInset(2), in.z1 - cornerInset(2)});
        addBuilding(rng, block,
                    {in.x0 + cornerInset(3), in.z1 - depth, in.x0 + depth, in.z1 - cornerInset(3)});
        if (w > 2.0f * depth + 6.0f) {
            std::vector<float> cuts = split(in.x0 + depth, in.x1 - depth);
            for (size_t k = 0; k + 1 < cuts.size(); ++k) {
                addBuilding(rng, block, {cuts[k], in.z0, cuts[k + 1], in.z0 + depth * rng.range(0.7f, 1.0f)});
                addBuilding(rng, block, {cuts[k], in.z1 - depth * rng.range(0.7f, 1.0f), cuts[k + 1], in.z1});
            }
        }
        if (d > 2.0f * depth + 6.0f) {
            std::vector<float> cuts = split(in.z0 + depth, in.z1 - depth);
            for (size_t k = 0; k + 1 < cuts.size(); ++k) {
                addBuilding(rng, block, {in.x0, cuts[k], in.x0 + depth * rng.range(0.7f, 1.0f), cuts[k + 1]});
                addBuilding(rng, block, {in.x1 - depth * rng.range(0.7f, 1.0f), cuts[k], in.x1, cuts[k + 1]});
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

const float kNeonColours[6][3] = {{1.0f, 0.2f, 0.7f}, {0.2f, 0.9f, 1.0f},  {0.3f, 1.0f, 0.4f},
                                  {0.6f, 0.3f, 1.0f}, {1.0f, 0.55f, 0.1f}, {1.0f, 0.15f, 0.15f}};

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

// Where a building's blade sign hangs: out from the middle of one side.
static void neonPlacement(const CityBuilding& b, Vec3* root, Vec3* out) {
    const Rect& r = b.rect;
    float mx = 0.5f * (r.x0 + r.x1), mz = 0.5f * (r.z0 + r.z1);
    switch (b.neonSide) {
        case 0:
            *root = {mx, 0, r.z0};
            *out = {0, 0, -1};
            break;
        case 1:
            *root = {r.x1, 0, mz};
            *out = {1, 0, 0};
            break;
        case 2:
            *root = {mx, 0, r.z1};
            *out = {0, 0, 1};
            break;
        default:
            *root = {r.x0, 0, mz};
            *out = {-1, 0, 0};
            break;
    }
    root->y = b.base + 6.0f;
}

static void drawBuilding(MeshBuilder& mesh, const CityBuilding& b) {
    static const char* facades[6] = {"facade0", "facade1", "facade2", "facade3", "facade4", "facade5"};
    static const char* shops[4] = {"shop0", "shop1", "shop2", "shop3"};
    static const char* neons[6] = {"neon0", "neon1", "neon2", "neon3", "neon4", "neon5"};
    int facade = mesh.material(facades[b.facade], cityTexture(facades[b.facade]));
    int roof = mesh.material("roof", cityTexture("roof"));
    float top = b.base + b.height;
    float shopTop = b.base;
    if (b.shop >= 0) {
        shopTop = groundHeight(0.5f * (b.rect.x0 + b.rect.x1), 0.5f * (b.rect.z0 + b.rect.z1)) + 4.8f;
        int shop = mesh.material(shops[b.shop], cityTexture(shops[b.shop]));
        drawWalls(mesh, shop, b.rect, b.base, shopTop, 12.0f, shopTop - b.base);
    }
    drawWalls(mesh, facade, b.rect, shopTop, top, 16.0f, 16.0f);
    if (b.tiered) {
        Rect upper = b.rect;
        float ix = 0.2f * (upper.x1 - upper.x0), iz = 0.2f * (upper.z1 - upper.z0);
        upper = {upper.x0 + ix, upper.z0 + iz, upper.x1 - ix, upper.z1 - iz};
        float upperTop = top + 0.35f * b.height;
        drawWalls(mesh, facade, upper, top, upperTop, 16.0f, 16.0f);
        drawRoof(mesh, roof, upper, upperTop);
    }
    drawRoof(mesh, roof, b.rect, top);
    if (b.neon >= 0 && b.height > 12.0f) {
        int neon = mesh.material(neons[b.neon], cityTexture(neons[b.neon]));
        mesh.markTwoSided(neon);  // a blade sign, seen from both sides
        Vec3 root, out;
        neonPlacement(b, &root, &out);
        Vec3 tip = root + out * 2.6f;
        mesh.wall(neon, root, tip, 7.0f, 2.6f, 7.0f);
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

void drawCity(MeshBuilder& mesh, const DistanceToRoute& distance, float reach) {
    drawStreets(mesh, distance, reach);
    for (const CityBlock& block : cityBlocks) {
        if (rectDistance(distance, block.rect) > reach) continue;
        drawBlock(mesh, block);
        if (block.kind == 1) drawPark(mesh, block);
        if (block.kind == 2) drawPlaza(mesh, block);
    }
    for (const CityBuilding& b : cityBuildings)
        if (rectDistance(distance, b.rect) <= reach) drawBuilding(mesh, b);
    drawViaduct(mesh, distance, reach);
}

std::vector<NeonLamp> cityNeonLamps(const DistanceToRoute& distance, float reach) {
    std::vector<NeonLamp> lamps;
    for (const CityBuilding& b : cityBuildings) {
        if (b.neon < 0 || b.height <= 12.0f || rectDistance(distance, b.rect) > reach) continue;
        Vec3 root, out;
        neonPlacement(b, &root, &out);
        NeonLamp lamp;
        lamp.position = root + out * 1.3f + Vec3{0, 3.5f, 0};
        for (int i = 0; i < 3; ++i) lamp.colour[i] = kNeonColours[b.neon][i];
        lamp.distance = distance(lamp.position.x, lamp.position.z);
        lamps.push_back(lamp);
    }
    return lamps;
}
