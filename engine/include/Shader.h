// Programmable shaders: object types 8 (IVertexShader) and 9 (IPixelShader),
// made by IRenderDevice::CreateObject.
//
// A shader is loaded from assembly text or from high-level source, from a
// file or from a string. High-level source is compiled for a profile chosen
// by value, in rank order:
//
//   value   vertex profile   pixel profile
//   0       vs_1_1           ps_1_1
//   1       vs_2_sw          ps_1_2
//   2       vs_2_0           ps_1_3
//   3       vs_2_a           ps_1_4
//   4       -                ps_2_sw
//   5       -                ps_2_0
//   6       -                ps_2_a
//
// and a load asking for more than the device's best profile is refused
// (keeping any shader held). High-level entry points are named
// "VertexShaderMain" and "PixelShaderMain". Compiler messages go to the
// debugger output.
//
// While a vertex shader is bound, every draw feeds it the transposed
// world x view x projection in constant registers 0 to 3 and an input
// declaration matching the vertex format; SetAmbientLight writes
// (red, green, blue, 1) into register 4.
//
// Slot order is part of the binary interface.
#pragma once

#include <cstdint>

#include "RenderDeviceObjects.h"

namespace qrn {

// What both kinds offer, in this slot order.
class QRN_API IShaderObject : public IRenderDeviceObject {
public:
    // Binds the shader; false when none is loaded or the device refuses.
    virtual bool Apply() = 0;                                            // 3
    // Unbinds it (a vertex shader also its input declaration): fixed
    // function again.
    virtual bool Remove() = 0;                                           // 4
    // source is a file name when fromFile, else the text itself.
    virtual bool Load(const char* source, bool highLevel, int profile, bool fromFile) = 0; // 5
    // Constant registers; the results are Direct3D's.
    virtual std::int32_t SetConstantF(unsigned startRegister, const float* data, unsigned count) = 0; // 6
    virtual std::int32_t SetConstantI(unsigned startRegister, const int* data, unsigned count) = 0;   // 7
    virtual std::int32_t SetConstantB(unsigned startRegister, const int* data, unsigned count) = 0;   // 8
};

class QRN_API IVertexShader : public IShaderObject {};  // type 8
class QRN_API IPixelShader : public IShaderObject {};   // type 9

} // namespace qrn
