// Effect files (base/effects/*.eff): a particle system loaded from the bytes,
// then run through a few updates with particles respawning, as in a race.
#include <cstddef>
#include <cstdint>

#include "render/render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ParticleSystem system = {};
    loadEffectFromBytes(system, data, size);
    if (system.count < 0 || system.count > kMaxParticles) __builtin_trap();
    if (system.count > 0 && (system.active == nullptr || system.speedFactor == nullptr)) __builtin_trap();
    system.enabled = true;
    // A short frame, a long one past the sub-step cap, then one with the
    // emitter switched off so dead particles stay dead.
    const float frames[] = {1.0f, 40.0f, 3.0f};
    for (int f = 0; f < 3; f++) {
        if (f == 2) system.enabled = false;
        updateEffect(system, frames[f], 100.0f, -5.0f, 20.0f);
    }
    releaseEffect(system);
    if (system.count != 0 || system.life != nullptr) __builtin_trap();
    return 0;
}
