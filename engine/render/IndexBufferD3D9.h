// A static buffer of 16-bit indices, kept in the managed pool.
#pragma once

#include <d3d9.h>

#include "RenderDeviceObjects.h"

namespace qrn {

class CRenderDeviceD3D9;

class CIndexBufferD3D9 final : public IIndexBuffer {
public:
    CIndexBufferD3D9(CRenderDeviceD3D9* pRenderDevice, IDirect3DDevice9* pDevice);
    ~CIndexBufferD3D9() override;

    CIndexBufferD3D9(const CIndexBufferD3D9&) = delete;
    CIndexBufferD3D9& operator=(const CIndexBufferD3D9&) = delete;

    // Managed pool: the buffer survives a reset.
    void OnDeviceLost() override {}
    void OnDeviceReset() override {}

    // Replaces the contents. A failure leaves the object without a buffer
    // (the old one is released); the counts keep their old values.
    bool SetData(const std::uint16_t* indices, unsigned indexCount) override;
    // Sets the buffer as the device's indices and makes it the bound index
    // buffer for DrawIndexed.
    void Apply() override;
    unsigned GetIndexCount() override { return m_uIndexCount; }
    unsigned GetTriangleCount() override { return m_uTriangleCount; }

    IDirect3DIndexBuffer9* GetD3DBuffer() const { return m_pBuffer; }

private:
    void ReleaseBuffer();

    CRenderDeviceD3D9* m_pRenderDevice;
    IDirect3DDevice9* m_pDevice;
    IDirect3DIndexBuffer9* m_pBuffer = nullptr;
    unsigned m_uIndexCount = 0;
    unsigned m_uTriangleCount = 0;
};

} // namespace qrn
