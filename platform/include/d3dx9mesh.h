// D3DX9 stand-in: meshes. The mesh object (ID3DXBaseMesh / ID3DXMesh), the
// byte buffer the loaders hand out (ID3DXBuffer), the DirectX .x file loader
// and the mesh helpers, with the real names, structures, constants and method
// order. Methods the engine never needs (point representatives, semantics
// updates, progressive and skinned meshes) are left out; the ones declared
// keep their relative order.
//
// A mesh owns a vertex buffer, a 16- or 32-bit index buffer (D3DXMESH_32BIT),
// one attribute id per face and, once built, an attribute table (one range of
// faces and vertices per attribute id). Its vertex and index buffers live in
// the pool the options ask for (D3DXMESH_MANAGED: the managed pool).
#pragma once

#include "d3d9.h"
#include "d3dx9core.h"
#include "d3dx9math.h"

// ---- mesh options (pools and usages of the mesh's buffers) -----------------------------
#define D3DXMESH_32BIT 0x001
#define D3DXMESH_DONOTCLIP 0x002
#define D3DXMESH_POINTS 0x004
#define D3DXMESH_RTPATCHES 0x008
#define D3DXMESH_NPATCHES 0x4000
#define D3DXMESH_VB_SYSTEMMEM 0x010
#define D3DXMESH_VB_MANAGED 0x020
#define D3DXMESH_VB_WRITEONLY 0x040
#define D3DXMESH_VB_DYNAMIC 0x080
#define D3DXMESH_VB_SOFTWAREPROCESSING 0x8000
#define D3DXMESH_IB_SYSTEMMEM 0x100
#define D3DXMESH_IB_MANAGED 0x200
#define D3DXMESH_IB_WRITEONLY 0x400
#define D3DXMESH_IB_DYNAMIC 0x800
#define D3DXMESH_IB_SOFTWAREPROCESSING 0x10000
#define D3DXMESH_VB_SHARE 0x1000
#define D3DXMESH_USEHWONLY 0x2000
#define D3DXMESH_SYSTEMMEM 0x110
#define D3DXMESH_MANAGED 0x220
#define D3DXMESH_WRITEONLY 0x440
#define D3DXMESH_DYNAMIC 0x880
#define D3DXMESH_SOFTWAREPROCESSING 0x18000

// ---- OptimizeInplace / Optimize flags ---------------------------------------------------
// The levels are cumulative: ATTRSORT implies COMPACT, VERTEXCACHE implies ATTRSORT.
#define D3DXMESHOPT_DEVICEINDEPENDENT 0x00400000
#define D3DXMESHOPT_COMPACT 0x01000000
#define D3DXMESHOPT_ATTRSORT 0x02000000
#define D3DXMESHOPT_VERTEXCACHE 0x04000000
#define D3DXMESHOPT_STRIPREORDER 0x08000000
#define D3DXMESHOPT_IGNOREVERTS 0x10000000
#define D3DXMESHOPT_DONOTSPLIT 0x20000000

#define UNUSED32 0xffffffff

// ---- records ------------------------------------------------------------------------------
typedef struct _D3DXATTRIBUTERANGE {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
} D3DXATTRIBUTERANGE, *LPD3DXATTRIBUTERANGE;

// One material of a loaded file: pTextureFilename is null when the material
// names no texture. Ambient is left zero (the file carries none).
typedef struct _D3DXMATERIAL {
    D3DMATERIAL9 MatD3D;
    LPSTR pTextureFilename;
} D3DXMATERIAL, *LPD3DXMATERIAL;

typedef enum _D3DXEFFECTDEFAULTTYPE {
    D3DXEDT_STRING = 1,
    D3DXEDT_FLOATS = 2,
    D3DXEDT_DWORD = 3,
    D3DXEDT_FORCEDWORD = 0x7fffffff
} D3DXEFFECTDEFAULTTYPE;

typedef struct _D3DXEFFECTDEFAULT {
    LPSTR pParamName;
    D3DXEFFECTDEFAULTTYPE Type;
    DWORD NumBytes;
    LPVOID pValue;
} D3DXEFFECTDEFAULT, *LPD3DXEFFECTDEFAULT;

// One per material; the .x reader fills no effect file and no defaults.
typedef struct _D3DXEFFECTINSTANCE {
    LPSTR pEffectFilename;
    DWORD NumDefaults;
    LPD3DXEFFECTDEFAULT pDefaults;
} D3DXEFFECTINSTANCE, *LPD3DXEFFECTINSTANCE;

// ---- interfaces -----------------------------------------------------------------------------
struct ID3DXBaseMesh;
struct ID3DXMesh;
typedef ID3DXBaseMesh* LPD3DXBASEMESH;
typedef ID3DXMesh* LPD3DXMESH;

inline constexpr IID IID_ID3DXBaseMesh = {0x7ed943dd, 0x52e8, 0x40b5,
                                          {0xa8, 0xd8, 0x76, 0xa6, 0x9d, 0x0f, 0xe8, 0xab}};
inline constexpr IID IID_ID3DXMesh = {0x4020e5c2, 0x1403, 0x4929,
                                      {0x88, 0x3f, 0xe2, 0xe8, 0x49, 0xfa, 0xc1, 0x95}};

struct ID3DXBaseMesh : public IUnknown {
    // One DrawIndexedPrimitive (triangle list) for the faces of attribute
    // AttribId, with the mesh's own vertex buffer, index buffer and FVF bound
    // on its device. With an attribute table the range of that id is drawn;
    // without one, the runs of faces carrying the id. An id no face carries
    // draws nothing and succeeds.
    virtual HRESULT DrawSubset(DWORD AttribId) = 0;
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetFVF() = 0;
    // The elements of the mesh's FVF, ended by D3DDECL_END().
    virtual HRESULT GetDeclaration(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE]) = 0;
    virtual DWORD GetNumBytesPerVertex() = 0;
    virtual DWORD GetOptions() = 0;
    virtual HRESULT GetDevice(LPDIRECT3DDEVICE9* ppDevice) = 0;
    // A copy with another vertex format: elements both formats have are
    // copied (texture coordinate sets by index, as many floats as both hold),
    // new elements start zero. Indices, attributes and the attribute table
    // carry over.
    virtual HRESULT CloneMeshFVF(DWORD Options, DWORD FVF, LPDIRECT3DDEVICE9 pD3DDevice,
                                 LPD3DXMESH* ppCloneMesh) = 0;
    virtual HRESULT GetVertexBuffer(LPDIRECT3DVERTEXBUFFER9* ppVB) = 0;
    virtual HRESULT GetIndexBuffer(LPDIRECT3DINDEXBUFFER9* ppIB) = 0;
    virtual HRESULT LockVertexBuffer(DWORD Flags, LPVOID* ppData) = 0;
    virtual HRESULT UnlockVertexBuffer() = 0;
    virtual HRESULT LockIndexBuffer(DWORD Flags, LPVOID* ppData) = 0;
    virtual HRESULT UnlockIndexBuffer() = 0;
    // pAttribTable null: *pAttribTableSize receives the number of ranges (0
    // before the table is built). Otherwise *pAttribTableSize is read as the
    // room pAttribTable has, at most that many ranges are copied, and it
    // then receives the number of ranges.
    virtual HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) = 0;
    // Three entries per face: the face across edge 0-1, 1-2 and 2-0, or
    // UNUSED32. Corners closer than Epsilon in position count as one vertex.
    virtual HRESULT GenerateAdjacency(FLOAT Epsilon, DWORD* pAdjacency) = 0;
};

struct ID3DXMesh : public ID3DXBaseMesh {
    virtual HRESULT LockAttributeBuffer(DWORD Flags, DWORD** ppData) = 0;
    virtual HRESULT UnlockAttributeBuffer() = 0;
    // A reordered copy (see OptimizeInplace); this mesh is left as it is.
    virtual HRESULT Optimize(DWORD Flags, CONST DWORD* pAdjacencyIn, DWORD* pAdjacencyOut,
                             DWORD* pFaceRemap, LPD3DXBUFFER* ppVertexRemap, LPD3DXMESH* ppOptMesh) = 0;
    // Reorders faces and vertices; the drawn image stays the same.
    // COMPACT drops faces with repeated corners and vertices no face uses;
    // ATTRSORT groups faces by attribute id (vertices shared by two groups
    // are duplicated unless DONOTSPLIT) and builds the attribute table;
    // VERTEXCACHE also orders each group's faces for the vertex cache and
    // its vertices by first use. The result depends only on the indices and
    // attributes, never on vertex contents. pFaceRemap receives, per new
    // face, its old face; ppVertexRemap a buffer with, per new vertex, its
    // old vertex. pAdjacencyOut receives the adjacency of the new order.
    virtual HRESULT OptimizeInplace(DWORD Flags, CONST DWORD* pAdjacencyIn, DWORD* pAdjacencyOut,
                                    DWORD* pFaceRemap, LPD3DXBUFFER* ppVertexRemap) = 0;
    virtual HRESULT SetAttributeTable(CONST D3DXATTRIBUTERANGE* pAttribTable, DWORD cAttribTableSize) = 0;
};

// ---- functions -------------------------------------------------------------------------------

// An empty mesh (zeroed vertices, indices and attributes).
QRN_PLATFORM_API HRESULT WINAPI D3DXCreateMeshFVF(DWORD NumFaces, DWORD NumVertices, DWORD Options,
                                                  DWORD FVF, LPDIRECT3DDEVICE9 pD3DDevice,
                                                  LPD3DXMESH* ppMesh);

// Reads a DirectX .x file (text, binary or compressed) and merges every mesh
// of its frame hierarchy into one mesh, each moved by its frames' transforms;
// the materials of all meshes are appended into one list and each face's
// attribute id indexes it. Its FVF is D3DFVF_XYZ plus D3DFVF_NORMAL and
// D3DFVF_TEX1 where any mesh of the file has normals or texture coordinates.
// A mesh without a material list gets one plain white material when other
// meshes of the file have lists; a file without any gives no material
// buffer and a count of 0. Adjacency, materials (D3DXMATERIAL each, the
// texture names in the same buffer), effect instances (one per material,
// naming no effect) and the material count are optional outputs. A
// malformed file fails with D3DXERR_INVALIDDATA, one without faces with
// D3DXERR_LOADEDMESHASNODATA; a failure hands nothing out.
QRN_PLATFORM_API HRESULT WINAPI D3DXLoadMeshFromXA(LPCSTR pFilename, DWORD Options,
                                                   LPDIRECT3DDEVICE9 pD3DDevice, LPD3DXBUFFER* ppAdjacency,
                                                   LPD3DXBUFFER* ppMaterials,
                                                   LPD3DXBUFFER* ppEffectInstances, DWORD* pNumMaterials,
                                                   LPD3DXMESH* ppMesh);

// The same from the file's bytes in memory.
QRN_PLATFORM_API HRESULT WINAPI D3DXLoadMeshFromXInMemory(LPCVOID Memory, DWORD SizeOfMemory, DWORD Options,
                                                          LPDIRECT3DDEVICE9 pD3DDevice,
                                                          LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials,
                                                          LPD3DXBUFFER* ppEffectInstances,
                                                          DWORD* pNumMaterials, LPD3DXMESH* ppMesh);

// Vertex normals of a mesh whose FVF has D3DFVF_NORMAL: each the normalised
// sum of the normals of the faces using the vertex, weighted by the corner's
// angle. With adjacency, vertices at the same position joined by adjacent
// faces share one normal.
QRN_PLATFORM_API HRESULT WINAPI D3DXComputeNormals(LPD3DXBASEMESH pMesh, CONST DWORD* pAdjacency);

// Component-wise minimum and maximum of NumVertices positions, dwStride bytes apart.
QRN_PLATFORM_API HRESULT WINAPI D3DXComputeBoundingBox(CONST D3DXVECTOR3* pFirstPosition, DWORD NumVertices,
                                                       DWORD dwStride, D3DXVECTOR3* pMin, D3DXVECTOR3* pMax);

// Bytes of one vertex of an FVF code; 0 for an invalid code.
QRN_PLATFORM_API UINT WINAPI D3DXGetFVFVertexSize(DWORD FVF);

#define D3DXLoadMeshFromX D3DXLoadMeshFromXA
