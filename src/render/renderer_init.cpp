// Renderer start-up: the fixed-function state the game assumes, extensions,
// render textures, the start-up textures and fonts, and the GLSL programs.
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "render/gl.h"
#include "render/render.h"
#include "render/render_local.h"
#include "state/state.h"

bool multitextureAvailable;
int maxTextureUnits;
GLuint screenTexture;
GLuint blurTextureA;
GLuint blurTextureB;
GLuint reflectionTexture;
GLuint whiteTexture;
GLhandleARB lightProgram;
GLhandleARB blurProgram;
GLhandleARB hdrProgram;

GLint lightPosUniform[kShaderLights];
GLint lightOriUniform[kShaderLights - 1];
GLint lightColorUniform[kShaderLights];
GLint lightFocusUniform[kShaderLights - 1];
GLint ambientColorUniform;
GLint matAmbientUniform;
GLint matDiffuseUniform;
GLint matSpecularUniform;
GLint emissiveUniform;
GLint shininessUniform;
GLint cameraOriUniform;
GLint lightDecalUniform;
GLint lightDecal2Uniform;
GLint refIntUniform;
GLint blurTexOffsetUniform;
GLint blurDecalUniform;
GLint hdrExposureUniform;
GLint hdrGammaUniform;
GLint hdrDecalUniform;
GLint hdrDecal2Uniform;

namespace {

// The reflection pass renders a fixed square whatever the screen size.
constexpr int kReflectionSize = 256;

template <typename Function>
bool fetch(Function* function, const char* name, void* (*resolve)(const char*)) {
    *function = reinterpret_cast<Function>(resolve(name));
    return *function != nullptr;
}

// Both multitexture extensions, as whole names; then the unit count and the
// six entry points. The outcome never stops start-up.
void checkMultitexture() {
    multitextureAvailable = false;
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!extensions || !hasExtensionName(extensions, "GL_ARB_multitexture") ||
        !hasExtensionName(extensions, "GL_EXT_texture_env_combine"))
        return;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &maxTextureUnits);
    void* (*resolve)(const char*) = platformGetProcAddress;
    bool found = fetch(&glMultiTexCoord1fARB, "glMultiTexCoord1fARB", resolve);
    found &= fetch(&glMultiTexCoord2fARB, "glMultiTexCoord2fARB", resolve);
    found &= fetch(&glMultiTexCoord3fARB, "glMultiTexCoord3fARB", resolve);
    found &= fetch(&glMultiTexCoord4fARB, "glMultiTexCoord4fARB", resolve);
    found &= fetch(&glActiveTextureARB, "glActiveTextureARB", resolve);
    found &= fetch(&glClientActiveTextureARB, "glClientActiveTextureARB", resolve);
    // The drawing code calls these without asking: claim the extension only
    // when every one of them is really there.
    multitextureAvailable = found;
}

void setFixedFunctionDefaults() {
    glColor4f(1.0f, 1.0f, 1.0f, 0.0f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

    // Light 1: a high white light over the scene for the fixed-function
    // drawing; GL_LIGHTING itself is switched by the drawing code.
    const GLfloat ambient[] = {0.15f, 0.15f, 0.2f, 1.0f};
    const GLfloat diffuse[] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat specular[] = {0.0f, 0.0f, 0.0f, 0.0f};
    const GLfloat position[] = {200.0f, 600.0f, 0.0f, 1.0f};
    glLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT1, GL_SPECULAR, specular);
    glLightfv(GL_LIGHT1, GL_POSITION, position);
    glEnable(GL_LIGHT1);

    // Each selection replaces the one before: specular is the one in effect.
    glColorMaterial(GL_FRONT_AND_BACK, GL_DIFFUSE);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT);
    glColorMaterial(GL_FRONT_AND_BACK, GL_EMISSION);
    glColorMaterial(GL_FRONT_AND_BACK, GL_SPECULAR);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_NORMALIZE);

    // No waiting for the retrace; a driver that refuses is harmless.
    platformSwapInterval(0);

    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);

    // Night haze: about 150 units are visible at density 0.012. Start and
    // end only matter to linear fog and are set for completeness.
    const GLfloat fogColour[] = {0.07f, 0.07f, 0.07f, 0.55f};
    glFogi(GL_FOG_MODE, GL_EXP2);
    glFogfv(GL_FOG_COLOR, fogColour);
    glFogf(GL_FOG_DENSITY, 0.012f);
    glFogf(GL_FOG_START, 20.0f);
    glFogf(GL_FOG_END, 250.0f);
    glHint(GL_FOG_HINT, GL_DONT_CARE);
    glEnable(GL_FOG);

    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
}

GLuint createRenderTexture(int width, int height) {
    GLuint texture;
    glGenTextures(1, &texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    return texture;
}

void createRenderTextures() {
    abandonScaledScene();
    screenTexture = createRenderTexture(options.windowWidth, options.windowHeight);
    blurTextureA = createRenderTexture(options.blurWidth, options.blurHeight);
    blurTextureB = createRenderTexture(options.blurWidth, options.blurHeight);
    reflectionTexture = createRenderTexture(kReflectionSize, kReflectionSize);

    const uint8_t white[4] = {255, 255, 255, 255};
    glGenTextures(1, &whiteTexture);
    glBindTexture(GL_TEXTURE_2D, whiteTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
    glBindTexture(GL_TEXTURE_2D, 0);
}

// Compiles one stage and attaches it. A compile error shows up as the link
// failure that follows, with the driver's log.
bool attachShader(GLhandleARB program, GLenum kind, const char* path) {
    const ShaderStage stage = compileShaderStage(kind, "", path);
    if (stage.shader == 0) return false;
    glAttachObjectARB(program, stage.shader);
    return true;
}

bool buildProgram(GLhandleARB* program, const char* vertexPath, const char* fragmentPath) {
    *program = glCreateProgramObjectARB();
    if (!attachShader(*program, GL_VERTEX_SHADER_ARB, vertexPath)) return false;
    if (!attachShader(*program, GL_FRAGMENT_SHADER_ARB, fragmentPath)) return false;
    constexpr int kLogChars = 4096;
    char log[kLogChars + 1];
    if (!linkShaderProgram(*program, log, static_cast<int>(sizeof log))) {
        platformMessageBox(log, "Error linking shaders...", MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

struct UniformBinding {
    const char* name;
    GLint* location;
};

const UniformBinding kLightUniforms[] = {
    {"lightPos", &lightPosUniform[0]},      {"light2Pos", &lightPosUniform[1]},
    {"light3Pos", &lightPosUniform[2]},     {"light4Pos", &lightPosUniform[3]},
    {"light5Pos", &lightPosUniform[4]},     {"lightOri", &lightOriUniform[0]},
    {"light2Ori", &lightOriUniform[1]},     {"light3Ori", &lightOriUniform[2]},
    {"light4Ori", &lightOriUniform[3]},     {"lightColor", &lightColorUniform[0]},
    {"light2Color", &lightColorUniform[1]}, {"light3Color", &lightColorUniform[2]},
    {"light4Color", &lightColorUniform[3]}, {"light5Color", &lightColorUniform[4]},
    {"lightFocus", &lightFocusUniform[0]},  {"light2Focus", &lightFocusUniform[1]},
    {"light3Focus", &lightFocusUniform[2]}, {"light4Focus", &lightFocusUniform[3]},
    {"ambientColor", &ambientColorUniform}, {"matAmbient", &matAmbientUniform},
    {"matDiffuse", &matDiffuseUniform},     {"matSpecular", &matSpecularUniform},
    {"emissive", &emissiveUniform},         {"shininess", &shininessUniform},
    {"cameraOri", &cameraOriUniform},       {"decal", &lightDecalUniform},
    {"decal2", &lightDecal2Uniform},        {"RefInt", &refIntUniform},
};
static_assert(sizeof kLightUniforms / sizeof kLightUniforms[0] == 28, "every light program uniform");
const UniformBinding kBlurUniforms[] = {{"texOffset", &blurTexOffsetUniform}, {"decal", &blurDecalUniform}};
const UniformBinding kHdrUniforms[] = {{"exposure", &hdrExposureUniform},
                                       {"gamma", &hdrGammaUniform},
                                       {"decal", &hdrDecalUniform},
                                       {"decal2", &hdrDecal2Uniform}};

template <size_t N>
void lookUpUniforms(GLhandleARB program, const UniformBinding (&bindings)[N]) {
    for (const UniformBinding& binding : bindings)
        *binding.location = glGetUniformLocationARB(program, binding.name);
}

}  // namespace

bool hasExtensionName(const char* extensions, const char* name) {
    size_t length = std::strlen(name);
    if (length == 0) return false;
    // Walk the list name by name; no copy, since the list is thousands of
    // characters long on current drivers.
    const char* p = extensions;
    while (*p) {
        while (*p == ' ') p++;
        const char* end = p;
        while (*end && *end != ' ') end++;
        if (static_cast<size_t>(end - p) == length && std::strncmp(p, name, length) == 0) return true;
        p = end;
    }
    return false;
}

char* readShaderSource(const char* path) {
    std::vector<uint8_t> bytes;
    if (!platformReadFile(path, &bytes)) return nullptr;
    // The text may have lines of any length; the caller frees it.
    char* text = static_cast<char*>(std::malloc(bytes.size() + 1));
    if (text == nullptr) return nullptr;
    if (!bytes.empty()) std::memcpy(text, bytes.data(), bytes.size());
    text[bytes.size()] = '\0';
    return text;
}

bool loadShaderEntryPoints(void* (*resolve)(const char*)) {
    bool found = fetch(&glCreateProgramObjectARB, "glCreateProgramObjectARB", resolve);
    found &= fetch(&glCreateShaderObjectARB, "glCreateShaderObjectARB", resolve);
    found &= fetch(&glCompileShaderARB, "glCompileShaderARB", resolve);
    found &= fetch(&glLinkProgramARB, "glLinkProgramARB", resolve);
    found &= fetch(&glGetInfoLogARB, "glGetInfoLogARB", resolve);
    found &= fetch(&glDeleteObjectARB, "glDeleteObjectARB", resolve);
    found &= fetch(&glUseProgramObjectARB, "glUseProgramObjectARB", resolve);
    found &= fetch(&glShaderSourceARB, "glShaderSourceARB", resolve);
    found &= fetch(&glAttachObjectARB, "glAttachObjectARB", resolve);
    found &= fetch(&glGetObjectParameterivARB, "glGetObjectParameterivARB", resolve);
    found &= fetch(&glGetUniformLocationARB, "glGetUniformLocationARB", resolve);
    found &= fetch(&glUniform4fARB, "glUniform4fARB", resolve);
    found &= fetch(&glUniform3fARB, "glUniform3fARB", resolve);
    found &= fetch(&glUniform2fARB, "glUniform2fARB", resolve);
    found &= fetch(&glUniform1fARB, "glUniform1fARB", resolve);
    found &= fetch(&glUniform1iARB, "glUniform1iARB", resolve);
    found &= fetch(&glUniformMatrix4fvARB, "glUniformMatrix4fvARB", resolve);
    return found;
}

bool initRenderer() {
    checkMultitexture();
    loadTgaTextures();
    setFixedFunctionDefaults();

    loadStartTextures();
    buildSmallFont();
    buildLargeFont();

    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    createRenderTextures();

    clearGlowHistory();
    loadEffectSystems();

    // The game has no path without GLSL.
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!extensions || !std::strstr(extensions, "GL_ARB_shading_language_100") ||
        !std::strstr(extensions, "GL_ARB_shader_objects"))
        return false;
    if (!loadShaderEntryPoints(platformGetProcAddress)) return false;

    if (!buildProgram(&lightProgram, "base/shaders/LightVS.glsl", "base/shaders/LightPS.glsl")) return false;
    lookUpUniforms(lightProgram, kLightUniforms);
    buildMapLightPrograms();
    buildModelLightPrograms();
    if (!buildProgram(&blurProgram, "base/shaders/BlurVS.glsl", "base/shaders/BlurPS.glsl")) return false;
    lookUpUniforms(blurProgram, kBlurUniforms);
    if (!buildProgram(&hdrProgram, "base/shaders/HDRVS.glsl", "base/shaders/HDRPS.glsl")) return false;
    lookUpUniforms(hdrProgram, kHdrUniforms);
    return true;
}
