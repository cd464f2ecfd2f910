// Feeds arbitrary bytes to the JPEG decoder: it must either return a picture
// or throw ImageError, never crash, hang or touch memory it does not own.

#include "platform/gui/ImageFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        platform::DecodeJpeg(data, size);
    } catch (const platform::ImageError&) {
    }
    return 0;
}
