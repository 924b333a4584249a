// The run-wide records of the game's state.
#include "state/state.h"

GameRunState game;
FrameClock frameClock;
InputState input;
MenuOptions options;
CareerState career;
SaveFolderState saves;
