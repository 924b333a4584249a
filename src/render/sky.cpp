// The night sky: a flattened dome of three spheres with drifting clouds for
// the race view, and a five-face box for the small reflection view.
#include "render/gl.h"
#include "render/render.h"
#include "state/state.h"

float skyDrift = 0.0f;

// One quadric for the whole run, made on the first dome.
static GLUquadric* skyQuadric = nullptr;

// The dome is squashed to 0.14 of its height; 7.142857 undoes it.
static const float kDomeFlattening = 0.14f;
static const float kDomeUnflattening = 7.142857f;
static const int kSkyFacets = 16;
// The dark sky behind the clouds.
static const float kNightSky[4] = {0.0f, 0.0f, 0.1f, 1.0f};

void clearToNightSky() {
    GLfloat previous[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, previous);
    glClearColor(kNightSky[0], kNightSky[1], kNightSky[2], kNightSky[3]);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(previous[0], previous[1], previous[2], previous[3]);
}

void drawSkyDome(bool backdrop) {
    glDisable(GL_CULL_FACE);
    if (skyQuadric == nullptr) {
        skyQuadric = gluNewQuadric();
        if (skyQuadric == nullptr) return;
        gluQuadricNormals(skyQuadric, GLU_SMOOTH);
        gluQuadricTexture(skyQuadric, GL_TRUE);
    }
    skyDrift += 0.000001f * frameClock.frameFactor;

    glScalef(1.0f, kDomeFlattening, 1.0f);
    glPushMatrix();
    glMatrixMode(GL_TEXTURE);
    glTranslatef(skyDrift, 0.0f, 0.0f);

    // The dark sky behind everything, unless the frame was cleared to it:
    // the clouds in front test and write depth as they would over it.
    if (backdrop) {
        glDisable(GL_TEXTURE_2D);
        glColor4f(kNightSky[0], kNightSky[1], kNightSky[2], kNightSky[3]);
        gluSphere(skyQuadric, 14500.0, kSkyFacets, kSkyFacets);
    }

    // Two cloud layers lit from below by the city, the inner one drifting
    // faster and across.
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glColor4f(0.3f, 0.2f, 0.0f, 0.5f);
    glBindTexture(GL_TEXTURE_2D, gameTextures[kCloudTexture]);
    gluSphere(skyQuadric, 14000.0, kSkyFacets, kSkyFacets);
    glTranslatef(50.0f * skyDrift, 0.0f, 10.0f * skyDrift);
    gluSphere(skyQuadric, 12800.0, kSkyFacets, kSkyFacets);

    glDisable(GL_BLEND);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glScalef(1.0f, kDomeUnflattening, 1.0f);
    glEnable(GL_CULL_FACE);
}

void releaseSky() {
    if (skyQuadric != nullptr) gluDeleteQuadric(skyQuadric);
    skyQuadric = nullptr;
}

struct SkyCorner {
    int x, y, z;  // 0: low edge, 1: high edge of each axis
    float s, t;
};

struct SkyFace {
    int texture;
    SkyCorner corners[4];
};

static const SkyFace kSkyBoxFaces[5] = {
    {kSkyNearTexture, {{1, 0, 0, 1, 0}, {1, 1, 0, 1, 1}, {0, 1, 0, 0, 1}, {0, 0, 0, 0, 0}}},   // z = z0
    {kSkyFarTexture, {{0, 0, 1, 1, 0}, {0, 1, 1, 1, 1}, {1, 1, 1, 0, 1}, {1, 0, 1, 0, 0}}},    // z = z1
    {kSkyTopTexture, {{1, 1, 0, 0, 1}, {1, 1, 1, 0, 0}, {0, 1, 1, 1, 0}, {0, 1, 0, 1, 1}}},    // top
    {kSkyLeftTexture, {{0, 1, 0, 1, 1}, {0, 1, 1, 0, 1}, {0, 0, 1, 0, 0}, {0, 0, 0, 1, 0}}},   // x = x0
    {kSkyRightTexture, {{1, 0, 0, 0, 0}, {1, 0, 1, 1, 0}, {1, 1, 1, 1, 1}, {1, 1, 0, 0, 1}}},  // x = x1
};

void drawSkyBox(float x, float y, float z, float width, float height, float depth) {
    const float xs[2] = {x - width / 2.0f, x + width / 2.0f};
    const float ys[2] = {y, y + height};
    const float zs[2] = {z - depth / 2.0f, z + depth / 2.0f};
    glEnable(GL_TEXTURE_2D);
    for (const SkyFace& face : kSkyBoxFaces) {
        glBindTexture(GL_TEXTURE_2D, gameTextures[face.texture]);
        glBegin(GL_QUADS);
        for (const SkyCorner& c : face.corners) {
            glTexCoord2f(c.s, c.t);
            glVertex3f(xs[c.x], ys[c.y], zs[c.z]);
        }
        glEnd();
    }
}
