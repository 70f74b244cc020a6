// D3DX9 stand-in: shader assembly and high-level shader compilation, with the
// real names, structures and values.
//
// D3DXAssembleShader writes real Direct3D 9 byte code (version token,
// instruction tokens, parameter tokens, end token) from vs_1_1 .. vs_3_0 and
// ps_1_1 .. ps_3_0 assembly text.
//
// D3DXCompileShader compiles high-level source (HLSL of the Direct3D 9 era)
// and hands back a Direct3D 9 token stream that CreateVertexShader and
// CreatePixelShader accept. Its layout:
//   DWORD 0          version token of the profile (vs_2_0 -> 0xFFFE0200 ...)
//   DWORD 1          comment token: D3DSHADER_COMMENT(n)
//   DWORD 2 .. n+1   comment body:
//                      'QGLS' (0x534C4751), stage (0 vertex, 1 pixel),
//                      flags (bit 0: writes the point size, bit 1: the fog
//                      factor), sampler mask,
//                      texture coordinate sets read, vertex input locations
//                      read, byte length L of the program text, then the
//                      GLSL 4.50 text of the translated program (L bytes,
//                      zero padded to whole DWORDs)
//   DWORD n+2        end token 0x0000FFFF
// The program text follows the device's shader interface: a std140 block of
// 256 float registers, then 16 int and 16 bool registers (register(cN) at
// byte 16*N), inputs at the locations of their semantics, varyings named by
// semantic, samplers bound at their register number, and a qrnMain function
// the device completes.
#pragma once

#include "d3d9.h"
#include "d3dx9core.h"

#define D3DXSHADER_DEBUG (1 << 0)
#define D3DXSHADER_SKIPVALIDATION (1 << 1)
#define D3DXSHADER_SKIPOPTIMIZATION (1 << 2)
#define D3DXSHADER_PACKMATRIX_ROWMAJOR (1 << 3)
#define D3DXSHADER_PACKMATRIX_COLUMNMAJOR (1 << 4)
#define D3DXSHADER_PARTIALPRECISION (1 << 5)
#define D3DXSHADER_FORCE_VS_SOFTWARE_NOOPT (1 << 6)
#define D3DXSHADER_FORCE_PS_SOFTWARE_NOOPT (1 << 7)
#define D3DXSHADER_NO_PRESHADER (1 << 8)
#define D3DXSHADER_AVOID_FLOW_CONTROL (1 << 9)
#define D3DXSHADER_PREFER_FLOW_CONTROL (1 << 10)
#define D3DXSHADER_ENABLE_BACKWARDS_COMPATIBILITY (1 << 12)
#define D3DXSHADER_IEEE_STRICTNESS (1 << 13)
#define D3DXSHADER_OPTIMIZATION_LEVEL0 (1 << 14)
#define D3DXSHADER_OPTIMIZATION_LEVEL1 0
#define D3DXSHADER_OPTIMIZATION_LEVEL2 ((1 << 14) | (1 << 15))
#define D3DXSHADER_OPTIMIZATION_LEVEL3 (1 << 15)
#define D3DXSHADER_USE_LEGACY_D3DX9_31_DLL (1 << 16)

typedef struct _D3DXMACRO {
    LPCSTR Name;
    LPCSTR Definition;
} D3DXMACRO, *LPD3DXMACRO;

typedef enum _D3DXINCLUDE_TYPE {
    D3DXINC_LOCAL,
    D3DXINC_SYSTEM,
    D3DXINC_FORCE_DWORD = 0x7fffffff
} D3DXINCLUDE_TYPE;

struct ID3DXInclude {
    virtual HRESULT Open(D3DXINCLUDE_TYPE IncludeType, LPCSTR pFileName, LPCVOID pParentData, LPCVOID* ppData,
                         UINT* pBytes) = 0;
    virtual HRESULT Close(LPCVOID pData) = 0;

protected:
    ~ID3DXInclude() = default;
};
typedef ID3DXInclude* LPD3DXINCLUDE;


// The constant table is not produced: a requested one is returned as null.
struct ID3DXConstantTable;
typedef ID3DXConstantTable* LPD3DXCONSTANTTABLE;

// Assembles vs_/ps_ assembly text. Macros and include handlers are not
// supported (a non-empty macro list or a #directive fails). Errors go to
// *ppErrorMsgs as "line N: message" lines.
QRN_PLATFORM_API HRESULT WINAPI D3DXAssembleShader(LPCSTR pSrcData, UINT SrcDataLen, CONST D3DXMACRO* pDefines,
                                                   LPD3DXINCLUDE pInclude, DWORD Flags, LPD3DXBUFFER* ppShader,
                                                   LPD3DXBUFFER* ppErrorMsgs);
QRN_PLATFORM_API HRESULT WINAPI D3DXAssembleShaderFromFileA(LPCSTR pSrcFile, CONST D3DXMACRO* pDefines,
                                                            LPD3DXINCLUDE pInclude, DWORD Flags,
                                                            LPD3DXBUFFER* ppShader, LPD3DXBUFFER* ppErrorMsgs);

// Compiles high-level source for a vs_/ps_ profile from entry point
// pFunctionName. Macros are passed to the preprocessor; include handlers are
// not supported. Compiler messages go to *ppErrorMsgs.
QRN_PLATFORM_API HRESULT WINAPI D3DXCompileShader(LPCSTR pSrcData, UINT SrcDataLen, CONST D3DXMACRO* pDefines,
                                                  LPD3DXINCLUDE pInclude, LPCSTR pFunctionName, LPCSTR pProfile,
                                                  DWORD Flags, LPD3DXBUFFER* ppShader, LPD3DXBUFFER* ppErrorMsgs,
                                                  LPD3DXCONSTANTTABLE* ppConstantTable);
QRN_PLATFORM_API HRESULT WINAPI D3DXCompileShaderFromFileA(LPCSTR pSrcFile, CONST D3DXMACRO* pDefines,
                                                           LPD3DXINCLUDE pInclude, LPCSTR pFunctionName,
                                                           LPCSTR pProfile, DWORD Flags, LPD3DXBUFFER* ppShader,
                                                           LPD3DXBUFFER* ppErrorMsgs,
                                                           LPD3DXCONSTANTTABLE* ppConstantTable);

// The best profile the device's capabilities allow; null without shaders.
QRN_PLATFORM_API LPCSTR WINAPI D3DXGetVertexShaderProfile(LPDIRECT3DDEVICE9 pDevice);
QRN_PLATFORM_API LPCSTR WINAPI D3DXGetPixelShaderProfile(LPDIRECT3DDEVICE9 pDevice);
