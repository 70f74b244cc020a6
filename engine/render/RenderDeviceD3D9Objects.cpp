// Render device: the registry and factory of device objects, and the texture
// cache's lifetime.
#include <algorithm>
#include <new>

#include "RenderDeviceD3D9.h"

// ---- device object classes --------------------------------------------------
// Each kind's implementation header is included here as it is added.
// (end of device object classes)

namespace qrn {

IRenderDeviceObject* CRenderDeviceD3D9::NewObject(int objectType)
{
    // One case per kind whose class exists; kinds not listed yield no object.
    switch (objectType) {
    // ---- device object kinds ----------------------------------------------
    // (end of device object kinds)
    default:
        return nullptr;
    }
}

void CRenderDeviceD3D9::CreateTextureCacheIfNone()
{
    if (m_pTextureCache) return;
    // ---- texture cache creation ---------------------------------------------
    // (end of texture cache creation)
}

void CRenderDeviceD3D9::DeleteTextureCache()
{
    // ---- texture cache deletion ---------------------------------------------
    // (end of texture cache deletion)
    m_pTextureCache = nullptr;
}

bool CRenderDeviceD3D9::SetShaderDeclaration(int vertexFormat)
{
    // ---- vertex shader input declaration -------------------------------------
    (void)vertexFormat;
    return false;
    // (end of vertex shader input declaration)
}

IRenderDeviceObject* CRenderDeviceD3D9::CreateObject(int objectType)
{
    // Objects copy the Direct3D device at their creation: none before a
    // successful initialisation.
    if (!m_pD3DDevice) return nullptr;
    if (objectType < OBJECTTYPE_MATERIAL || objectType > OBJECTTYPE_PIXELSHADER) return nullptr;

    IRenderDeviceObject* object = NewObject(objectType);
    if (!object) return nullptr;
    try {
        m_Objects.push_back(object);
    } catch (const std::bad_alloc&) {
        // Not registered: the object would otherwise outlive the device.
        delete object;
        return nullptr;
    }
    return object;
}

void CRenderDeviceD3D9::UnregisterObject(IRenderDeviceObject* object)
{
    if (m_bShuttingDown || !object) return;

    auto it = std::find(m_Objects.begin(), m_Objects.end(), object);
    if (it == m_Objects.end()) return;
    m_Objects.erase(it);

    // A buffer deleted while bound must not be drawn from afterwards.
    if (m_pBoundVertexBuffer && static_cast<IRenderDeviceObject*>(m_pBoundVertexBuffer) == object)
        m_pBoundVertexBuffer = nullptr;
    if (m_pBoundIndexBuffer && static_cast<IRenderDeviceObject*>(m_pBoundIndexBuffer) == object)
        m_pBoundIndexBuffer = nullptr;
    if (m_pActiveRenderTarget && static_cast<IRenderDeviceObject*>(m_pActiveRenderTarget) == object)
        m_pActiveRenderTarget = nullptr;
}

} // namespace qrn
