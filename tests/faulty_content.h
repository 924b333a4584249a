// A working folder whose base/ mirrors the build's generated content file by
// file through links, so that a test can break any one content file (remove,
// cut short, zero or replace it by a folder) without touching the real one.
// Save files written there land in a real base/ folder of its own.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

enum class ContentFault { Missing, Truncated, Zeroed, Folder };

inline const char* contentFaultName(ContentFault fault) {
    switch (fault) {
        case ContentFault::Missing:
            return "missing";
        case ContentFault::Truncated:
            return "truncated";
        case ContentFault::Zeroed:
            return "zeroed";
        case ContentFault::Folder:
            return "folder";
    }
    return "?";
}

class FaultyContent {
  public:
    FaultyContent() {
        char* cwd = getcwd(nullptr, 0);
        previous_ = cwd ? cwd : ".";
        std::free(cwd);
        char pattern[] = "/tmp/korvask-faults-XXXXXX";
        char* made = mkdtemp(pattern);
        if (!made) return;
        path_ = made;
        namespace fs = std::filesystem;
        const fs::path content = fs::path(KORVASK_BUILD_DIR) / "base";
        std::error_code error;
        fs::create_directory(fs::path(path_) / "base", error);
        for (auto it = fs::recursive_directory_iterator(content, error);
             it != fs::recursive_directory_iterator(); it.increment(error)) {
            const fs::path here = fs::path(path_) / "base" / fs::relative(it->path(), content, error);
            if (it->is_directory(error))
                fs::create_directory(here, error);
            else
                fs::create_symlink(it->path(), here, error);
        }
        if (chdir(path_.c_str()) != 0) path_.clear();
    }
    ~FaultyContent() {
        if (chdir(previous_.c_str()) == 0 && !path_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(path_, ignored);
        }
    }
    bool ready() const { return !path_.empty(); }

    // Breaks one file given relative to the working folder ("base/...").
    bool inject(const std::string& file, ContentFault fault) {
        std::ifstream in(file, std::ios::binary);
        if (!in) return false;
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        in.close();
        std::error_code error;
        std::filesystem::remove(file, error);
        if (error) return false;
        switch (fault) {
            case ContentFault::Missing:
                return true;
            case ContentFault::Folder:
                return std::filesystem::create_directory(file, error);
            case ContentFault::Truncated:
                bytes.resize(bytes.size() / 2);
                break;
            case ContentFault::Zeroed:
                bytes.assign(bytes.size(), 0);
                break;
        }
        std::ofstream out(file, std::ios::binary);
        out.write(bytes.data(), (std::streamsize)bytes.size());
        return (bool)out;
    }

  private:
    std::string previous_;
    std::string path_;
};
