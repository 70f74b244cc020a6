// The terrain behind IHeightmap.
#pragma once

#include "PatchGrid.h"

namespace qrngu {

class CHeightmap : public CPatchGrid {
public:
    // Grids beyond this many samples are refused (4097 x 4097 fits).
    static constexpr unsigned long long kMaxSamples = 1ull << 24;

    CHeightmap();
    virtual ~CHeightmap();

    bool SetData(const char* file, unsigned width, unsigned depth, float heightScale, float repeat0,
                 float repeat1, qrn::IRenderDevice* device);
    bool SetData(unsigned short width, unsigned short depth, float peakDivisor, float minRadius,
                 float maxRadius, unsigned short hillCount, unsigned short flatteningExponent,
                 bool island, float repeat0, float repeat1, qrn::IRenderDevice* device);
    bool SetLight(const qrn::Vector4& direction, unsigned char red, unsigned char green,
                  unsigned char blue);
    float GetHeightAt(float x, float z) const;
    bool Render(bool textures, bool material);

    // Generator steps, exposed so that each can be checked on its own.
    // The next hill's radius (one draw).
    float DrawHillRadius() const;
    // The next hill's centre before truncation (two draws).
    void DrawHillCentre(float radius, float* cx, float* cz) const;
    // Adds r^2 - distance^2 around the integer centre where positive.
    void AddHill(int cx, int cz, float radius);
    void Normalise();
    void Flatten();

    float GetSample(unsigned i, unsigned j) const { return m_pHeights[i + j * m_uWidth]; }
    bool HasSamples() const { return m_pHeights != nullptr; }
    float GetHeightScale() const { return m_fHeightScale; }
    const qrn::SLight& GetLight() const { return m_Light; }
    // The vertex record of grid point (i, j).
    SGridVertex VertexAt(unsigned i, unsigned j) const;

private:
    bool PrepareSamples(unsigned width, unsigned depth);
    bool LoadRaw(const char* file);
    void UpdateTopHeight();
    float WorldHeight(unsigned i, unsigned j) const { return GetSample(i, j) * m_fHeightScale; }

    float m_fHeightScale;
    float* m_pHeights;
    float m_fTopHeight;  // highest world height, for the height query's ray start
    qrn::SLight m_Light;
    float m_fPeakDivisor;
    float m_fMinRadius;
    float m_fMaxRadius;
    unsigned short m_usHillCount;
    unsigned short m_usFlattening;
    bool m_bIsland;
};

}  // namespace qrngu
