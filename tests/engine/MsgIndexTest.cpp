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

TEST(MsgWords, BeginsAsTheBytesSayForTextsOfEveryLength)
{
    // Texts of 0 to 24 bytes (one word, two words, longer), messages that hold the
    // text, differ from it in one byte at every place, or are the text cut short
    // (compared at their full Need() bytes, the rest of the message past the text).
    for (std::size_t n = 0; n <= 24; ++n) {
        std::string text(n, 'a');
        for (std::size_t k = 0; k < n; ++k)
            text[k] = static_cast<char>('a' + k % 26);
        TMsgWords words;
        words.Set(text);
        ASSERT_GE(words.Need(), n);
        const std::string tailBytes(32, '#');
        const std::string same = text + tailBytes;
        EXPECT_EQ(words.Begins(same.data(), text), n > 0) << n;
        for (std::size_t at = 0; at < n; ++at) {
            std::string other = same;
            other[at] = '\xee';
            EXPECT_FALSE(words.Begins(other.data(), text)) << n << " " << at;
        }
        if (n > 0) {
            const std::string shorter = text.substr(0, n - 1) + tailBytes;
            EXPECT_FALSE(words.Begins(shorter.data(), text)) << n;
        }
    }
}
