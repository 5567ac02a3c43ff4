#include "engine/Log.h"
#include "fido/Dialogs.h"
#include "platform/FileRead.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>

#include <atomic>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace tarvix;
namespace fs = std::filesystem;

namespace {

// A log whose lines start with a date "YYYY-MM-DD" (and a time after it).
class DatedLog : public TLog {
public:
    DatedLog()
    {
        DatePos = 1;
        DateLen = 13;  // date and hour: a new hour changes the text, not the day
    }
    TDateTime DateOfLine(std::string_view line) override
    {
        int y = std::stoi(std::string(line.substr(0, 4)));
        int m = std::stoi(std::string(line.substr(5, 2)));
        int d = std::stoi(std::string(line.substr(8, 2)));
        return EncodeDate(y, m, d);
    }
    std::vector<std::string> seen;
    void ParseLine(std::string_view line) override
    {
        seen.emplace_back(line);
        if (line.find("BOOM") != std::string_view::npos)
            throw Exception("cannot parse");
        TLog::ParseLine(line);
    }
};

std::vector<std::string> Lines(TLog& log)
{
    std::vector<std::string> out;
    log.SetText(std::string(log.Text()));
    while (!log.AtEnd())
        out.emplace_back(log.ReadLine());
    return out;
}


}  // namespace

TEST(LogLines, LongLinesAmongShortOnesAreCutAndTheirSuccessorsFound)
{
    // Hundreds of lines, so that the reader's look-ahead runs out many times, some
    // longer than a line may be and some empty.
    std::string text;
    std::vector<std::string> expected;
    for (int i = 0; i < 700; ++i) {
        std::string line(i % 7 == 0 ? 300 + i : i % 5 == 0 ? 0 : 10 + i % 60, static_cast<char>('a' + i % 26));
        text += line + (i % 2 ? "\r\n" : "\n");
        expected.push_back(line.substr(0, TLog::kMaxLine));
    }
    text += "last";
    expected.emplace_back("last");
    TLog log;
    log.SetText(text);
    EXPECT_EQ(Lines(log), expected);
}

TEST(LogLines, EveryMixOfLineLengthsAndEndsReadsLikeAPlainScan)
{
    // Lines of 1 to 254 bytes end in LF, CR LF or CR, so that line ends fall at every
    // place of the 64-byte stretches the reader looks at at once. The lines hold
    // control bytes that end no line (tab, form feed, ...) and bytes above 127.
    std::mt19937 rng(7);
    const char others[] = {'\t', '\x01', '\x0b', '\x0c', '\x0e', '\x8d', '\x8a', '\xff'};
    std::string text;
    std::vector<std::string> expected;
    std::string_view end;
    for (int i = 0; i < 3000; ++i) {
        std::string line(rng() % 255, 'a');
        for (char& c : line)
            c = rng() % 6 == 0 ? others[rng() % std::size(others)] : static_cast<char>('a' + rng() % 26);
        text += line;
        expected.push_back(line);
        // An empty line after a CR cannot end in LF: that would be one CR LF.
        const char* ends[] = {"\n", "\r\n", "\r"};
        end = line.empty() && end == "\r" ? "\r" : ends[rng() % 3];
        text += end;
    }
    expected.emplace_back();  // the empty line after the last line end
    TLog log;
    log.SetText(text);
    EXPECT_EQ(Lines(log), expected);
    // A zero byte anywhere ends the text there.
    for (std::size_t cut : {std::size_t(0), std::size_t(63), std::size_t(64), text.size() / 2, text.size() - 1}) {
        std::string damaged = text;
        damaged[cut] = '\0';
        log.SetText(damaged);
        std::vector<std::string> lines = Lines(log);
        std::string joined;
        for (const std::string& l : lines)
            joined += l;
        std::string before = text.substr(0, cut);
        std::erase(before, '\r');
        std::erase(before, '\n');
        EXPECT_TRUE(joined == before) << cut;
    }
}

TEST(LogDays, DateTextsOfEveryLengthAreComparedWhole)
{
    // Every call of DateOfLine gives the next calendar day: the days counted are the
    // changes of the date text.
    class CountingLog : public TLog {
    public:
        explicit CountingLog(int len) { DateLen = len; }
        TDateTime DateOfLine(std::string_view) override { return EncodeDate(2026, 1, 1) + calls++; }
        int calls = 0;
    };
    test::QuietWindow w;
    for (int len = 1; len <= 20; ++len) {
        const std::string same(static_cast<std::size_t>(len), 'd');
        std::string lastChanged = same, firstChanged = same;
        lastChanged.back() = 'e';
        firstChanged.front() = 'f';
        CountingLog log(len);
        log.Window = &w;
        log.SetText(same + " a\n" + same + " b\n" + lastChanged + " c\n" + firstChanged + " d\n" + firstChanged + "\n");
        ASSERT_TRUE(log.Analyse({}));
        EXPECT_EQ(log.DayCount(), 3u) << len;
    }
}

TEST(LogDays, DaySplitKeepsOneDayPerCalendarDate)
{
    DatedLog log;
    test::QuietWindow w;
    log.Window = &w;
    log.SetText("2026-12-01 10:00 a\n2026-12-01 11:00 b\n\nshort\n2026-12-02 00:01 c\n2026-12-03 05:00 d\r\n");
    ASSERT_TRUE(log.Analyse({}));
    ASSERT_EQ(log.DayCount(), 3u);
    EXPECT_EQ(log.GetDay(0).FirstLine, 1);
    EXPECT_EQ(log.GetDay(1).FirstLine, 5);
    EXPECT_EQ(log.GetDay(1).FilePos, 45);
    EXPECT_EQ(log.GetDay(2).FirstLine, 6);
    EXPECT_EQ(log.DayOfLine(4), 0);
    EXPECT_EQ(log.DayOfLine(5), 1);
    EXPECT_EQ(log.DayOfLine(100), 2);
    EXPECT_THROW(log.GetDay(3), ELogError);
    EXPECT_EQ(log.LineNo, 7);  // the empty line after the last line end is counted

    DatedLog undated;
    undated.Window = &w;
    undated.SetText("no date here\n2026-12-01 10:00 a\n");
    ASSERT_TRUE(undated.Analyse({}));
    EXPECT_EQ(undated.DayOfLine(1), -1);
    TLog none;
    EXPECT_EQ(none.DayOfLine(1), 0);
}

TEST(LogAnalysis, NewPartLineProgressErrorsAndStopping)
{
    DatedLog log;
    test::QuietWindow w;
    log.Window = &w;
    log.AutoNew = true;
    log.LastStr = "2026-12-01 11:00 b-l";
    std::string text;
    for (int i = 0; i < 250; ++i)
        text += "2026-12-01 11:00 b-line\n";
    log.SetText(text);
    std::vector<std::int64_t> progress;
    ASSERT_TRUE(log.Analyse([&](std::int64_t n) { progress.push_back(n); }));
    EXPECT_EQ(progress, (std::vector<std::int64_t>{100, 200}));
    EXPECT_EQ(log.NewPartLine, 250);
    EXPECT_TRUE(log.IsNew);

    // A line that fails asks the user; OK goes on, Cancel stops.
    TBatchDialogs answerOk(mrOk, true);
    SetDialogs(&answerOk);
    log.SetText("2026-12-01 10:00 a\nBOOM\n2026-12-02 10:00 c\n");
    EXPECT_TRUE(log.Analyse({}));
    EXPECT_EQ(w.wentTo, 2);
    EXPECT_EQ(log.DayCount(), 2u);
    TBatchDialogs answerCancel(mrCancel, true);
    SetDialogs(&answerCancel);
    log.seen.clear();
    log.SetText("2026-12-01 10:00 a\nBOOM\n2026-12-02 10:00 c\n");
    EXPECT_FALSE(log.Analyse({}));
    EXPECT_EQ(log.seen.size(), 2u);
    SetDialogs(nullptr);

    // Without a window, or after Esc, the analysis stops at once.
    log.Window = nullptr;
    EXPECT_FALSE(log.Analyse({}));
    log.Window = &w;
    log.AbortRequest = true;
    EXPECT_FALSE(log.Analyse({}));
    EXPECT_FALSE(log.AbortRequest);
}

TEST(LogWords, ErrorWordsHoldForTheRestOfTheLine)
{
    struct WordLog : TLog {
        bool IsDateWord(int col, std::string_view) override { return col == 0; }
        bool IsErrorWord(std::string_view w) override { return w == "ERROR"; }
        bool WordClass(std::string_view w, int) override
        {
            if (w == "Sent") {
                HlClass = hcSent;
                return true;
            }
            return false;
        }
    } log;
    EXPECT_EQ(log.GetWordClass("12:00", 1, 0), hcDateTime);
    EXPECT_EQ(log.GetWordClass("x", 1, 6), hcNormal);
    EXPECT_EQ(log.GetWordClass("ERROR", 1, 8), hcErrors);
    EXPECT_EQ(log.GetWordClass("x", 1, 14), hcErrors);
    EXPECT_EQ(log.GetWordClass("x", 2, 6), hcNormal);
    EXPECT_EQ(log.GetWordClass("Sent", 3, 6), hcSent);
    EXPECT_EQ(log.GetWordClass("file", 3, 11), hcSent);
    // Line 3 painted again from its start: without the reset its first word would
    // take the class held from the last pass.
    EXPECT_EQ(log.GetWordClass("x", 3, 6), hcSent);
    log.ResetHighlightState();
    EXPECT_EQ(log.GetWordClass("x", 3, 6), hcNormal);
}

// Where the file system drops whole blocks, a cut leaves the rest of the old text
// before the kept lines as one blank line: its length is added to removed and the
// text after it given.
std::string WithoutBlankHead(const std::string& file, std::int64_t& removed)
{
    std::size_t n = file.find_first_not_of(' ');
    if (n == std::string::npos || (file[n] != '\r' && file[n] != '\n'))
        return file;
    n += file.compare(n, 2, "\r\n") == 0 ? 2 : 1;
    removed += static_cast<std::int64_t>(n);
    return file.substr(n);
}

TEST(LogCut, ByKilobytesKeepsWholeLines)
{
    test::TempDir dir;
    std::string path = dir / "cut-kb";
    std::string text;
    for (int i = 0; text.size() < 50000; ++i)
        text += "line number " + std::to_string(i) + " of the log\r\n";
    WriteFileAtomic(path, text);
    TLog log;
    log.Path = path;
    log.CutSize = 10;
    std::int64_t removed = log.CutLog();
    ASSERT_GT(removed, 0);
    std::string kept = WithoutBlankHead(ReadWholeFile(path), removed);
    EXPECT_EQ(kept, text.substr(static_cast<std::size_t>(removed)));
    EXPECT_LE(kept.size(), 10240u);
    EXPECT_GT(kept.size(), 10240u - 255u);
    EXPECT_EQ(kept.substr(0, 12), "line number ");
    EXPECT_EQ(text.substr(static_cast<std::size_t>(removed) - 2, 2), "\r\n");

    WriteFileAtomic(path, std::string(10240, 'x'));
    EXPECT_EQ(log.CutLog(), 0);
    EXPECT_EQ(FileSize(path), 10240);
    log.CutSize = 0;
    EXPECT_EQ(log.CutLog(), 0);
    log.CutSize = 1;
    log.Path = path + ".missing";
    EXPECT_THROW(log.CutLog(), ELogError);
}

TEST(LogCut, ByDaysKeepsTheLastDays)
{
    test::TempDir dir;
    std::string path = dir / "cut-days";
    std::string text;
    for (int d = 1; d <= 5; ++d)
        for (int h = 10; h < 50; ++h)
            text += "2026-12-0" + std::to_string(d) + " " + std::to_string(h) + ":00 event of the day\n";
    WriteFileAtomic(path, text);
    DatedLog log;
    test::QuietWindow w;
    log.Window = &w;
    log.Path = path;
    log.ReadFile();
    ASSERT_TRUE(log.Analyse({}));
    ASSERT_EQ(log.DayCount(), 5u);
    log.CutMode = 1;
    log.CutSize = 5;
    EXPECT_EQ(log.CutLog(), 0);
    log.CutSize = 3;
    std::int64_t removed = log.CutLog();
    const std::int64_t start = log.GetDay(2).FilePos;
    EXPECT_EQ(WithoutBlankHead(ReadWholeFile(path), removed), text.substr(static_cast<std::size_t>(start)));
    EXPECT_EQ(removed, start);
    // The blank head is no line of the log: the analysis finds the three days alone.
    log.ReadFile();
    ASSERT_TRUE(log.Analyse({}));
    EXPECT_EQ(log.DayCount(), 3u);
    EXPECT_EQ(log.GetDay(0).FirstLine, FileSize(path) > static_cast<std::int64_t>(text.size()) - start ? 2 : 1);
}

TEST(LogCut, WaitsForTheLockAndKeepsWhatWasAppended)
{
    test::TempDir dir;
    std::string path = dir / "cut-lock";
    std::string text(30000, 'a');
    for (std::size_t i = 99; i < text.size(); i += 100)
        text[i] = '\n';
    WriteFileAtomic(path, text);
    int holder = ::open(path.c_str(), O_RDWR | O_APPEND);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);

    TLog log;
    log.Path = path;
    log.CutSize = 10;
    std::atomic<std::int64_t> removed{-1};
    std::thread cutter([&] { removed = log.CutLog(); });
    // The mailer appends while it holds the file; the cut waits for it.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(removed.load(), -1);
    const std::string tail = "appended by the mailer\n";
    ASSERT_EQ(::write(holder, tail.data(), tail.size()), static_cast<ssize_t>(tail.size()));
    ::flock(holder, LOCK_UN);
    cutter.join();
    ::close(holder);
    std::int64_t dropped = removed.load();
    ASSERT_GT(dropped, 0);
    std::string kept = WithoutBlankHead(ReadWholeFile(path), dropped);
    EXPECT_EQ(kept, (text + tail).substr(static_cast<std::size_t>(dropped)));
    EXPECT_EQ(kept.substr(kept.size() - tail.size()), tail);
}

TEST(LogSettings, LoadSaveAssignAndFactory)
{
    TIniFile ini;
    ini.FromText("[Log1]\nName=My log\nPath=/var/log/fido/t-mail.log\nStyle=9\nAutoNew=1\nLastStr=abc\n"
                 "CutMode=1\nCutSize=7\nHighlight=0\n");
    auto log = CreateLogFromReg(9, ini, "Log1", false);
    EXPECT_EQ(log->Style, lsPlain);
    EXPECT_EQ(log->Name, "My log");
    EXPECT_TRUE(log->AutoNew);
    EXPECT_EQ(log->CutSize, 7);
    EXPECT_FALSE(log->Highlight);
    EXPECT_THROW(CreateLogOfStyle(kLogStyleCount), Exception);
    EXPECT_THROW(CreateLogOfStyle(-1), Exception);

    LogList().clear();
    LogList().push_back(CreateLogOfStyle(lsPlain));
    LogList()[0]->Name = "kept";
    LogList()[0]->LastStr = "not kept";
    TLog* changed = ChangeLogStyle(LogList()[0].get(), lsArgus);
    ASSERT_NE(changed, nullptr);
    EXPECT_EQ(changed->Style, lsArgus);
    EXPECT_EQ(changed->Name, "kept");
    EXPECT_EQ(changed->LastStr, "");
    EXPECT_EQ(FindLogByStyle(lsArgus), changed);
    EXPECT_EQ(FindLogByStyle(lsTMail), nullptr);
    LogList().clear();
}

TEST(LogFile, ReadsRegularFilesOnlyAndKeepsTheTextOnFailure)
{
    test::TempDir dir;
    std::string path = dir / "read-log";
    WriteFileAtomic(path, std::string("one\r\ntwo\rthree\nfour\0after", 25));
    TLog log;
    log.Path = path;
    log.ReadFile();
    EXPECT_TRUE(log.HoldsFile());
    EXPECT_EQ(log.FileSize(), 25);
    EXPECT_EQ(Lines(log), (std::vector<std::string>{"one", "two", "three", "four"}));

    // A file that cannot be read leaves the text held before as it was.
    log.Path = path + ".missing";
    EXPECT_THROW(log.ReadFile(), ELogError);
    EXPECT_TRUE(log.HoldsFile());
    EXPECT_EQ(log.FileSize(), 25);
    log.Path = dir.path.string();  // a directory
    EXPECT_THROW(log.ReadFile(), ELogError);
    EXPECT_EQ(log.FileSize(), 25);

    // An empty file is one empty line; a released file none.
    WriteFileAtomic(path, "");
    log.Path = path;
    log.ReadFile();
    EXPECT_TRUE(log.HoldsFile());
    EXPECT_EQ(Lines(log), (std::vector<std::string>{""}));
    log.ReleaseFile();
    EXPECT_FALSE(log.HoldsFile());
    EXPECT_EQ(log.FileSize(), 0);
    EXPECT_TRUE(log.AtEnd());

    // A pipe without a writer, or a device, is refused at once and named, instead of
    // being waited on or read until memory runs out.
    std::string fifo = dir / "read-fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& special : {fifo, std::string("/dev/zero")}) {
        log.Path = special;
        try {
            log.ReadFile();
            ADD_FAILURE() << special << " was read";
        } catch (const ELogError& e) {
            EXPECT_EQ(std::string(e.what()), special + ": not a regular file");
        }
    }
}

TEST(LogFile, AnalysisOfALargeMappedFileReadsEveryLineAfterGivingPagesBack)
{
    // Over 32 MB: the analysis gives back the pages it has passed on the way, and
    // the lines and days after them are read all the same. Lines of 1000 bytes keep
    // the count of lines small.
    test::TempDir dir;
    std::string path = dir / "large-log";
    std::string text;
    const int lines = 36 * 1024;
    text.reserve(static_cast<std::size_t>(lines) * 1001);
    for (int i = 0; i < lines; ++i) {
        std::string day = std::to_string(10 + i / (lines / 8));
        text += "2026-12-" + day + " 10:00 " + std::string(983, static_cast<char>('a' + i % 26)) + "\n";
    }
    WriteFileAtomic(path, text);
    DatedLog log;
    test::QuietWindow w;
    log.Window = &w;
    log.Path = path;
    log.ReadFile();
    ASSERT_TRUE(log.Analyse({}));
    EXPECT_EQ(log.LineNo, lines + 1);
    ASSERT_EQ(log.DayCount(), 8u);
    EXPECT_EQ(log.GetDay(7).FirstLine, 7 * (lines / 8) + 1);
    EXPECT_EQ(log.GetDay(7).FilePos, static_cast<std::int64_t>(7) * (lines / 8) * 1001);
    ASSERT_EQ(log.seen.size(), static_cast<std::size_t>(lines));
    EXPECT_EQ(log.seen.back(), text.substr(text.size() - 1001, 255));
    EXPECT_EQ(log.seen[lines / 2], text.substr(static_cast<std::size_t>(lines / 2) * 1001, 255));
    // The text reads the same after the analysis.
    EXPECT_EQ(log.Text(), text);
}
