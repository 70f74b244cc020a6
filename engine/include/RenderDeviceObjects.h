// Render-device objects: everything a scene keeps on the graphics card.
//
// Every object is created by IRenderDevice::CreateObject, which returns an
// IRenderDeviceObject*; callers cast it to the interface of the kind they asked
// for (IMaterial for type 0, ITexture for 1, and so on). An object may be
// deleted by its user at any time; whatever is still alive when the device is
// destroyed is deleted by the device.
//
// The virtual slot order of each interface is part of the library's binary
// interface: never reorder, insert or remove a virtual function here.
#pragma once

#include <cstdint>

#include "QrnApi.h"
#include "QrnMath.h"

namespace qrn {

class IRenderTarget;

// Base of all device objects. Slots: 0 destructor, 1 OnDeviceLost,
// 2 OnDeviceReset. The device calls 1 and 2 on every registered object while
// it resets itself.
class QRN_API IRenderDeviceObject {
public:
    IRenderDeviceObject() = default;
    IRenderDeviceObject(const IRenderDeviceObject&) = default;
    IRenderDeviceObject& operator=(const IRenderDeviceObject&) = default;
    virtual ~IRenderDeviceObject() = default;

    // Release resources that do not survive a device reset.
    virtual void OnDeviceLost() = 0;
    // Recreate them after the reset.
    virtual void OnDeviceReset() = 0;
};

// Object type 0. Colours are clamped to 0..1 when set; nothing reaches the
// device until Apply.
class QRN_API IMaterial : public IRenderDeviceObject {
public:
    virtual void SetAmbient(float r, float g, float b, float a) = 0;     // 3
    virtual void SetDiffuse(float r, float g, float b, float a) = 0;     // 4
    virtual void SetEmissive(float r, float g, float b, float a) = 0;    // 5
    virtual void SetSpecular(float r, float g, float b, float a) = 0;    // 6
    // Each true flag makes the matching material-source render state take
    // the material colour; false flags leave their state alone.
    virtual void SetColorSource(bool ambient, bool diffuse, bool emissive,
                                bool specular) = 0;                      // 7
    virtual void SetPower(float power) = 0;                              // 8
    // Sets the transparency states and the material on the device.
    virtual bool Apply() = 0;                                            // 9
};

// Object type 3: a static vertex buffer of one VERTEXFORMAT.
class QRN_API IVertexBuffer : public IRenderDeviceObject {
public:
    virtual void Apply(unsigned stream) = 0;                             // 3
    virtual bool SetData(const void* vertices, unsigned vertexCount,
                         int vertexFormat) = 0;                          // 4
    virtual unsigned GetVertexCount() = 0;                               // 5
    virtual unsigned GetTriangleCount() = 0;                             // 6
    virtual int GetVertexFormat() = 0;                                   // 7
};

// Object type 4: a static buffer of 16-bit indices.
class QRN_API IIndexBuffer : public IRenderDeviceObject {
public:
    virtual bool SetData(const std::uint16_t* indices, unsigned indexCount) = 0; // 3
    virtual void Apply() = 0;                                            // 4
    virtual unsigned GetIndexCount() = 0;                                // 5
    virtual unsigned GetTriangleCount() = 0;                             // 6
};

// Texture operations for ITexture::Apply (any other value disables the stage).
enum TEXTUREOPERATION {
    TEXTUREOP_SELECTARG1 = 0,  // the texture's colour only
    TEXTUREOP_DISABLE = 1,
    TEXTUREOP_MODULATE = 2,
    TEXTUREOP_ADD = 3,
    TEXTUREOP_ADDSIGNED = 4,
    TEXTUREOP_COUNT
};

// Filters for ITexture::SetFilter (any other value is NONE).
enum TEXTUREFILTER {
    TEXTUREFILTER_NONE = 0,
    TEXTUREFILTER_POINT = 1,
    TEXTUREFILTER_LINEAR = 2,
    TEXTUREFILTER_ANISOTROPIC = 3,
    TEXTUREFILTER_COUNT
};

// Address modes for ITexture::SetAddressMode (any other value is WRAP).
enum TEXTUREADDRESS {
    TEXTUREADDRESS_WRAP = 0,
    TEXTUREADDRESS_MIRROR = 1,
    TEXTUREADDRESS_CLAMP = 2,
    TEXTUREADDRESS_BORDER = 3,
    TEXTUREADDRESS_MIRRORONCE = 4,
    TEXTUREADDRESS_COUNT
};

// Object type 1: a texture loaded from an image file (shared through the
// device's texture cache) or showing what a render target drew. Apply,
// SetFilter and SetAddressMode take the values of the enums above.
class QRN_API ITexture : public IRenderDeviceObject {
public:
    virtual bool HasAlpha() = 0;                                         // 3
    // Shows the target's texture (without a reference of its own). After a
    // device reset the target owns a new texture: call this again.
    virtual bool SetRenderTarget(IRenderTarget* target) = 0;             // 4
    virtual bool LoadFromFile(const char* file, bool alpha) = 0;         // 5
    virtual bool Apply(unsigned stage, unsigned texCoordIndex,
                       int colorOp, int alphaOp) = 0;                    // 6
    virtual void SetFilter(int minification, int magnification, int mip) = 0; // 7
    virtual void SetAddressMode(int u, int v) = 0;                       // 8
};

// Object type 5: an off-screen colour and depth surface pair that can be
// drawn into and then shown through an ITexture.
class QRN_API IRenderTarget : public IRenderDeviceObject {
public:
    virtual bool Activate() = 0;                                         // 3
    virtual bool Deactivate() = 0;                                       // 4
    virtual bool Create(unsigned width, unsigned height) = 0;            // 5
    virtual unsigned GetHeight() = 0;                                    // 6
    virtual unsigned GetWidth() = 0;                                     // 7
};

// Object type 2: a picture copied straight onto the back buffer.
class QRN_API IScreenImage : public IRenderDeviceObject {
public:
    // Results of Draw.
    enum {
        DRAW_OK = 0,              // done, or nothing to do while lost
        DRAW_NO_TARGET = 1,       // render target 0 could not be obtained
        DRAW_STRETCH_FAILED = 3,  // the stretched copy failed
        DRAW_EMPTY = 4,           // empty destination rectangle
        DRAW_COPY_FAILED = 5      // the plain copy failed
    };

    // videoMemory: true keeps the picture in video memory and stretches it
    // over the whole target; false keeps it in system memory and copies it
    // unscaled into the top-left corner.
    virtual bool LoadFromFile(const char* file, bool videoMemory) = 0;   // 3
    virtual int Draw(unsigned width, unsigned height) = 0;               // 4
};

// Object type 6: a model read from a DirectX .x file, one material and at
// most one texture per subset. A caller sets the world matrix, then renders.
class QRN_API IMesh : public IRenderDeviceObject {
public:
    // Draws the subsets of the opaque pass, the transparent pass, or both.
    virtual bool Render(bool opaque, bool transparent) = 0;              // 3
    virtual bool LoadFromFile(const char* file) = 0;                     // 4
    // Without a loaded mesh the minimum stays at the largest float and the
    // maximum at the smallest positive normal float.
    virtual void GetBoundingBox(Vector4* minimum, Vector4* maximum) = 0; // 5
};

// Object type 7: two key poses of one topology drawn as a blend of the two.
class QRN_API ITweenMesh : public IRenderDeviceObject {
public:
    // factor 0 draws the first pose, 1 the second; the flags have no effect.
    virtual bool Render(float tweenFactor, bool opaque, bool transparent) = 0; // 3
    virtual bool RenderFirst(bool opaque, bool transparent) = 0;        // 4
    virtual bool RenderSecond(bool opaque, bool transparent) = 0;       // 5
    virtual bool LoadFromFiles(const char* first, const char* second) = 0; // 6
};

// Object types 8 and 9; their interfaces are declared with the shaders.
class IVertexShader;  // type 8
class IPixelShader;   // type 9

} // namespace qrn
