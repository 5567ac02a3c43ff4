#include "engine/BinkPLog.h"

#include "engine/LogNumber.h"
#include "fido/LogUtils.h"
#include "fido/NVUtils.h"
#include "fido/ConfigParser.h"
#include "platform/FileRead.h"
#include "platform/HostPath.h"
#include "platform/Scan.h"
#include "platform/Text.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace tarvix {

namespace {

// 0-based offsets of the fixed parts of a line.
constexpr std::size_t kDayAt = 2, kMonthAt = 5, kMonthLen = 3;
constexpr std::size_t kHourAt = 9, kMinuteAt = 12, kSecondAt = 15, kTimeEnd = 17;
constexpr std::size_t kTagAt = 18;
constexpr int kProgramCol = 18;
constexpr int kMessageCol = 24;
constexpr std::size_t kMsgAt = kMessageCol - 1;
// The longest protocol text handed on.
constexpr std::size_t kMaxProtocol = 255;

// The line holds the literal text at offset at. A fixed length lets the compiler
// compare in place instead of calling memcmp.
template <std::size_t N>
bool At(std::string_view line, std::size_t at, const char (&text)[N])
{
    constexpr std::size_t n = N - 1;
    return line.size() >= at + n && std::memcmp(line.data() + at, text, n) == 0;
}


// States of a session.
constexpr int kWaitSystem = 1, kWaitMailer = 2, kWaitSysOp = 3, kHandshake = 4, kTransfers = 5;
constexpr int kFailed = 100;

// Entries of binkley.lng (0-based).
enum : int {
    lnHuman = 16, lnPhone = 71, lnSysOp = 75, lnAddrList = 100, lnHandshakeBad = 102, lnPassword = 103,
    lnBadPassword = 104, lnProtocol = 109, lnSessionEnd = 110, lnTerminal = 126, lnVisitor = 127,
    lnMailer = 142, lnCalling = 183, lnRecdMark = 241, lnSentPath = 242, lnByteCount = 251,
    lnRequest = 255, lnCarrierLost = 273, lnFileRcvd = 293, lnTransferBad = 304, lnFileSent = 305,
    lnInfo352 = 352, lnInfo353 = 353, lnJanuary = 365
};

// Month abbreviations used until a language file gives its own (and for the months
// it leaves empty).
const std::array<std::string, 12> kEnglishMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Byte counts beyond a terabyte are no transfer of a mailer; a session's sums stop
// there too, so that the day totals of any log stay far from overflowing.
constexpr std::int64_t kMaxBytes = std::int64_t{1} << 40;

// A byte count of a log line: decimal digits, at most kMaxBytes. Raises EConvertError.
std::int64_t ParseByteCount(std::string_view s)
{
    std::int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
        v = v * 10 + (c - '0');
        if (v > kMaxBytes)
            throw EConvertError("'" + std::string(s) + "' is not a valid byte count");
    }
    if (s.empty())
        throw EConvertError("'' is not a valid integer value");
    return v;
}

// The byte count at the start of a text, up to its first blank (ParseByteCount).
[[gnu::noinline, gnu::cold]] std::int64_t CountAfter(std::string_view text)
{
    return ParseByteCount(text.substr(0, text.find(' ')));
}

// The value of a define line: the line from its third word on, comment cut off and
// blanks at both ends removed; for a line with quoted words, the words themselves.
std::string DefineValue(const TQParser& parser, const TQWords& words)
{
    std::string_view line = parser.CurrentLineText();
    std::string value;
    if (line.find('"') == std::string_view::npos) {
        if (!parser.CommentStr().empty()) {
            std::size_t c = line.find(parser.CommentStr());
            if (c != std::string_view::npos)
                line = line.substr(0, c);
        }
        std::string_view rest;
        FirstWord(line, &rest);   // the directive
        FirstWord(rest, &rest);   // the name
        value = TrimBlanks(rest);
    } else {
        for (std::size_t k = 2; k < words.size(); ++k)
            value += (k > 2 ? " " : "") + words[k];
    }
    if (value.size() > TQParser::kMaxDefineValue)
        value.resize(TQParser::kMaxDefineValue);
    return value;
}

}  // namespace

TBinkPLog::TBinkPLog() : months_(kEnglishMonths)
{
    Style = lsBinkPlus;
    DatePos = 3;
    DateLen = 6;
    MsgCol = kMessageCol;
    NoYearInLines = true;
    KeyMonths();
}

TBinkPLog::~TBinkPLog() = default;

void TBinkPLog::SetMailerPath(std::string_view path)
{
    if (path != MailerPath())
        lng_.reset();
    TMailerLog::SetMailerPath(path);
}

void TBinkPLog::Reset()
{
    TMailerLog::Reset();
    dialling_ = false;
    sending_ = false;
    endPending_ = false;
}

bool TBinkPLog::IsDateWord(int col, std::string_view)
{
    return col == static_cast<int>(kDayAt) || col == static_cast<int>(kMonthAt) || col == static_cast<int>(kHourAt);
}

bool TBinkPLog::IsErrorWord(std::string_view word) { return word == "!"; }

bool TBinkPLog::WordClass(std::string_view word, int col)
{
    if (col == 0)
        return false;
    if (col == kProgramCol) {
        HlClass = hcSpecial;
        return false;
    }
    if ((!infoWord100_.empty() && word.substr(0, 6) == infoWord100_) || word == "Connect" ||
        IsText(word, infoWord352_) || IsText(word, infoWord353_))
        HlClass = hcInfo;
    else if (IsText(word, sentWord_) || StartsWithText(word, sentPath_))
        HlClass = hcSent;
    else if (IsText(word, recdWord_) || StartsWithText(word, recdMark_))
        HlClass = hcRecd;
    else if (IsText(word, humanWord16_) || IsText(word, humanWord127_))
        HlClass = hcSpecial;
    else
        HlClass = hcNormal;
    return true;
}

TDateTime TBinkPLog::DateOfLine(std::string_view line)
{
    if (line.size() < kMonthAt + kMonthLen)
        throw EConvertError("Line too short for a date: '" + std::string(line) + "'");
    int day = ParseLogInt(line.substr(kDayAt, 2));
    int month = MonthOfLine(line);
    return EncodeDate(LineYear(), month, day);
}

bool TBinkPLog::MonthDayOfLine(std::string_view line, int& month, int& day) const
{
    if (line.size() < kMonthAt + kMonthLen || !TryParseLogInt(line.substr(kDayAt, 2), day))
        return false;
    const std::string_view name = line.substr(kMonthAt, kMonthLen);
    for (std::size_t m = 0; m < months_.size(); ++m)
        if (months_[m] == name) {
            month = static_cast<int>(m) + 1;
            return true;
        }
    return false;
}

namespace {

// Three letters as one number; the fourth byte marks it as such, so that 0 is no key.
std::uint32_t MonthKey(const char* p)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(p[0])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(p[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(p[2])) << 16 | std::uint32_t{1} << 24;
}

}  // namespace

void TBinkPLog::KeyMonths()
{
    for (std::size_t m = 0; m < months_.size(); ++m)
        monthKeys_[m] = months_[m].size() == kMonthLen ? MonthKey(months_[m].data()) : 0;
}

int TBinkPLog::MonthOfLine(std::string_view line) const
{
    const std::uint32_t key = MonthKey(line.data() + kMonthAt);
    for (std::size_t m = 0; m < monthKeys_.size(); ++m)
        if (monthKeys_[m] == key)
            return static_cast<int>(m) + 1;
    // No name matches: the same error as for any other log.
    return MonthFromNameIn(line.substr(kMonthAt, kMonthLen), months_);
}

TDateTime TBinkPLog::TimeOfLine(std::string_view line)
{
    if (line.size() < kTimeEnd)
        throw EConvertError("Line too short for a time: '" + std::string(line) + "'");
    TDateTime date = DateOfLine(line);
    int h = ParseLogInt(line.substr(kHourAt, 2));
    int m = ParseLogInt(line.substr(kMinuteAt, 2));
    int s = ParseLogInt(line.substr(kSecondAt, 2));
    return date + EncodeTime(h, m, s, 0);
}

void TBinkPLog::LoadLng()
{
    if (lng_)
        return;
    auto lng = std::make_unique<TBinkLng>(ToHostPath(MakePath("binkley.lng", MailerPath())));
    auto cut = [&lng](int n) { return lng->GetCut(n); };
    auto firstWord = [&lng](int n) { return std::string(NthWord(lng->GetCut(n), 1)); };

    human_ = cut(lnHuman);
    phone_ = cut(lnPhone);
    sysop_ = cut(lnSysOp);
    addrList_ = cut(lnAddrList);
    handshakeBad_ = cut(lnHandshakeBad);
    password_ = cut(lnPassword);
    badPassword_ = cut(lnBadPassword);
    sessionEnd_ = cut(lnSessionEnd);
    terminal_ = cut(lnTerminal);
    visitor_ = cut(lnVisitor);
    mailer_ = cut(lnMailer);
    calling_ = cut(lnCalling);
    recdMark_ = cut(lnRecdMark);
    sentPath_ = cut(lnSentPath);
    byteCount_ = cut(lnByteCount);
    request_ = cut(lnRequest);
    fileRcvd_ = cut(lnFileRcvd);
    transferBad_ = cut(lnTransferBad);
    fileSent_ = cut(lnFileSent);

    carrierLost_ = lng->GetStr(lnCarrierLost);
    sysopSep_ = NthWord(lng->GetStr(lnSysOp), 3);
    protoMarker_ = NthWord(lng->GetStr(lnProtocol), 2);
    infoWord100_ = firstWord(lnAddrList);
    infoWord352_ = firstWord(lnInfo352);
    infoWord353_ = firstWord(lnInfo353);
    sentWord_ = firstWord(lnFileSent);
    recdWord_ = firstWord(lnFileRcvd);
    humanWord16_ = firstWord(lnHuman);
    humanWord127_ = firstWord(lnVisitor);

    for (int m = 0; m < 12; ++m) {
        std::string name = lng->GetStr(lnJanuary + m).substr(0, 3);
        months_[static_cast<std::size_t>(m)] = name.empty() ? kEnglishMonths[static_cast<std::size_t>(m)] : name;
    }
    KeyMonths();
    IndexEntries();
    lng_ = std::move(lng);
}

const std::array<std::string TBinkPLog::*, TBinkPLog::kEntryCount> TBinkPLog::kEntryTexts = {
    &TBinkPLog::human_,     &TBinkPLog::phone_,       &TBinkPLog::sysop_,       &TBinkPLog::addrList_,
    &TBinkPLog::handshakeBad_, &TBinkPLog::password_, &TBinkPLog::badPassword_, &TBinkPLog::sessionEnd_,
    &TBinkPLog::terminal_,  &TBinkPLog::visitor_,     &TBinkPLog::mailer_,      &TBinkPLog::calling_,
    &TBinkPLog::sentPath_,  &TBinkPLog::byteCount_,   &TBinkPLog::request_,     &TBinkPLog::fileRcvd_,
    &TBinkPLog::transferBad_, &TBinkPLog::fileSent_,  &TBinkPLog::carrierLost_};

void TBinkPLog::IndexEntries()
{
    static_assert(kEntryCount <= TMsgIndex::kMaxTexts, "one bit per text in a 32-bit mask");
    static_assert(kMsgStart == kMsgAt);
    msgs_.Clear();
    for (std::size_t i = 0; i < kEntryCount; ++i) {
        const std::string& text = this->*kEntryTexts[i];
        msgs_.Add(i, text);
        words_[i].Set(text);
    }
}

std::uint32_t TBinkPLog::Candidates(std::string_view line) const
{
    return msgs_.Candidates(line.size() > kMsgAt ? line.substr(kMsgAt) : std::string_view());
}

bool TBinkPLog::FullMatch(std::string_view line, Entry e) const
{
    const std::string_view msg = line.size() > kMsgAt ? line.substr(kMsgAt) : std::string_view();
    return msgs_.Begins(msg, static_cast<std::size_t>(e));
}

void TBinkPLog::ReadConfig()
{
    okFile_.clear();
    about_.clear();
    avail_.clear();
    {
        TQParser parser;
        parser.AddEnvDefines("%");
        parser.OnDefine = [&parser](const TQWords& words) {
            if (words.size() < 3)
                return;
            parser.Defines().Add("%" + words[1] + "%", DefineValue(parser, words));
        };
        parser.AddStr("OkFile", okFile_);
        parser.LastHandler().Validator = TQParser::CheckFileExists;
        parser.AddStr("About", about_);
        parser.AddStr("Avail", avail_);
        parser.Parse(MakePath("binkley.cfg", MailerPath()));
    }
    if (!about_.empty())
        AddFreqAlias("ABOUT", about_);
    if (!avail_.empty())
        AddFreqAlias("FILES", avail_);
    if (!okFile_.empty())
        ReadOkFile(MakePath(okFile_, MailerPath()));
}

void TBinkPLog::ReadOkFile(const std::string& fileName)
{
    std::string text = ReadWholeFile(ToHostPath(fileName));
    ForEachLine(text, [this](std::string_view raw) {
        std::string_view line = raw;
        while (!line.empty() && line.front() == ' ')
            line.remove_prefix(1);
        if (line.empty() || line.front() != '@')
            return;
        line.remove_prefix(1);
        std::string_view alias = NthWord(line, 1);
        std::string_view target = NthWord(line, 2);
        if (!alias.empty() && !target.empty())
            AddFreqAlias(alias, target);
    });
}

void TBinkPLog::ParseMailerLine(std::string_view line)
{
    if (!At(line, kTagAt, "BINK"))
        return;
    const std::uint32_t cand = Candidates(line);
    if (State != 0 && !SessionOpen())
        State = 0;
    if (State == 0) {
        ParseNoSession(line, cand);
        return;
    }
    if ((cand & kSessionEvents) != 0 || endPending_)
        SessionEvent(line, cand);
    else
        SessionStep(line, cand);
}

void TBinkPLog::SessionEvent(std::string_view line, std::uint32_t cand)
{
    // Only called in a session: CurSess() is the open one.
    TSess& sess = *CurSess();
    const bool lost = Begins(line, cand, eCarrierLost);
    if ((Begins(line, cand, eSessionEnd) && line.find("EMSI") != std::string_view::npos) || lost || endPending_) {
        endPending_ = false;
        if (lost) {
            sess.Set(sfOK, false);
            if (!sess.Addr)
                sess.Set(sfBad, true);
        }
        EndSession(line);
        return;
    }
    if (Begins(line, cand, eHandshakeBad)) {
        if (!sess.Addr)
            sess.Set(sfBad, true);
        sess.Set(sfOK, false);
        State = kFailed;
    } else if (Begins(line, cand, eTransferBad)) {
        sess.Set(sfOK, false);
    } else if (Begins(line, cand, eHuman) || Begins(line, cand, eTerminal) || Begins(line, cand, eVisitor)) {
        sess.Set(sfHuman, true);
        endPending_ = true;
    }
    // The session goes on: the line may be one of its state too.
    SessionStep(line, cand);
}

void TBinkPLog::ParseNoSession(std::string_view line, std::uint32_t cand)
{
    if (Begins(line, cand, eCalling)) {
        OnCalling(line);
        return;
    }
    const bool busy = At(line, kMsgAt, "Busy");
    if (busy || At(line, kMsgAt, "No Carrier")) {
        if (DialAddr()) {
            if (NodeStats)
                NodeStats->AddResult(&*DialAddr(), busy ? 0 : 1);
            SetDialAddr(std::nullopt);
        }
        dialling_ = false;  // the call is over
        return;
    }
    if (At(line, kMsgAt, "Connect") && line.find('/') != std::string_view::npos) {
        StartSession(line, !dialling_);
        dialling_ = false;
        CurSess()->SetConnect(MsgAfter(line, "Connect"));
        return;
    }
    dialling_ = false;
    SetDialAddr(std::nullopt);
}

void TBinkPLog::OnCalling(std::string_view line)
{
    dialling_ = true;
    SetDialAddr(std::nullopt);
    std::size_t open = line.find('(');
    if (open == std::string_view::npos)
        return;  // no address to count
    std::string_view rest = TrimControls(line.substr(open + 1));
    if (!rest.empty())
        rest.remove_suffix(1);
    if (!rest.empty() && rest.front() == '#')
        return;  // a number dialled as such: no node to count
    TFidoAddr addr = TFidoAddr::CreateStr(TrimBlanks(rest));
    SetDialAddr(addr);
    if (NodeStats)
        NodeStats->AddCall(addr);
}

void TBinkPLog::SessionStep(std::string_view line, std::uint32_t cand)
{
    // Each state hands on only a line that may be its own, to a function of its own.
    switch (State) {
    case kWaitSystem:
        // "System name (zone:net/node)"; a line without "(" is not the system line.
        if (line.back() == ')')
            OnSystem(line, cand);
        return;
    case kWaitMailer:
        if ((cand >> eMailer & 1u) != 0)
            OnMailer(line);
        return;
    case kWaitSysOp:
        if ((cand >> eSysOp & 1u) != 0)
            OnSysOp(line);
        return;
    case kHandshake:
        OnHandshake(line, cand);
        return;
    case kTransfers:
        // Most lines of a session: one test for those that are no transfer line.
        if ((cand & kTransferLines) != 0)
            OnTransfer(line, cand);
        return;
    default:
        return;  // kFailed: the session waits for its end
    }
}

void TBinkPLog::OnTransfer(std::string_view line, std::uint32_t cand)
{
    if (Begins(line, cand, eRequest)) {
        TSess& sess = *CurSess();
        std::string_view name = MsgAfter(line, request_);
        if (sess.Addr && !TrimControls(name).empty())
            AddFreq(name, *sess.Addr);
    } else if (Begins(line, cand, eFileRcvd)) {
        ++CurSess()->FilesRcvd;
        sending_ = false;
    } else if (Begins(line, cand, eFileSent)) {
        ++CurSess()->FilesSent;
        sending_ = true;
    } else if (Begins(line, cand, eByteCount)) {
        OnByteCount(line);
    } else if (Begins(line, cand, eSentPath)) {
        OnSentPath(line);
    }
}

void TBinkPLog::OnMailer(std::string_view line)
{
    if (Matches(line, eMailer)) {
        CurSess()->Mailer = KeepText(MsgAfter(line, mailer_));
        State = kWaitSysOp;
    }
}

void TBinkPLog::OnSystem(std::string_view line, std::uint32_t cand)
{
    if (Begins(line, cand, eAddrList))
        return;  // ends with ")" too
    const std::size_t msgAt = static_cast<std::size_t>(MsgCol - 1);
    const std::string_view msg = line.size() > msgAt ? line.substr(msgAt) : std::string_view{};
    std::size_t open = FindLast(msg, '(');
    if (open == std::string_view::npos)
        return;
    std::string_view addrText = msg.substr(open + 1);
    addrText.remove_suffix(1);
    TFidoAddr addr = TFidoAddr::CreateStr(addrText);
    TSess& sess = *CurSess();
    sess.System = KeepText(open > 0 ? msg.substr(0, open - 1) : std::string_view{});
    sess.Addr = addr;
    sess.Set(sfHuman, false);
    State = kWaitMailer;
}

void TBinkPLog::OnSysOp(std::string_view line)
{
    if (!Matches(line, eSysOp))
        return;
    // "Name <separator> place": the name ends before the blank in front of the
    // separator word.
    std::string_view value = MsgAfter(line, sysop_);
    std::string_view name = value;
    if (!sysopSep_.empty()) {
        for (std::size_t at = value.find(sysopSep_); at != std::string_view::npos;
             at = value.find(sysopSep_, at + 1)) {
            std::size_t end = at + sysopSep_.size();
            if (at > 0 && value[at - 1] == ' ' && (end == value.size() || value[end] == ' ')) {
                name = value.substr(0, at - 1);
                break;
            }
        }
    }
    CurSess()->SysOp = KeepText(name);
    State = kHandshake;
}

void TBinkPLog::OnHandshake(std::string_view line, std::uint32_t cand)
{
    TSess& sess = *CurSess();
    if (Begins(line, cand, ePhone)) {
        sess.Phone = KeepText(MsgAfter(line, phone_));
    } else if (Begins(line, cand, ePassword)) {
        sess.Set(sfPassword, true);
    } else if (Begins(line, cand, eBadPassword)) {
        sess.Set(sfBadPassword, true);
    } else if (!protoMarker_.empty()) {
        std::size_t at = line.find(protoMarker_);
        if (at == std::string_view::npos)
            return;
        std::size_t from = at + protoMarker_.size() + 1;
        sess.SetProtocol(from < line.size() ? line.substr(from, kMaxProtocol) : std::string_view{});
        State = kTransfers;
    }
}

void TBinkPLog::OnByteCount(std::string_view line)
{
    // "... (<bytes> ...": the count runs from behind the first "(" to the next blank.
    std::size_t open = line.find('(');
    if (open == std::string_view::npos)
        return;
    // Up to 13 digits (no overflow of the sum below) ending in a blank or at the end
    // are read here; anything else goes to ParseByteCount for its error.
    const char* const from = line.data() + open + 1;
    const char* const end = from + std::min<std::size_t>(line.size() - open - 1, 13);
    const char* p = from;
    std::int64_t bytes = 0;
    while (p != end && static_cast<unsigned char>(*p - '0') < 10)
        bytes = bytes * 10 + (*p++ - '0');
    if (p == from || bytes > kMaxBytes || (p != line.data() + line.size() && *p != ' '))
        bytes = CountAfter(line.substr(open + 1));
    TSess& sess = *CurSess();
    std::int64_t& sum = sending_ ? sess.BytesSent : sess.BytesRcvd;
    sum = std::min(sum + bytes, kMaxBytes);
}

void TBinkPLog::OnSentPath(std::string_view line)
{
    // "<word> <path>": the path starts after the first blank behind the message's
    // first character.
    std::size_t blank = line.find(' ', static_cast<std::size_t>(MsgCol));
    if (blank == std::string_view::npos)
        return;
    std::string_view path = TrimControls(line.substr(blank + 1));
    std::size_t slash = FindLast(path, '\\');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    TSess& sess = *CurSess();
    if (sess.Addr && !TrimControls(name).empty())
        FreqSent(name, path, *sess.Addr);
}

void RegisterBinkPLogStyle()
{
    RegisterLogStyle(lsBinkPlus, [] { return std::unique_ptr<TLog>(std::make_unique<TBinkPLog>()); });
}

}  // namespace tarvix
