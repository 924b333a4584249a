// The glow chain after each scene: the frame copied into screenTexture, two
// tone-mapping passes and two blur passes into blurTextureA, each drawn into
// the lower-left 256 x 256 of the back buffer and copied out. Only that square
// is overwritten, and it is put back from screenTexture afterwards, so the
// back buffer holds the frame again and the recomposition only adds the glow.
#include <vector>

#include "render/gl.h"
#include "render/render.h"
#include "render/render_local.h"
#include "state/state.h"

bool effectsEnabled = true;

// About one texel of the 256-wide glow images.
static const float kBlurStep = 0.0039f;
static const float kHdrExposure = 0.17f;
static const float kHdrGamma = 1.4f;
static const int kFullGlowSize = kBlurTextureSize;

// The side of the glow images the preset asks for; with the glow off the
// images stay at the full size and are filled black once.
static int glowSize() {
    const int size = graphicsSwitches.glowSize;
    return size > 0 && size <= kFullGlowSize ? size : kFullGlowSize;
}
// The size blurTextureA was last given; a change of preset resizes it.
static int glowTextureSize = kFullGlowSize;
// blurTextureA is black and no glow pass has run since.
static bool glowImageBlack = false;

static const PostPass kGlowChain[] = {kToneMapFrame, kToneMapAgain, kBlurVertical, kBlurHorizontal};
static_assert(sizeof kGlowChain / sizeof kGlowChain[0] == 4, "the scenes run four glow passes");

void fillRenderTexture(GLuint texture, int width, int height, uint8_t value) {
    const std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4, value);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
}

void clearGlowHistory() {
    fillRenderTexture(blurTextureB, glowSize(), glowSize(), 0);
}

static void useBlurProgram(int kind) {
    glUseProgramObjectARB(blurProgram);
    glUniform1iARB(blurDecalUniform, 0);
    // Even kinds blur along s, odd kinds along t.
    const bool horizontal = kind % 2 == 0;
    glUniform4fARB(blurTexOffsetUniform, kBlurStep, kBlurStep, horizontal ? 1.0f : 0.0f,
                   horizontal ? 0.0f : 1.0f);
}

// Unit 1 carries the previous frame's glow brightness, which the tone
// mapping uses to hold back areas that already glowed.
static void useHdrProgram() {
    glUseProgramObjectARB(hdrProgram);
    glUniform1iARB(hdrDecalUniform, 0);
    glUniform1iARB(hdrDecal2Uniform, 1);
    glUniform1fARB(hdrExposureUniform, kHdrExposure);
    glUniform1fARB(hdrGammaUniform, kHdrGamma);
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, blurTextureB);
    glActiveTextureARB(GL_TEXTURE0_ARB);
}

void postProcessPass(int type, int kind) {
    const int side = glowSize();
    int32_t width, height;
    currentResolution(&width, &height);
    // The pass draws and reads back only the square: clearing the rest of a
    // large back buffer would cost more than the pass itself.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, side, side);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

    if (type == BlurPass)
        useBlurProgram(kind);
    else
        useHdrProgram();
    glBindTexture(GL_TEXTURE_2D, kind == 0 ? screenTexture : blurTextureA);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(static_cast<float>(side), 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(static_cast<float>(side), static_cast<float>(side));
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(0.0f, static_cast<float>(side));
    glEnd();
    glUseProgramObjectARB(0);

    glBindTexture(GL_TEXTURE_2D, blurTextureA);
    if (glowTextureSize != side) {
        glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 0, 0, side, side, 0);
        glowTextureSize = side;
    } else {
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, side, side);
    }
    glowImageBlack = false;
    if (type == kBlurHorizontal.type && kind == kBlurHorizontal.kind) {
        // The finished glow's brightness, for the next frame's tone mapping.
        glBindTexture(GL_TEXTURE_2D, blurTextureB);
        glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, 0, 0, side, side, 0);
    }

    if (type == HdrPass) {
        glActiveTextureARB(GL_TEXTURE1_ARB);
        glDisable(GL_TEXTURE_2D);
        glActiveTextureARB(GL_TEXTURE0_ARB);
    }
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// Puts the frame back into the square the passes drew in, texel for pixel,
// and clears the depth for the overlays that follow.
static void restoreGlowSquare(int width, int height) {
    const int side = glowSize();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBindTexture(GL_TEXTURE_2D, screenTexture);
    const float s = static_cast<float>(side) / static_cast<float>(width),
                t = static_cast<float>(side) / static_cast<float>(height);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(s, 0.0f);
    glVertex2f(static_cast<float>(side), 0.0f);
    glTexCoord2f(s, t);
    glVertex2f(static_cast<float>(side), static_cast<float>(side));
    glTexCoord2f(0.0f, t);
    glVertex2f(0.0f, static_cast<float>(side));
    glEnd();
    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glClear(GL_DEPTH_BUFFER_BIT);
}

void postProcessFrame() {
    int32_t width, height;
    currentResolution(&width, &height);
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    if (!effectsEnabled || graphicsSwitches.glowSize <= 0) {
        // The same frame with no glow: the recomposition adds black. What
        // follows is flat and tests no depth, so the depth buffer is left as
        // the scene left it (clearing it costs a pass over every pixel).
        if (!glowImageBlack) {
            fillRenderTexture(blurTextureA, kFullGlowSize, kFullGlowSize, 0);
            glowTextureSize = kFullGlowSize;
            glowImageBlack = true;
        }
        return;
    }
    // Only the glow passes read the frame's copy.
    glBindTexture(GL_TEXTURE_2D, screenTexture);
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 0, 0, width, height, 0);
    for (const PostPass& pass : kGlowChain) postProcessPass(pass.type, pass.kind);
    restoreGlowSquare(width, height);
}
