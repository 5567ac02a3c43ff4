// A registered log: its settings, its text in memory, its days, and the colour
// class of each word the log view paints.
//
// TLog is the base of every log kind; a plain log (style 0) is only cut into days
// when a subclass gives it a date column. The program-wide list of registered logs
// and the factory that creates the class of a stored style number live here too.
#pragma once

#include "engine/LogYears.h"
#include "fido/DateTime.h"
#include "fido/Lng.h"
#include "platform/IniFile.h"
#include "platform/MappedFile.h"
#include "platform/Scan.h"

#include <cstdint>
#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarvix {

class TNodeStatList;

// An error of a log whose message is an interface text (by number) or a fixed text.
TARVIX_EXCEPTION(ELogError, Exception);

// Log styles, as stored in the "Style" value of a log section.
enum TLogStyle : int {
    lsPlain = 0, lsTMail = 1, lsBink = 2, lsFrontDoor = 3, lsBrake = 4,
    lsBinkPlus = 5, lsFhMail = 6, lsSFMail = 7, lsArgus = 8, lsCustom = 9, lsBinkd = 10
};
inline constexpr int kLogStyleCount = 11;

// Colour classes of the words of a line.
enum THlClass : int {
    hcNormal = 0, hcDateTime = 1, hcErrors = 2, hcInfo = 3, hcSent = 4, hcRecd = 5,
    hcSpecial = 6, hcBackground = 7
};

// The window that shows a log while it is analysed. The analysis stops when the log
// has no window; the window moves its caret to a line that failed and lets the
// user interface breathe during long work.
class TLogWindow {
public:
    virtual ~TLogWindow() = default;
    virtual void GoToLine(std::int64_t lineNo) = 0;
    // Called a few times per second during an analysis.
    virtual void ProcessMessages() {}
    // Every line whose analysis failed, with the message (tarvix-report prints them).
    virtual void LineError(std::int64_t lineNo, const std::string& message) { (void)lineNo, (void)message; }
    // Shows a line that failed and asks whether to go on; false stops the analysis.
    // The default asks through the message dialogs (interface message 95).
    virtual bool ShowErrorLine(std::int64_t lineNo, const std::string& message);
    // The same for a line of a log that is not a mailer's: the box names the line
    // alone (interface message 94).
    virtual bool ShowBadLine(std::int64_t lineNo, const std::string& message);
};

struct TLogDay {
    std::int64_t FirstLine = 0;  // number of the day's first line (from 1)
    std::int64_t FilePos = 0;    // byte offset of that line
    TDateTime Date = 0;          // the day (time part ignored)
    TNodeStatList* NodeStats = nullptr;  // owned by the mailer log
};

// Progress of an analysis: the number of the line being read.
using TProgressFunc = std::function<void(std::int64_t lineNo)>;

class TLog {
public:
    TLog();
    virtual ~TLog();
    TLog(const TLog&) = delete;
    TLog& operator=(const TLog&) = delete;

    // --- settings ---
    std::string Name;
    std::string Path;
    int Style = lsPlain;
    std::string LastStr;   // first 20 characters of the last line seen when the window closed
    bool AutoNew = false;  // new-part detection
    bool Compressed = false;  // the file read was compressed: read-only, no new part
    std::int64_t CutSize = 0;  // size limit, 0 = no cutting
    int CutMode = 0;           // 0: CutSize in kilobytes, 1: CutSize in days
    bool Highlight = true;
    bool HasOptions = false;
    bool Temporary = false;  // opened from a file, not registered

    TLogWindow* Window = nullptr;

    // --- the highlighting decision (used by the log view) ---
    virtual bool IsDateWord(int col, std::string_view word);
    virtual bool IsErrorWord(std::string_view word);
    virtual bool WordClass(std::string_view word, int col);
    int GetWordClass(std::string_view word, std::int64_t lineNo, int col);
    // Forgets the class held for the rest of a line: the next word asked starts its
    // line afresh (a view that paints a line again from its first word calls this).
    void ResetHighlightState();

    // --- analysis ---
    virtual void ParseLine(std::string_view line);
    virtual TLogDay& NewDay(std::int64_t firstLine, TDateTime date);
    virtual void Reset();
    virtual void Assign(const TLog& other);
    virtual void LoadFromReg(const TIniFile& ini, std::string_view section);
    virtual void SaveToReg(TIniFile& ini, std::string_view section) const;
    virtual TDateTime DateOfLine(std::string_view line);
    virtual bool Analyse(const TProgressFunc& progress);
    // Goes on with the analysis that ran last over the lines appended to the text since
    // (the longer text taken by ReadFile or SetText), as if the whole text had been
    // analysed. False where it cannot (the base log always): the analysis must then run
    // again from the start, whatever this one did.
    virtual bool ContinueAnalysis(const TProgressFunc& progress);

    // --- the file in memory ---
    // Maps the log file, which must be a regular file (anything else raises
    // ELogError naming it). The text is the file as it was sized when it was opened.
    void ReadFile();
    // Whether the file read by ReadFile has since been cut short, rewritten, removed
    // or replaced (a mailer cut it, logrotate moved it): what was read from it may
    // no longer be in the file. Asked before ReleaseFile.
    bool FileChanged() const { return !map_.Empty() && map_.Changed(); }
    // Uses the given bytes as the file's content (tests, and text already in memory).
    void SetText(std::string text);
    void ReleaseFile();
    bool HoldsFile() const { return held_; }
    std::string_view Text() const { return {data_, size_}; }
    std::int64_t FileSize() const { return static_cast<std::int64_t>(size_); }
    // The next line, at most 255 bytes of it; empty with AtEnd once the text is done.
    std::string_view ReadLine();
    static constexpr std::size_t kMaxLine = 255;
    bool AtEnd() const { return atEnd_; }
    // The line ReadLine gave last ends in a line end (a line the mailer is still
    // writing does not).
    bool LineEnded() const
    {
        return cursor_ > 0 && cursor_ <= size_ && (data_[cursor_ - 1] == '\n' || data_[cursor_ - 1] == '\r');
    }

    // --- days ---
    std::size_t DayCount() const { return days_.size(); }
    const TLogDay& GetDay(std::size_t index) const;
    TLogDay& GetDay(std::size_t index);
    // The days run over more than one year: the windows then show the year of a day.
    bool DaysSpanYears() const;
    // The index of the day that holds a line: -1 before the first day, 0 without days.
    long DayOfLine(std::int64_t lineNo) const;

    // Shortens the log file to the size limit; the number of bytes removed. Where the
    // file system can drop the file's head in place, the head goes up to the last
    // block boundary before the kept lines and the rest of the old text before them
    // is overwritten with blanks and a line end: the file then begins with a blank
    // line of less than a block, which the analysis skips, and the mailer may append
    // during the cut without losing a line.
    std::int64_t CutLog();

    void JumpToLine(std::int64_t lineNo);

    // --- state of the analysis ---
    std::int64_t LineNo = 0;   // line being analysed, from 1
    std::int64_t LinePos = 0;  // its byte offset
    bool IsNew = false;        // at or after the remembered last line
    std::int64_t NewPartLine = 0;
    bool AnalysisRunning = false;
    bool AbortRequest = false;
    std::string LastDateText;
    // The year of the line being analysed, for a log whose lines carry no year
    // (worked out before the analysis, see LogYears.h); CurrentYear() outside one.
    int LineYear() const { return lineYear_ != 0 ? lineYear_ : CurrentYear(); }
    // The years pass of a log whose lines carry no year samples a line every
    // YearsSampleStep bytes in a text of YearsSampleFrom bytes or more, and reads
    // every line of a smaller one (FindYears).
    std::size_t YearsSampleStep = std::size_t(16) << 10;
    std::size_t YearsSampleFrom = std::size_t(1) << 20;
    // How often, in milliseconds, the window gets a turn during an analysis (it is
    // asked every 256 lines at most); 0 gives it every such turn.
    std::int64_t PumpMillis = 200;

protected:
    // 1-based column and length of the date text the day split compares.
    int DatePos = 1;
    int DateLen = 0;
    int HlClass = hcNormal;
    std::int64_t HlLine = -1;
    // The lines carry no year: the analysis first reads the month and day of every
    // line (MonthDayOfLine) to learn the year of each (LineYear).
    bool NoYearInLines = false;
    // The month and day of a line of a log whose lines carry no year; false for a
    // line that has none. Must not raise: a bad date is the parser's to report. It
    // is asked only when the date text (DatePos, DateLen) differs from that of the
    // dated line before, or for every line when the style has no date text.
    virtual bool MonthDayOfLine(std::string_view line, int& month, int& day) const;

    // Starts an analysis at the first line of the text in memory.
    void StartReading();
    // Called by the analysis loop: lets the window breathe on a time budget;
    // false when the analysis must stop (no window, or the user asked to abort).
    bool KeepGoing()
    {
        if (!Window)
            return false;
        if ((LineNo & 255) == 0 || AbortRequest)
            return KeepGoingSlow();
        return true;
    }
    // Reports an error in a line; false when the user chose to stop.
    virtual bool LineFailed(const std::exception& e);
    // Marks the line being analysed as failed with a message, without raising: the
    // analysis reports it as it reports an error raised by the line's step. The
    // paths that a damaged log takes on every bad line use it, an exception per
    // line costing many times the line itself.
    void FailLine(std::string message)
    {
        lineError_ = std::move(message);
        lineFailed_ = true;
    }
    // FailLine marked the line; TakeLineFailure takes its message and the mark.
    bool LineFailedQuietly() const { return lineFailed_; }
    std::string TakeLineFailure()
    {
        lineFailed_ = false;
        return std::move(lineError_);
    }
    // Reads every line from the start of the text and hands each non-empty one to
    // step (bool step(std::string_view line)), after the new-part check and the
    // progress callback; stops when step answers false or the window goes away.
    // True when the end was reached.
    template <typename Step>
    bool RunLines(const TProgressFunc& progress, Step&& step);
    // Called when the line just read is the remembered last line.
    virtual void NewPartFound() {}
    // After RunLines returned false: true where it stopped because the years it took
    // proved wrong, and the analysis is to run again (Reset first) with the years of
    // a fuller pass. The errors of lines up to ReportedUpTo were reported already.
    bool AnalyseAgain();
    std::int64_t ReportedUpTo = 0;
    // Starts the years of an analysis: the lines of a log without years are first
    // taken to be all of the current year (watch) or get the years pass.
    void StartYears(bool watch);
    // Runs step over the lines appended since the run that ended last (RunLines or
    // RunMoreLines), with the state that run left: only the whole lines, a last line
    // without its line end waits for the next call. False, with the state spoiled,
    // where it cannot go on: the last run did not end at a line end of the same text,
    // the year has changed since, or a new line turns the year (the years of all the
    // lines before then change: the analysis must run from the start).
    template <typename Step>
    bool RunMoreLines(const TProgressFunc& progress, Step&& step);

    std::vector<TLogDay> days_;

private:
    static constexpr std::size_t kLastStrLen = 20;

    bool KeepGoingSlow();
    // The years pass: reads the month and day of the lines (of samples of a large
    // text) and sets the year of the first line and the lines where the next years
    // begin; false when the analysis is to stop (no window, or the user asked to
    // abort).
    bool FindYears();
    // The years pass's turn, at the given offset: pages mapped ahead, the window's
    // turn; false when the analysis must stop.
    bool YearsPassTurn(std::size_t at);
    void NextYear();
    void CheckNewPart(std::string_view line);
    // Drops the head of the open log file up to the last block boundary before
    // start and blanks the bytes left before start; the bytes dropped, 0 when the file
    // system cannot do it.
    static std::int64_t DropHead(int fd, std::int64_t start, std::int64_t blockSize);
    // Turns the runs of zero bytes in the file, which a writer that had taken the
    // old end leaves, into blank lines.
    static void FillHoles(int fd);
    // The day split's work when a line's date text differs from the line before's;
    // kept apart so that the usual case, an equal text, costs a compare only.
    [[gnu::noinline]] void DateTextChanged(std::string_view line, std::string_view date);

    std::string text_;         // the text when it is not mapped
    TMappedFile map_;          // the mapped file
    const char* data_ = "";    // the text, either of them
    std::size_t size_ = 0;
    std::size_t released_ = 0;  // the pages before this offset have been given back
    std::size_t populated_ = 0;  // the pages before this offset have been mapped ahead
    bool held_ = false;
    std::size_t cursor_ = 0;
    // The lines found ahead of the cursor, scanned in one go (FindLinesAhead): for
    // line k, the offset of the byte that ends it and the offset of the next line.
    // ahead_ is the next one ReadLine takes, aheadCount_ how many there are.
    static constexpr std::size_t kAhead = 128;
    std::size_t aheadEnd_[kAhead];
    std::size_t aheadNext_[kAhead];
    std::size_t ahead_ = 0;
    std::size_t aheadCount_ = 0;
    // ReadLine's work when the lines found ahead are used up: finds the next ones and
    // takes the first, or, where they cannot be found in one go (a zero byte, the last
    // bytes of the text), ends the line that starts at start on its own. Moves the
    // cursor past the line and returns the offset of the byte that ends it.
    std::size_t NextLine(std::size_t start);
    // Scans from start, 64 bytes at a time, for the lines that end in LF, CR LF or CR,
    // up to kAhead of them; stops before a zero byte and before the last bytes of the
    // text, the 64 or fewer after the last whole block.
    void FindLinesAhead(std::size_t start);
    // Ends the line at offset i (a CR, LF, zero byte or the end of the text).
    std::size_t EndAt(std::size_t i);
    bool atEnd_ = true;
    std::int64_t lastPump_ = 0;
    // The years of the analysis under way: the offsets of the first lines of the
    // years after the first, the next of them to come, and the current year (0
    // outside an analysis).
    std::vector<std::int64_t> yearStarts_;
    std::size_t nextYear_ = 0;
    std::int64_t nextYearAt_ = INT64_MAX;
    int lineYear_ = 0;
    // The base analysis of a log without years watches the dates instead of the
    // years pass (Analyse); the years of a sampled pass are checked against the dates
    // (FindYears). The dates the day split has seen so far (by byte offsets, as the
    // years pass gives them), and whether the years taken are wrong (yearsDoubt_:
    // the analysis stops and runs again, AnalyseAgain).
    bool watchYears_ = false;
    bool checkYears_ = false;
    bool fullYears_ = false;  // the next years pass reads every line
    bool yearsDoubt_ = false;
    TLogYears seenYears_;
    // Feeds a date the day split sees; false (and yearsDoubt_) where it shows the
    // years taken to be wrong: watching, where the year turns or a 29 February does
    // not fit the current year; checking, where the sampled pass's years differ.
    bool YearsFit(std::string_view line);
    // The lines from the cursor on, to the end of the text or until step answers false.
    template <typename Step>
    bool RunLinesToEnd(const TProgressFunc& progress, Step&& step);
    // Notes where a run that read to the end leaves the text for RunMoreLines; size is
    // the size of the whole text (a run may have read only its whole lines).
    void NoteResumePoint(std::size_t size);
    // The end of the last whole line of the text after offset from: a CR at the very end
    // may yet be followed by the LF of the same line end.
    std::size_t WholeLinesEnd(std::size_t from) const;
    // Starts reading again at offset start of the text.
    void ResumeReading(std::size_t start);
    // Sets the years for RunMoreLines; false where the year has changed since.
    bool ResumeYears();
    // Where the run that ended last left the text: the offset after its last whole
    // line (npos: it cannot go on), the lines up to it, the bytes just before it (to
    // know the text again) and the year of its last line.
    std::size_t resumeAt_ = std::string::npos;
    std::int64_t resumeLine_ = 0;
    std::string resumeTail_;
    int endYear_ = 0;
    // The failure FailLine marked for the line being analysed.
    std::string lineError_;
    bool lineFailed_ = false;
};

inline void TLog::ParseLine(std::string_view line)
{
    if (DateLen <= 0 || DatePos <= 0)
        return;
    std::size_t start = static_cast<std::size_t>(DatePos - 1);
    std::size_t len = static_cast<std::size_t>(DateLen);
    if (line.size() < start + len)
        return;  // too short for a date: changes nothing
    std::string_view date = line.substr(start, len);
    // Every line is compared with the date of the line before, in words of 8 bytes
    // rather than with a library call for a few bytes.
    if (!SameBytes(date, LastDateText))
        DateTextChanged(line, date);
}

inline std::string_view TLog::ReadLine()
{
    if (atEnd_)
        return {};
    const std::size_t start = cursor_;
    LinePos = static_cast<std::int64_t>(start);
    std::size_t i;
    if (ahead_ != aheadCount_) {
        i = aheadEnd_[ahead_];
        cursor_ = aheadNext_[ahead_];
        ++ahead_;
    } else {
        i = NextLine(start);
    }
    const std::size_t len = i - start;
    return std::string_view(data_ + start, len > kMaxLine ? kMaxLine : len);
}

template <typename Step>
bool TLog::RunLines(const TProgressFunc& progress, Step&& step)
{
    LineNo = 0;
    AnalysisRunning = true;
    LastDateText.clear();
    StartReading();
    resumeAt_ = std::string::npos;
    nextYearAt_ = INT64_MAX;
    checkYears_ = false;
    seenYears_ = TLogYears();
    if (NoYearInLines && !watchYears_ && !FindYears()) {
        AnalysisRunning = false;
        lineYear_ = 0;
        return false;
    }
    if (!RunLinesToEnd(progress, step))
        return false;
    // Years of the sampled pass that the dates seen never began.
    if (checkYears_ && seenYears_.YearStarts().size() != yearStarts_.size()) {
        yearsDoubt_ = true;
        return false;
    }
    NoteResumePoint(size_);
    return true;
}

template <typename Step>
bool TLog::RunMoreLines(const TProgressFunc& progress, Step&& step)
{
    // The text must still hold what the last run read, at the same place.
    if (resumeAt_ == std::string::npos || resumeAt_ > size_ ||
        std::string_view(data_ + resumeAt_ - resumeTail_.size(), resumeTail_.size()) != resumeTail_)
        return false;
    const std::size_t whole = size_;
    const std::size_t start = resumeAt_;
    // The run sees the whole lines only: the text is taken to end after the last.
    const std::size_t end = WholeLinesEnd(start);
    if (end == start)
        return true;  // nothing whole was added: the place stays
    if (!ResumeYears())
        return false;
    resumeAt_ = std::string::npos;
    size_ = end;
    ResumeReading(start);
    LineNo = resumeLine_;
    AnalysisRunning = true;
    const bool done = RunLinesToEnd(progress, step) && !yearsDoubt_;
    watchYears_ = false;
    if (done)
        NoteResumePoint(whole);
    size_ = whole;
    return done;
}

template <typename Step>
bool TLog::RunLinesToEnd(const TProgressFunc& progress, Step&& step)
{
    while (!atEnd_) {
        if (!KeepGoing()) {
            AnalysisRunning = false;
            lineYear_ = 0;
            return false;
        }
        ++LineNo;
        std::string_view line = ReadLine();
        if (LinePos >= nextYearAt_) [[unlikely]]
            NextYear();
        if (line.empty())
            continue;
        if (progress && LineNo % 100 == 0)
            progress(LineNo);
        if (AutoNew && !LastStr.empty() && !Compressed)
            CheckNewPart(line);
        if (!step(line) || yearsDoubt_) {
            AnalysisRunning = false;
            lineYear_ = 0;
            return false;
        }
    }
    AnalysisRunning = false;
    endYear_ = LineYear();
    lineYear_ = 0;
    return true;
}

// Creates a log of a style number (0 to 10); raises Exception "Invalid Log.Style!".
std::unique_ptr<TLog> CreateLogOfStyle(int style);
// Registers the class of a style; styles without a class give plain logs that keep
// their style number (and so their settings).
void RegisterLogStyle(int style, std::function<std::unique_ptr<TLog>()> create);
// Creates a log of a stored style and has it load its section. A custom log while
// user highlighting is off becomes a plain log.
std::unique_ptr<TLog> CreateLogFromReg(int style, const TIniFile& ini, std::string_view section,
                                       bool enableCustomHighlighting);

// The registered logs, in the order of the Logs menu.
std::vector<std::unique_ptr<TLog>>& LogList();
// Replaces a registered log by one of another style that takes its settings.
TLog* ChangeLogStyle(TLog* log, int newStyle);
TLog* FindLogByStyle(int style);

}  // namespace tarvix
