// Content and save-file paths: Windows-style names, whole-file reads and
// atomic replacement. Shared by both backends.
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"

void platformNormalisePath(const char* path, char* out, size_t outSize) {
    if (outSize == 0) {
        return;
    }
    if (path == nullptr) {
        out[0] = '\0';
        return;
    }
    // A leading ".\" or "./" (any number of them) names the working folder,
    // which is where relative paths start anyway.
    while ((path[0] == '.') && (path[1] == '\\' || path[1] == '/')) {
        path += 2;
    }
    size_t n = 0;
    for (; path[n] != '\0' && n + 1 < outSize; n++) {
        out[n] = (path[n] == '\\') ? '/' : path[n];
    }
    out[n] = '\0';
}

static std::string normalised(const char* path) {
    std::string out(path ? std::strlen(path) + 1 : 1, '\0');
    platformNormalisePath(path, &out[0], out.size());
    out.resize(std::strlen(out.c_str()));
    return out;
}

FILE* platformOpenFile(const char* path, const char* mode) {
    if (path == nullptr || mode == nullptr) {
        return nullptr;
    }
    return std::fopen(normalised(path).c_str(), mode);
}

bool platformReadFile(const char* path, std::vector<uint8_t>* out) {
    out->clear();
    FILE* f = platformOpenFile(path, "rb");
    if (f == nullptr) {
        return false;
    }
    bool ok = true;
    uint8_t chunk[65536];
    for (;;) {
        size_t got = std::fread(chunk, 1, sizeof(chunk), f);
        out->insert(out->end(), chunk, chunk + got);
        if (got < sizeof(chunk)) {
            ok = !std::ferror(f);
            break;
        }
    }
    std::fclose(f);
    if (!ok) {
        out->clear();
    }
    return ok;
}

// Creates every missing folder above path ("base/career.inf" -> "base").
static void makeParentFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        std::string folder = path.substr(0, slash);
        if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
            return;
        }
    }
}

bool platformWriteFileAtomic(const char* path, const void* data, size_t size) {
    if (path == nullptr || (data == nullptr && size > 0)) {
        return false;
    }
    const std::string target = normalised(path);
    if (target.empty()) {
        return false;
    }
    makeParentFolders(target);
    const std::string temp = target + ".tmp";
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    bool ok = std::fwrite(data, 1, size, f) == size;
    ok = (std::fflush(f) == 0) && ok;
    // The data must be on disk before the rename makes it the only copy.
    ok = (fsync(fileno(f)) == 0) && ok;
    ok = (std::fclose(f) == 0) && ok;
    if (ok) {
        ok = std::rename(temp.c_str(), target.c_str()) == 0;
    }
    if (!ok) {
        std::remove(temp.c_str());
    }
    return ok;
}

// ---------------------------------------------------------------------------
// Game folder and the player's data folder.

// Where an install puts the game's data relative to its program, set by the
// build from the install layout.
#ifndef KORVASK_DATA_FROM_BIN
#define KORVASK_DATA_FROM_BIN "../share/korvask"
#endif

static bool isFolder(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string platformGameFolder() {
    char exe[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    if (n <= 0) {
        return std::string();
    }
    exe[n] = '\0';
    std::string folder(exe);
    folder.resize(folder.rfind('/') + 1);
    const std::string candidates[2] = {folder, folder + KORVASK_DATA_FROM_BIN "/"};
    for (const std::string& candidate : candidates) {
        if (isFolder(candidate + "base")) {
            char absolute[PATH_MAX];
            return realpath(candidate.c_str(), absolute) != nullptr ? std::string(absolute) : candidate;
        }
    }
    return std::string();
}

bool platformEnterGameFolder() {
    const std::string folder = platformGameFolder();
    return !folder.empty() && chdir(folder.c_str()) == 0;
}

bool platformFolderWritable(const char* folder) {
    if (folder == nullptr || !isFolder(normalised(folder))) {
        return false;
    }
    // access() would say yes to root on a folder nobody may write to; making a
    // file is the one answer that holds for every user and mount.
    char probe[PATH_MAX];
    std::snprintf(probe, sizeof(probe), "%s/.korvask-probe-%d", normalised(folder).c_str(), (int)getpid());
    const int fd = open(probe, O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) {
        return false;
    }
    close(fd);
    unlink(probe);
    return true;
}

std::string platformUserDataFolder(const char* name) {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    // A relative XDG_DATA_HOME is invalid and must be ignored.
    if (dataHome != nullptr && dataHome[0] == '/') {
        return std::string(dataHome) + "/" + name;
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') {
        return std::string(home) + "/.local/share/" + name;
    }
    return std::string();
}

bool platformMakeFolders(const char* folder) {
    if (folder == nullptr || folder[0] == '\0') {
        return false;
    }
    const std::string path = normalised(folder);
    makeParentFolders(path + "/");
    return isFolder(path);
}

std::string platformAbsolutePath(const char* path) {
    const std::string relative = normalised(path);
    if (!relative.empty() && relative[0] == '/') {
        return relative;
    }
    char* cwd = getcwd(nullptr, 0);
    std::string absolute = cwd != nullptr ? std::string(cwd) + "/" + relative : relative;
    std::free(cwd);
    return absolute;
}
