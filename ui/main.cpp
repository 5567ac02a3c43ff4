// tarvix: the desktop program. Each command-line parameter names a log file to open.
#include "engine/LogStyles.h"
#include "ui/DialStat.h"
#include "ui/FreqList.h"
#include "ui/QtDialogs.h"
#include "ui/SessInfo.h"
#include "ui/SessList.h"
#include "ui/TarvixF.h"
#include "ui/Timeline.h"

#include <QApplication>

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

}  // namespace

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvix"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tarvix"));
    QApplication::setOrganizationName(QStringLiteral("Kembrot"));
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
