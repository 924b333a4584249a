// Lamp lighting: the lamp list from a light model, the four lamps that drive
// the light program each frame, their model-space upload, and the sprites.
#include <cmath>

#include "render/gl.h"
#include "render/render.h"
#include "render/render_local.h"
#include "state/state.h"

LightSource lightSources[kMaxLights];
int lightSourceCount = 0;
Vector3 cameraEye;
Vector3 shadingEye;
Vector3 shadingViewDir(1.0f, 0.0f, 0.0f);
Matrix4 modelMatrix;
float modelLightPositions[kShaderLights][3];
float modelLightDirections[kShaderLights - 1][3];
float modelCameraPosition[3];

// Placed along the garage's back wall until a light model replaces them.
ShaderLight shaderLights[kShaderLights] = {
    {{-70.0f, 7.5f, -107.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, -1.0f, 0.0f}, 5},
    {{-35.0f, 7.5f, -107.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, -1.0f, 0.0f}, 5},
    {{0.0f, 7.5f, -107.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, -1.0f, 0.0f}, 5},
    {{-4.0f, 7.5f, -107.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, -1.0f, 0.0f}, 5},
    {{-4.0f, 7.5f, -107.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, -1.0f, 0.0f}, 5},
};
static_assert(sizeof shaderLights / sizeof shaderLights[0] == kShaderLights, "one record per shader lamp");

// Empty slots sit far below the world, where they light nothing.
static const float kUnusedLampY = -10000.0f;
// Half-size of a lamp sprite's billboard argument and its alpha.
static const double kLampSpriteSize = 2.0;
static const float kLampSpriteAlpha = 0.4f;

void buildLightSources(const Model* model) {
    lightSourceCount = 0;
    if (model == nullptr) return;
    // Lamps beyond the array's capacity are dropped; a city never has that
    // many in one circuit's light model.
    int count = model->flatTriangleCount;
    if (count > model->triangleCount) count = model->triangleCount;
    for (int i = 0; i < count && lightSourceCount < kMaxLights; i++) {
        const FlatTriangle& triangle = model->flatTriangles[i];
        LightSource& lamp = lightSources[lightSourceCount++];
        for (int a = 0; a < 3; a++) {
            lamp.position[a] = (triangle.corners[0].position[a] + triangle.corners[1].position[a] +
                                triangle.corners[2].position[a]) *
                               0.33333f;
        }
        const int material = triangle.materialIndex;
        for (int a = 0; a < 3; a++) {
            lamp.colour[a] = (material >= 0 && material < model->materialCount)
                                 ? model->materials[material].emissive[a]
                                 : 0.0f;
        }
        lamp.direction[0] = 0.0f;
        lamp.direction[1] = -1.0f;
        lamp.direction[2] = 0.0f;
        lamp.focus = 5;
        lamp.reserved = 0.0f;
        lamp.distanceKey = 0.0f;
        lamp.viewAngle = 0.0f;
    }
}

static void copyLamp(ShaderLight& slot, const LightSource& lamp) {
    for (int a = 0; a < 3; a++) {
        slot.position[a] = lamp.position[a];
        slot.colour[a] = lamp.colour[a];
        slot.direction[a] = lamp.direction[a];
    }
    slot.position[3] = 1.0f;
    slot.colour[3] = 1.0f;
    slot.focus = lamp.focus;
}

void useLightProgram() {
    glUseProgramObjectARB(lightProgram);
}

void setLightMaterial(const SceneShading& shading) {
    const float* colours[] = {shading.ambientColor, shading.matAmbient, shading.matDiffuse, shading.emissive};
    const GLint locations[] = {ambientColorUniform, matAmbientUniform, matDiffuseUniform, emissiveUniform};
    for (int k = 0; k < 4; k++) {
        glUniform4fARB(locations[k], colours[k][0], colours[k][1], colours[k][2], colours[k][3]);
    }
    glUniform4fARB(matSpecularUniform, 0.0f, 0.0f, 0.0f, 1.0f);
    glUniform1fARB(shininessUniform, 0.0f);
}

void setFillLight(const float rgb[3]) {
    ShaderLight& fill = shaderLights[kShaderLights - 1];
    for (int a = 0; a < 3; a++) fill.colour[a] = rgb[a];
    glUniform4fARB(lightColorUniform[kShaderLights - 1], rgb[0], rgb[1], rgb[2], 1.0f);
}

static GLfloat pushedFog[4];

void pushFogColour(const float rgba[4]) {
    glGetFloatv(GL_FOG_COLOR, pushedFog);
    glFogfv(GL_FOG_COLOR, rgba);
}

void popFogColour() {
    glFogfv(GL_FOG_COLOR, pushedFog);
}

void selectLights() {
    Vector3 view(shadingViewDir.x, 0.0f, shadingViewDir.z);
    normalise(view);
    for (int i = 0; i < lightSourceCount; i++) {
        LightSource& lamp = lightSources[i];
        const float dx = shadingEye.x - lamp.position[0];
        const float dz = shadingEye.z - lamp.position[2];
        lamp.distanceKey = dx * dx + dz * dz;
        Vector3 toLamp(-dx, 0.0f, -dz);
        normalise(toLamp);
        lamp.viewAngle = std::fabs(headingAngle(view, toLamp));
    }

    // Nearest first. An exchange sort: at most 200 lamps, and the order of
    // equal keys stays the one the previous frames left.
    for (int i = 0; i < lightSourceCount; i++) {
        for (int j = i + 1; j < lightSourceCount; j++) {
            if (lightSources[i].distanceKey > lightSources[j].distanceKey) {
                LightSource t = lightSources[i];
                lightSources[i] = lightSources[j];
                lightSources[j] = t;
            }
        }
    }

    int used = 0;
    for (int i = 0; i < lightSourceCount && used < kShaderLights - 1; i++) {
        const LightSource& lamp = lightSources[i];
        if (lamp.viewAngle <= kLampViewAngle || lamp.distanceKey <= kNearLampKey)
            copyLamp(shaderLights[used++], lamp);
    }
    for (; used < kShaderLights - 1; used++) {
        shaderLights[used].position[0] = 0.0f;
        shaderLights[used].position[1] = kUnusedLampY;
        shaderLights[used].position[2] = 0.0f;
    }

    // The fill light: dim white from high above, blue while paused.
    ShaderLight& fill = shaderLights[kShaderLights - 1];
    const bool paused = game.gameState == Pause;
    const float fillPosition[3] = {paused ? 0.0f : 600.0f, paused ? 10.0f : 600.0f, 0.0f};
    const float fillColour[3] = {paused ? 0.0f : 0.25f, paused ? 0.0f : 0.25f, paused ? 1.0f : 0.25f};
    for (int a = 0; a < 3; a++) {
        fill.position[a] = fillPosition[a];
        fill.colour[a] = fillColour[a];
    }
    fill.position[3] = 1.0f;
    fill.colour[3] = 1.0f;

    glUniform1iARB(lightDecalUniform, 0);
    glUniform1iARB(lightDecal2Uniform, 1);
    for (int i = 0; i < kShaderLights; i++) {
        const ShaderLight& slot = shaderLights[i];
        glUniform4fARB(lightColorUniform[i], slot.colour[0], slot.colour[1], slot.colour[2], 1.0f);
    }
    for (int i = 0; i < kShaderLights - 1; i++) glUniform1iARB(lightFocusUniform[i], shaderLights[i].focus);
}

bool invertMatrix4(const Matrix4& in, Matrix4* out) {
    // Cofactor expansion in double precision; the column-major layout does
    // not matter since inverse(transpose) = transpose(inverse).
    const float* m = in.m;
    double inv[16];
    inv[0] = static_cast<double>(m[5]) * m[10] * m[15] - static_cast<double>(m[5]) * m[11] * m[14] -
             static_cast<double>(m[9]) * m[6] * m[15] + static_cast<double>(m[9]) * m[7] * m[14] +
             static_cast<double>(m[13]) * m[6] * m[11] - static_cast<double>(m[13]) * m[7] * m[10];
    inv[4] = -static_cast<double>(m[4]) * m[10] * m[15] + static_cast<double>(m[4]) * m[11] * m[14] +
             static_cast<double>(m[8]) * m[6] * m[15] - static_cast<double>(m[8]) * m[7] * m[14] -
             static_cast<double>(m[12]) * m[6] * m[11] + static_cast<double>(m[12]) * m[7] * m[10];
    inv[8] = static_cast<double>(m[4]) * m[9] * m[15] - static_cast<double>(m[4]) * m[11] * m[13] -
             static_cast<double>(m[8]) * m[5] * m[15] + static_cast<double>(m[8]) * m[7] * m[13] +
             static_cast<double>(m[12]) * m[5] * m[11] - static_cast<double>(m[12]) * m[7] * m[9];
    inv[12] = -static_cast<double>(m[4]) * m[9] * m[14] + static_cast<double>(m[4]) * m[10] * m[13] +
              static_cast<double>(m[8]) * m[5] * m[14] - static_cast<double>(m[8]) * m[6] * m[13] -
              static_cast<double>(m[12]) * m[5] * m[10] + static_cast<double>(m[12]) * m[6] * m[9];
    inv[1] = -static_cast<double>(m[1]) * m[10] * m[15] + static_cast<double>(m[1]) * m[11] * m[14] +
             static_cast<double>(m[9]) * m[2] * m[15] - static_cast<double>(m[9]) * m[3] * m[14] -
             static_cast<double>(m[13]) * m[2] * m[11] + static_cast<double>(m[13]) * m[3] * m[10];
    inv[5] = static_cast<double>(m[0]) * m[10] * m[15] - static_cast<double>(m[0]) * m[11] * m[14] -
             static_cast<double>(m[8]) * m[2] * m[15] + static_cast<double>(m[8]) * m[3] * m[14] +
             static_cast<double>(m[12]) * m[2] * m[11] - static_cast<double>(m[12]) * m[3] * m[10];
    inv[9] = -static_cast<double>(m[0]) * m[9] * m[15] + static_cast<double>(m[0]) * m[11] * m[13] +
             static_cast<double>(m[8]) * m[1] * m[15] - static_cast<double>(m[8]) * m[3] * m[13] -
             static_cast<double>(m[12]) * m[1] * m[11] + static_cast<double>(m[12]) * m[3] * m[9];
    inv[13] = static_cast<double>(m[0]) * m[9] * m[14] - static_cast<double>(m[0]) * m[10] * m[13] -
              static_cast<double>(m[8]) * m[1] * m[14] + static_cast<double>(m[8]) * m[2] * m[13] +
              static_cast<double>(m[12]) * m[1] * m[10] - static_cast<double>(m[12]) * m[2] * m[9];
    inv[2] = static_cast<double>(m[1]) * m[6] * m[15] - static_cast<double>(m[1]) * m[7] * m[14] -
             static_cast<double>(m[5]) * m[2] * m[15] + static_cast<double>(m[5]) * m[3] * m[14] +
             static_cast<double>(m[13]) * m[2] * m[7] - static_cast<double>(m[13]) * m[3] * m[6];
    inv[6] = -static_cast<double>(m[0]) * m[6] * m[15] + static_cast<double>(m[0]) * m[7] * m[14] +
             static_cast<double>(m[4]) * m[2] * m[15] - static_cast<double>(m[4]) * m[3] * m[14] -
             static_cast<double>(m[12]) * m[2] * m[7] + static_cast<double>(m[12]) * m[3] * m[6];
    inv[10] = static_cast<double>(m[0]) * m[5] * m[15] - static_cast<double>(m[0]) * m[7] * m[13] -
              static_cast<double>(m[4]) * m[1] * m[15] + static_cast<double>(m[4]) * m[3] * m[13] +
              static_cast<double>(m[12]) * m[1] * m[7] - static_cast<double>(m[12]) * m[3] * m[5];
    inv[14] = -static_cast<double>(m[0]) * m[5] * m[14] + static_cast<double>(m[0]) * m[6] * m[13] +
              static_cast<double>(m[4]) * m[1] * m[14] - static_cast<double>(m[4]) * m[2] * m[13] -
              static_cast<double>(m[12]) * m[1] * m[6] + static_cast<double>(m[12]) * m[2] * m[5];
    inv[3] = -static_cast<double>(m[1]) * m[6] * m[11] + static_cast<double>(m[1]) * m[7] * m[10] +
             static_cast<double>(m[5]) * m[2] * m[11] - static_cast<double>(m[5]) * m[3] * m[10] -
             static_cast<double>(m[9]) * m[2] * m[7] + static_cast<double>(m[9]) * m[3] * m[6];
    inv[7] = static_cast<double>(m[0]) * m[6] * m[11] - static_cast<double>(m[0]) * m[7] * m[10] -
             static_cast<double>(m[4]) * m[2] * m[11] + static_cast<double>(m[4]) * m[3] * m[10] +
             static_cast<double>(m[8]) * m[2] * m[7] - static_cast<double>(m[8]) * m[3] * m[6];
    inv[11] = -static_cast<double>(m[0]) * m[5] * m[11] + static_cast<double>(m[0]) * m[7] * m[9] +
              static_cast<double>(m[4]) * m[1] * m[11] - static_cast<double>(m[4]) * m[3] * m[9] -
              static_cast<double>(m[8]) * m[1] * m[7] + static_cast<double>(m[8]) * m[3] * m[5];
    inv[15] = static_cast<double>(m[0]) * m[5] * m[10] - static_cast<double>(m[0]) * m[6] * m[9] -
              static_cast<double>(m[4]) * m[1] * m[10] + static_cast<double>(m[4]) * m[2] * m[9] +
              static_cast<double>(m[8]) * m[1] * m[6] - static_cast<double>(m[8]) * m[2] * m[5];
    const double det = static_cast<double>(m[0]) * inv[0] + static_cast<double>(m[1]) * inv[4] +
                       static_cast<double>(m[2]) * inv[8] + static_cast<double>(m[3]) * inv[12];
    if (!(std::fabs(det) > 1e-12)) {
        *out = Matrix4();
        return false;
    }
    for (int i = 0; i < 16; i++) out->m[i] = static_cast<float>(inv[i] / det);
    return true;
}

// Column-major: element (row r, column c) is m[c * 4 + r].
static void transformPoint4(const Matrix4& t, const float p[3], float out[3]) {
    for (int r = 0; r < 3; r++) out[r] = t.m[r] * p[0] + t.m[4 + r] * p[1] + t.m[8 + r] * p[2] + t.m[12 + r];
}

static void transformDirection4(const Matrix4& t, const float d[3], float out[3]) {
    for (int r = 0; r < 3; r++) out[r] = t.m[r] * d[0] + t.m[4 + r] * d[1] + t.m[8 + r] * d[2];
}

void updateModelLights() {
    Matrix4 toModel;
    invertMatrix4(modelMatrix, &toModel);
    for (int i = 0; i < kShaderLights; i++)
        transformPoint4(toModel, shaderLights[i].position, modelLightPositions[i]);
    for (int i = 0; i < kShaderLights - 1; i++)
        transformDirection4(toModel, shaderLights[i].direction, modelLightDirections[i]);
    const float eye[3] = {shadingEye.x, shadingEye.y, shadingEye.z};
    transformPoint4(toModel, eye, modelCameraPosition);
}

void uploadModelLights() {
    for (int i = 0; i < kShaderLights; i++) {
        const float* p = modelLightPositions[i];
        glUniform4fARB(lightPosUniform[i], p[0], p[1], p[2], 1.0f);
    }
    for (int i = 0; i < kShaderLights - 1; i++) {
        const float* d = modelLightDirections[i];
        glUniform3fARB(lightOriUniform[i], d[0], d[1], d[2]);
    }
    glUniform3fARB(cameraOriUniform, modelCameraPosition[0], modelCameraPosition[1], modelCameraPosition[2]);
}

void drawBillboard(const double eye[3], const double centre[3], double size) {
    double n[3] = {eye[0] - centre[0], eye[1] - centre[1], eye[2] - centre[2]};
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (length > 0.0) {
        for (double& v : n) v /= length;
    }
    // r = n x (0, 1, 0), u = n x r.
    const double r[3] = {-n[2], 0.0, n[0]};
    const double u[3] = {n[1] * r[2] - n[2] * r[1], n[2] * r[0] - n[0] * r[2], n[0] * r[1] - n[1] * r[0]};
    const double h = 5.0 * (size > 0.2 ? size : 0.2);
    glBegin(GL_QUADS);
    glTexCoord2d(0.0, 0.0);
    glVertex3d(centre[0] + h * r[0], centre[1] + h * r[1], centre[2] + h * r[2]);
    glTexCoord2d(1.0, 0.0);
    glVertex3d(centre[0] - h * u[0], centre[1] - h * u[1], centre[2] - h * u[2]);
    glTexCoord2d(1.0, 1.0);
    glVertex3d(centre[0] - h * r[0], centre[1] - h * r[1], centre[2] - h * r[2]);
    glTexCoord2d(0.0, 1.0);
    glVertex3d(centre[0] + h * u[0], centre[1] + h * u[1], centre[2] + h * u[2]);
    glEnd();
}

void drawLightSprites() {
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glBindTexture(GL_TEXTURE_2D, gameTextures[kLampSpriteTexture]);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
    const double eye[3] = {cameraEye.x, cameraEye.y, cameraEye.z};
    const int count = lightSourceCount < kMaxLightSprites ? lightSourceCount : kMaxLightSprites;
    for (int i = 0; i < count; i++) {
        const LightSource& lamp = lightSources[i];
        glColor4f(lamp.colour[0], lamp.colour[1], lamp.colour[2], kLampSpriteAlpha);
        const double centre[3] = {lamp.position[0], lamp.position[1], lamp.position[2]};
        drawBillboard(eye, centre, kLampSpriteSize);
    }
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glEnable(GL_CULL_FACE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}
