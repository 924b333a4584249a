// The game's entry point; everything else lives in the engine library.
#include "shell/shell.h"

int main() {
    // The content's paths are relative to the folder holding base/: found from
    // the program's own place, the game starts from any working folder.
    platformEnterGameFolder();
    return gameMain();
}
