// ID3DXBuffer for the shader functions (see d3dx9_shader_buffer.h).
#include "d3dx9_shader_buffer.h"

#include "d3dx9_buffer.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace qrn::d3dx {

ID3DXBuffer* NewShaderBuffer(const void* bytes, size_t size) { return d3dx9::NewBufferWith(bytes, size); }

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
