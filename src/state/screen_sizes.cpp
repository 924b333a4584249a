// The screen sizes the game offers and keeps: menu.inf's three classic ones
// by index, any other (the wide ones above all) in settings.cfg beside it.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include "state/state.h"
#include "state/state_local.h"

static const int32_t kResolutions[3][2] = {{640, 480}, {800, 600}, {1024, 768}};

// The usual sizes of wide screens, 16:9 and 16:10, offered wherever the
// display is large enough for a window of that size.
static const int32_t kWideSizes[][2] = {{1280, 720},  {1280, 800},  {1366, 768},  {1440, 900},
                                        {1600, 900},  {1680, 1050}, {1920, 1080}, {1920, 1200},
                                        {2560, 1440}, {2560, 1600}, {3840, 2160}};

bool resolutionSize(int index, int32_t* width, int32_t* height) {
    if (index < 0 || index > 2) {
        return false;
    }
    *width = kResolutions[index][0];
    *height = kResolutions[index][1];
    return true;
}

void chooseResolution(int index) {
    options.resolutionIndex = index;
    if (resolutionSize(index, &options.screenWidth, &options.screenHeight)) {
        options.windowWidth = options.screenWidth;
        options.windowHeight = options.screenHeight;
    }
}

void chooseScreenSize(int32_t width, int32_t height) {
    options.screenWidth = options.windowWidth = width;
    options.screenHeight = options.windowHeight = height;
    options.resolutionIndex = nearestResolutionIndex(width, height);
}

void currentResolution(int32_t* width, int32_t* height) {
    *width = options.windowWidth;
    *height = options.windowHeight;
}

static int sizeDistance(int32_t w0, int32_t h0, int32_t w1, int32_t h1) {
    return std::abs(w0 - w1) + std::abs(h0 - h1);
}

int nearestResolutionIndex(int32_t width, int32_t height) {
    int best = 0;
    for (int i = 1; i < 3; i++) {
        if (sizeDistance(width, height, kResolutions[i][0], kResolutions[i][1]) <
            sizeDistance(width, height, kResolutions[best][0], kResolutions[best][1])) {
            best = i;
        }
    }
    return best;
}

static void addSize(ScreenSize sizes[kMaxScreenSizes], int* count, int32_t width, int32_t height) {
    if (width < 640 || height < 480 || width > kMaxScreenSide || height > kMaxScreenSide) return;
    for (int i = 0; i < *count; i++) {
        if (sizes[i].width == width && sizes[i].height == height) return;
    }
    if (*count < kMaxScreenSizes) sizes[(*count)++] = ScreenSize{width, height};
}

int offeredScreenSizes(ScreenSize sizes[kMaxScreenSizes]) {
    int count = 0;
    for (const auto& size : kResolutions) addSize(sizes, &count, size[0], size[1]);
    int modes[kMaxScreenSizes][2];
    const int modeCount = platformDisplayModes(modes, kMaxScreenSizes);
    int32_t largestWidth = 0, largestHeight = 0;
    for (int i = 0; i < modeCount; i++) {
        addSize(sizes, &count, modes[i][0], modes[i][1]);
        largestWidth = std::max(largestWidth, modes[i][0]);
        largestHeight = std::max(largestHeight, modes[i][1]);
    }
    for (const auto& size : kWideSizes) {
        if (size[0] <= largestWidth && size[1] <= largestHeight) addSize(sizes, &count, size[0], size[1]);
    }
    std::sort(sizes, sizes + count, [](const ScreenSize& a, const ScreenSize& b) {
        return a.width != b.width ? a.width < b.width : a.height < b.height;
    });
    return count;
}

int nearestScreenSize(const ScreenSize* sizes, int count, int32_t width, int32_t height) {
    int best = 0;
    for (int i = 1; i < count; i++) {
        if (sizeDistance(width, height, sizes[i].width, sizes[i].height) <
            sizeDistance(width, height, sizes[best].width, sizes[best].height)) {
            best = i;
        }
    }
    return best;
}

void stepScreenSize(int direction) {
    ScreenSize sizes[kMaxScreenSizes];
    const int count = offeredScreenSizes(sizes);
    int at = nearestScreenSize(sizes, count, options.screenWidth, options.screenHeight);
    const bool offered = sizes[at].width == options.screenWidth && sizes[at].height == options.screenHeight;
    // From a size the list lacks, the first step lands on the nearest.
    if (offered) at = (at + (direction < 0 ? count - 1 : 1)) % count;
    options.screenWidth = sizes[at].width;
    options.screenHeight = sizes[at].height;
}

static bool isClassicSize(int32_t width, int32_t height) {
    int32_t w = 0, h = 0;
    return resolutionSize(nearestResolutionIndex(width, height), &w, &h) && w == width && h == height;
}

void keepScreenSize() {
    options.resolutionIndex = nearestResolutionIndex(options.screenWidth, options.screenHeight);
    if (isClassicSize(options.screenWidth, options.screenHeight)) {
        eraseSettingText(settingKey(Setting::ScreenWidth));
        eraseSettingText(settingKey(Setting::ScreenHeight));
        return;
    }
    setSettingValue(Setting::ScreenWidth, options.screenWidth);
    setSettingValue(Setting::ScreenHeight, options.screenHeight);
}

void settleScreenSize() {
    const int32_t width = settingValue(Setting::ScreenWidth), height = settingValue(Setting::ScreenHeight);
    int32_t wanted = options.screenWidth, wantedHeight = options.screenHeight;
    if (width > 0 && height > 0) {
        wanted = width;
        wantedHeight = height;
    }
    ScreenSize sizes[kMaxScreenSizes];
    const int count = offeredScreenSizes(sizes);
    const ScreenSize near = sizes[nearestScreenSize(sizes, count, wanted, wantedHeight)];
    if (near.width != wanted || near.height != wantedHeight) {
        char text[160];
        std::snprintf(text, sizeof(text), "%dx%d is not offered by this display: the game uses %dx%d.",
                      wanted, wantedHeight, near.width, near.height);
        std::fprintf(stderr, "korvask: %s\n", text);
        setPlayerNotice(text);
    }
    chooseScreenSize(near.width, near.height);
    // The nearest replaces what was stored, so it is said once.
    keepScreenSize();
}
