// A fresh working folder for one test: save files and base/ land there, never
// in the source tree or the build folder.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/scripted.h"

class TempFolder {
  public:
    TempFolder() {
        char* cwd = getcwd(nullptr, 0);
        previous_ = cwd ? cwd : ".";
        std::free(cwd);
        char pattern[] = "/tmp/korvask-test-XXXXXX";
        char* made = mkdtemp(pattern);
        path_ = made ? made : "/tmp";
        if (chdir(path_.c_str()) != 0) {
            path_.clear();
        }
    }
    ~TempFolder() {
        if (chdir(previous_.c_str()) == 0 && !path_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(path_, ignored);
        }
    }
    const std::string& path() const { return path_; }

    // Makes base/ here and links every content folder of the build's base/
    // into it (shaders, textures, models, sounds), so the whole game can
    // start here while its save files stay in this folder.
    void linkContent() const {
        std::error_code ignored;
        std::filesystem::create_directory("base", ignored);
        const std::filesystem::path content = std::filesystem::path(KORVASK_BUILD_DIR) / "base";
        for (const auto& entry : std::filesystem::directory_iterator(content, ignored)) {
            if (entry.is_directory(ignored)) {
                std::filesystem::create_directory_symlink(
                    entry.path(), std::filesystem::path("base") / entry.path().filename(), ignored);
            }
        }
    }

  private:
    std::string previous_;
    std::string path_;
};
