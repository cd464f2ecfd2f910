#include "platform/jet/CompoundFile.h"

#include <cstdint>
#include <vector>

namespace jet::exporting {
namespace {

constexpr std::size_t SectorSize = 512;
constexpr std::size_t MiniStreamCutoff = 4096;
constexpr std::uint32_t FreeSector = 0xFFFFFFFF;
constexpr std::uint32_t EndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t FatSector = 0xFFFFFFFD;
constexpr std::uint32_t DifatSector = 0xFFFFFFFC;
constexpr std::uint32_t NoStream = 0xFFFFFFFF;
constexpr std::size_t HeaderDifatEntries = 109;
constexpr std::size_t EntriesPerSector = SectorSize / 4;

void Put16(std::string& bytes, std::size_t at, std::uint16_t value)
{
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string DirectoryEntry(std::string_view name, std::uint8_t type, std::uint32_t child, std::uint32_t start,
                           std::uint32_t size)
{
    std::string entry(128, '\0');
    for (std::size_t i = 0; i < name.size(); ++i)
        Put16(entry, 2 * i, static_cast<unsigned char>(name[i]));
    Put16(entry, 64, name.empty() ? 0 : static_cast<std::uint16_t>(2 * (name.size() + 1)));
    entry[66] = static_cast<char>(type);
    entry[67] = 1;  // black in the red-black tree of a storage's children
    Put32(entry, 68, NoStream);
    Put32(entry, 72, NoStream);
    Put32(entry, 76, child);
    Put32(entry, 116, start);
    Put32(entry, 120, size);
    return entry;
}

std::size_t Ceil(std::size_t value, std::size_t unit)
{
    return (value + unit - 1) / unit;
}

} // namespace

std::string BuildCompoundFile(std::string_view streamName, std::string_view stream)
{
    const std::size_t streamSize = std::max(stream.size(), MiniStreamCutoff);
    const std::size_t streamSectors = Ceil(streamSize, SectorSize);
    const std::size_t directorySectors = 1;
    // The allocation table covers every sector, its own included, and past
    // 109 table sectors the index sectors that list them.
    std::size_t fatSectors = 1;
    std::size_t difatSectors = 0;
    for (;;) {
        const std::size_t total = streamSectors + directorySectors + fatSectors + difatSectors;
        const std::size_t needFat = Ceil(total, EntriesPerSector);
        const std::size_t needDifat =
            needFat <= HeaderDifatEntries ? 0 : Ceil(needFat - HeaderDifatEntries, EntriesPerSector - 1);
        if (needFat == fatSectors && needDifat == difatSectors)
            break;
        fatSectors = needFat;
        difatSectors = needDifat;
    }
    const auto directoryStart = static_cast<std::uint32_t>(streamSectors);
    const auto fatStart = directoryStart + static_cast<std::uint32_t>(directorySectors);
    const auto difatStart = fatStart + static_cast<std::uint32_t>(fatSectors);

    std::vector<std::uint32_t> fat(fatSectors * EntriesPerSector, FreeSector);
    for (std::size_t i = 0; i < streamSectors; ++i)
        fat[i] = i + 1 < streamSectors ? static_cast<std::uint32_t>(i + 1) : EndOfChain;
    fat[directoryStart] = EndOfChain;
    for (std::size_t i = 0; i < fatSectors; ++i)
        fat[fatStart + i] = FatSector;
    for (std::size_t i = 0; i < difatSectors; ++i)
        fat[difatStart + i] = DifatSector;

    std::string file(SectorSize, '\0');
    const unsigned char signature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    for (std::size_t i = 0; i < sizeof signature; ++i)
        file[i] = static_cast<char>(signature[i]);
    Put16(file, 24, 0x003E);  // minor version
    Put16(file, 26, 0x0003);  // major version: 512-byte sectors
    Put16(file, 28, 0xFFFE);  // little-endian
    Put16(file, 30, 9);       // sector size 2^9
    Put16(file, 32, 6);       // mini sector size 2^6
    Put32(file, 44, static_cast<std::uint32_t>(fatSectors));
    Put32(file, 48, directoryStart);
    Put32(file, 56, static_cast<std::uint32_t>(MiniStreamCutoff));
    Put32(file, 60, EndOfChain);  // no mini allocation table
    Put32(file, 68, difatSectors ? difatStart : EndOfChain);
    Put32(file, 72, static_cast<std::uint32_t>(difatSectors));
    for (std::size_t i = 0; i < HeaderDifatEntries; ++i)
        Put32(file, 76 + 4 * i, i < fatSectors ? fatStart + static_cast<std::uint32_t>(i) : FreeSector);

    file.append(stream);
    file.append(streamSectors * SectorSize - stream.size(), '\0');

    std::string directory = DirectoryEntry("Root Entry", 5, 1, EndOfChain, 0)
        + DirectoryEntry(streamName, 2, NoStream, 0, static_cast<std::uint32_t>(streamSize))
        + DirectoryEntry("", 0, NoStream, 0, 0) + DirectoryEntry("", 0, NoStream, 0, 0);
    file += directory;

    std::string table(fatSectors * SectorSize, '\0');
    for (std::size_t i = 0; i < fat.size(); ++i)
        Put32(table, 4 * i, fat[i]);
    file += table;

    for (std::size_t d = 0; d < difatSectors; ++d) {
        std::string sector(SectorSize, '\0');
        for (std::size_t i = 0; i < EntriesPerSector - 1; ++i) {
            const std::size_t fatIndex = HeaderDifatEntries + d * (EntriesPerSector - 1) + i;
            Put32(sector, 4 * i, fatIndex < fatSectors ? fatStart + static_cast<std::uint32_t>(fatIndex) : FreeSector);
        }
        Put32(sector, SectorSize - 4,
              d + 1 < difatSectors ? difatStart + static_cast<std::uint32_t>(d + 1) : EndOfChain);
        file += sector;
    }
    return file;
}

} // namespace jet::exporting
