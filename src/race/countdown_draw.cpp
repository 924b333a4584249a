// The start countdown's overlay: 3, 2, 1 fading in over a second each, then
// "go" fading in and out over two, added onto the frame.
#include <cstdio>
#include <cstring>

#include "race/race.h"
#include "render/render.h"
#include "state/state.h"

// The circuit's name shows until the count's "3".
static const float kCircuitNameSeconds = 3.0f;

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
        if (!(session.raceTimer > image.from && session.raceTimer < image.to)) continue;
        // Fades in over its first second; the long "go" fades out over its last.
        float alpha = session.raceTimer - image.from;
        if (image.to - image.from > 1.0f && session.raceTimer >= image.from + 1.0f)
            alpha = image.to - session.raceTimer;
        drawColour(1.0f, 1.0f, 1.0f, alpha);
        drawImage(gameTextures[image.texture], image.x, image.y, image.x + image.width,
                  image.y + image.height);
    }

    endImages();
    drawColour(1.0f, 1.0f, 1.0f, 1.0f);
    // The circuit's name while the grid waits for the lights, fading out as
    // the count begins.
    const char* name = circuitName(session.loadedRaceNumber);
    if (name[0] != '\0' && session.raceTimer < kCircuitNameSeconds) {
        char text[48];
        std::snprintf(text, sizeof text, "Race %d: %s", session.loadedRaceNumber, name);
        const float alpha =
            session.raceTimer < kCircuitNameSeconds - 1.0f ? 1.0f : kCircuitNameSeconds - session.raceTimer;
        const int width = 13 * static_cast<int>(std::strlen(text));
        beginShapes();
        shapeColour(kHudBlack, 0.6f * alpha);
        fillRect(static_cast<float>(392 - width / 2), 404.0f, static_cast<float>(408 + width / 2), 440.0f);
        endShapes();
        setTextAlpha(alpha);
        printTextLarge(400 - width / 2, 410, 1, "%s", text);
        setTextAlpha(1.0f);
    }
    endOverlay();
}
