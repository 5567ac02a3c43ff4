// tarvix-genbrake: writes a Brake! mailer installation for demonstrations and tests.
//
//   brake!.ctl, nodes.ctl       the configuration (TREE, ALIAS, OUT, INOUT, #Include,
//                               #Macro, the COMPLETE. marker line)
//   FILES\...\files.bbs         the file tree that requested files are served from
//   brake701.log, brake703.log, brake716.log
//                               the mailer's own log layout of versions 701-702,
//                               703-715 and 716-718
//   binkley703.log, binkley716.log
//                               the BinkleyTerm log layout of versions 703 and 716
//
// Every log tells the same story: the same calls, sessions and file requests, written
// the way each version and layout writes them. The output depends only on the
// options: the same seed gives the same bytes. Standard library only.
//
// Usage: tarvix-genbrake --out DIR [--seed N] [--days N] [--log-size BYTES]

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

// ------------------------------------------------------------------ the world

struct Node {
    const char* addr;
    const char* name;  // the system name of an OUT or INOUT line, or ""
    const char* system;
    const char* sysop;
    const char* location;  // "" : the sysop line names no place
    const char* phone;
    const char* mailer;
    const char* ip;
};

const Node kNodes[] = {
    {"2:5020/52", "BOSS", "Boss Station", "Ivan Petrov", "Moscow", "7-095-123-4567", "Brake!/DOS 7.16", ""},
    {"2:5020/1", "UPLINK", "Uplink Hub", "Sergey Smirnov", "Moscow", "7-095-111-2233", "T-Mail/2 2605",
     "198.51.100.1"},
    {"2:5030/15", "HUB", "Neva Hub", "Pavel Orlov", "Saint Petersburg", "7-812-555-0101", "Argus 3.210",
     "198.51.100.15"},
    {"2:463/68", "", "Kiev Gateway", "Olga Shevchenko", "Kyiv", "380-44-555-0168", "SF-Mail 2.60", ""},
    {"2:5030/999.7", "", "Sample Point", "Anna Tochkina", "", "-Unpublished-", "Brake!/DOS 7.03", ""},
    {"2:4641/18", "", "Volga BBS", "Nikolai Volkov", "Samara", "7-846-555-0018", "FrontDoor 2.26", ""},
    {"2:5020/1042", "", "Night Owl", "Dmitry Sova", "Moscow", "7-095-555-1042", "Bink/+ 1.00", ""},
    {"1:261/38", "", "Overseas Gate", "John Doe", "Baltimore", "1-410-555-0138", "BinkleyTerm 2.60",
     "203.0.113.38"},
};
constexpr int kNodeCount = sizeof kNodes / sizeof kNodes[0];
enum { nBoss, nUplink, nHub, nKiev, nPoint, nVolga, nOwl, nOverseas };

struct AreaFile {
    const char* dir;   // below FILES
    const char* name;  // as stored and as the log names it
    const char* desc;
    int counter;  // -1: the files.bbs line has no counter
};

const AreaFile kFiles[] = {
    {"NODELIST", "NODELIST.ZIP", "Nodelist of zone 2, this week's edition", 2},
    {"NODELIST", "NODEDIFF.ZIP", "Nodelist difference of this week", 0},
    {"NODELIST", "POINTS.ZIP", "Point list of region 50", -1},
    {"SOFT", "TARVIX.ZIP", "Tarvix, the mailer log analyser", 7},
    {"SOFT", "BRAKE716.ZIP", "Brake! 7.16 for DOS", 15},
    {"NEWS", "FIDONEWS.TXT", "FidoNews of this week", -1},
};
constexpr int kFileCount = sizeof kFiles / sizeof kFiles[0];

// The size of a file of the tree, as written and as the log reports it.
std::int64_t FileSize(int file) { return 1200 + 317 * (file + 1); }

// One file moved in a session.
struct Xfer {
    std::string name;
    std::int64_t size = 0;
    int cps = 0;
};

enum SessType { stEmsi, stAnonymous, stHuman, stBadPassword, stFailEarly };
enum Trouble { trNone, trCarrier, trLowCps, trCanceled, trTimedOut };
enum FreqOutcome { foSent, foSkipped };
enum CallResult { crBusy, crNoCarrier, crTimedOut, crNoDialTone, crNoAnswer };

struct Freq {
    int file = 0;
    FreqOutcome outcome = foSent;
    int cps = 0;
};

struct Event {
    enum Kind { Noise, CallFail, Session } kind = Noise;
    int node = 0;
    int noise = 0;   // which idle text
    int number = 0;  // a count that idle texts show, the try of a call
    CallResult result = crBusy;
    // sessions
    bool outgoing = false;
    bool ip = false;
    int speed = 0;  // index into kSpeeds
    SessType type = stEmsi;
    bool password = false;
    int proto = 0;  // index into kProtocols
    bool rh1 = false;
    std::vector<Xfer> rcvd, sent;
    std::vector<Freq> freqs;
    Trouble trouble = trNone;
    int handshake = 0;  // seconds from CONNECT to the session line
};

const char* const kSpeeds[] = {"33600/ARQ/V34/LAPM/V42BIS", "31200/ARQ/V34/LAPM", "28800/ARQ/V34",
                               "14400/ARQ/V32b/LAPM", "2400/NONE"};
constexpr int kSpeedCount = sizeof kSpeeds / sizeof kSpeeds[0];

struct Protocol {
    const char* name;
    char letter;
};
const Protocol kProtocols[] = {{"Hydra-8k", 'H'}, {"ZedZap", 'Z'}, {"ZModem", 'Z'},
                               {"DirZap", 'D'},   {"Janus", 'J'},  {"Hydra", 'H'}};
constexpr int kProtoCount = sizeof kProtocols / sizeof kProtocols[0];
constexpr int kProtoBinkP = -1;  // IP sessions

// ------------------------------------------------------------------ random numbers

// The engine is fixed by the standard; the mapping to ranges is our own, so that the
// output is the same with every standard library.
class Random {
public:
    explicit Random(std::uint32_t seed) : rng_(seed) {}
    int Below(int n) { return n <= 1 ? 0 : static_cast<int>(rng_() % static_cast<std::uint32_t>(n)); }
    int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }
    bool Chance(int percent) { return Below(100) < percent; }

private:
    std::mt19937 rng_;
};

std::string MailName(Random& r, const char* ext)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%08X.%s", static_cast<unsigned>(r.Below(0x7fffffff)), ext);
    return buf;
}

void AddMail(Random& r, Event& e)
{
    static const char* const kArc[] = {"MO0", "TU1", "WE2", "TH3", "FR4", "SA5", "SU6"};
    int n = r.Below(3);
    for (int i = 0; i < n; ++i)
        e.rcvd.push_back({MailName(r, r.Chance(50) ? "PKT" : kArc[r.Below(7)]), r.Between(300, 90000),
                          r.Between(900, 3400)});
    n = r.Below(3);
    for (int i = 0; i < n; ++i)
        e.sent.push_back({MailName(r, r.Chance(50) ? "PKT" : kArc[r.Below(7)]), r.Between(300, 60000),
                          r.Between(900, 3400)});
}

Event MakeSession(Random& r, int node, bool outgoing, SessType type)
{
    Event e;
    e.kind = Event::Session;
    e.node = node;
    e.outgoing = outgoing;
    e.type = type;
    e.ip = kNodes[node].ip[0] != '\0' && r.Chance(60);
    e.speed = r.Below(kSpeedCount - 1);
    e.proto = e.ip ? kProtoBinkP : r.Below(kProtoCount - 1);
    e.password = r.Chance(50);
    e.handshake = r.Between(3, 9);
    e.number = r.Between(1, 3);
    if (type == stEmsi || type == stAnonymous)
        AddMail(r, e);
    return e;
}

Event MakeCallFail(Random& r, int node, CallResult result)
{
    Event e;
    e.kind = Event::CallFail;
    e.node = node;
    e.result = result;
    e.ip = result == crTimedOut;  // only a call over IP times out
    e.number = r.Between(1, 5);
    return e;
}

Event MakeNoise(Random& r)
{
    Event e;
    e.kind = Event::Noise;
    e.noise = r.Below(4);
    e.number = r.Between(1, 6);
    return e;
}

void AddFreq(Random& r, Event& e, int file, FreqOutcome outcome)
{
    e.freqs.push_back({file, outcome, r.Between(1500, 3300)});
}

// The events of the first day: every kind of call and session once.
std::vector<Event> FirstDay(Random& r)
{
    std::vector<Event> v;
    Event a = MakeSession(r, nBoss, true, stEmsi);  // password, Hydra, mail both ways
    a.ip = false;
    a.password = true;
    a.proto = 0;
    v.push_back(a);

    Event b = MakeSession(r, nKiev, false, stEmsi);  // requests: two sent, one skipped
    AddFreq(r, b, 0, foSent);
    AddFreq(r, b, 3, foSkipped);
    AddFreq(r, b, 5, foSent);
    v.push_back(b);

    v.push_back(MakeCallFail(r, nUplink, crBusy));
    v.push_back(MakeCallFail(r, nUplink, crBusy));
    Event c = MakeSession(r, nUplink, true, stEmsi);
    c.ip = false;
    c.proto = 1;
    v.push_back(c);

    v.push_back(MakeCallFail(r, nVolga, crNoCarrier));
    v.push_back(MakeCallFail(r, nOverseas, crTimedOut));
    Event d = MakeSession(r, nOverseas, true, stEmsi);  // over IP, binkp
    d.ip = true;
    d.proto = kProtoBinkP;
    v.push_back(d);

    v.push_back(MakeSession(r, 0, false, stHuman));   // ended by the next Answering line
    v.push_back(MakeSession(r, nVolga, false, stBadPassword));
    v.push_back(MakeSession(r, 0, false, stFailEarly));
    Event f = MakeSession(r, nHub, false, stAnonymous);  // only the summary names the system
    f.ip = false;
    v.push_back(f);

    Event g = MakeSession(r, nOwl, false, stEmsi);  // the line drops while a request is sent
    AddFreq(r, g, 1, foSent);
    AddFreq(r, g, 4, foSent);
    g.trouble = trCarrier;
    v.push_back(g);

    Event h = MakeSession(r, nKiev, true, stEmsi);
    h.ip = false;
    h.trouble = trLowCps;
    v.push_back(h);
    Event i = MakeSession(r, nBoss, false, stEmsi);
    i.trouble = trCanceled;
    v.push_back(i);
    Event j = MakeSession(r, nHub, true, stEmsi);
    j.ip = false;
    j.trouble = trTimedOut;
    v.push_back(j);

    Event k = MakeSession(r, nPoint, false, stEmsi);  // RH1 mode; the sysop line names no place
    k.proto = 5;
    k.rh1 = true;
    AddFreq(r, k, 0, foSent);
    v.push_back(k);

    v.push_back(MakeCallFail(r, nOwl, crNoDialTone));
    v.push_back(MakeSession(r, 0, false, stHuman));  // ended by the next Calling line
    v.push_back(MakeCallFail(r, nOwl, crNoAnswer));
    return v;
}

// A day of ordinary traffic.
std::vector<Event> OrdinaryDay(Random& r, int events)
{
    std::vector<Event> v;
    for (int n = 0; n < events; ++n) {
        int pick = r.Below(100);
        int node = r.Below(kNodeCount);
        if (pick < 12) {
            v.push_back(MakeNoise(r));
        } else if (pick < 30) {
            static const CallResult kResults[] = {crBusy, crBusy, crNoCarrier, crNoAnswer, crTimedOut};
            CallResult res = kResults[r.Below(5)];
            if (res == crTimedOut && kNodes[node].ip[0] == '\0')
                res = crBusy;
            v.push_back(MakeCallFail(r, node, res));
        } else {
            SessType type = stEmsi;
            int t = r.Below(100);
            if (t < 5)
                type = stHuman;
            else if (t < 9)
                type = stBadPassword;
            else if (t < 13)
                type = stFailEarly;
            else if (t < 20)
                type = stAnonymous;
            bool outgoing = type != stHuman && type != stBadPassword && r.Chance(45);
            Event e = MakeSession(r, node, outgoing, type);
            if (type == stEmsi && !outgoing && r.Chance(35)) {
                int count = r.Between(1, 3);
                for (int i = 0; i < count; ++i)
                    AddFreq(r, e, r.Below(kFileCount), r.Chance(85) ? foSent : foSkipped);
            }
            if (type == stEmsi && r.Chance(12))
                e.trouble = static_cast<Trouble>(r.Between(1, 4));
            if (type == stEmsi && e.proto == 5 && r.Chance(50))
                e.rh1 = true;
            v.push_back(std::move(e));
        }
    }
    return v;
}

// ------------------------------------------------------------------ dates

struct Date {
    int y, m, d;
};

// Days since 1970-01-01 of a date and back (proleptic Gregorian calendar).
long DaysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

Date CivilFromDays(long z)
{
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {static_cast<int>(yoe + era * 400 + (m <= 2)), m, d};
}

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// ------------------------------------------------------------------ writing a log

struct Variant {
    int version;
    bool bink;
    const char* file;
};

const Variant kVariants[] = {
    {701, false, "brake701.log"}, {703, false, "brake703.log"},   {716, false, "brake716.log"},
    {703, true, "binkley703.log"}, {716, true, "binkley716.log"},
};
constexpr int kVariantCount = sizeof kVariants / sizeof kVariants[0];

std::string Thousands(std::int64_t v)
{
    std::string digits = std::to_string(v);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ' ';
        out += digits[i];
    }
    return out;
}

std::string Duration(long seconds)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return buf;
}

// Renders the events into one log of one variant.
class LogWriter {
public:
    LogWriter(const Variant& v, long firstDay) : v_(v), firstDay_(firstDay) {}

    std::string text;
    long now = 0;  // seconds since midnight of the first day

    void Line(char flag, std::string_view msg, std::string_view tag = "BRK!")
    {
        const long day = now / 86400;
        const long sec = now % 86400;
        if (day != cachedDay_) {
            cachedDay_ = day;
            date_ = CivilFromDays(firstDay_ + day);
        }
        char head[64];
        int n;
        if (v_.bink) {
            n = std::snprintf(head, sizeof head, "%c %02d %s %02ld:%02ld:%02ld %.*s ", flag, date_.d,
                              kMonths[date_.m - 1], sec / 3600, sec / 60 % 60, sec % 60,
                              static_cast<int>(tag.size()), tag.data());
        } else {
            // The task tag: "T01" before 716; from 716 on also the port, after a comma.
            n = std::snprintf(head, sizeof head, "%02d/%02d/%02d %02ld:%02ld:%02ld %-*s", date_.d, date_.m,
                              date_.y % 100, sec / 3600, sec / 60 % 60, sec % 60, v_.version < 716 ? 6 : 9,
                              v_.version < 716 ? "T01" : "T01,COM2");
        }
        text.append(head, static_cast<std::size_t>(n));
        text.append(msg);
        text.append("\r\n");
    }

    // A line cut short, as a crash leaves it.
    void BrokenLine()
    {
        Line(' ', "");
        text.resize(text.size() - 2);
        // keep the date and the first digits of the time
        std::size_t cut = text.rfind('\n') + 1 + (v_.bink ? 13 : 12);
        text.resize(cut);
        text.append("\r\n");
    }

    void Write(const Event& e)
    {
        switch (e.kind) {
        case Event::Noise:
            Noise(e);
            break;
        case Event::CallFail:
            Call(e);
            Fail(e);
            break;
        case Event::Session:
            Session(e);
            break;
        }
    }

private:
    const Variant& v_;
    long firstDay_;
    long cachedDay_ = -1;
    Date date_{};

    bool Names() const { return v_.version >= 716; }
    std::string Who(const Node& n) const { return Names() && n.name[0] ? n.name : n.addr; }

    void Noise(const Event& e)
    {
        char buf[128];
        switch (e.noise) {
        case 0:
            Line('*', "Ready, waiting for a call");
            break;
        case 1:
            std::snprintf(buf, sizeof buf, "Rescanning the outbound: %d node(s) to call", e.number);
            Line(' ', buf);
            break;
        case 2:
            std::snprintf(buf, sizeof buf, "Event %d started, mail only until its end", e.number);
            Line('*', buf);
            break;
        default:
            Line('+', "Modem initialised, line 1 is free");
            break;
        }
        now += 1;
    }

    void Call(const Event& e)
    {
        const Node& n = kNodes[e.node];
        Line('+', "Calling node " + Who(n) + ", try " + std::to_string(e.number));
        if (e.ip) {
            now += 1;
            Line(' ', std::string("Connecting to ") + n.ip + " port 60179");
        } else {
            now += 1;
            Line(' ', std::string("Dialing ") + n.phone);
        }
    }

    void Fail(const Event& e)
    {
        now += e.result == crTimedOut ? 30 : 25;
        switch (e.result) {
        case crBusy:
            Line('!', "Not connected: BUSY");
            break;
        case crNoCarrier:
            Line('!', "Not connected: NO CARRIER");
            break;
        case crTimedOut:
            Line('!', "Connection timed out");
            break;
        case crNoDialTone:
            Line('!', "Not connected: NO DIAL TONE");
            break;
        case crNoAnswer:
            Line('!', "Not connected: NO ANSWER");
            break;
        }
        now += 1;
        Line('*', "Ready, waiting for a call");
    }

    void Transfer(char letter, bool send, const Xfer& x)
    {
        const bool v701 = v_.version == 701;
        std::string head = v701 ? std::string(1, letter) + (send ? "-Send " : "-Receive ")
                                : std::string(1, letter) + (send ? "S " : "R ");
        Line('#', head + x.name + ", " + Thousands(x.size) + " bytes");
        now += std::max<long>(1, static_cast<long>(x.size / x.cps));
        std::string tail = v701 ? std::string(1, letter) + (send ? "-Sent " : "-Received ")
                                : std::string(send ? "SE " : "RE ");
        Line('#', tail + x.name + ", " + Thousands(x.cps) + " cps");
        now += 1;
    }

    void Session(const Event& e)
    {
        const Node& n = kNodes[e.node];
        const bool ip = e.ip;
        if (e.outgoing) {
            Call(e);
            now += ip ? 2 : 20;
            Line('+', std::string("Outgoing call, CONNECT ") + (ip ? std::string("TCP/IP ") + n.ip : kSpeeds[e.speed]));
        } else {
            const bool human = e.type == stHuman;
            Line('+', ip && !human ? std::string("Answering TCP/IP call from ") + n.ip : "Answering incoming call");
            now += ip && !human ? 1 : 12;
            Line('+', std::string("Incoming call, CONNECT ") +
                          (ip && !human ? std::string("TCP/IP ") + n.ip : kSpeeds[human ? kSpeedCount - 1 : e.speed]));
        }
        const long start = now;
        now += e.handshake;
        switch (e.type) {
        case stHuman:
            Line('+', v_.version == 701 ? "Humman caller, starting the terminal" : "Human caller, starting the terminal");
            now += 240 + e.handshake * 31;
            Line(' ', "Terminal session closed by the user");
            now += 2;
            Line('*', "Ready, waiting for a call");
            return;  // the next Answering or Calling line ends it
        case stFailEarly:
            Line('!', "Session failed, no EMSI handshake");
            now += 1;
            Line('*', "Ready, waiting for a call");
            return;
        case stBadPassword:
            Line('!', std::string("Password \"") + "NOTRIGHT" + "\" of " + n.addr + " not valid");
            now += 1;
            Line('!', "Session failed, password mismatch");
            now += 1;
            Line('*', "Ready, waiting for a call");
            return;
        default:
            break;
        }
        if (e.type == stEmsi)
            Line('+', std::string("Session with ") + n.addr + "@fidonet");
        Line(':', std::string("Mailer: ") + n.mailer + (e.type == stAnonymous ? " (FTS-0001)" : ""));
        Line(':', std::string("System: ") + n.system);
        Line(':', std::string(" Sysop: ") + n.sysop + (n.location[0] ? std::string(" from ") + n.location : ""));
        Line(':', std::string(" Phone: ") + n.phone);
        now += 1;
        if (e.password && e.type == stEmsi)
            Line('+', "Password protected session");
        char letter = 'B';
        if (e.proto == kProtoBinkP) {
            Line('+', "Using BinkP for transfer");
        } else {
            letter = kProtocols[e.proto].letter;
            Line('+', std::string("Using ") + kProtocols[e.proto].name + " for transfer" + (e.rh1 ? ", RH1 mode" : ""));
        }
        now += 1;

        int filesR = 0, filesS = 0;
        std::int64_t bytesR = 0, bytesS = 0;
        for (const Xfer& x : e.rcvd) {
            Transfer(letter, false, x);
            ++filesR;
            bytesR += x.size;
        }
        for (const Xfer& x : e.sent) {
            Transfer(letter, true, x);
            ++filesS;
            bytesS += x.size;
        }
        bool dropped = false;
        if (!e.freqs.empty()) {
            Line('+', "Sending FREQed files");
            std::string lastDir;
            for (std::size_t i = 0; i < e.freqs.size(); ++i) {
                const Freq& f = e.freqs[i];
                const AreaFile& file = kFiles[f.file];
                const std::int64_t size = FileSize(f.file);
                if (lastDir != file.dir) {
                    lastDir = file.dir;
                    Line(' ', std::string("Sending from FILES\\") + file.dir + "\\");
                }
                const bool last = i + 1 == e.freqs.size();
                if (last && e.trouble == trCarrier) {
                    // The line drops while the last requested file is on its way.
                    const bool v701 = v_.version == 701;
                    Line('#', (v701 ? std::string(1, letter) + "-Send " : std::string(1, letter) + "S ") +
                                  file.name + ", " + Thousands(size) + " bytes");
                    now += 9;
                    Line('!', std::string("Carrier lost while sending ") + file.name);
                    bytesS += size / 3;
                    dropped = true;
                    break;
                }
                if (f.outcome == foSkipped) {
                    const bool v701 = v_.version == 701;
                    Line('#', (v701 ? std::string(1, letter) + "-Send " : std::string(1, letter) + "S ") +
                                  file.name + ", " + Thousands(size) + " bytes");
                    now += 1;
                    Line('!', std::string("Remote skipped ") + file.name);
                    now += 1;
                    continue;
                }
                Transfer(letter, true, {file.name, size, f.cps});
                ++filesS;
                bytesS += size;
            }
        }
        if (!dropped) {
            switch (e.trouble) {
            case trCarrier:
                Line('!', "Carrier lost, the remote hung up");
                dropped = true;
                break;
            case trLowCps:
                Line('!', "Too low CPS (" + std::to_string(40 + e.handshake) + "), aborting the session");
                break;
            case trCanceled:
                Line('!', "Canceled by remote, the session ends");
                break;
            case trTimedOut:
                Line('!', "Waiting for the remote timed out");
                break;
            case trNone:
                break;
            }
            now += 1;
        }
        Line('+', "Done, " + Who(n) + ", " + Duration(now - start) + ", " + std::to_string(filesR) + "/" +
                      std::to_string(filesS) + ", " + Thousands(bytesR) + "/" + Thousands(bytesS));
        now += 1;
        if (v_.bink && !e.rcvd.empty()) {
            // The tosser writes into the same log.
            Line('+', "Tossing " + std::to_string(e.rcvd.size()) + " packet(s)", "SQSH");
        }
        Line('*', "Ready, waiting for a call");
    }
};

// ------------------------------------------------------------------ the installation

void WriteFile(const fs::path& path, std::string_view text)
{
    fs::create_directories(path.parent_path());
    std::FILE* f = std::fopen(path.string().c_str(), "wb");
    if (!f)
        throw std::runtime_error("cannot create " + path.string());
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        throw std::runtime_error("cannot write " + path.string());
}

void WriteConfig(const fs::path& out)
{
    WriteFile(out / "brake!.ctl",
              "; Brake! configuration of the Tarvix sample station\r\n"
              "; (written by tarvix-genbrake)\r\n"
              "ADDRESS    2:5030/999\r\n"
              "SYSTEM     \"Tarvix Sample Station\"\r\n"
              "SYSOP      \"Sample Sysop\"\r\n"
              "LOCATION   \"Saint Petersburg\"\r\n"
              "PORT       2\r\n"
              "LOG        BRAKE.LOG\r\n"
              "\r\n"
              "; the file tree that requested files are served from\r\n"
              "#Macro     $AREA  FILES\r\n"
              "TREE       .\\$AREA\\\r\n"
              "ALIAS      FILES\r\n"
              "ALIAS      NODELIST\r\n"
              "\r\n"
              "; the systems known by name\r\n"
              "#Include   nodes.ctl\r\n"
              "\r\n"
              "COMPLETE.  Brake! reads nothing after this line\r\n"
              "TREE       C:\\BRAKE\\OLDFILES\r\n");
    std::string nodes = "; Systems that the log may name instead of their addresses\r\n";
    for (const Node& n : kNodes) {
        if (!n.name[0])
            continue;
        nodes += std::string(n.ip[0] ? "INOUT  " : "OUT    ") + n.name + std::string(8 - std::strlen(n.name), ' ') +
                 n.addr + std::string(12 - std::strlen(n.addr), ' ') + n.phone + "\r\n";
    }
    nodes += "OUT    RETIRED\r\n";
    WriteFile(out / "nodes.ctl", nodes);
}

void WriteFileTree(const fs::path& out)
{
    std::string lastDir;
    std::string bbs;
    auto flush = [&] {
        if (!lastDir.empty())
            WriteFile(out / "FILES" / lastDir / "files.bbs", bbs);
        bbs.clear();
    };
    for (int i = 0; i < kFileCount; ++i) {
        const AreaFile& f = kFiles[i];
        if (lastDir != f.dir) {
            flush();
            lastDir = f.dir;
        }
        char name[32];
        std::snprintf(name, sizeof name, "%-13s", f.name);
        bbs += name;
        if (f.counter >= 0) {
            char counter[16];
            std::snprintf(counter, sizeof counter, "[%03d] ", f.counter);
            bbs += counter;
        }
        bbs += f.desc;
        bbs += "\r\n";
        if (f.counter == 2)
            bbs += "                   | published every Friday\r\n";
        std::string content;
        while (content.size() < static_cast<std::size_t>(FileSize(i)))
            content += std::string("Tarvix sample file ") + f.name + "\r\n";
        content.resize(static_cast<std::size_t>(FileSize(i)));
        WriteFile(out / "FILES" / f.dir / f.name, content);
    }
    flush();
}

struct Options {
    fs::path out;
    std::uint32_t seed = 1;
    int days = 3;
    std::uint64_t logSize = 0;
};

void Usage(std::FILE* to)
{
    std::fputs("Usage: tarvix-genbrake --out DIR [--seed N] [--days N] [--log-size BYTES]\n"
               "Writes a Brake! installation: brake!.ctl, nodes.ctl, the file tree FILES with\n"
               "files.bbs lists, and the logs brake701.log, brake703.log, brake716.log (own\n"
               "layout) and binkley703.log, binkley716.log (BinkleyTerm layout).\n"
               "  --seed N          the story told (default 1); the same seed gives the same bytes\n"
               "  --days N          days of log (default 3)\n"
               "  --log-size BYTES  go on, a day at a time, until every log holds BYTES\n",
               to);
}

int Run(const Options& o)
{
    WriteConfig(o.out);
    WriteFileTree(o.out);

    Random r(o.seed);
    const long firstDay = DaysFromCivil(2026, 3, 28);
    std::vector<LogWriter> writers;
    std::vector<std::FILE*> files;
    for (const Variant& v : kVariants) {
        writers.emplace_back(v, firstDay);
        std::FILE* f = std::fopen((o.out / v.file).string().c_str(), "wb");
        if (!f)
            throw std::runtime_error("cannot create " + (o.out / v.file).string());
        std::setvbuf(f, nullptr, _IOFBF, 1 << 20);
        files.push_back(f);
    }
    std::vector<std::uint64_t> written(kVariantCount, 0);
    auto flush = [&](bool all) {
        for (int i = 0; i < kVariantCount; ++i) {
            std::string& t = writers[static_cast<std::size_t>(i)].text;
            if (!all && t.size() < (1u << 20))
                continue;
            if (std::fwrite(t.data(), 1, t.size(), files[static_cast<std::size_t>(i)]) != t.size())
                throw std::runtime_error(std::string("cannot write ") + kVariants[i].file);
            written[static_cast<std::size_t>(i)] += t.size();
            t.clear();
        }
    };
    auto smallest = [&] {
        std::uint64_t m = UINT64_MAX;
        for (int i = 0; i < kVariantCount; ++i)
            m = std::min<std::uint64_t>(m, written[static_cast<std::size_t>(i)] +
                                               writers[static_cast<std::size_t>(i)].text.size());
        return m;
    };

    const int perDay = o.logSize > 0 ? 60 : 8;
    for (int day = 0;; ++day) {
        if (o.logSize > 0 ? smallest() >= o.logSize : day >= o.days)
            break;
        std::vector<Event> events = day == 0 ? FirstDay(r) : OrdinaryDay(r, perDay);
        if (day == 1) {
            // The node that asked for the nodelist yesterday asks again.
            Event again = MakeSession(r, nKiev, false, stEmsi);
            AddFreq(r, again, 0, foSent);
            AddFreq(r, again, 2, foSent);
            events.insert(events.begin() + static_cast<long>(events.size() / 2), again);
        }
        // One session of each day runs over midnight, except on the last day.
        const bool lastDay = o.logSize == 0 && day + 1 == o.days;
        Event midnight = MakeSession(r, nBoss, false, stEmsi);
        midnight.ip = false;
        midnight.rcvd.insert(midnight.rcvd.begin(), Xfer{MailName(r, "PKT"), r.Between(90000, 120000), 1900});
        const long dayStart = static_cast<long>(day) * 86400;
        const long span = 86400 - 1200;
        const long gap = span / static_cast<long>(events.size() + 1);
        for (LogWriter& w : writers)
            w.now = std::max(w.now, dayStart + r.Between(60, 600));
        const long first = writers[0].now;
        for (std::size_t i = 0; i < events.size(); ++i) {
            const long at = first + gap * static_cast<long>(i) + r.Below(static_cast<int>(gap / 3));
            for (LogWriter& w : writers) {
                w.now = std::max(w.now + 5, at);
                w.Write(events[i]);
                if (day == 0 && i == events.size() / 2)
                    w.BrokenLine();
            }
        }
        for (LogWriter& w : writers) {
            if (!lastDay) {
                w.now = std::max(w.now + 5, dayStart + 86400 - 40);
                w.Write(midnight);
            }
        }
        flush(false);
    }
    // A human caller at the very end would stay open: the last call closes it.
    Event last = MakeCallFail(r, nUplink, crBusy);
    for (LogWriter& w : writers) {
        w.now += 600;
        w.Write(last);
    }
    flush(true);
    for (std::FILE* f : files)
        if (std::fclose(f) != 0)
            throw std::runtime_error("cannot write a log");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    bool haveOut = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "tarvix-genbrake: %s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        auto number = [&](const std::string& s) -> unsigned long long {
            char* end = nullptr;
            unsigned long long v = std::strtoull(s.c_str(), &end, 10);
            if (s.empty() || *end || s[0] == '-') {
                std::fprintf(stderr, "tarvix-genbrake: %s: not a number: %s\n", a.c_str(), s.c_str());
                std::exit(2);
            }
            return v;
        };
        if (a == "--out") {
            o.out = value();
            haveOut = true;
        } else if (a == "--seed") {
            o.seed = static_cast<std::uint32_t>(number(value()));
        } else if (a == "--days") {
            unsigned long long d = number(value());
            if (d < 1 || d > 100000) {
                std::fprintf(stderr, "tarvix-genbrake: --days: 1 to 100000\n");
                return 2;
            }
            o.days = static_cast<int>(d);
        } else if (a == "--log-size") {
            o.logSize = number(value());
        } else if (a == "--help" || a == "-h") {
            Usage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "tarvix-genbrake: unknown option %s\n", a.c_str());
            Usage(stderr);
            return 2;
        }
    }
    if (!haveOut) {
        Usage(stderr);
        return 2;
    }
    try {
        return Run(o);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tarvix-genbrake: %s\n", e.what());
        return 1;
    }
}
