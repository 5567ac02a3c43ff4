#include "engine/Log.h"

#include "engine/LogYears.h"

#include "fido/Dialogs.h"
#include "fido/Lng.h"
#include "platform/Error.h"
#include "platform/FileRead.h"
#include "platform/ReadOpen.h"
#include "platform/Scan.h"
#include "platform/SysCall.h"
#include "platform/UniqueFd.h"
#include "settings/SettingsStore.h"

#include <bit>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <linux/falloc.h>
#include <map>
#include <thread>
#include <sys/file.h>
#include <sys/stat.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarvix {

namespace {

// The pages of a mapped log that the analysis has passed are given back in steps of
// this size; the last stretch before the line being read stays.
constexpr std::size_t kReleaseStep = std::size_t(32) << 20;
constexpr std::size_t kReleaseKeep = std::size_t(1) << 20;
// The pages ahead of the analysis are mapped in stretches of this size, one call
// each instead of a page fault every few pages.
constexpr std::size_t kPopulateStep = std::size_t(2) << 20;
// How far ahead of the line reader the text is asked into the cache.
constexpr std::size_t kPrefetchAhead = 4096;

// The offset of the first CR, LF or zero byte at or after i, or size.
std::size_t FindLineEnd(const char* data, std::size_t i, std::size_t size)
{
    for (; i < size; ++i) {
        char c = data[i];
        if (c == '\r' || c == '\n' || c == '\0')
            break;
    }
    return i;
}

// The bytes among the 64 at data that may end a line, one bit each: every byte from
// zero to CR, which covers CR, LF and zero with one compare; the few others (tab,
// form feed, ...) are told apart where a bit is used.
std::uint64_t LineEndMask(const char* data)
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    std::uint64_t mask = 0;
    for (int k = 0; k < 4; ++k) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * k));
        __m128i hit = _mm_cmpeq_epi8(_mm_min_epu8(v, cr), v);
        mask |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(hit))) << (16 * k);
    }
    return mask;
#else
    std::uint64_t mask = 0;
    for (int k = 0; k < 64; ++k)
        if (data[k] == '\r' || data[k] == '\n' || data[k] == '\0')
            mask |= std::uint64_t(1) << k;
    return mask;
#endif
}

std::int64_t NowMillis()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::map<int, std::function<std::unique_ptr<TLog>()>>& StyleRegistry()
{
    static std::map<int, std::function<std::unique_ptr<TLog>()>> registry;
    return registry;
}

bool ReadAll(int fd, char* p, std::size_t n, off_t at)
{
    while (n > 0) {
        const ssize_t got = RetryOnSignal([&] { return ::pread(fd, p, n, at); });
        if (got <= 0)
            return false;
        p += got;
        n -= static_cast<std::size_t>(got);
        at += got;
    }
    return true;
}

bool WriteAll(int fd, const char* p, std::size_t n, off_t at)
{
    while (n > 0) {
        const ssize_t put = RetryOnSignal([&] { return ::pwrite(fd, p, n, at); });
        if (put <= 0)
            return false;
        p += put;
        n -= static_cast<std::size_t>(put);
        at += put;
    }
    return true;
}

}  // namespace

TLog::TLog() : Name(LTextOr(90, {}, "New log")) {}

TLog::~TLog() = default;

bool TLog::IsDateWord(int, std::string_view) { return false; }
bool TLog::IsErrorWord(std::string_view) { return false; }
bool TLog::WordClass(std::string_view, int) { return false; }

int TLog::GetWordClass(std::string_view word, std::int64_t lineNo, int col)
{
    if (IsDateWord(col, word))
        return hcDateTime;
    if (IsErrorWord(word)) {
        HlClass = hcErrors;
        HlLine = lineNo;
        return hcErrors;
    }
    if (lineNo == HlLine)
        return HlClass;
    HlClass = hcNormal;
    if (WordClass(word, col))
        HlLine = lineNo;
    return HlClass;
}

void TLog::ResetHighlightState()
{
    HlClass = hcNormal;
    HlLine = -1;
}

void TLog::DateTextChanged(std::string_view line, std::string_view date)
{
    if (NoYearInLines && !YearsFit(line))
        return;
    NewDay(LineNo, DateOfLine(line));
    LastDateText = date;
}

TLogDay& TLog::NewDay(std::int64_t firstLine, TDateTime date)
{
    if (!days_.empty() && DateOf(days_.back().Date) == DateOf(date))
        return days_.back();
    TLogDay day;
    day.FirstLine = firstLine;
    day.FilePos = LinePos;
    day.Date = date;
    days_.push_back(day);
    return days_.back();
}

void TLog::Reset()
{
    days_.clear();
    IsNew = false;
}

void TLog::Assign(const TLog& other)
{
    Name = other.Name;
    Path = other.Path;
    AutoNew = other.AutoNew;
    CutSize = other.CutSize;
    CutMode = other.CutMode;
}

void TLog::LoadFromReg(const TIniFile& ini, std::string_view section)
{
    Name = ini.ReadString(section, "Name", "");
    Path = ini.ReadString(section, "Path", "");
    AutoNew = ini.ReadBool(section, "AutoNew", false);
    LastStr = ini.ReadString(section, "LastStr", "");
    CutMode = ini.ReadInteger(section, "CutMode", 0) == 1 ? 1 : 0;
    CutSize = ini.ReadInteger(section, "CutSize", 0);
    if (CutSize < 0)
        CutSize = 0;
    Highlight = ini.ReadBool(section, "Highlight", true);
}

void TLog::SaveToReg(TIniFile& ini, std::string_view section) const
{
    ini.WriteString(section, "Name", Name);
    ini.WriteString(section, "Path", Path);
    ini.WriteInteger(section, "Style", Style);
    ini.WriteBool(section, "AutoNew", AutoNew);
    ini.WriteString(section, "LastStr", LastStr);
    ini.WriteInteger(section, "CutMode", CutMode);
    ini.WriteInteger(section, "CutSize", CutSize);
    ini.WriteBool(section, "Highlight", Highlight);
}

TDateTime TLog::DateOfLine(std::string_view) { return DateOf(Now()); }

bool TLog::DaysSpanYears() const { return SpansYears(days_); }

bool TLog::MonthDayOfLine(std::string_view, int&, int&) const { return false; }

bool TLog::FindYears()
{
    // One pass over the text before the analysis, lighter than the analysis's own
    // reading: it finds the line ends 64 bytes at a time and looks at a line only
    // where its date text differs from that of the dated line before (once a day, in
    // most logs). The lines are cut as ReadLine cuts them (CR, LF, CR LF; the text
    // ends at a zero byte); the years begin at byte offsets. The pages it maps stay
    // for the analysis, which gives them back behind itself; the window gets its
    // turns as during the analysis.
    //
    // A large log is not read whole: the pass samples the first line at or after
    // every step (YearsSampleStep bytes). Where the sample carries the date text of
    // the dated line read last, the bytes before it are taken to hold no other date
    // and are skipped; elsewhere the pass samples the halves of the way, down to a
    // sixteenth of the step, which it reads line by line. The years come out as
    // those of the full pass unless a year or more passes between two samples of
    // the same date text; the analysis that follows checks them against the dates
    // it sees (YearsFit) and, where they differ, runs again with the full pass
    // (fullYears_: the same pass without a step).
    TLogYears years;
    const std::size_t dateAt = DatePos > 0 ? static_cast<std::size_t>(DatePos - 1) : 0;
    const std::size_t dateLen = DateLen > 0 ? std::min<std::size_t>(static_cast<std::size_t>(DateLen), 16) : 0;
    char lastText[16];
    bool haveText = false;
    const char* const data = data_;
    const std::size_t size = size_;
    const std::size_t step =
        fullYears_ || dateLen == 0 || size < YearsSampleFrom ? 0 : std::max<std::size_t>(YearsSampleStep, 64);
    checkYears_ = step != 0;
    // A date text of up to 8 bytes is compared as one word where 8 bytes can be read.
    const std::uint64_t keyMask = dateLen >= 8 ? ~std::uint64_t(0) : (std::uint64_t(1) << (8 * dateLen)) - 1;
    std::uint64_t lastKey = 0;
    std::size_t lineStart = 0;
    auto line = [&](std::size_t end) {
        const std::size_t len = std::min(end - lineStart, kMaxLine);
        const char* p = data + lineStart;
        if (len == 0)
            return;
        if (dateLen != 0) {
            if (len < dateAt + dateLen)
                return;  // too short for a date
            if (haveText) {
                if (dateLen <= 8 && lineStart + dateAt + 8 <= size) {
                    std::uint64_t key;
                    std::memcpy(&key, p + dateAt, sizeof key);
                    if ((key & keyMask) == lastKey)
                        return;
                } else if (std::memcmp(p + dateAt, lastText, dateLen) == 0) {
                    return;
                }
            }
        }
        int month = 0, day = 0;
        if (!MonthDayOfLine(std::string_view(p, len), month, day))
            return;
        years.Add(static_cast<std::int64_t>(lineStart), month, day);
        std::memcpy(lastText, p + dateAt, dateLen);
        lastKey = 0;
        std::memcpy(&lastKey, lastText, std::min<std::size_t>(dateLen, 8));
        haveText = true;
    };
    constexpr std::size_t kTurn = std::size_t(1) << 20;  // the window's turn, every megabyte
    std::size_t nextTurn = 0;
    auto turn = [&](std::size_t at) {
        if (at < nextTurn)
            return true;
        nextTurn = at + kTurn;
        return YearsPassTurn(at);
    };
    bool ended = false;
    // Reads every line from lineStart on until one starts at or after to, or the
    // text ends (ended); false when the analysis is to stop.
    auto readLines = [&](std::size_t to) {
        for (std::size_t block = lineStart; block < size && lineStart < to; block += 64) {
            if (!turn(block))
                return false;
            std::uint64_t mask;
            if (size - block >= 64) {
                mask = LineEndMask(data + block);
            } else {
                mask = 0;
                for (std::size_t k = 0; k < size - block; ++k)
                    if (static_cast<unsigned char>(data[block + k]) <= '\r')
                        mask |= std::uint64_t(1) << k;
            }
            while (mask != 0 && lineStart < to) {
                const std::size_t i = block + static_cast<unsigned>(__builtin_ctzll(mask));
                mask &= mask - 1;
                const char c = data[i];
                if (c == '\0') {
                    line(i);
                    ended = true;
                    return true;
                }
                if ((c != '\n' && c != '\r') || i < lineStart)
                    continue;  // another control byte, or the LF of a CR LF
                line(i);
                lineStart = i + 1;
                if (c == '\r' && lineStart < size && data[lineStart] == '\n')
                    ++lineStart;
            }
        }
        return true;
    };
    // The sample after offset at: the start of the first line at or after it, or size
    // where no line starts there (or a zero byte ends the text before).
    auto sampleAt = [&](std::size_t at) {
        const std::size_t i = FindLineEnd(data, at - 1, size);
        if (i >= size || data[i] == '\0')
            return size;
        return i + 1 + (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n' ? 1 : 0);
    };
    // Whether the line at s carries the date text of the dated line read last.
    auto sameDate = [&](std::size_t s) {
        if (!haveText || s + dateAt + dateLen > size || FindLineEnd(data, s, s + dateAt + dateLen) != s + dateAt + dateLen)
            return false;
        return std::memcmp(data + s + dateAt, lastText, dateLen) == 0;
    };
    // Brings the pass to the line at s: skips to it where it carries the date text
    // read last; reads every line up to it where the way is short (the step's
    // sixteenth at most); else goes to a sample half way first, then on to s.
    const std::size_t shortWay = std::max<std::size_t>(step / 16, 64);
    auto advance = [&](auto& self, std::size_t s) -> bool {
        if (sameDate(s)) {
            lineStart = s;
            return true;
        }
        if (s - lineStart <= shortWay)
            return readLines(s);
        const std::size_t half = sampleAt(lineStart + (s - lineStart) / 2);
        if (half >= s)
            return readLines(s);
        return self(self, half) && (ended || self(self, s));
    };
    for (std::size_t at = step; step != 0 && at < size && !ended; at += step) {
        if (at <= lineStart)
            continue;  // a long line
        const std::size_t s = sampleAt(at);
        if (s >= size)
            break;
        if (!turn(s) || !advance(advance, s))
            return false;
    }
    if (!ended && lineStart < size) {
        if (!readLines(size))
            return false;
        if (!ended && lineStart < size)
            line(size);
    }
    yearStarts_ = years.YearStarts();
    nextYear_ = 0;
    nextYearAt_ = yearStarts_.empty() ? INT64_MAX : yearStarts_.front();
    lineYear_ = years.FirstYear(CurrentYear());
    return true;
}

bool TLog::YearsPassTurn(std::size_t at)
{
    if (at + kPopulateStep / 2 >= populated_ && populated_ < size_ && !map_.Empty()) {
        const std::size_t from = std::max(populated_, at);
        map_.PopulatePages(from, from + kPopulateStep);
        populated_ = from + kPopulateStep;
    }
    const std::int64_t now = NowMillis();
    if (Window && now - lastPump_ >= PumpMillis) {
        lastPump_ = now;
        Window->ProcessMessages();
    }
    if (!Window)
        return false;
    if (AbortRequest) {
        AbortRequest = false;
        return false;
    }
    return true;
}

void TLog::NextYear()
{
    // A line that begins a year, and every year whose first line it is not.
    while (LinePos >= nextYearAt_) {
        ++lineYear_;
        ++nextYear_;
        nextYearAt_ = nextYear_ < yearStarts_.size() ? yearStarts_[nextYear_] : INT64_MAX;
    }
}

void TLog::StartReading()
{
    lastPump_ = NowMillis();
    cursor_ = 0;
    ahead_ = 0;
    aheadCount_ = 0;
    populated_ = 0;
    atEnd_ = size_ == 0 && !held_;
}

bool TLog::KeepGoingSlow()
{
    // The clock is read every 256 lines only: lines take well under a microsecond.
    if ((LineNo & 255) == 0) {
        if (cursor_ + kPopulateStep / 2 >= populated_ && populated_ < size_ && !map_.Empty()) {
            const std::size_t from = std::max(populated_, cursor_);
            map_.PopulatePages(from, from + kPopulateStep);
            populated_ = from + kPopulateStep;
        }
        std::int64_t now = NowMillis();
        if (now - lastPump_ >= PumpMillis) {
            lastPump_ = now;
            Window->ProcessMessages();
        }
        // The analysis reads the text once, from first to last: the pages of a mapped
        // file it has passed need not stay in memory.
        if (cursor_ >= released_ + kReleaseStep + kReleaseKeep && !map_.Empty()) {
            map_.ReleasePages(released_, cursor_ - kReleaseKeep);
            released_ = cursor_ - kReleaseKeep;
        }
    }
    if (!Window)
        return false;
    if (AbortRequest) {
        AbortRequest = false;
        return false;
    }
    return true;
}

void TLog::CheckNewPart(std::string_view line)
{
    if (line.substr(0, kLastStrLen) == LastStr) {
        NewPartLine = LineNo;
        IsNew = true;
        NewPartFound();
    }
}

bool TLogWindow::ShowErrorLine(std::int64_t lineNo, const std::string& message)
{
    GoToLine(lineNo);
    return MessageDlgLOr(95, {lineNo, message}, "Error in line", TMsgDlgType::mtError, mbOKCancel) != mrCancel;
}

bool TLogWindow::ShowBadLine(std::int64_t lineNo, const std::string&)
{
    GoToLine(lineNo);
    return MessageDlgLOr(94, {lineNo}, "Error in line", TMsgDlgType::mtError, mbOKCancel) != mrCancel;
}

bool TLog::LineFailed(const std::exception& e)
{
    if (!Window)
        return MessageDlgLOr(94, {LineNo}, "Error in line", TMsgDlgType::mtError, mbOKCancel) != mrCancel;
    Window->LineError(LineNo, e.what());
    return Settings().SkipErrors || Window->ShowBadLine(LineNo, e.what());
}

bool TLog::YearsFit(std::string_view line)
{
    if (!watchYears_ && !checkYears_)
        return true;
    int month = 0, day = 0;
    if (!MonthDayOfLine(line, month, day))
        return true;  // not a date: the day split reports it
    const std::size_t before = seenYears_.YearStarts().size();
    seenYears_.Add(LinePos, month, day);
    const std::vector<std::int64_t>& seen = seenYears_.YearStarts();
    if (watchYears_) {
        // All of the log is taken to be in the current year.
        if (seen.size() == before && !(month == 2 && day == 29 && !IsLeapYear(CurrentYear())))
            return true;
    } else {
        // The years of the sampled pass: the years begun up to this line are those
        // the dates seen so far begin, at the same lines.
        if (seen.size() == nextYear_ && (seen.empty() || seen.back() == yearStarts_[seen.size() - 1]))
            return true;
    }
    yearsDoubt_ = true;
    return false;
}

bool TLog::Analyse(const TProgressFunc& progress)
{
    // A log whose lines carry no year is read first as if all of it were in the
    // current year, its dates watched as the days change: most logs are, and they
    // need no pass of their own. Where the year turns (or a 29 February needs
    // another year) the analysis starts again with the years worked out before
    // (FindYears), and once more with the full pass where the sampled one proves
    // wrong; the errors of the lines before that point were reported already.
    StartYears(true);
    auto step = [this](std::string_view line) {
        try {
            ParseLine(line);
        } catch (const std::exception& e) {
            return LineNo <= ReportedUpTo || LineFailed(e);
        }
        if (LineFailedQuietly()) [[unlikely]] {
            const std::string error = TakeLineFailure();
            return LineNo <= ReportedUpTo || LineFailed(Exception(error));
        }
        return true;
    };
    Reset();
    bool done = RunLines(progress, step);
    while (!done && AnalyseAgain()) {
        Reset();
        done = RunLines(progress, step);
    }
    watchYears_ = false;
    return done;
}

bool TLog::ContinueAnalysis(const TProgressFunc&) { return false; }

void TLog::NoteResumePoint(std::size_t size)
{
    resumeAt_ = std::string::npos;
    // A run stopped at a zero byte, or a text that ends in a line still being written,
    // is read again from the start.
    if (cursor_ != size_)
        return;
    const char last = cursor_ == 0 ? '\n' : data_[cursor_ - 1];
    if (last != '\n' && !(last == '\r' && cursor_ < size))
        return;
    resumeAt_ = cursor_;
    // ReadLine ends the text with an empty line at its very end, which is no line of
    // the file: the next run counts from the line before.
    resumeLine_ = LineNo > 0 && LinePos == static_cast<std::int64_t>(cursor_) ? LineNo - 1 : LineNo;
    const std::size_t keep = std::min<std::size_t>(cursor_, 64);
    resumeTail_.assign(data_ + cursor_ - keep, keep);
}

std::size_t TLog::WholeLinesEnd(std::size_t from) const
{
    // Back over the last line only: it is short, or a line being written.
    for (std::size_t end = size_; end > from; --end) {
        const char c = data_[end - 1];
        if (c == '\n' || (c == '\r' && end < size_))
            return end;
    }
    return from;
}

void TLog::ResumeReading(std::size_t start)
{
    lastPump_ = NowMillis();
    cursor_ = start;
    ahead_ = 0;
    aheadCount_ = 0;
    populated_ = start;
    atEnd_ = cursor_ >= size_;
}

bool TLog::ResumeYears()
{
    nextYearAt_ = INT64_MAX;
    checkYears_ = false;
    yearsDoubt_ = false;
    lineYear_ = endYear_;
    if (!NoYearInLines)
        return true;
    // The years of a log without them count back from its last line, taken to be of
    // the current year: in another year, every line before changes its year.
    if (endYear_ != CurrentYear())
        return false;
    // The new lines are watched for a turn of the year from the last day on.
    watchYears_ = true;
    seenYears_ = TLogYears();
    if (!days_.empty()) {
        int y, m, d;
        DecodeDate(days_.back().Date, y, m, d);
        seenYears_.Add(0, m, d);
    }
    return true;
}

void TLog::StartYears(bool watch)
{
    watchYears_ = watch && NoYearInLines;
    fullYears_ = false;
    yearsDoubt_ = false;
    ReportedUpTo = 0;
}

bool TLog::AnalyseAgain()
{
    if (!yearsDoubt_)
        return false;
    // Watching gives way to the sampled pass, the sampled pass to the full one.
    fullYears_ = !watchYears_;
    watchYears_ = false;
    yearsDoubt_ = false;
    ReportedUpTo = std::max(ReportedUpTo, LineNo - 1);
    return true;
}

void TLog::ReadFile()
{
    TMappedFile map;
    std::string text;
    try {
        // The log is mapped: the text is not copied, and the analysis gives back the
        // pages it has passed. Only regular files are read (a FIFO might never end,
        // a device never does).
        map = TMappedFile(Path);
    } catch (const ENotRegularFile& e) {
        throw ELogError(e.what());
    } catch (const EReadError& e) {
        if (e.what() != std::string("Stream read error"))
            throw ELogError(e.what());  // damaged compressed data, named
        throw ELogError(LTextOr(132, {}, "The log file could not be read completely"));
    } catch (const EFOpenError&) {
        throw ELogError(LTextOr(93, {Path}, "Cannot open log file"));
    } catch (const std::bad_alloc&) {
        throw ELogError(LTextOr(131, {}, "Not enough memory to read the log file"));
    } catch (const EInOutError&) {
        throw ELogError(LTextOr(132, {}, "The log file could not be read completely"));
    }
    // A compressed log (rotated away) is read, never cut or marked.
    Compressed = map.Compression() != TCompression::None;
    if (!Compressed && !LooksLikeText(map.View().substr(0, 64 * 1024))) {
        const std::string note = LGetSOr("Log.NotText", "");
        MessageDlgText(note.empty() ? Path + " does not look like a text file: it is read as a log all the same"
                                    : LFmtS("Log.NotText", {Path}),
                       TMsgDlgType::mtWarning, mbOK);
    }
    map_ = std::move(map);
    text_ = std::move(text);
    if (map_.Empty()) {
        data_ = text_.data();
        size_ = text_.size();
    } else {
        data_ = map_.Data();
        size_ = static_cast<std::size_t>(map_.Size());
        map_.AdviseSequential();
    }
    released_ = 0;
    populated_ = 0;
    held_ = true;
    cursor_ = 0;
    ahead_ = 0;
    aheadCount_ = 0;
    atEnd_ = false;
    LinePos = 0;
}

void TLog::SetText(std::string text)
{
    map_ = TMappedFile();
    text_ = std::move(text);
    data_ = text_.data();
    size_ = text_.size();
    released_ = 0;
    populated_ = 0;
    held_ = true;
    cursor_ = 0;
    ahead_ = 0;
    aheadCount_ = 0;
    atEnd_ = false;
    LinePos = 0;
}

void TLog::ReleaseFile()
{
    map_ = TMappedFile();
    std::string().swap(text_);
    data_ = "";
    size_ = 0;
    released_ = 0;
    held_ = false;
    cursor_ = 0;
    ahead_ = 0;
    aheadCount_ = 0;
    atEnd_ = true;
}

std::size_t TLog::NextLine(std::size_t start)
{
    FindLinesAhead(start);
    if (aheadCount_ != 0) {
        ahead_ = 1;
        cursor_ = aheadNext_[0];
        return aheadEnd_[0];
    }
    return EndAt(FindLineEnd(data_, start, size_));
}

void TLog::FindLinesAhead(std::size_t start)
{
    // Locals: the stores of the offsets could otherwise change the text's place and size
    // for all the compiler knows.
    const char* const data = data_;
    const std::size_t size = size_;
    std::size_t* const ends = aheadEnd_;
    std::size_t* const nexts = aheadNext_;
    // A control byte and the one after it, as a 16-bit word read from memory.
    constexpr std::uint16_t kCrLf = std::endian::native == std::endian::little ? 0x0A0D : 0x0D0A;
    std::size_t count = 0;
    std::size_t next = start;  // where the next line starts
    // The byte after a block is read with its last: a block must end before the text.
    for (std::size_t block = start; count < kAhead && size - block > 64; block += 64) {
        // The text is read once, from first to last: the bytes further on are asked
        // for now, so that they are at hand when their turn comes (a hint only: it
        // never faults, not even past the end).
        __builtin_prefetch(data + block + kPrefetchAhead);
        std::uint64_t mask = LineEndMask(data + block);
        if (next > block)  // the LF of a CR LF that ended the block before
            mask &= ~std::uint64_t(1);
        while (mask != 0) {
            const std::size_t i = block + static_cast<unsigned>(__builtin_ctzll(mask));
            mask &= mask - 1;
            std::uint16_t two;
            std::memcpy(&two, data + i, sizeof two);
            if (two == kCrLf) {
                next = i + 2;
                mask &= mask - 1;  // the LF's bit, when it is in this block
            } else if (data[i] == '\n' || data[i] == '\r') {
                next = i + 1;
            } else if (data[i] == '\0') {
                goto done;  // the zero byte ends the text: EndAt's work
            } else {
                continue;  // a tab or another control byte
            }
            ends[count] = i;
            nexts[count] = next;
            if (++count == kAhead)
                goto done;
        }
    }
done:
    aheadCount_ = count;
    ahead_ = 0;
}

std::size_t TLog::EndAt(std::size_t i)
{
    // A zero byte (or the end of the text) ends the text; CR, CR LF and LF end a line.
    std::size_t next = i + 1;
    if (i >= size_ || data_[i] == '\0') {
        atEnd_ = true;
        next = i;
    } else if (data_[i] == '\r' && next < size_ && data_[next] == '\n') {
        ++next;
    }
    cursor_ = next;
    return i;
}

const TLogDay& TLog::GetDay(std::size_t index) const
{
    if (index >= days_.size())
        throw ELogError("TLog.GetDay: day index out of bounds");
    return days_[index];
}

TLogDay& TLog::GetDay(std::size_t index)
{
    if (index >= days_.size())
        throw ELogError("TLog.GetDay: day index out of bounds");
    return days_[index];
}

long TLog::DayOfLine(std::int64_t lineNo) const
{
    if (days_.empty())
        return 0;
    // Days are in line order: the first day that starts after the line, minus one.
    std::size_t lo = 0, hi = days_.size();
    while (lo < hi) {
        std::size_t mid = (lo + hi) / 2;
        if (days_[mid].FirstLine > lineNo)
            hi = mid;
        else
            lo = mid + 1;
    }
    return static_cast<long>(lo) - 1;
}

std::int64_t TLog::DropHead(int fd, std::int64_t start, std::int64_t blockSize)
{
    const std::int64_t block = blockSize > 0 ? blockSize : 4096;
    const std::int64_t dropped = start / block * block;
    if (dropped <= 0)
        return 0;
    // The bytes of the old text that stay before the kept lines, read before the
    // head goes: they become one blank line.
    std::string head(static_cast<std::size_t>(start - dropped), ' ');
    if (!head.empty() && !ReadAll(fd, head.data(), head.size(), dropped))
        return 0;
    if (::fallocate(fd, FALLOC_FL_COLLAPSE_RANGE, 0, dropped) != 0)
        return 0;  // not this file system, or the file too short: copy instead
    // One blank line: the old line end before the kept lines stays, all else blanks.
    std::size_t keep = head.size();
    while (keep > 0 && keep + 2 > head.size() && (head[keep - 1] == '\n' || head[keep - 1] == '\r'))
        --keep;
    std::fill(head.begin(), head.begin() + static_cast<std::ptrdiff_t>(keep), ' ');
    if (!WriteAll(fd, head.data(), head.size(), 0))
        throw ELogError(LTextOr(134, {}, "Error while cutting the log file"));
    return dropped;
}

void TLog::FillHoles(int fd)
{
    // A writer that seeks to the end and then writes (rather than appending with
    // O_APPEND) may have taken the end before the cut and write there after it: its
    // line lands past the new end, behind a run of zero bytes that would end the
    // analysis. Its write was waiting for the cut to let go of the file; a moment
    // later the run is there, and becomes blanks and a line end. Writes there do not
    // race with the writer's, which go past the run. The whole file is looked at, so
    // that a run that a writer held up longer left at the last cut goes too.
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const std::int64_t from = 0;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size <= from)
        return;
    std::string tail(static_cast<std::size_t>(st.st_size - from), '\0');
    if (!ReadAll(fd, tail.data(), tail.size(), from))
        return;
    for (std::size_t at = tail.find('\0'); at != std::string::npos; at = tail.find('\0', at)) {
        const std::size_t end = std::min(tail.find_first_not_of('\0', at), tail.size());
        std::string blanks(end - at, ' ');
        blanks.back() = '\n';
        if (!WriteAll(fd, blanks.data(), blanks.size(), from + static_cast<std::int64_t>(at)))
            return;
        at = end;
    }
}

std::int64_t TLog::CutLog()
{
    if (CutSize <= 0 || Compressed)
        return 0;
    if (CutMode == 1 && static_cast<std::int64_t>(DayCount()) <= CutSize)
        return 0;

    UniqueFd f(::open(Path.c_str(), O_RDWR | O_CLOEXEC));
    if (f.fd < 0)
        throw ELogError(LTextOr(133, {Path}, "Cannot open log file for cutting"));
    // The mailer may append while we cut: hold an exclusive lock for the whole
    // cut, and copy whatever it appended before the lock was granted.
    RetryOnSignal([&] { return ::flock(f.fd, LOCK_EX); });
    struct stat st {};
    if (::fstat(f.fd, &st) != 0)
        throw ELogError(LTextOr(134, {}, "Error while cutting the log file"));
    const std::int64_t size = st.st_size;
    const std::int64_t limit = CutSize * 1024;
    if (CutMode == 0 && size <= limit)
        return 0;

    std::int64_t start = 0;
    if (CutMode == 0) {
        start = size - limit;
        char probe[kMaxLine];
        std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(kMaxLine, size - start));
        if (!ReadAll(f.fd, probe, n, start))
            throw ELogError(LTextOr(134, {}, "Error while cutting the log file"));
        // Keep whole lines: move past the first line end in the next 255 bytes.
        for (std::size_t i = 0; i < n; ++i) {
            if (probe[i] == '\r' || probe[i] == '\n') {
                start += static_cast<std::int64_t>(i) + 1;
                if (probe[i] == '\r' && i + 1 < n && probe[i + 1] == '\n')
                    ++start;
                break;
            }
        }
    } else {
        start = GetDay(DayCount() - static_cast<std::size_t>(CutSize)).FilePos;
    }
    if (start <= 0 || start > size)
        return 0;

    // Mailers append without a lock. Where the file system drops whole blocks from
    // a file's head in place (ext4, XFS), no byte they write is moved or cut away:
    // the head goes up to the last block boundary before the kept lines, and what
    // is left of the old text before them becomes one line of blanks, which the
    // analysis skips. Writes at the head do not race with appends at the end.
    const std::int64_t removed = DropHead(f.fd, start, st.st_blksize);
    if (removed > 0) {
        FillHoles(f.fd);
        return removed;
    }

    // Elsewhere: move the kept part to the front, in blocks, then whatever was
    // appended meanwhile, until the size stays put; then cut the file after it. A
    // line appended between the last look at the size and the cut is lost: the two
    // calls follow each other directly to keep that window short.
    std::vector<char> block(1 << 20);
    std::int64_t from = start, to = 0, end = size;
    for (;;) {
        while (from < end) {
            std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(block.size(), end - from));
            if (!ReadAll(f.fd, block.data(), n, from) || !WriteAll(f.fd, block.data(), n, to))
                throw ELogError(LTextOr(134, {}, "Error while cutting the log file"));
            from += static_cast<std::int64_t>(n);
            to += static_cast<std::int64_t>(n);
        }
        // Nothing past what was copied: cut at once.
        char probe = 0;
        const ssize_t more = RetryOnSignal([&] { return ::pread(f.fd, &probe, 1, end); });
        if (more == 0) {
            if (::ftruncate(f.fd, to) != 0)
                throw ELogError(LTextOr(134, {}, "Error while cutting the log file"));
            FillHoles(f.fd);
            return start;
        }
        if (more < 0 || ::fstat(f.fd, &st) != 0)
            throw ELogError(LTextOr(134, {}, "Error while cutting the log file"));
        end = st.st_size;
    }
}

void TLog::JumpToLine(std::int64_t lineNo)
{
    if (Window)
        Window->GoToLine(lineNo);
}

// --- factory and list ---

void RegisterLogStyle(int style, std::function<std::unique_ptr<TLog>()> create)
{
    StyleRegistry()[style] = std::move(create);
}

std::unique_ptr<TLog> CreateLogOfStyle(int style)
{
    if (style < 0 || style >= kLogStyleCount)
        throw Exception("Invalid Log.Style!");
    auto it = StyleRegistry().find(style);
    if (it != StyleRegistry().end())
        return it->second();
    auto log = std::make_unique<TLog>();
    log->Style = style;
    return log;
}

std::unique_ptr<TLog> CreateLogFromReg(int style, const TIniFile& ini, std::string_view section,
                                       bool enableCustomHighlighting)
{
    if (style == lsCustom && !enableCustomHighlighting)
        style = lsPlain;
    auto log = CreateLogOfStyle(style);
    log->LoadFromReg(ini, section);
    return log;
}

std::vector<std::unique_ptr<TLog>>& LogList()
{
    static std::vector<std::unique_ptr<TLog>> list;
    return list;
}

TLog* ChangeLogStyle(TLog* log, int newStyle)
{
    for (auto& slot : LogList()) {
        if (slot.get() != log)
            continue;
        auto fresh = CreateLogOfStyle(newStyle);
        fresh->Assign(*log);
        slot = std::move(fresh);
        return slot.get();
    }
    return nullptr;
}

TLog* FindLogByStyle(int style)
{
    for (auto& log : LogList())
        if (log->Style == style)
            return log.get();
    return nullptr;
}

}  // namespace tarvix
