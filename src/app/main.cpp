// The game's entry point; everything else lives in the engine library.
#include "app/app.h"

int main() {
    return gameMain();
}
