// The device-wide cache of image-file textures.
//
// Each file is loaded once and shared: the first AcquireTexture of a name loads
// it, later ones with the byte-for-byte same name (case matters) get the same
// texture and raise its count; ReleaseTexture lowers the count and frees the
// texture when it reaches zero. The alpha flag is not part of the key: a later
// request with the other flag gets the texture in the format of the first load.
#pragma once

#include <d3d9.h>

#include <cstddef>
#include <string>
#include <vector>

namespace qrn {

class CTextureCache {
public:
    // The cache does not hold a reference on the device: the render device
    // owns both and deletes the cache before it releases the device.
    explicit CTextureCache(IDirect3DDevice9* pDevice);
    ~CTextureCache();

    CTextureCache(const CTextureCache&) = delete;
    CTextureCache& operator=(const CTextureCache&) = delete;

    // The shared texture of the file, loaded with a full mip chain in
    // A8R8G8B8 (alpha) or X8R8G8B8 in the managed pool; null when the file
    // cannot be loaded (or file is null). The caller owes one ReleaseTexture.
    IDirect3DTexture9* AcquireTexture(const char* file, bool alpha);
    // Gives back one use of a texture handed out by AcquireTexture; unknown
    // textures (and null) are ignored.
    void ReleaseTexture(IDirect3DTexture9* pTexture);

    // Inspection, for tests and diagnostics.
    std::size_t GetEntryCount() const { return m_entries.size(); }
    // Uses of the texture of that file name; 0 when it is not cached.
    unsigned GetUseCount(const char* file) const;

private:
    struct SEntry {
        IDirect3DTexture9* pTexture;
        std::string fileName;
        unsigned uses;
    };

    IDirect3DDevice9* m_pDevice;
    std::vector<SEntry> m_entries;  // in insertion order
};

} // namespace qrn
