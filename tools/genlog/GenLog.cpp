// tarvix-genlog: writes synthetic logs in the generic layouts Tarvix reads, for
// end-to-end tests and benchmarks.
//
//   tarvix-genlog --style plain|bink|frontdoor|custom (--size BYTES | --lines N)
//                 --seed S [--year Y] [--crlf] --out FILE
//
// The same options always give the same bytes: the generator has its own random
// numbers and calendar and never looks at the clock or the locale.
//
// Layouts:
//   bink       "X DD Mon HH:MM:SS PROG  message": a marker in column 1 ("+", "-", "!",
//              ":", "#", "*" or a blank), the day in columns 3-4, the month name in
//              6-8, the time from column 10, the program name from column 19.
//   frontdoor  a separator "----------  Sun 13 Mar 05, FrontDoor 2.12" at every date
//              change (and now and then at a restart on the same date), then lines
//              "X HH:MM:SS  message" with a marker in column 1 (mostly a blank).
//   custom     "yyyy-mm-dd hh:nn:ss  message"; a custom log reads it with
//              LineMask "yyyy-mm-dd hh:nn:ss" and an empty DateMask. Failures
//              start their message with the word "ERROR" (an ErrWords entry).
//   plain      free text: words of a mailer's world, now and then an empty line or a
//              line longer than 255 characters.
//
// Mailer lines come in sessions (a call or an answer, the remote's addresses, mail
// and files each way, the end or a failure) spread over at least four days that
// start at the end of a month, so every log of a few dozen lines crosses dates and
// a month change; a longer log spans about one day per 20000 lines. The years run
// on from --year (default 2026) as the days pass.
//
// --lines N writes exactly N lines; --size BYTES writes whole lines until the file
// holds at least BYTES bytes. Lines end in LF, or CR LF with --crlf. The text is
// built in a large buffer and written in blocks of a few megabytes.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "tools/gencommon/GenCommon.h"

namespace {

using namespace tarvix::gen;


// The generator's clock: a day number and the second of that day.
class TClock {
public:
    void Set(std::int64_t day, int second)
    {
        day_ = day;
        second_ = second;
        date_ = CivilFromDays(day_);
    }
    void Advance(std::int64_t seconds)
    {
        std::int64_t s = second_ + seconds;
        if (s >= 86400) {
            day_ += s / 86400;
            s %= 86400;
            date_ = CivilFromDays(day_);
        }
        second_ = static_cast<int>(s);
    }
    std::int64_t Day() const { return day_; }
    const TDate& Date() const { return date_; }
    int Hour() const { return second_ / 3600; }
    int Minute() const { return second_ / 60 % 60; }
    int Second() const { return second_ % 60; }

private:
    std::int64_t day_ = 0;
    int second_ = 0;
    TDate date_;
};

// ---------------------------------------------------------------- output

// Collects lines in a large buffer and writes it out in blocks. Once the limit is
// reached every further write is dropped, so a session may stop in the middle.
class TOut {
public:
    TOut(std::FILE* file, bool crlf, std::uint64_t maxLines, std::uint64_t minBytes)
        : file_(file), crlf_(crlf), maxLines_(maxLines), minBytes_(minBytes)
    {
        buf_.reserve(kBlock + 8192);
    }

    bool Full() const { return full_; }
    bool Failed() const { return failed_; }

    void Put(char c)
    {
        if (!full_)
            buf_.push_back(c);
    }
    void Put(std::string_view s)
    {
        if (!full_)
            buf_.append(s);
    }
    void Num(std::uint64_t v)
    {
        char tmp[24];
        char* p = tmp + sizeof tmp;
        do {
            *--p = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v != 0);
        Put(std::string_view(p, static_cast<std::size_t>(tmp + sizeof tmp - p)));
    }
    // A number with leading zeros to the given width.
    void Num(std::uint64_t v, int width)
    {
        char tmp[24];
        char* p = tmp + sizeof tmp;
        do {
            *--p = static_cast<char>('0' + v % 10);
            v /= 10;
            --width;
        } while (v != 0 || width > 0);
        Put(std::string_view(p, static_cast<std::size_t>(tmp + sizeof tmp - p)));
    }
    void Hex(std::uint64_t v, int digits)
    {
        static constexpr char kHex[] = "0123456789ABCDEF";
        for (int i = digits - 1; i >= 0; --i)
            Put(kHex[(v >> (4 * i)) & 15]);
    }

    void EndLine()
    {
        if (full_)
            return;
        if (crlf_)
            buf_.push_back('\r');
        buf_.push_back('\n');
        ++lines_;
        if ((maxLines_ != 0 && lines_ >= maxLines_) || (minBytes_ != 0 && written_ + buf_.size() >= minBytes_))
            full_ = true;
        if (buf_.size() >= kBlock)
            Flush();
    }

    void Flush()
    {
        if (!buf_.empty() && std::fwrite(buf_.data(), 1, buf_.size(), file_) != buf_.size())
            failed_ = true;
        written_ += buf_.size();
        buf_.clear();
    }

private:
    static constexpr std::size_t kBlock = 4u << 20;
    std::FILE* file_;
    bool crlf_;
    std::uint64_t maxLines_;
    std::uint64_t minBytes_;
    std::string buf_;
    std::uint64_t lines_ = 0;
    std::uint64_t written_ = 0;
    bool full_ = false;
    bool failed_ = false;
};

// ---------------------------------------------------------------- mailer lines

enum class TStyle { Plain, Bink, FrontDoor, Custom };

constexpr std::string_view kSystems[] = {
    "Moscow Station", "The Black Cat BBS", "Northern Lights", "Hedgehog's Burrow", "Radio Amateur BBS",
    "Old Harbour", "Lighthouse Point", "Cellar Door", "Blue Fox Node", "Tin Can Relay"};
constexpr std::string_view kSysops[] = {"Ivan Petrov", "Anna Smirnova", "John Doe", "Mark Hollis", "Olga Kuznetsova",
                                        "Peter Brandt", "Eva Lind", "Tom Baker"};
constexpr std::string_view kCities[] = {"Moscow", "Hamburg", "Oslo", "Tver", "Kiev", "Riga", "Leeds", "Turku"};
constexpr std::string_view kMailers[] = {"FrontDoor 2.12.SW", "BinkleyTerm 2.60", "T-Mail 2605", "Argus 3.210",
                                         "SF-Mail 2.15", "binkd 1.0.4/linux", "InterMail 2.29k", "McMail 1.0"};
constexpr std::string_view kConnects[] = {"Connect 2400", "Connect 14400/ARQ/V32BIS", "Connect 28800/ARQ/V34/LAPM",
                                          "Connect 33600/ARQ/V34/LAPM/V42BIS", "Connect 19200/REL", "Connect 9600"};
constexpr std::string_view kArchExt[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};
constexpr std::string_view kFiles[] = {"NODELIST.A65", "NODEDIFF.A72", "FILES.ZIP", "ALLFILES.RAR", "PNT5030.ZIP",
                                       "FIDONEWS.F12", "XOFCE.LZH", "MAKENL.ZIP", "GOLDED.ARJ", "README.TXT"};
constexpr std::string_view kProtocols[] = {"ZedZap", "ZModem", "Janus", "Hydra", "EMSI/ZedZap"};
constexpr std::string_view kProgs[] = {"BINK", "BINK", "BINK", "BTXE", "SQSH", "MAX"};
constexpr std::string_view kFailures[] = {"NO CARRIER", "BUSY", "NO DIAL TONE", "NO ANSWER"};
constexpr std::string_view kAborts[] = {"Carrier lost", "Session aborted", "Timeout waiting for packet",
                                        "Unable to open file", "Too many errors, giving up"};

class TMailerGen {
public:
    TMailerGen(TOut& out, TRandom& rnd, TStyle style, int year, std::uint64_t expectedLines)
        : out_(out), rnd_(rnd), style_(style)
    {
        // Start two or three days before a month ends so that even a short log
        // crosses a month boundary.
        int month = 1 + static_cast<int>(rnd_.Below(12));
        int day = DaysInMonth(year, month) - static_cast<int>(rnd_.Below(3));
        clock_.Set(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)),
                   static_cast<int>(rnd_.Range(0, 6 * 3600)));
        std::uint64_t days = expectedLines / 20000;
        if (days < 4)
            days = 4;
        // Sessions average about six lines; spread them over the days.
        std::uint64_t sessions = expectedLines / 6 + 1;
        meanGap_ = static_cast<std::int64_t>(days * 86400 / sessions);
        if (meanGap_ < 2)
            meanGap_ = 2;
    }

    void Run()
    {
        Begin('+');
        out_.Put("Begin, ");
        out_.Put(Program());
        EndLine();
        while (!out_.Full()) {
            Session();
            clock_.Advance(rnd_.Range(1, 2 * meanGap_));
            if (rnd_.Chance(3))
                Restart();
        }
    }

private:
    TOut& out_;
    TRandom& rnd_;
    TStyle style_;
    TClock clock_;
    std::int64_t meanGap_ = 60;
    std::int64_t separatorDay_ = -1;

    std::string_view Program() const
    {
        switch (style_) {
        case TStyle::FrontDoor: return "FrontDoor 2.12.SW";
        case TStyle::Custom: return "binkd 1.0.4";
        default: return "BinkleyTerm Version 2.60";
        }
    }

    void Separator()
    {
        const TDate& d = clock_.Date();
        out_.Put("----------  ");
        out_.Put(kWeekDays[d.weekDay]);
        out_.Put(' ');
        out_.Num(static_cast<std::uint64_t>(d.day), 2);
        out_.Put(' ');
        out_.Put(kMonths[d.month - 1]);
        out_.Put(' ');
        out_.Num(static_cast<std::uint64_t>(d.year % 100), 2);
        out_.Put(", FrontDoor 2.12.SW");
        out_.EndLine();
        separatorDay_ = clock_.Day();
    }

    void Time()
    {
        out_.Num(static_cast<std::uint64_t>(clock_.Hour()), 2);
        out_.Put(':');
        out_.Num(static_cast<std::uint64_t>(clock_.Minute()), 2);
        out_.Put(':');
        out_.Num(static_cast<std::uint64_t>(clock_.Second()), 2);
    }

    // The start of a line up to its message, in the layout of the style.
    void Begin(char marker)
    {
        const TDate& d = clock_.Date();
        switch (style_) {
        case TStyle::Bink:
            out_.Put(marker);
            out_.Put(' ');
            out_.Num(static_cast<std::uint64_t>(d.day), 2);
            out_.Put(' ');
            out_.Put(kMonths[d.month - 1]);
            out_.Put(' ');
            Time();
            out_.Put(' ');
            out_.Put(rnd_.Chance(90) ? std::string_view("BINK") : rnd_.Pick(kProgs));
            out_.Put("  ");
            break;
        case TStyle::FrontDoor:
            if (clock_.Day() != separatorDay_)
                Separator();
            out_.Put(marker == '#' || marker == ':' ? ' ' : marker);
            out_.Put(' ');
            Time();
            out_.Put("  ");
            break;
        case TStyle::Custom:
            out_.Num(static_cast<std::uint64_t>(d.year), 4);
            out_.Put('-');
            out_.Num(static_cast<std::uint64_t>(d.month), 2);
            out_.Put('-');
            out_.Num(static_cast<std::uint64_t>(d.day), 2);
            out_.Put(' ');
            Time();
            out_.Put("  ");
            if (marker == '-' || marker == '!')
                out_.Put("ERROR ");
            break;
        case TStyle::Plain:
            break;
        }
    }

    void EndLine()
    {
        out_.EndLine();
        clock_.Advance(rnd_.Range(0, 4));
    }

    void Restart()
    {
        if (style_ == TStyle::FrontDoor)
            Separator();
        Begin('+');
        out_.Put("Begin, ");
        out_.Put(Program());
        EndLine();
    }

    struct TAddr {
        std::uint32_t zone, net, node, point;
    };

    TAddr RandomAddr()
    {
        TAddr a;
        a.zone = rnd_.Chance(85) ? 2 : 1 + rnd_.Below(6);
        a.net = 5000 + rnd_.Below(100);
        a.node = rnd_.Below(1000);
        a.point = rnd_.Chance(20) ? 1 + rnd_.Below(50) : 0;
        return a;
    }

    void PutAddr(const TAddr& a, bool domain)
    {
        out_.Num(a.zone);
        out_.Put(':');
        out_.Num(a.net);
        out_.Put('/');
        out_.Num(a.node);
        if (a.point != 0) {
            out_.Put('.');
            out_.Num(a.point);
        }
        if (domain)
            out_.Put("@fidonet");
    }

    void PutPhone()
    {
        out_.Put("+7-");
        out_.Num(rnd_.Range(812, 999));
        out_.Put('-');
        out_.Num(rnd_.Range(100, 999));
        out_.Put('-');
        out_.Num(rnd_.Range(1000, 9999));
    }

    // One call or answer with whatever came of it.
    void Session()
    {
        TAddr remote = RandomAddr();
        bool outgoing = rnd_.Chance(50);
        if (outgoing) {
            Begin(':');
            out_.Put("Dialing ");
            PutAddr(remote, false);
            out_.Put(" (");
            PutPhone();
            out_.Put(')');
            EndLine();
            if (rnd_.Chance(30)) {
                Begin('-');
                out_.Put(rnd_.Pick(kFailures));
                EndLine();
                return;
            }
        } else {
            Begin(' ');
            out_.Put("RING");
            EndLine();
        }
        Begin(':');
        out_.Put(rnd_.Pick(kConnects));
        EndLine();
        Begin('*');
        out_.Put("Remote uses ");
        out_.Put(rnd_.Pick(kMailers));
        EndLine();
        Begin(':');
        PutAddr(remote, true);
        out_.Put(", ");
        out_.Put(rnd_.Pick(kSystems));
        out_.Put(", ");
        out_.Put(rnd_.Pick(kCities));
        EndLine();
        if (rnd_.Chance(40)) {
            Begin(' ');
            out_.Put("Sysop: ");
            out_.Put(rnd_.Pick(kSysops));
            EndLine();
        }
        for (std::uint32_t aka = rnd_.Below(3); aka > 0; --aka) {
            Begin(' ');
            out_.Put("Address ");
            PutAddr(RandomAddr(), true);
            EndLine();
        }
        if (rnd_.Chance(5)) {
            Begin('!');
            out_.Put("Password error from ");
            PutAddr(remote, false);
            EndLine();
            return;
        }
        Begin(' ');
        out_.Put("Protocol: ");
        out_.Put(rnd_.Pick(kProtocols));
        EndLine();

        std::uint32_t sent = 0, recd = 0;
        for (std::uint32_t files = rnd_.Below(5); files > 0; --files) {
            bool send = rnd_.Chance(50);
            std::uint64_t size = static_cast<std::uint64_t>(rnd_.Range(200, 2000000));
            Begin('#');
            out_.Put(send ? "Sent " : "Received ");
            FileName();
            out_.Put(' ');
            out_.Num(size);
            out_.Put(" bytes, ");
            out_.Num(static_cast<std::uint64_t>(rnd_.Range(200, 3600)));
            out_.Put(" cps");
            EndLine();
            (send ? sent : recd)++;
            if (rnd_.Chance(6)) {
                Begin('!');
                out_.Put(rnd_.Pick(kAborts));
                EndLine();
                return;
            }
        }
        Begin('+');
        out_.Put("End of session, ");
        out_.Num(sent);
        out_.Put(" sent, ");
        out_.Num(recd);
        out_.Put(" received");
        EndLine();
    }

    void FileName()
    {
        switch (rnd_.Below(3)) {
        case 0:
            out_.Hex(rnd_.Next(), 8);
            out_.Put(".PKT");
            break;
        case 1:
            out_.Hex(rnd_.Next(), 8);
            out_.Put('.');
            out_.Put(rnd_.Pick(kArchExt));
            out_.Num(rnd_.Below(10));
            break;
        default:
            out_.Put(rnd_.Pick(kFiles));
            break;
        }
    }
};

// ---------------------------------------------------------------- plain text

constexpr std::string_view kWords[] = {
    "the",     "mail",    "node",     "echo",   "area",    "packet",  "tosser",   "nodelist", "file",
    "request", "point",   "boss",     "sysop",  "message", "netmail", "hub",      "poll",     "outbound",
    "inbound", "archive", "scanned",  "tossed", "linked",  "to",      "from",     "and",      "of",
    "a",       "was",     "after",    "before", "new",     "old",     "received", "sent",     "queue",
    "script",  "event",   "modem",    "line",   "busy",    "done",    "error",    "ok",       "22:10",
    "2:5030/1", "FIDO.NET", "size",   "bytes",  "crc",     "ready",   "waiting",  "holding",  "routed"};

void PlainText(TOut& out, TRandom& rnd)
{
    while (!out.Full()) {
        std::uint32_t kind = rnd.Below(100);
        if (kind < 4) {
            out.EndLine();  // an empty line
            continue;
        }
        std::uint32_t words = kind < 6 ? 60 + rnd.Below(40) : 3 + rnd.Below(12);
        for (std::uint32_t i = 0; i < words; ++i) {
            if (i != 0)
                out.Put(' ');
            out.Put(rnd.Pick(kWords));
            if (rnd.Chance(8))
                out.Num(rnd.Below(100000));
        }
        if (rnd.Chance(30))
            out.Put('.');
        out.EndLine();
    }
}

// ---------------------------------------------------------------- options

constexpr const char* kUsage =
    "Usage: tarvix-genlog --style plain|bink|frontdoor|custom (--size BYTES | --lines N)\n"
    "                     --seed S [--year Y] [--crlf] --out FILE\n"
    "Writes a synthetic log; the same options always give the same bytes.\n"
    "  --style   the layout: plain text, Bink-style, FrontDoor-style, or the custom\n"
    "            layout \"yyyy-mm-dd hh:nn:ss  message\" (LineMask \"yyyy-mm-dd hh:nn:ss\")\n"
    "  --size    write whole lines until the file holds at least BYTES bytes\n"
    "  --lines   write exactly N lines\n"
    "  --seed    the seed of the random choices (an unsigned number)\n"
    "  --year    the year the log starts in (default 2026)\n"
    "  --crlf    end lines in CR LF instead of LF\n"
    "  --out     the file to write\n";

[[noreturn]] void Usage(const std::string& message)
{
    std::fprintf(stderr, "tarvix-genlog: %s\n%s", message.c_str(), kUsage);
    std::exit(2);
}

std::uint64_t Number(const char* option, const char* text, std::uint64_t max)
{
    if (text == nullptr || *text < '0' || *text > '9')
        Usage(std::string(option) + ": expected a number");
    std::uint64_t v = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9' || v > (max - static_cast<std::uint64_t>(*p - '0')) / 10)
            Usage(std::string(option) + " " + text + ": expected a number up to " + std::to_string(max));
        v = v * 10 + static_cast<std::uint64_t>(*p - '0');
    }
    return v;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string styleName, outName;
    std::uint64_t size = 0, lines = 0, seed = 0, year = 2026;
    bool haveSeed = false, crlf = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--crlf") {
            crlf = true;
            continue;
        } else if (a == "--style" && value) {
            styleName = value;
        } else if (a == "--out" && value) {
            outName = value;
        } else if (a == "--size") {
            size = Number("--size", value, UINT64_MAX);
        } else if (a == "--lines") {
            lines = Number("--lines", value, UINT64_MAX);
        } else if (a == "--seed") {
            seed = Number("--seed", value, UINT64_MAX);
            haveSeed = true;
        } else if (a == "--year") {
            year = Number("--year", value, 9000);
        } else {
            Usage("unknown option or missing value: " + std::string(a));
        }
        ++i;
    }

    TStyle style;
    if (styleName == "plain")
        style = TStyle::Plain;
    else if (styleName == "bink")
        style = TStyle::Bink;
    else if (styleName == "frontdoor")
        style = TStyle::FrontDoor;
    else if (styleName == "custom")
        style = TStyle::Custom;
    else
        Usage(styleName.empty() ? "--style is required" : "--style " + styleName + ": unknown style");
    if ((size == 0) == (lines == 0))
        Usage("give one of --size and --lines, greater than 0");
    if (!haveSeed)
        Usage("--seed is required");
    if (outName.empty())
        Usage("--out is required");
    if (year < 1000)
        Usage("--year " + std::to_string(year) + ": expected a year from 1000 to 9000");

    std::FILE* file = std::fopen(outName.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "tarvix-genlog: cannot create %s: %s\n", outName.c_str(), std::strerror(errno));
        return 1;
    }
    std::setvbuf(file, nullptr, _IONBF, 0);

    TOut out(file, crlf, lines, size);
    TRandom rnd(seed);
    if (style == TStyle::Plain) {
        PlainText(out, rnd);
    } else {
        std::uint64_t expected = lines != 0 ? lines : size / 56 + 1;
        TMailerGen(out, rnd, style, static_cast<int>(year), expected).Run();
    }
    out.Flush();
    bool ok = !out.Failed() && std::fclose(file) == 0;
    if (!ok) {
        std::fprintf(stderr, "tarvix-genlog: cannot write %s\n", outName.c_str());
        return 1;
    }
    return 0;
}
