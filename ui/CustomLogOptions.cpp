#include "ui/CustomLogOptions.h"

#include "fido/Dialogs.h"
#include "settings/SettingsStore.h"
#include "ui/HelpWindow.h"
#include "ui/LogView.h"
#include "ui/LogWindow.h"
#include "ui/Placement.h"
#include "ui/UiText.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tarvix {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

TCustomOptionsForm::TFileAnswer& FileAnswer()
{
    static TCustomOptionsForm::TFileAnswer answer;
    return answer;
}

// The colour column is edited in a combo box of the colour class names; a name
// may still be typed (the closing check finds a wrong one).
class TColorNameDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        auto* combo = new QComboBox(parent);
        combo->setEditable(true);
        for (const char* name : kColorNames)
            combo->addItem(QString::fromLatin1(name));
        return combo;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        static_cast<QComboBox*>(editor)->setCurrentText(index.data(Qt::EditRole).toString());
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        model->setData(index, static_cast<QComboBox*>(editor)->currentText(), Qt::EditRole);
    }
};

}  // namespace

TCustomOptionsForm::TCustomOptionsForm(TCustomLog& log, QWidget* parent)
    : TOptionsForm("TCustomOptionsForm", hcCustomOptions, parent), log_(log)
{
    auto field = [this](QLabel*& label, QLineEdit*& edit, const char* labelName, const char* editName,
                        QFormLayout* form) {
        label = new QLabel(this);
        label->setObjectName(QString::fromLatin1(labelName));
        edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(editName));
        label->setBuddy(edit);
        form->addRow(label, edit);
    };
    auto* form = new QFormLayout;
    field(lblLineMask_, edtLineMask_, "LblLineMask", "EdtLineMask", form);
    field(lblDateMask_, edtDateMask_, "LblDateMask", "EdtDateMask", form);
    field(lblErrWords_, edtErrWords_, "LblErrWords", "EdtErrWords", form);
    // The masks are read column by column: a fixed-pitch font shows the columns.
    for (QLineEdit* mask : {edtLineMask_, edtDateMask_})
        mask->setFont(QFont(QStringLiteral("Monospace")));
    Body()->addLayout(form);

    grpHStrings_ = new QGroupBox(this);
    grpHStrings_->setObjectName(QStringLiteral("GrpHStrings"));
    grdHStrings_ = new QTableWidget(1, 2, grpHStrings_);
    grdHStrings_->setObjectName(QStringLiteral("GrdHStrings"));
    grdHStrings_->verticalHeader()->hide();
    grdHStrings_->horizontalHeader()->setStretchLastSection(true);
    grdHStrings_->setItemDelegateForColumn(1, new TColorNameDelegate(grdHStrings_));
    grdHStrings_->installEventFilter(this);
    btnImport_ = new QPushButton(grpHStrings_);
    btnImport_->setObjectName(QStringLiteral("BtnImport"));
    btnImport_->setAutoDefault(false);
    btnExport_ = new QPushButton(grpHStrings_);
    btnExport_->setObjectName(QStringLiteral("BtnExport"));
    btnExport_->setAutoDefault(false);
    auto* side = new QVBoxLayout;
    side->addWidget(btnImport_);
    side->addWidget(btnExport_);
    side->addStretch(1);
    auto* group = new QHBoxLayout(grpHStrings_);
    group->addWidget(grdHStrings_, 1);
    group->addLayout(side);
    Body()->addWidget(grpHStrings_, 1);
    ApplyTexts();
    setMinimumSize(460, 380);

    connect(btnImport_, &QPushButton::clicked, this, &TCustomOptionsForm::Import);
    connect(btnExport_, &QPushButton::clicked, this, &TCustomOptionsForm::Export);
    ShowOptions(log_.GetOptions());
    if (SettingsOpen()) {
        ApplyGridFont(grdHStrings_);
        RestoreGridLayout(grdHStrings_);
    }
}

void TCustomOptionsForm::SetDefaultTexts()
{
    setWindowTitle(QStringLiteral("Custom log options"));
    lblLineMask_->setText(QStringLiteral("Line mask"));
    lblDateMask_->setText(QStringLiteral("Date mask"));
    lblErrWords_->setText(QStringLiteral("Error words"));
    grpHStrings_->setTitle(QStringLiteral("Highlight strings"));
    btnImport_->setText(QStringLiteral("Import"));
    btnExport_->setText(QStringLiteral("Export"));
    grdHStrings_->setHorizontalHeaderLabels({UiText(153, {}, "String"), UiText(154, {}, "Color")});
}

void TCustomOptionsForm::SetFileAnswer(TFileAnswer answer) { FileAnswer() = std::move(answer); }

QString TCustomOptionsForm::Cell(int row, int col) const
{
    const QTableWidgetItem* item = grdHStrings_->item(row, col);
    return item ? item->text() : QString();
}

bool TCustomOptionsForm::RowEmpty(int row) const { return Cell(row, 0).isEmpty() && Cell(row, 1).isEmpty(); }

void TCustomOptionsForm::AppendRow() { grdHStrings_->insertRow(grdHStrings_->rowCount()); }

TCustomLogOptions TCustomOptionsForm::Options() const
{
    TCustomLogOptions o;
    o.LineMask = edtLineMask_->text().toStdString();
    o.DateMask = edtDateMask_->text().toStdString();
    o.ErrWords = edtErrWords_->text().toStdString();
    for (int row = 0; row < grdHStrings_->rowCount(); ++row)
        o.Rows.push_back(THglRow{Cell(row, 0).toStdString(), Cell(row, 1).toStdString()});
    return o;
}

void TCustomOptionsForm::ShowOptions(const TCustomLogOptions& options)
{
    edtLineMask_->setText(Q(options.LineMask));
    edtDateMask_->setText(Q(options.DateMask));
    edtErrWords_->setText(Q(options.ErrWords));
    grdHStrings_->setRowCount(0);
    for (const THglRow& row : options.Rows) {
        const int r = grdHStrings_->rowCount();
        AppendRow();
        grdHStrings_->setItem(r, 0, new QTableWidgetItem(Q(row.Text)));
        grdHStrings_->setItem(r, 1, new QTableWidgetItem(Q(row.ColorName)));
    }
    if (grdHStrings_->rowCount() == 0)
        AppendRow();
}

bool TCustomOptionsForm::CheckRows()
{
    // A cell still being edited counts with its text.
    grdHStrings_->setCurrentItem(nullptr);
    for (int row = 0; row < grdHStrings_->rowCount(); ++row)
        for (int col = 0; col < 2; ++col)
            if (QTableWidgetItem* item = grdHStrings_->item(row, col))
                item->setText(item->text().trimmed());
    // The empty rows themselves go (not the rows after them); one row stays.
    for (int row = grdHStrings_->rowCount() - 1; row >= 0 && grdHStrings_->rowCount() > 1; --row)
        if (RowEmpty(row))
            grdHStrings_->removeRow(row);
    for (int row = 0; row < grdHStrings_->rowCount(); ++row) {
        const QString name = Cell(row, 1);
        if (name.isEmpty())
            continue;
        try {
            ColorIndex(name.toStdString());
        } catch (const std::exception& e) {
            grdHStrings_->setCurrentCell(row, 1);
            grdHStrings_->setFocus();
            MessageDlgText(e.what(), TMsgDlgType::mtError, mbOK);
            return false;
        }
    }
    return true;
}

std::optional<QString> TCustomOptionsForm::AskFile(bool save)
{
    if (FileAnswer())
        return FileAnswer()(save);
    const QString filter = UiKeyText("CustOpt.HglFilter", "Highlighting files (*.hgl)") + QStringLiteral(";;") +
                           UiKeyText("Frame.FilterAll", "All files (*)");
    QFileDialog dialog(this, save ? btnExport_->text() : btnImport_->text());
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(QStringLiteral("hgl"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

void TCustomOptionsForm::Import()
{
    const std::optional<QString> file = AskFile(false);
    if (!file)
        return;
    TCustomLogOptions options = Options();
    try {
        // A file of another version was reported and leaves the dialog as it is.
        if (ImportHgl(file->toStdString(), options))
            ShowOptions(options);
    } catch (const std::exception& e) {
        MessageDlgText(e.what(), TMsgDlgType::mtError, mbOK);
    }
}

void TCustomOptionsForm::Export()
{
    if (!CheckRows())
        return;
    const std::optional<QString> file = AskFile(true);
    if (!file)
        return;
    try {
        ExportHgl(file->toStdString(), Options());
    } catch (const std::exception& e) {
        MessageDlgText(e.what(), TMsgDlgType::mtError, mbOK);
    }
}

bool TCustomOptionsForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == grdHStrings_ && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        auto* key = static_cast<QKeyEvent*>(event);
        const int row = grdHStrings_->currentRow();
        const int last = grdHStrings_->rowCount() - 1;
        // Down on the last row makes a new row to fill in.
        if (event->type() == QEvent::KeyPress && key->key() == Qt::Key_Down && row == last) {
            AppendRow();
            grdHStrings_->setCurrentCell(last + 1, std::max(grdHStrings_->currentColumn(), 0));
            return true;
        }
        // Up away from an empty last row takes it back.
        if (event->type() == QEvent::KeyRelease && key->key() == Qt::Key_Up && row >= 0 && row + 1 == last &&
            RowEmpty(last))
            grdHStrings_->removeRow(last);
    }
    return TOptionsForm::eventFilter(watched, event);
}

void TCustomOptionsForm::done(int result)
{
    if (!CheckRows())
        return;
    if (result == QDialog::Accepted) {
        log_.SetOptions(Options());
        // The open window paints with the new description.
        if (auto* window = dynamic_cast<TChildForm*>(log_.Window)) {
            log_.ResetHighlightState();
            window->View()->InvalidateHighlight();
            window->ApplyColours();
        }
    }
    if (SettingsOpen())
        SaveGridLayout(grdHStrings_);
    TOptionsForm::done(result);
}

}  // namespace tarvix
