// One frame of the walk: keys and mouse, the title and closing screens,
// walking and wading, trees, fire and rain, the day's colours and fog, the
// drawing order and the sounds.
#include <dinput.h>
#include <windows.h>

#include <cmath>

#include "Benchmark.h"
#include "IslandApplication.h"
#include "Screenshot.h"

namespace brackwood {

namespace {

unsigned char ColorByte(float v) { return static_cast<unsigned char>(v * 255.0f); }

// 0xFF000000 + byte(r) * 65536 + byte(g) * 256 + byte(b), each byte the
// truncation of the channel times 255.
std::uint32_t PackColor(float r, float g, float b) {
    return 0xFF000000u + ColorByte(r) * 65536u + ColorByte(g) * 256u + ColorByte(b);
}

}  // namespace

bool CIslandApplication::LatchedPress(unsigned char key, bool& latch) {
    const bool down = m_pInput->IsKeyDown(key);
    const bool pressed = down && !latch;
    latch = down;
    return pressed;
}

// Movement keys set this frame's rates (halved in water); the mouse turns;
// latched keys act once per press.
void CIslandApplication::ReadKeys() {
    if (!m_pInput) return;
    const float k = m_bOverWater ? 0.5f : 1.0f;
    if (m_pInput->IsKeyDown(DIK_UP) || m_pInput->IsKeyDown(DIK_W)) m_pCamera->SetSpeed(10.0f * k);
    if (m_pInput->IsKeyDown(DIK_DOWN) || m_pInput->IsKeyDown(DIK_S)) m_pCamera->SetSpeed(-4.0f * k);
    if (m_pInput->IsKeyDown(DIK_LEFT) || m_pInput->IsKeyDown(DIK_A)) m_pCamera->SetSlideSpeed(-10.0f * k);
    if (m_pInput->IsKeyDown(DIK_RIGHT) || m_pInput->IsKeyDown(DIK_D)) m_pCamera->SetSlideSpeed(10.0f * k);
    long dx = 0, dy = 0;
    if (m_pInput->GetMouseMovement(&dx, &dy)) {
        m_pCamera->SetRotationSpeedY(static_cast<float>(dx) * -0.07f);
        m_pCamera->SetRotationSpeedX(static_cast<float>(dy) * -0.02f);
    }
    const bool space = m_pInput->IsKeyDown(DIK_SPACE);
    if (m_bTitleScreen) {
        if (space || m_pInput->IsKeyDown(DIK_ESCAPE)) {
            m_bTitleScreen = false;
            m_bFireRequest = false;
        }
    } else if (space) {
        m_bFireRequest = !m_bFireRequest;
    }
    if (LatchedPress(DIK_F3, m_bKeyF3)) m_bEscapePressed = !m_bEscapePressed;
    if (LatchedPress(DIK_R, m_bKeyR)) m_bRain = !m_bRain;
    if (LatchedPress(DIK_B, m_bKeyB)) m_bShowTreeBoxes = !m_bShowTreeBoxes;
    if (LatchedPress(DIK_N, m_bKeyN)) m_bSunset = !m_bSunset;
    if (LatchedPress(DIK_F, m_bKeyF)) m_fFogDensity = std::fmin(m_fFogDensity + 0.01f, 0.5f);
    if (LatchedPress(DIK_G, m_bKeyG)) m_fFogDensity = std::fmax(m_fFogDensity - 0.01f, 0.0f);
}

// A full-window picture (title or credits); nothing else moves meanwhile.
void CIslandApplication::ShowScreen(qrn::IScreenImage* screen, bool clearFirst) {
    qrn::IRenderDevice* device = m_pRenderDevice;
    if (clearFirst) device->Clear(true, true, true);
    unsigned width = 0, height = 0;
    if (device->IsWindowed()) {
        RECT client{};
        GetClientRect(m_hDisplayWindow, &client);
        width = static_cast<unsigned>(client.right - client.left);
        height = static_cast<unsigned>(client.bottom - client.top);
    }
    if (!device->BeginRendering(true, true, true)) return;  // device lost: no picture this time
    screen->Draw(width, height);
    EndOfFrame();
}

bool CIslandApplication::UpdateFrame() {
    ++m_lFrame;
    CBenchmark* bench = m_RunOptions.benchmark;
    const float elapsed = bench ? CBenchmark::kFrameStep : m_fElapsedTime;
    if (bench)
        FollowBenchmarkPath();
    else
        ReadKeys();

    if (m_bTitleScreen) {
        ShowScreen(m_pTitleScreen, true);
        return true;
    }
    if (m_bEscapePressed) {
        ShowScreen(m_pCreditsScreen, false);
        return true;
    }

    // Sun colour before the day's tint, and the sky's.
    const std::uint32_t skyBase = m_bSunset ? 0xFFEFD262u : 0xFFFFFFFFu;
    m_fSunBase[0] = 1.0f;
    m_fSunBase[1] = m_bSunset ? 0.6f : 1.0f;
    m_fSunBase[2] = m_bSunset ? 0.2f : 1.0f;
    m_pSkybox->SetColor(skyBase, skyBase);

    // Walking into a tree knocks and pushes back.
    if (m_pForest->CollidesWith(m_pCamera->GetPosition(), m_pCamera->GetDir(), 3.0f)) {
        if (!m_pKnockSound->IsPlaying()) m_pKnockSound->Play(30);
        m_pCamera->SetSpeed(-0.5f);
    } else {
        m_pKnockSound->Stop();
    }

    m_pCamera->Update(elapsed);

    // The eye stands 2 above the ground, or 0.5 above the water when wading.
    qrn::Vector4 p = m_pCamera->GetPosition();
    const float h = m_pHeightmap->GetHeightAt(p.x, p.z);
    const float w = m_pWaterplane->GetHeight();
    float ground;
    if (h < w) {
        m_bOverWater = true;
        ground = w;
        p.y = w + 0.5f;
    } else {
        m_bOverWater = false;
        ground = h;
        p.y = h + 2.0f;
    }
    m_pCamera->SetPosition(p);
    m_vEye = p;

    const qrn::Vector4 eye = m_pCamera->GetPosition(), dir = m_pCamera->GetDir();
    m_pHeightmap->UpdatePlayer(eye, dir);
    m_pWaterplane->UpdatePlayer(eye, dir);
    m_pForest->SetViewer(eye, dir);

    // Fireballs leave the eye along the view; rain falls from 16 above the
    // ground under the viewer (updated whether shown or not).
    m_pFireParticles->SetOffspring(m_vEye);
    qrn::Vector4 fireVelocity = dir;
    m_pFireParticles->SetVelocity(fireVelocity * 15.3f, 0.0f);
    m_pFireParticles->Update(elapsed);
    if (m_bFireRequest) {
        m_pFireParticles->Emit();
        m_bFireRequest = false;
        if (!m_pFireSound->IsPlaying()) m_pFireSound->Play(30);
    }
    m_vEye.y = ground + 16.0f;
    m_pRainParticles->SetOffspring(m_vEye);
    m_pRainParticles->Update(elapsed);

    qrn::IRenderDevice* device = m_pRenderDevice;
    const qrn::Matrix4x4 view = m_pCamera->GetViewMatrix();
    device->SetViewMatrix(&view);
    device->SetClearColor(100, 100, 220);
    device->SetAmbientLight(1.0f, 1.0f, 1.0f);
    if (!device->BeginRendering(true, true, true)) {  // device lost: skip the picture
        PlaySounds();
        ClearCameraRates();
        return true;
    }
    if (bench) bench->BeginCounting();
    DrawScene(elapsed);
    if (bench) bench->BeginPoints();
    device->SetPrimitiveType(qrn::PRIMITIVE_POINTSPRITES);
    if (m_bRain) m_pRainParticles->Render();
    m_pFireParticles->Render();
    device->SetPrimitiveType(qrn::PRIMITIVE_TRIANGLELIST);
    if (bench) bench->EndCounting();
    EndOfFrame();

    PlaySounds();
    ClearCameraRates();
    return true;
}

// The keys set the rates for one frame only.
void CIslandApplication::ClearCameraRates() {
    m_pCamera->SetRotationSpeedX(0);
    m_pCamera->SetRotationSpeedY(0);
    m_pCamera->SetSpeed(0);
    m_pCamera->SetSlideSpeed(0);
}

// The day's colours, the sky around the eye, then terrain, forest, flock and
// water. The sun circles over the x axis, a day taking about 157 seconds.
void CIslandApplication::DrawScene(float elapsed) {
    qrn::IRenderDevice* device = m_pRenderDevice;
    if (m_fDayAngle > 6.283f)
        m_fDayAngle -= 6.283f;
    else
        m_fDayAngle += elapsed * 0.04f;
    const float c = std::cos(m_fDayAngle), s = std::sin(m_fDayAngle);
    const float L = std::fmax(c, 0.0f), S = std::fmax(s, 0.0f);
    // Reddish while the sun is low, blue at night.
    const float target[3] = {0.1f * (1 - S) + 0.8f * S, 0.1f, 0.8f * (1 - S) + 0.1f * S};
    for (int k = 0; k < 3; ++k) m_SunLight.diffuse[k] = L * m_fSunBase[k] + (1 - L) * target[k];
    qrn::Vector4 sunDirection(s, c, 0, 1);
    sunDirection.Normalize();
    m_SunLight.direction = sunDirection;
    const float* sun = m_SunLight.diffuse;
    m_pHeightmap->SetLight(sunDirection, ColorByte(sun[0]), ColorByte(sun[1]), ColorByte(sun[2]));
    const std::uint32_t skyColor = PackColor(sun[0], sun[1], sun[2]);
    m_pSkybox->SetColor(skyColor, skyColor);
    m_pSkybox->SetLightIntensity(L);
    const std::uint32_t fog = PackColor(L, L, L);

    device->SetFog(fog, m_fFogDensity * 0.1f);
    qrn::Matrix4x4 world;
    const qrn::Vector4 eye = m_pCamera->GetPosition();
    world.SetTranslation(eye.x, eye.y, eye.z, true);
    device->SetWorldMatrix(&world);
    m_pSkybox->Render();

    device->SetFog(fog, m_fFogDensity);
    device->SetLight(0, &m_SunLight);
    world.Indentity();
    device->SetWorldMatrix(&world);
    device->SetLight(0, &m_SunLight);
    m_pHeightmap->Render(true, true);
    world.Indentity();
    device->SetWorldMatrix(&world);
    m_pForest->Render(m_bShowTrees, m_bShowTreeBoxes);
    m_pFlock->SetWaterHeight(m_pWaterplane->GetHeight());
    m_pFlock->Update(elapsed);
    m_pFlock->Render();
    device->SetFog(0xFFFFFFFFu, 0.0f);  // the water is drawn without fog
    world.SetTranslation(0, m_pWaterplane->GetHeight(), 0, true);
    device->SetWorldMatrix(&world);
    device->SetLight(0, &m_SunLight);
    m_pWaterplane->Update(elapsed);
    m_pWaterplane->Render(true, true);
    device->SetWorldMatrix(nullptr);
    device->SetFog(0xFFFFFFFFu, 0.0f);
    device->SetWorldMatrix(nullptr);
}

// Footsteps on grass or in water while moving; the background sound while
// standing still.
void CIslandApplication::PlaySounds() {
    if (m_pCamera->IsMoving()) {
        if (!m_bOverWater) {
            if (!m_pGrassSound->IsPlaying()) {
                m_pWaterSound->Stop();
                m_pGrassSound->Play(12);
            }
        } else if (!m_pWaterSound->IsPlaying()) {
            m_pGrassSound->Stop();
            m_pWaterSound->Play(12);
        }
    } else {
        m_pGrassSound->Stop();
        if (!m_pAmbientSound->IsPlaying()) m_pAmbientSound->Play(10);
    }
}

// Ends the scene and presents it. On the last frame of a run with
// --screenshot the picture is saved between the two; with --frames or
// --benchmark the run is marked finished.
void CIslandApplication::EndOfFrame() {
    qrn::IRenderDevice* device = m_pRenderDevice;
    const bool island = !m_bTitleScreen && !m_bEscapePressed;
    const bool last = (m_RunOptions.frames > 0 && m_lFrame >= m_RunOptions.frames) ||
                      (m_RunOptions.benchmark && island && m_RunOptions.benchmark->LastFrame());
    if (last && m_RunOptions.screenshot) {
        device->EndRendering(false);
        m_bScreenshotSaved = viewer::SaveScreenshot(m_RunOptions.screenshot);
        if (device->BeginRendering(false, false, false)) device->EndRendering(true);
    } else {
        device->EndRendering(true);
    }
    if (m_RunOptions.benchmark) {
        m_RunOptions.benchmark->FrameDone(device, island);
        if (m_RunOptions.benchmark->Finished()) m_bRunFinished = true;
    }
    if (last) m_bRunFinished = true;
}

void CIslandApplication::FollowBenchmarkPath() {
    m_bTitleScreen = false;
    m_bRain = true;
    m_RunOptions.benchmark->PlaceCamera(m_pCamera);
}

}  // namespace brackwood
