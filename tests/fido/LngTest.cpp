#include "fido/DateTime.h"
#include "fido/Lng.h"
#include "platform/FileRead.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>

#include <filesystem>

using namespace tarvix;
namespace fs = std::filesystem;

namespace {

class LngTest : public ::testing::Test {
protected:
    test::TempDir temp;
    fs::path dir = temp.path;
    void SetUp() override
    {
        UnloadLng();
        SetLngVersion(kLngVersion);
    }
    void TearDown() override { UnloadLng(); }
    std::string File(const std::string& name, const std::string& text) { return temp.Write(name, text); }
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
}

TEST_F(LngTest, LongTextsAreCutTo255Characters)
{
    SetLngVersion("");
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

namespace {

using Lines = std::vector<std::pair<std::string, std::string>>;

// The sections of a language file with their Key=Value lines in file order.
std::map<std::string, Lines> ReadSections(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::map<std::string, Lines> sections;
    std::string line, section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
            sections[section];
        } else if (std::size_t eq = line.find('='); eq != std::string::npos) {
            sections[section].emplace_back(line.substr(0, eq), line.substr(eq + 1));
        }
    }
    return sections;
}

// The conversion letters of the format items of a text, in order ("%5.1f" gives 'f').
std::string FormatKinds(const std::string& text)
{
    static const std::regex item(R"(%(\d+:)?-?(\d+|\*)?(\.(\d+|\*))?([a-zA-Z%]))");
    std::string kinds;
    for (std::sregex_iterator i(text.begin(), text.end(), item), end; i != end; ++i)
        kinds += static_cast<char>(std::tolower(static_cast<unsigned char>((*i)[5].str()[0])));
    return kinds;
}

// What the sources of the program ask of the language file: the positions written
// as numbers in calls of the text functions, the first positions of the column name
// tables (k...Text constants), and the "Section.Name" keys.
struct AskedTexts {
    std::set<std::size_t> positions;
    std::set<std::string> keys;
};

AskedTexts ScanSources(const std::set<std::string>& keyPrefixes)
{
    static const std::regex call(
        R"(\b(LTextOr|MessageDlgLOr|MessageDlgLF|MessageDlgL|UiText|GetLStrI|LGet|Fmt|InputQueryL)\(\s*(\d+)\s*[,)])");
    static const std::regex table(R"(constexpr\s+int\s+k\w+Text\s*=\s*(\d+)\s*;)");
    static const std::regex key(R"re("([A-Za-z]+)\.([A-Za-z][A-Za-z0-9]*)")re");
    AskedTexts asked;
    for (const char* layer : {"platform", "fido", "settings", "engine", "cli", "ui"}) {
        for (const auto& entry : fs::recursive_directory_iterator(fs::path(TARVIX_SOURCE_DIR) / layer)) {
            const std::string ext = entry.path().extension().string();
            if (ext != ".cpp" && ext != ".h")
                continue;
            std::ifstream in(entry.path());
            std::string line;
            while (std::getline(in, line)) {
                line = line.substr(0, line.find("//"));
                for (const std::regex* re : {&call, &table})
                    for (std::sregex_iterator i(line.begin(), line.end(), *re), end; i != end; ++i)
                        asked.positions.insert(std::stoul((*i)[re == &call ? 2 : 1].str()));
                for (std::sregex_iterator i(line.begin(), line.end(), key), end; i != end; ++i)
                    if (keyPrefixes.count((*i)[1].str()))
                        asked.keys.insert((*i)[1].str() + "." + (*i)[2].str());
            }
        }
    }
    return asked;
}

}  // namespace

// Both shipped files have the same sections and lines in the same order with the same
// format items, and every text the program asks for (found in its sources) is there.
TEST(ShippedLanguages, HaveEveryTextTheProgramAsksFor)
{
    const std::string eng = TARVIX_SOURCE_DIR "/lng/QZ_Eng.lng", rus = TARVIX_SOURCE_DIR "/lng/QZ_Rus.lng";
    const auto engSections = ReadSections(eng), rusSections = ReadSections(rus);
    ASSERT_TRUE(engSections.count("Strings"));
    for (const auto& [name, engLines] : engSections) {
        ASSERT_TRUE(rusSections.count(name)) << name;
        const Lines& rusLines = rusSections.at(name);
        ASSERT_EQ(engLines.size(), rusLines.size()) << name;
        for (std::size_t i = 0; i < engLines.size(); ++i) {
            EXPECT_EQ(engLines[i].first, rusLines[i].first) << name << " line " << i;
            EXPECT_EQ(FormatKinds(engLines[i].second), FormatKinds(rusLines[i].second)) << engLines[i].first;
        }
    }
    EXPECT_EQ(engSections.size(), rusSections.size());

    std::set<std::string> prefixes;
    for (const auto& [key, value] : engSections.at("Strings"))
        prefixes.insert(key.substr(0, key.find('.')));
    prefixes.erase("Unused");
    const AskedTexts asked = ScanSources(prefixes);
    // A scan that finds little has lost its patterns, not the program its texts.
    EXPECT_GT(asked.positions.size(), 50u);
    EXPECT_GT(asked.keys.size(), 40u);

    for (const std::string& file : {eng, rus}) {
        SCOPED_TRACE(file);
        UnloadLng();
        SetLngVersion(kLngVersion);
        LoadLng(file);
        const Lines strings = LngSectionLines("Strings");
        ASSERT_EQ(strings.size(), LngCount());
        for (std::size_t pos : asked.positions) {
            ASSERT_LT(pos, LngCount());
            EXPECT_NE(strings[pos].first.rfind("Unused.", 0), 0u) << "position " << pos << " is unused";
        }
        for (const std::string& key : asked.keys)
            EXPECT_NE(LGetS(key), key) << key;
        EXPECT_NE(ShortMonthNames()[0], "");
    }
    // The program finds its files by name alone, next to it or in its data folders.
    UnloadLng();
    LoadLng("QZ_Eng.lng");
    EXPECT_TRUE(LngLoaded());
    UnloadLng();
}
