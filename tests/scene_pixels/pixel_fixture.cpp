#include "pixel_fixture.h"

#include "d3dx9math.h"
#include "display_required.h"

namespace scenepx {

void SceneDeviceTest::SetUp() {
    m_hWnd = d3dtest::CreateTestWindow("ScenePixelTestClass", "scene pixels", kWidth, kHeight);
    ASSERT_NE(m_hWnd, nullptr);
    m_pDevice = std::make_unique<qrn::CRenderDeviceD3D9>();
    if (!m_pDevice->InitWindowed(m_hWnd, m_hWnd, 0)) {
        m_pDevice.reset();
        QRN_MISSING_DISPLAY("no Direct3D device on this machine");
    }
    m_pDevice->SetProjection(false, 0.8f, 0.1f, 1600.0f);
    m_pDevice->SetAmbientLight(0, 0, 0);
}

void SceneDeviceTest::TearDown() {
    m_pDevice.reset();
    if (m_hWnd) DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

qrn::Matrix4x4 SceneDeviceTest::LookAt(float ex, float ey, float ez, float ax, float ay, float az, float ux,
                                       float uy, float uz) {
    D3DXVECTOR3 eye(ex, ey, ez), at(ax, ay, az), up(ux, uy, uz);
    D3DXMATRIX v;
    D3DXMatrixLookAtLH(&v, &eye, &at, &up);
    qrn::Matrix4x4 m;
    m.Set(static_cast<const float*>(v));
    return m;
}

std::vector<uint32_t> SceneDeviceTest::ReadBack(unsigned* width, unsigned* height) const {
    return d3dtest::ReadRenderTarget(m_pDevice->GetD3DDevice(), width, height);
}

bool SceneDeviceTest::Grab() {
    m_Picture = ReadBack(&m_uWidth, &m_uHeight);
    return !m_Picture.empty();
}

Rgb SceneDeviceTest::At(int x, int y) const {
    const uint32_t c = m_Picture[static_cast<size_t>(y) * m_uWidth + x];
    return {static_cast<int>((c >> 16) & 0xff), static_cast<int>((c >> 8) & 0xff), static_cast<int>(c & 0xff)};
}

Rgb SceneDeviceTest::Mean(int x0, int y0, int x1, int y1) const {
    long r = 0, g = 0, b = 0, n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x, ++n) {
            const Rgb c = At(x, y);
            r += c.r, g += c.g, b += c.b;
        }
    if (n == 0) return {0, 0, 0};
    return {static_cast<int>(r / n), static_cast<int>(g / n), static_cast<int>(b / n)};
}

}  // namespace scenepx
