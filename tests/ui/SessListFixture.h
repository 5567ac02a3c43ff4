// What the log window and analysis window tests share: a temporary copy of the
// T-Mail sample installation analysed in a log window inside an MDI area, the
// settings in a temporary file and message dialogs that answer without waiting.
#pragma once

#include "engine/LogStyles.h"
#include "engine/MailerLog.h"
#include "engine/TMailLog.h"
#include "fido/DateTime.h"
#include "fido/Dialogs.h"
#include "fido/Lng.h"
#include "platform/HostPath.h"
#include "settings/SettingsStore.h"
#include "ui/AnalysisWindow.h"
#include "ui/ChildForm.h"
#include "ui/DialStat.h"
#include "ui/FindDialog.h"
#include "ui/FreqList.h"
#include "ui/LogView.h"
#include "ui/ModalHook.h"
#include "ui/SessInfo.h"
#include "ui/SessList.h"
#include "ui/LogWindow.h"
#include "ui/Timeline.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QTableView>
#include <QToolButton>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace tarvix::test {

inline const std::string kSourceDir = TARVIX_SOURCE_DIR;

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

inline void SendKey(QWidget* target, int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods);
    QApplication::sendEvent(target, &release);
}

// Message dialogs that answer OK (or Cancel, or as a test says) and remember what
// they showed.
struct RecordingDialogs : TDialogs {
    std::vector<TDialogRequest> shown;
    std::function<int(const TDialogRequest&)> answer;
    int MessageDlg(const TDialogRequest& request) override
    {
        shown.push_back(request);
        if (answer)
            return answer(request);
        return (request.buttons & mbOK) ? mrOk : mrCancel;
    }
    bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
    std::vector<std::string> Texts() const { return With(""); }
    // The messages whose text starts with a prefix.
    std::vector<std::string> With(const std::string& prefix) const
    {
        std::vector<std::string> out;
        for (const auto& r : shown)
            if (r.text.rfind(prefix, 0) == 0)
                out.push_back(r.text);
        return out;
    }
};

class SessListFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        RegisterGenericLogStyles();
        SetCurrentYear(2003);
    }

    void SetUp() override
    {
        UnloadLng();
        LoadLng(kSourceDir + "/lng/QZ_Eng.lng");
        temp = std::make_unique<TempDir>();
        OpenSettings(*temp / "tarvix.ini");
        LoadSettings();
        SetDialogs(&dialogs);
        RegisterSessListWindow();
        RegisterDialStatWindow();
        RegisterFreqListWindow();
        RegisterTimelineWindow();
        RegisterSessInfoWindow();
        frame = std::make_unique<QMainWindow>();
        area = new QMdiArea(frame.get());
        frame->setCentralWidget(area);
        frame->resize(1000, 700);
        frame->show();
    }

    void TearDown() override
    {
        SetModalRunner({});
        for (TAnalysisKind kind : kAnalysisKinds)
            RegisterAnalysisWindow(kind, {});
        frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        LogList().clear();
        SetDialogs(nullptr);
        SetDriveMap({});
        temp.reset();
    }

    // A registered T-Mail log over a copy of the sample installation.
    TTMailLog* TMailLog()
    {
        const std::filesystem::path dir = temp->path / "tmail";
        std::filesystem::copy(kSourceDir + "/samples/tmail", dir, std::filesystem::copy_options::recursive);
        SetDriveMap({{'C', dir.string()}});
        auto log = std::make_unique<TTMailLog>();
        log->Name = "T-Mail";
        log->Path = (dir / "t-mail.log").string();
        log->SetMailerPath(dir.string());
        log->TMVersion = TTMailLog::kVersion2604;
        log->TaskNo = 1;
        TTMailLog* raw = log.get();
        LogList().push_back(std::move(log));
        return raw;
    }

    // The log window of the T-Mail log, analysed. The sample's configuration has
    // damaged alias lines on purpose: the warnings of the analysis are dropped.
    TChildForm* OpenTMail()
    {
        if (!tmail)
            tmail = TMailLog();
        const std::size_t before = dialogs.shown.size();
        TChildForm* w = OpenLogWindow(area, tmail);
        EXPECT_NE(w, nullptr);
        dialogs.shown.resize(before);
        return w;
    }

    // The session list of a log window, opened with F5 at its caret.
    static TSessListForm* OpenList(TChildForm* w)
    {
        SendKey(w->View(), Qt::Key_F5);
        return dynamic_cast<TSessListForm*>(w->AnalysisWindow(TAnalysisKind::SessList));
    }

    RecordingDialogs dialogs;
    std::unique_ptr<TempDir> temp;
    std::unique_ptr<QMainWindow> frame;
    QMdiArea* area = nullptr;
    TTMailLog* tmail = nullptr;
};

}  // namespace tarvix::test
