// tarvix-genbinkd: writes a large binkd log for the benchmarks, in the line layout
// and with the messages binkd 1.1 writes (see samples/binkd for logs binkd wrote
// itself): calls placed and refused, incoming and outgoing sessions with files
// both ways, file requests served through the exec hook, password errors, broken
// sessions, and sessions running at the same time, their lines interleaved.
//
//   tarvix-genbinkd --out DIR [--seed N] [--log-size BYTES] [--sessions-per-day N]
//
// Writes DIR/binkd.log. The same options give the same bytes: the generator uses
// its own random numbers and calendar and never looks at the clock.
#include "tools/gencommon/GenCommon.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

using namespace tarvix::gen;

namespace {

struct TRemote {
    const char* addr;
    const char* aka;  // another address, or nullptr
    const char* system;
    const char* sysop;
    const char* location;
    const char* ndl;
    const char* mailer;
};

constexpr TRemote kRemotes[] = {
    {"2:5020/200@fidonet", nullptr, "Beta BBS", "Boris Belov", "Kiev, Ukraine", "33600,TCP,BINKP",
     "binkd/1.1a-115/Linux binkp/1.1"},
    {"2:463/300@fidonet", "2:463/300.1@fidonet", "Gamma Point", "Galina Gorbunova", "Minsk, Belarus",
     "115200,TCP,BINKP", "binkd/1.0.4/Win32 binkp/1.1"},
    {"2:5030/1000@fidonet", nullptr, "North Station", "Nikolai Nosov", "St. Petersburg, Russia", "CM,IBN",
     "Argus/3.210 binkp/1.1"},
    {"1:261/38@fidonet", "1:261/100@fidonet", "Lighthouse Point", "Tom Baker", "Baltimore, MD", "IBN,CM",
     "BinkIT/2.41,JSBinkP/4,sbbs3.19/Linux binkp/1.1"},
    {"2:240/2188@fidonet", nullptr, "Elbe Mailbox", "Erik Engel", "Hamburg, Germany", "MO,IBN",
     "mbcico/1.0.8 binkp/1.1"},
};

constexpr const char* kFiles[] = {"nodelist.z42", "nodediff.a12", "fidonews.zip", "allfix.tic", "binkd11.zip",
                                  "files.lst", "report.zip", "pointlst.rar"};

class TWriter {
public:
    explicit TWriter(std::ofstream& out) : out_(out) {}
    ~TWriter() { Flush(); }
    std::uint64_t Size() const { return written_ + buf_.size(); }
    // One line: the mark, the date and time, the process id, the message.
    void Line(char mark, const TDate& d, int secs, unsigned pid, std::string_view msg)
    {
        char head[48];
        int n = std::snprintf(head, sizeof head, "%c %02d %.3s %02d:%02d:%02d [%u] ", mark, d.day,
                              kMonths[d.month - 1].data(), secs / 3600, secs / 60 % 60, secs % 60, pid);
        buf_.append(head, static_cast<std::size_t>(n));
        buf_.append(msg);
        buf_ += '\n';
        if (buf_.size() > (1u << 20))
            Flush();
    }
    void Blank() { buf_ += '\n'; }
    void Flush()
    {
        out_.write(buf_.data(), static_cast<std::streamsize>(buf_.size()));
        written_ += buf_.size();
        buf_.clear();
    }

private:
    std::ofstream& out_;
    std::string buf_;
    std::uint64_t written_ = 0;
};

// The lines of one session, written later with those of another in between.
struct TSessionLines {
    unsigned pid;
    std::vector<std::pair<char, std::string>> lines;
    void Add(char mark, std::string text) { lines.emplace_back(mark, std::move(text)); }
};

std::string Num(std::int64_t v) { return std::to_string(v); }

// A session with a remote: its lines, from the call or the greeting to the end.
TSessionLines Session(TRandom& rnd, unsigned pid, bool incoming)
{
    TSessionLines s{pid, {}};
    const TRemote& r = rnd.Pick(kRemotes);
    const int port = 24554;
    if (!incoming) {
        s.Add('+', std::string("call to ") + r.addr);
        s.Add(' ', "trying 127.0.0.1 [127.0.0.1]:" + Num(port) + "...");
        s.Add(' ', "connected");
        s.Add('+', "outgoing session with 127.0.0.1:" + Num(port));
        s.Add('-', "OPT CRAM-MD5-" + std::string(32, 'a' + static_cast<char>(rnd.Below(6))));
        s.Add('+', "Remote requests MD mode");
    } else {
        s.Add('+', "incoming session with 127.0.0.1");
    }
    s.Add('-', std::string("SYS ") + r.system);
    s.Add('-', std::string("ZYZ ") + r.sysop);
    s.Add('-', std::string("LOC ") + r.location);
    s.Add('-', std::string("NDL ") + r.ndl);
    s.Add('-', "TIME Mon,  7 Dec 2026 18:12:45 +0000");
    s.Add('-', std::string("VER ") + r.mailer);
    s.Add('+', std::string("addr: ") + r.addr);
    if (r.aka)
        s.Add('+', std::string("addr: ") + r.aka);
    const std::string remote = r.addr;
    const std::string who = (incoming ? "from " : "to ") + remote;
    const int kind = static_cast<int>(rnd.Below(100));
    if (kind < 6) {  // a password error
        if (incoming)
            s.Add('?', "`CRAM-MD5-0123456789abcdef0123456789abcdef': incorrect password");
        else
            s.Add('?', "rerror: Bad password");
        s.Add('+', "done (" + who + ", failed, S/R: 0/0 (0/0 bytes))");
        s.Add(' ', "session closed, quitting...");
        return s;
    }
    s.Add('-', "OPT EXTCMD CRYPT GZ");
    s.Add('+', "Remote supports EXTCMD mode");
    s.Add('+', "pwd protected session (MD5)");
    s.Add('-', "session in CRYPT mode");
    int sent = 0, rcvd = 0;
    std::int64_t bytesSent = 0, bytesRcvd = 0;
    if (incoming && rnd.Chance(15)) {  // a file request answered by the exec hook
        s.Add('-', "receiving 1a2b3c4d.req (40 byte(s), off 0)");
        s.Add('+', "1a2b3c4d.req -> inbound/1a2b3c4d.req");
        s.Add(' ', "got *.req, delayed starting ./freq.sh *S");
        s.Add('+', "rcvd: 1a2b3c4d.req (40, 40.00 CPS, " + remote + ")");
        ++rcvd;
        bytesRcvd += 40;
        s.Add('-', "executing `./freq.sh ./outbound/139c0064.srf'");
        s.Add('-', "rc=0");
        const int n = 1 + static_cast<int>(rnd.Below(3));
        std::vector<std::string> answered;
        for (int i = 0; i < n; ++i) {
            answered.push_back(std::string("files/") + rnd.Pick(kFiles));
            s.Add(' ', "parse_response: add file `" + answered.back() + "' to queue");
        }
        for (const std::string& f : answered) {
            const std::int64_t size = rnd.Range(100, 2000000);
            s.Add('+', "sending " + f + " as " + f.substr(6) + " (" + Num(size) + ")");
            s.Add('+', "sent: " + f + " (" + Num(size) + ", " + Num(size / 2 + 1) + ".00 CPS, " + remote + ")");
            ++sent;
            bytesSent += size;
        }
    }
    const int out = static_cast<int>(rnd.Below(4)), in = static_cast<int>(rnd.Below(4));
    for (int i = 0; i < out; ++i) {
        const std::int64_t size = rnd.Range(200, 500000);
        const std::string name = rnd.Chance(50) ? "./outbound/139c00c8.out" : std::string("temp/") + rnd.Pick(kFiles);
        s.Add('+', "sending " + name + " as " + Num(rnd.Range(10000000, 99999999)) + ".pkt (" + Num(size) + ")");
        s.Add('-', "rate limit for file is 409600 cps");
        s.Add('+', "sent: " + name + " (" + Num(size) + ", " + Num(size / 3 + 1) + ".00 CPS, " + remote + ")");
        ++sent;
        bytesSent += size;
    }
    const bool broken = rnd.Chance(4);
    for (int i = 0; i < in; ++i) {
        const std::int64_t size = rnd.Range(200, 500000);
        const std::string name = rnd.Pick(kFiles);
        s.Add('-', "receiving " + name + " (" + Num(size) + " byte(s), off 0)");
        if (broken) {
            s.Add('?', "recv: connection closed by foreign host");
            s.Add('+', "done (" + who + ", failed, S/R: " + Num(sent) + "/" + Num(rcvd) + " (" + Num(bytesSent) + "/" +
                           Num(bytesRcvd) + " bytes))");
            s.Add('?', "receiving of " + name + " interrupted at " + Num(size / 2));
            s.Add(' ', "session closed, quitting...");
            return s;
        }
        s.Add('+', name + " -> inbound/" + name);
        s.Add('+', "rcvd: " + name + " (" + Num(size) + ", " + Num(size / 4 + 1) + ".00 CPS, " + remote + ")");
        ++rcvd;
        bytesRcvd += size;
    }
    s.Add('+', "done (" + who + ", OK, S/R: " + Num(sent) + "/" + Num(rcvd) + " (" + Num(bytesSent) + "/" +
                   Num(bytesRcvd) + " bytes))");
    s.Add(' ', "session closed, quitting...");
    return s;
}

std::uint64_t Number(const char* name, const char* value, std::uint64_t max)
{
    char* end = nullptr;
    if (!value || !*value)
        throw std::runtime_error(std::string(name) + " needs a value");
    unsigned long long v = std::strtoull(value, &end, 10);
    if (*end || v > max)
        throw std::runtime_error(std::string(name) + ": bad value " + value);
    return v;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string outDir;
    std::uint64_t seed = 1, size = 1 << 20, perDay = 100;
    try {
        for (int i = 1; i < argc; ++i) {
            std::string_view a = argv[i];
            const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
            if (a == "--out" && value) {
                outDir = value;
                ++i;
            } else if (a == "--seed") {
                seed = Number("--seed", value, UINT64_MAX);
                ++i;
            } else if (a == "--log-size") {
                size = Number("--log-size", value, UINT64_MAX);
                ++i;
            } else if (a == "--sessions-per-day") {
                perDay = Number("--sessions-per-day", value, 10000);
                ++i;
            } else {
                throw std::runtime_error("unknown argument " + std::string(a));
            }
        }
        if (outDir.empty() || perDay == 0)
            throw std::runtime_error("usage: tarvix-genbinkd --out DIR [--seed N] [--log-size BYTES] "
                                     "[--sessions-per-day N]");
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return 2;
    }
    std::filesystem::create_directories(outDir);
    std::ofstream file(std::filesystem::path(outDir) / "binkd.log", std::ios::binary | std::ios::trunc);
    TWriter w(file);
    TRandom rnd(seed);
    std::int64_t day = DaysFromCivil(2026, 1, 1);
    unsigned pid = 1000;
    auto nextPid = [&] {
        pid = pid >= 60000 ? 1000 : pid + 1 + rnd.Below(7);
        return pid;
    };
    while (w.Size() < size) {
        const TDate d = CivilFromDays(day);
        const unsigned server = nextPid();
        w.Blank();
        w.Line(' ', d, 1, server, "BEGIN, binkd/1.1a-115/Linux -D binkd.cfg");
        w.Line(' ', d, 1, server, "servmgr started");
        const int step = static_cast<int>(86000 / perDay);
        for (std::uint64_t k = 0; k < perDay && w.Size() < size; ++k) {
            const int secs = 60 + static_cast<int>(k) * step;
            const int what = static_cast<int>(rnd.Below(100));
            if (what < 10) {  // a call to a closed port
                const unsigned p = nextPid();
                w.Line('+', d, secs, p, "call to 2:5020/400@fidonet");
                w.Line(' ', d, secs, p, "trying 127.0.0.1 [127.0.0.1]:24559...");
                w.Line('?', d, secs, p, "connection to 2:5020/400@fidonet failed: Connection refused");
                w.Line(' ', d, secs, server, "rc(" + Num(p) + ")=0");
                continue;
            }
            // One session, or two at the same time with their lines interleaved.
            std::vector<TSessionLines> running;
            running.push_back(Session(rnd, nextPid(), rnd.Chance(50)));
            if (what < 35)
                running.push_back(Session(rnd, nextPid(), rnd.Chance(50)));
            // A process killed in the middle: no end of its own, only its parent's rc.
            if (rnd.Chance(2))
                running.back().lines.resize(running.back().lines.size() / 2);
            if (running.front().lines.front().second.starts_with("incoming"))
                w.Line('-', d, secs, server, "incoming from 127.0.0.1 (" + Num(40000 + rnd.Below(20000)) + ")");
            std::size_t at[2] = {0, 0};
            bool left = true;
            while (left) {
                left = false;
                for (std::size_t r = 0; r < running.size(); ++r) {
                    const TSessionLines& s = running[r];
                    const std::size_t take = 1 + rnd.Below(3);
                    for (std::size_t j = 0; j < take && at[r] < s.lines.size(); ++j, ++at[r])
                        w.Line(s.lines[at[r]].first, d, secs + static_cast<int>(at[r] / 8), s.pid,
                               s.lines[at[r]].second);
                    left = left || at[r] < s.lines.size();
                }
            }
            for (const TSessionLines& s : running)
                w.Line(' ', d, secs + 30, server, "rc(" + Num(s.pid) + ")=0");
        }
        ++day;
    }
    w.Flush();
    return file ? 0 : 1;
}
