// The GLSL sources: written by hand in tools/content/shaders/, copied into
// base/shaders/ where the renderer reads them at start-up.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "content/content.h"

namespace {

// The three programs the renderer builds, vertex and fragment stage each.
const char* const kShaderFiles[] = {"LightVS.glsl", "LightPS.glsl", "BlurVS.glsl",
                                    "BlurPS.glsl",  "HDRVS.glsl",   "HDRPS.glsl"};

}  // namespace

bool generateShaders(const std::string& baseDir) {
    namespace fs = std::filesystem;
    const fs::path source = fs::path(KORVASK_SOURCE_DIR) / "tools" / "content" / "shaders";
    const fs::path target = fs::path(baseDir) / "shaders";
    std::error_code error;
    fs::create_directories(target, error);
    if (error) {
        std::fprintf(stderr, "shaders: cannot create %s: %s\n", target.c_str(), error.message().c_str());
        return false;
    }
    for (const char* name : kShaderFiles) {
        fs::copy_file(source / name, target / name, fs::copy_options::overwrite_existing, error);
        if (error) {
            std::fprintf(stderr, "shaders: cannot copy %s: %s\n", name, error.message().c_str());
            return false;
        }
    }
    return true;
}
