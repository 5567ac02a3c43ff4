#include "engine/LogValues.h"

#include "engine/LogStyles.h"

#include <gtest/gtest.h>

namespace tarvix {
namespace {

struct TValueCase {
    int style;
    const char* key;
    const char* value;
    const char* used;  // nullptr: the value is taken as it stands
};

class LogValuesTest : public ::testing::TestWithParam<TValueCase> {};

// Each value goes into a log's section, the log is loaded from it, and only the
// values the log could not take are reported, with what it took instead.
TEST_P(LogValuesTest, ReportsTheValuesTheLogCouldNotTake)
{
    RegisterGenericLogStyles();
    const TValueCase& c = GetParam();
    TIniFile ini;
    ini.WriteString("Log7", "Name", "a log");
    ini.WriteString("Log7", c.key, c.value);
    std::unique_ptr<TLog> log = CreateLogOfStyle(c.style);
    log->LoadFromReg(ini, "Log7");
    const std::vector<TBadValue> bad = BadLogValues(ini, "Log7", *log);
    if (!c.used) {
        EXPECT_TRUE(bad.empty()) << bad.front().key << "=" << bad.front().value;
        return;
    }
    ASSERT_EQ(bad.size(), 1u);
    EXPECT_EQ(bad[0].key, c.key);
    EXPECT_EQ(bad[0].value, c.value);
    EXPECT_EQ(bad[0].used, c.used);
}

INSTANTIATE_TEST_SUITE_P(
    Values, LogValuesTest,
    ::testing::Values(TValueCase{lsTMail, "TMVersion", "abc", "2599"}, TValueCase{lsTMail, "TMVersion", "2604", nullptr},
                      TValueCase{lsTMail, "TaskNo", "x", "1"}, TValueCase{lsTMail, "TaskNo", "300", "1"},
                      TValueCase{lsTMail, "TaskNo", "07", nullptr}, TValueCase{lsBrake, "BrkVersion", "0x2BD", nullptr},
                      TValueCase{lsArgus, "ArgusVersion", "3132 ", nullptr},
                      TValueCase{lsArgus, "ArgusVersion", "abc", "3131"}, TValueCase{lsBink, "AutoNew", "yes", "0"},
                      TValueCase{lsPlain, "LastStr", "any text at all", nullptr}));

TEST(LogValuesTest, StyleMustBeAKnownStyleNumber)
{
    TIniFile ini;
    bool valid = false;
    EXPECT_EQ(LogStyleOf(ini, "Log1", valid), lsPlain);
    EXPECT_TRUE(valid);
    for (const char* bad : {"abc", "11", "-1", ""}) {
        ini.WriteString("Log1", "Style", bad);
        EXPECT_EQ(LogStyleOf(ini, "Log1", valid), lsPlain) << bad;
        EXPECT_FALSE(valid) << bad;
    }
    ini.WriteString("Log1", "Style", "4");
    EXPECT_EQ(LogStyleOf(ini, "Log1", valid), lsBrake);
    EXPECT_TRUE(valid);
}

}  // namespace
}  // namespace tarvix
