// The content generator: makes everything under base/ from code, the same
// bytes on every run. Each part writes its own folders; none of them ever
// overwrites a player's save files.
#pragma once

#include <string>

// Each returns false (after printing why on stderr) when it could not write.
bool generateShaders(const std::string& baseDir);    // base/shaders
bool generateWorld(const std::string& baseDir);      // base/maps, base/cars, base/garage
bool generateInterface(const std::string& baseDir);  // base/textures (tables), effects
bool generateSounds(const std::string& baseDir);     // base/sound, base/music
bool generateSaveFiles(const std::string& baseDir);  // base/menu.inf, base/career.inf when absent
// The desktop icon at 48, 128 and 256 pixels: base/icons/korvask-<size>.png,
// installed into the icon theme rather than with the game's content.
bool generateIcons(const std::string& baseDir);
