#include "tools/gentmail/LogGen.h"

#include "tools/gentmail/Installation.h"
#include "tools/gentmail/Texts.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string_view>

namespace tarvix::gentmail {

namespace {

// Entries a log reader recognises by their leading text.
const int kRecognised[] = {kIncomingConnect, kFailure, kLinkError, kCalling, kRedialing, kCallerGone,
                           kFtsDone, kSysOp, kSystem, kCallType, kFtsStart, kHuman, kUnlisted,
                           kBadPassword, kPassword, kFileRequest, kNotice, kToBbs, kRejected,
                           kTimeout, kFtsGot, kFtsMailer, kDialing};

// Our own address, for the names of mail bundles.
constexpr int kOurNet = 5030;
constexpr int kOurNode = 999;

enum class Ev {
    OutMail, InMail, InFreq, Busy, NoCarrier, Human, InFts1, OutFts1, DialSkip, UnknownAddr,
    Unlisted, MailOnly, BadPassword, TransferErrors, OutFailed, InFailed, AliasCall, Dialing608,
    Warning, Restart,
};

// The first events of every log, so that even a short log shows each kind of line.
const Ev kCoverage[] = {
    Ev::OutMail, Ev::InFreq, Ev::Busy, Ev::Human, Ev::InFts1, Ev::NoCarrier, Ev::InFreq,
    Ev::DialSkip, Ev::Unlisted, Ev::MailOnly, Ev::InFreq, Ev::OutFailed, Ev::UnknownAddr,
    Ev::BadPassword, Ev::InMail, Ev::TransferErrors, Ev::InFreq, Ev::AliasCall, Ev::Dialing608,
    Ev::InFailed, Ev::OutFts1, Ev::Warning, Ev::InFreq, Ev::Human, Ev::Restart, Ev::Human,
    Ev::InFreq, Ev::Busy, Ev::InFreq, Ev::NoCarrier, Ev::InFreq, Ev::OutMail, Ev::InFreq,
};

// Weights of the events after the first ones.
const std::pair<Ev, int> kWeights[] = {
    {Ev::OutMail, 20}, {Ev::InMail, 15}, {Ev::InFreq, 15}, {Ev::Busy, 10}, {Ev::NoCarrier, 6},
    {Ev::Human, 4}, {Ev::InFts1, 4}, {Ev::OutFts1, 2}, {Ev::DialSkip, 3}, {Ev::UnknownAddr, 2},
    {Ev::Unlisted, 2}, {Ev::MailOnly, 4}, {Ev::BadPassword, 2}, {Ev::TransferErrors, 3},
    {Ev::OutFailed, 3}, {Ev::InFailed, 3}, {Ev::AliasCall, 3}, {Ev::Dialing608, 3}, {Ev::Warning, 3},
    {Ev::Restart, 2},
};

std::string Hex4(int v)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", v & 0xFFFF);
    return buf;
}

std::string Hms(int seconds)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return buf;
}

std::string Ch(char c) { return std::string(1, c); }

bool StartsWith(std::string_view s, std::string_view prefix)
{
    return !prefix.empty() && s.substr(0, prefix.size()) == prefix;
}

// A session in progress: what it has transferred so far.
struct Sess {
    SessionSummary sum;
    int startT = 0;
    bool hasAddr = false;
};

// One EMSI session and its variations.
struct Emsi {
    const Node* node = nullptr;
    bool incoming = false;
    bool mailOnly = false;
    bool unlisted = false;
    bool badPassword = false;
    bool transferErrors = false;
    bool failLate = false;   // carrier lost after the remote introduced itself
    bool shortLine = false;  // a truncated line in the middle of the session
    bool akaLine = false;
    std::vector<std::string> requests;
    std::string connect;  // the modem's CONNECT text, when the call line named it already
    int cps = 0;
};

class Generator {
public:
    explicit Generator(const Options& o);
    LogResult Run();

private:
    // Output.
    void Raw(std::string_view s);
    void Flush();
    std::uint64_t Pos() const { return flushed_ + buf_.size(); }
    std::string Stamp() const;
    void Line(int entry, const std::vector<std::string>& args = {});
    void Tick(int lo, int hi) { t_ = std::min(t_ + rng_.Range(lo, hi), 86399); }
    std::int64_t Unix() const { return day_.Serial() * 86400 + t_; }

    // Choices.
    const Node& PickNode(bool dialable, bool fts1 = false);
    const Node& NodeAt(int zone, int net, int node, int point = 0);
    Ev NextEvent();
    std::string Connect(const Node& n, int* cps);
    char ProtocolLetter(const Node& n, std::string* word) const;
    std::string Bundle(const Node& n, bool outbound);

    // Events.
    void Event(Ev e);
    void StartOfTMail();
    void CallLine(int entry, const Node& n, const std::string& shownAddr, Emsi& e);
    void RunEmsi(const Emsi& e);
    void RunFts1(const Node& n, bool incoming, const Emsi* call = nullptr);
    void RunHuman();
    void Busy(bool first);
    void NoCarrier(bool first);
    void Restart(bool crash);

    // Sessions.
    void Begin(Sess& s, bool incoming, const std::string& connect);
    void Finish(Sess& s, bool ok, bool statusLine);
    void Xfer(Sess& s, char proto, char dir, const std::string& shown, std::uint32_t size, int cps);

    const Options& o_;
    Rng rng_;
    std::ofstream out_;
    std::string buf_;
    std::uint64_t flushed_ = 0;
    std::uint64_t lines_ = 0;
    Day day_;
    int t_ = 0;
    std::size_t eventNo_ = 0;
    std::size_t freqSetNo_ = 0;
    int humanNo_ = 0;
    int ftsNo_ = 0;
    int warningNo_ = 0;
    int busyNo_ = 0, noCarrierNo_ = 0, inMailNo_ = 0, restartNo_ = 0;
    LogResult result_;
};

Generator::Generator(const Options& o)
    : o_(o), rng_(o.seed)
{
    day_.year = o.year;
    day_.month = static_cast<int>(o.seed % 12) + 1;
    day_.day = day_.DaysInMonth() - 1;  // the third day of the log is the first of a month
    std::filesystem::create_directories(o.out);
    out_.open(std::filesystem::path(o.out) / kLogFile, std::ios::binary | std::ios::trunc);
    if (!out_)
        throw std::runtime_error("cannot create the log in " + o.out);
    buf_.reserve(1 << 20);
}

void Generator::Raw(std::string_view s)
{
    buf_ += s;
    buf_ += "\r\n";
    ++lines_;
    if (buf_.size() >= (1u << 20) - 512)
        Flush();
}

void Generator::Flush()
{
    out_.write(buf_.data(), static_cast<std::streamsize>(buf_.size()));
    if (!out_)
        throw std::runtime_error("cannot write the log");
    flushed_ += buf_.size();
    buf_.clear();
}

std::string Generator::Stamp() const
{
    return day_.LogDate() + " " + Hms(t_);
}

void Generator::Line(int entry, const std::vector<std::string>& args)
{
    std::string m = Msg(entry, args);
    // A line must not be taken for another recognised message. The dial-skip line
    // deliberately starts like a call attempt.
    for (int r : kRecognised) {
        if (r == entry || (entry == kDialSkip && r == kCalling))
            continue;
        if (StartsWith(m, Cut(r)))
            throw std::logic_error("a line of entry " + std::to_string(entry) + " reads as entry " +
                                   std::to_string(r) + ": " + m);
    }
    std::string line = Stamp();
    line += ' ';
    line += m;
    Raw(line);
}

const Node& Generator::PickNode(bool dialable, bool fts1)
{
    std::vector<const Node*> pool;
    for (const Node& n : Nodes())
        if (n.fts1 == fts1 && (!dialable || (n.dialable && n.listed)) && n.listed)
            pool.push_back(&n);
    return *pool[rng_.Below(pool.size())];
}

const Node& Generator::NodeAt(int zone, int net, int node, int point)
{
    for (const Node& n : Nodes())
        if (n.addr.zone == zone && n.addr.net == net && n.addr.node == node && n.addr.point == point)
            return n;
    throw std::logic_error("no such node");
}

Ev Generator::NextEvent()
{
    Ev e;
    if (eventNo_ < std::size(kCoverage)) {
        e = kCoverage[eventNo_];
    } else {
        int total = 0;
        for (const auto& w : kWeights)
            total += w.second;
        int r = static_cast<int>(rng_.Below(static_cast<std::uint64_t>(total)));
        e = kWeights[0].first;
        for (const auto& w : kWeights) {
            if (r < w.second) {
                e = w.first;
                break;
            }
            r -= w.second;
        }
    }
    ++eventNo_;
    // Versions that do not write a kind of line get an ordinary call instead.
    if ((e == Ev::AliasCall && o_.version < 2603) || (e == Ev::Dialing608 && o_.version < 2605))
        e = Ev::OutMail;
    return e;
}

std::string Generator::Connect(const Node& n, int* cps)
{
    int speed = n.speed;
    if (speed > 28800 && rng_.Percent(30))
        speed = speed == 33600 ? 31200 : 28800;
    std::string tail;
    if (speed >= 28800)
        tail = rng_.Percent(50) ? "/ARQ/V34/LAPM/V42BIS" : "/ARQ/V42BIS";
    else if (speed >= 14400)
        tail = "/ARQ/V32B/LAPM";
    else if (speed >= 9600)
        tail = "/REL";
    *cps = speed / 10 * rng_.Range(86, 97) / 100;
    return std::to_string(speed) + tail;
}

char Generator::ProtocolLetter(const Node& n, std::string* word) const
{
    std::string_view m = n.mailer;
    if (m.starts_with("Bink")) {
        *word = "Janus";
        return 'J';
    }
    if (m.starts_with("FrontDoor")) {
        *word = "DirZap";
        return 'Z';
    }
    if (m.starts_with("SF-Mail")) {
        *word = "ZedZap";
        return 'Z';
    }
    *word = "Hydra";
    return 'H';
}

std::string Generator::Bundle(const Node& n, bool outbound)
{
    static const char* const dow[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
    std::string name = outbound ? Hex4(kOurNet - n.addr.net) + Hex4(kOurNode - n.addr.node)
                                : Hex4(n.addr.net - kOurNet) + Hex4(n.addr.node - kOurNode);
    if (rng_.Percent(25))
        return Hex4(static_cast<int>(rng_.Below(65536))) + Hex4(static_cast<int>(rng_.Below(65536))) + ".PKT";
    return name + "." + dow[(day_.Serial() + 4) % 7] + std::to_string(rng_.Below(10));
}

// --- sessions --------------------------------------------------------------------

void Generator::Begin(Sess& s, bool incoming, const std::string& connect)
{
    s.sum.logStart = Pos();
    s.sum.start = Unix();
    s.sum.incoming = incoming;
    s.startT = t_;
    Line(incoming ? kIncomingConnect : kOutgoingConnect, {"CONNECT " + connect});
}

void Generator::Finish(Sess& s, bool ok, bool statusLine)
{
    Tick(1, 3);
    s.sum.logEnd = Pos();
    s.sum.length = t_ - s.startT;
    s.sum.ok = ok;
    if (statusLine)
        Line(kSessionEnd, {EntryText(kTrafficWord), std::to_string(s.sum.bytesRcvd),
                           std::to_string(s.sum.bytesSent), Hms(s.sum.length)});
    if (s.hasAddr)
        result_.sessions.push_back(s.sum);
}

void Generator::Xfer(Sess& s, char proto, char dir, const std::string& shown, std::uint32_t size, int cps)
{
    int seconds = static_cast<int>(size / static_cast<std::uint32_t>(cps)) + 1;
    Tick(seconds, seconds + 2);
    int real = static_cast<int>(size / static_cast<std::uint32_t>(seconds));
    Line(kXferOk, {Ch(proto), Ch(dir), shown, std::to_string(size), std::to_string(real)});
    if (dir == 'S') {
        s.sum.bytesSent += size;
        ++s.sum.filesSent;
    } else {
        s.sum.bytesRcvd += size;
        ++s.sum.filesRcvd;
    }
}

void Generator::RunEmsi(const Emsi& e)
{
    const Node& n = *e.node;
    int cps = e.cps;
    Sess s;
    Begin(s, e.incoming, e.connect.empty() ? Connect(n, &cps) : e.connect);
    s.sum.addr = n.addr;

    Tick(1, 3);
    if (e.mailOnly)
        Line(kCallType, {"MAIL-ONLY"});
    if (e.unlisted)
        Line(kUnlisted, {"not in the nodelist, session unprotected"});
    Line(kRemoteAddress, {n.addr.Text(), n.mailer});
    s.hasAddr = true;
    if (e.akaLine)
        Raw(std::string(15, ' ') + Msg(kAkas, {n.addr.Text() + ".1 " + n.addr.Text() + ".2"}));
    Line(kSysOp, {n.sysop, n.phone});
    Line(kSystem, {n.system, n.location});
    Tick(0, 2);
    if (e.badPassword) {
        Line(kBadPassword, {"GUESS", n.addr.Text()});
        Tick(0, 1);
        Line(kFailure, {"password error"});
        Finish(s, false, true);
        return;
    }
    if (e.failLate) {
        Tick(2, 8);
        Line(kFailure, {"carrier lost"});
        Finish(s, false, true);
        return;
    }
    if (!n.password.empty() && !e.unlisted)
        Line(kPassword);
    std::string protoWord;
    char p = ProtocolLetter(n, &protoWord);
    Tick(1, 3);
    Line(kHandshake, {EntryText(kProtocolWord), protoWord, std::to_string(e.akaLine ? 3 : 1)});
    if (e.shortLine)
        Raw(Stamp());  // a line cut off after its time stamp

    // Requests of the remote and how they are found.
    std::vector<std::pair<std::string, const AreaFile*>> toSend;
    for (const std::string& req : e.requests) {
        Tick(0, 1);
        Line(kFileRequest, {req});
        Resolution r = Resolve(req);
        switch (r.kind) {
        case ReqKind::Missing:
            Line(kFreqMissing, {Upper(req)});
            break;
        case ReqKind::Magic:
            Line(kFreqAlias, {Upper(req), r.files[0].dosDir + "\\" + r.files[0].file->name});
            break;
        case ReqKind::Mask:
            Line(kFreqMask, {Upper(req), std::to_string(r.files.size())});
            break;
        case ReqKind::Exact:
            break;
        }
        for (const Served& f : r.files)
            toSend.emplace_back(r.kind == ReqKind::Exact ? f.file->name : f.dosDir + "\\" + f.file->name, f.file);
    }

    // Mail both ways, the requested files, and the troubles of a bad line.
    int outMail = rng_.Range(e.incoming ? 0 : 1, 2);
    for (int i = 0; i < outMail; ++i)
        Xfer(s, p, 'S', Bundle(n, true), static_cast<std::uint32_t>(rng_.Range(900, 90000)), cps);
    bool ok = true;
    if (e.transferErrors) {
        Tick(2, 10);
        Line(kLinkError, {"3 CRC errors, retrying"});
        std::string refused = Bundle(n, true);
        Tick(1, 5);
        Line(kXferSkipped, {Ch(p), "S", refused, "refused by the remote"});
        ++s.sum.filesSent;
        Line(kRejected, {refused});
        ok = false;
    }
    for (const auto& [shown, file] : toSend) {
        Xfer(s, p, 'S', shown, file->size, cps);
        result_.freqs.push_back({n.addr, Unix(), file->size});
    }
    int inMail = rng_.Range(e.mailOnly ? 1 : 0, 3);
    for (int i = 0; i < inMail; ++i)
        Xfer(s, p, 'R', Bundle(n, false), static_cast<std::uint32_t>(rng_.Range(600, 60000)), cps);
    if (e.transferErrors) {
        Tick(20, 60);
        Line(kTimeout, {"the end of the batch"});
        Tick(1, 10);
        Line(kXferError, {Ch(p), "R", Bundle(n, false), "carrier lost"});
    }
    Finish(s, ok, true);
}

void Generator::RunFts1(const Node& n, bool incoming, const Emsi* call)
{
    int cps = call ? call->cps : 0;
    Sess s;
    Begin(s, incoming, call ? call->connect : Connect(n, &cps));
    s.sum.addr = n.addr;
    s.hasAddr = true;  // known from the packet header
    Tick(2, 6);
    Line(kFtsStart);
    // The first FTS-1 session loses its last file.
    const bool first = ftsNo_++ == 0;
    int files = first ? 2 : rng_.Range(1, 3);
    // T-Mail before 2602 logs neither the remote mailer nor the files of FTS-1.
    const bool detailed = o_.version >= 2602;
    if (detailed)
        Line(kFtsMailer, {n.mailer});
    bool ok = true;
    for (int i = 0; i < files; ++i) {
        std::uint32_t size = static_cast<std::uint32_t>(rng_.Range(500, 40000));
        int seconds = static_cast<int>(size / static_cast<std::uint32_t>(cps)) + 1;
        Tick(seconds, seconds + 3);
        if (i == files - 1 && files > 1 && (first || rng_.Percent(20))) {
            if (detailed)
                Line(kFtsGot, {Bundle(n, false), std::to_string(size / 3), ErrorLineWord() + " timeout"});
            ok = false;
            continue;
        }
        if (detailed)
            Line(kFtsGot, {Bundle(n, false), std::to_string(size), std::to_string(size / seconds) + " cps"});
        s.sum.bytesRcvd += size;
        ++s.sum.filesRcvd;
    }
    Tick(1, 3);
    s.sum.logEnd = Pos();
    s.sum.length = t_ - s.startT;
    s.sum.ok = ok;
    Line(kFtsDone, {std::to_string(files)});
    result_.sessions.push_back(s.sum);
}

void Generator::RunHuman()
{
    static const int speeds[] = {2400, 14400, 2400, 9600};
    int speed = speeds[humanNo_ % 4];
    Line(kIncomingConnect, {"CONNECT " + std::to_string(speed) + (speed > 2400 ? "/ARQ" : "")});
    Tick(8, 12);
    Line(kHuman, {"no EMSI within 10 seconds"});
    Tick(1, 60);
    switch (humanNo_++ % 3) {
    case 0:
        Line(kToBbs, {"errorlevel 100"});
        Tick(0, 1);
        Line(kStopped, {"100"});
        Tick(120, 900);
        StartOfTMail();
        break;
    case 1:
        Line(kCallerGone);
        break;
    default:
        Line(kNotice, {"no BBS at this hour, caller dropped"});
        break;
    }
}

// The call attempt before an outgoing session; it fixes the modem's CONNECT text.
void Generator::CallLine(int entry, const Node& n, const std::string& shownAddr, Emsi& e)
{
    e.connect = Connect(n, &e.cps);
    if (rng_.Percent(30))
        Line(kOutboundScan, {std::to_string(rng_.Range(1, 4)), std::to_string(rng_.Range(1, 300))});
    Tick(1, 5);
    if (entry == kDialing) {
        Line(kDialing, {shownAddr, n.system, n.phone});
    } else {
        Tick(20, 40);  // the line is written when the modem answers
        Line(kCalling, {shownAddr, n.phone, "CONNECT " + e.connect.substr(0, e.connect.find('/'))});
    }
    Tick(1, 3);
}

void Generator::Busy(bool first)
{
    const Node& n = PickNode(true);
    Tick(15, 40);
    Line(kCalling, {n.addr.Text(), n.phone, "BUSY"});
    if (first || rng_.Percent(50)) {
        Tick(60, 180);
        Line(kRedialing, {n.addr.Text(), "2", "BUSY"});
    }
}

void Generator::NoCarrier(bool first)
{
    const Node& n = PickNode(true);
    if (first || rng_.Percent(50)) {
        Tick(40, 60);
        Line(kCalling, {n.addr.Text(), n.phone, "NO CARRIER"});
    }
    Tick(60, 180);
    Line(kRedialing, {n.addr.Text(), std::to_string(rng_.Range(2, 5)), "NO CARRIER"});
}

void Generator::StartOfTMail()
{
    Raw(Msg(kSeparator, {std::to_string(o_.version), std::to_string(o_.task)}));
    Line(kStarted, {std::to_string(o_.version), std::to_string(o_.task)});
    Tick(1, 3);
    Line(kModemInit, {"ATZ|AT&F&C1&D2X4|"});
}

void Generator::Restart(bool crash)
{
    if (crash) {
        Raw(Stamp().substr(0, 10));  // the power failed while the line was written
    } else {
        Line(kStopped, {"0"});
    }
    Raw("");
    Tick(30, 300);
    StartOfTMail();
}

void Generator::Event(Ev e)
{
    switch (e) {
    case Ev::OutMail:
    case Ev::MailOnly:
    case Ev::TransferErrors:
    case Ev::OutFailed: {
        Emsi s;
        s.node = &PickNode(true);
        s.mailOnly = e == Ev::MailOnly;
        s.transferErrors = e == Ev::TransferErrors;
        s.failLate = e == Ev::OutFailed;
        s.akaLine = rng_.Percent(20);
        bool newForm = o_.version >= 2605 && rng_.Percent(40);
        CallLine(newForm ? kDialing : kCalling, *s.node, s.node->addr.Text(), s);
        RunEmsi(s);
        break;
    }
    case Ev::AliasCall: {
        static const int which[][3] = {{2, 5030, 1}, {2, 5030, 123}, {2, 463, 45}};
        const int* a = which[rng_.Below(3)];
        Emsi s;
        s.node = &NodeAt(a[0], a[1], a[2]);
        CallLine(kCalling, *s.node, s.node->alias, s);
        RunEmsi(s);
        break;
    }
    case Ev::Dialing608: {
        Emsi s;
        s.node = &PickNode(true);
        CallLine(kDialing, *s.node, s.node->addr.Text(), s);
        RunEmsi(s);
        break;
    }
    case Ev::UnknownAddr: {
        Emsi s;
        s.node = &PickNode(true);
        CallLine(kCalling, *s.node, "?", s);
        RunEmsi(s);
        break;
    }
    case Ev::InMail:
    case Ev::InFreq:
    case Ev::BadPassword: {
        Emsi s;
        s.incoming = true;
        if (e == Ev::BadPassword) {
            static const int which[][4] = {{2, 5030, 123, 0}, {2, 5020, 52, 0}, {2, 463, 45, 0}};
            const int* a = which[rng_.Below(3)];
            s.node = &NodeAt(a[0], a[1], a[2], a[3]);
            s.badPassword = true;
        } else {
            s.node = &PickNode(false);
        }
        if (e == Ev::InFreq) {
            const auto& sets = RequestSets();
            std::size_t k = freqSetNo_ < sets.size() ? freqSetNo_ : rng_.Below(sets.size());
            ++freqSetNo_;
            s.requests = sets[k];
        }
        if (e == Ev::InMail)
            s.shortLine = inMailNo_++ == 0;
        s.akaLine = rng_.Percent(20);
        RunEmsi(s);
        break;
    }
    case Ev::Unlisted: {
        Emsi s;
        s.incoming = true;
        s.unlisted = true;
        s.node = &NodeAt(2, 5030, 888);
        RunEmsi(s);
        break;
    }
    case Ev::Busy:
        Busy(busyNo_++ == 0);
        break;
    case Ev::NoCarrier:
        NoCarrier(noCarrierNo_++ == 0);
        break;
    case Ev::Human:
        RunHuman();
        break;
    case Ev::InFts1:
        RunFts1(PickNode(false, true), true);
        break;
    case Ev::OutFts1: {
        const Node& n = PickNode(true, true);
        Emsi call;
        CallLine(kCalling, n, n.addr.Text(), call);
        RunFts1(n, false, &call);
        break;
    }
    case Ev::DialSkip: {
        const Node& n = NodeAt(2, 5030, 77);
        Tick(1, 5);
        Line(kDialSkip, {n.addr.Text(), "the node is closed now"});
        break;
    }
    case Ev::InFailed: {
        int cps = 0;
        Sess s;
        Begin(s, true, Connect(PickNode(false), &cps));
        Tick(10, 30);
        Line(kFailure, {"no EMSI handshake"});
        Finish(s, false, false);
        break;
    }
    case Ev::Warning:
        Line(kWarning, {"free space on drive C: is " + std::to_string(rng_.Range(900, 4000)) + " KB"});
        if (warningNo_++ == 0 || rng_.Percent(60)) {
            Tick(0, 2);
            Line(kError, {"cannot open OUTBOUND\\" + Hex4(0) + Hex4(rng_.Range(1, 999)) + ".FLO"});
        }
        break;
    case Ev::Restart:
        Restart(restartNo_++ % 2 == 0);  // the first one after a power failure
        break;
    }
    if (rng_.Percent(25)) {
        Tick(1, 5);
        Line(kWaiting, {Hms(std::min(t_ + rng_.Range(600, 3600), 86399)).substr(0, 5)});
    }
}

LogResult Generator::Run()
{
    const int perDay = std::max(1, o_.sessionsPerDay);
    t_ = rng_.Range(2, 9);
    StartOfTMail();
    for (int d = 0;; ++d) {
        if (o_.logSize == 0 ? d >= o_.days : Pos() >= o_.logSize)
            break;
        if (d > 0) {
            day_ = day_.Next();
            t_ = 0;
        }
        const int slot = 86400 / (perDay + 1);
        for (int i = 0; i < perDay; ++i) {
            int planned = slot / 2 + i * slot + static_cast<int>(rng_.Below(static_cast<std::uint64_t>(slot / 2 + 1)));
            t_ = std::max(planned, t_ + 5);
            if (t_ > 86400 - 1200)
                break;  // no room left in this day
            Event(NextEvent());
        }
        result_.lastDay = day_;
    }
    Flush();
    out_.close();
    if (!out_)
        throw std::runtime_error("cannot write the log");
    result_.size = flushed_;
    result_.lines = lines_;
    return result_;
}

}  // namespace

void CheckTexts()
{
    for (int a : kRecognised)
        for (int b : kRecognised)
            if (a != b && StartsWith(Cut(a), Cut(b)))
                throw std::logic_error("entry " + std::to_string(a) + " starts like entry " + std::to_string(b));
    const std::string skip = DialSkipText();
    if (skip.empty() || !StartsWith(EntryText(kDialSkip), Cut(kCalling)))
        throw std::logic_error("entry 240 must start like entry 15 and name a dial-skip text");
    if (ErrorLineWord().empty() || ErrorLineWord().find('%') != std::string::npos)
        throw std::logic_error("the fourth word of entry 422 must be a fixed word");
    if (Cut(kProtocolWord).empty() || Cut(kTrafficWord).empty())
        throw std::logic_error("entries 65 and 467 must be fixed texts");
}

LogResult WriteLog(const Options& o)
{
    CheckTexts();
    Generator g(o);
    return g.Run();
}

}  // namespace tarvix::gentmail
