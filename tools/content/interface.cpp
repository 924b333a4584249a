// generateInterface: every picture of the three texture tables, and the
// particle-effect files.
#include <cstdio>
#include <string>

#include "content/content.h"
#include "content/interface.h"
#include "content/interface_local.h"

// Entries the game draws get their own art; the rest are small spare tiles
// (the table still loads them, and loads all or nothing).
Image makeGameTexture(int index) {
    switch (index) {
        case 1: return makeSkySide(1);
        case 2: return makeSkySide(2);
        case 3: return makeSkyTop();
        case 4: return makeSkySide(4);
        case 5: return makeSkySide(5);
        case 6: return makeTachoMask();
        case 7: return makeTachoFace();
        case 8: return makeNeedleMask();
        case 9: return makeNeedleFace();
        case 10: return makeStatFrame();
        case 12: return makeButtonMask();
        case 14: return makePointer();
        case 16: return makeDarkeningSheet();
        case 17: return makeButtonFace();
        case 21: return makeTitleMask();
        case 22: return makeTitleFace();
        case 23: return makeCheckpointMarker();
        case 27: return makeCornerArrow();
        case 28: return makeLampSprite();
        case 29: return makeTopBarFace();
        case 30: return makeTopBarMask();
        case 33: return makeStatFill();
        case 36: return makeClouds();
        case 40: return makeLoadingPicture(2);
        case 41: return makeLoadingPicture(1);
        case 42: return makeLoadingPicture(0);
        case 43: return makeCountdown("GO", 0x30ff60, 512, 256);
        case 44: return makeCountdown("1", 0xffd030, 256, 256);
        case 45: return makeCountdown("2", 0xff8020, 256, 256);
        case 46: return makeCountdown("3", 0xff2a2a, 256, 256);
        default: return makeSpareTexture(index, 3);
    }
}

Image makeTgaTexture(int index) {
    switch (index) {
        case 1: return makeGlyphImage();
        case 3: return makeButtonIcon();
        case 4: return makeSmokeParticle();
        case 5: return makeFlameParticle();
        case 6: return makeRaceMarker(true);
        case 7: return makeRaceMarker(false);
        case 8: return makeCityMap();
        case 9: return makeNitroFrame();
        case 10: return makeNitroFill();
        default: return makeSpareTexture(index + 100, 4);
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
    for (int i = 0; i < kInterfaceGameTextures && ok; ++i)
        ok = writeBmp(textures + "/" + textureFileName(i, false), makeGameTexture(i));
    for (int i = 0; i < kInterfaceTgaTextures && ok; ++i)
        ok = writeTga(textures + "/" + textureFileName(i, true), makeTgaTexture(i));
    releaseArtFonts();
    return ok && writeEffectFiles(effects);
}
