// Filling the fixed-function uniform block from the recorded device state.
#include "ffp_uniforms.h"

#include <cmath>
#include <cstring>

#include "device_state.h"

namespace qrn::d3d9 {

const char* const kFfpUniformGlsl = R"(struct FfpLight {
    vec4 diffuse;
    vec4 specular;
    vec4 ambient;
    vec4 position;
    vec4 direction;
    vec4 attenuation;
    vec4 spot;
};
layout(std140, binding = 0) uniform FfpState {
    mat4 worldView;
    mat4 worldViewProj;
    mat4 normalMatrix;
    vec4 matDiffuse;
    vec4 matAmbient;
    vec4 matSpecular;
    vec4 matEmissive;
    vec4 globalAmbient;
    vec4 textureFactor;
    vec4 fogColor;
    vec4 fogParams;
    vec4 pointParams;
    vec4 pointScale;
    vec4 misc;
    vec4 viewport;
    vec4 viewportSize;
    vec4 stageConstant[8];
    FfpLight lights[8];
} u;
)";

namespace {

void Multiply(const D3DMATRIX& a, const D3DMATRIX& b, float out[16])
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out[r * 4 + c] = a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c] + a.m[r][3] * b.m[3][c];
}

D3DMATRIX FromFloats(const float f[16])
{
    D3DMATRIX m;
    memcpy(m.m, f, sizeof m.m);
    return m;
}

// Inverse of the upper 3x3 of m into the upper 3x3 of out (rest identity).
// A singular matrix gives the identity, so normals stay finite.
void Inverse3x3(const float m[16], float out[16])
{
    const float a = m[0], b = m[1], c = m[2], d = m[4], e = m[5], f = m[6], g = m[8], h = m[9], i = m[10];
    const float A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
    const float det = a * A + b * B + c * C;
    memset(out, 0, 16 * sizeof(float));
    out[15] = 1.0f;
    if (std::fabs(det) < 1e-30f) {
        out[0] = out[5] = out[10] = 1.0f;
        return;
    }
    const float k = 1.0f / det;
    out[0] = A * k;
    out[1] = -(b * i - c * h) * k;
    out[2] = (b * f - c * e) * k;
    out[4] = B * k;
    out[5] = (a * i - c * g) * k;
    out[6] = -(a * f - c * d) * k;
    out[8] = C * k;
    out[9] = -(a * h - b * g) * k;
    out[10] = (a * e - b * d) * k;
}

void Copy4(const D3DCOLORVALUE& c, float out[4])
{
    out[0] = c.r, out[1] = c.g, out[2] = c.b, out[3] = c.a;
}

// p · V for a point (w = 1) or a direction (w = 0).
void Transform(const D3DVECTOR& v, float w, const D3DMATRIX& m, float out[4])
{
    for (int c = 0; c < 3; ++c) out[c] = v.x * m.m[0][c] + v.y * m.m[1][c] + v.z * m.m[2][c] + w * m.m[3][c];
    out[3] = w;
}

void FillLight(const D3DLIGHT9& l, const D3DMATRIX& view, FfpLightData* d)
{
    Copy4(l.Diffuse, d->diffuse);
    Copy4(l.Specular, d->specular);
    Copy4(l.Ambient, d->ambient);
    Transform(l.Position, 1.0f, view, d->position);
    Transform(l.Direction, 0.0f, view, d->direction);
    const float len = std::sqrt(d->direction[0] * d->direction[0] + d->direction[1] * d->direction[1] +
                                d->direction[2] * d->direction[2]);
    if (len > 0.0f)
        for (int i = 0; i < 3; ++i) d->direction[i] /= len;
    d->attenuation[0] = l.Range;
    d->attenuation[1] = l.Attenuation0;
    d->attenuation[2] = l.Attenuation1;
    d->attenuation[3] = l.Attenuation2;
    d->spot[0] = std::cos(l.Theta * 0.5f);
    d->spot[1] = std::cos(l.Phi * 0.5f);
    d->spot[2] = l.Falloff;
    d->spot[3] = 0.0f;
}

}  // namespace

void ColorToFloats(DWORD c, float out[4])
{
    out[0] = ((c >> 16) & 0xff) / 255.0f;
    out[1] = ((c >> 8) & 0xff) / 255.0f;
    out[2] = (c & 0xff) / 255.0f;
    out[3] = ((c >> 24) & 0xff) / 255.0f;
}

void FillFfpUniforms(const DeviceState& s, float maxPointSize, FfpUniforms* u)
{
    const auto& rs = s.renderStates;
    float wv[16];
    Multiply(s.world[0], s.view, wv);
    memcpy(u->worldView, wv, sizeof wv);
    Multiply(FromFloats(wv), s.projection, u->worldViewProj);
    Inverse3x3(wv, u->normalMatrix);

    Copy4(s.material.Diffuse, u->matDiffuse);
    Copy4(s.material.Ambient, u->matAmbient);
    Copy4(s.material.Specular, u->matSpecular);
    Copy4(s.material.Emissive, u->matEmissive);
    ColorToFloats(rs[D3DRS_AMBIENT], u->globalAmbient);
    ColorToFloats(rs[D3DRS_TEXTUREFACTOR], u->textureFactor);
    ColorToFloats(rs[D3DRS_FOGCOLOR], u->fogColor);

    const float start = BitsFloat(rs[D3DRS_FOGSTART]), end = BitsFloat(rs[D3DRS_FOGEND]);
    u->fogParams[0] = start;
    u->fogParams[1] = end;
    u->fogParams[2] = BitsFloat(rs[D3DRS_FOGDENSITY]);
    u->fogParams[3] = end != start ? 1.0f / (end - start) : 0.0f;

    const float pmin = BitsFloat(rs[D3DRS_POINTSIZE_MIN]);
    float pmax = BitsFloat(rs[D3DRS_POINTSIZE_MAX]);
    if (!(pmax <= maxPointSize)) pmax = maxPointSize;
    u->pointParams[0] = BitsFloat(rs[D3DRS_POINTSIZE]);
    u->pointParams[1] = pmin;
    u->pointParams[2] = pmax;
    u->pointParams[3] = (float)s.viewport.Height;
    u->pointScale[0] = BitsFloat(rs[D3DRS_POINTSCALE_A]);
    u->pointScale[1] = BitsFloat(rs[D3DRS_POINTSCALE_B]);
    u->pointScale[2] = BitsFloat(rs[D3DRS_POINTSCALE_C]);
    u->pointScale[3] = 0.0f;

    u->misc[0] = s.material.Power;
    u->misc[1] = BitsFloat(rs[D3DRS_TWEENFACTOR]);
    u->misc[2] = (float)(rs[D3DRS_ALPHAREF] & 0xff);
    u->misc[3] = 0.0f;

    const float vw = s.viewport.Width ? (float)s.viewport.Width : 1.0f;
    const float vh = s.viewport.Height ? (float)s.viewport.Height : 1.0f;
    u->viewport[0] = (float)s.viewport.X;
    u->viewport[1] = (float)s.viewport.Y;
    u->viewport[2] = 1.0f / vw;
    u->viewport[3] = 1.0f / vh;
    u->viewportSize[0] = vw;
    u->viewportSize[1] = vh;
    u->viewportSize[2] = u->viewportSize[3] = 0.0f;

    for (uint32_t i = 0; i < kFfpStages; ++i) ColorToFloats(s.stageStates[i][D3DTSS_CONSTANT], u->stageConstant[i]);

    memset(u->lights, 0, sizeof u->lights);
    for (uint32_t i = 0; i < s.enabledLightCount && i < kFfpMaxLights; ++i) {
        auto it = s.lights.find(s.enabledLights[i]);
        if (it != s.lights.end()) FillLight(it->second.light, s.view, &u->lights[i]);
    }
}

}  // namespace qrn::d3d9
