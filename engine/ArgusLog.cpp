#include "engine/ArgusLog.h"

#include "engine/FDLog.h"
#include "engine/LogNumber.h"
#include "fido/LogUtils.h"
#include "platform/Scan.h"
#include "platform/Text.h"


#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace tarvix {

namespace {

// 0-based offsets of the date and time fields; the year and the time move by two
// columns in the four-digit-year layout.
constexpr std::size_t kDayAt = 2, kMonthAt = 5, kYearAt = 9;
constexpr std::size_t kTimeShort = 12, kTimeLong = 14;
constexpr int kMsgColShort = 22, kMsgColLong = 24;
constexpr int kDateLenShort = 9, kDateLenLong = 11;

// The handshake fields of the remote station.
constexpr std::string_view kStation = "   Station :";
constexpr std::string_view kStationValue = "   Station : ";
constexpr std::string_view kAddress = "   Address :";
constexpr std::string_view kSysOp = "     SysOp :";
constexpr std::string_view kPhone = "     Phone :";
constexpr std::string_view kNumber = "    Number :";
constexpr std::string_view kMailer = "    Mailer :";

constexpr std::string_view kFileRequest = "File request \"";
constexpr std::string_view kCannotFulfill = "Cannot fulfill file request \"";
constexpr std::string_view kTransmitOffset = "Transmitting from offset";
constexpr std::string_view kReceiveOffset = "Receiving from offset";

// The length of a message text with the blank that follows it (none follows a
// text that ends in one): what MsgAfter cuts off, known when compiling.
constexpr std::size_t WithBlank(std::string_view text)
{
    return text.size() + (!text.empty() && text.back() == ' ' ? 0 : 1);
}

// A call or remote address of the log; an empty text is no address either.
TFidoAddr ParseAddr(std::string_view text)
{
    if (text.empty())
        throw EAddrError("FidoAddr.InvAddr", {std::string()});
    return TFidoAddr::CreateStr(text);
}

int Field(std::string_view line, std::size_t at, std::size_t len)
{
    return ParseLogInt(line.substr(at, len));
}

// Whether "disconnecting" stands anywhere in a line. The text is 13 lower-case
// letters (bit 0x40 set): when the bytes at 8 and 20 lack that bit (in both layouts
// a "-" and a digit or a blank of the stamp), it cannot start before byte 21, as 13
// bytes in a row from 0 to 32 hold one of them. Then the search starts at byte 21,
// or up to 28 bytes before the end, so that a short message is looked at 16 places
// at a time.
bool HasDisconnecting(std::string_view line)
{
    constexpr std::string_view kText = "disconnecting";
    constexpr std::size_t kFrom = 21, kWhole = kText.size() + 15;
    if (line.size() >= kWhole && ((line[kFrom - 1] | line[kFrom - kText.size()]) & 0x40) == 0)
        line.remove_prefix(std::min(kFrom, line.size() - kWhole));
    return HasText(line, kText);
}

// The first word of a text, as FirstWord gives it (the addresses of the handshake
// run to twenty characters and more).
std::string_view LeadWord(std::string_view s)
{
    std::size_t b = 0;
    while (b < s.size() && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    return s.substr(b, FindBlank(s, b, s.size()) - b);
}

}  // namespace

TArgusLog::TArgusLog()
{
    Style = lsArgus;
    HasOptions = true;
    DatePos = 3;
    SetArgusVersion(kVersionShortYear);
}

void TArgusLog::SetArgusVersion(int version)
{
    argusVersion_ = version;
    dateKnown_ = false;
    MsgCol = LongYear() ? kMsgColLong : kMsgColShort;
    DateLen = LongYear() ? kDateLenLong : kDateLenShort;
}

int TArgusLog::VersionItem(int version)
{
    return version == kVersionShortYear ? 0 : version == kVersionLongYear ? 1 : -1;
}

int TArgusLog::VersionOfItem(int item) { return item == 1 ? kVersionLongYear : kVersionShortYear; }

// --- highlighting ---

bool TArgusLog::IsDateWord(int col, std::string_view)
{
    return col == static_cast<int>(kDayAt) ||
           col == static_cast<int>(LongYear() ? kTimeLong : kTimeShort);
}

bool TArgusLog::IsErrorWord(std::string_view word) { return word == "?" || word == "!" || word == "aborted"; }

bool TArgusLog::WordClass(std::string_view word, int col)
{
    if (word == "CONNECT" || word == "Session" || word == "Begin")
        HlClass = hcInfo;
    else if (word == "End" && col == MsgCol - 1)
        HlClass = hcInfo;
    else if (word == "Sending")
        HlClass = hcSent;
    else if (word == "Receiving")
        HlClass = hcRecd;
    else if (word == "Aborting" || word == "Failed")
        HlClass = hcErrors;
    else
        HlClass = hcNormal;
    return col != 0;
}

// --- settings ---

void TArgusLog::LoadFromReg(const TIniFile& ini, std::string_view section)
{
    TMailerLog::LoadFromReg(ini, section);
    long long v = ini.ReadInteger(section, "ArgusVersion", kVersionShortYear);
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        v = kVersionShortYear;
    SetArgusVersion(static_cast<int>(v));
}

void TArgusLog::SaveToReg(TIniFile& ini, std::string_view section) const
{
    TMailerLog::SaveToReg(ini, section);
    ini.WriteInteger(section, "ArgusVersion", argusVersion_);
}

void TArgusLog::Assign(const TLog& other)
{
    TMailerLog::Assign(other);
    if (auto* a = dynamic_cast<const TArgusLog*>(&other))
        SetArgusVersion(a->ArgusVersion());
}

// --- analysis ---

void TArgusLog::ForgetPendingTransfers()
{
    sentPath_.clear();
    sentHeld_ = false;
    rcvdName_.clear();
    rcvdHeld_ = false;
    sendSize_ = 0;
    rcvdSize_ = 0;
}

void TArgusLog::Reset()
{
    TMailerLog::Reset();
    callDir_ = cdNone;
    dateKnown_ = false;
    ForgetPendingTransfers();
}

TDateTime TArgusLog::DateOfLine(std::string_view line)
{
    const std::size_t yearLen = LongYear() ? 4 : 2;
    if (line.size() < kYearAt + yearLen)
        throw EConvertError("Line too short for a date: '" + std::string(line) + "'");
    int day = Field(line, kDayAt, 2);
    int month = MonthFromName(line.substr(kMonthAt, 3));
    int year = Field(line, kYearAt, yearLen);
    if (!LongYear()) {
        if (year < 0)
            throw EConvertError("'" + std::string(line.substr(kYearAt, yearLen)) + "' is not a valid year");
        year = TFDLog::ExpandYear(year);
    }
    return EncodeDate(year, month, day);
}

TDateTime TArgusLog::TimeOfLine(std::string_view line)
{
    const std::size_t at = LongYear() ? kTimeLong : kTimeShort;
    if (line.size() < at + 8)
        throw EConvertError("Line too short for a time: '" + std::string(line) + "'");
    // Every session asks twice, and the sessions of a day share their date text: the
    // date of the last text read is kept. The text (9 or 11 bytes from the day on) is
    // held as its first and its last 8 bytes.
    const std::size_t dateLen = LongYear() ? kDateLenLong : kDateLenShort;
    std::uint64_t key[2];
    std::memcpy(&key[0], line.data() + kDayAt, 8);
    std::memcpy(&key[1], line.data() + kDayAt + dateLen - 8, 8);
    if (!dateKnown_ || key[0] != dateKey_[0] || key[1] != dateKey_[1]) {
        date_ = DateOfLine(line);
        dateKey_[0] = key[0];
        dateKey_[1] = key[1];
        dateKnown_ = true;
    }
    return date_ + EncodeTime(Field(line, at, 2), Field(line, at + 3, 2), Field(line, at + 6, 2), 0);
}

std::int64_t TArgusLog::ParseCount(std::string_view text)
{
    auto fail = [&] { return EConvertError("'" + std::string(text) + "' is not a valid integer value"); };
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (i < text.size() && text[i] == '+')
        ++i;
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    // Below this, ten times the value and a digit cannot pass kMax.
    constexpr std::int64_t kSafe = kMax / 10;
    std::int64_t value = 0;
    bool digits = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ',')
            continue;
        const auto digit = static_cast<unsigned char>(c - '0');
        if (digit > 9)
            throw fail();
        if (value >= kSafe && value > (kMax - digit) / 10)
            throw fail();
        value = value * 10 + digit;
        digits = true;
    }
    if (!digits)
        throw fail();
    return value;
}

std::int64_t TArgusLog::TakeSize(std::string_view& text)
{
    // The usual "(12,345b)" at the very end is read in one pass from the back: when
    // only digits and commas stand between its "(" and the "b)", that "(" is the last
    // one and the number is what ParseCount would read.
    const std::size_t n = text.size();
    if (n >= 4 && text[n - 1] == ')' && text[n - 2] == 'b') {
        std::int64_t size = 0, scale = 1;
        int digits = 0;
        for (std::size_t j = n - 2; j > 0;) {
            const char c = text[--j];
            const auto digit = static_cast<unsigned char>(c - '0');
            if (digit <= 9) {
                if (digits == 18)
                    break;  // a number that long is left to ParseCount
                size += digit * scale;
                scale *= 10;
                ++digits;
            } else if (c != ',') {
                if (c != '(' || digits == 0)
                    break;
                text = text.substr(0, j >= 2 ? j - 2 : 0);
                return size;
            }
        }
    }
    // The size stands at the end of the line: the last "(" finds it even when a
    // file name holds a parenthesis of its own.
    std::size_t open = text.rfind('(');
    if (open == std::string_view::npos)
        return 0;
    std::string_view number = text.substr(open + 1);
    number = number.substr(0, number.find('b'));
    std::int64_t size = ParseCount(number);
    text = text.substr(0, open >= 2 ? open - 2 : 0);
    return size;
}

std::string_view TArgusLog::MsgFrom(std::string_view line, std::size_t n) const
{
    std::size_t cut = static_cast<std::size_t>(MsgCol - 1) + n;
    return cut >= line.size() ? std::string_view{} : line.substr(cut);
}

char TArgusLog::MsgHead(std::string_view line) const
{
    const auto col = static_cast<std::size_t>(MsgCol - 1);
    return col < line.size() ? line[col] : '\0';
}

// Each line is told by the first character of its message before any text is
// compared: a line costs the compares of the texts that begin with its character.
void TArgusLog::ParseMailerLine(std::string_view line)
{
    if (State != 0 && !SessionOpen())
        State = 0;
    if (State == 0) {
        ParseIdle(line);
        return;
    }
    TSess& s = *CurSess();
    const char head = MsgHead(line);
    if (const TEnd end = EndOf(line, head); end != TEnd::None) {
        EndSessionAt(line, s, end);
        // The line is read once more as a line between sessions.
        ParseIdle(line);
        return;
    }
    switch (State) {
    case 1:
        if (MsgIs(line, kStation)) {
            s.System = KeepText(MsgFrom(line, WithBlank(kStationValue)));
            State = 2;
        } else if (MsgIs(line, "Establishing")) {
            s.SetProtocol(FirstWord(MsgFrom(line, WithBlank("Establishing"))));
        }
        break;
    case 2:
        if (MsgIs(line, kAddress)) {
            s.Set(sfHuman, false);
            s.Addr = ParseAddr(LeadWord(MsgFrom(line, WithBlank(kAddress))));
            State = 3;
        }
        break;
    case 3:
        if (MsgIs(line, kSysOp)) {
            // "Name from Place": the name is the text before " from".
            std::string_view value = MsgFrom(line, WithBlank(kSysOp));
            std::size_t from = value.find("from");
            if (from != std::string_view::npos)
                value = value.substr(0, from > 0 ? from - 1 : 0);
            s.SysOp = KeepText(value);
            State = 4;
        }
        break;
    case 4:
        if (MsgIs(line, kPhone)) {
            s.Phone = KeepText(MsgFrom(line, WithBlank(kPhone)));
            State = 5;
        } else if (MsgIs(line, kNumber)) {
            s.Phone = KeepText(MsgFrom(line, WithBlank(kNumber)));
            State = 5;
        }
        break;
    case 5:
        if (MsgIs(line, kMailer)) {
            s.Mailer = KeepText(MsgFrom(line, WithBlank(kMailer)));
            State = 6;
        }
        break;
    case 6:
        switch (head) {
        case 'P':
            if (MsgIs(line, "Password-protected session"))
                s.Set(sfPassword, true);
            break;
        case 'R':
            if (MsgIs(line, "Remote presented") && Contains(line, "required"))
                s.Set(sfBadPassword, true);
            break;
        case 'E':
            if (MsgIs(line, "Establishing")) {
                s.SetProtocol(FirstWord(MsgFrom(line, WithBlank("Establishing"))));
                State = 7;
            }
            break;
        case 'W':
            if (MsgIs(line, "We have") && s.Protocol != prNone)
                State = 7;
            break;
        default:
            break;
        }
        break;
    case 7:
        ParseTransfer(line, head, s);
        break;
    default:
        break;
    }
}

TArgusLog::TEnd TArgusLog::EndOf(std::string_view line, char head) const
{
    if (head == 'S' && MsgIs(line, "Session complete"))
        return TEnd::Complete;
    if (head == '*' && MsgIs(line, "*****"))
        return TEnd::Broken;
    // "disconnecting" may stand anywhere in the line, so every line is searched.
    if (HasDisconnecting(line))
        return TEnd::Lost;
    switch (head) {
    case 'A':
        return MsgIs(line, "Aborting due to carrier loss") ? TEnd::Lost : TEnd::None;
    case 'T':
        return MsgIs(line, "Transfer aborted by ") ? TEnd::Lost : TEnd::None;
    case 'C':
        return MsgIs(line, "Carrier lost")       ? TEnd::Lost
               : MsgIs(line, "Cancel requested") ? TEnd::Cancelled
                                                 : TEnd::None;
    default:
        return TEnd::None;
    }
}

// Kept apart from the line loop, which reaches it once per session.
[[gnu::noinline]] void TArgusLog::EndSessionAt(std::string_view line, TSess& s, TEnd end)
{
    switch (end) {
    case TEnd::Broken:
        s.Set(sfOK, false);
        break;
    case TEnd::Lost:
        if (Contains(line, "EMSI") || !s.Addr)
            s.Set(sfBad, true);
        s.Set(sfOK, false);
        break;
    case TEnd::Cancelled:
        if (!s.Addr)
            s.Set(sfBad, true);
        break;
    default:
        break;
    }
    EndSession(line);
}

void TArgusLog::ParseIdle(std::string_view line)
{
    switch (MsgHead(line)) {
    case 'C':
        if (MsgIs(line, "Calling")) {
            callDir_ = cdCalling;
            TFidoAddr addr = ParseAddr(LeadWord(MsgFrom(line, 8)));
            SetDialAddr(addr);
            if (NodeStats)
                NodeStats->AddCall(addr);
        } else if (MsgIs(line, "CONNECT")) {
            StartSession(line, callDir_ == cdAnswering);
            // A transfer left waiting by an earlier session cannot finish in this one.
            ForgetPendingTransfers();
            CurSess()->SetConnect(MsgFrom(line, WithBlank("CONNECT")));
        }
        break;
    case 'A':
        if (MsgIs(line, "Answering call")) {
            callDir_ = cdAnswering;
            SetDialAddr(std::nullopt);
        }
        break;
    case 'B':
        if (MsgIs(line, "BUSY") && DialAddr() && NodeStats)
            NodeStats->AddResult(&*DialAddr(), 0);
        break;
    case 'N':
        if (MsgIs(line, "NO CARRIER") && DialAddr() && NodeStats)
            NodeStats->AddResult(&*DialAddr(), 1);
        break;
    default:
        break;
    }
}

namespace {

// The transfer lines known by the beginning of their message.
enum class TXfer : std::uint8_t {
    None, FileRequest, CannotFulfill, Sending, TransmitOffset,
    ReceiveOffset, ReceiveSkipped, Receiving, RemoteRefused, ProtocolAborted
};

}  // namespace

void TArgusLog::ParseTransfer(std::string_view line, char head, TSess& s)
{
    // The kinds are told apart by their messages' beginnings, the longer text of two
    // that begin alike first. "Sent" and "Received" may stand anywhere in a line and
    // come between them: a line of a later kind that holds "Sent" while a file is
    // being sent is read as that file's end.
    TXfer kind = TXfer::None;
    switch (head) {
    case 'F':
        if (MsgIs(line, kFileRequest))
            kind = TXfer::FileRequest;
        break;
    case 'C':
        if (MsgIs(line, kCannotFulfill))
            kind = TXfer::CannotFulfill;
        break;
    case 'S':
        if (MsgIs(line, "Sending"))
            kind = TXfer::Sending;
        break;
    case 'T':
        if (MsgIs(line, kTransmitOffset))
            kind = TXfer::TransmitOffset;
        break;
    case 'R':
        if (MsgIs(line, "Receiving"))
            kind = MsgIs(line, kReceiveOffset)        ? TXfer::ReceiveOffset
                   : MsgIs(line, "Receiving file was") ? TXfer::ReceiveSkipped
                                                       : TXfer::Receiving;
        else if (MsgIs(line, "Remote refused"))
            kind = TXfer::RemoteRefused;
        break;
    case 'P':
        if (MsgIs(line, "Protocol aborted"))
            kind = TXfer::ProtocolAborted;
        break;
    default:
        break;
    }

    switch (kind) {
    case TXfer::FileRequest: {
        // File request "NAME" ...
        std::string_view name = MsgFrom(line, kFileRequest.size());
        name = name.substr(0, name.find('"'));
        if (s.Addr && !TrimControls(name).empty())
            AddFreq(name, *s.Addr);
        return;
    }
    case TXfer::CannotFulfill: {
        // Cannot fulfill file request "NAME"
        std::string_view name = MsgFrom(line, kCannotFulfill.size());
        if (!name.empty())
            name.remove_suffix(1);
        if (s.Addr && !TrimControls(name).empty())
            AddFreq(name, *s.Addr);
        return;
    }
    case TXfer::Sending: {
        // Sending 'PATH', (SIZEb)   or   Sending 'PATH' -> 'NAME', (SIZEb)
        std::string_view path = MsgFrom(line, 9);
        sendSize_ = TakeSize(path);
        if (std::size_t arrow = path.find("->"); arrow != std::string_view::npos)
            path = path.substr(std::min(path.size(), arrow + 4));
        if (!path.empty())
            path.remove_suffix(1);
        sentPath_ = path;
        sentHeld_ = true;
        ++s.FilesSent;
        return;
    }
    case TXfer::TransmitOffset:
        if (sendSize_ != 0)
            sendSize_ = std::max<std::int64_t>(0, sendSize_ - ParseCount(MsgFrom(line, WithBlank(kTransmitOffset))));
        return;
    default:
        break;
    }

    if (sentHeld_ && HasText(line, "Sent")) {
        // Sent 'NAME'
        std::string_view name;
        if (std::size_t quote = line.find('\''); quote != std::string_view::npos) {
            name = line.substr(quote + 1);
            if (!name.empty())
                name.remove_suffix(1);
        }
        if (s.Addr && !TrimControls(name).empty())
            FreqSent(name, sentPath_, *s.Addr);
        AddCount(s.BytesSent, sendSize_);
        sendSize_ = 0;
        sentPath_.clear();
        sentHeld_ = false;
        return;
    }

    switch (kind) {
    case TXfer::ReceiveOffset:
        if (rcvdSize_ != 0)
            rcvdSize_ = std::max<std::int64_t>(0, rcvdSize_ - ParseCount(MsgFrom(line, WithBlank(kReceiveOffset))));
        return;
    case TXfer::ReceiveSkipped:
        rcvdSize_ = 0;
        rcvdName_.clear();
        rcvdHeld_ = false;
        return;
    case TXfer::Receiving: {
        // Receiving 'NAME', (SIZEb)
        std::string_view name = MsgFrom(line, 11);
        rcvdSize_ = TakeSize(name);
        if (!name.empty())
            name.remove_suffix(1);
        rcvdName_ = name;
        rcvdHeld_ = true;
        ++s.FilesRcvd;
        return;
    }
    default:
        break;
    }

    if (rcvdHeld_ && HasText(line, "Received")) {
        AddCount(s.BytesRcvd, rcvdSize_);
        rcvdSize_ = 0;
        rcvdName_.clear();
        rcvdHeld_ = false;
    } else if (kind == TXfer::RemoteRefused || kind == TXfer::ProtocolAborted) {
        sentPath_.clear();
        sentHeld_ = false;
        rcvdName_.clear();
        rcvdHeld_ = false;
    } else if (HasText(line, "is temporarily stored")) {
        std::string_view text = line;
        AddCount(s.BytesRcvd, TakeSize(text));
    }
}

void RegisterArgusLogStyle()
{
    RegisterLogStyle(lsArgus, [] { return std::unique_ptr<TLog>(std::make_unique<TArgusLog>()); });
}

}  // namespace tarvix
