// The generated art through the game's own renderer (run under Xvfb): the
// texture tables load from the generated files, and a menu-and-HUD picture
// composed with the game's blend modes and text printer comes out where the
// layout expects it. The frames are written to content_look.png and
// content_text.png in the build folder, for looking at.
#include <cmath>
#include <string>

#include "content/image_writer.h"
#include "render/gl_fixture.h"

namespace {

void quad(float x0, float y0, float x1, float y1, GLuint texture, float t1 = 1.0f) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(x0, y0);
    glTexCoord2f(1, 0);
    glVertex2f(x1, y0);
    glTexCoord2f(1, t1);
    glVertex2f(x1, y1);
    glTexCoord2f(0, t1);
    glVertex2f(x0, y1);
    glEnd();
}

// The game's widget pattern: the mask multiplied into the frame, the face added.
void maskedPair(float x0, float y0, float x1, float y1, GLuint mask, GLuint face) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    quad(x0, y0, x1, y1, mask);
    glBlendFunc(GL_ONE, GL_ONE);
    quad(x0, y0, x1, y1, face);
    glDisable(GL_BLEND);
}

void overlay() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 800, 0, 600, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
}

// Mean brightness of an overlay rectangle of an 800 x 600 frame (rows top first).
double meanBrightness(const std::vector<uint8_t>& rgb, int x0, int y0, int x1, int y1) {
    double sum = 0;
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const uint8_t* p = &rgb[(static_cast<size_t>(599 - y) * 800 + x) * 3];
            sum += (p[0] + p[1] + p[2]) / 3.0;
            ++n;
        }
    return n ? sum / n : 0;
}

bool savePng(const std::vector<uint8_t>& rgb, const char* name) {
    Image image = makeImage(800, 600, 3);
    image.pixels = rgb;
    return writePng(std::string(KORVASK_BUILD_DIR) + "/" + name, image);
}

class InterfaceGlTest : public RendererTest {
  protected:
    bool startWithGeneratedArt() {
        const std::string copy = "cp '" KORVASK_BUILD_DIR "/base/textures/'tex* base/textures/";
        if (std::system(copy.c_str()) != 0) return false;
        return start(800, 600) && loadGameTextures();
    }
};

}  // namespace

TEST_F(InterfaceGlTest, MenuAndHudArtComposeWithTheGameBlendModes) {
    ASSERT_TRUE(startWithGeneratedArt());
    for (int i = 0; i < kTgaTextureCount; ++i) EXPECT_NE(tgaTextures[i].texture, 0xFFFFFFFFu) << i;
    EXPECT_NE(startTextures[0], 0u);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    overlay();
    quad(0, 0, 800, 600, startTextures[1]);
    const std::vector<uint8_t> backdrop = frame();
    maskedPair(100, 450, 700, 600, gameTextures[kTitleMaskTexture], gameTextures[kTitleFaceTexture]);
    // Buttons in rows 2 to 5 with icons and labels.
    const char* labels[] = {"Career", "Quick race", "Options", "Quit"};
    for (int row = 0; row < 4; ++row) {
        const float y = 350 - 50 * row;
        maskedPair(560, y - 25, 800, y + 35, gameTextures[kButtonMaskTexture],
                   gameTextures[kButtonFaceTexture]);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        quad(613 - 32, y + 5 - 32, 613 + 32, y + 5 + 32, tgaTextures[kButtonIconTga].texture);
        glDisable(GL_BLEND);
        printText(650, static_cast<int>(y), 1.0f, 1, "%s", labels[row]);
        overlay();
    }
    // HUD: dial and needle at 5200 rpm, top bar, nitro at 60 %, countdown "GO".
    glTranslatef(6, -6, 0);
    maskedPair(600, 0, 800, 200, gameTextures[kTachoMaskTexture], gameTextures[kTachoFaceTexture]);
    glLoadIdentity();
    glTranslatef(706, 94, 0);
    glRotatef(152.5f - (5200 - 1000) * 0.035f, 0, 0, 1);
    maskedPair(-11, -6, 11, 104, gameTextures[kNeedleMaskTexture], gameTextures[kNeedleFaceTexture]);
    glLoadIdentity();
    maskedPair(0, 474, 800, 602, gameTextures[kTopBarMaskTexture], gameTextures[kTopBarFaceTexture]);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTranslatef(-12, 0, 0);
    quad(0, 0, 200, 200 * 0.6f, tgaTextures[kNitroFillTga].texture, 0.6f);
    quad(0, 0, 200, 200, tgaTextures[kNitroFrameTga].texture);
    glLoadIdentity();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glColor4f(1, 1, 1, 0.8f);
    quad(272, 236, 528, 364, gameTextures[kCountdownGoTexture]);
    glColor4f(0.3f, 0.7f, 0, 0.9f);
    glTranslatef(400, 545, 0);
    glRotatef(30, 0, 0, 1);
    quad(-48, -48, 48, 48, gameTextures[kCornerArrowTexture]);
    glLoadIdentity();
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
    printTextLarge(727, 37, 1, "%2i", 187);
    printText(732, 17, 1.0f, 1, "Km/h");
    printTextLarge(105, 563, 1, "Lap   /");
    printTextLarge(105, 563, 0, "    %2i", 2);
    printTextLarge(105, 563, 0, "      %2i", 4);
    printTextLarge(560, 563, 1, "Place  /");
    printTextLarge(560, 563, 0, "     %2i", 1);
    printTextLarge(560, 563, 0, "       %2i", 4);
    textColour = 2;
    printTextLarge(330, 380, 1, "Drift  +%2i", 37);
    textColour = 0;
    const std::vector<uint8_t> look = frame();
    EXPECT_TRUE(savePng(look, "content_look.png"));

    // A label lights its plate ("Quit" spans x 650 to 690 of row 5), the
    // title face lights its block, the speed prints inside the dial.
    EXPECT_GT(meanBrightness(look, 652, 200, 688, 214), meanBrightness(look, 705, 200, 741, 214) + 20);
    EXPECT_GT(meanBrightness(look, 150, 480, 650, 580), meanBrightness(backdrop, 150, 480, 650, 580) + 10);
    EXPECT_GT(meanBrightness(look, 730, 20, 775, 34), 60);  // "Km/h"
}

TEST_F(InterfaceGlTest, GlyphImageAndLinesOfTextInBothSets) {
    ASSERT_TRUE(startWithGeneratedArt());
    glClearColor(0.08f, 0.1f, 0.16f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    overlay();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    quad(0, 88, 512, 600, tgaTextures[kGlyphTga].texture);
    glDisable(GL_BLEND);
    printText(10, 60, 1.0f, 1, "Quick race  Options  Lap 3/4  0123456789 !?%%");
    printText(10, 35, 1.0f, 0, "Set 0: Drive fast, drive at night. 12:45");
    printTextLarge(10, 5, 1, "Korvask  Km/h 187");
    textColour = 1;
    printTextLarge(530, 300, 1, "Drift +61");
    textColour = 2;
    printTextLarge(530, 260, 1, "Drift +30");
    textColour = 0;
    textAlpha = 0.5f;
    printTextLarge(530, 220, 1, "Half alpha");
    textAlpha = 1.0f;
    const std::vector<uint8_t> text = frame();
    EXPECT_TRUE(savePng(text, "content_text.png"));
    // Each printed line lights its band; the space between lines stays dark.
    EXPECT_GT(meanBrightness(text, 10, 60, 400, 75), meanBrightness(text, 10, 77, 400, 86) + 15);
    EXPECT_GT(meanBrightness(text, 530, 300, 650, 320), 30);
}
