// The game's off-screen picture and its scaled presentation in the window.
#include "platform/game_surface.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "platform/platform.h"

namespace {

// Framebuffer-object entry points (OpenGL 3.0 or ARB_framebuffer_object).
PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;
PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;

bool active = false;
GLuint framebuffer = 0;
GLuint colourBuffer = 0, depthBuffer = 0;
int heldWidth = 0, heldHeight = 0;

}  // namespace

SurfaceRect surfaceFit(int gameWidth, int gameHeight, int windowWidth, int windowHeight) {
    SurfaceRect r = {0, 0, windowWidth, windowHeight};
    if (gameWidth <= 0 || gameHeight <= 0 || windowWidth <= 0 || windowHeight <= 0) {
        return r;
    }
    // Compare the two shapes in integers: the wider window gets side bars.
    const long long wideness =
        static_cast<long long>(windowWidth) * gameHeight - static_cast<long long>(windowHeight) * gameWidth;
    if (wideness > 0) {
        r.width = static_cast<int>((static_cast<long long>(windowHeight) * gameWidth + gameHeight / 2) /
                                   gameHeight);
        r.x = (windowWidth - r.width) / 2;
    } else if (wideness < 0) {
        r.height =
            static_cast<int>((static_cast<long long>(windowWidth) * gameHeight + gameWidth / 2) / gameWidth);
        r.y = (windowHeight - r.height) / 2;
    }
    return r;
}

void surfaceWindowToGame(int gameWidth, int gameHeight, int windowWidth, int windowHeight, int wx, int wy,
                         int* gx, int* gy) {
    const SurfaceRect r = surfaceFit(gameWidth, gameHeight, windowWidth, windowHeight);
    if (r.width <= 0 || r.height <= 0 || gameWidth <= 0 || gameHeight <= 0) {
        *gx = wx;
        *gy = wy;
        return;
    }
    // The centre of a window pixel, scaled: a 2:1 shrink maps window pixel 5
    // to game pixel 10 or 11, never past the picture.
    long long x =
        (static_cast<long long>(wx - r.x) * 2 + 1) * gameWidth / (static_cast<long long>(r.width) * 2);
    long long y =
        (static_cast<long long>(wy - r.y) * 2 + 1) * gameHeight / (static_cast<long long>(r.height) * 2);
    if (wx < r.x) x = 0;
    if (wy < r.y) y = 0;
    *gx = static_cast<int>(x < 0 ? 0 : (x >= gameWidth ? gameWidth - 1 : x));
    *gy = static_cast<int>(y < 0 ? 0 : (y >= gameHeight ? gameHeight - 1 : y));
}

void surfaceGameToWindow(int gameWidth, int gameHeight, int windowWidth, int windowHeight, int gx, int gy,
                         int* wx, int* wy) {
    const SurfaceRect r = surfaceFit(gameWidth, gameHeight, windowWidth, windowHeight);
    if (gameWidth <= 0 || gameHeight <= 0) {
        *wx = gx;
        *wy = gy;
        return;
    }
    *wx = r.x + static_cast<int>((static_cast<long long>(gx) * 2 + 1) * r.width /
                                 (static_cast<long long>(gameWidth) * 2));
    *wy = r.y + static_cast<int>((static_cast<long long>(gy) * 2 + 1) * r.height /
                                 (static_cast<long long>(gameHeight) * 2));
}

template <typename T>
static bool load(T* entry, const char* name) {
    *entry = reinterpret_cast<T>(platformGetProcAddress(name));
    return *entry != nullptr;
}

static bool loadEntryPoints() {
    return load(&genFramebuffers, "glGenFramebuffers") && load(&bindFramebuffer, "glBindFramebuffer") &&
           load(&framebufferRenderbuffer, "glFramebufferRenderbuffer") &&
           load(&checkFramebufferStatus, "glCheckFramebufferStatus") &&
           load(&blitFramebuffer, "glBlitFramebuffer") && load(&deleteFramebuffers, "glDeleteFramebuffers") &&
           load(&genRenderbuffers, "glGenRenderbuffers") && load(&bindRenderbuffer, "glBindRenderbuffer") &&
           load(&renderbufferStorage, "glRenderbufferStorage") &&
           load(&deleteRenderbuffers, "glDeleteRenderbuffers");
}

bool surfaceCreate(int width, int height, int depthBits) {
    surfaceForget();
    if (width <= 0 || height <= 0 || !loadEntryPoints()) {
        return false;
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    genRenderbuffers(1, &colourBuffer);
    bindRenderbuffer(GL_RENDERBUFFER, colourBuffer);
    renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    genRenderbuffers(1, &depthBuffer);
    bindRenderbuffer(GL_RENDERBUFFER, depthBuffer);
    // The stencil bit the pixel format asks for comes with the 24-bit depth;
    // a 16-bit depth choice keeps its coarser depth.
    const bool packed = depthBits > 16;
    renderbufferStorage(GL_RENDERBUFFER, packed ? GL_DEPTH24_STENCIL8 : GL_DEPTH_COMPONENT16, width, height);
    bindRenderbuffer(GL_RENDERBUFFER, 0);

    genFramebuffers(1, &framebuffer);
    bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colourBuffer);
    framebufferRenderbuffer(GL_FRAMEBUFFER, packed ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                            GL_RENDERBUFFER, depthBuffer);
    if (checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE || glGetError() != GL_NO_ERROR) {
        bindFramebuffer(GL_FRAMEBUFFER, 0);
        deleteFramebuffers(1, &framebuffer);
        deleteRenderbuffers(1, &colourBuffer);
        deleteRenderbuffers(1, &depthBuffer);
        framebuffer = colourBuffer = depthBuffer = 0;
        return false;
    }
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    heldWidth = width;
    heldHeight = height;
    active = true;
    return true;
}

void surfaceForget() {
    active = false;
    framebuffer = colourBuffer = depthBuffer = 0;
    heldWidth = heldHeight = 0;
}

bool surfaceActive() {
    return active;
}

void surfacePresent(int windowWidth, int windowHeight) {
    if (!active || windowWidth <= 0 || windowHeight <= 0) {
        return;
    }
    // The game's clear colour and scissor stay its own.
    GLfloat clearColour[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    glDisable(GL_SCISSOR_TEST);

    bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDrawBuffer(GL_BACK);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const SurfaceRect r = surfaceFit(heldWidth, heldHeight, windowWidth, windowHeight);
    // GL counts rows from the bottom.
    const int bottom = windowHeight - r.y - r.height;
    const bool sameSize = r.width == heldWidth && r.height == heldHeight;
    bindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    blitFramebuffer(0, 0, heldWidth, heldHeight, r.x, bottom, r.x + r.width, bottom + r.height,
                    GL_COLOR_BUFFER_BIT, sameSize ? GL_NEAREST : GL_LINEAR);

    // The window's buffer stays bound for drawing and reading until the swap.
    bindFramebuffer(GL_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
    if (scissor) {
        glEnable(GL_SCISSOR_TEST);
    }
}

// After the swap the game draws into its own picture again.
void surfaceRebind() {
    if (active) {
        bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glDrawBuffer(GL_COLOR_ATTACHMENT0);
        glReadBuffer(GL_COLOR_ATTACHMENT0);
    }
}
