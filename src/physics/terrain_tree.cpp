// Builds and queries the terrain mesh's quadrant tree.
#include "physics/terrain_tree.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "physics/physics_local.h"

namespace {

struct BuildNode {
    Vector3 boundsMin, boundsMax;
    int children[4];
    std::vector<int> triangles;  // leaves only
    int depth;
};

struct Builder {
    const TerrainTree* tree;
    std::vector<BuildNode> nodes;
};

}  // namespace

// Whether the triangle, seen from above, overlaps the x-z rectangle (the
// tree never cuts y, so the rectangle decides). Separating axes: the two
// rectangle axes and the three edge normals.
static bool triangleOverlapsRect(const CollisionTriangle& t, float x0, float z0, float x1, float z1) {
    float minX = std::fmin(t.v[0].x, std::fmin(t.v[1].x, t.v[2].x));
    float maxX = std::fmax(t.v[0].x, std::fmax(t.v[1].x, t.v[2].x));
    float minZ = std::fmin(t.v[0].z, std::fmin(t.v[1].z, t.v[2].z));
    float maxZ = std::fmax(t.v[0].z, std::fmax(t.v[1].z, t.v[2].z));
    if (minX > x1 || maxX < x0 || minZ > z1 || maxZ < z0) return false;
    float cx[4] = {x0, x1, x1, x0}, cz[4] = {z0, z0, z1, z1};
    for (int e = 0; e < 3; e++) {
        const Vector3& a = t.v[e];
        const Vector3& b = t.v[(e + 1) % 3];
        float nx = -(b.z - a.z), nz = b.x - a.x;
        if (nx == 0.0f && nz == 0.0f) continue;
        float third = nx * t.v[(e + 2) % 3].x + nz * t.v[(e + 2) % 3].z;
        float edge = nx * a.x + nz * a.z;
        // The triangle lies on the third vertex's side of the edge line; the
        // rectangle is apart when all its corners lie strictly on the other.
        bool apart = true;
        for (int c = 0; c < 4 && apart; c++) {
            float d = nx * cx[c] + nz * cz[c];
            apart = third >= edge ? d < edge : d > edge;
        }
        if (apart) return false;
    }
    return true;
}

static void splitNode(Builder& b, int index) {
    BuildNode& node = b.nodes[index];
    int count = static_cast<int>(node.triangles.size());
    if (node.depth >= kTerrainMaxDepth || count <= kTerrainLeafTriangles) return;

    // The mean of the corners of every triangle in the node.
    double sx = 0.0, sz = 0.0;
    for (int t : node.triangles) {
        const CollisionTriangle& tri = b.tree->triangles[t];
        for (int k = 0; k < 3; k++) {
            sx += tri.v[k].x;
            sz += tri.v[k].z;
        }
    }
    float mx = static_cast<float>(sx / (3.0 * count));
    float mz = static_cast<float>(sz / (3.0 * count));

    Vector3 lo = node.boundsMin, hi = node.boundsMax;
    float x0[4] = {lo.x, mx, mx, lo.x}, x1[4] = {mx, hi.x, hi.x, mx};
    float z0[4] = {lo.z, lo.z, mz, mz}, z1[4] = {mz, mz, hi.z, hi.z};
    std::vector<int> parts[4];
    for (int c = 0; c < 4; c++) {
        for (int t : node.triangles) {
            if (triangleOverlapsRect(b.tree->triangles[t], x0[c], z0[c], x1[c], z1[c])) parts[c].push_back(t);
        }
        // A quadrant that would take every triangle gains nothing: the node
        // stays a leaf with its whole list.
        if (static_cast<int>(parts[c].size()) == count) return;
    }
    int depth = node.depth;
    std::vector<int> own;
    own.swap(node.triangles);
    for (int c = 0; c < 4; c++) {
        if (parts[c].empty()) continue;
        BuildNode child;
        child.boundsMin = Vector3(x0[c], lo.y, z0[c]);
        child.boundsMax = Vector3(x1[c], hi.y, z1[c]);
        for (int k = 0; k < 4; k++) child.children[k] = -1;
        child.triangles.swap(parts[c]);
        child.depth = depth + 1;
        int childIndex = static_cast<int>(b.nodes.size());
        b.nodes.push_back(std::move(child));  // invalidates node
        b.nodes[index].children[c] = childIndex;
        splitNode(b, childIndex);
    }
}

bool buildTree(PhysicsWorld* world, TerrainTree* tree) {
    std::memset(tree, 0, sizeof(*tree));
    int count = world->terrainTriangleCount;
    if (count <= 0 || !world->terrainTriangles || !world->terrainVertices) return true;

    tree->triangles =
        static_cast<CollisionTriangle*>(worldAllocate(world, sizeof(CollisionTriangle) * count));
    tree->triangleMin = static_cast<Vector3*>(worldAllocate(world, sizeof(Vector3) * count));
    tree->triangleMax = static_cast<Vector3*>(worldAllocate(world, sizeof(Vector3) * count));
    tree->materials = static_cast<int*>(worldAllocate(world, sizeof(int) * count));
    tree->marks = static_cast<unsigned*>(worldAllocate(world, sizeof(unsigned) * count));
    if (!tree->triangles || !tree->triangleMin || !tree->triangleMax || !tree->materials || !tree->marks) {
        releaseTree(world, tree);
        return false;
    }
    tree->triangleCount = count;
    Vector3 lo(1e30f, 1e30f, 1e30f), hi(-1e30f, -1e30f, -1e30f);
    for (int t = 0; t < count; t++) {
        const MeshTriangle& mt = world->terrainTriangles[t];
        CollisionTriangle& tri = tree->triangles[t];
        Vector3 tmin(1e30f, 1e30f, 1e30f), tmax(-1e30f, -1e30f, -1e30f);
        for (int k = 0; k < 3; k++) {
            int v = mt.vertices[k];
            // The core drops out-of-range indices; a stray one reads the origin.
            tri.v[k] = v >= 0 && v < world->terrainVertexCount ? world->terrainVertices[v] : Vector3();
            tri.v[k].w = 0.0f;
            for (int a = 0; a < 3; a++) {
                tmin[a] = std::fmin(tmin[a], tri.v[k][a]);
                tmax[a] = std::fmax(tmax[a], tri.v[k][a]);
            }
        }
        tri.normal = cross(tri.v[1] - tri.v[0], tri.v[2] - tri.v[0]);
        normalise(tri.normal);
        tree->triangleMin[t] = tmin;
        tree->triangleMax[t] = tmax;
        tree->materials[t] = mt.material;
        tree->marks[t] = 0;
        for (int a = 0; a < 3; a++) {
            lo[a] = std::fmin(lo[a], tmin[a]);
            hi[a] = std::fmax(hi[a], tmax[a]);
        }
    }

    Builder b;
    b.tree = tree;
    BuildNode root;
    root.boundsMin = lo;
    root.boundsMax = hi;
    for (int k = 0; k < 4; k++) root.children[k] = -1;
    root.depth = 0;
    root.triangles.resize(count);
    for (int t = 0; t < count; t++) root.triangles[t] = t;
    b.nodes.push_back(std::move(root));
    splitNode(b, 0);

    int nodeCount = static_cast<int>(b.nodes.size());
    int leafTotal = 0;
    for (const BuildNode& n : b.nodes) leafTotal += static_cast<int>(n.triangles.size());
    tree->nodes = static_cast<TerrainNode*>(worldAllocate(world, sizeof(TerrainNode) * nodeCount));
    tree->leafTriangles =
        static_cast<int*>(worldAllocate(world, sizeof(int) * (leafTotal > 0 ? leafTotal : 1)));
    tree->leafBounds =
        static_cast<float*>(worldAllocate(world, sizeof(float) * 6 * (leafTotal > 0 ? leafTotal : 1)));
    if (!tree->nodes || !tree->leafTriangles || !tree->leafBounds) {
        releaseTree(world, tree);
        return false;
    }
    int written = 0;
    for (int i = 0; i < nodeCount; i++) {
        const BuildNode& src = b.nodes[i];
        TerrainNode& dst = tree->nodes[i];
        dst.boundsMin = src.boundsMin;
        dst.boundsMax = src.boundsMax;
        for (int k = 0; k < 4; k++) dst.children[k] = src.children[k];
        dst.depth = src.depth;
        dst.firstTriangle = written;
        dst.triangleCount = static_cast<int>(src.triangles.size());
        // Sorted by the least x of their boxes, so a scan can stop early.
        std::vector<int> sorted = src.triangles;
        std::sort(sorted.begin(), sorted.end(),
                  [tree](int x, int y) { return tree->triangleMin[x].x < tree->triangleMin[y].x; });
        for (int t : sorted) {
            float* box = tree->leafBounds + 6 * written;
            for (int a = 0; a < 3; a++) {
                box[a] = tree->triangleMin[t][a];
                box[3 + a] = tree->triangleMax[t][a];
            }
            tree->leafTriangles[written++] = t;
        }
    }
    tree->nodeCount = nodeCount;
    tree->leafTriangleCount = written;
    return true;
}

void releaseTree(PhysicsWorld* world, TerrainTree* tree) {
    worldFree(world, tree->nodes);
    worldFree(world, tree->leafTriangles);
    worldFree(world, tree->leafBounds);
    worldFree(world, tree->triangles);
    worldFree(world, tree->triangleMin);
    worldFree(world, tree->triangleMax);
    worldFree(world, tree->materials);
    worldFree(world, tree->marks);
    std::memset(tree, 0, sizeof(*tree));
}

static bool boxesOverlap(const Vector3& aMin, const Vector3& aMax, const Vector3& bMin, const Vector3& bMax) {
    return aMin.x <= bMax.x && aMax.x >= bMin.x && aMin.y <= bMax.y && aMax.y >= bMin.y && aMin.z <= bMax.z &&
           aMax.z >= bMin.z;
}

int queryTerrainTriangles(TerrainTree& tree, const Vector3& boxMin, const Vector3& boxMax, int* out,
                          int max) {
    if (tree.nodeCount == 0) return 0;
    tree.mark++;
    if (tree.mark == 0) {  // wrapped: old marks could collide
        std::memset(tree.marks, 0, sizeof(unsigned) * tree.triangleCount);
        tree.mark = 1;
    }
    int stack[4 * (kTerrainMaxDepth + 2)];
    int top = 0, found = 0;
    stack[top++] = 0;
    while (top > 0) {
        const TerrainNode& node = tree.nodes[stack[--top]];
        if (!boxesOverlap(node.boundsMin, node.boundsMax, boxMin, boxMax)) continue;
        if (node.triangleCount > 0) {
            // The boxes of a leaf lie in one run: test them first, and only
            // then look at the triangle's mark.
            const int* list = tree.leafTriangles + node.firstTriangle;
            const float* box = tree.leafBounds + 6 * node.firstTriangle;
            float x0 = boxMin.x, y0 = boxMin.y, z0 = boxMin.z, x1 = boxMax.x, y1 = boxMax.y, z1 = boxMax.z;
            for (int i = 0; i < node.triangleCount; i++, box += 6) {
                if (box[0] > x1) break;  // the rest start further along x
                if (box[3] < x0 || box[2] > z1 || box[5] < z0 || box[1] > y1 || box[4] < y0) continue;
                int t = list[i];
                if (tree.marks[t] == tree.mark) continue;
                tree.marks[t] = tree.mark;
                if (found >= max) return found;
                out[found++] = t;
            }
            continue;
        }
        for (int c = 3; c >= 0; c--) {
            if (node.children[c] >= 0) stack[top++] = node.children[c];
        }
    }
    return found;
}
