// The D3DX image functions: image information, textures and surfaces from
// image files. Decoding is in d3dx9_image_decode.cpp and pixel work in
// d3dx9_image_convert.cpp; this file only sizes, creates, locks and fills.
// Every failure leaves nothing behind: no texture is handed out and a
// destination surface is untouched unless the whole picture was read.
#include <algorithm>
#include <vector>

#include "d3dx9_image_convert.h"
#include "d3dx9_image_decode.h"
#include "d3dx9tex.h"

using namespace qrn::d3dx;

namespace {

HRESULT LoadPicture(LPCSTR file, Picture* pic, ImageHeader* header)
{
    std::vector<uint8_t> bytes;
    HRESULT hr = ReadImageFile(file, &bytes);
    if (FAILED(hr)) return hr;
    DecodedImage img;
    hr = DecodeImage(bytes.data(), bytes.size(), &img);
    if (FAILED(hr)) return hr;
    pic->width = img.header.width;
    pic->height = img.header.height;
    pic->pixels.swap(img.pixels);
    *header = img.header;
    return S_OK;
}

void FillInfo(const ImageHeader& h, D3DXIMAGE_INFO* info)
{
    info->Width = h.width;
    info->Height = h.height;
    info->Depth = 1;
    info->MipLevels = 1;
    info->Format = h.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    info->ResourceType = D3DRTYPE_TEXTURE;
    info->ImageFileFormat = (D3DXIMAGE_FILEFORMAT)h.fileKind;
}

// Texture side from the request: 0/DEFAULT rounds the file's size up to a
// power of two, NONPOW2/FROM_FILE keeps it, anything else is taken as asked.
UINT ChooseSide(UINT asked, uint32_t fromFile)
{
    if (asked == 0 || asked == D3DX_DEFAULT) return NextPow2(fromFile);
    if (asked == D3DX_DEFAULT_NONPOW2 || asked == D3DX_FROM_FILE) return fromFile;
    return asked;
}

bool PointFilter(DWORD filter)
{
    const DWORD kind = filter & 0xff;
    return filter != D3DX_DEFAULT && (kind == D3DX_FILTER_NONE || kind == D3DX_FILTER_POINT);
}

// Writes a picture into locked memory of `format`, row by row.
void WriteRows(const Picture& pic, D3DFORMAT format, const D3DLOCKED_RECT& lr, uint32_t x0, uint32_t y0)
{
    const uint32_t bpp = WritableFormatBytes(format);
    uint8_t* base = static_cast<uint8_t*>(lr.pBits);
    for (uint32_t y = 0; y < pic.height; ++y)
        WritePixels(format, &pic.pixels[(size_t)y * pic.width], pic.width,
                    base + (size_t)(y0 + y) * lr.Pitch + (size_t)x0 * bpp);
}

}  // namespace

QRN_PLATFORM_API HRESULT WINAPI D3DXGetImageInfoFromFileA(LPCSTR pSrcFile, D3DXIMAGE_INFO* pSrcInfo)
{
    if (!pSrcFile || !pSrcInfo) return D3DERR_INVALIDCALL;
    std::vector<uint8_t> bytes;
    HRESULT hr = ReadImageFile(pSrcFile, &bytes);
    if (FAILED(hr)) return hr;
    ImageHeader h;
    hr = ReadImageHeader(bytes.data(), bytes.size(), &h);
    if (FAILED(hr)) return hr;
    FillInfo(h, pSrcInfo);
    return D3D_OK;
}

QRN_PLATFORM_API HRESULT WINAPI D3DXCreateTextureFromFileExA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, UINT Width,
                                                             UINT Height, UINT MipLevels, DWORD Usage,
                                                             D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                             DWORD MipFilter, D3DCOLOR ColorKey,
                                                             D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                             LPDIRECT3DTEXTURE9* ppTexture)
{
    (void)MipFilter;  // every level is a 2x2 box average of the one above
    (void)pPalette;   // no palettised formats are created
    if (ppTexture) *ppTexture = nullptr;
    if (!pDevice || !pSrcFile || !ppTexture) return D3DERR_INVALIDCALL;
    Picture pic;
    ImageHeader header;
    HRESULT hr = LoadPicture(pSrcFile, &pic, &header);
    if (FAILED(hr)) return hr;

    UINT w = ChooseSide(Width, header.width), h = ChooseSide(Height, header.height);
    D3DCAPS9 caps{};
    if (SUCCEEDED(pDevice->GetDeviceCaps(&caps))) {
        if (caps.TextureCaps & D3DPTEXTURECAPS_POW2) w = NextPow2(w), h = NextPow2(h);
        if (caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) w = h = std::max(w, h);
        while (caps.MaxTextureWidth && w > caps.MaxTextureWidth) w = std::max(1u, w / 2);
        while (caps.MaxTextureHeight && h > caps.MaxTextureHeight) h = std::max(1u, h / 2);
    }
    if (w == 0 || h == 0 || w > kMaxImageSide || h > kMaxImageSide) return D3DERR_INVALIDCALL;
    const UINT full = FullMipCount(w, h);
    UINT levels = MipLevels == 0 || MipLevels == D3DX_DEFAULT ? full : MipLevels == D3DX_FROM_FILE ? 1 : std::min(MipLevels, full);

    if (Format == D3DFMT_UNKNOWN || Format == D3DFMT_FROM_FILE || WritableFormatBytes(Format) == 0)
        Format = header.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;

    ApplyColorKey(&pic, ColorKey);
    Picture level = Resample(pic, w, h, PointFilter(Filter));

    IDirect3DTexture9* tex = nullptr;
    hr = pDevice->CreateTexture(w, h, levels, Usage, Format, Pool, &tex, nullptr);
    if (FAILED(hr) || !tex) return FAILED(hr) ? hr : D3DERR_INVALIDCALL;
    // A texture may come back with fewer levels than asked (render targets).
    levels = std::min<UINT>(levels, tex->GetLevelCount());
    for (UINT i = 0; i < levels; ++i) {
        if (i > 0) level = HalveBox(level);
        D3DLOCKED_RECT lr{};
        hr = tex->LockRect(i, &lr, nullptr, 0);
        if (FAILED(hr)) {
            tex->Release();
            return hr;
        }
        WriteRows(level, Format, lr, 0, 0);
        tex->UnlockRect(i);
    }
    if (pSrcInfo) FillInfo(header, pSrcInfo);
    *ppTexture = tex;
    return D3D_OK;
}

QRN_PLATFORM_API HRESULT WINAPI D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile,
                                                           LPDIRECT3DTEXTURE9* ppTexture)
{
    return D3DXCreateTextureFromFileExA(pDevice, pSrcFile, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                        D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr,
                                        nullptr, ppTexture);
}

QRN_PLATFORM_API HRESULT WINAPI D3DXLoadSurfaceFromFileA(LPDIRECT3DSURFACE9 pDestSurface,
                                                         CONST PALETTEENTRY* pDestPalette, CONST RECT* pDestRect,
                                                         LPCSTR pSrcFile, CONST RECT* pSrcRect, DWORD Filter,
                                                         D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo)
{
    (void)pDestPalette;
    if (!pDestSurface || !pSrcFile) return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc{};
    HRESULT hr = pDestSurface->GetDesc(&desc);
    if (FAILED(hr)) return hr;
    if (WritableFormatBytes(desc.Format) == 0) return D3DERR_INVALIDCALL;
    const RECT whole = {0, 0, (LONG)desc.Width, (LONG)desc.Height};
    const RECT dst = pDestRect ? *pDestRect : whole;
    if (dst.left < 0 || dst.top < 0 || dst.right > whole.right || dst.bottom > whole.bottom || dst.left >= dst.right ||
        dst.top >= dst.bottom)
        return D3DERR_INVALIDCALL;

    Picture pic;
    ImageHeader header;
    hr = LoadPicture(pSrcFile, &pic, &header);
    if (FAILED(hr)) return hr;
    const RECT all = {0, 0, (LONG)pic.width, (LONG)pic.height};
    const RECT src = pSrcRect ? *pSrcRect : all;
    if (src.left < 0 || src.top < 0 || src.right > all.right || src.bottom > all.bottom || src.left >= src.right ||
        src.top >= src.bottom)
        return D3DERR_INVALIDCALL;
    if (src.left != 0 || src.top != 0 || src.right != all.right || src.bottom != all.bottom) {
        Picture part;
        part.width = (uint32_t)(src.right - src.left);
        part.height = (uint32_t)(src.bottom - src.top);
        part.pixels.resize((size_t)part.width * part.height);
        for (uint32_t y = 0; y < part.height; ++y)
            std::copy_n(&pic.pixels[(size_t)(src.top + y) * pic.width + src.left], part.width,
                        &part.pixels[(size_t)y * part.width]);
        pic = std::move(part);
    }
    ApplyColorKey(&pic, ColorKey);
    const Picture scaled = Resample(pic, (uint32_t)(dst.right - dst.left), (uint32_t)(dst.bottom - dst.top), PointFilter(Filter));

    D3DLOCKED_RECT lr{};
    hr = pDestSurface->LockRect(&lr, nullptr, 0);
    if (SUCCEEDED(hr)) {
        WriteRows(scaled, desc.Format, lr, (uint32_t)dst.left, (uint32_t)dst.top);
        pDestSurface->UnlockRect();
    } else {
        // A surface that cannot be locked (a render target, say) is filled
        // through a system-memory copy.
        IDirect3DDevice9* dev = nullptr;
        if (FAILED(pDestSurface->GetDevice(&dev)) || !dev) return hr;
        IDirect3DSurface9* staging = nullptr;
        hr = dev->CreateOffscreenPlainSurface(scaled.width, scaled.height, desc.Format, D3DPOOL_SYSTEMMEM, &staging,
                                              nullptr);
        if (SUCCEEDED(hr)) {
            hr = staging->LockRect(&lr, nullptr, 0);
            if (SUCCEEDED(hr)) {
                WriteRows(scaled, desc.Format, lr, 0, 0);
                staging->UnlockRect();
                const POINT at = {dst.left, dst.top};
                hr = dev->UpdateSurface(staging, nullptr, pDestSurface, &at);
            }
            staging->Release();
        }
        dev->Release();
        if (FAILED(hr)) return hr;
    }
    if (pSrcInfo) FillInfo(header, pSrcInfo);
    return D3D_OK;
}
