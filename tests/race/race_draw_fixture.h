// Shared set-up for the race drawing tests: a real GL context at 640 x 480
// with the renderer started from the generated base/ in the build folder
// (the tests' working folder), the game's textures and car models loaded.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <vector>

#include "platform/scripted.h"
#include "race/race.h"
#include "render/gl.h"
#include "render/render.h"
#include "shell/shell.h"

inline bool generatedContentPresent() {
    struct stat info;
    return stat("base/shaders/LightPS.glsl", &info) == 0 && stat("base/textures/tex06.bmp", &info) == 0 &&
           stat("base/maps/1/mapvisual.ms3d", &info) == 0;
}

// Starts the renderer as the game has it after the splash; false when base/
// or the window is missing.
inline bool startRaceRenderer(int width = 640, int height = 480) {
    if (!generatedContentPresent()) return false;
    scriptedReset();
    options.resolutionIndex = width == 640 ? 0 : (width == 800 ? 1 : 2);
    options.screenWidth = options.windowWidth = width;
    options.screenHeight = options.windowHeight = height;
    if (!scriptedOpenGLWindow(width, height)) return false;
    resizeScene(width, height);
    if (!startRenderer()) return false;
    return loadGameTextures();
}

// Unloads the race, if one is loaded, and frees the car models.
inline void unloadRaceAndCars() {
    if (session.raceWorld != nullptr) unloadRace();
    releaseCarModels();
}

inline void stopRaceRenderer() {
    releaseSky();
    releaseTgaTextures();
    scriptedCloseGLWindow();
}

inline std::vector<uint8_t> readFrame(int width = 640, int height = 480) {
    std::vector<uint8_t> rgb;
    EXPECT_TRUE(scriptedReadFrame(&rgb, width, height));
    return rgb;
}

// Pixels of a frame (rows top first) in a box of overlay units (800 x 600,
// origin bottom left), as a flat list of RGB.
inline std::vector<uint8_t> overlayBox(const std::vector<uint8_t>& rgb, float x0, float y0, float x1,
                                       float y1, int width = 640, int height = 480) {
    std::vector<uint8_t> out;
    const int px0 = (int)(x0 * width / 800.0f), px1 = (int)(x1 * width / 800.0f);
    const int py0 = (int)(y0 * height / 600.0f), py1 = (int)(y1 * height / 600.0f);
    for (int y = py0; y < py1 && y < height; y++) {
        if (y < 0) continue;
        const int row = height - 1 - y;
        for (int x = px0 < 0 ? 0 : px0; x < px1 && x < width; x++) {
            const uint8_t* p = &rgb[((size_t)row * width + x) * 3];
            out.insert(out.end(), p, p + 3);
        }
    }
    return out;
}
