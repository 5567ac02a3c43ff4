#include "engine/Sess.h"

#include "fido/Lng.h"
#include "platform/Text.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tarvix {

namespace {

constexpr const char* kFlagNames[kSessFlagCount] = {
    "sfIncoming", "sfOK", "sfHuman", "sfBad", "sfPassword", "sfBadPassword", "sfFTS1",
    "sfFirstOfDay", "sfListed", "sfMailOnly", "sfAborted"};

constexpr const char* kProtocolNames[kProtocolCount] = {"???", "XModem", "ZModem", "ZedZap", "DirZap",
                                                        "Janus", "Hydra", "xHydra", "BinkP"};

// The colour items of the timeline (settings/SettingsStore.h numbers them the same way).
constexpr int kTLInc = 8, kTLOut = 9, kTLHuman = 10, kTLBad = 11;

// The digits of s from at on, read into value, which stops growing once past 32 bits
// (no speed then); where they end.
std::size_t ReadDigits(std::string_view s, std::size_t at, std::uint64_t& value)
{
    value = 0;
    for (; at < s.size() && s[at] >= '0' && s[at] <= '9'; ++at)
        if (value <= 0xFFFFFFFFull)
            value = value * 10 + static_cast<unsigned>(s[at] - '0');
    return at;
}

std::uint32_t SpeedOf(std::uint64_t value) { return value <= 0xFFFFFFFFull ? static_cast<std::uint32_t>(value) : 0; }

}  // namespace

const char* SessFlagName(int bit) { return bit >= 0 && bit < kSessFlagCount ? kFlagNames[bit] : ""; }

const char* ProtocolName(int code) { return code >= 0 && code < kProtocolCount ? kProtocolNames[code] : "???"; }

void TSess::SetConnect(std::string_view s)
{
    // Nearly every text is digits after blanks that end the text or stand before a
    // "/" or a blank ("28800/ARQ", "9600 REL"): the speed is those digits, read in
    // the pass that finds their end. Anything else takes the full reading.
    std::size_t b = 0;
    while (b < s.size() && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    std::uint64_t value = 0;
    std::size_t e = ReadDigits(s, b, value);
    if (e > b && (e == s.size() || s[e] == '/' || s[e] == ' ')) {
        Speed = SpeedOf(value);
        return;
    }
    if (s.starts_with("From")) {
        Speed = kSpeedIP;
        Flags |= sfIncoming;
        return;
    }
    if (s.starts_with("To")) {
        Speed = kSpeedIP;
        Flags &= static_cast<std::uint16_t>(~sfIncoming);
        return;
    }
    s = TrimBlanks(s);
    // The speed is the text before the first "/" or blank.
    std::size_t cut = 0;
    while (cut < s.size() && s[cut] != '/' && s[cut] != ' ')
        ++cut;
    s = s.substr(0, cut);
    if (s.size() >= 2 && (s.substr(s.size() - 2) == "TX" || s.substr(s.size() - 2) == "RX"))
        s.remove_suffix(2);
    if (s == "TCP") {
        Speed = kSpeedIP;
        return;
    }
    Speed = 0;
    if (s.empty() || s.front() == '?' || static_cast<unsigned char>(s.front()) > '9')
        return;
    // A whole decimal number, or nothing; a negative one is no speed.
    if (s[0] == '-')
        return;
    b = s[0] == '+' ? 1 : 0;
    e = ReadDigits(s, b, value);
    if (e > b && e == s.size())
        Speed = SpeedOf(value);
}

void TSess::SetProtocol(std::string_view s)
{
    // The names are compared in upper case; none is longer than 8 letters, so the
    // first 8 bytes of the text in upper case tell them all.
    char head[8];
    const std::size_t n = std::min<std::size_t>(s.size(), sizeof head);
    for (std::size_t i = 0; i < n; ++i)
        head[i] = UpperAscii(s[i]);
    const std::string_view v(head, n);
    auto is = [&s, &v](std::string_view name) { return s.size() == name.size() && v == name; };
    if (is("ZMODEM"))
        Protocol = prZModem;
    else if (v.starts_with("ZED"))
        Protocol = prZedZap;
    else if (is("DIRZAP"))
        Protocol = prDirZap;
    else if (is("JANUS"))
        Protocol = prJanus;
    else if (v.starts_with("HYDRA"))
        Protocol = prHydra;
    else if (v.starts_with("XHYDRA"))
        Protocol = prXHydra;
    else if (is("BINKP"))
        Protocol = prBinkP;
    else
        Protocol = prNone;
}

std::int64_t TSess::SessLength() const
{
    const double seconds = (EndTime - StartTime) * 86400.0;
    // Rounded as llround rounds (halves away from zero), without the library call for
    // any length a log can give: below 2^52 the fraction left by the whole seconds is
    // exact.
    if (std::fabs(seconds) < 4.5e15) {
        std::int64_t whole = static_cast<std::int64_t>(seconds);
        const double fraction = seconds - static_cast<double>(whole);
        if (fraction >= 0.5)
            ++whole;
        else if (fraction <= -0.5)
            --whole;
        return whole;
    }
    return static_cast<std::int64_t>(std::llround(seconds));
}

std::string TSess::SessText() const
{
    if (Has(sfHuman))
        return LTextOr(100, {}, "Human caller");
    std::string s = Has(sfIncoming) ? LTextOr(101, {}, "In") : LTextOr(102, {}, "Out");
    s += ' ';
    if (Has(sfMailOnly))
        s += "MO ";
    if (Has(sfBad))
        s += LTextOr(103, {}, "Failed call");
    else if (Has(sfFTS1))
        s += "FTS-1";
    else if (Addr)
        s += Addr->ToStrFlags(pfAlias | pfShort);
    return s;
}

int TSess::SessColor() const
{
    if (Has(sfBad))
        return kTLBad;
    if (Has(sfHuman))
        return kTLHuman;
    return Has(sfIncoming) ? kTLInc : kTLOut;
}

std::string TSess::SpeedText() const
{
    if (Speed == 0)
        return "???";
    if (Speed == kSpeedIP)
        return "IP";
    return std::to_string(Speed);
}

std::string TSess::ProtocolText() const
{
    if (Has(sfHuman) || Has(sfBad))
        return {};
    return ProtocolName(Protocol);
}

std::string TSess::PasswordText() const
{
    if (Has(sfBadPassword))
        return "BAD";
    return Has(sfPassword) ? "Yes" : "No";
}

std::string TSess::ListedText() const { return Has(sfListed) ? "Listed" : "Unlisted"; }

std::string TSess::OKText() const { return Has(sfOK) ? "OK" : "Err"; }

TDLCFreq::TDLCFreq(TLog* log, std::string_view fileName, std::string_view path) : Log(log), FileName(fileName)
{
    std::size_t cut = path.find_last_of("\\:/");
    if (cut != std::string_view::npos)
        Dir = path.substr(0, cut + 1);
}

int CompareDLCDirs(std::string_view a, std::string_view b)
{
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(UpperAscii(a[i]));
        unsigned char y = static_cast<unsigned char>(UpperAscii(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

int CompareDLC(const TDLCFreq& a, const TDLCFreq& b) { return CompareDLCDirs(a.Dir, b.Dir); }

std::string StripParenTail(std::string_view s)
{
    if (s.empty() || s.back() != ')')
        return std::string(s);
    std::size_t open = s.rfind('(');
    if (open == std::string_view::npos)
        return std::string(s);  // no "(": nothing to strip
    // The parenthesised part goes, and the one character before it.
    return std::string(s.substr(0, open == 0 ? 0 : open - 1));
}

TDayPos DayPos(TDateTime t, int dayStart, int dayEnd)
{
    TDayPos p;
    // The day of the same rounding as the time: a moment that reads 00:00:00 is on
    // the day that begins then.
    p.Day = static_cast<int>(DateOf(t));
    int h = 0, m = 0, sec = 0, ms = 0;
    DecodeTime(t, h, m, sec, ms);
    if (dayStart > dayEnd) {
        if (h >= dayStart)
            ++p.Day;
        else
            h += 24;
        p.Inside = true;
    } else {
        p.Inside = dayStart <= h && h < dayEnd;
    }
    p.Seconds = static_cast<std::int64_t>(h - dayStart) * 3600 + m * 60 + sec;
    return p;
}

}  // namespace tarvix
