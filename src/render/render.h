// Rendering and assets: models, images and textures, renderer start-up with
// its extensions and GLSL programs, and the bitmap-font text overlay.
//
// Lifetimes:
//   - for the whole run: the texture tables, the render textures, the three
//     programs and their uniform locations, the font display lists and the
//     extension entry points (all made by initRenderer, gameTextures on first
//     use by the frame dispatcher);
//   - models live from their owner's load to its release.
// Invariants: every reader bounds-checks the file it is given; a model that
// failed to load is a valid empty model (all counts 0, all arrays null), and
// every index inside a loaded model is in range.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "physics/physics.h"
#include "render/texture_table.h"

// A texture as the renderer names it; 0 is none.
using TextureId = unsigned int;
// A display list (or the first of a block of them) as the renderer names it.
using DrawListId = unsigned int;

// ---------------------------------------------------------------------------
// Models (MS3D files).

// Capacity of a model's flat triangle list. Only the lamp models are
// flattened, and no map has anywhere near this many lamps.
constexpr int kMaxFlatTriangles = 5000;

struct ModelVertex {
    uint8_t boneIndex;  // copied from the file, unused by the game
    float position[3];  // model units
};

struct ModelTriangle {
    float normals[3][3];  // vertex normal of each corner, as stored
    float s[3];           // texture s of each corner, as stored
    float t[3];           // 1 - the file's t, so images need no flip
    int32_t vertexIndices[3];
};

struct ModelGroup {
    int32_t materialIndex;  // -1: no material, drawn untextured
    int32_t triangleCount;
    int32_t* triangleIndices;  // into Model::triangles
};

// The material mode bit that marks surfaces seen from both sides.
constexpr uint8_t kMaterialTwoSided = 0x80;

struct ModelMaterial {
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float emissive[4];  // a lamp model's emissive colour is its lamp's colour
    float shininess;
    float transparency;
    bool twoSided;      // seen from both sides: drawn without back-face culling
    TextureId texture;  // 0 when the material names no file or it failed to load
    char* textureFile;  // path as stored in the model, may be empty
};

// One triangle with its corner data copied out of the index arrays.
struct FlatCorner {
    float position[3];
    float s;
    float t;  // already flipped
    float normal[3];
};

struct FlatTriangle {
    int32_t materialIndex;  // the owning group's, -1 possible
    FlatCorner corners[3];
};

class ModelBase {
  public:
    virtual ~ModelBase() {}
    virtual bool load(const char* path) = 0;
};

// A loaded MS3D model. Always created on the heap: the flat list makes it
// about half a megabyte.
class Model : public ModelBase {
  public:
    Model();
    ~Model() override;

    // Reads "base/..."-relative path; false leaves the model empty.
    bool load(const char* path) override;
    // The same from a whole file already in memory.
    bool loadFromBytes(const uint8_t* data, size_t size);
    // Creates each material's GL texture (needs a current context).
    void loadTextures();
    // Fills flatTriangles from the groups, at most kMaxFlatTriangles entries.
    void buildFlatTriangles();
    // Frees every array and texture; safe to call again.
    void release();

    FlatTriangle flatTriangles[kMaxFlatTriangles];
    // Entries written by the last buildFlatTriangles: consumers read up to
    // this, which is the triangle count unless the model has more triangles
    // than the list can hold (or groups that do not cover each triangle once).
    int32_t flatTriangleCount;
    int32_t groupCount;
    ModelGroup* groups;
    int32_t materialCount;
    ModelMaterial* materials;
    int32_t triangleCount;
    ModelTriangle* triangles;
    int32_t vertexCount;
    ModelVertex* vertices;
    // Display list holding the whole model, made by its first drawModel while
    // modelDisplayLists is set; 0 until then. release() deletes it.
    DrawListId drawList;
    // The same with back faces culled on its closed groups (those not marked
    // two-sided), made by its first drawModelCulled; release() deletes it.
    DrawListId culledList;
    // What the drawing code works out about the model once, kept with it and
    // dropped by release(): its bounds (once boundsKnown) and its chunks
    // for drawing in pieces (null until first drawn that way).
    mutable bool boundsKnown;
    mutable float boundsLo[3], boundsHi[3];
    struct ModelChunks* chunks;
};

// ---------------------------------------------------------------------------
// Images and textures.

// Packed 24-bit RGB, rows without padding, bottom row first.
struct DibImage {
    int32_t width;
    int32_t height;
    uint8_t* pixels;  // width * height * 3 bytes
};

// Why a DIB could not be read; each but the first has its message box.
enum DibResult {
    DibOk,
    DibUnknownFormat,    // "Unknown DIB file format."
    DibConversionError,  // "Image file conversion error."
    DibOutOfMemory,      // "Out of memory."
};

// Decodes a BMP file (with or without its 14-byte file header) held in
// memory. On DibOk *out is a new image for freeDibImage.
DibResult decodeDib(const uint8_t* data, size_t size, DibImage** out);
// Reads a BMP file: null silently when it does not exist, null after a
// message box (caption "Error") when it exists but cannot be read.
DibImage* loadDibImage(const char* path);
void freeDibImage(DibImage* image);

// Uncompressed 24- or 32-bit TGA pixels in file row order, R G B (A).
struct TgaPixels {
    int32_t width;
    int32_t height;
    int32_t bytesPerPixel;  // 3 or 4
    uint8_t* pixels;        // malloc'd, width * height * bytesPerPixel
};

// Decodes the TGA subset the game reads: header 0 0 2 0 0 0 0 0 0 0 0 0,
// 24 or 32 bits. False (and nothing allocated) for anything else.
bool decodeTga(const uint8_t* data, size_t size, TgaPixels* out);

// Each returns a GL texture name, 0 on failure. Need a current context.
TextureId loadBmpTexture(const char* path);
TextureId loadTgaTexture(const char* path);

// One clamped TGA texture that keeps its pixels.
struct TgaImage {
    TextureId texture = 0xFFFFFFFFu;  // all bits set until loaded
    int32_t width = 0;
    int32_t height = 0;
    uint8_t* pixels = nullptr;
    int32_t bytesPerPixel = 0;

    // filterMode 0: mip-mapped; 1: linear; 2: nearest.
    bool load(const char* path, int filterMode);
    // Frees the pixels; deletes the GL texture too when deleteTexture is set.
    void release(bool deleteTexture);
    ~TgaImage() { release(false); }
};

constexpr int kStartTextureCount = 4;

// For the whole run, made all or nothing by their loaders.
extern TextureId gameTextures[kGameTextureCount];    // base/textures/tex00..50.bmp
extern TextureId startTextures[kStartTextureCount];  // tex42, tex41, tex00, tex40.bmp
extern TgaImage tgaTextures[kTgaTextureCount];       // base/textures/tex00..10.tga

bool loadGameTextures();
bool loadStartTextures();
void loadTgaTextures();
// Deletes the TGA textures and frees their pixels; for shutdown.
void releaseTgaTextures();

// ---------------------------------------------------------------------------
// Renderer start-up, render textures and programs (for the whole run).

// Fixed-function state, extensions, start-up textures, fonts, render
// textures, effect systems and the three programs (the shell's startRenderer
// runs it); false without GLSL or when a program does not build.
bool initRenderer();
// Whole text of a shader file, NUL-terminated, malloc'd; null when the file
// cannot be opened. The caller frees it.
char* readShaderSource(const char* path);
// True when name occurs in the space-separated extensions list as a whole
// name, not as part of a longer one.
bool hasExtensionName(const char* extensions, const char* name);

extern bool multitextureAvailable;
extern int maxTextureUnits;
extern TextureId screenTexture;      // screenWidth x screenHeight RGBA
extern TextureId blurTextureA;       // blurWidth x blurHeight RGBA
extern TextureId blurTextureB;       // previous frame's glow brightness
extern TextureId reflectionTexture;  // 256 x 256 RGBA
// A 1 x 1 white texture: bind it for untextured geometry drawn with the
// light program, which samples unit 0 whether or not texturing is enabled.
extern TextureId whiteTexture;
// Lamps the light program takes: four lamps and the fixed fill light.
constexpr int kShaderLights = 5;

// ---------------------------------------------------------------------------
// Bitmap font and 2-D text, in the 800 x 600 overlay space (origin bottom left).

// 0 white, 1 red, 2 green; anything else keeps the current colour.
extern int textColour;
extern float textAlpha;
// The colour (0..3) and opacity the next printed text takes.
void setTextColour(int colour);
void setTextAlpha(float alpha);

// The overlay space for drawing in screen units: the overlay frame's viewport
// (see setOverlayFrame), an orthographic projection of its bounds and an
// identity model-view, both pushed; endOverlay pops both and leaves the
// model-view matrix current.
void beginOverlay();
void endOverlay();
void buildSmallFont();
void buildLargeFont();
// set: 0 for the glyphs of rows 0-5, 1 (or more) for rows 8-13. scale is
// accepted for the callers' sake and ignored.
void printText(int x, int y, float scale, int set, const char* format, ...)
    __attribute__((format(printf, 5, 6)));
void printTextLarge(int x, int y, int set, const char* format, ...) __attribute__((format(printf, 4, 5)));

// ---------------------------------------------------------------------------
// Flat 2-D shapes for the HUD, the menus and the result screens, in the
// overlay space between beginOverlay and endOverlay (x right, y up, 800 x 600
// at every resolution).

// The HUD's neon palette: cyan frames, magenta underlines, the player's car
// yellow wherever it is marked, the opponents red; green ahead, red behind.
constexpr float kHudCyan[3] = {0.18f, 0.9f, 1.0f};
constexpr float kHudMagenta[3] = {1.0f, 0.18f, 0.6f};
constexpr float kHudPlayer[3] = {1.0f, 0.9f, 0.15f};
constexpr float kHudOpponent[3] = {1.0f, 0.25f, 0.3f};
constexpr float kHudBlack[3] = {0.0f, 0.0f, 0.0f};
constexpr float kHudWhite[3] = {1.0f, 1.0f, 1.0f};

// Untextured, alpha-blended drawing without the depth test; endShapes puts
// back texturing, a 1-pixel line and white.
void beginShapes();
void endShapes();
void shapeColour(const float rgb[3], float alpha);
void fillRect(float x0, float y0, float x1, float y1);
void outlineRect(float x0, float y0, float x1, float y1);
void drawLine(float x0, float y0, float x1, float y1);
// Line width in overlay units, so a line keeps its width at every resolution.
void shapeLineWidth(float overlayUnits);
void fillDisc(float x, float y, float radius, int sides = 12);
// The HUD's pod: a dark translucent plate with a neon line along its foot
// (begins and ends its own shapes).
void drawPod(float x0, float y0, float x1, float y1, const float underline[3]);
// A closed line through count points (x, y pairs), and a filled triangle or
// four-cornered quad, each corner an x, y pair.
void strokeLoop(const float* xy, int count);
void fillTriangle(const float xy[6]);
void fillQuad(const float xy[8]);
// The colour of what is drawn next, shapes and images alike (images are
// tinted by it).
void drawColour(float r, float g, float b, float a);

// How what is drawn next meets the frame.
enum Blend2D {
    Blend2DOff,       // replaces it (leaves the blend function as it was)
    Blend2DAlpha,     // over it by the colour's alpha
    Blend2DGlow,      // added to it, weighted by alpha
    Blend2DAdd,       // added to it in full
    Blend2DMultiply,  // darkens it by what is drawn
};
void setBlend2D(Blend2D mode);

// Images in the overlay: lighting and the depth test off, texturing on, drawn
// in white; endImages turns blending off and the depth test back on.
void beginImages();
void endImages();
// What the scene's drawing expects back: texturing and the depth test on,
// drawing in white.
void restoreSceneState();
// The texture over x0,y0 - x1,y1 with texture coordinates u0,v0 - u1,v1;
// binds it (0: none) and turns texturing on.
void drawImage(TextureId texture, float x0, float y0, float x1, float y1, float u0 = 0.0f, float v0 = 0.0f,
               float u1 = 1.0f, float v1 = 1.0f);
// One textured triangle: three corners of x, y, u, v.
void drawImageTriangle(TextureId texture, const float corners[12]);
// A gauge or plate image: the frame darkened by mask, then lit by face over
// the same quad, each only where it changes the frame (blending on).
void drawMaskedImage(TextureId mask, TextureId face, float x0, float y0, float x1, float y1);
// The name of a TGA texture, 0 while it is not loaded.
TextureId tgaTextureName(int entry);

// The overlay's transform: moves and turns what is drawn next, kept on a
// stack; resetView puts the model-view back to identity.
void pushTransform2D();
void popTransform2D();
void translate2D(float x, float y);
void rotate2D(float degrees);
void resetView();

// Text in the large font at any size, in the current colour, glyph set 1.
void printScaled(float x, float y, float scale, const char* text);
// Text in the large font's glyph set 1 in the given colour.
void printColoured(const float rgb[3], float alpha, int x, int y, const char* text);

// ---------------------------------------------------------------------------
// Scene viewport and projection.

// The player's speed, which widens the race view: written by the player's car
// at every step.
extern float raceViewSpeed;
void setRaceViewSpeed(float speed);
// The lenses: the garage's narrow one, and the race's, whose vertical angle
// opens by kRaceViewWidening degrees for each unit of raceViewSpeed.
constexpr double kGarageFieldOfView = 35.0;
constexpr double kGarageNearPlane = 0.1;
constexpr double kGarageFarPlane = 100.0;
constexpr double kRaceFieldOfView = 80.0;
constexpr double kRaceViewWidening = 0.5;
constexpr double kRaceNearPlane = 0.1;
constexpr double kRaceFarPlane = 15000.0;
// Viewport and projection for gameState: the garage's lens in the menus, the
// race's in a race; a height of 0 is taken as 1. The size is the window's
// from then on (windowViewport).
void resizeScene(int width, int height);

// A rectangle of the window in pixels, x and y from its lower left corner.
struct ViewportRect {
    int x = 0;
    int y = 0;
    int width = 1;
    int height = 1;
};

// How a 3-D scene is seen: from eye towards target with up at the top of the
// picture, a vertical field of view in degrees, the near and far planes, and
// the part of the window the picture fills.
struct SceneView {
    Vector3 eye;
    Vector3 target{0.0f, 0.0f, -1.0f};
    Vector3 up{0.0f, 1.0f, 0.0f};
    double fieldOfView = kGarageFieldOfView;
    double nearPlane = kGarageNearPlane;
    double farPlane = kGarageFarPlane;
    ViewportRect viewport;
};

// The whole window, as the last resizeScene gave it.
ViewportRect windowViewport();
// The scene is drawn in view from here on: its viewport (scaled down between
// beginScaledScene and endScaledScene), its projection with the viewport's
// aspect, and the model-view looking from its eye at its target.
void setSceneView(const SceneView& view);
// The view last set.
const SceneView& sceneView();

// The overlay frame: the part of the window beginOverlay draws into, the
// whole window unless a view of its own is set (one player's half of a split
// screen). The 800 x 600 design is fitted into it at the largest 4:3 size and
// centred, so the menus and HUD keep their shape on any screen; a wider frame
// shows more of the overlay space left and right of the design, a taller one
// above and below.
void setOverlayFrame(const ViewportRect& frame);
// Back to the whole window.
void resetOverlayFrame();
// The overlay space the frame shows, in overlay units: left and bottom at or
// below 0, right at or above 800, top at or above 600. Backgrounds that fill
// the screen span it; corner pieces of the HUD anchor to it.
struct OverlayBounds {
    float left = 0.0f;
    float bottom = 0.0f;
    float right = 800.0f;
    float top = 600.0f;
};
OverlayBounds overlayBounds();
// The bounds a frame width x height pixels shows.
OverlayBounds overlayBoundsOf(int width, int height);
// Pixels per overlay unit in the current frame.
float overlayPixelScale();
// Where the pieces drawn next sit on a frame wider or taller than 4:3: in
// the design's own place (Centre), or carried out with an edge or corner of
// the frame, so a HUD keeps to the screen's corners. Kept until changed; the
// race sets it back to Centre after its HUD.
enum class OverlayAnchor { Centre, Left, Right, Top, Bottom, TopLeft, TopRight, BottomLeft, BottomRight };
void setOverlayAnchor(OverlayAnchor anchor);

// ---------------------------------------------------------------------------
// Model drawing, lamp lighting and light sprites.
//
// A map's lamps come from its light model: each triangle's centre is a lamp,
// its material's emissive colour the lamp's colour. Every frame selectLights
// sorts them by distance to the camera (shadingEye), hands the nearest
// visible four to the light program and leaves the array sorted for the
// sprites.

// The frame's eyes, written by the chase camera in a race and by the garage
// scene in the menus: the eye the sprites and particles face, and the eye and
// view direction the lamp selection and shading use.
extern Vector3 cameraEye;
extern Vector3 shadingEye;
extern Vector3 shadingViewDir;
// The frame's eye for the sprites and effects, and the eye and direction
// the lamps are chosen and shaded from.
void setCameraEye(const Vector3& eye);
void setShadingView(const Vector3& eye, const Vector3& viewDir);

constexpr int kMaxLights = 200;
// Lamps nearer than this many units (squared) are lit even behind the camera.
constexpr float kNearLampKey = 1600.0f;
// Lamps within this angle of the view direction (radians) count as in view.
constexpr float kLampViewAngle = 1.7f;
constexpr int kMaxLightSprites = 30;

struct LightSource {
    float position[3];   // centre of the light model's triangle
    float colour[3];     // the triangle's material emissive colour
    float direction[3];  // always straight down
    int focus;           // spot exponent, always 5
    float reserved;
    float distanceKey;  // squared horizontal distance to shadingEye (selectLights)
    float viewAngle;    // radians between the view and the lamp, 0..pi (selectLights)
};

// One of the light program's five lamps; slot 4 is the fixed fill light.
struct ShaderLight {
    float position[4];  // world space, w = 1
    float colour[4];
    float direction[3];
    int focus;
};

// Rebuilt with each (re)flattened light model; reordered by selectLights.
extern LightSource lightSources[kMaxLights];
extern int lightSourceCount;
// Written by selectLights; kept between frames.
extern ShaderLight shaderLights[kShaderLights];
// Placement of the model being lit, without the camera (set by the caller).
extern Matrix4 modelMatrix;
// updateModelLights' results: slot positions and directions and shadingEye in
// the model's own coordinates.
extern float modelLightPositions[kShaderLights][3];
extern float modelLightDirections[kShaderLights - 1][3];
extern float modelCameraPosition[3];
// Draw models through a display list per model (true) or in immediate mode.
// Both send the same vertices in the same order.
extern bool modelDisplayLists;

// Draws every group; leaves culling off and the texturing state as found.
void drawModel(Model* model);
// The same, its closed groups without their back faces: the same picture for
// a closed shape seen from outside, at about half the triangles set up.
void drawModelCulled(Model* model);
// A model as a ghost: placed by the OpenGL matrix `placement` on the current
// model-view, unlit, added to the picture in the tint's colour and alpha
// (a faint glow of the whole shape, then its textures), without writing depth
// so the scene behind shows through. The light program must be off.
void drawGhostModel(Model* model, const float placement[16], const float tint[4]);
// The immediate-mode reference, whatever modelDisplayLists says.
void drawModelImmediate(const Model& model);
// Fills lightSources from a flattened light model (at most kMaxLights lamps).
void buildLightSources(const Model* model);
// Picks this frame's four lamps; the light program must be in use.
void selectLights();
void updateModelLights();
void uploadModelLights();
// Sprites of the nearest min(count, 30) lamps, seen from cameraEye.
void drawLightSprites();
// One camera-facing quad of half-size 5 x max(size, 0.2) about centre.
void drawBillboard(const double eye[3], const double centre[3], double size);
// General 4 x 4 inverse (OpenGL element order); false (and identity) when singular.
bool invertMatrix4(const Matrix4& in, Matrix4* out);
// The lighting pattern for one model: placement is applied to the identity to
// light it, then to the current camera matrix to draw it.
void drawLitModel(Model* model, void (*placement)(const void* context), const void* context);

// ---------------------------------------------------------------------------
// Sky.

// Cloud drift offset; grows for the whole run.
extern float skyDrift;
// The flattened three-sphere dome around the model-view origin (race frame).
// Without the backdrop, the dark sphere behind the clouds is left to a frame
// cleared by clearToNightSky, which gives its pixels without shading them.
void drawSkyDome(bool backdrop = true);
// Clears the colour buffer to the dome's dark sky, keeping the clear colour.
void clearToNightSky();
// An open five-face box (the reflection view): centre x, bottom y, centre z.
void drawSkyBox(float x, float y, float z, float width, float height, float depth);
// Deletes the dome's quadric (shutdown, tests).
void releaseSky();

// ---------------------------------------------------------------------------
// Reflection and post-processing passes, particle effects and the checkpoint
// marker: the race frame's calls into them.

// What the reflection pass looks at: in a race the street from the player's
// car towards the shading eye, mirrored; in the front end the garage room
// swaying with the menu phase, not mirrored.
struct ReflectionScene {
    bool inRace;
    Model* surroundings;  // the race's visual map or the garage; null draws none
    Vector3 from;         // race: the player's car position
    float swayPhase;      // garage: the menu animation phase
};
// Renders the reflection image and restores the viewport and projection of
// the current resolution.
void renderReflection(const ReflectionScene& scene);

// Glow pass types, and kinds 0..6: the pass's place in the chain. Kind 0
// reads screenTexture, every other kind blurTextureA; even blur kinds run
// along s, odd ones along t.
enum PostPassType { BlurPass = 2, HdrPass = 3 };
struct PostPass {
    int type;
    int kind;
};
constexpr PostPass kToneMapFrame = {HdrPass, 0};     // the whole frame, shrunk to 256 x 256
constexpr PostPass kToneMapAgain = {HdrPass, 1};     // steepens the curve once more
constexpr PostPass kBlurVertical = {BlurPass, 1};    // spreads the glow along t
constexpr PostPass kBlurHorizontal = {BlurPass, 2};  // along s; its luminance feeds the next frame
// One pass of the glow chain; leaves the back buffer cleared.
void postProcessPass(int type, int kind);
// The scenes' ending: copies the frame at the resolution's size into
// screenTexture and runs the four passes above, in that order.
void postProcessFrame();
// blurTextureB to black, so the first frame's tone mapping has a history.
void clearGlowHistory();
// Fills a render texture's level 0 with one byte value (RGBA).
void fillRenderTexture(TextureId texture, int width, int height, uint8_t value);
// For the whole run, true in the game. Clear (korvask-shot --effects off),
// the scenes skip the reflection pass, the glow passes and the particles:
// black reflection and glow images, no dust, flames or smoke.
extern bool effectsEnabled;

// ---------------------------------------------------------------------------
// Particle effects: dust at the wheels, exhaust flames and smoke.

struct ParticleSystem {
    // Per-particle arrays of count entries, set by loadEffect to point into
    // the two owned blocks below (null while count is 0). A system is moved,
    // never copied: a copy's arrays would point into the original's blocks.
    uint8_t* active;  // 1 for every particle, never cleared
    float* life;      // also the particle's alpha
    float* fade;
    float* offsetX;  // relative to the emitter
    float* offsetY;
    float* offsetZ;
    float* velocityX;
    float* velocityY;
    float* velocityZ;
    float* size;
    float* speedFactor;
    int32_t count;      // 0 when the file was missing or unusable
    int32_t blendMode;  // 1 additive, anything else ordinary transparency
    float maxSize;
    float velocityScale[3];
    float fadeScale;
    float gravity[3];   // added to the velocity at each step
    int32_t spread[3];  // range of a new particle's random velocity part
    float spreadOffset[3];
    int32_t fadeRange;
    float fadeDivisor;
    float fadeBase;
    float sizeGrowth;
    float initialSize;
    float factorDecay;
    float level;  // life (alpha) a new particle starts with; the car code sets it
    float colour[3];
    bool enabled;  // while clear, dead particles stay dead
    // What the arrays above point into: the flags, and the ten float arrays
    // one after another.
    std::vector<uint8_t> flagBlock;
    std::vector<float> floatBlock;
};

// The effect file is 24 little-endian words.
constexpr size_t kEffectFileBytes = 96;
// More particles than this in one system is a broken file, not an effect.
constexpr int32_t kMaxParticles = 4096;
// Sub-steps beyond the first on a slow frame, at most.
constexpr int kMaxEffectSubSteps = 5;

// One system of each kind per car, indexed like the race's cars; for the
// whole run.
constexpr int kEffectCars = 4;
// One car's effects for this frame as the car's code left them.
struct EmitterSettings {
    float dustLevel;
    bool dustActive;
    float flameColour[3];
    float flameLevel;
    bool flameActive;
    float smokeLevel;
    bool smokeActive;
};
void setCarEmitters(int car, const EmitterSettings& settings);
extern ParticleSystem dustEmitters[kEffectCars];
extern ParticleSystem flameEmitters[kEffectCars];
extern ParticleSystem smokeEmitters[kEffectCars];

// Reads an effect file into the system and starts every particle dead, so an
// enabled system respawns them all at its first update. A missing, short or
// unusable file leaves the system with no particles.
void loadEffect(ParticleSystem& system, const char* path);
// The same from the file's bytes.
void loadEffectFromBytes(ParticleSystem& system, const uint8_t* data, size_t size);
void releaseEffect(ParticleSystem& system);
// The twelve systems from base/effects (renderer start-up).
void loadEffectSystems();
// Sub-steps updateEffect runs for a frame factor: 1 + min(int(0.4 f), 5).
int effectSubSteps(float frameFactor);
// Advances every particle; (bx, by, bz) is added to a respawned particle's velocity.
void updateEffect(ParticleSystem& system, float frameFactor, float bx, float by, float bz);
// Every particle as a camera-facing quad about emitter + offset.
void drawEffect(const ParticleSystem& system, float x, float y, float z, float eyeX, float eyeY, float eyeZ,
                TextureId texture);
// Camera-facing axes of a billboard at centre seen from eye: r level with the
// ground, u up the screen.
void facingAxes(const double eye[3], const double centre[3], double r[3], double u[3]);

// ---------------------------------------------------------------------------
// Large lit models in chunks (the race map, the garage room): only the chunks
// in view are drawn, nearest first, each lit by the lamps that reach it
// through a copy of the light program that evaluates just those lamps (and no
// paint: these models have neither highlights nor mirror).

// Material of a chunked model for the light program (no specular colour, no
// mirror).
struct SceneShading {
    float ambientColor[4];
    float matAmbient[4];
    float matDiffuse[4];
    float emissive[4];
};
// The race scene's material, shared by the cars' and the map's programs.
extern SceneShading sceneShading;
// Binds the full light program (the one every lamp-lit model without a copy
// of its own is drawn with).
void useLightProgram();
// Gives the bound full light program a material: the shading's colours, no
// specular colour, shininess 0.
void setLightMaterial(const SceneShading& shading);
// Colours the fill light (the last shader light) and gives the bound light
// program the colour.
void setFillLight(const float rgb[3]);
// Sets the fog's colour, keeping the one it replaces for popFogColour.
void pushFogColour(const float rgba[4]);
void popFogColour();
// Off: the race map is drawn whole through the light program (the reference).
extern bool mapChunksEnabled;
// What the last drawChunkedModel did: chunks in all, drawn, and drawn with
// 0..4 lamps.
struct MapChunkStats {
    int chunks;
    int drawn;
    int byLamps[kShaderLights];
    int fogged;     // drawn in the fog's colour alone
    int draws;      // groups drawn: a texture bind and a run of triangles each
    int triangles;  // triangles sent, back faces included
};
extern MapChunkStats mapChunkStats;
// On: when frames are slow (frameFactor at reflectionSlowFrameFactor or
// more), a race redraws the paint's reflection image on every other frame and
// keeps it for the frame between (the garage redraws it on every frame).
extern bool reflectionEveryOtherFrame;
extern float reflectionSlowFrameFactor;

// Compiles the chunks' copies of the light program (0 to 4 lamps); a copy that
// fails is replaced by the full program.
void buildMapLightPrograms();
// Draws a model whose own space is the current light space (updateModelLights
// has run for it) with the given material; the light program is in use
// afterwards. The chunks are built at the model's first draw.
// cullBackFaces: the closed shapes are drawn with their back faces culled
// (the race map); groups of two-sided materials never are.
// bakedLamps: lit by every lamp's light baked into a map of the ground
// instead of the four lamps of the frame (the race map at Low).
void drawChunkedModel(Model* model, const SceneShading& shading, bool cullBackFaces = false,
                      bool bakedLamps = false);
// On: the race map's closed shapes are drawn with back-face culling. Off:
// every face (the reference picture).
extern bool mapBackFaceCulling;
// On: with its lamps baked (one program for every chunk), the race map is
// drawn by groups, each group's triangles of all the chunks in view in one
// draw. Off: chunk by chunk, a draw per group in each (the reference).
extern bool mapMergedDraw;
// Forgets a model's chunks (their lists are deleted), before it is deleted.
void releaseModelChunks(Model* model);

// A building of the map as the visibility sets see it (world units): its
// footprint x0..x1, z0..z1 is closed by walls and a roof and hides what lies
// behind it from below the ground up to top.
struct MapSolid {
    float x0, z0, x1, z1, top;
};
// Reads a map's "solids.txt" (one "x0 z0 x1 z1 top" line a building); false
// with an empty list when the file is missing or any line is not five finite
// numbers within kMaxSolidCoordinate with x0 < x1 and z0 < z1.
constexpr float kMaxSolidCoordinate = 1e6f;
bool loadMapSolids(const char* path, std::vector<MapSolid>* solids);
// Works out which of a chunked model's chunks an eye can see past the
// solids, for eyes within eyeReach of the given eye points (x, z and the
// highest the eye rises there, in threes), one set per chunk's square of
// ground (for the highest eye of the points in it), at the
// model's first draw in chunks; drawChunkedModel then leaves out the others
// while its eye is in that region, and draws every chunk in view while it is
// not. releaseModelChunks forgets them.
void buildChunkVisibility(Model* model, const std::vector<MapSolid>& solids,
                          const std::vector<float>& eyePoints, float eyeReach);
// On: a chunked model with visibility sets draws only the chunks its eye's
// cell can see. Off: every chunk in view (the reference picture).
extern bool mapVisibilityEnabled;
// Whether lamp slot 0..3 can add half an 8-bit step or more anywhere in the
// box lo..hi (model space) on a surface of the given diffuse colour.
bool lampReachesBox(int slot, const float lo[3], const float hi[3], const float diffuse[4]);
// Chunks whose nearest point lies this deep or deeper in the view are drawn
// in the fog's colour alone: under GL_EXP2 fog of this density they differ
// from it by under half an 8-bit step, on a surface no brighter than
// brightest (a channel, 0 to 1 and over).
float fogHiddenDepth(float density, const float fogColour[3], float brightest);
// Off: every chunk goes through its lamps' program, however deep in the fog.
extern bool fogFarChunks;

// ---------------------------------------------------------------------------
// Small lit models (car bodies and wheels), each lit through a copy of the
// light program that evaluates only the lamps reaching its bounds.

// Off: every body and wheel goes through the full light program (the
// reference picture).
extern bool modelLampChoiceEnabled;
// Draws with 0..4 lamps since the stats were last cleared (benchmarks, tests).
struct ModelLampStats {
    int byLamps[kShaderLights];
};
extern ModelLampStats modelLampStats;
// Compiles the cars' copies of the light program (0 to 4 lamps, with and
// without paint) for the current rendering context; a copy that fails is
// replaced by the full program.
void buildModelLightPrograms();
// drawLitModel through the cheapest copy that gives the same picture: the
// lamps reaching the model, polished paint only where mirror (the paint's
// RefInt) is above 0, the given material with no specular colour. Leaves the
// full light program in use with RefInt 0. Without backFaces, the model's
// closed groups are drawn culled (drawModelCulled).
void drawLampLitModel(Model* model, void (*placement)(const void* context), const void* context,
                      const SceneShading& shading, float mirror, bool backFaces = true);
// Drops the cached bounds of a model whose vertices are about to be freed.
void forgetModelBounds(Model* model);
// Whether a sphere (in the space the model-view matrix starts from) reaches
// into the current view volume.
bool sphereInView(const float centre[3], float radius);
// Centre and radius of a sphere around every vertex of the model, in its own
// space; false for an empty model.
bool modelBoundingSphere(const Model* model, float centre[3], float* radius);

// ---------------------------------------------------------------------------
// Scene passes: the state the race and the garage draw their 3-D scenes in.

// A cleared colour and depth buffer and an identity view.
void clearFrame();
// The frame drawn so far (what the game draws into, before the swap) as RGB
// rows, top row first; false when GL reports an error reading it.
bool readFrameRgb(std::vector<uint8_t>* rgb, int width, int height);
// Light 1's position (x, y, z, w) for the fixed-function drawing, in the
// current view.
void placeFixedLight(const float position[4]);
// Lit geometry: blending, fixed-function lighting and fog off, white, the
// light program in use.
void beginLitScene();
// Back to fixed-function drawing, no program in use.
void endLitScene();
// The unlit passes after it (sky, effects, sprites): white, textured, no
// fixed-function lighting, no fog.
void beginUnlitScene();
// The night haze on or off for what is drawn next.
void setSceneFog(bool on);
// The model matrix taken as the identity for the lamp selection, for models
// whose light space is the world's (the map, the garage room).
void placeModelLightsInWorld();
// The race's map through the light program: in chunks when mapChunksEnabled
// (back faces culled per mapBackFaceCulling), else whole, after a depth-only
// pass when depthPrepass is set.
void drawSceneMap(Model* map, bool depthPrepass);

// Camera-facing sprites added to the frame without writing depth (the
// checkpoint marker): endGlowSprites puts back culling, depth writes and
// white, and turns blending off.
void beginGlowSprites();
void endGlowSprites();
// One sprite at centre facing cameraEye, halfSize along each world axis,
// tinted by rgba.
void drawFacingSprite(TextureId texture, const double centre[3], const double halfSize[3],
                      const float rgba[4]);

// ---------------------------------------------------------------------------
// Cars: body and wheels lamp-lit like the scene, the body with its paint's
// reflection in the second texture unit.

// Where a wheel is drawn in its car's frame.
struct WheelPose {
    float x, y, z;
    float steerDegrees;  // about the car's up axis; 0 leaves it straight
    float spinDegrees;   // about the axle
    bool mirrored;       // turned over about x, so one model serves both sides
};
constexpr int kCarWheelPoses = 4;

// A race car placed by bodyMatrix (OpenGL order), its body raised by
// bodyRaise: the wheels (when wheel is not null), then the body (when body is
// not null), with sceneShading.
void drawRaceCarModel(Model* body, Model* wheel, const float bodyMatrix[16], float bodyRaise,
                      const WheelPose wheels[kCarWheelPoses]);

// ---------------------------------------------------------------------------
// The race's frame, described by the race and drawn in one call: the scaled
// 3-D scene (lit cars and map, then the ghost, sky, effects, marker and lamp
// sprites), the glow passes over the full frame, then the HUD.

// A race car as the race poses it: drawn as by drawRaceCarModel. With cull
// set it is left out when the sphere around all its parts (centre in world
// space, radius) is wholly out of view.
struct RaceCarPicture {
    Model* body = nullptr;
    Model* wheel = nullptr;
    float bodyMatrix[16] = {};
    float bodyRaise = 0.0f;
    WheelPose wheels[kCarWheelPoses] = {};
    bool cull = false;
    float boundsCentre[3] = {};
    float boundsRadius = 0.0f;
};
constexpr int kRaceFrameCars = 4;

// The ghost car through drawGhostModel: its body, then its four wheels, each
// placed by its own matrix and all tinted alike.
struct GhostPicture {
    bool shown = false;
    Model* body = nullptr;
    Model* wheel = nullptr;
    float bodyMatrix[16] = {};
    float wheelMatrices[kCarWheelPoses][16] = {};
    float tint[4] = {};
};

// The next checkpoint's marker as a glow sprite facing the eye.
struct MarkerPicture {
    bool shown = false;
    TextureId texture = 0;
    double centre[3] = {};
    double halfSize[3] = {};
    float colour[4] = {};
};

struct RaceFrame {
    SceneView view;
    // Paused, the pause's own light and fog stay; otherwise the night's fill
    // light and haze hold for this frame.
    bool paused = false;
    float fillLight[3] = {};
    float haze[4] = {};
    Model* map = nullptr;
    bool mapDepthPrepass = false;
    RaceCarPicture cars[kRaceFrameCars];
    int carCount = 0;
    GhostPicture ghost;
    // The cars' dust, flames and smoke, moved on and drawn in the haze.
    void (*drawEffects)() = nullptr;
    MarkerPicture marker;
    // The 2-D HUD over the finished picture.
    void (*drawHud)() = nullptr;
    // The view's own eyes (setCameraEye, setShadingView), put in force before
    // its scene when set: each view of a split frame is lit and faces its
    // sprites from its own camera.
    bool eyesGiven = false;
    Vector3 cameraEye;
    Vector3 shadingEye;
    Vector3 shadingViewDir;
};
void drawRaceFrame(const RaceFrame& frame);
// Several views in one frame (a split screen): each scene in its own
// viewport, then one glow pass over the whole window, then each frame's
// drawHud where it has one. Up to kMaxRaceViews views.
constexpr int kMaxRaceViews = 4;
void drawRaceFrames(const RaceFrame* frames, int count);

// The garage's turning view: moved by offset, tilted about x, turned about y.
struct GarageView {
    float offset[3];
    float tiltDegrees;
    float turnDegrees;
};
// The car's body at the room's origin; the room in chunks, lit in its own
// space; the car's wheels at their places (steer and spin unused).
void drawGarageCarBody(Model* body, const GarageView& view, const SceneShading& shading);
void drawGarageRoom(Model* room, const GarageView& view, const SceneShading& shading);
void drawGarageCarWheels(Model* wheel, const GarageView& view, const WheelPose wheels[kCarWheelPoses],
                         const SceneShading& shading);

// ---------------------------------------------------------------------------
// Large overlay images (HUD bars and gauges, menu plates) drawn in tiles,
// leaving out the tiles where the image leaves the frame as it is.

// How the image is blended over the frame; the caller sets the blend function.
// OverlayMaskedAdd: a mask in alpha multiplies the frame, the colour is added.
enum OverlayBlend { OverlayMultiply, OverlayAdd, OverlayAlpha, OverlayMaskedAdd };
// What the overlay's large images save; each off gives the reference
// picture for comparisons.
struct OverlaySavings {
    // Off: each image is one quad.
    bool tiles = true;
    // Off: masked images always take their two passes.
    bool onePassMasks = true;
    // Off: images are filtered at every draw instead of drawn from the
    // picture made at their place on screen.
    bool screenImages = true;
};
extern OverlaySavings overlaySavings;
// One image holding a grey mask in its alpha and a face in its colour, on
// the same mipmap levels, so drawMaskedImage needs one pass; made at the
// pair's first draw and kept until forgetOverlayTiles. 0 when the mask is
// tinted or the two images differ in size.
TextureId maskedFaceImage(TextureId mask, TextureId face);
// The image over x0,y0 - x1,y1 in overlay units, texture 0..1 across it, up
// to the fraction tLimit of its height; binds the texture, or the picture
// made of it where it was drawn before in white and upright (see
// OverlaySavings::screenImages). The tiles an image needs are found from its
// texels at its first draw at each size on screen.
void drawOverlayImage(TextureId texture, OverlayBlend blend, float x0, float y0, float x1, float y1,
                      float tLimit = 1.0f);
// Forgets the tiles and pictures found so far, before the images' textures
// are replaced.
void forgetOverlayTiles();

// ---------------------------------------------------------------------------
// Graphics presets. High draws every pass in full; Medium and Low cheapen or
// drop passes for machines that render in software. Setting::Graphics
// holds 0 Low, 1 Medium, 2 High or 3 Auto (the default), which
// takes the highest preset that Auto's measure of the first menu frames
// expects to keep a race above 30 frames a second.

enum GraphicsPresetName { GraphicsLow, GraphicsMedium, GraphicsHigh, GraphicsAuto };
constexpr int kGraphicsPresetCount = 3;

// What the passes read each frame.
struct GraphicsSwitches {
    float renderScale;       // the race's 3-D scene at this fraction of the resolution, scaled up
    int reflectionInterval;  // 0: no mirror in the paint; n: the race redraws it every n-th frame
    int glowSize;            // side of the glow images (256 or 128); 0: no glow
    int particleStride;      // every n-th particle is drawn
    float drawDistance;      // map chunks beyond this depth are left out; 0: none
    float fogDensity;        // GL_EXP2 density of the night haze
    bool bakedLamps;         // the race map lit by every lamp's light baked into a ground map
    bool carPaint;           // the cars' polished paint: lamp highlights and the mirror
    bool carBackFaces;       // the cars' closed shells drawn with their back faces
    // The race draws each car's coarse body and wheels (car_low.ms3d,
    // wheel_low.ms3d), loaded by a race that starts with this set; the
    // garage always shows the full ones.
    bool coarseCarModels;
};
extern const GraphicsSwitches kGraphicsPresets[kGraphicsPresetCount];
// The switches of the preset in force.
const GraphicsSwitches& graphicsSwitchesInForce();

// Puts a preset's switches (and fog) in force at once.
void applyGraphicsPreset(int preset);
// Setting::Graphics, 0..3.
int graphicsSetting();
// Applies Setting::Graphics: the options screen's row calls it when it
// changes, and each race load calls it.
void applyGraphicsSetting();
// Auto's rule: the highest preset whose race frame, predicted from the median
// menu frame time on this machine, stays within 1/30 s.
int chooseAutoPreset(const float* menuFrameMs, int count);
// The frame dispatcher hands over each menu frame's time until Auto has chosen.
void noteMenuFrameTime(float frameMs);
// Auto is still timing the menu frames (they are drawn at High meanwhile).
bool autoMeasuring();

// The race's 3-D scene at graphicsSwitches.renderScale: beginScaledScene
// narrows the viewport to the scaled size; endScaledScene stretches that
// picture over the whole frame, before the glow and the HUD, which keep the
// full resolution. Both do nothing at scale 1.
void beginScaledScene();
void endScaledScene();
// The scaled scene's size in pixels for a frame of width x height.
void scaledSceneSize(int width, int height, float scale, int* outWidth, int* outHeight);
