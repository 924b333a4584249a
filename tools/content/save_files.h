// The default save files the generator lays down when the player has none.
#pragma once

#include <cstdint>
#include <vector>

// 6 integers: 800 x 600 (index 1), 32-bit colour, 24-bit depth, sound and
// music on, mouse sensitivity 0.
std::vector<uint8_t> defaultSettingsBytes();
// 123 integers, the career a new game starts with.
std::vector<uint8_t> defaultCareerBytes();
