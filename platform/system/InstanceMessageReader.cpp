#include "platform/system/InstanceMessageReader.h"

std::vector<int> TInstanceMessageReader::Feed(QByteArrayView bytes)
{
    std::vector<int> messages;
    for (const char byte : bytes) {
        if (Refusing)
            break;
        if (byte != '\n') {
            if (Line.size() == MaxLine) {
                Refusing = true;
                Line.clear();
                break;
            }
            Line.append(byte);
            continue;
        }
        bool ok = false;
        const int message = Line.trimmed().toInt(&ok);
        // Anything but a number is not from this program: skip it.
        if (ok)
            messages.push_back(message);
        Line.clear();
    }
    return messages;
}
