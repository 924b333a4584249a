// Shared by the render module's own files only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

// Fetches the seventeen shader-object and uniform entry points through
// resolve; false when any is missing. initRenderer passes the platform's
// resolver.
bool loadShaderEntryPoints(void* (*resolve)(const char*));
