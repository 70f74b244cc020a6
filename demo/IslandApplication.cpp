// Brackwood's application object: construction and the orderly tear-down.
// The scene is built in SceneSetup.cpp, the frame lives in Frame.cpp.
#include "IslandApplication.h"

namespace brackwood {

namespace {

template <typename T>
void DeleteAndClear(T*& object) {
    delete object;
    object = nullptr;
}

}  // namespace

CIslandApplication::CIslandApplication() {
    m_SunLight.position.Set(0, 0, 0, 1);
    m_SunLight.direction.Set(0, 0, 0, 1);
    m_FireLight.position.Set(0, 0, 0, 1);
    m_FireLight.direction.Set(0, 0, 0, 1);
}

// The ambient sound goes first: deleting a sound object shuts the sound
// library down for the whole process. The other five sounds are deleted
// after it; a sound object whose library was already shut down by another
// one only frees its own memory and makes no further call into the library.
// Scene objects go before the base destructor deletes the render device that
// owns their device objects.
CIslandApplication::~CIslandApplication() {
    if (m_pAmbientSound) {
        m_pAmbientSound->Stop();
        DeleteAndClear(m_pAmbientSound);
    }
    DeleteAndClear(m_pGrassSound);
    DeleteAndClear(m_pWaterSound);
    DeleteAndClear(m_pFireSound);
    DeleteAndClear(m_pBirdSound);
    DeleteAndClear(m_pKnockSound);

    DeleteAndClear(m_pHeightmap);
    DeleteAndClear(m_pWaterplane);
    DeleteAndClear(m_pBigWaterplane);
    DeleteAndClear(m_pCamera);
    DeleteAndClear(m_pFireParticles);
    DeleteAndClear(m_pRainParticles);
    DeleteAndClear(m_pFlock);
    DeleteAndClear(m_pSkybox);
    DeleteAndClear(m_pTreeBoxObstacles);
    DeleteAndClear(m_pTreeCylinderObstacles);
    DeleteAndClear(m_pForest);

    for (qrngu::IParticleSystem*& system : m_vConfiguredParticles) DeleteAndClear(system);
    std::vector<qrngu::IParticleSystem*>().swap(m_vConfiguredParticles);
}

bool CIslandApplication::SizeMessageProc(HWND /*window*/) { return false; }

}  // namespace brackwood
