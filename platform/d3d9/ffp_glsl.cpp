// Generation of the fixed-function GLSL (see ffp_glsl.h). The formulas are
// the Direct3D 9 ones: lighting per vertex in camera space, colour sources,
// attenuation and spot cones, fog factors, the texture operations, the point
// size with distance scaling, and tweening between two key frames.
#include "ffp_glsl.h"

#include <cstdio>

#include "ffp_uniforms.h"

namespace qrn::d3d9 {

namespace {

// Half a pixel, less 1/256, for y: an edge on a row of pixel centres then
// lies just above those centres, so the top edge of a shape includes its
// row and the bottom edge excludes it, which is Direct3D's top-left rule
// (GL breaks such ties the other way in the top-down window).
#define kHalfPixelY "0.49609375"

std::string Num(uint32_t n) { return std::to_string(n); }

// Texture coordinate sets the fragment shader reads through vTex<k>.
uint32_t TexSetsRead(const FfpKey& k)
{
    if (k.pointSprite) return 0;  // every stage samples the sprite coordinates
    uint32_t sets = 0;
    const uint32_t n = ActiveStages(k);
    for (uint32_t s = 0; s < n; ++s)
        if (k.stages[s].textured) sets |= 1u << StageTexCoordIndex(k, s);
    return sets;
}

bool FogActive(const FfpKey& k) { return k.fogMode != 0 || k.fogFromSpecular; }

const char* FogFunction(const FfpKey& k)
{
    switch (k.fogMode) {
    case D3DFOG_EXP: return "float FogFactor(float d) { return exp(-d * u.fogParams.z); }\n";
    case D3DFOG_EXP2: return "float FogFactor(float d) { float x = d * u.fogParams.z; return exp(-x * x); }\n";
    case D3DFOG_LINEAR: return "float FogFactor(float d) { return (u.fogParams.y - d) * u.fogParams.w; }\n";
    default: return "";
    }
}

std::string SourceColor(const FfpKey& k, uint32_t source, const char* material)
{
    if (source == D3DMCS_COLOR1 && KeyHas(k, kAttrColor0)) return "aColor0";
    if (source == D3DMCS_COLOR2 && KeyHas(k, kAttrColor1)) return "aColor1";
    return std::string("u.") + material;
}

// Per-vertex lighting: the Direct3D 9 equation summed over the enabled lights.
std::string LightingCode(const FfpKey& k)
{
    const bool normal = KeyHas(k, kAttrNormal);
    std::string c;
    c += "    vec4 Cd = " + SourceColor(k, DiffuseSource(k), "matDiffuse") + ";\n";
    c += "    vec4 Ca = " + SourceColor(k, AmbientSource(k), "matAmbient") + ";\n";
    c += "    vec4 Ce = " + SourceColor(k, EmissiveSource(k), "matEmissive") + ";\n";
    if (k.specular) c += "    vec4 Cs = " + SourceColor(k, SpecularSource(k), "matSpecular") + ";\n";
    if (normal) {
        c += "    vec3 N = nrm * mat3(u.normalMatrix);\n";
        if (k.normalizeNormals) c += "    N = normalize(N);\n";
    }
    c += "    vec3 lightDiffuse = Ce.rgb + Ca.rgb * u.globalAmbient.rgb;\n";
    c += "    vec3 lightSpecular = vec3(0.0);\n";
    for (uint32_t i = 0; i < kFfpMaxLights; ++i) {
        const uint32_t type = LightType(k, i);
        if (type == 0) break;
        const std::string L = "u.lights[" + Num(i) + "]";
        c += "    {\n        vec3 L;\n        float k = 1.0;\n";
        if (type == D3DLIGHT_DIRECTIONAL) {
            c += "        L = -" + L + ".direction.xyz;\n";
        } else {
            c += "        vec3 toLight = " + L + ".position.xyz - P;\n";
            c += "        float d = length(toLight);\n";
            c += "        L = toLight / max(d, 1e-20);\n";
            // Beyond the range the light adds nothing, ambient included.
            c += "        vec4 at = " + L + ".attenuation;\n";
            c += "        k = d > at.x ? 0.0 : 1.0 / max(at.y + at.z * d + at.w * d * d, 1e-20);\n";
            if (type == D3DLIGHT_SPOT) {
                c += "        vec4 sp = " + L + ".spot;\n";
                c += "        float rho = dot(" + L + ".direction.xyz, -L);\n";
                c += "        k *= rho > sp.x ? 1.0 : rho <= sp.y ? 0.0 : pow(max((rho - sp.y) / max(sp.x - sp.y, 1e-20), 0.0), sp.z);\n";
            }
        }
        c += normal ? "        float NdotL = max(dot(N, L), 0.0);\n" : "        float NdotL = 0.0;\n";
        c += "        lightDiffuse += k * (Ca.rgb * " + L + ".ambient.rgb + Cd.rgb * " + L + ".diffuse.rgb * NdotL);\n";
        if (k.specular) {
            // Local viewer: the eye sits at the camera-space origin; otherwise
            // it is infinitely far away, looking along +z.
            c += k.nonLocalViewer ? "        vec3 H = normalize(L - vec3(0.0, 0.0, 1.0));\n"
                                  : "        vec3 H = normalize(normalize(-P) + L);\n";
            c += normal ? "        float NdotH = max(dot(N, H), 0.0);\n" : "        float NdotH = 0.0;\n";
            c += "        float sh = NdotH > 0.0 ? pow(NdotH, u.misc.x) : 0.0;\n";
            c += "        lightSpecular += k * Cs.rgb * " + L + ".specular.rgb * sh;\n";
        }
        c += "    }\n";
    }
    c += "    vDiffuse = vec4(clamp(lightDiffuse, 0.0, 1.0), Cd.a);\n";
    c += "    vSpecular = vec4(clamp(lightSpecular, 0.0, 1.0), 1.0);\n";
    return c;
}

std::string ArgExpr(uint32_t arg, uint32_t stage)
{
    std::string x;
    switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE: x = "vDiffuse"; break;
    case D3DTA_CURRENT: x = "cur"; break;
    case D3DTA_TEXTURE: x = "t"; break;
    case D3DTA_TFACTOR: x = "u.textureFactor"; break;
    case D3DTA_SPECULAR: x = "vSpecular"; break;
    case D3DTA_TEMP: x = "temp"; break;
    case D3DTA_CONSTANT: x = "u.stageConstant[" + Num(stage) + "]"; break;
    default: x = "cur"; break;
    }
    if (arg & D3DTA_COMPLEMENT) x = "(vec4(1.0) - " + x + ")";
    if (arg & D3DTA_ALPHAREPLICATE) x = x + ".aaaa";
    return x;
}

// One texture operation on swizzled arguments (".rgb" or ".a").
std::string OpExpr(uint32_t op, const std::string& a0, const std::string& a1, const std::string& a2)
{
    switch (op) {
    case D3DTOP_SELECTARG1: return a1;
    case D3DTOP_SELECTARG2: return a2;
    case D3DTOP_MODULATE: return a1 + " * " + a2;
    case D3DTOP_MODULATE2X: return "2.0 * " + a1 + " * " + a2;
    case D3DTOP_MODULATE4X: return "4.0 * " + a1 + " * " + a2;
    case D3DTOP_ADD: return a1 + " + " + a2;
    case D3DTOP_ADDSIGNED: return a1 + " + " + a2 + " - 0.5";
    case D3DTOP_ADDSIGNED2X: return "2.0 * (" + a1 + " + " + a2 + " - 0.5)";
    case D3DTOP_SUBTRACT: return a1 + " - " + a2;
    case D3DTOP_ADDSMOOTH: return a1 + " + " + a2 + " - " + a1 + " * " + a2;
    case D3DTOP_BLENDDIFFUSEALPHA: return "mix(" + a2 + ", " + a1 + ", vDiffuse.a)";
    case D3DTOP_BLENDTEXTUREALPHA: return "mix(" + a2 + ", " + a1 + ", t.a)";
    case D3DTOP_BLENDFACTORALPHA: return "mix(" + a2 + ", " + a1 + ", u.textureFactor.a)";
    case D3DTOP_BLENDTEXTUREALPHAPM: return a1 + " + " + a2 + " * (1.0 - t.a)";
    case D3DTOP_BLENDCURRENTALPHA: return "mix(" + a2 + ", " + a1 + ", cur.a)";
    case D3DTOP_MULTIPLYADD: return a0 + " + " + a1 + " * " + a2;
    case D3DTOP_LERP: return "mix(" + a2 + ", " + a1 + ", " + a0 + ")";
    default: return a1;  // operations without an emulation act as SELECTARG1
    }
}

std::string StageCode(const FfpKey& k, uint32_t s)
{
    const FfpStageKey& st = k.stages[s];
    std::string c = "    {\n";
    if (st.textured) {
        const std::string uv = k.pointSprite ? "sprite" : "vTex" + Num(StageTexCoordIndex(k, s)) + ".xy";
        c += "        vec4 t = texture(uTex" + Num(s) + ", " + uv + ");\n";
    } else {
        c += "        vec4 t = vec4(1.0);\n";
    }
    const uint32_t colorOp = StageColorOp(k, s), alphaOp = StageAlphaOp(k, s);
    std::string ca[3], aa[3];
    for (int i = 0; i < 3; ++i) {
        ca[i] = ArgExpr(StageColorArg(k, s, i), s);
        aa[i] = ArgExpr(StageAlphaArg(k, s, i), s);
    }
    if (colorOp == D3DTOP_DOTPRODUCT3) {
        // Signed dot product of the rgb, copied into all four channels.
        c += "        float d3 = 4.0 * dot(" + ca[1] + ".rgb - 0.5, " + ca[2] + ".rgb - 0.5);\n";
        c += "        vec4 r = vec4(d3);\n";
    } else {
        c += "        vec3 rgb = " + OpExpr(colorOp, ca[0] + ".rgb", ca[1] + ".rgb", ca[2] + ".rgb") + ";\n";
        if (alphaOp == D3DTOP_DISABLE)
            c += "        float a = cur.a;\n";
        else if (alphaOp == D3DTOP_DOTPRODUCT3)
            c += "        float a = 4.0 * dot(" + aa[1] + ".rgb - 0.5, " + aa[2] + ".rgb - 0.5);\n";
        else
            c += "        float a = " + OpExpr(alphaOp, aa[0] + ".a", aa[1] + ".a", aa[2] + ".a") + ";\n";
        c += "        vec4 r = vec4(rgb, a);\n";
    }
    c += std::string("        ") + (st.resultTemp ? "temp" : "cur") + " = clamp(r, 0.0, 1.0);\n    }\n";
    return c;
}

const char* AlphaCompare(uint32_t func)
{
    switch (func) {
    case D3DCMP_NEVER: return "false";
    case D3DCMP_LESS: return "a255 < u.misc.z";
    case D3DCMP_EQUAL: return "a255 == u.misc.z";
    case D3DCMP_LESSEQUAL: return "a255 <= u.misc.z";
    case D3DCMP_GREATER: return "a255 > u.misc.z";
    case D3DCMP_NOTEQUAL: return "a255 != u.misc.z";
    case D3DCMP_GREATEREQUAL: return "a255 >= u.misc.z";
    default: return "true";
    }
}

}  // namespace

std::string FfpVertexShaderText(const FfpKey& k)
{
    const char* flat = k.flatShade ? "flat " : "";
    std::string s = "#version 450 core\n";
    s += kFfpUniformGlsl;
    // Locations are the attribute numbers of ffp_layout.h, which the vertex
    // arrays bind.
    const auto in = [&](uint32_t attrib, const char* decl) {
        s += "layout(location = " + Num(attrib) + ") in " + decl + ";\n";
    };
    in(kAttrPosition, "vec4 aPosition");
    if (KeyHas(k, kAttrNormal)) in(kAttrNormal, "vec3 aNormal");
    if (KeyHas(k, kAttrPSize)) in(kAttrPSize, "float aPSize");
    if (KeyHas(k, kAttrColor0)) in(kAttrColor0, "vec4 aColor0");
    if (KeyHas(k, kAttrColor1)) in(kAttrColor1, "vec4 aColor1");
    for (uint32_t t = 0; t < kMaxTexCoordSets; ++t)
        if (KeyHas(k, kAttrTex0 + t)) in(kAttrTex0 + t, ("vec4 aTex" + Num(t)).c_str());
    if (KeyHas(k, kAttrPosition1)) in(kAttrPosition1, "vec4 aPosition1");
    if (KeyHas(k, kAttrNormal1)) in(kAttrNormal1, "vec3 aNormal1");
    s += std::string(flat) + "out vec4 vDiffuse;\n" + flat + "out vec4 vSpecular;\n";
    if (FogActive(k)) s += "out float vFog;\n";
    const uint32_t sets = TexSetsRead(k);
    for (uint32_t t = 0; t < kMaxTexCoordSets; ++t)
        if (sets & (1u << t)) s += "out vec4 vTex" + Num(t) + ";\n";
    if (!k.fogTable) s += FogFunction(k);
    s += "void main() {\n";

    if (k.pretransformed) {
        // Screen-space vertices: x, y in pixels of the render target with
        // pixel centres on integers, z in 0..1, and 1/w.
        s += "    vec4 p = aPosition;\n";
        s += "    float w = p.w != 0.0 ? 1.0 / p.w : 1.0;\n";
        s += "    vec2 ndc = vec2(2.0 * (p.x + 0.5 - u.viewport.x) * u.viewport.z - 1.0,\n"
             "                    1.0 - 2.0 * (p.y + " kHalfPixelY " - u.viewport.y) * u.viewport.w);\n";
        s += "    vec4 clip = vec4(ndc * w, p.z * w, w);\n";
        s += std::string("    vDiffuse = ") + (KeyHas(k, kAttrColor0) ? "aColor0" : "vec4(1.0)") + ";\n";
        s += std::string("    vSpecular = ") + (KeyHas(k, kAttrColor1) ? "aColor1" : "vec4(0.0, 0.0, 0.0, 1.0)") + ";\n";
        if (k.fogTable) s += k.fogDeviceZ ? "    vFog = p.z;\n" : "    vFog = w;\n";
    } else {
        s += "    vec4 pos = vec4(aPosition.xyz, 1.0);\n";
        if (k.tween && KeyHas(k, kAttrPosition1)) s += "    pos.xyz = mix(aPosition.xyz, aPosition1.xyz, u.misc.y);\n";
        if (KeyHas(k, kAttrNormal)) {
            s += "    vec3 nrm = aNormal;\n";
            if (k.tween && KeyHas(k, kAttrNormal1)) s += "    nrm = mix(aNormal, aNormal1, u.misc.y);\n";
        }
        s += "    vec3 P = (u.worldView * pos).xyz;\n";
        s += "    vec4 clip = u.worldViewProj * pos;\n";
        if (!k.unlit) {
            s += LightingCode(k);
        } else {
            s += std::string("    vDiffuse = ") + (KeyHas(k, kAttrColor0) ? "aColor0" : "vec4(1.0)") + ";\n";
            s += std::string("    vSpecular = ") + (KeyHas(k, kAttrColor1) ? "aColor1" : "vec4(0.0, 0.0, 0.0, 1.0)") + ";\n";
        }
        if (k.fogTable)
            s += k.fogDeviceZ ? "    vFog = clip.z / clip.w;\n" : "    vFog = clip.w;\n";
        else if (k.fogMode)
            s += k.fogRange ? "    vFog = FogFactor(length(P));\n" : "    vFog = FogFactor(abs(P.z));\n";
        if (k.points) {
            s += std::string("    float size = ") + (KeyHas(k, kAttrPSize) ? "aPSize" : "u.pointParams.x") + ";\n";
            if (k.pointScale) {
                s += "    float De = length(P);\n";
                s += "    vec3 sc = u.pointScale.xyz;\n";
                s += "    size = u.pointParams.w * size * sqrt(1.0 / max(sc.x + sc.y * De + sc.z * De * De, 1e-20));\n";
            }
        }
        // Direct3D pixel centres lie on integer coordinates.
        s += "    clip.x += clip.w * u.viewport.z;\n";
        s += "    clip.y -= clip.w * u.viewport.w * (2.0 * " kHalfPixelY ");\n";
    }
    if (k.points) {
        if (k.pretransformed)
            s += std::string("    float size = ") + (KeyHas(k, kAttrPSize) ? "aPSize" : "u.pointParams.x") + ";\n";
        s += "    gl_PointSize = min(max(size, u.pointParams.y), u.pointParams.z);\n";
    }
    if (k.fogFromSpecular) s += "    vFog = vSpecular.a;\n";
    for (uint32_t t = 0; t < kMaxTexCoordSets; ++t)
        if (sets & (1u << t))
            s += "    vTex" + Num(t) + " = " + (KeyHas(k, kAttrTex0 + t) ? "aTex" + Num(t) : std::string("vec4(0.0, 0.0, 0.0, 1.0)")) + ";\n";
    // The picture's top row is GL row 0 in every render target: the clip
    // control origin (GL_UPPER_LEFT, set by GlCache::Reset) does the flip.
    s += "    gl_Position = clip;\n";
    s += "}\n";
    return s;
}

std::string FfpAlphaTestCode(const FfpKey& k, const char* colour)
{
    if (!k.alphaFunc) return "";
    return std::string("    float a255 = floor(") + colour + ".a * 255.0 + 0.5);\n    if (!(" + AlphaCompare(k.alphaFunc) +
           ")) discard;\n";
}

std::string FfpFragmentShaderText(const FfpKey& k)
{
    const char* flat = k.flatShade ? "flat " : "";
    std::string s = "#version 450 core\n";
    s += kFfpUniformGlsl;
    s += std::string(flat) + "in vec4 vDiffuse;\n" + flat + "in vec4 vSpecular;\n";
    if (FogActive(k)) s += "in float vFog;\n";
    const uint32_t sets = TexSetsRead(k);
    for (uint32_t t = 0; t < kMaxTexCoordSets; ++t)
        if (sets & (1u << t)) s += "in vec4 vTex" + Num(t) + ";\n";
    const uint32_t stages = ActiveStages(k);
    for (uint32_t st = 0; st < stages; ++st)
        if (k.stages[st].textured) s += "layout(binding = " + Num(st) + ") uniform sampler2D uTex" + Num(st) + ";\n";
    s += "layout(location = 0) out vec4 oColor;\n";
    if (k.fogTable) s += FogFunction(k);
    s += "void main() {\n";
    s += "    vec4 cur = vDiffuse;\n    vec4 temp = vec4(0.0);\n";
    // gl_PointCoord has t = 0 at the GL top, which is the picture's bottom
    // here (row 0 is the top): flip so that v = 0 is the sprite's top edge.
    if (k.pointSprite) s += "    vec2 sprite = vec2(gl_PointCoord.x, 1.0 - gl_PointCoord.y);\n";
    for (uint32_t st = 0; st < stages; ++st) s += StageCode(k, st);
    if (k.specular) s += "    cur.rgb = clamp(cur.rgb + vSpecular.rgb, 0.0, 1.0);\n";
    if (FogActive(k)) {
        s += k.fogTable ? "    float f = clamp(FogFactor(vFog), 0.0, 1.0);\n" : "    float f = clamp(vFog, 0.0, 1.0);\n";
        s += "    cur.rgb = mix(u.fogColor.rgb, cur.rgb, f);\n";
    }
    s += FfpAlphaTestCode(k, "cur");
    s += "    oColor = cur;\n}\n";
    return s;
}

}  // namespace qrn::d3d9
