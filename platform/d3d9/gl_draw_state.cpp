// Raster and sampler state of the draw path: the recorded Direct3D states
// turned into GL state through the cache at draw time. The enum tables are
// one commented row per Direct3D value; row 0 of the 1-based enums is unused
// and out-of-range values fall back to the Direct3D default.
#include "device.h"
#include "gl_draw.h"

namespace qrn::d3d9 {

namespace {

// D3DCMPFUNC 1..8 (GL's order is the same).
GLenum CompareFunc(DWORD f, GLenum fallback)
{
    static constexpr GLenum kTable[] = {
        0,           // unused
        GL_NEVER,    // D3DCMP_NEVER
        GL_LESS,     // D3DCMP_LESS
        GL_EQUAL,    // D3DCMP_EQUAL
        GL_LEQUAL,   // D3DCMP_LESSEQUAL
        GL_GREATER,  // D3DCMP_GREATER
        GL_NOTEQUAL, // D3DCMP_NOTEQUAL
        GL_GEQUAL,   // D3DCMP_GREATEREQUAL
        GL_ALWAYS,   // D3DCMP_ALWAYS
    };
    static_assert(sizeof kTable / sizeof kTable[0] == D3DCMP_ALWAYS + 1);
    return f >= 1 && f <= D3DCMP_ALWAYS ? kTable[f] : fallback;
}

// D3DBLEND 1..15.
GLenum BlendFactor(DWORD b, GLenum fallback)
{
    static constexpr GLenum kTable[] = {
        0,                            // unused
        GL_ZERO,                      // D3DBLEND_ZERO
        GL_ONE,                       // D3DBLEND_ONE
        GL_SRC_COLOR,                 // D3DBLEND_SRCCOLOR
        GL_ONE_MINUS_SRC_COLOR,       // D3DBLEND_INVSRCCOLOR
        GL_SRC_ALPHA,                 // D3DBLEND_SRCALPHA
        GL_ONE_MINUS_SRC_ALPHA,       // D3DBLEND_INVSRCALPHA
        GL_DST_ALPHA,                 // D3DBLEND_DESTALPHA
        GL_ONE_MINUS_DST_ALPHA,       // D3DBLEND_INVDESTALPHA
        GL_DST_COLOR,                 // D3DBLEND_DESTCOLOR
        GL_ONE_MINUS_DST_COLOR,       // D3DBLEND_INVDESTCOLOR
        GL_SRC_ALPHA_SATURATE,        // D3DBLEND_SRCALPHASAT
        GL_SRC_ALPHA,                 // D3DBLEND_BOTHSRCALPHA (source side; see ApplyBlend)
        GL_ONE_MINUS_SRC_ALPHA,       // D3DBLEND_BOTHINVSRCALPHA (source side)
        GL_CONSTANT_COLOR,            // D3DBLEND_BLENDFACTOR
        GL_ONE_MINUS_CONSTANT_COLOR,  // D3DBLEND_INVBLENDFACTOR
    };
    static_assert(sizeof kTable / sizeof kTable[0] == D3DBLEND_INVBLENDFACTOR + 1);
    return b >= 1 && b <= D3DBLEND_INVBLENDFACTOR ? kTable[b] : fallback;
}

// D3DBLENDOP 1..5.
GLenum BlendOp(DWORD op)
{
    static constexpr GLenum kTable[] = {
        0,                         // unused
        GL_FUNC_ADD,               // D3DBLENDOP_ADD
        GL_FUNC_SUBTRACT,          // D3DBLENDOP_SUBTRACT
        GL_FUNC_REVERSE_SUBTRACT,  // D3DBLENDOP_REVSUBTRACT
        GL_MIN,                    // D3DBLENDOP_MIN
        GL_MAX,                    // D3DBLENDOP_MAX
    };
    static_assert(sizeof kTable / sizeof kTable[0] == D3DBLENDOP_MAX + 1);
    return op >= 1 && op <= D3DBLENDOP_MAX ? kTable[op] : GL_FUNC_ADD;
}

// D3DSTENCILOP 1..8.
GLenum StencilOp(DWORD op)
{
    static constexpr GLenum kTable[] = {
        0,             // unused
        GL_KEEP,       // D3DSTENCILOP_KEEP
        GL_ZERO,       // D3DSTENCILOP_ZERO
        GL_REPLACE,    // D3DSTENCILOP_REPLACE
        GL_INCR,       // D3DSTENCILOP_INCRSAT (clamps)
        GL_DECR,       // D3DSTENCILOP_DECRSAT (clamps)
        GL_INVERT,     // D3DSTENCILOP_INVERT
        GL_INCR_WRAP,  // D3DSTENCILOP_INCR (wraps)
        GL_DECR_WRAP,  // D3DSTENCILOP_DECR (wraps)
    };
    static_assert(sizeof kTable / sizeof kTable[0] == D3DSTENCILOP_DECR + 1);
    return op >= 1 && op <= D3DSTENCILOP_DECR ? kTable[op] : GL_KEEP;
}

// D3DTEXTUREADDRESS 1..5.
GLint AddressMode(DWORD a)
{
    static constexpr GLint kTable[] = {
        0,                           // unused
        GL_REPEAT,                   // D3DTADDRESS_WRAP
        GL_MIRRORED_REPEAT,          // D3DTADDRESS_MIRROR
        GL_CLAMP_TO_EDGE,            // D3DTADDRESS_CLAMP
        GL_CLAMP_TO_BORDER,          // D3DTADDRESS_BORDER
        GL_MIRROR_CLAMP_TO_EDGE,     // D3DTADDRESS_MIRRORONCE
    };
    static_assert(sizeof kTable / sizeof kTable[0] == D3DTADDRESS_MIRRORONCE + 1);
    return a >= 1 && a <= D3DTADDRESS_MIRRORONCE ? kTable[a] : GL_REPEAT;
}

// Minification with mipmapping: MINFILTER x MIPFILTER.
GLint MinFilter(DWORD min, DWORD mip)
{
    const bool linear = min == D3DTEXF_LINEAR || min == D3DTEXF_ANISOTROPIC || min >= D3DTEXF_PYRAMIDALQUAD;
    if (mip == D3DTEXF_POINT) return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    if (mip == D3DTEXF_LINEAR || mip == D3DTEXF_ANISOTROPIC) return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    return linear ? GL_LINEAR : GL_NEAREST;
}

void ApplyDepthStencil(GlCache& gl, const DeviceState& s)
{
    const auto& rs = s.renderStates;
    gl.DepthTest(rs[D3DRS_ZENABLE] != D3DZB_FALSE);
    gl.DepthMask(rs[D3DRS_ZWRITEENABLE] != FALSE);
    gl.DepthFunc(CompareFunc(rs[D3DRS_ZFUNC], GL_LEQUAL));
    const bool stencil = rs[D3DRS_STENCILENABLE] != FALSE;
    gl.StencilTest(stencil);
    if (stencil) {
        gl.StencilFuncSeparate(GL_FRONT_AND_BACK, CompareFunc(rs[D3DRS_STENCILFUNC], GL_ALWAYS),
                               (GLint)rs[D3DRS_STENCILREF], rs[D3DRS_STENCILMASK]);
        gl.StencilOpSeparate(GL_FRONT_AND_BACK, StencilOp(rs[D3DRS_STENCILFAIL]), StencilOp(rs[D3DRS_STENCILZFAIL]),
                             StencilOp(rs[D3DRS_STENCILPASS]));
    }
    gl.StencilWriteMask(rs[D3DRS_STENCILWRITEMASK]);
}

void ApplyBlend(GlCache& gl, const DeviceState& s)
{
    const auto& rs = s.renderStates;
    const bool on = rs[D3DRS_ALPHABLENDENABLE] != FALSE;
    gl.Blend(on);
    if (!on) return;
    GLenum src = BlendFactor(rs[D3DRS_SRCBLEND], GL_ONE), dst = BlendFactor(rs[D3DRS_DESTBLEND], GL_ZERO);
    // The two obsolete "both" factors set the destination too.
    if (rs[D3DRS_SRCBLEND] == D3DBLEND_BOTHSRCALPHA) dst = GL_ONE_MINUS_SRC_ALPHA;
    if (rs[D3DRS_SRCBLEND] == D3DBLEND_BOTHINVSRCALPHA) dst = GL_SRC_ALPHA;
    GLenum srcA = src, dstA = dst, opA = BlendOp(rs[D3DRS_BLENDOP]);
    if (rs[D3DRS_SEPARATEALPHABLENDENABLE] != FALSE) {
        srcA = BlendFactor(rs[D3DRS_SRCBLENDALPHA], GL_ONE);
        dstA = BlendFactor(rs[D3DRS_DESTBLENDALPHA], GL_ZERO);
        opA = BlendOp(rs[D3DRS_BLENDOPALPHA]);
    }
    gl.BlendFuncSeparate(src, dst, srcA, dstA);
    gl.BlendEquationSeparate(BlendOp(rs[D3DRS_BLENDOP]), opA);
    float c[4];
    ColorToFloats(rs[D3DRS_BLENDFACTOR], c);
    gl.BlendColor(c[0], c[1], c[2], c[3]);
}

// Direct3D culls by the winding the viewer sees (clockwise = front by
// default). With clip origin GL_UPPER_LEFT, GL judges winding in the same
// top-down sense, so "clockwise" means the same to both.
void ApplyCull(GlCache& gl, const DeviceState& s)
{
    switch (s.renderStates[D3DRS_CULLMODE]) {
    case D3DCULL_NONE: gl.CullFace(false); break;
    case D3DCULL_CW:  // remove faces the viewer sees clockwise
        gl.CullFace(true);
        gl.CullFaceMode(GL_BACK);
        gl.FrontFace(GL_CCW);
        break;
    default:  // D3DCULL_CCW: remove faces the viewer sees counter-clockwise
        gl.CullFace(true);
        gl.CullFaceMode(GL_BACK);
        gl.FrontFace(GL_CW);
        break;
    }
}

}  // namespace

void ApplyRasterState(DrawContext& dc, const DeviceState& s)
{
    GlCache& gl = *dc.gl;
    const auto& rs = s.renderStates;
    const D3DVIEWPORT9& vp = s.viewport;
    gl.Viewport((GLint)vp.X, (GLint)vp.Y, (GLsizei)vp.Width, (GLsizei)vp.Height);
    gl.DepthRange(vp.MinZ, vp.MaxZ);
    const bool scissor = rs[D3DRS_SCISSORTESTENABLE] != FALSE;
    gl.ScissorTest(scissor);
    if (scissor)
        gl.Scissor(s.scissor.left, s.scissor.top, s.scissor.right - s.scissor.left, s.scissor.bottom - s.scissor.top);
    ApplyDepthStencil(gl, s);
    ApplyBlend(gl, s);
    ApplyCull(gl, s);
    const DWORD fill = rs[D3DRS_FILLMODE];
    gl.PolygonMode(fill == D3DFILL_POINT ? GL_POINT : fill == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL);
    const DWORD mask = rs[D3DRS_COLORWRITEENABLE];
    gl.ColorMask(mask & D3DCOLORWRITEENABLE_RED, mask & D3DCOLORWRITEENABLE_GREEN, mask & D3DCOLORWRITEENABLE_BLUE,
                 mask & D3DCOLORWRITEENABLE_ALPHA);
    const float bias = BitsFloat(rs[D3DRS_DEPTHBIAS]), slope = BitsFloat(rs[D3DRS_SLOPESCALEDEPTHBIAS]);
    const bool offset = bias != 0.0f || slope != 0.0f;
    gl.PolygonOffsetFill(offset);
    // Direct3D's bias is in depth units (0..1); GL's units are the smallest
    // resolvable step of a 24-bit buffer.
    if (offset) gl.PolygonOffset(slope, bias * 16777215.0f);
}

void ApplyTextures(DrawContext& dc, const DeviceState& s, const FfpKey& key)
{
    uint32_t units = 0;
    const uint32_t stages = ActiveStages(key);
    for (uint32_t st = 0; st < stages; ++st)
        if (key.stages[st].textured) units |= 1u << st;
    ApplyTextureUnits(dc, s, units);
}

void ApplyTextureUnits(DrawContext& dc, const DeviceState& s, uint32_t units)
{
    GlCache& gl = *dc.gl;
    for (uint32_t st = 0; st < GlCache::kUnits && st < kMaxSamplers; ++st) {
        if (!(units & (1u << st))) continue;
        const Texture* tex = s.textures[st];
        gl.BindTextureUnit(st, tex ? tex->GlTexture() : 0);
        gl.BindSampler(st, dc.samplers[st]);
        const auto& ss = s.samplerStates[st];
        SamplerShadow& sh = dc.samplerShadow[st];
        const GLuint smp = dc.samplers[st];
        const bool force = gl.ForceAll();
        auto param = [&](GLenum pname, GLint value, GLint& shadow) {
            if (!force && shadow == value) return;
            glSamplerParameteri(smp, pname, value);
            shadow = value;
            gl.NoteStateCall();
        };
        auto paramf = [&](GLenum pname, float value, float& shadow) {
            if (!force && shadow == value) return;
            glSamplerParameterf(smp, pname, value);
            shadow = value;
            gl.NoteStateCall();
        };
        // A texture with a single level samples it whatever the mip filter.
        const DWORD mip = tex && tex->Levels() > 1 ? ss[D3DSAMP_MIPFILTER] : (DWORD)D3DTEXF_NONE;
        param(GL_TEXTURE_MIN_FILTER, MinFilter(ss[D3DSAMP_MINFILTER], mip), sh.minFilter);
        const DWORD mag = ss[D3DSAMP_MAGFILTER];
        param(GL_TEXTURE_MAG_FILTER, mag == D3DTEXF_POINT || mag == D3DTEXF_NONE ? GL_NEAREST : GL_LINEAR, sh.magFilter);
        param(GL_TEXTURE_WRAP_S, AddressMode(ss[D3DSAMP_ADDRESSU]), sh.wrapS);
        param(GL_TEXTURE_WRAP_T, AddressMode(ss[D3DSAMP_ADDRESSV]), sh.wrapT);
        param(GL_TEXTURE_WRAP_R, AddressMode(ss[D3DSAMP_ADDRESSW]), sh.wrapR);
        const bool aniso = ss[D3DSAMP_MINFILTER] == D3DTEXF_ANISOTROPIC || mag == D3DTEXF_ANISOTROPIC;
        paramf(GL_TEXTURE_MAX_ANISOTROPY, aniso ? (float)std::max<DWORD>(1, ss[D3DSAMP_MAXANISOTROPY]) : 1.0f, sh.maxAniso);
        paramf(GL_TEXTURE_LOD_BIAS, BitsFloat(ss[D3DSAMP_MIPMAPLODBIAS]), sh.lodBias);
        paramf(GL_TEXTURE_MIN_LOD, (float)ss[D3DSAMP_MAXMIPLEVEL], sh.minLod);
        if (force || !sh.borderKnown || sh.border != ss[D3DSAMP_BORDERCOLOR]) {
            float c[4];
            ColorToFloats(ss[D3DSAMP_BORDERCOLOR], c);
            glSamplerParameterfv(smp, GL_TEXTURE_BORDER_COLOR, c);
            sh.border = ss[D3DSAMP_BORDERCOLOR];
            sh.borderKnown = true;
            gl.NoteStateCall();
        }
    }
}

}  // namespace qrn::d3d9
