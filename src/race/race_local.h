// Helpers shared by the race's own files.
#pragma once

#include "audio/audio.h"
#include "race/race.h"

// Wheel mounting points in car coordinates; 0 and 1 front, 2 and 3 rear.
extern const Vector3 wheelMounts[kWheels];

// Listener every car body's controller calls once per physics sub-step.
struct CarForceListener : ControllerListener {
    void onControl(Controller* controller) override;
};
extern CarForceListener CarForceController;

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

// Impacts: a car losing at least this much speed (units a second, about 31
// Km/h) within a few sub-steps is heard crashing.
constexpr float kImpactThreshold = 3.0f;
struct ImpactSound {
    SoundEffect* sound;  // null below the threshold
    float gain;
};
// The crash file and gain for a loss of speed: the heavier the hit, the
// heavier the file and the louder it plays.
ImpactSound impactSoundFor(float speedLost);
// Watches one car's speed over each physics sub-step of h seconds and plays
// a crash sound sized to the speed it lost, at most one per car in 0.3 s
// of play. Returns the sound played, if any.
ImpactSound listenForImpact(const Car& car, float h);

// The stings: for the lap just begun of `laps` (none for the first), and
// for the player's place at the finish.
SoundEffect* lapSting(int lap, int laps);
SoundEffect* finishSting(int place);
// Once a race frame: plays the sting a new lap or the finish calls for, and
// returns it.
SoundEffect* updateRaceCues();

// The districts' ambience beds.
enum AmbienceBed { AmbienceCity, AmbienceHarbour, AmbienceWorks, kAmbienceBeds };
// How much of each bed is heard at (x, z): summing to 1, the most for the
// bed of the district the point lies in, blending over a street's length
// at a district's edge.
void ambienceWeights(float x, float z, float weights[kAmbienceBeds]);
// Starts the beds at silence (loadRace), and fades each towards its weight
// at the player's car (once a race frame).
void startAmbience();
void updateAmbience(float f);

// The kerb rumble: whether a wheel's ground is the kerb's face; each wheel's
// ground noted at every sub-step (the player's car alone is heard); the loop
// started with a race and set from the wheels noted, once a race frame.
bool wheelOnKerb(const Vector3& groundNormal, const Vector3& carSide);
void noteWheelGround(const Car& car, const Vector3& groundNormal, const Vector3& carSide);
void startKerbRumble();
void updateKerbRumble(float f);
float kerbRumbleLevel();

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

// The race's night: the moonlit fill and the haze every race frame takes.
extern const float kMoonlight[3];
extern const float kNightHaze[4];
