// A flat, textured, additively blended water surface. Its grid lies at
// height 0; the caller lifts it to GetHeight() with a world matrix. Update
// lets the level swing gently (one hundredth of the base height either way)
// on a wave phase shared by every water plane of the program.
#pragma once

#include "QrnApi.h"
#include "QrnMath.h"
#include "RenderDevice.h"

namespace qrngu {

class CWaterplane;

class QRN_API IWaterplane {
public:
    IWaterplane();
    virtual ~IWaterplane();
    IWaterplane(const IWaterplane&) = delete;
    IWaterplane& operator=(const IWaterplane&) = delete;

    // Builds a width x depth plane resting at baseHeight. The third and the
    // vector argument have no effect. False for a null device, a size of 0,
    // a grid too large, or buffers the device cannot make.
    bool SetData(unsigned width, unsigned depth, float unused, float baseHeight,
                 float textureRepeat0, float textureRepeat1, qrn::Vector4 unusedVector,
                 qrn::IRenderDevice* device);
    bool SetTexture(const char* file, unsigned stage, unsigned set);
    unsigned GetWidth();
    unsigned GetDepth();
    // Advances the shared wave phase and recomputes the level.
    void Update(float elapsed);
    float GetHeight();
    void UpdatePlayer(const qrn::Vector4& position, const qrn::Vector4& direction);
    // Draws with ONE/ONE blending and depth test without writes, then puts
    // the device back to opaque drawing with depth writes.
    bool Render(bool textures, bool material);

private:
    CWaterplane* m_pWaterplane;
};

}  // namespace qrngu
