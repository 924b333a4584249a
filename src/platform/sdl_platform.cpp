// SDL2 backend of the platform layer (players).
#include "platform/platform.h"
