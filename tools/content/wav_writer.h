// WAV writer for the effect sounds: 16-bit PCM RIFF files, with a "smpl"
// chunk marking the whole file as one forward loop for the looping sounds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Samples in [-1, 1], interleaved when channels is 2; clipped, rounded to 16 bits.
std::vector<uint8_t> encodeWav(const std::vector<float>& samples, int channels, int rate, bool loop);
bool writeWav(const std::string& path, const std::vector<float>& samples, int channels, int rate, bool loop);
