// tarvix-gensfmail: writes a small SF-Mail installation for trying Tarvix and for its
// end-to-end tests: the language file sf-mail.lng, the configuration cfg\sf-mail.cfg
// (with an included file), the file-request alias file, two file areas with their
// files.bbs lists, and a log of several days written from the same language texts.
//
//   tarvix-gensfmail OUTDIR [--seed N] [--days N] [--per-day N] [--log-size BYTES]
//
// The same options give the same bytes. The installation stands for drive C: of the
// mailer's machine: the log names the served files as C:\FILES\..., so tarvix-report
// --drive C=OUTDIR finds them. Only the standard library is used.
//
// samples/sfmail is what the defaults write (seed 1, 3 days of 5 events); a test
// checks that it still is.
#include "tools/gencommon/GenCommon.h"

#include "tools/lngwriters/MailerLngWriter.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

// --- the language file: this installation's own wording -----------------------
//
// Each text carries its four-character marker field: "(+) " progress, "(#) "
// information, "(!) " failure, "(?) " warning, "(\x0F) " idle, or four blanks.

const std::vector<std::pair<std::uint16_t, std::string>>& Entries()
{
    static const std::vector<std::pair<std::uint16_t, std::string>> entries = {
        {1001, "(\x0F) Waiting for a call or an event"},
        {1002, "    Modem initialised: %1"},
        {1003, "(#) Event %1 started"},
        {1004, "(#) Mailer started, line %1"},
        {1005, "(#) Mailer stopped"},
        {1027, "(#) Files requested (%1):"},
        {1030, "(#) %1"},
        {1037, "    Node status: %1"},
        {1039, "(#) Mail only, no files this time"},
        {1060, "(+) Incoming call, answering"},
        {1081, "(+) Calling %1, %2, %3"},
        {1082, "(#) GUEST on the line: no mailer answered"},
        {1084, "    System: %1"},
        {1085, "    Address: %1"},
        {1087, "    SysOp: %1"},
        {1089, "    Phone: %1"},
        {1091, "    Mailer: %1"},
        {1094, "(#) Password protected session"},
        {1115, "    GUEST hung up after %1 s"},
        {1125, "(+) Sent OK: %1"},
        {1135, "(+) Sent from offset %1: %2"},
        {1153, "(+) Manual dial: %1"},
        {1155, "    Protocol: %1"},
        {1157, "(+) Session completed in %1"},
        {1158, "(?) Session aborted: %1"},
        {1159, "    Traffic (sent/rcvd): %1/%2, files %3/%4"},
        {1160, "    Average cps: %1"},
        {2012, "(#) None of the requested files found"},
        {2032, "(!) NO CARRIER from %1"},
        {2034, "(!) Line busy"},
        {2035, "(!) Handshake failed: %1"},
        {2038, "(!) Carrier lost"},
        {2040, "(?) Password mismatch: %1"},
        {2041, "(!) No CONNECT from the modem"},
    };
    return entries;
}

const std::string& EntryText(std::uint16_t number)
{
    for (const auto& [n, text] : Entries())
        if (n == number)
            return text;
    throw std::logic_error("no language entry " + std::to_string(number));
}

// Entry Number with %1, %2, ... replaced by the arguments.
std::string Msg(std::uint16_t number, const std::vector<std::string>& args = {})
{
    const std::string& text = EntryText(number);
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            std::size_t k = static_cast<std::size_t>(text[i + 1] - '1');
            if (k < args.size())
                out += args[k];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// --- random numbers that are the same everywhere (splitmix64) ------------------

class Rng : public tarvix::gen::TSplitMix64 {
public:
    using TSplitMix64::TSplitMix64;
    // 0 .. n-1
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
    int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }
};

// --- the world of the log -------------------------------------------------------

struct Node {
    std::string addr;    // as the remote presents it
    std::string nlName;  // the system name as the nodelist has it (no blanks, no commas)
    std::string system;  // as the remote presents it
    std::string sysop;
    std::string phone;
    std::string mailer;
    bool password;
};

const std::vector<Node>& Nodes()
{
    static const std::vector<Node> nodes = {
        {"2:5020/52@fidonet", "Dark_Tower", "Dark Tower (Moscow, Russia)", "Ivan Petrov", "7-095-555-0101", "T-Mail/2608", true},
        {"2:5030/1", "North_Star_BBS", "North Star BBS", "Nikolai Orlov", "7-812-555-0001", "Argus/3.210", true},
        // The sysop's name in the mailer's DOS code page (CP866).
        {"2:463/68", "Kiev_Harbour", "Kiev Harbour", "\x91\xA5\xE0\xA3\xA5\xA9 \x88\xA2\xA0\xAD\xAE\xA2", "380-44-555-0068",
         "Bink/+ 1.00", false},
        {"2:5020/1300.4@fidonet", "Night_Owl", "Night Owl Point (open 23-07)", "Anna Volkova", "7-095-555-1300",
         "SF-Mail/2.41", false},
        {"2:450/1024", "Minsk_Hub", "Minsk Hub", "Andrei Kozlov", "375-17-555-2020", "FrontDoor 2.33", true},
    };
    return nodes;
}

// A file that can be requested: where it lives and its size.
struct AreaFile {
    std::string area;  // folder under FILES
    std::string name;
    int size;
    std::string desc;
};

const std::vector<AreaFile>& AreaFiles()
{
    static const std::vector<AreaFile> files = {
        {"NODELIST", "NODELIST.Z26", 40960, "Nodelist of zone 2, day 105"},
        {"NODELIST", "NODEDIFF.A26", 6144, "Nodelist difference, day 105"},
        {"SOFT", "TARVIX.ZIP", 123456, "Tarvix, the mailer log viewer"},
        {"SOFT", "README.TXT", 2048, "How to request files here"},
        {"SOFT", "WHATSNEW.TXT", 4096, "What is new in the file areas"},
    };
    return files;
}

std::string Pad2(int v)
{
    char b[8];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

// --- the log ---------------------------------------------------------------------

class LogWriter {
public:
    explicit LogWriter(const fs::path& path) : out_(path, std::ios::binary)
    {
        if (!out_)
            throw std::runtime_error("cannot create " + path.string());
        buf_.reserve(kFlushAt + 512);
    }
    ~LogWriter() { Flush(); }

    void Raw(const std::string& line)
    {
        buf_ += line;
        buf_ += "\r\n";
        written_ += line.size() + 2;
        if (buf_.size() >= kFlushAt)
            Flush();
    }
    // A message line at the current time.
    void Line(const std::string& msg) { Raw(Stamp() + "  " + msg); }
    void Flush()
    {
        out_.write(buf_.data(), static_cast<std::streamsize>(buf_.size()));
        buf_.clear();
        if (!out_)
            throw std::runtime_error("cannot write the log");
    }
    std::uint64_t Written() const { return written_; }

    int sec = 0;  // seconds since midnight
    void Pass(int seconds) { sec += seconds; }

private:
    static constexpr std::size_t kFlushAt = 1 << 20;
    std::string Stamp() const
    {
        int s = sec % 86400;
        return Pad2(s / 3600) + ":" + Pad2(s / 60 % 60) + ":" + Pad2(s % 60);
    }
    std::ofstream out_;
    std::string buf_;
    std::uint64_t written_ = 0;
};

struct Date {
    int y, m, d;
};

int DaysIn(int y, int m)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : days[m - 1];
}

Date NextDay(Date t)
{
    if (++t.d > DaysIn(t.y, t.m)) {
        t.d = 1;
        if (++t.m > 12) {
            t.m = 1;
            ++t.y;
        }
    }
    return t;
}

// 0 = Sunday (Zeller's congruence).
int WeekDay(Date t)
{
    int y = t.y, m = t.m;
    if (m < 3) {
        m += 12;
        --y;
    }
    int h = (t.d + 13 * (m + 1) / 5 + y % 100 + y % 100 / 4 + y / 100 / 4 + 5 * (y / 100)) % 7;
    return (h + 6) % 7;
}

std::string Separator(Date t)
{
    static const char* months[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    static const char* days[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    const std::string rule(12, '\xC4');
    return rule + " " + std::to_string(t.d) + " " + months[t.m - 1] + " " + std::to_string(t.y) + ", " +
           days[WeekDay(t)] + " " + rule;
}

std::string Duration(int seconds)
{
    return std::to_string(seconds / 3600) + ":" + Pad2(seconds / 60 % 60) + ":" + Pad2(seconds % 60);
}

std::string HexName(Rng& rng, const char* ext)
{
    char b[16];
    std::snprintf(b, sizeof b, "%08X", static_cast<unsigned>(rng.Next() & 0xFFFFFFFFu));
    return std::string(b) + ext;
}

// What happens in one session; the byte counts are summed for the traffic line.
struct Traffic {
    long long sent = 0, rcvd = 0;
    int filesSent = 0, filesRcvd = 0;
};

class Generator {
public:
    Generator(LogWriter& log, std::uint64_t seed) : log_(log), rng_(seed) {}

    static constexpr int kKinds = 10;
    void Event(int kind)
    {
        switch (kind) {
        case 0: OutgoingSession(); break;
        case 1: IncomingFreqFound(); break;
        case 2: HumanCaller(); break;
        case 3: HandshakeFailed(); break;
        case 4: CarrierLost(); break;
        case 5: AbortedMailOnly(); break;
        case 6: FreqNotFound(); break;
        case 7: WildcardOverIP(); break;
        case 8: ManualDial(); break;
        default: RingWithoutConnect(); break;
        }
    }
    Rng& rng() { return rng_; }

private:
    const Node& PickNode() { return Nodes()[static_cast<std::size_t>(rng_.Below(static_cast<int>(Nodes().size())))]; }
    void Step(int lo, int hi) { log_.Pass(rng_.Between(lo, hi)); }

    void Ring(const char* callerId)
    {
        log_.Line(Msg(1060));
        Step(2, 4);
        if (callerId)
            log_.Line(std::string("    CALLER ID: ") + callerId);
        Step(8, 15);
    }
    void Dial(const Node& n)
    {
        log_.Line(Msg(1081, {n.nlName, n.addr, n.phone}));
        Step(20, 40);
    }
    // The remote's data after the CONNECT line, up to the listing status.
    void Handshake(const Node& n, bool password, bool listed)
    {
        log_.Line("(#) EMSI handshake");
        Step(1, 3);
        log_.Line(Msg(1084, {n.system}));
        log_.Line(Msg(1085, {n.addr}));
        log_.Line(Msg(1087, {n.sysop}));
        log_.Line(Msg(1089, {n.phone}));
        log_.Line(Msg(1091, {n.mailer}));
        if (password)
            log_.Line(Msg(1094));
        log_.Line(Msg(1037, {listed ? "listed" : "unlisted"}));
        Step(1, 2);
    }
    void Protocol(const char* name)
    {
        log_.Line(Msg(1155, {name}));
        Step(1, 3);
    }
    // A mail packet or bundle each way.
    void Mail(Traffic& t, const char* tag, bool send, bool receive)
    {
        if (send) {
            int size = rng_.Between(300, 30000);
            log_.Line(std::string("+Send-") + tag + ": " + HexName(rng_, ".PKT") + " (" + std::to_string(size) +
                      " bytes)");
            t.sent += size;
            ++t.filesSent;
            Step(3, 20);
        }
        if (receive) {
            int size = rng_.Between(300, 60000);
            log_.Line(std::string("-Recv-") + tag + ": " + HexName(rng_, ".SU0") + " (" + std::to_string(size) +
                      " bytes)");
            t.rcvd += size;
            ++t.filesRcvd;
            Step(3, 30);
        }
    }
    void SendFile(Traffic& t, const char* tag, const AreaFile& f, int resumeAt)
    {
        log_.Line(std::string("+Send-") + tag + ": C:\\FILES\\" + f.area + "\\" + f.name + " (" +
                  std::to_string(f.size) + " bytes)");
        t.sent += f.size - resumeAt;
        ++t.filesSent;
        Step(5, 40);
        if (resumeAt > 0)
            log_.Line(Msg(1135, {std::to_string(resumeAt), f.name}));
        else
            log_.Line(Msg(1125, {f.name}));
    }
    // The list of requested names. When files were found, the last name is written
    // with entry 1030, which also says that the files are sent next.
    void Requested(const std::vector<std::string>& names, bool found)
    {
        log_.Line(Msg(1027, {std::to_string(names.size())}));
        for (std::size_t i = 0; i < names.size(); ++i)
            log_.Line(found && i + 1 == names.size() ? Msg(1030, {names[i]}) : "    " + names[i]);
        Step(1, 2);
    }
    // The end of a session that worked, with its traffic and rate.
    void Completed(const Traffic& t, int startSec, bool withRate)
    {
        Step(1, 5);
        int length = log_.sec - startSec;
        log_.Line(Msg(1157, {Duration(length)}));
        Totals(t);
        if (withRate) {
            long long most = t.sent > t.rcvd ? t.sent : t.rcvd;
            log_.Line(Msg(1160, {std::to_string(length > 0 ? most / length : 0)}));
        }
    }
    void Totals(const Traffic& t)
    {
        log_.Line(Msg(1159, {std::to_string(t.sent), std::to_string(t.rcvd), std::to_string(t.filesSent),
                             std::to_string(t.filesRcvd)}));
    }
    const AreaFile& File(const std::string& name)
    {
        for (const AreaFile& f : AreaFiles())
            if (f.name == name)
                return f;
        throw std::logic_error("no file " + name);
    }

    // Busy, no answer, then the call goes through.
    void OutgoingSession()
    {
        const Node& n = PickNode();
        Dial(n);
        log_.Line(Msg(2034));
        Step(60, 180);
        Dial(n);
        log_.Line(Msg(2032, {n.phone}));
        Step(60, 180);
        Dial(n);
        log_.Line("(+) CONNECT 33600/ARQ/V42BIS");
        int start = log_.sec;
        Step(2, 5);
        Handshake(n, n.password, true);
        Protocol("ZedZap");
        Traffic t;
        Mail(t, "ZM", true, true);
        Completed(t, start, true);
    }
    void IncomingFreqFound()
    {
        const Node& n = PickNode();
        Ring("4957654321");
        log_.Line("(+) CONNECT 28800/ARQ/V42BIS");
        int start = log_.sec;
        Step(2, 5);
        Handshake(n, n.password, true);
        Protocol("Hydra");
        Traffic t;
        Mail(t, "HY", false, true);
        Requested({"NODELIST", "TARVIX"}, true);
        SendFile(t, "HY", File("NODELIST.Z26"), 0);
        SendFile(t, "HY", File("TARVIX.ZIP"), 0);
        Completed(t, start, true);
    }
    void HumanCaller()
    {
        Ring("?");
        log_.Line("(+) CONNECT 2400");
        Step(5, 10);
        log_.Line(Msg(1082));
        Step(1, 2);
        log_.Line("(\x0F) Showing the guest banner");
        int stay = rng_.Between(20, 90);
        log_.Pass(stay);
        log_.Line(Msg(1115, {std::to_string(stay)}));
    }
    void HandshakeFailed()
    {
        const Node& n = PickNode();
        Dial(n);
        log_.Line("(+) CONNECT 31200/ARQ/V42BIS");
        Step(10, 30);
        log_.Line(Msg(2035, {"no EMSI from the remote"}));
    }
    void CarrierLost()
    {
        const Node& n = PickNode();
        Ring("3832123456");
        log_.Line("(+) CONNECT 14400/ARQ/V42BIS");
        int start = log_.sec;
        (void)start;
        Step(2, 5);
        Handshake(n, n.password, true);
        Protocol("ZModem");
        Traffic t;
        Mail(t, "ZM", false, true);
        log_.Line(Msg(2038));
        Totals(t);
    }
    void AbortedMailOnly()
    {
        const Node& n = PickNode();
        Ring(nullptr);
        log_.Line("(+) CONNECT 19200/ARQ");
        Step(2, 5);
        log_.Line("(#) EMSI handshake");
        log_.Line(Msg(1084, {n.system}));
        log_.Line(Msg(1085, {n.addr}));
        log_.Line(Msg(1087, {n.sysop}));
        log_.Line(Msg(1089, {"-Unpublished-"}));
        log_.Line(Msg(1091, {n.mailer}));
        log_.Line(Msg(2040, {"expected a secret"}));
        log_.Line(Msg(1037, {"unlisted"}));
        log_.Line(Msg(1039));
        Protocol("DirZap");
        Traffic t;
        Mail(t, "DZ", true, false);
        Step(2, 10);
        log_.Line(Msg(1158, {"cancelled by the remote"}));
        Totals(t);
    }
    void FreqNotFound()
    {
        const Node& n = PickNode();
        Ring("8127654321");
        log_.Line("(+) CONNECT 33600/ARQ/V42BIS");
        int start = log_.sec;
        Step(2, 5);
        Handshake(n, n.password, true);
        Protocol("Hydra");
        Traffic t;
        Requested({"MISSING.ZIP"}, false);
        log_.Line(Msg(2012));
        Mail(t, "HY", true, true);
        Completed(t, start, true);
    }
    void WildcardOverIP()
    {
        const Node& n = PickNode();
        Ring(nullptr);
        log_.Line("(+) CONNECT TCP/IP");
        int start = log_.sec;
        Step(1, 3);
        Handshake(n, n.password, true);
        Protocol("Hydra-8k");
        Traffic t;
        Requested({"*.TXT"}, true);
        SendFile(t, "HY", File("README.TXT"), 0);
        SendFile(t, "HY", File("WHATSNEW.TXT"), 1024);
        Completed(t, start, false);
    }
    void ManualDial()
    {
        const Node& n = PickNode();
        log_.Line(Msg(1153, {n.phone}));
        Step(20, 40);
        log_.Line("(+) CONNECT 9600/ARQ");
        int start = log_.sec;
        Step(2, 5);
        Handshake(n, false, true);
        Protocol("ZModem");
        Traffic t;
        Mail(t, "ZM", true, false);
        Completed(t, start, true);
    }
    void RingWithoutConnect()
    {
        Ring("4951112233");
        Step(20, 40);
        log_.Line(Msg(2041));
        log_.Line(Msg(1002, {"ATZ"}));
    }

    LogWriter& log_;
    Rng rng_;
};

void WriteFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream f(path, std::ios::binary);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f)
        throw std::runtime_error("cannot write " + path.string());
}

std::string DosLines(const std::vector<std::string>& lines)
{
    std::string s;
    for (const std::string& l : lines)
        s += l + "\r\n";
    return s;
}

void WriteInstallation(const fs::path& dir)
{
    std::vector<std::pair<std::uint16_t, std::string>> entries = Entries();
    WriteFile(dir / "sf-mail.lng", tarvix::lngwriters::BuildSFMailLng(entries));

    WriteFile(dir / "cfg" / "sf-mail.cfg",
              DosLines({"; SF-Mail configuration of a sample installation (tarvix-gensfmail)",
                        "#define FREQROOT FILES",
                        "Address     2:5030/999.999@fidonet",
                        "SysOp       Sample Sysop",
                        "Log         C:\\SF-MAIL.LOG",
                        "Inbound     C:\\INBOUND",
                        "(Mon-Fri) Banner  Working days",
                        "; the file-request settings",
                        "#include freq.cfg"}));
    // Included from sf-mail.cfg: a relative name there means this same folder.
    WriteFile(dir / "cfg" / "freq.cfg",
              DosLines({"; file requests", "(00:00-24:00) Fr_Alias FREQROOT\\MAGIC.ALS", "Fr_Limit 2048"}));

    std::vector<std::string> alias = {"; magic names of the file requests", "NODELIST   C:\\FILES\\NODELIST\\NODELIST.Z26",
                                      "@TARVIX    C:\\FILES\\SOFT\\TARVIX.ZIP  (the newest release)",
                                      "NODEDIFF   C:\\FILES\\NODELIST\\NODEDIFF.A26"};
    WriteFile(dir / "files" / "magic.als", DosLines(alias));

    std::map<std::string, std::vector<std::string>> bbs;
    for (const AreaFile& f : AreaFiles()) {
        std::string name = f.name;
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::string area = f.area;
        for (char& c : area)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        // The file itself: a few bytes that say what it stands for.
        WriteFile(dir / "files" / area / name, "Sample file " + f.name + " of tarvix-gensfmail\r\n");
        std::string line = f.name;
        line.resize(14, ' ');
        bbs[area].push_back(line + "[000] " + f.desc);
    }
    for (const auto& [area, lines] : bbs)
        WriteFile(dir / "files" / area / "files.bbs", DosLines(lines));
}

[[noreturn]] void Usage(const std::string& why)
{
    std::cerr << "tarvix-gensfmail: " << why << "\n"
              << "usage: tarvix-gensfmail OUTDIR [--seed N] [--days N] [--per-day N] [--log-size BYTES]\n";
    std::exit(2);
}

std::uint64_t Number(const std::string& option, const char* text)
{
    char* end = nullptr;
    errno = 0;
    unsigned long long v = std::strtoull(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || text[0] == '-')
        Usage(option + ": not a number: " + text);
    return v;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string outDir;
    std::uint64_t seed = 1, days = 3, perDay = 5, logSize = 0;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc)
                Usage(a + " needs a value");
            return argv[++i];
        };
        if (a == "--seed")
            seed = Number(a, value());
        else if (a == "--days")
            days = Number(a, value());
        else if (a == "--per-day")
            perDay = Number(a, value());
        else if (a == "--log-size")
            logSize = Number(a, value());
        else if (a == "--help" || a == "-h")
            Usage("writes a sample SF-Mail installation");
        else if (!a.empty() && a[0] == '-')
            Usage("unknown option " + a);
        else if (outDir.empty())
            outDir = a;
        else
            Usage("more than one OUTDIR");
    }
    if (outDir.empty())
        Usage("no OUTDIR");
    if (days == 0 && logSize == 0)
        Usage("--days 0 writes no log");
    if (perDay == 0 || perDay > 40)
        Usage("--per-day must be 1 to 40");

    try {
        const fs::path dir(outDir);
        WriteInstallation(dir);
        LogWriter log(dir / "sf-mail.log");
        Generator gen(log, seed);
        Date today{2026, 4, 13};
        std::uint64_t event = 0;
        for (std::uint64_t day = 0; logSize > 0 ? log.Written() < logSize : day < days; ++day) {
            log.Raw(Separator(today));
            log.sec = 5 * 60 + gen.rng().Below(600);
            log.Line(Msg(1004, {"1"}));
            log.Line(Msg(1002, {"ATZ"}));
            log.Line(Msg(1001));
            // Large logs fill their days; small ones have a fixed number of events.
            for (std::uint64_t k = 0; logSize > 0 ? log.sec < 22 * 3600 : k < perDay; ++k, ++event) {
                log.Pass(gen.rng().Between(10 * 60, logSize > 0 ? 40 * 60 : 5 * 3600 / static_cast<int>(perDay)));
                // Every kind of event once first, then any.
                int kind = event < static_cast<std::uint64_t>(Generator::kKinds)
                               ? static_cast<int>(event)
                               : gen.rng().Below(Generator::kKinds);
                gen.Event(kind);
                log.Line(Msg(1001));
                if (day == 1 && k == 1) {
                    // The mailer restarted: the same date again starts no new day.
                    log.Line(Msg(1005));
                    log.Raw(Separator(today));
                    log.Pass(30);
                    log.Line(Msg(1004, {"1"}));
                    log.Line(Msg(1001));
                }
            }
            log.Pass(60);
            log.Line(Msg(1003, {"NIGHTLY"}));
            today = NextDay(today);
        }
        log.Flush();
    } catch (const std::exception& e) {
        std::cerr << "tarvix-gensfmail: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
