// Fidonet addresses: reading, masks, order, the domains kept once, and address lists.

#include "fido/AddrDomain.h"
#include "fido/AddrList.h"
#include "fido/FidoAddr.h"
#include "fido/Lng.h"
#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tarvix;

namespace {

void ResetAddrState()
{
    ClearMainAddr();
    ClearAliases();
    SetDefaultAddrFlags(0);
}

// The key of the EAddrError that parsing raises, or "" when it succeeds.
std::string ErrorKey(std::string_view text, std::uint8_t flags = 0)
{
    try {
        TFidoAddr::CreateParse(text, flags);
    } catch (const EAddrError& e) {
        return e.Key();
    }
    return "";
}

struct Parts {
    int zone, net, node, point;
    std::string domain;
};

void ExpectAddr(const TFidoAddr& a, const Parts& p, const std::string& what)
{
    SCOPED_TRACE(what);
    EXPECT_EQ(a.Zone, p.zone);
    EXPECT_EQ(a.Net, p.net);
    EXPECT_EQ(a.Node, p.node);
    EXPECT_EQ(a.Point, p.point);
    EXPECT_EQ(a.Domain, p.domain);
}

// No main address, no aliases, default print flags 0.
class FidoAddrBare : public ::testing::Test {
protected:
    void SetUp() override { ResetAddrState(); }
    void TearDown() override
    {
        ResetAddrState();
        UnloadLng();
    }
};

// The main address 2:5030/999.999@fidonet.
class FidoAddrTest : public FidoAddrBare {
protected:
    void SetUp() override
    {
        FidoAddrBare::SetUp();
        SetMainAddr(TFidoAddr::CreateStr("2:5030/999.999@fidonet"));
    }
};

}  // namespace

TEST_F(FidoAddrTest, ParseTable)
{
    struct Row {
        const char* text;
        std::uint8_t flags;
        Parts want;
    };
    const Row rows[] = {
        {"2:5030/999.999@fidonet", 0, {2, 5030, 999, 999, "fidonet"}},
        {"2:463/5", 0, {2, 463, 5, 0, "fidonet"}},
        {"1:2/3", 0, {1, 2, 3, 0, ""}},
        {"5030/12", 0, {2, 5030, 12, 0, "fidonet"}},
        {"12", 0, {2, 5030, 12, 0, "fidonet"}},
        {"/77.1", 0, {2, 5030, 77, 1, "fidonet"}},
        {".5", 0, {2, 5030, 999, 5, "fidonet"}},
        {"12.3", 0, {2, 5030, 12, 3, "fidonet"}},
        {"2:463/5@othernet", 0, {2, 463, 5, 0, "othernet"}},
        {"2:5030/1@", 0, {2, 5030, 1, 0, "fidonet"}},
        {"2:5030/1@dom@ain", 0, {2, 5030, 1, 0, "dom@ain"}},
        {"2:5030/*", afMask, {2, 5030, -2, 0, "fidonet"}},
        {"*:*/*.*", afMask, {-2, -2, -2, -2, ""}},
        {"all", afMask, {-2, -2, -2, -2, ""}},
        {"*", afMask, {2, 5030, -2, 0, "fidonet"}},
        {"2:*/1.*", afMask, {2, -2, 1, -2, "fidonet"}},
        {"0002:05030/0.00", 0, {2, 5030, 0, 0, "fidonet"}},
    };
    for (const Row& r : rows)
        ExpectAddr(TFidoAddr::CreateParse(r.text, r.flags), r.want, r.text);
    // CreateStr is the parse without masks and aliases.
    ExpectAddr(TFidoAddr::CreateStr("2:463/5"), {2, 463, 5, 0, "fidonet"}, "CreateStr");
}

TEST_F(FidoAddrTest, MalformedTextsRaiseInvAddr)
{
    const char* bad[] = {
        "2:5030", "2:5030/", "2:5030/1.", "2:5030/1.2x", "2:5030/1 ", " 2:5030/1", "2:5030/1/2", "2:5030/1.2.3",
        "2::5030/1", ":5030/1", "2:/1", "x", "-1", "2:-5/1", "2:5030/+1", "2:5030.1", "1.", "/", ".", "/.1",
        "@fidonet", "@", "2:5030/1\n", "\xff", "２:5030/1", "2:5030/1.@x", "2:5030/1x@y", "2:5030@x", "2:5030/@x",
        "2:5030/1.2.3@x", "2:5030/1 @x",
    };
    for (const char* text : bad)
        EXPECT_EQ(ErrorKey(text, afMask | afAlias), "FidoAddr.InvAddr") << text;
    // Text with an embedded NUL byte.
    EXPECT_EQ(ErrorKey(std::string_view("2:5030/1\0", 9)), "FidoAddr.InvAddr");
    // "ALL" is a word of masks only.
    EXPECT_EQ(ErrorKey("ALL"), "FidoAddr.InvAddr");
    EXPECT_EQ(ErrorKey("ALL", afAlias), "FidoAddr.InvAddr");
    EXPECT_EQ(ErrorKey("ALLx", afMask), "FidoAddr.InvAddr");
    EXPECT_EQ(ErrorKey("*5", afMask), "FidoAddr.InvAddr");
}

TEST_F(FidoAddrTest, MasksMatchOnlyWhatTheyLeaveOpen)
{
    TFidoAddr mask = TFidoAddr::CreateParse("2:5030/*", afMask);
    EXPECT_TRUE(MatchAddr(mask, TFidoAddr::CreateStr("2:5030/1")));
    EXPECT_FALSE(MatchAddr(mask, TFidoAddr::CreateStr("2:5030/1.3")));  // the point is 0, not "any"
    EXPECT_FALSE(MatchAddr(mask, TFidoAddr::CreateStr("2:5031/1")));
    EXPECT_FALSE(MatchAddr(mask, TFidoAddr::CreateStr("1:5030/1")));

    for (const char* all : {"ALL", "all", "All", "aLl"}) {
        TFidoAddr any = TFidoAddr::CreateParse(all, afMask);
        for (const char* text : {"1:1/1", "2:5030/999.999", "0:0/0", "32767:32767/32767.32767"})
            EXPECT_TRUE(MatchAddr(any, TFidoAddr::CreateStr(text))) << all << " " << text;
        EXPECT_TRUE(MatchAddr(any, TFidoAddr::CreateStr("")));
        EXPECT_TRUE(MatchAddr(any, TFidoAddr(-32768, -2, -1, 5)));
    }

    // An exact address matches only itself, whatever the domain.
    TFidoAddr exact = TFidoAddr::CreateStr("2:5030/1@fidonet");
    EXPECT_TRUE(MatchAddr(exact, TFidoAddr::CreateStr("2:5030/1@othernet")));
    EXPECT_FALSE(MatchAddr(exact, TFidoAddr::CreateStr("2:5030/1.1")));
    // A wildcard in the address does not match a number of the mask.
    EXPECT_FALSE(MatchAddr(exact, TFidoAddr::CreateParse("2:5030/*", afMask)));
}

TEST_F(FidoAddrTest, TheSameTextReadAgainFollowsTheMainAddress)
{
    // A text read before gives the same address again, and again takes its domain
    // from the main address in force now, not the one it was first read under.
    ExpectAddr(TFidoAddr::CreateStr("2:5030/1077"), {2, 5030, 1077, 0, "fidonet"}, "first");
    ExpectAddr(TFidoAddr::CreateStr("2:5031/1077"), {2, 5031, 1077, 0, "fidonet"}, "alike at both ends");
    ExpectAddr(TFidoAddr::CreateStr("2:5030/1077"), {2, 5030, 1077, 0, "fidonet"}, "again");
    SetMainAddr(TFidoAddr::CreateStr("2:463/1@othernet"));
    ExpectAddr(TFidoAddr::CreateStr("2:5030/1077"), {2, 5030, 1077, 0, "othernet"}, "new main address");
    ClearMainAddr();
    ExpectAddr(TFidoAddr::CreateStr("2:5030/1077"), {2, 5030, 1077, 0, ""}, "no main address");
    ExpectAddr(TFidoAddr::CreateStr("2:5030/1077@amiganet"), {2, 5030, 1077, 0, "amiganet"}, "own domain");
    // Texts that are not of the usual form still go the general way each time.
    SetMainAddr(TFidoAddr::CreateStr("2:5030/999@fidonet"));
    for (int round = 0; round < 2; ++round) {
        ExpectAddr(TFidoAddr::CreateStr("5020/52"), {2, 5020, 52, 0, "fidonet"}, "net and node");
        EXPECT_EQ(ErrorKey("2:5030/x77"), "FidoAddr.InvAddr");
    }
}

TEST(AddrDomain, EqualTextsShareOneCopyAndAddressesCarryTheirOwnOrTheMainOne)
{
    std::string text = "fidonet";
    TAddrDomain a(text);
    text[0] = 'X';  // the domain keeps a copy, not the caller's bytes
    TAddrDomain c = std::string_view("othernet");
    TAddrDomain d = std::string_view("fidonet");  // back to a text seen before another one
    EXPECT_EQ(a.view(), "fidonet");
    EXPECT_EQ(d.view().data(), a.view().data());
    EXPECT_TRUE(a == d);
    EXPECT_FALSE(a == c);

    SetMainAddr(TFidoAddr::CreateStr("2:5030/999@fidonet"));
    const TFidoAddr own = TFidoAddr::CreateStr("2:5030/1@Othernet");
    EXPECT_EQ(TFidoAddr::CreateStr("2:5030/2").Domain, "fidonet");
    EXPECT_TRUE(TFidoAddr::CreateStr("1:123/4").Domain.empty());
    TFidoAddr copy = own;
    EXPECT_EQ(copy.ToStrFlags(pfDomain), "2:5030/1@Othernet");
    ClearMainAddr();
}

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
