// D3DX9 stand-in: the reference-counted byte block (ID3DXBuffer) that the
// mesh and shader functions hand out, as the real d3dx9core.h declares it.
#pragma once

#include "d3d9.h"

// Failure codes of the D3DX functions.
#define D3DXERR_CANNOTMODIFYINDEXBUFFER ((HRESULT)0x88760B54L)
#define D3DXERR_INVALIDMESH ((HRESULT)0x88760B55L)
#define D3DXERR_CANNOTATTRSORT ((HRESULT)0x88760B56L)
#define D3DXERR_SKINNINGNOTSUPPORTED ((HRESULT)0x88760B57L)
#define D3DXERR_TOOMANYINFLUENCES ((HRESULT)0x88760B58L)
#define D3DXERR_INVALIDDATA ((HRESULT)0x88760B59L)
#define D3DXERR_LOADEDMESHASNODATA ((HRESULT)0x88760B5AL)
#define D3DXERR_DUPLICATENAMEDFRAGMENT ((HRESULT)0x88760B5BL)
#define D3DXERR_CANNOTREMOVELASTITEM ((HRESULT)0x88760B5CL)

struct ID3DXBuffer;
typedef ID3DXBuffer* LPD3DXBUFFER;

inline constexpr IID IID_ID3DXBuffer = {0x8ba5fb08, 0x5195, 0x40e2,
                                        {0xac, 0x58, 0x0d, 0x98, 0x9c, 0x3a, 0x01, 0x02}};

// A block of bytes, reference counted.
struct ID3DXBuffer : public IUnknown {
    virtual LPVOID GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;
};

// A new zero-filled buffer of NumBytes bytes.
QRN_PLATFORM_API HRESULT WINAPI D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer);
