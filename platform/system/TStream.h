// The class library's stream base: bytes read and written at a position that
// Seek moves. A concrete stream overrides Read, Write and Seek; Position and
// Size are worked out through Seek, as the class library did, so a stream
// that does not clamp its position reports whatever position was asked for.
#pragma once

#include <string>

// Origins of Seek.
enum TSeekOrigin : unsigned short { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

class TStream {
public:
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;
    virtual ~TStream() = default;

    // Copies up to `count` bytes from the position into `buffer` and moves
    // past them; the number copied.
    virtual int Read(void* buffer, int count) = 0;
    // Takes `count` bytes at the position and moves past them; the number taken.
    virtual int Write(const void* buffer, int count) = 0;
    // Moves the position by `offset` from the origin; the new position.
    virtual int Seek(int offset, unsigned short origin) = 0;
    // Streams whose size follows their content ignore it.
    virtual void SetSize(int /*newSize*/) {}

    int Position() { return Seek(0, soFromCurrent); }
    void SetPosition(int position) { Seek(position, soFromBeginning); }
    int Size()
    {
        const int position = Seek(0, soFromCurrent);
        const int size = Seek(0, soFromEnd);
        Seek(position, soFromBeginning);
        return size;
    }

    // Every byte from the position to the end.
    std::string ReadRest()
    {
        std::string bytes;
        char block[65536];
        for (int count; (count = Read(block, static_cast<int>(sizeof block))) > 0;)
            bytes.append(block, static_cast<std::size_t>(count));
        return bytes;
    }
};
