// The one way into OpenGL and GLU for the renderer, the race and the front end.
// Extension entry points are fetched at start-up through the platform layer.
#pragma once

#define GL_GLEXT_PROTOTYPES 0
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
