#include "fido/QParser.h"

#include "fido/Lng.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using namespace tarvix;
namespace fs = std::filesystem;

namespace {

const std::string kEngLng = TARVIX_SOURCE_DIR "/lng/QZ_Eng.lng";

class QParserTest : public ::testing::Test {
protected:
    fs::path dir;

    void SetUp() override
    {
        static int counter = 0;
        dir = fs::temp_directory_path() /
              ("tarvix-qparser-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        fs::remove_all(dir);
        fs::create_directories(dir);
        UnloadLng();
    }
    void TearDown() override
    {
        UnloadLng();
        fs::remove_all(dir);
    }

    // Writes a file below the test directory (creating its folders) and returns its path.
    std::string File(const std::string& name, const std::string& text)
    {
        fs::path p = dir / name;
        fs::create_directories(p.parent_path());
        std::ofstream out(p, std::ios::binary);
        out << text;
        return p.string();
    }
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

TEST_F(QParserTest, CommentCutsTheLine)
{
    TQParser p;
    TQWords got;
    p.AddProc("Sys_Path", [&](const TQWords& w) { got = w; }, 1);
    p.Parse(File("t.ctl", "Sys_Path C:\\TM ; comment\n"));
    EXPECT_EQ(got, (TQWords{"Sys_Path", "C:\\TM"}));
}

TEST_F(QParserTest, CommentTextIsConfigurableAndCutsInsideQuotes)
{
    Recorder r;
    r.p.SetCommentStr("//");
    r.p.Parse(File("a.ctl", "Key a;b // c\n"));
    ASSERT_EQ(r.lines.size(), 1u);
    EXPECT_EQ(r.lines[0], (TQWords{"Key", "a;b"}));
    // The cut falls inside the quotes and leaves the quote open.
    EXPECT_STREQ(ErrorOf([&] { r.p.Parse(File("q.ctl", "Key \"x // y\"\n")); }).what(), "QParser.Unmatched");

    Recorder none;
    none.p.SetCommentStr("");
    none.p.Parse(File("b.ctl", "Key a ; b\n"));
    ASSERT_EQ(none.lines.size(), 1u);
    EXPECT_EQ(none.lines[0], (TQWords{"Key", "a", ";", "b"}));
}

TEST_F(QParserTest, QuotedWordsKeepBlanks)
{
    Recorder r;
    r.p.Parse(File("t.ctl", "Key \"a b\" c\n  Key\t\t\"\"  \"x\"y \n"));
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(r.lines[0], (TQWords{"Key", "a b", "c"}));
    EXPECT_EQ(r.lines[1], (TQWords{"Key", "", "x", "y"}));
}

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

TEST_F(QParserTest, LineEndsOfAllKindsAndLineNumbers)
{
    Recorder r;
    std::vector<int> lineNos;
    r.p.AddProc("N", [&](const TQWords&) { lineNos.push_back(r.p.CurrentLine()); }, 1);
    r.p.Parse(File("t.ctl", "N\r\nN\nN\rN\r\n\r\nN"));
    EXPECT_EQ(lineNos, (std::vector<int>{1, 2, 3, 4, 6}));
}

TEST_F(QParserTest, EmptyFileAndBlankLines)
{
    Recorder r;
    r.p.Parse(File("empty.ctl", ""));
    r.p.Parse(File("blank.ctl", "\n   \n\t\n;only a comment\n"));
    EXPECT_TRUE(r.lines.empty());
}

// ------------------------------------------------------------------ defines

TEST_F(QParserTest, DefinesReplaceInsideWordsInAnyCase)
{
    Recorder r;
    r.p.Parse(File("t.ctl",
                   "define ROOT C:\\TM\n"
                   "Key root\\files xRootY \"in ROOT quotes\"\n"));
    ASSERT_EQ(r.lines.size(), 1u);
    EXPECT_EQ(r.lines[0], (TQWords{"Key", "C:\\TM\\files", "xC:\\TMY", "in C:\\TM quotes"}));
}

TEST_F(QParserTest, DefineValueIsTheRestOfTheLine)
{
    Recorder r;
    r.p.Parse(File("t.ctl",
                   "Define MSG hello   world ; comment\n"
                   "define PF \"C:\\Program Files\"\n"
                   "define MSG again and again\n"));
    EXPECT_EQ(r.p.Defines().Lookup("PF"), "C:\\Program Files");
    // Substitution comes first, also on define lines: the third line defines "hello".
    EXPECT_EQ(r.p.Defines().Lookup("MSG"), "hello   world");
    EXPECT_EQ(r.p.Defines().Lookup("hello"), "world again and again");
}

TEST_F(QParserTest, LaterDefinesSeeEarlierOnes)
{
    Recorder r;
    r.p.Defines().Add("%A%", "%B%");
    r.p.Defines().Add("%B%", "b");
    r.p.Parse(File("t.ctl", "Key %A%\n"));
    ASSERT_EQ(r.lines.size(), 1u);
    EXPECT_EQ(r.lines[0][1], "b");
}

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

TEST_F(QParserTest, BadDefineAndBadInclude)
{
    Recorder r;
    EQParserError e = ErrorOf([&] { r.p.Parse(File("d.ctl", "; x\ndefine ONLYNAME\n")); });
    EXPECT_STREQ(e.what(), "QParser.BadDefine");
    EXPECT_EQ(e.Line(), 2);
    e = ErrorOf([&] { r.p.Parse(File("i.ctl", "include\n")); });
    EXPECT_STREQ(e.what(), "QParser.BadInclude");
    EXPECT_EQ(e.Line(), 1);
}

TEST_F(QParserTest, OnDefineReplacesTheBuiltInDefine)
{
    Recorder r;
    std::vector<TQWords> seen;
    r.p.OnDefine = [&](const TQWords& w) { seen.push_back(w); };
    r.p.Parse(File("t.ctl", "DEFINE A = b\ndefine\n"));
    ASSERT_EQ(seen.size(), 2u);  // the short line is no error either
    EXPECT_EQ(seen[0], (TQWords{"DEFINE", "A", "=", "b"}));
    EXPECT_EQ(r.p.Defines().Count(), 0u);
}

TEST_F(QParserTest, DirectiveWords)
{
    Recorder r;
    EXPECT_EQ(r.p.DefineStr(), "DEFINE");
    EXPECT_EQ(r.p.IncludeStr(), "INCLUDE");
    EXPECT_STREQ(ErrorOf([&] { r.p.SetDefineStr("#def ine"); }).what(), "DefineStr must be a single word");
    EXPECT_STREQ(ErrorOf([&] { r.p.SetIncludeStr("a\tb"); }).what(), "IncludeStr must be a single word");
    EXPECT_EQ(r.p.DefineStr(), "DEFINE");

    r.p.SetDefineStr("#Define");
    r.p.SetIncludeStr("#include");
    EXPECT_EQ(r.p.DefineStr(), "#DEFINE");
    File("inc.ctl", "Key from-include\n");
    r.p.Parse(File("t.ctl", "#define V val\n#Include inc.ctl\nKey V\n"));
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(r.lines[0][1], "from-include");
    EXPECT_EQ(r.lines[1][1], "val");

    // An empty directive word disables the directive: the line is an ordinary keyword.
    TQParser q;
    std::vector<std::string> unknown;
    q.SetDefineStr("");
    q.SetIncludeStr("");
    q.OnUnknownKeyword = [&](TQWords& w) {
        unknown.push_back(w[0]);
        return true;
    };
    q.Parse(File("u.ctl", "define X\ninclude\n"));
    EXPECT_EQ(unknown, (std::vector<std::string>{"define", "include"}));
}

TEST_F(QParserTest, EnvironmentDefines)
{
    ::setenv("TARVIX_QP_VAR", "C:\\ENV", 1);
    TQParser pct, hash, plain;
    pct.AddEnvDefines("%");
    hash.AddEnvDefines("#");
    plain.AddEnvDefines(" ");
    EXPECT_EQ(pct.Defines().Lookup("%tarvix_qp_var%"), "C:\\ENV");
    EXPECT_EQ(pct.Defines().KeyAt(pct.Defines().IndexOf("%TARVIX_QP_VAR%")), "%TARVIX_QP_VAR%");
    EXPECT_EQ(hash.Defines().Lookup("#TARVIX_QP_VAR#"), "C:\\ENV");
    EXPECT_EQ(plain.Defines().Lookup("TARVIX_QP_VAR"), "C:\\ENV");
    EXPECT_EQ(plain.Defines().IndexOf("%TARVIX_QP_VAR%"), -1);

    std::string path;
    pct.AddStr("Path", path);
    pct.Parse(File("t.ctl", "Path %Tarvix_Qp_Var%\\bin\n"));
    EXPECT_EQ(path, "C:\\ENV\\bin");
    ::unsetenv("TARVIX_QP_VAR");
}

// ------------------------------------------------------------------ sections and events

TEST_F(QParserTest, SkippedSectionsStillObeyDirectives)
{
    Recorder r;
    std::vector<std::string> sections;
    r.p.OnSection = [&](const std::string& name, TSectionAction& a) {
        sections.push_back(name);
        a = name == "Skip" ? saSkip : saParse;
    };
    File("inc.ctl", "define FROMINC yes\nKey in-include\n");
    r.p.Parse(File("t.ctl",
                   "Key one\n"
                   "[Skip] trailing text\n"
                   "Key skipped\n"
                   "define V two\n"
                   "include inc.ctl\n"
                   "[Keep]\n"
                   "Key V FROMINC\n"));
    EXPECT_EQ(sections, (std::vector<std::string>{"Skip", "Keep"}));
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(r.lines[0][1], "one");
    EXPECT_EQ(r.lines[1], (TQWords{"Key", "two", "yes"}));
}

TEST_F(QParserTest, SectionStartWithoutCloseIsAnOrdinaryLine)
{
    TQParser p;
    TQWords unknown;
    bool sectionCalled = false;
    p.OnSection = [&](const std::string&, TSectionAction&) { sectionCalled = true; };
    p.OnUnknownKeyword = [&](TQWords& w) {
        unknown = w;
        return true;
    };
    p.Parse(File("t.ctl", "[Broken section\n"));
    EXPECT_FALSE(sectionCalled);
    EXPECT_EQ(unknown, (TQWords{"[Broken", "section"}));
    EXPECT_EQ(p.CurrentSection(), "");
}

TEST_F(QParserTest, ParseStartsWithoutSection)
{
    Recorder r;
    r.p.OnSection = [&](const std::string&, TSectionAction& a) { a = saSkip; };
    r.p.Parse(File("a.ctl", "[X]\nKey a\n"));
    r.p.OnSection = nullptr;
    r.p.Parse(File("b.ctl", "Key b\n"));
    ASSERT_EQ(r.lines.size(), 1u);
    EXPECT_EQ(r.lines[0][1], "b");
}

TEST_F(QParserTest, OnBeforeParseChangesSkipsAndStops)
{
    Recorder r;
    std::vector<std::string> raw;
    r.p.OnBeforeParse = [&](std::string& line, TQParserAction& a) {
        raw.push_back(line);
        if (line.rfind("SKIP", 0) == 0)
            a = qaSkip;
        else if (line == "COMPLETE.")
            a = qaStop;
        else
            line = "Key " + line;
    };
    r.p.Parse(File("t.ctl", "one\nSKIP Key x\ntwo\nCOMPLETE.\nthree\n"));
    EXPECT_EQ(raw, (std::vector<std::string>{"one", "SKIP Key x", "two", "COMPLETE."}));
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(r.lines[1][1], "two");
}

TEST_F(QParserTest, StopInAnIncludedFileEndsOnlyThatFile)
{
    Recorder r;
    r.p.OnBeforeParse = [&](std::string& line, TQParserAction& a) {
        if (line == "STOP")
            a = qaStop;
    };
    File("inc.ctl", "Key a\nSTOP\nKey b\n");
    r.p.Parse(File("t.ctl", "include inc.ctl\nKey c\nSTOP\nKey d\n"));
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(r.lines[0][1], "a");
    EXPECT_EQ(r.lines[1][1], "c");
}

TEST_F(QParserTest, OnAfterParseDropsOrChangesWords)
{
    Recorder r;
    r.p.SetDefineStr("#define");
    // As the SF-Mail reader does: a leading "(...)" word is removed.
    r.p.OnAfterParse = [](TQWords& w) {
        if (!w.empty() && w[0].rfind("(", 0) == 0)
            w.erase(w.begin());
        return w.empty() || w[0] != "Drop";
    };
    r.p.Parse(File("t.ctl", "(1) Key a\nDrop Key\nKey b\n(2) #define M value with blanks\nKey M\n"));
    ASSERT_EQ(r.lines.size(), 3u);
    EXPECT_EQ(r.lines[0], (TQWords{"Key", "a"}));
    EXPECT_EQ(r.lines[1], (TQWords{"Key", "b"}));
    EXPECT_EQ(r.p.Defines().Lookup("M"), "value with blanks");
}

TEST_F(QParserTest, UnknownKeywordsAreIgnoredOrStopTheFile)
{
    Recorder r;
    r.p.Parse(File("a.ctl", "Other x\nKey a\n"));
    EXPECT_EQ(r.lines.size(), 1u);
    r.p.OnUnknownKeyword = [](TQWords&) { return false; };
    r.p.Parse(File("b.ctl", "Key b\nOther x\nKey c\n"));
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(r.lines[1][1], "b");
}

// ------------------------------------------------------------------ handlers

TEST_F(QParserTest, RegisteringTwiceInAnyCaseIsAnError)
{
    TQParser p;
    std::string s;
    p.AddStr("Freq_Dir", s);
    EQParserError e = ErrorOf([&] { p.AddStr("FREQ_DIR", s); });
    EXPECT_EQ(e.Key(), "QParser.DupKeyword");
    EXPECT_NE(std::string(e.what()).find("FREQ_DIR"), std::string::npos);
    EXPECT_EQ(e.Line(), 0);
    EXPECT_EQ(e.FileName(), "");

    LoadLng(kEngLng);
    e = ErrorOf([&] { p.AddProc("freq_dir", nullptr, 1); });
    EXPECT_STREQ(e.what(), "Keyword FREQ_DIR is registered twice");
}

TEST_F(QParserTest, FindHandlerAndLastHandler)
{
    TQParser p;
    EXPECT_THROW(p.LastHandler(), EQParserError);
    std::string s;
    std::vector<std::string> list;
    p.AddStr("Alpha", s);
    p.AddList("Beta", list);
    EXPECT_EQ(&p.LastHandler(), p.FindHandler("bEtA"));
    EXPECT_EQ(p.FindHandler("BETA")->Kind, THandlerKind::hkList);
    EXPECT_EQ(p.FindHandler("alpha")->Keyword, "ALPHA");
    EXPECT_EQ(p.FindHandler("Gamma"), nullptr);
}

TEST_F(QParserTest, StrBoolAndInt)
{
    TQParser p;
    std::string s;
    bool b1 = false, b2 = true, b3 = false, b4 = true;
    int i1 = 0, i2 = 0, i3 = 0;
    p.AddStr("Str", s);
    p.AddBool("B1", b1);
    p.AddBool("B2", b2);
    p.AddBool("B3", b3);
    p.AddBool("B4", b4);
    p.AddInt("I1", i1);
    p.AddInt("I2", i2);
    p.AddInt("I3", i3);
    p.Parse(File("t.ctl", "str first\nSTR second extra\nb1 yes\nb2 No\nb3 TRUE\nb4 false\n"
                          "i1 42\ni2 -2147483648\ni3 $FF\n"));
    EXPECT_EQ(s, "second");
    EXPECT_TRUE(b1);
    EXPECT_FALSE(b2);
    EXPECT_TRUE(b3);
    EXPECT_FALSE(b4);
    EXPECT_EQ(i1, 42);
    EXPECT_EQ(i2, -2147483648);
    EXPECT_EQ(i3, 255);
    EXPECT_TRUE(p.FindHandler("Str")->Used);

    EQParserError e = ErrorOf([&] { p.Parse(File("b.ctl", "B1 maybe\n")); });
    EXPECT_STREQ(e.what(), "QParser.BadBool");
    EXPECT_EQ(e.Line(), 1);
    e = ErrorOf([&] { p.Parse(File("i.ctl", "\nI1 12x\n")); });
    EXPECT_STREQ(e.what(), "'12x' is not a valid integer value");
    EXPECT_EQ(e.Line(), 2);
    EXPECT_THROW(p.Parse(File("o.ctl", "I1 2147483648\n")), EQParserError);
    EXPECT_THROW(p.Parse(File("n.ctl", "I1 -\n")), EQParserError);
    EXPECT_EQ(i1, 42);
}

TEST_F(QParserTest, TooFewWords)
{
    TQParser p;
    std::string s;
    int calls = 0;
    p.AddStr("Str", s);
    p.AddProc("Three", [&](const TQWords&) { ++calls; }, 3);
    p.AddProc("Any", [&](const TQWords&) { ++calls; }, 0);
    p.Parse(File("ok.ctl", "Three a b\nAny\n"));
    EXPECT_EQ(calls, 2);
    EQParserError e = ErrorOf([&] { p.Parse(File("s.ctl", "Str\n")); });
    EXPECT_STREQ(e.what(), "QParser.NoArgs");
    e = ErrorOf([&] { p.Parse(File("p.ctl", "Three a\n")); });
    EXPECT_STREQ(e.what(), "QParser.NoArgs");
    EXPECT_EQ(calls, 2);
}

TEST_F(QParserTest, ListsEnumsAndCustom)
{
    TQParser p;
    std::vector<std::string> list{"old"};
    int e1 = 7, e2 = 7;
    int custom = 0;
    std::vector<std::string> customWords;
    p.AddList("Alias", list);
    p.AddEnum("Mode", e1, {"Off", "On", "Auto"});
    p.AddEnum("Other", e2, {"A"});
    p.AddCustom("Cust",
                [&](const TQWords& w, void* target) {
                    customWords = w;
                    *static_cast<int*>(target) += 1;
                },
                &custom);
    p.Parse(File("t.ctl", "Alias one\nAlias two three\nMode auto\nOther B\nCust\n"));
    EXPECT_EQ(list, (std::vector<std::string>{"old", "one", "two"}));
    EXPECT_EQ(e1, 2);
    EXPECT_EQ(e2, -1);
    EXPECT_EQ(custom, 1);
    EXPECT_EQ(customWords, (TQWords{"Cust"}));

    TQParser q;
    int v = 0;
    q.AddEnum("NoList", v, {});
    q.AddCustom("NoProc", nullptr, nullptr);
    EXPECT_STREQ(ErrorOf([&] { q.Parse(File("a.ctl", "NoList x\n")); }).what(), "List not defined");
    EXPECT_STREQ(ErrorOf([&] { q.Parse(File("b.ctl", "NoProc\n")); }).what(), "Undefined Custom handler");
}

TEST_F(QParserTest, RequiredKeywordMissingAfterIncludes)
{
    TQParser p;
    std::string a, b;
    p.AddStr("Zeta", a);
    p.LastHandler().Required = true;
    File("inc.ctl", "Zeta found\n");
    p.Parse(File("ok.ctl", "include inc.ctl\n"));
    EXPECT_EQ(a, "found");

    TQParser q;
    q.AddStr("Zeta", a);
    q.LastHandler().Required = true;
    q.AddStr("Alpha", b);
    q.LastHandler().Required = true;
    LoadLng(kEngLng);
    EQParserError e = ErrorOf([&] { q.Parse(File("missing.ctl", "include inc.ctl\n")); });
    EXPECT_STREQ(e.what(), "Required keyword ALPHA is missing");
    EXPECT_EQ(e.Key(), "QParser.Missing");
    EXPECT_EQ(e.Line(), 0);
}

TEST_F(QParserTest, ValidatorsAndTheirTexts)
{
    File("cfg/present.txt", "x");
    fs::create_directories(dir / "cfg/Tree");
    TQParser p;
    std::string f, d;
    p.AddStr("File", f);
    p.LastHandler().Validator = TQParser::CheckFileExists;
    p.AddStr("Tree", d);
    p.LastHandler().Validator = TQParser::CheckDirExists;
    // Relative names are taken against the configuration's directory, in any case.
    p.Parse(File("cfg/t.ctl", "File PRESENT.TXT\nTree .\\tree\n"));
    EXPECT_EQ(f, "PRESENT.TXT");
    EXPECT_EQ(d, ".\\tree");

    EQParserError e = ErrorOf([&] { p.Parse(File("cfg/a.ctl", "File absent.txt\n")); });
    EXPECT_NE(std::string(e.what()).find("QParser.NoFile"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("absent.txt"), std::string::npos);
    EXPECT_EQ(e.Line(), 1);
    EXPECT_EQ(f, "PRESENT.TXT");  // not stored

    LoadLng(kEngLng);
    e = ErrorOf([&] { p.Parse(File("cfg/b.ctl", "File tree\n")); });
    EXPECT_STREQ(e.what(), "File tree does not exist");
    e = ErrorOf([&] { p.Parse(File("cfg/c.ctl", "Tree present.txt\n")); });
    EXPECT_STREQ(e.what(), "Directory present.txt does not exist");

    std::string text;
    EXPECT_FALSE(TQParser::CheckFileExists({"File"}, text));
    EXPECT_FALSE(TQParser::CheckDirExists({"Tree", ""}, text));
    EXPECT_TRUE(TQParser::CheckDirExists({"Tree", dir.string()}, text));
}

TEST_F(QParserTest, HandlersMayRaiseErrorsAtTheCurrentLine)
{
    TQParser p;
    const std::string path = File("t.ctl", "\n\nBad x\n");
    p.AddProc("Bad", [&](const TQWords&) { throw p.LineError("Invalid Define"); }, 1);
    EQParserError e = ErrorOf([&] { p.Parse(path); });
    EXPECT_STREQ(e.what(), "Invalid Define");
    EXPECT_EQ(e.FileName(), path);
    EXPECT_EQ(e.Line(), 3);
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

TEST_F(QParserTest, MissingIncludeCannotBeOpened)
{
    Recorder r;
    EQParserError e = ErrorOf([&] { r.p.Parse(File("t.ctl", "Key a\ninclude nothere.ctl\n")); });
    EXPECT_EQ(e.Key(), "QParser.CantOpen");
    EXPECT_NE(std::string(e.what()).find("nothere.ctl"), std::string::npos);
    EXPECT_EQ(e.Line(), 0);
    EXPECT_EQ(e.FileName(), "");
    EXPECT_EQ(r.p.Level(), 0);

    LoadLng(kEngLng);
    const std::string missing = (dir / "none.ctl").string();
    e = ErrorOf([&] { r.p.Parse(missing); });
    EXPECT_EQ(std::string(e.what()), "Cannot open configuration file " + missing);
}

TEST_F(QParserTest, DirectoriesAndPipesAreNotConfigurationFiles)
{
    Recorder r;
    fs::create_directories(dir / "adir");
    EXPECT_EQ(ErrorOf([&] { r.p.Parse((dir / "adir").string()); }).Key(), "QParser.CantOpen");
    const std::string fifo = (dir / "pipe").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ErrorOf([&] { r.p.Parse(File("t.ctl", "include pipe\n")); }).Key(), "QParser.CantOpen");
}

TEST_F(QParserTest, SelfIncludeIsAnError)
{
    Recorder r;
    const std::string path = File("self.ctl", "Key a\n\ninclude .\\SELF.ctl\n");
    EQParserError e = ErrorOf([&] { r.p.Parse(path); });
    EXPECT_EQ(e.Key(), "QParser.IncludeLoop");
    EXPECT_EQ(e.FileName(), path);
    EXPECT_EQ(e.Line(), 3);
    EXPECT_EQ(r.lines.size(), 1u);
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

    // A chain within the limit is read whole.
    File("f" + std::to_string(TQParser::kMaxIncludeDepth - 1) + ".ctl", "Key last\n");
    Recorder ok;
    ok.p.Parse((dir / "f0.ctl").string());
    EXPECT_EQ(static_cast<int>(ok.lines.size()), TQParser::kMaxIncludeDepth);
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

TEST_F(QParserTest, ManyWordsOnOneLine)
{
    Recorder r;
    r.p.OnBeforeParse = [](std::string& line, TQParserAction&) {
        line = "Key";
        for (int i = 0; i < 10000; ++i)
            line += " w";
    };
    r.p.Parse(File("t.ctl", "anything\n"));
    ASSERT_EQ(r.lines.size(), 1u);
    EXPECT_EQ(r.lines[0].size(), 10001u);

    // A define after more than 32 words still takes its value from the third word.
    Recorder d;
    d.p.Parse(File("d.ctl", "define X " + std::string(100, 'a') + std::string(" b c d e f g h i j k l m n o p q r s t u v w x y z 1 2 3 4 5 6 7 8 9") + "\n"));
    EXPECT_EQ(d.p.Defines().Lookup("X").substr(100, 4), " b c");
}

TEST_F(QParserTest, NulBytesAndControlCharacters)
{
    Recorder r;
    std::string text = "Key a";
    text += '\0';
    text += "b c\n";
    text += std::string(1, '\0') + "\n";
    text += "\x1a\x01 Key \x02\n";
    r.p.Parse(File("t.ctl", text));
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(r.lines[0], (TQWords{"Key", std::string("a\0b", 3), "c"}));
    EXPECT_EQ(r.lines[1], (TQWords{"Key"}));
}

TEST_F(QParserTest, RandomGarbageNeverCrashes)
{
    std::mt19937 rng(12345);
    const char alphabet[] = "KeyDEFINEincludeX%#[]\";\t \r\n\0\xff\x80";
    for (int round = 0; round < 200; ++round) {
        std::string text;
        const int size = static_cast<int>(rng() % 2000);
        for (int i = 0; i < size; ++i)
            text += (rng() % 4 == 0) ? static_cast<char>(rng() % 256)
                                     : alphabet[rng() % (sizeof alphabet - 1)];
        Recorder r;
        std::string s;
        int n = 0;
        bool b = false;
        r.p.AddStr("X", s);
        r.p.AddInt("Y", n);
        r.p.AddBool("Z", b);
        r.p.Defines().Add("X", "XX");
        r.p.Defines().Add("%", "%%");
        r.p.OnSection = [](const std::string&, TSectionAction& a) { a = a == saParse ? saSkip : saParse; };
        const std::string path = File("g" + std::to_string(round) + ".ctl", text);
        try {
            r.p.Parse(path);
        } catch (const EQParserError& e) {
            EXPECT_NE(std::string(e.what()), "");
        }
        EXPECT_EQ(r.p.Level(), 0);
    }
}
