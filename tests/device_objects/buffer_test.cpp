// Vertex and index buffers: sizes, counts, replacement, binding, bad input,
// and objects deleted before their device.
#include "device_fixture.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "render/IndexBufferD3D9.h"
#include "render/VertexBufferD3D9.h"

namespace devobj {
namespace {

using namespace qrn;

class BufferTest : public DeviceTest {
protected:
    UINT VertexBytes(IVertexBuffer* vb)
    {
        IDirect3DVertexBuffer9* buffer = static_cast<CVertexBufferD3D9*>(vb)->GetD3DBuffer();
        if (!buffer) return 0;
        D3DVERTEXBUFFER_DESC desc{};
        buffer->GetDesc(&desc);
        EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
        return desc.Size;
    }
    UINT IndexBytes(IIndexBuffer* ib)
    {
        IDirect3DIndexBuffer9* buffer = static_cast<CIndexBufferD3D9*>(ib)->GetD3DBuffer();
        if (!buffer) return 0;
        D3DINDEXBUFFER_DESC desc{};
        buffer->GetDesc(&desc);
        EXPECT_EQ(desc.Format, D3DFMT_INDEX16);
        EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
        return desc.Size;
    }
};

TEST_F(BufferTest, VertexBufferSizeIsStrideTimesCountForEveryFormat)
{
    const unsigned strides[9] = {12, 16, 24, 32, 20, 24, 32, 40, 28};
    std::vector<uint8_t> data(40 * 7);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
    for (int format = 0; format < 9; ++format) {
        auto* vb = Make<IVertexBuffer>(OBJECTTYPE_VERTEXBUFFER);
        ASSERT_NE(vb, nullptr);
        ASSERT_TRUE(vb->SetData(data.data(), 7, format)) << "format " << format;
        EXPECT_EQ(VertexBytes(vb), strides[format] * 7) << "format " << format;
        EXPECT_EQ(vb->GetVertexCount(), 7u);
        EXPECT_EQ(vb->GetTriangleCount(), 2u);
        EXPECT_EQ(vb->GetVertexFormat(), format);

        // The bytes arrived as given.
        void* p = nullptr;
        IDirect3DVertexBuffer9* buffer = static_cast<CVertexBufferD3D9*>(vb)->GetD3DBuffer();
        ASSERT_EQ(buffer->Lock(0, 0, &p, D3DLOCK_READONLY), D3D_OK);
        EXPECT_EQ(std::memcmp(p, data.data(), strides[format] * 7), 0);
        buffer->Unlock();
        delete vb;
    }
}

TEST_F(BufferTest, SecondSetDataReplacesTheBuffer)
{
    auto* vb = Make<IVertexBuffer>(OBJECTTYPE_VERTEXBUFFER);
    std::vector<float> v(3 * 12, 1.0f);
    ASSERT_TRUE(vb->SetData(v.data(), 12, 0));
    IDirect3DVertexBuffer9* first = static_cast<CVertexBufferD3D9*>(vb)->GetD3DBuffer();
    first->AddRef();
    ASSERT_TRUE(vb->SetData(v.data(), 6, 1));
    EXPECT_NE(static_cast<CVertexBufferD3D9*>(vb)->GetD3DBuffer(), first);
    EXPECT_EQ(VertexBytes(vb), 16u * 6);
    EXPECT_EQ(vb->GetTriangleCount(), 2u);
    EXPECT_EQ(first->Release(), 0u);  // the buffer object let go of it
}

TEST_F(BufferTest, FailedSetDataDropsTheBufferButKeepsTheCounts)
{
    auto* vb = Make<IVertexBuffer>(OBJECTTYPE_VERTEXBUFFER);
    std::vector<float> v(3 * 9, 0.0f);
    ASSERT_TRUE(vb->SetData(v.data(), 9, 0));

    // A format without a stride gives a buffer of 0 bytes, which is refused.
    EXPECT_FALSE(vb->SetData(v.data(), 9, 11));
    EXPECT_EQ(static_cast<CVertexBufferD3D9*>(vb)->GetD3DBuffer(), nullptr);
    EXPECT_EQ(vb->GetVertexCount(), 9u);
    EXPECT_EQ(vb->GetTriangleCount(), 3u);
    EXPECT_EQ(vb->GetVertexFormat(), 11);  // the format is taken first

    EXPECT_FALSE(vb->SetData(v.data(), 9, -1));
    EXPECT_FALSE(vb->SetData(v.data(), 0, 0));            // zero vertices
    EXPECT_FALSE(vb->SetData(nullptr, 9, 0));             // nothing to copy
    EXPECT_FALSE(vb->SetData(v.data(), UINT_MAX / 4, 0));  // bytes past 32 bits
    EXPECT_EQ(static_cast<CVertexBufferD3D9*>(vb)->GetD3DBuffer(), nullptr);

    // Drawing with it fails instead of drawing stale data.
    vb->Apply(0);
    EXPECT_FALSE(m_pDevice->Draw());
}

TEST_F(BufferTest, IndexBufferSizeAndTriangles)
{
    auto* ib = Make<IIndexBuffer>(OBJECTTYPE_INDEXBUFFER);
    ASSERT_NE(ib, nullptr);
    const uint16_t idx[9] = {0, 1, 2, 2, 1, 3, 3, 1, 4};
    ASSERT_TRUE(ib->SetData(idx, 9));
    EXPECT_EQ(IndexBytes(ib), 18u);
    EXPECT_EQ(ib->GetIndexCount(), 9u);
    EXPECT_EQ(ib->GetTriangleCount(), 3u);

    ASSERT_TRUE(ib->SetData(idx, 4));
    EXPECT_EQ(IndexBytes(ib), 8u);
    EXPECT_EQ(ib->GetTriangleCount(), 1u);

    EXPECT_FALSE(ib->SetData(nullptr, 9));
    EXPECT_FALSE(ib->SetData(idx, 0));
    EXPECT_FALSE(ib->SetData(idx, UINT_MAX));
    EXPECT_EQ(static_cast<CIndexBufferD3D9*>(ib)->GetD3DBuffer(), nullptr);
    EXPECT_EQ(ib->GetIndexCount(), 4u);
}

TEST_F(BufferTest, ApplyBindsStreamFormatAndLighting)
{
    auto* lit = Make<IVertexBuffer>(OBJECTTYPE_VERTEXBUFFER);
    auto* coloured = Make<IVertexBuffer>(OBJECTTYPE_VERTEXBUFFER);
    std::vector<uint8_t> v(32 * 3, 0);
    ASSERT_TRUE(lit->SetData(v.data(), 3, 6));
    ASSERT_TRUE(coloured->SetData(v.data(), 3, 2));

    lit->Apply(0);
    DWORD fvf = 0;
    D3D()->GetFVF(&fvf);
    EXPECT_EQ(fvf, DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
    IDirect3DVertexBuffer9* bound = nullptr;
    UINT offset = 99, stride = 0;
    ASSERT_EQ(D3D()->GetStreamSource(0, &bound, &offset, &stride), D3D_OK);
    EXPECT_EQ(bound, static_cast<CVertexBufferD3D9*>(lit)->GetD3DBuffer());
    EXPECT_EQ(offset, 0u);
    EXPECT_EQ(stride, 32u);
    if (bound) bound->Release();
    EXPECT_EQ(RenderState(D3DRS_LIGHTING), DWORD(TRUE));
    EXPECT_EQ(m_pDevice->GetBoundVertexBuffer(), lit);

    coloured->Apply(1);
    D3D()->GetFVF(&fvf);
    EXPECT_EQ(fvf, DWORD(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1));
    ASSERT_EQ(D3D()->GetStreamSource(1, &bound, &offset, &stride), D3D_OK);
    EXPECT_EQ(stride, 24u);
    if (bound) bound->Release();
    EXPECT_EQ(RenderState(D3DRS_LIGHTING), DWORD(FALSE));
    EXPECT_EQ(m_pDevice->GetBoundVertexBuffer(), coloured);

    auto* ib = Make<IIndexBuffer>(OBJECTTYPE_INDEXBUFFER);
    const uint16_t idx[3] = {0, 1, 2};
    ASSERT_TRUE(ib->SetData(idx, 3));
    ib->Apply();
    IDirect3DIndexBuffer9* indices = nullptr;
    ASSERT_EQ(D3D()->GetIndices(&indices), D3D_OK);
    EXPECT_EQ(indices, static_cast<CIndexBufferD3D9*>(ib)->GetD3DBuffer());
    if (indices) indices->Release();
    EXPECT_EQ(m_pDevice->GetBoundIndexBuffer(), ib);
}

TEST_F(BufferTest, DeletedObjectsLeaveTheRegistryAndTheBindings)
{
    const size_t before = m_pDevice->GetObjects().size();
    auto* vb = Make<IVertexBuffer>(OBJECTTYPE_VERTEXBUFFER);
    auto* ib = Make<IIndexBuffer>(OBJECTTYPE_INDEXBUFFER);
    auto* kept = Make<IVertexBuffer>(OBJECTTYPE_VERTEXBUFFER);
    ASSERT_EQ(m_pDevice->GetObjects().size(), before + 3);

    std::vector<float> v(9, 0.0f);
    const uint16_t idx[3] = {0, 1, 2};
    ASSERT_TRUE(vb->SetData(v.data(), 3, 0));
    ASSERT_TRUE(ib->SetData(idx, 3));
    vb->Apply(0);
    ib->Apply();

    delete vb;
    delete ib;
    const auto& objects = m_pDevice->GetObjects();
    EXPECT_EQ(objects.size(), before + 1);
    EXPECT_EQ(std::count(objects.begin(), objects.end(), static_cast<IRenderDeviceObject*>(kept)), 1);
    // The device no longer draws with what is gone.
    EXPECT_EQ(m_pDevice->GetBoundVertexBuffer(), nullptr);
    EXPECT_EQ(m_pDevice->GetBoundIndexBuffer(), nullptr);
    EXPECT_FALSE(m_pDevice->Draw());
    EXPECT_FALSE(m_pDevice->DrawIndexed());
    // The device deletes `kept` at tear-down; under the sanitisers a second
    // delete of vb or ib would show here.
}

}  // namespace
}  // namespace devobj
