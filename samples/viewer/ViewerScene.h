// The island's ground, sea and sky, set up and drawn the way the demo does:
// the same files, numbers and states. Used by the viewer program and by the
// frame-rate benchmark. Only the library's exported classes are used.
#pragma once

#include <dinput.h>

#include <cmath>

#include "Camera.h"
#include "Heightmap.h"
#include "Input.h"
#include "QrnMath.h"
#include "RenderDevice.h"
#include "SkyBox.h"
#include "Waterplane.h"

namespace viewer {

// 0xFF000000 + byte(r * 255) * 65536 + byte(g * 255) * 256 + byte(b * 255).
inline unsigned long PackColor(float r, float g, float b) {
    auto byte = [](float v) { return static_cast<unsigned long>(static_cast<unsigned char>(v * 255.0f)); };
    return 0xFF000000ul + byte(r) * 65536ul + byte(g) * 256ul + byte(b);
}

// Called around the ground and the sea within a frame (a sample binds its
// shaders there); the sun is set on the device before each.
class CDrawHooks {
public:
    virtual ~CDrawHooks() = default;
    virtual void BeforeTerrain() {}
    virtual void AfterTerrain() {}
    virtual void BeforeWater() {}
    virtual void AfterWater() {}
};

class CViewerScene {
public:
    CViewerScene() = default;
    CViewerScene(const CViewerScene&) = delete;
    CViewerScene& operator=(const CViewerScene&) = delete;
    // The scene objects go before the device that made their device objects.
    ~CViewerScene() {
        delete m_pSkybox;
        delete m_pWaterplane;
        delete m_pHeightmap;
        delete m_pCamera;
    }

    // Builds terrain, sea, sky and camera from the demo's files in the
    // working directory. False only when the objects cannot be made; a
    // missing file shows as the object's own fallback, as in the demo.
    bool Init(qrn::IRenderDevice* device) {
        m_pDevice = device;
        if (!device) return false;
        m_pHeightmap = new qrngu::IHeightmap;
        m_pWaterplane = new qrngu::IWaterplane;
        m_pCamera = new qrngu::ICamera;
        m_pSkybox = new qrngu::ISkyBox;

        device->SetProjection(false, 0.8f, 0.1f, 1600.0f);
        m_pSkybox->SetData(qrn::Vector4(-460, -460, -460, 1), qrn::Vector4(460, 460, 460, 1), 0xFFFFFFFFul,
                           0xFFFFFFFFul, "tr_skybox", ".jpg", device);
        m_bTerrainLoaded = m_pHeightmap->SetData("257x257_01.raw", 257, 257, 0.4f, 1.0f, 160.0f,
                                                 qrn::Vector4(0.75f, 0.25f, 0, 1), device);
        m_pHeightmap->SetTexture("tr_grass1.bmp", 0, 0);
        m_pHeightmap->SetTexture("tr_detail.jpg", 1, 1);
        m_pWaterplane->SetData(257, 257, 1.0f, 40.0f, 4.0f, 20.0f, qrn::Vector4(0.75f, 0.25f, 0, 1), device);
        m_pWaterplane->SetTexture("tr_water.bmp", 0, 0);
        m_pCamera->SetPosition(qrn::Vector4(128, 15, 148, 1));

        m_SunLight = qrn::SLight{};
        m_SunLight.type = 0;
        m_SunLight.diffuse[0] = m_SunLight.diffuse[1] = m_SunLight.diffuse[2] = 1.0f;
        m_SunLight.position.Set(0, 0, 0, 1);
        m_SunLight.direction.Set(1, -1, 1, 1);
        return true;
    }

    bool TerrainLoaded() const { return m_bTerrainLoaded; }
    void SetHooks(CDrawHooks* hooks) { m_pHooks = hooks; }
    const qrn::SLight& Sun() const { return m_SunLight; }
    qrngu::ICamera* Camera() { return m_pCamera; }
    bool OverWater() const { return m_bOverWater; }
    // Freezes the day at its current angle (for pictures and timings).
    void SetDayRunning(bool running) { m_bDayRunning = running; }

    // Walks by the arrows or W/A/S/D and looks by the mouse.
    void WalkWith(qrn::IInput* input) {
        if (!input) return;
        long dx = 0, dy = 0;
        const bool mouse = input->GetMouseMovement(&dx, &dy);
        Walk(input->IsKeyDown(DIK_UP) || input->IsKeyDown(DIK_W), input->IsKeyDown(DIK_DOWN) || input->IsKeyDown(DIK_S),
             input->IsKeyDown(DIK_LEFT) || input->IsKeyDown(DIK_A),
             input->IsKeyDown(DIK_RIGHT) || input->IsKeyDown(DIK_D), dx, dy, mouse);
    }

    // Walking speeds halve in water.
    void Walk(bool forward, bool back, bool left, bool right, long mouseDx, long mouseDy, bool mouse) {
        const float k = m_bOverWater ? 0.5f : 1.0f;
        if (forward) m_pCamera->SetSpeed(10.0f * k);
        if (back) m_pCamera->SetSpeed(-4.0f * k);
        if (left) m_pCamera->SetSlideSpeed(-10.0f * k);
        if (right) m_pCamera->SetSlideSpeed(10.0f * k);
        if (mouse) {
            m_pCamera->SetRotationSpeedY(static_cast<float>(mouseDx) * -0.07f);
            m_pCamera->SetRotationSpeedX(static_cast<float>(mouseDy) * -0.02f);
        }
    }

    // One frame: move, place the eye on the ground or the water, colour the
    // day, draw sky, terrain and sea. present false leaves the picture in
    // the back buffer (for a screenshot) with the scene closed.
    void Frame(float elapsed, bool present = true) {
        qrn::IRenderDevice* dev = m_pDevice;
        m_pSkybox->SetColor(0xFFFFFFFFul, 0xFFFFFFFFul);
        m_pCamera->Update(elapsed);

        qrn::Vector4 p = m_pCamera->GetPosition();
        const float h = m_pHeightmap->GetHeightAt(p.x, p.z);
        const float w = m_pWaterplane->GetHeight();
        if (h < w) {
            m_bOverWater = true;
            p.y = w + 0.5f;
        } else {
            m_bOverWater = false;
            p.y = h + 2.0f;
        }
        m_pCamera->SetPosition(p);
        m_pHeightmap->UpdatePlayer(m_pCamera->GetPosition(), m_pCamera->GetDir());
        m_pWaterplane->UpdatePlayer(m_pCamera->GetPosition(), m_pCamera->GetDir());

        const qrn::Matrix4x4 view = m_pCamera->GetViewMatrix();
        dev->SetViewMatrix(&view);
        dev->SetClearColor(100, 100, 220);
        dev->SetAmbientLight(1.0f, 1.0f, 1.0f);
        if (!dev->BeginRendering(true, true, true)) return;  // device lost: skip the frame

        // Day and night: the sun circles over the x axis.
        if (m_bDayRunning) {
            if (m_fDayAngle > 6.283f)
                m_fDayAngle -= 6.283f;
            else
                m_fDayAngle += elapsed * 0.04f;
        }
        const float c = std::cos(m_fDayAngle), s = std::sin(m_fDayAngle);
        const float L = c > 0 ? c : 0, S = s > 0 ? s : 0;
        const float target[3] = {0.1f * (1 - S) + 0.8f * S, 0.1f, 0.8f * (1 - S) + 0.1f * S};
        for (int k = 0; k < 3; ++k) m_SunLight.diffuse[k] = L * 1.0f + (1 - L) * target[k];
        qrn::Vector4 sunDir(s, c, 0, 1);
        sunDir.Normalize();
        m_SunLight.direction = sunDir;
        auto byte = [](float v) { return static_cast<unsigned char>(v * 255.0f); };
        m_pHeightmap->SetLight(sunDir, byte(m_SunLight.diffuse[0]), byte(m_SunLight.diffuse[1]),
                               byte(m_SunLight.diffuse[2]));
        const unsigned long sky = PackColor(m_SunLight.diffuse[0], m_SunLight.diffuse[1], m_SunLight.diffuse[2]);
        m_pSkybox->SetColor(sky, sky);
        m_pSkybox->SetLightIntensity(L);
        const unsigned long fog = PackColor(L, L, L);

        // Sky around the eye, then the ground, then the sea lifted to its level.
        dev->SetFog(static_cast<std::uint32_t>(fog), m_fFogDensity * 0.1f);
        qrn::Matrix4x4 world;
        const qrn::Vector4 eye = m_pCamera->GetPosition();
        world.SetTranslation(eye.x, eye.y, eye.z, true);
        dev->SetWorldMatrix(&world);
        m_pSkybox->Render();

        dev->SetFog(static_cast<std::uint32_t>(fog), m_fFogDensity);
        dev->SetLight(0, &m_SunLight);
        world.Indentity();
        dev->SetWorldMatrix(&world);
        dev->SetLight(0, &m_SunLight);
        if (m_pHooks) m_pHooks->BeforeTerrain();
        m_pHeightmap->Render(true, true);
        if (m_pHooks) m_pHooks->AfterTerrain();
        dev->SetFog(0xFFFFFFFFu, 0.0f);
        world.SetTranslation(0, m_pWaterplane->GetHeight(), 0, true);
        dev->SetWorldMatrix(&world);
        dev->SetLight(0, &m_SunLight);
        m_pWaterplane->Update(elapsed);
        if (m_pHooks) m_pHooks->BeforeWater();
        m_pWaterplane->Render(true, true);
        if (m_pHooks) m_pHooks->AfterWater();
        dev->SetWorldMatrix(nullptr);
        dev->EndRendering(present);

        m_pCamera->SetRotationSpeedX(0);
        m_pCamera->SetRotationSpeedY(0);
        m_pCamera->SetSpeed(0);
        m_pCamera->SetSlideSpeed(0);
    }

private:
    qrn::IRenderDevice* m_pDevice = nullptr;
    qrngu::IHeightmap* m_pHeightmap = nullptr;
    qrngu::IWaterplane* m_pWaterplane = nullptr;
    qrngu::ICamera* m_pCamera = nullptr;
    qrngu::ISkyBox* m_pSkybox = nullptr;
    qrn::SLight m_SunLight{};
    CDrawHooks* m_pHooks = nullptr;
    float m_fDayAngle = 0.0f;
    float m_fFogDensity = 0.0f;
    bool m_bOverWater = false;
    bool m_bDayRunning = true;
    bool m_bTerrainLoaded = false;
};

}  // namespace viewer
