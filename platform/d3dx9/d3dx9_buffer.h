// The byte block behind ID3DXBuffer, shared by the mesh and shader functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "d3dx9core.h"

namespace qrn::d3dx9 {

class Buffer final : public ID3DXBuffer {
public:
    static Buffer* Create(size_t bytes);  // zero-filled; null when out of memory

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;
    LPVOID GetBufferPointer() override { return bytes_.empty() ? nullptr : bytes_.data(); }
    DWORD GetBufferSize() override { return static_cast<DWORD>(bytes_.size()); }

private:
    Buffer() = default;
    ~Buffer() override = default;
    ULONG refs_ = 1;
    std::vector<uint8_t> bytes_;
};

// A new buffer holding a copy of size bytes; null when out of memory.
ID3DXBuffer* NewBufferWith(const void* bytes, size_t size);

}  // namespace qrn::d3dx9
