// Stepping cost of the physics core: bodies in free flight, no contacts.
#include <benchmark/benchmark.h>

#include "physics/physics.h"

namespace {

constexpr int kBodies = 80;
constexpr int kSubSteps = 4;

// Car-sized boxes 20 units apart on a grid, high enough that a few thousand
// steps of falling never bring two of them together.
void placeBodies(RigidBody* const* bodies) {
    for (int i = 0; i < kBodies; ++i) {
        setPosition(bodies[i], Vector3((float)(i % 10) * 20.0f, 1000.0f, (float)(i / 10) * 20.0f));
        setRotation(bodies[i], fromEulerXYZ(Vector3(0.1f * (float)i, 0.05f * (float)i, 0.0f)));
        setLinearVelocity(bodies[i], Vector3(1.0f, 20.0f, -0.5f));
        setAngularMomentum(bodies[i], Vector3(50.0f, 200.0f * (float)(i % 3), 10.0f));
    }
}

void freeFlight(benchmark::State& state) {
    WorldSizes sizes;
    sizes.rigidBodiesCount = kBodies;
    sizes.animatedBodiesCount = 1;
    sizes.rigidParticleCount = 0;
    sizes.overlapPairsCount = 3240;
    sizes.geometriesCount = 89;
    sizes.constraintsCount = 448;
    Vector3 gravity(0.0f, -8.0f, 0.0f);
    PhysicsWorld* world = createWorld(sizes, nullptr, &gravity);
    RigidBody* bodies[kBodies];
    for (int i = 0; i < kBodies; ++i) {
        bodies[i] = createBody(world, 0);
        setBox(addGeometry(bodies[i]), 2.5f, 0.6f, 2.6f);
        setInertia(bodies[i], boxInertia(Vector3(2.5f, 0.6f, 2.6f), 100.0f));
        setMass(bodies[i], 100.0f);
        updateBounds(bodies[i]);
    }
    placeBodies(bodies);
    int steps = 0;
    for (auto _ : state) {
        step(world, 0.028f, kSubSteps, nullptr);
        // Put them back before the fall gets long; 80 setters per 500 steps.
        if (++steps % 500 == 0) placeBodies(bodies);
    }
    state.counters["time_per_body_substep"] =
        benchmark::Counter((double)kBodies * kSubSteps,
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    destroyWorld(world);
}

}  // namespace

BENCHMARK(freeFlight);
