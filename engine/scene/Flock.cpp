// The flock: placement, the all-pairs neighbour sums, steering, the flying
// and falling updates, the circling goal and drawing.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <new>

#include "Flock.h"
#include "FlockImpl.h"
#include "Heightmap.h"
#include "Obstacle.h"
#include "Random.h"

namespace qrngu {

using qrn::Matrix4x4;
using qrn::Vector4;

namespace {
constexpr unsigned kMaxBirds = 1u << 20;
constexpr float kPi = 3.14159265358979f;
constexpr float kScale = 0.1f;         // model size, and so the heading's length
constexpr float kGroundClearance = 1.0f;
constexpr float kGoalClearance = 1.5f;
constexpr float kPitchStep = 0.2f;
constexpr float kMaxPitch = 0.8f;
constexpr float kLevelBand = 0.01f;    // vertical steer counted as level
constexpr float kDecay = 0.98f;        // pitch and turn rate when level or straight
constexpr float kTurnBand = 0.05f;
constexpr float kFallSpeed = 8.0f;     // times the bird's speed
constexpr double kGoalTurnRate = 0.0001;  // radians per millisecond
constexpr float kZeroMatrix[16] = {};

// Twice the extent's whole part: the number of places along one axis of the
// area, or 0 when the extent is below 1 (the area is then a single point).
long long AreaSpan(float extent) {
    if (!(extent >= 1.0f)) return 0;
    return 2 * static_cast<long long>(std::min(extent, 1e9f));
}

float Length(float x, float y, float z) { return std::sqrt(x * x + y * y + z * z); }

// Model to world, from the bird's angles and position:
// RotationZ(-roll) x Scale(0.1) x RotationX(-pitch) x RotationY(-yaw) x Translation.
Matrix4x4 Orientation(const SBoid& bird) {
    Matrix4x4 roll, scale, pitch, yaw, move;
    roll.SetRotationZ(-bird.roll);
    scale.SetScaling(kScale, kScale, kScale, true);
    pitch.SetRotationX(-bird.pitch);
    yaw.SetRotationY(-bird.yaw);
    move.SetTranslation(&bird.position, true);
    return roll * scale * pitch * yaw * move;
}

// The bird models look along -z: a half turn makes them face their heading.
Matrix4x4 World(const Matrix4x4& orientation) {
    static const Matrix4x4 halfTurn = [] {
        Matrix4x4 m;
        m.SetRotationY(kPi);
        return m;
    }();
    return halfTurn * orientation;
}
}  // namespace

CFlock::CFlock()
    : m_pDevice(nullptr), m_pMesh(nullptr), m_pBirds(nullptr), m_pHeightmap(nullptr), m_fBoidInfluence(10.0f),
      m_fFlockSpeed(0.1f), m_fWaterHeight(std::numeric_limits<float>::lowest()), m_bAutomaticGoal(true),
      m_iHeightRange(1), m_uBirdCount(0), m_pObstacles(nullptr) {}

CFlock::~CFlock() {
    delete[] m_pBirds;
    delete m_pMesh;
}

float CFlock::SurfaceAt(float x, float z) const {
    return std::max(m_pHeightmap->GetHeightAt(x, z), m_fWaterHeight);
}

Vector4 CFlock::RandomPosition() const {
    if (m_pHeightmap) {
        const float x = static_cast<float>(RandomBelow(m_pHeightmap->GetWidth()));
        const float z = static_cast<float>(RandomBelow(m_pHeightmap->GetDepth()));
        const float lift = 0.1f * static_cast<float>(RandomBelow(10LL * m_iHeightRange));
        const float y = SurfaceAt(x, z) + kGroundClearance + lift;
        return Vector4(x + m_vTerrainOffset.x, y + m_vTerrainOffset.y, z + m_vTerrainOffset.z, 1.0f);
    }
    const Vector4& e = m_vAreaExtent;
    const float x = e.x - static_cast<float>(RandomBelow(AreaSpan(e.x)));
    const float y = e.y - static_cast<float>(RandomBelow(AreaSpan(e.y)));
    const float z = e.z - static_cast<float>(RandomBelow(AreaSpan(e.z)));
    return Vector4(x + m_vAreaOrigin.x, y + m_vAreaOrigin.y, z + m_vAreaOrigin.z, 1.0f);
}

bool CFlock::SetData(qrn::IRenderDevice* device, unsigned count, const Vector4& origin, const Vector4& extent) {
    m_pDevice = device;
    m_vAreaOrigin = origin;
    m_vAreaExtent = extent;
    delete[] m_pBirds;
    m_pBirds = nullptr;
    m_uBirdCount = 0;
    m_vGoal = RandomPosition();
    if (count > kMaxBirds) return false;
    m_pBirds = new (std::nothrow) SBoid[count];
    if (!m_pBirds) return false;
    m_uBirdCount = count;
    for (unsigned i = 0; i < count; ++i) {
        SBoid& b = m_pBirds[i];
        b.neighbours = 0;
        b.speed = b.pitch = b.yaw = b.roll = b.turnRate = 0.0f;
        b.world.Set(kZeroMatrix);
        b.wingPhase = 0.01f * static_cast<float>(RandomDraw() % 300);
        b.position = RandomPosition();
        b.heading.CreateNormalizedRandom();
        b.hit = b.dead = false;
    }
    if (!m_pMesh && device) m_pMesh = static_cast<qrn::ITweenMesh*>(device->CreateObject(qrn::OBJECTTYPE_TWEENMESH));
    if (!m_pMesh) return false;
    return m_pMesh->LoadFromFiles("BirdUP.x", "BirdDOWN.x");
}

void CFlock::SetGoal(const Vector4* goal) {
    m_bAutomaticGoal = goal == nullptr;
    if (goal) m_vGoal = *goal;
}

void CFlock::SetTerrain(IHeightmap* heightmap, int heightRange, const Vector4& offset) {
    m_pHeightmap = heightmap;
    m_vTerrainOffset = offset;
    m_iHeightRange = std::max(heightRange, 0);
    for (unsigned i = 0; i < m_uBirdCount; ++i) {
        m_pBirds[i].position = RandomPosition();
        m_pBirds[i].heading.CreateNormalizedRandom();
    }
}

bool CFlock::CheckCollisions(const Vector4& point) {
    bool any = false;
    for (unsigned i = 0; i < m_uBirdCount; ++i) {
        SBoid& b = m_pBirds[i];
        const float d = Length(b.position.x - point.x, b.position.y - point.y, b.position.z - point.z);
        if (d < kHitDistance) {
            b.hit = true;
            any = true;
        }
    }
    return any;
}

void CFlock::MoveGoal() {
    const double angle = kGoalTurnRate * static_cast<double>(GetTickCount());
    const float s = static_cast<float>(std::sin(angle));
    const float c = static_cast<float>(std::cos(angle));
    if (m_pHeightmap) {
        // An ellipse round the terrain's centre that touches its edges.
        const float halfWidth = 0.5f * static_cast<float>(m_pHeightmap->GetWidth());
        const float halfDepth = 0.5f * static_cast<float>(m_pHeightmap->GetDepth());
        const float x = halfWidth + halfWidth * s;
        const float z = halfDepth + halfDepth * c;
        const float y = SurfaceAt(x, z) + kGoalClearance;
        m_vGoal.Set(x + m_vTerrainOffset.x, y + m_vTerrainOffset.y, z + m_vTerrainOffset.z, 1.0f);
    } else {
        const Vector4& e = m_vAreaExtent;
        const Vector4& o = m_vAreaOrigin;
        m_vGoal.Set(e.x * s + o.x + e.x, e.y * s + o.y + e.y, e.z * c + o.z + e.z, 1.0f);
    }
    char text[256];
    std::snprintf(text, sizeof text, "Goal: %f, %f, %f \n", m_vGoal.x, m_vGoal.y, m_vGoal.z);
    OutputDebugStringA(text);
}

void CFlock::AddPair(SBoid& a, SBoid& b, float distance) {
    if (a.hit || a.dead || b.hit || b.dead) return;
    if (distance < kSamePlace) return;
    const float dx = a.position.x - b.position.x;
    const float dy = a.position.y - b.position.y;
    const float dz = a.position.z - b.position.z;
    // A push apart of length 1 / distance.
    const float push = 1.0f / (distance * distance);
    a.separation.x += dx * push;
    a.separation.y += dy * push;
    a.separation.z += dz * push;
    b.separation.x -= dx * push;
    b.separation.y -= dy * push;
    b.separation.z -= dz * push;
    const float closeness = 1.0f / distance;
    a.alignment.x += b.heading.x * closeness;
    a.alignment.y += b.heading.y * closeness;
    a.alignment.z += b.heading.z * closeness;
    b.alignment.x += a.heading.x * closeness;
    b.alignment.y += a.heading.y * closeness;
    b.alignment.z += a.heading.z * closeness;
    a.cohesion += b.position;
    b.cohesion += a.position;
    ++a.neighbours;
    ++b.neighbours;
}

void CFlock::Avoid(SBoid& bird) {
    if (bird.hit || bird.dead) return;
    if (m_pObstacles) m_pObstacles->CheckCollisions(bird.position, bird.heading, m_fBoidInfluence, bird.avoidance);
    if (m_pHeightmap && bird.position.y - SurfaceAt(bird.position.x, bird.position.z) < kGroundClearance)
        bird.avoidance.y += 1.0f;
}

void CFlock::Steer(SBoid& bird) {
    if (bird.hit || bird.dead) return;
    if (bird.neighbours != 0) {
        const float n = static_cast<float>(bird.neighbours);
        // Towards the neighbours' mean position.
        Vector4& c = bird.cohesion;
        c.Set(c.x / n - bird.position.x, c.y / n - bird.position.y, c.z / n - bird.position.z, 1.0f);
        const float cl = Length(c.x, c.y, c.z);
        if (cl > 0)
            c.Set(c.x / cl, c.y / cl, c.z / cl, 1.0f);
        else
            c.Set(0, 0, 0, 1);
        // Turn from the own heading towards the neighbours' mean heading.
        Vector4& a = bird.alignment;
        a.Set(a.x / n, a.y / n, a.z / n, a.w);
        const float al = Length(a.x, a.y, a.z);
        if (al > 0) {
            a.Set(a.x / al - bird.heading.x, a.y / al - bird.heading.y, a.z / al - bird.heading.z, a.w);
            a.Normalize();
        }
    }
    bird.goalDirection.Set(m_vGoal.x - bird.position.x, m_vGoal.y - bird.position.y, m_vGoal.z - bird.position.z,
                           1.0f);
    bird.goalDirection.Normalize();
}

void CFlock::Fly(SBoid& b, float elapsed) {
    float vx = b.avoidance.x + b.separation.x + 0.1f * b.alignment.x + b.cohesion.x + b.goalDirection.x;
    float vy = b.avoidance.y + b.separation.y + 0.1f * b.alignment.y + b.cohesion.y + b.goalDirection.y;
    float vz = b.avoidance.z + b.separation.z + 0.1f * b.alignment.z + b.cohesion.z + b.goalDirection.z;
    const float vl = Length(vx, vy, vz);
    if (vl > 1.0f) {
        vx /= vl;
        vy /= vl;
        vz /= vl;
    }

    if (vy > kLevelBand)
        b.pitch = std::min(b.pitch + kPitchStep, kMaxPitch);
    else if (vy < -kLevelBand)
        b.pitch = std::max(b.pitch - kPitchStep, -kMaxPitch);
    else
        b.pitch *= kDecay;

    // Climbing slows the bird, diving speeds it up; it drifts back to the
    // flock's speed. (max before min: no fault for a negative flock speed.)
    const float fs = m_fFlockSpeed;
    float s = b.speed - 0.002f * b.pitch;
    s = fs + (s - fs) * 0.99f;
    b.speed = std::min(std::max(s, 0.5f * fs), 5.0f * fs);

    b.wingPhase += elapsed * (8.0f + 6.0f * b.pitch);

    // Turn towards the horizontal part of the steer.
    float wx = vx, wz = vz;
    const float wl = std::sqrt(wx * wx + wz * wz);
    if (wl > 0) {
        wx /= wl;
        wz /= wl;
    }
    const Vector4& h = b.heading;
    const float t = 0.035f * (1.0f - (h.x * wx + h.z * wz));
    const float cross = h.x * wz - h.z * wx;
    if (cross > kTurnBand)
        b.turnRate = (19.0f * b.turnRate + t) * 0.05f;
    else if (cross < -kTurnBand)
        b.turnRate = (19.0f * b.turnRate - t) * 0.05f;
    else
        b.turnRate *= kDecay;
    b.yaw += b.turnRate;
    b.roll = -20.0f * b.turnRate;

    const Matrix4x4 o = Orientation(b);
    b.heading.Set(o._31, o._32, o._33, 1.0f);
    b.world = World(o);
    const float step = elapsed * b.speed * 100.0f;
    b.position.x += b.heading.x * step;
    b.position.y += b.heading.y * step;
    b.position.z += b.heading.z * step;
}

void CFlock::Fall(SBoid& b, float elapsed) {
    b.world = World(Orientation(b));
    b.heading.Set(0.0f, -kFallSpeed, 0.0f, 1.0f);
    b.position.y -= kFallSpeed * elapsed * b.speed;
    // Without a terrain the bird comes to rest on the floor of its area.
    const float ground =
        m_pHeightmap ? m_pHeightmap->GetHeightAt(b.position.x, b.position.z) : m_vAreaOrigin.y;
    if (ground > b.position.y) {
        b.dead = true;
        b.hit = false;
    }
}

void CFlock::Update(float elapsed) {
    // A broken frame time would carry NaN into every position.
    if (!std::isfinite(elapsed)) elapsed = 0.0f;
    for (unsigned i = 0; i < m_uBirdCount; ++i) {
        SBoid& b = m_pBirds[i];
        b.separation.Set(0, 0, 0, 1);
        b.alignment.Set(0, 0, 0, 1);
        b.cohesion.Set(0, 0, 0, 1);
        b.goalDirection.Set(0, 0, 0, 1);
        b.avoidance.Set(0, 0, 0, 1);
        b.neighbours = 0;
    }
    if (m_bAutomaticGoal) MoveGoal();

    // Every unordered pair once. Pairs clearly beyond the influence are
    // rejected on the squared distance; the rest are tested on the distance
    // itself, strictly less than the influence.
    const float influence = m_fBoidInfluence;
    const float reject = influence * influence * 1.001f;
    for (unsigned i = 0; i < m_uBirdCount; ++i) {
        SBoid& a = m_pBirds[i];
        if (influence > 0) {
            for (unsigned j = i + 1; j < m_uBirdCount; ++j) {
                SBoid& b = m_pBirds[j];
                const float dx = a.position.x - b.position.x;
                const float dy = a.position.y - b.position.y;
                const float dz = a.position.z - b.position.z;
                const float d2 = dx * dx + dy * dy + dz * dz;
                if (d2 >= reject) continue;
                const float d = std::sqrt(d2);
                if (d < influence) AddPair(a, b, d);
            }
        }
        Avoid(a);
        Steer(a);
    }

    for (unsigned i = 0; i < m_uBirdCount; ++i) {
        SBoid& b = m_pBirds[i];
        if (b.dead) continue;
        if (b.hit)
            Fall(b, elapsed);
        else
            Fly(b, elapsed);
    }
}

bool CFlock::Render() {
    if (!m_pDevice || !m_pMesh) return false;
    for (unsigned i = 0; i < m_uBirdCount; ++i) {
        const SBoid& b = m_pBirds[i];
        if (b.dead) continue;
        m_pDevice->SetWorldMatrix(&b.world);
        if (!m_pMesh->Render(std::sin(b.wingPhase), true, true)) return false;
    }
    return true;
}

// ---- exported shell ----------------------------------------------------------

IFlock::IFlock() : m_pFlock(new CFlock) {}
IFlock::~IFlock() { delete m_pFlock; }

bool IFlock::SetData(qrn::IRenderDevice* device, unsigned int birdCount, Vector4 origin, Vector4 extent) {
    return m_pFlock->SetData(device, birdCount, origin, extent);
}
void IFlock::SetGoal(const Vector4* goal) { m_pFlock->SetGoal(goal); }
Vector4 IFlock::GetGoal() { return m_pFlock->GetGoal(); }
void IFlock::SetBoidInfluence(float influence) { m_pFlock->SetBoidInfluence(influence); }
void IFlock::SetFlockSpeed(float speed) { m_pFlock->SetFlockSpeed(speed); }
void IFlock::SetWaterHeight(float height) { m_pFlock->SetWaterHeight(height); }
void IFlock::AddObstacleList(CObstacleList* obstacles) { m_pFlock->AddObstacleList(obstacles); }
bool IFlock::CheckCollisions(const Vector4& point) { return m_pFlock->CheckCollisions(point); }
void IFlock::SetTerrain(IHeightmap* heightmap, int heightRange, Vector4 offset) {
    m_pFlock->SetTerrain(heightmap, heightRange, offset);
}
void IFlock::Update(float elapsed) { m_pFlock->Update(elapsed); }
bool IFlock::Render() { return m_pFlock->Render(); }

}  // namespace qrngu
