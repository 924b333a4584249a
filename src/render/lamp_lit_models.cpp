// Small lit models (car bodies, wheels) drawn through a copy of the light
// program that evaluates only the lamps whose light reaches the model, and
// the bounding sphere that lets a car out of view skip its draw calls.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "render/gl.h"
#include "render/render.h"
#include "render/render_local.h"

bool modelLampChoiceEnabled = true;
ModelLampStats modelLampStats;

namespace {

// The polished copies add lamp highlights at 0.6 of the lamp's light on top
// of the diffuse part: a lamp is left out only when both together stay under
// the cut-off lampReachesBox applies to the diffuse part alone.
constexpr float kPaintHighlightShare = 0.6f;

// [paint][lamps]: without paint (wheels: no highlights, no mirror) and with
// it (bodies), each for 0 to 4 lamps. A copy that fails stays at 0 and its
// draws go through the full program; built with each rendering context.
LampProgram litCopies[2][kShaderLights];

void buildLitCopy(LampProgram& c, int lamps, int paint) {
    char defines[64];
    std::snprintf(defines, sizeof defines, "#define LAMPS %d\n#define PAINT %d\n", lamps, paint);
    buildLampProgram(c, defines);
}

// The model's bounds in its own space, worked out at its first draw and kept
// with it.
void boundsOf(const Model& model, const float** lo, const float** hi) {
    if (!model.boundsKnown) {
        for (int v = 0; v < model.vertexCount; v++)
            for (int a = 0; a < 3; a++) {
                const float p = model.vertices[v].position[a];
                model.boundsLo[a] = v == 0 ? p : std::min(model.boundsLo[a], p);
                model.boundsHi[a] = v == 0 ? p : std::max(model.boundsHi[a], p);
            }
        if (model.vertexCount <= 0)
            for (int a = 0; a < 3; a++) model.boundsLo[a] = model.boundsHi[a] = 0.0f;
        model.boundsKnown = true;
    }
    *lo = model.boundsLo;
    *hi = model.boundsHi;
}

// The lamps reaching the model (whose light space updateModelLights has
// set) go to the copy's first slots; returns the copy in use, or null when
// the full program must draw it.
const LampProgram* useLitCopy(const Model& model, const SceneShading& shading, float mirror) {
    const bool paint = mirror != 0.0f;
    const float *lo, *hi;
    boundsOf(model, &lo, &hi);
    float reachScale[4];
    const float extra = paint ? kPaintHighlightShare * mirror : 0.0f;
    for (int a = 0; a < 4; a++) reachScale[a] = (a < 3 ? shading.matDiffuse[a] : 1.0f) + extra;
    int reaching[kShaderLights - 1];
    const int n = lampsReachingBox(lo, hi, reachScale, reaching);
    const LampProgram& c = litCopies[paint ? 1 : 0][n];
    if (c.program == 0) return nullptr;
    modelLampStats.byLamps[n]++;
    glUseProgramObjectARB(c.program);
    uploadLampShading(c, shading, mirror);
    uploadReachingLamps(c, reaching, n);
    return &c;
}

}  // namespace

void buildModelLightPrograms() {
    for (int paint = 0; paint < 2; paint++)
        for (int n = 0; n < kShaderLights; n++) buildLitCopy(litCopies[paint][n], n, paint);
}

void drawLampLitModel(Model* model, void (*placement)(const void* context), const void* context,
                      const SceneShading& shading, float mirror, bool backFaces) {
    if (model == nullptr) return;
    glPushMatrix();
    glLoadIdentity();
    placement(context);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelMatrix.m);
    glPopMatrix();
    updateModelLights();

    const LampProgram* copy = modelLampChoiceEnabled ? useLitCopy(*model, shading, mirror) : nullptr;
    if (copy == nullptr) {
        // The full program with all four lamps, its material as the caller
        // set it.
        glUseProgramObjectARB(lightProgram);
        uploadModelLights();
        glUniform1fARB(refIntUniform, mirror);
    }
    glPushMatrix();
    placement(context);
    if (backFaces)
        drawModel(model);
    else
        drawModelCulled(model);
    glPopMatrix();
    if (copy != nullptr) glUseProgramObjectARB(lightProgram);
    glUniform1fARB(refIntUniform, 0.0f);
}

void forgetModelBounds(Model* model) {
    if (model != nullptr) model->boundsKnown = false;
}

bool modelBoundingSphere(const Model* model, float centre[3], float* radius) {
    if (model == nullptr || model->vertexCount <= 0 || model->vertices == nullptr) return false;
    const float *lo, *hi;
    boundsOf(*model, &lo, &hi);
    float r2 = 0.0f;
    for (int a = 0; a < 3; a++) {
        centre[a] = 0.5f * (lo[a] + hi[a]);
        r2 += 0.25f * (hi[a] - lo[a]) * (hi[a] - lo[a]);
    }
    *radius = std::sqrt(r2);
    return true;
}
