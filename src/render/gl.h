// The one way into OpenGL and GLU, for the renderer and the platform code.
// Extension entry points are fetched at start-up through the platform layer.
#pragma once

// No extension prototypes: the ARB entry points below are pointers filled by
// initRenderer, and their usual names are macros for those pointers, so the
// drawing code calls them by the names it would use anywhere else.
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

// Multitexture (valid while multitextureAvailable).
extern PFNGLMULTITEXCOORD1FARBPROC korvaskMultiTexCoord1fARB;
extern PFNGLMULTITEXCOORD2FARBPROC korvaskMultiTexCoord2fARB;
extern PFNGLMULTITEXCOORD3FARBPROC korvaskMultiTexCoord3fARB;
extern PFNGLMULTITEXCOORD4FARBPROC korvaskMultiTexCoord4fARB;
extern PFNGLACTIVETEXTUREARBPROC korvaskActiveTextureARB;
extern PFNGLCLIENTACTIVETEXTUREARBPROC korvaskClientActiveTextureARB;

// Shader objects (valid once initRenderer has succeeded).
extern PFNGLCREATEPROGRAMOBJECTARBPROC korvaskCreateProgramObjectARB;
extern PFNGLCREATESHADEROBJECTARBPROC korvaskCreateShaderObjectARB;
extern PFNGLCOMPILESHADERARBPROC korvaskCompileShaderARB;
extern PFNGLLINKPROGRAMARBPROC korvaskLinkProgramARB;
extern PFNGLGETINFOLOGARBPROC korvaskGetInfoLogARB;
extern PFNGLDELETEOBJECTARBPROC korvaskDeleteObjectARB;
extern PFNGLUSEPROGRAMOBJECTARBPROC korvaskUseProgramObjectARB;
extern PFNGLSHADERSOURCEARBPROC korvaskShaderSourceARB;
extern PFNGLATTACHOBJECTARBPROC korvaskAttachObjectARB;
extern PFNGLGETOBJECTPARAMETERIVARBPROC korvaskGetObjectParameterivARB;
extern PFNGLGETUNIFORMLOCATIONARBPROC korvaskGetUniformLocationARB;
extern PFNGLUNIFORM4FARBPROC korvaskUniform4fARB;
extern PFNGLUNIFORM3FARBPROC korvaskUniform3fARB;
extern PFNGLUNIFORM2FARBPROC korvaskUniform2fARB;
extern PFNGLUNIFORM1FARBPROC korvaskUniform1fARB;
extern PFNGLUNIFORM1IARBPROC korvaskUniform1iARB;
extern PFNGLUNIFORMMATRIX4FVARBPROC korvaskUniformMatrix4fvARB;

#define glMultiTexCoord1fARB korvaskMultiTexCoord1fARB
#define glMultiTexCoord2fARB korvaskMultiTexCoord2fARB
#define glMultiTexCoord3fARB korvaskMultiTexCoord3fARB
#define glMultiTexCoord4fARB korvaskMultiTexCoord4fARB
#define glActiveTextureARB korvaskActiveTextureARB
#define glClientActiveTextureARB korvaskClientActiveTextureARB
#define glCreateProgramObjectARB korvaskCreateProgramObjectARB
#define glCreateShaderObjectARB korvaskCreateShaderObjectARB
#define glCompileShaderARB korvaskCompileShaderARB
#define glLinkProgramARB korvaskLinkProgramARB
#define glGetInfoLogARB korvaskGetInfoLogARB
#define glDeleteObjectARB korvaskDeleteObjectARB
#define glUseProgramObjectARB korvaskUseProgramObjectARB
#define glShaderSourceARB korvaskShaderSourceARB
#define glAttachObjectARB korvaskAttachObjectARB
#define glGetObjectParameterivARB korvaskGetObjectParameterivARB
#define glGetUniformLocationARB korvaskGetUniformLocationARB
#define glUniform4fARB korvaskUniform4fARB
#define glUniform3fARB korvaskUniform3fARB
#define glUniform2fARB korvaskUniform2fARB
#define glUniform1fARB korvaskUniform1fARB
#define glUniform1iARB korvaskUniform1iARB
#define glUniformMatrix4fvARB korvaskUniformMatrix4fvARB
