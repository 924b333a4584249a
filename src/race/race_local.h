// Helpers shared by the race's own files.
#pragma once

#include "audio/audio.h"
#include "race/race.h"

// A quarter turn: headings within it of a car's nose count as forwards.
constexpr float kHalfPi = 1.570796f;

// Target engine speed of an engaged gear at road speed s.
float gearTargetRpm(int gear, float s);
// Moves rpm a tenth of the gap towards targetRpm per unit of f.
void followTargetRpm(Car& car, float f);
// Automatic gearbox: picks the band of road speed s, sets driveForce to the
// band's force times power and targetGear to its gear. s == 0 changes nothing
// and returns false.
bool selectGearForce(Car& car, float s, float power);
// True when the car's next checkpoint lies within 15 of p.
bool checkpointReached(const Car& car, const Vector3& p);

// Body drag on a car moving at velocity: quadratic and linear air drag, and
// rolling resistance when driveForce is no drive at all. f is frameFactor.
Vector3 carDragForce(const Vector3& velocity, float driveForce, float h);
// Grip factors at a speed and steering angle, with their floors.
void carGrip(float speed, float steer, float& frontGrip, float& rearGrip);
// Tyre side force against a sliding velocity, before the grip factors.
Vector3 tyreSideForce(const Vector3& slide);

// Places a sound at a body's position with its velocity.
inline void placeSound(SoundEffect& sound, const Vector3& p, const Vector3& v) {
    sound.setPositionVelocity(p.x, p.y, p.z, v.x, v.y, v.z);
}

// Tells the player of a lap file (records or ghost): a line on stderr and the
// on-screen notice.
void tellLapFiles(const char* text);

// The controller's rumble for the player's car, once a frame after its
// update: crashes by their impact, kerbs, nitro. resetRumble forgets the car
// last seen (a fresh run).
void updateRumble(const Car& car, bool nitroBurning, float f);
void resetRumble();
