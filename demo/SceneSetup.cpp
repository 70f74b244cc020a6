// Building the island scene: every object is made, checked, given its fixed
// numbers and files, and wired to the others. Only "particles.txt" is read
// for settings; every other number is the program's own.
#include <windows.h>

#include <new>

#include "IslandApplication.h"
#include "ParticleConfig.h"

namespace brackwood {

namespace {

// A scene object that could not be made: told to the user, and the set-up
// ends.
bool MissingObject(const char* text) {
    MessageBoxA(nullptr, text, "Error", MB_ICONERROR);
    return false;
}

template <typename T>
T* MakeObject(qrn::IRenderDevice* device, int type) {
    return dynamic_cast<T*>(device->CreateObject(type));
}

}  // namespace

bool CIslandApplication::CheckObjects() {
    const struct {
        const void* object;
        const char* text;
    } checks[] = {
        {m_pTitleScreen, "m_pTitleScreen is NULL"},
        {m_pCreditsScreen, "m_pCreditsScreen is NULL"},
        {m_pSkybox, "m_pSkybox is NULL"},
        {m_pHeightmap, "m_pHeightmap is NULL"},
        {m_pWaterplane, "m_pWaterplane is NULL"},
        {m_pBigWaterplane, "m_pBigWaterplane is NULL"},
        {m_pCamera, "m_pCamera is NULL"},
        {m_pWaterSound, "m_pWaterSound is NULL"},
        {m_pGrassSound, "m_pGrassSound is NULL"},
        {m_pFireSound, "m_pFireSound is NULL"},
        {m_pBirdSound, "m_pBirdSound is NULL"},
        {m_pAmbientSound, "m_pAmbientSound is NULL"},
        {m_pKnockSound, "m_pKnockSound is NULL"},
        // Used unconditionally further on, so checked as well.
        {m_pTreeBoxObstacles, "m_pTreeBoxObstacles is NULL"},
        {m_pTreeCylinderObstacles, "m_pTreeCylinderObstacles is NULL"},
        {m_pRainParticles, "m_pRainParticles is NULL"},
        {m_pFireParticles, "m_pFireParticles is NULL"},
    };
    for (const auto& check : checks)
        if (!check.object) return MissingObject(check.text);
    return true;
}

bool CIslandApplication::InitRenderObjects() {
    qrn::IRenderDevice* device = m_pRenderDevice;
    if (!device) return false;

    m_pHeightmap = new (std::nothrow) qrngu::IHeightmap;
    m_pWaterplane = new (std::nothrow) qrngu::IWaterplane;
    m_pBigWaterplane = new (std::nothrow) qrngu::IWaterplane;
    m_pCamera = new (std::nothrow) qrngu::ICamera;
    m_pFlock = new (std::nothrow) qrngu::IFlock;
    m_pTreeBoxObstacles = new (std::nothrow) qrngu::CObstacleList;
    m_pTreeCylinderObstacles = new (std::nothrow) qrngu::CObstacleList;
    m_pSkybox = new (std::nothrow) qrngu::ISkyBox;
    m_pRainParticles = new (std::nothrow) qrngu::IParticleSystem;
    m_pFireParticles = new (std::nothrow) qrngu::IParticleSystem;
    m_pAmbientSound = new (std::nothrow) qrnsu::ISound;
    m_pGrassSound = new (std::nothrow) qrnsu::ISound;
    m_pWaterSound = new (std::nothrow) qrnsu::ISound;
    m_pFireSound = new (std::nothrow) qrnsu::ISound;
    m_pBirdSound = new (std::nothrow) qrnsu::ISound;
    m_pKnockSound = new (std::nothrow) qrnsu::ISound;

    device->SetProjection(false, 0.8f, 0.1f, 1600.0f);
    m_pTitleScreen = MakeObject<qrn::IScreenImage>(device, qrn::OBJECTTYPE_SCREENIMAGE);
    m_pCreditsScreen = MakeObject<qrn::IScreenImage>(device, qrn::OBJECTTYPE_SCREENIMAGE);
    if (!CheckObjects()) return false;

    m_pTitleScreen->LoadFromFile("title.jpg", true);
    m_pCreditsScreen->LoadFromFile("credits.jpg", true);

    m_pSkybox->SetData(qrn::Vector4(-460, -460, -460, 1), qrn::Vector4(460, 460, 460, 1), 0xFFFFFFFFul,
                       0xFFFFFFFFul, "tr_skybox", ".jpg", device);

    m_pHeightmap->SetData("257x257_01.raw", 257, 257, 0.4f, 1.0f, 160.0f, qrn::Vector4(0.75f, 0.25f, 0, 1),
                          device);
    m_pHeightmap->SetTexture("tr_grass1.bmp", 0, 0);
    m_pHeightmap->SetTexture("tr_detail.jpg", 1, 1);

    m_pWaterplane->SetData(257, 257, 1.0f, 40.0f, 4.0f, 20.0f, qrn::Vector4(0.75f, 0.25f, 0, 1), device);
    m_pWaterplane->SetTexture("tr_water.bmp", 0, 0);

    m_pForest = new (std::nothrow) CForest;
    if (!m_pForest) return MissingObject("m_pForest is NULL");
    m_pForest->Init(device, m_pHeightmap, 60, 1.0f, 43.0f);

    qrn::Vector4 boxMaximum, boxMinimum;
    m_pForest->GetBoundingBox(boxMaximum, boxMinimum);
    const qrn::Vector4* trees = m_pForest->GetTreePositions();
    for (unsigned k = 0; k < m_pForest->GetTreeCount(); ++k) {
        qrn::Vector4 p = trees[k];
        m_pTreeBoxObstacles->AddAABBObstacle(boxMinimum + p, boxMaximum + p);
        m_pTreeCylinderObstacles->AddCylinderObstacle(p, 1.0f);
    }

    if (!m_pFlock) return MissingObject("m_pFlock is NULL");
    if (!m_pFlock->SetData(device, 20, qrn::Vector4(0, 0, 0, 1), qrn::Vector4(64, 10, 64, 1))) return false;
    m_pFlock->SetTerrain(m_pHeightmap, 10, qrn::Vector4(2, 0, 0, 1));
    m_pFlock->AddObstacleList(m_pTreeBoxObstacles);
    m_pFlock->SetWaterHeight(m_pWaterplane->GetHeight());

    m_pCamera->SetPosition(qrn::Vector4(128, 15, 148, 1));

    if (!LoadConfiguredParticles()) return false;
    SetUpRainAndFire();
    SetUpLights();
    return LoadSounds();
}

// One particle system per section of "particles.txt", in name order.
bool CIslandApplication::LoadConfiguredParticles() {
    CParticleConfig config("particles.txt");
    m_vParticleSystemNames = config.GetSystemNames();
    for (const std::string& name : m_vParticleSystemNames) {
        auto* system = new (std::nothrow) qrngu::IParticleSystem;
        if (!system) return MissingObject("pParticleSystem is NULL");
        config.Configure(name, system, m_pRenderDevice);
        m_vConfiguredParticles.push_back(system);
    }
    return true;
}

void CIslandApplication::SetUpRainAndFire() {
    qrn::IRenderDevice* device = m_pRenderDevice;
    m_pRainParticles->Init(5000, qrn::Vector4(0, 500, 5, 1), false, nullptr, device);
    m_pRainParticles->SetParticleData(2.7f, 0.4f);
    m_pRainParticles->SetVelocity(qrn::Vector4(0, -8, 0, 1), 0.5f);
    m_pRainParticles->SetReleaseRate(80, 0.001f);
    m_pRainParticles->SetTexture("ptl_rain.bmp");
    m_pRainParticles->SetWind(qrn::Vector4(1.5f, 0, 1.2f, 1));
    m_pRainParticles->SetRegionDimension(qrn::Vector4(80, 0, 80, 1));
    m_pRainParticles->SetGravity(qrn::Vector4(0, -9.8f, 0, 1));

    m_pFireParticles->Init(30, qrn::Vector4(0, 10, 5, 1), true, m_pBirdSound, device);
    m_pFireParticles->SetParticleData(1.7f, 0.4f);
    m_pFireParticles->SetVelocity(qrn::Vector4(0, 0, 0, 1), 0.0f);
    m_pFireParticles->SetReleaseRate(5, 0.1f);
    m_pFireParticles->SetTexture("ptl_fire.bmp");
    m_pFireParticles->SetWind(qrn::Vector4(0.1f, 0, 0, 1));
    m_pFireParticles->SetGravity(qrn::Vector4(0, -4, 0, 1));
    m_pFireParticles->SetHeightMap(m_pHeightmap);
    m_pFireParticles->SetObstacles(m_pTreeCylinderObstacles);
}

void CIslandApplication::SetUpLights() {
    m_SunLight = qrn::SLight{};
    m_SunLight.type = 0;
    m_SunLight.diffuse[0] = m_SunLight.diffuse[1] = m_SunLight.diffuse[2] = 1.0f;
    m_SunLight.position.Set(0, 0, 0, 1);
    m_SunLight.direction.Set(1, -1, 1, 1);

    m_FireLight = qrn::SLight{};
    m_FireLight.type = 1;
    m_FireLight.diffuse[0] = m_FireLight.diffuse[1] = m_FireLight.diffuse[2] = 1.0f;
    m_FireLight.position.Set(0, 0, 0, 1);
    m_FireLight.direction.Set(0, 0, 0, 1);
    m_FireLight.range = 50.0f;
    m_FireLight.attenuation0 = 0.5f;
    m_FireLight.attenuation1 = 0.01f;
    m_FireLight.attenuation2 = 0.001f;

    m_pFireParticles->SetFlockObstacles(m_pFlock);
    m_pFireParticles->SetLightEffect(1, m_FireLight);
}

// The background sound may be missing (the island is then quiet); every
// other sound must load.
bool CIslandApplication::LoadSounds() {
    if (m_pAmbientSound->SetData("ambient.mp3", true)) m_pAmbientSound->Play(15);
    if (!m_pGrassSound->SetData("walkgrass.wav", false)) return false;
    if (!m_pWaterSound->SetData("walkwater.mp3", false)) return false;
    if (!m_pFireSound->SetData("fireball.wav", false)) return false;
    if (!m_pBirdSound->SetData("seagull.wav", false)) return false;
    return m_pKnockSound->SetData("knock.wav", false);
}

}  // namespace brackwood
