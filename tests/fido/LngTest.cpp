#include "fido/DateTime.h"
#include "fido/Dialogs.h"
#include "fido/Lng.h"
#include "platform/FileRead.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using namespace tarvix;
namespace fs = std::filesystem;

namespace {

class LngTest : public ::testing::Test {
protected:
    fs::path dir;
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("tarvix-lng-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        UnloadLng();
        SetLngVersion(kLngVersion);
    }
    void TearDown() override
    {
        UnloadLng();
        fs::remove_all(dir);
    }
    std::string File(const std::string& name, const std::string& text)
    {
        std::string p = (dir / name).string();
        WriteFileAtomic(p, text);
        return p;
    }
};

const char* kSmall =
    "; a comment\n"
    "[Lng]\nVersion=beta 5\n"
    "[Strings]\n"
    "First=Cannot open %s\n"
    "Second=Line one\\nLine two\n"
    "; not a position\n"
    "Third=%d sessions on %s\n"
    "FidoAddr.InvAddr=Invalid address %s\n"
    "ShortMonthNames=Jan,Feb,Mar,Apr,May,Jun,Jul,Aug,Sep,Oct,Nov,Dec\n"
    "MDlg.mtWarning=Warning\n"
    "MDlg.Yes=&Yes\n"
    "[TFrameForm]\nMILogs..=&Logs\n";

}  // namespace

TEST_F(LngTest, TextsByPositionAndByKey)
{
    LoadLng(File("small.lng", kSmall));
    EXPECT_TRUE(LngLoaded());
    ASSERT_EQ(LngCount(), 7u);
    EXPECT_EQ(LGet(0), "Cannot open %s");
    EXPECT_EQ(GetLStrI(1), "Line one\nLine two");
    EXPECT_EQ(Fmt(2, {12, "2:5030/1"}), "12 sessions on 2:5030/1");
    EXPECT_EQ(LGetS("fidoaddr.invaddr"), "Invalid address %s");
    EXPECT_EQ(LGetS("No.Such.Key"), "No.Such.Key");
    EXPECT_EQ(LFmtS("FidoAddr.InvAddr", {"x"}), "Invalid address x");
    EXPECT_EQ(LoadStrArray(1, 1), (std::vector<std::string>{"Line one\nLine two", "%d sessions on %s"}));
    try {
        LGet(7);
        FAIL();
    } catch (const ELngError& e) {
        EXPECT_STREQ(e.what(), "LGet: lng index 7 out of bounds");
    }
    EXPECT_THROW(GetLStrI(100), ELngError);
    EXPECT_THROW(Fmt(7, {}), ELngError);
    EXPECT_THROW(LoadStrArray(0, 7), ELngError);
    EXPECT_THROW(LoadStrArray(3, 5), ELngError);  // runs past the end
    auto lines = LngSectionLines("tframeform");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].first, "MILogs..");
    EXPECT_EQ(lines[0].second, "&Logs");
}

TEST_F(LngTest, NothingLoadedRaisesAndExceptionsStillCarryTheirKey)
{
    EXPECT_THROW(LGet(0), ELngError);
    EXPECT_THROW(LGetS("x"), ELngError);
    ELException e("FidoAddr.InvAddr", {"2:5030"});
    EXPECT_EQ(e.Key(), "FidoAddr.InvAddr");
    EXPECT_NE(std::string(e.what()).find("2:5030"), std::string::npos);
}

TEST_F(LngTest, VersionMonthNamesAndFailedLoadsKeepThePreviousLanguage)
{
    LoadLng(File("good.lng", kSmall));
    std::string bad = kSmall;
    bad.replace(bad.find("beta 5"), 6, "beta 4");
    try {
        LoadLng(File("old.lng", bad));
        FAIL();
    } catch (const ELngError& e) {
        EXPECT_STREQ(e.what(), "Invalid .LNG version: current beta 4, needed beta 5");
    }
    EXPECT_EQ(LGet(0), "Cannot open %s");  // still the good file

    std::string shortMonths = kSmall;
    shortMonths.replace(shortMonths.find("Jan,"), 4, "");
    try {
        LoadLng(File("months.lng", shortMonths));
        FAIL();
    } catch (const ELngError& e) {
        EXPECT_STREQ(e.what(), "ShortMonthNames: string too short");
    }
    EXPECT_THROW(LoadLng((dir / "missing.lng").string()), ELngError);
    EXPECT_EQ(LngName(), (dir / "good.lng").string());
    // A file without [Strings] loads, and answers every position as out of bounds.
    LoadLng(File("nostrings.lng", "[Lng]\nVersion=beta 5\n"));
    EXPECT_EQ(LngCount(), 0u);
    EXPECT_THROW(LGet(0), ELngError);
    EXPECT_EQ(LGetS("FidoAddr.InvAddr"), "FidoAddr.InvAddr");

    std::string rus = kSmall;
    rus.replace(rus.find("Jan,Feb,Mar"), 11, "Янв,Фев,Мар");
    LoadLng(File("rus.lng", rus));
    EXPECT_EQ(ShortMonthNames()[0], "Янв");
    EXPECT_EQ(ShortMonthNames()[11], "Dec");
}

TEST_F(LngTest, GarbageFilesNeverCrash)
{
    SetLngVersion("");
    std::string garbage;
    for (int i = 0; i < 5000; ++i)
        garbage += static_cast<char>((i * 131 + 7) % 256);
    LoadLng(File("garbage.lng", garbage));
    EXPECT_TRUE(LngLoaded());
    std::string longValue = "[Strings]\nK=" + std::string(1000, 'x') + "\nR=" + std::string(300, 'x') + "\n";
    LoadLng(File("long.lng", longValue));
    EXPECT_EQ(LGet(0).size(), 255u);
    // 255 characters, not bytes: a Cyrillic text keeps whole letters.
    std::string cyr;
    for (int i = 0; i < 300; ++i)
        cyr += "Ж";
    LoadLng(File("cyr.lng", "[Strings]\nK=" + cyr + "\n"));
    EXPECT_EQ(LGet(0).size(), 510u);
}

TEST_F(LngTest, DialogsTakeTheirTextsFromTheFile)
{
    LoadLng(File("small.lng", kSmall));
    TBatchDialogs batch(mrYes, true);
    SetDialogs(&batch);
    EXPECT_EQ(MessageDlgLF(2, {3, "here"}, TMsgDlgType::mtWarning, mbYesNo), mrYes);
    ASSERT_EQ(batch.Shown.size(), 1u);
    EXPECT_EQ(batch.Shown[0].caption, "Warning");
    EXPECT_EQ(batch.Shown[0].text, "3 sessions on here");
    EXPECT_EQ(batch.Shown[0].buttonCaptions.at(mbYes), "&Yes");
    EXPECT_EQ(batch.Shown[0].buttonCaptions.at(mbNo), "MDlg.No");  // absent key shows as itself
    EXPECT_EQ(MessageDlgL(0, TMsgDlgType::mtError, mbOK), mrOk);
    EXPECT_EQ(batch.Shown[1].caption, "MDlg.mtError");
    EXPECT_THROW(MessageDlgL(7, TMsgDlgType::mtError, mbOK), ELngError);
    std::string value = "x";
    EXPECT_FALSE(InputQueryL(0, 1, value));
    EXPECT_THROW(InputQueryL(0, 70, value), ELngError);
    SetDialogs(nullptr);
}

#include "LngUsage.h"

namespace {

std::vector<FmtArg> ArgsOf(const char* kinds)
{
    std::vector<FmtArg> args;
    for (const char* k = kinds; *k; ++k) {
        if (*k == 's')
            args.emplace_back("text");
        else if (*k == 'd')
            args.emplace_back(42);
        else
            args.emplace_back(1.5);
    }
    return args;
}

}  // namespace

// The shipped files, read by the program's own loader: every text a caller takes by
// position or key is there and formats with exactly the arguments the caller passes.
TEST_F(LngTest, KeyedTextsWithAFallbackAndReadyTextsInDialogs)
{
    TBatchDialogs batch(mrOk, true);
    SetDialogs(&batch);
    // Without a file: the English texts.
    EXPECT_EQ(LGetSOr("MDlg.Yes", "Yes"), "Yes");
    MessageDlgText("disk full", TMsgDlgType::mtError, mbOK);
    ASSERT_EQ(batch.Shown.size(), 1u);
    EXPECT_EQ(batch.Shown[0].caption, "Error");
    EXPECT_EQ(batch.Shown[0].text, "disk full");
    // With one: its text, and the fallback for a key it lacks.
    LoadLng(File("small.lng", kSmall));
    EXPECT_EQ(LGetSOr("MDlg.Yes", "Yes"), "&Yes");
    EXPECT_EQ(LGetSOr("No.Such.Key", "Fallback"), "Fallback");
    MessageDlgText("disk full", TMsgDlgType::mtWarning, mbOK);
    EXPECT_EQ(batch.Shown[1].caption, "Warning");
    SetDialogs(nullptr);
}

TEST(ShippedLanguages, LoadAndFormatEveryTextTheProgramUses)
{
    for (const char* file : {"QZ_Eng.lng", "QZ_Rus.lng"}) {
        SCOPED_TRACE(file);
        UnloadLng();
        SetLngVersion(kLngVersion);
        LoadLng(std::string(TARVIX_SOURCE_DIR) + "/lng/" + file);
        for (const auto& use : test::kIndexUses) {
            SCOPED_TRACE(use.where);
            ASSERT_LT(static_cast<std::size_t>(use.index), LngCount());
            EXPECT_NO_THROW(Fmt(static_cast<std::size_t>(use.index), ArgsOf(use.args)));
        }
        for (const auto& use : test::kKeyUses) {
            SCOPED_TRACE(use.key);
            EXPECT_NE(LGetS(use.key), use.key);
            EXPECT_NO_THROW(LFmtS(use.key, ArgsOf(use.args)));
        }
        EXPECT_NE(ShortMonthNames()[0], "");
    }
    // The program finds its files by name alone, next to it or in its data folders.
    UnloadLng();
    LoadLng("QZ_Eng.lng");
    EXPECT_TRUE(LngLoaded());
    UnloadLng();
}
