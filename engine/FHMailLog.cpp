#include "engine/FHMailLog.h"

#include "engine/LogNumber.h"
#include "fido/LogUtils.h"
#include "fido/NVUtils.h"
#include "fido/QParser.h"
#include "platform/HostPath.h"
#include "platform/Text.h"

#include <algorithm>
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

// Fixed words of FhMail's own, not taken from the language file.
constexpr std::string_view kConnect = "Connect";
constexpr std::string_view kZModemStart = "Starting ZMO session";
constexpr std::string_view kSend = "send:";
constexpr std::string_view kRename = "-->";
constexpr std::string_view kTraffic = "Tx/Rx:";
constexpr std::string_view kCarrierLost = "Carrier lost";

[[noreturn]] void NotANumber(std::string_view s)
{
    throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
}

// A count of bytes: decimal digits only, up to the 64-bit range.
std::int64_t ParseCount(std::string_view s)
{
    if (s.empty())
        NotANumber(s);
    std::int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            NotANumber(s);
        if (v > (std::numeric_limits<std::int64_t>::max() - (c - '0')) / 10)
            NotANumber(s);
        v = v * 10 + (c - '0');
    }
    return v;
}

std::string_view TrimLeft(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return s;
}

bool StartsWith(std::string_view s, std::string_view prefix)
{
    return !prefix.empty() && s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

bool Equals(std::string_view a, std::string_view b) { return !b.empty() && a == b; }

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
    t.ring = getOr("RING", "Ring");
    t.dialing = get("DIALING");
    t.busy = getOr("BUSY", "Busy");
    t.noCarrier = getOr("NO_CARRIER", "No Carrier");
    t.remoteAddress = get("REMOTE_ADDRESS");
    t.bbsCall = get("BBSCALL");
    t.postSession = get("POST_SESSION");
    t.sessionAbort = get("SESSION_ABORT");
    t.remoteMailer = get("REMOTE_MAILER");
    t.remoteName = get("REMOTE_NAME");
    t.remoteSysOp = get("REMOTE_SYSOP");
    t.remoteSysOp2 = get("REMOTE_SYSOP2");
    t.remotePhone = get("REMOTE_PHONE");
    t.passwordProtected = get("PASSWORD_PROTECTED");
    t.badPassword = get("BAD_PASSWORD");
    t.janusStart = get("JANUS_START");
    t.hydraStart = get("HYDRA_START");
    t.freq = get("FREQ");
    t.sent = has("SENT") ? std::string(TrimControls(get("SENT"))) : std::string();
    if (t.sent.empty())
        t.sent = "-Sent";
    t.received = has("RECEIVED") ? std::string(TrimControls(get("RECEIVED"))) : std::string("-Recv");
    t.partiallySent = get("PARTIALLY_SENT");
    t.partiallySent2 = get("PARTIALLY_SENT2");
    t.infoPostSession = std::string(FirstWord(t.postSession));
    t.infoStarting = std::string(FirstWord(get("STARTING_PROCESS")));
    t.infoFinishing = std::string(FirstWord(get("FINISHING")));
    t.specialBbsCall = std::string(FirstWord(t.bbsCall));
    texts_ = std::move(t);
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
    if (word == kConnect || Equals(word, t.infoPostSession) || Equals(word, t.infoStarting) ||
        Equals(word, t.infoFinishing))
        HlClass = hcInfo;
    else if (word.size() > 1 && StartsWith(word.substr(1), t.sent))
        HlClass = hcSent;
    else if (word.size() > 1 && StartsWith(word.substr(1), t.received))
        HlClass = hcRecd;
    else if (Equals(word, t.specialBbsCall))
        HlClass = hcSpecial;
    else
        HlClass = hcNormal;
    return true;
}

// ---------------------------------------------------------------------------
// Dates

TDateTime TFHMailLog::DateOfLine(std::string_view line)
{
    if (line.size() < kMonthAt + 3)
        throw EConvertError("Line too short for a date: '" + std::string(line) + "'");
    int day = ParseLogInt(line.substr(kDayAt, 2));
    int month = MonthFromName(line.substr(kMonthAt, 3));
    return EncodeDate(CurrentYear(), month, day);
}

TDateTime TFHMailLog::TimeOfLine(std::string_view line)
{
    if (line.size() < kStampLen)
        throw EConvertError("Line too short for a time: '" + std::string(line) + "'");
    TDateTime date = DateOfLine(line);
    return date + EncodeTime(ParseLogInt(line.substr(kHourAt, 2)), ParseLogInt(line.substr(kMinAt, 2)),
                             ParseLogInt(line.substr(kSecAt, 2)), 0);
}

bool TFHMailLog::TryTimeOfLine(std::string_view line, TDateTime& result) const
{
    if (line.size() < kStampLen)
        return false;
    int day = 0, hour = 0, min = 0, sec = 0;
    if (!TryParseLogInt(line.substr(kDayAt, 2), day) || !TryParseLogInt(line.substr(kHourAt, 2), hour) ||
        !TryParseLogInt(line.substr(kMinAt, 2), min) || !TryParseLogInt(line.substr(kSecAt, 2), sec))
        return false;
    auto month = std::find(MonthAbbrs.begin(), MonthAbbrs.end(), line.substr(kMonthAt, 3));
    if (month == MonthAbbrs.end())
        return false;
    TDateTime date = 0, time = 0;
    if (!TryEncodeDate(CurrentYear(), static_cast<int>(month - MonthAbbrs.begin()) + 1, day, date) ||
        !TryEncodeTime(hour, min, sec, 0, time))
        return false;
    result = date + time;
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
    prevStampLen_ = 0;
    prevLineNo_ = 0;
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

bool TFHMailLog::Is(std::string_view line, std::string_view text) const
{
    return !text.empty() && MsgIs(line, text);
}

std::string_view TFHMailLog::ValueAfter(std::string_view line, std::string_view text) const
{
    std::size_t cut = text.size() + static_cast<std::size_t>(MsgCol - 1);
    return cut >= line.size() ? std::string_view{} : line.substr(cut);
}

void TFHMailLog::RememberLine(std::string_view line)
{
    prevStampLen_ = std::min(line.size(), prevStamp_.size());
    std::memcpy(prevStamp_.data(), line.data(), prevStampLen_);
    prevLineNo_ = LineNo;
}

void TFHMailLog::ParseMailerLine(std::string_view line)
{
    // Whatever happens to this line, it is the line before the next one.
    struct Remember {
        TFHMailLog* log;
        std::string_view line;
        ~Remember() { log->RememberLine(line); }
    } remember{this, line};

    if (line.size() < kTagAt + kTag.size() || line.substr(kTagAt, kTag.size()) != kTag)
        return;
    if (State != fsNone && !SessionOpen())
        State = fsNone;  // a state set from outside without a session
    if (State == fsBbsCall) {
        // A human caller's call ends with the next line of the mailer, which is
        // then read like any line outside a session.
        EndSession(line);
        callMode_ = cmNone;
    }
    if (State == fsNone) {
        ParseIdle(line);
        return;
    }

    const Texts& t = texts_;
    if (Is(line, t.postSession)) {
        EndPostSession(line);
        return;
    }
    if (Is(line, t.noCarrier)) {
        CurSess()->Set(sfOK, false);
        EndSession(line);
        callMode_ = cmNone;
        return;
    }
    if (line.find(kCarrierLost) != std::string_view::npos || Is(line, t.sessionAbort))
        CurSess()->Set(sfOK, false);
    ParseSessionStep(line);
}

void TFHMailLog::ParseIdle(std::string_view line)
{
    const Texts& t = texts_;
    if (Is(line, t.ring)) {
        callMode_ = cmRinging;
        SetDialAddr(std::nullopt);
    } else if (Is(line, t.dialing)) {
        callMode_ = cmDialling;
        SetDialAddr(std::nullopt);
        // "<dialing text>2:5020/1 (phone)"; a "#" instead of an address counts no call.
        std::string_view value = TrimBlanks(ValueAfter(line, t.dialing));
        if (value.empty() || value.front() == '#')
            return;
        value = TrimBlanks(value.substr(0, value.find('(')));
        if (value.empty())
            return;
        TFidoAddr addr = TFidoAddr::CreateStr(value);
        SetDialAddr(addr);
        if (NodeStats)
            NodeStats->AddCall(addr);
    } else if (Is(line, t.busy)) {
        if (DialAddr() && NodeStats)
            NodeStats->AddResult(&*DialAddr(), 0);
    } else if (Is(line, t.noCarrier)) {
        if (DialAddr() && NodeStats)
            NodeStats->AddResult(&*DialAddr(), 1);
    } else if (MsgIs(line, kConnect)) {
        // "Connect 33600/V34/LAPM": the speed is kept for the session that follows.
        std::string_view value = MsgAfter(line, kConnect);
        value = TrimBlanks(value.substr(0, value.find('/')));
        std::int64_t speed = ParseCount(value);
        if (speed > std::numeric_limits<std::uint32_t>::max())
            NotANumber(value);
        connectSpeed_ = static_cast<std::uint32_t>(speed);
    } else if (Is(line, t.remoteAddress)) {
        OpenSession(line, callMode_ == cmRinging);
        TSess& s = *CurSess();
        s.Set(sfHuman, false);
        s.Speed = connectSpeed_;
        std::string_view addr = TrimBlanks(ValueAfter(line, t.remoteAddress));
        if (!addr.empty())
            s.Addr = TFidoAddr::CreateStr(addr);
    } else if (Is(line, t.bbsCall)) {
        OpenSession(line, true);
        TSess& s = *CurSess();
        s.Set(sfHuman, true);
        s.Speed = connectSpeed_;
        State = fsBbsCall;
    }
}

void TFHMailLog::OpenSession(std::string_view line, bool incoming)
{
    // The session began with the line before (the connect line); when that line has
    // no time stamp, with this one.
    std::string_view prev(prevStamp_.data(), prevStampLen_);
    TDateTime unused = 0;
    const bool fromPrev = prevLineNo_ > 0 && TryTimeOfLine(prev, unused);
    StartSession(fromPrev ? prev : line, incoming);
    if (fromPrev)
        CurSess()->StartLine = prevLineNo_;
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
        std::size_t slash = rest.find('/');
        std::string_view sent = TrimBlanks(rest.substr(0, slash));
        std::string_view rcvd = slash == std::string_view::npos ? std::string_view{} : TrimBlanks(rest.substr(slash + 1));
        for (auto [text, target] : {std::pair{sent, &s.BytesSent}, std::pair{rcvd, &s.BytesRcvd}}) {
            try {
                *target = ParseCount(text);
            } catch (const EConvertError&) {
                if (!failed)
                    bad = text;
                failed = true;
            }
        }
    }
    EndSession(line);
    callMode_ = cmNone;
    if (failed)
        NotANumber(bad);
}

void TFHMailLog::ParseSessionStep(std::string_view line)
{
    const Texts& t = texts_;
    TSess& s = *CurSess();
    const std::string_view message = line.substr(std::min(line.size(), static_cast<std::size_t>(MsgCol - 1)));
    // The transfer texts stand one column after the start of the message.
    auto transfer = [&](const std::string& text) {
        return !text.empty() && message.size() >= 1 + text.size() && message.substr(1, text.size()) == text;
    };
    switch (State) {
    case fsMailer:
        if (Is(line, t.remoteMailer)) {
            s.Mailer = KeepText(ValueAfter(line, t.remoteMailer));
            State = fsSystem;
        }
        break;
    case fsSystem:
        if (Is(line, t.remoteName)) {
            s.System = KeepText(ValueAfter(line, t.remoteName));
            State = fsSysOp;
        }
        break;
    case fsSysOp:
        if (Is(line, t.remoteSysOp)) {
            // "<sysop text>Ivan Petrov<second text>Moscow": the name before the second
            // text; a line without the second text is all name.
            std::string_view value = ValueAfter(line, t.remoteSysOp);
            std::size_t cut = t.remoteSysOp2.empty() ? std::string_view::npos : value.find(t.remoteSysOp2);
            s.SysOp = KeepText(value.substr(0, cut));
            State = fsPhone;
        }
        break;
    case fsPhone:
        if (Is(line, t.remotePhone)) {
            s.Phone = KeepText(ValueAfter(line, t.remotePhone));
            State = fsHandshake;
        }
        break;
    case fsHandshake:
        if (Is(line, t.passwordProtected)) {
            s.Set(sfPassword, true);
        } else if (Is(line, t.badPassword)) {
            s.Set(sfBadPassword, true);
        } else if (Is(line, t.janusStart)) {
            s.Protocol = prJanus;
            State = fsTransfer;
        } else if (Is(line, t.hydraStart)) {
            s.Protocol = prHydra;
            State = fsTransfer;
        } else if (MsgIs(line, kZModemStart)) {
            s.Protocol = prZModem;
            State = fsTransfer;
        }
        break;
    case fsTransfer:
        if (Is(line, t.freq)) {
            std::string_view name = ValueAfter(line, t.freq);
            if (s.Addr && !TrimControls(name).empty())
                AddFreq(name, *s.Addr);
        } else if (MsgIs(line, kSend)) {
            // "send: C:\PUB\FILE.ZIP" or "send: C:\PUB\FILE.ZIP --> NAME.ZIP"
            std::size_t cut = static_cast<std::size_t>(MsgCol) + 4;
            std::string_view path = cut >= line.size() ? std::string_view{} : line.substr(cut);
            if (!path.empty() && path.front() == ' ')
                path.remove_prefix(1);
            path = path.substr(0, path.find(kRename));
            while (!path.empty() && path.back() == ' ')
                path.remove_suffix(1);
            pendingSentPath_.assign(path);
        } else if (transfer(t.sent)) {
            SentLine(message);
        } else if (transfer(t.received)) {
            ReceivedLine(message);
        } else if (Is(line, t.partiallySent)) {
            PartlySentLine(message);
        }
        break;
    default:
        break;
    }
}

void TFHMailLog::SentLine(std::string_view message)
{
    // "H-Snd 48213b FILE.ZIP": the byte count less its unit, then the file.
    TSess& s = *CurSess();
    ++s.FilesSent;
    // The path of the line before belongs to this file only; its buffer is kept for
    // the next one.
    std::string_view file = NthWord(message, 3);
    if (!file.empty() && s.Addr)
        FreqSent(file, pendingSentPath_, *s.Addr);
    pendingSentPath_.clear();
    std::string_view bytes = NthWord(message, 2);
    if (!bytes.empty())
        s.BytesSent += ParseCount(bytes.substr(0, bytes.size() - 1));
}

void TFHMailLog::ReceivedLine(std::string_view message)
{
    TSess& s = *CurSess();
    ++s.FilesRcvd;
    std::string_view bytes = NthWord(message, 2);
    if (!bytes.empty())
        s.BytesRcvd += ParseCount(bytes.substr(0, bytes.size() - 1));
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
    CurSess()->BytesSent += ParseCount(TrimBlanks(rest.substr(0, cut)));
}

void RegisterFHMailLogStyle()
{
    RegisterLogStyle(lsFhMail, [] { return std::unique_ptr<TLog>(std::make_unique<TFHMailLog>()); });
}

}  // namespace tarvix
