// The generated content of base/ through the game's own readers: every
// texture table fills, every model loads with its material textures, and the
// renderer starts on the real shaders. Skipped until korvask-content has run.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>

#include "platform/scripted.h"
#include "render/gl.h"
#include "render/render.h"
#include "render_fixtures.h"
#include "shell/shell.h"

namespace {

bool contentPresent() {
    struct stat info;
    return stat("base/textures/tex00.bmp", &info) == 0 && stat("base/shaders/LightPS.glsl", &info) == 0;
}

std::vector<std::string> modelFiles() {
    std::vector<std::string> files;
    FILE* list = popen("find base -name '*.ms3d' | sort", "r");
    if (!list) return files;
    char line[512];
    while (std::fgets(line, sizeof line, list)) {
        std::string path(line);
        while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
        files.push_back(path);
    }
    pclose(list);
    return files;
}

TEST(GeneratedContent, LoadsThroughTheGameReaders) {
    if (!contentPresent()) FAIL() << "run korvask-content first";
    scriptedReset();
    options.screenWidth = options.windowWidth = 800;
    options.screenHeight = options.windowHeight = 600;
    ASSERT_TRUE(scriptedOpenGLWindow(800, 600));
    ASSERT_TRUE(startRenderer());
    for (int i = 0; i < kTgaTextureCount; i++) {
        EXPECT_NE(tgaTextures[i].texture, 0xFFFFFFFFu) << "tex" << i << ".tga";
        EXPECT_TRUE(tgaTextures[i].bytesPerPixel == 3 || tgaTextures[i].bytesPerPixel == 4);
    }
    for (GLuint texture : startTextures) EXPECT_NE(texture, 0u);
    EXPECT_TRUE(loadGameTextures());

    std::vector<std::string> models = modelFiles();
    EXPECT_FALSE(models.empty());
    for (const std::string& path : models) {
        auto model = std::make_unique<Model>();
        ASSERT_TRUE(model->load(path.c_str())) << path;
        EXPECT_GT(model->triangleCount, 0) << path;
        model->loadTextures();
        for (int m = 0; m < model->materialCount; m++) {
            const ModelMaterial& material = model->materials[m];
            if (material.textureFile[0] != '\0') {
                EXPECT_NE(material.texture, 0u) << path << " material " << m << " " << material.textureFile;
            }
        }
    }
    // No reader complained along the way.
    for (const auto& box : scriptedMessageBoxes()) ADD_FAILURE() << box.caption << ": " << box.text;
    releaseTgaTextures();
    scriptedCloseGLWindow();
}

}  // namespace
