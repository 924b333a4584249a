// The 800 x 600 overlay space every screen-fixed picture is drawn in: HUD,
// race clock, minimap, countdown, menus, results and text; and large overlay
// images drawn only where they change the frame.
#include <algorithm>
#include <cmath>
#include <vector>

#include "render/gl.h"
#include "render/render.h"
#include "render/render_local.h"
#include "state/state.h"

// The frame beginOverlay draws into; a width of 0 means the whole window at
// the game's resolution.
static ViewportRect overlayFrame{0, 0, 0, 0};

void setOverlayFrame(const ViewportRect& frame) {
    overlayFrame = frame;
}

void resetOverlayFrame() {
    overlayFrame = ViewportRect{0, 0, 0, 0};
}

static ViewportRect currentOverlayFrame() {
    if (overlayFrame.width > 0 && overlayFrame.height > 0) return overlayFrame;
    int32_t width = 0, height = 0;
    currentResolution(&width, &height);
    return ViewportRect{0, 0, width, height};
}

OverlayBounds overlayBoundsOf(int width, int height) {
    OverlayBounds bounds;
    if (width <= 0 || height <= 0) return bounds;
    // Three pixels across for every four up is the design's own shape: the
    // classic sizes keep exactly 0..800 by 0..600.
    if (width * 3 > height * 4) {
        const float wide = 600.0f * static_cast<float>(width) / static_cast<float>(height);
        bounds.left = 400.0f - wide * 0.5f;
        bounds.right = 400.0f + wide * 0.5f;
    } else if (width * 3 < height * 4) {
        const float tall = 800.0f * static_cast<float>(height) / static_cast<float>(width);
        bounds.bottom = 300.0f - tall * 0.5f;
        bounds.top = 300.0f + tall * 0.5f;
    }
    return bounds;
}

OverlayBounds overlayBounds() {
    const ViewportRect frame = currentOverlayFrame();
    return overlayBoundsOf(frame.width, frame.height);
}

float overlayPixelScale() {
    const ViewportRect frame = currentOverlayFrame();
    const OverlayBounds bounds = overlayBoundsOf(frame.width, frame.height);
    return static_cast<float>(frame.width) / (bounds.right - bounds.left);
}

static OverlayAnchor overlayAnchor = OverlayAnchor::Centre;
// Overlays begun and not yet ended.
static int overlayDepth = 0;

// The model-view of the overlay space: identity, moved with the anchor.
static void loadAnchoredView() {
    const OverlayBounds b = overlayBounds();
    float dx = 0.0f, dy = 0.0f;
    switch (overlayAnchor) {
        case OverlayAnchor::Left:
        case OverlayAnchor::TopLeft:
        case OverlayAnchor::BottomLeft:
            dx = b.left;
            break;
        case OverlayAnchor::Right:
        case OverlayAnchor::TopRight:
        case OverlayAnchor::BottomRight:
            dx = b.right - 800.0f;
            break;
        default:
            break;
    }
    switch (overlayAnchor) {
        case OverlayAnchor::Top:
        case OverlayAnchor::TopLeft:
        case OverlayAnchor::TopRight:
            dy = b.top - 600.0f;
            break;
        case OverlayAnchor::Bottom:
        case OverlayAnchor::BottomLeft:
        case OverlayAnchor::BottomRight:
            dy = b.bottom;
            break;
        default:
            break;
    }
    glLoadIdentity();
    if (dx != 0.0f || dy != 0.0f) glTranslatef(dx, dy, 0.0f);
}

void setOverlayAnchor(OverlayAnchor anchor) {
    overlayAnchor = anchor;
    if (overlayDepth > 0) {
        glMatrixMode(GL_MODELVIEW);
        loadAnchoredView();
    }
}

void beginOverlay() {
    const ViewportRect frame = currentOverlayFrame();
    const OverlayBounds bounds = overlayBoundsOf(frame.width, frame.height);
    glViewport(frame.x, frame.y, frame.width, frame.height);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(bounds.left, bounds.right, bounds.bottom, bounds.top, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    loadAnchoredView();
    overlayDepth++;
}

void endOverlay() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    if (overlayDepth > 0) overlayDepth--;
}

namespace {

// Tiles across and up an image: the HUD's bars and gauges are mostly empty
// around thin outlines, and a 16 x 16 grid finds most of that emptiness while
// the tiles stay a few hundred pixels each.
constexpr int kTileGrid = 16;

// Which tiles of an image change the frame, for one blend and one size on
// screen (the size decides which mipmap levels can be sampled).
struct TileMask {
    GLuint texture;
    OverlayBlend blend;
    int pixelsWide, pixelsHigh;
    bool drawn[kTileGrid][kTileGrid];  // [row from t = 0][column from s = 0]
};
std::vector<TileMask> tileMasks;

// Whether a texel leaves the frame as it is under the blend: white under a
// multiply, black under an add, fully transparent under alpha blending.
bool leavesFrame(const unsigned char* rgba, OverlayBlend blend) {
    switch (blend) {
        case OverlayMultiply:
            return rgba[0] == 255 && rgba[1] == 255 && rgba[2] == 255;
        case OverlayAdd:
            return rgba[0] == 0 && rgba[1] == 0 && rgba[2] == 0;
        case OverlayAlpha:
            return rgba[3] == 0;
        case OverlayMaskedAdd:
            return rgba[0] == 0 && rgba[1] == 0 && rgba[2] == 0 && rgba[3] == 255;
    }
    return false;
}

// The texel (rounded down) at the start of tile t across a level size texels
// wide, for linear filtering's half-texel offset.
int tileTexel(int t, int size) {
    return static_cast<int>(std::floor(static_cast<float>(t) * static_cast<float>(size) / kTileGrid - 0.5f));
}

// A tile is left out only when every texel any of its pixels can filter from
// leaves the frame as it is, on every mipmap level the size on screen can
// reach (one beyond the nearest, for trilinear filtering), a texel of margin
// around it and wrapping at the edges, for linear filtering and repeat.
void buildTileMask(TileMask& mask) {
    for (auto& row : mask.drawn)
        for (bool& d : row) d = false;
    glBindTexture(GL_TEXTURE_2D, mask.texture);
    GLint w0 = 0, h0 = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w0);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h0);
    if (w0 <= 0 || h0 <= 0 || mask.pixelsWide <= 0 || mask.pixelsHigh <= 0) {
        for (auto& row : mask.drawn)
            for (bool& d : row) d = true;
        return;
    }
    const float texelsPerPixel = std::fmax(static_cast<float>(w0) / static_cast<float>(mask.pixelsWide),
                                           static_cast<float>(h0) / static_cast<float>(mask.pixelsHigh));
    const int lastLevel =
        texelsPerPixel > 1.0f ? static_cast<int>(std::ceil(std::log2(texelsPerPixel))) + 1 : 1;
    std::vector<unsigned char> texels;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (int level = 0; level <= lastLevel; level++) {
        GLint w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
        if (w <= 0 || h <= 0) break;
        texels.resize(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
        glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        for (int ty = 0; ty < kTileGrid; ty++)
            for (int tx = 0; tx < kTileGrid; tx++) {
                if (mask.drawn[ty][tx]) continue;
                const int xLo = tileTexel(tx, w) - 1, xHi = tileTexel(tx + 1, w) + 2;
                const int yLo = tileTexel(ty, h) - 1, yHi = tileTexel(ty + 1, h) + 2;
                bool changes = false;
                for (int y = yLo; y <= yHi && !changes; y++)
                    for (int x = xLo; x <= xHi && !changes; x++) {
                        const int wx = ((x % w) + w) % w, wy = ((y % h) + h) % h;
                        const size_t texel =
                            static_cast<size_t>(wy) * static_cast<size_t>(w) + static_cast<size_t>(wx);
                        changes = !leavesFrame(&texels[texel * 4], mask.blend);
                    }
                mask.drawn[ty][tx] = changes;
            }
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
}

const TileMask& tileMaskOf(GLuint texture, OverlayBlend blend, int pixelsWide, int pixelsHigh) {
    for (const TileMask& m : tileMasks)
        if (m.texture == texture && m.blend == blend && m.pixelsWide == pixelsWide &&
            m.pixelsHigh == pixelsHigh)
            return m;
    tileMasks.push_back(TileMask{texture, blend, pixelsWide, pixelsHigh, {}});
    buildTileMask(tileMasks.back());
    return tileMasks.back();
}

// A mask and face pair drawn in one pass, or found not to be drawable so.
struct MaskedFace {
    GLuint mask, face;
    GLuint combined;  // 0: the pair takes two passes
};
std::vector<MaskedFace> maskedFaces;

std::vector<unsigned char> levelTexels(GLuint texture, int level, int* width, int* height) {
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
    *width = w;
    *height = h;
    std::vector<unsigned char> texels;
    if (w <= 0 || h <= 0) return texels;
    texels.resize(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return texels;
}

// Level by level, the face's colour beside the mask's grey: the same texels
// the two passes filter, so the one pass gives their picture. Null when a
// level differs in size or the mask is tinted anywhere.
GLuint combineMaskAndFace(GLuint mask, GLuint face) {
    std::vector<std::vector<unsigned char>> levels;
    std::vector<int> widths, heights;
    for (int level = 0;; level++) {
        int mw = 0, mh = 0, fw = 0, fh = 0;
        std::vector<unsigned char> m = levelTexels(mask, level, &mw, &mh);
        std::vector<unsigned char> f = levelTexels(face, level, &fw, &fh);
        if (mw != fw || mh != fh) return 0;
        if (m.empty()) break;
        for (size_t i = 0; i < m.size(); i += 4) {
            if (m[i] != m[i + 1] || m[i] != m[i + 2]) return 0;
            f[i + 3] = m[i];
        }
        levels.push_back(std::move(f));
        widths.push_back(mw);
        heights.push_back(mh);
    }
    if (levels.empty()) return 0;
    GLint minFilter = GL_LINEAR, magFilter = GL_LINEAR, wrapS = GL_REPEAT, wrapT = GL_REPEAT;
    glBindTexture(GL_TEXTURE_2D, face);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
    const GLuint combined = newBoundTexture(minFilter, magFilter, wrapS, wrapT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (size_t level = 0; level < levels.size(); level++)
        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), GL_RGBA, widths[level], heights[level], 0,
                     GL_RGBA, GL_UNSIGNED_BYTE, levels[level].data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    return combined;
}

// Images drawn again and again at one place on screen (the HUD's gauges and
// bars, the menus' buttons) are sampled there once: at their second draw in
// a place, the image is drawn through its filtering into a picture of the
// pixels it covers, and from then on that picture is drawn texel for pixel
// without filtering. The colours are the same to the bit (the filtered
// colour was already rounded to 8 bits before blending); the rasteriser no
// longer filters between two mipmap levels of a minified image, which cost
// it two and a half times the work of an unfiltered texel.
struct ScreenImage {
    GLuint source;
    OverlayBlend blend;
    float corners[4];  // x0, y0, x1, y1 in window pixels
    int left, bottom, width, height;
    int uses;
    GLuint picture;  // 0 until made, or when it can't be
};
std::vector<ScreenImage> screenImages;
// Enough for the HUDs of four players and a menu's buttons; beyond it the
// places are found afresh.
constexpr size_t kMaxScreenImages = 64;

// Where overlay units land in window pixels: x * scaleX + offsetX, and the
// same up; false when the transform turns or leans the image.
struct ScreenPlace {
    float scaleX, offsetX, scaleY, offsetY;
    GLint viewport[4];
};

bool screenPlaceOf(ScreenPlace* place) {
    GLfloat view[16], projection[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, view);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, place->viewport);
    GLfloat m[16];
    for (int c = 0; c < 4; c++)
        for (int r = 0; r < 4; r++) {
            float sum = 0.0f;
            for (int k = 0; k < 4; k++) sum += projection[k * 4 + r] * view[c * 4 + k];
            m[c * 4 + r] = sum;
        }
    if (m[1] != 0.0f || m[4] != 0.0f || m[3] != 0.0f || m[7] != 0.0f || m[15] != 1.0f) return false;
    const float halfWidth = 0.5f * static_cast<float>(place->viewport[2]);
    const float halfHeight = 0.5f * static_cast<float>(place->viewport[3]);
    place->scaleX = m[0] * halfWidth;
    place->offsetX = static_cast<float>(place->viewport[0]) + (m[12] + 1.0f) * halfWidth;
    place->scaleY = m[5] * halfHeight;
    place->offsetY = static_cast<float>(place->viewport[1]) + (m[13] + 1.0f) * halfHeight;
    return true;
}

// Texture coordinates of the drawn picture: s' = s * scaleS + offsetS.
struct TexturePlace {
    float scaleS, offsetS, scaleT, offsetT;
};
constexpr TexturePlace kWholeImage{1.0f, 0.0f, 1.0f, 0.0f};

// The quads of an image, up to tLimit of its height: the drawn tiles of each
// row, a run of them side by side as one quad.
void drawTileRuns(const TileMask* mask, float x0, float y0, float x1, float y1, float tLimit,
                  const TexturePlace& place) {
    const int grid = mask != nullptr ? kTileGrid : 1;
    glBegin(GL_QUADS);
    for (int ty = 0; ty < grid; ty++) {
        const float t0 = static_cast<float>(ty) / static_cast<float>(grid);
        if (t0 >= tLimit) break;
        const float t1 = std::fmin(static_cast<float>(ty + 1) / static_cast<float>(grid), tLimit);
        const float ya = y0 + (y1 - y0) * t0, yb = y0 + (y1 - y0) * t1;
        const float ta = t0 * place.scaleT + place.offsetT, tb = t1 * place.scaleT + place.offsetT;
        for (int tx = 0; tx < grid; tx++) {
            if (mask != nullptr && !mask->drawn[ty][tx]) continue;
            // A run of drawn tiles along the row goes as one quad: the
            // rasteriser shades the blocks along a quad's edges for each quad
            // that touches them, and sets up each quad's triangles.
            int runEnd = tx + 1;
            while (runEnd < grid && (mask == nullptr || mask->drawn[ty][runEnd])) runEnd++;
            const float s0 = static_cast<float>(tx) / static_cast<float>(grid),
                        s1 = static_cast<float>(runEnd) / static_cast<float>(grid);
            tx = runEnd - 1;
            const float xa = x0 + (x1 - x0) * s0, xb = x0 + (x1 - x0) * s1;
            const float sa = s0 * place.scaleS + place.offsetS, sb = s1 * place.scaleS + place.offsetS;
            glTexCoord2f(sa, ta);
            glVertex2f(xa, ya);
            glTexCoord2f(sb, ta);
            glVertex2f(xb, ya);
            glTexCoord2f(sb, tb);
            glVertex2f(xb, yb);
            glTexCoord2f(sa, tb);
            glVertex2f(xa, yb);
        }
    }
    glEnd();
}

// The image drawn as it would be, unblended, into a framebuffer of the
// viewport's reach, then copied out over the pixels it covers.
GLuint sampleOnScreen(const ScreenImage& image, const TileMask* mask, const float overlay[4],
                      const ScreenPlace& place) {
    const FramebufferCalls* fb = framebufferCalls();
    if (fb == nullptr) return 0;
    GLint drawnInto = 0, readFrom = 0, drawBuffer = GL_BACK, readBuffer = GL_BACK;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawnInto);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFrom);
    glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    const GLboolean blend = glIsEnabled(GL_BLEND), scissor = glIsEnabled(GL_SCISSOR_TEST);
    GLfloat clearColour[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);

    GLuint colour = 0, framebuffer = 0, picture = 0;
    fb->genBuffer(1, &colour);
    fb->bindBuffer(GL_RENDERBUFFER, colour);
    fb->storage(GL_RENDERBUFFER, GL_RGBA8, place.viewport[0] + place.viewport[2],
                place.viewport[1] + place.viewport[3]);
    fb->bindBuffer(GL_RENDERBUFFER, 0);
    fb->gen(1, &framebuffer);
    fb->bind(GL_FRAMEBUFFER, framebuffer);
    fb->attach(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    if (fb->status(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) {
        glDrawBuffer(GL_COLOR_ATTACHMENT0);
        glReadBuffer(GL_COLOR_ATTACHMENT0);
        glDisable(GL_BLEND);
        glDisable(GL_SCISSOR_TEST);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glBindTexture(GL_TEXTURE_2D, image.source);
        drawTileRuns(mask, overlay[0], overlay[1], overlay[2], overlay[3], 1.0f, kWholeImage);
        picture = newBoundTexture(GL_NEAREST, GL_NEAREST, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE);
        glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, image.left, image.bottom, image.width, image.height, 0);
    }
    fb->bind(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(drawnInto));
    fb->bind(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFrom));
    glDrawBuffer(static_cast<GLenum>(drawBuffer));
    glReadBuffer(static_cast<GLenum>(readBuffer));
    fb->release(1, &framebuffer);
    fb->releaseBuffer(1, &colour);
    if (blend) glEnable(GL_BLEND);
    if (scissor) glEnable(GL_SCISSOR_TEST);
    glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
    if (glGetError() != GL_NO_ERROR && picture != 0) {
        glDeleteTextures(1, &picture);
        picture = 0;
    }
    return picture;
}

void forgetScreenImages() {
    for (const ScreenImage& image : screenImages)
        if (image.picture != 0) glDeleteTextures(1, &image.picture);
    screenImages.clear();
}

// The image's picture at its place on screen, made at its second draw there;
// null while it has none. Only white, unturned images are drawn from one:
// the picture holds the texels times white.
const ScreenImage* screenImageOf(GLuint texture, OverlayBlend blend, const TileMask* mask,
                                 const float overlay[4]) {
    GLfloat colour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    if (colour[0] != 1.0f || colour[1] != 1.0f || colour[2] != 1.0f || colour[3] != 1.0f) return nullptr;
    ScreenPlace place{};
    if (!screenPlaceOf(&place)) return nullptr;
    const float corners[4] = {
        overlay[0] * place.scaleX + place.offsetX, overlay[1] * place.scaleY + place.offsetY,
        overlay[2] * place.scaleX + place.offsetX, overlay[3] * place.scaleY + place.offsetY};
    ScreenImage* found = nullptr;
    for (ScreenImage& image : screenImages)
        if (image.source == texture && image.blend == blend && image.corners[0] == corners[0] &&
            image.corners[1] == corners[1] && image.corners[2] == corners[2] &&
            image.corners[3] == corners[3])
            found = &image;
    if (found == nullptr) {
        if (screenImages.size() >= kMaxScreenImages) forgetScreenImages();
        ScreenImage image{texture, blend, {corners[0], corners[1], corners[2], corners[3]}, 0, 0, 0, 0, 1, 0};
        // The pixels it can cover, a pixel of margin round them, within the
        // viewport.
        const float v[4] = {static_cast<float>(place.viewport[0]), static_cast<float>(place.viewport[1]),
                            static_cast<float>(place.viewport[0] + place.viewport[2]),
                            static_cast<float>(place.viewport[1] + place.viewport[3])};
        const auto within = [](float value, float low, float high) {
            return std::isfinite(value) ? std::fmin(std::fmax(value, low), high) : low;
        };
        image.left =
            static_cast<int>(within(std::floor(std::fmin(corners[0], corners[2])) - 1.0f, v[0], v[2]));
        image.bottom =
            static_cast<int>(within(std::floor(std::fmin(corners[1], corners[3])) - 1.0f, v[1], v[3]));
        const int right =
            static_cast<int>(within(std::ceil(std::fmax(corners[0], corners[2])) + 1.0f, v[0], v[2]));
        const int top =
            static_cast<int>(within(std::ceil(std::fmax(corners[1], corners[3])) + 1.0f, v[1], v[3]));
        image.width = right - image.left;
        image.height = top - image.bottom;
        screenImages.push_back(image);
        return nullptr;
    }
    if (found->picture == 0 && found->uses == 1 && found->width > 0 && found->height > 0)
        found->picture = sampleOnScreen(*found, mask, overlay, place);
    found->uses = std::min(found->uses + 1, 2);
    return found->picture != 0 ? found : nullptr;
}

}  // namespace

OverlaySavings overlaySavings;

GLuint maskedFaceImage(GLuint mask, GLuint face) {
    if (mask == 0 || face == 0) return 0;
    for (const MaskedFace& m : maskedFaces)
        if (m.mask == mask && m.face == face) return m.combined;
    const GLuint combined = glIsTexture(mask) && glIsTexture(face) ? combineMaskAndFace(mask, face) : 0;
    maskedFaces.push_back(MaskedFace{mask, face, combined});
    return combined;
}

void drawOverlayImage(GLuint texture, OverlayBlend blend, float x0, float y0, float x1, float y1,
                      float tLimit) {
    glBindTexture(GL_TEXTURE_2D, texture);
    const bool known = texture != 0 && glIsTexture(texture);
    const float pixels = overlayPixelScale();
    const int pixelsWide = static_cast<int>(std::lround(std::fabs(x1 - x0) * pixels));
    const int pixelsHigh = static_cast<int>(std::lround(std::fabs(y1 - y0) * pixels));
    const TileMask* mask =
        overlaySavings.tiles && known ? &tileMaskOf(texture, blend, pixelsWide, pixelsHigh) : nullptr;
    const float overlay[4] = {x0, y0, x1, y1};
    const ScreenImage* screen =
        overlaySavings.screenImages && known ? screenImageOf(texture, blend, mask, overlay) : nullptr;
    if (screen == nullptr) {
        glBindTexture(GL_TEXTURE_2D, texture);
        drawTileRuns(mask, x0, y0, x1, y1, tLimit, kWholeImage);
        return;
    }
    // The picture's texels sit on the pixels from (left, bottom): s' = (X - left) / width.
    const float w = static_cast<float>(screen->width), h = static_cast<float>(screen->height);
    const TexturePlace place{(screen->corners[2] - screen->corners[0]) / w,
                             (screen->corners[0] - static_cast<float>(screen->left)) / w,
                             (screen->corners[3] - screen->corners[1]) / h,
                             (screen->corners[1] - static_cast<float>(screen->bottom)) / h};
    glBindTexture(GL_TEXTURE_2D, screen->picture);
    drawTileRuns(mask, x0, y0, x1, y1, tLimit, place);
}

void forgetOverlayTiles() {
    tileMasks.clear();
    forgetScreenImages();
    for (const MaskedFace& m : maskedFaces)
        if (m.combined != 0) glDeleteTextures(1, &m.combined);
    maskedFaces.clear();
}
