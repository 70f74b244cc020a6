// Render device: the registry and factory of device objects, and the texture
// cache's lifetime.
#include <algorithm>
#include <new>

#include "RenderDeviceD3D9.h"

// ---- device object classes --------------------------------------------------
// Each kind's implementation header is included here as it is added.
#include "IndexBufferD3D9.h"
#include "MaterialD3D9.h"
#include "MeshD3D9.h"
#include "PixelShaderD3D9.h"
#include "RenderTargetD3D9.h"
#include "ScreenImageD3D9.h"
#include "TextureCache.h"
#include "TextureD3D9.h"
#include "TweenMeshD3D9.h"
#include "VertexBufferD3D9.h"
#include "VertexShaderD3D9.h"
// (end of device object classes)

namespace qrn {

IRenderDeviceObject* CRenderDeviceD3D9::NewObject(int objectType)
{
    // One case per kind whose class exists; kinds not listed yield no object.
    switch (objectType) {
    // ---- device object kinds ----------------------------------------------
    case OBJECTTYPE_MATERIAL:
        return new (std::nothrow) CMaterialD3D9(this, m_pD3DDevice);
    case OBJECTTYPE_TEXTURE:
        return new (std::nothrow) CTextureD3D9(this, m_pD3DDevice);
    case OBJECTTYPE_SCREENIMAGE:
        return new (std::nothrow) CScreenImageD3D9(this, m_pD3DDevice);
    case OBJECTTYPE_VERTEXBUFFER:
        return new (std::nothrow) CVertexBufferD3D9(this, m_pD3DDevice);
    case OBJECTTYPE_INDEXBUFFER:
        return new (std::nothrow) CIndexBufferD3D9(this, m_pD3DDevice);
    case OBJECTTYPE_RENDERTARGET:
        return new (std::nothrow) CRenderTargetD3D9(this, m_pD3DDevice);
    case OBJECTTYPE_MESH:
        return new (std::nothrow) CMeshD3D9(this, m_pD3DDevice);
    case OBJECTTYPE_TWEENMESH:
        return new (std::nothrow) CTweenMeshD3D9(this, m_pD3DDevice);
    case OBJECTTYPE_VERTEXSHADER:
        return new (std::nothrow) CVertexShaderD3D9(this, m_pD3DDevice);
    case OBJECTTYPE_PIXELSHADER:
        return new (std::nothrow) CPixelShaderD3D9(this, m_pD3DDevice);
    // (end of device object kinds)
    default:
        return nullptr;
    }
}

void CRenderDeviceD3D9::CreateTextureCacheIfNone()
{
    if (m_pTextureCache) return;
    // ---- texture cache creation ---------------------------------------------
    m_pTextureCache = new (std::nothrow) CTextureCache(m_pD3DDevice);
    // (end of texture cache creation)
}

void CRenderDeviceD3D9::DeleteTextureCache()
{
    // ---- texture cache deletion ---------------------------------------------
    delete m_pTextureCache;
    // (end of texture cache deletion)
    m_pTextureCache = nullptr;
}

bool CRenderDeviceD3D9::SetShaderDeclaration(int vertexFormat)
{
    // ---- vertex shader input declaration -------------------------------------
    return m_pBoundVertexShader && m_pBoundVertexShader->SetDeclarationForFormat(vertexFormat);
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
