// The running copy's reading of the messages a later start hands over.
#include "platform/system/InstanceMessageReader.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(InstanceMessageReaderTest, MessagesAreReadUpToASmallLimit)
{
    struct Case {
        const char* Why;
        std::vector<QByteArray> Chunks;
        std::vector<int> Messages;
        bool Refused;
    };
    const Case cases[] = {
        {"one message", {"33200\n"}, {33200}, false},
        {"split across reads", {"332", "00", "\n"}, {33200}, false},
        {"several in one read", {"1\n2\r\n 3 \n"}, {1, 2, 3}, false},
        {"a line that is no number", {"hello\n33200\n"}, {33200}, false},
        {"an unfinished line", {"33200"}, {}, false},
        {"a line at the limit", {QByteArray(15, ' ') + "7\n"}, {7}, false},
        {"a line without end", {"1\n", QByteArray(100000, '9')}, {1}, true},
        {"nothing after a refusal", {QByteArray(17, 'x'), "\n5\n"}, {}, true},
    };
    for (const Case& c : cases) {
        TInstanceMessageReader reader;
        std::vector<int> messages;
        for (const QByteArray& chunk : c.Chunks) {
            for (const int message : reader.Feed(chunk))
                messages.push_back(message);
            EXPECT_LE(reader.Pending(), TInstanceMessageReader::MaxLine) << c.Why;
        }
        EXPECT_EQ(messages, c.Messages) << c.Why;
        EXPECT_EQ(reader.Refused(), c.Refused) << c.Why;
    }
}

} // namespace
