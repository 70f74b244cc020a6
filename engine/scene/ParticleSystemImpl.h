// The particle system behind IParticleSystem.
#pragma once

#include <cstdint>

#include "QrnMath.h"
#include "RenderDevice.h"
#include "RenderDeviceObjects.h"

namespace qrnsu {
class ISound;
}

namespace qrngu {

class CObstacleList;
class IFlock;
class IHeightmap;

// One particle; it always sits in exactly one of its system's two lists.
class CParticle {
public:
    CParticle();
    virtual ~CParticle();
    CParticle(const CParticle&) = delete;
    CParticle& operator=(const CParticle&) = delete;

    float m_fX, m_fY, m_fZ;
    std::uint32_t m_dwColor;  // ARGB
    qrn::Vector4 m_vVelocity;  // units per second
    float m_fAge;              // seconds since release
    CParticle* m_pNext;
};

// One drawn point: position and ARGB colour (vertex format 1).
struct SParticleVertex {
    float x, y, z;
    std::uint32_t color;
};
static_assert(sizeof(SParticleVertex) == 16);

class CParticleSystem {
public:
    // The most particles one system holds: larger counts are refused by Init
    // (their vertex array alone would take more than 256 MiB).
    static constexpr unsigned kMaxParticles = 1u << 24;

    CParticleSystem();
    virtual ~CParticleSystem();
    CParticleSystem(const CParticleSystem&) = delete;
    CParticleSystem& operator=(const CParticleSystem&) = delete;

    bool Init(unsigned maxParticles, const qrn::Vector4& origin, bool manualEmission, qrnsu::ISound* hitSound,
              qrn::IRenderDevice* device);
    bool SetTexture(const char* file);
    void SetParticleData(float lifetime, float size);
    void SetVelocity(const qrn::Vector4& velocity, float variance);
    void SetOffspring(const qrn::Vector4& origin) { m_vOrigin = origin; }
    void SetRegionDimension(const qrn::Vector4& dimension);
    void SetGravity(const qrn::Vector4& gravity);
    void SetWind(const qrn::Vector4& wind);
    void SetInversSrcColorBlending(bool inverse) { m_bInverseBlending = inverse; }
    void SetReleaseRate(unsigned count, float interval);
    void SetHeightMap(IHeightmap* heightmap) { m_pHeightmap = heightmap; }
    void SetObstacles(CObstacleList* obstacles) { m_pObstacles = obstacles; }
    void SetFlockObstacles(IFlock* flock) { m_pFlock = flock; }
    void SetLightEffect(int index, const qrn::SLight& light);
    void Emit();
    void Update(float elapsed);
    bool Render();

    unsigned GetMaxParticles() const { return m_uMaxParticles; }
    unsigned GetActiveCount() const { return m_uActiveCount; }
    unsigned GetDrawnCount() const { return m_uDrawnCount; }
    float GetReleaseTimer() const { return m_fReleaseTimer; }
    const qrn::Vector4& GetCentroid() const { return m_vCentroid; }
    const SParticleVertex* GetVertices() const { return m_pVertices; }
    CParticle* GetActiveList() const { return m_pActive; }
    CParticle* GetFreeList() const { return m_pFree; }
    bool IsRegionOn() const { return m_bRegion; }
    bool IsGravityOn() const { return m_bGravity; }
    bool IsWindOn() const { return m_bWind; }

private:
    void Release(CParticle* particle);
    static void DeleteList(CParticle*& head);

    qrn::IRenderDevice* m_pDevice;
    qrn::IMaterial* m_pMaterial;
    qrn::ITexture* m_pTexture;
    IHeightmap* m_pHeightmap;
    CObstacleList* m_pObstacles;
    IFlock* m_pFlock;
    qrnsu::ISound* m_pHitSound;
    SParticleVertex* m_pVertices;
    CParticle* m_pActive;
    CParticle* m_pFree;
    unsigned m_uMaxParticles;
    unsigned m_uActiveCount;
    unsigned m_uDrawnCount;
    qrn::Vector4 m_vOrigin;
    qrn::Vector4 m_vGravity;
    qrn::Vector4 m_vWind;
    qrn::Vector4 m_vVelocity;
    qrn::Vector4 m_vHalfExtent;
    bool m_bWind;
    bool m_bGravity;
    bool m_bRegion;
    bool m_bInverseBlending;
    bool m_bManualEmission;
    unsigned m_uReleaseCount;
    float m_fLifetime;
    float m_fPointSize;
    float m_fVariance;
    float m_fReleaseInterval;
    float m_fReleaseTimer;
    qrn::SLight m_Light;
    bool m_bLight;
    int m_iLightIndex;
    qrn::Vector4 m_vCentroid;
};

}  // namespace qrngu
