#include "engine/SFMailLog.h"

#include "engine/LogNumber.h"
#include "fido/LogUtils.h"
#include "fido/NVUtils.h"
#include "fido/ConfigParser.h"
#include "platform/HostPath.h"
#include "platform/Scan.h"
#include "platform/Text.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>

namespace tarvix {

namespace {

constexpr unsigned char kSeparatorByte = 0xC4;
// 0-based index where the date of a separator line starts.
constexpr std::size_t kSeparatorDateAt = 12;
constexpr int kMsgCol = 11;
// 0-based offsets within a line, from the message column.
constexpr std::size_t kMsgAt = kMsgCol - 1;
// The marker field at the start of every message ("(+) ", "(#) ", four blanks...).
constexpr std::size_t kMarkerLen = 4;
constexpr std::size_t kConnectAt = kMsgAt + 4;           // "CONNECT" after the marker field
constexpr std::size_t kConnectTextAt = kMsgAt + 11;      // the connect text
constexpr std::size_t kTransferAt = kMsgAt + 1;          // "Send-" / "Recv-" after one marker byte
// A requested file name: after the marker field, whether the line is indented by
// blanks or begins with the text of entry 1030 ("(#) NAME").
constexpr std::size_t kFreqNameAt = kMsgAt + 3;
constexpr std::size_t kSentPathAt = kMsgAt + 9;          // the path of a file being sent

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The message starts with the marker "(!)". Its "!" decides nearly every line.
bool IsErrorMarker(std::string_view line)
{
    return line.size() >= kMsgAt + 3 && line[kMsgAt + 1] == '!' && line[kMsgAt] == '(' && line[kMsgAt + 2] == ')';
}

// The line holds the literal text at offset at. A fixed length lets the compiler
// compare in place instead of calling memcmp.
template <std::size_t N>
bool At(std::string_view line, std::size_t at, const char (&text)[N])
{
    constexpr std::size_t n = N - 1;
    return line.size() >= at + n && std::memcmp(line.data() + at, text, n) == 0;
}



// The node status says "listed" and not "unlisted". One pass over the line: an
// "unlisted" anywhere wins over a "listed" before it.
bool SaysListed(std::string_view line)
{
    constexpr std::string_view kListed = "listed";
    bool listed = false;
    for (std::size_t at = line.find(kListed); at != std::string_view::npos; at = line.find(kListed, at + 1)) {
        if (at >= 2 && line[at - 2] == 'u' && line[at - 1] == 'n')
            return false;
        listed = true;
    }
    return listed;
}

std::string_view From(std::string_view line, std::size_t at)
{
    return at < line.size() ? line.substr(at) : std::string_view{};
}

// A byte count or rate with blanks around its digits, or no number: raises
// EConvertError for the latter.
[[gnu::noinline, gnu::cold]] std::int64_t ParseCountBlanks(std::string_view s)
{
    std::string_view t = TrimBlanks(s);
    std::int64_t v = 0;
    bool ok = !t.empty();
    for (char c : t) {
        if (!IsDigit(c) || v > (std::numeric_limits<std::int64_t>::max() - 9) / 10) {
            ok = false;
            break;
        }
        v = v * 10 + (c - '0');
    }
    if (!ok)
        throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
    return v;
}

// A byte count or rate: blanks around digits. Raises EConvertError otherwise.
std::int64_t ParseCount(std::string_view s)
{
    // Digits alone, the usual text, are read at once.
    std::int64_t v = 0;
    return AllDigits(s, v) ? v : ParseCountBlanks(s);
}


// The text without a trailing parenthesised part and the blank before it:
// "C:\FILES\A.ZIP (1024 bytes)" gives "C:\FILES\A.ZIP".
std::string_view WithoutParenTail(std::string_view s)
{
    if (s.empty() || s.back() != ')')
        return s;
    std::size_t open = FindLast(s, '(');
    if (open == std::string_view::npos)
        return s;
    s = s.substr(0, open);
    if (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

// Whether s has three comma-delimited words or more (runs of commas count as one),
// and the second of them; the words after the third are not looked at.
bool SecondOfThreeCommaWords(std::string_view s, std::string_view& second)
{
    std::size_t i = 0;
    auto skipCommas = [&s, &i] {
        while (i < s.size() && s[i] == ',')
            ++i;
        return i < s.size();
    };
    auto wordEnd = [&s, &i] {
        const std::size_t e = s.find(',', i);
        return e == std::string_view::npos ? s.size() : e;
    };
    if (!skipCommas())
        return false;
    i = wordEnd();
    if (!skipCommas())
        return false;
    const std::size_t start = i;
    i = wordEnd();
    second = s.substr(start, i - start);
    return skipCommas();
}

// A file name of the mailer's configuration against the mailer directory. A host
// path from the root (a configuration edited on this host) is taken as it is.
std::string MailerFile(std::string_view name, std::string_view mailerPath)
{
    if (!name.empty() && name.front() == '/')
        return std::string(name);
    return MakePath(name, mailerPath);
}

std::string NoFileText(const std::string& name)
{
    if (LngLoaded()) {
        try {
            return LFmtS("QParser.NoFile", {name});
        } catch (const Exception&) {
        }
    }
    return "QParser.NoFile " + name;
}

}  // namespace

const std::array<std::uint16_t, TSFMailLog::kMsgCount> TSFMailLog::kEntryNumbers = {
    1027, 1030, 1037, 1039, 1060, 1081, 1082, 1084, 1085, 1087, 1089, 1091,
    1094, 1115, 1125, 1135, 1153, 1155, 1157, 1158, 1159, 1160, 2012, 2032,
    2034, 2035, 2038, 2040};

TSFMailLog::TSFMailLog()
{
    Style = lsSFMail;
    DatePos = 1;
    DateLen = 0;  // the days come from the separator lines
    HasOptions = true;
    MsgCol = kMsgCol;
    IndexMsgs();  // no entries yet: they match nothing
}

TSFMailLog::~TSFMailLog() = default;

// --- highlighting ---

bool TSFMailLog::IsDateWord(int col, std::string_view word)
{
    return col == 0 && word.size() >= 3 && word[2] == ':';
}

bool TSFMailLog::IsErrorWord(std::string_view word) { return word == "(!)" || word == "(?)"; }

bool TSFMailLog::WordClass(std::string_view word, int)
{
    if ((!word.empty() && static_cast<unsigned char>(word[0]) == kSeparatorByte) || word == "(\x0F)" ||
        word == "(+)" || word == "(#)")
        HlClass = hcInfo;
    else if (word.size() >= 5 && word.substr(1, 4) == "Send")
        HlClass = hcSent;
    else if (word.size() >= 5 && word.substr(1, 4) == "Recv")
        HlClass = hcRecd;
    else if (!specialWord_.empty() && word == specialWord_)
        HlClass = hcSpecial;
    else
        HlClass = hcNormal;
    return true;
}

// --- days and times ---

void TSFMailLog::ParseLine(std::string_view line)
{
    if (line.empty() || static_cast<unsigned char>(line[0]) != kSeparatorByte)
        return;
    std::string_view rest = From(line, kSeparatorDateAt);
    std::string_view dayWord = FirstWord(rest, &rest);
    std::string_view monthWord = FirstWord(rest, &rest);
    std::string_view yearText = rest.substr(0, rest.find(','));
    const int day = ParseLogInt(dayWord);
    const int month = MonthFromName(monthWord);
    const int year = ParseLogInt(TrimBlanks(yearText));
    const TDateTime date = EncodeDate(year, month, day);
    if (date != curDate_) {
        NewDay(LineNo, date);
        curDate_ = date;
    }
}

TDateTime TSFMailLog::DateOfLine(std::string_view) { return curDate_; }

TDateTime TSFMailLog::TimeOfLine(std::string_view line)
{
    // The usual stamp, all digits, in one go; any other by the general reading.
    int hour = 0, min = 0, sec = 0;
    TDateTime time = 0;
    if (line.size() >= 8 && StampDigits(line.data(), hour, min, sec) && TryEncodeTime(hour, min, sec, 0, time))
        return curDate_ + time;
    return ReadTime(line);
}

TDateTime TSFMailLog::ReadTime(std::string_view line)
{
    if (line.size() < 8)
        throw EConvertError("Line too short for a time: '" + std::string(line) + "'");
    const int h = ParseLogInt(line.substr(0, 2));
    const int m = ParseLogInt(line.substr(3, 2));
    const int s = ParseLogInt(line.substr(6, 2));
    return curDate_ + EncodeTime(h, m, s, 0);
}

// --- settings ---

void TSFMailLog::Reset()
{
    TMailerLog::Reset();
    curDate_ = 0;
    callMode_ = cmNone;
    pendingSentPath_.clear();
    pendingSentNameAt_ = 0;
    lastStatsList_ = nullptr;
    lastStatsIndex_ = 0;
    lastCpsGiven_ = false;
    // Nothing of an earlier analysis may reach the first session of this one.
    PendingPhone.clear();
    SetDialAddr(std::nullopt);
}

void TSFMailLog::LoadFromReg(const TIniFile& ini, std::string_view section)
{
    TMailerLog::LoadFromReg(ini, section);
    CfgPath = ini.ReadString(section, "CfgPath", "");
}

void TSFMailLog::SaveToReg(TIniFile& ini, std::string_view section) const
{
    TMailerLog::SaveToReg(ini, section);
    ini.WriteString(section, "CfgPath", CfgPath);
}

void TSFMailLog::SetMailerPath(std::string_view path)
{
    if (path != MailerPath())
        lng_.reset();
    TMailerLog::SetMailerPath(path);
}

// --- the mailer's files ---

void TSFMailLog::LoadLng()
{
    if (lng_)
        return;
    auto lng = std::make_unique<TSFMailLng>(ToHostPath(MakePath("sf-mail.lng", MailerPath())));
    for (int i = 0; i < kMsgCount; ++i)
        cut_[static_cast<std::size_t>(i)] = lng->GetCut(kEntryNumbers[static_cast<std::size_t>(i)]);
    IndexMsgs();
    std::string_view rest;
    FirstWord(cut_[m1082], &rest);
    specialWord_ = FirstWord(rest);
    lng_ = std::move(lng);
}

void TSFMailLog::IndexMsgs()
{
    static_assert(kMsgCount <= TMsgIndex::kMaxTexts, "one bit per text in a 32-bit mask");
    static_assert(kMsgStart == kMsgAt);
    msgs_.Clear();
    shortMsgs_ = 0;
    for (std::size_t i = 0; i < kMsgCount; ++i) {
        const std::string& text = cut_[i];
        words_[i].Set(text);
        // Where MsgAfter finds the value: after the text and the blank that ends it
        // (one byte more for a text without one).
        valueAt_[i] = kMsgAt + text.size() + (text.empty() || text.back() != ' ' ? 1 : 0);
        if (text.empty())
            continue;  // matches nothing: no candidate
        if (text.size() >= kMarkerLen + 4)
            msgs_.Add(i, std::string_view(text).substr(kMarkerLen));
        else
            shortMsgs_ |= std::uint32_t{1} << i;
    }
}

std::uint32_t TSFMailLog::Candidates(std::string_view line) const
{
    constexpr std::size_t at = kMsgAt + kMarkerLen;
    return msgs_.Candidates(line.size() > at ? line.substr(at) : std::string_view()) | shortMsgs_;
}


std::string TSFMailLog::ConfigFileName() const
{
    if (!CfgPath.empty())
        return MailerFile(CfgPath, MailerPath());
    return MakePath("cfg\\sf-mail.cfg", MailerPath());
}

void TSFMailLog::ReadConfig()
{
    frAlias_ = "freq.als";
    TQParser parser;
    parser.SetIncludeStr("#include");
    parser.SetDefineStr("#define");
    // A line may start with a condition in parentheses ("(Mon-Fri) Fr_Alias x"):
    // the keyword is the word after it.
    parser.OnAfterParse = [](TQWords& words) {
        if (!words.empty() && !words[0].empty() && words[0][0] == '(')
            words.erase(words.begin());
        return true;
    };
    parser.AddStr("Fr_Alias", frAlias_);
    // The alias file is read against the mailer directory (below), so that is
    // where it must exist, whichever folder the line stands in.
    parser.LastHandler().Validator = [this](const TQWords& words, std::string& errorText) {
        const std::string name = words.size() >= 2 ? words[1] : std::string();
        std::error_code ec;
        if (!name.empty() && std::filesystem::is_regular_file(ToHostPath(MailerFile(name, MailerPath())), ec))
            return true;
        errorText = NoFileText(name);
        return false;
    };
    parser.Parse(ConfigFileName());
    ReadAliasFile(MailerFile(frAlias_, MailerPath()));
}

// --- the line parser ---

std::string_view TSFMailLog::Value(std::string_view line, Msg m) const
{
    const std::size_t at = valueAt_[static_cast<std::size_t>(m)];
    return at >= line.size() ? std::string_view{} : line.substr(at);
}

TSess& TSFMailLog::Sess() { return *CurSess(); }

TNodeStat* TSFMailLog::LastStats() const
{
    if (!lastStatsList_ || lastStatsIndex_ >= lastStatsList_->Count())
        return nullptr;
    return &lastStatsList_->GetItems(lastStatsIndex_);
}

void TSFMailLog::Close(std::string_view line)
{
    TNodeStatList* list = NodeStats;
    TNodeStat* stat = EndSession(line);
    lastStatsList_ = nullptr;
    lastStatsIndex_ = 0;
    if (stat && list)
        for (std::size_t i = 0; i < list->Count(); ++i)
            if (&list->GetItems(i) == stat) {
                lastStatsList_ = list;
                lastStatsIndex_ = i;
                break;
            }
    lastCpsGiven_ = false;
    pendingSentPath_.clear();
    pendingSentNameAt_ = 0;
}

void TSFMailLog::ParseMailerLine(std::string_view line)
{
    if (line.empty() || !IsDigit(line[0]))
        return;
    const std::uint32_t cand = Candidates(line);
    if (State != 0 && !SessionOpen())
        State = 0;  // no session to read into
    if (State != 0 && ((cand & kSessionEnds) != 0 || IsErrorMarker(line)))
        SessionEnd(line, cand);
    else
        Step(line, cand);
}

void TSFMailLog::Step(std::string_view line, std::uint32_t cand)
{
    // The states of the handshake go to a function each, and only for a line that
    // may be theirs.
    switch (State) {
    case 0:
        StepNoSession(line, cand);
        return;
    case ssSystem:
        if ((cand & (1u << m1084 | 1u << m1082)) != 0)
            StateSystem(line, cand);
        return;
    case ssAddress:
        if ((cand >> m1085 & 1u) != 0)
            StateAddress(line, cand);
        return;
    case ssSysOp:
        if ((cand >> m1087 & 1u) != 0)
            StateSysOp(line, cand);
        return;
    case ssPhone:
        if ((cand >> m1089 & 1u) != 0)
            StatePhone(line, cand);
        return;
    case ssMailer:
        if ((cand >> m1091 & 1u) != 0)
            StateMailer(line, cand);
        return;
    case ssTransfer:
        // The most frequent lines of a session.
        if (At(line, kTransferAt, "Send-"))
            ++Sess().FilesSent;
        else if (At(line, kTransferAt, "Recv-"))
            ++Sess().FilesRcvd;
        else if (Is(line, cand, m1027))
            State = ssFreqList;
        return;
    default:
        StepSession(line, cand);
        return;
    }
}

void TSFMailLog::SessionEnd(std::string_view line, std::uint32_t cand)
{
    if (Is(line, cand, m1157)) {
        Close(line);
    } else if (Is(line, cand, m1158) || Is(line, cand, m2038)) {
        Sess().Set(sfOK, false);
        Close(line);
    } else if (IsErrorMarker(line)) {
        if (Is(line, cand, m2035))
            Sess().Set(sfBad, true);
        Close(line);
    }
    // The line goes on to the state it leaves the parser in.
    Step(line, cand);
}

void TSFMailLog::StepNoSession(std::string_view line, std::uint32_t cand)
{
    // Most lines are none of the call and traffic lines: one test passes them by.
    if ((cand & kCallLines) != 0) {
        // A call comes in (a caller id of a call that never connected is dropped), is
        // placed, its result.
        if (Is(line, cand, m1060)) {
            NewCall(cmAnswer);
            return;
        }
        if (Is(line, cand, m1081)) {
            callMode_ = cmDial;
            CallPlaced(line);
            return;
        }
        if (Is(line, cand, m1153)) {
            NewCall(cmDial);
            return;
        }
        if (Is(line, cand, m2034)) {
            DialResult(0);
            return;
        }
        if (Is(line, cand, m2032)) {
            DialResult(1);
            return;
        }
        if (Is(line, cand, m1159)) {
            Traffic(line);
            return;
        }
        if (Is(line, cand, m1160)) {
            Rate(line);
            return;
        }
    }
    if (callMode_ != cmNone && At(line, kConnectAt, "CONNECT"))
        Connected(line);
    else if (callMode_ == cmAnswer && At(line, kMsgAt, "    CALLER"))
        CallerId(line);
    else
        callMode_ = cmNone;
}

void TSFMailLog::Connected(std::string_view line)
{
    StartSession(line, callMode_ == cmAnswer);
    // The session starts with the line that announced the call.
    if (LineNo > 1)
        Sess().StartLine = LineNo - 1;
    Sess().SetConnect(From(line, kConnectTextAt));
    callMode_ = cmNone;
}

void TSFMailLog::CallerId(std::string_view line)
{
    // "    CALLER ID: 1234567": the number follows the first ":" after the word.
    std::size_t colon = line.find(':', kMsgAt + 10);
    if (colon != std::string_view::npos) {
        std::string_view phone = TrimBlanks(line.substr(colon + 1));
        if (!phone.empty() && phone != "?")
            PendingPhone = phone;
    }
}

void TSFMailLog::NewCall(int mode)
{
    SetDialAddr(std::nullopt);
    PendingPhone.clear();
    callMode_ = mode;
}

void TSFMailLog::DialResult(int result)
{
    if (DialAddr() && NodeStats)
        NodeStats->AddResult(&*DialAddr(), result);
}

void TSFMailLog::CallPlaced(std::string_view line)
{
    // A call to a new address: an earlier one (busy, no answer) no longer counts,
    // nor does a caller id read before it.
    SetDialAddr(std::nullopt);
    PendingPhone.clear();
    // "Calling <system>, <address>, <phone>" or "Calling <address>[, ...]".
    std::string_view second;
    const bool three = SecondOfThreeCommaWords(line, second);
    std::string_view text;
    if (three) {
        text = TrimBlanks(second);
    } else {
        std::string_view value = Value(line, m1081);
        text = TrimBlanks(value.substr(0, value.find(',')));
    }
    if (text.empty())
        return;
    TFidoAddr addr = TFidoAddr::CreateStr(text);
    SetDialAddr(addr);
    if (NodeStats)
        NodeStats->AddCall(addr);
}

void TSFMailLog::Traffic(std::string_view line)
{
    TSess* s = CurSess();
    if (!s || SessionOpen())
        return;
    std::string_view value = Value(line, m1159);
    // "23820/5745, files 1/1": SF-Mail's own form is read in one pass, any other by
    // the general reading.
    std::int64_t sent = 0, rcvd = 0;
    const char* p = value.data();
    const char* end = p + value.size();
    if (DigitRun(p, end, sent) == 0 || p == end || *p != '/' || DigitRun(++p, end, rcvd) == 0 ||
        (p != end && *p != ',')) {
        std::size_t slash = value.find('/');
        std::string_view sentText = value.substr(0, slash);
        std::string_view rcvdText = slash == std::string_view::npos ? std::string_view{} : value.substr(slash + 1);
        rcvdText = rcvdText.substr(0, rcvdText.find(','));
        sent = ParseCount(sentText);
        rcvd = ParseCount(rcvdText);
    }
    // The amounts replace earlier ones; the statistics take the difference, so that
    // a repeated traffic line counts the session's bytes once.
    const std::int64_t addSent = sent - s->BytesSent;
    const std::int64_t addRcvd = rcvd - s->BytesRcvd;
    s->BytesSent = sent;
    s->BytesRcvd = rcvd;
    // The session ended before its bytes were known: its rate is derived now, as the
    // end of a session does, unless the log gives it.
    if (!lastCpsGiven_) {
        const std::int64_t length = s->SessLength();
        s->CPS = length > 0 ? std::max(sent / length, rcvd / length) : 0;
    }
    if (TNodeStat* stat = LastStats()) {
        AddCount(stat->BytesSent, addSent);
        AddCount(stat->BytesRcvd, addRcvd);
        stat->UpdateCPS();
        AddCount(lastStatsList_->Total.BytesSent, addSent);
        AddCount(lastStatsList_->Total.BytesRcvd, addRcvd);
    }
}

void TSFMailLog::Rate(std::string_view line)
{
    TSess* s = CurSess();
    if (!s || SessionOpen())
        return;
    // "Average cps: 1234"; a unit after the number is allowed. Digits that end the
    // value or stand before a blank are the first word as it is.
    const std::string_view value = Value(line, m1160);
    const char* p = value.data();
    const char* end = p + value.size();
    std::int64_t cps = 0;
    if (DigitRun(p, end, cps) != 0 && (p == end || *p == ' ' || *p == '\t'))
        s->CPS = cps;
    else
        s->CPS = ParseCount(FirstWord(value));
    lastCpsGiven_ = true;
}

void TSFMailLog::StateSystem(std::string_view line, std::uint32_t cand)
{
    if (Is(line, cand, m1084)) {
        Sess().System = KeepText(StripParenTail(TrimBlanks(Value(line, m1084))));
        State = ssAddress;
    } else if (Is(line, cand, m1082)) {
        Sess().Set(sfHuman, true);
        State = ssHuman;
    }
}

void TSFMailLog::StateAddress(std::string_view line, std::uint32_t cand)
{
    if (!Is(line, cand, m1085))
        return;
    // The main address: the first of the addresses the remote presents.
    std::string_view value = TrimBlanks(Value(line, m1085));
    std::string_view first = value.substr(0, FindBlankOr(value, ',', 0, value.size()));
    if (!first.empty())
        Sess().Addr = TFidoAddr::CreateStr(first);
    State = ssSysOp;
}

void TSFMailLog::StateSysOp(std::string_view line, std::uint32_t cand)
{
    if (Is(line, cand, m1087)) {
        Sess().SysOp = KeepText(TrimBlanks(Value(line, m1087)));
        State = ssPhone;
    }
}

void TSFMailLog::StatePhone(std::string_view line, std::uint32_t cand)
{
    if (Is(line, cand, m1089)) {
        TSess& s = Sess();
        if (s.Phone.empty())
            s.Phone = KeepText(TrimBlanks(Value(line, m1089)));
        State = ssMailer;
    }
}

void TSFMailLog::StateMailer(std::string_view line, std::uint32_t cand)
{
    if (Is(line, cand, m1091)) {
        Sess().Mailer = KeepText(TrimBlanks(Value(line, m1091)));
        State = ssPassword;
    }
}

void TSFMailLog::StepSession(std::string_view line, std::uint32_t cand)
{
    // The lines are told apart here, without a call; a line that changes more than
    // a flag goes on to a function of its own.
    switch (State) {
    case ssPassword:
        if (Is(line, cand, m1094))
            Sess().Set(sfPassword, true);
        else if (Is(line, cand, m2040))
            Sess().Set(sfBadPassword, true);
        else if (Is(line, cand, m1037))
            NodeStatus(line);
        break;
    case ssProtocol:
        if (Is(line, cand, m1155))
            ProtocolLine(line);
        else if (Is(line, cand, m1039))
            Sess().Set(sfMailOnly, true);
        break;
    case ssFreqList:
        if (Is(line, cand, m2012))
            State = ssTransfer;
        else if (Is(line, cand, m1030)) {
            // The first file found is a request too; the files are sent next.
            RequestedFile(line);
            State = ssFreqSend;
        } else {
            RequestedFile(line);
        }
        break;
    case ssFreqSend:
        if (At(line, kTransferAt, "Send-"))
            RequestedFileSending(line);
        else if (At(line, kTransferAt, "Recv-"))
            ++Sess().FilesRcvd;
        else if (Is(line, cand, m1125) || Is(line, cand, m1135))
            RequestedFileSent();
        break;
    case ssHuman:
        if (Is(line, cand, m1115))
            Close(line);
        break;
    default:
        break;
    }
}

void TSFMailLog::NodeStatus(std::string_view line)
{
    if (!SaysListed(line))
        Sess().Set(sfListed, false);
    State = ssProtocol;
}

void TSFMailLog::ProtocolLine(std::string_view line)
{
    Sess().SetProtocol(TrimBlanks(Value(line, m1155)));
    State = ssTransfer;
}

void TSFMailLog::RequestedFile(std::string_view line)
{
    if (const TSess& s = Sess(); s.Addr)
        AddFreq(From(line, kFreqNameAt), *s.Addr);
}

void TSFMailLog::RequestedFileSending(std::string_view line)
{
    ++Sess().FilesSent;
    std::string_view path = WithoutParenTail(TrimBlanks(From(line, kSentPathAt)));
    pendingSentPath_ = path;
    std::size_t slash = FindLast(path, '\\');
    pendingSentNameAt_ = slash == std::string_view::npos ? 0 : slash + 1;
}

void TSFMailLog::RequestedFileSent()
{
    // The file of the last "Send-" line has gone; it is booked once, at the line
    // before the confirmation.
    const TSess& s = Sess();
    const std::string_view name = std::string_view(pendingSentPath_).substr(pendingSentNameAt_);
    if (s.Addr && !TrimControls(name).empty()) {
        const std::int64_t lineNo = LineNo;
        if (LineNo > 1)
            LineNo = LineNo - 1;
        FreqSent(name, pendingSentPath_, *s.Addr);
        LineNo = lineNo;
    }
    pendingSentPath_.clear();
    pendingSentNameAt_ = 0;
}

void RegisterSFMailLogStyle()
{
    RegisterLogStyle(lsSFMail, [] { return std::unique_ptr<TLog>(std::make_unique<TSFMailLog>()); });
}

}  // namespace tarvix
