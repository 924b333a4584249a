// The view volume of the current projection and model-view matrices, and
// the tests that let the chunks of a map and the cars out of view skip their
// draw calls.
#include <cmath>

#include "render/gl.h"
#include "render/render.h"
#include "render/render_local.h"

void currentViewVolume(ViewVolume* v) {
    float p[16], c[16];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    glGetFloatv(GL_MODELVIEW_MATRIX, v->modelView);
    const float* m = v->modelView;
    // Column-major: c = p * m; its rows 0..2 added to and taken from row 3
    // give the six planes.
    for (int col = 0; col < 4; col++)
        for (int row = 0; row < 4; row++) {
            float sum = 0.0f;
            for (int k = 0; k < 4; k++) sum += p[k * 4 + row] * m[col * 4 + k];
            c[col * 4 + row] = sum;
        }
    for (int i = 0; i < 3; i++) {
        for (int a = 0; a < 4; a++) {
            v->planes[2 * i][a] = c[a * 4 + 3] + c[a * 4 + i];
            v->planes[2 * i + 1][a] = c[a * 4 + 3] - c[a * 4 + i];
        }
    }
}

bool boxInView(const ViewVolume& v, const float lo[3], const float hi[3]) {
    for (int i = 0; i < 6; i++) {
        const float* q = v.planes[i];
        // The box corner furthest along the plane's normal.
        const float x = q[0] >= 0.0f ? hi[0] : lo[0];
        const float y = q[1] >= 0.0f ? hi[1] : lo[1];
        const float z = q[2] >= 0.0f ? hi[2] : lo[2];
        if (q[0] * x + q[1] * y + q[2] * z + q[3] < 0.0f) return false;
    }
    return true;
}

bool sphereInView(const ViewVolume& v, const float centre[3], float radius) {
    for (int i = 0; i < 6; i++) {
        const float* q = v.planes[i];
        const float length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2]);
        if (!(length > 0.0f)) continue;
        if (q[0] * centre[0] + q[1] * centre[1] + q[2] * centre[2] + q[3] < -radius * length) return false;
    }
    return true;
}

bool sphereInView(const float centre[3], float radius) {
    ViewVolume v;
    currentViewVolume(&v);
    return sphereInView(v, centre, radius);
}
