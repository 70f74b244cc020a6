// The first-person camera: driven by turn rates and movement speeds that the
// caller sets each frame, integrated by Update over the elapsed time.
//
// Yaw turns about the world's up axis (positive turns to the left), pitch
// about the camera's right axis (positive looks up, kept within +-1.4 rad).
// At yaw and pitch zero the camera looks along +z with +x to its right.
#pragma once

#include "QrnApi.h"
#include "QrnMath.h"

namespace qrngu {

class CCamera;

class QRN_API ICamera {
public:
    ICamera();
    virtual ~ICamera();
    // One shell owns one camera: copying would make two shells delete it.
    ICamera(const ICamera&) = delete;
    ICamera& operator=(const ICamera&) = delete;

    // Turns by the rates times elapsed seconds, then moves along the new
    // view direction and right axis. Rates are kept, not consumed.
    void Update(float elapsed);
    // The left-handed look-at matrix for the current position and axes.
    qrn::Matrix4x4 GetViewMatrix() const;
    qrn::Vector4 GetPosition() const;
    qrn::Vector4 GetDir() const;
    // Moves the eye; the orientation is left as it is.
    void SetPosition(const qrn::Vector4& position);
    void SetRotationSpeedX(float pitchRate);
    void SetRotationSpeedY(float yawRate);
    void SetSpeed(float speed);
    void SetSlideSpeed(float slideSpeed);
    // True when any rate or speed is strictly positive (walking backwards,
    // sliding left or turning right alone does not count).
    bool IsMoving();

private:
    CCamera* m_pCamera;
};

}  // namespace qrngu
