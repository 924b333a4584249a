// What the tests and the benchmarks share: the silent sound device, the
// folders of the content and the corpus, and a race driven by the scripted
// driver.
#pragma once

#include <string>

// Sets OpenAL Soft's silent backend for the devices this process opens, so a
// machine without sound hardware runs them too; a backend the caller chose in
// the environment is kept.
void chooseSilentSoundBackend();
// Opens the game's sound device once for the whole process on that backend;
// false when it cannot be opened.
bool openSilentSoundDevice();

// Puts the whole run-wide state back as a fresh run of the game finds it:
// the shell's and the race's run globals (resetShellState), the settings and
// career defaults, an empty settings.cfg table and the scripted platform's
// script. Every fixture that touches the game's globals starts here, so no
// test sees what an earlier one left.
void resetRunWideState();

// A file of the outside corpus (shared/corpus beside the checkout).
std::string corpusPath(const std::string& name);
// Enters the nearest folder at or above the program's own that holds base/
// (the build folder for the tests and bench/ alike). False when none does.
bool enterContentFolder();

// The race whose map file (for example "map.ms3d" for the collision model,
// "mapvisual.ms3d" for the drawn one) is the largest of the fifteen.
int largestMap(const char* file);
// Throttle on, steering at the next checkpoint: enough to keep the car on the
// road and the view moving through the city.
void driveTowardsNextCheckpoint();
// Race 1 at 800 x 600 with car 0, driven past its countdown without drawing.
// False when there is no GL window or no base/.
bool startDrivenRace();
