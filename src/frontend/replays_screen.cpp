// The Replays screen (the saved replays: watched or deleted) and the result
// screen's way into the race's own replay.
#include <cstdio>
#include <ctime>

#include "audio/audio.h"
#include "frontend/frontend.h"
#include "frontend/frontend_local.h"
#include "race/race.h"
#include "render/render.h"
#include "state/state.h"

namespace {

// The list's lines in the overlay: the newest at the top.
constexpr int kListTop = 490;
constexpr int kListPitch = 25;
constexpr int kListLines = 12;
constexpr int kListLeft = 40, kListRight = 560;

void describe(const ReplayListing& l, char* text, size_t size) {
    if (!l.readable) {
        std::snprintf(text, size, "%.30s: %s", l.name.c_str(), l.problem.c_str());
        return;
    }
    char day[24] = "-";
    const time_t when = static_cast<time_t>(l.date);
    struct tm t {};
    if (gmtime_r(&when, &t) != nullptr) std::strftime(day, sizeof day, "%Y-%m-%d %H:%M", &t);
    char winner[16] = "-";
    if (l.winnerTime > 0.0f) formatRaceTime(l.winnerTime, winner, sizeof winner);
    std::snprintf(text, size, "%2d %-14.14s %d car%s  %s  %s", l.race, circuitName(l.race), l.carCount,
                  l.carCount == 1 ? " " : "s", day, winner);
}

// The line of the list under mouse-space (x, y), -1 for none.
int lineAt(int x, int y) {
    if (x < kListLeft || x > kListRight) return -1;
    for (int i = 0; i < kListLines && i < static_cast<int>(frontEnd.replayList.size()); i++) {
        const int baseline = kListTop - kListPitch * (i + 1);
        if (y >= 600 - baseline - 19 && y <= 600 - baseline + 5) return i;
    }
    return -1;
}

void refreshList() {
    frontEnd.replayList = listSavedReplays();
    const int count = static_cast<int>(frontEnd.replayList.size());
    if (frontEnd.replayChosen >= count) frontEnd.replayChosen = count > 0 ? count - 1 : 0;
}

}  // namespace

void openReplaysPage() {
    frontEnd.replayMessage.clear();
    refreshList();
    setGameState(ReplaysPage);
}

void drawReplaysPage() {
    drawDarkeningSheet();
    printTextLarge(320, 550, 1, "Replays");
    drawPod(static_cast<float>(kListLeft), static_cast<float>(kListTop - kListPitch * kListLines - 8),
            static_cast<float>(kListRight), static_cast<float>(kListTop + 32), kHudMagenta);
    printColoured(kHudCyan, 1.0f, kListLeft + 10, kListTop + 4, "Circuit, cars, date, winner");
    const int count = static_cast<int>(frontEnd.replayList.size());
    if (count == 0) printText(kListLeft + 10, kListTop - kListPitch, 1.0f, 1, "No saved replays.");
    for (int i = 0; i < count && i < kListLines; i++) {
        char text[96];
        describe(frontEnd.replayList[static_cast<size_t>(i)], text, sizeof text);
        const int y = kListTop - kListPitch * (i + 1);
        const float* colour = i == frontEnd.replayChosen ? kHudPlayer : kHudWhite;
        printColoured(colour, frontEnd.replayList[static_cast<size_t>(i)].readable ? 1.0f : 0.6f,
                      kListLeft + 10, y, text);
    }
    if (!frontEnd.replayMessage.empty()) printOnPlate(kListLeft, 90, frontEnd.replayMessage.c_str());
    drawMenuItem(1, "Watch");
    drawMenuItem(2, "Delete");
    drawMenuItem(5, "Back");
}

bool clickReplaysPage(int x, int y) {
    const int line = lineAt(x, y);
    const int count = static_cast<int>(frontEnd.replayList.size());
    if (line >= 0) {
        frontEnd.replayChosen = line;
    } else if (menuRowHit(1, x, y) || menuRowHit(2, x, y)) {
        if (frontEnd.replayChosen >= count) return false;
        const ReplayListing chosen = frontEnd.replayList[static_cast<size_t>(frontEnd.replayChosen)];
        if (menuRowHit(2, x, y)) {
            if (deleteSavedReplay(chosen.name)) frontEnd.replayMessage = "Deleted " + chosen.name + ".";
            refreshList();
        } else if (!chosen.readable) {
            frontEnd.replayMessage = chosen.name + " is " + chosen.problem + "; it is left as it is.";
        } else {
            playClickSound();
            watchSavedReplay(chosen.name);
            return true;
        }
    } else if (menuRowHit(5, x, y)) {
        setGameState(PracticeMenu);
    } else {
        return false;
    }
    playClickSound();
    resetMenuHover();
    return true;
}

bool watchSavedReplay(const std::string& name) {
    std::string problem;
    if (!loadSavedReplay(name, &problem)) {
        frontEnd.replayMessage = name + " is " + problem + "; it is left as it is.";
        refreshList();
        return false;
    }
    const Replay& r = replayRun.watched;
    setTimeTrialMode(r.timeTrial);
    setPlayerCar(0, r.models[0], raceRun.carTable[r.models[0]].power);
    frontEnd.practiceKind = NoPractice;
    frontEnd.careerRace = false;
    frontEnd.awardPending = false;
    setRaceCareerNumber(0);
    setGameState(Race);
    if (!loadRace(r.race)) {
        setGameState(ReplaysPage);
        setTimeTrialMode(false);
        frontEnd.replayMessage = "Could not load the circuit of " + name + ".";
        return false;
    }
    if (!startReplayView(true)) {
        unloadRace();
        rebuildGarageLights();
        setGameState(ReplaysPage);
        setTimeTrialMode(false);
        frontEnd.replayMessage = name + " does not fit its circuit.";
        return false;
    }
    frontEnd.replayMessage.clear();
    return true;
}

void leaveSavedReplay() {
    setGameState(ReplaysPage);
    setTimeTrialMode(false);
    unloadRace();
    rebuildGarageLights();
    refreshList();
    resetMenuHover();
}

void handleResultReplayKeys() {
    if (input.keysPressed[static_cast<unsigned char>('V')]) startReplayView(false);
    if (input.keysPressed[static_cast<unsigned char>('K')]) saveRecordedReplay();
}
