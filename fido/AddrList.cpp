#include "fido/AddrList.h"

#include "platform/Text.h"

#include "fido/StrDict.h"

#include <algorithm>
#include <charconv>
#include <cstddef>

namespace tarvix {

namespace {

// The number N of an identifier written exactly Name followed by N in decimal
// (no sign, no leading zeros), or -1.
long long StoredIndex(std::string_view ident, std::string_view name)
{
    if (ident.size() <= name.size() || !SameText(ident.substr(0, name.size()), name))
        return -1;
    std::string_view digits = ident.substr(name.size());
    if (digits[0] < '0' || digits[0] > '9' || (digits.size() > 1 && digits[0] == '0'))
        return -1;
    long long n = -1;
    auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (ec != std::errc() || p != digits.data() + digits.size() || n < 0)
        return -1;
    return n;
}

}  // namespace

TListFidoAddr TListFidoAddr::CreateEntry(std::string_view text, std::uint8_t parseFlags)
{
    bool exclude = false;
    if (!text.empty() && text[0] == '!') {
        exclude = true;
        text.remove_prefix(1);
    }
    // The parser takes an empty text for an address not given; as an entry it is none.
    if (text.empty())
        throw EAddrError("FidoAddr.InvAddr", {std::string(text)});
    return TListFidoAddr(TFidoAddr::CreateParse(text, parseFlags), exclude);
}

std::string TListFidoAddr::EntryStr(std::uint8_t printFlags) const
{
    std::string s = ToStrFlags(printFlags);
    if (Exclude)
        s.insert(s.begin(), '!');
    return s;
}

TAddrList::TAddrList(bool masks, bool aliases)
{
    if (masks)
        ParseFlags |= afMask;
    if (aliases) {
        ParseFlags |= afAlias;
        PrintFlags |= pfAlias;
    }
}

void TAddrList::CheckIndex(int index, const char* who, int limit) const
{
    if (index < 0 || index >= limit)
        throw EAddrListError(std::string(who) + ": index out of bounds");
}

const TListFidoAddr& TAddrList::GetAddr(int index) const
{
    CheckIndex(index, "TAddrList.GetAddr", Count());
    return items_[static_cast<std::size_t>(index)];
}

TListFidoAddr& TAddrList::GetAddr(int index)
{
    CheckIndex(index, "TAddrList.GetAddr", Count());
    return items_[static_cast<std::size_t>(index)];
}

void TAddrList::Add(const TFidoAddr& addr) { items_.emplace_back(addr); }

void TAddrList::Insert(int index, const TFidoAddr& addr)
{
    CheckIndex(index, "TAddrList.Insert", Count() + 1);
    items_.insert(items_.begin() + index, TListFidoAddr(addr));
}

void TAddrList::Move(int curIndex, int newIndex)
{
    CheckIndex(curIndex, "TAddrList.Move", Count());
    CheckIndex(newIndex, "TAddrList.Move", Count());
    auto cur = items_.begin() + curIndex;
    auto dst = items_.begin() + newIndex;
    if (curIndex < newIndex)
        std::rotate(cur, cur + 1, dst + 1);
    else if (curIndex > newIndex)
        std::rotate(dst, cur, cur + 1);
}

void TAddrList::Clear() { items_.clear(); }

void TAddrList::AddStrings(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines) {
        std::string_view text = TrimControls(line);
        if (!text.empty())
            items_.push_back(TListFidoAddr::CreateEntry(text, ParseFlags));
    }
}

void TAddrList::ToStrings(std::vector<std::string>& lines) const
{
    for (const TListFidoAddr& item : items_)
        lines.push_back(item.EntryStr(PrintFlags));
}

int TAddrList::IndexOf(const TFidoAddr& addr) const
{
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (MatchAddr(items_[i], addr))
            return static_cast<int>(i);
    return -1;
}

bool TAddrList::Selects(const TFidoAddr& addr) const
{
    bool selected = false;
    for (const TListFidoAddr& item : items_)
        if (MatchAddr(item, addr))
            selected = !item.Exclude;
    return selected;
}

void TAddrList::LoadIni(const TIniFile& ini, std::string_view section, std::string_view name)
{
    std::string base(name);
    long long count = ini.ReadInteger(section, base + "Cnt", 0);
    if (count <= 0)
        return;
    // Only the values that exist can give entries, so the numbers are taken from the
    // section's identifiers: a damaged count of billions costs nothing.
    std::vector<long long> numbers;
    for (const std::string& ident : ini.ReadSection(section)) {
        long long n = StoredIndex(ident, base);
        if (n >= 0 && n < count)
            numbers.push_back(n);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    for (long long n : numbers) {
        std::string value = ini.ReadString(section, base + std::to_string(n), "");
        if (!value.empty())
            items_.push_back(TListFidoAddr::CreateEntry(value, ParseFlags));
    }
}

void TAddrList::SaveIni(TIniFile& ini, std::string_view section, std::string_view name) const
{
    std::string base(name);
    ini.WriteInteger(section, base + "Cnt", Count());
    const std::uint8_t flags = DefaultAddrFlags();
    for (std::size_t i = 0; i < items_.size(); ++i)
        ini.WriteString(section, base + std::to_string(i), items_[i].EntryStr(flags));
}

}  // namespace tarvix
