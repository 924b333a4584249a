// Shared by the render module's own files only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"
#include "render/gl.h"
#include "render/render.h"

// The preset in force (Low, Medium or High) and its switches, set by
// applyGraphicsPreset.
extern int graphicsPreset;
extern GraphicsSwitches graphicsSwitches;
// Auto's choice once made from the menu frames; -1 while it measures.
extern int autoGraphicsPreset;

// Bytes to allocate for a texture's packed pixels. The system's GLU, when
// gluBuild2DMipmaps resamples a side that is not a power of two (the 128 x 96
// garage poster, the 800 x 600 screens), reads a few bytes past the last
// pixel; one zeroed row and pixel more keeps those reads inside the block.
inline size_t texturePixelBlockBytes(size_t width, size_t height, size_t bytesPerPixel) {
    return (width * height + width + 1) * bytesPerPixel;
}

// A new texture name, bound, with its filters and wrapping.
GLuint newBoundTexture(GLint minFilter, GLint magFilter, GLint wrapS, GLint wrapT);

// Framebuffer objects (OpenGL 3.0 or ARB_framebuffer_object), for drawing
// into pictures of the renderer's own.
struct FramebufferCalls {
    PFNGLGENFRAMEBUFFERSPROC gen = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bind = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC attach = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC status = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC release = nullptr;
    PFNGLGENRENDERBUFFERSPROC genBuffer = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindBuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC storage = nullptr;
    PFNGLDELETERENDERBUFFERSPROC releaseBuffer = nullptr;
};
// Null when the context has none; fetched at the first call.
const FramebufferCalls* framebufferCalls();

// A new context: the scaled scene's texture of the last one is gone with
// it, and its name may already be one of the new context's own textures.
void abandonScaledScene();

// A line of glyphs in the small or large font from the glyph image bound,
// each character's cell firstCell + its code, in the current transform.
void drawGlyphLine(bool small, int firstCell, const char* text, int length);

// Where a scene view's viewport is drawn: the rectangle itself, or scaled to
// the preset's render scale between beginScaledScene and endScaledScene.
ViewportRect drawnViewport(const ViewportRect& rect);

// The three shader programs and their uniform locations, looked up by
// initRenderer; the render module's files set them, the rest of the game
// draws through useLightProgram and setLightMaterial.
extern GLhandleARB lightProgram;
extern GLhandleARB blurProgram;
extern GLhandleARB hdrProgram;

// Light program uniform locations. Lamps 1..4 have an orientation and a focus
// exponent; lamp 5 (index 4) is the fixed fill light and has neither.
extern GLint lightPosUniform[kShaderLights];        // "lightPos" .. "light5Pos", vec4
extern GLint lightOriUniform[kShaderLights - 1];    // "lightOri" .. "light4Ori", vec3
extern GLint lightColorUniform[kShaderLights];      // "lightColor" .. "light5Color", vec4
extern GLint lightFocusUniform[kShaderLights - 1];  // "lightFocus" .. "light4Focus", int
extern GLint ambientColorUniform;                   // vec4
extern GLint matAmbientUniform;                     // vec4
extern GLint matDiffuseUniform;                     // vec4
extern GLint matSpecularUniform;                    // vec4
extern GLint emissiveUniform;                       // vec4
extern GLint shininessUniform;                      // float
extern GLint cameraOriUniform;                      // vec3, camera in model space
extern GLint lightDecalUniform;                     // sampler, unit 0
extern GLint lightDecal2Uniform;                    // sampler, unit 1 (reflection)
extern GLint refIntUniform;                         // "RefInt", float
// Blur program.
extern GLint blurTexOffsetUniform;  // vec4: step s, step t, axis s, axis t
extern GLint blurDecalUniform;
// HDR program.
extern GLint hdrExposureUniform;
extern GLint hdrGammaUniform;
extern GLint hdrDecalUniform;
extern GLint hdrDecal2Uniform;

// Fetches the seventeen shader-object and uniform entry points through
// resolve; false when any is missing. initRenderer passes the platform's
// resolver.
bool loadShaderEntryPoints(void* (*resolve)(const char*));

// A copy of the light program compiled with `defines` in front of its text
// (LAMPS, PAINT, FOGGED), and its uniforms' locations.
struct LampProgram {
    GLhandleARB program;
    GLint pos[kShaderLights];
    GLint ori[kShaderLights - 1];
    GLint colour[kShaderLights];
    GLint focus[kShaderLights - 1];
    GLint ambientColor, matAmbient, matDiffuse, matSpecular, emissive, shininess;
    GLint cameraOri, cameraPos, decal, decal2, refInt;
};
// False, with p.program left 0, when a stage fails to compile or link (what
// the driver says goes to stderr); the caller then draws through the full
// program.
bool buildLampProgram(LampProgram& p, const char* defines);

// One stage of a program from its file with `defines` in front ("" for
// none). The shader is 0 when the file cannot be read; a stage that does not
// compile is reported on stderr with the driver's log and still returned.
struct ShaderStage {
    GLhandleARB shader;
    bool compiled;
};
ShaderStage compileShaderStage(GLenum kind, const char* defines, const char* path);
// Links; on failure false, with up to logSize - 1 characters of the log.
bool linkShaderProgram(GLhandleARB program, char* log, int logSize);

// A copy's material, fill light, camera and texture units, with the mirror
// strength for "RefInt".
void uploadLampShading(const LampProgram& p, const SceneShading& shading, float mirror);
// The lamps of the given shader slots into the copy's first lamp slots.
void uploadReachingLamps(const LampProgram& p, const int* slots, int count);
// The slots of the lamps whose light reaches the box (lampReachesBox with
// the given scale); returns how many.
int lampsReachingBox(const float lo[3], const float hi[3], const float scale[4],
                     int slots[kShaderLights - 1]);

// The six planes of the current view volume, a x + b y + c z + d >= 0
// inside, in the space the model-view matrix (kept beside them) starts from.
struct ViewVolume {
    float planes[6][4];
    float modelView[16];
};
void currentViewVolume(ViewVolume* v);
bool boxInView(const ViewVolume& v, const float lo[3], const float hi[3]);
bool sphereInView(const ViewVolume& v, const float centre[3], float radius);

// Per group of a model: binds its material's texture (or the white one) and
// sends its emissive colour to the light program; clearGroupGlow sets the
// emissive colour back to none once the model is drawn.
void bindGroupTexture(const Model& model, const ModelGroup& group);
void sendGroupGlow(const Model& model, const ModelGroup& group);
void clearGroupGlow();
// Sets a vec4 uniform of the program in use from four floats.
void uniform4(GLint location, const float v[4]);

// Side of a map chunk's cell on the ground: small enough that a lamp reaches
// only a few chunks, large enough that a frame makes a few dozen draw calls,
// not hundreds.
constexpr float kChunkSize = 48.0f;

struct MapChunk {
    float lo[3], hi[3];   // bounds in the model's own space
    GLuint list;          // the chunk's closed groups, in model order
    GLuint twoSidedList;  // its groups seen from both sides; 0 when none
    float glow;           // brightest emissive channel of its groups' materials
    int cellX, cellZ;     // the ground cell holding its triangles' centres
    int draws;            // groups with triangles in it (a texture bind and a draw each)
    int triangles;        // triangles in its two lists
};

// One corner of the merged map's vertex array.
struct MergedVertex {
    float position[3];
    float normal[3];
    float st[2];
};
struct MergedPlane {
    float normal[3];
    float offset;
};
// A chunk's triangles of one group: `count` corners from `first`.
struct MergedRun {
    uint32_t first = 0, count = 0;
};
// One group of the model (a material and its texture) with a run per chunk
// (runs[c] for chunk c; count 0 where the chunk has none of it).
struct MergedGroup {
    int group = 0;
    bool twoSided = false;
    std::vector<MergedRun> runs;
};
// The model's triangles in one vertex array, ordered by group (closed groups
// in model order, then the two-sided ones), then by chunk, so that the
// drawn chunks' triangles of a group go out in one draw.
struct MergedMap {
    std::vector<MergedVertex> vertices;
    // Per triangle (corner / 3): its plane, (b - a) x (c - a) and that
    // times corner a; the side the eye is on decides which face it turns.
    std::vector<MergedPlane> planes;
    std::vector<MergedGroup> groups;
    std::vector<uint32_t> corners;  // a draw's corner numbers, kept between draws
};
// Fills `merged` from the model and the chunk of each of its triangles (-1:
// in none).
void buildMergedMap(const Model& model, const std::vector<int32_t>& chunkOfTriangle, int chunkCount,
                    MergedMap* merged);
// Appends the corner numbers of a group's runs in the given chunks, in that
// order.
void gatherDrawnCorners(const std::vector<MergedRun>& runs, const std::vector<int>& chunks,
                        std::vector<uint32_t>* corners);
// The same leaving out the triangles whose back faces the eye (in the
// model's space) clearly sees, which culling would leave out anyway; those
// seen edge on stay for the culling to decide.
void gatherFrontCorners(const std::vector<MergedRun>& runs, const std::vector<int>& chunks,
                        const std::vector<MergedVertex>& vertices, const std::vector<MergedPlane>& planes,
                        const float eye[3], std::vector<uint32_t>* corners);

// A model's chunks, owned by the model (Model::chunks) and built at its first
// draw in chunks, or when visibility sets are given to it.
struct ModelChunks {
    int triangleCount = 0;  // the model's when the chunks were built
    std::vector<MapChunk> chunks;
    // The chunk each model triangle went to; -1 for none.
    std::vector<int32_t> chunkOfTriangle;
    // Built at the first merged draw; empty until then.
    MergedMap merged;
    std::vector<int> mergedOrder;          // the chunks of the frame's merged draw
    float originX = 0.0f, originZ = 0.0f;  // corner of cell (0, 0), model space
    // Visibility sets: for each viewer cell (cellsX x cellsZ, row by z), one
    // flag per chunk, 1 where an eye in the cell's part of the eye region, no
    // higher than the cell's eye top, may see some of the chunk. Empty: none
    // built.
    int cellsX = 0, cellsZ = 0;
    std::vector<float> eyeTops;  // per viewer cell: the highest eye its set holds for
    std::vector<uint8_t> seen;
    std::vector<uint8_t> hasSet;  // per viewer cell: 1 when its set was worked out
    // The eye region: the ground cells (eyeNx x eyeNz of kGroundCell from
    // eyeX0, eyeZ0) the sets hold for.
    float eyeX0 = 0.0f, eyeZ0 = 0.0f;
    int eyeNx = 0, eyeNz = 0;
    std::vector<uint8_t> eyeCells;
    // The lamps' light on the ground, baked at the first draw that asks for
    // it (lamp_bake.cpp); 0 when none could be made.
    GLuint lampMap = 0;
    bool lampMapBaked = false;
    float lampMapPlace[4] = {0.0f, 0.0f, 0.0f, 0.0f};  // the program's lampMapPlace
    float lampMapBrightest = 0.0f;                     // brightest channel of the baked light
    // The model's textures are sampled from the nearest mipmap level only.
    bool nearestMipmap = false;
};

// The lamps' light on a model's ground, one texel per `texel` units from
// (originX, originZ); light holds r, g, b per texel, row by z.
struct LampMapBake {
    int width = 0, height = 0;
    float originX = 0.0f, originZ = 0.0f, texel = 1.0f;
    float place[4] = {0.0f, 0.0f, 0.0f, 0.0f};  // originX, originZ, 1 / width, 1 / depth in units
    std::vector<float> light;
    std::vector<float> ground;  // height of the lowest up-facing surface per texel
    float brightest = 0.0f;
};
// What one lamp gives a surface facing straight up at `point`, as the light
// program's diffuse term works it out (channel 0..2).
float bakedLampLight(const LightSource& lamp, const float point[3], int channel);
// The light of every lamp on the lowest up-facing surface of the model over
// each texel.
void bakeLampMap(const Model& model, const LightSource* lamps, int lampCount, LampMapBake* bake);
// The baked light of the texel holding (x, z); 0 outside the map.
float bakedLightAt(const LampMapBake& bake, float x, float z, int channel);
// The height of that surface at (x, z); false where there is none.
bool bakedGroundAt(const LampMapBake& bake, float x, float z, float* height);
// The map's copy of the light program that reads the baked light (built with
// the other copies).
void buildBakedLampProgram();
// Bakes the model's lamp map if not yet done, binds it to unit 2 and makes
// the baked copy current with its shading; 0 when there is none.
GLhandleARB beginBakedLampDraw(Model* model, const SceneShading& shading);
void endBakedLampDraw();
void releaseBakedLampMap(ModelChunks* chunks);

// Side of a ground cell of the visibility sets' grid of buildings.
constexpr float kGroundCell = 4.0f;

// Builds a model's chunks if it has none (or its triangles changed).
void ensureModelChunks(Model* model);
// Draws the given chunks of a model (nearest first) by groups: one draw for
// each group's triangles in all of them, the closed groups with their back
// faces culled when asked (those turned away from the eye, in the model's
// space, left out before they are sent; eye null: none), then the
// two-sided ones. The program and its lighting are set; returns the number
// of draws.
int drawMergedChunks(const Model& model, ModelChunks* chunks, const std::vector<int>& order,
                     bool cullBackFaces, const float eye[3], int* trianglesSent);
// On: the merged draw leaves out the closed groups' triangles turned away
// from the eye before sending them. Off: the culling alone turns them away.
extern bool mapEarlyBackFaces;
// Works out the model's visibility sets, if buildChunkVisibility left some
// to do for it, its chunks are built and the sets are switched on;
// forgetPendingVisibility drops them undone.
void takePendingVisibility(const Model* model);
void forgetPendingVisibility(const Model* model);
// The flags of the chunks seen from the eye of the model-view matrix, or
// null when no set covers that eye.
const uint8_t* chunksSeenFrom(const ModelChunks& chunks, const float modelView[16]);
