// Copies data into a whole new vertex or index buffer.
#pragma once

#include <d3d9.h>

#include <cstring>

namespace qrn {

// Locks the whole of pBuffer, copies bytes from data and unlocks it. On
// failure the buffer is released and false returned.
template <class Buffer>
bool FillNewBuffer(Buffer* pBuffer, const void* data, UINT bytes)
{
    void* pData = nullptr;
    if (FAILED(pBuffer->Lock(0, 0, &pData, 0)) || !pData) {
        pBuffer->Release();
        return false;
    }
    if (bytes > 0) std::memcpy(pData, data, bytes);
    if (FAILED(pBuffer->Unlock())) {
        pBuffer->Release();
        return false;
    }
    return true;
}

} // namespace qrn
