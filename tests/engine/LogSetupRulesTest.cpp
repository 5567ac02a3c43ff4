// The rules of the logs setup: the style list, names of new logs, paths typed or
// picked, the size limit and the T-Mail options as the dialogs take them.
#include "engine/LogSetupRules.h"

#include "engine/Log.h"

#include <gtest/gtest.h>

#include <utility>
#include <string>
#include <vector>

namespace tarvix {
namespace {

TEST(LogSetupRules, NewLogNamesCountOnFromTheFirstFreeNumber)
{
    LogList().clear();
    EXPECT_EQ(FreeLogName("New log"), "New log");
    auto add = [](const std::string& name) {
        auto log = std::make_unique<TLog>();
        log->Name = name;
        LogList().push_back(std::move(log));
    };
    add("New log");
    EXPECT_EQ(FreeLogName("New log"), "New log 1");
    add("New log 1");
    add("New log 3");
    EXPECT_EQ(FreeLogName("New log"), "New log 2");
    // Names compare exactly.
    EXPECT_EQ(FreeLogName("new log"), "new log");
    EXPECT_EQ(FreeLogName(""), "");
    add("");
    EXPECT_EQ(FreeLogName(""), " 1");
    LogList().clear();
}

TEST(LogSetupRules, PathsTypedOrPicked)
{
    EXPECT_TRUE(IsBlankText(" \t \t"));
    EXPECT_FALSE(IsBlankText("\n"));

    EXPECT_EQ(WithoutQuotes("\"C:\\TM\\T-MAIL.LOG\""), "C:\\TM\\T-MAIL.LOG");
    EXPECT_EQ(WithoutQuotes("\"/a b/x.log\""), "/a b/x.log");
    EXPECT_EQ(WithoutQuotes("\"\""), "");
    // Only a pair that encloses the whole text.
    for (const char* kept : {"\"", "\"x", "x\"", "a\"b\"", "plain", ""})
        EXPECT_EQ(WithoutQuotes(kept), kept) << kept;

    for (const auto& [path, directory] : std::vector<std::pair<const char*, const char*>>{
             {"/home/fido/tm/t-mail.log", "/home/fido/tm"}, {"C:\\TM\\T-MAIL.LOG", "C:\\TM"}, {"/x.log", "/"},
             {"C:\\X.LOG", "C:\\"}, {"C:X.LOG", "C:"}, {"t-mail.log", ""}, {"", ""}, {"/home/fido/tm/", "/home/fido/tm"},
             {"a/b\\c.log", "a/b"}})
        EXPECT_EQ(DirectoryOfPath(path), directory) << path;

    EXPECT_EQ(WithoutClosingSeparator("/home/fido/tm/"), "/home/fido/tm");
    EXPECT_EQ(WithoutClosingSeparator("C:\\TM\\"), "C:\\TM");
    EXPECT_EQ(WithoutClosingSeparator("C:\\TM"), "C:\\TM");
    // One separator only, and roots stay roots.
    EXPECT_EQ(WithoutClosingSeparator("/a//"), "/a/");
    for (const char* root : {"/", "\\", "C:\\", ""})
        EXPECT_EQ(WithoutClosingSeparator(root), root) << root;
}

TEST(LogSetupRules, CutSizeTakesDigitsOnly)
{
    EXPECT_EQ(ParseCutSize(""), 0);
    EXPECT_EQ(ParseCutSize("0"), 0);
    EXPECT_EQ(ParseCutSize("512"), 512);
    EXPECT_EQ(ParseCutSize("000512"), 512);
    EXPECT_EQ(ParseCutSize("2147483647"), 2147483647LL);
    for (const char* bad : {"2147483648", "99999999999999999999999999", "-1", "+1", "1 ", " 1", "1k", "x"})
        EXPECT_EQ(ParseCutSize(bad), std::nullopt) << bad;
}

TEST(LogSetupRules, TMailOptions)
{
    for (int item = 0; item < 5; ++item)
        EXPECT_EQ(TMailVersionItem(TMailVersionOfItem(item)), item);
    // Versions that the items stand for but do not name select none.
    for (int other : {2600, 2601, 2606, 0, -1, 99999})
        EXPECT_EQ(TMailVersionItem(other), -1) << other;
    EXPECT_EQ(TMailVersionOfItem(-1), 2599);
    EXPECT_EQ(TMailVersionOfItem(5), 2599);
    EXPECT_EQ(ParseTaskNo("0"), 0);
    EXPECT_EQ(ParseTaskNo("1"), 1);
    EXPECT_EQ(ParseTaskNo("255"), 255);
    EXPECT_EQ(ParseTaskNo(" 17\t"), 17);
    EXPECT_EQ(ParseTaskNo("0007"), 7);
    for (const char* bad : {"", "  ", "256", "-1", "+1", "1x", "x", "1 2", "$FF", "99999999999999999999999"})
        EXPECT_EQ(ParseTaskNo(bad), std::nullopt) << bad;
}

}  // namespace
}  // namespace tarvix
