// The rate-driven first-person camera. The axes are rebuilt from the two
// angles on every update, so the orientation never drifts.
#include <cmath>

#include "Camera.h"
#include "CameraImpl.h"

namespace qrngu {

using qrn::Matrix4x4;
using qrn::Vector4;

namespace {
constexpr float kTwoPi = 6.283185f;
constexpr float kPitchLimit = 1.4f;

bool Finite(const Vector4& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
}  // namespace

CCamera::CCamera()
    : m_vPosition(0, 0, 0, 1), m_vDir(0, 0, 1, 1), m_vRight(1, 0, 0, 1), m_vUp(0, 1, 0, 1),
      m_fPitchRate(0), m_fYawRate(0), m_fSpeed(0), m_fSlideSpeed(0), m_fPitch(0), m_fYaw(0),
      m_bViewDirty(true) {}

CCamera::~CCamera() = default;

void CCamera::Update(float elapsed) {
    // A non-finite step (NaN or infinite time or rate) would poison the
    // angles for good; such a turn is skipped.
    const float dPitch = elapsed * m_fPitchRate;
    const float dYaw = elapsed * m_fYawRate;
    if (std::isfinite(dPitch)) m_fPitch += dPitch;
    if (std::isfinite(dYaw)) m_fYaw += dYaw;

    RebuildAxes();

    Vector4 forward = (m_vDir * m_fSpeed) * elapsed;
    Vector4 slide = (m_vRight * m_fSlideSpeed) * elapsed;
    Vector4 step = forward + slide;
    // Likewise a move that would leave the eye at an infinite or undefined
    // place is dropped.
    Vector4 moved = m_vPosition;
    moved += step;
    if (Finite(step) && Finite(moved)) m_vPosition = moved;

    RebuildView();
}

void CCamera::RebuildAxes() {
    // One wrapping step keeps the yaw within about +-2 pi for any sensible
    // rate; a yaw still beyond that (a huge rate) is reduced fully, so that
    // it cannot grow until float precision runs out.
    if (m_fYaw > kTwoPi)
        m_fYaw -= kTwoPi;
    else if (m_fYaw < -kTwoPi)
        m_fYaw += kTwoPi;
    if (std::fabs(m_fYaw) > kTwoPi) m_fYaw = std::fmod(m_fYaw, kTwoPi);

    if (m_fPitch > kPitchLimit)
        m_fPitch = kPitchLimit;
    else if (m_fPitch < -kPitchLimit)
        m_fPitch = -kPitchLimit;

    m_vRight.Set(1, 0, 0, 1);
    m_vUp.Set(0, 1, 0, 1);
    m_vDir.Set(0, 0, 1, 1);

    Matrix4x4 m;
    m.SetRotationArbitrary(m_vUp, m_fYaw);
    m_vRight = m * m_vRight;
    m_vDir = m * m_vDir;

    m.SetRotationArbitrary(m_vRight, m_fPitch);
    m_vUp = m * m_vUp;
    m_vDir = m * m_vDir;

    m_vDir.Normalize();
    m_vRight.Cross(m_vUp, m_vDir);
    m_vRight.Normalize();
    m_vUp.Cross(m_vDir, m_vRight);
    m_vUp.Normalize();

    m_bViewDirty = true;
}

void CCamera::RebuildView() const {
    Matrix4x4& v = m_mView;
    v.Indentity();
    v._11 = m_vRight.x;
    v._21 = m_vRight.y;
    v._31 = m_vRight.z;
    v._12 = m_vUp.x;
    v._22 = m_vUp.y;
    v._32 = m_vUp.z;
    v._13 = m_vDir.x;
    v._23 = m_vDir.y;
    v._33 = m_vDir.z;
    v._41 = -(m_vPosition * m_vRight);
    v._42 = -(m_vPosition * m_vUp);
    v._43 = -(m_vPosition * m_vDir);
    m_bViewDirty = false;
}

Matrix4x4 CCamera::GetViewMatrix() const {
    if (m_bViewDirty) RebuildView();
    return m_mView;
}

void CCamera::SetPosition(const Vector4& position) {
    // An undefined or infinite eye point is refused; the camera stays put.
    if (!Finite(position)) return;
    m_vPosition = position;
    m_bViewDirty = true;
}

bool CCamera::IsMoving() const {
    return m_fPitchRate > 0.0f || m_fYawRate > 0.0f || m_fSpeed > 0.0f || m_fSlideSpeed > 0.0f;
}

// ---- exported shell ----------------------------------------------------------

ICamera::ICamera() : m_pCamera(new CCamera) {}
ICamera::~ICamera() { delete m_pCamera; }
void ICamera::Update(float elapsed) { m_pCamera->Update(elapsed); }
Matrix4x4 ICamera::GetViewMatrix() const { return m_pCamera->GetViewMatrix(); }
Vector4 ICamera::GetPosition() const { return m_pCamera->GetPosition(); }
Vector4 ICamera::GetDir() const { return m_pCamera->GetDir(); }
void ICamera::SetPosition(const Vector4& position) { m_pCamera->SetPosition(position); }
void ICamera::SetRotationSpeedX(float rate) { m_pCamera->SetRotationSpeedX(rate); }
void ICamera::SetRotationSpeedY(float rate) { m_pCamera->SetRotationSpeedY(rate); }
void ICamera::SetSpeed(float speed) { m_pCamera->SetSpeed(speed); }
void ICamera::SetSlideSpeed(float speed) { m_pCamera->SetSlideSpeed(speed); }
bool ICamera::IsMoving() { return m_pCamera->IsMoving(); }

}  // namespace qrngu
