// Model drawing: the display-list path draws the pixels of the immediate-mode
// reference, untextured groups are drawn white, and the state is left as the
// drawing code expects.
#include <gtest/gtest.h>

#include <memory>

#include "gl_fixture.h"

namespace {

class DrawModel : public RendererTest {
  protected:
    void SetUp() override {
        RendererTest::SetUp();
        ASSERT_TRUE(start(640, 480));
        resizeScene(640, 480);
        glDisable(GL_FOG);
        glDisable(GL_LIGHTING);
    }
    void TearDown() override {
        modelDisplayLists = true;
        RendererTest::TearDown();
    }

    std::vector<uint8_t> draw(Model* model, bool lists) {
        modelDisplayLists = lists;
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        gluLookAt(0.5, 3, 2.5, 0.5, 0, 0.5, 0, 1, 0);
        glColor4f(1, 1, 1, 1);
        drawModel(model);
        return frame();
    }
};

// Two quads side by side: the first textured with a 2 x 2 checker, the
// second in a group without a material.
std::unique_ptr<Model> twoQuads(const std::string& texturePath) {
    Ms3dFile f = ms3dQuad(texturePath);
    f.vertices.push_back({-1.2f, 0, 0, 0});
    f.vertices.push_back({-0.2f, 0, 0, 0});
    f.vertices.push_back({-0.2f, 0, 1, 0});
    f.vertices.push_back({-1.2f, 0, 1, 0});
    f.triangles.push_back(ms3dTriangle(4, 5, 6));
    f.triangles.push_back(ms3dTriangle(4, 6, 7));
    f.groups.push_back({{2, 3}, -1});
    Bytes bytes = f.build();
    auto model = std::make_unique<Model>();
    EXPECT_TRUE(model->loadFromBytes(bytes.data(), bytes.size()));
    model->loadTextures();
    return model;
}

TEST_F(DrawModel, DisplayListDrawsTheImmediateModePixels) {
    std::vector<uint8_t> checker = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};
    ASSERT_TRUE(writeFile("base/textures/checker.tga", makeTga(2, 2, 24, checker)));
    auto model = twoQuads("base/textures/checker.tga");
    ASSERT_NE(model->materials[0].texture, 0u);
    glEnable(GL_TEXTURE_2D);
    const std::vector<uint8_t> reference = draw(model.get(), false);
    EXPECT_EQ(model->drawList, 0u);
    const std::vector<uint8_t> first = draw(model.get(), true);
    EXPECT_NE(model->drawList, 0u);
    const std::vector<uint8_t> second = draw(model.get(), true);
    EXPECT_EQ(first, reference);
    EXPECT_EQ(second, reference);

    // Something of both quads is on screen: the textured one not white (its
    // checker filtered towards its mean) and the untextured one plain white.
    int coloured = 0, white = 0;
    for (size_t i = 0; i + 2 < reference.size(); i += 3) {
        const bool isWhite = reference[i] == 255 && reference[i + 1] == 255 && reference[i + 2] == 255;
        const bool isBlack = reference[i] == 0 && reference[i + 1] == 0 && reference[i + 2] == 0;
        white += isWhite;
        coloured += !isWhite && !isBlack && reference[i] != reference[i + 2];
    }
    EXPECT_GT(coloured, 1000);
    EXPECT_GT(white, 1000);

    // Releasing the model deletes its list.
    const GLuint list = model->drawList;
    model->release();
    EXPECT_EQ(model->drawList, 0u);
    EXPECT_FALSE(glIsList(list));
}

TEST_F(DrawModel, LeavesCullingOffAndTexturingAsFound) {
    auto model = twoQuads("");
    for (bool lists : {false, true}) {
        for (bool textured : {false, true}) {
            glEnable(GL_CULL_FACE);
            if (textured)
                glEnable(GL_TEXTURE_2D);
            else
                glDisable(GL_TEXTURE_2D);
            draw(model.get(), lists);
            EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
            EXPECT_EQ((bool)glIsEnabled(GL_TEXTURE_2D), textured);
        }
    }
    // An empty model and no model draw nothing and fail nothing.
    Model empty;
    drawModel(&empty);
    drawModel(nullptr);
    EXPECT_EQ(empty.drawList, 0u);
}

// One quad seen from above with either winding, its material closed or
// two-sided: culled drawing leaves out only the closed quad seen from behind,
// draws the rest as drawModel does, and leaves culling off.
TEST_F(DrawModel, CulledDrawingLeavesOutOnlyClosedBackFaces) {
    struct Case {
        bool facingUp;
        bool twoSided;
        bool drawn;
    };
    const Case cases[] = {
        {false, false, false}, {false, true, true}, {true, false, true}, {true, true, true}};
    for (bool lists : {false, true}) {
        for (const Case& c : cases) {
            Ms3dFile f = ms3dQuad();
            if (c.facingUp) f.triangles = {ms3dTriangle(0, 2, 1), ms3dTriangle(0, 3, 2)};
            if (c.twoSided) f.materials[0].mode = kMaterialTwoSided;
            Bytes bytes = f.build();
            Model model;
            ASSERT_TRUE(model.loadFromBytes(bytes.data(), bytes.size()));
            const std::vector<uint8_t> full = draw(&model, lists);
            modelDisplayLists = lists;
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glDisable(GL_CULL_FACE);
            drawModelCulled(&model);
            EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
            const std::vector<uint8_t> culled = frame();
            size_t lit = 0;
            for (uint8_t v : culled) lit += v != 0;
            if (c.drawn)
                EXPECT_EQ(culled, full) << "up " << c.facingUp << " two-sided " << c.twoSided;
            else
                EXPECT_EQ(lit, 0u) << "lists " << lists;
            EXPECT_EQ(model.culledList != 0, lists);
        }
    }
}

}  // namespace
