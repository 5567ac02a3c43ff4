// Dial statistics of one day: per remote node the calls placed, how they failed,
// the sessions each way, bytes, time and rate, and a total over all nodes.
#pragma once

#include "engine/Sess.h"
#include "fido/FidoAddr.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace tarvix {

struct TNodeStat {
    std::optional<TFidoAddr> Addr;  // none for the day's total
    std::int64_t Calls = 0;
    std::int64_t Busy = 0;
    std::int64_t NoCarrier = 0;
    std::int64_t OutSess = 0;
    std::int64_t InSess = 0;
    std::int64_t OutOK = 0;
    std::int64_t InOK = 0;
    std::int64_t BytesSent = 0;
    std::int64_t BytesRcvd = 0;
    std::int64_t Time = 0;  // seconds
    std::int64_t CPS = 0;
    std::int64_t FirstSess = -1;  // index in the log's session list
    std::int64_t LastSess = -1;

    TNodeStat() = default;
    explicit TNodeStat(const TFidoAddr* addr)
    {
        if (addr)
            Addr = *addr;
    }
    // The larger of the two byte counts per second, when there is time at all.
    void UpdateCPS();
};

// Sort orders of a list: by address ascending, or by a count descending.
enum TNodeStatOrder : int {
    nsoAddr = 0, nsoCalls, nsoOutSess, nsoInSess, nsoBytesSent, nsoBytesRcvd, nsoTime, nsoCPS, nsoNone
};

class TNodeStatList {
public:
    TNodeStat Total;
    int SortOrder = nsoNone;

    std::size_t Count() const { return items_.size(); }
    const TNodeStat& GetItems(std::size_t index) const;
    TNodeStat& GetItems(std::size_t index);
    // The first record whose address the given address matches as a mask.
    TNodeStat* Find(const TFidoAddr& addr);
    void AddCall(const TFidoAddr& addr);
    // rslt 0: busy, 1: no carrier. Nothing without an address.
    void AddResult(const TFidoAddr* addr, int rslt);
    // length: the session's SessLength, which the caller has at hand.
    TNodeStat& AddSess(const TFidoAddr& addr, const TSess& sess, std::int64_t index, std::int64_t length);
    TNodeStat& AddSess(const TFidoAddr& addr, const TSess& sess, std::int64_t index)
    {
        return AddSess(addr, sess, index, sess.SessLength());
    }
    void UpdateTotalCPS() { Total.UpdateCPS(); }
    void Reserve(std::size_t count)
    {
        items_.reserve(count);
        keys_.reserve(count);
    }
    void Sort(int order);

private:
    TNodeStat& FindOrAdd(const TFidoAddr& addr);
    std::vector<TNodeStat> items_;
    // The four numbers of each row's address (AddrNumbers), in the order of the rows:
    // a look-up reads these instead of the large rows. Rows keep their addresses.
    std::vector<std::uint64_t> keys_;
    std::uint32_t lastRow_ = 0;  // the row Find gave last (a hint: rows move when sorted)
};

}  // namespace tarvix
