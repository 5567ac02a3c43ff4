#include "engine/NodeStat.h"

#include "engine/Log.h"
#include "engine/LogNumber.h"
#include "fido/Sort.h"

#include <algorithm>

namespace tarvix {

void TNodeStat::UpdateCPS()
{
    if (Time > 0)
        CPS = std::max(BytesSent / Time, BytesRcvd / Time);
}

const TNodeStat& TNodeStatList::GetItems(std::size_t index) const
{
    if (index >= items_.size())
        throw ELogError("TNodeStatList.GetItems: index out of bounds");
    return items_[index];
}

TNodeStat& TNodeStatList::GetItems(std::size_t index)
{
    if (index >= items_.size())
        throw ELogError("TNodeStatList.GetItems: index out of bounds");
    return items_[index];
}

TNodeStat* TNodeStatList::Find(const TFidoAddr& addr)
{
    // The call, its result and the session of a node come one after another: the
    // row found last is tried first. No two rows have the same numbers (a row is
    // added only when none matches), so for an address without wildcards an equal
    // row is the first match there is.
    if (!HasWildcard(addr)) {
        const std::uint64_t key = AddrNumbers(addr);
        if (lastRow_ < keys_.size() && keys_[lastRow_] == key)
            return &items_[lastRow_];
        for (std::size_t i = 0; i < keys_.size(); ++i) {
            if (keys_[i] == key) {
                lastRow_ = static_cast<std::uint32_t>(i);
                return &items_[i];
            }
        }
        return nullptr;
    }
    for (std::size_t i = 0; i < items_.size(); ++i) {
        TNodeStat& s = items_[i];
        if (s.Addr && MatchAddr(addr, *s.Addr)) {
            lastRow_ = static_cast<std::uint32_t>(i);
            return &s;
        }
    }
    return nullptr;
}

TNodeStat& TNodeStatList::FindOrAdd(const TFidoAddr& addr)
{
    if (TNodeStat* s = Find(addr))
        return *s;
    items_.emplace_back(&addr);
    keys_.push_back(AddrNumbers(addr));
    lastRow_ = static_cast<std::uint32_t>(items_.size() - 1);
    SortOrder = nsoNone;  // a list sorted before is no longer
    return items_.back();
}

void TNodeStatList::AddCall(const TFidoAddr& addr)
{
    ++FindOrAdd(addr).Calls;
    ++Total.Calls;
}

void TNodeStatList::AddResult(const TFidoAddr* addr, int rslt)
{
    if (!addr)
        return;
    if (rslt != 0 && rslt != 1)
        throw ELogError("TNodeStatList.AddResult: bad Rslt");
    TNodeStat& s = FindOrAdd(*addr);
    if (rslt == 0) {
        ++s.Busy;
        ++Total.Busy;
    } else {
        ++s.NoCarrier;
        ++Total.NoCarrier;
    }
}

TNodeStat& TNodeStatList::AddSess(const TFidoAddr& addr, const TSess& sess, std::int64_t index,
                                   std::int64_t sessLength)
{
    TNodeStat& s = FindOrAdd(addr);
    const bool ok = sess.Has(sfOK);
    if (sess.Has(sfIncoming)) {
        ++s.InSess;
        ++Total.InSess;
        if (ok) {
            ++s.InOK;
            ++Total.InOK;
        }
    } else {
        ++s.OutSess;
        ++Total.OutSess;
        if (ok) {
            ++s.OutOK;
            ++Total.OutOK;
        }
    }
    AddCount(s.BytesSent, sess.BytesSent);
    AddCount(s.BytesRcvd, sess.BytesRcvd);
    AddCount(Total.BytesSent, sess.BytesSent);
    AddCount(Total.BytesRcvd, sess.BytesRcvd);
    // A session that "ends before it starts" (the clock was set back) took no
    // time that can be told: it adds none.
    const std::int64_t length = std::max<std::int64_t>(sessLength, 0);
    AddCount(s.Time, length);
    AddCount(Total.Time, length);
    if (s.FirstSess == -1)
        s.FirstSess = index;
    s.LastSess = index;
    s.UpdateCPS();
    return s;
}

namespace {

// Sorts the rows by sorting their positions: the rows are big, and the sort would
// move each several times. The positions go through the same sort, so that rows
// that compare equal end in the same order as when the rows themselves are sorted.
template <typename Compare>
void SortRows(std::vector<TNodeStat>& rows, Compare compare)
{
    if (rows.size() < 2)
        return;
    std::vector<std::uint32_t> order(rows.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<std::uint32_t>(i);
    SortList(order, [&](std::uint32_t a, std::uint32_t b) { return compare(rows[a], rows[b]); });
    // Room for the rows there are: a day's list is sorted when the day is over, and
    // the room reserved for it may have been more than it took.
    std::vector<TNodeStat> sorted;
    sorted.reserve(rows.size());
    for (std::uint32_t i : order)
        sorted.push_back(std::move(rows[i]));
    rows.swap(sorted);
}

}  // namespace

void TNodeStatList::Sort(int order)
{
    if (order == SortOrder)
        return;
    SortOrder = order;
    auto desc = [](std::int64_t a, std::int64_t b) { return a > b ? -1 : (a < b ? 1 : 0); };
    switch (order) {
    case nsoAddr:
        SortRows(items_, [](const TNodeStat& a, const TNodeStat& b) { return CompareAddr(*a.Addr, *b.Addr); });
        break;
    case nsoCalls:
        SortRows(items_, [&](const TNodeStat& a, const TNodeStat& b) { return desc(a.Calls, b.Calls); });
        break;
    case nsoOutSess:
        SortRows(items_, [&](const TNodeStat& a, const TNodeStat& b) { return desc(a.OutSess, b.OutSess); });
        break;
    case nsoInSess:
        SortRows(items_, [&](const TNodeStat& a, const TNodeStat& b) { return desc(a.InSess, b.InSess); });
        break;
    case nsoBytesSent:
        SortRows(items_, [&](const TNodeStat& a, const TNodeStat& b) { return desc(a.BytesSent, b.BytesSent); });
        break;
    case nsoBytesRcvd:
        SortRows(items_, [&](const TNodeStat& a, const TNodeStat& b) { return desc(a.BytesRcvd, b.BytesRcvd); });
        break;
    case nsoTime:
        SortRows(items_, [&](const TNodeStat& a, const TNodeStat& b) { return desc(a.Time, b.Time); });
        break;
    case nsoCPS:
        SortRows(items_, [&](const TNodeStat& a, const TNodeStat& b) { return desc(a.CPS, b.CPS); });
        break;
    default:
        break;
    }
    for (std::size_t i = 0; i < items_.size(); ++i)
        keys_[i] = AddrNumbers(*items_[i].Addr);
}

}  // namespace tarvix
