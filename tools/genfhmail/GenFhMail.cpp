// tarvix-genfhmail: writes a demo installation of the FhMail mailer.
//
//   tarvix-genfhmail [--seed N] [--days N] [--log-size BYTES] OUTDIR
//
// The defaults (seed 30, 3 days) write the sample committed as samples/fhmail.
//
// OUTDIR receives:
//   fhmail.cfg          the mailer configuration (macros, Language, AliasList)
//   fhmail.lng          the language file, in this project's own wording
//   freq.als            the file-request alias list
//   files/pub/, files/nodelist/
//                       file areas with their files and files.bbs lists
//   fhmail.log          a log of calls, sessions, file requests and human callers,
//                       written from the texts of fhmail.lng
//
// The mailer thinks it lives in C:\FHMAIL: the log and the alias list name the
// files as C:\FHMAIL\FILES\..., so that tarvix-report --drive C=<the folder that
// holds OUTDIR> finds them (names are matched without regard to case).
//
// The same seed gives the same bytes on every machine: the generator has its own
// random numbers and uses no floating point. --log-size writes days until the log
// has at least that many bytes (for timing the parser on large logs).
#include "tools/gencommon/GenCommon.h"

#include "tools/lngwriters/MailerLngWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using tarvix::lngwriters::FhEntry;

namespace {

const char* const kEol = "\r\n";

// ---------------------------------------------------------------------------
// Random numbers (splitmix64): the same sequence everywhere.

class Rng : public tarvix::gen::TSplitMix64 {
public:
    using TSplitMix64::TSplitMix64;
    // 0 .. n-1
    int Below(int n) { return n <= 1 ? 0 : static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
    // lo .. hi
    int Range(int lo, int hi) { return lo + Below(hi - lo + 1); }
    // true with a chance of percent in 100
    bool Chance(int percent) { return Below(100) < percent; }
};

// ---------------------------------------------------------------------------
// The texts of fhmail.lng. The log is written from the same table.

struct Texts {
    std::string ring = "Incoming ring";
    std::string dialing = "Calling ";
    std::string busy = "Line is busy";
    std::string noCarrier = "Carrier not detected";
    std::string remoteAddress = "Remote node: ";
    std::string bbsCall = "Human caller, passing to BBS";
    std::string postSession = "Finished session, ";
    std::string startingProcess = "Launching ";
    std::string finishing = "Exiting with errorlevel ";
    std::string sessionAbort = "Session cancelled by remote";
    std::string remoteMailer = "Remote software: ";
    std::string remoteName = "Remote station: ";
    std::string remoteSysOp = "Remote operator: ";
    std::string remoteSysOp2 = ", from ";
    std::string remotePhone = "Remote phone: ";
    std::string passwordProtected = "Protected session";
    std::string badPassword = "Password does not match";
    std::string janusStart = "Janus transfer begins";
    std::string hydraStart = "Hydra transfer begins";
    std::string freq = "Remote requests ";
    std::string sent = "-Snd";
    std::string received = "-Rcv";
    std::string partiallySent = "Incomplete send:";
    std::string partiallySent2 = " of ";
    std::string sessionComplete = "Transfers complete";
    std::string txResumed = "Resuming send at ";
    std::string rxResumed = "Resuming receive at ";
};

std::string LanguageFile(const Texts& t)
{
    std::vector<FhEntry> entries = {
        {"RING", t.ring, {}},
        {"DIALING", t.dialing, {}},
        {"BUSY", t.busy, {}},
        {"NO_CARRIER", t.noCarrier, {}},
        {"REMOTE_ADDRESS", t.remoteAddress, {}},
        {"BBSCALL", t.bbsCall, {}},
        {"POST_SESSION", t.postSession, {}},
        {"STARTING_PROCESS", t.startingProcess, {}},
        {"FINISHING", t.finishing, {}},
        {"SESSION_ABORT", t.sessionAbort, {}},
        {"REMOTE_MAILER", t.remoteMailer, {}},
        {"REMOTE_NAME", t.remoteName, {}},
        {"REMOTE_SYSOP", t.remoteSysOp, t.remoteSysOp2},
        {"REMOTE_PHONE", t.remotePhone, {}},
        {"PASSWORD_PROTECTED", t.passwordProtected, {}},
        {"BAD_PASSWORD", t.badPassword, {}},
        {"JANUS_START", t.janusStart, {}},
        {"HYDRA_START", t.hydraStart, {}},
        {"FREQ", t.freq, {}},
        {"SENT", t.sent, {}},
        {"RECEIVED", t.received, {}},
        {"PARTIALLY_SENT", t.partiallySent, t.partiallySent2},
        {"SESSION_COMPLETE", t.sessionComplete, {}},
        {"TX_RESUMED", t.txResumed, {}},
        {"RX_RESUMED", t.rxResumed, {}},
    };
    return tarvix::lngwriters::BuildFHMailLng(entries, kEol);
}

// ---------------------------------------------------------------------------
// The station's world: remote nodes and the files it serves.

struct Node {
    const char* addr;
    const char* system;
    std::string sysop;  // bytes in code page 866
    const char* city;
    const char* phone;
    const char* mailer;
    bool password;
    int speed;
};

std::vector<Node> Nodes()
{
    // "Пётр Лебедев" in code page 866: the log is a DOS text.
    const std::string petr = "\x8F\xF1\xE2\xE0 \x8B\xA5\xA1\xA5\xA4\xA5\xA2";
    return {
        {"2:5020/1234", "Nightingale Station", "Oleg Vorontsov", "Moscow", "7-495-555-0134", "FrontDoor 2.33", true,
         33600},
        {"2:5030/77", "Neva Bridge", "Irina Sokolova", "St.Petersburg", "7-812-555-0177", "T-Mail 2606", true, 28800},
        {"2:463/55", "Dnipro Point Hub", "Taras Melnyk", "Kyiv", "380-44-555-0155", "Argus 3.210", false, 19200},
        {"2:5054/3.12", "Quiet Point", petr, "Yekaterinburg", "-Unpublished-", "SF-Mail 2.x", false, 14400},
        {"1:229/426", "Maple Leaf BBS", "Jane McAllister", "Ottawa", "1-613-555-0426", "BinkleyTerm 2.60", true,
         33600},
        {"2:450/101", "Baltic Amber", "Andris Kalnins", "Riga", "371-555-0101", "FhMail 1.2", false, 31200},
    };
}

struct AreaFile {
    const char* area;  // folder under files/ (lower case on disk)
    const char* name;  // DOS name (upper case on disk)
    const char* desc;
    std::string content;
};

std::string TextBlock(Rng& rng, const char* title, int lines)
{
    static const char* const words[] = {"mail", "echo", "node", "point", "zone", "net", "hub", "list", "file",
                                        "request", "session", "poll", "outbound", "archive", "update", "weekly"};
    std::string s = std::string(title) + kEol + kEol;
    for (int i = 0; i < lines; ++i) {
        int n = rng.Range(6, 12);
        for (int k = 0; k < n; ++k) {
            s += words[rng.Below(16)];
            s += k + 1 < n ? " " : ".";
        }
        s += kEol;
    }
    return s;
}

std::string BinaryBlock(Rng& rng, int size)
{
    std::string s = "PK\x03\x04";
    while (static_cast<int>(s.size()) < size)
        s += static_cast<char>(rng.Next() & 0xFF);
    s.resize(static_cast<std::size_t>(size));
    return s;
}

std::vector<AreaFile> AreaFiles(Rng& rng)
{
    std::vector<AreaFile> files = {
        {"pub", "NEWS.TXT", "Station news", TextBlock(rng, "Station news", 24)},
        {"pub", "RULES.TXT", "Rules of the station", TextBlock(rng, "Rules", 12)},
        {"pub", "FHMAIL.ZIP", "FhMail mailer, demo archive", BinaryBlock(rng, 9000)},
        {"nodelist", "NODELIST.ZIP", "Zone 2 nodelist, this week", BinaryBlock(rng, 16000)},
        {"nodelist", "NODEDIFF.A65", "Nodelist difference, day 065", TextBlock(rng, "Nodediff 065", 30)},
        {"nodelist", "NODEDIFF.A72", "Nodelist difference, day 072", TextBlock(rng, "Nodediff 072", 36)},
    };
    std::string all = std::string("All files of the station") + kEol + kEol;
    for (const AreaFile& f : files) {
        char line[128];
        std::snprintf(line, sizeof line, "%-14s %6zu  %s", f.name, f.content.size(), f.desc);
        all += line;
        all += kEol;
    }
    files.insert(files.begin(), AreaFile{"pub", "ALLFILES.LST", "List of all files", all});
    return files;
}

const AreaFile& FindFile(const std::vector<AreaFile>& files, const std::string& name)
{
    for (const AreaFile& f : files)
        if (name == f.name)
            return f;
    throw std::logic_error("no file " + name);
}

std::string DosPath(const AreaFile& f)
{
    std::string area = f.area;
    for (char& c : area)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return std::string("C:\\FHMAIL\\FILES\\") + area + "\\" + f.name;
}

// What a request names and which files answer it.
struct Request {
    const char* name;
    std::vector<std::string> files;
};

std::vector<Request> Requests()
{
    return {
        {"FILES", {"ALLFILES.LST"}},
        {"NEWS", {"NEWS.TXT"}},
        {"FHMAIL", {"FHMAIL.ZIP"}},
        {"NODELIST", {"NODELIST.ZIP"}},
        {"NODEDIFF.A*", {"NODEDIFF.A65", "NODEDIFF.A72"}},
        {"RULES.TXT", {"RULES.TXT"}},
        {"SECRET.ZIP", {}},
    };
}

std::string AliasFile()
{
    std::string s;
    s += std::string("; File-request magic names of the station: name, file, (comment)") + kEol;
    s += std::string("FILES     C:\\FHMAIL\\FILES\\PUB\\ALLFILES.LST   (list of all files)") + kEol;
    s += std::string("NEWS      C:\\FHMAIL\\FILES\\PUB\\NEWS.TXT") + kEol;
    s += std::string("@FHMAIL   C:\\FHMAIL\\FILES\\PUB\\FHMAIL.ZIP") + kEol;
    s += std::string("NODELIST  C:\\FHMAIL\\FILES\\NODELIST\\NODELIST.ZIP (zone 2)") + kEol;
    s += kEol;
    return s;
}

std::string ConfigFile()
{
    std::string s;
    auto add = [&s](const std::string& line) { s += line + kEol; };
    add("; FhMail configuration of the demo station (written by tarvix-genfhmail)");
    add(";");
    add("Define HOME = C:\\FHMAIL");
    add("Define ALIASES = freq.als");
    add("");
    add("Address     2:5030/999@fidonet");
    add("SysOp       Demo Sysop");
    add("System      Tarvix Demo Station");
    add("Port        COM2");
    add("Speed       57600");
    add("Init        ATZ|AT&C1&D2S0=0|");
    add("Log         %HOME%\\fhmail.log");
    add("Inbound     %HOME%\\INBOUND");
    add("Outbound    %HOME%\\OUTBOUND");
    add("Language    fhmail.lng");
    add("AliasList   %ALIASES%      ; magic names for file requests");
    add("BBS         C:\\BBS\\BBS.BAT");
    return s;
}

std::string FilesBbs(const std::vector<AreaFile>& files, const char* area)
{
    std::string s;
    for (const AreaFile& f : files) {
        if (std::strcmp(f.area, area) != 0)
            continue;
        char line[160];
        std::snprintf(line, sizeof line, "%-14s [000] %s", f.name, f.desc);
        s += line;
        s += kEol;
    }
    return s;
}

// ---------------------------------------------------------------------------
// The log

const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// The log's clock: day, month and seconds of the day. The log has no year.
struct Clock {
    int month = 2;  // March
    int day = 14;
    int secs = 0;

    void Advance(int s)
    {
        secs += s;
        while (secs >= 86400) {
            secs -= 86400;
            NextDay();
        }
    }
    void NextDay()
    {
        if (++day > kMonthDays[month]) {
            day = 1;
            month = (month + 1) % 12;
        }
    }
    // "14 Mar 10:21:07"
    void Stamp(char (&out)[32]) const
    {
        std::snprintf(out, sizeof out, "%02d %s %02d:%02d:%02d", day, kMonths[month], secs / 3600, secs / 60 % 60, secs % 60);
    }
};

class LogWriter {
public:
    explicit LogWriter(const fs::path& path) : file_(std::fopen(path.c_str(), "wb"))
    {
        if (!file_)
            throw std::runtime_error("cannot create " + path.string() + ": " + std::strerror(errno));
        buffer_.reserve(kChunk + 512);
    }
    ~LogWriter()
    {
        if (file_)
            std::fclose(file_);
    }
    void Close()
    {
        Flush();
        if (std::fclose(file_) != 0) {
            file_ = nullptr;
            throw std::runtime_error("cannot write the log");
        }
        file_ = nullptr;
    }

    // mark, blank, date and time, blank, tag, blank, message: the message starts in
    // column 24.
    void Line(const Clock& c, char mark, const char* tag, const std::string& msg)
    {
        char stamp[32];
        c.Stamp(stamp);
        buffer_ += mark;
        buffer_ += ' ';
        buffer_ += stamp;
        buffer_ += ' ';
        buffer_ += tag;
        buffer_ += ' ';
        buffer_ += msg;
        buffer_ += kEol;
        if (buffer_.size() >= kChunk)
            Flush();
    }
    std::uint64_t Size() const { return written_ + buffer_.size(); }

private:
    static constexpr std::size_t kChunk = 1 << 20;
    void Flush()
    {
        if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
            throw std::runtime_error("cannot write the log");
        written_ += buffer_.size();
        buffer_.clear();
    }
    std::FILE* file_;
    std::string buffer_;
    std::uint64_t written_ = 0;
};

class LogGenerator {
public:
    LogGenerator(const fs::path& path, Rng& rng, const Texts& t, const std::vector<AreaFile>& files)
        : out_(path), rng_(rng), t_(t), files_(files), nodes_(Nodes()), requests_(Requests())
    {
    }

    void Run(int days, std::uint64_t minSize, int eventsPerDay)
    {
        clock_.secs = 5;
        FhLine('+', t_.startingProcess + "FhMail 1.2, task 1");
        Misc("Waiting for calls");
        for (int d = 0; days > 0 ? d < days : out_.Size() < minSize; ++d) {
            if (d > 0) {
                // Midnight: the nightly maintenance stops the mailer for a while.
                int today = clock_.day;
                while (clock_.day == today)
                    clock_.Advance(600);
                clock_.secs = rng_.Range(60, 300);
                FhLine('+', t_.finishing + "20");
                clock_.Advance(5);
                Other("TOSS", "Packing mail for " + std::to_string(rng_.Range(2, 9)) + " links");
                clock_.Advance(rng_.Range(20, 90));
                Other("TOSS", "Done, " + std::to_string(rng_.Range(10, 400)) + " messages");
                clock_.Advance(3);
                FhLine('+', t_.startingProcess + "FhMail 1.2, task 1");
            }
            // Every kind of event each day, in a shuffled order.
            std::vector<int> deck;
            for (int e = 0; e < eventsPerDay; ++e)
                deck.push_back(e % kEventKinds);
            for (std::size_t k = deck.size(); k > 1; --k)
                std::swap(deck[k - 1], deck[static_cast<std::size_t>(rng_.Below(static_cast<int>(k)))]);
            const int gap = 80000 / (eventsPerDay + 1);
            for (int kind : deck) {
                int step = gap / 2 + rng_.Below(gap);
                if (clock_.secs + step > 84000)
                    break;  // the rest of the day is quiet
                clock_.Advance(step);
                Event(kind);
            }
        }
        out_.Close();
    }

private:
    void FhLine(char mark, const std::string& msg) { out_.Line(clock_, mark, "FHML", msg); }
    void Misc(const std::string& msg) { FhLine(' ', msg); }
    void Other(const char* tag, const std::string& msg) { out_.Line(clock_, ' ', tag, msg); }
    void Tick(int lo = 1, int hi = 3) { clock_.Advance(rng_.Range(lo, hi)); }

    const Node& AnyNode() { return nodes_[static_cast<std::size_t>(rng_.Below(static_cast<int>(nodes_.size())))]; }

    std::string ConnectText(int speed)
    {
        static const char* const tails[] = {"/V34/LAPM/V42BIS", "/ARQ/V32B", "/V34/LAPM", "/ARQ"};
        return "Connect " + std::to_string(speed) + tails[rng_.Below(4)];
    }

    static constexpr int kEventKinds = 8;
    void Event(int kind)
    {
        switch (kind) {
        case 0:
        case 1:
            Incoming(AnyNode(), false);
            break;
        case 2:
        case 3:
            Outgoing(AnyNode());
            break;
        case 4:
            HumanCaller();
            break;
        case 5:
            Incoming(AnyNode(), true);
            break;
        case 6:
            ManualDial();
            break;
        default:
            Other("TOSS", "Tossing " + std::to_string(rng_.Range(1, 60)) + " messages from the inbound");
            break;
        }
    }

    void Incoming(const Node& n, bool failing)
    {
        FhLine('+', t_.ring);
        Tick(5, 12);
        FhLine('+', ConnectText(n.speed));
        Tick(2, 4);
        Session(n, true, failing);
    }

    void Outgoing(const Node& n)
    {
        FhLine('+', t_.dialing + n.addr + " (" + n.phone + ")");
        Tick(20, 45);
        int roll = rng_.Below(100);
        if (roll < 22) {
            FhLine('!', t_.busy);
            return;
        }
        if (roll < 37) {
            FhLine('!', t_.noCarrier);
            return;
        }
        FhLine('+', ConnectText(n.speed));
        Tick(2, 4);
        Session(n, false, rng_.Chance(10));
    }

    void ManualDial()
    {
        FhLine('+', t_.dialing + "#" + std::to_string(rng_.Range(1, 9)) + " (8-800-555-0100)");
        Tick(20, 40);
        FhLine('!', rng_.Chance(50) ? t_.busy : t_.noCarrier);
    }

    void HumanCaller()
    {
        FhLine('+', t_.ring);
        Tick(5, 12);
        FhLine('+', ConnectText(rng_.Chance(50) ? 14400 : 2400));
        Tick(2, 5);
        FhLine('+', t_.bbsCall);
        if (rng_.Chance(30))
            return;  // the next line of the mailer ends the call
        Tick(1, 2);
        FhLine('+', t_.startingProcess + "C:\\BBS\\BBS.BAT");
        Tick(300, 1500);
        Other("BBS ", "Caller logged off");
        Tick(2, 4);
        Misc("Back from the BBS, errorlevel 0");
    }

    // Bytes of a transfer and the seconds it takes at the session's speed.
    int Seconds(std::int64_t bytes, int speed) { return static_cast<int>(bytes * 10 / speed) + 1; }

    std::string PacketName()
    {
        char name[16];
        std::snprintf(name, sizeof name, "%08X", static_cast<unsigned>(rng_.Next() & 0xFFFFFFFFu));
        return name;
    }

    void Session(const Node& n, bool incoming, bool failing)
    {
        FhLine('+', t_.remoteAddress + n.addr);
        Tick();
        FhLine(':', t_.remoteMailer + n.mailer);
        FhLine(':', t_.remoteName + n.system);
        FhLine(':', t_.remoteSysOp + n.sysop + t_.remoteSysOp2 + n.city);
        FhLine(':', t_.remotePhone + n.phone);
        if (n.password) {
            if (rng_.Chance(8))
                FhLine('!', t_.badPassword);
            else
                FhLine(':', t_.passwordProtected);
        }
        Tick();
        char proto = "HJZ"[rng_.Below(3)];
        if (proto == 'H')
            FhLine('+', t_.hydraStart);
        else if (proto == 'J')
            FhLine('+', t_.janusStart);
        else
            FhLine('+', "Starting ZMO session");
        Tick();

        std::int64_t sent = 0, rcvd = 0;
        auto sendFile = [&](const std::string& path, const std::string& name, std::int64_t size, bool renamed) {
            FhLine('*', "send: " + path + (renamed ? " --> " + name : std::string()));
            clock_.Advance(Seconds(size, n.speed));
            FhLine('*', std::string(1, proto) + t_.sent + " " + std::to_string(size) + "b " + name);
            sent += size;
        };
        auto receiveFile = [&](const std::string& name, std::int64_t size) {
            clock_.Advance(Seconds(size, n.speed));
            FhLine('*', std::string(1, proto) + t_.received + " " + std::to_string(size) + "b " + name);
            rcvd += size;
        };

        // Mail first, both ways.
        if (rng_.Chance(70))
            receiveFile(PacketName() + ".PKT", rng_.Range(300, 24000));
        if (!incoming || rng_.Chance(50)) {
            std::string packet = PacketName() + ".PKT";
            sendFile("C:\\FHMAIL\\OUTBOUND\\" + PacketName() + ".PKT", packet, rng_.Range(300, 16000), true);
        }
        if (failing) {
            Tick();
            if (rng_.Chance(50)) {
                const AreaFile& f = FindFile(files_, "NODELIST.ZIP");
                FhLine('*', "send: " + DosPath(f));
                std::int64_t part = rng_.Range(1, static_cast<int>(f.content.size()) - 1);
                clock_.Advance(Seconds(part, n.speed));
                FhLine('!', "Carrier lost");
                // "Incomplete send: 1234 of 16000 bytes, NODELIST.ZIP"
                FhLine('*', t_.partiallySent + " " + std::to_string(part) + t_.partiallySent2 +
                                std::to_string(f.content.size()) + " bytes, " + f.name);
                Tick();
                FhLine('!', t_.noCarrier);
            } else {
                FhLine('!', t_.sessionAbort);
                Tick();
                FhLine('+', t_.postSession + "Tx/Rx: " + std::to_string(sent) + "/" + std::to_string(rcvd));
            }
            return;
        }
        // File requests of a caller.
        if (incoming && rng_.Chance(60)) {
            std::vector<const Request*> asked;
            int count = rng_.Range(1, 3);
            for (int i = 0; i < count; ++i) {
                const Request* r = &requests_[static_cast<std::size_t>(rng_.Below(static_cast<int>(requests_.size())))];
                if (std::find(asked.begin(), asked.end(), r) == asked.end())
                    asked.push_back(r);
            }
            for (const Request* r : asked)
                FhLine('*', t_.freq + r->name);
            Tick();
            for (const Request* r : asked) {
                if (r->files.empty()) {
                    Misc(std::string("Nothing found for ") + r->name);
                    continue;
                }
                for (const std::string& name : r->files) {
                    const AreaFile& f = FindFile(files_, name);
                    sendFile(DosPath(f), f.name, static_cast<std::int64_t>(f.content.size()), false);
                }
            }
        }
        Tick();
        FhLine('+', t_.sessionComplete);
        FhLine('+', t_.postSession + "Tx/Rx: " + std::to_string(sent) + "/" + std::to_string(rcvd));
    }

    LogWriter out_;
    Rng& rng_;
    const Texts& t_;
    const std::vector<AreaFile>& files_;
    std::vector<Node> nodes_;
    std::vector<Request> requests_;
    Clock clock_;
};

// ---------------------------------------------------------------------------

void WriteFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

int Usage(const char* message)
{
    if (message)
        std::cerr << "tarvix-genfhmail: " << message << '\n';
    std::cerr << "usage: tarvix-genfhmail [--seed N] [--days N] [--log-size BYTES] OUTDIR\n"
                 "Writes a demo FhMail installation (configuration, language file, alias list,\n"
                 "file areas with files.bbs and a log) into OUTDIR; the same seed gives the same\n"
                 "bytes (default seed 30). --days (default 3) sets the days of the log; --log-size\n"
                 "writes days until the log has at least that many bytes.\n";
    return 2;
}

bool ParseNumber(const char* s, std::uint64_t& out)
{
    if (!s || !*s)
        return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long v = std::strtoull(s, &end, 10);
    if (errno != 0 || *end != '\0' || s[0] == '-')
        return false;
    out = v;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    std::uint64_t seed = 30, days = 3, logSize = 0;  // seed 30: the sample in samples/fhmail
    std::optional<std::string> outDir;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::uint64_t& target) {
            if (i + 1 >= argc || !ParseNumber(argv[i + 1], target))
                return false;
            ++i;
            return true;
        };
        if (arg == "--seed") {
            if (!value(seed))
                return Usage("--seed needs a number");
        } else if (arg == "--days") {
            if (!value(days) || days == 0 || days > 100000)
                return Usage("--days needs a number from 1 to 100000");
        } else if (arg == "--log-size") {
            if (!value(logSize) || logSize == 0)
                return Usage("--log-size needs a number of bytes");
        } else if (arg == "--help" || arg == "-h") {
            Usage(nullptr);
            return 0;
        } else if (!arg.empty() && arg[0] == '-') {
            return Usage(("unknown option " + arg).c_str());
        } else if (outDir) {
            return Usage("only one output folder");
        } else {
            outDir = arg;
        }
    }
    if (!outDir)
        return Usage("no output folder");

    try {
        const fs::path dir(*outDir);
        fs::create_directories(dir);
        Rng rng(seed);
        const Texts texts;
        const std::vector<AreaFile> files = AreaFiles(rng);

        WriteFile(dir / "fhmail.lng", LanguageFile(texts));
        WriteFile(dir / "fhmail.cfg", ConfigFile());
        WriteFile(dir / "freq.als", AliasFile());
        for (const char* area : {"pub", "nodelist"}) {
            WriteFile(dir / "files" / area / "FILES.BBS", FilesBbs(files, area));
            for (const AreaFile& f : files)
                if (std::strcmp(f.area, area) == 0)
                    WriteFile(dir / "files" / area / f.name, f.content);
        }

        LogGenerator log(dir / "fhmail.log", rng, texts, files);
        if (logSize > 0)
            log.Run(0, logSize, 400);
        else
            log.Run(static_cast<int>(days), 0, 8);
    } catch (const std::exception& e) {
        std::cerr << "tarvix-genfhmail: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
