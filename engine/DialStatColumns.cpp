#include "engine/DialStatColumns.h"

#include "engine/LogText.h"
#include "fido/Lng.h"
#include "fido/LogUtils.h"

#include <algorithm>
#include <climits>

namespace tarvix {

std::string DialStatColumnText(const TNodeStat& n, int type, bool forFile)
{
    switch (type) {
    case 0:
        if (n.Addr)
            return n.Addr->ToStrFlags(pfAlias | pfShort);
        return forFile ? LTextOr(88, {}, "Total") : std::string();
    case 1: return std::to_string(n.Calls);
    case 2: return std::to_string(n.Busy);
    case 3: return std::to_string(n.NoCarrier);
    case 4: return std::to_string(n.OutSess);
    case 5: return std::to_string(n.InSess);
    case 6: return GroupThousands(n.BytesSent);
    case 7: return GroupThousands(n.BytesRcvd);
    case 8: return SecondsToHMS(static_cast<std::int32_t>(std::clamp<std::int64_t>(n.Time, 0, INT_MAX)), false);
    case 9: return std::to_string(n.CPS);
    default: return {};
    }
}

int DialStatColumnOrder(int type)
{
    static constexpr int kOrders[kDialStatColumnTypes] = {nsoAddr, nsoCalls, nsoNone, nsoNone, nsoOutSess,
                                                          nsoInSess, nsoBytesSent, nsoBytesRcvd, nsoTime, nsoCPS};
    return type >= 0 && type < kDialStatColumnTypes ? kOrders[type] : nsoNone;
}

void TDSColumn::GetText(const void* item, bool forFile, std::string& text) const
{
    text = item ? DialStatColumnText(*static_cast<const TNodeStat*>(item), ColType, forFile) : std::string();
}

std::unique_ptr<TColumn> CreateDialStatColumn(int type)
{
    auto c = std::make_unique<TDSColumn>();
    c->ColType = type;
    return c;
}

void DefaultDialStatColumns(TColumnList& list)
{
    list.Clear();
    // The defaults are report columns too, so that a report can be written before
    // the columns were ever set up: type, pixels, characters. The counts stand
    // right-aligned, as numbers do.
    struct TDefault {
        int type, width, fileWidth;
    };
    for (auto [type, width, fileWidth] : {TDefault{0, 90, 20}, TDefault{4, 80, 10}, TDefault{5, 80, 10}}) {
        auto c = CreateDialStatColumn(type);
        c->ScrWidth = width;
        c->ShowFile = true;
        c->FileWidth = fileWidth;
        if (type != 0)
            c->Alignment = caRight;
        c->Heading = LTextOr(static_cast<std::size_t>(kDialStatColumnNameText + type), {}, "");
        list.Add(std::move(c));
    }
    list.Recalc();
}

}  // namespace tarvix
