// Worlds, meshes and bodies shared by the collision and scene tests.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "physics/physics.h"
#include "physics/physics_local.h"

// A mesh under construction: vertices and triangles appended by helpers.
struct MeshBuilder {
    std::vector<Vector3> vertices;
    std::vector<MeshTriangle> triangles;

    void triangle(const Vector3& a, const Vector3& b, const Vector3& c, int material = 0) {
        int base = (int)vertices.size();
        vertices.push_back(a);
        vertices.push_back(b);
        vertices.push_back(c);
        MeshTriangle t;
        t.vertices[0] = base;
        t.vertices[1] = base + 1;
        t.vertices[2] = base + 2;
        t.material = material;
        triangles.push_back(t);
    }
    // Quad a-b-c-d as two triangles.
    void quad(const Vector3& a, const Vector3& b, const Vector3& c, const Vector3& d, int material = 0) {
        triangle(a, b, c, material);
        triangle(a, c, d, material);
    }
    // Flat ground at height y over [x0, x1] x [z0, z1] in cells of the given size.
    void ground(float x0, float z0, float x1, float z1, float y, float cell) {
        for (float x = x0; x < x1 - 1e-4f; x += cell) {
            for (float z = z0; z < z1 - 1e-4f; z += cell) {
                float xe = std::fmin(x + cell, x1), ze = std::fmin(z + cell, z1);
                quad(Vector3(x, y, z), Vector3(x, y, ze), Vector3(xe, y, ze), Vector3(xe, y, z));
            }
        }
    }
    // A closed axis-aligned block (no bottom).
    void block(const Vector3& lo, const Vector3& hi) {
        Vector3 p[8];
        for (int i = 0; i < 8; i++)
            p[i] = Vector3(i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z);
        quad(p[2], p[6], p[7], p[3]);  // top
        quad(p[0], p[2], p[3], p[1]);  // z min
        quad(p[4], p[5], p[7], p[6]);  // z max
        quad(p[0], p[4], p[6], p[2]);  // x min
        quad(p[1], p[3], p[7], p[5]);  // x max
    }
    TerrainMesh mesh() const {
        TerrainMesh m;
        m.vertices = vertices.data();
        m.vertexCount = (int)vertices.size();
        m.triangles = triangles.data();
        m.triangleCount = (int)triangles.size();
        return m;
    }
};

inline PhysicsWorld* makeWorld(const WorldSizes& sizes = WorldSizes()) {
    Vector3 gravity(0.0f, -8.0f, 0.0f);
    return createWorld(sizes, nullptr, &gravity);
}

// A single box body of the given full size and mass, placed at position.
inline RigidBody* makeBox(PhysicsWorld* world, const Vector3& size, float mass, const Vector3& position) {
    RigidBody* body = createBody(world, 0);
    Geometry* g = addGeometry(body);
    setBox(g, size);
    updateBounds(body);
    setInertia(body, boxInertia(size, mass));
    setMass(body, mass);
    setPosition(body, position);
    return body;
}

// The race car's chassis: lower box and cabin, inertia of the cabin's size.
inline RigidBody* makeChassis(PhysicsWorld* world) {
    RigidBody* body = createBody(world, 0);
    setCollideConnected(body, 1);
    Geometry* lower = addGeometry(body);
    setBox(lower, 6.0f, 1.0f, 2.6f);
    Transform t;
    t.position = Vector3(0.0f, 0.3f, 0.0f);
    setLocalTransform(lower, t);
    Geometry* cabin = addGeometry(body);
    setBox(cabin, 2.5f, 0.6f, 2.6f);
    t.position = Vector3(-0.6f, 1.1f, 0.0f);
    setLocalTransform(cabin, t);
    return body;
}

inline void finishChassis(RigidBody* body, const Vector3& position) {
    updateBounds(body);
    setInertia(body, boxInertia(Vector3(2.5f, 0.6f, 2.6f), 100.0f));
    setMass(body, 100.0f);
    setPosition(body, position);
}

inline bool finiteVector(const Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Collects the world's messages for the tests that expect one.
struct MessageLog {
    std::string text;
    static void sink(const char* message, void* user) { ((MessageLog*)user)->text += message; }
    void attach(PhysicsWorld* world) {
        setMessageSink(world, &MessageLog::sink, this);
        setMessageLevel(world, 1);
    }
};
