// The game's picture at its own resolution, apart from the window's size.
//
// The game draws into an off-screen framebuffer of its chosen resolution; at
// each swap the backend presents it scaled into the window, keeping its shape
// with black bars, and maps the pointer back into the game's pixels. Every
// read-back and screen copy of the game therefore sees its own resolution,
// whatever size the window or the desktop gave it. Without framebuffer
// objects the game draws straight into the window, as it always could.
// Shared by both backends; runs on the game thread with the context current.
#pragma once

// Where the picture lies in a window: top-left corner and size, in window
// pixels with y down.
struct SurfaceRect {
    int x, y, width, height;
};

// The largest rectangle of the game's shape that fits the window, centred.
SurfaceRect surfaceFit(int gameWidth, int gameHeight, int windowWidth, int windowHeight);
// A window position in the game's pixels (inside the picture; a point on a
// bar is taken to the nearest edge).
void surfaceWindowToGame(int gameWidth, int gameHeight, int windowWidth, int windowHeight, int wx, int wy,
                         int* gx, int* gy);

// The inverse: a game pixel's position in the window (the middle of the
// window pixels that show it).
void surfaceGameToWindow(int gameWidth, int gameHeight, int windowWidth, int windowHeight, int gx, int gy,
                         int* wx, int* wy);

// Makes the off-screen framebuffer (colour, depth and stencil) at the game's
// resolution and binds it. False, and nothing bound, when the driver has no
// framebuffer objects.
bool surfaceCreate(int width, int height, int depthBits);
// Forgets the framebuffer; its objects go with the context.
void surfaceForget();
bool surfaceActive();
// Draws the picture into the window's back buffer (windowWidth x
// windowHeight drawable pixels) with black bars, leaving the game's GL state
// as it was. The window's buffer stays bound until surfaceRebind.
void surfacePresent(int windowWidth, int windowHeight);
// Binds the game's framebuffer again after the swap.
void surfaceRebind();
