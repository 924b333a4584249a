// Wheel, suspension and tyre forces: each car body's controller turns its
// four wheel rays into springs, dampers, side forces and rear-wheel drive.
#include <cmath>

#include "audio/audio.h"
#include "race/race.h"
#include "race/race_local.h"
#include "state/state.h"

CarForceListener CarForceController;

static constexpr float kFrontStiffness = 1000.0f;
static constexpr float kRearStiffness = 1200.0f;
static constexpr float kDamping = 150.0f;
static constexpr float kSideForceLimit = 150.0f;
static constexpr float kWheelRoll = 0.7853982f;
static constexpr float kCorneringLoss = 0.005f;
static constexpr float kGripLoss = 0.18f;
static constexpr float kFrontGripFloor = 0.6f;
static constexpr float kRearGripFloor = 0.35f;
static constexpr float kQuadraticDrag = 0.05f;
static constexpr float kLinearDrag = 1.5f;
// Rolling resistance of a car with no drive: stops it within seconds instead
// of letting the (speed-proportional) air drag coast it for minutes.
static constexpr float kRollingResistance = 100.0f;
// |driveForce| up to this counts as no drive (the countdown's 0.01 and the
// opponents' roll-out force of 1 included).
static constexpr float kNoDrive = 1.0f;
static constexpr float kCarMass = 100.0f;

void CarForceListener::onControl(Controller* controller) {
    RigidBody* body = getBody(controller);
    if (body == nullptr) {
        return;
    }
    Car* car = static_cast<Car*>(getUserData(body));
    if (car != nullptr) {
        applyCarForces(*car, controller);
    }
}

Vector3 carDragForce(const Vector3& velocity, float driveForce, float h) {
    Vector3 u = velocity;
    normalise(u);
    float q = length(velocity);
    if (q == 0.0f) {
        return Vector3(0.0f, 0.0f, 0.0f);
    }
    // Air drag grows with speed: quadratic plus linear.
    float drag = kQuadraticDrag * q * q + kLinearDrag * q;
    if (fabsf(driveForce) <= kNoDrive) {
        drag += kRollingResistance;
    }
    // Never more than stops the car within one sub-step of h seconds, so drag
    // alone never pushes a nearly stopped car backwards.
    if (h > 0.0f && drag > kCarMass * q / h) {
        drag = kCarMass * q / h;
    }
    return u * -drag;
}

void carGrip(float speed, float steer, float& frontGrip, float& rearGrip) {
    float g = kGripLoss * 2.0f * sqrtf(speed) * fabsf(steer);
    frontGrip = 1.0f - g;
    if (frontGrip < kFrontGripFloor) frontGrip = kFrontGripFloor;
    rearGrip = 1.0f - g;
    if (rearGrip < kRearGripFloor) rearGrip = kRearGripFloor;
}

Vector3 tyreSideForce(const Vector3& slide) {
    float l = length(slide);
    Vector3 s = slide;
    normalise(s);
    if (l > 0.0f && l < 1.0f) {
        // Soft near zero so a tyre at rest does not chatter.
        s = s * (-kSideForceLimit * sqrtf(l));
    } else if (l >= 1.0f) {
        s = s * -kSideForceLimit;
    }
    s.y = 0.0f;
    return s;
}

static SoundEffect* crashSound(float m) {
    if (m > 600.0f && m <= 1100.0f) return &audio.soundCrash0;
    if (m > 1100.0f && m <= 1400.0f) return &audio.soundCrash1;
    if (m > 1400.0f && m <= 2000.0f) return &audio.soundCrash2;
    if (m > 2000.0f && m <= 30000.0f) return &audio.soundCrash3;
    return nullptr;
}

void applyCarForces(Car& car, Controller* controller) {
    RigidBody* body = car.body;
    if (body == nullptr) {
        return;
    }
    const float f = session.raceStepFactor;
    const Transform t = getTransform(body);
    const Vector3 forward = t.rotation.rows[0];
    const Vector3 bodyPos = t.position;
    Vector3 force(0.0f, 0.0f, 0.0f);
    Vector3 torque(0.0f, 0.0f, 0.0f);

    resetSensorIteration(body);
    int i = 0;
    for (Sensor* sensor = nextSensor(body); sensor != nullptr && i < kWheels;
         sensor = nextSensor(body), i++) {
        const float k = (i == 2 || i == 3) ? kRearStiffness : kFrontStiffness;
        const float d = getHitDepth(sensor);
        float susp = 1.0f - d;
        if (susp < 0.7f) susp = 0.7f;
        if (susp > 0.9f) susp = 0.9f;
        car.suspension[i] = susp;

        // Rolling: the steered axle for the front pair, the body's forward
        // axis for the rear pair.
        const Vector3 rollAxis = i < 2 ? car.frontWheelAxis : forward;
        const Vector3 ground = transformPoint(t, wheelMounts[i] - Vector3(0.0f, 1.0f, 0.0f));
        const Vector3 u = velocityAtOffset(body, ground - bodyPos);
        const float sign = fabsf(headingAngle(u, rollAxis)) >= kHalfPi ? -1.0f : 1.0f;
        car.wheelSpin[i] -= length(project(u, rollAxis)) * sign * kWheelRoll * f;

        if (d == 0.0f) {
            continue;
        }
        const Vector3 n = getHitNormal(sensor);
        noteWheelGround(car, n, t.rotation.rows[2]);
        const Vector3 dir = rotate(getDirection(sensor), t.rotation);
        const Vector3 origin = transformPoint(t, getOrigin(sensor));
        const Vector3 r = origin - bodyPos;

        // Spring along the ray, scaled by how squarely the ground faces it.
        const Vector3 fs = dir * (k * d * dot(n, dir));
        force += fs;
        torque += cross(r, fs);

        const float closing = dot(velocityAtOffset(body, r), dir);
        const Vector3 fd = dir * (-kDamping * closing);
        force += fd;
        torque += cross(r, fd);

        // Sideways sliding of the tyre: the contact velocity without its
        // parts along the ground normal and along the rolling direction.
        const Vector3 rc = getHitPoint(sensor) - bodyPos;
        Vector3 w = velocityAtOffset(body, rc);
        removeComponent(w, n);
        removeComponent(w, rollAxis);
        Vector3 side = tyreSideForce(w);

        const float speed = length(getLinearVelocity(body));
        if (car.driveForce > 1.0f) {
            car.driveForce -= fabsf(speed * speed * car.steer) * kCorneringLoss * f;
            if (car.driveForce < 0.0f) car.driveForce = 0.0f;
        }
        carGrip(speed, car.steer, car.frontGrip, car.rearGrip);
        car.slipGrip = car.rearGrip;
        // Only the players' tyres lose grip when steering at speed.
        if (car.index >= 0 && car.index < session.humanCount) {
            side = side * (i < 2 ? car.frontGrip : car.rearGrip);
        }
        force += side;
        torque += cross(rc, side);

        if (i >= 2) {
            Vector3 drive = forward;
            normalise(drive);
            drive = drive * car.driveForce;
            force += drive;
            torque += cross(rc, drive);
        }
    }

    force += carDragForce(getLinearVelocity(body), car.driveForce, getSubStepTime(session.raceWorld));
    setForce(controller, force);
    setTorque(controller, torque);

    if (car.index == 0 && car.crashCooldown > 1.0f) {
        SoundEffect* crash = crashSound(length(getAngularMomentum(body)));
        if (crash != nullptr) {
            placeSound(*crash, bodyPos, getLinearVelocity(body));
            // The impact rule may have left the file quieter.
            crash->setGain(1.0f);
            duckRaceBed(0.4f);
            if (options.soundEnabled) {
                crash->play();
            }
            car.crashCooldown = 0.0f;
        }
    }
    car.crashCooldown += 0.01f * f;
    listenForImpact(car, getSubStepTime(session.raceWorld));
}
