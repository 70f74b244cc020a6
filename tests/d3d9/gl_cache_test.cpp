// The GL state cache: redundant calls are skipped and counted, forgotten
// names are bound again, force-all and invalidation reach GL every time.
#include "d3d9_fixture.h"

#include "d3d9/gl_cache.h"

using namespace d3d9test;
using qrn::d3d9::GlCache;

TEST_F(D3D9Test, GlCacheSkipsWhatChangesNothing)
{
    MakeWindowedDevice();  // for a current GL context
    GlCache gl;
    gl.Reset();
    const auto start = gl.TotalCounters();
    gl.Blend(true);
    gl.Blend(true);
    gl.DepthFunc(GL_LEQUAL);
    gl.DepthFunc(GL_LEQUAL);
    gl.Viewport(0, 0, 10, 10);
    gl.Viewport(0, 0, 10, 10);
    auto c = gl.TotalCounters();
    EXPECT_EQ(c.stateCalls - start.stateCalls, 3u);
    EXPECT_EQ(c.skippedCalls - start.skippedCalls, 3u);
    GLboolean on = GL_FALSE;
    glGetBooleanv(GL_BLEND, &on);
    EXPECT_TRUE(on);
    GLint func = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &func);
    EXPECT_EQ(func, GL_LEQUAL);

    // A texture name forgotten on deletion is bound again, even if GL hands
    // the same name to a new texture.
    GLuint t = 0;
    glCreateTextures(GL_TEXTURE_2D, 1, &t);
    gl.BindTextureUnit(3, t);
    const auto beforeForget = gl.TotalCounters().bindCalls;
    gl.BindTextureUnit(3, t);
    EXPECT_EQ(gl.TotalCounters().bindCalls, beforeForget);
    gl.ForgetTexture(t);
    glDeleteTextures(1, &t);
    GLuint t2 = 0;
    glCreateTextures(GL_TEXTURE_2D, 1, &t2);
    gl.BindTextureUnit(3, t2);
    EXPECT_EQ(gl.TotalCounters().bindCalls, beforeForget + 1);
    GLint bound = 0;
    glGetIntegeri_v(GL_TEXTURE_BINDING_2D, 3, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), t2);
    gl.ForgetTexture(t2);
    glDeleteTextures(1, &t2);

    // Stencil state is shadowed per face: a call for one face changes only
    // that face, and a call for both is skipped only when both already match.
    gl.StencilFuncSeparate(GL_FRONT, GL_EQUAL, 3, 0xff);
    c = gl.TotalCounters();
    gl.StencilFuncSeparate(GL_FRONT, GL_EQUAL, 3, 0xff);
    EXPECT_EQ(gl.TotalCounters().stateCalls, c.stateCalls);
    gl.StencilFuncSeparate(GL_FRONT_AND_BACK, GL_EQUAL, 3, 0xff);  // the back face differs
    EXPECT_EQ(gl.TotalCounters().stateCalls, c.stateCalls + 1);
    GLint backFunc = 0;
    glGetIntegerv(GL_STENCIL_BACK_FUNC, &backFunc);
    EXPECT_EQ(backFunc, GL_EQUAL);
    gl.StencilOpSeparate(GL_BACK, GL_KEEP, GL_INCR, GL_KEEP);
    c = gl.TotalCounters();
    gl.StencilOpSeparate(GL_FRONT, GL_KEEP, GL_INCR, GL_KEEP);  // the front face still keeps
    EXPECT_EQ(gl.TotalCounters().stateCalls, c.stateCalls + 1);
    gl.StencilOpSeparate(GL_FRONT_AND_BACK, GL_KEEP, GL_INCR, GL_KEEP);
    EXPECT_EQ(gl.TotalCounters().stateCalls, c.stateCalls + 1);
    GLint frontPass = 0;
    glGetIntegerv(GL_STENCIL_PASS_DEPTH_FAIL, &frontPass);
    EXPECT_EQ(frontPass, GL_INCR);

    // The element buffer binding belongs to the vertex array: after a switch
    // the cache cannot know it, so even a bind of buffer 0 reaches GL.
    GLuint vaos[2] = {};
    glCreateVertexArrays(2, vaos);
    GLuint elements = 0;
    glCreateBuffers(1, &elements);
    gl.BindVertexArray(vaos[0]);
    gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, elements);
    gl.BindVertexArray(vaos[1]);
    gl.BindVertexArray(vaos[0]);  // still holds `elements` in GL
    gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    GLint elementBinding = -1;
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &elementBinding);
    EXPECT_EQ(elementBinding, 0);
    gl.BindVertexArray(0);
    gl.ForgetVertexArray(vaos[0]);
    gl.ForgetVertexArray(vaos[1]);
    glDeleteVertexArrays(2, vaos);
    gl.ForgetBuffer(elements);
    glDeleteBuffers(1, &elements);

    // Row lengths for pixel transfers are shadowed like any other state.
    c = gl.TotalCounters();
    gl.PixelStore(GL_UNPACK_ROW_LENGTH, 7);
    gl.PixelStore(GL_UNPACK_ROW_LENGTH, 7);
    EXPECT_EQ(gl.TotalCounters().stateCalls, c.stateCalls + 1);
    GLint rowLength = 0;
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
    EXPECT_EQ(rowLength, 7);
    gl.PixelStore(GL_UNPACK_ROW_LENGTH, 0);

    // Force-all: nothing is skipped. Invalidate: the next call of each state reaches GL.
    gl.SetForceAll(true);
    c = gl.TotalCounters();
    gl.Blend(true);
    EXPECT_EQ(gl.TotalCounters().stateCalls, c.stateCalls + 1);
    gl.SetForceAll(false);
    glDisable(GL_BLEND);  // behind the cache's back
    gl.Invalidate();
    gl.Blend(true);
    glGetBooleanv(GL_BLEND, &on);
    EXPECT_TRUE(on);
    // Frame counters start again at each frame's end.
    gl.EndFrame();
    EXPECT_EQ(gl.FrameCounters().stateCalls, 0u);
    EXPECT_GT(gl.LastFrameCounters().stateCalls, 0u);
    gl.Reset();  // leave GL as the device's own cache expects it
    static_cast<void>(device_->Present(nullptr, nullptr, nullptr, nullptr));
}
