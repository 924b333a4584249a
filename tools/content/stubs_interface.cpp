// Placeholder until the interface art and sounds join the generator.
#include "content/content.h"
bool generateInterface(const std::string&) { return true; }
bool generateSounds(const std::string&) { return true; }
