// Search tree over the static terrain mesh: quadrants in x and z around the
// mean vertex of each node, so a query with a small box (a car, a wheel ray)
// only tests the triangles of the few leaves near it.
#pragma once

#include "physics/collide.h"

struct TerrainNode {
    Vector3 boundsMin;
    Vector3 boundsMax;
    int children[4];    // x<=, z<= | x>=, z<= | x>=, z>= | x<=, z>= around the mean; −1 for none
    int firstTriangle;  // leaves: range in TerrainTree::leafTriangles
    int triangleCount;  // 0 for an inner node
    int depth;          // root 0
};

struct TerrainTree {
    TerrainNode* nodes;
    int nodeCount;
    int* leafTriangles;  // triangle indices of all leaves, leaf after leaf
    float* leafBounds;   // per entry of leafTriangles its triangle's box (min xyz, max xyz), scanned in order
    int leafTriangleCount;
    // Per triangle: corners and unit normal, its box, its material.
    CollisionTriangle* triangles;
    Vector3* triangleMin;
    Vector3* triangleMax;
    int* materials;
    int triangleCount;
    // Marks of the last query per triangle, so a triangle shared by several
    // leaves is reported once.
    unsigned* marks;
    unsigned mark;
};

// A node with more triangles than this below the depth limit is split.
constexpr int kTerrainLeafTriangles = 9;
constexpr int kTerrainMaxDepth = 5;

struct PhysicsWorld;

// Builds from the world's terrain copies; false when memory runs out (the
// tree is then empty). releaseTree frees what build took.
bool buildTree(PhysicsWorld* world, TerrainTree* tree);
void releaseTree(PhysicsWorld* world, TerrainTree* tree);

// Distinct triangles of those leaves whose own box overlaps the query box;
// at most max written, the count returned.
int queryTerrainTriangles(TerrainTree& tree, const Vector3& boxMin, const Vector3& boxMax, int* out, int max);
