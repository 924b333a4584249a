// The light program's copies: building one from the shader files with a few
// defines in front (one path for every program the renderer builds, which
// reports what the driver says when a stage fails), and feeding a copy its
// shading and the lamps that reach what it draws.
#include <cstdio>
#include <cstdlib>

#include "render/gl.h"
#include "render/render.h"
#include "render/render_local.h"

void uniform4(GLint location, const float v[4]) {
    glUniform4fARB(location, v[0], v[1], v[2], v[3]);
}

ShaderStage compileShaderStage(GLenum kind, const char* defines, const char* path) {
    ShaderStage stage{0, false};
    char* text = readShaderSource(path);
    if (text == nullptr) {
        std::fprintf(stderr, "korvask: cannot read %s\n", path);
        return stage;
    }
    stage.shader = glCreateShaderObjectARB(kind);
    const GLcharARB* sources[2] = {defines, text};
    glShaderSourceARB(stage.shader, 2, sources, nullptr);
    glCompileShaderARB(stage.shader);
    std::free(text);
    GLint compiled = 0;
    glGetObjectParameterivARB(stage.shader, GL_OBJECT_COMPILE_STATUS_ARB, &compiled);
    stage.compiled = compiled != 0;
    if (!stage.compiled) {
        char log[1024];
        GLsizei length = 0;
        glGetInfoLogARB(stage.shader, static_cast<GLsizei>(sizeof log) - 1, &length, log);
        log[length > 0 && length < static_cast<GLsizei>(sizeof log) ? length : 0] = '\0';
        std::fprintf(stderr, "korvask: %s%s does not compile:\n%s\n", defines[0] ? "a copy of " : "", path,
                     log);
    }
    return stage;
}

bool linkShaderProgram(GLhandleARB program, char* log, int logSize) {
    glLinkProgramARB(program);
    GLint linked = 0;
    glGetObjectParameterivARB(program, GL_OBJECT_LINK_STATUS_ARB, &linked);
    if (linked) return true;
    if (log != nullptr && logSize > 0) {
        GLsizei length = 0;
        glGetInfoLogARB(program, logSize - 1, &length, log);
        log[length >= 0 && length < logSize ? length : 0] = '\0';
    }
    return false;
}

bool buildLampProgram(LampProgram& p, const char* defines) {
    p = LampProgram();
    ShaderStage vs = compileShaderStage(GL_VERTEX_SHADER_ARB, defines, "base/shaders/LightVS.glsl");
    ShaderStage fs = compileShaderStage(GL_FRAGMENT_SHADER_ARB, defines, "base/shaders/LightPS.glsl");
    if (!vs.compiled || !fs.compiled) {
        if (vs.shader != 0) glDeleteObjectARB(vs.shader);
        if (fs.shader != 0) glDeleteObjectARB(fs.shader);
        return false;
    }
    p.program = glCreateProgramObjectARB();
    glAttachObjectARB(p.program, vs.shader);
    glAttachObjectARB(p.program, fs.shader);
    char log[1024];
    const bool linked = linkShaderProgram(p.program, log, static_cast<int>(sizeof log));
    glDeleteObjectARB(vs.shader);
    glDeleteObjectARB(fs.shader);
    if (!linked) {
        std::fprintf(stderr, "korvask: a copy of the light program (%s) does not link:\n%s\n", defines, log);
        glDeleteObjectARB(p.program);
        p.program = 0;
        return false;
    }
    static const char* const kPos[kShaderLights] = {"lightPos", "light2Pos", "light3Pos", "light4Pos",
                                                    "light5Pos"};
    static const char* const kOri[kShaderLights - 1] = {"lightOri", "light2Ori", "light3Ori", "light4Ori"};
    static const char* const kColour[kShaderLights] = {"lightColor", "light2Color", "light3Color",
                                                       "light4Color", "light5Color"};
    static const char* const kFocus[kShaderLights - 1] = {"lightFocus", "light2Focus", "light3Focus",
                                                          "light4Focus"};
    for (int i = 0; i < kShaderLights; i++) {
        p.pos[i] = glGetUniformLocationARB(p.program, kPos[i]);
        p.colour[i] = glGetUniformLocationARB(p.program, kColour[i]);
    }
    for (int i = 0; i < kShaderLights - 1; i++) {
        p.ori[i] = glGetUniformLocationARB(p.program, kOri[i]);
        p.focus[i] = glGetUniformLocationARB(p.program, kFocus[i]);
    }
    p.ambientColor = glGetUniformLocationARB(p.program, "ambientColor");
    p.matAmbient = glGetUniformLocationARB(p.program, "matAmbient");
    p.matDiffuse = glGetUniformLocationARB(p.program, "matDiffuse");
    p.matSpecular = glGetUniformLocationARB(p.program, "matSpecular");
    p.emissive = glGetUniformLocationARB(p.program, "emissive");
    p.shininess = glGetUniformLocationARB(p.program, "shininess");
    p.cameraOri = glGetUniformLocationARB(p.program, "cameraOri");
    p.cameraPos = glGetUniformLocationARB(p.program, "cameraPos");
    p.decal = glGetUniformLocationARB(p.program, "decal");
    p.decal2 = glGetUniformLocationARB(p.program, "decal2");
    p.refInt = glGetUniformLocationARB(p.program, "RefInt");
    return true;
}

void uploadLampShading(const LampProgram& p, const SceneShading& shading, float mirror) {
    uniform4(p.ambientColor, shading.ambientColor);
    uniform4(p.matAmbient, shading.matAmbient);
    uniform4(p.matDiffuse, shading.matDiffuse);
    glUniform4fARB(p.matSpecular, 0.0f, 0.0f, 0.0f, 1.0f);
    uniform4(p.emissive, shading.emissive);
    glUniform1fARB(p.shininess, 0.0f);
    glUniform1fARB(p.refInt, mirror);
    glUniform1iARB(p.decal, 0);
    glUniform1iARB(p.decal2, 1);
    glUniform3fARB(p.cameraOri, modelCameraPosition[0], modelCameraPosition[1], modelCameraPosition[2]);
    glUniform3fARB(p.cameraPos, 0.0f, 0.0f, 0.0f);
    const ShaderLight& fill = shaderLights[kShaderLights - 1];
    const float* f = modelLightPositions[kShaderLights - 1];
    glUniform4fARB(p.pos[kShaderLights - 1], f[0], f[1], f[2], 1.0f);
    glUniform4fARB(p.colour[kShaderLights - 1], fill.colour[0], fill.colour[1], fill.colour[2], 1.0f);
}

void uploadReachingLamps(const LampProgram& p, const int* slots, int count) {
    for (int k = 0; k < count; k++) {
        const int slot = slots[k];
        const ShaderLight& light = shaderLights[slot];
        const float* pos = modelLightPositions[slot];
        const float* dir = modelLightDirections[slot];
        glUniform4fARB(p.pos[k], pos[0], pos[1], pos[2], 1.0f);
        glUniform3fARB(p.ori[k], dir[0], dir[1], dir[2]);
        glUniform4fARB(p.colour[k], light.colour[0], light.colour[1], light.colour[2], 1.0f);
        glUniform1iARB(p.focus[k], light.focus);
    }
}

int lampsReachingBox(const float lo[3], const float hi[3], const float scale[4],
                     int slots[kShaderLights - 1]) {
    int n = 0;
    for (int slot = 0; slot < kShaderLights - 1; slot++)
        if (lampReachesBox(slot, lo, hi, scale)) slots[n++] = slot;
    return n;
}
