// A picture for the benchmarks, written as a 24-bit bitmap file row by row,
// so that making it costs the program no picture in memory: every pixel
// differs from its neighbours, as on a camera frame.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

inline void PutLittleEndian(std::vector<char>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(char((value >> (8 * i)) & 0xFF));
}

inline void WriteCameraFrame(const std::string& path, int width, int height)
{
    const std::uint32_t rowBytes = (std::uint32_t(width) * 3 + 3) & ~3u;
    const std::uint32_t pixelBytes = rowBytes * std::uint32_t(height);
    std::vector<char> header;
    header.push_back('B');
    header.push_back('M');
    PutLittleEndian(header, 54 + pixelBytes, 4);
    PutLittleEndian(header, 0, 4);
    PutLittleEndian(header, 54, 4);
    PutLittleEndian(header, 40, 4);
    PutLittleEndian(header, std::uint32_t(width), 4);
    PutLittleEndian(header, std::uint32_t(height), 4);
    PutLittleEndian(header, 1, 2);
    PutLittleEndian(header, 24, 2);
    for (int i = 0; i < 6; ++i)
        PutLittleEndian(header, 0, 4);
    std::ofstream file(path, std::ios::binary);
    file.write(header.data(), std::streamsize(header.size()));
    std::vector<char> row(rowBytes, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            row[std::size_t(x) * 3] = char((x * 7) & 0xFF);
            row[std::size_t(x) * 3 + 1] = char((y * 3) & 0xFF);
            row[std::size_t(x) * 3 + 2] = char(((x + y) * 5) & 0xFF);
        }
        file.write(row.data(), std::streamsize(row.size()));
    }
}
