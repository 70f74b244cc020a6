// The flock behind IFlock.
#pragma once

#include "QrnMath.h"
#include "RenderDevice.h"
#include "RenderDeviceObjects.h"

namespace qrngu {

class CObstacleList;
class IHeightmap;

// One bird. The steering sums are rebuilt by every update; world is all
// zeros until the bird's first update.
struct SBoid {
    qrn::Vector4 position;
    qrn::Vector4 heading;     // direction of flight, 0.1 long once the bird has flown
    qrn::Vector4 separation;  // sum of pushes away from near birds
    qrn::Vector4 alignment;   // sum of near birds' headings, then the alignment steer
    qrn::Vector4 cohesion;    // sum of near birds' positions, then the cohesion steer
    qrn::Vector4 avoidance;   // steer away from obstacles, the ground and the water
    unsigned neighbours;      // birds within the influence distance
    qrn::Vector4 goalDirection;
    float speed;
    float pitch;     // radians, positive climbs
    float yaw;       // radians about the vertical axis
    float roll;      // bank angle
    float turnRate;  // radians added to yaw per update
    float wingPhase;
    bool hit;   // falling
    bool dead;  // landed after a hit: neither updated nor drawn
    qrn::Matrix4x4 world;
};

class CFlock {
public:
    // Distance within which a point hits a bird.
    static constexpr float kHitDistance = 0.8f;
    // Birds closer than this are one point to each other: no direction
    // between them, so they add nothing to each other's sums.
    static constexpr float kSamePlace = 1e-6f;

    CFlock();
    virtual ~CFlock();
    CFlock(const CFlock&) = delete;
    CFlock& operator=(const CFlock&) = delete;

    bool SetData(qrn::IRenderDevice* device, unsigned count, const qrn::Vector4& origin,
                 const qrn::Vector4& extent);
    void SetGoal(const qrn::Vector4* goal);
    qrn::Vector4 GetGoal() const { return m_vGoal; }
    void SetBoidInfluence(float influence) { m_fBoidInfluence = influence; }
    void SetFlockSpeed(float speed) { m_fFlockSpeed = speed; }
    void SetWaterHeight(float height) { m_fWaterHeight = height; }
    void AddObstacleList(CObstacleList* obstacles) { m_pObstacles = obstacles; }
    bool CheckCollisions(const qrn::Vector4& point);
    void SetTerrain(IHeightmap* heightmap, int heightRange, const qrn::Vector4& offset);
    void Update(float elapsed);
    bool Render();

    unsigned GetBoidCount() const { return m_uBirdCount; }
    SBoid* GetBoids() { return m_pBirds; }
    float GetWaterHeight() const { return m_fWaterHeight; }
    int GetHeightRange() const { return m_iHeightRange; }
    qrn::ITweenMesh* GetMesh() const { return m_pMesh; }

    // A place in the flying area: over the terrain when there is one,
    // otherwise in the box given to SetData.
    qrn::Vector4 RandomPosition() const;

private:
    // Terrain height at (x, z), raised to the water height.
    float SurfaceAt(float x, float z) const;
    void PlaceBirds();
    void MoveGoal();
    void AddPair(SBoid& a, SBoid& b, float distance);
    void Avoid(SBoid& bird);
    void Steer(SBoid& bird);
    void Fly(SBoid& bird, float elapsed);
    void Fall(SBoid& bird, float elapsed);

    qrn::IRenderDevice* m_pDevice;
    qrn::Vector4 m_vGoal;
    qrn::ITweenMesh* m_pMesh;
    SBoid* m_pBirds;
    IHeightmap* m_pHeightmap;
    qrn::Vector4 m_vTerrainOffset;
    qrn::Vector4 m_vAreaExtent;
    qrn::Vector4 m_vAreaOrigin;
    float m_fBoidInfluence;
    float m_fFlockSpeed;
    float m_fWaterHeight;
    bool m_bAutomaticGoal;
    int m_iHeightRange;
    unsigned m_uBirdCount;
    CObstacleList* m_pObstacles;
};

}  // namespace qrngu
