// The three obstacle shapes and the owning list.
#include <cmath>
#include <new>

#include "Obstacle.h"

namespace qrngu {

using qrn::Vector4;

namespace {

// Adds the push (x, y, z), divided by scale where scale is positive, to x, y
// and z of the response; its w stays.
void AddPush(Vector4& response, float x, float y, float z, float scale) {
    if (scale > 0.0f) {
        x /= scale;
        y /= scale;
        z /= scale;
    }
    response.x += x;
    response.y += y;
    response.z += z;
}

// The sphere test shared by the sphere and the cylinder: d is the offset of
// the point from the centre.
bool RoundHit(float dx, float dy, float dz, const Vector4& velocity, float sphereRadius,
              float radius, Vector4& response) {
    if (dx * velocity.x + dy * velocity.y + dz * velocity.z > 0.0f) return false;  // moving away
    const float s = std::sqrt(dx * dx + dy * dy + dz * dz) - sphereRadius;
    if (!(s < radius)) return false;
    AddPush(response, dx, dy, dz, s);
    return true;
}

// A sphere, or (vertical) a vertical cylinder of unbounded height, which is
// the sphere test on the horizontal offset only.
class CRoundObstacle : public IObstacle {
public:
    CRoundObstacle(const Vector4& centre, float radius, bool vertical) : m_fRadius(radius), m_bVertical(vertical) {
        m_vPosition = centre;
    }

    bool CheckCollision(const Vector4& position, const Vector4& velocity, float radius,
                        Vector4& response) override {
        // A cylinder's axis point follows the tested height.
        if (m_bVertical) m_vPosition.y = position.y;
        return RoundHit(position.x - m_vPosition.x, HeightOffset(position), position.z - m_vPosition.z,
                        velocity, m_fRadius, radius, response);
    }

    void Enclose(const Vector4& point) override {
        const float dx = point.x - m_vPosition.x, dy = HeightOffset(point), dz = point.z - m_vPosition.z;
        const float d = std::sqrt(dx * dx + dy * dy + dz * dz);
        if (d > m_fRadius) m_fRadius = d;
    }

private:
    float HeightOffset(const Vector4& p) const { return m_bVertical ? 0.0f : p.y - m_vPosition.y; }

    float m_fRadius;
    bool m_bVertical;
};

class CAABBObstacle : public IObstacle {
public:
    CAABBObstacle(const Vector4& minimum, const Vector4& maximum) : m_vMin(minimum), m_vMax(maximum) {}

    bool CheckCollision(const Vector4& position, const Vector4& velocity, float radius,
                        Vector4& response) override {
        // Offset from the nearest point of the box; zero inside.
        auto axis = [](float p, float lo, float hi) {
            if (p < lo) return p - lo;
            if (p > hi) return p - hi;
            return 0.0f;
        };
        const float dx = axis(position.x, m_vMin.x, m_vMax.x);
        const float dy = axis(position.y, m_vMin.y, m_vMax.y);
        const float dz = axis(position.z, m_vMin.z, m_vMax.z);
        if (dx * velocity.x + dy * velocity.y + dz * velocity.z > 0.0f) return false;
        const float q = dx * dx + dy * dy + dz * dz;
        if (radius * radius < q) return false;
        AddPush(response, dx, dy, dz, q);
        return true;
    }

    void Enclose(const Vector4& p) override {
        if (p.x < m_vMin.x) m_vMin.x = p.x;
        if (p.y < m_vMin.y) m_vMin.y = p.y;
        if (p.z < m_vMin.z) m_vMin.z = p.z;
        if (p.x > m_vMax.x) m_vMax.x = p.x;
        if (p.y > m_vMax.y) m_vMax.y = p.y;
        if (p.z > m_vMax.z) m_vMax.z = p.z;
    }

private:
    Vector4 m_vMin;
    Vector4 m_vMax;
};

}  // namespace

// ---- IObstacle -------------------------------------------------------------

IObstacle::IObstacle() : m_vPosition(0, 0, 0, 1) {}
IObstacle::~IObstacle() = default;
Vector4 IObstacle::GetPosition() const { return m_vPosition; }
void IObstacle::SetPosition(const Vector4& position) { m_vPosition = position; }

IObstacle* IObstacle::CreateSphereObstacle(const Vector4& centre, float radius) {
    return new (std::nothrow) CRoundObstacle(centre, radius, false);
}

IObstacle* IObstacle::CreateAABBObstacle(const Vector4& minimum, const Vector4& maximum) {
    return new (std::nothrow) CAABBObstacle(minimum, maximum);
}

IObstacle* IObstacle::CreateCylinderObstacle(const Vector4& centre, float radius) {
    return new (std::nothrow) CRoundObstacle(centre, radius, true);
}

// ---- CObstacleList -----------------------------------------------------------

CObstacleList::CObstacleList() = default;

CObstacleList::~CObstacleList() {
    for (IObstacle* o : m_Obstacles) delete o;
}

void CObstacleList::Append(IObstacle* obstacle) {
    if (!obstacle) return;
    try {
        m_Obstacles.push_back(obstacle);
    } catch (const std::bad_alloc&) {
        delete obstacle;  // no room in the list: nothing is added
    }
}

void CObstacleList::AddSphereObstacle(const Vector4& centre, float radius) {
    Append(IObstacle::CreateSphereObstacle(centre, radius));
}

void CObstacleList::AddAABBObstacle(const Vector4& minimum, const Vector4& maximum) {
    Append(IObstacle::CreateAABBObstacle(minimum, maximum));
}

void CObstacleList::AddCylinderObstacle(const Vector4& centre, float radius) {
    Append(IObstacle::CreateCylinderObstacle(centre, radius));
}

bool CObstacleList::CheckCollisions(const Vector4& position, const Vector4& velocity, float radius,
                                    Vector4& response) {
    bool hit = false;
    for (IObstacle* o : m_Obstacles)
        if (o->CheckCollision(position, velocity, radius, response)) hit = true;
    return hit;
}

}  // namespace qrngu
