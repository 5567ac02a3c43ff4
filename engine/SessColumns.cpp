#include "engine/SessColumns.h"

#include "engine/LogText.h"
#include "fido/DateTime.h"
#include "fido/Lng.h"
#include "fido/LogUtils.h"

#include <algorithm>
#include <climits>

namespace tarvix {

namespace {

std::int32_t Clamp32(std::int64_t v) { return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX)); }

}  // namespace

std::string SessColumnText(const TSess& s, int type, bool forFile, int fileWidth)
{
    const bool human = s.Has(sfHuman);
    const bool noTransfer = human || s.Has(sfBad);
    const bool oneChar = forFile && fileWidth == 1;
    switch (type) {
    case 0: return FormatDateTime("dd/mm hh:nn:ss", s.StartTime);
    case 1: return SecondsToHMS(Clamp32(s.SessLength()), false);
    case 2: return s.SpeedText();
    case 3: return s.SessText();
    case 4: return human ? std::string() : DisplayText(s.System);
    case 5: return DisplayText(s.SysOp);
    case 6: return DisplayText(s.Phone);
    case 7: return DisplayText(s.Mailer);
    case 8: return s.ProtocolText();
    case 9:
        if (oneChar)
            return s.Has(sfBadPassword) ? "B" : (s.Has(sfPassword) ? "+" : "-");
        return s.PasswordText();
    case 10:
        if (oneChar)
            return s.Has(sfListed) ? "+" : "-";
        return s.ListedText();
    case 11:
        if (oneChar)
            return s.Has(sfOK) ? "+" : "-";
        return s.OKText();
    case 12: return noTransfer ? std::string() : GroupThousands(s.FilesSent);
    case 13: return noTransfer ? std::string() : GroupThousands(s.FilesRcvd);
    case 14: return noTransfer ? std::string() : GroupThousands(s.BytesSent);
    case 15: return noTransfer ? std::string() : GroupThousands(s.BytesRcvd);
    case 16: return noTransfer ? std::string() : std::to_string(s.CPS);
    case kSessColLocation: return DisplayText(s.Location);
    default: return {};
    }
}

std::string SessColumnName(int type)
{
    if (type == kSessColLocation)
        return LGetSOr("SessList.ColLocation", "Location");
    return LTextOr(static_cast<std::size_t>(kSessColumnNameText + type), {}, "");
}

void TSLColumn::GetText(const void* item, bool forFile, std::string& text) const
{
    text = item ? SessColumnText(*static_cast<const TSess*>(item), ColType, forFile, FileWidth) : std::string();
}

bool TSLColumn::IsGroupStart(const void* item) const
{
    return item && static_cast<const TSess*>(item)->Has(sfFirstOfDay);
}

std::unique_ptr<TColumn> CreateSessColumn(int type)
{
    auto c = std::make_unique<TSLColumn>();
    c->ColType = type;
    return c;
}

void DefaultSessColumns(TColumnList& list)
{
    list.Clear();
    // The defaults are report columns too, so that a report can be written before
    // the columns were ever set up: type, pixels, characters.
    struct TDefault {
        int type, width, fileWidth;
    };
    for (auto [type, width, fileWidth] : {TDefault{0, 90, 14}, TDefault{3, 90, 24}, TDefault{4, 120, 30}}) {
        auto c = CreateSessColumn(type);
        c->ScrWidth = width;
        c->ShowFile = true;
        c->FileWidth = fileWidth;
        c->Heading = SessColumnName(type);
        list.Add(std::move(c));
    }
    list.Recalc();
}

}  // namespace tarvix
