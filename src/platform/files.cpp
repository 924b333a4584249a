// Content and save-file paths: Windows-style names, whole-file reads and
// atomic replacement. Shared by both backends.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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
