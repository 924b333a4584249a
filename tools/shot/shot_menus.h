// korvask-shot's menu screens: the front end's screens over the turning garage.
#pragma once

#include <string>

// main, career, garage, tuning, citymap, options, controls, pause, quit, info,
// result.
bool isMenuScreen(const std::string& name);
// The car shown in the garage and tuning screens and the race selected on
// the city map (and finished on the result screen); locked keeps them out of
// the career's reach, to show their locks.
void chooseMenuShotSelection(int car, int race, bool locked);
// Draws the screen through the frame dispatcher and writes the last frame to
// outPath; the game must already be started (renderer, textures, car models).
// seconds is the time the screen has been shown; seed draws the result
// screen's opponent cars. Returns the exit status.
int shootMenuScreen(const std::string& name, const std::string& outPath, double seconds, int drawFrames,
                    unsigned seed);
