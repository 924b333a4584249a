// The headless race runner's scripted driver: looks at the player's car the
// way a person looks at the screen and sets only the key states.
#pragma once

#include "race/race.h"

struct DriverState {
    int slowFrames;    // frames in a row below walking pace while racing
    int recoverFrame;  // > 0 while backing out of a dead end, counts the manoeuvre
    int recoverSteer;  // +1 left, -1 right while backing out
};

// Sets keys[VK_UP/DOWN/LEFT/RIGHT/SPACE] for the coming frame.
void scriptedDriverKeys(const Car& car, DriverState& state);
