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
    memset(input.keys, 0, sizeof input.keys);
    frameClock.frameFactor = 1.0f;
    session.raceStepFactor = 1.0f;
    session.countdownRunning = false;
    session.raceFinished = false;
    session.raceTimer = 0.0f;
    options.soundEnabled = false;
    options.musicEnabled = false;
    players[0].playerCarPower = 0.5f;
    players[0].playerCarModel = 0;
    players[0].engineMix = players[0].skidLevel = players[0].driftLevel = players[0].driftScore =
        players[0].playerSpeed = raceViewSpeed = 0.0f;
    session.opponentSkidLevel = 0.0f;
    session.raceTime = players[0].lapTime = players[0].bestLapTime = RaceClock{};
    session.lapCount = 4;
    players[0].playerPlace = 4;
    session.checkpointCount = 0;
    memset(session.checkpoints, 0, sizeof session.checkpoints);
    session.raceDifficulty = kDifficultyNormal;
    resetCarReset();
    for (int i = 0; i < kRaceCars; i++) {
        session.cars[i] = Car();
        session.unstickCount[i] = 0;
        session.lostCount[i] = 0;
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
