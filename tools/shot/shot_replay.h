// korvask-shot's replay pictures: a frame of a replay file at a moment,
// seen by the chase, TV or free camera.
#pragma once

#include <string>

struct ReplayShot {
    std::string file;
    double seconds = 8.0;  // replay clock of the picture
    int camera = 0;        // ReplayCamera: 0 chase, 1 TV, 2 free
    int car = 0;           // the car followed, 0..3
    int drawFrames = 60;
    bool hud = true;
};

// Loads the replay's circuit, runs the viewer to the moment (the last
// drawFrames frames drawn through the frame dispatcher) and writes the PNG;
// returns the exit status.
int shootReplay(const ReplayShot& shot, const std::string& outPath);
