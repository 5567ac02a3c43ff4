// The settings of the demo (tools/demo-settings.sh): every sample log registered
// with the style and options it is read with, the desktop program starts on them
// and reopens one log of each mailer, and each log analyses without a line error.
#include "ui/TarvixF.h"

#include "engine/LogStyles.h"
#include "engine/TMailLog.h"
#include "fido/Dialogs.h"
#include "fido/Lng.h"
#include "platform/IniFile.h"
#include "settings/QZIni.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>

namespace tarvix {
namespace {

namespace fs = std::filesystem;

class CountingWindow : public TLogWindow {
public:
    void GoToLine(std::int64_t) override {}
    void LineError(std::int64_t lineNo, const std::string& message) override
    {
        errors.push_back(std::to_string(lineNo) + ": " + message);
    }
    bool ShowErrorLine(std::int64_t, const std::string&) override { return true; }
    std::vector<std::string> errors;
};

class DemoSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterGenericLogStyles();
        dir = fs::temp_directory_path() / ("tarvix-demo-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "generic");
        fs::copy(TARVIX_SOURCE_DIR "/samples", dir / "samples", fs::copy_options::recursive);
        std::ofstream(dir / "generic" / "bink.log") << "+ 28 Mar 10:21:07 BINK Incoming call\n"
                                                        "  28 Mar 10:21:09 BINK Connect 33600\n";
        std::ofstream(dir / "generic" / "custom.log") << "2026-08-29 00:41:34  Begin\n"
                                                          "2026-08-29 00:41:37  ERROR no carrier\n";
        ini = (dir / "Tarvix.ini").string();
        const std::string command = "bash '" TARVIX_SOURCE_DIR "/tools/demo-settings.sh' '" + (dir / "samples").string() +
                                    "' '" + (dir / "generic").string() + "' > '" + ini + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        SetDialogs(&dialogs);
    }
    void TearDown() override
    {
        SetDialogs(nullptr);
        fs::remove_all(dir);
    }

    fs::path dir;
    std::string ini;
    TBatchDialogs dialogs{mrOk, true};
};

TEST_F(DemoSettingsTest, TheDemoRegistersEverySampleAndOpensOneLogOfEachMailer)
{
    const TIniFile settings(ini);
    const long long count = settings.ReadInteger("General", "NumLogs", 0);
    // Fourteen sample logs, and the two generic logs the folder holds.
    ASSERT_EQ(count, 16);
    const std::map<std::string, int> styles = {
        {"T-Mail 2604", lsTMail}, {"Brake! 7.16", lsBrake}, {"Bink/+", lsBinkPlus}, {"FhMail", lsFhMail},
        {"SF-Mail", lsSFMail},    {"Argus 3.131", lsArgus}, {"Bink-style log", lsBink}, {"Custom format", lsCustom},
        {"binkd alpha", lsBinkd},
    };

    auto frame = std::make_unique<TFrameForm>(std::vector<std::string>{}, ini);
    frame->show();
    QApplication::processEvents();
    ASSERT_FALSE(frame->StartupFailed()) << frame->StartupMessage();
    // Only the analyses' warnings (the T-Mail sample's alias files hold bad lines on
    // purpose): no question, no error.
    for (const TDialogRequest& r : dialogs.Shown)
        EXPECT_EQ(r.type, TMsgDlgType::mtWarning) << r.text;
    ASSERT_EQ(LogList().size(), 16u);
    std::map<std::string, TLog*> byName;
    for (const auto& log : LogList()) {
        byName[log->Name] = log.get();
        EXPECT_TRUE(fs::is_regular_file(log->Path)) << log->Name;
    }
    for (const auto& [name, style] : styles) {
        ASSERT_TRUE(byName.count(name)) << name;
        EXPECT_EQ(byName[name]->Style, style) << name;
    }
    auto* tmail = dynamic_cast<TTMailLog*>(byName["T-Mail 2604"]);
    ASSERT_NE(tmail, nullptr);
    EXPECT_EQ(tmail->TMVersion, 2604);
    EXPECT_EQ(tmail->TaskNo, 1);
    EXPECT_TRUE(frame->findChild<QMenu*>("MITMail")->menuAction()->isVisible());
    EXPECT_TRUE(frame->findChild<QMenu*>("MIArgus")->menuAction()->isVisible());
    // One window per mailer.
    EXPECT_EQ(frame->MdiArea()->subWindowList().size(), 7);
    for (const char* name : {"T-Mail 2604", "Brake! 7.16", "Bink/+", "FhMail", "SF-Mail", "Argus 3.131", "binkd alpha"})
        EXPECT_NE(frame->LogSubWindow(byName[name]), nullptr) << name;
    frame->close();
    frame.reset();

    // Every log as registered analyses to the end without a line error.
    OpenSettings(ini);
    LoadSettings();
    for (long long i = 1; i <= count; ++i) {
        const std::string section = "Log" + std::to_string(i);
        const int style = static_cast<int>(settings.ReadInteger(section, "Style", 0));
        auto log = CreateLogFromReg(style, settings, section, true);
        CountingWindow window;
        log->ReadFile();
        log->Window = &window;
        EXPECT_TRUE(log->Analyse({})) << log->Name;
        log->Window = nullptr;
        EXPECT_TRUE(window.errors.empty()) << log->Name << ": " << window.errors.front();
        if (dynamic_cast<TMailerLog*>(log.get()) == nullptr && style != lsBink && style != lsCustom)
            continue;
        EXPECT_GT(log->DayCount(), 0u) << log->Name;
    }
}

}  // namespace
}  // namespace tarvix
