// tarvix: the desktop program. Each command-line parameter names a log file to open,
// but for --version and --help, which print and exit without opening a display.
#include "engine/LogStyles.h"
#include "ui/DialStat.h"
#include "ui/FreqList.h"
#include "ui/QtDialogs.h"
#include "ui/SessInfo.h"
#include "ui/SessList.h"
#include "ui/MainFrame.h"
#include "ui/Timeline.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

namespace {

// An error that reaches the event loop is shown in a message box.
class TApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            tarvix::TDialogRequest request;
            request.caption = "Error";
            request.text = e.what();
            request.type = tarvix::TMsgDlgType::mtError;
            request.buttons = tarvix::mbOK;
            tarvix::Dialogs().MessageDlg(request);
        }
        return false;
    }
};

// The program's icon at each size drawn (ui/tarvix.qrc); every window and dialog
// that sets none of its own shows the application's.
QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("tarvix " TARVIX_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::puts("Usage: tarvix [QT-OPTIONS] [LOGFILE...]\n"
                      "The viewer and analyser of Fidonet mailer logs: opens each LOGFILE in a log window.\n"
                      "  --help     print this text and exit\n"
                      "  --version  print the version and exit\n"
                      "See tarvix(1); the analysis without a display is tarvix-report(1).");
            return 0;
        }
    }

    TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvix"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tarvix"));
    QApplication::setApplicationVersion(QStringLiteral(TARVIX_VERSION));
    QApplication::setOrganizationName(QStringLiteral("Kembrot"));
    // The desktop entry: under Wayland the window is matched to it, and to its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.kembrot.tarvix"));
    QApplication::setWindowIcon(ProgramIcon());
    QApplication::setQuitOnLastWindowClosed(false);

    tarvix::RegisterGenericLogStyles();
    tarvix::RegisterSessListWindow();
    tarvix::RegisterDialStatWindow();
    tarvix::RegisterFreqListWindow();
    tarvix::RegisterTimelineWindow();
    tarvix::RegisterSessInfoWindow();
    tarvix::TQtDialogs dialogs;
    tarvix::SetDialogs(&dialogs);

    // Qt has taken its own options out of argv; the rest are log files.
    std::vector<std::string> params;
    for (int i = 1; i < argc; ++i)
        params.emplace_back(argv[i]);

    int rc = 0;
    {
        tarvix::TFrameForm frame(params);
        dialogs.SetParent(&frame);
        QObject::connect(&frame, &tarvix::TFrameForm::FrameClosed, &app, &QCoreApplication::quit,
                         Qt::QueuedConnection);
        frame.show();
        rc = QApplication::exec();
        dialogs.SetParent(nullptr);
    }
    tarvix::SetDialogs(nullptr);
    return rc;
}
