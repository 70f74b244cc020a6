// D3DX9 stand-in: texture and surface loading from image files (BMP, JPEG,
// PNG, TGA), with the real names, structures and constants.
#pragma once

#include "d3d9.h"
#include "d3dx9core.h"

#ifndef D3DX_DEFAULT
#define D3DX_DEFAULT ((UINT)-1)
#define D3DX_DEFAULT_NONPOW2 ((UINT)-2)
#define D3DX_DEFAULT_FLOAT 3.402823466e+38f
#define D3DX_FROM_FILE ((UINT)-3)
#define D3DFMT_FROM_FILE ((D3DFORMAT)-3)
#endif

#ifndef D3DX_FILTER_NONE
#define D3DX_FILTER_NONE (1 << 0)
#define D3DX_FILTER_POINT (2 << 0)
#define D3DX_FILTER_LINEAR (3 << 0)
#define D3DX_FILTER_TRIANGLE (4 << 0)
#define D3DX_FILTER_BOX (5 << 0)
#define D3DX_FILTER_MIRROR_U (1 << 16)
#define D3DX_FILTER_MIRROR_V (2 << 16)
#define D3DX_FILTER_MIRROR_W (4 << 16)
#define D3DX_FILTER_MIRROR (7 << 16)
#define D3DX_FILTER_DITHER (1 << 19)
#endif

#ifndef QRN_PALETTEENTRY_DEFINED
#define QRN_PALETTEENTRY_DEFINED
typedef struct tagPALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
} PALETTEENTRY, *LPPALETTEENTRY;
#endif

typedef enum _D3DXIMAGE_FILEFORMAT {
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
    D3DXIFF_PPM = 5,
    D3DXIFF_DIB = 6,
    D3DXIFF_HDR = 7,
    D3DXIFF_PFM = 8,
    D3DXIFF_FORCE_DWORD = 0x7fffffff
} D3DXIMAGE_FILEFORMAT;

typedef struct _D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
} D3DXIMAGE_INFO;

// The picture's size, kind and closest format (A8R8G8B8 with an alpha channel,
// X8R8G8B8 without), read from the header alone.
QRN_PLATFORM_API HRESULT WINAPI D3DXGetImageInfoFromFileA(LPCSTR pSrcFile, D3DXIMAGE_INFO* pSrcInfo);

// A texture from an image file. Width/Height 0 or D3DX_DEFAULT: the file's
// size rounded up to powers of two; D3DX_DEFAULT_NONPOW2 or D3DX_FROM_FILE:
// the file's size. MipLevels 0 or D3DX_DEFAULT: the full chain down to 1x1,
// every level filled. Format UNKNOWN: A8R8G8B8 when the file has alpha, else
// X8R8G8B8. ColorKey (0 = off) turns matching pixels into transparent black.
QRN_PLATFORM_API HRESULT WINAPI D3DXCreateTextureFromFileExA(
    LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
    D3DFORMAT Format, D3DPOOL Pool, DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
    D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette, LPDIRECT3DTEXTURE9* ppTexture);

QRN_PLATFORM_API HRESULT WINAPI D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile,
                                                           LPDIRECT3DTEXTURE9* ppTexture);

// Loads (a rectangle of) an image file into (a rectangle of) a surface,
// scaling and converting to the surface's format. Null rectangles mean the
// whole image / the whole surface.
QRN_PLATFORM_API HRESULT WINAPI D3DXLoadSurfaceFromFileA(LPDIRECT3DSURFACE9 pDestSurface,
                                                         CONST PALETTEENTRY* pDestPalette, CONST RECT* pDestRect,
                                                         LPCSTR pSrcFile, CONST RECT* pSrcRect, DWORD Filter,
                                                         D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo);

#define D3DXGetImageInfoFromFile D3DXGetImageInfoFromFileA
#define D3DXCreateTextureFromFileEx D3DXCreateTextureFromFileExA
#define D3DXCreateTextureFromFile D3DXCreateTextureFromFileA
#define D3DXLoadSurfaceFromFile D3DXLoadSurfaceFromFileA
