// The scripted backend: queue order, records, failing steps, the GL window,
// frame read-back and the PNG writer.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/png_writer.h"
#include "platform/scripted.h"
#include "render/gl.h"

namespace {

class Scripted : public ::testing::Test {
  protected:
    void SetUp() override { scriptedReset(); }
    void TearDown() override { scriptedReset(); }
};

TEST_F(Scripted, MessagesComeOutWhenDueInOrder) {
    scriptedPushMessage(WM_KEYDOWN, 'B', 0, 2);
    scriptedPushKey('A', true);
    scriptedPushMessage(WM_KEYDOWN, 'C', 0, 1);
    scriptedPushMessage(WM_KEYDOWN, 'D', 0, 1);
    PlatformMessage m;
    ASSERT_TRUE(platformPeekMessage(&m));
    EXPECT_EQ(m.wParam, (WPARAM)'A');
    EXPECT_FALSE(platformPeekMessage(&m)) << "C is due after the first frame";
    platformSwapBuffers();
    platformSwapBuffers();
    const char expected[] = {'C', 'D', 'B'};
    for (char c : expected) {
        ASSERT_TRUE(platformPeekMessage(&m));
        EXPECT_EQ(m.wParam, (WPARAM)c);
    }
    EXPECT_EQ(scriptedPendingMessages(), 0);
}

TEST_F(Scripted, QuitCarriesItsCodeAndClicksMoveTheCursor) {
    platformPostQuitMessage(-7);
    PlatformMessage m;
    ASSERT_TRUE(platformPeekMessage(&m));
    EXPECT_EQ(m.message, (uint32_t)WM_QUIT);
    EXPECT_EQ((int)(intptr_t)m.wParam, -7);

    scriptedPushLeftClick(320, 240);
    const uint32_t order[] = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP};
    for (uint32_t message : order) {
        ASSERT_TRUE(platformPeekMessage(&m));
        EXPECT_EQ(m.message, message);
        EXPECT_EQ(loWord((uintptr_t)m.lParam), 320);
        EXPECT_EQ(hiWord((uintptr_t)m.lParam), 240);
    }
    int x = 0, y = 0;
    platformGetCursorPos(&x, &y);
    EXPECT_EQ(x, 320);
    EXPECT_EQ(y, 240);
}

TEST_F(Scripted, ClockMovesOnlyWhenToldAndTenMillisecondsAFrame) {
    int64_t frequency = 0, counter = -1;
    ASSERT_TRUE(platformQueryPerformanceFrequency(&frequency));
    EXPECT_EQ(frequency, 1000000);
    ASSERT_TRUE(platformQueryPerformanceCounter(&counter));
    EXPECT_EQ(counter, 0);
    platformSwapBuffers();
    platformSwapBuffers();
    EXPECT_EQ(scriptedClockMs(), 20.0);
    scriptedSetFrameStep(16.5);
    platformSwapBuffers();
    scriptedAdvanceClock(0.25);
    ASSERT_TRUE(platformQueryPerformanceCounter(&counter));
    EXPECT_EQ(counter, 36750);
    EXPECT_EQ(platformMillisecondTime(), 36u);
    EXPECT_EQ(scriptedFrameCount(), 3);

    scriptedSetPerformanceCounter(false);
    EXPECT_FALSE(platformQueryPerformanceFrequency(&frequency));
}

TEST_F(Scripted, MessageBoxesAreRecordedAndAnswered) {
    EXPECT_EQ(platformMessageBox("Sure?", "Q", MB_YESNO | MB_ICONWARNING), IDYES);
    scriptedSetMessageBoxAnswer(IDNO);
    EXPECT_EQ(platformMessageBox("Really?", "Q", MB_YESNO), IDNO);
    EXPECT_EQ(platformMessageBox("Done.", "ERROR", MB_OK | MB_ICONSTOP), IDOK);
    ASSERT_EQ(scriptedMessageBoxes().size(), 3u);
    EXPECT_EQ(scriptedMessageBoxes()[1].text, "Really?");
    EXPECT_EQ(scriptedMessageBoxes()[2].caption, "ERROR");
    EXPECT_EQ(scriptedMessageBoxes()[2].flags, (uint32_t)MB_ICONSTOP);

    platformShellOpen("base/stats.html");
    ASSERT_EQ(scriptedShellOpens().size(), 1u);
    EXPECT_EQ(scriptedShellOpens()[0], "base/stats.html");
}

TEST_F(Scripted, StepsFailWhenTold) {
    scriptedFailStep(ScriptedRegisterClass);
    EXPECT_FALSE(platformRegisterWindowClass("OpenGL"));
    scriptedFailStep(ScriptedRegisterClass, false);
    EXPECT_TRUE(platformRegisterWindowClass("OpenGL"));
    EXPECT_EQ(scriptedStepCalls(ScriptedRegisterClass), 2);
    scriptedFailStep(ScriptedSwapInterval);
    EXPECT_FALSE(platformSwapInterval(1));
}

TEST_F(Scripted, GameWindowStepsGiveARealContext) {
    ASSERT_TRUE(platformRegisterWindowClass("OpenGL"));
    ASSERT_TRUE(platformCreateWindow("Korvask", 320, 200, true));
    ASSERT_TRUE(platformGetDeviceContext());
    ASSERT_TRUE(platformChoosePixelFormat(PixelFormatRequest{32, 24, 1, true}));
    ASSERT_TRUE(platformSetPixelFormat());
    ASSERT_TRUE(platformCreateRenderContext());
    ASSERT_TRUE(platformMakeCurrent());
    EXPECT_NE(glGetString(GL_VERSION), nullptr);
    EXPECT_NE(platformGetProcAddress("glUseProgramObjectARB"), nullptr);
    GLint depth = 0, stencil = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    EXPECT_GE(depth, 24);
    EXPECT_GE(stencil, 1);
    EXPECT_TRUE(platformReleaseCurrent());
    EXPECT_TRUE(platformDeleteRenderContext());
    EXPECT_TRUE(platformDestroyWindow());
    EXPECT_FALSE(scriptedWindowHeld());
}

TEST_F(Scripted, FramesReadBackTopRowFirst) {
    const int w = 64, h = 48;
    ASSERT_TRUE(scriptedOpenGLWindow(w, h));
    GLint stencil = 0;
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    EXPECT_GE(stencil, 8);
    glViewport(0, 0, w, h);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, w, 0, h, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // Green over the top-left quarter (y up in GL).
    glColor3f(0.0f, 1.0f, 0.0f);
    glBegin(GL_QUADS);
    glVertex2f(0, h / 2);
    glVertex2f(w / 2, h / 2);
    glVertex2f(w / 2, h);
    glVertex2f(0, h);
    glEnd();
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(scriptedReadFrame(&rgb, w, h));
    ASSERT_EQ(rgb.size(), (size_t)w * h * 3);
    auto pixel = [&](int x, int y) { return rgb.data() + ((size_t)y * w + x) * 3; };
    EXPECT_EQ(pixel(0, 0)[0], 0);
    EXPECT_EQ(pixel(0, 0)[1], 255);
    EXPECT_EQ(pixel(w - 1, h - 1)[0], 255);
    EXPECT_EQ(pixel(w - 1, h - 1)[1], 0);
    EXPECT_EQ(pixel(w / 2 - 1, h / 2 - 1)[1], 255);
    EXPECT_EQ(pixel(w / 2, h / 2)[1], 0);
    EXPECT_TRUE(scriptedWritePng("/tmp/korvask-scripted-test.png", rgb, w, h));
    EXPECT_FALSE(scriptedWritePng("/tmp/korvask-scripted-bad.png", rgb, w + 1, h));
    scriptedCloseGLWindow();
    EXPECT_FALSE(scriptedReadFrame(&rgb, w, h));
}

// Bitwise CRC-32 and Adler-32, written apart from the writer's table form.
uint32_t crc32Bitwise(const uint8_t* p, size_t n) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; i++) {
        crc ^= p[i];
        for (int k = 0; k < 8; k++) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

uint32_t bigEndian(const uint8_t* p) {
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

// Walks the chunks, checks each CRC and inflates the stored blocks.
bool decodeStoredPng(const std::vector<uint8_t>& png, int* width, int* height, std::vector<uint8_t>* raw) {
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (png.size() < 8 || std::memcmp(png.data(), signature, 8) != 0) {
        return false;
    }
    std::vector<uint8_t> z;
    size_t at = 8;
    bool ended = false;
    while (at + 12 <= png.size()) {
        uint32_t len = bigEndian(&png[at]);
        if (at + 12 + len > png.size()) {
            return false;
        }
        const uint8_t* type = &png[at + 4];
        if (crc32Bitwise(type, 4 + len) != bigEndian(&png[at + 8 + len])) {
            return false;
        }
        if (std::memcmp(type, "IHDR", 4) == 0) {
            *width = (int)bigEndian(type + 4);
            *height = (int)bigEndian(type + 8);
            if (type[12] != 8 || type[13] != 2) {
                return false;
            }
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            z.insert(z.end(), type + 4, type + 4 + len);
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            ended = true;
        }
        at += 12 + len;
    }
    if (!ended || z.size() < 6 || ((z[0] << 8) | z[1]) % 31 != 0) {
        return false;
    }
    size_t p = 2;
    bool last = false;
    while (!last) {
        if (p + 5 > z.size()) {
            return false;
        }
        last = (z[p] & 1) != 0;
        uint16_t len = (uint16_t)(z[p + 1] | z[p + 2] << 8);
        uint16_t nlen = (uint16_t)(z[p + 3] | z[p + 4] << 8);
        if ((z[p] & 6) != 0 || (uint16_t)~len != nlen || p + 5 + len > z.size()) {
            return false;
        }
        raw->insert(raw->end(), z.begin() + (long)p + 5, z.begin() + (long)p + 5 + len);
        p += 5 + len;
    }
    uint32_t a = 1, b = 0;
    for (uint8_t byte : *raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return p + 4 == z.size() && bigEndian(&z[p]) == ((b << 16) | a);
}

TEST(PngWriter, StoredBlocksDecodeToTheRows) {
    // 200 x 150 spans several 65535-byte stored blocks.
    const int w = 200, h = 150;
    std::vector<uint8_t> rgb((size_t)w * h * 3);
    for (size_t i = 0; i < rgb.size(); i++) {
        rgb[i] = (uint8_t)(i * 31 + (i >> 9));
    }
    std::vector<uint8_t> png;
    ASSERT_TRUE(encodePngRgb(rgb.data(), w, h, &png));
    int width = 0, height = 0;
    std::vector<uint8_t> raw;
    ASSERT_TRUE(decodeStoredPng(png, &width, &height, &raw));
    EXPECT_EQ(width, w);
    EXPECT_EQ(height, h);
    ASSERT_EQ(raw.size(), (size_t)(w * 3 + 1) * h);
    for (int y = 0; y < h; y++) {
        const uint8_t* row = &raw[(size_t)y * (w * 3 + 1)];
        ASSERT_EQ(row[0], 0) << "filter byte of row " << y;
        ASSERT_EQ(std::memcmp(row + 1, &rgb[(size_t)y * w * 3], (size_t)w * 3), 0) << "row " << y;
    }
    EXPECT_FALSE(encodePngRgb(rgb.data(), 0, h, &png));
    EXPECT_FALSE(encodePngRgb(nullptr, w, h, &png));
}

}  // namespace
