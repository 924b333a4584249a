// The extension entry points behind render/gl.h, null until initRenderer, and
// the framebuffer objects' entry points, fetched when first asked for.
#include "platform/platform.h"
#include "render/gl.h"
#include "render/render.h"
#include "render/render_local.h"

PFNGLMULTITEXCOORD1FARBPROC korvaskMultiTexCoord1fARB;
PFNGLMULTITEXCOORD2FARBPROC korvaskMultiTexCoord2fARB;
PFNGLMULTITEXCOORD3FARBPROC korvaskMultiTexCoord3fARB;
PFNGLMULTITEXCOORD4FARBPROC korvaskMultiTexCoord4fARB;
PFNGLACTIVETEXTUREARBPROC korvaskActiveTextureARB;
PFNGLCLIENTACTIVETEXTUREARBPROC korvaskClientActiveTextureARB;

PFNGLCREATEPROGRAMOBJECTARBPROC korvaskCreateProgramObjectARB;
PFNGLCREATESHADEROBJECTARBPROC korvaskCreateShaderObjectARB;
PFNGLCOMPILESHADERARBPROC korvaskCompileShaderARB;
PFNGLLINKPROGRAMARBPROC korvaskLinkProgramARB;
PFNGLGETINFOLOGARBPROC korvaskGetInfoLogARB;
PFNGLDELETEOBJECTARBPROC korvaskDeleteObjectARB;
PFNGLUSEPROGRAMOBJECTARBPROC korvaskUseProgramObjectARB;
PFNGLSHADERSOURCEARBPROC korvaskShaderSourceARB;
PFNGLATTACHOBJECTARBPROC korvaskAttachObjectARB;
PFNGLGETOBJECTPARAMETERIVARBPROC korvaskGetObjectParameterivARB;
PFNGLGETUNIFORMLOCATIONARBPROC korvaskGetUniformLocationARB;
PFNGLUNIFORM4FARBPROC korvaskUniform4fARB;
PFNGLUNIFORM3FARBPROC korvaskUniform3fARB;
PFNGLUNIFORM2FARBPROC korvaskUniform2fARB;
PFNGLUNIFORM1FARBPROC korvaskUniform1fARB;
PFNGLUNIFORM1IARBPROC korvaskUniform1iARB;
PFNGLUNIFORMMATRIX4FVARBPROC korvaskUniformMatrix4fvARB;

namespace {

template <typename T>
bool fetchCall(T* call, const char* name) {
    *call = reinterpret_cast<T>(platformGetProcAddress(name));
    return *call != nullptr;
}

}  // namespace

const FramebufferCalls* framebufferCalls() {
    static FramebufferCalls calls;
    static int known = 0;  // 1 present, -1 absent
    if (known == 0) {
        const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
        const bool listed =
            extensions != nullptr && hasExtensionName(extensions, "GL_ARB_framebuffer_object");
        known = listed && fetchCall(&calls.gen, "glGenFramebuffers") &&
                        fetchCall(&calls.bind, "glBindFramebuffer") &&
                        fetchCall(&calls.attach, "glFramebufferRenderbuffer") &&
                        fetchCall(&calls.status, "glCheckFramebufferStatus") &&
                        fetchCall(&calls.release, "glDeleteFramebuffers") &&
                        fetchCall(&calls.genBuffer, "glGenRenderbuffers") &&
                        fetchCall(&calls.bindBuffer, "glBindRenderbuffer") &&
                        fetchCall(&calls.storage, "glRenderbufferStorage") &&
                        fetchCall(&calls.releaseBuffer, "glDeleteRenderbuffers")
                    ? 1
                    : -1;
    }
    return known > 0 ? &calls : nullptr;
}
