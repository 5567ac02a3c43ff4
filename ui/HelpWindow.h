// The program's help: HTML pages in the folder help/, shown in a help window of the
// program's own. Help > Contents opens index.html; each window opens the page of
// its help context number.
#pragma once

#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

class QTextBrowser;
class QToolButton;

namespace tarvix {

class TLng;

// Help context numbers of the windows.
enum THelpContext : int {
    hcFrame = 1,
    hcLogsSetup = 3,
    hcColors = 4,
    hcLogWindow = 5,
    hcSessList = 6,
    hcColumnSetup = 7,
    hcFreqList = 8,
    hcTimeline = 9,
    hcDialStat = 10,
    hcSessInfo = 11,
    hcSFMailOptions = 19,
    hcGeneralSettings = 23,
    hcGeneralDLC = 24,
    hcCustomOptions = 46,
    hcTMailOptions = 56,
    hcBrakeOptions = 57,
    hcArgusOptions = 58,
    hcBinkdOptions = 59,
};

// The page (with its anchor) of a help context; the contents page for a number
// the program does not use.
QString HelpPageOfContext(int context);
// The contents page.
inline constexpr const char* kHelpContentsPage = "index.html";

// The folder of the help pages: next to the program (help/), in the installed data
// folder, or in the source tree of a build; empty when none holds index.html.
QString HelpDir();

class THelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* parent = nullptr);

    // Shows a page of the help folder ("logwindow.html#sessions").
    void ShowPage(const QString& page);
    // The page shown, as a file URL with its anchor.
    QUrl CurrentPage() const;
    QTextBrowser* Browser() const { return browser_; }

private:
    QTextBrowser* browser_;
    QToolButton* btnBack_;
    QToolButton* btnForward_;
    QToolButton* btnContents_;
    TLng* lng_;
};

// The help context of a window (kept as the widget property "helpContext"), and
// the context of a widget: that of the nearest window around it that has one,
// else the frame's.
void SetHelpContext(QWidget* window, int context);
int HelpContextOf(const QWidget* widget);

// The help window of the program (created on first use, a window of its own over
// the parent), brought to the front at the contents or at a context's page.
THelpWindow* ShowHelpContents(QWidget* parent = nullptr);
THelpWindow* ShowHelpContext(int context, QWidget* parent = nullptr);
// The help window while it is open, else nullptr.
THelpWindow* OpenHelpWindow();

}  // namespace tarvix
