#include "engine/BrakeLog.h"

#include "engine/FDLog.h"
#include "engine/LogNumber.h"
#include "engine/LogYears.h"
#include "fido/LogUtils.h"
#include "fido/NVUtils.h"
#include "fido/ConfigParser.h"
#include "platform/Scan.h"
#include "platform/Text.h"

#include <bit>
#include <cstring>
#include <exception>
#include <limits>


namespace tarvix {

namespace {

// 0-based offsets of the time stamp, the same in both layouts.
constexpr std::size_t kHourAt = 9, kMinuteAt = 12, kSecondAt = 15, kStampEnd = 17;
// The program tag of the BinkleyTerm layout.
constexpr std::size_t kTagAt = 18;
constexpr std::string_view kTag = "BRK!";
// 0-based column of the word the highlighting paints Special for itself only.
constexpr int kTagCol = 18;
constexpr char kMarker = '\x04';

// Two decimal digits of a time stamp or date, as StrToInt reads them.
int StampField(std::string_view line, std::size_t at)
{
    return ParseLogInt(line.substr(at, 2));
}

// A byte count of a summary line: a decimal number that may exceed 32 bits, with
// blanks anywhere in it when blanks is true; false when the text is no such number.
bool TryCount(std::string_view s, bool blanks, std::int64_t& value)
{
    std::size_t i = 0;
    while (blanks && i < s.size() && s[i] == ' ')
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    std::int64_t v = 0;
    bool any = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (blanks && c == ' ')
            continue;
        if (c < '0' || c > '9' || v > (std::numeric_limits<std::int64_t>::max() - 9) / 10)
            return false;
        v = v * 10 + (c - '0');
        any = true;
    }
    value = negative ? -v : v;
    return any;
}

std::int64_t ParseCount(std::string_view s)
{
    std::int64_t v = 0;
    if (!TryCount(s, false, v))
        throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
    return v;
}

// Whether the line holds "Carrier lost" or "timed out", which may stand anywhere in
// it. Both hold a 't' at a fixed place ("Carrier lost" ends with it, "timed out"
// begins with it), so the line is searched once, for that byte, and both texts are
// compared around each 't' found.
bool HasLostOrTimedOut(std::string_view line)
{
    static constexpr char kLost[] = "Carrier lost";
    static constexpr char kTimedOut[] = "timed out";
    constexpr std::size_t lostLen = sizeof kLost - 1, timedOutLen = sizeof kTimedOut - 1;
    const char* p = line.data();
    return AnyOffsetOf(line, 't', [&](std::size_t at) {
        return (at + 1 >= lostLen && std::memcmp(p + at + 1 - lostLen, kLost, lostLen) == 0) ||
               (at + timedOutLen <= line.size() && std::memcmp(p + at, kTimedOut, timedOutLen) == 0);
    });
}

// "received/sent" of a summary line.
struct TPair {
    std::int64_t rcvd = 0, sent = 0;
};

TPair SplitPair(std::string_view field, bool wide)
{
    std::size_t slash = field.find('/');
    std::string_view before = field.substr(0, slash);
    std::string_view after = slash == std::string_view::npos ? std::string_view{} : field.substr(slash + 1);
    if (wide)
        return {ParseCount(before), ParseCount(after)};
    return {ParseLogInt(before), ParseLogInt(after)};
}

// An address of the log. An empty text is no address (it would give one of missing
// parts).
TFidoAddr ParseAddr(std::string_view text)
{
    if (text.empty())
        throw EAddrError("FidoAddr.InvAddr", {std::string(text)});
    return TFidoAddr::CreateStr(text);
}

}  // namespace

TBrakeLog::TBrakeLog()
{
    Style = lsBrake;
    HasOptions = true;
    UpdateLayout();
}

void TBrakeLog::SetBrkVersion(int version)
{
    brkVersion_ = version;
    UpdateLayout();
}

void TBrakeLog::SetBinkStyle(bool on)
{
    binkStyle_ = on;
    UpdateLayout();
}

int TBrakeLog::VersionItem(int version)
{
    switch (version) {
    case 701:
        return 0;
    case 703:
        return 1;
    case 716:
        return 2;
    default:
        return -1;
    }
}

int TBrakeLog::VersionOfItem(int item)
{
    switch (item) {
    case 1:
        return 703;
    case 2:
        return 716;
    default:
        return 701;
    }
}

void TBrakeLog::UpdateLayout()
{
    dateKnown_ = false;
    if (binkStyle_) {
        MsgCol = 24;
        DatePos = 3;  // "28 Mar"
        DateLen = 6;
        NoYearInLines = true;
    } else {
        MsgCol = brkVersion_ < 716 ? 25 : 28;
        DatePos = 1;  // "28/03/26"
        DateLen = 8;
        NoYearInLines = false;
    }
}

std::string_view TBrakeLog::Message(std::string_view line) const
{
    std::size_t at = static_cast<std::size_t>(MsgCol - 1);
    return at < line.size() ? line.substr(at) : std::string_view{};
}

// ------------------------------------------------------------------ highlighting

bool TBrakeLog::IsDateWord(int col, std::string_view)
{
    if (binkStyle_)
        return col == 2 || col == 5 || col == 9;
    return col == 0 || col == 9;
}

bool TBrakeLog::IsErrorWord(std::string_view word)
{
    std::string_view head = word.substr(0, 6);
    return head == "failed" || head == "Unable";
}

bool TBrakeLog::WordClass(std::string_view word, int col)
{
    if (binkStyle_ && col == 0)
        return false;  // the flag character
    if (col == kTagCol) {
        HlClass = hcSpecial;  // this word only
        return false;
    }
    if (!word.empty() && word[0] == kMarker)
        return false;
    if (word == "Ready," || word == "Done," || word == "Incoming" || word == "Outgoing" || word == "Session") {
        HlClass = hcInfo;
        return true;
    }
    if (brkVersion_ == 701) {
        if (word.size() >= 5 && word.substr(1, 4) == "-Sen") {
            HlClass = hcSent;
            return true;
        }
        if (word.size() >= 9 && word.substr(1, 8) == "-Receive") {
            HlClass = hcRecd;
            return true;
        }
    } else {
        if ((word.size() == 2 && word[1] == 'S') || word == "SE") {
            HlClass = hcSent;
            return true;
        }
        if ((word.size() == 2 && word[1] == 'R') || word == "RE") {
            HlClass = hcRecd;
            return true;
        }
    }
    HlClass = (word == "Human" || word == "Humman") ? hcSpecial : hcNormal;
    return true;
}

// ------------------------------------------------------------------ settings

void TBrakeLog::LoadFromReg(const TIniFile& ini, std::string_view section)
{
    TMailerLog::LoadFromReg(ini, section);
    long long version = ini.ReadInteger(section, "BrkVersion", 701);
    brkVersion_ = version >= std::numeric_limits<int>::min() && version <= std::numeric_limits<int>::max()
                      ? static_cast<int>(version)
                      : 701;
    binkStyle_ = ini.ReadBool(section, "BinkStyle", false);
    UpdateLayout();
}

void TBrakeLog::SaveToReg(TIniFile& ini, std::string_view section) const
{
    TMailerLog::SaveToReg(ini, section);
    ini.WriteInteger(section, "BrkVersion", brkVersion_);
    ini.WriteBool(section, "BinkStyle", binkStyle_);
}

void TBrakeLog::Reset()
{
    TMailerLog::Reset();
    dateKnown_ = false;
    pendingFreq_ = false;
    pendingName_.clear();
}

// ------------------------------------------------------------------ dates

TDateTime TBrakeLog::DateOfLine(std::string_view line)
{
    if (line.size() < 8)
        throw EConvertError("Line too short for a date: '" + std::string(line) + "'");
    if (binkStyle_)
        return EncodeDate(LineYear(), MonthFromName(line.substr(5, 3)), StampField(line, 2));
    std::string_view yy = line.substr(6, 2);
    if (yy[0] < '0' || yy[0] > '9' || yy[1] < '0' || yy[1] > '9')
        throw EConvertError("'" + std::string(yy) + "' is not a valid integer value");
    int year = TFDLog::ExpandYear((yy[0] - '0') * 10 + (yy[1] - '0'));
    return EncodeDate(year, StampField(line, 3), StampField(line, 0));
}

bool TBrakeLog::MonthDayOfLine(std::string_view line, int& month, int& day) const
{
    return binkStyle_ && DayAndMonthName(line, 2, 5, month, day);
}

TDateTime TBrakeLog::TimeOfLine(std::string_view line)
{
    if (line.size() < kStampEnd)
        throw EConvertError("Line too short for a time: '" + std::string(line) + "'");
    TDateTime date;
    if (!binkStyle_) {
        // Every session asks twice, and the sessions of a day share their date text:
        // the date of the last text read (the first 8 bytes) is kept.
        std::uint64_t key;
        std::memcpy(&key, line.data(), sizeof key);
        if (!dateKnown_ || key != dateKey_) {
            date_ = DateOfLine(line);
            dateKey_ = key;
            dateKnown_ = true;
        }
        date = date_;
    } else {
        date = DateOfLine(line);
    }
    return date + EncodeTime(StampField(line, kHourAt), StampField(line, kMinuteAt), StampField(line, kSecondAt), 0);
}

// ------------------------------------------------------------------ line parser

TFidoAddr TBrakeLog::LogAddr(std::string_view text) const
{
    if (brkVersion_ >= 716 && systems_.Count() > 0) {
        long i = systems_.IndexOf(text);
        if (i >= 0)
            return ParseAddr(systems_.ValueAt(static_cast<std::size_t>(i)));
    }
    return ParseAddr(text);
}

void TBrakeLog::CallAttempt(std::string_view line)
{
    // "Calling node 2:5020/52, try 1": the third word less its last character. The
    // previous dial address is forgotten first, so that a line whose address cannot
    // be read does not book the next session under the node called before.
    SetDialAddr(std::nullopt);
    std::string_view word = NthWord(Message(line), 3, ' ');
    if (word.size() < 2)
        return;  // no address: no call to count
    TFidoAddr addr = LogAddr(word.substr(0, word.size() - 1));
    SetDialAddr(addr);
    if (NodeStats)
        NodeStats->AddCall(addr);
}

void TBrakeLog::ReadSummary(std::string_view line, TSess& sess)
{
    // The words of the line between commas (runs of commas count as one), as far
    // as the summary needs them: one pass instead of one per word.
    constexpr char kComma = ',';
    const int k = binkStyle_ ? 2 : 3;
    const int filesAt = brkVersion_ >= 716 ? k + 2 : 4;
    std::string_view words[8];
    const std::size_t n = line.size();
    std::size_t i = 0;
    for (int w = 1; w <= filesAt + 1; ++w) {
        while (i < n && line[i] == kComma)
            ++i;
        if (i >= n)
            break;
        const void* at = std::memchr(line.data() + i, kComma, n - i);
        const std::size_t e = at ? static_cast<std::size_t>(static_cast<const char*>(at) - line.data()) : n;
        words[w] = line.substr(i, e - i);
        i = e;
    }
    if (brkVersion_ >= 716) {
        // A summary without an address word leaves the address unknown.
        std::string_view addr = TrimControls(words[k]);
        if (!sess.Addr && !addr.empty())
            sess.Addr = LogAddr(addr);
    }
    std::string_view files = TrimControls(words[filesAt]);
    std::string_view bytes = TrimControls(words[filesAt + 1]);
    TPair f = SplitPair(files, false);
    // The byte counts are written with blanks between groups of digits ("14 628").
    TPair b;
    const std::size_t slash = bytes.find('/');
    if (slash == std::string_view::npos || !TryCount(bytes.substr(0, slash), true, b.rcvd) ||
        !TryCount(bytes.substr(slash + 1), true, b.sent)) {
        // Not a pair of counts: read as it stands, which words the error.
        std::string text(bytes);
        std::erase(text, ' ');
        b = SplitPair(text, true);
    }
    sess.FilesRcvd = static_cast<int>(f.rcvd);
    sess.FilesSent = static_cast<int>(f.sent);
    sess.BytesRcvd = b.rcvd;
    sess.BytesSent = b.sent;
}

char TBrakeLog::MsgHead(std::string_view line) const
{
    const auto col = static_cast<std::size_t>(MsgCol - 1);
    return col < line.size() ? line[col] : '\0';
}

// A line is told by the first character of its message before any text is
// compared: it costs the compares of the texts that begin with its character.
void TBrakeLog::ParseMailerLine(std::string_view line)
{
    if (binkStyle_ && line.substr(std::min(kTagAt, line.size()), kTag.size()) != kTag)
        return;  // a line of another program

    const char head = MsgHead(line);
    TSess* open = State != 0 && SessionOpen() ? CurSess() : nullptr;
    if (open) {
        TSess& sess = *open;
        if (head == 'S' && MsgIs(line, "Session failed,")) {
            sess.Set(sfBad, true);
            EndSession(line);
        } else if (head == 'D' && MsgIs(line, "Done,")) {
            EndWithSummary(line, sess);
        } else if (sess.Has(sfOK) &&
                   ((head == 'T' && MsgIs(line, "Too low CPS")) || (head == 'C' && MsgIs(line, "Canceled by remote")) ||
                    HasLostOrTimedOut(line))) {
            // (A session that is no longer OK need not be searched.)
            sess.Set(sfOK, false);
        }
    }
    // A session that a line ends leaves State 0: the line is read as one between
    // sessions. Otherwise the session is still the one that was open, if any.
    StateStep(line, head, State != 0 ? open : nullptr);
}

void TBrakeLog::EndWithSummary(std::string_view line, TSess& sess)
{
    // A summary that cannot be read still ends its session: left open, the session
    // would swallow the lines of the sessions after it.
    std::exception_ptr error;
    try {
        ReadSummary(line, sess);
    } catch (...) {
        error = std::current_exception();
    }
    EndSession(line);
    if (error)
        std::rethrow_exception(error);
}

void TBrakeLog::StateStep(std::string_view line, char head, TSess* open)
{
    if (State == 0) {
        switch (head) {
        case 'I':
        case 'O': {
            const bool incoming = MsgIs(line, "Incoming");
            if (!incoming && !MsgIs(line, "Outgoing"))
                break;
            std::size_t at = FindText(line, "CONNECT");
            if (at == std::string_view::npos)
                return;
            StartSession(line, incoming);
            // A send line left pending by the session before belongs to that one.
            pendingFreq_ = false;
            std::size_t from = at + 7 + 1;
            CurSess()->SetConnect(from < line.size() ? line.substr(from) : std::string_view{});
            if (incoming)
                SetDialAddr(std::nullopt);
            break;
        }
        case 'C':
            if (MsgIs(line, "Calling")) {
                CallAttempt(line);
            } else if (MsgIs(line, "Connection timed out") && DialAddr()) {
                if (NodeStats)
                    NodeStats->AddResult(&*DialAddr(), 1);
            }
            break;
        case 'N':
            if (MsgIs(line, "Not connected")) {
                std::size_t cut = static_cast<std::size_t>(MsgCol) + 14;
                std::string_view result = cut < line.size() ? line.substr(cut) : std::string_view{};
                if (result == "BUSY") {
                    if (NodeStats)
                        NodeStats->AddResult(DialAddr() ? &*DialAddr() : nullptr, 0);
                } else if (result == "NO CARRIER" && DialAddr()) {
                    if (NodeStats)
                        NodeStats->AddResult(&*DialAddr(), 1);
                }
            }
            break;
        default:
            break;
        }
        return;
    }
    if (!open)
        return;
    TSess& sess = *open;
    switch (State) {
    case 1:
        if (MsgIs(line, "Session with")) {
            sess.Set(sfHuman, false);
            sess.Addr = ParseAddr(TrimControls(MsgAfter(line, "Session with")));
            State = 2;
        } else if (MsgIs(line, "Human") || MsgIs(line, "Humman")) {
            sess.Set(sfHuman, true);
            State = 10;
        } else if (MsgIs(line, "Mailer:")) {
            sess.Set(sfHuman, false);
            sess.Addr.reset();
            sess.Mailer = KeepText(MsgAfter(line, "Mailer:"));
            State = 3;
        } else if (MsgIs(line, "Password") && Contains(line, "not valid")) {
            sess.Set(sfBadPassword, true);
        }
        break;
    case 2:
        if (MsgIs(line, "Mailer:")) {
            sess.Mailer = KeepText(MsgAfter(line, "Mailer:"));
            State = 3;
        }
        break;
    case 3:
        if (MsgIs(line, "System:")) {
            sess.System = KeepText(MsgAfter(line, "System:"));
            State = 4;
        }
        break;
    case 4:
        if (MsgIs(line, " Sysop:")) {
            // "Ivan Petrov from Moscow": the name before the word "from".
            std::string_view value = MsgAfter(line, " Sysop:");
            std::string_view sysop;
            for (std::size_t at = value.find("from"); at != std::string_view::npos; at = value.find("from", at + 1)) {
                bool wordStart = at == 0 || value[at - 1] == ' ';
                bool wordEnd = at + 4 == value.size() || value[at + 4] == ' ';
                if (wordStart && wordEnd) {
                    sysop = at == 0 ? std::string_view{} : value.substr(0, at - 1);
                    break;
                }
            }
            sess.SysOp = KeepText(sysop);
            State = 5;
        }
        break;
    case 5:
        if (MsgIs(line, " Phone:")) {
            sess.Phone = KeepText(MsgAfter(line, " Phone:"));
            State = 6;
        }
        break;
    case 6:
        switch (head) {
        case 'P':
            if (MsgIs(line, "Password protected session"))
                sess.Set(sfPassword, true);
            break;
        case 'U':
            if (MsgIs(line, "Using") && HasText(line, "for transfer")) {
                sess.SetProtocol(FirstWord(MsgAfter(line, "Using")));
                if (Contains(line, "RH1 mode"))
                    sess.Protocol = prXHydra;
            }
            break;
        case 'S':
            if (MsgIs(line, "Sending FREQed files"))
                State = 7;
            break;
        default:
            break;
        }
        break;
    case 7:
        SendingFreqs(line, sess);
        break;
    case 10:
        if (MsgIs(line, "Calling") || MsgIs(line, "Answering")) {
            EndSession(line);
            if (MsgIs(line, "Calling"))
                CallAttempt(line);
        }
        break;
    default:
        break;
    }
}

void TBrakeLog::SendingFreqs(std::string_view line, TSess& sess)
{
    // Version 701 writes "Z-Send NAME, ..." and "Z-Sent NAME, ..."; later versions
    // "HS NAME, ..." and "SE NAME ...". The letter before them names the protocol.
    const std::size_t msg = static_cast<std::size_t>(MsgCol);  // 0-based: the second message character
    const bool v701 = brkVersion_ == 701;
    const std::string_view sendAt = line.size() > msg ? line.substr(msg) : std::string_view{};
    const bool send = v701 ? sendAt.starts_with("-Send") : sendAt.starts_with("S ");
    if (send) {
        const std::size_t marker = msg + (v701 ? 6 : 2);
        std::string_view rest = marker < line.size() ? line.substr(marker) : std::string_view{};
        pendingName_ = rest.substr(0, rest.find(','));
        pendingFreq_ = true;
        // A request needs its requester; a session whose address is unknown has none.
        if (sess.Addr && !TrimControls(pendingName_).empty())
            AddFreq(pendingName_, *sess.Addr);
        return;
    }
    const bool sent = v701 ? sendAt.starts_with("-Sent") : MsgIs(line, "SE ");
    if (sent && pendingFreq_) {
        pendingFreq_ = false;
        if (sess.Addr && !TrimControls(pendingName_).empty())
            FreqSent(pendingName_, "", *sess.Addr);
        return;
    }
    if (MsgIs(line, "Sending from"))
        return;
    pendingFreq_ = false;
}

// ------------------------------------------------------------------ configuration

void TBrakeLog::ReadConfig()
{
    tree_.clear();
    aliasNames_.clear();
    systems_.Clear();
    const bool systems = brkVersion_ >= 716;
    if (systems)
        ClearAliases();

    TQParser parser;
    parser.SetIncludesInSubdirs(true);
    parser.SetIncludeStr("#Include");
    parser.SetDefineStr("#Macro");
    parser.AddEnvDefines("#");
    parser.OnBeforeParse = [](std::string& line, TQParserAction& action) {
        // The mailer's configuration ends at its completion marker line.
        if (UpperCaseAscii(TrimControls(line).substr(0, 9)) == "COMPLETE.")
            action = qaStop;
    };
    parser.AddList("ALIAS", aliasNames_);
    parser.AddProc(
        "TREE", [this, &parser](const TQWords& words) { tree_ = parser.ResolvePath(words[1]); }, 2);
    parser.LastHandler().Validator = TQParser::CheckDirExists;
    if (systems) {
        auto system = [this, &parser](const TQWords& words) {
            if (words.size() < 3)
                return;  // a line without a name and an address names no system
            TFidoAddr addr;
            try {
                addr = TFidoAddr::CreateStr(words[2]);
            } catch (const EAddrError& e) {
                throw parser.LineError(e.what());  // shown with the file and the line
            }
            systems_.Add(words[1], words[2]);
            AddAlias(addr, words[1]);
        };
        parser.AddProc("OUT", system, 1);
        parser.AddProc("INOUT", system, 1);
    }
    parser.Parse(MakePath("brake!.ctl", MailerPath()));
    while (tree_.size() > 1 && (tree_.back() == '\\' || tree_.back() == '/'))
        tree_.pop_back();
}

std::string TBrakeLog::ResolveFreqName(std::string_view fileName)
{
    return FindFileInTree(fileName, tree_);
}

void RegisterBrakeLogStyle()
{
    RegisterLogStyle(lsBrake, [] { return std::unique_ptr<TLog>(std::make_unique<TBrakeLog>()); });
}

}  // namespace tarvix
