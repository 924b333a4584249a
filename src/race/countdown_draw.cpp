// The start countdown's overlay: 3, 2, 1 fading in over a second each, then
// "go" fading in and out over two, added onto the frame.
#include "race/race.h"
#include "render/render.h"
#include "state/state.h"

struct CountdownImage {
    float from, to;  // raceTimer range, seconds, both ends excluded
    int texture;     // gameTextures entry
    float x, y, width, height;
};

static const CountdownImage kCountdownImages[] = {
    {3.0f, 4.0f, kCountdownThreeTexture, 336.0f, 236.0f, 128.0f, 128.0f},
    {4.0f, 5.0f, kCountdownTwoTexture, 336.0f, 236.0f, 128.0f, 128.0f},
    {5.0f, 6.0f, kCountdownOneTexture, 336.0f, 236.0f, 128.0f, 128.0f},
    {6.0f, 8.0f, kCountdownGoTexture, 272.0f, 236.0f, 256.0f, 128.0f},
};

void drawCountdown() {
    beginOverlay();
    beginImages();
    setBlend2D(Blend2DGlow);

    for (const CountdownImage& image : kCountdownImages) {
        if (!(raceTimer > image.from && raceTimer < image.to)) continue;
        // Fades in over its first second; the long "go" fades out over its last.
        float alpha = raceTimer - image.from;
        if (image.to - image.from > 1.0f && raceTimer >= image.from + 1.0f) alpha = image.to - raceTimer;
        drawColour(1.0f, 1.0f, 1.0f, alpha);
        drawImage(gameTextures[image.texture], image.x, image.y, image.x + image.width,
                  image.y + image.height);
    }

    endImages();
    drawColour(1.0f, 1.0f, 1.0f, 1.0f);
    endOverlay();
}
