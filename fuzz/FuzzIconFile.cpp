// Feeds arbitrary bytes to the icon-file reader: it must either return the
// file's images or nothing, never crash, hang or touch memory it does not own.

#include "platform/gui/LazyIcons.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    platform::ReadIconFileImages(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
