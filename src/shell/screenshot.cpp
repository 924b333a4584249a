// F12: the frame just drawn, at the game's resolution, as a PNG in the saves
// folder's screenshots/ (korvask-YYYYMMDD-HHMMSS.png).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "platform/png_writer.h"
#include "render/render.h"
#include "shell/shell.h"

// F12 held since the last shot: one press, one picture.
static bool screenshotKeyHeld = false;

bool writeScreenshot(const char* path, int width, int height) {
    if (width <= 0 || height <= 0) {
        errno = EINVAL;
        return false;
    }
    std::vector<uint8_t> rgb;
    if (!readFrameRgb(&rgb, width, height)) {
        errno = EIO;
        return false;
    }
    return writePngRgb(path, rgb.data(), width, height);
}

static bool fileExists(const std::string& path) {
    FILE* f = platformOpenFile(path.c_str(), "rb");
    if (f != nullptr) {
        std::fclose(f);
    }
    return f != nullptr;
}

// The player sees a failed shot on screen; the terminal gets where and why.
static void reportScreenshotFailure(const char* where, const char* why) {
    std::fprintf(stderr, "korvask: could not save the screenshot %s: %s\n", where, why);
    char text[120];
    std::snprintf(text, sizeof text, "Screenshot failed: %s", why);
    setPlayerNotice(text);
}

void checkScreenshotKey() {
    if (!keyDown(VK_F12)) {
        screenshotKeyHeld = false;
        return;
    }
    if (screenshotKeyHeld) {
        return;
    }
    screenshotKeyHeld = true;
    const std::string folder = savesPath("screenshots");
    if (!platformMakeFolders(folder.c_str()) || !platformFolderWritable(folder.c_str())) {
        reportScreenshotFailure(folder.c_str(), "the folder cannot be written");
        return;
    }
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local;
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof(stamp), "korvask-%Y%m%d-%H%M%S", &local);
    // A second shot within the same second gets a number rather than
    // replacing the first.
    std::string path = folder + "/" + stamp + ".png";
    for (int n = 2; fileExists(path) && n < 100; n++) {
        path = folder + "/" + stamp + "-" + std::to_string(n) + ".png";
    }
    int32_t width, height;
    currentResolution(&width, &height);
    errno = 0;
    if (writeScreenshot(path.c_str(), width, height)) {
        setPlayerNotice("Screenshot saved");
    } else {
        reportScreenshotFailure(path.c_str(), std::strerror(errno != 0 ? errno : EIO));
    }
}
