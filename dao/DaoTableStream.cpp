#include "dao/DaoTableStream.h"

#include <cmath>
#include <cstring>
#include <istream>
#include <ostream>

namespace {

bool IsAscii(const std::string& text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

[[noreturn]] void BadStream()
{
    throw EReadError("Invalid property value");
}

} // namespace

void DoubleToExtended(double value, std::uint8_t bytes[10])
{
    std::memset(bytes, 0, 10);
    std::uint64_t mantissa = 0;
    int exponent = 0;
    bool negative = std::signbit(value);
    if (std::isnan(value)) {
        exponent = 0x7FFF;
        mantissa = 0xC000000000000000ull;
    } else if (std::isinf(value)) {
        exponent = 0x7FFF;
        mantissa = 0x8000000000000000ull;
    } else if (value != 0) {
        int binaryExponent = 0;
        const double fraction = std::frexp(std::fabs(value), &binaryExponent);  // [0.5, 1)
        mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
        exponent = binaryExponent - 1 + 16383;
    }
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<std::uint8_t>(mantissa >> (8 * i));
    const int top = exponent | (negative ? 0x8000 : 0);
    bytes[8] = static_cast<std::uint8_t>(top & 0xFF);
    bytes[9] = static_cast<std::uint8_t>(top >> 8);
}

double ExtendedToDouble(const std::uint8_t bytes[10])
{
    std::uint64_t mantissa = 0;
    for (int i = 7; i >= 0; --i)
        mantissa = (mantissa << 8) | bytes[i];
    const int top = bytes[8] | (bytes[9] << 8);
    const bool negative = (top & 0x8000) != 0;
    const int exponent = top & 0x7FFF;
    double value = 0;
    if (exponent == 0x7FFF)
        value = (mantissa << 1) == 0 ? HUGE_VAL : std::nan("");
    else if (mantissa != 0)
        value = std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63);
    return negative ? -value : value;
}

// --- TStreamWriter ---

TStreamWriter::TStreamWriter(std::ostream& stream, std::size_t bufferSize)
    : Stream(stream)
    , BufferSize(bufferSize)
{
    Buffer.reserve(bufferSize);
}

TStreamWriter::~TStreamWriter()
{
    try {
        FlushBuffer();
    } catch (...) {
        // A caller that wants to know flushes itself.
    }
}

void TStreamWriter::Put(const void* bytes, std::size_t count)
{
    Buffer.append(static_cast<const char*>(bytes), count);
    if (Buffer.size() >= BufferSize)
        FlushBuffer();
}

void TStreamWriter::FlushBuffer()
{
    if (Buffer.empty())
        return;
    Stream.write(Buffer.data(), static_cast<std::streamsize>(Buffer.size()));
    Buffer.clear();
    if (!Stream)
        throw EWriteError("Stream write error");
}

void TStreamWriter::WriteSignature()
{
    Put("TPF0", 4);
}

void TStreamWriter::WriteListBegin()
{
    const std::uint8_t type = vaList;
    Put(&type, 1);
}

void TStreamWriter::WriteListEnd()
{
    const std::uint8_t type = vaNull;
    Put(&type, 1);
}

void TStreamWriter::WriteInteger(std::int32_t value)
{
    std::uint8_t bytes[5];
    std::size_t size = 0;
    if (value >= -128 && value <= 127)
        size = 1, bytes[0] = vaInt8;
    else if (value >= -32768 && value <= 32767)
        size = 2, bytes[0] = vaInt16;
    else
        size = 4, bytes[0] = vaInt32;
    const auto raw = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < size; ++i)
        bytes[1 + i] = static_cast<std::uint8_t>(raw >> (8 * i));
    Put(bytes, 1 + size);
}

void TStreamWriter::WriteFloat(double value)
{
    std::uint8_t bytes[11];
    bytes[0] = vaExtended;
    DoubleToExtended(value, bytes + 1);
    Put(bytes, sizeof bytes);
}

void TStreamWriter::WriteBoolean(bool value)
{
    const std::uint8_t type = value ? vaTrue : vaFalse;
    Put(&type, 1);
}

void TStreamWriter::WriteString(const std::string& value)
{
    const bool ascii = IsAscii(value);
    if (ascii && value.size() <= 255) {
        const std::uint8_t head[2] = {vaString, static_cast<std::uint8_t>(value.size())};
        Put(head, 2);
    } else {
        const auto size = static_cast<std::uint32_t>(value.size());
        const std::uint8_t head[5] = {static_cast<std::uint8_t>(ascii ? vaLString : vaUTF8String),
                                      static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
                                      static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 24)};
        Put(head, 5);
    }
    Put(value.data(), value.size());
}

// --- TStreamReader ---

TStreamReader::TStreamReader(std::istream& stream, std::size_t bufferSize)
    : Stream(stream)
    , BufferSize(bufferSize)
{
}

void TStreamReader::Refill()
{
    Buffer.erase(0, At);
    At = 0;
    const std::size_t had = Buffer.size();
    Buffer.resize(had + BufferSize);
    Stream.read(Buffer.data() + had, static_cast<std::streamsize>(BufferSize));
    Buffer.resize(had + static_cast<std::size_t>(Stream.gcount()));
}

void TStreamReader::Read(void* bytes, std::size_t count)
{
    auto* out = static_cast<char*>(bytes);
    while (count > 0) {
        if (At == Buffer.size()) {
            Refill();
            if (At == Buffer.size())
                throw EReadError("Stream read error");
        }
        const std::size_t take = std::min(count, Buffer.size() - At);
        std::memcpy(out, Buffer.data() + At, take);
        At += take;
        out += take;
        count -= take;
    }
}

std::uint8_t TStreamReader::ReadByte()
{
    std::uint8_t byte = 0;
    Read(&byte, 1);
    return byte;
}

void TStreamReader::ReadSignature()
{
    char signature[4];
    try {
        Read(signature, 4);
    } catch (const EReadError&) {
        throw EReadError("Invalid stream format");
    }
    if (std::memcmp(signature, "TPF0", 4) != 0)
        throw EReadError("Invalid stream format");
}

TValueType TStreamReader::NextValue()
{
    if (At == Buffer.size()) {
        Refill();
        if (At == Buffer.size())
            throw EReadError("Stream read error");
    }
    return static_cast<TValueType>(static_cast<std::uint8_t>(Buffer[At]));
}

bool TStreamReader::EndOfList()
{
    return NextValue() == vaNull;
}

void TStreamReader::Expect(TValueType type)
{
    if (ReadByte() != type)
        BadStream();
}

void TStreamReader::ReadListBegin()
{
    Expect(vaList);
}

void TStreamReader::ReadListEnd()
{
    Expect(vaNull);
}

std::int32_t TStreamReader::ReadInteger()
{
    std::size_t size = 0;
    switch (ReadByte()) {
    case vaInt8:
        size = 1;
        break;
    case vaInt16:
        size = 2;
        break;
    case vaInt32:
        size = 4;
        break;
    default:
        BadStream();
    }
    std::uint8_t bytes[4] = {};
    Read(bytes, size);
    std::uint32_t raw = 0;
    for (std::size_t i = 0; i < size; ++i)
        raw |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    // Sign-extend from the stored width.
    const unsigned shift = static_cast<unsigned>(32 - 8 * size);
    return static_cast<std::int32_t>(raw << shift) >> shift;
}

double TStreamReader::ReadFloat()
{
    if (NextValue() != vaExtended)
        return ReadInteger();
    ReadByte();
    std::uint8_t bytes[10];
    Read(bytes, 10);
    return ExtendedToDouble(bytes);
}

bool TStreamReader::ReadBoolean()
{
    switch (ReadByte()) {
    case vaTrue:
        return true;
    case vaFalse:
        return false;
    default:
        BadStream();
    }
}

std::string TStreamReader::ReadString()
{
    std::uint32_t size = 0;
    switch (ReadByte()) {
    case vaString:
        size = ReadByte();
        break;
    case vaLString:
    case vaUTF8String: {
        std::uint8_t bytes[4];
        Read(bytes, 4);
        size = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
        break;
    }
    default:
        BadStream();
    }
    // Grow with what actually arrives, so that a hostile length allocates
    // no more than the stream holds.
    std::string text;
    char chunk[4096];
    while (size > 0) {
        const std::size_t take = std::min<std::size_t>(size, sizeof chunk);
        Read(chunk, take);
        text.append(chunk, take);
        size -= static_cast<std::uint32_t>(take);
    }
    return text;
}
