#include "platform/jet/FormatTables.h"

#include "platform/jet/EngineError.h"

#include <fstream>
#include <sstream>

namespace jet::formats {

void Damaged(const std::string& file, const std::string& why)
{
    throw EngineError(3274, "External table is not in the expected format. ('" + file + "'"
                                + (why.empty() ? "" : ": " + why) + ")",
                      "DAO.Database");
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw EngineError(errFileNotFound, "Could not find file '" + path + "'.", "DAO.Database");
    std::ostringstream bytes;
    bytes << in.rdbuf();  // an empty file leaves `bytes` failed and empty, which is right
    return bytes.str();
}

} // namespace jet::formats
