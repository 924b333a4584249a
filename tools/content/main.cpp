// korvask-content: writes the game's whole base/ folder.
#include <chrono>
#include <cstdio>
#include <string>

#include "content/content.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvask-content OUTPUT_DIR (usually build/base)\n");
        return 2;
    }
    const std::string base = argv[1];
    struct Step {
        const char* name;
        bool (*run)(const std::string&);
    };
    const Step steps[] = {
        {"shaders", generateShaders}, {"world", generateWorld},          {"interface", generateInterface},
        {"sounds", generateSounds},   {"save files", generateSaveFiles}, {"icons", generateIcons},
    };
    for (const Step& step : steps) {
        auto start = std::chrono::steady_clock::now();
        if (!step.run(base)) {
            std::fprintf(stderr, "korvask-content: %s failed\n", step.name);
            return 1;
        }
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("korvask-content: %-10s %.2f s\n", step.name, seconds);
    }
    return 0;
}
