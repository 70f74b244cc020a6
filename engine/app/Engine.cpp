// The engine object: owns the one render device.
#include "Engine.h"

#include <new>

#include "../render/RenderDeviceD3D9.h"

namespace qrn {

CEngine::CEngine() : m_bActive(false), m_pRenderDevice(nullptr) {}

CEngine::~CEngine()
{
    delete m_pRenderDevice;
    m_pRenderDevice = nullptr;
}

IRenderDevice* CEngine::GetRenderDevice(APITYPE type)
{
    if (m_pRenderDevice) return m_pRenderDevice;
    if (type != API_DIRECT3D9) return nullptr;
    // Construction only: the device is bound to a window by its
    // initialisation.
    m_pRenderDevice = new (std::nothrow) CRenderDeviceD3D9();
    return m_pRenderDevice;
}

} // namespace qrn
