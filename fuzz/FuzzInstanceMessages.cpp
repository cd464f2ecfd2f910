// Feeds the running copy's reader of the single-instance socket what any
// process of the user could send: the input is cut into the pieces a socket
// may deliver (each piece's length is a byte before it), and every piece is
// fed in turn. Whatever arrives, the reader never holds more than a short
// line, and after a refusal it takes nothing more.
#include "platform/system/InstanceMessageReader.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TInstanceMessageReader reader;
    std::size_t at = 0;
    while (at < size) {
        const std::size_t length = std::min<std::size_t>(data[at], size - at - 1);
        const bool refusedBefore = reader.Refused();
        const std::vector<int> messages =
            reader.Feed(QByteArrayView(reinterpret_cast<const char*>(data + at + 1), qsizetype(length)));
        if (reader.Pending() > TInstanceMessageReader::MaxLine || (refusedBefore && !messages.empty()))
            std::abort();
        at += length + 1;
    }
    return 0;
}
