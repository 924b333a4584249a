// The headless race runner's scripted driver: looks at the player's car the
// way a person looks at the screen and sets only the key states.
#pragma once

#include "race/race.h"

struct DriverState {
    int slowFrames;               // frames in a row below walking pace while racing
    int recoverFrame;             // > 0 while backing out of a dead end, counts the manoeuvre
    int recoverSteer;             // +1 left, -1 right while backing out
    int lastCheckpoint;           // the car's next checkpoint when last seen
    int framesWithoutCheckpoint;  // frames since that changed
    // A slower hand (a newcomer): the throttle and the steering keys are held
    // for only this share of the frames the driver wants them (0: all), the
    // credits counting the frames owed.
    float keyShare;
    float throttleCredit;
    float steerCredit;
    // One of several humans: the driver holds the keys of this DriveDevice
    // only, never the bindings another player's car might read.
    bool ownDevice;
    int device;
};

// The race runner's window: the model loader uploads textures, so it needs a
// GL context; without an X display SDL's offscreen driver gives one. False
// when no context can be made.
bool openSimWindow();
// Loads race `race` as the runner drives it: sound and music off, exact 10 ms
// frames, the player in car model `car` at its untuned power, the opponents'
// cars and the music drawn from `seed`. False when the race cannot be loaded.
bool loadSimRace(int race, int car, unsigned seed);

// Sets keys[VK_UP/DOWN/LEFT/RIGHT/SPACE] and the reset key for the coming
// frame; after useSimController, the virtual controller's stick and triggers
// instead of the arrows.
// With ownDevice set, the keys of state.device instead, for the car of that
// player.
void scriptedDriverKeys(const Car& car, DriverState& state);
// Drives by a plugged-in virtual controller from now on, with the
// controller's default settings.
void useSimController();
