#include "engine/BinkdLog.h"

#include "engine/LogNumber.h"
#include "engine/LogYears.h"
#include "fido/LogUtils.h"
#include "fido/ConfigParser.h"
#include "platform/HostPath.h"
#include "platform/Scan.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tarvix {

namespace {

// 0-based offsets of a line's parts.
constexpr std::size_t kDayAt = 2, kMonthAt = 5, kTimeAt = 9, kPidAt = 18;
constexpr std::size_t kDateLen = 6;
// The shortest line with a message: the stamp, "[", one digit, "] " and one byte.
constexpr std::size_t kMinLine = kPidAt + 5;

template <std::size_t N>
bool Starts(std::string_view s, const char (&p)[N])
{
    return s.size() >= N - 1 && std::memcmp(s.data(), p, N - 1) == 0;
}

// The text up to the first blank or comma.
std::string_view FirstToken(std::string_view s)
{
    std::size_t end = s.find_first_of(" ,)");
    return end == std::string_view::npos ? s : s.substr(0, end);
}

// A count read from a log; 0 for anything that is no count.
std::int64_t Count(std::string_view s)
{
    std::int64_t v = 0;
    std::size_t i = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
        if (v < (std::int64_t{1} << 58))
            v = v * 10 + (s[i] - '0');
    return v;
}

bool ParseAddr(std::string_view text, TFidoAddr& addr)
{
    return !text.empty() && TFidoAddr::TryParse(text, 0, addr);
}

// The part of a path after its last "/" or "\".
std::string_view BaseName(std::string_view path)
{
    std::size_t cut = path.find_last_of("/\\");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

bool IsAbsolute(std::string_view path)
{
    return !path.empty() && (path[0] == '/' || path[0] == '\\' || (path.size() >= 2 && path[1] == ':'));
}

std::string JoinPath(std::string_view dir, std::string_view name)
{
    if (dir.empty() || IsAbsolute(name))
        return std::string(name);
    if (name.starts_with("./"))
        name.remove_prefix(2);
    std::string r(dir);
    if (r.back() != '/' && r.back() != '\\')
        r += '/';
    r += name;
    return r;
}

// "X (size, rate CPS, addr)" at the end of a transfer line: the size and the rate.
bool SizeAndRate(std::string_view msg, std::string_view& name, std::int64_t& size, double& cps)
{
    std::size_t open = msg.rfind(" (");
    if (open == std::string_view::npos)
        return false;
    name = msg.substr(0, open);
    std::string_view rest = msg.substr(open + 2);
    size = Count(rest);
    std::size_t comma = rest.find(", ");
    cps = 0;
    if (comma != std::string_view::npos) {
        std::string_view r = rest.substr(comma + 2);
        cps = static_cast<double>(Count(r));
        std::size_t dot = 0;
        while (dot < r.size() && r[dot] >= '0' && r[dot] <= '9')
            ++dot;
        if (dot < r.size() && r[dot] == '.' && dot + 1 < r.size() && r[dot + 1] >= '0' && r[dot + 1] <= '9')
            cps += (r[dot + 1] - '0') / 10.0;
    }
    return true;
}

}  // namespace

bool BinkdLineDate(std::string_view line, int& month, int& day)
{
    return DayAndMonthName(line, kDayAt, kMonthAt, month, day);
}

TBinkdLog::TBinkdLog()
{
    Style = lsBinkd;
    DatePos = static_cast<int>(kDayAt) + 1;
    DateLen = static_cast<int>(kDateLen);
    NoYearInLines = true;
    HasOptions = true;
}

TBinkdLog::~TBinkdLog() = default;

// --- highlighting ---

bool TBinkdLog::IsDateWord(int col, std::string_view)
{
    return col == static_cast<int>(kDayAt) || col == static_cast<int>(kMonthAt) || col == static_cast<int>(kTimeAt);
}

bool TBinkdLog::WordClass(std::string_view word, int col)
{
    if (col == 0) {
        hlMsgCol_ = -1;
        if (word == "?" || word == "!") {
            HlClass = hcErrors;
            return true;
        }
        return false;
    }
    if (col == static_cast<int>(kPidAt) && !word.empty() && word[0] == '[') {
        hlMsgCol_ = col + static_cast<int>(word.size()) + 1;
        return false;
    }
    if (col != hlMsgCol_)
        return false;
    if (word == "sending" || word == "sent:")
        HlClass = hcSent;
    else if (word == "receiving" || word == "rcvd:")
        HlClass = hcRecd;
    else if (word == "call" || word == "incoming" || word == "outgoing" || word == "done" || word == "BEGIN,")
        HlClass = hcInfo;
    else if (word == "SYS" || word == "ZYZ" || word == "LOC" || word == "NDL" || word == "VER" || word == "addr:")
        HlClass = hcSpecial;
    else
        HlClass = hcNormal;
    return true;
}

// --- days and times ---

TDateTime TBinkdLog::DateOfLine(std::string_view line)
{
    int month = 0, day = 0;
    if (!BinkdLineDate(line, month, day))
        throw EConvertError("No binkd date in the line: '" + std::string(line) + "'");
    return EncodeDate(LineYear(), month, day);
}

bool TBinkdLog::MonthDayOfLine(std::string_view line, int& month, int& day) const
{
    return BinkdLineDate(line, month, day);
}

TDateTime TBinkdLog::TimeOfLine(std::string_view line)
{
    if (line.size() < kTimeAt + 8)
        throw EConvertError("Line too short for a time: '" + std::string(line) + "'");
    // Nearly every line has the date of the line before.
    if (!dateValid_ || std::memcmp(dateText_.data(), line.data() + kDayAt, kDateLen) != 0) {
        date_ = DateOfLine(line);
        std::memcpy(dateText_.data(), line.data() + kDayAt, kDateLen);
        dateValid_ = true;
    }
    int hour = 0, min = 0, sec = 0;
    TDateTime time = 0;
    if (StampDigits(line.data() + kTimeAt, hour, min, sec) && TryEncodeTime(hour, min, sec, 0, time))
        return date_ + time;
    return date_ + EncodeTime(ParseLogInt(line.substr(kTimeAt, 2)), ParseLogInt(line.substr(kTimeAt + 3, 2)),
                              ParseLogInt(line.substr(kTimeAt + 6, 2)), 0);
}

// --- settings ---

void TBinkdLog::Reset()
{
    TMailerLog::Reset();
    open_.clear();
    calls_.clear();
    dateValid_ = false;
    SetDialAddr(std::nullopt);
}

void TBinkdLog::LoadFromReg(const TIniFile& ini, std::string_view section)
{
    TMailerLog::LoadFromReg(ini, section);
    CfgPath = ini.ReadString(section, "CfgPath", "");
}

void TBinkdLog::SaveToReg(TIniFile& ini, std::string_view section) const
{
    TMailerLog::SaveToReg(ini, section);
    ini.WriteString(section, "CfgPath", CfgPath);
}

// --- the configuration ---

std::string TBinkdLog::ConfigFileName() const
{
    if (!CfgPath.empty())
        return JoinPath(MailerPath(), CfgPath);
    if (MailerPath().empty())
        return {};
    std::string name = JoinPath(MailerPath(), "binkd.cfg");
    std::error_code ec;
    return std::filesystem::is_regular_file(ToHostPath(name), ec) ? name : std::string();
}

void TBinkdLog::ReadConfig()
{
    ownAddrs_.clear();
    domains_.clear();
    inbounds_.clear();
    const std::string file = ConfigFileName();
    if (file.empty())
        return;
    TQParser parser;
    // binkd's comments; the text from a variable, since the literal makes GCC 12 see an
    // overlapping copy in an optimised build where there is none.
    static const std::string kComment = "#";
    parser.SetCommentStr(kComment);
    parser.SetDefineStr("");
    parser.SetIncludeStr("include");
    parser.AddProc(
        "address",
        [this](const TQWords& words) {
            for (std::size_t i = 1; i < words.size(); ++i) {
                TFidoAddr a;
                if (ParseAddr(words[i], a))
                    ownAddrs_.push_back(a);
            }
        },
        2);
    parser.AddProc("domain", [this](const TQWords& words) { domains_.push_back(words[1]); }, 2);
    // The folders are where binkd runs: relative names are taken against the mailer
    // directory, as binkd takes them against its own.
    auto inbound = [this](const TQWords& words) {
        std::string dir = JoinPath(MailerPath(), words[1]);
        if (std::find(inbounds_.begin(), inbounds_.end(), dir) == inbounds_.end())
            inbounds_.push_back(std::move(dir));
    };
    parser.AddProc("inbound", inbound, 2);
    parser.AddProc("inbound-nonsecure", inbound, 2);
    parser.Parse(file);
}

std::string TBinkdLog::ResolveFreqName(std::string_view fileName) { return JoinPath(MailerPath(), fileName); }

// --- the line parser ---

void TBinkdLog::ParseMailerLine(std::string_view line)
{
    if (line.size() < kMinLine || line[kPidAt] != '[')
        return;
    // A line without a readable date is the day split's error alone.
    int month = 0, day = 0;
    if ((!dateValid_ || std::memcmp(dateText_.data(), line.data() + kDayAt, kDateLen) != 0) &&
        !BinkdLineDate(line, month, day))
        return;
    std::uint32_t pid = 0;
    std::size_t i = kPidAt + 1;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i)
        pid = pid * 10 + static_cast<std::uint32_t>(line[i] - '0');
    if (i == kPidAt + 1 || i + 2 > line.size() || line[i] != ']' || line[i + 1] != ' ')
        return;
    const std::string_view msg = line.substr(i + 2);
    if (msg.empty())
        return;

    // The lines that begin or end a call or a session, or a process.
    switch (msg[0]) {
    case 'c':
        if (Starts(msg, "call to ")) {
            Call(pid, line, msg.substr(8));
            return;
        }
        if (Starts(msg, "connection to ")) {
            CallFailed(pid, msg.substr(14));
            return;
        }
        break;
    case 'i':
        if (Starts(msg, "incoming session with ")) {
            Begin(pid, line, true);
            return;
        }
        break;
    case 'o':
        if (Starts(msg, "outgoing session with ")) {
            Begin(pid, line, false);
            return;
        }
        break;
    case 'r':
        // The parent's note that a process ended: a session it left open broke off.
        if (Starts(msg, "rc(")) {
            std::uint32_t child = static_cast<std::uint32_t>(Count(msg.substr(3)));
            if (open_.count(child))
                Close(child, true);
            calls_.erase(child);
            return;
        }
        break;
    case 'B':
        // A new process under an id that a dead one left a session under.
        if (Starts(msg, "BEGIN")) {
            if (open_.count(pid))
                Close(pid, true);
            calls_.erase(pid);
            return;
        }
        break;
    default: break;
    }

    auto it = open_.find(pid);
    if (it == open_.end())
        return;
    TOpen& o = it->second;
    o.lastLine = LineNo;
    o.lastTime = TimeOfLine(line);
    if (Starts(msg, "done (")) {
        Done(o, msg.substr(6));
        Close(pid, false);
        return;
    }
    SessionLine(o, msg);
}

void TBinkdLog::Call(std::uint32_t pid, std::string_view line, std::string_view addrText)
{
    if (open_.count(pid))
        Close(pid, true);
    TCall call;
    if (!ParseAddr(FirstToken(addrText), call.addr)) {
        calls_.erase(pid);
        return;
    }
    call.line = LineNo;
    call.time = TimeOfLine(line);
    if (NodeStats)
        NodeStats->AddCall(call.addr);
    calls_[pid] = call;
}

void TBinkdLog::CallFailed(std::uint32_t pid, std::string_view msg)
{
    if (msg.find(" failed") == std::string_view::npos)
        return;
    TFidoAddr addr;
    auto it = calls_.find(pid);
    if (it != calls_.end())
        addr = it->second.addr;
    else if (!ParseAddr(FirstToken(msg), addr))
        return;
    if (NodeStats)
        NodeStats->AddResult(&addr, 1);
    calls_.erase(pid);
}

void TBinkdLog::Begin(std::uint32_t pid, std::string_view line, bool incoming)
{
    if (open_.count(pid))
        Close(pid, true);
    TOpen o;
    TSess& s = o.sess;
    s.StartLine = LineNo;
    s.StartTime = TimeOfLine(line);
    s.Flags = sfOK | sfListed | (incoming ? sfIncoming : 0);
    s.Speed = kSpeedIP;
    s.Protocol = prBinkP;
    auto call = calls_.find(pid);
    if (!incoming && call != calls_.end()) {
        // The session begins with its call.
        s.StartLine = call->second.line;
        s.StartTime = call->second.time;
        o.called = call->second.addr;
    }
    calls_.erase(pid);
    o.lastLine = LineNo;
    o.lastTime = TimeOfLine(line);
    open_[pid] = std::move(o);
}

void TBinkdLog::SessionLine(TOpen& o, std::string_view msg)
{
    TSess& s = o.sess;
    switch (msg[0]) {
    case 'S':
        if (Starts(msg, "SYS "))
            s.System = KeepText(msg.substr(4));
        return;
    case 'Z':
        if (Starts(msg, "ZYZ "))
            s.SysOp = KeepText(msg.substr(4));
        return;
    case 'L':
        if (Starts(msg, "LOC "))
            s.Location = KeepText(msg.substr(4));
        return;
    case 'N':
        if (Starts(msg, "NDL "))
            s.Phone = KeepText(msg.substr(4));
        return;
    case 'V':
        if (Starts(msg, "VER "))
            s.Mailer = KeepText(msg.substr(4));
        return;
    case 'a':
        if (Starts(msg, "addr: ")) {
            TFidoAddr a;
            if (!ParseAddr(FirstToken(msg.substr(6)), a))
                return;
            if (!s.Addr) {
                s.Addr = a;
            } else {
                if (!o.akas.empty())
                    o.akas += ' ';
                o.akas += a.ToStrFlags(pfDomain);
            }
        }
        return;
    case 'p':
        if (Starts(msg, "pwd protected session"))
            s.Set(sfPassword, true);
        else if (Starts(msg, "parse_response: add file `"))
            Answered(o, msg.substr(26));
        return;
    case 's':
        if (Starts(msg, "sent: "))
            FileDone(o, msg.substr(6), true);
        else if (Starts(msg, "send: "))
            s.Set(sfAborted, true);  // the link failed under a file going out
        return;
    case 'r':
        if (Starts(msg, "rcvd: "))
            FileDone(o, msg.substr(6), false);
        else if (Starts(msg, "recv: "))
            s.Set(sfAborted, true);  // the link failed under a file coming in
        else if (Starts(msg, "rerror: ") && msg.find("password") != std::string_view::npos)
            s.Set(sfBadPassword, true);  // the remote refused our password
        return;
    case 't':
    case 'T':
        if (Starts(msg, "timeout!") || Starts(msg, "Timeout!"))
            s.Set(sfAborted, true);  // the remote fell silent
        return;
    default:
        // Our refusal of the remote's password: "`...': incorrect password".
        if (msg.ends_with("incorrect password"))
            s.Set(sfBadPassword, true);
        return;
    }
}

void TBinkdLog::FileDone(TOpen& o, std::string_view msg, bool sent)
{
    std::string_view name;
    std::int64_t size = 0;
    double cps = 0;
    if (!SizeAndRate(msg, name, size, cps))
        return;
    TSess& s = o.sess;
    if (sent) {
        ++s.FilesSent;
        AddCount(s.BytesSent, size);
        if (cps > 0) {
            o.secsSent += static_cast<double>(size) / cps;
            o.rateBytesSent += size;
        }
        auto f = std::find(o.freqFiles.begin(), o.freqFiles.end(), name);
        if (f != o.freqFiles.end()) {
            if (s.Addr)
                FreqSent(BaseName(name), ResolveFreqName(name), *s.Addr);
            o.freqFiles.erase(f);
        }
    } else {
        ++s.FilesRcvd;
        AddCount(s.BytesRcvd, size);
        if (cps > 0) {
            o.secsRcvd += static_cast<double>(size) / cps;
            o.rateBytesRcvd += size;
        }
    }
}

void TBinkdLog::Answered(TOpen& o, std::string_view msg)
{
    std::size_t end = msg.find('\'');
    if (end == std::string_view::npos || end == 0)
        return;
    std::string_view path = msg.substr(0, end);
    if (o.sess.Addr)
        AddFreq(BaseName(path), *o.sess.Addr);
    o.freqFiles.emplace_back(path);
}

void TBinkdLog::Done(TOpen& o, std::string_view msg)
{
    // "to ADDR, OK, S/R: 2/2 (34000/14500 bytes))", "from ...", "?, failed, ...".
    TSess& s = o.sess;
    o.sawDone = true;
    std::size_t comma = msg.find(", ");
    if (comma == std::string_view::npos)
        return;
    std::string_view who = msg.substr(0, comma);
    if (who.starts_with("to "))
        who.remove_prefix(3);
    else if (who.starts_with("from "))
        who.remove_prefix(5);
    TFidoAddr a;
    if (!s.Addr && ParseAddr(who, a))
        s.Addr = a;
    std::string_view rest = msg.substr(comma + 2);
    if (!Starts(rest, "OK"))
        s.Set(sfOK, false);
    std::size_t sr = rest.find("S/R: ");
    if (sr == std::string_view::npos)
        return;
    rest.remove_prefix(sr + 5);
    std::size_t slash = rest.find('/');
    std::size_t open = rest.find('(');
    if (slash == std::string_view::npos || open == std::string_view::npos)
        return;
    std::string_view bytes = rest.substr(open + 1);
    std::size_t bslash = bytes.find('/');
    if (bslash == std::string_view::npos)
        return;
    // The totals of the session replace what the file lines added up to.
    s.FilesSent = static_cast<int>(std::min<std::int64_t>(Count(rest), INT32_MAX));
    s.FilesRcvd = static_cast<int>(std::min<std::int64_t>(Count(rest.substr(slash + 1)), INT32_MAX));
    s.BytesSent = Count(bytes);
    s.BytesRcvd = Count(bytes.substr(bslash + 1));
}

void TBinkdLog::Close(std::uint32_t pid, bool aborted)
{
    auto it = open_.find(pid);
    if (it == open_.end())
        return;
    TOpen o = std::move(it->second);
    open_.erase(it);
    TSess& s = o.sess;
    if (aborted || !o.sawDone)
        s.Set(sfAborted, true);
    if (s.Has(sfAborted) || s.Has(sfBadPassword))
        s.Set(sfOK, false);
    if (!s.Addr && o.called)
        s.Addr = o.called;
    if (!o.akas.empty())
        s.Akas = KeepText(o.akas);
    // The rate of the files: their bytes over the seconds they took, the faster way.
    std::int64_t cps = 0;
    if (o.secsSent > 0)
        cps = static_cast<std::int64_t>(static_cast<double>(o.rateBytesSent) / o.secsSent);
    if (o.secsRcvd > 0)
        cps = std::max(cps, static_cast<std::int64_t>(static_cast<double>(o.rateBytesRcvd) / o.secsRcvd));
    s.CPS = cps;
    const bool incoming = s.Has(sfIncoming);
    OpenSession(s.StartLine, s.StartTime, incoming);
    TSess& listed = *CurSess();
    const std::uint16_t firstOfDay = listed.Flags & sfFirstOfDay;
    listed = std::move(s);
    listed.Flags |= firstOfDay;
    // A call placed is booked under the address called, where its call was counted.
    SetDialAddr(incoming ? std::nullopt : o.called);
    EndSessionAt(o.lastTime, o.lastLine);
}

void TBinkdLog::EndOfLog()
{
    // The sessions whose process died without a word: in the order they began.
    std::vector<std::pair<std::int64_t, std::uint32_t>> left;
    for (const auto& [pid, o] : open_)
        left.emplace_back(o.sess.StartLine, pid);
    std::sort(left.begin(), left.end());
    for (const auto& [line, pid] : left)
        Close(pid, true);
    calls_.clear();
}

void RegisterBinkdLogStyle()
{
    RegisterLogStyle(lsBinkd, [] { return std::unique_ptr<TLog>(std::make_unique<TBinkdLog>()); });
}

}  // namespace tarvix
