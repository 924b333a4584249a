// Scripted backend of the platform layer (tests and tools).
#include "platform/platform.h"
