#include "settings/Template.h"

#include "platform/CodePage.h"
#include "platform/Error.h"
#include "platform/FileRead.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

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
