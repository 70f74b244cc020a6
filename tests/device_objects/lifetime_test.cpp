// Object lifetimes: the factory, deletion by the user before the device, and
// deletion by the device of whatever is still alive.
#include "device_fixture.h"

#include <algorithm>

#include "render/RenderTargetD3D9.h"
#include "render/TextureD3D9.h"

namespace devobj {
namespace {

using namespace qrn;

class LifetimeTest : public DeviceTest {};

TEST_F(LifetimeTest, FactoryMakesEachKindAndRegistersIt)
{
    const size_t before = m_pDevice->GetObjects().size();
    IRenderDeviceObject* made[6] = {};
    for (int type = 0; type <= 5; ++type) {
        made[type] = m_pDevice->CreateObject(type);
        ASSERT_NE(made[type], nullptr) << "type " << type;
    }
    EXPECT_NE(dynamic_cast<IMaterial*>(made[OBJECTTYPE_MATERIAL]), nullptr);
    EXPECT_NE(dynamic_cast<ITexture*>(made[OBJECTTYPE_TEXTURE]), nullptr);
    EXPECT_NE(dynamic_cast<IScreenImage*>(made[OBJECTTYPE_SCREENIMAGE]), nullptr);
    EXPECT_NE(dynamic_cast<IVertexBuffer*>(made[OBJECTTYPE_VERTEXBUFFER]), nullptr);
    EXPECT_NE(dynamic_cast<IIndexBuffer*>(made[OBJECTTYPE_INDEXBUFFER]), nullptr);
    EXPECT_NE(dynamic_cast<IRenderTarget*>(made[OBJECTTYPE_RENDERTARGET]), nullptr);
    const auto& objects = m_pDevice->GetObjects();
    ASSERT_EQ(objects.size(), before + 6);
    EXPECT_TRUE(std::equal(made, made + 6, objects.end() - 6));  // in creation order

    EXPECT_EQ(m_pDevice->CreateObject(10), nullptr);
    EXPECT_EQ(m_pDevice->CreateObject(-1), nullptr);
    EXPECT_EQ(m_pDevice->GetObjects().size(), before + 6);
}

TEST_F(LifetimeTest, ObjectsDeletedFirstAreNotDeletedAgainByTheDevice)
{
    // Every kind, some deleted by the user in an odd order, the rest left to
    // the device. Under the sanitisers a double delete or a use after free
    // shows up here.
    const std::string file = WriteBmp("life.bmp", 4, 4, Solid(4, 4, 0xFFFFFFFF));
    std::vector<IRenderDeviceObject*> objects;
    for (int round = 0; round < 2; ++round)
        for (int type = 0; type <= 5; ++type) objects.push_back(m_pDevice->CreateObject(type));

    auto* shown = static_cast<ITexture*>(objects[1]);
    auto* target = static_cast<IRenderTarget*>(objects[5]);
    static_cast<ITexture*>(objects[7])->LoadFromFile(file.c_str(), false);
    static_cast<ITexture*>(objects[1 + 6])->LoadFromFile(file.c_str(), true);
    if (m_pDevice->CanRenderToTexture()) {
        EXPECT_TRUE(shown->SetRenderTarget(target));
    }
    static_cast<IScreenImage*>(objects[2])->LoadFromFile(file.c_str(), true);

    const size_t count = m_pDevice->GetObjects().size();
    delete objects[5];   // the target before the texture that shows it
    delete objects[3];
    delete objects[8];
    EXPECT_EQ(m_pDevice->GetObjects().size(), count - 3);
    for (IRenderDeviceObject* o : {objects[3], objects[5], objects[8]}) {
        EXPECT_EQ(std::count(m_pDevice->GetObjects().begin(), m_pDevice->GetObjects().end(), o), 0);
    }
    EXPECT_TRUE(shown->Apply(0, 0, 2, 2));
    m_pDevice.reset();  // deletes the other nine
}

TEST_F(LifetimeTest, DeviceLossAndResetReachEveryObject)
{
    ASSERT_TRUE(m_pDevice->CanRenderToTexture()) << "the device offers no render-target format";
    auto* target = Make<IRenderTarget>(OBJECTTYPE_RENDERTARGET);
    auto* texture = Make<ITexture>(OBJECTTYPE_TEXTURE);
    ASSERT_TRUE(target->Create(32, 32));
    ASSERT_TRUE(texture->SetRenderTarget(target));
    // The device tells every registered object in creation order; the
    // texture that shows the target follows it to its rebuilt texture.
    for (IRenderDeviceObject* o : m_pDevice->GetObjects()) o->OnDeviceLost();
    EXPECT_EQ(static_cast<CTextureD3D9*>(texture)->GetD3DTexture(), nullptr);
    for (IRenderDeviceObject* o : m_pDevice->GetObjects()) o->OnDeviceReset();
    EXPECT_NE(static_cast<CTextureD3D9*>(texture)->GetD3DTexture(), nullptr);
    EXPECT_EQ(static_cast<CTextureD3D9*>(texture)->GetD3DTexture(),
              static_cast<CRenderTargetD3D9*>(target)->GetD3DTexture());
}

}  // namespace
}  // namespace devobj
