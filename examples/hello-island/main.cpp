// hello-island [FOLDER [FRAMES]]: the island in a window through the installed Quarnel engine.
// FOLDER holds its files (default: the engine's share/brackwood); FRAMES ends the run early.
#include <Camera.h>
#include <Engine.h>
#include <Heightmap.h>
#include <SkyBox.h>
#include <Sound.h>
#include <Waterplane.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

class CHelloIsland : public qrn::CEngineApplication {
public:
    explicit CHelloIsland(long frames) : m_lFramesLeft(frames) {}
    bool InitScene() {
        m_pRenderDevice->SetProjection(false, 0.8f, 0.1f, 1600.0f);
        m_pRenderDevice->SetAmbientLight(1, 1, 1);
        m_Sky.SetData(qrn::Vector4(-460, -460, -460, 1), qrn::Vector4(460, 460, 460, 1), 0xFFFFFFFF,
                      0xFFFFFFFF, "tr_skybox", ".jpg", m_pRenderDevice);
        m_Land.SetTexture("tr_grass1.bmp", 0, 0);
        m_Land.SetTexture("tr_detail.jpg", 1, 1);
        m_Land.SetLight(qrn::Vector4(0.6f, -0.7f, 0.4f, 1), 255, 245, 225);
        m_Sea.SetData(257, 257, 1.0f, 40.0f, 4.0f, 20.0f, qrn::Vector4(), m_pRenderDevice);
        m_Sea.SetTexture("tr_water.bmp", 0, 0);
        m_Camera.SetPosition(qrn::Vector4(128, 0, 148, 1));
        m_Camera.SetRotationSpeedY(0.15f);  // turns slowly until Escape is pressed twice
        if (!m_Waves.SetData("ambient.mp3", true)) std::fprintf(stderr, "hello-island: no sound\n");
        m_Waves.Play(160);
        return m_Land.SetData("257x257_01.raw", 257, 257, 0.4f, 1.0f, 160.0f, qrn::Vector4(), m_pRenderDevice);
    }

    bool UpdateFrame() override {
        m_Camera.Update(m_fElapsedTime);
        qrn::Vector4 eye = m_Camera.GetPosition();
        eye.y = std::max(m_Land.GetHeightAt(eye.x, eye.z), m_Sea.GetHeight()) + 2.0f;
        m_Camera.SetPosition(eye);
        const qrn::Matrix4x4 view = m_Camera.GetViewMatrix();
        m_pRenderDevice->SetViewMatrix(&view);
        if (!m_pRenderDevice->BeginRendering(true, true, true)) return true;  // lost: skip a frame
        qrn::Matrix4x4 world;
        world.SetTranslation(eye.x, eye.y, eye.z, true);  // the sky travels with the eye
        m_pRenderDevice->SetWorldMatrix(&world);
        m_Sky.Render();
        m_pRenderDevice->SetWorldMatrix(nullptr);  // identity
        m_Land.Render(true, true);
        world.SetTranslation(0, m_Sea.GetHeight(), 0, true);
        m_pRenderDevice->SetWorldMatrix(&world);
        m_Sea.Update(m_fElapsedTime);
        m_Sea.Render(true, true);
        m_pRenderDevice->EndRendering(true);
        return --m_lFramesLeft != 0;
    }
    bool SizeMessageProc(HWND) override { return false; }

private:
    long m_lFramesLeft;  // negative: no limit
    qrngu::ICamera m_Camera;
    qrngu::IHeightmap m_Land;
    qrngu::IWaterplane m_Sea;
    qrngu::ISkyBox m_Sky;
    qrnsu::ISound m_Waves;
};

int main(int argc, char** argv) {
    const char* folder = argc > 1 ? argv[1] : ISLAND_DIR;
    auto* app = new CHelloIsland(argc > 2 ? std::max(1L, std::atol(argv[2])) : -1);
    int result = 1;
    if (chdir(folder) != 0 || access("257x257_01.raw", R_OK) != 0)
        std::fprintf(stderr, "hello-island: the island's files are not in %s: give their folder\n"
                             "  (share/brackwood where Quarnel is installed)\n", folder);
    else if (!app->Initialize(nullptr, true, qrn::SCREENRESOLUTION_DESKTOP) || !app->InitScene())
        std::fprintf(stderr, "hello-island: the engine did not start (the reason is above)\n");
    else
        for (result = 0; app->Update();) continue;
    delete app;
    return result;
}
