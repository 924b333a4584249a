// Renderer start-up on a real (Mesa) context: state, programs, uniforms,
// render textures and the texture loaders. Run under Xvfb.
#include <cmath>

#include "gl_fixture.h"
#include "render/render_local.h"

namespace {

TEST(Extensions, WholeNamesOnly) {
    const char* list = "GL_ARB_multitexture_plus GL_EXT_texture_env_combine  GL_ARB_shader_objects";
    EXPECT_FALSE(hasExtensionName(list, "GL_ARB_multitexture"));
    EXPECT_TRUE(hasExtensionName(list, "GL_EXT_texture_env_combine"));
    EXPECT_TRUE(hasExtensionName(list, "GL_ARB_shader_objects"));
    EXPECT_FALSE(hasExtensionName(list, "GL_ARB_shader"));
    EXPECT_FALSE(hasExtensionName(list, ""));
    EXPECT_FALSE(hasExtensionName("", "GL_ARB_multitexture"));
    // Longer than any fixed buffer the list might once have been copied into.
    std::string big(10000, 'x');
    big += " GL_ARB_multitexture";
    EXPECT_TRUE(hasExtensionName(big.c_str(), "GL_ARB_multitexture"));
}

TEST(ShaderSource, EmptyLongAndMissingFiles) {
    TempDir dir;
    ASSERT_TRUE(writeFile(dir.file("empty.glsl"), Bytes{}));
    char* empty = readShaderSource(dir.file("empty.glsl").c_str());
    ASSERT_NE(empty, nullptr);
    EXPECT_STREQ(empty, "");
    std::free(empty);

    std::string text = "// " + std::string(1000, 'a') + "\nvoid main() {}\n";
    ASSERT_TRUE(writeFile(dir.file("long.glsl"), Bytes(text.begin(), text.end())));
    char* source = readShaderSource(dir.file("long.glsl").c_str());
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(std::string(source), text);
    std::free(source);

    EXPECT_EQ(readShaderSource(dir.file("none.glsl").c_str()), nullptr);
}

TEST_F(RendererTest, StartsOnMesaWithEveryProgramAndUniform) {
    game.gameState = Race;
    ASSERT_TRUE(start(1024, 768));
    EXPECT_EQ(game.gameState, MainMenu);
    EXPECT_TRUE(multitextureAvailable);
    EXPECT_GE(maxTextureUnits, 2);
    EXPECT_TRUE(scriptedMessageBoxes().empty());

    for (GLhandleARB program : {lightProgram, blurProgram, hdrProgram}) {
        GLint linked = 0;
        glGetObjectParameterivARB(program, GL_OBJECT_LINK_STATUS_ARB, &linked);
        EXPECT_EQ(linked, 1);
    }
    for (int i = 0; i < kShaderLights; i++) {
        EXPECT_NE(lightPosUniform[i], -1) << i;
        EXPECT_NE(lightColorUniform[i], -1) << i;
    }
    for (int i = 0; i < kShaderLights - 1; i++) {
        EXPECT_NE(lightOriUniform[i], -1) << i;
        EXPECT_NE(lightFocusUniform[i], -1) << i;
    }
    for (GLint location : {ambientColorUniform, matAmbientUniform, matDiffuseUniform, matSpecularUniform,
                           emissiveUniform, shininessUniform, cameraOriUniform, lightDecalUniform,
                           lightDecal2Uniform, refIntUniform, blurTexOffsetUniform, blurDecalUniform,
                           hdrExposureUniform, hdrGammaUniform, hdrDecalUniform, hdrDecal2Uniform})
        EXPECT_NE(location, -1);

    // The uniforms take the types the game sets them with.
    glUseProgramObjectARB(lightProgram);
    glUniform4fARB(lightPosUniform[4], 1, 2, 3, 1);
    glUniform3fARB(lightOriUniform[0], 0, -1, 0);
    glUniform1iARB(lightFocusUniform[3], 5);
    glUniform1fARB(refIntUniform, 1);
    glUniform1iARB(lightDecal2Uniform, 1);
    glUniform3fARB(cameraOriUniform, 0, 0, 5);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    glUseProgramObjectARB(blurProgram);
    glUniform4fARB(blurTexOffsetUniform, 0.5f, 0.5f, 1, 0);
    glUseProgramObjectARB(hdrProgram);
    glUniform1fARB(hdrExposureUniform, 1.0f);
    glUniform1fARB(hdrGammaUniform, 1.0f);
    glUniform1iARB(hdrDecal2Uniform, 1);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    glUseProgramObjectARB(0);
}

// The frame copies and the glow chain read these textures whole: each must
// match what is copied into it.
TEST_F(RendererTest, RenderTexturesMatchTheScreenTheBlurAndTheReflection) {
    ASSERT_TRUE(start(640, 480));
    struct Expect {
        GLuint texture;
        int w, h;
    };
    for (Expect e : {Expect{screenTexture, 640, 480}, Expect{blurTextureA, 256, 256},
                     Expect{blurTextureB, 256, 256}, Expect{reflectionTexture, 256, 256}}) {
        ASSERT_TRUE(glIsTexture(e.texture));
        glBindTexture(GL_TEXTURE_2D, e.texture);
        GLint w = 0, h = 0, format = 0, wrap = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
        EXPECT_EQ(w, e.w);
        EXPECT_EQ(h, e.h);
        EXPECT_EQ(format, GL_RGBA);
        EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE);
    }
}

TEST_F(RendererTest, MissingShaderFailsWithoutAMessage) {
    ASSERT_EQ(std::remove("base/shaders/HDRPS.glsl"), 0);
    EXPECT_FALSE(start(640, 480));
    EXPECT_TRUE(scriptedMessageBoxes().empty());
}

TEST_F(RendererTest, LinkFailureShowsTheLog) {
    std::string broken = "void main() { gl_FragColor = undefinedThing; }\n";
    ASSERT_TRUE(writeFile("base/shaders/BlurPS.glsl", Bytes(broken.begin(), broken.end())));
    EXPECT_FALSE(start(640, 480));
    ASSERT_EQ(scriptedMessageBoxes().size(), 1u);
    EXPECT_EQ(scriptedMessageBoxes()[0].caption, "Error linking shaders...");
    EXPECT_FALSE(scriptedMessageBoxes()[0].text.empty());
}

void* withoutUniformMatrix(const char* name) {
    if (std::string(name) == "glUniformMatrix4fvARB") return nullptr;
    return platformGetProcAddress(name);
}

TEST_F(RendererTest, EveryShaderEntryPointIsRequired) {
    ASSERT_TRUE(start(640, 480));
    EXPECT_TRUE(loadShaderEntryPoints(platformGetProcAddress));
    EXPECT_FALSE(loadShaderEntryPoints(withoutUniformMatrix));
    EXPECT_TRUE(loadShaderEntryPoints(platformGetProcAddress));
}

std::vector<uint8_t> textureLevel0(GLuint texture, GLenum format, int w, int h) {
    std::vector<uint8_t> pixels((size_t)w * h * (format == GL_RGBA ? 4 : 3));
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

TEST_F(RendererTest, TexturesKeepTheirPixels) {
    ASSERT_TRUE(start(640, 480));
    // GLU scales a 5 x 3 image to powers of two, so the texels are not the
    // file's; but one colour stays that colour only when the packed 15-byte
    // rows were read as packed (a 4-byte row alignment would shift them).
    Picture p = testPicture(5, 3, 1);
    for (size_t i = 0; i < p.rgb.size(); i += 3) p.rgb[i] = 255, p.rgb[i + 1] = 0, p.rgb[i + 2] = 0;
    BmpOptions o;
    o.bits = 8;
    ASSERT_TRUE(writeFile("five.bmp", makeBmp(p, o)));
    GLuint bmp = loadBmpTexture("five.bmp");
    ASSERT_NE(bmp, 0u);
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    ASSERT_GT(w * h, 0);
    EXPECT_EQ(w & (w - 1), 0);
    std::vector<uint8_t> texels = textureLevel0(bmp, GL_RGB, w, h);
    for (size_t i = 0; i < texels.size(); i += 3) {
        EXPECT_EQ(texels[i], 255) << i;
        EXPECT_EQ(texels[i + 1], 0) << i;
        EXPECT_EQ(texels[i + 2], 0) << i;
    }

    std::vector<uint8_t> rgba = {255, 0, 0, 10, 0, 255, 0, 128, 0, 0, 255, 255, 9, 9, 9, 0};
    ASSERT_TRUE(writeFile("alpha.tga", makeTga(2, 2, 32, rgba)));
    ASSERT_TRUE(writeFile("solid.tga", makeTga(2, 1, 24, {1, 2, 3, 4, 5, 6})));
    GLuint tga = loadTgaTexture("alpha.tga");
    ASSERT_NE(tga, 0u);
    GLint format = 0, wrap = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrap);
    EXPECT_EQ(format, GL_RGBA);
    EXPECT_EQ(wrap, GL_REPEAT);
    EXPECT_EQ(textureLevel0(tga, GL_RGBA, 2, 2), rgba);
    GLuint solid = loadTgaTexture("solid.tga");
    glBindTexture(GL_TEXTURE_2D, solid);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    EXPECT_EQ(format, GL_RGB);

    TgaImage image;
    ASSERT_TRUE(image.load("alpha.tga", 2));
    EXPECT_EQ(image.bytesPerPixel, 4);
    EXPECT_EQ(std::vector<uint8_t>(image.pixels, image.pixels + 16), rgba);
    GLint filter = 0;
    glBindTexture(GL_TEXTURE_2D, image.texture);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_NEAREST);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
    EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE);
    GLuint name = image.texture;
    image.release(true);
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_FALSE(glIsTexture(name));

    TgaImage refused;
    Bytes rle = makeTga(1, 1, 24, {1, 2, 3}, 10);
    ASSERT_TRUE(writeFile("rle.tga", rle));
    EXPECT_FALSE(refused.load("rle.tga", 0));
    EXPECT_EQ(refused.texture, 0xFFFFFFFFu);
    EXPECT_EQ(loadTgaTexture("rle.tga"), 0u);
    EXPECT_EQ(loadTgaTexture("missing.tga"), 0u);
    EXPECT_EQ(loadBmpTexture("missing.bmp"), 0u);
    EXPECT_TRUE(scriptedMessageBoxes().empty());
}

TEST_F(RendererTest, GameTexturesAreAllOrNothing) {
    ASSERT_TRUE(start(640, 480));
    BmpOptions o;
    for (int i = 0; i < kGameTextureCount; i++) {
        if (i == 37) continue;
        char path[64];
        std::snprintf(path, sizeof path, "base/textures/tex%02d.bmp", i);
        ASSERT_TRUE(writeFile(path, makeBmp(testPicture(4, 4), o)));
    }
    GLuint before;
    glGenTextures(1, &before);
    for (GLuint& t : gameTextures) t = 0;
    EXPECT_FALSE(loadGameTextures());
    for (GLuint t : gameTextures) EXPECT_EQ(t, 0u);
    GLuint after;
    glGenTextures(1, &after);
    EXPECT_EQ(after, before + 1);  // no name was taken in between

    ASSERT_TRUE(writeFile("base/textures/tex37.bmp", makeBmp(testPicture(4, 4), o)));
    EXPECT_TRUE(loadGameTextures());
    for (int i = 0; i < kGameTextureCount; i++) {
        ASSERT_TRUE(glIsTexture(gameTextures[i])) << i;
        glBindTexture(GL_TEXTURE_2D, gameTextures[i]);
        GLint wrap = 0, minFilter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        EXPECT_EQ(wrap, i == 36 ? GL_REPEAT : GL_CLAMP_TO_EDGE) << i;
        EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_NEAREST) << i;
    }
    EXPECT_TRUE(loadStartTextures());
    EXPECT_TRUE(scriptedMessageBoxes().empty());
}

TEST_F(RendererTest, StartTexturesAndTgaTableLoadAtStartUp) {
    BmpOptions o;
    for (int n : {40, 41, 42}) {
        char path[64];
        std::snprintf(path, sizeof path, "base/textures/tex%02d.bmp", n);
        ASSERT_TRUE(writeFile(path, makeBmp(testPicture(2, 2), o)));
    }
    ASSERT_TRUE(writeFile("base/textures/tex03.tga", makeTga(1, 1, 24, {7, 8, 9})));
    for (GLuint& t : startTextures) t = 0;
    // tex00.bmp is missing: no start-up texture, but the start still succeeds.
    ASSERT_TRUE(start(640, 480));
    for (GLuint t : startTextures) EXPECT_EQ(t, 0u);
    EXPECT_EQ(tgaTextures[3].width, 1);
    EXPECT_EQ(tgaTextures[3].bytesPerPixel, 3);
    EXPECT_EQ(tgaTextures[2].texture, 0xFFFFFFFFu);
    EXPECT_EQ(tgaTextures[2].pixels, nullptr);
}

}  // namespace
