// The particle system: the two particle lists, release, the simulation step
// with its collision tests, and the point-sprite draw.
#include <algorithm>
#include <new>

#include "Flock.h"
#include "Heightmap.h"
#include "Obstacle.h"
#include "ParticleSystem.h"
#include "ParticleSystemImpl.h"
#include "Sound.h"

namespace qrngu {

using qrn::Vector4;

namespace {
constexpr std::uint32_t kWhite = 0xFFFFFFFFu;
constexpr float kParticleRadius = 0.01f;
constexpr int kHitVolume = 50;

bool AnyAxis(const Vector4& v) { return v.x != 0.0f || v.y != 0.0f || v.z != 0.0f; }
}  // namespace

CParticle::CParticle() : m_fX(0), m_fY(0), m_fZ(0), m_dwColor(kWhite), m_fAge(0), m_pNext(nullptr) {}
CParticle::~CParticle() = default;

CParticleSystem::CParticleSystem()
    : m_pDevice(nullptr), m_pMaterial(nullptr), m_pTexture(nullptr), m_pHeightmap(nullptr), m_pObstacles(nullptr),
      m_pFlock(nullptr), m_pHitSound(nullptr), m_pVertices(nullptr), m_pActive(nullptr), m_pFree(nullptr),
      m_uMaxParticles(100), m_uActiveCount(0), m_uDrawnCount(0), m_bWind(false), m_bGravity(false),
      m_bRegion(false), m_bInverseBlending(false), m_bManualEmission(false), m_uReleaseCount(10),
      m_fLifetime(5.0f), m_fPointSize(0.0025f), m_fVariance(1.0f), m_fReleaseInterval(0.01f),
      m_fReleaseTimer(0.0f), m_Light{}, m_bLight(false), m_iLightIndex(0) {}

CParticleSystem::~CParticleSystem() {
    DeleteList(m_pActive);
    DeleteList(m_pFree);
    delete[] m_pVertices;
    delete m_pTexture;
    delete m_pMaterial;
}

void CParticleSystem::DeleteList(CParticle*& head) {
    while (CParticle* p = head) {
        head = p->m_pNext;
        delete p;
    }
}

bool CParticleSystem::Init(unsigned maxParticles, const Vector4& origin, bool manualEmission,
                           qrnsu::ISound* hitSound, qrn::IRenderDevice* device) {
    m_pDevice = device;
    m_uMaxParticles = maxParticles;
    m_vOrigin = origin;
    m_bManualEmission = manualEmission;
    m_pHitSound = hitSound;
    if (!m_pMaterial && device)
        m_pMaterial = static_cast<qrn::IMaterial*>(device->CreateObject(qrn::OBJECTTYPE_MATERIAL));
    DeleteList(m_pActive);
    m_uActiveCount = 0;
    // What was drawn lay in the old array.
    m_uDrawnCount = 0;
    delete[] m_pVertices;
    m_pVertices = nullptr;
    if (maxParticles <= kMaxParticles) m_pVertices = new (std::nothrow) SParticleVertex[maxParticles];
    if (!m_pVertices) {
        // Holding no particle at all keeps emission and drawing within the
        // (missing) array.
        m_uMaxParticles = 0;
        return false;
    }
    return true;
}

bool CParticleSystem::SetTexture(const char* file) {
    if (!m_pTexture && m_pDevice)
        m_pTexture = static_cast<qrn::ITexture*>(m_pDevice->CreateObject(qrn::OBJECTTYPE_TEXTURE));
    if (!m_pTexture) return false;
    return m_pTexture->LoadFromFile(file, false);
}

void CParticleSystem::SetParticleData(float lifetime, float size) {
    m_fLifetime = lifetime;
    m_fPointSize = size;
}

void CParticleSystem::SetVelocity(const Vector4& velocity, float variance) {
    m_vVelocity = velocity;
    m_fVariance = variance;
}

void CParticleSystem::SetRegionDimension(const Vector4& dimension) {
    m_vHalfExtent.Set(dimension.x * 0.5f, dimension.y * 0.5f, dimension.z * 0.5f, m_vHalfExtent.w);
    m_bRegion = AnyAxis(dimension);
}

void CParticleSystem::SetGravity(const Vector4& gravity) {
    m_vGravity = gravity;
    m_bGravity = AnyAxis(gravity);
}

void CParticleSystem::SetWind(const Vector4& wind) {
    m_vWind = wind;
    m_bWind = AnyAxis(wind);
}

void CParticleSystem::SetReleaseRate(unsigned count, float interval) {
    m_uReleaseCount = count;
    m_fReleaseInterval = interval;
}

void CParticleSystem::SetLightEffect(int index, const qrn::SLight& light) {
    m_iLightIndex = index;
    m_Light = light;
    m_bLight = true;
}

// A fresh particle at the head of the active list: at the origin, or on the
// surface of the emission ellipsoid, with the base velocity plus a random
// part exactly as long as the variance.
void CParticleSystem::Release(CParticle* p) {
    p->m_fAge = 0.0f;
    p->m_dwColor = kWhite;
    p->m_pNext = m_pActive;
    m_pActive = p;
    p->m_fX = m_vOrigin.x;
    p->m_fY = m_vOrigin.y;
    p->m_fZ = m_vOrigin.z;
    if (m_bRegion) {
        Vector4 r;
        r.CreateNormalizedRandom();
        p->m_fX += r.x * m_vHalfExtent.x;
        p->m_fY += r.y * m_vHalfExtent.y;
        p->m_fZ += r.z * m_vHalfExtent.z;
    }
    if (m_fVariance == 0.0f) {
        p->m_vVelocity = m_vVelocity;
    } else {
        Vector4 r;
        r.CreateNormalizedRandom();
        p->m_vVelocity.Set(m_vVelocity.x + r.x * m_fVariance, m_vVelocity.y + r.y * m_fVariance,
                           m_vVelocity.z + r.z * m_fVariance, 1.0f);
    }
}

void CParticleSystem::Emit() {
    if (m_fReleaseTimer < m_fReleaseInterval) return;
    // Full: the timer keeps running, so the next death is refilled at once.
    if (m_uActiveCount >= m_uMaxParticles) return;
    const unsigned n = std::min(m_uReleaseCount, m_uMaxParticles - m_uActiveCount);
    for (unsigned i = 0; i < n; ++i) {
        CParticle* p = m_pFree;
        if (p) {
            m_pFree = p->m_pNext;
        } else {
            p = new (std::nothrow) CParticle;
            if (!p) return;  // tried again at the next call
        }
        Release(p);
        ++m_uActiveCount;
    }
    m_fReleaseTimer = 0.0f;
}

void CParticleSystem::Update(float elapsed) {
    const float dt = elapsed;
    m_fReleaseTimer += dt;
    m_uDrawnCount = 0;
    float cx = 0.0f, cy = 0.0f, cz = 0.0f;
    const bool forces = m_bGravity || m_bWind;
    const Vector4& g = m_vGravity;
    const Vector4& w = m_vWind;

    CParticle** link = &m_pActive;
    while (CParticle* p = *link) {
        if (p->m_fAge > m_fLifetime) {
            *link = p->m_pNext;
            p->m_pNext = m_pFree;
            m_pFree = p;
            --m_uActiveCount;
            continue;
        }
        link = &p->m_pNext;

        // Gravity accelerates; the velocity relaxes towards the wind's at a
        // rate of dt per step (with no wind, a drag towards rest).
        Vector4& v = p->m_vVelocity;
        if (forces) {
            v.x += g.x * dt;
            v.y += g.y * dt;
            v.z += g.z * dt;
            v.x += (w.x - v.x) * dt;
            v.y += (w.y - v.y) * dt;
            v.z += (w.z - v.z) * dt;
        }
        p->m_fX += v.x * dt;
        p->m_fY += v.y * dt;
        p->m_fZ += v.z * dt;
        p->m_fAge += dt;

        // Under the ground a particle is hidden but lives on and collides.
        const bool hidden = m_pHeightmap && m_pHeightmap->GetHeightAt(p->m_fX, p->m_fZ) > p->m_fY;
        if (m_pObstacles || m_pFlock) {
            const Vector4 position(p->m_fX, p->m_fY, p->m_fZ, 1.0f);
            if (m_pObstacles) {
                Vector4 bounced = v;
                if (m_pObstacles->CheckCollisions(position, v, kParticleRadius, bounced)) v = bounced;
            }
            if (m_pFlock && m_pFlock->CheckCollisions(position) && m_pHitSound && !m_pHitSound->IsPlaying())
                m_pHitSound->Play(kHitVolume);
        }
        if (hidden) continue;
        p->m_dwColor = kWhite;
        // The active count never exceeds the array's size; the test guards
        // the array all the same.
        if (m_uDrawnCount >= m_uMaxParticles) continue;
        m_pVertices[m_uDrawnCount] = SParticleVertex{p->m_fX, p->m_fY, p->m_fZ, p->m_dwColor};
        cx += p->m_fX;
        cy += p->m_fY;
        cz += p->m_fZ;
        ++m_uDrawnCount;
    }
    if (m_uDrawnCount > 0) {
        const float n = static_cast<float>(m_uDrawnCount);
        m_vCentroid.Set(cx / n, cy / n, cz / n, 1.0f);
    } else {
        m_vCentroid.Set(0.0f, 0.0f, 0.0f, 1.0f);
    }
    if (!m_bManualEmission) Emit();
}

bool CParticleSystem::Render() {
    if (!m_pDevice) return false;
    if (m_uDrawnCount == 0) {
        // Nothing to light the scene: switch the light off.
        if (m_bLight) m_pDevice->SetLight(static_cast<unsigned>(m_iLightIndex), nullptr);
        return true;
    }
    bool began = false;
    if (!m_pDevice->IsRendering()) {
        if (!m_pDevice->BeginRendering(false, false, false)) return false;
        began = true;
    }
    if (m_pTexture)
        m_pTexture->Apply(0, 0, qrn::TEXTUREOP_MODULATE, qrn::TEXTUREOP_MODULATE);
    else
        m_pDevice->SetTexturing(false);
    if (m_pMaterial) m_pMaterial->Apply();
    // Normal: the particle colour is added to the frame; inverse: the frame
    // is multiplied by it.
    m_pDevice->SetAdditiveBlending(true, m_bInverseBlending);
    m_pDevice->SetDepthBufferMode(qrn::DEPTHBUFFER_READONLY);
    if (m_bLight) {
        m_Light.position.Set(m_vCentroid.x, m_vCentroid.y, m_vCentroid.z, 1.0f);
        m_pDevice->SetLight(static_cast<unsigned>(m_iLightIndex), &m_Light);
    }
    m_pDevice->SetPointSize(m_fPointSize);
    m_pDevice->DrawUserPrimitives(m_pVertices, m_uDrawnCount, qrn::VERTEXFORMAT_XYZ_DIFFUSE);
    if (!m_pTexture) m_pDevice->SetTexturing(true);
    m_pDevice->SetAdditiveBlending(false, false);
    m_pDevice->SetDepthBufferMode(qrn::DEPTHBUFFER_READWRITE);
    if (began) m_pDevice->EndRendering(false);
    return true;
}

// ---- exported shell ----------------------------------------------------------

IParticleSystem::IParticleSystem() : m_pParticleSystem(new CParticleSystem) {}
IParticleSystem::~IParticleSystem() { delete m_pParticleSystem; }

bool IParticleSystem::Init(unsigned int maxParticles, const Vector4& origin, bool manualEmission,
                           qrnsu::ISound* hitSound, qrn::IRenderDevice* device) {
    return m_pParticleSystem->Init(maxParticles, origin, manualEmission, hitSound, device);
}
bool IParticleSystem::SetTexture(const char* file) { return m_pParticleSystem->SetTexture(file); }
void IParticleSystem::SetParticleData(float lifetime, float size) {
    m_pParticleSystem->SetParticleData(lifetime, size);
}
void IParticleSystem::SetVelocity(const Vector4& velocity, float variance) {
    m_pParticleSystem->SetVelocity(velocity, variance);
}
void IParticleSystem::SetOffspring(const Vector4& origin) { m_pParticleSystem->SetOffspring(origin); }
void IParticleSystem::SetRegionDimension(const Vector4& dimension) {
    m_pParticleSystem->SetRegionDimension(dimension);
}
void IParticleSystem::SetGravity(const Vector4& gravity) { m_pParticleSystem->SetGravity(gravity); }
void IParticleSystem::SetWind(const Vector4& wind) { m_pParticleSystem->SetWind(wind); }
void IParticleSystem::SetInversSrcColorBlending(bool inverse) { m_pParticleSystem->SetInversSrcColorBlending(inverse); }
void IParticleSystem::SetReleaseRate(unsigned int count, float interval) {
    m_pParticleSystem->SetReleaseRate(count, interval);
}
void IParticleSystem::SetHeightMap(IHeightmap* heightmap) { m_pParticleSystem->SetHeightMap(heightmap); }
void IParticleSystem::SetObstacles(CObstacleList* obstacles) { m_pParticleSystem->SetObstacles(obstacles); }
void IParticleSystem::SetFlockObstacles(IFlock* flock) { m_pParticleSystem->SetFlockObstacles(flock); }
void IParticleSystem::SetLightEffect(int index, const qrn::SLight& light) {
    m_pParticleSystem->SetLightEffect(index, light);
}
void IParticleSystem::Emit() { m_pParticleSystem->Emit(); }
void IParticleSystem::Update(float elapsed) { m_pParticleSystem->Update(elapsed); }
bool IParticleSystem::Render() { return m_pParticleSystem->Render(); }

}  // namespace qrngu
