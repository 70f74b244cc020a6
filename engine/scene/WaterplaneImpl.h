// The water plane behind IWaterplane.
#pragma once

#include "PatchGrid.h"

namespace qrngu {

class CWaterplane : public CPatchGrid {
public:
    static constexpr unsigned long long kMaxPoints = 1ull << 24;

    CWaterplane();
    virtual ~CWaterplane();

    bool SetData(unsigned width, unsigned depth, float baseHeight, float repeat0, float repeat1,
                 qrn::IRenderDevice* device);
    void Update(float elapsed);
    float GetHeight() const { return m_fHeight; }
    bool Render(bool textures, bool material);
    SGridVertex VertexAt(unsigned i, unsigned j) const;

    // The wave phase shared by all planes.
    static float GetPhase();
    static void SetPhase(float phase);

private:
    float m_fBaseHeight;
    float m_fHeight;
};

}  // namespace qrngu
