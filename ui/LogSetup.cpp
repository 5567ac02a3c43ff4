#include "ui/LogSetup.h"

#include "engine/ArgusLog.h"
#include "engine/BrakeLog.h"
#include "engine/LogSetupRules.h"
#include "engine/SFMailLog.h"
#include "engine/BinkdLog.h"
#include "engine/TMailLog.h"
#include "fido/Dialogs.h"
#include "settings/SettingsStore.h"
#include "ui/ArgusOptions.h"
#include "ui/BinkdOptions.h"
#include "ui/BrakeOptions.h"
#include "ui/CustomLogOptions.h"
#include "ui/FileEdit.h"
#include "ui/HelpWindow.h"
#include "ui/LngComponent.h"
#include "ui/ModalHook.h"
#include "ui/RadioGroup.h"
#include "ui/SFMailOptions.h"
#include "ui/TMailOptions.h"
#include "ui/MainFrame.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace tarvix {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

bool EditLogOptions(TLog& log, QWidget* parent)
{
    std::unique_ptr<QDialog> form;
    if (auto* tmail = dynamic_cast<TTMailLog*>(&log))
        form = std::make_unique<TTMailOptionsForm>(*tmail, parent);
    else if (auto* brake = dynamic_cast<TBrakeLog*>(&log))
        form = std::make_unique<TBrakeOptionsForm>(*brake, parent);
    else if (auto* sf = dynamic_cast<TSFMailLog*>(&log))
        form = std::make_unique<TSFOptionsForm>(*sf, parent);
    else if (auto* argus = dynamic_cast<TArgusLog*>(&log))
        form = std::make_unique<TArgusOptionsForm>(*argus, parent);
    else if (auto* binkd = dynamic_cast<TBinkdLog*>(&log))
        form = std::make_unique<TBinkdOptionsForm>(*binkd, parent);
    else if (auto* custom = dynamic_cast<TCustomLog*>(&log))
        form = std::make_unique<TCustomOptionsForm>(*custom, parent);
    else
        return false;
    return ExecModal(*form) == QDialog::Accepted;
}

// ---------------------------------------------------------------- creation

TLogsSetupForm::TLogsSetupForm(TFrameForm& frame) : QDialog(&frame), frame_(frame)
{
    setObjectName(QStringLiteral("TLogsSetupForm"));
    SetHelpContext(this, hcLogsSetup);

    auto named = [this](auto* widget, const char* name) {
        widget->setObjectName(QString::fromLatin1(name));
        return widget;
    };
    logsList_ = named(new QListWidget(this), "LogsList");
    logsList_->installEventFilter(this);
    btnAdd_ = named(new QPushButton(this), "BtnAdd");
    btnDelete_ = named(new QPushButton(this), "BtnDelete");
    lblName_ = named(new QLabel(this), "LblName");
    edtName_ = named(new QLineEdit(this), "EdtName");
    lblPath_ = named(new QLabel(this), "LblPath");
    pathEdit_ = named(new TFileEdit(TFileEdit::fmFile, this), "PathEdit");
    lblStyle_ = named(new QLabel(this), "LblStyle");
    styleCombo_ = named(new QComboBox(this), "StyleCombo");
    // The custom style is offered only while custom highlighting is enabled.
    const int styleItems = Settings().EnableCustomHighlighting ? kStyleItemCount : kStyleItemCount - 1;
    for (int i = 0; i < styleItems; ++i)
        styleCombo_->addItem(QString::fromLatin1(StyleItemText(i)));
    btnLogOpt_ = named(new QPushButton(this), "BtnLogOpt");
    lblMailerPath_ = named(new QLabel(this), "LblMailerPath");
    mailerPathEdit_ = named(new TFileEdit(TFileEdit::fmDirectory, this), "MailerPathEdit");
    chkAutoNew_ = named(new QCheckBox(this), "ChkAutoNew");
    chkCut_ = named(new QCheckBox(this), "ChkCut");
    edtCut_ = named(new QLineEdit(this), "EdtCut");
    // Digits only (anything else is not taken), as many as a 32-bit limit holds.
    edtCut_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), edtCut_));
    edtCut_->setMaximumWidth(90);
    radCut_ = named(new TRadioGroup(Qt::Horizontal, this), "RadCut");
    radCut_->setFlat(true);
    radCut_->SetItems({QString(), QString()});
    chkDLC_ = named(new QCheckBox(this), "ChkDLC");
    btnOK_ = named(new QPushButton(this), "BtnOK");
    btnOK_->setDefault(true);
    btnHelp_ = named(new QPushButton(this), "BtnHelp");
    btnHelp_->setAutoDefault(false);
    for (QPushButton* b : {btnAdd_, btnDelete_, btnLogOpt_})
        b->setAutoDefault(false);
    lblName_->setBuddy(edtName_);
    lblPath_->setBuddy(pathEdit_);
    lblStyle_->setBuddy(styleCombo_);
    lblMailerPath_->setBuddy(mailerPathEdit_);

    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(btnAdd_);
    listButtons->addWidget(btnDelete_);
    auto* left = new QVBoxLayout;
    left->addWidget(logsList_, 1);
    left->addLayout(listButtons);

    auto* cut = new QHBoxLayout;
    cut->addWidget(chkCut_);
    cut->addWidget(edtCut_);
    cut->addWidget(radCut_);
    cut->addStretch(1);
    auto* style = new QHBoxLayout;
    style->addWidget(styleCombo_, 1);
    style->addWidget(btnLogOpt_);
    auto* grid = new QGridLayout;
    grid->addWidget(lblName_, 0, 0);
    grid->addWidget(edtName_, 0, 1);
    grid->addWidget(lblPath_, 1, 0);
    grid->addWidget(pathEdit_, 1, 1);
    grid->addWidget(lblStyle_, 2, 0);
    grid->addLayout(style, 2, 1);
    grid->addWidget(lblMailerPath_, 3, 0);
    grid->addWidget(mailerPathEdit_, 3, 1);
    grid->addWidget(chkAutoNew_, 4, 0, 1, 2);
    grid->addLayout(cut, 5, 0, 1, 2);
    grid->addWidget(chkDLC_, 6, 0, 1, 2);
    grid->setRowStretch(7, 1);
    grid->setColumnStretch(1, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(btnOK_);
    bottom->addWidget(btnHelp_);

    auto* top = new QHBoxLayout;
    top->addLayout(left, 2);
    top->addLayout(grid, 5);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);
    resize(720, 360);

    connect(logsList_, &QListWidget::currentRowChanged, this, [this] { ShowValues(); });
    connect(btnAdd_, &QPushButton::clicked, this, &TLogsSetupForm::AddLog);
    connect(btnDelete_, &QPushButton::clicked, this, &TLogsSetupForm::DeleteLog);
    connect(btnLogOpt_, &QPushButton::clicked, this, &TLogsSetupForm::EditOptions);
    connect(btnOK_, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnHelp_, &QPushButton::clicked, this, [this] { ShowHelpContext(hcLogsSetup, this); });
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [this] { ShowHelpContext(hcLogsSetup, this); });

    connect(edtName_, &QLineEdit::textChanged, this, &TLogsSetupForm::NameChanged);
    connect(pathEdit_, &TFileEdit::TextChanged, this, &TLogsSetupForm::PathChanged);
    connect(pathEdit_, &TFileEdit::EditingFinished, this, &TLogsSetupForm::PathEntered);
    connect(pathEdit_, &TFileEdit::Picked, this, &TLogsSetupForm::PathEntered);
    connect(styleCombo_, &QComboBox::currentIndexChanged, this, &TLogsSetupForm::StyleChosen);
    connect(mailerPathEdit_, &TFileEdit::TextChanged, this, &TLogsSetupForm::MailerPathChanged);
    connect(chkAutoNew_, &QCheckBox::toggled, this, &TLogsSetupForm::AutoNewClicked);
    connect(chkCut_, &QCheckBox::toggled, this, &TLogsSetupForm::CutClicked);
    connect(edtCut_, &QLineEdit::textChanged, this, &TLogsSetupForm::CutChanged);
    connect(radCut_, &TRadioGroup::ItemClicked, this, &TLogsSetupForm::CutModeClicked);
    connect(chkDLC_, &QCheckBox::toggled, this, &TLogsSetupForm::DLCClicked);

    ApplyTexts();
    FillList();
}

void TLogsSetupForm::ApplyTexts()
{
    setWindowTitle(QStringLiteral("Logs"));
    lblName_->setText(QStringLiteral("Name"));
    lblPath_->setText(QStringLiteral("Path to log"));
    pathEdit_->SetFilter(QStringLiteral("Log Files|*.log|All Files|*.*"));
    pathEdit_->SetDialogTitle(QStringLiteral("Select log file"));
    lblStyle_->setText(QStringLiteral("Style"));
    lblMailerPath_->setText(QStringLiteral("Path to mailer"));
    mailerPathEdit_->SetDialogTitle(QStringLiteral("Select mailer directory"));
    chkAutoNew_->setText(QStringLiteral("Auto new"));
    chkAutoNew_->setToolTip(QStringLiteral("Automatically move to new info"));
    chkCut_->setText(QStringLiteral("Cut log to"));
    chkCut_->setToolTip(QStringLiteral("Shorten the log file when its window closes"));
    radCut_->SetItems({QStringLiteral("KBytes"), QStringLiteral("days")});
    chkDLC_->setText(QStringLiteral("Update DLC"));
    chkDLC_->setToolTip(QStringLiteral("Raise the download counters in files.bbs for the files sent"));
    btnLogOpt_->setText(QStringLiteral("Log options"));
    btnLogOpt_->setToolTip(QStringLiteral("The options of the log's style"));
    btnAdd_->setText(QStringLiteral("New"));
    btnAdd_->setToolTip(QStringLiteral("Register a new log (Insert)"));
    btnDelete_->setText(QStringLiteral("Delete"));
    btnDelete_->setToolTip(QStringLiteral("Remove the log from the list (Delete)"));
    btnOK_->setText(QStringLiteral("OK"));
    btnHelp_->setText(QStringLiteral("Help"));
    ApplyLng(this, "TLogsSetupForm");
}

void TLogsSetupForm::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ApplyTexts();
}

void TLogsSetupForm::FillList()
{
    showing_ = true;
    logsList_->clear();
    for (const auto& log : LogList()) {
        auto* item = new QListWidgetItem(Q(log->Name), logsList_);
        item->setData(Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(log.get())));
    }
    showing_ = false;
    SelectRow(logsList_->count() > 0 ? 0 : -1);
}

// ---------------------------------------------------------------- the selected log

TLog* TLogsSetupForm::LogOfItem(const QListWidgetItem* item) const
{
    if (!item)
        return nullptr;
    return reinterpret_cast<TLog*>(item->data(Qt::UserRole).value<quintptr>());
}

TLog* TLogsSetupForm::SelectedLog() const
{
    const int row = logsList_->currentRow();
    return row >= 0 ? LogOfItem(logsList_->item(row)) : nullptr;
}

int TLogsSetupForm::ListIndex(const TLog* log) const
{
    const auto& list = LogList();
    auto it = std::find_if(list.begin(), list.end(), [log](const auto& l) { return l.get() == log; });
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TLogsSetupForm::SelectRow(int row)
{
    logsList_->setCurrentRow(row);
    if (row < 0)
        logsList_->clearSelection();
    ShowValues();
}

void TLogsSetupForm::ShowValues()
{
    // Also called while the list itself is being changed (its current row moves).
    const bool wasShowing = showing_;
    showing_ = true;
    TLog* log = SelectedLog();
    auto* mailer = dynamic_cast<TMailerLog*>(log);
    edtName_->setText(log ? Q(log->Name) : QString());
    pathEdit_->SetText(log ? Q(log->Path) : QString());
    const int item = log ? ItemOfStyle(log->Style) : -1;
    styleCombo_->setCurrentIndex(item < styleCombo_->count() ? item : -1);
    chkAutoNew_->setChecked(log && log->AutoNew);
    mailerPathEdit_->SetText(mailer ? Q(mailer->MailerPath()) : QString());
    chkDLC_->setChecked(mailer && mailer->UpdateDLC);
    chkCut_->setChecked(log && log->CutSize != 0);
    edtCut_->setText(log && log->CutSize != 0 ? QString::number(log->CutSize) : QString());
    for (QWidget* w : std::initializer_list<QWidget*>{edtName_, pathEdit_, styleCombo_, chkAutoNew_, chkCut_})
        w->setEnabled(log != nullptr);
    mailerPathEdit_->setEnabled(mailer != nullptr);
    chkDLC_->setEnabled(mailer != nullptr);
    edtCut_->setEnabled(log && log->CutSize != 0);
    ShowCutMode(log);
    radCut_->setEnabled(log && log->CutSize != 0 && log->Style != lsPlain);
    btnLogOpt_->setEnabled(log && log->HasOptions);
    btnDelete_->setEnabled(log != nullptr);
    showing_ = wasShowing;
}

void TLogsSetupForm::ShowCutMode(TLog* log)
{
    if (!log) {
        radCut_->SetItemIndex(-1);
        return;
    }
    // A plain log always cuts by size.
    if (log->Style == lsPlain)
        log->CutMode = 0;
    radCut_->SetItemIndex(log->CutMode);
}

// ---------------------------------------------------------------- editing

void TLogsSetupForm::NameChanged(const QString& text)
{
    TLog* log = SelectedLog();
    if (showing_ || !log)
        return;
    log->Name = text.toStdString();
    logsList_->currentItem()->setText(text);
    frame_.RenameLogMenuItem(ListIndex(log), text);
}

void TLogsSetupForm::PathChanged(const QString& text)
{
    TLog* log = SelectedLog();
    if (showing_ || !log)
        return;
    const std::string typed = text.toStdString();
    const std::string path = WithoutQuotes(typed);
    if (path != typed) {
        // The field changes again, and that change stores the path.
        pathEdit_->SetText(Q(path));
        return;
    }
    log->Path = path;
}

void TLogsSetupForm::PathEntered()
{
    // The mailer directory is taken from a path once it is entered (not from each
    // keystroke of it), and only while the field is empty.
    auto* mailer = dynamic_cast<TMailerLog*>(SelectedLog());
    if (showing_ || !mailer || !mailerPathEdit_->Text().isEmpty())
        return;
    const std::string dir = DirectoryOfPath(mailer->Path);
    if (!dir.empty())
        mailerPathEdit_->SetText(Q(dir));
}

void TLogsSetupForm::LogIsOpenMessage()
{
    MessageDlgLOr(58, {}, "This log is open in a window. Close its window first.", TMsgDlgType::mtWarning, mbOK);
}

void TLogsSetupForm::StyleChosen(int item)
{
    TLog* log = SelectedLog();
    if (showing_ || !log || item < 0)
        return;
    const int style = StyleOfItem(item);
    if (style < 0 || style == log->Style)
        return;
    if (frame_.LogIsOpen(log)) {
        LogIsOpenMessage();
        ShowValues();
        return;
    }
    TLog* fresh = frame_.RestyleLog(log, style);
    if (!fresh)
        return;
    logsList_->currentItem()->setData(Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(fresh)));
    // A log that becomes a mailer log finds its mailer next to its file, as a path
    // entered would have given it.
    if (auto* mailer = dynamic_cast<TMailerLog*>(fresh); mailer && mailer->MailerPath().empty())
        mailer->SetMailerPath(DirectoryOfPath(mailer->Path));
    ShowValues();
}

void TLogsSetupForm::MailerPathChanged(const QString& text)
{
    auto* mailer = dynamic_cast<TMailerLog*>(SelectedLog());
    if (showing_ || !mailer)
        return;
    mailer->SetMailerPath(text.toStdString());
}

void TLogsSetupForm::AutoNewClicked(bool on)
{
    TLog* log = SelectedLog();
    if (showing_ || !log)
        return;
    log->AutoNew = on;
    if (!on)
        log->LastStr.clear();
}

void TLogsSetupForm::CutClicked(bool on)
{
    TLog* log = SelectedLog();
    if (showing_ || !log)
        return;
    edtCut_->setEnabled(on);
    if (on) {
        if (edtCut_->text().isEmpty())
            edtCut_->setText(QStringLiteral("0"));
        ShowCutMode(log);
        radCut_->setEnabled(log->Style != lsPlain);
        edtCut_->setFocus();
        edtCut_->selectAll();
    } else {
        edtCut_->clear();
        log->CutSize = 0;
        radCut_->setEnabled(false);
    }
}

void TLogsSetupForm::CutChanged(const QString& text)
{
    TLog* log = SelectedLog();
    if (showing_ || !log)
        return;
    if (std::optional<long long> size = ParseCutSize(text.toStdString()))
        log->CutSize = *size;
}

void TLogsSetupForm::CutModeClicked(int mode)
{
    TLog* log = SelectedLog();
    if (showing_ || !log)
        return;
    log->CutMode = log->Style == lsPlain ? 0 : mode;
}

void TLogsSetupForm::DLCClicked(bool on)
{
    auto* mailer = dynamic_cast<TMailerLog*>(SelectedLog());
    if (showing_ || !mailer)
        return;
    mailer->UpdateDLC = on;
}

// ---------------------------------------------------------------- New, Delete, options

void TLogsSetupForm::AddLog()
{
    std::unique_ptr<TLog> log = CreateLogOfStyle(lsPlain);
    log->Name = FreeLogName(log->Name);
    TLog* added = frame_.AddLogMenuItem(std::move(log));
    frame_.UpdateMenus();
    showing_ = true;
    auto* item = new QListWidgetItem(Q(added->Name), logsList_);
    item->setData(Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(added)));
    showing_ = false;
    SelectRow(logsList_->count() - 1);
    edtName_->setFocus();
    edtName_->selectAll();
}

void TLogsSetupForm::DeleteLog()
{
    TLog* log = SelectedLog();
    if (!log)
        return;
    if (frame_.LogIsOpen(log)) {
        LogIsOpenMessage();
        return;
    }
    showing_ = true;
    delete logsList_->takeItem(logsList_->currentRow());
    showing_ = false;
    SelectRow(-1);
    frame_.RemoveLog(log);
}

void TLogsSetupForm::EditOptions()
{
    TLog* log = SelectedLog();
    if (!log || !log->HasOptions)
        return;
    EditLogOptions(*log, this);
}

bool TLogsSetupForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == logsList_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            if (key->key() == Qt::Key_Insert) {
                AddLog();
                return true;
            }
            if (key->key() == Qt::Key_Delete) {
                DeleteLog();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------- closing

void TLogsSetupForm::done(int result)
{
    for (int row = 0; row < logsList_->count(); ++row) {
        TLog* log = LogOfItem(logsList_->item(row));
        if (!log)
            continue;
        if (IsBlankText(log->Name)) {
            SelectRow(row);
            edtName_->setFocus();
            edtName_->selectAll();
            MessageDlgLOr(123, {}, "The log has no name.", TMsgDlgType::mtError, mbOK);
            return;
        }
        if (IsBlankText(log->Path)) {
            SelectRow(row);
            pathEdit_->setFocus();
            MessageDlgLOr(124, {}, "The path to the log file is not set.", TMsgDlgType::mtError, mbOK);
            return;
        }
        if (auto* mailer = dynamic_cast<TMailerLog*>(log)) {
            const std::string dir = WithoutClosingSeparator(mailer->MailerPath());
            if (dir != mailer->MailerPath())
                mailer->SetMailerPath(dir);
            if (IsBlankText(dir)) {
                SelectRow(row);
                mailerPathEdit_->setFocus();
                MessageDlgLOr(125, {}, "The path to the mailer is not set.", TMsgDlgType::mtError, mbOK);
                return;
            }
        }
    }
    QDialog::done(result);
}

}  // namespace tarvix
