// Direct3D 9 stand-in: value types shared by d3d9.h and d3dx9*.h, with the
// real names, layouts and numeric values.
#pragma once

#include "windows.h"

typedef DWORD D3DCOLOR;

#define D3DCOLOR_ARGB(a, r, g, b)                                                       \
    ((D3DCOLOR)((((DWORD)(a) & 0xff) << 24) | (((DWORD)(r) & 0xff) << 16) | \
                (((DWORD)(g) & 0xff) << 8) | ((DWORD)(b) & 0xff)))
#define D3DCOLOR_XRGB(r, g, b) D3DCOLOR_ARGB(0xff, r, g, b)

typedef struct _D3DVECTOR {
    float x;
    float y;
    float z;
} D3DVECTOR;

typedef struct _D3DCOLORVALUE {
    float r;
    float g;
    float b;
    float a;
} D3DCOLORVALUE;

// Row-major, row vectors: a point is multiplied on the left; translation in
// the fourth row (_41, _42, _43).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"  // anonymous struct, as in the real header
typedef struct _D3DMATRIX {
    union {
        struct {
            float _11, _12, _13, _14;
            float _21, _22, _23, _24;
            float _31, _32, _33, _34;
            float _41, _42, _43, _44;
        };
        float m[4][4];
    };
} D3DMATRIX;
#pragma GCC diagnostic pop

// The rest of the Direct3D 9 value types (formats, render states, pools,
// vertex formats, lights, materials ...) are added by the Direct3D 9 stand-in.
