// The program itself: start-up order, the message loop and shutdown.
#include "shell/shell.h"

#include <cstdio>

#include "audio/audio.h"
#include "frontend/frontend.h"
#include "platform/controller_keys.h"
#include "race/race.h"
#include "shell/shell_local.h"

static_assert((static_cast<int>(PadKeyAccelerate) == static_cast<int>(BindAccelerate)) &&
                  (static_cast<int>(PadKeyBrake) == static_cast<int>(BindBrake)) &&
                  (static_cast<int>(PadKeyLeft) == static_cast<int>(BindLeft)) &&
                  (static_cast<int>(PadKeyRight) == static_cast<int>(BindRight)) &&
                  (static_cast<int>(PadKeyNitro) == static_cast<int>(BindNitro)) &&
                  (static_cast<int>(PadKeyCamera) == static_cast<int>(BindCamera)) &&
                  (static_cast<int>(PadKeyPause) == static_cast<int>(BindPause)) &&
                  (static_cast<int>(PadKeyReset) == static_cast<int>(BindReset)) &&
                  (static_cast<int>(PadKeyCount) == static_cast<int>(kBindActions)),
              "the controller's keys follow the actions' order");

// Pause between passes while the window is inactive, so a minimised game
// waits for messages instead of spinning.
static const int kInactiveWaitMs = 10;

void reportSaveFailures(bool settingsSaved, bool careerSaved) {
    if (!settingsSaved) {
        std::fprintf(stderr, "korvask: could not save the settings\n");
        platformMessageBox("Could Not Save The Settings.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
    }
    if (!careerSaved) {
        std::fprintf(stderr, "korvask: could not save the career\n");
        platformMessageBox("Could Not Save The Career.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
    }
}

static void tellPlayer(const char* text) {
    std::fprintf(stderr, "korvask: %s\n", text);
    platformMessageBox(text, "Korvask", MB_OK | MB_ICONWARNING);
}

static void tellSaveFileCheck(const SaveFileCheck& check, const char* what, const char* fileName) {
    char text[512];
    if (check.unreadable) {
        std::snprintf(text, sizeof(text), "Could not read the %s: %s. It will not be overwritten.", what,
                      check.reason);
        tellPlayer(text);
    } else if (check.damaged && check.backupKept) {
        std::snprintf(text, sizeof(text), "The %s file was damaged. A copy was kept as %s%s.", what,
                      savesPath(fileName).c_str(), kDamagedFileSuffix);
        tellPlayer(text);
    } else if (check.damaged) {
        std::snprintf(text, sizeof(text),
                      "The %s file was damaged and no copy of it could be kept. It will not be overwritten.",
                      what);
        tellPlayer(text);
    }
}

void tellSaveProblemsAtStart() {
    if (!saves.savesFolderWritable) {
        tellPlayer("No folder for the saves can be written: the settings and the career will not be saved.");
    }
    tellSaveFileCheck(saves.settingsFileCheck, "settings", kSettingsFileName);
    tellSaveFileCheck(gameSettingsFileCheck, "game settings", kGameSettingsFileName);
    tellSaveFileCheck(saves.careerFileCheck, "career", kCareerFileName);
    tellSaveFileCheck(raceRun.lapFiles.records, "lap records", kLapRecordsFileName);
}

// Messages first, then a frame when none waits; returns the exit code.
static int runMainLoop() {
    for (;;) {
        // A controller's stick steers in a race and points in the menus.
        platformSetControllerMenus(game.gameState != Race && game.gameState != JoinScreen);
        // The controller presses the keys the actions are bound to; while
        // several players join or race, keys of its own, so it never drives
        // the car of the player on the arrows.
        if (game.gameState == JoinScreen || (game.gameState == Race && racePlayerCount() > 1)) {
            int keys[kBindActions];
            controllerDriveKeys(0, keys);
            padSetKeys(keys);
        } else {
            padSetKeys(controlSettings.keyBindings);
        }
        PlatformMessage msg;
        if (platformPeekMessage(&msg)) {
            if (msg.message == WM_QUIT) {
                return static_cast<int>(static_cast<intptr_t>(msg.wParam));
            }
            // The message's own moment on the frame clock, for the key timeline.
            setMessageTime(msg.time != 0
                               ? timerGetTime() - static_cast<float>(platformMillisecondTime() - msg.time)
                               : -1.0f);
            windowProcedure(msg.message, msg.wParam, msg.lParam);
            setMessageTime(-1.0f);
            continue;
        }
        if ((game.windowActive && !drawFrame()) || game.quitRequested) {
            return 0;
        }
        if (game.windowActive) {
            checkScreenshotKey();
        }
        platformSwapBuffers();
        checkFrameKeys();
        if (!game.windowActive) {
            platformWaitMessage(kInactiveWaitMs);
        }
    }
}

int gameMain() {
    // Start-up.
    chooseSavesFolder();
    readSettings();
    readGameSettings();
    readKeyBindings();
    readInputSettings();
    settleScreenSize();
    readCareer();
    // The lap records and ghosts are read and written by the game itself
    // (the tools and tests keep their hands off the saves folder).
    setGhostFilesEnabled(true);
    readLapRecords();
    // Before the sound device and the window: the player reads it first.
    tellSaveProblemsAtStart();
    if (!openSoundDevice(kSoundDeviceName)) {
        return -1;
    }
    loadSounds();
    applyVolumeSettings();
    // The display mode the player chose (fullscreen until they have said).
    const int display = displayModeSetting();
    platformUseDesktopFullscreen(display == DisplayDesktop);
    if (!createGameWindow("Korvask", options.windowWidth, options.windowHeight, options.colorBits,
                          display != DisplayWindow)) {
        // The sounds and the device go before the program ends, as at a
        // normal exit; the answer to the window-mode question is kept.
        writeGameSettings();
        releaseSounds();
        closeSoundDevice();
        return 0;
    }
    // A first start leaves both files in the saves folder at once.
    writeMissingSaveFiles();

    const int exitCode = runMainLoop();

    // Shutdown. A race still running when the game quits is unloaded like
    // one the player left, and the models go while their GL context exists.
    if (session.raceWorld != nullptr) {
        unloadRace();
    }
    releaseCarModels();
    releaseGarageModels();
    releaseSounds();
    closeSoundDevice();
    // A save that fails leaves the previous file as it was; the player is told
    // while the window still exists.
    const bool menuSettingsSaved = writeSettings();
    const bool settingsSaved = writeGameSettings() && menuSettingsSaved;
    const bool careerSaved = writeCareer();
    reportSaveFailures(settingsSaved, careerSaved);
    // A lap record or ghost whose save failed in the race gets a last try.
    if (!saveLapFilesAtExit()) {
        platformMessageBox("Could Not Save The Lap Records.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
    }
    destroyGameWindow();
    if (writeStatsPage()) {
        const std::string page = savesPath(kStatsFileName);
        // With no desktop to show the page, say where it is instead.
        if (!platformShellOpen(page.c_str())) {
            std::printf("Career statistics: %s\n", platformAbsolutePath(page.c_str()).c_str());
        }
    }
    return exitCode;
}

void resetShellState() {
    resetRunState();
    resetRaceRunState();
    resetWindowState();
}
