// Particle effects read from .eff files: dust at the wheels, exhaust flames
// and smoke at the pipes, one system of each per car.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "render/gl.h"
#include "render/render.h"
#include "render/render_local.h"

ParticleSystem dustEmitters[kEffectCars];
ParticleSystem flameEmitters[kEffectCars];
ParticleSystem smokeEmitters[kEffectCars];

// ---------------------------------------------------------------------------
// Loading.

// The ten per-particle float arrays, in their order in the float block.
static const int kFloatArrays = 10;

static void pointArrays(ParticleSystem& s, size_t n) {
    float** arrays[kFloatArrays] = {&s.life,      &s.fade,      &s.offsetX,   &s.offsetY, &s.offsetZ,
                                    &s.velocityX, &s.velocityY, &s.velocityZ, &s.size,    &s.speedFactor};
    float* block = n > 0 ? s.floatBlock.data() : nullptr;
    for (int k = 0; k < kFloatArrays; k++) {
        *arrays[k] = block != nullptr ? block + static_cast<size_t>(k) * n : nullptr;
    }
    s.active = n > 0 ? s.flagBlock.data() : nullptr;
}

void releaseEffect(ParticleSystem& system) {
    // Swapped out, not cleared, so the memory goes back at once.
    std::vector<uint8_t>().swap(system.flagBlock);
    std::vector<float>().swap(system.floatBlock);
    pointArrays(system, 0);
    system.count = 0;
}

// A range of 0 or less has no random part; a zero divisor gives none either.
static int randomBelow(int32_t range) {
    return range > 0 ? std::rand() % range : 0;
}

static float newFade(const ParticleSystem& s) {
    const float random =
        s.fadeDivisor != 0.0f ? static_cast<float>(randomBelow(s.fadeRange)) / s.fadeDivisor : 0.0f;
    return random + s.fadeBase;
}

void loadEffectFromBytes(ParticleSystem& s, const uint8_t* data, size_t size) {
    releaseEffect(s);
    s.colour[0] = s.colour[1] = s.colour[2] = 1.0f;
    if (data == nullptr || size < kEffectFileBytes) return;
    const int32_t count = readI32(data);
    // The word at 4 is an older copy of the blend mode; the one at 92 counts.
    s.blendMode = readI32(data + 92);
    s.maxSize = readF32(data + 8);
    for (int k = 0; k < 3; k++) {
        s.gravity[k] = readF32(data + 12 + 4 * k);
        s.velocityScale[k] = readF32(data + 24 + 4 * k);
        s.spread[k] = readI32(data + 40 + 4 * k);
        s.spreadOffset[k] = readF32(data + 52 + 4 * k);
    }
    s.fadeScale = readF32(data + 36);
    s.fadeRange = readI32(data + 64);
    s.fadeDivisor = readF32(data + 68);
    s.fadeBase = readF32(data + 72);
    s.sizeGrowth = readF32(data + 76);
    s.initialSize = readF32(data + 80);
    s.factorDecay = readF32(data + 84);
    s.level = readF32(data + 88);
    if (count <= 0 || count > kMaxParticles) return;

    const size_t n = static_cast<size_t>(count);
    s.flagBlock.assign(n, 0);
    s.floatBlock.assign(n * kFloatArrays, 0.0f);
    pointArrays(s, n);
    s.count = count;
    for (int i = 0; i < count; i++) {
        s.active[i] = 1;
        s.life[i] = 0.0f;  // dead: respawned at the first enabled update
        s.fade[i] = newFade(s);
        s.size[i] = s.initialSize;
        s.speedFactor[i] = s.level;
    }
}

void loadEffect(ParticleSystem& system, const char* path) {
    std::vector<uint8_t> bytes;
    if (!platformReadFile(path, &bytes)) {
        loadEffectFromBytes(system, nullptr, 0);
        return;
    }
    loadEffectFromBytes(system, bytes.data(), bytes.size());
}

void loadEffectSystems() {
    for (int i = 0; i < kEffectCars; i++) loadEffect(flameEmitters[i], "base/effects/firepipe.eff");
    for (int i = 0; i < kEffectCars; i++) loadEffect(smokeEmitters[i], "base/effects/smokepipe.eff");
    for (int i = 0; i < kEffectCars; i++) loadEffect(dustEmitters[i], "base/effects/dust.eff");
}

// ---------------------------------------------------------------------------
// Motion.

int effectSubSteps(float frameFactor) {
    const int extra = static_cast<int>(0.4f * frameFactor);
    return 1 + (extra < kMaxEffectSubSteps ? (extra > 0 ? extra : 0) : kMaxEffectSubSteps);
}

static void respawn(ParticleSystem& s, int i, const float base[3]) {
    s.life[i] = s.level;
    s.fade[i] = newFade(s);
    s.offsetX[i] = s.offsetY[i] = s.offsetZ[i] = 0.0f;
    s.velocityX[i] = static_cast<float>(randomBelow(s.spread[0])) - s.spreadOffset[0] + base[0];
    s.velocityY[i] = static_cast<float>(randomBelow(s.spread[1])) - s.spreadOffset[1] + base[1];
    s.velocityZ[i] = static_cast<float>(randomBelow(s.spread[2])) - s.spreadOffset[2] + base[2];
    s.size[i] = s.initialSize;
    s.speedFactor[i] = 1.0f;
}

void updateEffect(ParticleSystem& s, float frameFactor, float bx, float by, float bz) {
    const int steps = effectSubSteps(frameFactor);
    const float base[3] = {bx, by, bz};
    for (int i = 0; i < s.count; i++) {
        if (!s.active[i]) continue;
        for (int step = 0; step < steps; step++) {
            s.velocityX[i] += s.gravity[0];
            s.velocityY[i] += s.gravity[1];
            s.velocityZ[i] += s.gravity[2];
            if (s.speedFactor[i] > 0.0f) s.speedFactor[i] -= s.factorDecay;
            s.offsetX[i] += s.velocityX[i] * s.velocityScale[0] * s.speedFactor[i];
            s.offsetY[i] += s.velocityY[i] * s.velocityScale[1] * s.speedFactor[i];
            s.offsetZ[i] += s.velocityZ[i] * s.velocityScale[2] * s.speedFactor[i];
            s.life[i] -= s.fade[i] * s.fadeScale;
            if (s.size[i] < s.maxSize) s.size[i] += s.sizeGrowth;
            if (s.life[i] < 0.0f && s.enabled) respawn(s, i, base);
        }
    }
}

// ---------------------------------------------------------------------------
// Drawing.

// Camera-facing axes at centre: r level with the ground, u up the screen.
void facingAxes(const double eye[3], const double centre[3], double r[3], double u[3]) {
    double n[3] = {eye[0] - centre[0], eye[1] - centre[1], eye[2] - centre[2]};
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (length > 0.0)
        for (double& v : n) v /= length;
    r[0] = -n[2], r[1] = 0.0, r[2] = n[0];
    u[0] = n[1] * r[2] - n[2] * r[1];
    u[1] = n[2] * r[0] - n[0] * r[2];
    u[2] = n[0] * r[1] - n[1] * r[0];
}

void drawEffect(const ParticleSystem& s, float x, float y, float z, float eyeX, float eyeY, float eyeZ,
                GLuint texture) {
    glDepthMask(GL_FALSE);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, s.blendMode == 1 ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
    glBindTexture(GL_TEXTURE_2D, texture);
    const double eye[3] = {eyeX, eyeY, eyeZ};
    const int stride = std::max(1, graphicsSwitches.particleStride);
    for (int i = 0; i < s.count; i += stride) {
        // A spent particle (life 0 or less) has alpha 0: it would leave every
        // pixel as it is, in both blend modes, yet cost its whole quad.
        if (!s.active[i] || !(s.life[i] > 0.0f)) continue;
        glColor4f(s.colour[0], s.colour[1], s.colour[2], s.life[i]);
        const double c[3] = {x + static_cast<double>(s.offsetX[i]), y + static_cast<double>(s.offsetY[i]),
                             z + static_cast<double>(s.offsetZ[i])};
        double r[3], u[3];
        facingAxes(eye, c, r, u);
        const double h = s.size[i];
        glBegin(GL_TRIANGLE_STRIP);
        glTexCoord2f(1.0f, 0.0f);
        glVertex3d(c[0] - h * u[0], c[1] - h * u[1], c[2] - h * u[2]);
        glTexCoord2f(0.0f, 0.0f);
        glVertex3d(c[0] + h * r[0], c[1] + h * r[1], c[2] + h * r[2]);
        glTexCoord2f(1.0f, 1.0f);
        glVertex3d(c[0] - h * r[0], c[1] - h * r[1], c[2] - h * r[2]);
        glTexCoord2f(0.0f, 1.0f);
        glVertex3d(c[0] + h * u[0], c[1] + h * u[1], c[2] + h * u[2]);
        glEnd();
    }
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    glDepthMask(GL_TRUE);
}
