#include "fido/ConfigParser.h"

#include "fido/Lng.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tarvix;
namespace fs = std::filesystem;

namespace {

const std::string kEngLng = TARVIX_SOURCE_DIR "/lng/QZ_Eng.lng";

class QParserTest : public ::testing::Test {
protected:
    test::TempDir temp;
    fs::path dir = temp.path;

    void SetUp() override { UnloadLng(); }
    void TearDown() override { UnloadLng(); }
    std::string File(const std::string& name, const std::string& text) { return temp.Write(name, text); }
};

// Runs f and returns the EQParserError it raised; a test failure when it raised none.
template <class F>
EQParserError ErrorOf(F f)
{
    try {
        f();
    } catch (const EQParserError& e) {
        return e;
    }
    ADD_FAILURE() << "no EQParserError raised";
    return EQParserError("(none)", std::string(), 0);
}

// A parser that records the words of every line with the keyword KEY.
struct Recorder {
    TQParser p;
    std::vector<TQWords> lines;
    Recorder()
    {
        p.AddProc("Key", [this](const TQWords& w) { lines.push_back(w); }, 1);
    }
};

}  // namespace

// ------------------------------------------------------------------ splitting

TEST_F(QParserTest, UnmatchedQuoteReportsFileAndLine)
{
    Recorder r;
    const std::string path = File("t.ctl", "Key a\n\nKey \"open\n");
    EQParserError e = ErrorOf([&] { r.p.Parse(path); });
    EXPECT_STREQ(e.what(), "QParser.Unmatched");
    EXPECT_EQ(e.Key(), "QParser.Unmatched");
    EXPECT_EQ(e.FileName(), path);
    EXPECT_EQ(e.Line(), 3);
}

// ------------------------------------------------------------------ defines

TEST_F(QParserTest, DefineContainingItsOwnNameDoesNotLoop)
{
    Recorder r;
    r.p.Parse(File("t.ctl", "define LOOP xLOOPy\nKey LOOP-loop\n"));
    ASSERT_EQ(r.lines.size(), 1u);
    EXPECT_EQ(r.lines[0][1], "xLOOPy-xLOOPy");
}

TEST_F(QParserTest, DefineValueIsLimited)
{
    Recorder r;
    const std::string big(200, 'v');
    r.p.Defines().Add("BIG", big);
    r.p.Parse(File("t.ctl", "define TWO BIG BIG\n"));
    EXPECT_EQ(r.p.Defines().Lookup("TWO"), (big + " " + big).substr(0, TQParser::kMaxDefineValue));
}

TEST_F(QParserTest, GrowingDefinesAreCut)
{
    Recorder r;
    // Each define doubles the line: without a limit 2^40 bytes.
    for (char c = 'A'; c < 'A' + 20; ++c)
        r.p.Defines().Add(std::string("@") + c, std::string("@") + static_cast<char>(c + 1) + " @" +
                                                    static_cast<char>(c + 1));
    r.p.Defines().Add("X", std::string(100000, 'x'));
    r.p.Parse(File("t.ctl", "Key @A\nKey XXXXXXXXXXXXXXXXXXXX\n"));
    ASSERT_EQ(r.lines.size(), 2u);
    std::size_t total = 0;
    for (const std::string& w : r.lines[0])
        total += w.size() + 1;
    EXPECT_LE(total, TQParser::kMaxExpandedLine + 1);
    EXPECT_GT(r.lines[0].size(), TQParser::kMaxExpandedLine / 4);
    ASSERT_EQ(r.lines[1].size(), 2u);
    EXPECT_EQ(r.lines[1][1].size(), TQParser::kMaxExpandedLine - 4);
}

// Long define names that almost match: the search must not compare each name anew
// at every byte, and lines expanded to the limit must stay short enough for many
// defines to search (a 3 kB file took a minute in the fuzz build).
// The names are found in any case, also where a partial match overlaps the real one.
TEST_F(QParserTest, LongNamesThatAlmostMatchAreFound)
{
    Recorder r;
    std::string lines = "define @2 " + std::string(120, '@') + "\n";
    lines += "define @ " + std::string(240, 'a') + "\n";
    for (char c = 'B'; c < 'L'; ++c)
        lines += "define " + std::string(200, 'A') + c + " no\n";
    lines += "define ABAB more\ndefine aab found\n";
    for (int i = 0; i < 10; ++i)
        lines += "Key @2\n";
    lines += "Key aaaAB xAaB-abaabab\n";
    r.p.Parse(File("t.ctl", lines));
    ASSERT_EQ(r.lines.size(), 11u);
    // "@2" became 120 times "@" and each "@" 240 "a", cut at the limit.
    EXPECT_EQ(r.lines[0][1], std::string(TQParser::kMaxExpandedLine - 4, 'a'));
    EXPECT_EQ(r.lines[10], (TQWords{"Key", "aafound", "xfound-abamore"}));
}

// ------------------------------------------------------------------ includes

TEST_F(QParserTest, IncludesResolveAgainstTheIncludingFile)
{
    const fs::path cwd = fs::current_path();
    Recorder r;
    std::vector<std::string> where;
    r.p.AddProc("Where", [&](const TQWords&) {
        where.push_back(fs::path(r.p.CurrentFileName()).filename().string() + ":" +
                        std::to_string(r.p.CurrentLine()));
        EXPECT_EQ(fs::current_path(), cwd);  // the working directory is never changed
    }, 1);
    File("top/sub/inc.ctl", "Key sub\ninclude next.ctl\nWhere\n");
    File("top/next.ctl", "Key top-level next\n");
    File("top/sub/next.ctl", "Key sub-level next\n");
    const std::string top = File("top/main.ctl", "Where\ninclude SUB\\INC.CTL\nWhere\n");

    r.p.Parse(top);
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(r.lines[1][1], "top-level");
    // Name and line number of the including file come back after an include.
    EXPECT_EQ(where, (std::vector<std::string>{"main.ctl:1", "inc.ctl:3", "main.ctl:3"}));
    EXPECT_EQ(r.p.Level(), 0);

    Recorder s;
    s.p.SetIncludesInSubdirs(true);
    s.p.Parse(top);
    ASSERT_EQ(s.lines.size(), 2u);
    EXPECT_EQ(s.lines[1][1], "sub-level");
}

TEST_F(QParserTest, IncludeCycleThroughAnotherFileIsAnError)
{
    LoadLng(kEngLng);
    Recorder r;
    const std::string b = File("b.ctl", "Key b\ninclude a.ctl\n");
    const std::string a = File("a.ctl", "include b.ctl\n");
    EQParserError e = ErrorOf([&] { r.p.Parse(a); });
    EXPECT_EQ(std::string(e.what()), "Configuration file " + a + " includes itself");
    EXPECT_EQ(e.FileName(), b);
    EXPECT_EQ(e.Line(), 2);
    EXPECT_EQ(r.p.Level(), 0);

    // The same file included twice one after the other is no cycle.
    Recorder twice;
    File("once.ctl", "Key once\n");
    twice.p.Parse(File("twice.ctl", "include once.ctl\ninclude once.ctl\n"));
    EXPECT_EQ(twice.lines.size(), 2u);
}

TEST_F(QParserTest, IncludeDepthIsLimited)
{
    const int files = TQParser::kMaxIncludeDepth + 5;
    for (int i = 0; i < files; ++i)
        File("f" + std::to_string(i) + ".ctl", "Key " + std::to_string(i) + "\ninclude f" +
                                                   std::to_string(i + 1) + ".ctl\n");
    Recorder r;
    EQParserError e = ErrorOf([&] { r.p.Parse((dir / "f0.ctl").string()); });
    EXPECT_EQ(e.Key(), "QParser.IncludeDepth");
    EXPECT_EQ(static_cast<int>(r.lines.size()), TQParser::kMaxIncludeDepth);
    EXPECT_EQ(e.Line(), 2);
}

// ------------------------------------------------------------------ damaged input

TEST_F(QParserTest, LongLinesAreCut)
{
    Recorder r;
    const std::string word(296, 'x');
    r.p.Parse(File("t.ctl", "Key " + word + " tail\nKey next\n"));
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(r.lines[0][1], word.substr(0, TQParser::kMaxLine - 4));
    EXPECT_EQ(r.lines[0].size(), 2u);
    EXPECT_EQ(r.lines[1][1], "next");

    // A very long line without any line end costs no more than its first characters.
    Recorder big;
    big.p.Parse(File("big.ctl", "Key " + std::string(5 * 1024 * 1024, 'y')));
    ASSERT_EQ(big.lines.size(), 1u);
    EXPECT_EQ(big.lines[0][1].size(), TQParser::kMaxLine - 4);
}
