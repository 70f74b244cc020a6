// Obstacles: spheres, axis-aligned boxes and vertical cylinders of unbounded
// height against which moving points are tested. A test does not move the
// point: it reports whether the point is near the obstacle while heading
// towards it, and adds a push away from it to the caller's response vector.
#pragma once

#include <vector>

#include "QrnApi.h"
#include "QrnMath.h"

namespace qrngu {

class QRN_API IObstacle {
public:
    virtual ~IObstacle();
    // True when the point at position, moving with velocity, lies within
    // radius of the obstacle and is not moving away from it; then the push
    // is added to response's x, y and z.
    virtual bool CheckCollision(const qrn::Vector4& position, const qrn::Vector4& velocity,
                                float radius, qrn::Vector4& response) = 0;
    // Grows the obstacle so that it contains the point.
    virtual void Enclose(const qrn::Vector4& point) = 0;

    qrn::Vector4 GetPosition() const;
    void SetPosition(const qrn::Vector4& position);

    // New obstacles, owned by the caller (delete through this class); null
    // when memory runs out.
    static IObstacle* CreateSphereObstacle(const qrn::Vector4& centre, float radius);
    static IObstacle* CreateAABBObstacle(const qrn::Vector4& minimum, const qrn::Vector4& maximum);
    static IObstacle* CreateCylinderObstacle(const qrn::Vector4& centre, float radius);

protected:
    IObstacle();
    IObstacle(const IObstacle&) = default;
    IObstacle& operator=(const IObstacle&) = default;

    qrn::Vector4 m_vPosition;
};

// An owning list of obstacles, tested together.
class QRN_API CObstacleList {
public:
    CObstacleList();
    virtual ~CObstacleList();
    // The list owns its obstacles: a copy would delete them twice.
    CObstacleList(const CObstacleList&) = delete;
    CObstacleList& operator=(const CObstacleList&) = delete;

    void AddSphereObstacle(const qrn::Vector4& centre, float radius);
    void AddAABBObstacle(const qrn::Vector4& minimum, const qrn::Vector4& maximum);
    void AddCylinderObstacle(const qrn::Vector4& centre, float radius);

    // Tests every obstacle in insertion order (all of them, so every hit adds
    // its push); true if at least one was hit.
    bool CheckCollisions(const qrn::Vector4& position, const qrn::Vector4& velocity, float radius,
                         qrn::Vector4& response);

    // Number of obstacles held.
    unsigned GetCount() const { return static_cast<unsigned>(m_Obstacles.size()); }

private:
    void Append(IObstacle* obstacle);

    std::vector<IObstacle*> m_Obstacles;
};

}  // namespace qrngu
