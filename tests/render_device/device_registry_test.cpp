// The registry of device objects: creation order, deletion by the user,
// deletion by the device, and bound buffers that go away.
#include "device_fixture.h"

namespace qrn::test {
namespace {

class RegistryTest : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        if (HasFatalFailure()) return;
        InitWindowed();
    }
};

struct ColorVertex {
    float x, y, z;
    DWORD color;
};

TEST_F(RegistryTest, ObjectsAreListedInCreationOrderAndLeaveWhenDeleted)
{
    IRenderDeviceObject* a = m_device->CreateObject(OBJECTTYPE_MATERIAL);
    IRenderDeviceObject* b = m_device->CreateObject(OBJECTTYPE_VERTEXBUFFER);
    IRenderDeviceObject* c = m_device->CreateObject(OBJECTTYPE_INDEXBUFFER);
    ASSERT_TRUE(a && b && c);
    ASSERT_EQ(m_device->GetObjects().size(), 3u);
    EXPECT_EQ(m_device->GetObjects()[0], a);
    EXPECT_EQ(m_device->GetObjects()[1], b);
    EXPECT_EQ(m_device->GetObjects()[2], c);

    delete b;  // the user may delete an object at any time
    ASSERT_EQ(m_device->GetObjects().size(), 2u);
    EXPECT_EQ(m_device->GetObjects()[0], a);
    EXPECT_EQ(m_device->GetObjects()[1], c);

    // Unregistering something unknown (or twice) changes nothing.
    m_device->UnregisterObject(b);
    m_device->UnregisterObject(nullptr);
    EXPECT_EQ(m_device->GetObjects().size(), 2u);
    // a and c are deleted by the device in TearDown; b must not be deleted
    // again (the sanitiser build catches a double delete).
}

TEST_F(RegistryTest, DeviceDeletesWhatIsLeftExactlyOnce)
{
    for (int i = 0; i < 20; ++i) {
        IRenderDeviceObject* o = m_device->CreateObject(i % 2 ? OBJECTTYPE_MATERIAL : OBJECTTYPE_TEXTURE);
        ASSERT_NE(o, nullptr);
        if (i % 3 == 0) delete o;
    }
    EXPECT_EQ(m_device->GetObjects().size(), 13u);
    delete m_device;
    m_device = nullptr;
}

TEST_F(RegistryTest, DrawingFromABufferDeletedWhileBoundFails)
{
    auto* vb = static_cast<IVertexBuffer*>(m_device->CreateObject(OBJECTTYPE_VERTEXBUFFER));
    auto* ib = static_cast<IIndexBuffer*>(m_device->CreateObject(OBJECTTYPE_INDEXBUFFER));
    ASSERT_TRUE(vb && ib);
    ColorVertex v[8] = {};
    const std::uint16_t idx[6] = {0, 1, 2, 3, 4, 5};
    ASSERT_TRUE(vb->SetData(v, 8, VERTEXFORMAT_XYZ_DIFFUSE));
    ASSERT_TRUE(ib->SetData(idx, 6));
    vb->Apply(0);
    ib->Apply();
    ASSERT_TRUE(m_device->BeginRendering(true, true, false));
    EXPECT_TRUE(m_device->Draw());
    EXPECT_TRUE(m_device->DrawIndexed());
    m_device->SetPrimitiveType(PRIMITIVE_POINTSPRITES);
    EXPECT_FALSE(m_device->DrawIndexed());  // sprites cannot be indexed
    EXPECT_TRUE(m_device->Draw());
    m_device->SetPrimitiveType(PRIMITIVE_TRIANGLELIST);

    delete ib;
    EXPECT_EQ(m_device->GetBoundIndexBuffer(), nullptr);
    EXPECT_FALSE(m_device->DrawIndexed());
    EXPECT_TRUE(m_device->Draw());
    delete vb;
    EXPECT_EQ(m_device->GetBoundVertexBuffer(), nullptr);
    EXPECT_FALSE(m_device->Draw());
    m_device->EndRendering(true);
}

} // namespace
} // namespace qrn::test
