#include "settings/Tpl.h"

#include "platform/CodePage.h"
#include "platform/Error.h"
#include "platform/FileRead.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <unistd.h>

using namespace tarvix;
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace {

struct TempDir : test::TempDir {
    std::string File(const std::string& name, const std::string& content) const { return Write(name, content); }
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

// --- Writing ------------------------------------------------------------------------

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
