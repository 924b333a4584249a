// Shared set-up for the race tests: a physics world without terrain and the
// four car bodies, with every race global at a known value.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "frontend/frontend.h"
#include "physics/physics.h"
#include "race/race.h"
#include "render/render.h"
#include "shell/shell.h"

inline void resetRaceGlobals() {
    input = InputState{};
    resetRaceRunState();
    // The race tests' own set-up: a steady 10 ms frame, no sound, a car of
    // middling power.
    frameClock.frameFactor = 1.0f;
    options.soundEnabled = false;
    options.musicEnabled = false;
    players[0].playerCarPower = 0.5f;
    raceViewSpeed = 0.0f;
}

class RaceWorldTest : public ::testing::Test {
  protected:
    PhysicsWorld* world = nullptr;

    void SetUp() override {
        resetRaceGlobals();
        WorldSizes sizes;
        Vector3 gravity(0.0f, -8.0f, 0.0f);
        world = createWorld(sizes, nullptr, &gravity);
        ASSERT_NE(world, nullptr);
        session.raceWorld = world;
        for (int i = 0; i < kRaceCars; i++) {
            session.cars[i].index = i;
            createCarBody(session.cars[i], world, Vector3(0.0f, 0.0f, 10.0f * (float)i));
            ASSERT_NE(session.cars[i].body, nullptr);
            session.cars[i].startRotation = getRotation(session.cars[i].body);
        }
    }
    void TearDown() override {
        destroyWorld(world);
        session.raceWorld = nullptr;
        for (int i = 0; i < kRaceCars; i++) {
            session.cars[i].body = nullptr;
        }
    }

    // Moves car i to p with velocity v, nothing else changed.
    void place(int i, const Vector3& p, const Vector3& v) {
        setPosition(session.cars[i].body, p);
        setLinearVelocity(session.cars[i].body, v);
    }
};
