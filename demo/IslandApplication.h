// Brackwood's application object: builds the island scene once
// (InitRenderObjects) and walks over it frame by frame (UpdateFrame).
#pragma once

#include <string>
#include <vector>

#include "Camera.h"
#include "Engine.h"
#include "Flock.h"
#include "Forest.h"
#include "Heightmap.h"
#include "Obstacle.h"
#include "ParticleSystem.h"
#include "RenderDeviceObjects.h"
#include "SkyBox.h"
#include "Sound.h"
#include "Waterplane.h"

namespace brackwood {

class CBenchmark;

// What the command line asked beyond the program's own behaviour.
struct SRunOptions {
    long frames = 0;                // > 0: end after this many frames
    const char* screenshot = nullptr;  // save the last frame's picture here
    CBenchmark* benchmark = nullptr;   // walk the fixed path and time it
};

class CIslandApplication : public qrn::CEngineApplication {
public:
    CIslandApplication();
    ~CIslandApplication() override;
    CIslandApplication(const CIslandApplication&) = delete;
    CIslandApplication& operator=(const CIslandApplication&) = delete;

    // Builds the whole scene from the files in the working folder; false
    // (after a message box for a missing object) when it cannot.
    bool InitRenderObjects();
    // The frame: keys, title or closing screen, or walking, drawing and
    // sounds. Always true.
    bool UpdateFrame() override;
    // The base keeps the display window filling the main window.
    bool SizeMessageProc(HWND window) override;

    void SetRunOptions(const SRunOptions& options) { m_RunOptions = options; }
    // True once the frames asked for on the command line have been drawn.
    bool RunFinished() const { return m_bRunFinished; }
    // False when a screenshot was asked for and could not be written.
    bool ScreenshotSaved() const { return m_bScreenshotSaved; }

    // For tests: the objects and flags the frame works on.
    qrngu::ICamera* GetCamera() { return m_pCamera; }
    CForest* GetForest() { return m_pForest; }
    qrngu::CObstacleList* GetTreeBoxObstacles() { return m_pTreeBoxObstacles; }
    qrngu::CObstacleList* GetTreeCylinderObstacles() { return m_pTreeCylinderObstacles; }
    const std::vector<qrngu::IParticleSystem*>& GetConfiguredParticles() const { return m_vConfiguredParticles; }
    const std::vector<std::string>& GetParticleSystemNames() const { return m_vParticleSystemNames; }
    qrn::IRenderDevice* GetRenderDevice() { return m_pRenderDevice; }
    bool IsTitleScreen() const { return m_bTitleScreen; }
    bool IsClosingScreen() const { return m_bEscapePressed; }
    bool IsOverWater() const { return m_bOverWater; }
    bool IsRaining() const { return m_bRain; }
    bool IsSunset() const { return m_bSunset; }
    bool ShowsTreeBoxes() const { return m_bShowTreeBoxes; }
    float GetFogDensity() const { return m_fFogDensity; }
    const qrn::SLight& GetSunLight() const { return m_SunLight; }

private:
    bool CheckObjects();
    bool LoadConfiguredParticles();
    void SetUpRainAndFire();
    void SetUpLights();
    bool LoadSounds();

    void ReadKeys();
    bool LatchedPress(unsigned char key, bool& latch);
    void ShowScreen(qrn::IScreenImage* screen, bool clearFirst);
    void DrawScene(float elapsed);
    void PlaySounds();
    void FollowBenchmarkPath();
    void EndOfFrame();
    void ClearCameraRates();

    qrn::IScreenImage* m_pTitleScreen = nullptr;
    qrn::IScreenImage* m_pCreditsScreen = nullptr;
    qrngu::IHeightmap* m_pHeightmap = nullptr;
    qrngu::IWaterplane* m_pWaterplane = nullptr;
    qrngu::IWaterplane* m_pBigWaterplane = nullptr;
    qrngu::ICamera* m_pCamera = nullptr;
    qrngu::ISkyBox* m_pSkybox = nullptr;
    qrngu::IFlock* m_pFlock = nullptr;
    qrngu::CObstacleList* m_pTreeBoxObstacles = nullptr;
    qrngu::CObstacleList* m_pTreeCylinderObstacles = nullptr;
    qrngu::IParticleSystem* m_pRainParticles = nullptr;
    qrngu::IParticleSystem* m_pFireParticles = nullptr;
    qrnsu::ISound* m_pAmbientSound = nullptr;
    qrnsu::ISound* m_pGrassSound = nullptr;
    qrnsu::ISound* m_pWaterSound = nullptr;
    qrnsu::ISound* m_pFireSound = nullptr;
    qrnsu::ISound* m_pBirdSound = nullptr;
    qrnsu::ISound* m_pKnockSound = nullptr;
    CForest* m_pForest = nullptr;
    std::vector<std::string> m_vParticleSystemNames;
    std::vector<qrngu::IParticleSystem*> m_vConfiguredParticles;
    qrn::SLight m_SunLight{};
    qrn::SLight m_FireLight{};

    bool m_bTitleScreen = true;
    bool m_bOverWater = false;
    bool m_bRain = false;
    bool m_bFireRequest = false;
    bool m_bShowTreeBoxes = false;
    bool m_bShowTrees = true;
    bool m_bSunset = false;
    float m_fFogDensity = 0.0f;
    // Key latches: the key was down in the previous frame.
    bool m_bKeyR = false, m_bKeyB = false, m_bKeyN = false, m_bKeyF = false, m_bKeyG = false, m_bKeyF3 = false;
    // The sun's colour before the day's tint (white, or evening orange).
    float m_fSunBase[3] = {1.0f, 1.0f, 1.0f};
    // The day's angle (radians) and the eye placed on the ground, kept from
    // frame to frame; the fire and the rain start from that eye.
    float m_fDayAngle = 0.0f;
    qrn::Vector4 m_vEye{0, 0, 0, 1};

    SRunOptions m_RunOptions;
    long m_lFrame = 0;
    bool m_bRunFinished = false;
    bool m_bScreenshotSaved = true;
};

}  // namespace brackwood
