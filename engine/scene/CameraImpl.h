// The camera behind ICamera.
#pragma once

#include "QrnMath.h"

namespace qrngu {

class CCamera {
public:
    CCamera();
    virtual ~CCamera();

    void Update(float elapsed);
    qrn::Matrix4x4 GetViewMatrix() const;
    qrn::Vector4 GetPosition() const { return m_vPosition; }
    qrn::Vector4 GetDir() const { return m_vDir; }
    void SetPosition(const qrn::Vector4& position);
    void SetRotationSpeedX(float rate) { m_fPitchRate = rate; }
    void SetRotationSpeedY(float rate) { m_fYawRate = rate; }
    void SetSpeed(float speed) { m_fSpeed = speed; }
    void SetSlideSpeed(float speed) { m_fSlideSpeed = speed; }
    bool IsMoving() const;

    float GetPitch() const { return m_fPitch; }
    float GetYaw() const { return m_fYaw; }
    qrn::Vector4 GetRight() const { return m_vRight; }
    qrn::Vector4 GetUp() const { return m_vUp; }

private:
    void RebuildAxes();
    void RebuildView() const;

    mutable qrn::Matrix4x4 m_mView;
    qrn::Vector4 m_vPosition;
    qrn::Vector4 m_vDir;
    qrn::Vector4 m_vRight;
    qrn::Vector4 m_vUp;
    float m_fPitchRate;
    float m_fYawRate;
    float m_fSpeed;
    float m_fSlideSpeed;
    float m_fPitch;
    float m_fYaw;
    mutable bool m_bViewDirty;
};

}  // namespace qrngu
