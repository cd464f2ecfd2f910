// The reading side of the messages that a later start of the program hands
// to the running copy over the single-instance socket (see SingleInstance.h).
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

// The messages of one later start as they arrive on the socket: decimal
// numbers, one a line. A line that is no number is not from this program and
// is skipped; a line longer than MaxLine ends the reading for good (Refused),
// so that a sender without newlines cannot make the running copy buffer
// without end.
class TInstanceMessageReader {
public:
    static constexpr qsizetype MaxLine = 16;

    // The messages completed by `bytes`.
    std::vector<int> Feed(QByteArrayView bytes);
    bool Refused() const { return Refusing; }
    // Bytes of an unfinished line, never more than MaxLine.
    qsizetype Pending() const { return Line.size(); }

private:
    QByteArray Line;
    bool Refusing = false;
};
