#include "settings/Tpl.h"

#include "platform/CodePage.h"
#include "platform/Error.h"
#include "platform/FileRead.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <unistd.h>

using namespace tarvix;
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace {

struct TempDir {
    fs::path path;
    TempDir()
    {
        path = fs::temp_directory_path() / ("tarvix-tpl-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
    std::string File(const std::string& name, const std::string& content) const
    {
        std::string p = (path / name).string();
        WriteFileAtomic(p, content);
        return p;
    }
};

// A token procedure that always gives `value`.
TTplProc Const(std::string value)
{
    return [value](TTpl&, const std::string&, std::string& text) { text = value; };
}

Lines Write(TTpl& tpl)
{
    Lines out;
    tpl.Execute(out);
    return out;
}

void ExpectTplError(const std::function<void()>& f, const std::string& message)
{
    try {
        f();
        ADD_FAILURE() << "no ETplError, expected: " << message;
    } catch (const ETplError& e) {
        EXPECT_EQ(std::string(e.what()), message);
    }
}

}  // namespace

// --- Tokens -------------------------------------------------------------------------

TEST(TplTokens, NamesAreNotCaseSensitiveAndUnknownNamesStay)
{
    TTpl tpl;
    tpl.AddToken("date", Const("01 Jan 99"));
    tpl.AddToken("Time", Const("12:34:56"));
    tpl.SetTemplate({"Report of @date, @Time", "Report of @DATE, @TIME", "@nosuch and @dAtE"});
    EXPECT_EQ(Write(tpl), (Lines{"Report of 01 Jan 99, 12:34:56", "Report of 01 Jan 99, 12:34:56",
                               "@nosuch and 01 Jan 99"}));
}

TEST(TplTokens, RegistrationFindAndDuplicates)
{
    TTpl tpl;
    EXPECT_EQ(tpl.FindToken("date"), 0);
    tpl.AddToken("date", Const(""));
    tpl.AddToken("time", Const(""));
    EXPECT_EQ(tpl.FindToken("DATE"), 1);
    EXPECT_EQ(tpl.FindToken("Time"), 2);
    EXPECT_EQ(tpl.FindToken("dat"), 0);
    EXPECT_EQ(tpl.Token(2).Name, "TIME");
    ExpectTplError([&] { tpl.AddToken("Date", Const("")); }, "Duplicate token Date");
    EXPECT_EQ(tpl.TokenCount(), 2);
    ExpectTplError([&] { tpl.Token(0); }, "Invalid token number in parsed template");
    ExpectTplError([&] { tpl.Token(3); }, "Invalid token number in parsed template");
}

TEST(TplTokens, At255TokensTheNextIsRefused)
{
    TTpl tpl;
    // Names of letters only: a, b, ..., z, aa, ab, ...
    auto name = [](int i) {
        std::string s;
        for (++i; i > 0; i = (i - 1) / 26)
            s.insert(s.begin(), static_cast<char>('a' + (i - 1) % 26));
        return s;
    };
    for (int i = 0; i < 255; ++i)
        tpl.AddToken(name(i), Const(std::to_string(i + 1)));
    EXPECT_EQ(tpl.TokenCount(), 255);
    ExpectTplError([&] { tpl.AddToken("another", Const("")); }, "Maximum of 255 tokens reached");
    // A duplicate is still reported as such at the limit.
    ExpectTplError([&] { tpl.AddToken("A", Const("")); }, "Duplicate token A");
    // The last token is reachable and numbered 255.
    EXPECT_EQ(tpl.FindToken(name(254)), 255);
    tpl.SetTemplate({"@" + name(254) + " @a"});
    EXPECT_EQ(Write(tpl), (Lines{"255 1"}));
}

TEST(TplTokens, ProcedureGetsEngineUpperCaseNameAndUserData)
{
    TTpl tpl;
    int data = 42;
    tpl.UserData = &data;
    std::string seenName;
    tpl.AddToken("Value", [&](TTpl& t, const std::string& name, std::string& text) {
        seenName = name;
        EXPECT_EQ(&t, &tpl);
        EXPECT_TRUE(t.Writing());
        text = std::to_string(*static_cast<int*>(t.UserData));
    });
    tpl.SetTemplate({"[@value]"});
    EXPECT_EQ(Write(tpl), (Lines{"[42]"}));
    EXPECT_EQ(seenName, "VALUE");
}

TEST(TplTokens, EmptyProcedureYieldsEmptyText)
{
    TTpl tpl;
    tpl.AddToken("x", nullptr);
    tpl.SetTemplate({"a@x b"});
    EXPECT_EQ(Write(tpl), (Lines{"a b"}));
}

// --- Parsing ------------------------------------------------------------------------

TEST(TplParse, AtSignsAndNameBoundaries)
{
    TTpl tpl;
    tpl.AddToken("tok", Const("T"));
    tpl.SetTemplate({
        "end @",          // "@" at the end of the line
        "@@tok",          // the first "@" is not followed by a letter
        "@tok123",        // names are letters only
        "@tok_x @tok.",   // punctuation ends a name
        "@ tok @1",       // no name at all
        "@toke @to",      // longer and shorter names are other words
        "mail@tok@tok",   // tokens may follow any character directly
        "@",
        "",
    });
    EXPECT_EQ(Write(tpl), (Lines{"end @", "@T", "T123", "T_x T.", "@ tok @1", "@toke @to", "mailTT", "@", ""}));
}

TEST(TplParse, ParsedLinesSeparateTextAndTokenReferences)
{
    TTpl tpl;
    tpl.AddToken("a", Const(""));
    tpl.AddToken("b", Const(""));
    tpl.SetTemplate({"x@b y@a@nosuch", "", "@a"});
    EXPECT_FALSE(tpl.IsParsed());
    tpl.Parse();
    EXPECT_TRUE(tpl.IsParsed());
    const auto& p = tpl.Parsed();
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0], (TTplParsedLine{{0, "x"}, {2, ""}, {0, " y"}, {1, ""}, {0, "@nosuch"}}));
    EXPECT_TRUE(p[1].empty());
    EXPECT_EQ(p[2], (TTplParsedLine{{1, ""}}));
}

TEST(TplParse, ControlBytesInTheTemplateAreOrdinaryText)
{
    // Byte 2 followed by a byte that looks like a token number, a lone byte 2 at the
    // end of the line, NUL bytes and 0xFF: all copied as they are, no token called.
    TTpl tpl;
    int calls = 0;
    tpl.AddToken("a", [&](TTpl&, const std::string&, std::string& text) { ++calls; text = "A"; });
    std::string line1 = std::string("x\x02\x01y") + '\0' + "z";
    std::string line2 = "\x02";
    std::string line3 = std::string("\x02\xff@a\x02") + '\0';
    tpl.SetTemplate({line1, line2, line3});
    EXPECT_EQ(Write(tpl), (Lines{line1, line2, std::string("\x02\xff" "A\x02") + '\0'}));
    EXPECT_EQ(calls, 1);
}

TEST(TplParse, ChangesMarkForReparsingButNewTokensDoNot)
{
    TTpl tpl;
    tpl.AddToken("a", Const("A"));
    tpl.SetTemplate({"@a @b"});
    EXPECT_EQ(Write(tpl), (Lines{"A @b"}));
    EXPECT_TRUE(tpl.IsParsed());

    // A token added after parsing is not seen until the template changes.
    tpl.AddToken("b", Const("B"));
    EXPECT_TRUE(tpl.IsParsed());
    EXPECT_EQ(Write(tpl), (Lines{"A @b"}));

    tpl.AddTemplateLine("@b");
    EXPECT_FALSE(tpl.IsParsed());
    EXPECT_EQ(Write(tpl), (Lines{"A B", "B"}));

    tpl.SetTemplate({"@a"});
    EXPECT_FALSE(tpl.IsParsed());
    EXPECT_EQ(Write(tpl), (Lines{"A"}));
}

TEST(TplParse, LongLinesAreKeptWhole)
{
    TTpl tpl;
    tpl.AddToken("tok", Const("<value>"));
    std::string head(300, 'h');
    std::string tail(100000, '7');
    tpl.SetTemplate({head + "@tok" + tail});
    Lines out = Write(tpl);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(out[0] == head + "<value>" + tail);
}

// --- Comments -----------------------------------------------------------------------

TEST(TplComments, CommentLinesDisappearAndOtherLinesAreCut)
{
    TTpl tpl;
    tpl.SetCommentStr(";");
    tpl.SetTemplate({";note", "a;b", "plain", ";", "c;;d", "", " ;indented"});
    EXPECT_EQ(tpl.Template(), (Lines{"a", "plain", "c", "", " "}));
    tpl.AddTemplateLine(";more");
    tpl.AddTemplateLine("x;y");
    EXPECT_EQ(tpl.Template(), (Lines{"a", "plain", "c", "", " ", "x"}));
}

TEST(TplComments, LongerCommentStrings)
{
    TTpl tpl;
    tpl.SetCommentStr("//");
    tpl.SetTemplate({"// whole", "a / b // c", "/not", "x//"});
    EXPECT_EQ(tpl.Template(), (Lines{"a / b ", "/not", "x"}));
}

TEST(TplComments, NewCommentStrAppliesFromTheNextChange)
{
    TTpl tpl;
    tpl.SetTemplate({";kept", "a;b"});
    tpl.SetCommentStr(";");
    EXPECT_EQ(tpl.Template(), (Lines{";kept", "a;b"}));
    // The next change examines every line.
    tpl.AddTemplateLine("c");
    EXPECT_EQ(tpl.Template(), (Lines{"a", "c"}));
}

TEST(TplComments, AppliedToLoadedFiles)
{
    TempDir dir;
    TTpl tpl;
    tpl.SetCommentStr(";");
    tpl.LoadFromFile(dir.File("t.tpl", "; header comment\r\nTotal: @total ; count\r\n;\r\nend\r\n"));
    EXPECT_EQ(tpl.Template(), (Lines{"Total: @total ", "end"}));
}

// --- Writing ------------------------------------------------------------------------

TEST(TplExecute, TokenWritingClosedLinesLeavesNoBlankLine)
{
    TTpl tpl;
    tpl.AddToken("text", [](TTpl& t, const std::string&, std::string& text) {
        t.WriteOutLineClosed("one");
        t.WriteOutLineClosed("two");
        t.WriteOutLineClosed("three");
        text.clear();
    });
    tpl.SetTemplate({"@text"});
    EXPECT_EQ(Write(tpl), (Lines{"one", "two", "three"}));

    tpl.SetTemplate({"head", "@text", "foot"});
    EXPECT_EQ(Write(tpl), (Lines{"head", "one", "two", "three", "foot"}));
}

TEST(TplExecute, EmittedTextComesBeforeTheExpandedLine)
{
    TTpl tpl;
    tpl.AddToken("tok", [](TTpl& t, const std::string&, std::string& text) {
        t.WriteOutLine("abc");
        text = "def";
    });
    tpl.SetTemplate({"x@tok", "next"});
    EXPECT_EQ(Write(tpl), (Lines{"abcxdef", "next"}));
}

TEST(TplExecute, OpenAndClosedOutputLines)
{
    TTpl tpl;
    tpl.AddToken("open", [](TTpl& t, const std::string&, std::string&) {
        t.WriteOutLine("o1");
        t.WriteOutLine("o2");  // continues the open line
    });
    tpl.AddToken("closed", [](TTpl& t, const std::string&, std::string&) {
        t.WriteOutLine("c1");
        t.WriteOutLineClosed("c2");  // continues it and closes it
        t.WriteOutLine("c3");        // starts a new line
    });
    tpl.SetTemplate({"a", "@open", "b", "@closed", "c"});
    // A line holding only @open leaves no line of its own and leaves the output line
    // open, so the next template line continues it.
    EXPECT_EQ(Write(tpl), (Lines{"a", "o1o2b", "c1c2", "c3c"}));
}

TEST(TplExecute, OutputLineWhenTokenWritesAndTemplateTextRemains)
{
    TTpl tpl;
    tpl.AddToken("t", [](TTpl& t, const std::string&, std::string&) { t.WriteOutLineClosed("row"); });
    // The expanded line is not empty, so it is written after the emitted lines.
    tpl.SetTemplate({" @t"});
    EXPECT_EQ(Write(tpl), (Lines{"row", " "}));
}

TEST(TplExecute, LineNoDuringAWrite)
{
    TTpl tpl;
    std::vector<int> seen;
    tpl.AddToken("n", [&](TTpl& t, const std::string&, std::string& text) {
        seen.push_back(t.LineNo());
        text = std::to_string(t.LineNo());
    });
    tpl.SetTemplate({"@n", "x", "@n@n"});
    EXPECT_EQ(tpl.LineNo(), 0);
    EXPECT_EQ(Write(tpl), (Lines{"1", "x", "33"}));
    EXPECT_EQ(seen, (std::vector<int>{1, 3, 3}));
    EXPECT_EQ(tpl.LineNo(), 0);
    EXPECT_FALSE(tpl.Writing());
}

TEST(TplExecute, OutIsNotCleared)
{
    TTpl tpl;
    tpl.SetTemplate({"a", "b"});
    Lines out;
    tpl.Execute(out);
    tpl.Execute(out);
    EXPECT_EQ(out, (Lines{"a", "b", "a", "b"}));
}

TEST(TplExecute, EmptyTemplateWritesNothing)
{
    TTpl tpl;
    EXPECT_TRUE(Write(tpl).empty());
    EXPECT_FALSE(tpl.LastLineClosed());
}

TEST(TplExecute, LastLineClosedIsCarriedBetweenWrites)
{
    TTpl tpl;
    EXPECT_FALSE(tpl.LastLineClosed());
    bool open = true;
    tpl.AddToken("tail", [&](TTpl& t, const std::string&, std::string&) {
        if (open)
            t.WriteOutLine("open");
    });
    tpl.SetTemplate({"first", "@tail"});
    Lines out;
    tpl.Execute(out);
    EXPECT_EQ(out, (Lines{"first", "open"}));
    EXPECT_FALSE(tpl.LastLineClosed());

    // The next write into the same list continues the open line.
    open = false;
    tpl.Execute(out);
    EXPECT_EQ(out, (Lines{"first", "openfirst", ""}));
    EXPECT_TRUE(tpl.LastLineClosed());

    // Into a fresh list the open state does not matter: there is no line to continue.
    open = true;
    tpl.Execute(out);
    EXPECT_FALSE(tpl.LastLineClosed());
    Lines fresh;
    open = false;
    tpl.Execute(fresh);
    EXPECT_EQ(fresh, (Lines{"first", ""}));
}

TEST(TplExecute, WriteOutLineOutsideAWrite)
{
    TTpl tpl;
    ExpectTplError([&] { tpl.WriteOutLine("x"); }, "WriteOutLine can be called only when writing");
    ExpectTplError([&] { tpl.WriteOutLineClosed("x"); }, "WriteOutLine can be called only when writing");

    // A procedure kept around and called after the write has ended.
    tpl.AddToken("t", Const("v"));
    tpl.SetTemplate({"@t"});
    Write(tpl);
    ExpectTplError([&] { tpl.WriteOutLine("late"); }, "WriteOutLine can be called only when writing");
}

TEST(TplExecute, FailingTokenStopsTheWriteAndLeavesTheEngineUsable)
{
    struct Boom : std::runtime_error {
        using std::runtime_error::runtime_error;
    };
    TTpl tpl;
    bool fail = true;
    tpl.AddToken("bad", [&](TTpl& t, const std::string&, std::string& text) {
        t.WriteOutLineClosed("partial");
        if (fail)
            throw Boom("token failed");
        text = "ok";
    });
    tpl.SetTemplate({"before", "@bad", "after"});
    Lines out;
    try {
        tpl.Execute(out);
        ADD_FAILURE() << "no exception";
    } catch (const Boom& e) {
        EXPECT_STREQ(e.what(), "token failed");  // passes through unchanged
    }
    EXPECT_EQ(out, (Lines{"before", "partial"}));
    EXPECT_FALSE(tpl.Writing());
    EXPECT_EQ(tpl.LineNo(), 0);
    ExpectTplError([&] { tpl.WriteOutLine("x"); }, "WriteOutLine can be called only when writing");

    fail = false;
    Lines again;
    tpl.Execute(again);
    EXPECT_EQ(again, (Lines{"before", "partial", "ok", "after"}));
}

TEST(TplExecute, TemplateChangedByATokenDuringAWrite)
{
    // The running write finishes with the template it started with; the change is
    // used by the next write.
    TTpl tpl;
    tpl.AddToken("swap", [](TTpl& t, const std::string&, std::string& text) {
        t.SetTemplate({"new"});
        t.Parse();
        text = "S";
    });
    tpl.SetTemplate({"@swap", "old 2", "old 3"});
    EXPECT_EQ(Write(tpl), (Lines{"S", "old 2", "old 3"}));
    EXPECT_EQ(Write(tpl), (Lines{"new"}));
}

TEST(TplExecute, TokensRegisteredDuringAWrite)
{
    TTpl tpl;
    tpl.AddToken("reg", [](TTpl& t, const std::string& name, std::string& text) {
        // Enough registrations to move any vector storage; `name` must stay valid.
        for (int i = 0; i < 100; ++i) {
            std::string n = "x";
            for (int k = i; k >= 0; k -= 26)
                n += static_cast<char>('a' + k % 26);
            if (t.FindToken(n) == 0)
                t.AddToken(n, Const(""));
        }
        text = name;
    });
    tpl.SetTemplate({"@reg @reg"});
    EXPECT_EQ(Write(tpl), (Lines{"REG REG"}));
}

TEST(TplExecute, WriteStartedFromATokenDoesNotEndTheOuterWrite)
{
    TTpl tpl;
    tpl.AddToken("nest", [](TTpl& t, const std::string&, std::string& text) {
        Lines sub;
        t.SetTemplate({"sub"});
        t.Execute(sub);
        EXPECT_TRUE(t.Writing());
        t.WriteOutLineClosed(sub.at(0));
        text = "";
    });
    tpl.SetTemplate({"a", "@nest", "b"});
    Lines out;
    tpl.Execute(out);
    EXPECT_EQ(out, (Lines{"a", "sub", "b"}));
    EXPECT_FALSE(tpl.Writing());
}

// --- Files --------------------------------------------------------------------------

TEST(TplFiles, LineEndsOfAllKinds)
{
    TempDir dir;
    TTpl tpl;
    tpl.LoadFromFile(dir.File("a", "one\r\ntwo\nthree\rfour"));
    EXPECT_EQ(tpl.Template(), (Lines{"one", "two", "three", "four"}));
    tpl.LoadFromFile(dir.File("b", "one\r\n"));
    EXPECT_EQ(tpl.Template(), (Lines{"one"}));
    tpl.LoadFromFile(dir.File("c", "one\n\n"));
    EXPECT_EQ(tpl.Template(), (Lines{"one", ""}));
    tpl.LoadFromFile(dir.File("d", "\r\n\r\r\n"));
    EXPECT_EQ(tpl.Template(), (Lines{"", "", ""}));
    tpl.LoadFromFile(dir.File("e", "one\n\rtwo\r"));  // LF CR is two line ends
    EXPECT_EQ(tpl.Template(), (Lines{"one", "", "two"}));
    tpl.LoadFromFile(dir.File("f", ""));
    EXPECT_TRUE(tpl.Template().empty());
    EXPECT_TRUE(Write(tpl).empty());
}

TEST(TplFiles, LoadingMarksForReparsing)
{
    TempDir dir;
    TTpl tpl;
    tpl.AddToken("v", Const("V"));
    tpl.SetTemplate({"old"});
    tpl.Parse();
    tpl.LoadFromFile(dir.File("t", "@v\n"));
    EXPECT_FALSE(tpl.IsParsed());
    EXPECT_EQ(Write(tpl), (Lines{"V"}));
}

TEST(TplFiles, UnreadableTemplateRaisesFileErrorsAndKeepsTheTemplate)
{
    TempDir dir;
    TTpl tpl;
    tpl.SetTemplate({"kept"});
    tpl.Parse();
    EXPECT_THROW(tpl.LoadFromFile((dir.path / "missing.tpl").string()), EFOpenError);
    EXPECT_THROW(tpl.LoadFromFile(dir.path.string()), EFOpenError);  // a directory
    EXPECT_EQ(tpl.Template(), (Lines{"kept"}));
    EXPECT_TRUE(tpl.IsParsed());
}

TEST(TplFiles, OemTemplateIsConvertedToAnsi)
{
    TempDir dir;
    const std::string oem = "\x8F\xE0\xA8\xA2\xA5\xE2";   // "Привет" in CP866
    const std::string ansi = "\xCF\xF0\xE8\xE2\xE5\xF2";  // the same in CP1251
    std::string file = dir.File("ru.tpl", oem + " @name\r\n");

    TTpl tpl;
    ASSERT_TRUE(tpl.OemTemplate);
    ASSERT_FALSE(tpl.OemOutput);
    tpl.AddToken("name", Const(ansi));
    tpl.LoadFromFile(file);
    EXPECT_EQ(tpl.Template(), (Lines{ansi + " @name"}));
    EXPECT_EQ(Write(tpl), (Lines{ansi + " " + ansi}));

    // Output converted back to OEM, template text and token text alike.
    tpl.OemOutput = true;
    EXPECT_EQ(Write(tpl), (Lines{oem + " " + oem}));

    // Without OemTemplate the bytes are loaded as they are.
    TTpl raw;
    raw.OemTemplate = false;
    raw.LoadFromFile(file);
    EXPECT_EQ(raw.Template(), (Lines{oem + " @name"}));
}

TEST(TplFiles, OemOutputConvertsEachPieceOnce)
{
    const std::string oem = "\x8F\xE0\xA8\xA2\xA5\xE2";
    const std::string ansi = "\xCF\xF0\xE8\xE2\xE5\xF2";
    TTpl tpl;
    tpl.OemOutput = true;
    tpl.AddToken("t", [&](TTpl& t, const std::string&, std::string&) {
        t.WriteOutLineClosed(ansi);
        t.WriteOutLine(ansi);
    });
    tpl.SetTemplate({"@t"});
    // A line already in the list is left as it is. (A new engine's last line counts
    // as open, so the first text written continues it.)
    Lines out{ansi};
    tpl.Execute(out);
    EXPECT_EQ(out, (Lines{ansi + oem, oem}));
    // A second write into the same list converts only what it adds, also where it
    // continues the open last line.
    tpl.SetTemplate({"x"});
    tpl.Execute(out);
    EXPECT_EQ(out, (Lines{ansi + oem, oem + "x"}));
}

TEST(TplFiles, ExecuteToFileWritesLfEndedLines)
{
    TempDir dir;
    TTpl tpl;
    tpl.AddToken("rows", [](TTpl& t, const std::string&, std::string&) {
        t.WriteOutLineClosed("r1");
        t.WriteOutLineClosed("r2");
    });
    tpl.SetTemplate({"head", "@rows", "", "foot"});
    std::string path = (dir.path / "report.txt").string();
    tpl.ExecuteToFile(path);
    EXPECT_EQ(ReadWholeFile(path), "head\nr1\nr2\n\nfoot\n");

    // An empty result gives an empty file, replacing the old one.
    tpl.SetTemplate({});
    tpl.ExecuteToFile(path);
    EXPECT_EQ(ReadWholeFile(path), "");
}

TEST(TplFiles, ExecuteToFileFailures)
{
    TempDir dir;
    TTpl tpl;
    tpl.SetTemplate({"x"});
    EXPECT_THROW(tpl.ExecuteToFile((dir.path / "no" / "such" / "dir.txt").string()), EFCreateError);

    // A failing token leaves an existing report untouched.
    std::string path = dir.File("report.txt", "old report\n");
    tpl.AddToken("bad", [](TTpl&, const std::string&, std::string&) { throw ETplError("bad token"); });
    tpl.SetTemplate({"new", "@bad"});
    EXPECT_THROW(tpl.ExecuteToFile(path), ETplError);
    EXPECT_EQ(ReadWholeFile(path), "old report\n");
}

// --- Damaged template files ---------------------------------------------------------

TEST(TplDamaged, RandomBytesNeverCrashAndWithoutTokensPassThrough)
{
    TempDir dir;
    std::mt19937 rng(20240601);
    for (int round = 0; round < 200; ++round) {
        std::size_t len = rng() % 2000;
        std::string data(len, '\0');
        for (char& c : data) {
            // Bias towards the bytes that matter: 0, 2, '@', letters, line ends.
            switch (rng() % 8) {
            case 0: c = '\0'; break;
            case 1: c = '\x02'; break;
            case 2: c = '@'; break;
            case 3: c = static_cast<char>('a' + rng() % 26); break;
            case 4: c = (rng() % 2) ? '\r' : '\n'; break;
            default: c = static_cast<char>(rng() % 256); break;
            }
        }
        std::string file = dir.File("g.tpl", data);

        // No tokens: the written lines are exactly the loaded lines.
        TTpl plain;
        plain.OemTemplate = false;
        plain.LoadFromFile(file);
        Lines out = Write(plain);
        EXPECT_EQ(out, plain.Template());
        // Rejoining the lines loses only the kind of line ends.
        std::size_t bytes = 0;
        for (const auto& l : out)
            bytes += l.size();
        std::size_t breaks = 0;
        for (char c : data)
            breaks += (c == '\r' || c == '\n');
        EXPECT_EQ(bytes + breaks, data.size());

        // With tokens, OEM conversion and comments: must simply not crash.
        TTpl tpl;
        tpl.SetCommentStr("\x02");
        tpl.OemOutput = true;
        for (char t = 'a'; t <= 'z'; ++t) {
            tpl.AddToken(std::string(1, t), [t](TTpl& e, const std::string&, std::string& text) {
                if (t == 'q')
                    e.WriteOutLine("q");
                if (t == 'w')
                    e.WriteOutLineClosed("w");
                text = std::string(1, t);
            });
        }
        tpl.LoadFromFile(file);
        Lines out2 = Write(tpl);
        for (const auto& l : out2)
            EXPECT_EQ(l.find('\x02'), std::string::npos);
    }
}

TEST(TplDamaged, TruncatedTemplateFile)
{
    TempDir dir;
    TTpl tpl;
    tpl.AddToken("time", Const("12:00"));
    std::string full = "Time: @time\r\nEnd\r\n";
    for (std::size_t cut = 0; cut <= full.size(); ++cut) {
        tpl.LoadFromFile(dir.File("t.tpl", full.substr(0, cut)));
        Lines out = Write(tpl);
        ASSERT_LE(out.size(), 2u);
        if (cut >= 11) {  // the whole token name is there
            EXPECT_EQ(out.at(0), "Time: 12:00");
        } else if (cut == 9) {
            EXPECT_EQ(out.at(0), "Time: @ti");  // a cut-off name is just text
        }
    }
}

TEST(TplDamaged, VeryLongLinesInAFile)
{
    TempDir dir;
    std::string longLine(1 << 20, 'x');
    longLine[500000] = '@';  // "@xxxx..." is no token: stays as written
    TTpl tpl;
    tpl.OemTemplate = false;
    tpl.AddToken("x", Const("!"));
    tpl.LoadFromFile(dir.File("long.tpl", longLine + "\n@x"));
    Lines out = Write(tpl);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_TRUE(out[0] == longLine);
    EXPECT_EQ(out[1], "!");
}
