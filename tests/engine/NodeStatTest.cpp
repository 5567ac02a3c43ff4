#include "ParserHarness.h"

#include "engine/NodeStat.h"

#include "engine/Log.h"
#include "fido/DateTime.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

using namespace tarvix;
using tarvix::test::StatText;

namespace {

TFidoAddr A(int net, int node, int point = 0) { return TFidoAddr(2, net, node, point); }

// A finished session of the given length, direction and transfer.
TSess Session(int seconds, bool incoming, std::int64_t sent, std::int64_t rcvd, bool ok = true)
{
    TSess s(1, EncodeDate(2026, 3, 1) + EncodeTime(10, 0, 0, 0));
    s.EndTime = s.StartTime + seconds / 86400.0;
    s.Flags = sfListed | (ok ? sfOK : 0) | (incoming ? sfIncoming : 0);
    s.BytesSent = sent;
    s.BytesRcvd = rcvd;
    return s;
}

std::vector<std::string> Order(const TNodeStatList& list)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < list.Count(); ++i)
        out.push_back(list.GetItems(i).Addr->ToStrFlags(0));
    return out;
}

}  // namespace

// The rows after calls, results and sessions: counts, time, rate, first and last session.
TEST(NodeStat, CallsResultsAndSessionsEachWay)
{
    TNodeStatList list;
    const TFidoAddr a = A(5030, 1), b = A(5030, 2);
    for (int i = 0; i < 3; ++i)
        list.AddCall(a);
    list.AddResult(&a, 0);
    list.AddResult(&a, 0);
    TNodeStat& rec = list.AddSess(a, Session(100, false, 5000, 20000), 4);
    EXPECT_EQ(&rec, &list.GetItems(0));
    EXPECT_EQ(StatText(rec) + " " + std::to_string(rec.FirstSess) + "-" + std::to_string(rec.LastSess),
              "2:5030/1 calls=3 busy=2 out=1 outok=1 sent=5000 rcvd=20000 time=100 cps=200 4-4");
    // The total's rate waits for the end of the analysis.
    EXPECT_EQ(StatText(list.Total), "- calls=3 busy=2 out=1 outok=1 sent=5000 rcvd=20000 time=100");
    list.UpdateTotalCPS();
    EXPECT_EQ(list.Total.CPS, 200);
    list.AddSess(b, Session(10, true, 100, 0), 5);
    list.AddSess(b, Session(10, true, 0, 0, false), 6);
    list.AddSess(b, Session(20, false, 0, 600), 7);
    EXPECT_EQ(StatText(*list.Find(b)) + " " + std::to_string(list.Find(b)->FirstSess) + "-" +
                  std::to_string(list.Find(b)->LastSess),
              "2:5030/2 out=1 outok=1 in=2 inok=1 sent=100 rcvd=600 time=40 cps=15 5-7");
    // A session without time keeps the rate the time allows; no rate without time.
    list.AddSess(b, Session(0, false, 6000, 0), 8);
    EXPECT_EQ(list.Find(b)->CPS, 152);
    TNodeStatList zero;
    EXPECT_EQ(zero.AddSess(a, Session(0, false, 7000, 9000), 0).CPS, 0);
    TNodeStat s(&a);
    s.CPS = 77;
    s.BytesSent = 1000;
    s.UpdateCPS();
    EXPECT_EQ(s.CPS, 77);
}

TEST(NodeStat, ResultsWithoutAddressOrWithBadCode)
{
    TNodeStatList list;
    list.AddResult(nullptr, 0);
    list.AddResult(nullptr, 5);
    EXPECT_EQ(list.Count(), 0u);
    const TFidoAddr a = A(5030, 1);
    list.AddResult(&a, 1);
    try {
        list.AddResult(&a, 2);
        FAIL() << "a bad result code was taken";
    } catch (const ELogError& e) {
        EXPECT_STREQ(e.what(), "TNodeStatList.AddResult: bad Rslt");
    }
    EXPECT_THROW(list.AddResult(&a, -1), ELogError);
    EXPECT_EQ(StatText(list.GetItems(0)) + " " + StatText(list.Total), "2:5030/1 nc=1 - nc=1");
}

TEST(NodeStat, FindTakesTheGivenAddressAsMask)
{
    TNodeStatList list;
    list.AddCall(A(5030, 1));
    list.AddCall(A(5030, 1, 5));
    list.AddCall(A(5020, 1));
    ASSERT_EQ(list.Count(), 3u);
    // Same address, other domain: the same node.
    TFidoAddr withDomain = A(5030, 1);
    withDomain.Domain = "fidonet";
    list.AddCall(withDomain);
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.GetItems(0).Calls, 2);

    TFidoAddr anyPoint(2, 5030, 1, kAddrAny);
    ASSERT_NE(list.Find(anyPoint), nullptr);
    EXPECT_EQ(list.Find(anyPoint), &list.GetItems(0));
    TFidoAddr anyNet(2, kAddrAny, 1, 0);
    EXPECT_EQ(list.Find(anyNet), &list.GetItems(0));
    EXPECT_EQ(list.Find(A(5030, 2)), nullptr);
    EXPECT_EQ(list.Find(A(5030, 1, 5)), &list.GetItems(1));
    // Right after the point's row was found, a mask that covers it still gives the
    // first row it matches.
    EXPECT_EQ(list.Find(anyPoint), &list.GetItems(0));
    EXPECT_EQ(list.Total.Calls, 4);
}

TEST(NodeStat, SortingByAddressAndCounts)
{
    TNodeStatList list;
    const TFidoAddr a = A(5030, 10), b = A(463, 1), c = A(5030, 2), d = A(5030, 2, 1);
    list.AddCall(a);
    for (int i = 0; i < 3; ++i)
        list.AddCall(b);
    list.AddCall(c);
    list.AddCall(c);
    list.AddSess(d, Session(50, true, 0, 50000), 0);
    list.AddSess(a, Session(10, false, 30000, 0), 1);
    EXPECT_EQ(Order(list), (std::vector<std::string>{"2:5030/10", "2:463/1", "2:5030/2", "2:5030/2.1"}));

    list.Sort(nsoCalls);
    EXPECT_EQ(list.SortOrder, nsoCalls);
    EXPECT_EQ(Order(list)[0], "2:463/1");
    EXPECT_EQ(Order(list)[1], "2:5030/2");
    list.Sort(nsoAddr);
    EXPECT_EQ(Order(list), (std::vector<std::string>{"2:463/1", "2:5030/2", "2:5030/2.1", "2:5030/10"}));
    // The first row by each count; by rate 3000 against 1000.
    std::string firsts;
    for (int order : {nsoInSess, nsoOutSess, nsoBytesSent, nsoBytesRcvd, nsoTime, nsoCPS}) {
        list.Sort(order);
        firsts += Order(list)[0] + " ";
    }
    EXPECT_EQ(firsts, "2:5030/2.1 2:5030/10 2:5030/10 2:5030/2.1 2:5030/2.1 2:5030/10 ");
    EXPECT_EQ(Order(list)[1], "2:5030/2.1");
}

TEST(NodeStat, LargeSumsDoNotOverflow)
{
    TNodeStatList list;
    const TFidoAddr a = A(5030, 1);
    const std::int64_t big = 3'000'000'000;  // past 31 bits
    list.AddSess(a, Session(1000, false, big, 0), 0);
    list.AddSess(a, Session(1000, false, big, 0), 1);
    EXPECT_EQ(list.GetItems(0).BytesSent, 2 * big);
    EXPECT_EQ(list.GetItems(0).CPS, big / 1000);
    list.UpdateTotalCPS();
    EXPECT_EQ(list.Total.CPS, big / 1000);
    // Counts of a damaged log near the 64-bit limit: the sums stop at the limit.
    const std::int64_t huge = std::numeric_limits<std::int64_t>::max() - 5;
    list.AddSess(a, Session(1000, false, huge, huge), 2);
    EXPECT_EQ(list.GetItems(0).BytesSent, std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(list.GetItems(0).BytesRcvd, huge);
    EXPECT_EQ(list.Total.BytesSent, std::numeric_limits<std::int64_t>::max());
    list.AddSess(a, Session(1000, false, 0, 77), 3);
    EXPECT_EQ(list.GetItems(0).BytesRcvd, std::numeric_limits<std::int64_t>::max());
}

TEST(NodeStat, RowsAreFoundByTheirAddressAfterEverySort)
{
    // Sorting moves the rows: a later call of each node must still count on its own row,
    // whichever row was found last before the sort.
    TNodeStatList list;
    for (int n = 1; n <= 6; ++n)
        for (int k = 0; k < n; ++k)
            list.AddCall(A(5030, 7 - n));  // node 6 once, ..., node 1 six times
    for (int order : {nsoCalls, nsoAddr, nsoCPS, nsoCalls}) {
        list.Sort(order);
        for (int node = 1; node <= 6; ++node)
            list.AddCall(A(5030, node));
    }
    ASSERT_EQ(list.Count(), 6u);
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const TNodeStat& s = list.GetItems(i);
        EXPECT_EQ(s.Calls, 7 - s.Addr->Node + 4) << s.Addr->Node;
        TFidoAddr a = *s.Addr;
        EXPECT_EQ(list.Find(a), &s);
    }
    EXPECT_EQ(list.Total.Calls, 21 + 24);
}
