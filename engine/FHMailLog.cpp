#include "engine/FHMailLog.h"

#include "engine/LogNumber.h"
#include "engine/LogYears.h"
#include "fido/LogUtils.h"
#include "fido/NVUtils.h"
#include "fido/ConfigParser.h"
#include "platform/HostPath.h"
#include "platform/Scan.h"
#include "platform/Text.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>


namespace tarvix {

namespace {

// 0-based offsets of the parts of a line.
constexpr std::size_t kDayAt = 2, kMonthAt = 5, kHourAt = 9, kMinAt = 12, kSecAt = 15;
constexpr std::size_t kStampLen = 17;  // up to the last digit of the seconds
constexpr std::size_t kTagAt = 18;
constexpr std::string_view kTag = "FHML";
constexpr int kTagCol = 18;
constexpr std::size_t kMsgAt = TFHMailLog::kMsgAt;

// Fixed words of FhMail's own, not taken from the language file.
// (Also "Connect", "Starting ZMO session" and "send:" at the start of a message.)
constexpr std::string_view kConnect = "Connect";
constexpr std::string_view kRename = "-->";
constexpr std::string_view kTraffic = "Tx/Rx:";
constexpr std::string_view kCarrierLost = "Carrier lost";

// The line holds the literal text at offset at. A fixed length lets the compiler
// compare in place instead of calling memcmp.
template <std::size_t N>
bool At(std::string_view line, std::size_t at, const char (&text)[N])
{
    constexpr std::size_t n = N - 1;
    return line.size() >= at + n && std::memcmp(line.data() + at, text, n) == 0;
}

// Words 2 and 3 of a message, split at runs of blanks as NthWord splits them: the
// byte count and the file of a transfer line ("H-Snd 48213b FILE.ZIP").
void TransferWords(std::string_view message, std::string_view& second, std::string_view& third)
{
    second = third = {};
    std::size_t i = 0;
    for (int k = 1; k <= 3; ++k) {
        while (i < message.size() && message[i] == ' ')
            ++i;
        if (i >= message.size())
            return;
        const void* end = std::memchr(message.data() + i, ' ', message.size() - i);
        const std::size_t e = end ? static_cast<std::size_t>(static_cast<const char*>(end) - message.data()) : message.size();
        if (k == 2)
            second = message.substr(i, e - i);
        else if (k == 3)
            third = message.substr(i, e - i);
        i = e;
    }
}

[[noreturn, gnu::cold]] void NotANumber(std::string_view s)
{
    throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
}

// Up to 18 digits cannot overflow a count: only a longer one checks the limit.
constexpr std::size_t kSafeDigits = 18;

// A count of bytes: decimal digits only, up to the 64-bit range; false for anything
// else.
bool TryCount(std::string_view s, std::int64_t& value)
{
    if (s.empty())
        return false;
    if (s.size() <= kSafeDigits)
        return AllDigits(s, value);
    std::int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
        // The exact limit is worked out only for a value near it.
        constexpr std::int64_t kSafe = (std::numeric_limits<std::int64_t>::max() - 9) / 10;
        if (v > kSafe && v > (std::numeric_limits<std::int64_t>::max() - (c - '0')) / 10)
            return false;
        v = v * 10 + (c - '0');
    }
    value = v;
    return true;
}

// TryCount, raising EConvertError for no count.
std::int64_t ParseCount(std::string_view s)
{
    std::int64_t v = 0;
    if (!TryCount(s, v))
        NotANumber(s);
    return v;
}

// The count of a transfer line as FhMail writes it, "<x><word> <digits><unit>...":
// the first word ends at wordEnd, one blank, digits and one unit byte, then a blank
// or the end. next is the offset after the unit. False for any other form.
bool QuickTransferCount(std::string_view message, std::size_t wordEnd, std::int64_t& count, std::size_t& next)
{
    if (wordEnd == 0 || message.size() < wordEnd + 3 || message[0] == ' ' || message[wordEnd] != ' ')
        return false;
    const char* p = message.data() + wordEnd + 1;
    const char* end = message.data() + message.size();
    if (DigitRun(p, end, count) == 0 || p == end || *p == ' ')
        return false;
    ++p;  // the unit
    if (p != end && *p != ' ')
        return false;
    next = static_cast<std::size_t>(p - message.data());
    return true;
}

// Whether "Carrier lost" stands anywhere in an FHML line (one of 22 bytes or more).
// It holds no "F", so it cannot overlap the tag (columns 19 to 22), and no ":", so it
// cannot start before the tag when column 12 is the ":" of a time stamp: then only
// the message is searched. Its "C" is rare in the lines: only where one stands is
// the text compared.
bool CarrierLost(std::string_view line)
{
    const std::size_t from = line[kHourAt + 2] == ':' ? kMsgAt - 1 : 0;
    if (line.size() < from + kCarrierLost.size())
        return false;
    const std::size_t end = line.size() - kCarrierLost.size() + 1;  // after the last place it may begin at
    for (std::size_t at = FindByte(line, kCarrierLost[0], from, end); at != std::string_view::npos;
         at = FindByte(line, kCarrierLost[0], at + 1, end))
        if (SameBytes(line.data() + at, kCarrierLost.data(), kCarrierLost.size()))
            return true;
    return false;
}

std::string_view TrimLeft(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return s;
}

// Replaces the macro references %NAME% of a configuration line by their values. A
// name unknown to the table stays as written; an empty "%%" or a lone "%" ends the
// replacing. Inserted values are not scanned again.
void ExpandMacros(std::string& line, const TStrDict& macros)
{
    std::size_t pos = 0;
    while (pos < line.size()) {
        std::size_t open = line.find('%', pos);
        if (open == std::string::npos)
            return;
        std::size_t close = line.find('%', open + 1);
        if (close == std::string::npos || close == open + 1)
            return;
        long index = macros.IndexOf(std::string_view(line).substr(open, close - open + 1));
        if (index < 0) {
            pos = close + 1;
            continue;
        }
        const std::string& value = macros.ValueAt(static_cast<std::size_t>(index));
        if (line.size() - (close - open + 1) + value.size() > TQParser::kMaxExpandedLine)
            return;  // a line cannot grow without bound
        line.replace(open, close - open + 1, value);
        pos = open + value.size();
    }
}

}  // namespace

TFHMailLog::TFHMailLog()
{
    Style = lsFhMail;
    DatePos = 3;  // the day split compares "14 Mar"
    DateLen = 6;
    NoYearInLines = true;
    MsgCol = kMsgCol;
    // Until a language file is read, every text is its key (or the mailer's default).
    UseTexts(TFHMailLng::FromBytes(""));
}

TFHMailLog::~TFHMailLog() = default;

void TFHMailLog::UseTexts(const TFHMailLng& lng)
{
    auto has = [&lng](const char* key) { return lng.Dict().IndexOf(key) >= 0; };
    auto get = [&lng](const char* key) { return lng.GetStr(key); };
    auto getOr = [&](const char* key, const char* fallback) { return has(key) ? get(key) : std::string(fallback); };
    Texts t;
    auto msg = [&t](Msg m) -> std::string& { return t.msg[static_cast<std::size_t>(m)]; };
    msg(mRing) = getOr("RING", "Ring");
    msg(mDialing) = get("DIALING");
    msg(mBusy) = getOr("BUSY", "Busy");
    msg(mNoCarrier) = getOr("NO_CARRIER", "No Carrier");
    msg(mRemoteAddress) = get("REMOTE_ADDRESS");
    msg(mBbsCall) = get("BBSCALL");
    msg(mPostSession) = get("POST_SESSION");
    msg(mSessionAbort) = get("SESSION_ABORT");
    msg(mRemoteMailer) = get("REMOTE_MAILER");
    msg(mRemoteName) = get("REMOTE_NAME");
    msg(mRemoteSysOp) = get("REMOTE_SYSOP");
    t.remoteSysOp2 = get("REMOTE_SYSOP2");
    msg(mRemotePhone) = get("REMOTE_PHONE");
    msg(mPasswordProtected) = get("PASSWORD_PROTECTED");
    msg(mBadPassword) = get("BAD_PASSWORD");
    msg(mJanusStart) = get("JANUS_START");
    msg(mHydraStart) = get("HYDRA_START");
    msg(mFreq) = get("FREQ");
    t.sent = has("SENT") ? std::string(TrimControls(get("SENT"))) : std::string();
    if (t.sent.empty())
        t.sent = "-Sent";
    t.received = has("RECEIVED") ? std::string(TrimControls(get("RECEIVED"))) : std::string("-Recv");
    msg(mPartiallySent) = get("PARTIALLY_SENT");
    t.partiallySent2 = get("PARTIALLY_SENT2");
    t.infoPostSession = std::string(FirstWord(msg(mPostSession)));
    t.infoStarting = std::string(FirstWord(get("STARTING_PROCESS")));
    t.infoFinishing = std::string(FirstWord(get("FINISHING")));
    t.specialBbsCall = std::string(FirstWord(msg(mBbsCall)));
    texts_ = std::move(t);
    auto wordEnd = [](const std::string& text) {
        return text.empty() || text.find(' ') != std::string::npos ? 0 : 1 + text.size();
    };
    sentWordEnd_ = wordEnd(texts_.sent);
    receivedWordEnd_ = wordEnd(texts_.received);
    IndexMsgs();
}

void TFHMailLog::IndexMsgs()
{
    static_assert(kMsgCount <= TMsgIndex::kMaxTexts, "one bit per text in a 32-bit mask");
    msgs_.Clear();
    for (std::size_t i = 0; i < kMsgCount; ++i) {
        msgs_.Add(i, texts_.msg[i]);
        words_[i].Set(texts_.msg[i]);
    }
}

std::uint32_t TFHMailLog::Candidates(std::string_view line) const
{
    return msgs_.Candidates(line.size() > kMsgAt ? line.substr(kMsgAt) : std::string_view());
}

// ---------------------------------------------------------------------------
// Highlighting

bool TFHMailLog::IsDateWord(int col, std::string_view)
{
    return col == static_cast<int>(kDayAt) || col == static_cast<int>(kMonthAt) || col == static_cast<int>(kHourAt);
}

bool TFHMailLog::IsErrorWord(std::string_view word) { return word == "!"; }

bool TFHMailLog::WordClass(std::string_view word, int col)
{
    if (col == 0)
        return false;
    if (col == kTagCol) {
        HlClass = hcSpecial;
        return false;
    }
    const Texts& t = texts_;
    if (word == kConnect || IsText(word, t.infoPostSession) || IsText(word, t.infoStarting) ||
        IsText(word, t.infoFinishing))
        HlClass = hcInfo;
    else if (word.size() > 1 && StartsWithText(word.substr(1), t.sent))
        HlClass = hcSent;
    else if (word.size() > 1 && StartsWithText(word.substr(1), t.received))
        HlClass = hcRecd;
    else if (IsText(word, t.specialBbsCall))
        HlClass = hcSpecial;
    else
        HlClass = hcNormal;
    return true;
}

// ---------------------------------------------------------------------------
// Dates

bool TFHMailLog::CachedDate(std::string_view line, int year, TDateTime& date) const
{
    if (!dateKnown_ || dateYear_ != year || std::memcmp(dateText_.data(), line.data() + kDayAt, dateText_.size()) != 0)
        return false;
    date = date_;
    return true;
}

void TFHMailLog::KeepDate(std::string_view line, int year, TDateTime date) const
{
    std::memcpy(dateText_.data(), line.data() + kDayAt, dateText_.size());
    dateYear_ = year;
    date_ = date;
    dateKnown_ = true;
}

bool TFHMailLog::MonthDayOfLine(std::string_view line, int& month, int& day) const
{
    return DayAndMonthName(line, kDayAt, kMonthAt, month, day);
}

TDateTime TFHMailLog::DateOfLine(std::string_view line)
{
    if (line.size() < kMonthAt + 3)
        throw EConvertError("Line too short for a date: '" + std::string(line) + "'");
    const int year = LineYear();
    TDateTime date = 0;
    if (CachedDate(line, year, date))
        return date;
    int day = ParseLogInt(line.substr(kDayAt, 2));
    int month = MonthFromName(line.substr(kMonthAt, 3));
    date = EncodeDate(year, month, day);
    KeepDate(line, year, date);
    return date;
}

TDateTime TFHMailLog::TimeOfLine(std::string_view line)
{
    TDateTime result = 0;
    if (TryTimeOfLine(line, result))
        return result;
    return BadTime(line);
}

TDateTime TFHMailLog::BadTime(std::string_view line)
{
    if (line.size() < kStampLen)
        throw EConvertError("Line too short for a time: '" + std::string(line) + "'");
    // The stamp has an error: the general reading raises the one it finds first.
    TDateTime date = DateOfLine(line);
    return date + EncodeTime(ParseLogInt(line.substr(kHourAt, 2)), ParseLogInt(line.substr(kMinAt, 2)),
                             ParseLogInt(line.substr(kSecAt, 2)), 0);
}

bool TFHMailLog::TryTimeOfLine(std::string_view line, TDateTime& result) const
{
    if (line.size() < kStampLen)
        return false;
    // A session's start asks for the stamp of its line twice.
    const int year = LineYear();
    if (stampKnown_ && stampYear_ == year && std::memcmp(stamp_.data(), line.data(), stamp_.size()) == 0) {
        result = stampTime_;
        return true;
    }
    return ReadStamp(line, year, result);
}

bool TFHMailLog::ReadStamp(std::string_view line, int year, TDateTime& result) const
{
    // The usual stamp of the day read last in one go; any other by the full reading.
    int hour = 0, min = 0, sec = 0;
    TDateTime date = 0, time = 0;
    if (!StampDigits(line.data() + kHourAt, hour, min, sec) || !TryEncodeTime(hour, min, sec, 0, time) ||
        !CachedDate(line, year, date))
        return ReadFullStamp(line, year, result);
    result = date + time;
    KeepStampTime(line, year, result);
    return true;
}

void TFHMailLog::KeepStampTime(std::string_view line, int year, TDateTime time) const
{
    std::memcpy(stamp_.data(), line.data(), stamp_.size());
    stampYear_ = year;
    stampTime_ = time;
    stampKnown_ = true;
}

bool TFHMailLog::ReadFullStamp(std::string_view line, int year, TDateTime& result) const
{
    int hour = 0, min = 0, sec = 0;
    TDateTime date = 0, time = 0;
    if (StampDigits(line.data() + kHourAt, hour, min, sec)) {
        if (!TryEncodeTime(hour, min, sec, 0, time))
            return false;
    } else if (!TryParseLogInt(line.substr(kHourAt, 2), hour) || !TryParseLogInt(line.substr(kMinAt, 2), min) ||
               !TryParseLogInt(line.substr(kSecAt, 2), sec) || !TryEncodeTime(hour, min, sec, 0, time)) {
        return false;
    }
    if (!CachedDate(line, year, date)) {
        int day = 0;
        if (!TryParseLogInt(line.substr(kDayAt, 2), day))
            return false;
        auto month = std::find(MonthAbbrs.begin(), MonthAbbrs.end(), line.substr(kMonthAt, 3));
        if (month == MonthAbbrs.end() ||
            !TryEncodeDate(year, static_cast<int>(month - MonthAbbrs.begin()) + 1, day, date))
            return false;
        KeepDate(line, year, date);
    }
    result = date + time;
    KeepStampTime(line, year, result);
    return true;
}

// ---------------------------------------------------------------------------
// Configuration and language file

void TFHMailLog::Reset()
{
    TMailerLog::Reset();
    // A call left open by the previous analysis must not book this one's statistics.
    SetDialAddr(std::nullopt);
    callMode_ = cmNone;
    connectSpeed_ = 0;
    pendingSentPath_.clear();
    stamps_ = {};
}

void TFHMailLog::LoadLng()
{
    std::string path = MakePath(languageFile_, MailerPath());
    if (lng_ && path == lngPath_)
        return;
    auto lng = std::make_unique<TFHMailLng>(ToHostPath(path));
    UseTexts(*lng);
    lng_ = std::move(lng);
    lngPath_ = std::move(path);
}

void TFHMailLog::ReadConfig()
{
    aliasList_.clear();
    languageFile_ = "fhmail.lng";
    std::string language, aliasList;

    TQParser parser;
    // The macros of the file: the environment, then what the file defines. They are
    // replaced by the line filter alone, so the parser's own table stays empty.
    parser.AddEnvDefines("%");
    TStrDict macros = parser.Defines();
    parser.Defines().Clear();
    parser.OnBeforeParse = [&parser, &macros](std::string& line, TQParserAction&) {
        const std::string& comment = parser.CommentStr();
        if (!comment.empty())
            if (std::size_t cut = line.find(comment); cut != std::string::npos)
                line.erase(cut);
        ExpandMacros(line, macros);
    };
    parser.OnDefine = [&parser, &macros](const TQWords&) {
        // "Define NAME = value": the rest of the line after the directive word.
        std::string_view rest;
        FirstWord(parser.CurrentLineText(), &rest);
        std::size_t eq = rest.find('=');
        if (eq == std::string_view::npos)
            throw parser.LineError("Invalid Define");
        std::string name = UpperCaseAscii(TrimBlanks(rest.substr(0, eq)));
        if (name.empty())
            throw parser.LineError("Invalid Define");
        macros.Add("%" + name + "%", TrimBlanks(rest.substr(eq + 1)));
    };
    parser.AddStr("AliasList", aliasList);
    parser.LastHandler().Validator = TQParser::CheckFileExists;
    parser.AddStr("Language", language);
    parser.LastHandler().Validator = TQParser::CheckFileExists;
    parser.Parse(MakePath("fhmail.cfg", MailerPath()));

    if (!language.empty())
        languageFile_ = language;
    aliasList_ = aliasList;
    if (!aliasList_.empty())
        ReadAliasFile(MakePath(aliasList_, MailerPath()));
}

// ---------------------------------------------------------------------------
// The line parser

std::string_view TFHMailLog::ValueAfter(std::string_view line, std::string_view text) const
{
    std::size_t cut = text.size() + static_cast<std::size_t>(MsgCol - 1);
    return cut >= line.size() ? std::string_view{} : line.substr(cut);
}

void TFHMailLog::KeepStamp(std::string_view line)
{
    stampSlot_ ^= 1;
    TStamp& stamp = stamps_[stampSlot_];
    // A whole stamp (nearly every line) is copied with a fixed length, in place.
    if (line.size() >= stamp.text.size()) {
        std::memcpy(stamp.text.data(), line.data(), stamp.text.size());
        stamp.len = static_cast<std::uint8_t>(stamp.text.size());
        stamp.lineNo = LineNo;
    } else {
        KeepShortStamp(line);
    }
}

void TFHMailLog::KeepShortStamp(std::string_view line)
{
    TStamp& stamp = stamps_[stampSlot_];
    stamp.len = static_cast<std::uint8_t>(line.size());
    std::memcpy(stamp.text.data(), line.data(), stamp.len);
    stamp.lineNo = LineNo;
}

void TFHMailLog::ParseMailerLine(std::string_view line)
{
    // Whatever happens to this line, it is the line before the next one.
    KeepStamp(line);
    if (!At(line, kTagAt, "FHML"))
        return;
    lineMsgs_ = Candidates(line);
    // Each kind of line goes on to a function of its own, which needs no registers
    // of this one's.
    if (State == fsNone)
        ParseIdle(line);
    else if (State == fsBbsCall || !SessionOpen())
        LeaveState(line);
    else
        ParseSession(line);
}

void TFHMailLog::LeaveState(std::string_view line)
{
    if (SessionOpen()) {
        // A human caller's call ends with the next line of the mailer, which is then
        // read like any line outside a session.
        EndSession(line);
        callMode_ = cmNone;
    }
    State = fsNone;  // also a state set from outside without a session
    ParseIdle(line);
}

void TFHMailLog::ParseSession(std::string_view line)
{
    // Every step goes on to a function of its own, so that this one, which every
    // line of a session passes, needs few registers.
    if (Is(line, mPostSession)) {
        EndPostSession(line);
        return;
    }
    if (Is(line, mNoCarrier)) {
        NoCarrier(line);
        return;
    }
    if (CarrierLost(line) || Is(line, mSessionAbort))
        CurSess()->Set(sfOK, false);
    switch (State) {
    case fsMailer:
        if (Is(line, mRemoteMailer))
            RemoteMailer(line);
        break;
    case fsSystem:
        if (Is(line, mRemoteName))
            RemoteSystem(line);
        break;
    case fsSysOp:
        if (Is(line, mRemoteSysOp))
            RemoteSysOp(line);
        break;
    case fsPhone:
        if (Is(line, mRemotePhone))
            RemotePhone(line);
        break;
    case fsHandshake:
        StepHandshake(line);
        break;
    case fsTransfer:
        StepTransfer(line);
        break;
    default:
        break;
    }
}

void TFHMailLog::NoCarrier(std::string_view line)
{
    CurSess()->Set(sfOK, false);
    EndSession(line);
    callMode_ = cmNone;
}

void TFHMailLog::ParseIdle(std::string_view line)
{
    // Each kind of line goes on to a function of its own: this one only tells them
    // apart, without a call of its own.
    if (Is(line, mRing))
        RingLine();
    else if (Is(line, mDialing))
        DialLine(line);
    else if (Is(line, mBusy))
        DialResult(0);
    else if (Is(line, mNoCarrier))
        DialResult(1);
    else if (At(line, kMsgAt, "Connect"))
        // "Connect 33600/V34/LAPM": the speed is kept for the session that follows.
        ConnectLine(line);
    else if (Is(line, mRemoteAddress))
        RemoteAddressLine(line);
    else if (Is(line, mBbsCall))
        BbsCallLine(line);
}

void TFHMailLog::RingLine()
{
    callMode_ = cmRinging;
    SetDialAddr(std::nullopt);
}

void TFHMailLog::DialLine(std::string_view line)
{
    callMode_ = cmDialling;
    SetDialAddr(std::nullopt);
    // "<dialing text>2:5020/1 (phone)"; a "#" instead of an address counts no call.
    std::string_view value = TrimBlanks(ValueAfter(line, Text(mDialing)));
    if (value.empty() || value.front() == '#')
        return;
    value = TrimBlanks(value.substr(0, value.find('(')));
    if (value.empty())
        return;
    TFidoAddr addr = TFidoAddr::CreateStr(value);
    SetDialAddr(addr);
    if (NodeStats)
        NodeStats->AddCall(addr);
}

void TFHMailLog::DialResult(int result)
{
    if (DialAddr() && NodeStats)
        NodeStats->AddResult(&*DialAddr(), result);
}

void TFHMailLog::RemoteAddressLine(std::string_view line)
{
    OpenSession(line, callMode_ == cmRinging);
    TSess& s = *CurSess();
    s.Set(sfHuman, false);
    s.Speed = connectSpeed_;
    std::string_view addr = TrimBlanks(ValueAfter(line, Text(mRemoteAddress)));
    if (!addr.empty())
        s.Addr = TFidoAddr::CreateStr(addr);
}

void TFHMailLog::BbsCallLine(std::string_view line)
{
    OpenSession(line, true);
    TSess& s = *CurSess();
    s.Set(sfHuman, true);
    s.Speed = connectSpeed_;
    State = fsBbsCall;
}

void TFHMailLog::ConnectLine(std::string_view line)
{
    // The speed runs from the byte after the blank (or whatever byte follows the
    // word) to the first "/".
    constexpr std::size_t kSpeedAt = kMsgAt + kConnect.size() + 1;
    std::int64_t speed = 0;
    std::string_view value;
    if (const char* p = line.data() + kSpeedAt, *end = line.data() + line.size();
        kSpeedAt < line.size() && DigitRun(p, end, speed) != 0 && (p == end || *p == '/')) {
        value = line.substr(kSpeedAt, static_cast<std::size_t>(p - line.data()) - kSpeedAt);
    } else {
        value = MsgAfter(line, kConnect);
        value = TrimBlanks(value.substr(0, value.find('/')));
        speed = ParseCount(value);
    }
    if (speed > std::numeric_limits<std::uint32_t>::max())
        NotANumber(value);
    connectSpeed_ = static_cast<std::uint32_t>(speed);
}

void TFHMailLog::OpenSession(std::string_view line, bool incoming)
{
    // The session began with the line before (the connect line); when that line has
    // no time stamp, with this one.
    const TStamp& before = stamps_[stampSlot_ ^ 1];
    std::string_view prev(before.text.data(), before.len);
    TDateTime unused = 0;
    const bool fromPrev = before.lineNo > 0 && TryTimeOfLine(prev, unused);
    StartSession(fromPrev ? prev : line, incoming);
    if (fromPrev)
        CurSess()->StartLine = before.lineNo;
    pendingSentPath_.clear();
}

void TFHMailLog::EndPostSession(std::string_view line)
{
    // "... Tx/Rx: 48213/1024": the session's totals. A total that is no number is
    // reported after the session has been closed, so the session is not lost.
    std::string_view bad;
    bool failed = false;
    TSess& s = *CurSess();
    if (std::size_t at = line.find(kTraffic); at != std::string_view::npos) {
        std::string_view rest = TrimLeft(line.substr(at + kTraffic.size()));
        // FhMail writes the two counts with a "/" between them and nothing after.
        const char* p = rest.data();
        const char* end = p + rest.size();
        std::int64_t sent = 0, rcvd = 0;
        if (DigitRun(p, end, sent) != 0 && p != end && *p == '/' && DigitRun(++p, end, rcvd) != 0 && p == end) {
            s.BytesSent = sent;
            s.BytesRcvd = rcvd;
        } else {
            std::size_t slash = rest.find('/');
            std::string_view sentText = TrimBlanks(rest.substr(0, slash));
            std::string_view rcvdText =
                slash == std::string_view::npos ? std::string_view{} : TrimBlanks(rest.substr(slash + 1));
            if (TryCount(sentText, sent)) {
                s.BytesSent = sent;
            } else {
                bad = sentText;
                failed = true;
            }
            if (TryCount(rcvdText, rcvd)) {
                s.BytesRcvd = rcvd;
            } else if (!failed) {
                bad = rcvdText;
                failed = true;
            }
        }
    }
    EndSession(line);
    callMode_ = cmNone;
    if (failed)
        NotANumber(bad);
}

// The remote's texts come in this order, each moving to the state of the next.

void TFHMailLog::RemoteMailer(std::string_view line)
{
    CurSess()->Mailer = KeepText(ValueAfter(line, Text(mRemoteMailer)));
    State = fsSystem;
}

void TFHMailLog::RemoteSystem(std::string_view line)
{
    CurSess()->System = KeepText(ValueAfter(line, Text(mRemoteName)));
    State = fsSysOp;
}

void TFHMailLog::RemoteSysOp(std::string_view line)
{
    // "<sysop text>Ivan Petrov<second text>Moscow": the name before the second text;
    // a line without the second text is all name.
    const std::string& second = texts_.remoteSysOp2;
    std::string_view value = ValueAfter(line, Text(mRemoteSysOp));
    std::size_t cut = second.empty() ? std::string_view::npos : value.find(second);
    CurSess()->SysOp = KeepText(value.substr(0, cut));
    State = fsPhone;
}

void TFHMailLog::RemotePhone(std::string_view line)
{
    CurSess()->Phone = KeepText(ValueAfter(line, Text(mRemotePhone)));
    State = fsHandshake;
}

void TFHMailLog::StepHandshake(std::string_view line)
{
    if (Is(line, mPasswordProtected)) {
        CurSess()->Set(sfPassword, true);
    } else if (Is(line, mBadPassword)) {
        CurSess()->Set(sfBadPassword, true);
    } else if (Is(line, mJanusStart)) {
        CurSess()->Protocol = prJanus;
        State = fsTransfer;
    } else if (Is(line, mHydraStart)) {
        CurSess()->Protocol = prHydra;
        State = fsTransfer;
    } else if (At(line, kMsgAt, "Starting ZMO session")) {
        CurSess()->Protocol = prZModem;
        State = fsTransfer;
    }
}

void TFHMailLog::StepTransfer(std::string_view line)
{
    const std::string_view message = line.substr(std::min(line.size(), kMsgAt));
    // The transfer texts stand one column after the start of the message.
    auto transfer = [&message](const std::string& text) {
        return !text.empty() && message.size() >= 1 + text.size() && message[1] == text[0] &&
               SameBytes(message.data() + 1, text.data(), text.size());
    };
    if (Is(line, mFreq))
        FreqLine(line);
    else if (At(line, kMsgAt, "send:"))
        SendLine(line);
    else if (transfer(texts_.sent))
        SentLine(message);
    else if (transfer(texts_.received))
        ReceivedLine(message);
    else if (Is(line, mPartiallySent))
        PartlySentLine(message);
}

void TFHMailLog::FreqLine(std::string_view line)
{
    std::string_view name = ValueAfter(line, Text(mFreq));
    const TSess& s = *CurSess();
    if (s.Addr && !TrimControls(name).empty())
        AddFreq(name, *s.Addr);
}

void TFHMailLog::SendLine(std::string_view line)
{
    // "send: C:\PUB\FILE.ZIP" or "send: C:\PUB\FILE.ZIP --> NAME.ZIP"
    std::size_t cut = static_cast<std::size_t>(MsgCol) + 4;
    std::string_view path = cut >= line.size() ? std::string_view{} : line.substr(cut);
    if (!path.empty() && path.front() == ' ')
        path.remove_prefix(1);
    path = path.substr(0, path.find(kRename));
    while (!path.empty() && path.back() == ' ')
        path.remove_suffix(1);
    pendingSentPath_.assign(path);
}

void TFHMailLog::SentLine(std::string_view message)
{
    // "H-Snd 48213b FILE.ZIP": the byte count less its unit, then the file.
    TSess& s = *CurSess();
    ++s.FilesSent;
    // The path of the line before belongs to this file only; its buffer is kept for
    // the next one.
    std::int64_t count = 0;
    std::size_t next = 0;
    if (QuickTransferCount(message, sentWordEnd_, count, next) &&
        (next == message.size() || (next + 1 < message.size() && message[next + 1] != ' '))) {
        // The file is the word after the blank, if any.
        if (next != message.size() && s.Addr) {
            std::string_view file = message.substr(next + 1);
            if (const void* blank = std::memchr(file.data(), ' ', file.size()))
                file = file.substr(0, static_cast<std::size_t>(static_cast<const char*>(blank) - file.data()));
            FreqSent(file, pendingSentPath_, *s.Addr);
        }
        pendingSentPath_.clear();
        AddCount(s.BytesSent, count);
        return;
    }
    std::string_view bytes, file;
    TransferWords(message, bytes, file);
    if (!file.empty() && s.Addr)
        FreqSent(file, pendingSentPath_, *s.Addr);
    pendingSentPath_.clear();
    if (!bytes.empty())
        AddCount(s.BytesSent, ParseCount(bytes.substr(0, bytes.size() - 1)));
}

void TFHMailLog::ReceivedLine(std::string_view message)
{
    TSess& s = *CurSess();
    ++s.FilesRcvd;
    std::int64_t count = 0;
    std::size_t next = 0;
    if (QuickTransferCount(message, receivedWordEnd_, count, next)) {
        AddCount(s.BytesRcvd, count);
        return;
    }
    std::string_view bytes, file;
    TransferWords(message, bytes, file);
    if (!bytes.empty())
        AddCount(s.BytesRcvd, ParseCount(bytes.substr(0, bytes.size() - 1)));
}

void TFHMailLog::PartlySentLine(std::string_view message)
{
    // "<text> FILE.ZIP 12000<second text>...": the bytes that went out before the
    // transfer broke off. The file's path is not used for another file.
    pendingSentPath_.clear();
    std::size_t start = 0;
    if (NthWord(message, 3, ' ', &start).empty())
        return;
    std::string_view rest = message.substr(start);
    std::size_t cut = texts_.partiallySent2.empty() ? std::string_view::npos : rest.find(texts_.partiallySent2);
    AddCount(CurSess()->BytesSent, ParseCount(TrimBlanks(rest.substr(0, cut))));
}

void RegisterFHMailLogStyle()
{
    RegisterLogStyle(lsFhMail, [] { return std::unique_ptr<TLog>(std::make_unique<TFHMailLog>()); });
}

}  // namespace tarvix
