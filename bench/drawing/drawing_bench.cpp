// The demo's terrain-and-water workload at 640 x 480: 512 indexed draws of
// 17 x 17-vertex patches (289 vertices, 1536 indices, position, normal and
// two texture coordinates) lit by a directional light, textured with two
// stages and fogged, plus one user-memory draw of 5000 additive point
// sprites; once through the Direct3D 9 stand-in and once through a minimal
// hand-written OpenGL 4.5 program with equivalent shaders. Both draw into an
// off-screen framebuffer and copy it to the window, as the device does, and
// finish the frame with glFinish so that the time is the real rendering time.
//
// Run with SDL_VIDEODRIVER=offscreen GLIBC_TUNABLES=glibc.malloc.trim_threshold=536870912.
#include <benchmark/benchmark.h>

#include <SDL.h>
#include <epoxy/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <d3d9.h>
#include <windows.h>
#include "present_params.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr int kPatchesX = 32, kPatchesZ = 16, kCells = 16, kSide = kCells + 1;
constexpr int kPatchVertices = kSide * kSide;      // 289
constexpr int kPatchIndices = kCells * kCells * 6;  // 1536
constexpr int kSprites = 5000;
constexpr float kPi = 3.14159265f;

struct TerrainVertex {  // XYZ | NORMAL | TEX2 (40 bytes)
    float x, y, z, nx, ny, nz, u0, v0, u1, v1;
};
struct SpriteVertex {  // XYZ | PSIZE | DIFFUSE (20 bytes)
    float x, y, z, size;
    DWORD color;
};
static_assert(sizeof(TerrainVertex) == 40 && sizeof(SpriteVertex) == 20);

// ---- the scene, shared by both paths ---------------------------------------------------------

float Height(float x, float z) { return 6.0f * std::sin(x * 0.05f) * std::cos(z * 0.07f) + 2.0f * std::sin(x * 0.31f + z * 0.17f); }

std::vector<TerrainVertex> Patch(int px, int pz)
{
    std::vector<TerrainVertex> v(kPatchVertices);
    for (int j = 0; j < kSide; ++j)
        for (int i = 0; i < kSide; ++i) {
            const float x = (float)(px * kCells + i), z = (float)(pz * kCells + j), e = 0.5f;
            const float dx = Height(x + e, z) - Height(x - e, z), dz = Height(x, z + e) - Height(x, z - e);
            float n[3] = {-dx, 2 * e, -dz};
            const float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            v[j * kSide + i] = {x, Height(x, z), z, n[0] / len, n[1] / len, n[2] / len, x / 16.0f, z / 16.0f, x / 2.0f, z / 2.0f};
        }
    return v;
}

std::vector<uint16_t> PatchIndices()
{
    std::vector<uint16_t> idx;
    for (int j = 0; j < kCells; ++j)
        for (int i = 0; i < kCells; ++i) {
            const uint16_t a = (uint16_t)(j * kSide + i), b = (uint16_t)(a + 1), c = (uint16_t)(a + kSide), d = (uint16_t)(c + 1);
            // Clockwise as seen from above (the viewer looks down on the terrain).
            idx.insert(idx.end(), {a, c, b, b, c, d});
        }
    return idx;
}

std::vector<SpriteVertex> Sprites(int frame)
{
    std::vector<SpriteVertex> s(kSprites);
    for (int i = 0; i < kSprites; ++i) {
        const float t = (float)i * 0.618f + frame * 0.01f;
        const float x = 256.0f + 200.0f * std::sin(t * 1.3f), z = 40.0f + 120.0f * std::fabs(std::cos(t * 0.7f));
        s[i] = {x, Height(x, z) + 3.0f + 2.0f * std::sin(t), z, 1.5f, 0xFF806040u};
    }
    return s;
}

std::vector<uint32_t> Noise(int size, uint32_t base, uint32_t seed)
{
    std::vector<uint32_t> px((size_t)size * size);
    for (auto& p : px) {
        seed = seed * 1664525u + 1013904223u;
        const uint32_t n = (seed >> 24) & 0x3f;
        const uint32_t r = std::min(255u, ((base >> 16) & 0xff) + n), g = std::min(255u, ((base >> 8) & 0xff) + n),
                       b = std::min(255u, (base & 0xff) + n);
        p = 0xFF000000u | r << 16 | g << 8 | b;
    }
    return px;
}

// Row-major (row vectors) camera matrices, as Direct3D takes them.
void Camera(D3DMATRIX* view, D3DMATRIX* proj)
{
    const float eye[3] = {256, 45, -30}, at[3] = {256, 0, 110};
    float zx[3] = {at[0] - eye[0], at[1] - eye[1], at[2] - eye[2]};
    float l = std::sqrt(zx[0] * zx[0] + zx[1] * zx[1] + zx[2] * zx[2]);
    for (float& c : zx) c /= l;
    float xa[3] = {zx[2], 0, -zx[0]};  // up (0,1,0) x z
    l = std::sqrt(xa[0] * xa[0] + xa[2] * xa[2]);
    xa[0] /= l, xa[2] /= l;
    const float ya[3] = {zx[1] * xa[2] - zx[2] * xa[1], zx[2] * xa[0] - zx[0] * xa[2], zx[0] * xa[1] - zx[1] * xa[0]};
    *view = D3DMATRIX{};
    for (int r = 0; r < 3; ++r) view->m[r][0] = xa[r], view->m[r][1] = ya[r], view->m[r][2] = zx[r];
    view->_41 = -(xa[0] * eye[0] + xa[1] * eye[1] + xa[2] * eye[2]);
    view->_42 = -(ya[0] * eye[0] + ya[1] * eye[1] + ya[2] * eye[2]);
    view->_43 = -(zx[0] * eye[0] + zx[1] * eye[1] + zx[2] * eye[2]);
    view->_44 = 1;
    const float zn = 1, zf = 1000, ys = 1 / std::tan(kPi / 8), xs = ys / (4.0f / 3.0f);
    *proj = D3DMATRIX{};
    proj->_11 = xs, proj->_22 = ys, proj->_33 = zf / (zf - zn), proj->_34 = 1, proj->_43 = -zn * zf / (zf - zn);
}

D3DMATRIX Mul(const D3DMATRIX& a, const D3DMATRIX& b)
{
    D3DMATRIX o{};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            for (int k = 0; k < 4; ++k) o.m[r][c] += a.m[r][k] * b.m[k][c];
    return o;
}

const float kLightDir[3] = {0.3f, -0.8f, 0.52f};
constexpr DWORD kFogColor = 0xFF8090A0u;
constexpr float kFogDensity = 0.004f;

// ---- through the device -------------------------------------------------------------------------

struct DeviceScene {
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* dev = nullptr;
    HWND window = nullptr;
    std::vector<IDirect3DVertexBuffer9*> patches;
    IDirect3DIndexBuffer9* indices = nullptr;
    IDirect3DTexture9 *grass = nullptr, *detail = nullptr, *spark = nullptr;
    int frame = 0;

    IDirect3DTexture9* Texture(const std::vector<uint32_t>& px, int size)
    {
        IDirect3DTexture9* t = nullptr;
        dev->CreateTexture(size, size, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &t, nullptr);
        D3DLOCKED_RECT lr{};
        t->LockRect(0, &lr, nullptr, 0);
        for (int y = 0; y < size; ++y) memcpy((uint8_t*)lr.pBits + y * lr.Pitch, &px[(size_t)y * size], size * 4);
        t->UnlockRect(0);
        return t;
    }

    bool Init()
    {
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        if (!d3d) return false;
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "QrnDrawingBench";
        RegisterClassExA(&wc);
        window = CreateWindowExA(0, wc.lpszClassName, "bench", WS_OVERLAPPEDWINDOW, 0, 0, kWidth, kHeight, nullptr,
                                 nullptr, nullptr, nullptr);
        ShowWindow(window, SW_SHOW);
        D3DPRESENT_PARAMETERS pp = WindowedParams(window, kWidth, kHeight);
        if (FAILED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev))) return false;
        for (int pz = 0; pz < kPatchesZ; ++pz)
            for (int px = 0; px < kPatchesX; ++px) {
                IDirect3DVertexBuffer9* vb = nullptr;
                dev->CreateVertexBuffer(kPatchVertices * sizeof(TerrainVertex), D3DUSAGE_WRITEONLY,
                                        D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2, D3DPOOL_MANAGED, &vb, nullptr);
                void* p = nullptr;
                vb->Lock(0, 0, &p, 0);
                auto v = Patch(px, pz);
                memcpy(p, v.data(), v.size() * sizeof v[0]);
                vb->Unlock();
                patches.push_back(vb);
            }
        auto idx = PatchIndices();
        dev->CreateIndexBuffer(kPatchIndices * 2, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices, nullptr);
        void* p = nullptr;
        indices->Lock(0, 0, &p, 0);
        memcpy(p, idx.data(), idx.size() * 2);
        indices->Unlock();
        grass = Texture(Noise(256, 0x305020, 1), 256);
        detail = Texture(Noise(256, 0x606060, 2), 256);
        spark = Texture(Noise(32, 0x804020, 3), 32);
        return true;
    }

    static DWORD F(float f)
    {
        DWORD d;
        memcpy(&d, &f, 4);
        return d;
    }

    void Frame()
    {
        D3DMATRIX view, proj, world{};
        Camera(&view, &proj);
        world._11 = world._22 = world._33 = world._44 = 1;
        dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kFogColor, 1.0f, 0);
        dev->BeginScene();
        dev->SetTransform(D3DTS_WORLD, &world);
        dev->SetTransform(D3DTS_VIEW, &view);
        dev->SetTransform(D3DTS_PROJECTION, &proj);
        // Terrain: lit, two texture stages, exponential fog.
        D3DLIGHT9 light{};
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = {1.0f, 0.95f, 0.85f, 1};
        light.Ambient = {0.3f, 0.3f, 0.35f, 1};
        light.Direction = {kLightDir[0], kLightDir[1], kLightDir[2]};
        dev->SetLight(0, &light);
        dev->LightEnable(0, TRUE);
        D3DMATERIAL9 mat{};
        mat.Diffuse = mat.Ambient = {1, 1, 1, 1};
        dev->SetMaterial(&mat);
        dev->SetRenderState(D3DRS_LIGHTING, TRUE);
        dev->SetRenderState(D3DRS_FOGENABLE, TRUE);
        dev->SetRenderState(D3DRS_FOGCOLOR, kFogColor);
        dev->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_EXP);
        dev->SetRenderState(D3DRS_FOGDENSITY, F(kFogDensity));
        dev->SetTexture(0, grass);
        dev->SetTexture(1, detail);
        // The demo's terrain: the detail texture brightens or darkens around mid-grey.
        dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADDSIGNED);
        dev->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        dev->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
        dev->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
        for (int s = 0; s < 2; ++s) {
            dev->SetSamplerState(s, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
            dev->SetSamplerState(s, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        }
        dev->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2);
        dev->SetIndices(indices);
        for (IDirect3DVertexBuffer9* vb : patches) {
            dev->SetStreamSource(0, vb, 0, sizeof(TerrainVertex));
            dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, kPatchVertices, 0, kPatchIndices / 3);
        }
        // Sprites: unlit, additive, scaled with distance.
        dev->SetTexture(1, nullptr);
        dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        dev->SetTexture(0, spark);
        dev->SetRenderState(D3DRS_LIGHTING, FALSE);
        dev->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
        dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        dev->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
        dev->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
        dev->SetRenderState(D3DRS_POINTSIZE_MIN, F(1.0f));
        dev->SetRenderState(D3DRS_POINTSCALE_A, F(0.0f));
        dev->SetRenderState(D3DRS_POINTSCALE_B, F(0.0f));
        dev->SetRenderState(D3DRS_POINTSCALE_C, F(1.0f));
        const auto sprites = Sprites(frame++);
        dev->SetFVF(D3DFVF_XYZ | D3DFVF_PSIZE | D3DFVF_DIFFUSE);
        dev->DrawPrimitiveUP(D3DPT_POINTLIST, kSprites, sprites.data(), sizeof(SpriteVertex));
        dev->SetRenderState(D3DRS_POINTSPRITEENABLE, FALSE);
        dev->SetRenderState(D3DRS_POINTSCALEENABLE, FALSE);
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        dev->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADDSIGNED);
        dev->EndScene();
        dev->Present(nullptr, nullptr, nullptr, nullptr);
        glFinish();
    }

    void Shutdown()
    {
        for (auto* vb : patches) vb->Release();
        patches.clear();
        for (IUnknown* u : {(IUnknown*)indices, (IUnknown*)grass, (IUnknown*)detail, (IUnknown*)spark})
            if (u) u->Release();
        if (dev) dev->Release();
        if (d3d) d3d->Release();
        if (window) DestroyWindow(window);
    }
};

// ---- hand-written OpenGL ------------------------------------------------------------------------

const char* kTerrainVs = R"(#version 450 core
layout(location = 0) in vec3 aPos;
layout(location = 1) in vec3 aNormal;
layout(location = 5) in vec2 aTex0;
layout(location = 6) in vec2 aTex1;
layout(location = 0) uniform mat4 uWvp;
layout(location = 1) uniform mat4 uWorldView;
layout(location = 2) uniform vec3 uLightDirEye;
out vec4 vColor;
out vec2 vT0;
out vec2 vT1;
out float vDepth;
void main() {
    vec4 p = vec4(aPos, 1.0);
    vec3 n = aNormal * mat3(inverse(uWorldView));
    vec3 L = -uLightDirEye;
    vec3 c = vec3(0.3, 0.3, 0.35) + vec3(1.0, 0.95, 0.85) * max(dot(n, L), 0.0);
    vColor = vec4(clamp(c, 0.0, 1.0), 1.0);
    vT0 = aTex0;
    vT1 = aTex1;
    vec4 clip = uWvp * p;
    vDepth = clip.w;
    // Direct3D's pixel centres, as the device places them.
    gl_Position = clip + vec4(clip.w / 640.0, -clip.w * 0.9921875 / 480.0, 0.0, 0.0);
})";
const char* kTerrainFs = R"(#version 450 core
in vec4 vColor;
in vec2 vT0;
in vec2 vT1;
in float vDepth;
layout(binding = 0) uniform sampler2D uGrass;
layout(binding = 1) uniform sampler2D uDetail;
layout(location = 3) uniform vec4 uFog;  // rgb, density
out vec4 oColor;
void main() {
    vec4 c = clamp(texture(uGrass, vT0) * vColor, 0.0, 1.0);
    c.rgb = clamp(texture(uDetail, vT1).rgb + c.rgb - 0.5, 0.0, 1.0);
    float f = clamp(exp(-vDepth * uFog.w), 0.0, 1.0);
    oColor = vec4(mix(uFog.rgb, c.rgb, f), c.a);
})";
const char* kSpriteVs = R"(#version 450 core
layout(location = 0) in vec3 aPos;
layout(location = 2) in float aSize;
layout(location = 3) in vec4 aColor;
layout(location = 0) uniform mat4 uWvp;
layout(location = 1) uniform mat4 uWorldView;
layout(location = 4) uniform float uViewportHeight;
out vec4 vColor;
out float vDepth;
void main() {
    vec4 p = vec4(aPos, 1.0);
    float De = length((uWorldView * p).xyz);
    gl_PointSize = clamp(uViewportHeight * aSize / De, 1.0, 64.0);
    vColor = aColor;
    vec4 clip = uWvp * p;
    vDepth = clip.w;
    gl_Position = clip + vec4(clip.w / 640.0, -clip.w * 0.9921875 / 480.0, 0.0, 0.0);
})";
const char* kSpriteFs = R"(#version 450 core
in vec4 vColor;
in float vDepth;
layout(binding = 0) uniform sampler2D uSpark;
layout(location = 3) uniform vec4 uFog;  // rgb, density
out vec4 oColor;
void main() {
    vec4 c = clamp(texture(uSpark, gl_PointCoord) * vColor, 0.0, 1.0);
    float f = clamp(exp(-vDepth * uFog.w), 0.0, 1.0);
    oColor = vec4(mix(uFog.rgb, c.rgb, f), c.a);
}
)";

GLuint Program(const char* vs, const char* fs)
{
    auto stage = [](GLenum t, const char* src) {
        GLuint s = glCreateShader(t);
        glShaderSource(s, 1, &src, nullptr);
        glCompileShader(s);
        return s;
    };
    GLuint p = glCreateProgram(), v = stage(GL_VERTEX_SHADER, vs), f = stage(GL_FRAGMENT_SHADER, fs);
    glAttachShader(p, v);
    glAttachShader(p, f);
    glLinkProgram(p);
    glDeleteShader(v);
    glDeleteShader(f);
    return p;
}

struct HandScene {
    SDL_Window* window = nullptr;
    SDL_GLContext ctx = nullptr;
    GLuint fbo = 0, color = 0, depth = 0, terrainProg = 0, spriteProg = 0, vao = 0, spriteVao = 0;
    std::vector<GLuint> patches;
    GLuint indices = 0, spriteBuf = 0, grass = 0, detail = 0, spark = 0;
    int frame = 0;

    GLuint Texture(const std::vector<uint32_t>& px, int size)
    {
        GLuint t = 0;
        glCreateTextures(GL_TEXTURE_2D, 1, &t);
        glTextureStorage2D(t, 1, GL_RGBA8, size, size);
        glTextureSubImage2D(t, 0, 0, 0, size, size, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, px.data());
        glTextureParameteri(t, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTextureParameteri(t, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        return t;
    }

    bool Init()
    {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        window = SDL_CreateWindow("hand", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL);
        if (!window) return false;
        ctx = SDL_GL_CreateContext(window);
        if (!ctx) return false;
        SDL_GL_MakeCurrent(window, ctx);
        SDL_GL_SetSwapInterval(0);
        glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
        glEnable(GL_PROGRAM_POINT_SIZE);
        glCreateFramebuffers(1, &fbo);
        glCreateTextures(GL_TEXTURE_2D, 1, &color);
        glTextureStorage2D(color, 1, GL_RGBA8, kWidth, kHeight);
        glCreateRenderbuffers(1, &depth);
        glNamedRenderbufferStorage(depth, GL_DEPTH_COMPONENT24, kWidth, kHeight);
        glNamedFramebufferTexture(fbo, GL_COLOR_ATTACHMENT0, color, 0);
        glNamedFramebufferRenderbuffer(fbo, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
        terrainProg = Program(kTerrainVs, kTerrainFs);
        spriteProg = Program(kSpriteVs, kSpriteFs);
        for (int pz = 0; pz < kPatchesZ; ++pz)
            for (int px = 0; px < kPatchesX; ++px) {
                auto v = Patch(px, pz);
                GLuint b = 0;
                glCreateBuffers(1, &b);
                glNamedBufferStorage(b, v.size() * sizeof v[0], v.data(), 0);
                patches.push_back(b);
            }
        auto idx = PatchIndices();
        glCreateBuffers(1, &indices);
        glNamedBufferStorage(indices, idx.size() * 2, idx.data(), 0);
        glCreateVertexArrays(1, &vao);
        const GLuint locs[4] = {0, 1, 5, 6};
        const GLuint sizes[4] = {3, 3, 2, 2};
        const GLuint offs[4] = {0, 12, 24, 32};
        for (int i = 0; i < 4; ++i) {
            glEnableVertexArrayAttrib(vao, locs[i]);
            glVertexArrayAttribFormat(vao, locs[i], sizes[i], GL_FLOAT, GL_FALSE, offs[i]);
            glVertexArrayAttribBinding(vao, locs[i], 0);
        }
        glVertexArrayElementBuffer(vao, indices);
        glCreateBuffers(1, &spriteBuf);
        glNamedBufferData(spriteBuf, kSprites * sizeof(SpriteVertex), nullptr, GL_STREAM_DRAW);
        glCreateVertexArrays(1, &spriteVao);
        glEnableVertexArrayAttrib(spriteVao, 0);
        glVertexArrayAttribFormat(spriteVao, 0, 3, GL_FLOAT, GL_FALSE, 0);
        glEnableVertexArrayAttrib(spriteVao, 2);
        glVertexArrayAttribFormat(spriteVao, 2, 1, GL_FLOAT, GL_FALSE, 12);
        glEnableVertexArrayAttrib(spriteVao, 3);
        glVertexArrayAttribFormat(spriteVao, 3, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, 16);
        for (GLuint l : {0u, 2u, 3u}) glVertexArrayAttribBinding(spriteVao, l, 0);
        glVertexArrayVertexBuffer(spriteVao, 0, spriteBuf, 0, sizeof(SpriteVertex));
        grass = Texture(Noise(256, 0x305020, 1), 256);
        detail = Texture(Noise(256, 0x606060, 2), 256);
        spark = Texture(Noise(32, 0x804020, 3), 32);
        return true;
    }

    void Frame()
    {
        D3DMATRIX view, proj;
        Camera(&view, &proj);
        const D3DMATRIX wvp = Mul(view, proj);
        float lightEye[3];
        for (int c = 0; c < 3; ++c) lightEye[c] = kLightDir[0] * view.m[0][c] + kLightDir[1] * view.m[1][c] + kLightDir[2] * view.m[2][c];
        const float ll = std::sqrt(lightEye[0] * lightEye[0] + lightEye[1] * lightEye[1] + lightEye[2] * lightEye[2]);
        for (float& c : lightEye) c /= ll;
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glViewport(0, 0, kWidth, kHeight);
        glDepthMask(GL_TRUE);
        const float fog[4] = {0x80 / 255.0f, 0x90 / 255.0f, 0xA0 / 255.0f, kFogDensity};
        glClearColor(fog[0], fog[1], fog[2], 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CW);
        glUseProgram(terrainProg);
        glUniformMatrix4fv(0, 1, GL_FALSE, &wvp.m[0][0]);
        glUniformMatrix4fv(1, 1, GL_FALSE, &view.m[0][0]);
        glUniform3fv(2, 1, lightEye);
        glUniform4fv(3, 1, fog);
        glBindTextureUnit(0, grass);
        glBindTextureUnit(1, detail);
        glBindVertexArray(vao);
        for (GLuint b : patches) {
            glVertexArrayVertexBuffer(vao, 0, b, 0, sizeof(TerrainVertex));
            glDrawElements(GL_TRIANGLES, kPatchIndices, GL_UNSIGNED_SHORT, nullptr);
        }
        const auto sprites = Sprites(frame++);
        glNamedBufferData(spriteBuf, kSprites * sizeof(SpriteVertex), nullptr, GL_STREAM_DRAW);  // orphan
        glNamedBufferSubData(spriteBuf, 0, kSprites * sizeof(SpriteVertex), sprites.data());
        glUseProgram(spriteProg);
        glUniformMatrix4fv(0, 1, GL_FALSE, &wvp.m[0][0]);
        glUniformMatrix4fv(1, 1, GL_FALSE, &view.m[0][0]);
        glUniform1f(4, (float)kHeight);
        glUniform4fv(3, 1, fog);
        glBindTextureUnit(0, spark);
        glDepthMask(GL_FALSE);
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
        glBindVertexArray(spriteVao);
        glDrawArrays(GL_POINTS, 0, kSprites);
        glDisable(GL_BLEND);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glBlitFramebuffer(0, 0, kWidth, kHeight, 0, kHeight, kWidth, 0, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        SDL_GL_SwapWindow(window);
        glFinish();
    }

    void Shutdown()
    {
        if (ctx) SDL_GL_DeleteContext(ctx);
        if (window) SDL_DestroyWindow(window);
    }
};

DeviceScene* g_device = nullptr;
HandScene* g_hand = nullptr;

void BM_DeviceFrame(benchmark::State& state)
{
    if (!g_device) {
        g_device = new DeviceScene;
        if (!g_device->Init()) {
            state.SkipWithError("no device");
            return;
        }
    }
    for (int i = 0; i < 3; ++i) g_device->Frame();  // warm up: programs, uploads
    for (auto _ : state) g_device->Frame();
    state.counters["fps"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}

void BM_HandWrittenFrame(benchmark::State& state)
{
    if (!g_hand) {
        g_hand = new HandScene;
        if (!g_hand->Init()) {
            state.SkipWithError("no GL context");
            return;
        }
    }
    SDL_GL_MakeCurrent(g_hand->window, g_hand->ctx);
    for (int i = 0; i < 3; ++i) g_hand->Frame();
    for (auto _ : state) g_hand->Frame();
    state.counters["fps"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}

// Both pictures, to show the two paths draw the same thing: the mean
// difference per channel (0..255) and the share of pixels that differ by
// more than 16 in some channel.
void BM_ComparePictures(benchmark::State& state)
{
    if (!g_device || !g_hand) {
        state.SkipWithError("run the frame benchmarks first");
        return;
    }
    for (auto _ : state) {
    }
    std::vector<uint32_t> dev((size_t)kWidth * kHeight), hand(dev.size());
    g_device->dev->TestCooperativeLevel();  // makes nothing current; the frame below does
    g_device->frame = 100;
    g_device->Frame();
    IDirect3DSurface9 *back = nullptr, *sys = nullptr;
    g_device->dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    g_device->dev->CreateOffscreenPlainSurface(kWidth, kHeight, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &sys, nullptr);
    g_device->dev->GetRenderTargetData(back, sys);
    D3DLOCKED_RECT lr{};
    sys->LockRect(&lr, nullptr, D3DLOCK_READONLY);
    for (int y = 0; y < kHeight; ++y) memcpy(&dev[(size_t)y * kWidth], (uint8_t*)lr.pBits + y * lr.Pitch, kWidth * 4);
    sys->UnlockRect();
    sys->Release();
    back->Release();
    SDL_GL_MakeCurrent(g_hand->window, g_hand->ctx);
    g_hand->frame = 100;
    g_hand->Frame();
    glGetTextureImage(g_hand->color, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, (GLsizei)(hand.size() * 4), hand.data());
    if (const char* dir = getenv("QRN_BENCH_DUMP")) {
        // Both pictures as binary PPM files, for a look by eye.
        for (int k = 0; k < 2; ++k) {
            const std::vector<uint32_t>& px = k ? hand : dev;
            FILE* f = fopen((std::string(dir) + (k ? "/hand.ppm" : "/device.ppm")).c_str(), "wb");
            if (!f) continue;
            fprintf(f, "P6 %d %d 255\n", kWidth, kHeight);
            for (uint32_t p : px) {
                const unsigned char rgb[3] = {(unsigned char)(p >> 16), (unsigned char)(p >> 8), (unsigned char)p};
                fwrite(rgb, 1, 3, f);
            }
            fclose(f);
        }
    }
    double sum = 0;
    size_t off = 0;
    for (size_t i = 0; i < dev.size(); ++i) {
        int worst = 0;
        for (int s = 0; s < 24; s += 8) {
            const int d = std::abs((int)((dev[i] >> s) & 0xff) - (int)((hand[i] >> s) & 0xff));
            sum += d;
            worst = std::max(worst, d);
        }
        off += worst > 16;
    }
    state.counters["mean_diff"] = sum / (dev.size() * 3.0);
    state.counters["pixels_off_pct"] = 100.0 * (double)off / (double)dev.size();
}

// Alternating runs, so that both paths see the same machine load.
BENCHMARK(BM_DeviceFrame)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_HandWrittenFrame)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_DeviceFrame)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_HandWrittenFrame)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_DeviceFrame)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_HandWrittenFrame)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_DeviceFrame)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_HandWrittenFrame)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_ComparePictures)->Iterations(1);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (g_device) g_device->Shutdown();
    if (g_hand) g_hand->Shutdown();
    benchmark::Shutdown();
    return 0;
}
