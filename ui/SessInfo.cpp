#include "ui/SessInfo.h"

#include "engine/LogText.h"
#include "engine/MailerLog.h"
#include "fido/DateTime.h"
#include "settings/SettingsStore.h"
#include "ui/FindDialog.h"
#include "ui/LngComponent.h"
#include "ui/Placement.h"
#include "ui/QtConvert.h"
#include "ui/SpeedBar.h"
#include "ui/LogWindow.h"
#include "ui/UiText.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdio>
#include <vector>

namespace tarvix {

namespace {

// The width of a value label; longer texts are fitted into it.
constexpr int kValueWidth = 190;
constexpr int kFitMargin = 20;

struct TComponentText {
    const char* name;
    const char* text;
};
// The value labels and the captions beside them.
constexpr TComponentText kRows[] = {
    {"LblSent", "Sent"},       {"LblRecd", "Received"},    {"LblSysName", "System"}, {"LblSysop", "SysOp"},
    {"LblConnect", "Connect"}, {"LblCPS", "CPS"},          {"LblResult", "Result"},  {"LblMailer", "Mailer"},
    {"LblProtocol", "Protocol"}, {"LblLength", "Length"},
};
constexpr TComponentText kButtonHints[] = {
    {"BtnClose", "Close"},
    {"BtnPrevSess", "Previous session (Alt+Left)"},
    {"BtnNextSess", "Next session (Alt+Right)"},
    {"BtnHelp", "Help"},
};

std::vector<std::string_view> MailerWords(std::string_view text)
{
    std::vector<std::string_view> words;
    std::size_t from = 0;
    while (from <= text.size()) {
        std::size_t to = text.find('/', from);
        if (to == std::string_view::npos)
            to = text.size();
        if (to > from)
            words.push_back(text.substr(from, to - from));
        from = to + 1;
    }
    return words;
}

std::string LengthText(std::int64_t seconds)
{
    if (seconds < 0)
        seconds = 0;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return buf;
}

void SetColour(QLabel* label, const QColor& colour)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

}  // namespace

std::string SessInfoMailer(int logStyle, std::string_view mailer)
{
    const std::vector<std::string_view> words = MailerWords(mailer);
    if (words.empty())
        return {};
    std::string s(words[0]);
    auto append = [&](std::size_t i) {
        s += '/';
        s += words[i];
    };
    if (logStyle == lsTMail || logStyle == lsArgus) {
        if (words.size() >= 2)
            append(1);
        if ((s == "Bink/+" || s == "Xenia/2 Mailer" || s.starts_with("Argus")) && words.size() >= 3)
            append(2);
    } else if ((s == "Bink" || s.starts_with("Xenia") || s == "Argus") && words.size() >= 2) {
        append(1);
    }
    return s;
}

std::string SessInfoCPS(std::int64_t cps)
{
    if (cps < 10000)
        return std::to_string(cps);
    return std::to_string(cps / 1024) + "K";
}

void FitText(const QString& text, int width, const QFontMetrics& metrics, QString& shown, QString& hint)
{
    if (metrics.horizontalAdvance(text) <= width) {
        shown = text;
        hint.clear();
        return;
    }
    hint = text;
    int n = 1;
    while (n < text.size() && metrics.horizontalAdvance(text.left(n)) < width - kFitMargin)
        ++n;
    shown = text.left(n) + QStringLiteral("...");
}

// ---------------------------------------------------------------- window

TSessInfoForm::TSessInfoForm(TMailerLog* log, QWidget* parent)
    : QMdiSubWindow(parent), log_(log), section_(log->Name + ".SessInfo")
{
    setObjectName("TSessInfoForm");
    setAttribute(Qt::WA_DeleteOnClose);
    SetHelpContext(this, kHelpContext);
    body_ = new QMainWindow(nullptr, Qt::Widget);
    body_->setObjectName("SessInfoBody");
    setWidget(body_);
    BuildToolBar();
    BuildLabels();
    ApplyTexts();
    ShowSession(-1);
}

TSessInfoForm::~TSessInfoForm() = default;

void TSessInfoForm::BuildToolBar()
{
    QToolBar* bar = AddSpeedBar(body_);
    QStyle* s = style();
    connect(AddSpeedButton(bar, "BtnClose", s->standardIcon(QStyle::SP_DialogCloseButton)), &QToolButton::clicked,
            this, [this] { close(); });
    connect(AddSpeedButton(bar, "BtnPrevSess", s->standardIcon(QStyle::SP_ArrowLeft)), &QToolButton::clicked, this,
            [this] { PrevSess(); });
    connect(AddSpeedButton(bar, "BtnNextSess", s->standardIcon(QStyle::SP_ArrowRight)), &QToolButton::clicked, this,
            [this] { NextSess(); });
    connect(AddSpeedButton(bar, "BtnHelp", s->standardIcon(QStyle::SP_DialogHelpButton)), &QToolButton::clicked,
            this, [this] { ShowHelpContext(kHelpContext, window()); });
    Button("BtnPrevSess")->setEnabled(false);
    Button("BtnNextSess")->setEnabled(false);
}

void TSessInfoForm::BuildLabels()
{
    auto* card = new QWidget(body_);
    card->setObjectName("SessInfoCard");
    body_->setCentralWidget(card);
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(8, 6, 8, 6);
    auto label = [card](const char* name) {
        auto* l = new QLabel(card);
        l->setObjectName(name);
        return l;
    };
    column->addWidget(label("LblSessInfo1"));
    column->addWidget(label("LblSessAddr"));
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    int row = 0;
    for (const TComponentText& r : kRows) {
        grid->addWidget(label((std::string("Cap") + (r.name + 3)).c_str()), row, 0);
        QLabel* value = label(r.name);
        value->setFixedWidth(kValueWidth);
        grid->addWidget(value, row, 1);
        ++row;
    }
    column->addLayout(grid);
    column->addStretch(1);
}

void TSessInfoForm::ApplyTexts()
{
    for (const TComponentText& r : kRows)
        Label((std::string("Cap") + (r.name + 3)).c_str())->setText(QString::fromUtf8(r.text));
    for (const TComponentText& b : kButtonHints)
        Button(b.name)->setToolTip(QString::fromUtf8(b.text));
    ApplyLng(this, "TSessInfoForm");
    setWindowTitle(UiText(116, {log_->Name}, "Session"));
}

QLabel* TSessInfoForm::Label(const char* name) const { return body_->findChild<QLabel*>(name); }

QToolButton* TSessInfoForm::Button(const char* name) const { return body_->findChild<QToolButton*>(name); }

void TSessInfoForm::SetValue(const char* name, const QString& text, bool fitted)
{
    QLabel* l = Label(name);
    if (!fitted) {
        l->setText(text);
        l->setToolTip(QString());
        return;
    }
    QString shown, hint;
    FitText(text, l->width() > 0 ? l->width() : kValueWidth, QFontMetrics(l->font()), shown, hint);
    l->setText(shown);
    l->setToolTip(hint);
}

void TSessInfoForm::ShowSession(long session)
{
    const QColor text = palette().color(QPalette::WindowText);
    const QColor errors = ToQColor(Settings().Colors[ciErrors]);
    QLabel* heading = Label("LblSessInfo1");
    QLabel* addr = Label("LblSessAddr");
    QFont font = heading->font();
    if (session < 0 || static_cast<std::size_t>(session) >= log_->SessCount()) {
        session_ = -1;
        font.setBold(true);
        heading->setFont(font);
        heading->setText(UiText(135, {}, "No session"));
        SetColour(addr, text);
        addr->clear();
        for (const TComponentText& r : kRows)
            SetValue(r.name, QString());
        return;
    }
    session_ = session;
    const TSess& s = log_->GetSess(static_cast<std::size_t>(session));
    font.setBold(false);
    heading->setFont(font);
    std::string direction = (s.Has(sfIncoming) ? UiText(118, {}, "incoming") : UiText(119, {}, "outgoing")).toStdString();
    if (s.Has(sfPassword))
        direction += " " + UiText(136, {}, "with password").toStdString();
    if (s.Has(sfMailOnly))
        direction += " MO";
    if (s.Has(sfFTS1))
        direction += " FTS-1";
    heading->setText(UiText(117, {FormatDateTime("dd mmm hh:nn:ss", s.StartTime), direction}, "Session"));

    if (s.Has(sfHuman)) {
        SetColour(addr, text);
        addr->setText(UiText(100, {}, "Human caller"));
    } else if (s.Has(sfBad)) {
        SetColour(addr, errors);
        addr->setText(UiText(103, {}, "Failed call"));
    } else {
        SetColour(addr, text);
        addr->setText(QString::fromStdString(s.Addr ? s.Addr->ToStr() : std::string("?")));
    }
    auto qs = [](const std::string& t) { return QString::fromStdString(t); };
    SetValue("LblSent", qs(std::to_string(s.FilesSent) + "/" + GroupThousands(s.BytesSent)), true);
    SetValue("LblRecd", qs(std::to_string(s.FilesRcvd) + "/" + GroupThousands(s.BytesRcvd)), true);
    SetValue("LblSysName", qs(DisplayText(s.System)), true);
    SetValue("LblSysop", qs(DisplayText(s.SysOp)), true);
    SetValue("LblCPS", qs(SessInfoCPS(s.CPS)));
    SetValue("LblResult", s.Has(sfOK) ? UiText(120, {}, "Completed") : UiText(121, {}, "Failed"));
    SetColour(Label("LblResult"), s.Has(sfOK) ? text : errors);
    SetValue("LblMailer", qs(SessInfoMailer(log_->Style, DisplayText(s.Mailer))), true);
    SetValue("LblConnect", qs(s.SpeedText()));
    SetValue("LblProtocol", qs(s.ProtocolText()));
    SetValue("LblLength", qs(LengthText(s.SessLength())));
}

void TSessInfoForm::SetSessButtons(bool prev, bool next)
{
    Button("BtnPrevSess")->setEnabled(prev);
    Button("BtnNextSess")->setEnabled(next);
}

void TSessInfoForm::PrevSess()
{
    if (auto* w = dynamic_cast<TChildForm*>(log_->Window))
        w->PrevSess();
}

void TSessInfoForm::NextSess()
{
    if (auto* w = dynamic_cast<TChildForm*>(log_->Window))
        w->NextSess();
}

void TSessInfoForm::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (mods == Qt::AltModifier && event->key() == Qt::Key_Left) {
        PrevSess();
        return;
    }
    if (mods == Qt::AltModifier && event->key() == Qt::Key_Right) {
        NextSess();
        return;
    }
    if (mods == Qt::NoModifier && event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QMdiSubWindow::keyPressEvent(event);
}

void TSessInfoForm::showEvent(QShowEvent* event)
{
    if (!placed_) {
        placed_ = true;
        if (SettingsOpen() && !log_->Temporary)
            RestoreFormPlacement(this, section_);
    }
    QMdiSubWindow::showEvent(event);
}

void TSessInfoForm::closeEvent(QCloseEvent* event)
{
    if (!saved_ && SettingsOpen() && !log_->Temporary) {
        saved_ = true;
        SaveFormPlacement(this, section_);
    }
    QMdiSubWindow::closeEvent(event);
}

void TSessInfoForm::changeEvent(QEvent* event)
{
    QMdiSubWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        ApplyTexts();
        ShowSession(session_);
    }
}

void RegisterSessInfoWindow()
{
    RegisterAnalysisWindow(TAnalysisKind::SessInfo,
                           [](TChildForm& owner, const TAnalysisRequest& request) -> TAnalysisWindow* {
                               auto* log = dynamic_cast<TMailerLog*>(owner.ViewedLog());
                               QMdiArea* area = owner.mdiArea();
                               if (!log || !area)
                                   return nullptr;
                               auto* window = new TSessInfoForm(log);
                               area->addSubWindow(window);
                               window->show();
                               area->setActiveSubWindow(window);
                               window->SetSessButtons(request.PrevSess, request.NextSess);
                               window->ShowSession(request.Session);
                               return window;
                           });
}

}  // namespace tarvix
