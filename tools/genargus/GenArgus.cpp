// tarvix-genargus: writes a synthetic Argus installation for demos, end-to-end tests
// and benchmarks: the mailer's log in both of its line layouts.
//
//   tarvix-genargus --out DIR [--seed S] [--start YYYY-MM-DD] [--days N]
//                   [--log-size BYTES] [--crlf]
//
// Files written into DIR:
//   argus-3131.log   the layout of Argus 2.x to 3.131: "M DD-Mon-YY hh:mm:ss message",
//                    the message from column 22
//   argus-3132.log   the layout of Argus 3.132 to 3.156: "M DD-Mon-YYYY hh:mm:ss message",
//                    the message from column 24
// (M is a marker: "!" for errors, "?" for doubtful outcomes, "+" for the start and
// end of sessions, a blank for the rest.) Both logs tell the same story; Tarvix
// reads the first with ArgusVersion 3131 (the default) and the second with 3132.
//   binary_log       Argus's binary history of the sessions in the logs: per session
//                    with an identified remote station 28 bytes (little-endian):
//                    zone, net, node, point (2 bytes each), start and length in
//                    seconds, bytes received, bytes sent (4 bytes each), files
//                    received, files sent, flags (1 incoming, 4 complete), 0; the
//                    latest 500 sessions
// Argus needs no other file to read its log.
//
// The story: outgoing calls (busy, no carrier, or a session), incoming calls, the
// EMSI handshake lines of the remote station, file requests served from the file
// area (by name and by mask) or refused, mail packets and archives each way, resumed
// transfers, refused and skipped files, and sessions that end normally, lose the
// carrier, are cancelled or aborted, from --start (default 2025-12-30, so that the
// log crosses a year) over --days days (default 3).
//
// The same options always give the same bytes: the generator has its own random
// numbers and calendar and never looks at the clock or the locale. With --log-size
// each log gets whole lines until it holds at least BYTES bytes (the story then goes
// on for as many days as it needs, about 200 calls a day); the text is built in a
// large buffer and written in blocks of a few megabytes.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>
#include <algorithm>

#include "tools/gencommon/GenCommon.h"

namespace {

using namespace tarvix::gen;

bool ValidDate(int y, int m, int d)
{
    return m >= 1 && m <= 12 && d >= 1 && d <= DaysInMonth(y, m);
}

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

// Collects lines in a large buffer and writes it out in blocks. Once the size limit
// is reached every further write is dropped, so a session may stop in the middle.
class TOut {
public:
    TOut(std::FILE* file, bool crlf, std::uint64_t minBytes) : file_(file), crlf_(crlf), minBytes_(minBytes)
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
    // A number, with leading zeros to the given width.
    void Num(std::uint64_t v, int width = 0)
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
    // A number with a comma between the groups of three digits: 1,234,567.
    void Count(std::uint64_t v)
    {
        char tmp[32];
        char* p = tmp + sizeof tmp;
        int digits = 0;
        do {
            if (digits != 0 && digits % 3 == 0)
                *--p = ',';
            *--p = static_cast<char>('0' + v % 10);
            v /= 10;
            ++digits;
        } while (v != 0);
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
        if (minBytes_ != 0 && written_ + buf_.size() >= minBytes_)
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
    std::uint64_t minBytes_;
    std::string buf_;
    std::uint64_t written_ = 0;
    bool full_ = false;
    bool failed_ = false;
};

// ---------------------------------------------------------------- the story

struct TNode {
    int zone, net, node, point;
    std::string_view system, sysop, place, phone, mailer;
    bool ip;
    bool password;
};

// The stations this one talks to; a node without a place has a sysop line without
// "from", one without a phone line (IP) shows "-Unpublished-".
constexpr TNode kNodes[] = {
    {2, 5020, 1042, 0, "The Black Cat BBS", "Ivan Petrov", "Moscow", "7-095-555-1042", "Argus 3.210 (Win32)",
     false, true},
    {2, 5030, 88, 0, "Northern Lights", "Olga Kuznetsova", "St.Petersburg", "7-812-555-0088",
     "T-Mail 2605", false, false},
    {2, 5020, 7, 0, "Moscow Station", "Mark Hollis", "Moscow", "-Unpublished-", "binkd 1.0.4/win32", true, true},
    {2, 4500, 131, 0, "Old Harbour", "Peter Brandt", "Hamburg", "49-40-555-131", "FrontDoor 2.33.mL", false,
     false},
    {2, 5020, 1042, 12, "Cellar Door Point", "Anna Smirnova", "", "7-095-555-2012", "Argus 3.156 (Win32)",
     false, false},
    {1, 261, 38, 0, "Lighthouse Point", "Tom Baker", "Baltimore", "1-410-555-0038", "BinkleyTerm 2.60",
     false, false},
    {2, 463, 68, 0, "Radio Amateur BBS", "Eva Lind", "Kiev", "380-44-555-0068", "Argus 3.210 (Win32)", true,
     false},
};

// Files of the file area that the other stations request.
constexpr std::string_view kAreaDir = "C:\\FIDO\\FILES\\";
constexpr std::string_view kAreaFiles[] = {"NODELIST.Z65", "NODEDIFF.A72", "FIDONEWS.F52", "ALLFILES.ZIP",
                                           "ARGUS321.ZIP", "GOLDED.ZIP",   "PNT5020.ZIP",  "README.TXT"};
constexpr std::string_view kMissing[] = {"WINDOWS.ZIP", "QUAKE.ZIP", "DOOM2.LZH"};
constexpr std::string_view kArcDays[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};
constexpr std::string_view kProtocols[] = {"Hydra", "ZedZap", "ZModem", "Janus", "DirZap"};
constexpr std::string_view kModems[] = {"33600/ARQ/V34/LAPM/V42BIS", "28800/ARQ/V34/LAPM", "14400/ARQ/V32BIS",
                                        "31200/ARQ/V34/LAPM/V42BIS", "2400"};

enum class TLayout { ShortYear, LongYear };

class TArgusGen {
public:
    TArgusGen(TOut& out, std::uint64_t seed, TLayout layout, std::int64_t startDay, std::int64_t days,
              bool bySize)
        : out_(out), rnd_(seed), layout_(layout), endDay_(bySize ? INT64_MAX : startDay + days)
    {
        clock_.Set(startDay, static_cast<int>(rnd_.Range(300, 1800)));
        // The sample logs have about eight calls a day, a third of the sessions with a
        // file request; big logs about 200 calls a day, with fewer requests.
        meanGap_ = bySize ? 400 : 10800;
        freqPercent_ = bySize ? 5 : 30;
    }

    // One session of the binary history.
    struct TBinRecord {
        const TNode* node = nullptr;
        std::int64_t start = 0, end = 0;
        std::uint64_t rcvd = 0, sent = 0;
        std::uint32_t filesRcvd = 0, filesSent = 0;
        bool incoming = false, complete = false, identified = false;
    };

    // The binary history of the sessions told so far (the latest 500).
    std::string BinaryLog() const
    {
        std::string s;
        auto put = [&s](std::uint64_t v, int bytes) {
            for (int i = 0; i < bytes; ++i)
                s += static_cast<char>((v >> (8 * i)) & 0xFF);
        };
        const std::size_t first = history_.size() > 500 ? history_.size() - 500 : 0;
        for (std::size_t i = first; i < history_.size(); ++i) {
            const TBinRecord& r = history_[i];
            for (int part : {r.node->zone, r.node->net, r.node->node, r.node->point})
                put(static_cast<std::uint64_t>(part), 2);
            put(static_cast<std::uint64_t>(r.start), 4);
            put(static_cast<std::uint64_t>(r.end - r.start), 4);
            put(std::min<std::uint64_t>(r.rcvd, INT32_MAX), 4);
            put(std::min<std::uint64_t>(r.sent, INT32_MAX), 4);
            put(std::min<std::uint32_t>(r.filesRcvd, 255), 1);
            put(std::min<std::uint32_t>(r.filesSent, 255), 1);
            put((r.incoming ? 1u : 0u) | (r.complete ? 4u : 0u), 1);
            put(0, 1);
        }
        return s;
    }

    void Run()
    {
        Line(' ', "Begin Argus 3.210 (Win32), line 1");
        while (!out_.Full()) {
            Call();
            TClock next = clock_;
            next.Advance(rnd_.Range(60, 2 * meanGap_));
            if (next.Day() >= endDay_)
                break;
            clock_ = next;
        }
        Line(' ', "End of Argus run");
    }

private:
    TOut& out_;
    TRandom rnd_;
    TLayout layout_;
    std::int64_t endDay_;
    TClock clock_;
    std::int64_t meanGap_;
    std::uint32_t freqPercent_;
    std::vector<TBinRecord> history_;
    TBinRecord cur_;
    std::int64_t lineTime_ = 0;  // the time stamp of the latest line

    std::int64_t Now() const
    {
        return clock_.Day() * 86400 + clock_.Hour() * 3600 + clock_.Minute() * 60 + clock_.Second();
    }

    // A line: the marker, the date and time in the layout, the message.
    void Start(char marker)
    {
        lineTime_ = Now();
        const TDate& d = clock_.Date();
        out_.Put(marker);
        out_.Put(' ');
        out_.Num(static_cast<std::uint64_t>(d.day), 2);
        out_.Put('-');
        out_.Put(kMonths[d.month - 1]);
        out_.Put('-');
        if (layout_ == TLayout::ShortYear)
            out_.Num(static_cast<std::uint64_t>(d.year % 100), 2);
        else
            out_.Num(static_cast<std::uint64_t>(d.year), 4);
        out_.Put(' ');
        out_.Num(static_cast<std::uint64_t>(clock_.Hour()), 2);
        out_.Put(':');
        out_.Num(static_cast<std::uint64_t>(clock_.Minute()), 2);
        out_.Put(':');
        out_.Num(static_cast<std::uint64_t>(clock_.Second()), 2);
        out_.Put(' ');
    }
    void End(std::int64_t seconds = -1)
    {
        out_.EndLine();
        clock_.Advance(seconds >= 0 ? seconds : rnd_.Range(0, 3));
    }
    void Wait(std::int64_t seconds) { clock_.Advance(seconds); }
    void Line(char marker, std::string_view message)
    {
        Start(marker);
        out_.Put(message);
        End();
    }

    void Addr(int zone, int net, int node, int point, bool domain)
    {
        out_.Num(static_cast<std::uint64_t>(zone));
        out_.Put(':');
        out_.Num(static_cast<std::uint64_t>(net));
        out_.Put('/');
        out_.Num(static_cast<std::uint64_t>(node));
        if (point != 0) {
            out_.Put('.');
            out_.Num(static_cast<std::uint64_t>(point));
        }
        if (domain)
            out_.Put("@fidonet");
    }
    void Addr(const TNode& n, bool domain) { Addr(n.zone, n.net, n.node, n.point, domain); }

    // A size in parentheses: ", (12,345b)".
    void Size(std::uint64_t bytes)
    {
        out_.Put(", (");
        out_.Count(bytes);
        out_.Put("b)");
    }

    // Seconds a transfer of this many bytes takes.
    std::int64_t TransferTime(std::uint64_t bytes, bool ip)
    {
        std::uint64_t cps = ip ? static_cast<std::uint64_t>(rnd_.Range(40000, 400000))
                               : static_cast<std::uint64_t>(rnd_.Range(1600, 3400));
        return static_cast<std::int64_t>(bytes / cps) + 1;
    }

    // One call, placed or answered.
    void Call()
    {
        const TNode& n = rnd_.Pick(kNodes);
        bool outgoing = rnd_.Chance(55);
        if (outgoing) {
            Start(' ');
            out_.Put("Calling ");
            Addr(n, false);
            End();
            if (!n.ip) {
                Start(' ');
                out_.Put("Dialing ");
                out_.Put(n.phone);
                End(rnd_.Range(10, 40));
                std::uint32_t r = rnd_.Below(100);
                if (r < 20) {
                    Line('?', "BUSY");
                    return;
                }
                if (r < 32) {
                    Line('?', "NO CARRIER");
                    return;
                }
            }
        } else {
            if (!n.ip) {
                Line(' ', "RING");
            }
            Line(' ', "Answering call");
            if (!n.ip && rnd_.Chance(8)) {
                Wait(20);
                Line('?', "NO CARRIER");
                return;
            }
        }
        Start('+');
        out_.Put("CONNECT ");
        out_.Put(n.ip ? std::string_view("TCP/IP") : rnd_.Pick(kModems));
        cur_ = TBinRecord{};
        cur_.node = &n;
        cur_.start = Now();
        cur_.incoming = !outgoing;
        End();
        Session(n);
        // Argus keeps the sessions whose remote station said who it is.
        if (cur_.identified) {
            cur_.end = lineTime_;  // the time of the session's last line
            history_.push_back(cur_);
        }
    }

    void Session(const TNode& n)
    {
        // A few calls fail before the remote station says who it is.
        if (rnd_.Chance(12)) {
            switch (rnd_.Below(3)) {
            case 0: Line('!', "EMSI handshake failed, disconnecting"); break;
            case 1: Line('!', "Carrier lost"); break;
            default: Line('!', "Cancel requested by the operator"); break;
            }
            return;
        }
        // Sessions over IP agree on the protocol before the handshake.
        bool early = n.ip;
        if (early)
            Line(' ', "Establishing BinkP session");
        else if (rnd_.Chance(30))
            Line(' ', "Establishing EMSI handshake");

        Start(' ');
        out_.Put("   Station : ");
        out_.Put(n.system);
        End();
        if (rnd_.Chance(4)) {
            Line('!', "Carrier lost");
            return;
        }
        cur_.identified = true;
        Start(' ');
        out_.Put("   Address : ");
        Addr(n, true);
        if (n.point == 0 && rnd_.Chance(50)) {
            out_.Put(' ');
            Addr(n.zone, n.net, n.node, 1 + static_cast<int>(rnd_.Below(20)), true);
        }
        End();
        Start(' ');
        out_.Put("     SysOp : ");
        out_.Put(n.sysop);
        if (!n.place.empty()) {
            out_.Put(" from ");
            out_.Put(n.place);
        }
        End();
        Start(' ');
        out_.Put(rnd_.Chance(50) ? "     Phone : " : "    Number : ");
        out_.Put(n.phone);
        End();
        Start(' ');
        out_.Put("    Mailer : ");
        out_.Put(n.mailer);
        End();
        if (n.password) {
            if (rnd_.Chance(15)) {
                Line('!', "Remote presented a wrong password, the right one required");
                Line('!', "Password mismatch, disconnecting");
                return;
            }
            Line(' ', "Password-protected session");
        }

        std::uint32_t sendCount = rnd_.Below(4);
        if (early) {
            Start(' ');
            out_.Put("We have ");
            out_.Num(sendCount);
            out_.Put(" files for the remote");
            End();
        } else {
            Start(' ');
            out_.Put("Establishing ");
            out_.Put(rnd_.Pick(kProtocols));
            out_.Put(" session");
            End();
        }
        if (!Transfers(n, sendCount))
            return;
        switch (rnd_.Below(20)) {
        case 0: Line('!', "Carrier lost"); break;
        case 1: Line('!', "***** Session aborted *****"); break;
        case 2: Line('!', "Aborting due to carrier loss"); break;
        case 3: Line('!', "Transfer aborted by the remote"); break;
        default:
            Line('+', "Session complete");
            cur_.complete = true;
            break;
        }
    }

    // Sends a file: "Sending", perhaps a resume offset, then "Sent" or a refusal.
    // False when the session broke off.
    bool Send(const TNode& n, std::string_view dir, std::string_view name, std::string_view as, std::uint64_t size)
    {
        Start(' ');
        ++cur_.filesSent;
        out_.Put("Sending '");
        out_.Put(dir);
        out_.Put(name);
        if (!as.empty()) {
            out_.Put("' -> '");
            out_.Put(as);
        }
        out_.Put('\'');
        Size(size);
        End();
        std::uint64_t left = size;
        if (size > 20000 && rnd_.Chance(15)) {
            std::uint64_t offset = (static_cast<std::uint64_t>(rnd_.Below(static_cast<std::uint32_t>(size / 2))) /
                                    1024) * 1024;
            Start(' ');
            out_.Put("Transmitting from offset ");
            out_.Count(offset);
            End();
            left -= offset;
        }
        if (rnd_.Chance(5)) {
            Start('?');
            out_.Put("Remote refused '");
            out_.Put(as.empty() ? name : as);
            out_.Put('\'');
            End();
            return true;
        }
        if (rnd_.Chance(3)) {
            Wait(TransferTime(left / 2, n.ip));
            Line('!', "Protocol aborted by the remote");
            Line('!', "***** Session aborted *****");
            return false;
        }
        Wait(TransferTime(left, n.ip));
        cur_.sent += left;
        Start(' ');
        out_.Put("Sent '");
        out_.Put(as.empty() ? name : as);
        out_.Put('\'');
        End();
        return true;
    }

    // Receives a file from the remote; false when the session broke off.
    bool Receive(const TNode& n)
    {
        char name[16];
        std::uint64_t id = rnd_.Next();
        static constexpr char kHex[] = "0123456789ABCDEF";
        for (int i = 0; i < 8; ++i)
            name[i] = kHex[(id >> (4 * (7 - i))) & 15];
        std::string_view ext;
        std::uint64_t size;
        std::string ext2;
        if (rnd_.Chance(50)) {
            ext = ".PKT";
            size = static_cast<std::uint64_t>(rnd_.Range(60, 30000));
        } else {
            ext2 = ".";
            ext2 += rnd_.Pick(kArcDays);
            ext2 += static_cast<char>('0' + rnd_.Below(10));
            ext = ext2;
            size = static_cast<std::uint64_t>(rnd_.Range(2000, 900000));
        }
        std::string file(name, 8);
        file += ext;

        ++cur_.filesRcvd;
        Start(' ');
        out_.Put("Receiving '");
        out_.Put(file);
        out_.Put('\'');
        Size(size);
        End();
        if (rnd_.Chance(6)) {
            Line('?', "Receiving file was skipped (already here)");
            return true;
        }
        std::uint64_t left = size;
        if (size > 20000 && rnd_.Chance(15)) {
            std::uint64_t offset = (static_cast<std::uint64_t>(rnd_.Below(static_cast<std::uint32_t>(size / 2))) /
                                    1024) * 1024;
            Start(' ');
            out_.Put("Receiving from offset ");
            out_.Count(offset);
            End();
            left -= offset;
        }
        if (size > 20000 && rnd_.Chance(12)) {
            std::uint64_t got = (left / 2 / 1024) * 1024;
            Wait(TransferTime(got, n.ip));
            Start('!');
            out_.Put("Partial file '");
            out_.Put(file);
            out_.Put("' is temporarily stored");
            Size(got);
            End();
            cur_.rcvd += got;
            Line('!', "Carrier lost");
            return false;
        }
        Wait(TransferTime(left, n.ip));
        cur_.rcvd += left;
        Start(' ');
        out_.Put("Received '");
        out_.Put(file);
        out_.Put('\'');
        if (rnd_.Chance(50)) {
            out_.Put(", ");
            out_.Count(static_cast<std::uint64_t>(n.ip ? rnd_.Range(40000, 400000) : rnd_.Range(1600, 3400)));
            out_.Put(" cps");
        }
        End();
        return true;
    }

    // The file requests of the remote, the mail each way; false when the session
    // broke off.
    bool Transfers(const TNode& n, std::uint32_t sendCount)
    {
        if (rnd_.Chance(freqPercent_)) {
            std::uint32_t kind = rnd_.Below(10);
            if (kind < 5) {
                std::string_view file = rnd_.Pick(kAreaFiles);
                Start(' ');
                out_.Put("File request \"");
                out_.Put(file);
                out_.Put('"');
                End();
                if (!Send(n, kAreaDir, file, {}, static_cast<std::uint64_t>(rnd_.Range(500, 1500000))))
                    return false;
            } else if (kind < 7) {
                Line(' ', "File request \"NODE*\"");
                if (!Send(n, kAreaDir, "NODELIST.Z65", {}, static_cast<std::uint64_t>(rnd_.Range(300000, 900000))))
                    return false;
                if (!Send(n, kAreaDir, "NODEDIFF.A72", {}, static_cast<std::uint64_t>(rnd_.Range(5000, 60000))))
                    return false;
            } else {
                std::string_view file = rnd_.Pick(kMissing);
                Start(' ');
                out_.Put("File request \"");
                out_.Put(file);
                out_.Put('"');
                End();
                Start('?');
                out_.Put("Cannot fulfill file request \"");
                out_.Put(file);
                out_.Put('"');
                End();
            }
        }
        for (std::uint32_t i = 0; i < sendCount; ++i) {
            char out[8], pkt[8];
            std::uint64_t a = rnd_.Next(), b = rnd_.Next();
            static constexpr char kHex[] = "0123456789ABCDEF";
            for (int k = 0; k < 8; ++k) {
                out[k] = kHex[(a >> (4 * (7 - k))) & 15];
                pkt[k] = kHex[(b >> (4 * (7 - k))) & 15];
            }
            std::string local(out, 8), as;
            std::uint64_t size;
            if (rnd_.Chance(50)) {
                local += ".OUT";
                as.assign(pkt, 8);
                as += ".PKT";
                size = static_cast<std::uint64_t>(rnd_.Range(60, 40000));
            } else {
                local += '.';
                local += rnd_.Pick(kArcDays);
                local += static_cast<char>('0' + rnd_.Below(10));
                size = static_cast<std::uint64_t>(rnd_.Range(2000, 600000));
            }
            if (!Send(n, "C:\\FIDO\\OUTBOUND\\", local, as, size))
                return false;
        }
        for (std::uint32_t i = rnd_.Below(4); i > 0; --i)
            if (!Receive(n))
                return false;
        return true;
    }
};

// ---------------------------------------------------------------- options

constexpr const char* kUsage =
    "Usage: tarvix-genargus --out DIR [--seed S] [--start YYYY-MM-DD] [--days N]\n"
    "                       [--log-size BYTES] [--crlf]\n"
    "Writes an Argus log in both line layouts into DIR: argus-3131.log (two-digit\n"
    "years, Argus 2.x to 3.131) and argus-3132.log (four-digit years, 3.132 to 3.156).\n"
    "With them binary_log, Argus's binary history of the sessions.\n"
    "The same options always give the same bytes.\n"
    "  --out       the directory to write (created when missing)\n"
    "  --seed      the seed of the random choices (an unsigned number, default 1997)\n"
    "  --start     the first day of the log (default 2025-12-30)\n"
    "  --days      the number of days the log covers (default 3)\n"
    "  --log-size  write each log until it holds at least BYTES bytes, whole lines,\n"
    "              over as many days as that takes (--days is then not used)\n"
    "  --crlf      end lines in CR LF instead of LF\n";

[[noreturn]] void Usage(const std::string& message)
{
    std::fprintf(stderr, "tarvix-genargus: %s\n%s", message.c_str(), kUsage);
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

// "YYYY-MM-DD" as a day number; false for anything else.
bool ParseDate(std::string_view s, std::int64_t& day)
{
    if (s.size() != 10 || s[4] != '-' || s[7] != '-')
        return false;
    int v[3] = {0, 0, 0};
    const std::size_t at[3] = {0, 5, 8}, len[3] = {4, 2, 2};
    for (int k = 0; k < 3; ++k)
        for (std::size_t i = at[k]; i < at[k] + len[k]; ++i) {
            if (s[i] < '0' || s[i] > '9')
                return false;
            v[k] = v[k] * 10 + (s[i] - '0');
        }
    if (v[0] < 1900 || !ValidDate(v[0], v[1], v[2]))
        return false;
    day = DaysFromCivil(v[0], static_cast<unsigned>(v[1]), static_cast<unsigned>(v[2]));
    return true;
}

// Writes one log; history, when given, receives the binary history of its sessions.
bool WriteLog(const std::string& path, std::uint64_t seed, TLayout layout, std::int64_t start, std::int64_t days,
              std::uint64_t size, bool crlf, std::string* history = nullptr)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "tarvix-genargus: cannot create %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    std::setvbuf(file, nullptr, _IONBF, 0);
    TOut out(file, crlf, size);
    TArgusGen gen(out, seed, layout, start, days, size != 0);
    gen.Run();
    if (history)
        *history = gen.BinaryLog();
    out.Flush();
    bool ok = !out.Failed();
    if (std::fclose(file) != 0)
        ok = false;
    if (!ok)
        std::fprintf(stderr, "tarvix-genargus: cannot write %s\n", path.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string outDir;
    std::uint64_t seed = 1997, days = 3, size = 0;
    std::int64_t start = DaysFromCivil(2025, 12, 30);
    bool crlf = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--crlf") {
            crlf = true;
            continue;
        } else if (a == "--out" && value) {
            outDir = value;
        } else if (a == "--seed") {
            seed = Number("--seed", value, UINT64_MAX);
        } else if (a == "--days") {
            days = Number("--days", value, 100000);
        } else if (a == "--log-size") {
            size = Number("--log-size", value, UINT64_MAX);
        } else if (a == "--start" && value) {
            if (!ParseDate(value, start))
                Usage(std::string("--start ") + value + ": expected a date YYYY-MM-DD from 1900 on");
        } else {
            Usage("unknown option or missing value: " + std::string(a));
        }
        ++i;
    }
    if (outDir.empty())
        Usage("--out is required");
    if (days == 0)
        Usage("--days must be at least 1");

    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
    if (ec) {
        std::fprintf(stderr, "tarvix-genargus: cannot create %s: %s\n", outDir.c_str(), ec.message().c_str());
        return 1;
    }
    std::string base = outDir;
    if (base.back() != '/')
        base += '/';
    std::string history;
    bool ok = WriteLog(base + "argus-3131.log", seed, TLayout::ShortYear, start, static_cast<std::int64_t>(days),
                       size, crlf, &history) &&
              WriteLog(base + "argus-3132.log", seed, TLayout::LongYear, start, static_cast<std::int64_t>(days),
                       size, crlf);
    if (ok) {
        // Both logs tell the same story: one history serves them.
        std::FILE* f = std::fopen((base + "binary_log").c_str(), "wb");
        ok = f && std::fwrite(history.data(), 1, history.size(), f) == history.size();
        if (f && std::fclose(f) != 0)
            ok = false;
        if (!ok)
            std::fprintf(stderr, "tarvix-genargus: cannot write %sbinary_log\n", base.c_str());
    }
    return ok ? 0 : 1;
}
