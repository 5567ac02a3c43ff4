#include "fido/FidoAddr.h"

#include "platform/Scan.h"
#include "platform/Text.h"

#include <atomic>
#include <charconv>
#include <cstddef>
#include <cstring>
#include <optional>

namespace tarvix {

namespace {

// The unit-wide state: main address, default print flags, alias table.
std::optional<TFidoAddr>& MainSlot()
{
    static std::optional<TFidoAddr> main;
    return main;
}

// Counts the changes of the main address: an address read under another one may have
// taken its domain from it.
std::atomic<unsigned> mainGeneration{0};

std::uint8_t& DefaultFlagsSlot()
{
    static std::uint8_t flags = 0;
    return flags;
}

std::vector<TAddrAlias>& AliasTable()
{
    static std::vector<TAddrAlias> aliases;
    return aliases;
}

// A domain name keeps at most this many characters after the "@".
constexpr std::size_t kMaxDomain = 255;
// The largest number an address part may have.
constexpr int kMaxPart = 32767;

enum class ParseError { None, InvAddr, NoMask };


bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the address text S (already cut before the "@") part by part.
class Parser {
public:
    Parser(std::string_view s, bool allowMask) : s_(s), allowMask_(allowMask) {}

    // Fills the parts the text gives; the others keep the values they have.
    ParseError Run(TFidoAddr& a)
    {
        // "@domain" with nothing in front names no node.
        if (s_.empty())
            return ParseError::InvAddr;
        std::int16_t n = 0;
        char c = s_[0];
        if (c == '.') {
            ++pos_;
            return ReadPoint(a);
        }
        if (c == '/') {
            ++pos_;
            return ReadNode(a);
        }
        if (!IsDigit(c) && c != '*')
            return ParseError::InvAddr;
        if (ParseError e = ReadNumber(n); e != ParseError::None)
            return e;
        if (AtEnd()) {
            a.Node = n;
            return ParseError::None;
        }
        switch (s_[pos_++]) {
        case ':':
            a.Zone = n;
            if (ParseError e = ReadNumber(a.Net); e != ParseError::None)
                return e;
            if (AtEnd() || s_[pos_] != '/')
                return ParseError::InvAddr;
            ++pos_;
            return ReadNode(a);
        case '/':
            a.Net = n;
            return ReadNode(a);
        case '.':
            a.Node = n;
            return ReadPoint(a);
        default:
            return ParseError::InvAddr;
        }
    }

private:
    bool AtEnd() const { return pos_ >= s_.size(); }

    ParseError ReadNode(TFidoAddr& a)
    {
        if (ParseError e = ReadNumber(a.Node); e != ParseError::None)
            return e;
        if (AtEnd())
            return ParseError::None;
        if (s_[pos_] != '.')
            return ParseError::InvAddr;
        ++pos_;
        return ReadPoint(a);
    }

    ParseError ReadPoint(TFidoAddr& a)
    {
        if (ParseError e = ReadNumber(a.Point); e != ParseError::None)
            return e;
        return AtEnd() ? ParseError::None : ParseError::InvAddr;
    }

    // A "*" (the wildcard, where masks are allowed) or a run of decimal digits whose
    // value fits in 15 bits. The value saturates while reading, so any number of
    // digits is safe; a value above the limit is an error, not a wrapped number.
    ParseError ReadNumber(std::int16_t& out)
    {
        if (!AtEnd() && s_[pos_] == '*') {
            if (!allowMask_)
                return ParseError::NoMask;
            ++pos_;
            out = kAddrAny;
            return ParseError::None;
        }
        std::size_t start = pos_;
        int value = 0;
        while (!AtEnd() && IsDigit(s_[pos_])) {
            value = value * 10 + (s_[pos_] - '0');
            if (value > kMaxPart)
                value = kMaxPart + 1;
            ++pos_;
        }
        if (pos_ == start || value > kMaxPart)
            return ParseError::InvAddr;
        out = static_cast<std::int16_t>(value);
        return ParseError::None;
    }

    std::string_view s_;
    bool allowMask_;
    std::size_t pos_ = 0;
};

// Reads the usual form "zone:net/node[.point][@domain]" in one pass: true with the
// numbers and the domain text filled in. Anything else, a number above the limit
// among it, is left to the general way (false).
bool ParseUsualForm(std::string_view s, TFidoAddr& a, std::string_view& domain)
{
    const char* p = s.data();
    const char* const end = p + s.size();
    a.Point = 0;
    auto number = [&p, end](std::int16_t& out) {
        const char* const start = p;
        int value = 0;
        for (; p < end && IsDigit(*p); ++p) {
            value = value * 10 + (*p - '0');
            if (value > kMaxPart)
                return false;
        }
        out = static_cast<std::int16_t>(value);
        return p != start;
    };
    if (!number(a.Zone) || p == end || *p++ != ':' || !number(a.Net) || p == end || *p++ != '/' ||
        !number(a.Node))
        return false;
    if (p < end && *p == '.') {
        ++p;
        if (!number(a.Point))
            return false;
    }
    if (p == end) {
        domain = {};
        return true;
    }
    if (*p != '@')
        return false;
    domain = std::string_view(p + 1, static_cast<std::size_t>(end - p - 1));
    return true;
}

// The addresses of the usual form read last, by their text: a log names the same few
// nodes over and over. Plain fields, so that the table needs no set-up per thread.
struct TReadAddr {
    char text[24];
    std::size_t size = 0;  // 0: none
    unsigned generation = 0;
    std::int16_t zone, net, node, point;
    TAddrDomain domain;
};
constexpr std::size_t kReadAddrs = 64;
thread_local TReadAddr readAddrs[kReadAddrs];

TReadAddr* ReadAddrSlot(std::string_view s)
{
    if (s.size() < 4 || s.size() > sizeof(TReadAddr::text))
        return nullptr;
    const std::uint64_t ends = LoadWord4(s.data()) | std::uint64_t{LoadWord4(s.data() + s.size() - 4)} << 32;
    return &readAddrs[((ends ^ s.size()) * 0x9E3779B97F4A7C15ull) >> 58];
}

// The address of the usual-form text s if it was read last under the main address in
// force: true with a filled in.
bool RecallReadAddr(std::string_view s, TFidoAddr& a)
{
    const TReadAddr* slot = ReadAddrSlot(s);
    if (!slot || slot->size != s.size() || slot->generation != mainGeneration.load(std::memory_order_relaxed) ||
        !SameBytes(slot->text, s.data(), s.size()))
        return false;
    a.Zone = slot->zone;
    a.Net = slot->net;
    a.Node = slot->node;
    a.Point = slot->point;
    a.Domain = slot->domain;
    return true;
}

// Parses S with the main address as the default. On failure Text receives the
// address text the error message names (S without "@" and the domain).
ParseError Parse(std::string_view s, bool allowMask, TFidoAddr& a, std::string_view& text)
{
    std::string_view domain;
    if (ParseUsualForm(s, a, domain)) {
        a.Domain.assign(domain.substr(0, kMaxDomain));
        const std::optional<TFidoAddr>& main = MainSlot();
        if (a.Domain.empty() && main && main->Zone == a.Zone)
            a.Domain = main->Domain;
        if (TReadAddr* slot = ReadAddrSlot(s)) {
            std::memcpy(slot->text, s.data(), s.size());
            slot->size = s.size();
            slot->generation = mainGeneration.load(std::memory_order_relaxed);
            slot->zone = a.Zone;
            slot->net = a.Net;
            slot->node = a.Node;
            slot->point = a.Point;
            slot->domain = a.Domain;
        }
        return ParseError::None;
    }
    a.Zone = kAddrMissing;
    a.Net = kAddrMissing;
    a.Node = kAddrMissing;
    a.Point = 0;
    a.Domain.clear();
    text = s;
    if (s.empty())
        return ParseError::None;
    std::size_t at = s.find('@');
    if (at != std::string_view::npos) {
        a.Domain.assign(s.substr(at + 1, kMaxDomain));
        s = s.substr(0, at);
        text = s;
    }
    if (ParseError e = Parser(s, allowMask).Run(a); e != ParseError::None)
        return e;
    if (const std::optional<TFidoAddr>& main = MainSlot()) {
        if (a.Zone == kAddrMissing)
            a.Zone = main->Zone;
        if (a.Net == kAddrMissing)
            a.Net = main->Net;
        if (a.Node == kAddrMissing)
            a.Node = main->Node;
        if (a.Domain.empty() && main->Zone == a.Zone)
            a.Domain = main->Domain;
    }
    return ParseError::None;
}

ParseError ParseFlags(std::string_view s, std::uint8_t flags, TFidoAddr& a, std::string_view& text)
{
    // An alias name comes before any address of the same text.
    if (!(flags & afAlias) && RecallReadAddr(s, a))
        return ParseError::None;
    text = s;
    if (flags & afAlias) {
        for (const TAddrAlias& alias : AliasTable()) {
            if (SameText(alias.Name, s)) {
                a.Zone = alias.Zone;
                a.Net = alias.Net;
                a.Node = alias.Node;
                a.Point = alias.Point;
                a.Domain.clear();
                return ParseError::None;
            }
        }
    }
    if (flags & afMask) {
        if (SameText(s, "ALL")) {
            a.Zone = a.Net = a.Node = a.Point = kAddrAny;
            a.Domain.clear();
            return ParseError::None;
        }
        return Parse(s, true, a, text);
    }
    return Parse(s, false, a, text);
}

EAddrError ErrorOf(ParseError e, std::string_view text)
{
    return EAddrError(e == ParseError::NoMask ? "FidoAddr.NoMask" : "FidoAddr.InvAddr", {std::string(text)});
}

[[noreturn]] void Raise(ParseError e, std::string_view text) { throw ErrorOf(e, text); }

void AppendNumber(char*& p, char* end, int value)
{
    p = std::to_chars(p, end, value).ptr;
}

}  // namespace

TFidoAddr::TFidoAddr()
{
    if (const std::optional<TFidoAddr>& main = MainSlot())
        Zone = main->Zone;
}

TFidoAddr::TFidoAddr(int zone, int net, int node, int point)
    : Zone(static_cast<std::int16_t>(zone)),
      Net(static_cast<std::int16_t>(net)),
      Node(static_cast<std::int16_t>(node)),
      Point(static_cast<std::int16_t>(point))
{
    if (Zone == 0) {
        if (const std::optional<TFidoAddr>& main = MainSlot())
            Zone = main->Zone;
    }
}

TFidoAddr TFidoAddr::CreateStr(std::string_view s) { return CreateParse(s, 0); }

TFidoAddr TFidoAddr::CreateParse(std::string_view s, std::uint8_t flags)
{
    TFidoAddr a;
    std::string_view text;
    if (ParseError e = ParseFlags(s, flags, a, text); e != ParseError::None)
        Raise(e, text);
    return a;
}

bool TFidoAddr::TryParse(std::string_view s, std::uint8_t flags, TFidoAddr& out)
{
    std::string_view text;
    return ParseFlags(s, flags, out, text) == ParseError::None;
}

bool TFidoAddr::TryParse(std::string_view s, std::uint8_t flags, TFidoAddr& out, std::string& error)
{
    std::string_view text;
    const ParseError e = ParseFlags(s, flags, out, text);
    if (e == ParseError::None)
        return true;
    error = ErrorOf(e, text).what();
    return false;
}

std::string TFidoAddr::ToStr() const { return ToStrFlags(DefaultFlagsSlot()); }

std::string TFidoAddr::ToStrFlags(std::uint8_t flags) const
{
    if (flags & pfAlias) {
        for (const TAddrAlias& alias : AliasTable())
            if (alias.Zone == Zone && alias.Net == Net && alias.Node == Node && alias.Point == Point)
                return alias.Name;
    }
    if (Net == kAddrMissing || Node == kAddrMissing)
        return {};

    // Short printing compares with the main address; without one it prints in full.
    const std::optional<TFidoAddr>& main = MainSlot();
    const bool shortForm = (flags & pfShort) && main.has_value();

    // "-32768:-32768/-32768.-32768" is the longest text of the four numbers.
    char buf[32];
    char* p = buf;
    char* const end = buf + sizeof buf;

    if (Zone == kAddrAny) {
        *p++ = '*';
        *p++ = ':';
    } else if (Zone == 0 || Zone == kAddrMissing) {
        // A zone not known (0, or not given while there was no main address) is left
        // out, so the text parses back to the same address.
    } else if (!(shortForm && Zone == main->Zone)) {
        AppendNumber(p, end, Zone);
        *p++ = ':';
    }

    if (Net == kAddrAny)
        *p++ = '*';
    else if (!(shortForm && Zone == main->Zone && Net == main->Net))
        AppendNumber(p, end, Net);

    *p++ = '/';
    if (Node == kAddrAny)
        *p++ = '*';
    else
        AppendNumber(p, end, Node);

    if (Point == kAddrAny) {
        *p++ = '.';
        *p++ = '*';
    } else if (Point != 0 || (flags & pfPoint)) {
        *p++ = '.';
        AppendNumber(p, end, Point);
    }

    std::string result;
    const bool withDomain = (flags & pfDomain) && !Domain.empty();
    result.reserve(static_cast<std::size_t>(p - buf) + (withDomain ? Domain.size() + 1 : 0));
    result.append(buf, p);
    if (withDomain) {
        result += '@';
        result += Domain.view();
    }
    return result;
}

bool EqualAddr(const TFidoAddr& a, const TFidoAddr& b)
{
    return a.Zone == b.Zone && a.Net == b.Net && a.Node == b.Node && a.Point == b.Point;
}

bool MatchAddr(const TFidoAddr& mask, const TFidoAddr& addr)
{
    return (mask.Zone == kAddrAny || mask.Zone == addr.Zone) && (mask.Net == kAddrAny || mask.Net == addr.Net) &&
           (mask.Node == kAddrAny || mask.Node == addr.Node) && (mask.Point == kAddrAny || mask.Point == addr.Point);
}

int CompareAddr(const TFidoAddr& a, const TFidoAddr& b)
{
    auto cmp = [](std::int16_t x, std::int16_t y) { return x < y ? -1 : (x > y ? 1 : 0); };
    if (int c = cmp(a.Zone, b.Zone))
        return c;
    if (int c = cmp(a.Net, b.Net))
        return c;
    if (int c = cmp(a.Node, b.Node))
        return c;
    return cmp(a.Point, b.Point);
}

bool IsValidAddr(std::string_view s, std::uint8_t flags)
{
    TFidoAddr a;
    return TFidoAddr::TryParse(s, flags, a);
}

std::string AddrToStr(int zone, int net, int node, int point) { return TFidoAddr(zone, net, node, point).ToStr(); }

std::string AddrToStrFlags(int zone, int net, int node, int point, std::uint8_t flags)
{
    return TFidoAddr(zone, net, node, point).ToStrFlags(flags);
}

const TFidoAddr* MainAddr()
{
    const std::optional<TFidoAddr>& main = MainSlot();
    return main ? &*main : nullptr;
}

void SetMainAddr(const TFidoAddr& addr)
{
    MainSlot() = addr;
    mainGeneration.fetch_add(1, std::memory_order_relaxed);
}

void ClearMainAddr()
{
    MainSlot().reset();
    mainGeneration.fetch_add(1, std::memory_order_relaxed);
}

void SetDefaultAddrFlags(std::uint8_t flags) { DefaultFlagsSlot() = flags; }

std::uint8_t DefaultAddrFlags() { return DefaultFlagsSlot(); }

void AddAlias(const TFidoAddr& addr, std::string_view name)
{
    // An alias without a name could never be printed usefully and would make the
    // empty text parse as that address.
    if (name.empty())
        return;
    for (TAddrAlias& alias : AliasTable()) {
        if (alias.Zone == addr.Zone && alias.Net == addr.Net && alias.Node == addr.Node && alias.Point == addr.Point) {
            alias.Name.assign(name);
            return;
        }
    }
    AliasTable().push_back(TAddrAlias{addr.Zone, addr.Net, addr.Node, addr.Point, std::string(name)});
}

void ClearAliases() { AliasTable().clear(); }

const std::vector<TAddrAlias>& Aliases() { return AliasTable(); }

}  // namespace tarvix
