// The height-map terrain: RAW loading, the hill generator, vertex records,
// the height query and drawing.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>

#include "Heightmap.h"
#include "HeightmapImpl.h"
#include "d3dx9math.h"

namespace qrngu {

using qrn::Vector4;

namespace {
constexpr float kRandScale = 3.0518509e-5f;  // 1 / 32767
constexpr float kAngleScale = 0.00019165625f;  // 6.28 / 32767
constexpr float kRayStart = 5000.0f;
constexpr float kMaxHillRadius = 1e6f;  // keeps r^2 and the sums finite

// One draw in 0 ... 32767 whatever the runtime library's RAND_MAX is, so
// that the scale factors above map a draw onto 0 ... 1.
float Rand() { return static_cast<float>(std::rand() % 32768); }
}  // namespace

CHeightmap::CHeightmap()
    : m_fHeightScale(2.0f), m_pHeights(nullptr), m_fTopHeight(0.0f), m_Light{}, m_fPeakDivisor(85.0f),
      m_fMinRadius(0), m_fMaxRadius(0), m_usHillCount(0), m_usFlattening(0), m_bIsland(false) {
    m_Light.type = 0;
    m_Light.diffuse[0] = m_Light.diffuse[1] = m_Light.diffuse[2] = 1.0f;
    m_Light.position.Set(0, 0, 0, 0);
    m_Light.direction.Set(1, -1, 1, 1);
}

CHeightmap::~CHeightmap() { delete[] m_pHeights; }

bool CHeightmap::PrepareSamples(unsigned width, unsigned depth) {
    const unsigned long long count = static_cast<unsigned long long>(width) * depth;
    if (count == 0 || count > kMaxSamples) {
        m_uWidth = m_uDepth = 0;
        return false;
    }
    m_uWidth = width;
    m_uDepth = depth;
    m_pHeights = new (std::nothrow) float[count]();
    if (!m_pHeights) {
        m_uWidth = m_uDepth = 0;
        return false;
    }
    return true;
}

bool CHeightmap::LoadRaw(const char* file) {
    if (!file) return false;
    std::FILE* f = std::fopen(file, "rb");
    if (!f) return false;
    const unsigned long long total = static_cast<unsigned long long>(m_uWidth) * m_uDepth;
    unsigned long long n = 0, bytes = 0;
    unsigned char buffer[65536];
    bool done = false;
    while (!done) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, f);
        if (got == 0) break;
        bytes += got;
        for (std::size_t k = 0; k < got; ++k) {
            // 255 ends the data; bytes past width x depth do not fit.
            if (buffer[k] == 255 || n >= total) {
                done = true;
                break;
            }
            const int v = static_cast<signed char>(buffer[k]);
            m_pHeights[n++] = static_cast<float>(v < 0 ? -v : v);
        }
    }
    std::fclose(f);
    // An empty file holds no terrain at all.
    return bytes > 0;
}

bool CHeightmap::SetData(const char* file, unsigned width, unsigned depth, float heightScale,
                         float repeat0, float repeat1, qrn::IRenderDevice* device) {
    delete[] m_pHeights;
    m_pHeights = nullptr;
    if (!Restart(device)) return false;

    m_fHeightScale = heightScale;
    if (!CreateMaterial()) return false;
    m_pMaterial->SetAmbient(0, 0, 0, 1);
    m_pMaterial->SetDiffuse(1, 1, 1, 1);
    m_fRepeat0 = repeat0;
    m_fRepeat1 = repeat1;
    if (!PrepareSamples(width, depth)) return false;
    if (!LoadRaw(file)) return false;
    UpdateTopHeight();
    return BuildPatches([this](unsigned i, unsigned j) { return VertexAt(i, j); });
}

bool CHeightmap::SetData(unsigned short width, unsigned short depth, float peakDivisor, float minRadius,
                         float maxRadius, unsigned short hillCount, unsigned short flatteningExponent,
                         bool island, float repeat0, float repeat1, qrn::IRenderDevice* device) {
    delete[] m_pHeights;
    m_pHeights = nullptr;
    if (!Restart(device)) return false;
    // The peak lands at 1 / peakDivisor: a divisor of 0 or less has no such height.
    if (!(peakDivisor > 0.0f) || !std::isfinite(peakDivisor)) return false;
    if (!CreateMaterial()) return false;

    m_fPeakDivisor = peakDivisor;
    m_fMinRadius = minRadius;
    m_fMaxRadius = maxRadius;
    m_usHillCount = hillCount;
    m_usFlattening = flatteningExponent;
    m_bIsland = island;
    m_fRepeat0 = repeat0;
    m_fRepeat1 = repeat1;
    if (!PrepareSamples(width, depth)) return false;
    std::srand(static_cast<unsigned>(std::time(nullptr)));

    for (unsigned h = 0; h < hillCount; ++h) {
        const float r = DrawHillRadius();
        float cx = 0, cz = 0;
        DrawHillCentre(r, &cx, &cz);
        // Centres are whole numbers, truncated towards zero; the range check
        // keeps the conversion defined for wild radii.
        if (!(std::fabs(cx) < 1e9f) || !(std::fabs(cz) < 1e9f)) continue;
        AddHill(static_cast<int>(cx), static_cast<int>(cz), r);
    }
    Normalise();
    Flatten();
    UpdateTopHeight();
    return BuildPatches([this](unsigned i, unsigned j) { return VertexAt(i, j); });
}

void CHeightmap::UpdateTopHeight() {
    m_fTopHeight = 0.0f;
    if (!m_pHeights) return;
    const unsigned long long n = static_cast<unsigned long long>(m_uWidth) * m_uDepth;
    for (unsigned long long k = 0; k < n; ++k) {
        const float h = m_pHeights[k] * m_fHeightScale;
        if (h > m_fTopHeight && std::isfinite(h)) m_fTopHeight = h;
    }
}

float CHeightmap::DrawHillRadius() const {
    return m_fMinRadius + Rand() * (m_fMaxRadius - m_fMinRadius) * kRandScale;
}

void CHeightmap::DrawHillCentre(float r, float* cx, float* cz) const {
    if (m_bIsland) {
        const float angle = Rand() * kAngleScale;
        const float half = static_cast<float>(m_uWidth / 2);
        const float distance = r / 2 + Rand() * (half - r - r / 2) * kRandScale;
        const float middle = 0.5f * static_cast<float>(m_uWidth);
        *cx = middle + distance * std::cos(angle);
        *cz = middle + distance * std::sin(angle);
    } else {
        const float x = -r + Rand() * (static_cast<float>(m_uWidth) + 2 * r) * kRandScale;
        const float z = -r + Rand() * (static_cast<float>(m_uDepth) + 2 * r) * kRandScale;
        *cx = x;
        *cz = z;
    }
}

void CHeightmap::AddHill(int cx, int cz, float r) {
    if (!m_pHeights || !std::isfinite(r)) return;
    if (r > kMaxHillRadius) r = kMaxHillRadius;
    if (r < -kMaxHillRadius) r = -kMaxHillRadius;
    // The square around the hill, clipped to the grid.
    auto clip = [](float start, float end, unsigned size, long* lo, long* hi) {
        start = std::trunc(start);
        end = std::trunc(end);
        if (start < 0) start = 0;
        if (end >= static_cast<float>(size)) end = static_cast<float>(size - 1);
        if (start > end) return false;
        *lo = static_cast<long>(start);
        *hi = static_cast<long>(end);
        return true;
    };
    long x0, x1, z0, z1;
    const float fcx = static_cast<float>(cx), fcz = static_cast<float>(cz);
    if (!clip(fcx - r - 1, fcx + r + 1, m_uWidth, &x0, &x1)) return;
    if (!clip(fcz - r - 1, fcz + r + 1, m_uDepth, &z0, &z1)) return;
    const float r2 = r * r;
    for (long z = z0; z <= z1; ++z) {
        for (long x = x0; x <= x1; ++x) {
            const long long dx = x - cx, dz = z - cz;
            const float w = r2 - static_cast<float>(dx * dx + dz * dz);
            if (w > 0) m_pHeights[x + z * static_cast<long>(m_uWidth)] += w;
        }
    }
}

void CHeightmap::Normalise() {
    if (!m_pHeights) return;
    const unsigned long long n = static_cast<unsigned long long>(m_uWidth) * m_uDepth;
    float lo = m_pHeights[0], hi = m_pHeights[0];
    for (unsigned long long k = 1; k < n; ++k) {
        if (m_pHeights[k] < lo) lo = m_pHeights[k];
        if (m_pHeights[k] > hi) hi = m_pHeights[k];
    }
    if (lo == hi) {
        for (unsigned long long k = 0; k < n; ++k) m_pHeights[k] = 0;
        return;
    }
    const float range = hi - lo;
    float g = 0;
    for (unsigned long long k = 0; k < n; ++k) {
        m_pHeights[k] = (m_pHeights[k] - lo) / range;
        if (m_pHeights[k] > g) g = m_pHeights[k];
    }
    if (g > 0) m_fHeightScale = 1.0f / (g * m_fPeakDivisor);
}

void CHeightmap::Flatten() {
    if (!m_pHeights || m_usFlattening <= 1) return;
    const unsigned long long n = static_cast<unsigned long long>(m_uWidth) * m_uDepth;
    float m = 0;
    for (unsigned long long k = 0; k < n; ++k) {
        const float s = m_pHeights[k];
        float p = 1.0f;
        if (m_usFlattening <= 16) {
            for (unsigned e = 0; e < m_usFlattening; ++e) p *= s;
        } else {
            p = std::pow(s, static_cast<float>(m_usFlattening));  // bounded cost for large powers
        }
        m_pHeights[k] = p;
        if (p > m) m = p;
    }
    if (m > 0) m_fHeightScale = 1.0f / (m * m_fPeakDivisor);
}

SGridVertex CHeightmap::VertexAt(unsigned i, unsigned j) const {
    SGridVertex v{};
    const float fi = static_cast<float>(i), fj = static_cast<float>(j);
    v.x = fi;
    v.y = WorldHeight(i, j);
    v.z = fj;

    // Edge vectors towards the next sample (backwards on the last row and
    // column); their cross product points downwards on level ground.
    const int dx = (i + 1 < m_uWidth) ? 1 : (i > 0 ? -1 : 0);
    const int dz = (j + 1 < m_uDepth) ? 1 : (j > 0 ? -1 : 0);
    const Vector4 p(fi, v.y, fj, 1);
    const unsigned ni = static_cast<unsigned>(static_cast<int>(i) + dx);
    const unsigned nj = static_cast<unsigned>(static_cast<int>(j) + dz);
    Vector4 px(static_cast<float>(ni), WorldHeight(ni, j), fj, 1);
    Vector4 pz(fi, WorldHeight(i, nj), static_cast<float>(nj), 1);
    Vector4 e1 = Vector4(p) - px;
    Vector4 e2 = Vector4(p) - pz;
    e1 = e1 * static_cast<float>(dx);
    e2 = e2 * static_cast<float>(dz);
    Vector4 n;
    n.Cross(e1, e2);
    n.Normalize();
    v.nx = n.x;
    v.ny = n.y;
    v.nz = n.z;

    SetTexCoords(v, i, j);
    return v;
}

float CHeightmap::GetHeightAt(float x, float z) const {
    // Written so that NaN coordinates fail the test as well.
    if (!m_pHeights || !(x >= 0 && z >= 0 && x < static_cast<float>(m_uWidth) &&
                         z < static_cast<float>(m_uDepth)))
        return 0.0f;
    const unsigned ix = static_cast<unsigned>(x), iz = static_cast<unsigned>(z);
    const float fx = x - static_cast<float>(ix), fz = z - static_cast<float>(iz);
    // In the last row and column the far corners lie off the grid: they take
    // the heights of the last samples, so the surface runs on level there.
    const unsigned ix1 = ix + 1 < m_uWidth ? ix + 1 : ix;
    const unsigned iz1 = iz + 1 < m_uDepth ? iz + 1 : iz;
    const float x0 = static_cast<float>(ix), x1 = x0 + 1, z0 = static_cast<float>(iz), z1 = z0 + 1;

    // The cell's triangle as the chunks draw it (diagonal from (ix, iz) to
    // (ix + 1, iz + 1)).
    D3DXVECTOR3 p0(x0, WorldHeight(ix, iz), z0), p1, p2;
    if (fz < fx) {
        p1 = D3DXVECTOR3(x1, WorldHeight(ix1, iz), z0);
        p2 = D3DXVECTOR3(x1, WorldHeight(ix1, iz1), z1);
    } else {
        p1 = D3DXVECTOR3(x0, WorldHeight(ix, iz1), z1);
        p2 = D3DXVECTOR3(x1, WorldHeight(ix1, iz1), z1);
    }
    // Straight down from above the highest point of the terrain.
    const float top = m_fTopHeight + 1.0f > kRayStart ? m_fTopHeight + 1.0f : kRayStart;
    const D3DXVECTOR3 origin(x, top, z), down(0, -1, 0);
    float u = 0, v = 0, dist = 0;
    if (!D3DXIntersectTri(&p0, &p1, &p2, &origin, &down, &u, &v, &dist)) return 0.0f;
    return p0.y + u * (p1.y - p0.y) + v * (p2.y - p0.y);
}

bool CHeightmap::SetLight(const Vector4& direction, unsigned char red, unsigned char green,
                          unsigned char blue) {
    m_Light.direction = direction;
    m_Light.diffuse[0] = static_cast<float>(red) * 0.003921569f;
    m_Light.diffuse[1] = static_cast<float>(green) * 0.003921569f;
    m_Light.diffuse[2] = static_cast<float>(blue) * 0.003921569f;
    return true;
}

bool CHeightmap::Render(bool textures, bool material) {
    if (!m_pDevice) return false;
    bool began = false;
    if (!m_pDevice->IsRendering()) {
        m_pDevice->SetCullMode(qrn::CULLMODE_CCW);
        if (!m_pDevice->BeginRendering(false, false, false)) return false;
        began = true;
    }
    m_pDevice->SetCullMode(qrn::CULLMODE_NONE);
    m_pDevice->SetLight(0, &m_Light);
    if (material && m_pMaterial) m_pMaterial->Apply();
    // Stage 0 carries the lit base picture; later stages (the detail
    // texture) brighten or darken it around mid-grey.
    if (textures) ApplyTextures(qrn::TEXTUREOP_MODULATE, qrn::TEXTUREOP_ADDSIGNED);
    RenderPatches();
    if (began) m_pDevice->EndRendering(false);
    return true;
}

// ---- exported shell ----------------------------------------------------------

IHeightmap::IHeightmap() : m_pHeightmap(new CHeightmap) {}
IHeightmap::~IHeightmap() { delete m_pHeightmap; }

bool IHeightmap::SetData(const char* file, unsigned width, unsigned depth, float heightScale,
                         float textureRepeat0, float textureRepeat1, Vector4,
                         qrn::IRenderDevice* device) {
    return m_pHeightmap->SetData(file, width, depth, heightScale, textureRepeat0, textureRepeat1, device);
}

bool IHeightmap::SetData(unsigned short width, unsigned short depth, float peakDivisor, float minRadius,
                         float maxRadius, unsigned short hillCount, unsigned short flatteningExponent,
                         bool island, float textureRepeat0, float textureRepeat1, Vector4,
                         qrn::IRenderDevice* device) {
    return m_pHeightmap->SetData(width, depth, peakDivisor, minRadius, maxRadius, hillCount,
                                 flatteningExponent, island, textureRepeat0, textureRepeat1, device);
}

bool IHeightmap::SetTexture(const char* file, unsigned stage, unsigned set) {
    return m_pHeightmap->SetTexture(file, stage, set);
}
bool IHeightmap::SetLight(const Vector4& direction, unsigned char red, unsigned char green,
                          unsigned char blue) {
    return m_pHeightmap->SetLight(direction, red, green, blue);
}
float IHeightmap::GetHeightAt(float x, float z) { return m_pHeightmap->GetHeightAt(x, z); }
void IHeightmap::UpdatePlayer(const Vector4& position, const Vector4& direction) {
    m_pHeightmap->UpdatePlayer(position, direction);
}
bool IHeightmap::Render(bool textures, bool material) { return m_pHeightmap->Render(textures, material); }
unsigned IHeightmap::GetWidth() { return m_pHeightmap->GetWidth(); }
unsigned IHeightmap::GetDepth() { return m_pHeightmap->GetDepth(); }

}  // namespace qrngu
