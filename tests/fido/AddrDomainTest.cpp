#include "fido/AddrDomain.h"
#include "fido/FidoAddr.h"

#include <gtest/gtest.h>

#include <string>

using namespace tarvix;

TEST(AddrDomain, EqualTextsShareOneCopyAndOthersStayApart)
{
    std::string text = "fidonet";
    TAddrDomain a(text);
    text[0] = 'X';  // the domain keeps a copy, not the caller's bytes
    TAddrDomain b = std::string_view("fidonet");
    TAddrDomain c = std::string_view("othernet");
    EXPECT_EQ(a.view(), "fidonet");
    EXPECT_EQ(a.view().data(), b.view().data());
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a == c);
    // Back to a text seen before another one: the same copy again.
    TAddrDomain d = std::string_view("fidonet");
    EXPECT_EQ(d.view().data(), a.view().data());
    EXPECT_TRUE(TAddrDomain().empty());
    EXPECT_TRUE(TAddrDomain(std::string_view()).empty());
    EXPECT_TRUE(TAddrDomain() == TAddrDomain(std::string_view()));
    a.clear();
    EXPECT_TRUE(a.empty());
    EXPECT_EQ(a.size(), 0u);
    EXPECT_EQ(c.size(), 8u);
}

TEST(AddrDomain, AddressesCarryTheirOwnOrTheMainAddressDomain)
{
    SetMainAddr(TFidoAddr::CreateStr("2:5030/999@fidonet"));
    const TFidoAddr own = TFidoAddr::CreateStr("2:5030/1@Othernet");
    const TFidoAddr inherited = TFidoAddr::CreateStr("2:5030/2");
    const TFidoAddr foreignZone = TFidoAddr::CreateStr("1:123/4");
    EXPECT_EQ(own.Domain, "Othernet");
    EXPECT_EQ(inherited.Domain, "fidonet");
    EXPECT_TRUE(foreignZone.Domain.empty());
    TFidoAddr copy = own;
    EXPECT_EQ(copy.Domain, own.Domain);
    EXPECT_EQ(copy.ToStrFlags(pfDomain), "2:5030/1@Othernet");
    ClearMainAddr();
}
