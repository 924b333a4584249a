// Content and save-file paths: Windows-style names, whole-file reads and
// atomic replacement. Shared by both backends.
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

int platformTryReadFile(const char* path, std::vector<uint8_t>* out) {
    out->clear();
    if (path == nullptr) {
        return ENOENT;
    }
    FILE* f = platformOpenFile(path, "rb");
    if (f == nullptr) {
        return errno != 0 ? errno : EIO;
    }
    // Only plain files: a folder or a device in a file's place is refused
    // rather than read until memory runs out.
    struct stat info;
    int error = 0;
    if (fstat(fileno(f), &info) != 0) {
        error = errno != 0 ? errno : EIO;
    } else if (S_ISDIR(info.st_mode)) {
        error = EISDIR;
    } else if (!S_ISREG(info.st_mode)) {
        error = EINVAL;
    } else if (static_cast<uint64_t>(info.st_size) > kMaxReadFileBytes) {
        error = EFBIG;
    }
    if (error != 0) {
        std::fclose(f);
        return error;
    }
    uint8_t chunk[65536];
    errno = 0;
    for (;;) {
        size_t got = std::fread(chunk, 1, sizeof(chunk), f);
        out->insert(out->end(), chunk, chunk + got);
        if (out->size() > kMaxReadFileBytes) {
            // Grew while being read.
            error = EFBIG;
            break;
        }
        if (got < sizeof(chunk)) {
            if (std::ferror(f)) {
                error = errno != 0 ? errno : EIO;
            }
            break;
        }
    }
    std::fclose(f);
    if (error != 0) {
        out->clear();
    }
    return error;
}

bool platformReadFile(const char* path, std::vector<uint8_t>* out) {
    return platformTryReadFile(path, out) == 0;
}

float readF32(const uint8_t* p) {
    uint32_t bits = readU32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void appendF32(std::vector<uint8_t>& out, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    appendU32(out, v);
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

// The temporaries of path are "<path>.tmp" followed by the six characters
// mkostemp puts in place of XXXXXX, which make each writer's name its own.
// The build passes the same name's pattern, from the one list of temporary
// names the install leaves out too.
static const char kTempInfix[] = ".tmp";
static const char kTempTemplate[] = "XXXXXX";
#ifndef KORVASK_WRITER_TEMPORARY
#error "the build passes the writers' temporary name pattern"
#endif
static const char kWriterTemporary[] = KORVASK_WRITER_TEMPORARY;

static std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A rename is only durable once the folder that holds the name is on disk.
static bool syncFolder(const std::string& folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

static bool writeAll(int fd, const void* data, size_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        ssize_t put = write(fd, p, size);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            if (put == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        p += put;
        size -= static_cast<size_t>(put);
    }
    return true;
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
    // A name of its own per write: two games quitting together must never
    // share (and truncate) one temporary, or one of them could publish the
    // other's half-written file.
    std::string temp = target + kTempInfix + kTempTemplate;
    int fd = mkostemp(&temp[0], O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    // Held while the file is written, so that a starting game cleaning up
    // after a killed one leaves a live writer's temporary alone.
    flock(fd, LOCK_EX);
    // mkstemp makes the file private; a save is as readable as any file the
    // player makes.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    bool ok = writeAll(fd, data, size);
    // The data must be on disk before the rename makes it the only copy.
    ok = ok && fsync(fd) == 0;
    ok = ok && std::rename(temp.c_str(), target.c_str()) == 0;
    // errno of the step that failed, for the caller's message.
    const int error = errno;
    if (!ok) {
        unlink(temp.c_str());
    }
    close(fd);
    if (ok) {
        syncFolder(folderOf(target));
    }
    errno = error;
    return ok;
}

bool platformIsWriterTemporary(const char* saveName, const char* name) {
    if (saveName == nullptr || name == nullptr || saveName[0] == '\0') {
        return false;
    }
    // The pattern reads "*<suffix>": the save's own name stands for the star.
    const size_t length = std::strlen(saveName);
    return std::strncmp(name, saveName, length) == 0 && kWriterTemporary[0] == '*' &&
           fnmatch(kWriterTemporary + 1, name + length, 0) == 0;
}

// Removes from folder the plain files whose names isTemporary takes and that
// no writer holds; returns how many went.
template <typename Match>
static int removeStaleIn(const std::string& folder, Match isTemporary) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return 0;
    }
    int removed = 0;
    while (dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (!isTemporary(name)) {
            continue;
        }
        const std::string full = folder + "/" + name;
        int fd = open(full.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            continue;
        }
        struct stat info;
        // Only plain files that no writer holds: a game killed mid-save left
        // them, a running one is still writing the others. Links and folders
        // are never the writer's.
        if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0) {
            if (unlink(full.c_str()) == 0) {
                removed++;
            }
        }
        close(fd);
    }
    closedir(dir);
    return removed;
}

int platformRemoveStaleTemporaries(const char* path) {
    const std::string target = normalised(path);
    if (target.empty()) {
        return 0;
    }
    const size_t slash = target.rfind('/');
    const std::string saveName = slash == std::string::npos ? target : target.substr(slash + 1);
    // Only the exact names the writer makes: a player's own
    // "career.inf.tmp.bak" or "menu.inf.tmp_backup" is no temporary.
    return removeStaleIn(folderOf(target),
                         [&](const char* name) { return platformIsWriterTemporary(saveName.c_str(), name); });
}

int platformRemoveStaleTemporariesLike(const char* folder, const char* saveGlob) {
    if (folder == nullptr || saveGlob == nullptr || saveGlob[0] == '\0' || kWriterTemporary[0] != '*') {
        return 0;
    }
    const std::string pattern = std::string(saveGlob) + (kWriterTemporary + 1);
    return removeStaleIn(normalised(folder),
                         [&](const char* name) { return fnmatch(pattern.c_str(), name, FNM_PERIOD) == 0; });
}

std::vector<std::string> platformListFiles(const char* folder, const char* glob) {
    std::vector<std::string> names;
    if (folder == nullptr || glob == nullptr) return names;
    const std::string path = normalised(folder);
    DIR* dir = opendir(path.empty() ? "." : path.c_str());
    if (dir == nullptr) return names;
    while (dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (fnmatch(glob, name, FNM_PERIOD) != 0) continue;
        struct stat info;
        const std::string full = path + "/" + name;
        if (lstat(full.c_str(), &info) == 0 && S_ISREG(info.st_mode)) names.emplace_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool platformRemoveFile(const char* path) {
    struct stat info;
    if (path == nullptr || lstat(path, &info) != 0) return false;
    if (!S_ISREG(info.st_mode)) {
        errno = EISDIR;
        return false;
    }
    return unlink(path) == 0;
}

int platformLockFolder(const char* folder) {
    if (folder == nullptr) {
        return -1;
    }
    const std::string path = normalised(folder);
    int fd = open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    while (flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            close(fd);
            return -1;
        }
    }
    return fd;
}

void platformUnlockFolder(int lock) {
    if (lock >= 0) {
        close(lock);
    }
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
    std::snprintf(probe, sizeof(probe), "%s/.korvask-probe-%d", normalised(folder).c_str(),
                  static_cast<int>(getpid()));
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
    std::string relative = normalised(path);
    if (!relative.empty() && relative[0] == '/') {
        return relative;
    }
    char* cwd = getcwd(nullptr, 0);
    std::string absolute = cwd != nullptr ? std::string(cwd) + "/" + relative : relative;
    std::free(cwd);
    return absolute;
}
