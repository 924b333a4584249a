// A real GL context in a hidden window, run from a scratch folder that holds
// the game's shaders, so renderer tests see base/ as the game does.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/scripted.h"
#include "render/gl.h"
#include "render/render.h"
#include "render_fixtures.h"
#include "shell/shell.h"

inline const char* shaderSourceDir() {
    return KORVASK_SOURCE_DIR "/tools/content/shaders";
}

// A 256 x 256 RGBA glyph image of 16 x 16-pixel cells: the cells named in
// `opaque` are filled white and opaque on their left half (the part a glyph
// uses), every other pixel is transparent.
inline Bytes glyphImage(const std::vector<int>& opaque) {
    std::vector<uint8_t> pixels((size_t)256 * 256 * 4, 0);
    for (int fileRow = 0; fileRow < 256; fileRow++) {
        int cellRow = 15 - fileRow / 16;  // file rows run bottom first
        for (int x = 0; x < 256; x++) {
            int cell = cellRow * 16 + x / 16;
            bool lit = false;
            for (int c : opaque) lit |= c == cell;
            if (lit && x % 16 < 8) {
                uint8_t* p = &pixels[((size_t)fileRow * 256 + x) * 4];
                p[0] = p[1] = p[2] = p[3] = 255;
            }
        }
    }
    return makeTga(256, 256, 32, pixels);
}

class RendererTest : public ::testing::Test {
  protected:
    TempDir dir;
    std::string previousDir;
    int width = 1024, height = 768;

    void SetUp() override {
        char cwd[4096];
        previousDir = getcwd(cwd, sizeof cwd) ? cwd : ".";
        std::string command = "mkdir -p '" + dir.path + "/base/shaders' '" + dir.path +
                              "/base/textures' && cp '" + shaderSourceDir() + "'/*.glsl '" + dir.path +
                              "/base/shaders/'";
        ASSERT_EQ(std::system(command.c_str()), 0);
        ASSERT_EQ(chdir(dir.path.c_str()), 0);
        scriptedReset();
    }

    void TearDown() override {
        releaseTgaTextures();
        scriptedCloseGLWindow();
        if (chdir(previousDir.c_str()) != 0) ADD_FAILURE() << "cannot return to " << previousDir;
    }

    // Opens the window at the game's resolution and runs the start-up.
    bool start(int w, int h) {
        width = w;
        height = h;
        options.screenWidth = options.windowWidth = w;
        options.screenHeight = options.windowHeight = h;
        if (!scriptedOpenGLWindow(w, h)) return false;
        glViewport(0, 0, w, h);
        return startRenderer();
    }

    std::vector<uint8_t> frame() {
        std::vector<uint8_t> rgb;
        EXPECT_TRUE(scriptedReadFrame(&rgb, width, height));
        return rgb;
    }
};
