#include "fido/FidoAddr.h"
#include "fido/Lng.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
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
        {"1:2/3@FidoNet", 0, {1, 2, 3, 0, "FidoNet"}},
        {"2:5030/1@", 0, {2, 5030, 1, 0, "fidonet"}},
        {"2:5030/1.7@x", 0, {2, 5030, 1, 7, "x"}},
        {"2:5030/1@dom@ain", 0, {2, 5030, 1, 0, "dom@ain"}},
        {"3:5030/1", 0, {3, 5030, 1, 0, ""}},
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

TEST_F(FidoAddrTest, PrintTable)
{
    struct Row {
        TFidoAddr addr;
        std::uint8_t flags;
        const char* want;
    };
    TFidoAddr withDomain(2, 5030, 999, 999);
    withDomain.Domain = "fidonet";
    const Row rows[] = {
        {TFidoAddr(2, 5030, 77, 0), 0, "2:5030/77"},
        {TFidoAddr(2, 5030, 77, 0), pfPoint, "2:5030/77.0"},
        {TFidoAddr(2, 5030, 77, 0), pfShort, "/77"},
        {TFidoAddr(2, 463, 5, 0), pfShort, "463/5"},
        {TFidoAddr(1, 2, 3, 4), pfShort, "1:2/3.4"},
        {withDomain, pfDomain, "2:5030/999.999@fidonet"},
        {withDomain, 0, "2:5030/999.999"},
        {withDomain, pfShort, "/999.999"},
        {TFidoAddr(2, 5030, -2, -2), 0, "2:5030/*.*"},
        {TFidoAddr(2, 5030, -2, -2), pfDomain | pfAlias | pfPoint, "2:5030/*.*"},
        {TFidoAddr(2, 5030, -2, -2), pfShort | pfPoint, "/*.*"},
        {TFidoAddr(-2, -2, -2, -2), pfShort, "*:*/*.*"},
        {TFidoAddr(2, -2, -2, 0), pfShort, "*/*"},
        {TFidoAddr(2, 0, 0, 0), 0, "2:0/0"},
        {TFidoAddr(3, -5, 7, -9), 0, "3:-5/7.-9"},
        {TFidoAddr(-32768, 32767, 0, 1), 0, "-32768:32767/0.1"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.addr.ToStrFlags(r.flags), r.want) << r.want;
}

TEST_F(FidoAddrBare, ZoneZeroIsLeftOutWhenPrinting)
{
    EXPECT_EQ(TFidoAddr(2, 0, 0, 0).ToStrFlags(0), "2:0/0");
    EXPECT_EQ(TFidoAddr(0, 5030, 1, 0).ToStrFlags(0), "5030/1");
    // Without a main address short printing prints in full rather than failing.
    EXPECT_EQ(TFidoAddr(2, 5030, 1, 0).ToStrFlags(pfShort), "2:5030/1");
}

TEST_F(FidoAddrTest, EmptyTextIsAnAddressNotGiven)
{
    for (std::uint8_t flags : {0, 1, 2, 3}) {
        TFidoAddr a = TFidoAddr::CreateParse("", flags);
        ExpectAddr(a, {-1, -1, -1, 0, ""}, "flags " + std::to_string(flags));
        EXPECT_EQ(a.ToStrFlags(0xFF & ~pfAlias), "");
    }
    EXPECT_EQ(TFidoAddr::CreateStr("").ToStr(), "");
    EXPECT_EQ(TFidoAddr(2, -1, 5, 0).ToStrFlags(0), "");
    EXPECT_EQ(TFidoAddr(2, 5, -1, 0).ToStrFlags(pfPoint), "");
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

TEST_F(FidoAddrTest, WildcardNeedsMaskFlag)
{
    for (const char* text : {"2:5030/*", "*", "*:1/2", "2:*/1", "2:5030/1.*", ".*", "/*"}) {
        EXPECT_EQ(ErrorKey(text), "FidoAddr.NoMask") << text;
        EXPECT_EQ(ErrorKey(text, afAlias), "FidoAddr.NoMask") << text;
        EXPECT_EQ(ErrorKey(text, afMask), "") << text;
        EXPECT_THROW(TFidoAddr::CreateStr(text), EAddrError) << text;
    }
    // The first fault found decides.
    EXPECT_EQ(ErrorKey("2:x/*"), "FidoAddr.InvAddr");
    EXPECT_EQ(ErrorKey("2:*/x"), "FidoAddr.NoMask");
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

TEST_F(FidoAddrTest, EqualAddrIgnoresTheDomain)
{
    EXPECT_TRUE(EqualAddr(TFidoAddr::CreateStr("2:5030/1@a"), TFidoAddr::CreateStr("2:5030/1@b")));
    EXPECT_FALSE(EqualAddr(TFidoAddr::CreateStr("2:5030/1"), TFidoAddr::CreateStr("2:5030/1.1")));
    EXPECT_FALSE(EqualAddr(TFidoAddr::CreateStr("2:5030/1"), TFidoAddr::CreateStr("3:5030/1")));
    EXPECT_FALSE(EqualAddr(TFidoAddr::CreateStr("2:5030/1"), TFidoAddr::CreateStr("2:5031/1")));
    EXPECT_FALSE(EqualAddr(TFidoAddr::CreateStr("2:5030/1"), TFidoAddr::CreateStr("2:5030/2")));
}

TEST_F(FidoAddrTest, CompareAddrOrdersByZoneNetNodePoint)
{
    auto cmp = [](const char* a, const char* b) {
        return CompareAddr(TFidoAddr::CreateParse(a, afMask), TFidoAddr::CreateParse(b, afMask));
    };
    EXPECT_EQ(cmp("1:999/1", "2:1/1"), -1);
    EXPECT_EQ(cmp("2:1/1", "1:999/1"), 1);
    EXPECT_EQ(cmp("2:5030/1", "2:5030/1.1"), -1);
    EXPECT_EQ(cmp("2:5030/1.1", "2:5030/1"), 1);
    EXPECT_EQ(cmp("2:5030/1@a", "2:5030/1@b"), 0);
    EXPECT_EQ(cmp("2:463/9999", "2:5030/1"), -1);
    EXPECT_EQ(cmp("2:5030/2", "2:5030/10"), -1);  // numbers, not texts
    // A wildcard sorts before every real number.
    EXPECT_EQ(cmp("*:1/1", "0:1/1"), -1);
    EXPECT_EQ(cmp("2:*/1", "2:0/1"), -1);
    EXPECT_EQ(cmp("2:5030/*", "2:5030/0"), -1);
    EXPECT_EQ(cmp("2:5030/1.*", "2:5030/1"), -1);
    EXPECT_EQ(cmp("2:5030/0", "2:5030/*"), 1);
    // -1 (not given) lies between the wildcard and 0.
    EXPECT_EQ(CompareAddr(TFidoAddr(-1, 1, 1, 0), TFidoAddr(-2, 1, 1, 0)), 1);
    EXPECT_EQ(CompareAddr(TFidoAddr(-1, 1, 1, 0), TFidoAddr(2, 1, 1, 0)), -1);

    std::vector<TFidoAddr> v;
    for (const char* t : {"2:5030/1.1", "1:999/1", "2:5030/*", "2:1/1", "2:5030/1", "*:*/*.*"})
        v.push_back(TFidoAddr::CreateParse(t, afMask));
    std::sort(v.begin(), v.end(), [](const TFidoAddr& a, const TFidoAddr& b) { return CompareAddr(a, b) < 0; });
    std::vector<std::string> printed;
    for (const TFidoAddr& a : v)
        printed.push_back(a.ToStrFlags(0));
    EXPECT_EQ(printed, (std::vector<std::string>{"*:*/*.*", "1:999/1", "2:1/1", "2:5030/*", "2:5030/1",
                                                  "2:5030/1.1"}));
}

TEST_F(FidoAddrTest, NumbersAbove32767AreRejected)
{
    EXPECT_EQ(TFidoAddr::CreateStr("32767:32767/32767.32767").ToStrFlags(0), "32767:32767/32767.32767");
    const char* big[] = {"32768", "65534", "65535", "65536", "99999999999999999999",
                         "184467440737095516170000000000000000000000000000000"};
    for (const char* n : big) {
        std::string s(n);
        for (const std::string& text : {s + ":1/1", "1:" + s + "/1", "1:1/" + s, "1:1/1." + s, s, "." + s})
            EXPECT_EQ(ErrorKey(text, afMask), "FidoAddr.InvAddr") << text;
    }
    // Leading zeros do not count against the limit.
    EXPECT_EQ(TFidoAddr::CreateStr(std::string(1000, '0') + "32767").Node, 32767);
    EXPECT_EQ(ErrorKey(std::string(100000, '9')), "FidoAddr.InvAddr");
}

TEST_F(FidoAddrTest, DomainKeepsAtMost255Characters)
{
    std::string d255(255, 'd');
    EXPECT_EQ(TFidoAddr::CreateStr("2:5030/1@" + d255).Domain, d255);
    EXPECT_EQ(TFidoAddr::CreateStr("2:5030/1@" + d255 + "xyz").Domain, d255);
    EXPECT_EQ(TFidoAddr::CreateStr("2:5030/1@" + std::string(1 << 20, 'e')).Domain.size(), 255u);
    // Everything after the first "@" is the domain.
    EXPECT_EQ(TFidoAddr::CreateStr("2:5030/1@a@b").Domain, "a@b");
    TFidoAddr a = TFidoAddr::CreateStr("1:2/3@Net.Example");
    EXPECT_EQ(a.ToStrFlags(pfDomain), "1:2/3@Net.Example");
    EXPECT_EQ(a.ToStrFlags(0), "1:2/3");
}

TEST_F(FidoAddrTest, ErrorMessagesNameTheTextWithoutDomain)
{
    LoadLng(std::string(TARVIX_SOURCE_DIR) + "/lng/QZ_Eng.lng");
    try {
        TFidoAddr::CreateStr("2:5030@fidonet");
        FAIL() << "no error";
    } catch (const EAddrError& e) {
        EXPECT_EQ(e.Key(), "FidoAddr.InvAddr");
        EXPECT_STREQ(e.what(), "Invalid address: 2:5030");
    }
    try {
        TFidoAddr::CreateStr("2:5030/*@fidonet");
        FAIL() << "no error";
    } catch (const EAddrError& e) {
        EXPECT_EQ(e.Key(), "FidoAddr.NoMask");
        EXPECT_STREQ(e.what(), "Address masks are not allowed here: 2:5030/*");
    }
    // A format item inside the address text is shown, not interpreted.
    try {
        TFidoAddr::CreateStr("%s%d%n");
        FAIL() << "no error";
    } catch (const EAddrError& e) {
        EXPECT_STREQ(e.what(), "Invalid address: %s%d%n");
    }
}

TEST_F(FidoAddrBare, ErrorsWithoutLanguageFile)
{
    try {
        TFidoAddr::CreateStr("2:5030");
        FAIL() << "no error";
    } catch (const EAddrError& e) {
        EXPECT_EQ(e.Key(), "FidoAddr.InvAddr");
        EXPECT_NE(std::string(e.what()).find("2:5030"), std::string::npos);
    }
}

TEST_F(FidoAddrBare, WithoutMainAddressMissingPartsStayMissing)
{
    EXPECT_EQ(MainAddr(), nullptr);
    ExpectAddr(TFidoAddr::CreateStr("5030/12"), {-1, 5030, 12, 0, ""}, "net/node");
    ExpectAddr(TFidoAddr::CreateStr("12"), {-1, -1, 12, 0, ""}, "node");
    ExpectAddr(TFidoAddr::CreateStr(".5"), {-1, -1, -1, 5, ""}, "point");
    ExpectAddr(TFidoAddr::CreateStr("2:463/5"), {2, 463, 5, 0, ""}, "full");
    // A zone not given is left out, so the text parses back to the same address.
    EXPECT_EQ(TFidoAddr::CreateStr("5030/12").ToStrFlags(0), "5030/12");
    EXPECT_EQ(TFidoAddr::CreateStr("12").ToStrFlags(0), "");

    ExpectAddr(TFidoAddr(), {0, 0, 0, 0, ""}, "default");
    ExpectAddr(TFidoAddr(0, 5030, 1, 0), {0, 5030, 1, 0, ""}, "zone 0");
}

TEST_F(FidoAddrTest, ConstructorsTakeTheMainZone)
{
    ExpectAddr(TFidoAddr(), {2, 0, 0, 0, ""}, "default");
    ExpectAddr(TFidoAddr(0, 5030, 1, 0), {2, 5030, 1, 0, ""}, "zone 0");
    ExpectAddr(TFidoAddr(3, 5030, 1, 0), {3, 5030, 1, 0, ""}, "zone 3");
    // Copies are values: changing the copy leaves the source alone.
    TFidoAddr a = TFidoAddr::CreateStr("2:5030/1@fidonet");
    TFidoAddr b = a;
    b.Node = 2;
    b.Domain = "x";
    EXPECT_EQ(a.Node, 1);
    EXPECT_EQ(a.Domain, "fidonet");
    // Replacing the main address does not change addresses parsed before.
    SetMainAddr(TFidoAddr::CreateStr("1:2/3@othernet"));
    EXPECT_EQ(a.ToStrFlags(pfDomain), "2:5030/1@fidonet");
    ExpectAddr(TFidoAddr::CreateStr("7"), {1, 2, 7, 0, "othernet"}, "new main");
}

TEST_F(FidoAddrTest, DefaultPrintFlagsGovernToStr)
{
    TFidoAddr a = TFidoAddr::CreateStr("2:5030/1");
    EXPECT_EQ(DefaultAddrFlags(), 0);
    EXPECT_EQ(a.ToStr(), "2:5030/1");
    EXPECT_EQ(AddrToStr(0, 5030, 1, 0), "2:5030/1");
    SetDefaultAddrFlags(pfDomain);
    EXPECT_EQ(DefaultAddrFlags(), pfDomain);
    EXPECT_EQ(a.ToStr(), "2:5030/1@fidonet");
    // The four-number form has no domain.
    EXPECT_EQ(AddrToStr(2, 5030, 1, 0), "2:5030/1");
    EXPECT_EQ(AddrToStrFlags(0, 5030, 1, 0, pfShort | pfPoint), "/1.0");
    EXPECT_EQ(AddrToStrFlags(2, 463, 1, 7, pfShort), "463/1.7");
}

TEST_F(FidoAddrTest, AliasesByNameAndInPrinting)
{
    AddAlias(TFidoAddr::CreateStr("2:5030/1"), "Uplink");
    AddAlias(TFidoAddr::CreateStr("2:5030/2"), "UPLINK");  // same name: the first wins
    AddAlias(TFidoAddr::CreateStr("1:2/3.4"), "far");
    ASSERT_EQ(Aliases().size(), 3u);

    for (const char* name : {"uplink", "UPLINK", "UpLiNk"})
        ExpectAddr(TFidoAddr::CreateParse(name, afAlias), {2, 5030, 1, 0, ""}, name);
    ExpectAddr(TFidoAddr::CreateParse("FAR", afAlias | afMask), {1, 2, 3, 4, ""}, "far");
    // Without afAlias a name is no address.
    EXPECT_EQ(ErrorKey("uplink"), "FidoAddr.InvAddr");
    EXPECT_EQ(ErrorKey("uplink", afMask), "FidoAddr.InvAddr");
    EXPECT_EQ(ErrorKey("uplink ", afAlias), "FidoAddr.InvAddr");
    // With afAlias ordinary addresses still parse.
    ExpectAddr(TFidoAddr::CreateParse("2:5030/9", afAlias), {2, 5030, 9, 0, "fidonet"}, "address");

    EXPECT_EQ(TFidoAddr::CreateStr("2:5030/1").ToStrFlags(pfAlias), "Uplink");
    EXPECT_EQ(TFidoAddr::CreateStr("2:5030/2").ToStrFlags(pfAlias | pfShort), "UPLINK");
    EXPECT_EQ(TFidoAddr::CreateStr("2:5030/1").ToStrFlags(pfShort), "/1");
    EXPECT_EQ(TFidoAddr::CreateStr("2:5030/3").ToStrFlags(pfAlias | pfShort), "/3");
    EXPECT_EQ(TFidoAddr::CreateStr("1:2/3").ToStrFlags(pfAlias), "1:2/3");  // point differs

    // A second alias for the same address renames it.
    AddAlias(TFidoAddr::CreateStr("2:5030/1@othernet"), "Hub");
    ASSERT_EQ(Aliases().size(), 3u);
    EXPECT_EQ(Aliases()[0].Name, "Hub");
    EXPECT_EQ(TFidoAddr::CreateStr("2:5030/1").ToStrFlags(pfAlias), "Hub");
    ExpectAddr(TFidoAddr::CreateParse("uplink", afAlias), {2, 5030, 2, 0, ""}, "uplink now names /2");
    ExpectAddr(TFidoAddr::CreateParse("hub", afAlias), {2, 5030, 1, 0, ""}, "hub");

    // An alias name comes before the mask word.
    AddAlias(TFidoAddr::CreateStr("3:3/3"), "All");
    ExpectAddr(TFidoAddr::CreateParse("ALL", afAlias | afMask), {3, 3, 3, 0, ""}, "alias All");
    ExpectAddr(TFidoAddr::CreateParse("ALL", afMask), {-2, -2, -2, -2, ""}, "mask ALL");

    // An empty name is no alias: the empty text stays an address not given.
    AddAlias(TFidoAddr::CreateStr("4:4/4"), "");
    EXPECT_EQ(Aliases().size(), 4u);
    ExpectAddr(TFidoAddr::CreateParse("", afAlias), {-1, -1, -1, 0, ""}, "empty");

    ClearAliases();
    EXPECT_TRUE(Aliases().empty());
    EXPECT_EQ(ErrorKey("uplink", afAlias), "FidoAddr.InvAddr");
    EXPECT_EQ(TFidoAddr::CreateStr("2:5030/1").ToStrFlags(pfAlias), "2:5030/1");
}

TEST_F(FidoAddrTest, IsValidAddrMirrorsTheParser)
{
    EXPECT_TRUE(IsValidAddr("2:5030/1", 0));
    EXPECT_TRUE(IsValidAddr("", 0));
    EXPECT_FALSE(IsValidAddr("2:5030", 0));
    EXPECT_FALSE(IsValidAddr("2:5030/*", 0));
    EXPECT_TRUE(IsValidAddr("2:5030/*", afMask));
    EXPECT_TRUE(IsValidAddr("all", afMask));
    EXPECT_FALSE(IsValidAddr("all", 0));
    EXPECT_FALSE(IsValidAddr("2:5030/32768", afMask));
    EXPECT_FALSE(IsValidAddr("boss", afAlias));
    AddAlias(TFidoAddr::CreateStr("2:5030/1"), "Boss");
    EXPECT_TRUE(IsValidAddr("boss", afAlias));
    EXPECT_FALSE(IsValidAddr("boss", afMask));

    TFidoAddr out;
    EXPECT_TRUE(TFidoAddr::TryParse("1:2/3@x", 0, out));
    ExpectAddr(out, {1, 2, 3, 0, "x"}, "TryParse");
    EXPECT_FALSE(TFidoAddr::TryParse("1:2/3.", 0, out));
}

TEST_F(FidoAddrTest, GarbageEitherParsesOrRaisesAddrError)
{
    std::mt19937 rng(20240611);
    const std::string alphabet = "0123456789:/.*@ aAlL-+\t!";
    std::uniform_int_distribution<int> len(0, 40);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(alphabet.size()) - 1);
    std::uniform_int_distribution<int> coin(0, 3);
    int parsed = 0;
    for (int i = 0; i < 20000; ++i) {
        std::string s;
        int n = len(rng);
        for (int k = 0; k < n; ++k)
            s += coin(rng) == 0 ? static_cast<char>(byte(rng)) : alphabet[static_cast<std::size_t>(pick(rng))];
        for (std::uint8_t flags : {0, 1, 2, 3}) {
            bool ok = true;
            TFidoAddr a;
            try {
                a = TFidoAddr::CreateParse(s, flags);
            } catch (const EAddrError& e) {
                ok = false;
                EXPECT_TRUE(e.Key() == "FidoAddr.InvAddr" || e.Key() == "FidoAddr.NoMask") << e.Key();
            }
            ASSERT_EQ(IsValidAddr(s, flags), ok) << s;
            if (!ok || s.empty())
                continue;
            ++parsed;
            EXPECT_LE(a.Domain.size(), 255u);
            // What parsed prints as a text that parses back to the same numbers
            // (a zone of 0 is not printed and so comes back as the main zone).
            if (a.Zone != 0) {
                std::string printed = a.ToStrFlags(pfDomain | pfPoint);
                TFidoAddr back = TFidoAddr::CreateParse(printed, afMask);
                EXPECT_TRUE(EqualAddr(a, back)) << s << " -> " << printed;
            }
        }
    }
    EXPECT_GT(parsed, 100);  // the generator does reach the parser's success paths
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
