// tarvix-genbinkplus: writes a made-up Bink/+ installation for demonstrations and
// tests: the language file binkley.lng, binkley.cfg with an included file and the
// OKFile it names, file areas with their files.bbs, and a log binkley.log written from
// the texts of that very language file.
//
//   tarvix-genbinkplus [--seed N] [--days N] [--events-per-day N] [--log-size BYTES] OUTDIR
//
// The same seed and options always give the same bytes; the defaults (seed 53, three
// days) wrote samples/binkplus. --days sets how many days the log covers; --log-size
// writes days until the log holds at least that many bytes (the last event is
// finished), for timing runs on large logs. --events-per-day adds events (calls,
// sessions, the tosser) to every day beyond the one of each kind (default 2 to 5 at
// random), for the log of a busier station.
//
// The installation is that of a station whose drive C: holds the file base under
// C:\FILES: the log names served files as C:\FILES\..., found in OUTDIR/FILES/...
// when the drive C: is mapped to OUTDIR.
#include "tools/gencommon/GenCommon.h"

#include "tools/lngwriters/MailerLngWriter.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

// ----------------------------------------------------------------- randomness

// SplitMix64: the same numbers on every platform and standard library.
class TRandom : public tarvix::gen::TSplitMix64 {
public:
    using TSplitMix64::TSplitMix64;
    // 0 .. n-1.
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
    // lo .. hi.
    int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }
    bool Chance(int percent) { return Below(100) < percent; }
    template <typename T>
    const T& Pick(const std::vector<T>& v) { return v[static_cast<std::size_t>(Below(static_cast<int>(v.size())))]; }
};

// ----------------------------------------------------------------- the language file

// Entries the log is written from (0-based, as the mailer numbers them).
enum : int {
    lnWaiting = 10, lnModemReady = 11, lnRing = 12, lnBackFromBbs = 20, lnOutbound = 30, lnEmsiWith = 40,
    lnEvent = 50, lnHuman = 16, lnPhone = 71, lnSysOp = 75, lnAkas = 100, lnSystem = 101, lnHandshakeBad = 102,
    lnPassword = 103, lnBadPassword = 104, lnProtocol = 109, lnSessionEnd = 110, lnTerminal = 126,
    lnVisitor = 127, lnMailer = 142, lnCalling = 183, lnRecdMark = 241, lnSentPath = 242, lnRate = 251,
    lnRequest = 255, lnNotFound = 256, lnCarrierLost = 273, lnStored = 293, lnTransferBad = 304,
    lnDelivered = 305, lnStarted = 352, lnStopped = 353, lnJanuary = 365, lnCount = 377
};

// Texts for the entries the log does not use: things a mailer says.
const char* const kFiller[] = {
    ":Modem answers %s",
    "+Scanning outbound for %s",
    "#Timer %d expired",
    ":Dial string %s",
    "!Modem does not respond",
    "*Next event at %s",
    ":Nodelist index %s opened",
    "!Cannot open %s",
    "+Cleaning up %d stale flags",
    ":Sending %s to the modem",
    "#Line %d idle",
    "*Hold area %s is empty",
    ":Baud rate locked at %lu",
    "!Disk space low on %s",
    "+Packing %d messages for %s",
    ":Session limit %d minutes",
    "*Mail for %s is on hold",
    "#Screen blanked",
    "!Timeout waiting for %s",
    ":Outbound directory %s",
    "+Polling %s",
    "*Call limit for %s reached",
    ":Flag file %s created",
    "!Unknown event type %s",
    "#Keyboard input %c",
    ":Cost of call %d units",
    "+Archiving %s",
    "*Statistics written to %s",
    "!Bad packet header in %s",
    ":Inbound directory %s",
    "+Renaming %s to %s",
    "*Uptime %s",
    ":Door %s returned %d",
    "!Node %s is not in the nodelist",
    "#Checking carrier",
    ":Using nodelist %s",
    "+Deleting %s after transfer",
    "*Quiet hours until %s",
    "!Out of memory for %s",
    ":Waiting %d seconds before the next call",
};

const char* const kMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                 "July",    "August",   "September", "October", "November", "December"};

std::vector<std::string> Entries()
{
    std::vector<std::string> e(lnCount);
    const std::size_t fillers = sizeof kFiller / sizeof kFiller[0];
    for (std::size_t i = 0; i < e.size(); ++i)
        e[i] = kFiller[i % fillers];
    e[lnWaiting] = "+Waiting for calls";
    e[lnModemReady] = ":Modem ready: %s";
    e[lnRing] = "#Ring";
    e[lnBackFromBbs] = ":Caller back from %s after %d min";
    e[lnOutbound] = "*Outbound holds %d packets for %s";
    e[lnEmsiWith] = ":EMSI handshake with %s";
    e[lnEvent] = "+Event %s begins";
    e[lnHuman] = "*Person on the line, starting %s";
    e[lnPhone] = ":Phone %s";
    e[lnSysOp] = ":Operator %s from %s";
    e[lnAkas] = "*Remote offers %d addresses (%s)";
    e[lnSystem] = "*%s (%s)";
    e[lnHandshakeBad] = "!Handshake with %s failed";
    e[lnPassword] = "*Session password accepted";
    e[lnBadPassword] = "!Session password mismatch (%s)";
    e[lnProtocol] = ":Transfer protocol: %s";
    e[lnSessionEnd] = "*Finished %s session";
    e[lnTerminal] = "*Terminal caller, running %s";
    e[lnVisitor] = "*Visitor sent on to %s";
    e[lnMailer] = ":Remote runs %s";
    e[lnCalling] = "+Calling %s (%s)";
    e[lnRecdMark] = "+In-%c %s";
    e[lnSentPath] = "+Out-%c %s";
    e[lnRate] = ":Rate %lu cps (%lu bytes in %lu s)";
    e[lnRequest] = "*Request for %s";
    e[lnNotFound] = ":Nothing to send for %s";
    // A bare text: the mailer writes it after a level mark of its own choice.
    e[lnCarrierLost] = "Carrier dropped";
    e[lnStored] = "+Stored %s in %s";
    e[lnTransferBad] = "!Transfer broken off: %s";
    e[lnDelivered] = "+Delivered %s to %s";
    e[lnStarted] = "*Started %s";
    e[lnStopped] = "*Stopped %s";
    for (int m = 0; m < 12; ++m)
        e[static_cast<std::size_t>(lnJanuary + m)] = kMonths[m];
    return e;
}

// An entry's message with its conversions (%s, %d, %lu, %c, ...) replaced by the
// arguments in order; "%%" is a percent sign. The level mark is not part of it.
std::string Message(const std::string& entry, const std::vector<std::string>& args)
{
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 1; i < entry.size(); ++i) {
        if (entry[i] != '%') {
            out += entry[i];
            continue;
        }
        std::size_t j = i + 1;
        while (j < entry.size() && std::strchr("-+ #0123456789.l", entry[j]))
            ++j;
        if (j >= entry.size())
            throw std::logic_error("conversion without its letter in: " + entry);
        if (entry[j] == '%') {
            out += '%';
        } else {
            if (next >= args.size())
                throw std::logic_error("too few arguments for: " + entry);
            out += args[next++];
        }
        i = j;
    }
    if (next != args.size())
        throw std::logic_error("too many arguments for: " + entry);
    return out;
}

// ----------------------------------------------------------------- the station's world

struct TNode {
    const char* addr;
    const char* system;
    const char* sysop;
    const char* place;
    const char* phone;  // empty: the remote gives none
    const char* mailer;
    bool password;
    std::vector<const char*> akas;  // further addresses the remote presents
};

const std::vector<TNode> kNodes = {
    {"2:5020/52", "Moscow Fido Station", "Ivan Petrov", "Moscow", "7-095-555-0152", "Bink/+/1.00/OS2", true,
     {"2:5020/0"}},
    {"2:5020/1042.7", "Night Owl Point", "Olga Smirnova", "Moscow", "", "Bink/+/1.00/Win32", true, {}},
    {"2:5030/1", "Nevsky Hub", "Sergei Ivanov", "St. Petersburg", "7-812-555-0001", "BinkleyTerm/2.60/OS2", false,
     {"2:5030/0", "2:50/0"}},
    {"2:463/68", "Kiev Bridge", "Taras Koval", "Kiev", "380-44-555-0068", "Bink/+/0.98/DOS", false, {}},
    {"2:5022/11", "\x91\xE2\xA0\xAD\xE6\xA8\xEF" " " "\x82\xAE\xAB\xA3\xA0",
     "\x80\xAD\xA4\xE0\xA5\xA9" " " "\x91\xA8\xA4\xAE\xE0\xAE\xA2", "\x92\xA2\xA5\xE0\xEC", "7-082-555-0011",
     "Bink/+/1.00/OS2", true, {}},
    {"1:396/1", "New Orleans Echo", "Bob Smith", "New Orleans", "1-504-555-0001", "BinkleyTerm/2.60/DOS", false,
     {}},
    {"2:240/2188", "Hamburg Harbour", "Klaus Meier", "Hamburg", "49-40-555-2188", "Bink/+/1.00/Win32", false,
     {}},
};

const std::vector<std::string> kModemConnects = {"33600/ARQ/V34/LAPM/V42BIS", "31200/ARQ/V34/LAPM/V42BIS",
                                                 "28800/ARQ/V34", "26400/ARQ/V34/LAPM", "14400/ARQ/V32/LAPM",
                                                 "19200/ARQ/V32"};

struct TProtocol {
    const char* name;
    char letter;
};
const std::vector<TProtocol> kProtocols = {{"ZedZap", 'Z'}, {"Hydra", 'H'}, {"ZModem", 'Z'}, {"Janus", 'J'},
                                           {"DirZap", 'D'}};

// A file of the file base: its DOS path and size.
struct TServed {
    const char* path;
    int size;
};

// What remotes ask for, and what the mailer sends for it.
struct TRequestable {
    const char* asked;
    std::vector<TServed> served;  // empty: nothing found
};

const std::vector<TRequestable> kRequests = {
    {"NODELIST", {{"C:\\FILES\\NODELIST\\NODELIST.ZIP", 412360}}},
    {"nodelist", {{"C:\\FILES\\NODELIST\\NODELIST.ZIP", 412360}}},
    {"NODEDIFF", {{"C:\\FILES\\NODELIST\\NODEDIFF.ZIP", 23114}}},
    {"FILES", {{"C:\\FILES\\FILES.LST", 8811}}},
    {"ABOUT", {{"C:\\FILES\\ABOUT.TXT", 1534}}},
    {"TARVIX10.ZIP", {{"C:\\FILES\\SOFT\\TARVIX10.ZIP", 301877}}},
    {"NEWS*.TXT", {{"C:\\FILES\\SOFT\\NEWS1.TXT", 4120}, {"C:\\FILES\\SOFT\\NEWS2.TXT", 3987}}},
    {"SECRET.ZIP", {}},
};

// ----------------------------------------------------------------- the log

constexpr int kDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// The time of the log: month, day and seconds of the day, in a year of 365 days.
struct TClock {
    int month = 2;  // March
    int day = 2;
    int sec = 0;

    void Advance(int seconds)
    {
        sec += seconds;
        while (sec >= 86400) {
            sec -= 86400;
            NextDay();
        }
    }
    void NextDay()
    {
        if (++day > kDaysInMonth[month]) {
            day = 1;
            month = (month + 1) % 12;
        }
    }
};

class TLogWriter {
public:
    TLogWriter(const fs::path& path, const std::vector<std::string>& entries)
        : entries_(entries), file_(std::fopen(path.string().c_str(), "wb"))
    {
        if (!file_)
            throw std::runtime_error("cannot create " + path.string() + ": " + std::strerror(errno));
        buf_.reserve(kFlushAt + 512);
    }
    ~TLogWriter()
    {
        if (file_)
            std::fclose(file_);
    }
    TLogWriter(const TLogWriter&) = delete;
    TLogWriter& operator=(const TLogWriter&) = delete;

    TClock clock;

    // A line of the mailer from a language entry.
    void Say(int entry, const std::vector<std::string>& args = {})
    {
        const std::string& text = entries_.at(static_cast<std::size_t>(entry));
        Line(text[0], "BINK", Message(text, args));
    }
    // A line whose text is no entry of its own (modem answers, bare entries).
    void Line(char level, std::string_view tag, std::string_view message)
    {
        char stamp[32];
        const std::string& month = entries_[static_cast<std::size_t>(lnJanuary + clock.month)];
        std::snprintf(stamp, sizeof stamp, "%c %02d %.3s %02d:%02d:%02d ", level, clock.day, month.c_str(),
                      clock.sec / 3600, clock.sec / 60 % 60, clock.sec % 60);
        buf_ += stamp;
        buf_ += tag;
        buf_ += ' ';
        buf_ += message;
        buf_ += "\r\n";
        ++lines_;
        if (buf_.size() >= kFlushAt)
            Flush();
    }
    void Flush()
    {
        if (!buf_.empty() && std::fwrite(buf_.data(), 1, buf_.size(), file_) != buf_.size())
            throw std::runtime_error("cannot write the log");
        written_ += buf_.size();
        buf_.clear();
    }
    void Close()
    {
        Flush();
        if (std::fclose(file_) != 0)
            throw std::runtime_error("cannot write the log");
        file_ = nullptr;
    }
    std::uint64_t Size() const { return written_ + buf_.size(); }
    std::uint64_t Lines() const { return lines_; }

private:
    static constexpr std::size_t kFlushAt = 1 << 20;
    const std::vector<std::string>& entries_;
    std::FILE* file_;
    std::string buf_;
    std::uint64_t written_ = 0;
    std::uint64_t lines_ = 0;
};

std::string Num(std::int64_t v) { return std::to_string(v); }

std::string BaseName(std::string_view path)
{
    std::size_t slash = path.rfind('\\');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// One day of the station: calls out, calls in, people, failures and the tosser.
class TStation {
public:
    TStation(TLogWriter& log, TRandom& rnd, int extraEvents) : log_(log), rnd_(rnd), extraEvents_(extraEvents) {}

    enum TEvent {
        evOutgoing, evIncoming, evHuman, evFailed, evCarrierLost, evBadPassword, evNumber, evToss, evIdle,
        evCount
    };

    void Day()
    {
        // Every kind of event once a day, and a few more, in random order.
        std::vector<int> events;
        for (int e = 0; e < evCount; ++e)
            events.push_back(e);
        for (int extra = extraEvents_ > 0 ? extraEvents_ : rnd_.Between(2, 5); extra > 0; --extra)
            events.push_back(rnd_.Pick(std::vector<int>{evOutgoing, evIncoming, evIncoming, evHuman, evToss, evIdle}));
        for (std::size_t i = events.size() - 1; i > 0; --i)
            std::swap(events[i], events[static_cast<std::size_t>(rnd_.Below(static_cast<int>(i) + 1))]);
        const int startDay = log_.clock.day;
        const int gap = 80000 / static_cast<int>(events.size());
        for (int e : events) {
            log_.clock.Advance(rnd_.Between(gap * 2 / 3, gap * 7 / 6));
            // No event starts late in the evening; one may run past midnight.
            if (log_.clock.day != startDay || log_.clock.sec > 85000)
                break;
            Event(static_cast<TEvent>(e));
        }
    }

    void Event(TEvent e)
    {
        switch (e) {
        case evOutgoing: Outgoing(Node()); break;
        case evIncoming: Incoming(Node(), kNormal, false); break;
        case evHuman: Human(); break;
        case evFailed: Failed(); break;
        case evCarrierLost: Incoming(Node(), kLost, false); break;
        case evBadPassword: Incoming(PasswordNode(), kAborted, true); break;
        case evNumber: DialNumber(); break;
        case evToss: Toss(); break;
        case evIdle: Idle(); break;
        case evCount: break;
        }
    }

private:
    enum TEnding { kNormal, kLost, kAborted };

    const TNode& Node() { return rnd_.Pick(kNodes); }
    const TNode& PasswordNode()
    {
        for (;;)
            if (const TNode& n = Node(); n.password)
                return n;
    }
    void Wait(int lo, int hi) { log_.clock.Advance(rnd_.Between(lo, hi)); }

    void Outgoing(const TNode& n)
    {
        const int failures = rnd_.Below(3);
        for (int i = 0; i <= failures; ++i) {
            log_.Say(lnCalling, {n.system, n.addr});
            Wait(20, 45);
            if (i < failures) {
                log_.Line('+', "BINK", rnd_.Chance(60) ? "Busy" : "No Carrier");
                Wait(1, 3);
                log_.Say(lnWaiting);
                Wait(120, 600);
            }
        }
        log_.Line(':', "BINK", "Connect " + rnd_.Pick(kModemConnects));
        Wait(1, 3);
        Session(n, rnd_.Chance(10) ? kAborted : kNormal, false);
    }

    void Incoming(const TNode& n, TEnding ending, bool badPassword)
    {
        log_.Say(lnRing);
        Wait(2, 8);
        // Some nodes come in over the Internet.
        log_.Line(':', "BINK", std::string("Connect ") + (rnd_.Chance(20) ? "TCP/IP" : rnd_.Pick(kModemConnects)));
        Wait(1, 3);
        Session(n, ending, badPassword);
    }

    // A mail session after the connect line: handshake, transfers both ways, requests.
    void Session(const TNode& n, TEnding ending, bool badPassword)
    {
        log_.Say(lnEmsiWith, {n.addr});
        if (!n.akas.empty()) {
            std::string list = n.addr;
            for (const char* a : n.akas)
                list += std::string(" ") + a;
            log_.Say(lnAkas, {Num(static_cast<int>(n.akas.size()) + 1), list});
        }
        log_.Say(lnSystem, {n.system, n.addr});
        log_.Say(lnMailer, {n.mailer});
        log_.Say(lnSysOp, {n.sysop, n.place});
        if (*n.phone)
            log_.Say(lnPhone, {n.phone});
        if (badPassword)
            log_.Say(lnBadPassword, {"pw" + Num(rnd_.Between(100, 999))});
        else if (n.password)
            log_.Say(lnPassword);
        const TProtocol& proto = rnd_.Pick(kProtocols);
        log_.Say(lnProtocol, {proto.name});
        Wait(1, 2);

        // What goes which way, and where the line may break.
        struct TTransfer {
            bool sent;
            std::string path;
            int size;
        };
        std::vector<TTransfer> transfers;
        for (int i = rnd_.Below(4); i > 0; --i) {
            char name[16];
            std::snprintf(name, sizeof name, "%08X.%s%d", static_cast<unsigned>(rnd_.Next() & 0xFFFFFFFFu),
                          rnd_.Chance(50) ? "MO" : "TU", rnd_.Below(10));
            transfers.push_back({false, name, rnd_.Between(900, 60000)});
        }
        std::vector<const TRequestable*> asked;
        if (rnd_.Chance(45))
            for (int i = rnd_.Between(1, 2); i > 0; --i) {
                const TRequestable* r = &rnd_.Pick(kRequests);
                if (asked.empty() || asked.back()->served.empty() || r->served.empty() ||
                    std::strcmp(asked.back()->served[0].path, r->served[0].path) != 0)
                    asked.push_back(r);
            }
        for (int i = rnd_.Below(3); i > 0; --i) {
            char path[48];
            std::snprintf(path, sizeof path, "C:\\BINK\\OUTBOUND\\%08X.PKT",
                          static_cast<unsigned>(rnd_.Next() & 0xFFFFFFFFu));
            transfers.push_back({true, path, rnd_.Between(400, 30000)});
        }
        const int breakAt = ending == kNormal ? -1 : rnd_.Below(static_cast<int>(transfers.size()) + 1);
        const int cps = rnd_.Between(1400, 3400);

        int index = 0;
        bool requestsDone = false;
        auto requests = [&] {
            if (requestsDone)
                return;
            requestsDone = true;
            for (const TRequestable* r : asked) {
                log_.Say(lnRequest, {r->asked});
                Wait(0, 1);
                if (r->served.empty())
                    log_.Say(lnNotFound, {r->asked});
                for (const TServed& f : r->served)
                    transfers.push_back({true, f.path, f.size});
            }
        };
        for (std::size_t t = 0; t <= transfers.size(); ++t) {
            // The remote's requests come after the files it sends.
            if (t == transfers.size() || transfers[t].sent)
                requests();
            if (t == transfers.size())
                break;
            const TTransfer tr = transfers[t];
            const std::string name = BaseName(tr.path);
            if (index++ == breakAt) {
                Wait(3, 30);
                if (ending == kLost) {
                    log_.Line('!', "BINK", "Carrier dropped");
                    return;
                }
                log_.Say(lnTransferBad, {name});
                continue;
            }
            // A file is logged once it is through: the line with its name (a sent
            // file with its full path), where it went, and the rate.
            const int secs = tr.size / cps + 1;
            log_.clock.Advance(secs);
            log_.Say(tr.sent ? lnSentPath : lnRecdMark, {std::string(1, proto.letter), tr.sent ? tr.path : name});
            if (tr.sent)
                log_.Say(lnDelivered, {name, n.addr});
            else
                log_.Say(lnStored, {name, "C:\\BINK\\INBOUND"});
            log_.Say(lnRate, {Num(tr.size / secs), Num(tr.size), Num(secs)});
        }
        if (ending == kLost) {
            Wait(1, 5);
            log_.Line('!', "BINK", "Carrier dropped");
            return;
        }
        Wait(1, 4);
        log_.Say(lnSessionEnd, {"EMSI"});
    }

    void Human()
    {
        log_.Say(lnRing);
        Wait(2, 8);
        log_.Line(':', "BINK", "Connect " + rnd_.Pick(kModemConnects));
        Wait(2, 6);
        const int kind = rnd_.Below(3);
        const char* what = kind == 0 ? "the BBS" : kind == 1 ? "the message reader" : "the door games";
        log_.Say(kind == 0 ? lnHuman : kind == 1 ? lnTerminal : lnVisitor, {what});
        const int minutes = rnd_.Between(3, 40);
        log_.clock.Advance(minutes * 60);
        log_.Say(lnBackFromBbs, {what, Num(minutes)});
    }

    void Failed()
    {
        log_.Say(lnRing);
        Wait(2, 8);
        log_.Line(':', "BINK", "Connect " + rnd_.Pick(kModemConnects));
        Wait(5, 40);
        if (rnd_.Chance(50)) {
            const TNode& n = Node();
            log_.Say(lnSystem, {n.system, n.addr});
            Wait(1, 5);
            log_.Say(lnHandshakeBad, {n.addr});
        } else {
            log_.Say(lnHandshakeBad, {"the caller"});
        }
        Wait(1, 10);
        log_.Line('!', "BINK", "Carrier dropped");
    }

    void DialNumber()
    {
        const std::string number = "555-0" + Num(rnd_.Between(100, 999));
        std::string digits;
        for (char c : number)
            if (c != '-')
                digits += c;
        log_.Say(lnCalling, {number, "#" + digits});
        Wait(20, 50);
        log_.Line('+', "BINK", rnd_.Chance(50) ? "Busy" : "No Carrier");
    }

    void Toss()
    {
        const int packets = rnd_.Between(1, 6);
        log_.Line(' ', "SQSH", "Tossing " + Num(packets) + " packets");
        Wait(5, 60);
        log_.Line('+', "SQSH", "Tossed " + Num(packets * rnd_.Between(3, 20)) + " messages");
    }

    void Idle()
    {
        switch (rnd_.Below(3)) {
        case 0: log_.Say(lnModemReady, {"ATZ"}); break;
        case 1: log_.Say(lnOutbound, {Num(rnd_.Between(1, 9)), Node().addr}); break;
        default: log_.Say(lnEvent, {rnd_.Chance(50) ? "ZMH" : "NIGHT"}); break;
        }
        Wait(1, 5);
        log_.Say(lnWaiting);
    }

    TLogWriter& log_;
    TRandom& rnd_;
    int extraEvents_;  // 0: two to five at random
};

// ----------------------------------------------------------------- the other files

void WriteFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + path.string());
}

// Text in DOS form: every line ends in CR LF.
std::string Dos(std::string_view text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

void WriteInstallation(const fs::path& dir, std::uint64_t seed, int days)
{
    WriteFile(dir / "binkley.lng", tarvix::lngwriters::BuildBinkLng(Entries()));
    WriteFile(dir / "binkley.cfg",
              Dos("; Bink/+ configuration of the Tarvix sample station\n"
                  ";\n"
                  "define FILEBASE C:\\FILES\n"
                  "Address 2:5020/999\n"
                  "System Tarvix Sample Station\n"
                  "Sysop Sample Sysop\n"
                  "Language binkley.lng\n"
                  "StatusLog binkley.log\n"
                  "LogLevel 5\n"
                  "Port 2\n"
                  "Baud 57600\n"
                  "Hold C:\\BINK\\OUTBOUND\n"
                  "Downloads C:\\BINK\\INBOUND\n"
                  "; file requests\n"
                  "OKFile okfile.lst\n"
                  "About %FILEBASE%\\ABOUT.TXT\n"
                  "Avail %FILEBASE%\\FILES.LST   ; the list of all files\n"
                  "include events.cfg\n"));
    WriteFile(dir / "events.cfg",
              Dos("; events\n"
                  "Event All 00:00 03:00 B=30\n"
                  "Event All 03:00 04:00 M=1 ; mail hour\n"
                  "Event All 04:00 24:00 B=30\n"));
    WriteFile(dir / "okfile.lst",
              Dos("; what may be requested\n"
                  "C:\\FILES\\NODELIST\\*.*\n"
                  "C:\\FILES\\SOFT\\*.*\n"
                  "@NODELIST C:\\FILES\\NODELIST\\NODELIST.ZIP\n"
                  "@NODEDIFF C:\\FILES\\NODELIST\\NODEDIFF.ZIP\n"
                  "  @TARVIX C:\\FILES\\SOFT\\TARVIX10.ZIP\n"));
    WriteFile(dir / "FILES" / "files.bbs",
              Dos("ABOUT.TXT     [000] About this station\n"
                  "FILES.LST     [000] All files of this station\n"));
    WriteFile(dir / "FILES" / "ABOUT.TXT",
              Dos("Tarvix Sample Station, 2:5020/999.\n"
                  "A station made up to show what Tarvix reads in a Bink/+ log.\n"));
    WriteFile(dir / "FILES" / "FILES.LST",
              Dos("NODELIST\\NODELIST.ZIP  Nodelist of zone 2\n"
                  "NODELIST\\NODEDIFF.ZIP  Nodediff of this week\n"
                  "SOFT\\TARVIX10.ZIP      Tarvix 1.0\n"
                  "SOFT\\NEWS1.TXT         News, part 1\n"
                  "SOFT\\NEWS2.TXT         News, part 2\n"));
    WriteFile(dir / "FILES" / "NODELIST" / "files.bbs",
              Dos("NODELIST.ZIP  [000] Nodelist of zone 2\n"
                  "NODEDIFF.ZIP  [000] Nodediff of this week\n"));
    WriteFile(dir / "FILES" / "SOFT" / "files.bbs",
              Dos("TARVIX10.ZIP  [000] Tarvix 1.0, a viewer of mailer logs\n"
                  "              (sources and programs)\n"
                  "NEWS1.TXT     [000] News, part 1\n"
                  "NEWS2.TXT     [000] News, part 2\n"));
    WriteFile(dir / "README.txt",
              "A made-up Bink/+ installation written by tarvix-genbinkplus --seed " + std::to_string(seed) +
                  " --days " + std::to_string(days) +
                  ".\n"
                  "The log carries no year; the station's drive C: is this directory.\n"
                  "  tarvix-report --style binkplus --mailer-dir DIR --drive C=DIR --what all DIR/binkley.log\n");
}

[[noreturn]] void Usage(const std::string& why)
{
    if (!why.empty())
        std::cerr << "tarvix-genbinkplus: " << why << '\n';
    std::cerr << "usage: tarvix-genbinkplus [--seed N] [--days N] [--events-per-day N] [--log-size BYTES] OUTDIR\n";
    std::exit(2);
}

std::uint64_t Number(const std::string& option, const char* text)
{
    char* end = nullptr;
    errno = 0;
    unsigned long long v = std::strtoull(text, &end, 10);
    if (!*text || *end || errno != 0 || text[0] == '-')
        Usage(option + " " + text + ": not a number");
    return v;
}

}  // namespace

int main(int argc, char** argv)
{
    std::uint64_t seed = 53;  // the seed of samples/binkplus
    std::uint64_t days = 3;
    std::uint64_t logSize = 0;
    std::uint64_t extraEvents = 0;
    std::string out;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if ((a == "--seed" || a == "--days" || a == "--log-size" || a == "--events-per-day") && i + 1 < argc) {
            std::uint64_t v = Number(a, argv[++i]);
            (a == "--seed" ? seed : a == "--days" ? days : a == "--log-size" ? logSize : extraEvents) = v;
        } else if (a == "--help" || a == "-h") {
            Usage("");
        } else if (!a.empty() && a[0] != '-' && out.empty()) {
            out = a;
        } else {
            Usage("unexpected argument " + a);
        }
    }
    if (out.empty())
        Usage("no output directory");
    if (days < 1 || days > 100000)
        Usage("--days must be 1 to 100000");
    if (extraEvents > 1000)
        Usage("--events-per-day must be 0 to 1000");

    try {
        const fs::path dir(out);
        fs::create_directories(dir);
        WriteInstallation(dir, seed, static_cast<int>(days));

        const std::vector<std::string> entries = Entries();
        TLogWriter log(dir / "binkley.log", entries);
        TRandom rnd(seed);
        TStation station(log, rnd, static_cast<int>(extraEvents));
        log.clock.sec = 15;
        log.Say(lnStarted, {"Bink/+ 1.00 for OS/2"});
        log.Say(lnModemReady, {"ATZ"});
        log.Say(lnWaiting);
        int lastMonth = -1, lastDay = -1;
        for (std::uint64_t d = 0; logSize > 0 ? log.Size() < logSize : d < days; ++d) {
            if (d > 0) {
                // The next morning, unless the last event ran past midnight.
                if (log.clock.month == lastMonth && log.clock.day == lastDay) {
                    log.clock.NextDay();
                    log.clock.sec = rnd.Between(10, 600);
                }
                log.Say(lnWaiting);
            }
            lastMonth = log.clock.month;
            lastDay = log.clock.day;
            station.Day();
        }
        log.clock.Advance(60);
        log.Say(lnStopped, {"on request"});
        log.Close();
        std::cout << (dir / "binkley.log").string() << ": " << log.Lines() << " lines, " << log.Size()
                  << " bytes\n";
    } catch (const std::exception& e) {
        std::cerr << "tarvix-genbinkplus: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
