// Visibility sets of a chunked map: which chunks an eye in one square of the
// street grid can see past the city's buildings, worked out at the map's
// first draw after the race loads, so a frame leaves out the chunks whole
// blocks hide.
//
// Seen from above, a building is a closed footprint that hides everything
// behind it up to its roof. A chunk counts as hidden from a viewer cell only
// when it is hidden whatever the eye's place in the cell: no straight line
// from the cell to the chunk's box gets past the buildings. Every such line
// lies in the convex hull of the cell's square and the chunk's footprint, and
// stays no higher than the higher of the eye's limit and the chunk's top; a
// building at least that tall blocks every line that crosses its footprint.
// So the lines are all blocked when, on a grid of ground cells, the free
// cells of the hull (those not wholly covered by such buildings) link no eye
// cell of the viewer's square with any cell of the chunk's footprint. Near the
// viewer a line is still low: a building there need only be as tall as the
// line can be at its distance.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "render/render.h"
#include "render/render_local.h"

// Off by default: on the city's circuits the chunks the sets leave out are
// nearly all far in the haze, drawn in its colour alone for little, while
// working the sets out costs about a second at a race's first frame.
bool mapVisibilityEnabled = false;

namespace {

constexpr float kNoSolid = -1e30f;

// The buildings on a grid of ground cells: per cell the greatest height up
// to which buildings wholly cover it, kNoSolid where none does.
struct SolidGrid {
    float x0 = 0.0f, z0 = 0.0f;  // corner of cell (0, 0)
    int nx = 0, nz = 0;
    std::vector<float> height;
};

int cellFloor(float v, float origin, int count) {
    // Clamped before the conversion: a cell far off the grid is its edge.
    const float c = std::floor((v - origin) / kGroundCell);
    if (!(c > 0.0f)) return 0;
    if (c >= static_cast<float>(count - 1)) return std::max(0, count - 1);
    return static_cast<int>(c);
}

// Whether the rectangles (all overlapping the cell) cover it wholly.
bool coversCell(const std::vector<const MapSolid*>& rects, float cx0, float cz0, float cx1, float cz1) {
    std::vector<float> xs = {cx0, cx1}, zs = {cz0, cz1};
    for (const MapSolid* r : rects) {
        if (r->x0 > cx0 && r->x0 < cx1) xs.push_back(r->x0);
        if (r->x1 > cx0 && r->x1 < cx1) xs.push_back(r->x1);
        if (r->z0 > cz0 && r->z0 < cz1) zs.push_back(r->z0);
        if (r->z1 > cz0 && r->z1 < cz1) zs.push_back(r->z1);
    }
    std::sort(xs.begin(), xs.end());
    std::sort(zs.begin(), zs.end());
    for (size_t i = 0; i + 1 < xs.size(); i++)
        for (size_t j = 0; j + 1 < zs.size(); j++) {
            if (xs[i + 1] <= xs[i] || zs[j + 1] <= zs[j]) continue;
            const float x = 0.5f * (xs[i] + xs[i + 1]), z = 0.5f * (zs[j] + zs[j + 1]);
            bool inside = false;
            for (const MapSolid* r : rects)
                if (x > r->x0 && x < r->x1 && z > r->z0 && z < r->z1) {
                    inside = true;
                    break;
                }
            if (!inside) return false;
        }
    return true;
}

void buildSolidGrid(const std::vector<MapSolid>& solids, SolidGrid& grid) {
    grid.height.assign(static_cast<size_t>(grid.nx) * grid.nz, kNoSolid);
    // Every (cell, building) overlap, then each cell's buildings tallest
    // first until they cover it.
    std::vector<std::pair<int, int>> overlaps;
    for (size_t s = 0; s < solids.size(); s++) {
        const MapSolid& r = solids[s];
        const int i0 = cellFloor(r.x0, grid.x0, grid.nx), i1 = cellFloor(r.x1, grid.x0, grid.nx);
        const int j0 = cellFloor(r.z0, grid.z0, grid.nz), j1 = cellFloor(r.z1, grid.z0, grid.nz);
        for (int j = j0; j <= j1; j++)
            for (int i = i0; i <= i1; i++) overlaps.push_back({j * grid.nx + i, static_cast<int>(s)});
    }
    std::sort(overlaps.begin(), overlaps.end());
    std::vector<const MapSolid*> cellSolids;
    for (size_t a = 0; a < overlaps.size();) {
        size_t b = a;
        const int cell = overlaps[a].first;
        const float cx0 = grid.x0 + static_cast<float>(cell % grid.nx) * kGroundCell;
        const float cz0 = grid.z0 + static_cast<float>(cell / grid.nx) * kGroundCell;
        const float cx1 = cx0 + kGroundCell, cz1 = cz0 + kGroundCell;
        cellSolids.clear();
        for (; b < overlaps.size() && overlaps[b].first == cell; b++) {
            const MapSolid& r = solids[static_cast<size_t>(overlaps[b].second)];
            if (r.x1 > cx0 && r.x0 < cx1 && r.z1 > cz0 && r.z0 < cz1) cellSolids.push_back(&r);
        }
        std::sort(cellSolids.begin(), cellSolids.end(),
                  [](const MapSolid* p, const MapSolid* q) { return p->top > q->top; });
        std::vector<const MapSolid*> taller;
        for (const MapSolid* r : cellSolids) {
            taller.push_back(r);
            if (coversCell(taller, cx0, cz0, cx1, cz1)) {
                grid.height[static_cast<size_t>(cell)] = r->top;
                break;
            }
        }
        a = b;
    }
}

struct Point2 {
    float x, z;
};

// Convex hull of the corners of two rectangles, counter-clockwise.
std::vector<Point2> hullOf(const float a[4], const float b[4]) {
    std::vector<Point2> p = {{a[0], a[1]}, {a[2], a[1]}, {a[2], a[3]}, {a[0], a[3]},
                             {b[0], b[1]}, {b[2], b[1]}, {b[2], b[3]}, {b[0], b[3]}};
    std::sort(p.begin(), p.end(), [](Point2 u, Point2 v) { return u.x < v.x || (u.x == v.x && u.z < v.z); });
    auto turn = [](Point2 o, Point2 u, Point2 v) {
        return (u.x - o.x) * (v.z - o.z) - (u.z - o.z) * (v.x - o.x);
    };
    std::vector<Point2> h(2 * p.size());
    size_t k = 0;
    for (size_t i = 0; i < p.size(); i++) {
        while (k >= 2 && turn(h[k - 2], h[k - 1], p[i]) <= 0.0f) k--;
        h[k++] = p[i];
    }
    for (size_t i = p.size() - 1, t = k + 1; i-- > 0;) {
        while (k >= t && turn(h[k - 2], h[k - 1], p[i]) <= 0.0f) k--;
        h[k++] = p[i];
    }
    h.resize(k > 1 ? k - 1 : k);
    return h;
}

// The hull's x extent within the strip z0..z1 (false when it misses it).
bool hullRow(const std::vector<Point2>& hull, float z0, float z1, float* xMin, float* xMax) {
    bool any = false;
    for (size_t e = 0; e < hull.size(); e++) {
        Point2 p = hull[e], q = hull[(e + 1) % hull.size()];
        if (p.z > q.z) std::swap(p, q);
        if (q.z < z0 || p.z > z1) continue;
        auto xAt = [&](float z) { return q.z > p.z ? p.x + (q.x - p.x) * (z - p.z) / (q.z - p.z) : p.x; };
        const float a = std::max(p.z, z0), b = std::min(q.z, z1);
        for (float x : {q.z > p.z ? xAt(a) : p.x, q.z > p.z ? xAt(b) : q.x}) {
            *xMin = any ? std::min(*xMin, x) : x;
            *xMax = any ? std::max(*xMax, x) : x;
            any = true;
        }
    }
    return any;
}

// Flood over the free cells of the hull from the viewer's square; true when
// it reaches a cell of the chunk's footprint.
bool lineOfSight(const SolidGrid& grid, const std::vector<uint8_t>& eyeCells, const float viewer[4],
                 const float target[4], float eyeTop, float targetTop, std::vector<int>& stamp, int mark) {
    const std::vector<Point2> hull = hullOf(viewer, target);
    const int j0 = cellFloor(std::min(viewer[1], target[1]), grid.z0, grid.nz);
    const int j1 = cellFloor(std::max(viewer[3], target[3]), grid.z0, grid.nz);
    std::vector<int> rowLo(static_cast<size_t>(j1 - j0 + 1), 1), rowHi(static_cast<size_t>(j1 - j0 + 1), 0);
    for (int j = j0; j <= j1; j++) {
        float xMin, xMax;
        const float z0 = grid.z0 + static_cast<float>(j) * kGroundCell;
        if (!hullRow(hull, z0, z0 + kGroundCell, &xMin, &xMax)) continue;
        rowLo[static_cast<size_t>(j - j0)] = cellFloor(xMin, grid.x0, grid.nx);
        rowHi[static_cast<size_t>(j - j0)] = cellFloor(xMax, grid.x0, grid.nx);
    }
    auto inRegion = [&](int i, int j) {
        return j >= j0 && j <= j1 && i >= rowLo[static_cast<size_t>(j - j0)] &&
               i <= rowHi[static_cast<size_t>(j - j0)];
    };
    // A line from an eye at most eyeTop high to a point of the chunk at most
    // targetTop high, a fraction f of the way along, is at most eyeTop +
    // f (targetTop - eyeTop) high; over a cell, f is at most the furthest
    // the cell lies from the viewer's square over that plus the nearest it
    // comes to the chunk's footprint.
    const float rise = std::max(0.0f, targetTop - eyeTop);
    auto passable = [&](int i, int j) {
        const float solid = grid.height[static_cast<size_t>(j) * grid.nx + i];
        if (solid == kNoSolid) return true;
        if (solid >= eyeTop + rise) return false;
        const float cx0 = grid.x0 + static_cast<float>(i) * kGroundCell,
                    cz0 = grid.z0 + static_cast<float>(j) * kGroundCell;
        const float cx1 = cx0 + kGroundCell, cz1 = cz0 + kGroundCell;
        const float fx = std::max(cx1 - viewer[0], viewer[2] - cx0),
                    fz = std::max(cz1 - viewer[1], viewer[3] - cz0);
        const float gx = std::max(0.0f, std::max(target[0] - cx1, cx0 - target[2]));
        const float gz = std::max(0.0f, std::max(target[1] - cz1, cz0 - target[3]));
        const float furthest = std::sqrt(fx * fx + fz * fz), nearest = std::sqrt(gx * gx + gz * gz);
        const float fraction = furthest + nearest > 0.0f ? furthest / (furthest + nearest) : 1.0f;
        return solid < eyeTop + rise * fraction;
    };
    const int ti0 = cellFloor(target[0], grid.x0, grid.nx), ti1 = cellFloor(target[2], grid.x0, grid.nx);
    const int tj0 = cellFloor(target[1], grid.z0, grid.nz), tj1 = cellFloor(target[3], grid.z0, grid.nz);
    std::vector<int> queue;
    const int vi0 = cellFloor(viewer[0], grid.x0, grid.nx), vi1 = cellFloor(viewer[2], grid.x0, grid.nx);
    const int vj0 = cellFloor(viewer[1], grid.z0, grid.nz), vj1 = cellFloor(viewer[3], grid.z0, grid.nz);
    for (int j = vj0; j <= vj1; j++)
        for (int i = vi0; i <= vi1; i++) {
            const int c = j * grid.nx + i;
            if (!eyeCells[static_cast<size_t>(c)] || !inRegion(i, j) || !passable(i, j) ||
                stamp[static_cast<size_t>(c)] == mark)
                continue;
            stamp[static_cast<size_t>(c)] = mark;
            queue.push_back(c);
        }
    // Most chunks seen are seen along a street: a few straight lines from
    // the eye's cells to the chunk's corners and middle, walked in quarter
    // cells, settle them before any flood.
    for (size_t n = 0; n < 4 && !queue.empty(); n++) {
        const int from = queue[n * (queue.size() - 1) / 3];
        const float fx = grid.x0 + (static_cast<float>(from % grid.nx) + 0.5f) * kGroundCell;
        const float fz = grid.z0 + (static_cast<float>(from / grid.nx) + 0.5f) * kGroundCell;
        const float ends[5][2] = {{0.5f * (target[0] + target[2]), 0.5f * (target[1] + target[3])},
                                  {target[0], target[1]},
                                  {target[2], target[1]},
                                  {target[2], target[3]},
                                  {target[0], target[3]}};
        for (const auto& end : ends) {
            const float dx = end[0] - fx, dz = end[1] - fz;
            const int steps = 1 + static_cast<int>(4.0f * std::sqrt(dx * dx + dz * dz) / kGroundCell);
            bool clear = true;
            for (int k = 1; k <= steps && clear; k++) {
                const float f = static_cast<float>(k) / static_cast<float>(steps);
                clear = passable(cellFloor(fx + f * dx, grid.x0, grid.nx),
                                 cellFloor(fz + f * dz, grid.z0, grid.nz));
            }
            if (clear) return true;
        }
    }
    for (size_t q = 0; q < queue.size(); q++) {
        const int i = queue[q] % grid.nx, j = queue[q] / grid.nx;
        if (i >= ti0 && i <= ti1 && j >= tj0 && j <= tj1) return true;
        // Eight neighbours: a line may pass exactly through a corner.
        for (int dj = -1; dj <= 1; dj++)
            for (int di = -1; di <= 1; di++) {
                const int ni = i + di, nj = j + dj;
                if (ni < 0 || nj < 0 || ni >= grid.nx || nj >= grid.nz || !inRegion(ni, nj)) continue;
                const int c = nj * grid.nx + ni;
                if (stamp[static_cast<size_t>(c)] == mark || !passable(ni, nj)) continue;
                stamp[static_cast<size_t>(c)] = mark;
                queue.push_back(c);
            }
    }
    return false;
}

bool overlaps(const float a[4], const float b[4]) {
    return a[0] <= b[2] && b[0] <= a[2] && a[1] <= b[3] && b[1] <= a[3];
}

}  // namespace

bool loadMapSolids(const char* path, std::vector<MapSolid>* solids) {
    solids->clear();
    // A plain file of a sane size, as every reader of the game's files takes.
    std::vector<uint8_t> text;
    if (!platformReadFile(path, &text)) return false;
    text.push_back('\0');
    const char* p = reinterpret_cast<const char*>(text.data());
    const char* end = p + text.size() - 1;
    while (p < end) {
        float v[5];
        for (float& value : v) {
            while (p < end && (*p == ' ' || *p == '\t')) p++;
            char* after = nullptr;
            value = std::strtof(p, &after);
            if (after == p || !std::isfinite(value) || std::fabs(value) > kMaxSolidCoordinate) {
                solids->clear();
                return false;
            }
            p = after;
        }
        while (p < end && (*p == ' ' || *p == '\t' || *p == '\r')) p++;
        if (p < end && *p != '\n') {
            solids->clear();
            return false;
        }
        if (p < end) p++;
        if (!(v[0] < v[2] && v[1] < v[3])) {
            solids->clear();
            return false;
        }
        solids->push_back(MapSolid{v[0], v[1], v[2], v[3], v[4]});
    }
    return true;
}

namespace {

// What buildChunkVisibility was given, kept until the model's first draw in
// chunks (a race that is never drawn, as in the simulations, never pays).
struct PendingVisibility {
    const Model* model = nullptr;
    std::vector<MapSolid> solids;
    std::vector<float> eyePoints;
    float eyeReach = 0.0f;
};
PendingVisibility pending;

void computeChunkVisibility(ModelChunks& built, const std::vector<MapSolid>& solids,
                            const std::vector<float>& eyePoints, float eyeReach) {
    const std::vector<MapChunk>& chunks = built.chunks;
    built.seen.clear();
    built.hasSet.clear();
    built.eyeTops.clear();
    built.cellsX = built.cellsZ = 0;
    if (chunks.empty()) return;

    // The solid grid covers every chunk's box and every viewer cell.
    float lo[2] = {built.originX, built.originZ}, hi[2] = {built.originX, built.originZ};
    for (const MapChunk& c : chunks) {
        built.cellsX = std::max(built.cellsX, c.cellX + 1);
        built.cellsZ = std::max(built.cellsZ, c.cellZ + 1);
        lo[0] = std::min(lo[0], c.lo[0]);
        lo[1] = std::min(lo[1], c.lo[2]);
        hi[0] = std::max(hi[0], c.hi[0]);
        hi[1] = std::max(hi[1], c.hi[2]);
    }
    hi[0] = std::max(hi[0], built.originX + static_cast<float>(built.cellsX) * kChunkSize);
    hi[1] = std::max(hi[1], built.originZ + static_cast<float>(built.cellsZ) * kChunkSize);
    SolidGrid grid;
    grid.x0 = lo[0] - kGroundCell;
    grid.z0 = lo[1] - kGroundCell;
    grid.nx = static_cast<int>(std::ceil((hi[0] - grid.x0) / kGroundCell)) + 2;
    grid.nz = static_cast<int>(std::ceil((hi[1] - grid.z0) / kGroundCell)) + 2;
    buildSolidGrid(solids, grid);

    const size_t cellCount = static_cast<size_t>(built.cellsX) * built.cellsZ;
    built.hasSet.assign(cellCount, 0);
    built.eyeTops.assign(cellCount, kNoSolid);
    built.seen.assign(cellCount * chunks.size(), 1);
    // The eye region: every ground cell within eyeReach of an eye point.
    built.eyeX0 = grid.x0;
    built.eyeZ0 = grid.z0;
    built.eyeNx = grid.nx;
    built.eyeNz = grid.nz;
    built.eyeCells.assign(static_cast<size_t>(grid.nx) * grid.nz, 0);
    for (size_t e = 0; e + 2 < eyePoints.size(); e += 3) {
        const float px = eyePoints[e], pz = eyePoints[e + 1], top = eyePoints[e + 2];
        const int i0 = cellFloor(px - eyeReach, grid.x0, grid.nx),
                  i1 = cellFloor(px + eyeReach, grid.x0, grid.nx);
        const int j0 = cellFloor(pz - eyeReach, grid.z0, grid.nz),
                  j1 = cellFloor(pz + eyeReach, grid.z0, grid.nz);
        for (int j = j0; j <= j1; j++)
            for (int i = i0; i <= i1; i++) {
                const float cx0 = grid.x0 + static_cast<float>(i) * kGroundCell,
                            cz0 = grid.z0 + static_cast<float>(j) * kGroundCell;
                const float gx = std::max(0.0f, std::max(cx0 - px, px - cx0 - kGroundCell));
                const float gz = std::max(0.0f, std::max(cz0 - pz, pz - cz0 - kGroundCell));
                if (gx * gx + gz * gz > eyeReach * eyeReach) continue;
                built.eyeCells[static_cast<size_t>(j) * grid.nx + i] = 1;
                const int x =
                    static_cast<int>(std::floor((cx0 + 0.5f * kGroundCell - built.originX) / kChunkSize));
                const int z =
                    static_cast<int>(std::floor((cz0 + 0.5f * kGroundCell - built.originZ) / kChunkSize));
                if (x >= 0 && z >= 0 && x < built.cellsX && z < built.cellsZ) {
                    const size_t cell = static_cast<size_t>(z) * built.cellsX + x;
                    built.hasSet[cell] = 1;
                    built.eyeTops[cell] = std::max(built.eyeTops[cell], top);
                }
            }
    }

    std::vector<int> stamp(static_cast<size_t>(grid.nx) * grid.nz, 0);
    int mark = 0;
    for (int z = 0; z < built.cellsZ; z++)
        for (int x = 0; x < built.cellsX; x++) {
            const size_t cell = static_cast<size_t>(z) * built.cellsX + x;
            if (!built.hasSet[cell]) continue;
            const float viewer[4] = {built.originX + static_cast<float>(x) * kChunkSize,
                                     built.originZ + static_cast<float>(z) * kChunkSize,
                                     built.originX + static_cast<float>(x + 1) * kChunkSize,
                                     built.originZ + static_cast<float>(z + 1) * kChunkSize};
            for (size_t t = 0; t < chunks.size(); t++) {
                const MapChunk& c = chunks[t];
                const float target[4] = {c.lo[0], c.lo[2], c.hi[0], c.hi[2]};
                if (overlaps(viewer, target)) continue;
                built.seen[cell * chunks.size() + t] = lineOfSight(
                    grid, built.eyeCells, viewer, target, built.eyeTops[cell], c.hi[1], stamp, ++mark);
            }
        }
}

}  // namespace

void buildChunkVisibility(Model* model, const std::vector<MapSolid>& solids,
                          const std::vector<float>& eyePoints, float eyeReach) {
    if (model == nullptr) return;
    if (model->chunks != nullptr) {
        model->chunks->seen.clear();
        model->chunks->hasSet.clear();
    }
    pending.model = model;
    pending.solids = solids;
    pending.eyePoints = eyePoints;
    pending.eyeReach = eyeReach;
}

void takePendingVisibility(const Model* model) {
    if (pending.model != model || model == nullptr || !mapVisibilityEnabled) return;
    if (model->chunks != nullptr)
        computeChunkVisibility(*model->chunks, pending.solids, pending.eyePoints, pending.eyeReach);
    forgetPendingVisibility(model);
}

void forgetPendingVisibility(const Model* model) {
    if (pending.model != model) return;
    pending = PendingVisibility();
}

const uint8_t* chunksSeenFrom(const ModelChunks& chunks, const float m[16]) {
    if (chunks.hasSet.empty()) return nullptr;
    // The eye in model space: -A^-1 t for the model-view's linear part A
    // (columns m[0..2], m[4..6], m[8..10]) and translation t.
    const float a = m[0], b = m[4], c = m[8], d = m[1], e = m[5], f = m[9], g = m[2], h = m[6], k = m[10];
    const float det = a * (e * k - f * h) - b * (d * k - f * g) + c * (d * h - e * g);
    if (!(std::fabs(det) > 1e-12f)) return nullptr;
    const float t[3] = {m[12], m[13], m[14]};
    const float inv[3][3] = {{(e * k - f * h) / det, (c * h - b * k) / det, (b * f - c * e) / det},
                             {(f * g - d * k) / det, (a * k - c * g) / det, (c * d - a * f) / det},
                             {(d * h - e * g) / det, (b * g - a * h) / det, (a * e - b * d) / det}};
    float eye[3];
    for (int r = 0; r < 3; r++) eye[r] = -(inv[r][0] * t[0] + inv[r][1] * t[1] + inv[r][2] * t[2]);
    const float gx = std::floor((eye[0] - chunks.eyeX0) / kGroundCell);
    const float gz = std::floor((eye[2] - chunks.eyeZ0) / kGroundCell);
    if (!(gx >= 0.0f && gz >= 0.0f && gx < static_cast<float>(chunks.eyeNx) &&
          gz < static_cast<float>(chunks.eyeNz)))
        return nullptr;
    if (!chunks
             .eyeCells[static_cast<size_t>(gz) * static_cast<size_t>(chunks.eyeNx) + static_cast<size_t>(gx)])
        return nullptr;
    const float fx = std::floor((eye[0] - chunks.originX) / kChunkSize);
    const float fz = std::floor((eye[2] - chunks.originZ) / kChunkSize);
    if (!(fx >= 0.0f && fz >= 0.0f && fx < static_cast<float>(chunks.cellsX) &&
          fz < static_cast<float>(chunks.cellsZ)))
        return nullptr;
    const size_t cell =
        static_cast<size_t>(fz) * static_cast<size_t>(chunks.cellsX) + static_cast<size_t>(fx);
    if (!chunks.hasSet[cell] || !(eye[1] <= chunks.eyeTops[cell])) return nullptr;
    return &chunks.seen[cell * chunks.chunks.size()];
}
