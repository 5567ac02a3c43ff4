#include "engine/MsgIndex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tarvix;

TEST(MsgIndex, EveryTextAMessageBeginsWithIsACandidate)
{
    // Texts that share their first bytes, short and empty texts, and messages
    // shorter than some texts: Candidates must never leave out a text the message
    // begins with, and Begins must say exactly that.
    const std::vector<std::string> texts = {
        "Sending", "Sent", "Sending file", "Se", "", "Connect", "Connection lost", "CONNECT", "x", "Out-", "12345678",
        "1234567890"};
    TMsgIndex index;
    index.Clear();
    for (std::size_t i = 0; i < texts.size(); ++i)
        index.Add(i, texts[i]);
    const std::vector<std::string> messages = {
        "Sending file FOO.ZIP", "Sent FOO", "Sen", "S", "", "Connection lost at 12:00", "Connect 33600", "CONNECT",
        "x", "xyz", "Out-bound", "Out", "1234567890 more", "12345678", "1234567", "nothing at all"};
    for (const std::string& msg : messages) {
        const std::uint32_t candidates = index.Candidates(msg);
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const bool begins = !texts[i].empty() && msg.starts_with(texts[i]);
            EXPECT_EQ(index.Begins(msg, i), begins) << msg << " / " << texts[i];
            if (begins)
                EXPECT_NE(candidates & (std::uint32_t{1} << i), 0u) << msg << " / " << texts[i];
        }
    }
}

TEST(MsgIndex, ClearForgetsTheTexts)
{
    TMsgIndex index;
    index.Add(0, "Carrier lost");
    EXPECT_TRUE(index.Begins("Carrier lost here", 0));
    index.Clear();
    EXPECT_FALSE(index.Begins("Carrier lost here", 0));
    EXPECT_EQ(index.Candidates("Carrier lost here"), 0u);
}
