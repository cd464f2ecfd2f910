// Feeds arbitrary bytes to the XML data packet reader as the content of a
// settings file: opening must either succeed, with every record readable and
// the dataset writable back to its file, or throw EDatabaseError; never
// crash, hang or touch memory it does not own.

#include "platform/db/TClientDataSet.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

// Every input is written to a file and the packet written back through a
// synced temporary file: in memory-backed /dev/shm this costs little.
std::string PacketPath()
{
    const char* folder = std::getenv("TMPDIR");
    const std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (folder && *folder ? folder : "/tmp");
    return base + "/fuzz-data-packet-" + std::to_string(getpid()) + ".xml";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = PacketPath();
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                   static_cast<std::streamsize>(size));
    TClientDataSet dataSet;
    dataSet.SetFileName(path);
    try {
        dataSet.Open();
        for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
            for (int i = 0; i < dataSet.FieldCount(); ++i)
                (void)dataSet.Fields(i).AsString();
        if (dataSet.FieldCount() > 0) {
            dataSet.Append();
            dataSet.Fields(0).SetAsString("DEFAULT");
            dataSet.Post();
        }
        dataSet.Close();
    } catch (const EDatabaseError&) {
    }
    return 0;
}
