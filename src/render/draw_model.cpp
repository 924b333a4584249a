// Model drawing: every group of a loaded model as one triangle batch, in
// immediate mode or through a display list built once per model.
#include "render/gl.h"
#include "render/render.h"
#include "render/render_local.h"

bool modelDisplayLists = true;

// Texturing of one group. Untextured groups still bind the white texture:
// the light program samples unit 0 whether or not texturing is enabled, and
// must see white there rather than whatever the last group left bound.
void bindGroupTexture(const Model& model, const ModelGroup& group) {
    GLuint texture = 0;
    if (group.materialIndex >= 0 && group.materialIndex < model.materialCount)
        texture = model.materials[group.materialIndex].texture;
    if (texture != 0) {
        glBindTexture(GL_TEXTURE_2D, texture);
        glEnable(GL_TEXTURE_2D);
    } else {
        glBindTexture(GL_TEXTURE_2D, whiteTexture);
        glDisable(GL_TEXTURE_2D);
    }
}

// A material's emissive colour travels as texture coordinate set 1, a
// vertex attribute every copy of the light program reads the same way and
// that display lists record along with the group: the bright parts of the
// group's picture (lit windows, tail lamps, neon tubes) shine by that much
// whether or not a lamp is near.
void sendGroupGlow(const Model& model, const ModelGroup& group) {
    if (glMultiTexCoord4fARB == nullptr) return;
    const float* e = nullptr;
    if (group.materialIndex >= 0 && group.materialIndex < model.materialCount)
        e = model.materials[group.materialIndex].emissive;
    if (e != nullptr)
        glMultiTexCoord4fARB(GL_TEXTURE1_ARB, e[0], e[1], e[2], 0.0f);
    else
        glMultiTexCoord4fARB(GL_TEXTURE1_ARB, 0.0f, 0.0f, 0.0f, 0.0f);
}

void clearGroupGlow() {
    if (glMultiTexCoord4fARB != nullptr) glMultiTexCoord4fARB(GL_TEXTURE1_ARB, 0.0f, 0.0f, 0.0f, 0.0f);
}

// Corner order 0, 1, 2; for each corner normal, texture coordinate, position.
static void sendGroupTriangles(const Model& model, const ModelGroup& group) {
    glBegin(GL_TRIANGLES);
    for (int k = 0; k < group.triangleCount; k++) {
        const ModelTriangle& triangle = model.triangles[group.triangleIndices[k]];
        for (int c = 0; c < 3; c++) {
            glNormal3fv(triangle.normals[c]);
            glTexCoord2f(triangle.s[c], triangle.t[c]);
            glVertex3fv(model.vertices[triangle.vertexIndices[c]].position);
        }
    }
    glEnd();
}

static void sendGroups(const Model& model) {
    for (int g = 0; g < model.groupCount; g++) {
        const ModelGroup& group = model.groups[g];
        bindGroupTexture(model, group);
        sendGroupGlow(model, group);
        sendGroupTriangles(model, group);
    }
    clearGroupGlow();
}

void drawModelImmediate(const Model& model) {
    glDisable(GL_CULL_FACE);
    const GLboolean textured = glIsEnabled(GL_TEXTURE_2D);
    sendGroups(model);
    if (textured)
        glEnable(GL_TEXTURE_2D);
    else
        glDisable(GL_TEXTURE_2D);
}

// Sends the model's groups through its list `list`, compiling the list at
// the first call while display lists are on, and leaves texturing as found.
static void sendThroughList(Model& model, DrawListId& list, void (*send)(const Model& model)) {
    const GLboolean textured = glIsEnabled(GL_TEXTURE_2D);
    if (modelDisplayLists && list == 0 && model.groupCount > 0) {
        // Compiled, not executed: the call below draws the first frame too.
        // The list records the texture binds, which live as long as the model.
        list = glGenLists(1);
        if (list != 0) {
            glNewList(list, GL_COMPILE);
            send(model);
            glEndList();
        }
    }
    if (list != 0)
        glCallList(list);
    else
        send(model);
    if (textured)
        glEnable(GL_TEXTURE_2D);
    else
        glDisable(GL_TEXTURE_2D);
}

void drawModel(Model* model) {
    if (model == nullptr) return;
    if (!modelDisplayLists) {
        drawModelImmediate(*model);
        return;
    }
    glDisable(GL_CULL_FACE);
    sendThroughList(*model, model->drawList, sendGroups);
}

// Each group with culling as its material asks: closed groups lose their
// back faces, two-sided ones (open tubes, thin plates) keep both sides.
static void sendCulledGroups(const Model& model) {
    for (int g = 0; g < model.groupCount; g++) {
        const ModelGroup& group = model.groups[g];
        const bool twoSided = group.materialIndex >= 0 && group.materialIndex < model.materialCount &&
                              model.materials[group.materialIndex].twoSided;
        if (twoSided)
            glDisable(GL_CULL_FACE);
        else
            glEnable(GL_CULL_FACE);
        bindGroupTexture(model, group);
        sendGroupGlow(model, group);
        sendGroupTriangles(model, group);
    }
    glDisable(GL_CULL_FACE);
    clearGroupGlow();
}

void drawModelCulled(Model* model) {
    if (model == nullptr) return;
    glCullFace(GL_BACK);
    sendThroughList(*model, model->culledList, sendCulledGroups);
}

void drawLitModel(Model* model, void (*placement)(const void* context), const void* context) {
    // Light space: the placement alone, without the camera.
    glPushMatrix();
    glLoadIdentity();
    placement(context);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelMatrix.m);
    glPopMatrix();
    updateModelLights();
    uploadModelLights();

    glPushMatrix();
    placement(context);
    drawModel(model);
    glPopMatrix();
}
