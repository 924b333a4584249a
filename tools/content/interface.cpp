// generateInterface: every picture of the three texture tables, and the
// particle-effect files.
#include "content/interface.h"

#include <cstdio>
#include <string>

#include "content/content.h"
#include "content/interface_local.h"

// Entries the game draws get their own art; the rest are small spare tiles
// (the table still loads them, and loads all or nothing).
Image makeGameTexture(int index) {
    switch (index) {
        case kSkyNearTexture:
            return makeSkySide(1);
        case kSkyFarTexture:
            return makeSkySide(2);
        case kSkyTopTexture:
            return makeSkyTop();
        case kSkyLeftTexture:
            return makeSkySide(4);
        case kSkyRightTexture:
            return makeSkySide(5);
        case kTachoMaskTexture:
            return makeTachoMask();
        case kTachoFaceTexture:
            return makeTachoFace();
        case kNeedleMaskTexture:
            return makeNeedleMask();
        case kNeedleFaceTexture:
            return makeNeedleFace();
        case kStatFrameTexture:
            return makeStatFrame();
        case kButtonMaskTexture:
            return makeButtonMask();
        case kPointerTexture:
            return makePointer();
        case kDarkeningTexture:
            return makeDarkeningSheet();
        case kButtonFaceTexture:
            return makeButtonFace();
        case kTitleMaskTexture:
            return makeTitleMask();
        case kTitleFaceTexture:
            return makeTitleFace();
        case kCheckpointMarkerTexture:
            return makeCheckpointMarker();
        case kCornerArrowTexture:
            return makeCornerArrow();
        case kLampSpriteTexture:
            return makeLampSprite();
        case kTopBarFaceTexture:
            return makeTopBarFace();
        case kTopBarMaskTexture:
            return makeTopBarMask();
        case kStatFillTexture:
            return makeStatFill();
        case kCloudTexture:
            return makeClouds();
        case kStreetViewTexture:
            return makeLoadingPicture(2);
        case kLoadingTexture:
            return makeLoadingPicture(1);
        case kSplashTexture:
            return makeLoadingPicture(0);
        case kCountdownGoTexture:
            return makeCountdown("GO", 0x30ff60, 512, 256);
        case kCountdownOneTexture:
            return makeCountdown("1", 0xffd030, 256, 256);
        case kCountdownTwoTexture:
            return makeCountdown("2", 0xff8020, 256, 256);
        case kCountdownThreeTexture:
            return makeCountdown("3", 0xff2a2a, 256, 256);
        default:
            return makeSpareTexture(index, 3);
    }
}

Image makeTgaTexture(int index) {
    switch (index) {
        case kGlyphTga:
            return makeGlyphImage();
        case kButtonIconTga:
            return makeButtonIcon();
        case kSmokeTga:
            return makeSmokeParticle();
        case kFlameTga:
            return makeFlameParticle();
        case kMarkerWonTga:
            return makeRaceMarker(true);
        case kMarkerOpenTga:
            return makeRaceMarker(false);
        case kCityMapTga:
            return makeCityMap();
        case kNitroFrameTga:
            return makeNitroFrame();
        case kNitroFillTga:
            return makeNitroFill();
        default:
            return makeSpareTexture(index + 100, 4);
    }
}

std::string textureFileName(int index, bool tga) {
    char name[32];
    std::snprintf(name, sizeof name, "tex%02d.%s", index, tga ? "tga" : "bmp");
    return name;
}

bool generateInterface(const std::string& baseDir) {
    const std::string textures = baseDir + "/textures", effects = baseDir + "/effects";
    if (!makeDirectories(textures) || !makeDirectories(effects)) return false;
    bool ok = true;
    for (int i = 0; i < kGameTextureCount && ok; ++i)
        ok = writeBmp(textures + "/" + textureFileName(i, false), makeGameTexture(i));
    for (int i = 0; i < kTgaTextureCount && ok; ++i)
        ok = writeTga(textures + "/" + textureFileName(i, true), makeTgaTexture(i));
    releaseArtFonts();
    return ok && writeEffectFiles(effects);
}
