// Every generated fixed-function program compiles and links, and the uniform
// block's C++ layout matches what the GL compiler made of the GLSL text.
#include <gtest/gtest.h>

#include <SDL.h>
#include <epoxy/gl.h>

#include <cstddef>
#include <vector>

#include "d3d9/ffp_glsl.h"
#include "d3d9/gl_ffp_program.h"
#include "d3d9/ffp_uniforms.h"
#include "display_required.h"

using namespace qrn::d3d9;

namespace {

class GlContext : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (SDL_Init(SDL_INIT_VIDEO) != 0) return;
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        window_ = SDL_CreateWindow("ffp", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (window_) context_ = SDL_GL_CreateContext(window_);
    }
    static void TearDownTestSuite()
    {
        if (context_) SDL_GL_DeleteContext(context_);
        if (window_) SDL_DestroyWindow(window_);
        context_ = nullptr;
        window_ = nullptr;
        SDL_Quit();
    }
    void SetUp() override
    {
        if (!context_) QRN_MISSING_DISPLAY("no OpenGL 4.5 context: " << SDL_GetError());
    }
    static SDL_Window* window_;
    static SDL_GLContext context_;
};
SDL_Window* GlContext::window_ = nullptr;
SDL_GLContext GlContext::context_ = nullptr;

FfpKey WithAttribs(std::initializer_list<uint32_t> attribs)
{
    FfpKey k;
    for (uint32_t a : attribs)
        if (a != kAttrPosition) k.attribs |= 1u << (a - 1);
    return k;
}

void SetStage(FfpKey& k, uint32_t s, uint32_t colorOp, uint32_t alphaOp, uint32_t arg1, uint32_t arg2, bool textured)
{
    FfpStageKey& st = k.stages[s];
    st.colorOp = colorOp ^ (s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE);
    st.alphaOp = alphaOp ^ (s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE);
    st.colorArg1 = arg1 ^ kArg1Default;
    st.colorArg2 = arg2 ^ kArg2Default;
    st.alphaArg1 = arg1 ^ (textured ? D3DTA_TEXTURE : D3DTA_DIFFUSE);
    st.alphaArg2 = arg2 ^ kArg2Default;
    st.textured = textured;
}

// A spread of keys that between them reach every branch of the generator.
std::vector<FfpKey> SweepKeys()
{
    std::vector<FfpKey> keys;
    keys.push_back(FfpKey());
    // Lit with every light type, both viewer modes, specular, sources.
    for (int variant = 0; variant < 4; ++variant) {
        FfpKey k = WithAttribs({kAttrPosition, kAttrNormal, kAttrColor0, kAttrColor1, kAttrTex0});
        k.lightTypes = D3DLIGHT_DIRECTIONAL | D3DLIGHT_POINT << 2 | D3DLIGHT_SPOT << 4 | D3DLIGHT_SPOT << 6;
        k.specular = variant & 1;
        k.nonLocalViewer = (variant >> 1) & 1;
        k.normalizeNormals = variant & 1;
        k.ambientSource = variant;  // reaches COLOR1/COLOR2 sources
        k.emissiveSource = 3 - variant;
        keys.push_back(k);
    }
    // Lit without a normal, eight lights.
    FfpKey noNormal;
    noNormal.lightTypes = 0xffff;
    keys.push_back(noNormal);
    // Fog of each kind and mode.
    for (uint32_t mode = 1; mode <= 3; ++mode)
        for (int table = 0; table < 2; ++table) {
            FfpKey k = WithAttribs({kAttrPosition, kAttrColor0});
            k.unlit = 1;
            k.fogMode = mode;
            k.fogTable = table;
            k.fogRange = !table;
            k.fogDeviceZ = table && mode == 3;
            keys.push_back(k);
        }
    FfpKey specFog = WithAttribs({kAttrPosition, kAttrColor0, kAttrColor1});
    specFog.pretransformed = 1;
    specFog.unlit = 1;
    specFog.fogFromSpecular = 1;
    keys.push_back(specFog);
    // Every texture operation, on two stages with varied arguments.
    for (uint32_t op = D3DTOP_SELECTARG1; op <= D3DTOP_LERP; ++op) {
        FfpKey k = WithAttribs({kAttrPosition, kAttrColor0, kAttrTex0, kAttrTex0 + 1});
        k.unlit = 1;
        SetStage(k, 0, op, op, D3DTA_TEXTURE, D3DTA_DIFFUSE | D3DTA_COMPLEMENT, true);
        SetStage(k, 1, op, D3DTOP_DISABLE, D3DTA_TFACTOR | D3DTA_ALPHAREPLICATE, D3DTA_SPECULAR, op % 2 == 0);
        k.stages[1].texCoordIndex = 1 ^ 1;
        k.stages[1].colorArg0 = D3DTA_CONSTANT ^ kArg0Default;
        k.stages[1].resultTemp = op % 3 == 0;
        keys.push_back(k);
    }
    // Alpha test with every function; flat shading.
    for (uint32_t f = 1; f <= 7; ++f) {
        FfpKey k;
        k.alphaFunc = f;
        k.flatShade = f == 3;
        keys.push_back(k);
    }
    // Points: sized per vertex or by state, scaled, sprites, pre-transformed.
    for (int v = 0; v < 4; ++v) {
        FfpKey k = v & 1 ? WithAttribs({kAttrPosition, kAttrPSize, kAttrColor0}) : WithAttribs({kAttrPosition, kAttrColor0});
        k.unlit = 1;
        k.points = 1;
        k.pointScale = (v >> 1) & 1;
        k.pointSprite = 1;
        SetStage(k, 0, D3DTOP_MODULATE, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT, true);
        k.pretransformed = v == 2;
        if (k.pretransformed) k.pointScale = 0;
        keys.push_back(k);
    }
    // Tweening of position and normal; a stage reading a set the vertex lacks.
    FfpKey tween = WithAttribs({kAttrPosition, kAttrNormal, kAttrPosition1, kAttrNormal1});
    tween.tween = 1;
    tween.lightTypes = D3DLIGHT_DIRECTIONAL;
    SetStage(tween, 0, D3DTOP_MODULATE, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT, true);
    tween.stages[0].texCoordIndex = 5;
    keys.push_back(tween);
    return keys;
}

}  // namespace

TEST_F(GlContext, EveryGeneratedProgramLinks)
{
    FfpProgramCache cache;
    const auto keys = SweepKeys();
    for (size_t i = 0; i < keys.size(); ++i) {
        std::string log;
        const std::string vs = FfpVertexShaderText(keys[i]), fs = FfpFragmentShaderText(keys[i]);
        GLuint prog = LinkGlslProgram(vs.c_str(), fs.c_str(), &log);
        ASSERT_NE(prog, 0u) << "key " << i << ":\n" << log << "\n" << vs << "\n" << fs;
        glDeleteProgram(prog);
    }
    // The cache builds each key once.
    EXPECT_NE(cache.Get(keys[1]), 0u);
    EXPECT_EQ(cache.Get(keys[1]), cache.Get(keys[1]));
    EXPECT_EQ(cache.Compiles(), 1u);
}

TEST_F(GlContext, UniformBlockLayoutMatchesTheStruct)
{
    FfpKey k;
    k.lightTypes = D3DLIGHT_SPOT;
    std::string log;
    GLuint prog = LinkGlslProgram(FfpVertexShaderText(k).c_str(), FfpFragmentShaderText(k).c_str(), &log);
    ASSERT_NE(prog, 0u) << log;
    GLuint block = glGetUniformBlockIndex(prog, "FfpState");
    ASSERT_NE(block, GL_INVALID_INDEX);
    GLint size = 0;
    glGetActiveUniformBlockiv(prog, block, GL_UNIFORM_BLOCK_DATA_SIZE, &size);
    EXPECT_EQ((size_t)size, sizeof(FfpUniforms));
    struct {
        const char* name;
        size_t offset;
    } members[] = {
        {"FfpState.worldViewProj", offsetof(FfpUniforms, worldViewProj)},
        {"FfpState.normalMatrix", offsetof(FfpUniforms, normalMatrix)},
        {"FfpState.globalAmbient", offsetof(FfpUniforms, globalAmbient)},
        {"FfpState.misc", offsetof(FfpUniforms, misc)},
        {"FfpState.viewport", offsetof(FfpUniforms, viewport)},
        {"FfpState.lights[0].spot", offsetof(FfpUniforms, lights[0].spot)},
        {"FfpState.lights[0].attenuation", offsetof(FfpUniforms, lights[0].attenuation)},
    };
    for (const auto& m : members) {
        GLuint index = GL_INVALID_INDEX;
        glGetUniformIndices(prog, 1, &m.name, &index);
        if (index == GL_INVALID_INDEX) continue;  // optimised away in this program
        GLint offset = -1;
        glGetActiveUniformsiv(prog, 1, &index, GL_UNIFORM_OFFSET, &offset);
        EXPECT_EQ((size_t)offset, m.offset) << m.name;
    }
    glDeleteProgram(prog);
}
