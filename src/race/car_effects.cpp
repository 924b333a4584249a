// The cars' particle effects (dust at the wheels, exhaust flames and smoke at
// the pipes) and the pulsing marker at the player's next checkpoint, drawn
// with the renderer's effect systems facing cameraEye.
#include <cmath>

#include "race/race.h"
#include "render/render.h"
#include "render/texture_table.h"
#include "state/state.h"

static_assert(kRaceCars == kEffectCars, "one system of each kind per car");

// The marker hangs this far below the waypoint, about at windscreen height.
static const float kMarkerDrop = 4.0f;
static const double kMarkerHalfSize[3] = {22.0, 18.0, 22.0};
// A particle's speed from its emitter's base velocity: the dust blows off
// against the car's motion, the exhaust backwards along the car.
static const float kDustBlow = 100.0f;
static const float kExhaustBlow = 120.0f;

// Dust puffs at the four tyres' contact patches, in the car's frame (x
// forward, z right); y is lowered by each wheel's suspension.
static const float kDustPoints[kWheels][2] = {{2.0f, -1.1f}, {2.0f, 1.1f}, {-2.0f, 1.1f}, {-2.0f, -1.1f}};

// Exhaust pipe placement by body shape (model number mod 4): x, y and the
// pipes' distance either side of the centre line.
struct PipePlacement {
    float x, y, z0;
};
static const PipePlacement kPipes[4] = {
    {-2.94f, -0.31f, 0.59f}, {-3.05f, -0.38f, 0.775f}, {-3.125f, -0.33f, 0.72f}, {-3.12f, -0.11f, 0.59f}};
static_assert(sizeof kPipes / sizeof kPipes[0] == 4, "one row per body shape");

// A point of the car's frame in the world: position + x f + y up + z right.
static Vector3 carPoint(const Matrix3& rotation, const Vector3& position, float x, float y, float z) {
    return position + x * rotation.rows[0] + y * rotation.rows[1] + z * rotation.rows[2];
}

static void drawAt(const ParticleSystem& s, const Vector3& p, TextureId texture) {
    drawEffect(s, p.x, p.y, p.z, cameraEye.x, cameraEye.y, cameraEye.z, texture);
}

// The car code's settings for this frame, handed to the car's three systems.
static void takeEmitterSettings(const Car& car, int i) {
    EmitterSettings settings{
        car.dustLevel,  car.dustActive,  {car.flameColour[0], car.flameColour[1], car.flameColour[2]},
        car.flameLevel, car.flameActive, car.smokeLevel,
        car.smokeActive};
    setCarEmitters(i, settings);
}

void updateCarEffects() {
    for (int i = 0; i < kRaceCars; i++) {
        const Car& car = session.cars[i];
        if (car.body == nullptr) continue;
        takeEmitterSettings(car, i);
        Vector3 away = -getLinearVelocity(car.body);
        normalise(away);
        away = kDustBlow * away;
        updateEffect(dustEmitters[i], frameClock.frameFactor, away.x, away.y, away.z);
        Vector3 forward = getRotation(car.body).rows[0];
        normalise(forward);
        const Vector3 exhaust = -kExhaustBlow * forward;
        updateEffect(flameEmitters[i], frameClock.frameFactor, exhaust.x, exhaust.y, exhaust.z);
        updateEffect(smokeEmitters[i], frameClock.frameFactor, exhaust.x, exhaust.y, exhaust.z);
    }
}

void drawCarEffects() {
    if (!effectsEnabled) return;
    updateCarEffects();
    drawCarEffectsAsTheyAre();
}

void drawCarEffectsAsTheyAre() {
    if (!effectsEnabled) return;
    const TextureId puff = tgaTextures[kSmokeTga].texture;
    const TextureId flame = tgaTextures[kFlameTga].texture;
    for (int i = 0; i < kRaceCars; i++) {
        const Car& car = session.cars[i];
        if (car.body == nullptr) continue;
        const Matrix3 rotation = getRotation(car.body);
        const Vector3 position = getPosition(car.body);
        // No dust on the grid: the cars stand still under the countdown.
        if (!session.countdownRunning) {
            for (int w = 0; w < kWheels; w++) {
                const Vector3 p =
                    carPoint(rotation, position, kDustPoints[w][0], -car.suspension[w], kDustPoints[w][1]);
                drawAt(dustEmitters[i], p, puff);
            }
        }
        const PipePlacement& pipe = kPipes[(car.model % 4 + 4) % 4];
        for (int side = -1; side <= 1; side += 2) {
            const Vector3 p = carPoint(rotation, position, pipe.x, pipe.y, side * pipe.z0);
            drawAt(smokeEmitters[i], p, puff);
            drawAt(flameEmitters[i], p, flame);
        }
    }
}

// ---------------------------------------------------------------------------
// Checkpoint marker.

bool checkpointMarkerShown() {
    return playerMarkerShown(0);
}

bool playerMarkerShown(int player) {
    if (player < 0 || player >= kRaceCars) return false;
    if (session.countdownRunning || playerFinished(player) || session.checkpointCount <= 0) return false;
    const int next = session.cars[player].nextCheckpoint;
    return next >= 0 && next < session.checkpointCount;
}

void advanceMarkerPulse() {
    session.markerPhase += 1.5f * frameClock.frameFactor;
}

MarkerPicture checkpointMarkerPicture() {
    advanceMarkerPulse();
    return playerMarkerPicture(0);
}

MarkerPicture playerMarkerPicture(int player) {
    MarkerPicture marker;
    if (playerMarkerShown(player)) {
        const Checkpoint& c = session.checkpoints[session.cars[player].nextCheckpoint];
        marker.shown = true;
        marker.texture = gameTextures[kCheckpointMarkerTexture];
        marker.centre[0] = c.x;
        marker.centre[1] = c.y - kMarkerDrop;
        marker.centre[2] = c.z;
        for (int k = 0; k < 3; k++) marker.halfSize[k] = kMarkerHalfSize[k];
        marker.colour[0] = 0.7f + 0.3f * std::sin(0.05f * session.markerPhase);
        marker.colour[3] = 1.0f;
    }
    return marker;
}
