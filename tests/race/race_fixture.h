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
    memset(keys, 0, sizeof keys);
    frameFactor = 1.0f;
    raceStepFactor = 1.0f;
    countdownRunning = false;
    raceFinished = false;
    raceTimer = 0.0f;
    soundEnabled = false;
    musicEnabled = false;
    playerCarPower = 0.5f;
    playerCarModel = 0;
    engineMix = skidLevel = driftLevel = driftScore = playerSpeed = raceViewSpeed = 0.0f;
    opponentSkidLevel = 0.0f;
    raceTime = lapTime = bestLapTime = RaceClock{};
    lapCount = 4;
    playerPlace = 4;
    checkpointCount = 0;
    memset(checkpoints, 0, sizeof checkpoints);
    raceDifficulty = kDifficultyNormal;
    resetCarReset();
    for (int i = 0; i < kRaceCars; i++) {
        cars[i] = Car();
        unstickCount[i] = 0;
        lostCount[i] = 0;
    }
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
        raceWorld = world;
        for (int i = 0; i < kRaceCars; i++) {
            cars[i].index = i;
            createCarBody(cars[i], world, Vector3(0.0f, 0.0f, 10.0f * (float)i));
            ASSERT_NE(cars[i].body, nullptr);
            cars[i].startRotation = getRotation(cars[i].body);
        }
    }
    void TearDown() override {
        destroyWorld(world);
        raceWorld = nullptr;
        for (int i = 0; i < kRaceCars; i++) {
            cars[i].body = nullptr;
        }
    }

    // Moves car i to p with velocity v, nothing else changed.
    void place(int i, const Vector3& p, const Vector3& v) {
        setPosition(cars[i].body, p);
        setLinearVelocity(cars[i].body, v);
    }
};
