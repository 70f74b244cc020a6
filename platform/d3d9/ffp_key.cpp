// MakeFfpKey: device state -> canonical program key (see ffp_key.h).
#include "ffp_key.h"

namespace qrn::d3d9 {

namespace {

bool ValidOp(DWORD op) { return op >= D3DTOP_DISABLE && op <= D3DTOP_LERP; }

// Which of ARG0/ARG1/ARG2 an operation reads (bit n = ARGn).
uint32_t ArgsRead(DWORD op)
{
    switch (op) {
    case D3DTOP_DISABLE: return 0;
    case D3DTOP_SELECTARG1: return 2;
    case D3DTOP_SELECTARG2: return 4;
    case D3DTOP_MULTIPLYADD:
    case D3DTOP_LERP: return 7;
    default: return 6;
    }
}

bool ReadsTexture(DWORD op, uint32_t argsRead, const DWORD args[3])
{
    if (op == D3DTOP_BLENDTEXTUREALPHA || op == D3DTOP_BLENDTEXTUREALPHAPM) return true;
    for (int i = 0; i < 3; ++i)
        if ((argsRead & (1u << i)) && (args[i] & D3DTA_SELECTMASK) == D3DTA_TEXTURE) return true;
    return false;
}

// Source field: the effective source xor the default state's effective one.
uint32_t SourceField(DWORD source, DWORD d3dDefault, bool colorVertex, const FfpVertexLayout& l)
{
    const bool c0 = l.Has(kAttrColor0), c1 = l.Has(kAttrColor1);
    const uint32_t effective = colorVertex ? EffectiveSource(source, c0, c1) : (uint32_t)D3DMCS_MATERIAL;
    return effective ^ EffectiveSource(d3dDefault, c0, c1);
}

void StageKey(const FfpKeyInputs& in, uint32_t s, DWORD colorOp, FfpKey* k)
{
    const DWORD* t = in.stageStates[s];
    FfpStageKey& st = k->stages[s];
    const DWORD defColor = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    const DWORD defAlpha = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    DWORD alphaOp = t[D3DTSS_ALPHAOP];
    if (!ValidOp(alphaOp)) alphaOp = D3DTOP_DISABLE;

    DWORD colorArgs[3] = {t[D3DTSS_COLORARG0] & 0x3f, t[D3DTSS_COLORARG1] & 0x3f, t[D3DTSS_COLORARG2] & 0x3f};
    DWORD alphaArgs[3] = {t[D3DTSS_ALPHAARG0] & 0x3f, t[D3DTSS_ALPHAARG1] & 0x3f, t[D3DTSS_ALPHAARG2] & 0x3f};
    const uint32_t colorRead = ArgsRead(colorOp), alphaRead = ArgsRead(alphaOp);
    const bool textured = in.textureBound[s] && (ReadsTexture(colorOp, colorRead, colorArgs) ||
                                                 ReadsTexture(alphaOp, alphaRead, alphaArgs));
    // With no texture on the stage the alpha argument TEXTURE means the
    // diffuse alpha, so untextured geometry keeps its vertex/material alpha.
    if (!textured && alphaArgs[1] == D3DTA_TEXTURE) alphaArgs[1] = D3DTA_DIFFUSE;

    st.colorOp = colorOp ^ defColor;
    st.alphaOp = alphaOp ^ defAlpha;
    st.colorArg0 = (colorRead & 1) ? colorArgs[0] ^ kArg0Default : 0;
    st.colorArg1 = (colorRead & 2) ? colorArgs[1] ^ kArg1Default : 0;
    st.colorArg2 = (colorRead & 4) ? colorArgs[2] ^ kArg2Default : 0;
    st.alphaArg0 = (alphaRead & 1) ? alphaArgs[0] ^ kArg0Default : 0;
    st.alphaArg1 = (alphaRead & 2) ? alphaArgs[1] ^ (textured ? D3DTA_TEXTURE : D3DTA_DIFFUSE) : 0;
    st.alphaArg2 = (alphaRead & 4) ? alphaArgs[2] ^ kArg2Default : 0;
    st.textured = textured;
    st.texCoordIndex = textured ? ((t[D3DTSS_TEXCOORDINDEX] & 7) ^ s) : 0;
    st.resultTemp = t[D3DTSS_RESULTARG] == D3DTA_TEMP;
}

}  // namespace

FfpKey MakeFfpKey(const FfpKeyInputs& in)
{
    FfpKey k;
    const DWORD* rs = in.renderStates;
    const FfpVertexLayout& l = *in.layout;
    uint32_t mask = l.Mask();

    k.pretransformed = l.pretransformed;
    const bool tween = !l.pretransformed && rs[D3DRS_VERTEXBLEND] == D3DVBF_TWEENING &&
                       (l.Has(kAttrPosition1) || l.Has(kAttrNormal1));
    if (!tween) mask &= ~((1u << kAttrPosition1) | (1u << kAttrNormal1));
    k.tween = tween;

    const bool lit = rs[D3DRS_LIGHTING] != FALSE && !l.pretransformed;
    k.unlit = !lit;
    if (lit) {
        k.normalizeNormals = rs[D3DRS_NORMALIZENORMALS] != FALSE;
        k.nonLocalViewer = rs[D3DRS_LOCALVIEWER] == FALSE;
        const bool cv = rs[D3DRS_COLORVERTEX] != FALSE;
        k.diffuseSource = SourceField(rs[D3DRS_DIFFUSEMATERIALSOURCE], D3DMCS_COLOR1, cv, l);
        k.specularSource = SourceField(rs[D3DRS_SPECULARMATERIALSOURCE], D3DMCS_COLOR2, cv, l);
        k.ambientSource = SourceField(rs[D3DRS_AMBIENTMATERIALSOURCE], D3DMCS_MATERIAL, cv, l);
        k.emissiveSource = SourceField(rs[D3DRS_EMISSIVEMATERIALSOURCE], D3DMCS_MATERIAL, cv, l);
        uint32_t types = 0;
        for (uint32_t i = 0; i < in.lightCount && i < kFfpMaxLights; ++i) {
            const uint32_t t = in.lightTypes[i];
            if (t >= D3DLIGHT_POINT && t <= D3DLIGHT_DIRECTIONAL) types |= t << (2 * i);
        }
        k.lightTypes = types;
    }
    // Unlit, the lighting fields stay zero: the vertex colours pass through.
    k.attribs = mask >> 1;
    k.specular = rs[D3DRS_SPECULARENABLE] != FALSE;
    k.flatShade = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;

    // Fog: table fog wins when both kinds are set; with both NONE the factor
    // arrives in the specular alpha. Pre-transformed vertices get no vertex fog.
    if (rs[D3DRS_FOGENABLE] != FALSE) {
        const DWORD table = rs[D3DRS_FOGTABLEMODE], vertex = rs[D3DRS_FOGVERTEXMODE];
        if (table >= D3DFOG_EXP && table <= D3DFOG_LINEAR) {
            k.fogMode = table;
            k.fogTable = 1;
            k.fogDeviceZ = in.projectionAffine;
        } else if (vertex >= D3DFOG_EXP && vertex <= D3DFOG_LINEAR && !l.pretransformed) {
            k.fogMode = vertex;
            k.fogRange = rs[D3DRS_RANGEFOGENABLE] != FALSE;
        } else {
            k.fogFromSpecular = 1;
        }
    }

    const DWORD func = rs[D3DRS_ALPHAFUNC];
    if (rs[D3DRS_ALPHATESTENABLE] != FALSE && func >= D3DCMP_NEVER && func < D3DCMP_ALWAYS) k.alphaFunc = func;

    if (in.drawingPoints) {
        k.points = 1;
        k.pointScale = rs[D3DRS_POINTSCALEENABLE] != FALSE && !l.pretransformed;
        k.pointSprite = rs[D3DRS_POINTSPRITEENABLE] != FALSE;
    }

    for (uint32_t s = 0; s < kFfpStages; ++s) {
        DWORD colorOp = in.stageStates[s][D3DTSS_COLOROP];
        if (!ValidOp(colorOp)) colorOp = D3DTOP_DISABLE;
        if (colorOp == D3DTOP_DISABLE) {
            // This stage and every later one are off.
            if (s == 0) k.stages[0].colorOp = D3DTOP_DISABLE ^ D3DTOP_MODULATE, k.stages[0].alphaOp = D3DTOP_DISABLE ^ D3DTOP_SELECTARG1;
            break;
        }
        StageKey(in, s, colorOp, &k);
    }
    return k;
}

uint32_t ActiveStages(const FfpKey& k)
{
    uint32_t n = 0;
    while (n < kFfpStages && StageColorOp(k, n) != D3DTOP_DISABLE) ++n;
    return n;
}

}  // namespace qrn::d3d9
