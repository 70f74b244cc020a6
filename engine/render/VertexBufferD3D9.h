// A static vertex buffer of one vertex format, kept in the managed pool.
#pragma once

#include <d3d9.h>

#include "RenderDeviceObjects.h"

namespace qrn {

class CRenderDeviceD3D9;

class CVertexBufferD3D9 final : public IVertexBuffer {
public:
    CVertexBufferD3D9(CRenderDeviceD3D9* pRenderDevice, IDirect3DDevice9* pDevice);
    ~CVertexBufferD3D9() override;

    CVertexBufferD3D9(const CVertexBufferD3D9&) = delete;
    CVertexBufferD3D9& operator=(const CVertexBufferD3D9&) = delete;

    // Managed pool: the buffer survives a reset.
    void OnDeviceLost() override {}
    void OnDeviceReset() override {}

    // Binds the buffer as stream #stream (with the format's vertex layout)
    // and makes it the device's bound vertex buffer for Draw.
    void Apply(unsigned stream) override;
    // Replaces the contents. A failure leaves the object without a buffer
    // (the old one is released); the counts keep their old values.
    bool SetData(const void* vertices, unsigned vertexCount, int vertexFormat) override;
    unsigned GetVertexCount() override { return m_uVertexCount; }
    unsigned GetTriangleCount() override { return m_uTriangleCount; }
    int GetVertexFormat() override { return m_iVertexFormat; }

    IDirect3DVertexBuffer9* GetD3DBuffer() const { return m_pBuffer; }

private:
    void ReleaseBuffer();

    CRenderDeviceD3D9* m_pRenderDevice;
    IDirect3DDevice9* m_pDevice;
    IDirect3DVertexBuffer9* m_pBuffer = nullptr;
    int m_iVertexFormat = -1;
    unsigned m_uStride = 0;
    unsigned m_uVertexCount = 0;
    unsigned m_uTriangleCount = 0;
};

} // namespace qrn
