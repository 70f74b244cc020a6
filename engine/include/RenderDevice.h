// The render device: the engine's only path to the graphics hardware.
//
// IRenderDevice is an abstract interface with a virtual destructor and 34
// operations. Its virtual slot order is part of the library's binary
// interface (scene code and programs call it virtually): never reorder,
// insert or remove a virtual function here.
//
// Calling order: InitFullscreen or InitWindowed once, then create objects
// with CreateObject; each frame BeginRendering, state setting and drawing,
// EndRendering(true). The device is destroyed after the objects that use it;
// objects still alive at that point are deleted by the device.
#pragma once

#include <windows.h>

#include <cstdint>

#include "QrnApi.h"
#include "QrnMath.h"

namespace qrn {

class IRenderDeviceObject;

// The full-screen display mode asked of InitFullscreen. Values 1 to 6 fall
// back to the next smaller size the adapter offers, then to the desktop size;
// any value outside 1 to 6 means the desktop size.
enum SCREENRESOLUTION {
    SCREENRESOLUTION_DESKTOP = 0,
    SCREENRESOLUTION_640X480 = 1,
    SCREENRESOLUTION_800X600 = 2,
    SCREENRESOLUTION_1024X768 = 3,
    SCREENRESOLUTION_1280X960 = 4,
    SCREENRESOLUTION_1280X1024 = 5,
    SCREENRESOLUTION_1600X1200 = 6
};

// Kinds of device object made by CreateObject.
enum OBJECTTYPE {
    OBJECTTYPE_MATERIAL = 0,      // IMaterial
    OBJECTTYPE_TEXTURE = 1,       // ITexture
    OBJECTTYPE_SCREENIMAGE = 2,   // IScreenImage
    OBJECTTYPE_VERTEXBUFFER = 3,  // IVertexBuffer
    OBJECTTYPE_INDEXBUFFER = 4,   // IIndexBuffer
    OBJECTTYPE_RENDERTARGET = 5,  // IRenderTarget
    OBJECTTYPE_MESH = 6,          // IMesh
    OBJECTTYPE_TWEENMESH = 7,     // ITweenMesh
    OBJECTTYPE_VERTEXSHADER = 8,  // IVertexShader
    OBJECTTYPE_PIXELSHADER = 9    // IPixelShader
};

// Vertex layouts, tightly packed in the order named; positions, normals and
// texture coordinates are floats, the colour a 32-bit ARGB value, the point
// size one float. Formats with a colour are drawn unlit, the others lit.
// Formats 9 and 10 exist only as vertex-shader input declarations: they have
// no stride and cannot be drawn without a vertex shader.
enum VERTEXFORMAT {
    VERTEXFORMAT_XYZ = 0,                // 12 bytes
    VERTEXFORMAT_XYZ_DIFFUSE = 1,        // 16
    VERTEXFORMAT_XYZ_DIFFUSE_TEX1 = 2,   // 24
    VERTEXFORMAT_XYZ_DIFFUSE_TEX2 = 3,   // 32
    VERTEXFORMAT_XYZ_PSIZE_DIFFUSE = 4,  // 20
    VERTEXFORMAT_XYZ_NORMAL = 5,         // 24
    VERTEXFORMAT_XYZ_NORMAL_TEX1 = 6,    // 32
    VERTEXFORMAT_XYZ_NORMAL_TEX2 = 7,    // 40
    VERTEXFORMAT_XYZ_NORMAL_PSIZE = 8,   // 28
    VERTEXFORMAT_SHADER_9 = 9,
    VERTEXFORMAT_SHADER_10 = 10
};

// Primitive types of SetPrimitiveType (initially PRIMITIVE_TRIANGLELIST).
enum PRIMITIVETYPE {
    PRIMITIVE_POINTLIST = 0,
    PRIMITIVE_POINTSPRITES = 1,
    PRIMITIVE_LINELIST = 2,
    PRIMITIVE_TRIANGLELIST = 3
};

// Modes of SetDepthBufferMode.
enum DEPTHBUFFERMODE {
    DEPTHBUFFER_OFF = 0,         // no depth test, no depth writes
    DEPTHBUFFER_READWRITE = 1,   // test and write
    DEPTHBUFFER_READONLY = 2     // test only
};

// Modes of SetCullMode.
enum CULLMODE {
    CULLMODE_CW = 0,    // cull clockwise faces
    CULLMODE_CCW = 1,   // cull counter-clockwise faces
    CULLMODE_NONE = 2
};

// A light for SetLight. The record is copied as a whole.
struct QRN_API SLight {
    int type;            // 0 directional, 1 point, anything else spot
    float ambient[3];    // red, green, blue
    float diffuse[3];
    float specular[3];
    Vector4 position;    // x, y, z used
    Vector4 direction;   // x, y, z used
    float range;
    float falloff;
    float attenuation0;  // constant
    float attenuation1;  // linear
    float attenuation2;  // quadratic
    float theta;         // inner cone angle, radians
    float phi;           // outer cone angle, radians
};

class QRN_API IRenderDevice {
public:
    IRenderDevice() = default;
    IRenderDevice(const IRenderDevice&) = default;
    IRenderDevice& operator=(const IRenderDevice&) = default;
    virtual ~IRenderDevice() = default;                                          // 0

    // Creation. stencilBits: 0 none, 1-3 one bit, 4-7 four bits, 8+ eight bits.
    virtual bool InitFullscreen(HWND window, SCREENRESOLUTION resolution,
                                int stencilBits) = 0;                          // 1
    virtual bool InitWindowed(HWND focusWindow, HWND renderWindow,
                              int stencilBits) = 0;                            // 2

    // Render windows (windowed mode only: one swap chain per window).
    virtual bool AddRenderWindow(HWND window) = 0;                             // 3
    virtual bool SelectRenderWindow(unsigned index) = 0;                       // 4
    // Rebuilds the swap chains (windowed) or resets the device (full screen)
    // after a window changed size.
    virtual bool ResetRenderWindows() = 0;                                     // 5

    virtual bool IsWindowed() = 0;                                             // 6
    virtual bool IsWireframe() = 0;                                            // 7
    virtual bool IsTexturingEnabled() = 0;                                     // 8
    virtual bool IsHardwareVertexProcessing() = 0;                             // 9
    virtual bool IsRendering() = 0;                                            // 10
    virtual bool CanRenderToTexture() = 0;                                     // 11

    // Frames. BeginRendering returns false while the device is lost and
    // cannot be reset: the caller skips its drawing.
    virtual bool BeginRendering(bool clearColor, bool clearDepth,
                                bool clearStencil) = 0;                        // 12
    virtual void Clear(bool color, bool depth, bool stencil) = 0;              // 13
    virtual void EndRendering(bool present) = 0;                               // 14

    // States.
    virtual void SetAdditiveBlending(bool enable, bool modulate) = 0;          // 15
    virtual void SetColorWrite(bool enable) = 0;                               // 16
    virtual void SetDepthBufferMode(int mode) = 0;                             // 17
    virtual void SetWireframe(bool wireframe) = 0;                             // 18
    virtual void SetTexturing(bool enable) = 0;                                // 19
    virtual void SetLight(unsigned index, const SLight* light) = 0;            // 20
    virtual void SetFog(std::uint32_t color, float density) = 0;               // 21
    virtual void SetAmbientLight(float red, float green, float blue) = 0;      // 22
    virtual void SetCullMode(int mode) = 0;                                    // 23
    virtual void SetClearColor(std::uint8_t red, std::uint8_t green,
                               std::uint8_t blue) = 0;                         // 24
    virtual void SetPrimitiveType(int type) = 0;                               // 25
    virtual void SetProjection(bool orthographic, float fieldOfView,
                               float nearPlane, float farPlane) = 0;           // 26
    virtual void SetWorldMatrix(const Matrix4x4* matrix) = 0;                  // 27
    virtual void SetViewMatrix(const Matrix4x4* matrix) = 0;                   // 28
    virtual void SetPointSize(float size) = 0;                                 // 29

    // Drawing with the bound buffers, or from the caller's memory.
    virtual bool Draw() = 0;                                                   // 30
    virtual bool DrawIndexed() = 0;                                            // 31
    virtual bool DrawUserPrimitives(const void* vertices, unsigned vertexCount,
                                    int vertexFormat) = 0;                     // 32
    virtual bool DrawIndexedUserPrimitives(const void* vertices,
                                           unsigned vertexCount,
                                           int vertexFormat,
                                           const std::uint16_t* indices,
                                           unsigned indexCount) = 0;           // 33

    // Makes a device object of an OBJECTTYPE; null on failure or for an
    // unknown type.
    virtual IRenderDeviceObject* CreateObject(int objectType) = 0;             // 34
};

} // namespace qrn
