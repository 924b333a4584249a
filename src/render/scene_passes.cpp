// The state the race and the garage draw their 3-D scenes in: the lit pass
// through the light program, the unlit passes after it, the map and the
// camera-facing glow sprites.
#include <cstring>

#include "render/gl.h"
#include "render/render.h"

void clearFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
}

bool readFrameRgb(std::vector<uint8_t>* rgb, int width, int height) {
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    std::vector<uint8_t> bottomUp(rowBytes * static_cast<size_t>(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    if (glGetError() != GL_NO_ERROR) return false;
    rgb->resize(bottomUp.size());
    for (int y = 0; y < height; y++)
        std::memcpy(rgb->data() + rowBytes * static_cast<size_t>(y),
                    bottomUp.data() + rowBytes * static_cast<size_t>(height - 1 - y), rowBytes);
    return true;
}

void placeFixedLight(const float position[4]) {
    glLightfv(GL_LIGHT1, GL_POSITION, position);
}

void beginLitScene() {
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    useLightProgram();
}

void endLitScene() {
    glUseProgramObjectARB(0);
}

void beginUnlitScene() {
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
}

void setSceneFog(bool on) {
    if (on)
        glEnable(GL_FOG);
    else
        glDisable(GL_FOG);
}

void placeModelLightsInWorld() {
    glPushMatrix();
    glLoadIdentity();
    glGetFloatv(GL_MODELVIEW_MATRIX, modelMatrix.m);
    updateModelLights();
    glPopMatrix();
}

namespace {

// Depth only, through the fixed-function pipeline: the light program's
// vertex stage uses ftransform(), so its depths are the same to the bit and
// the lit pass then shades only the map's visible fragments instead of every
// wall behind every other (the city is drawn whole, without culling).
void drawMapDepth(Model* map) {
    glUseProgramObjectARB(0);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    drawModel(map);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    useLightProgram();
}

}  // namespace

// The map is placed as it is: its light space is the world.
void drawSceneMap(Model* map, bool depthPrepass) {
    placeModelLightsInWorld();
    if (mapChunksEnabled) {
        drawChunkedModel(map, sceneShading, mapBackFaceCulling, graphicsSwitchesInForce().bakedLamps);
        return;
    }
    if (depthPrepass) drawMapDepth(map);
    uploadModelLights();
    drawModel(map);
}

void beginGlowSprites() {
    glDepthMask(GL_FALSE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
}

void endGlowSprites() {
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    glDepthMask(GL_TRUE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void drawFacingSprite(GLuint texture, const double centre[3], const double halfSize[3], const float rgba[4]) {
    glColor4f(rgba[0], rgba[1], rgba[2], rgba[3]);
    glBindTexture(GL_TEXTURE_2D, texture);
    const double eye[3] = {cameraEye.x, cameraEye.y, cameraEye.z};
    double r[3], u[3];
    facingAxes(eye, centre, r, u);
    for (int k = 0; k < 3; k++) r[k] *= halfSize[k], u[k] *= halfSize[k];
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3d(centre[0] + r[0], centre[1] + r[1], centre[2] + r[2]);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3d(centre[0] - u[0], centre[1] - u[1], centre[2] - u[2]);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3d(centre[0] - r[0], centre[1] - r[1], centre[2] - r[2]);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3d(centre[0] + u[0], centre[1] + u[1], centre[2] + u[2]);
    glEnd();
}
