#include "engine/TMailLog.h"

#include "engine/LogNumber.h"
#include "engine/SessHistory.h"
#include "fido/Dialogs.h"
#include "fido/NVUtils.h"
#include "fido/ConfigParser.h"
#include "platform/CodePage.h"
#include "platform/FileRead.h"
#include "platform/HostPath.h"
#include "platform/Scan.h"
#include "platform/Text.h"

#include <bit>
#include <charconv>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace tarvix {

namespace {

constexpr std::size_t kMsgAt = 15;     // 0-based start of the message
constexpr std::size_t kDatedLen = 15;  // a dated line has at least the date, the time and a blank
constexpr std::size_t kMaxTraffic = 255;

constexpr std::string_view kConnect = "CONNECT";

constexpr const char* kLngFile = "t-mail.lng";
constexpr const char* kCtlFile = "t-mail.ctl";

// "DD/MM HH:NN:SS " at the start of the line.
bool IsDated(std::string_view line)
{
    return line.size() >= kDatedLen && line[2] == '/' && line[8] == ':';
}

bool IsStatus(std::string_view line)
{
    return IsDated(line) && line.size() > kMsgAt && static_cast<unsigned char>(line[kMsgAt]) == TTMailLog::kMarker;
}

std::string_view TrimLeftControls(std::string_view s)
{
    std::size_t b = 0;
    while (b < s.size() && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    return s.substr(b);
}

// The conversion error of a text that is no integer.
[[noreturn, gnu::cold]] void ThrowNoInteger(std::string_view s)
{
    throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
}

// A byte count of the log; the classic conversion error for anything else.
std::int64_t ParseCount(std::string_view s)
{
    // Most counts are plain digits.
    std::int64_t v = 0;
    if (AllDigits(s, v))
        return v;
    std::string_view t = TrimBlanks(s);
    const char* end = t.data() + t.size();
    auto [p, ec] = std::from_chars(t.data() + (!t.empty() && t[0] == '+' ? 1 : 0), end, v);
    if (t.empty() || ec != std::errc() || p != end)
        ThrowNoInteger(s);
    return v;
}

std::string FirstWordOf(std::string_view s) { return std::string(NthWord(s, 1, ' ')); }

// Whether the word (a part of line) begins with text, whose words are given; as
// StartsWithText, but the first bytes of the word are compared as one or two words of
// the line when it holds them.
bool BeginsWith(std::string_view line, std::string_view word, const TMsgWords& words, std::string_view text)
{
    if (text.empty() || word.size() < text.size())
        return false;
    const auto at = static_cast<std::size_t>(word.data() - line.data());
    return line.size() - at >= words.Need() ? words.Begins(word.data(), text)
                                             : std::memcmp(word.data(), text.data(), text.size()) == 0;
}

// The message of a call line without an address, as TFidoAddr::CreateStr raises it.
[[gnu::noinline, gnu::cold]] std::string NoAddressText() { return EAddrError("FidoAddr.InvAddr", {std::string()}).what(); }

// The offset in part (a part of line) of its first byte c, or npos; the search may
// load the bytes of the line before part.
std::size_t FindByteIn(std::string_view line, std::string_view part, char c)
{
    if (part.empty())
        return std::string_view::npos;
    const auto from = static_cast<std::size_t>(part.data() - line.data());
    const std::size_t at = FindByte(line, c, from, from + part.size());
    return at == std::string_view::npos ? at : at - from;
}

// The words of a line from an offset on, separated by runs of one delimiter, one
// after the other: the words NthWord gives for 1, 2, 3..., without searching from
// the start for each.
class TWords {
public:
    TWords(std::string_view line, std::size_t from, char delim) : line_(line), delim_(delim), at_(from) {}
    // The next word; empty after the last one.
    std::string_view Next()
    {
        const std::size_t n = line_.size();
        while (at_ < n && line_[at_] == delim_)
            ++at_;
        if (at_ >= n)
            return {};
        const std::size_t end = FindByte(line_, delim_, at_, n);
        const std::size_t e = end != std::string_view::npos ? end : n;
        std::string_view word = line_.substr(at_, e - at_);
        at_ = e;
        return word;
    }
    // What follows the delimiters after the last word: the next word and all after it.
    std::string_view Rest()
    {
        while (at_ < line_.size() && line_[at_] == delim_)
            ++at_;
        return line_.substr(at_ < line_.size() ? at_ : line_.size());
    }

private:
    std::string_view line_;
    char delim_;
    std::size_t at_;
};

// How often a byte stands in log lines, roughly: blanks and digits most, then small
// letters, hexadecimal digits and the marks of numbers and dates; other capitals
// least.
int Commonness(unsigned char c)
{
    if (c == ' ')
        return 9;
    if (c >= '0' && c <= '9')
        return 8;
    if (c >= 'a' && c <= 'z')
        return 6;
    if ((c >= 'A' && c <= 'F') || c == '.' || c == ',')
        return 5;
    if (c == ':' || c == '/' || c == '-')
        return 4;
    if (c >= 'G' && c <= 'Z')
        return 2;
    return 3;
}

// The bytes "DD/MM" at p as a number, 0 in the other bytes.
std::uint64_t DayKey(const char* p)
{
    if constexpr (std::endian::native == std::endian::little) {
        return LoadWord8(p) & 0xFFFFFFFFFFull;
    } else {
        std::uint64_t key = 0;
        std::memcpy(&key, p, 5);
        return key;
    }
}

// "OK" anywhere in a transfer line; most have it right after the mark ("HS-OK").
bool HasOk(std::string_view line)
{
    return (line.size() >= kMsgAt + 5 && line[kMsgAt + 3] == 'O' && line[kMsgAt + 4] == 'K') || HasText(line, "OK");
}

// Whether the only blanks of the stamp (bytes 0..14 of a dated line) are the one
// inside it (byte 5) and the one after it (byte 14).
bool PlainStampBlanks(std::string_view line)
{
    constexpr std::uint64_t kStampBytes = (1u << kDatedLen) - 1, kStampBlanks = 1u << 5 | 1u << 14;
    return (ByteBits(line.substr(0, 16), ' ') & kStampBytes) == kStampBlanks;
}

// Word 4 of a sent line (words 1 and 2 are the date and the time, word 3 the transfer
// mark), as NthWord(line, 4, ' ') gives it, and in slash the offset in it of its last
// backslash (npos for none).
std::string_view SentFileName(std::string_view line, std::size_t& slash)
{
    // The message follows the stamp, unless the stamp holds blanks of its own.
    TWords words(line, kDatedLen, ' ');
    if (!PlainStampBlanks(line)) {
        words = TWords(line, 0, ' ');
        words.Next();
        words.Next();
    }
    words.Next();
    const std::string_view word = words.Next();
    // Most names have no path: one search forward tells.
    slash = FindByteIn(line, word, '\\');
    if (slash != std::string_view::npos)
        slash = FindLast(word, '\\');
    return word;
}

// The traffic totals "<received>/<sent>," when both are plain digits (up to 18, so
// that they cannot overflow), as ParseCount reads them; false for anything else.
bool PlainTraffic(std::string_view text, std::int64_t& rcvd, std::int64_t& sent)
{
    const char* p = text.data();
    const char* end = p + text.size();
    std::int64_t a = 0, b = 0;
    if (DigitRun(p, end, a) == 0 || p == end || *p != '/' || DigitRun(++p, end, b) == 0 || p == end || *p != ',')
        return false;
    rcvd = a;
    sent = b;
    return true;
}

}  // namespace

// ------------------------------------------------------------------ texts in a line

void TLineText::Set(std::string_view text)
{
    text_ = text;
    key_ = 0;
    // The last of the rarest bytes: the search starts that far into the line.
    for (std::size_t i = 1; i < text_.size(); ++i)
        if (Commonness(static_cast<unsigned char>(text_[i])) <= Commonness(static_cast<unsigned char>(text_[key_])))
            key_ = i;
}

std::size_t TLineText::Find(std::string_view line) const
{
    // The text at j has its key byte at j + key_, for j from 0 to size - m; the first
    // place where the whole text follows is the first place of the text.
    const std::size_t n = line.size(), m = text_.size();
    if (n <= 64 && m != 0 && m <= n) {
        // Bit j: the key byte stands where it would if the text began at j.
        std::uint64_t starts = ByteBits(line, text_[key_]) >> key_;
        starts &= (std::uint64_t{2} << (n - m)) - 1;
        for (; starts != 0; starts &= starts - 1) {
            const auto j = static_cast<std::size_t>(std::countr_zero(starts));
            if (SameBytes(line.data() + j, text_.data(), m))
                return j;
        }
        return std::string_view::npos;
    }
    return FindInLong(line);
}

TLineAnchor TLineText::Anchor(std::string_view lead, std::size_t msgAt) const
{
    TLineAnchor anchor;
    if (lead.empty() || text_.empty())
        return anchor;
    // A place of the text that begins inside the lead lies in the lead and the text
    // after it: whether there is one is known now.
    anchor.leadAndText = std::string(lead) + text_;
    if (anchor.leadAndText.find(text_) != lead.size())
        return TLineAnchor{};
    anchor.at = msgAt + lead.size();
    anchor.words.Set(anchor.leadAndText);
    anchor.first = text_[0];
    return anchor;
}

std::size_t TLineText::FindAt(std::string_view line, const TLineAnchor& anchor, std::size_t msgAt) const
{
    if (anchor.at != 0 && line.size() >= msgAt + anchor.words.Need() &&
        anchor.words.Begins(line.data() + msgAt, anchor.leadAndText) &&
        FindByte(line, anchor.first, 0, msgAt) == std::string_view::npos)
        return anchor.at;
    return Find(line);
}

std::size_t TLineText::FindInLong(std::string_view line) const
{
    const std::size_t m = text_.size();
    if (m == 0 || line.size() < m)
        return std::string_view::npos;
    std::size_t q = key_;
    if (line.size() > 64 && key_ < 64) {
        // The key bytes among the first 64 bytes at once, as in Find; then on from the
        // 65th byte. (A text whose key byte stands 64 or more bytes into it, which only a
        // long language text can have, is searched from its key byte on below.)
        std::uint64_t starts = ByteBits(line.substr(0, 64), text_[key_]) >> key_;
        if (line.size() - m < 63)
            starts &= (std::uint64_t{2} << (line.size() - m)) - 1;
        for (; starts != 0; starts &= starts - 1) {
            const auto j = static_cast<std::size_t>(std::countr_zero(starts));
            if (SameBytes(line.data() + j, text_.data(), m))
                return j;
        }
        q = 64;
    }
    const std::size_t to = line.size() - m + key_ + 1;
    for (;; ++q) {
        q = FindByte(line, text_[key_], q, to);
        if (q == std::string_view::npos)
            return q;
        if (SameBytes(line.data() + q - key_, text_.data(), m))
            return q - key_;
    }
}

TTMailLog::TTMailLog()
{
    Style = lsTMail;
    HasOptions = true;
    MsgCol = static_cast<int>(kMsgAt) + 1;
    DatePos = 1;
    DateLen = 5;
    NoYearInLines = true;
    connect_.Set(kConnect);
}

TTMailLog::~TTMailLog() = default;

// ------------------------------------------------------------------ highlighting

bool TTMailLog::IsDateWord(int col, std::string_view word)
{
    if (word.size() < 3)
        return false;
    return (col == 0 && word[2] == '/') || (col == 6 && word[2] == ':');
}

bool TTMailLog::IsErrorWord(std::string_view word) { return StartsWithText(word, errorLineWord_); }

bool TTMailLog::WordClass(std::string_view word, int col)
{
    if (col == 0)
        HlClass = hcSpecial;  // a line without a date
    else if (!word.empty() && static_cast<unsigned char>(word[0]) == kMarker)
        HlClass = hcInfo;
    else if (col == static_cast<int>(kMsgAt) && word == "T-Mail")
        HlClass = hcInfo;
    else if (IsText(word, infoWord_))
        HlClass = hcInfo;
    else if (word.size() >= 3 && word[2] == '-' && (word[0] == 'H' || word[0] == 'J' || word[0] == 'Z'))
        HlClass = word[1] == 'S' ? hcSent : word[1] == 'R' ? hcRecd : hcNormal;
    else if (word == "XR")
        HlClass = hcRecd;
    else if (IsText(word, humanWord_))
        HlClass = hcSpecial;
    else if (IsText(word, failedWord_) || IsText(word, errorWordA_) || IsText(word, errorWordB_))
        HlClass = hcErrors;
    else
        HlClass = hcNormal;
    return true;
}

// ------------------------------------------------------------------ settings

void TTMailLog::Reset()
{
    TMailerLog::Reset();
    indexes_.clear();
    lng_.reset();
    dirList_.clear();
    lastDate_ = 0;
    // The analysis starts without a date text.
    dayKey_ = 0;
}

void TTMailLog::Assign(const TLog& other)
{
    TMailerLog::Assign(other);
    if (auto* t = dynamic_cast<const TTMailLog*>(&other)) {
        TMVersion = t->TMVersion;
        TaskNo = t->TaskNo;
    }
}

void TTMailLog::LoadFromReg(const TIniFile& ini, std::string_view section)
{
    TMailerLog::LoadFromReg(ini, section);
    long long version = ini.ReadInteger(section, "TMVersion", kVersion2599);
    TMVersion = version < 0 || version > 99999 ? kVersion2599 : static_cast<int>(version);
    long long task = ini.ReadInteger(section, "TaskNo", 1);
    // The options dialog takes task numbers from 0 to 255.
    TaskNo = task < 0 || task > 255 ? 1 : static_cast<int>(task);
}

void TTMailLog::SaveToReg(TIniFile& ini, std::string_view section) const
{
    TMailerLog::SaveToReg(ini, section);
    ini.WriteInteger(section, "TMVersion", TMVersion);
    ini.WriteInteger(section, "TaskNo", TaskNo);
}

void TTMailLog::SetMailerPath(std::string_view path)
{
    if (path == MailerPath())
        return;
    TMailerLog::SetMailerPath(path);
    lng_.reset();
    configRead_ = false;
    dirList_.clear();
    addrAliases_.Clear();
    aliasFirst_ = {};
    indexes_.clear();
    ClearAliases();
    ownsGlobalAliases_ = false;
}

// ------------------------------------------------------------------ dates

void TTMailLog::ParseLine(std::string_view line)
{
    // Nearly every line has the day of the line before: its "DD/MM" (the date text
    // of the constructor) is compared first, as one word. Such a line changes
    // nothing, whether it is dated or not; so does a line of fewer than 8 bytes,
    // which is no dated line.
    if (line.size() >= 8 && DayKey(line.data()) == dayKey_)
        return;
    OtherDayLine(line);
}

void TTMailLog::OtherDayLine(std::string_view line)
{
    // Continuation lines and damaged lines must not start a day.
    if (!IsDated(line))
        return;
    // The day split keeps the date text of the last dated line: this line's "DD/MM"
    // once it has read it (on a bad date it fails and keeps the text it had).
    // ParseLine compares the word of that text.
    TLog::ParseLine(line);
    if (DatePos == 1 && DateLen == 5 && LastDateText.size() == 5)
        dayKey_ = DayKey(line.data());
}

TDateTime TTMailLog::DateOfLine(std::string_view line)
{
    if (IsDated(line)) {
        int day = 0, month = 0, hour = 0;
        if (!StampDigits(line.data(), day, month, hour)) {
            day = ParseLogInt(line.substr(0, 2));
            month = ParseLogInt(line.substr(3, 2));
        }
        lastDate_ = EncodeDate(LineYear(), month, day);
    }
    return lastDate_;
}

bool TTMailLog::MonthDayOfLine(std::string_view line, int& month, int& day) const
{
    return IsDated(line) && TryParseLogInt(line.substr(0, 2), day) && TryParseLogInt(line.substr(3, 2), month);
}

TDateTime TTMailLog::TimeOfLine(std::string_view line)
{
    // The sessions start and end on the day of the stamp read last, nearly always:
    // when the line has its "DD/MM" (checked to be digits then) and the time is all
    // digits, the date is taken again and the time read from one word.
    if (line.size() >= kDatedLen && DayKey(line.data()) == stampKey_) {
        int hour = 0, min = 0, sec = 0;
        if (line[8] == ':' && StampDigits(line.data() + 6, hour, min, sec) && LineYear() == stampYear_) {
            lastDate_ = stampDate_;
            return stampDate_ + EncodeTime(hour, min, sec, 0);
        }
    }
    return TimeOfNewDay(line);
}

TDateTime TTMailLog::TimeOfNewDay(std::string_view line)
{
    // Nearly every stamp is all digits: no field needs the general reading.
    int day = 0, month = 0, hour = 0, min = 0, sec = 0;
    if (IsDated(line) && StampDigits(line.data(), day, month, hour) && StampDigits(line.data() + 6, hour, min, sec)) {
        const std::uint64_t key = DayKey(line.data());
        const int year = LineYear();
        if (key != stampKey_ || year != stampYear_) {
            stampDate_ = EncodeDate(year, month, day);
            stampKey_ = key;
            stampYear_ = year;
        }
        lastDate_ = stampDate_;
        return lastDate_ + EncodeTime(hour, min, sec, 0);
    }
    return TimeOfOddLine(line);
}

TDateTime TTMailLog::TimeOfOddLine(std::string_view line)
{
    TDateTime date = DateOfLine(line);
    if (!IsDated(line))
        throw EConvertError("Line without a time: '" + std::string(line.substr(0, kDatedLen)) + "'");
    int hour = ParseLogInt(line.substr(6, 2));
    int min = ParseLogInt(line.substr(9, 2));
    int sec = ParseLogInt(line.substr(12, 2));
    return date + EncodeTime(hour, min, sec, 0);
}

// ------------------------------------------------------------------ language file

void TTMailLog::LoadLng()
{
    if (lng_)
        return;
    const std::string path = ToHostPath(MakePath(kLngFile, MailerPath()));
    auto lng = std::make_unique<TTMailLng>(path);
    try {
        Entries c;
        auto cut = [&](int n) { return lng->GetCut(n); };
        // Read in the order of the file, so that a short file fails at the same entry.
        const std::pair<int, std::string*> kEntries[] = {
            {2, &c.lead[L2]},     {3, &c.lead[L3]},     {4, &c.lead[L4]},     {15, &c.lead[L15]},
            {16, &c.lead[L16]},   {21, &c.lead[L21]},   {26, &c.lead[L26]},   {32, &c.lead[L32]},
            {33, &c.lead[L33]},   {34, &c.lead[L34]},   {42, &c.lead[L42]},   {47, &c.lead[L47]},
            {56, &c.lead[L56]},   {58, &c.lead[L58]},   {60, &c.lead[L60]},   {65, &c.e65},
            {159, &c.lead[L159]}, {199, &c.lead[L199]}, {203, &c.lead[L203]}, {424, &c.lead[L424]},
            {467, &c.e467},       {587, &c.lead[L587]},
        };
        for (auto [n, text] : kEntries)
            *text = cut(n);
        // The leads of the texts searched for stand before entry 587: the file holds
        // them.
        const std::string outgoing = cut(17), handshake = cut(64), sessionEnd = cut(466);
        // Entries that older versions do not use are not asked for: their language
        // files may end before them.
        if (TMVersion >= kVersion2602) {
            c.lead[L591] = cut(591);
            c.lead[L594] = cut(594);
        }
        if (TMVersion >= kVersion2605)
            c.lead[L608] = cut(608);

        static_assert(kLeadCount <= 32, "the leads of a line are the bits of a 32-bit word");
        std::array<std::uint32_t, 256> leadsByFirst{};
        std::array<TMsgWords, kLeadCount> leadWords{};
        std::array<std::size_t, kLeadCount> valueAt{};
        for (unsigned which = 0; which < kLeadCount; ++which) {
            leadWords[which].Set(c.lead[which]);
            // Where MsgAfter cuts a message that begins with the entry.
            const std::string& lead = c.lead[which];
            valueAt[which] =
                static_cast<std::size_t>(MsgCol - 1) + lead.size() + (lead.empty() || lead.back() != ' ' ? 1 : 0);
            if (!c.lead[which].empty())
                leadsByFirst[static_cast<unsigned char>(c.lead[which][0])] |= 1u << which;
        }

        humanWord_ = FirstWordOf(c.lead[L47]);
        failedWord_ = FirstWordOf(c.lead[L3]);
        errorWordA_ = FirstWordOf(cut(147));
        infoWord_ = FirstWordOf(c.lead[L199]);
        errorWordB_ = FirstWordOf(cut(62));
        const std::string whole422 = lng->GetStr(422);
        errorLineWord_ = std::string(NthWord(whole422, 4, ' '));
        errorLineText_.Set(errorLineWord_);
        protocolText_.Set(c.e65);
        trafficText_.Set(c.e467);
        connectIn_ = connect_.Anchor(c.lead[L2], kMsgAt);
        connectOut_ = connect_.Anchor(outgoing, kMsgAt);
        protocolAt_ = protocolText_.Anchor(handshake, kMsgAt);
        trafficAt_ = trafficText_.Anchor(sessionEnd, kMsgAt);
        const std::string whole240 = lng->GetStr(240);
        std::string_view skip = NthWord(whole240, 2, ',');
        dialSkip_ = skip.size() > 3 ? std::string(skip.substr(0, skip.size() - 3)) : std::string();
        dialSkipWords_.Set(dialSkip_);
        cut_ = std::move(c);
        leadsByFirst_ = leadsByFirst;
        leadWords_ = leadWords;
        valueAt_ = valueAt;
    } catch (const EMailerLngError& e) {
        // The reader's text does not say which file is short.
        throw EMailerLngError(path + ": " + e.what());
    }
    lng_ = std::move(lng);
}

// ------------------------------------------------------------------ configuration

void TTMailLog::ReadCtl()
{
    TTMailConfig cfg;
    TQParser parser;
    parser.AddEnvDefines("%");
    parser.Defines().Add("%TASKNO%", std::to_string(TaskNo));
    // Lines may carry a "[...]" prefix (the mailer's conditions); the keyword follows it.
    parser.OnBeforeParse = [](std::string& line, TQParserAction&) {
        std::string_view t = TrimControls(line);
        if (!t.empty() && t.front() == '[') {
            std::size_t close = t.find(']');
            if (close != std::string_view::npos)
                t.remove_prefix(close + 1);
        }
        line = std::string(t);
    };
    parser.AddStr("Freq_Ndx", cfg.FreqNdx);
    parser.AddStr("Freq_Dir", cfg.FreqDir);
    parser.AddStr("AddressAliases", cfg.AddressAliases);
    parser.AddStr("Sys_Path", cfg.SysPath);
    parser.AddStr("Chat_Log", cfg.ChatLog);
    parser.Parse(MakePath(kCtlFile, MailerPath()));

    if (!cfg.SysPath.empty())
        cfg.SysPath = RemoveTrailingBackslash(MakePath(cfg.SysPath, MailerPath()));
    cfg.ChatLog = MakePath(cfg.ChatLog, MailerPath());
    config_ = std::move(cfg);
    configRead_ = true;
    configTask_ = TaskNo;
}

void TTMailLog::EnsureCtl()
{
    // %TASKNO% may stand in the file: another task number means other values.
    if (!configRead_ || configTask_ != TaskNo)
        ReadCtl();
}

void TTMailLog::LoadDirList()
{
    dirList_ = ReadPathList(MakePath(config_.FreqDir, MailerPath()));
    indexes_.clear();
    // Backwards, so that entries can be taken out; the index list keeps the order of
    // the file, in which the mailer searches.
    for (std::size_t i = dirList_.size(); i-- > 0;) {
        if (dirList_[i].front() != '@') {
            dirList_[i] = MakePath(dirList_[i], MailerPath());
            continue;
        }
        std::string name(TrimControls(std::string_view(dirList_[i]).substr(1)));
        dirList_.erase(dirList_.begin() + static_cast<std::ptrdiff_t>(i));
        if (name.empty())
            continue;
        std::string full = MakePath(name, MailerPath());
        try {
            std::unique_ptr<TFileIndex> index;
            if (TMVersion >= kVersion2604)
                index = std::make_unique<TFileIndex2604>(full);
            else
                index = std::make_unique<TFileIndex2600>(full);
            indexes_.insert(indexes_.begin(), {full, std::move(index)});
        } catch (const ENdxError& e) {
            // Only the file paths of served requests depend on an index: the user is
            // told, and the log is analysed without it.
            MessageDlgLOr(92, {std::string(e.what())}, "Error reading the mailer configuration",
                          TMsgDlgType::mtWarning, mbOK);
        }
    }
}

void TTMailLog::ReadAddressAliases(const std::string& fileName)
{
    ClearAliases();
    ownsGlobalAliases_ = true;
    const std::string text = ReadWholeFile(ToHostPath(fileName));
    ForEachLine(text, [this](std::string_view raw) {
        std::string_view line = TrimControls(raw);
        if (line.empty() || line.front() == ';')
            return;
        // The address is the first word; the name is the rest of the line.
        std::size_t i = 0;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        std::string_view addrText = line.substr(0, i);
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i >= line.size())
            return;  // one word: no alias
        std::string_view name = TrimControls(line.substr(i));
        TFidoAddr addr;
        if (!TFidoAddr::TryParse(addrText, 0, addr)) {
            MessageDlgLOr(112, {std::string(line)}, "Invalid address in the address alias file",
                          TMsgDlgType::mtWarning, mbOK);
            return;
        }
        // The log is compared with the bytes of the file; the table of aliases is
        // printed to the screen, so it holds the name as text.
        addrAliases_.Add(name, addrText);
        if (!name.empty()) {
            const auto first = static_cast<unsigned char>(UpperAscii(name.front()));
            aliasFirst_[first / 64] |= std::uint64_t{1} << (first % 64);
        }
        AddAlias(addr, DecodeToUtf8(name, OemAnsi().Oem()));
    });
}

void TTMailLog::ReadConfig()
{
    // Read at every analysis, so that changes of the mailer's files are seen.
    ReadCtl();
    LoadDirList();
    if (!config_.FreqNdx.empty())
        ReadAliasFile(MakePath(config_.FreqNdx, MailerPath()));
    addrAliases_.Clear();
    aliasFirst_ = {};
    if (!config_.AddressAliases.empty()) {
        ReadAddressAliases(MakePath(config_.AddressAliases, MailerPath()));
    } else if (ownsGlobalAliases_) {
        ClearAliases();
        ownsGlobalAliases_ = false;
    }
}

std::string TTMailLog::ResolveFreqName(std::string_view fileName)
{
    // The indexer writes the directories as T-Mail sees them, relative to its own
    // directory; the directory list is resolved against it already.
    for (auto& [name, index] : indexes_) {
        std::string found = index->FindFile(fileName);
        if (!found.empty())
            return MakePath(found, MailerPath());
    }
    return FindFileInPaths(fileName, dirList_);
}

std::vector<std::string> TTMailLog::IndexNames() const
{
    std::vector<std::string> names;
    for (const auto& [name, index] : indexes_)
        names.push_back(name);
    return names;
}

std::string TTMailLog::SystemDir()
{
    EnsureCtl();
    return config_.SysPath.empty() ? RemoveTrailingBackslash(MailerPath()) : config_.SysPath;
}

std::string TTMailLog::ChatLogFile()
{
    EnsureCtl();
    return config_.ChatLog;
}

// ------------------------------------------------------------------ history

std::string TTMailLog::HistoryFileName() const { return tarvix::HistoryFileName(TaskNo); }

bool TTMailLog::AdjustHistory(std::int64_t bytesRemoved)
{
    if (bytesRemoved <= 0 || TMVersion < kVersion2603)
        return false;
    const std::string path = ToHostPath(MakePath(HistoryFileName(), SystemDir()));
    std::string adjusted;
    try {
        adjusted = LowerHistoryPositions(ReadWholeFile(path), path, bytesRemoved);
    } catch (const EHistoryError&) {
        MessageDlgLOr(107, {}, "The session history file has an unknown format; it was not adjusted",
                      TMsgDlgType::mtWarning, mbOK);
        return false;
    }
    WriteFileAtomic(path, adjusted);
    return true;
}

// ------------------------------------------------------------------ the line parser

std::uint32_t TTMailLog::LeadsOf(std::string_view line) const
{
    return line.size() > kMsgAt ? leadsByFirst_[static_cast<unsigned char>(line[kMsgAt])] : 0;
}

// Inlined into every handler that asks it (see bench/Inlining.md).
[[gnu::always_inline]] inline bool TTMailLog::Is(std::string_view line, std::uint32_t leads, TLead which) const
{
    if ((leads >> which & 1u) == 0)
        return false;
    // One or two machine words decide, unless the line is too short to load them.
    const TMsgWords& words = leadWords_[which];
    if (line.size() >= kMsgAt + words.Need())
        return words.Begins(line.data() + kMsgAt, cut_.lead[which]);
    return MsgIs(line, cut_.lead[which]);
}

std::string_view TTMailLog::ValueOf(std::string_view line, TLead which) const
{
    const std::size_t at = valueAt_[which];
    return at >= line.size() ? std::string_view{} : line.substr(at);
}

std::string_view TTMailLog::AliasedAddr(std::string_view text) const
{
    if (!text.empty()) {
        const auto first = static_cast<unsigned char>(UpperAscii(text.front()));
        if ((aliasFirst_[first / 64] >> (first % 64) & 1u) == 0)
            return text;
    }
    long i = addrAliases_.IndexOf(text);
    return i >= 0 ? std::string_view(addrAliases_.ValueAt(static_cast<std::size_t>(i))) : text;
}

void TTMailLog::ParseMailerLine(std::string_view line)
{
    if (!IsDated(line))
        return;
    if (State != 0 && !SessionOpen()) {
        State = 0;  // no session to read into
        return;
    }
    const std::uint32_t leads = LeadsOf(line);
    if (State == 0)
        NoSession(line, leads);
    else if (line.size() > kMsgAt && static_cast<unsigned char>(line[kMsgAt]) == kMarker)
        StatusLine(line, *CurSess());
    else if ((leads & kSpoilLeads) != 0)
        SpoilLine(line, *CurSess(), leads);
    else
        Step(line, *CurSess(), leads);
}

void TTMailLog::NoSession(std::string_view line, std::uint32_t leads)
{
    if ((leads & kCallLeads) == 0) {
        if (IsStatus(line))
            SessionStartLine(line, leads);
        return;
    }
    if (Is(line, leads, L608) && TMVersion >= kVersion2605)
        CallLine(line, L608);
    else if (Is(line, leads, L16))
        CallLine(line, L16);
    else if (Is(line, leads, L15))
        CallLine(line, L15);
    else if (IsStatus(line))
        SessionStartLine(line, leads);
}

void TTMailLog::SessionStartLine(std::string_view line, std::uint32_t leads)
{
    const bool incoming = Is(line, leads, L2);
    const std::size_t at = connect_.FindAt(line, incoming ? connectIn_ : connectOut_, kMsgAt);
    if (at == std::string_view::npos)
        return;
    StartSession(line, incoming);
    std::size_t from = at + kConnect.size() + 1;
    CurSess()->SetConnect(from < line.size() ? line.substr(from) : std::string_view{});
    if (incoming)
        SetDialAddr(std::nullopt);
}

void TTMailLog::StatusLine(std::string_view line, TSess& s)
{
    // The traffic totals "<received>/<sent>, ..." end the session; so does any other
    // status line.
    if (!cut_.e467.empty()) {
        const std::size_t at = trafficText_.FindAt(line, trafficAt_, kMsgAt);
        if (at != std::string_view::npos) {
            const std::size_t from = at + cut_.e467.size() + 1;
            const std::string_view text = from < line.size() ? line.substr(from, kMaxTraffic) : std::string_view{};
            if (!PlainTraffic(text, s.BytesRcvd, s.BytesSent)) {
                OddTrafficLine(line, s, text);
                return;
            }
        }
    }
    EndSession(line);
}

void TTMailLog::OddTrafficLine(std::string_view line, TSess& s, std::string_view text)
{
    std::string bad;
    std::size_t slash = text.find('/');
    std::string_view rcvd = text.substr(0, slash);
    std::string_view rest = slash == std::string_view::npos ? std::string_view{} : text.substr(slash + 1);
    std::string_view sent = rest.substr(0, rest.find(','));
    try {
        s.BytesRcvd = ParseCount(rcvd);
        s.BytesSent = ParseCount(sent);
    } catch (const EConvertError& e) {
        bad = e.what();
    }
    // The session ends even when its totals are damaged; the line is reported.
    EndSession(line);
    if (!bad.empty())
        throw EConvertError(bad);
}

void TTMailLog::SpoilLine(std::string_view line, TSess& s, std::uint32_t leads)
{
    if (Is(line, leads, L3)) {
        s.Set(sfBad, true);
        EndSession(line);
        return;
    }
    if (Is(line, leads, L424) || Is(line, leads, L587) || Is(line, leads, L4))
        s.Set(sfOK, false);
    Step(line, s, leads);
}

void TTMailLog::Step(std::string_view line, TSess& s, std::uint32_t leads)
{
    switch (State) {
    case tsConnected:
        StateConnected(line, s, leads);
        break;
    case tsSysOp:
        StateSysOp(line, s, leads);
        break;
    case tsSystem:
        StateSystem(line, s, leads);
        break;
    case tsHandshake:
        StateHandshake(line, s, leads);
        break;
    case tsTransfer:
        StateTransfer(line, s, leads);
        break;
    case tsHuman:
        StateHuman(line, leads);
        break;
    case tsFtsOne:
        StateFtsOne(line, s, leads);
        break;
    default:
        break;
    }
}

void TTMailLog::CallLine(std::string_view line, TLead kind)
{
    const std::string& entry = cut_.lead[kind];
    TWords words(line, kMsgAt, ',');
    const std::string_view first = words.Next();
    if (BeginsWith(line, words.Next(), dialSkipWords_, dialSkip_)) {
        SetDialAddr(std::nullopt);
        return;
    }
    std::string_view addrText = first.size() > entry.size() ? first.substr(entry.size()) : std::string_view{};
    if (kind == L608) {
        std::size_t paren = addrText.rfind('(');
        if (paren != std::string_view::npos)
            addrText = addrText.substr(0, paren);
    }
    addrText = TrimControls(addrText);
    if (TMVersion >= kVersion2603 && addrAliases_.Count() > 0)
        addrText = AliasedAddr(addrText);
    // The call replaces whatever call was placed before, also when its address is bad.
    SetDialAddr(std::nullopt);
    // A bad address is the usual damage of a call line: it is reported without an
    // exception (FailLine).
    if (addrText.empty()) {
        FailLine(NoAddressText());
        return;
    }
    if (addrText.front() != '?') {
        TFidoAddr addr;
        std::string error;
        if (!TFidoAddr::TryParse(addrText, 0, addr, error)) {
            FailLine(std::move(error));
            return;
        }
        SetDialAddr(addr);
        if (NodeStats)
            NodeStats->AddCall(addr);
    }
    if (kind == L608)
        return;
    // The result is the third word; the texts it is compared with hold no comma, so
    // they begin the rest of the line just when they begin that word.
    std::string_view result = TrimLeftControls(words.Rest());
    int code = result.starts_with("BUSY") ? 0 : result.starts_with("NO CARRIER") ? 1 : -1;
    if (code < 0)
        return;
    if (NodeStats && DialAddr())
        NodeStats->AddResult(&*DialAddr(), code);
    SetDialAddr(std::nullopt);
}

void TTMailLog::StateConnected(std::string_view line, TSess& s, std::uint32_t leads)
{
    const std::string_view msg = line.substr(kMsgAt);
    if (Is(line, leads, L56)) {
        s.Set(sfListed, false);
    } else if (!msg.empty() && msg[0] >= '0' && msg[0] <= '9') {
        RemoteAddressLine(line, s);
    } else if (Is(line, leads, L47)) {
        s.Set(sfHuman, true);
        State = tsHuman;
    } else if (Is(line, leads, L42)) {
        s.Set(sfFTS1, true);
        s.Protocol = 1;
        State = tsFtsOne;
    } else if (Is(line, leads, L34) && HasText(line, "MAIL-ONLY")) {
        s.Set(sfMailOnly, true);
    }
}

void TTMailLog::StateSysOp(std::string_view line, TSess& s, std::uint32_t leads)
{
    if (!Is(line, leads, L32))
        return;
    std::string_view value = ValueOf(line, L32);
    std::size_t comma = FindLast(value, ',');
    if (comma != std::string_view::npos) {
        s.SysOp = KeepText(value.substr(0, comma));
        s.Phone = KeepText(comma + 2 < value.size() ? value.substr(comma + 2) : std::string_view{});
    } else {
        s.SysOp = KeepText(value);
    }
    State = tsSystem;
}

void TTMailLog::StateSystem(std::string_view line, TSess& s, std::uint32_t leads)
{
    if (!Is(line, leads, L33))
        return;
    std::string_view value = ValueOf(line, L33);
    s.System = KeepText(value.substr(0, FindByteIn(line, value, ',')));
    State = tsHandshake;
}

void TTMailLog::StateHandshake(std::string_view line, TSess& s, std::uint32_t leads)
{
    if (Is(line, leads, L60)) {
        s.Set(sfPassword, true);
    } else if (Is(line, leads, L58)) {
        s.Set(sfBadPassword, true);
    } else if (!cut_.e65.empty()) {
        std::size_t at = protocolText_.FindAt(line, protocolAt_, kMsgAt);
        if (at != std::string_view::npos) {
            std::size_t from = at + cut_.e65.size() + 1;
            std::string_view text = from < line.size() ? line.substr(from) : std::string_view{};
            s.SetProtocol(text.substr(0, FindByteIn(line, text, ',')));
            State = tsTransfer;
        }
    }
}

void TTMailLog::StateTransfer(std::string_view line, TSess& s, std::uint32_t leads)
{
    if (Is(line, leads, L159)) {
        if (s.Addr)
            AddFreq(ValueOf(line, L159), *s.Addr);
        return;
    }
    // "<protocol letter>S-..." is a file sent, "<protocol letter>R-..." one received.
    if (line.size() < kMsgAt + 3 || line[kMsgAt + 2] != '-')
        return;
    if (line[kMsgAt + 1] == 'S') {
        SentFileLine(line, s);
    } else if (line[kMsgAt + 1] == 'R') {
        ++s.FilesRcvd;
        FailedTransferLine(line, s);
    }
}

void TTMailLog::FailedTransferLine(std::string_view line, TSess& s)
{
    if (errorLineText_.In(line))
        s.Set(sfOK, false);
}

void TTMailLog::StateHuman(std::string_view line, std::uint32_t leads)
{
    if (Is(line, leads, L203) || Is(line, leads, L21) || Is(line, leads, L199))
        EndSession(line);
}

void TTMailLog::StateFtsOne(std::string_view line, TSess& s, std::uint32_t leads)
{
    if (Is(line, leads, L26)) {
        EndSession(line);
    } else if (TMVersion >= kVersion2602 && Is(line, leads, L594)) {
        s.Mailer = KeepText(ValueOf(line, L594));
    } else if (TMVersion >= kVersion2602 && Is(line, leads, L591)) {
        ++s.FilesRcvd;
        if (errorLineText_.In(line)) {
            s.Set(sfOK, false);
        } else {
            std::string_view bytes = NthWord(ValueOf(line, L591), 2, ' ');
            if (!bytes.empty())
                AddCount(s.BytesRcvd, ParseCount(bytes));
        }
    }
}

void TTMailLog::RemoteAddressLine(std::string_view line, TSess& s)
{
    // "<address>, <word> <mailer>": the mailer follows the first word after the comma
    // and the byte after it.
    s.Set(sfHuman, false);
    const std::size_t comma = FindByte(line, ',', kMsgAt, line.size());
    const std::size_t end = comma != std::string_view::npos ? comma : line.size();
    TFidoAddr addr;
    std::string error;
    if (!TFidoAddr::TryParse(TrimControls(line.substr(kMsgAt, end - kMsgAt)), 0, addr, error)) {
        FailLine(std::move(error));
        return;
    }
    s.Addr = addr;
    // What FirstWord leaves after the first word.
    std::size_t i = comma != std::string_view::npos && line.size() - comma > 2 ? comma + 2 : line.size();
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    i = FindBlank(line, i, line.size());
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    s.Mailer = KeepText(TrimLeftControls(line.substr(i)));
    State = tsSysOp;
}

void TTMailLog::SentFileLine(std::string_view line, TSess& s)
{
    ++s.FilesSent;
    if (s.Addr && HasOk(line))
        SentFileRequest(line, *s.Addr);
    FailedTransferLine(line, s);
}

void TTMailLog::SentFileRequest(std::string_view line, const TFidoAddr& addr)
{
    std::size_t slash = std::string_view::npos;
    const std::string_view word = SentFileName(line, slash);
    if (word.empty())
        return;
    if (slash != std::string_view::npos)
        FreqSent(word.substr(slash + 1), word, addr);
    else
        FreqSent(word, std::string_view{}, addr);
}

void RegisterTMailLogStyle()
{
    RegisterLogStyle(lsTMail, [] { return std::unique_ptr<TLog>(std::make_unique<TTMailLog>()); });
}

}  // namespace tarvix
