#include "TextureCache.h"

#include <d3dx9tex.h>

namespace qrn {

CTextureCache::CTextureCache(IDirect3DDevice9* pDevice) : m_pDevice(pDevice) {}

CTextureCache::~CTextureCache()
{
    for (SEntry& entry : m_entries) entry.pTexture->Release();
}

IDirect3DTexture9* CTextureCache::AcquireTexture(const char* file, bool alpha)
{
    if (!file || !m_pDevice) return nullptr;

    for (SEntry& entry : m_entries) {
        if (entry.fileName == file) {
            ++entry.uses;
            return entry.pTexture;
        }
    }

    IDirect3DTexture9* pTexture = nullptr;
    const HRESULT hr = D3DXCreateTextureFromFileExA(
        m_pDevice, file, 0, 0, D3DX_DEFAULT, 0,
        alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8, D3DPOOL_MANAGED,
        D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &pTexture);
    if (FAILED(hr) || !pTexture) {
        if (pTexture) pTexture->Release();
        return nullptr;
    }

    m_entries.push_back(SEntry{pTexture, std::string(file), 1});
    return pTexture;
}

void CTextureCache::ReleaseTexture(IDirect3DTexture9* pTexture)
{
    if (!pTexture) return;
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->pTexture != pTexture) continue;
        if (--it->uses == 0) {
            it->pTexture->Release();
            m_entries.erase(it);
        }
        return;
    }
}

unsigned CTextureCache::GetUseCount(const char* file) const
{
    if (!file) return 0;
    for (const SEntry& entry : m_entries) {
        if (entry.fileName == file) return entry.uses;
    }
    return 0;
}

} // namespace qrn
