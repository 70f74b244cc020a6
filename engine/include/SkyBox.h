// The sky: the inside of an axis-aligned box whose six faces carry pictures
// or a vertical gradient from a top to a bottom colour. The box does not
// follow the camera by itself: the caller sets a world matrix before Render.
// Its vertices carry colours, so it is drawn unlit; SetColor and
// SetLightIntensity change its brightness.
#pragma once

#include "QrnApi.h"
#include "QrnMath.h"
#include "RenderDevice.h"

namespace qrngu {

class CSkyBox;

class QRN_API ISkyBox {
public:
    ISkyBox();
    virtual ~ISkyBox();
    ISkyBox(const ISkyBox&) = delete;
    ISkyBox& operator=(const ISkyBox&) = delete;

    // Builds the box and loads the six pictures baseName + "_front",
    // "_right", "_back", "_left", "_up", "_down" + extension. False when a
    // picture cannot be loaded (the geometry is built all the same).
    bool SetData(qrn::Vector4 minimum, qrn::Vector4 maximum, unsigned long topColor,
                 unsigned long bottomColor, const char* baseName, const char* extension,
                 qrn::IRenderDevice* device);
    // Builds the box with colours only.
    bool SetData(qrn::Vector4 minimum, qrn::Vector4 maximum, unsigned long topColor,
                 unsigned long bottomColor, qrn::IRenderDevice* device);
    // Recolours (ARGB) at full intensity.
    void SetColor(unsigned long topColor, unsigned long bottomColor);
    // Scales red, green and blue by the intensity, never below 0.3 and never
    // past full brightness; alpha becomes opaque.
    void SetLightIntensity(float intensity);
    bool Render();

private:
    CSkyBox* m_pSkyBox;
};

}  // namespace qrngu
