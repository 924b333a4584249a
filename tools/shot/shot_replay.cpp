// korvask-shot --replay: the viewer run from the replay's start to the
// moment with exact 10 ms frames, as the game would play it at 1x.
#include "shot/shot_replay.h"

#include <cstdio>
#include <vector>

#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "render/render.h"
#include "shell/shell.h"

int shootReplay(const ReplayShot& shot, const std::string& outPath) {
    Replay r;
    const char* why = nullptr;
    if (readReplayFile(shot.file.c_str(), &r, &why) != LapFileRead::Read) {
        fprintf(stderr, "korvask-shot: the replay %s is %s\n", shot.file.c_str(),
                why != nullptr ? why : "unreadable");
        return 1;
    }
    game.gameState = Race;
    setTimeTrialMode(r.timeTrial);
    setPlayerCar(0, r.models[0], raceRun.carTable[r.models[0]].power);
    if (!loadRace(r.race)) {
        fprintf(stderr, "korvask-shot: race %d could not be loaded\n", r.race);
        return 1;
    }
    session.lapCount = r.laps;
    replayRun.watched = r;
    if (!startReplayView(true)) {
        fprintf(stderr, "korvask-shot: the replay does not fit its circuit\n");
        return 1;
    }
    followReplayCar(shot.car);
    replayRun.viewer.hudShown = shot.hud;
    // The picture shows the moment after (target - 1) frames, as a race
    // frame draws before it steps.
    const long target = static_cast<long>(shot.seconds * 100.0 + 0.5);
    const long undrawn = target > shot.drawFrames ? target - shot.drawFrames : 0;
    frameClock.frameFactor = 1.0f;
    for (long k = 0; k < undrawn; k++) {
        seekReplay(static_cast<float>(k));
        showReplayMoment();
        replayCameraView();
        if (effectsEnabled) updateCarEffects();
    }
    seekReplay(static_cast<float>(undrawn));
    if (shot.camera != 0) {
        // The free camera's centre: the followed car at the picture's moment.
        const float at = replayRun.viewer.time;
        seekReplay(static_cast<float>(target > 0 ? target - 1 : 0));
        showReplayMoment();
        setReplayCamera(static_cast<ReplayCamera>(shot.camera));
        seekReplay(at);
    }
    frameClock.frameFactor = 1.0f;
    frameClock.frameClockPrev = timerGetTime() * 0.01f;
    std::vector<uint8_t> rgb;
    bool read = false;
    const long drawn = target - undrawn > 0 ? target - undrawn : 1;
    // Drawn frames advance the viewer by the frame measure's factor, as the
    // game does (and as the race's own drawn frames step it).
    for (long k = 1; k <= drawn; k++) {
        drawFrame();
        if (k == drawn) read = scriptedReadFrame(&rgb, options.screenWidth, options.screenHeight);
        platformSwapBuffers();
    }
    int status = 0;
    if (!read || !scriptedWritePng(outPath.c_str(), rgb, options.screenWidth, options.screenHeight)) {
        fprintf(stderr, "korvask-shot: could not write %s\n", outPath.c_str());
        status = 1;
    }
    const int leader = replayLeader(replayRun.watched, replayRun.viewer.time);
    const Vector3 p = getPosition(session.cars[replayRun.viewer.car].body);
    printf(
        "{\"out\":\"%s\",\"replay\":\"%s\",\"race\":%d,\"time\":%.2f,\"camera\":%d,\"car\":%d,\"leader\":%d,"
        "\"tvCamera\":%d,\"tvCameras\":%zu,\"position\":[%.1f,%.1f,%.1f]}\n",
        outPath.c_str(), shot.file.c_str(), r.race, replayRun.viewer.time / 100.0, shot.camera,
        replayRun.viewer.car, leader, replayRun.viewer.tvCamera, replayRun.tv.cameras.size(), p.x, p.y, p.z);
    stopReplayView();
    unloadRace();
    releaseSky();
    scriptedCloseGLWindow();
    return status;
}
