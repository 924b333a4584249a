// Contact records of one sub-step: adding points with the impulses they
// carried last sub-step (warm starting), keeping the contacts of sleeping
// bodies, and what a body's contacts say about its rest.
#pragma once

#include "physics/collide_state.h"

// Moves this sub-step's contacts to the previous list and starts empty.
void beginContacts(PhysicsWorld* world, CollisionState* cs);
// Appends one point between a (dynamic) and b (null for the terrain); the
// friction and restitution are the means of the two materials. A point found
// again near where it was last sub-step takes over its impulses.
void addContact(PhysicsWorld* world, CollisionState* cs, RigidBody* a, RigidBody* b, int keyA, int keyB,
                const ContactPoint& point, const Material& ma, const Material& mb);
// Contacts whose bodies all sleep are not generated again; they are copied
// from the previous list, impulses and all.
void carryOverSleepingContacts(PhysicsWorld* world, CollisionState* cs);
// Fills the per-body figures (counts, supports, depth, closing speed).
void summariseBodyContacts(PhysicsWorld* world, CollisionState* cs);
