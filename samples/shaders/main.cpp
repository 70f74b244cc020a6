// shaders: the island with its ground lit per pixel by a high-level shader
// pair and its sea moved by an assembly vertex shader.
//
//   shaders [--windowed] [--fixed] [--screenshot FILE] [--frames N]
//
// --fixed draws the same scene with the fixed-function pipeline (for
// comparison). Arrows or W/A/S/D walk, the mouse looks around. Run it in
// the build's bin folder (the demo's files and shaders_terrain.fx,
// shaders_water.vsh). With --frames N it stops after N frames and prints
// the mean frame rate; with --screenshot FILE it saves the last frame.
#include <windows.h>
#include <dinput.h>

#include <cstdio>
#include <string>

#include "Engine.h"
#include "Input.h"
#include "SampleRun.h"
#include "Shader.h"
#include "ViewerScene.h"

namespace {

struct Options : viewer::SampleOptions {
    bool fixed = false;
};

// The common options and --fixed.
bool ParseOptions(int argc, char** argv, Options* o) {
    const auto fixed = [o](const char* argument) {
        if (std::string(argument) != "--fixed") return false;
        o->fixed = true;
        return true;
    };
    return viewer::ParseSampleOptions(argc, argv, o, fixed);
}

// Binds the terrain pair around the ground and the wave shader around the sea.
class CShaderHooks : public viewer::CDrawHooks {
public:
    bool Load(qrn::IRenderDevice* device) {
        m_pTerrainVs = static_cast<qrn::IVertexShader*>(device->CreateObject(qrn::OBJECTTYPE_VERTEXSHADER));
        m_pTerrainPs = static_cast<qrn::IPixelShader*>(device->CreateObject(qrn::OBJECTTYPE_PIXELSHADER));
        m_pWaterVs = static_cast<qrn::IVertexShader*>(device->CreateObject(qrn::OBJECTTYPE_VERTEXSHADER));
        if (!m_pTerrainVs || !m_pTerrainPs || !m_pWaterVs) return false;
        // Profile values: 2 = vs_2_0, 5 = ps_2_0.
        const bool ok = m_pTerrainVs->Load("shaders_terrain.fx", true, 2, true) &&
                        m_pTerrainPs->Load("shaders_terrain.fx", true, 5, true) &&
                        m_pWaterVs->Load("shaders_water.vsh", false, 2, true);
        if (!ok) std::fprintf(stderr, "shaders: a shader did not load (QRN_DEBUG_OUTPUT=1 shows why)\n");
        return ok;
    }

    void SetSun(const qrn::SLight& sun, float time) {
        m_Sun = sun;
        m_fTime = time;
    }

    void BeforeTerrain() override {
        const float toSun[4] = {-m_Sun.direction.x, -m_Sun.direction.y, -m_Sun.direction.z, 0.0f};
        const float colour[4] = {m_Sun.diffuse[0], m_Sun.diffuse[1], m_Sun.diffuse[2], 1.0f};
        const float ambient[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        m_pTerrainPs->SetConstantF(0, toSun, 1);
        m_pTerrainPs->SetConstantF(1, colour, 1);
        m_pTerrainPs->SetConstantF(2, ambient, 1);
        m_pTerrainVs->Apply();
        m_pTerrainPs->Apply();
    }
    void AfterTerrain() override {
        m_pTerrainPs->Remove();
        m_pTerrainVs->Remove();
    }
    void BeforeWater() override {
        const float waves[4] = {m_fTime * 1.5f, m_fTime * 0.02f, m_fTime * 0.01f, 0.0f};
        m_pWaterVs->SetConstantF(21, waves, 1);
        m_pWaterVs->Apply();
    }
    void AfterWater() override { m_pWaterVs->Remove(); }

private:
    // Made by the device, which deletes them with itself.
    qrn::IVertexShader* m_pTerrainVs = nullptr;
    qrn::IPixelShader* m_pTerrainPs = nullptr;
    qrn::IVertexShader* m_pWaterVs = nullptr;
    qrn::SLight m_Sun{};
    float m_fTime = 0.0f;
};

class CShadersApplication : public viewer::CSampleApplication {
public:
    explicit CShadersApplication(const Options& options)
        : CSampleApplication("shaders", options, options.fixed ? "shaders (fixed function)" : nullptr),
          m_Options(options) {}

    bool InitScene() {
        if (!m_Scene.Init(m_pRenderDevice)) return false;
        if (!m_Scene.TerrainLoaded()) std::fprintf(stderr, "shaders: run in the build's bin folder\n");
        if (m_Options.frames > 0) m_Scene.SetDayRunning(false);
        if (!m_Options.fixed) {
            if (!m_Hooks.Load(m_pRenderDevice)) return false;
            m_Scene.SetHooks(&m_Hooks);
        }
        return true;
    }

    bool UpdateFrame() override {
        m_Scene.WalkWith(m_pInput);
        // Timed runs show a fixed moment, so pictures repeat.
        m_fTime = m_Options.frames > 0 ? 2.0f : m_fTime + m_fElapsedTime;
        m_Hooks.SetSun(m_Scene.Sun(), m_fTime);
        m_Scene.Frame(m_fElapsedTime, BeginFrame());
        EndFrame();
        return true;
    }

private:
    Options m_Options;
    viewer::CViewerScene m_Scene;
    CShaderHooks m_Hooks;
    float m_fTime = 0.0f;
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr, "usage: shaders [--windowed] [--fixed] [--screenshot FILE] [--frames N]\n");
        return 2;
    }
    auto* app = new CShadersApplication(options);
    int result = 1;
    if (!app->Initialize(GetModuleHandleA(nullptr), options.windowed, qrn::SCREENRESOLUTION_640X480) ||
        !app->InitScene()) {
        std::fprintf(stderr, "shaders: initialisation failed\n");
    } else {
        result = app->Run();
    }
    delete app;
    return result;
}
