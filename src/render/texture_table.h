// What each numbered texture file shows: base/textures/texNN.bmp fill the
// game texture table and texNN.tga the TGA table. The content tool writes the
// pictures under these numbers; the game and its tests draw them by them.
#pragma once

constexpr int kGameTextureCount = 51;  // tex00..50.bmp
constexpr int kTgaTextureCount = 11;   // tex00..10.tga

// Entries of the game texture table. Numbers missing here are spare tiles:
// the table still loads them, since it loads all or nothing.
enum GameTexture {
    kSkyNearTexture = 1,  // sky box faces of the reflection view
    kSkyFarTexture = 2,
    kSkyTopTexture = 3,
    kSkyLeftTexture = 4,
    kSkyRightTexture = 5,
    kTachoMaskTexture = 6,  // HUD masks are multiplied in, faces added on
    kTachoFaceTexture = 7,
    kNeedleMaskTexture = 8,
    kNeedleFaceTexture = 9,
    kStatFrameTexture = 10,
    kButtonMaskTexture = 12,
    kPointerTexture = 14,
    kDarkeningTexture = 16,
    kButtonFaceTexture = 17,
    kTitleMaskTexture = 21,
    kTitleFaceTexture = 22,
    kCheckpointMarkerTexture = 23,
    kCornerArrowTexture = 27,
    kLampSpriteTexture = 28,
    kTopBarFaceTexture = 29,
    kTopBarMaskTexture = 30,
    kStatFillTexture = 33,
    kCloudTexture = 36,  // the one entry that tiles
    kStreetViewTexture = 40,
    kLoadingTexture = 41,  // the start-up pictures: "Loading..." is printed over 41
    kSplashTexture = 42,
    kCountdownGoTexture = 43,
    kCountdownOneTexture = 44,
    kCountdownTwoTexture = 45,
    kCountdownThreeTexture = 46,
};

// Entries of the TGA table.
enum TgaTexture {
    kGlyphTga = 1,  // the bitmap font's 16 x 16 glyph cells
    kButtonIconTga = 3,
    kSmokeTga = 4,
    kFlameTga = 5,
    kMarkerWonTga = 6,
    kMarkerOpenTga = 7,
    kCityMapTga = 8,
    kNitroFrameTga = 9,
    kNitroFillTga = 10,
};
