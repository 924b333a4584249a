// The four cars of a race: each body with its paint reflection and its four
// wheels, steered and rolling, lit by the lamps like the rest of the scene.
// A car wholly out of view is skipped, and each part is shaded with only the
// lamps whose light reaches it.
#include <cmath>

#include "race/race.h"
#include "render/render.h"

static_assert(kWheels == kCarWheelPoses, "a pose for every wheel");

// Radians to the degrees glRotate takes.
static const float kSteerDegrees = 57.324f;
static const float kSpinDegrees = 57.29578f;
// The body model sits this far above the physics body's origin.
static const float kBodyRaise = 0.15f;
// Wheel placement: the car table's offsets are scaled to the drawn model.
static const float kWheelOffsetScale = 0.77f / 1.67f;
static const float kWheelTrack = 1.0f;
static const float kWheelHeight = 0.45f;

// Each wheel's place on the car this frame: steered, rolling, hanging on
// its suspension.
static void poseWheels(const Car& car, WheelPose wheels[kCarWheelPoses]) {
    const CarTableRow& row = raceRun.carTable[car.model];
    for (int j = 0; j < kWheels; j++) {
        const bool front = j < 2;
        WheelPose& w = wheels[j];
        w.x = (front ? row.frontWheelOffset : -row.rearWheelOffset) * kWheelOffsetScale;
        w.y = kWheelHeight - car.suspension[j];
        // Wheels 0 and 2 are on the +z side, as their mounts.
        w.z = (j % 2 == 0) ? kWheelTrack : -kWheelTrack;
        w.steerDegrees = front ? car.steer * kSteerDegrees : 0.0f;
        w.spinDegrees = car.wheelSpin[j] * kSpinDegrees;
        w.mirrored = w.z < 0.0f;
    }
}

// The sphere in world space around the raised body and every wheel,
// whichever is larger; false when the body model is empty.
static bool carBounds(const Car& car, const float* bodyMatrix, float world[3], float* worldRadius) {
    Model* body = raceCarBody(car.model);
    Model* wheel = raceCarWheel(car.model);
    float centre[3], radius;
    if (!modelBoundingSphere(body, centre, &radius)) return false;
    centre[1] += kBodyRaise;
    float wheelCentre[3], wheelRadius;
    if (modelBoundingSphere(wheel, wheelCentre, &wheelRadius)) {
        const CarTableRow& row = raceRun.carTable[car.model];
        const float reachX = std::fmax(row.frontWheelOffset, row.rearWheelOffset) * kWheelOffsetScale;
        // A wheel hangs at most kWheelHeight + a whole wheel ray (about 1)
        // below its mount; the distance to the centre is bounded axis by axis.
        const float wheelCorner[3] = {reachX + std::fabs(centre[0]),
                                      kWheelHeight + 1.0f + std::fabs(centre[1]),
                                      kWheelTrack + std::fabs(centre[2])};
        const float lengthOfCorner =
            std::sqrt(wheelCorner[0] * wheelCorner[0] + wheelCorner[1] * wheelCorner[1] +
                      wheelCorner[2] * wheelCorner[2]);
        const float wheelSize =
            wheelRadius + std::sqrt(wheelCentre[0] * wheelCentre[0] + wheelCentre[1] * wheelCentre[1] +
                                    wheelCentre[2] * wheelCentre[2]);
        radius = std::fmax(radius, lengthOfCorner + wheelSize);
    }
    // The rotation is orthonormal: lengths are kept, only the centre moves.
    for (int r = 0; r < 3; r++)
        world[r] = bodyMatrix[r] * centre[0] + bodyMatrix[4 + r] * centre[1] + bodyMatrix[8 + r] * centre[2] +
                   bodyMatrix[12 + r];
    *worldRadius = radius;
    return true;
}

static_assert(kRaceCars <= kRaceFrameCars, "a picture for every car");

void poseRaceCars(RaceFrame* frame) {
    frame->carCount = 0;
    for (int i = 0; i < kRaceCars; i++) {
        const Car& car = session.cars[i];
        if (car.body == nullptr || car.model < 0 || car.model >= kCarModels) continue;
        const Transform placement = getTransform(car.body);
        // Rotation rows then position: already an OpenGL matrix, except that
        // the rows' fourth elements carry no meaning and must read 0, 0, 0, 1.
        RaceCarPicture& picture = frame->cars[frame->carCount++];
        picture = RaceCarPicture();
        float* bodyMatrix = picture.bodyMatrix;
        for (int k = 0; k < 16; k++) bodyMatrix[k] = placement.elements()[k];
        bodyMatrix[3] = bodyMatrix[7] = bodyMatrix[11] = 0.0f;
        bodyMatrix[15] = 1.0f;
        picture.cull =
            raceRun.carViewCulling && carBounds(car, bodyMatrix, picture.boundsCentre, &picture.boundsRadius);
        poseWheels(car, picture.wheels);
        picture.body = raceCarBody(car.model);
        picture.wheel = raceCarWheel(car.model);
        picture.bodyRaise = kBodyRaise;
    }
}
