// The landscape: a grid of height samples, one per integer (x, z), drawn as
// lit, textured triangles in chunks, and queried for its height.
//
// Heights come from an 8-bit RAW file (no header, rows along x, rows from
// z = 0 up; each byte read as a signed value and its magnitude kept, a byte
// of 255 ends the data) or from a random hill generator.
#pragma once

#include "QrnApi.h"
#include "QrnMath.h"
#include "RenderDevice.h"

namespace qrngu {

class CHeightmap;

class QRN_API IHeightmap {
public:
    IHeightmap();
    virtual ~IHeightmap();
    IHeightmap(const IHeightmap&) = delete;
    IHeightmap& operator=(const IHeightmap&) = delete;

    // Loads a width x depth RAW file and builds the drawing chunks. Bytes
    // beyond width x depth are ignored; a short file leaves the rest at 0.
    // False for a missing or empty file, a size of 0, a grid too large to
    // hold, a null device or a device that cannot make the buffers.
    // The vector argument is accepted and has no effect.
    bool SetData(const char* file, unsigned width, unsigned depth, float heightScale,
                 float textureRepeat0, float textureRepeat1, qrn::Vector4 unused,
                 qrn::IRenderDevice* device);
    // Generates hillCount round hills of random radius and places them
    // anywhere (or near the middle when island is set), normalises so that
    // the highest point lies at 1 / peakDivisor, then raises every sample to
    // flatteningExponent. Seeds the runtime random generator from the time.
    bool SetData(unsigned short width, unsigned short depth, float peakDivisor, float minRadius,
                 float maxRadius, unsigned short hillCount, unsigned short flatteningExponent,
                 bool island, float textureRepeat0, float textureRepeat1, qrn::Vector4 unused,
                 qrn::IRenderDevice* device);
    // Loads a picture into texture stage 0..7, sampling coordinate pair set.
    bool SetTexture(const char* file, unsigned stage, unsigned set);
    // The terrain's own light: direction as given, diffuse colour from bytes.
    bool SetLight(const qrn::Vector4& direction, unsigned char red, unsigned char green,
                  unsigned char blue);
    // Height of the drawn surface at (x, z); 0 off the grid.
    float GetHeightAt(float x, float z);
    // The viewer, for skipping the chunks behind it.
    void UpdatePlayer(const qrn::Vector4& position, const qrn::Vector4& direction);
    bool Render(bool textures, bool material);
    unsigned GetWidth();
    unsigned GetDepth();

private:
    CHeightmap* m_pHeightmap;
};

}  // namespace qrngu
