// What hangs off a body: geometries, sensor rays and controllers, and the bounds they give it.
#include <cmath>
#include <cstdio>

#include "physics/physics_local.h"

static bool finite3(const Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

Geometry* addGeometry(RigidBody* body) {
    if (!body) return nullptr;
    PhysicsWorld* world = body->world;
    Geometry* g = world->freeGeometries;
    if (!g) {
        reportMessage(world, "Run out of Geometries. Increase 'geometriesCount'.\n");
        return nullptr;
    }
    world->freeGeometries = g->next;
    g->body = body;
    g->next = nullptr;
    g->kind = kGeometryBox;
    g->material = 0;
    g->halfExtents = Vector3(0.5f, 0.5f, 0.5f);
    g->local = Transform::identity();
    g->world = compose(getTransform(body), g->local);
    if (body->lastGeometry)
        body->lastGeometry->next = g;
    else
        body->firstGeometry = g;
    body->lastGeometry = g;
    return g;
}

void setBox(Geometry* geometry, float x, float y, float z) {
    if (!geometry || geometry->kind == kGeometryTerrain || !std::isfinite(x) || !std::isfinite(y) ||
        !std::isfinite(z))
        return;
    geometry->kind = kGeometryBox;
    geometry->halfExtents = Vector3(x * 0.5f, y * 0.5f, z * 0.5f);
}

void setBox(Geometry* geometry, const Vector3& size) {
    setBox(geometry, size.x, size.y, size.z);
}

void setLocalTransform(Geometry* geometry, const Transform& local) {
    if (!geometry || geometry->kind == kGeometryTerrain) return;
    for (int i = 0; i < 3; ++i) {
        if (!finite3(local.rotation.rows[i])) return;
    }
    if (!finite3(local.position)) return;
    geometry->local = local;
    geometry->local.position.w = 1.0f;
    if (geometry->body) geometry->world = compose(getTransform(geometry->body), geometry->local);
}

RigidBody* getBody(const Geometry* geometry) {
    return geometry ? geometry->body : nullptr;
}

void clearSensorResult(Sensor* sensor) {
    sensor->hitDepth = 0.0f;
    sensor->hitNormal = Vector3();
    sensor->hitPoint = Vector3();
    sensor->hitMaterial = -1;
    sensor->hitGeometry = nullptr;
}

Sensor* addSensor(RigidBody* body) {
    if (!body) return nullptr;
    PhysicsWorld* world = body->world;
    Sensor* s = world->freeSensors;
    if (!s) {
        reportMessage(world, "Run out of Sensors. Increase 'sensorsCount'.\n");
        return nullptr;
    }
    world->freeSensors = s->next;
    s->body = body;
    s->next = nullptr;
    s->origin = Vector3();
    s->ray = Vector3();
    s->direction = Vector3();
    s->length = 0.0f;
    clearSensorResult(s);
    if (body->lastSensor)
        body->lastSensor->next = s;
    else
        body->firstSensor = s;
    body->lastSensor = s;
    if (!body->sensorCursor) body->sensorCursor = body->firstSensor;
    return s;
}

void setRay(Sensor* sensor, const Vector3& origin, const Vector3& ray) {
    if (!sensor || !finite3(origin) || !finite3(ray)) return;
    sensor->origin = Vector3(origin.x, origin.y, origin.z);
    sensor->ray = Vector3(ray.x, ray.y, ray.z);
    sensor->length = length(sensor->ray);
    sensor->direction = sensor->ray;
    normalise(sensor->direction);
}

Vector3 getOrigin(const Sensor* sensor) {
    return sensor ? sensor->origin : Vector3();
}
Vector3 getDirection(const Sensor* sensor) {
    return sensor ? sensor->direction : Vector3();
}
float getLength(const Sensor* sensor) {
    return sensor ? sensor->length : 0.0f;
}
float getHitDepth(const Sensor* sensor) {
    return sensor ? sensor->hitDepth : 0.0f;
}
Vector3 getHitNormal(const Sensor* sensor) {
    return sensor ? sensor->hitNormal : Vector3();
}
Vector3 getHitPoint(const Sensor* sensor) {
    return sensor ? sensor->hitPoint : Vector3();
}
int getHitMaterial(const Sensor* sensor) {
    return sensor ? sensor->hitMaterial : -1;
}

void resetSensorIteration(RigidBody* body) {
    if (body) body->sensorCursor = body->firstSensor;
}

Sensor* nextSensor(RigidBody* body) {
    if (!body || !body->sensorCursor) return nullptr;
    Sensor* s = body->sensorCursor;
    body->sensorCursor = s->next;
    return s;
}

Controller* addController(RigidBody* body, ControllerListener* listener, int period) {
    if (!body) return nullptr;
    PhysicsWorld* world = body->world;
    Controller* c = world->freeControllers;
    if (!c) {
        reportMessage(world, "Run out of Controllers. Increase 'constraintSetsCount'.\n");
        return nullptr;
    }
    world->freeControllers = c->next;
    // A negative countdown would only count further down and never call.
    if (period < 0) period = 0;
    c->body = body;
    c->next = nullptr;
    c->listener = listener;
    c->period = period;
    c->countdown = period;
    c->force = Vector3();
    c->torque = Vector3();
    if (body->lastController)
        body->lastController->next = c;
    else
        body->firstController = c;
    body->lastController = c;
    return c;
}

RigidBody* getBody(const Controller* controller) {
    return controller ? controller->body : nullptr;
}

void setForce(Controller* controller, const Vector3& force) {
    if (controller && finite3(force)) controller->force = Vector3(force.x, force.y, force.z);
}

void setTorque(Controller* controller, const Vector3& torque) {
    if (controller && finite3(torque)) controller->torque = Vector3(torque.x, torque.y, torque.z);
}

Vector3 getForce(const Controller* controller) {
    return controller ? controller->force : Vector3();
}
Vector3 getTorque(const Controller* controller) {
    return controller ? controller->torque : Vector3();
}

float geometryExtent(const Geometry* geometry) {
    float offset = length(geometry->local.position);
    switch (geometry->kind) {
        case kGeometryBox:
            return length(geometry->halfExtents) + offset;
        case kGeometrySphere:
            return geometry->halfExtents.x + offset;
        case kGeometryCapsule:
            return geometry->halfExtents.x + geometry->halfExtents.y + offset;
        default:
            std::fprintf(stderr, "TConvex::GetExtend - error: unrecongised primitive type\n");
            return 0.0f;
    }
}

void updateBounds(RigidBody* body) {
    if (!body) return;
    float extent = 0.0f;
    for (const Geometry* g = body->firstGeometry; g; g = g->next)
        extent = std::fmax(extent, geometryExtent(g));
    // The farthest point of a segment from the body's position is one of its ends.
    for (const Sensor* s = body->firstSensor; s; s = s->next) {
        extent = std::fmax(extent, length(s->origin));
        extent = std::fmax(extent, length(s->origin + s->ray));
    }
    body->extent = extent;
    updateBodyBounds(body);
}

void updateBodyBounds(RigidBody* body) {
    Vector3 reach(body->extent, body->extent, body->extent);
    body->boundsMin = body->position - reach;
    body->boundsMax = body->position + reach;
    if (!body->firstGeometry) return;
    Transform frame = getTransform(body);
    for (Geometry* g = body->firstGeometry; g; g = g->next) g->world = compose(frame, g->local);
}
