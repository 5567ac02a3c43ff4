#include "fido/AddrList.h"
#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tarvix;

namespace {

class AddrListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearMainAddr();
        ClearAliases();
        SetDefaultAddrFlags(0);
        SetMainAddr(TFidoAddr::CreateStr("2:5030/999.999@fidonet"));
    }
    void TearDown() override
    {
        ClearMainAddr();
        ClearAliases();
        SetDefaultAddrFlags(0);
    }
};

TFidoAddr A(const char* text) { return TFidoAddr::CreateStr(text); }

std::vector<std::string> Lines(const TAddrList& list)
{
    std::vector<std::string> lines;
    list.ToStrings(lines);
    return lines;
}

std::string ErrorKey(TAddrList& list, const std::vector<std::string>& lines)
{
    try {
        list.AddStrings(lines);
    } catch (const EAddrError& e) {
        return e.Key();
    }
    return "";
}

}  // namespace

TEST_F(AddrListTest, FlagsFollowMasksAndAliases)
{
    TAddrList plain(false, false), masks(true, false), aliases(false, true), both(true, true);
    EXPECT_EQ(plain.ParseFlags, 0);
    EXPECT_EQ(plain.PrintFlags, pfDomain | pfShort);
    EXPECT_EQ(masks.ParseFlags, afMask);
    EXPECT_EQ(masks.PrintFlags, pfDomain | pfShort);
    EXPECT_EQ(aliases.ParseFlags, afAlias);
    EXPECT_EQ(aliases.PrintFlags, pfDomain | pfShort | pfAlias);
    EXPECT_EQ(both.ParseFlags, afMask | afAlias);
    EXPECT_EQ(both.PrintFlags, pfDomain | pfShort | pfAlias);
    EXPECT_EQ(both.Count(), 0);
}

TEST_F(AddrListTest, LastMatchingEntryDecides)
{
    TAddrList list(true, false);
    list.AddStrings({"2:5030/*", "!2:5030/15"});
    EXPECT_TRUE(list.Selects(A("2:5030/14")));
    EXPECT_FALSE(list.Selects(A("2:5030/15")));
    EXPECT_FALSE(list.Selects(A("2:5030/14.1")));  // the mask's point is 0
    EXPECT_FALSE(list.Selects(A("2:463/14")));

    TAddrList reversed(true, false);
    reversed.AddStrings({"!2:5030/15", "2:5030/*"});
    EXPECT_TRUE(reversed.Selects(A("2:5030/14")));
    EXPECT_TRUE(reversed.Selects(A("2:5030/15")));

    TAddrList empty(true, false);
    EXPECT_FALSE(empty.Selects(A("2:5030/14")));

    TAddrList onlyExcluded(true, false);
    onlyExcluded.AddStrings({"!all"});
    EXPECT_FALSE(onlyExcluded.Selects(A("2:5030/14")));
    onlyExcluded.AddStrings({"2:5030/14", "!2:*/*.*"});
    EXPECT_FALSE(onlyExcluded.Selects(A("2:5030/14")));
    EXPECT_FALSE(onlyExcluded.Selects(A("1:1/1")));
}

TEST_F(AddrListTest, IndexOfFindsTheFirstMatchingMask)
{
    TAddrList list(true, false);
    list.AddStrings({"2:*/*.*", "2:5030/1"});
    EXPECT_EQ(list.IndexOf(A("2:5030/1")), 0);
    EXPECT_EQ(list.IndexOf(A("1:5030/1")), -1);

    TAddrList history(true, false);
    history.AddStrings({"!1:2/3", "2:5030/1", "2:5030/*"});
    EXPECT_EQ(history.IndexOf(A("1:2/3")), 0);  // the exclusion mark plays no part
    EXPECT_EQ(history.IndexOf(A("2:5030/1")), 1);
    EXPECT_EQ(history.IndexOf(A("2:5030/7")), 2);
    EXPECT_EQ(history.IndexOf(A("2:5030/7.1")), -1);
}

TEST_F(AddrListTest, AddStringsTrimsSkipsBlanksAndReadsExclusions)
{
    TAddrList list(true, false);
    list.AddStrings({"  2:5030/1\t", "", "   ", "!1:2/3"});
    ASSERT_EQ(list.Count(), 2);
    EXPECT_TRUE(EqualAddr(list.GetAddr(0), A("2:5030/1")));
    EXPECT_FALSE(list.GetAddr(0).Exclude);
    EXPECT_TRUE(EqualAddr(list.GetAddr(1), A("1:2/3")));
    EXPECT_TRUE(list.GetAddr(1).Exclude);

    // ToStrings appends, with the list's print flags (domain, short form).
    std::vector<std::string> lines{"kept"};
    list.ToStrings(lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"kept", "/1@fidonet", "!1:2/3"}));
    list.PrintFlags = pfPoint;
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"2:5030/1.0", "!1:2/3.0"}));
}

TEST_F(AddrListTest, BadEntriesStopAtTheirLine)
{
    TAddrList noMasks(false, false);
    EXPECT_EQ(ErrorKey(noMasks, {"2:5030/1", "2:5030/*", "2:5030/3"}), "FidoAddr.NoMask");
    ASSERT_EQ(noMasks.Count(), 1);  // the entries before the bad line stay
    EXPECT_EQ(ErrorKey(noMasks, {"ALL"}), "FidoAddr.InvAddr");

    TAddrList list(true, true);
    for (const char* bad : {"!", " ! ", "!!2:5030/1", "! 2:5030/1", "2:5030", "2:5030/1 !", "@fidonet", "2:5030/99999"})
        EXPECT_EQ(ErrorKey(list, {bad}), "FidoAddr.InvAddr") << bad;
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(ErrorKey(list, {std::string(100000, '7')}), "FidoAddr.InvAddr");
    EXPECT_THROW(TListFidoAddr::CreateEntry("", 0), EAddrError);
}

TEST_F(AddrListTest, AliasListsParseAndPrintNames)
{
    AddAlias(A("2:5030/1"), "Uplink");
    TAddrList list(true, true);
    list.AddStrings({"uplink", "!ALL"});
    ASSERT_EQ(list.Count(), 2);
    EXPECT_TRUE(EqualAddr(list.GetAddr(0), A("2:5030/1")));
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"Uplink", "!*:*/*.*"}));
    EXPECT_FALSE(list.Selects(A("2:5030/1")));
}

TEST_F(AddrListTest, AddInsertMoveClear)
{
    TAddrList list(true, false);
    TListFidoAddr excluded(A("1:1/1"), true);
    list.Add(excluded);  // a copy, not excluded
    EXPECT_FALSE(list.GetAddr(0).Exclude);
    list.Add(A("1:1/2"));
    list.Insert(0, A("1:1/0"));
    list.Insert(3, A("1:1/3"));  // at the end
    list.PrintFlags = 0;
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"1:1/0", "1:1/1", "1:1/2", "1:1/3"}));

    list.Move(3, 0);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"1:1/3", "1:1/0", "1:1/1", "1:1/2"}));
    list.Move(0, 3);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"1:1/0", "1:1/1", "1:1/2", "1:1/3"}));
    list.Move(1, 2);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"1:1/0", "1:1/2", "1:1/1", "1:1/3"}));
    list.Move(2, 2);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"1:1/0", "1:1/2", "1:1/1", "1:1/3"}));

    // The search history: a found entry moves to the front.
    int i = list.IndexOf(A("1:1/1"));
    list.Move(i, 0);
    EXPECT_EQ(Lines(list).front(), "1:1/1");

    // Entries are the list's own: changing one through GetAddr stays in the list.
    list.GetAddr(1).Exclude = true;
    EXPECT_EQ(Lines(list)[1], "!1:1/0");

    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(Lines(list).empty());
}

TEST_F(AddrListTest, IndexesOutsideTheListRaise)
{
    TAddrList list(false, false);
    EXPECT_THROW(list.GetAddr(0), EAddrListError);
    list.Add(A("1:1/1"));
    const TAddrList& c = list;
    for (int bad : {-1, 1, 1000, -2147483647 - 1}) {
        try {
            c.GetAddr(bad);
            FAIL() << bad;
        } catch (const EAddrListError& e) {
            EXPECT_STREQ(e.what(), "TAddrList.GetAddr: index out of bounds");
        }
        EXPECT_THROW(list.GetAddr(bad), EAddrListError);
    }
    EXPECT_THROW(list.Insert(2, A("1:1/2")), EAddrListError);
    EXPECT_THROW(list.Insert(-1, A("1:1/2")), EAddrListError);
    EXPECT_THROW(list.Move(0, 1), EAddrListError);
    EXPECT_THROW(list.Move(-1, 0), EAddrListError);
    EXPECT_EQ(list.Count(), 1);
}

TEST_F(AddrListTest, SaveOverALongerListLeavesTheRestUnread)
{
    TIniFile ini;
    TAddrList five(true, false);
    five.AddStrings({"1:1/0", "1:1/1", "1:1/2", "1:1/3", "1:1/4"});
    five.SaveIni(ini, "TFrameForm", "Highlight");
    EXPECT_EQ(ini.ReadInteger("TFrameForm", "HighlightCnt", -1), 5);

    TAddrList two(true, false);
    two.AddStrings({"2:5030/*", "!2:5030/15"});
    two.SaveIni(ini, "TFrameForm", "Highlight");
    EXPECT_EQ(ini.ReadInteger("TFrameForm", "HighlightCnt", -1), 2);
    EXPECT_EQ(ini.ReadString("TFrameForm", "Highlight0", ""), "2:5030/*");
    EXPECT_EQ(ini.ReadString("TFrameForm", "Highlight1", ""), "!2:5030/15");
    EXPECT_EQ(ini.ReadString("TFrameForm", "Highlight2", ""), "1:1/2");
    EXPECT_EQ(ini.ReadString("TFrameForm", "Highlight3", ""), "1:1/3");
    EXPECT_EQ(ini.ReadString("TFrameForm", "Highlight4", ""), "1:1/4");

    TAddrList loaded(true, false);
    loaded.LoadIni(ini, "TFrameForm", "Highlight");
    ASSERT_EQ(loaded.Count(), 2);
    EXPECT_TRUE(loaded.Selects(A("2:5030/14")));
    EXPECT_FALSE(loaded.Selects(A("2:5030/15")));
    EXPECT_TRUE(loaded.GetAddr(1).Exclude);

    // Loading appends to what the list holds.
    loaded.LoadIni(ini, "TFrameForm", "Highlight");
    EXPECT_EQ(loaded.Count(), 4);
}

TEST_F(AddrListTest, SaveUsesTheDefaultPrintFlags)
{
    AddAlias(A("2:5030/1"), "Uplink");
    TAddrList list(true, true);
    list.AddStrings({"uplink", "1:2/3@othernet"});
    TIniFile ini;
    list.SaveIni(ini, "S", "H");
    EXPECT_EQ(ini.ReadString("S", "H0", ""), "2:5030/1");  // the address, not the alias
    EXPECT_EQ(ini.ReadString("S", "H1", ""), "1:2/3");
    SetDefaultAddrFlags(pfDomain);
    list.SaveIni(ini, "S", "H");
    EXPECT_EQ(ini.ReadString("S", "H1", ""), "1:2/3@othernet");

    // What was saved loads back to the same entries, even after the alias is gone.
    ClearAliases();
    TAddrList back(true, true);
    back.LoadIni(ini, "S", "H");
    ASSERT_EQ(back.Count(), 2);
    EXPECT_TRUE(EqualAddr(back.GetAddr(0), A("2:5030/1")));
    EXPECT_EQ(back.GetAddr(1).Domain, "othernet");
}

TEST_F(AddrListTest, LoadIniSurvivesDamagedValues)
{
    TIniFile ini;
    auto load = [&ini](const std::string& text) {
        ini.FromText(text);
        TAddrList list(true, false);
        list.LoadIni(ini, "W", "Highlight");
        return list;
    };
    EXPECT_EQ(load("").Count(), 0);
    EXPECT_EQ(load("[W]\nHighlight0=1:1/1\n").Count(), 0);  // no count, no entries
    EXPECT_EQ(load("[W]\nHighlightCnt=-5\nHighlight0=1:1/1\n").Count(), 0);
    EXPECT_EQ(load("[W]\nHighlightCnt=abc\nHighlight0=1:1/1\n").Count(), 0);

    // A huge count reads the values that exist, in order; gaps and empty values are
    // skipped; identifiers that only look like numbered values are not read.
    TAddrList list = load("[W]\nHighlightCnt=9223372036854775807\nHighlight7=1:1/7\nHighlight01=1:1/91\n"
                          "Highlight-1=1:1/92\nHighlightx=1:1/93\nhighlight1=1:1/1\nHighlight2=\n"
                          "Highlight0=1:1/0\nHighlight+3=1:1/94\nHighlight99999999999999999999=1:1/95\n");
    list.PrintFlags = 0;
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"1:1/0", "1:1/1", "1:1/7"}));

    // A count below the stored values limits what is read.
    list = load("[W]\nHighlightCnt=2\nHighlight0=1:1/0\nHighlight1=1:1/1\nHighlight2=1:1/2\n");
    EXPECT_EQ(list.Count(), 2);

    // A bad value stops loading there.
    TAddrList stopped(false, false);
    ini.FromText("[W]\nHighlightCnt=3\nHighlight0=1:1/0\nHighlight1=2:5030/*\nHighlight2=1:1/2\n");
    EXPECT_THROW(stopped.LoadIni(ini, "W", "Highlight"), EAddrError);
    EXPECT_EQ(stopped.Count(), 1);
    ini.FromText("[W]\nHighlightCnt=1\nHighlight0=" + std::string(200000, '\x01') + "\n");
    EXPECT_THROW(stopped.LoadIni(ini, "W", "Highlight"), EAddrError);
}
