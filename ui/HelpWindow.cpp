#include "ui/HelpWindow.h"

#include "ui/LngComponent.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

#ifndef TARVIX_HELP_DIRS
#define TARVIX_HELP_DIRS ""
#endif

namespace tarvix {

namespace {

struct ContextPage {
    int context;
    const char* page;
};

// Every help context of the program and its page.
constexpr ContextPage kContextPages[] = {
    {hcFrame, "frame.html"},
    {hcLogsSetup, "settings.html#logs"},
    {hcColors, "settings.html#colors"},
    {hcLogWindow, "logwindow.html"},
    {hcSessList, "logwindow.html#sessions"},
    {hcColumnSetup, "logwindow.html#columns"},
    {hcFreqList, "logwindow.html#freqs"},
    {hcTimeline, "logwindow.html#timeline"},
    {hcDialStat, "logwindow.html#dialstat"},
    {hcSessInfo, "logwindow.html#sessinfo"},
    {hcSFMailOptions, "sfmail.html"},
    {hcGeneralSettings, "settings.html#general"},
    {hcGeneralDLC, "settings.html#dlc"},
    {hcCustomOptions, "custom.html"},
    {hcTMailOptions, "tmail.html"},
    {hcBrakeOptions, "brake.html"},
    {hcArgusOptions, "argus.html"},
    {hcBinkdOptions, "binkd.html"},
};

const char* const kHelpContextProperty = "helpContext";

QPointer<THelpWindow>& TheWindow()
{
    static QPointer<THelpWindow> window;
    return window;
}

THelpWindow* EnsureWindow(QWidget* parent)
{
    QPointer<THelpWindow>& w = TheWindow();
    if (!w)
        w = new THelpWindow(parent);
    return w;
}

void Raise(THelpWindow* w)
{
    w->show();
    w->raise();
    w->activateWindow();
}

}  // namespace

QString HelpPageOfContext(int context)
{
    for (const ContextPage& cp : kContextPages)
        if (cp.context == context)
            return QString::fromLatin1(cp.page);
    return QString::fromLatin1(kHelpContentsPage);
}

QString HelpDir()
{
    QStringList dirs;
    const QString exe = QCoreApplication::applicationDirPath();
    if (!exe.isEmpty())
        dirs << exe + QStringLiteral("/help") << exe + QStringLiteral("/../share/tarvix/help");
    for (const QString& d : QString::fromUtf8(TARVIX_HELP_DIRS).split(QLatin1Char(':'), Qt::SkipEmptyParts))
        dirs << d;
    for (const QString& d : dirs)
        if (QFileInfo::exists(d + QLatin1Char('/') + QLatin1String(kHelpContentsPage)))
            return QDir::cleanPath(QDir(d).absolutePath());
    return {};
}

THelpWindow::THelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Tarvix Help"));
    resize(640, 560);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpText"));
    browser_->setOpenExternalLinks(true);

    auto makeButton = [this](const char* name, const QString& text) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(text);
        b->setAutoRaise(true);
        return b;
    };
    btnContents_ = makeButton("BtnContents", QStringLiteral("&Contents"));
    btnBack_ = makeButton("BtnBack", QStringLiteral("&Back"));
    btnForward_ = makeButton("BtnForward", QStringLiteral("&Forward"));
    btnBack_->setEnabled(false);
    btnForward_->setEnabled(false);
    connect(btnContents_, &QToolButton::clicked, this,
            [this] { ShowPage(QString::fromLatin1(kHelpContentsPage)); });
    connect(btnBack_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(btnForward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, btnBack_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, btnForward_, &QToolButton::setEnabled);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnContents_);
    buttons->addWidget(btnBack_);
    buttons->addWidget(btnForward_);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(buttons);
    layout->addWidget(browser_, 1);

    lng_ = new TLng(this, QStringLiteral("THelpWindow"));
}

void THelpWindow::ShowPage(const QString& page)
{
    const QString dir = HelpDir();
    if (dir.isEmpty()) {
        browser_->setPlainText(QStringLiteral("The help pages (help/index.html) were not found next to the program."));
        return;
    }
    const qsizetype hash = page.indexOf(QLatin1Char('#'));
    QUrl url = QUrl::fromLocalFile(dir + QLatin1Char('/') + (hash >= 0 ? page.left(hash) : page));
    if (hash >= 0)
        url.setFragment(page.mid(hash + 1));
    browser_->setSource(url);
}

QUrl THelpWindow::CurrentPage() const
{
    return browser_->source();
}

void SetHelpContext(QWidget* window, int context)
{
    window->setProperty(kHelpContextProperty, context);
}

int HelpContextOf(const QWidget* widget)
{
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        bool ok = false;
        const int context = w->property(kHelpContextProperty).toInt(&ok);
        if (ok && context > 0)
            return context;
    }
    return hcFrame;
}

THelpWindow* ShowHelpContents(QWidget* parent)
{
    THelpWindow* w = EnsureWindow(parent);
    w->ShowPage(QString::fromLatin1(kHelpContentsPage));
    Raise(w);
    return w;
}

THelpWindow* ShowHelpContext(int context, QWidget* parent)
{
    THelpWindow* w = EnsureWindow(parent);
    w->ShowPage(HelpPageOfContext(context));
    Raise(w);
    return w;
}

THelpWindow* OpenHelpWindow() { return TheWindow(); }

}  // namespace tarvix
