// generateSounds: effect sounds and music (in progress).
#include "content/content.h"
bool generateSounds(const std::string&) { return true; }
