// ID3DXBuffer for the shader functions (see d3dx9_shader_buffer.h).
#include "d3dx9_shader_buffer.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>

namespace qrn::d3dx {

namespace {

class ShaderBuffer final : public ID3DXBuffer {
public:
    explicit ShaderBuffer(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        if (riid == IID_ID3DXBuffer || riid == IID_IUnknown) {
            AddRef();
            *ppv = static_cast<ID3DXBuffer*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override
    {
        const ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }
    LPVOID GetBufferPointer() override { return bytes_.empty() ? nullptr : bytes_.data(); }
    DWORD GetBufferSize() override { return (DWORD)bytes_.size(); }

private:
    std::vector<unsigned char> bytes_;
    std::atomic<ULONG> refs_{1};
};

}  // namespace

ID3DXBuffer* NewShaderBuffer(const void* bytes, size_t size)
{
    try {
        const auto* p = static_cast<const unsigned char*>(bytes);
        return new ShaderBuffer(std::vector<unsigned char>(p, p + size));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

HRESULT FinishShaderCall(HRESULT hr, const std::vector<uint32_t>& code, const std::string& messages,
                         LPD3DXBUFFER* ppShader, LPD3DXBUFFER* ppErrorMsgs)
{
    if (ppShader) *ppShader = nullptr;
    if (ppErrorMsgs) *ppErrorMsgs = nullptr;
    if (ppErrorMsgs && !messages.empty()) {
        *ppErrorMsgs = NewShaderBuffer(messages.c_str(), messages.size() + 1);
        if (!*ppErrorMsgs && SUCCEEDED(hr)) hr = E_OUTOFMEMORY;
    }
    if (SUCCEEDED(hr) && ppShader) {
        *ppShader = NewShaderBuffer(code.data(), code.size() * sizeof(uint32_t));
        if (!*ppShader) hr = E_OUTOFMEMORY;
    }
    return hr;
}

bool ReadShaderSource(const char* path, std::string* text)
{
    if (!path) return false;
    FILE* f = fopen(path, "rb");
    if (!f) return false;
    constexpr size_t kMax = 16u << 20;
    text->clear();
    char buf[65536];
    size_t n;
    bool ok = true;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) {
        if (text->size() + n > kMax) {
            ok = false;
            break;
        }
        text->append(buf, n);
    }
    if (ferror(f)) ok = false;
    fclose(f);
    return ok;
}

}  // namespace qrn::d3dx
