// The selected race's circuit over the city map: its waypoints, read from the
// race's waypoint file, drawn as a neon line in the map's plan, with the
// start line marked and an arrow for the direction of the race.
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "frontend/city_map_plan.h"
#include "frontend/frontend.h"
#include "frontend/frontend_local.h"
#include "platform/platform.h"
#include "render/render.h"
#include "state/state.h"

namespace {

constexpr int kMaxRoutePoints = 512;
// Lower left corner of the map picture's quad on the screen.
constexpr float kMapLeft = 25.0f, kMapBottom = 25.0f;

float routeX[kMaxRoutePoints];
float routeY[kMaxRoutePoints];
int routeCount = 0;
int routeRace = -1;

// One band of the route, each segment a quad, each corner a small fan so
// the line bends without notches.
void strokeRoute(float halfWidth, float r, float g, float b, float a) {
    drawColour(r, g, b, a);
    for (int i = 0; i < routeCount; i++) {
        const int j = (i + 1) % routeCount;
        const float dx = routeX[j] - routeX[i], dy = routeY[j] - routeY[i];
        const float length = std::sqrt(dx * dx + dy * dy);
        if (length < 0.01f) continue;
        const float nx = -dy / length * halfWidth, ny = dx / length * halfWidth;
        const float band[8] = {routeX[i] + nx, routeY[i] + ny, routeX[j] + nx, routeY[j] + ny,
                               routeX[j] - nx, routeY[j] - ny, routeX[i] - nx, routeY[i] - ny};
        fillQuad(band);
    }
}

// The start light's discs are rounder than the HUD's dots.
constexpr int kStartDiscSides = 16;

}  // namespace

void cityMapPosition(float x, float z, float* overlayX, float* overlayY) {
    const double scale = kCityMapHalfPixels / kCityMapHalfExtent;
    *overlayX = kMapLeft + static_cast<float>(kCityMapPixels / 2 + (x - kCityMapCentreX) * scale);
    *overlayY = kMapBottom + static_cast<float>(kCityMapPixels / 2 + (z - kCityMapCentreZ) * scale);
}

int loadCityRoute(int race) {
    routeRace = race;
    routeCount = 0;
    char path[64];
    snprintf(path, sizeof path, "base/maps/%d/points/level.ai", race);
    FILE* file = platformOpenFile(path, "rb");
    if (file == nullptr) return 0;
    unsigned char header[4];
    if (fread(header, 1, 4, file) == 4) {
        const int32_t declared = readI32(header);
        unsigned char point[20];
        while (routeCount < declared && routeCount < kMaxRoutePoints && fread(point, 1, 20, file) == 20) {
            cityMapPosition(static_cast<float>(readI32(point)), static_cast<float>(readI32(point + 8)),
                            &routeX[routeCount], &routeY[routeCount]);
            routeCount++;
        }
    }
    fclose(file);
    return routeCount;
}

bool cityRoutePoint(int index, float* overlayX, float* overlayY) {
    if (index < 0 || index >= routeCount) return false;
    *overlayX = routeX[index];
    *overlayY = routeY[index];
    return true;
}

void drawCityRoute(int race, float phase) {
    if (race != routeRace) loadCityRoute(race);
    if (routeCount < 2) return;
    beginShapes();
    // Neon: a wide faint glow, a tube of magenta, a hot white core.
    setBlend2D(Blend2DGlow);
    strokeRoute(5.0f, 1.0f, 0.18f, 0.6f, 0.22f);
    strokeRoute(2.6f, 1.0f, 0.18f, 0.6f, 0.6f);
    strokeRoute(0.9f, 1.0f, 0.9f, 0.96f, 0.95f);
    // Start: a cyan light on the start line, a bar across the road, and a
    // chevron a little way on that points the way the race runs.
    const float sx = routeX[0], sy = routeY[0];
    int ahead = 1;
    while (ahead < routeCount - 1 && std::hypot(routeX[ahead] - sx, routeY[ahead] - sy) < 14.0f) ahead++;
    float dx = routeX[ahead] - sx, dy = routeY[ahead] - sy;
    const float length = std::hypot(dx, dy);
    if (length > 0.01f) dx /= length, dy /= length;
    const float pulse = 0.75f + 0.25f * std::sin(phase * 2.0f);
    shapeColour(kHudCyan, 0.25f * pulse);
    fillDisc(sx, sy, 9.0f, kStartDiscSides);
    const float bar[8] = {sx - dy * 7.0f - dx * 1.5f, sy + dx * 7.0f - dy * 1.5f, sx - dy * 7.0f + dx * 1.5f,
                          sy + dx * 7.0f + dy * 1.5f, sx + dy * 7.0f + dx * 1.5f, sy - dx * 7.0f + dy * 1.5f,
                          sx + dy * 7.0f - dx * 1.5f, sy - dx * 7.0f - dy * 1.5f};
    shapeColour(kHudWhite, 1.0f);
    fillQuad(bar);
    shapeColour(kHudCyan, 1.0f);
    fillDisc(sx, sy, 3.5f, kStartDiscSides);
    const float cx = routeX[ahead], cy = routeY[ahead];
    const float chevron[6] = {cx + dx * 6.0f,
                              cy + dy * 6.0f,
                              cx - dy * 4.5f - dx * 2.0f,
                              cy + dx * 4.5f - dy * 2.0f,
                              cx + dy * 4.5f - dx * 2.0f,
                              cy - dx * 4.5f - dy * 2.0f};
    shapeColour(kHudCyan, 0.95f);
    fillTriangle(chevron);
    endShapes();
    setBlend2D(Blend2DAlpha);
}
