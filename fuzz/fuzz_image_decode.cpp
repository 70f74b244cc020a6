// libFuzzer entry: any bytes through the header reader and the full decoder.
// A success must describe a picture within the caps whose pixel count matches.
#include <cstdint>
#include <cstdlib>

#include "d3dx9/d3dx9_image_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace qrn::d3dx;
    ImageHeader header;
    const bool headerOk = SUCCEEDED(ReadImageHeader(data, size, &header));
    DecodedImage image;
    if (SUCCEEDED(DecodeImage(data, size, &image))) {
        const ImageHeader& h = image.header;
        if (!headerOk || h.width == 0 || h.height == 0 || h.width > kMaxImageSide || h.height > kMaxImageSide ||
            image.pixels.size() != (size_t)h.width * h.height)
            abort();
    }
    return 0;
}
