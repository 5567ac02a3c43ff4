// The analysis of a line that adds no record allocates no memory: the line is read in
// place and compared as it stands. This program counts every allocation
// (tools/alloccount), and
// analyses each log twice, once with a line repeated 300 times in a row and once
// with it repeated 1200 times: the counts must be the same (give or take the odd
// growth of a container). The lines are those a mailer writes most: files going in and out
// during a session, and the idle lines between sessions, of the sample installations
// in samples/ and of the generic styles.
#include "engine/LogStyles.h"
#include "engine/MailerLog.h"
#include "fido/DateTime.h"
#include "platform/FileRead.h"
#include "platform/HostPath.h"
#include "platform/IniFile.h"
#include "settings/SettingsStore.h"
#include "tools/alloccount/AllocationCount.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>


using namespace tarvix;

namespace {

const std::string kSamples = std::string(TARVIX_SOURCE_DIR) + "/samples/";

// The lines of a text, each with its line end.
std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t eol = text.find('\n', pos);
        std::size_t next = eol == std::string::npos ? text.size() : eol + 1;
        lines.push_back(text.substr(pos, next - pos));
        pos = next;
    }
    return lines;
}

// The text with the first line that contains what repeated `times` more times.
std::string Repeated(const std::vector<std::string>& lines, const std::string& what, int times)
{
    std::string text;
    bool done = false;
    for (const std::string& line : lines) {
        text += line;
        if (!done && line.find(what) != std::string::npos) {
            for (int i = 0; i < times; ++i)
                text += line;
            done = true;
        }
    }
    EXPECT_TRUE(done) << "no line with " << what;
    return text;
}

struct TStyleCase {
    const char* title;
    int style;
    std::string mailerDir;  // empty for a generic style
    std::vector<std::pair<std::string, std::string>> sets;  // values of the log's section
    std::string text;                                       // the log
    std::vector<std::string> lines;  // a part of each line that is repeated
};

std::unique_ptr<TLog> MakeLog(const TStyleCase& c)
{
    auto log = CreateLogOfStyle(c.style);
    TIniFile ini;
    log->SaveToReg(ini, "Log");
    for (const auto& [key, value] : c.sets)
        ini.WriteString("Log", key, value);
    log->LoadFromReg(ini, "Log");
    if (auto* mailer = dynamic_cast<TMailerLog*>(log.get()))
        mailer->SetMailerPath(c.mailerDir);
    return log;
}

// Allocations made by an analysis of the text (after one analysis that warms up).
long long AllocationsOf(TLog& log, const std::string& text)
{
    test::QuietWindow window;
    log.Window = &window;
    log.SetText(text);
    EXPECT_TRUE(log.Analyse({}));
    log.SetText(text);
    const long long before = AllocationCount();
    EXPECT_TRUE(log.Analyse({}));
    const long long made = AllocationCount() - before;
    log.Window = nullptr;
    return made;
}

std::string GenericLines(const std::string& first, const std::string& line, int count)
{
    std::string text = first;
    for (int i = 0; i < count; ++i)
        text += line;
    return text;
}

class LineAllocationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(AllocationsCounted());
        RegisterGenericLogStyles();
        SetCurrentYear(2026);
        Settings().SkipErrors = true;
        Settings().EnableCustomHighlighting = true;
    }
    void TearDown() override { SetDriveMap({}); }

    void Check(const TStyleCase& c)
    {
        SCOPED_TRACE(c.title);
        auto log = MakeLog(c);
        for (const std::string& what : c.lines) {
            SCOPED_TRACE(what);
            const std::vector<std::string> lines = SplitLines(c.text);
            const long long some = AllocationsOf(*log, Repeated(lines, what, 300));
            const long long more = AllocationsOf(*log, Repeated(lines, what, 1200));
            // A container that grows now and then (a deque's block map) may make an
            // allocation more or less; one a line would make 900.
            EXPECT_LE(more - some, 2) << (more - some) / 900.0 << " allocations a line";
        }
    }

    test::CapturedDialogs dialogs;  // warnings about the samples' deliberately bad lines
};

TEST_F(LineAllocationTest, GenericStyles)
{
    const std::string plain = "2026-03-01 10:00:00 started\n";
    Check({"plain", lsPlain, {}, {}, plain + "line of text without meaning\n" + plain, {"meaning"}});
    Check({"bink", lsBink, {}, {},
           GenericLines("! 13 Mar 10:21:07 BINK  failed\n", "  13 Mar 10:21:08 BINK  nothing happens here\n", 3),
           {"nothing", "failed"}});
    Check({"frontdoor", lsFrontDoor, {}, {},
           "----------  Mon 13 Mar 95, FrontDoor 2.12\n+ 10:21:07  Connect 2400\n  10:21:09  idle\n",
           {"Connect", "idle"}});
    Check({"custom", lsCustom, {}, {{"LineMask", "yyyy-mm-dd hh:nn:ss"}, {"ErrWords", "ERROR"}},
           GenericLines("2026-03-01 10:00:00  first\n", "2026-03-01 10:00:01  ERROR in a line\n", 2),
           {"ERROR"}});
}

TEST_F(LineAllocationTest, MailerSamples)
{
    SetDriveMap({{'C', kSamples + "tmail"}});
    Check({"T-Mail", lsTMail, kSamples + "tmail", {{"TMVersion", "2604"}, {"TaskNo", "1"}},
           ReadWholeFile(kSamples + "tmail/t-mail.log"),
           {"HS-OK 11E403D3.TU7", "HR-OK", "Modem initialised", "Waiting for calls"}});
    SetDriveMap({});
    Check({"Brake!", lsBrake, kSamples + "brake", {{"BrkVersion", "716"}}, ReadWholeFile(kSamples + "brake/brake716.log"),
           {"HR 2591CB4F.SA5", "RE 2591CB4F.SA5", "DS 6B5054FE.PKT", "SE 6B5054FE.PKT", "Ready, waiting"}});
    Check({"Bink/+", lsBinkPlus, kSamples + "binkplus", {}, ReadWholeFile(kSamples + "binkplus/binkley.log"),
           {"In-H 929AA40B.MO5", "Stored 929AA40B.MO5", "Rate 2328 cps", "Waiting for calls", "SQSH Tossing"}});
    Check({"FhMail", lsFhMail, kSamples + "fhmail", {}, ReadWholeFile(kSamples + "fhmail/fhmail.log"),
           {"J-Rcv 3146b", "J-Snd 13762b", "Waiting for calls", "TOSS Tossing"}});
    Check({"SF-Mail", lsSFMail, kSamples + "sfmail", {}, ReadWholeFile(kSamples + "sfmail/sf-mail.log"),
           {"+Send-ZM: 90D7A28A.PKT", "-Recv-ZM: B7FD0B63.SU0", "Waiting for a call"}});
    Check({"Argus", lsArgus, kSamples + "argus", {}, ReadWholeFile(kSamples + "argus/argus-3131.log"),
           {"Sending 'C:\\FIDO\\OUTBOUND\\08C8692C.SA5'", "Received 'A2802CE3.PKT'",
            "Receiving 'EE43F0A7.MO9'", "Begin Argus"}});
}

}  // namespace
