// The binary value stream the table component saves its records in
// (TDaoTable::SaveToStream) and loads them from: the class library's
// component-stream encoding. It begins with the four bytes "TPF0"; then
// values follow, each led by one type byte:
//   0 list end, 1 list start,
//   2 / 3 / 4 a signed little-endian integer of 1, 2 or 4 bytes (the writer
//     takes the smallest that holds the value),
//   5 a floating-point number as an 80-bit extended value,
//   6 a text of up to 255 bytes with a 1-byte length, 12 a text with a
//     4-byte length, 20 a UTF-8 text with a 4-byte length (the writer uses it
//     for texts that are not plain ASCII),
//   8 False, 9 True.
// The reader takes untrusted bytes: every length is checked against what is
// left of the stream, and anything malformed raises EReadError.
#pragma once

#include "platform/db/TComponent.h"

#include <cstdint>
#include <iosfwd>
#include <string>

enum TValueType : std::uint8_t {
    vaNull = 0,
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaFalse = 8,
    vaTrue = 9,
    vaLString = 12,
    vaUTF8String = 20,
};

// 80-bit extended floating-point bytes (little-endian) of a double, and back.
void DoubleToExtended(double value, std::uint8_t bytes[10]);
double ExtendedToDouble(const std::uint8_t bytes[10]);

class TStreamWriter {
public:
    // Writes through a buffer of `bufferSize` bytes.
    explicit TStreamWriter(std::ostream& stream, std::size_t bufferSize = 16384);
    ~TStreamWriter();
    TStreamWriter(const TStreamWriter&) = delete;
    TStreamWriter& operator=(const TStreamWriter&) = delete;

    void WriteSignature();
    void WriteListBegin();
    void WriteListEnd();
    void WriteInteger(std::int32_t value);
    void WriteFloat(double value);
    void WriteBoolean(bool value);
    void WriteString(const std::string& value);
    // Hands the buffered bytes to the stream; raises EWriteError when the
    // stream fails.
    void FlushBuffer();

private:
    void Put(const void* bytes, std::size_t count);

    std::ostream& Stream;
    std::size_t BufferSize;
    std::string Buffer;
};

class EWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TStreamReader {
public:
    explicit TStreamReader(std::istream& stream, std::size_t bufferSize = 16384);
    TStreamReader(const TStreamReader&) = delete;
    TStreamReader& operator=(const TStreamReader&) = delete;

    // EReadError "Invalid stream format" unless the next four bytes are "TPF0".
    void ReadSignature();
    // The type of the next value, not consumed.
    TValueType NextValue();
    bool EndOfList();
    void ReadListBegin();
    void ReadListEnd();
    std::int32_t ReadInteger();
    // An extended value, or an integer.
    double ReadFloat();
    bool ReadBoolean();
    std::string ReadString();

private:
    std::uint8_t ReadByte();
    void Read(void* bytes, std::size_t count);
    void Refill();
    void Expect(TValueType type);

    std::istream& Stream;
    std::size_t BufferSize;
    std::string Buffer;
    std::size_t At = 0;
};
