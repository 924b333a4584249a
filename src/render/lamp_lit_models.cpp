// Small lit models (car bodies, wheels) drawn through a copy of the light
// program that evaluates only the lamps whose light reaches the model, and
// the view-volume test that lets a car out of view skip its draw calls.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

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

// Model-space bounds of each model drawn so far, keyed by its vertex array.
struct ModelBounds {
    const ModelVertex* vertices;
    int count;
    float lo[3], hi[3];
};
std::vector<ModelBounds> boundsCache;

void buildLitCopy(LampProgram& c, int lamps, int paint) {
    char defines[64];
    std::snprintf(defines, sizeof defines, "#define LAMPS %d\n#define PAINT %d\n", lamps, paint);
    buildLampProgram(c, defines);
}

const ModelBounds& boundsOf(const Model& model) {
    for (const ModelBounds& b : boundsCache)
        if (b.vertices == model.vertices && b.count == model.vertexCount) return b;
    ModelBounds b{model.vertices, model.vertexCount, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}};
    for (int v = 0; v < model.vertexCount; v++)
        for (int a = 0; a < 3; a++) {
            const float p = model.vertices[v].position[a];
            b.lo[a] = v == 0 ? p : std::min(b.lo[a], p);
            b.hi[a] = v == 0 ? p : std::max(b.hi[a], p);
        }
    boundsCache.push_back(b);
    return boundsCache.back();
}

void uniform4(GLint location, const float v[4]) {
    glUniform4fARB(location, v[0], v[1], v[2], v[3]);
}

// Everything the copy reads besides the lamps that reach: the material, the
// fill light, the camera and the two texture units.
void uploadCopyState(const LampProgram& c, const SceneShading& shading, float mirror) {
    uniform4(c.ambientColor, shading.ambientColor);
    uniform4(c.matAmbient, shading.matAmbient);
    uniform4(c.matDiffuse, shading.matDiffuse);
    glUniform4fARB(c.matSpecular, 0.0f, 0.0f, 0.0f, 1.0f);
    uniform4(c.emissive, shading.emissive);
    glUniform1fARB(c.shininess, 0.0f);
    glUniform1fARB(c.refInt, mirror);
    glUniform1iARB(c.decal, 0);
    glUniform1iARB(c.decal2, 1);
    glUniform3fARB(c.cameraOri, modelCameraPosition[0], modelCameraPosition[1], modelCameraPosition[2]);
    glUniform3fARB(c.cameraPos, 0.0f, 0.0f, 0.0f);
    const ShaderLight& fill = shaderLights[kShaderLights - 1];
    const float* f = modelLightPositions[kShaderLights - 1];
    glUniform4fARB(c.pos[kShaderLights - 1], f[0], f[1], f[2], 1.0f);
    glUniform4fARB(c.colour[kShaderLights - 1], fill.colour[0], fill.colour[1], fill.colour[2], 1.0f);
}

// The lamps reaching the model (whose light space updateModelLights has
// set) go to the copy's first slots; returns the copy in use, or null when
// the full program must draw it.
const LampProgram* useLitCopy(const Model& model, const SceneShading& shading, float mirror) {
    const bool paint = mirror != 0.0f;
    const ModelBounds& b = boundsOf(model);
    float reachScale[4];
    const float extra = paint ? kPaintHighlightShare * mirror : 0.0f;
    for (int a = 0; a < 4; a++) reachScale[a] = (a < 3 ? shading.matDiffuse[a] : 1.0f) + extra;
    int reaching[kShaderLights - 1];
    int n = 0;
    for (int slot = 0; slot < kShaderLights - 1; slot++)
        if (lampReachesBox(slot, b.lo, b.hi, reachScale)) reaching[n++] = slot;
    const LampProgram& c = litCopies[paint ? 1 : 0][n];
    if (c.program == 0) return nullptr;
    modelLampStats.byLamps[n]++;
    glUseProgramObjectARB(c.program);
    uploadCopyState(c, shading, mirror);
    for (int k = 0; k < n; k++) {
        const int slot = reaching[k];
        const ShaderLight& light = shaderLights[slot];
        const float* pos = modelLightPositions[slot];
        const float* dir = modelLightDirections[slot];
        glUniform4fARB(c.pos[k], pos[0], pos[1], pos[2], 1.0f);
        glUniform3fARB(c.ori[k], dir[0], dir[1], dir[2]);
        glUniform4fARB(c.colour[k], light.colour[0], light.colour[1], light.colour[2], 1.0f);
        glUniform1iARB(c.focus[k], light.focus);
    }
    return &c;
}

}  // namespace

void buildModelLightPrograms() {
    for (int paint = 0; paint < 2; paint++)
        for (int n = 0; n < kShaderLights; n++) buildLitCopy(litCopies[paint][n], n, paint);
}

void drawLampLitModel(Model* model, void (*placement)(const void* context), const void* context,
                      const SceneShading& shading, float mirror) {
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
    drawModel(model);
    glPopMatrix();
    if (copy != nullptr) glUseProgramObjectARB(lightProgram);
    glUniform1fARB(refIntUniform, 0.0f);
}

void forgetModelBounds(const Model* model) {
    if (model == nullptr) return;
    for (size_t i = 0; i < boundsCache.size(); i++)
        if (boundsCache[i].vertices == model->vertices) {
            boundsCache.erase(boundsCache.begin() + (long)i);
            return;
        }
}

bool sphereInView(const float centre[3], float radius) {
    float p[16], m[16], c[16];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    // Column-major: c = p * m; its rows 0..2 added to and taken from row 3
    // give the six planes, a x + b y + c z + d >= 0 inside.
    for (int col = 0; col < 4; col++)
        for (int row = 0; row < 4; row++) {
            float sum = 0.0f;
            for (int k = 0; k < 4; k++) sum += p[k * 4 + row] * m[col * 4 + k];
            c[col * 4 + row] = sum;
        }
    for (int i = 0; i < 6; i++) {
        const float sign = i % 2 == 0 ? 1.0f : -1.0f;
        float q[4];
        for (int a = 0; a < 4; a++) q[a] = c[a * 4 + 3] + sign * c[a * 4 + i / 2];
        const float length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2]);
        if (!(length > 0.0f)) continue;
        if (q[0] * centre[0] + q[1] * centre[1] + q[2] * centre[2] + q[3] < -radius * length) return false;
    }
    return true;
}

bool modelBoundingSphere(const Model* model, float centre[3], float* radius) {
    if (model == nullptr || model->vertexCount <= 0 || model->vertices == nullptr) return false;
    const ModelBounds& b = boundsOf(*model);
    float r2 = 0.0f;
    for (int a = 0; a < 3; a++) {
        centre[a] = 0.5f * (b.lo[a] + b.hi[a]);
        r2 += 0.25f * (b.hi[a] - b.lo[a]) * (b.hi[a] - b.lo[a]);
    }
    *radius = std::sqrt(r2);
    return true;
}
