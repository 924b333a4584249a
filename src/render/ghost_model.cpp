// Ghost drawing: a model added to the picture, tinted and translucent, that
// hides nothing behind it.
#include "render/gl.h"
#include "render/render.h"

void drawGhostModel(Model* model, const float placement[16], const float tint[4]) {
    if (model == nullptr) return;
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_CURRENT_BIT | GL_TEXTURE_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glPushMatrix();
    glMultMatrixf(placement);
    // The whole shape glows faintly, so a dark paint still shows at night;
    // the textures over it give the car its lines.
    // The model binds its own textures: the first pass takes the colour
    // alone from the vertex colour instead of sampling them.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_REPLACE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_PRIMARY_COLOR_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA_ARB, GL_REPLACE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA_ARB, GL_PRIMARY_COLOR_ARB);
    glColor4f(tint[0], tint[1], tint[2], tint[3] * 0.35f);
    drawModel(model);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(tint[0], tint[1], tint[2], tint[3]);
    drawModel(model);
    glPopMatrix();
    glPopAttrib();
}
