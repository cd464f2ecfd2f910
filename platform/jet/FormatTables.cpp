#include "platform/jet/FormatTables.h"

#include "platform/jet/Collection.h"
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

std::uint32_t LittleEndian(std::string_view bytes, std::size_t at, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

std::string ColumnName(const std::string& name, const std::vector<catalog::ColumnDef>& earlier,
                       const std::string& fallback)
{
    if (name.empty())
        return fallback;
    try {
        catalog::CheckName(name);
    } catch (const EngineError&) {
        return fallback;
    }
    for (const catalog::ColumnDef& column : earlier)
        if (SameName(column.Name, name))
            return fallback;
    return name;
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
