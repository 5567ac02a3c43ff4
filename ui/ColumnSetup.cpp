#include "ui/ColumnSetup.h"

#include "fido/AddrList.h"
#include "fido/Dialogs.h"
#include "fido/FidoAddr.h"
#include "fido/Lng.h"
#include "ui/FileEdit.h"
#include "ui/LngComponent.h"
#include "ui/RadioGroup.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTextBlock>
#include <QVBoxLayout>

namespace tarvix {

namespace {

// The column list: an item dragged within it and dropped is moved by the dialog,
// which keeps its columns in the order of the items.
class TColumnListBox : public QListWidget {
public:
    TColumnListBox(QWidget* parent, std::function<void(int from, int to)> move)
        : QListWidget(parent), move_(std::move(move))
    {
        setDragDropMode(QAbstractItemView::InternalMove);
        setDefaultDropAction(Qt::MoveAction);
        setSelectionMode(QAbstractItemView::SingleSelection);
    }

protected:
    void dropEvent(QDropEvent* event) override
    {
        const int from = currentRow();
        const QModelIndex at = indexAt(event->position().toPoint());
        // Below the last item: to the end.
        const int to = at.isValid() ? at.row() : count() - 1;
        event->setDropAction(Qt::IgnoreAction);
        event->accept();
        if (from >= 0 && to >= 0 && from != to)
            move_(from, to);
    }

private:
    std::function<void(int, int)> move_;
};

QLabel* NamedLabel(QWidget* parent, const char* name, QWidget* buddy)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setBuddy(buddy);
    return label;
}

// The parse flags a highlight line is checked with: masks and alias names.
constexpr std::uint8_t kHighlightParseFlags = afMask | afAlias;

}  // namespace

TSLSetupForm::TSLSetupForm(const QString& caption, const QStringList& typeNames, const TColumnFactory& factory,
                           const TColumnList& columns, const TAddrList& highlight, const TReportSettings& report,
                           int select, QWidget* parent)
    : QDialog(parent), caption_(caption), typeNames_(typeNames), factory_(factory)
{
    setObjectName("TSLSetupForm");
    SetHelpContext(this, kHelpContext);
    for (int i = 0; i < columns.Count(); ++i) {
        const TColumn& source = columns.GetColumn(i);
        std::unique_ptr<TColumn> copy = factory_(source.ColType);
        copy->Assign(source);
        columns_.push_back(std::move(copy));
    }

    pages_ = new QTabWidget(this);
    pages_->setObjectName("Pages");
    pages_->setTabPosition(QTabWidget::South);
    pages_->addTab(BuildColumnsPage(), QString());
    pages_->addTab(BuildHighlightPage(highlight), QString());
    pages_->addTab(BuildReportPage(report), QString());

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
    ok->setObjectName("BtnOK");
    ok->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel)->setObjectName("BtnCancel");
    buttons->addButton(QDialogButtonBox::Help)->setObjectName("BtnHelp");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { ShowHelpContext(kHelpContext, this); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_, 1);
    layout->addWidget(buttons);

    for (int i = 0; i < ColumnCount(); ++i)
        list_->addItem(ItemText(i));
    ApplyTexts();
    SelectColumn(select >= 0 && select < ColumnCount() ? select : -1);
    pages_->setCurrentIndex(pgColumns);
    list_->setFocus();
}

TSLSetupForm::~TSLSetupForm() = default;

QWidget* TSLSetupForm::BuildColumnsPage()
{
    auto* page = new QWidget(pages_);
    page->setObjectName("PgColumns");
    list_ = new TColumnListBox(page, [this](int from, int to) { MoveColumn(from, to); });
    list_->setObjectName("LbxColumns");
    list_->setMinimumWidth(180);
    list_->installEventFilter(this);

    heading_ = new QLineEdit(page);
    heading_->setObjectName("EdtHeading");
    type_ = new QComboBox(page);
    type_->setObjectName("CmbType");
    type_->addItems(typeNames_);
    screen_ = new QCheckBox(page);
    screen_->setObjectName("ChkScreen");
    scrWidth_ = new QLineEdit(page);
    scrWidth_->setObjectName("EdtScrWidth");
    file_ = new QCheckBox(page);
    file_->setObjectName("ChkFile");
    fileWidth_ = new QLineEdit(page);
    fileWidth_->setObjectName("EdtFileWidth");
    for (QLineEdit* edit : {scrWidth_, fileWidth_}) {
        edit->setMaxLength(5);
        edit->installEventFilter(this);
    }
    align_ = new TRadioGroup(page);
    align_->setObjectName("RadAlign");
    align_->SetItems({QString(), QString(), QString()});
    sep_ = new QCheckBox(page);
    sep_->setObjectName("ChkSep");
    add_ = new QPushButton(page);
    add_->setObjectName("BtnAdd");
    add_->setAutoDefault(false);
    remove_ = new QPushButton(page);
    remove_->setObjectName("BtnRemove");
    remove_->setAutoDefault(false);

    auto* props = new QGridLayout;
    labels_ = {NamedLabel(page, "LblHeading", heading_), NamedLabel(page, "LblType", type_),
               NamedLabel(page, "LblScrWidth", scrWidth_), NamedLabel(page, "LblFileWidth", fileWidth_)};
    props->addWidget(labels_[0], 0, 0);
    props->addWidget(heading_, 0, 1, 1, 3);
    props->addWidget(labels_[1], 1, 0);
    props->addWidget(type_, 1, 1, 1, 3);
    props->addWidget(screen_, 2, 0);
    props->addWidget(labels_[2], 2, 1);
    props->addWidget(scrWidth_, 2, 2);
    props->addWidget(file_, 3, 0);
    props->addWidget(labels_[3], 3, 1);
    props->addWidget(fileWidth_, 3, 2);
    props->addWidget(align_, 4, 0, 1, 2);
    props->addWidget(sep_, 4, 2, 1, 2, Qt::AlignTop);
    props->setRowStretch(5, 1);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(add_);
    buttonRow->addWidget(remove_);
    buttonRow->addStretch(1);
    auto* left = new QVBoxLayout;
    left->addWidget(list_, 1);
    left->addLayout(buttonRow);
    auto* layout = new QHBoxLayout(page);
    layout->addLayout(left);
    layout->addLayout(props, 1);

    connect(list_, &QListWidget::currentRowChanged, this, [this] { ShowColumn(); });
    connect(heading_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (TColumn* c = Current(); c && !filling_) {
            c->Heading = text.toStdString();
            changed_ = true;
            list_->currentItem()->setText(ItemText(list_->currentRow()));
        }
    });
    connect(type_, &QComboBox::activated, this, [this](int index) {
        TColumn* c = Current();
        if (!c || filling_ || index < 0)
            return;
        // The column is made again of the class that shows the chosen type.
        std::unique_ptr<TColumn> typed = factory_(index);
        typed->Assign(*c);
        typed->ColType = index;
        if (typed->Heading.empty()) {
            typed->Heading = typeNames_.value(index).toStdString();
            const QSignalBlocker block(heading_);
            heading_->setText(QString::fromStdString(typed->Heading));
        }
        const int row = list_->currentRow();
        columns_[static_cast<std::size_t>(row)] = std::move(typed);
        list_->currentItem()->setText(ItemText(row));
        changed_ = true;
    });
    connect(screen_, &QCheckBox::toggled, this, [this](bool on) {
        if (TColumn* c = Current(); c && !filling_) {
            c->ShowScr = on;
            changed_ = true;
        }
    });
    connect(file_, &QCheckBox::toggled, this, [this](bool on) {
        if (TColumn* c = Current(); c && !filling_) {
            c->ShowFile = on;
            changed_ = true;
        }
    });
    connect(sep_, &QCheckBox::toggled, this, [this](bool on) {
        if (TColumn* c = Current(); c && !filling_) {
            c->Separator = on;
            changed_ = true;
        }
    });
    connect(align_, &TRadioGroup::ItemClicked, this, [this](int index) {
        if (TColumn* c = Current(); c && !filling_ && index >= caLeft && index <= caCenter) {
            c->Alignment = index;
            changed_ = true;
        }
    });
    connect(scrWidth_, &QLineEdit::textEdited, this, [this] { StoreWidth(scrWidth_, &TColumn::ScrWidth); });
    connect(fileWidth_, &QLineEdit::textEdited, this, [this] { StoreWidth(fileWidth_, &TColumn::FileWidth); });
    connect(add_, &QPushButton::clicked, this, [this] { AddColumn(); });
    connect(remove_, &QPushButton::clicked, this, [this] { RemoveColumn(); });
    return page;
}

QWidget* TSLSetupForm::BuildHighlightPage(const TAddrList& highlight)
{
    auto* page = new QGroupBox(pages_);
    page->setObjectName("GrpHilite");
    memo_ = new QPlainTextEdit(page);
    memo_->setObjectName("MemHilite");
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    std::vector<std::string> lines;
    highlight.ToStrings(lines);
    QStringList text;
    for (const std::string& line : lines)
        text << QString::fromStdString(line);
    memo_->setPlainText(text.join('\n'));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(memo_);
    return page;
}

QWidget* TSLSetupForm::BuildReportPage(const TReportSettings& report)
{
    auto* page = new QGroupBox(pages_);
    page->setObjectName("GrpReport");
    template_ = new TFileEdit(TFileEdit::fmFile, page);
    template_->setObjectName("EdtTemplate");
    template_->SetText(QString::fromStdString(report.RepHeader));
    codepage_ = new TRadioGroup(page);
    codepage_->setObjectName("RadCodepage");
    codepage_->SetItems({QString(), QString(), QString()});
    codepage_->SetItemIndex(report.Codepage);
    auto* layout = new QVBoxLayout(page);
    labels_.push_back(NamedLabel(page, "LblTemplate", template_->Edit()));
    layout->addWidget(labels_.back());
    layout->addWidget(template_);
    layout->addWidget(codepage_);
    layout->addStretch(1);
    return page;
}

void TSLSetupForm::ApplyTexts()
{
    setWindowTitle(caption_);
    pages_->setTabText(pgColumns, QStringLiteral("Columns"));
    pages_->setTabText(pgHighlight, QStringLiteral("Highlight"));
    pages_->setTabText(pgReport, QStringLiteral("Report"));
    const char* const labels[] = {"&Heading", "&Type", "pixels", "characters", "Template &file"};
    for (std::size_t i = 0; i < labels_.size() && i < std::size(labels); ++i)
        static_cast<QLabel*>(labels_[i])->setText(QString::fromUtf8(labels[i]));
    screen_->setText(QStringLiteral("&Screen"));
    file_->setText(QStringLiteral("&File"));
    align_->setTitle(QStringLiteral("Alignment"));
    align_->SetItems({QStringLiteral("&Left justify"), QStringLiteral("&Right justify"), QStringLiteral("&Center")});
    sep_->setText(QStringLiteral("Se&parator"));
    add_->setText(QStringLiteral("&Add"));
    remove_->setText(QStringLiteral("Re&move"));
    static_cast<QGroupBox*>(memo_->parentWidget())->setTitle(QStringLiteral("Highlight addresses"));
    static_cast<QGroupBox*>(codepage_->parentWidget())->setTitle(QStringLiteral("Report options"));
    template_->SetFilter(QStringLiteral("Template files (*.tpl)|*.tpl|All files (*.*)|*.*"));
    template_->SetDialogTitle(QStringLiteral("Select report header file"));
    codepage_->setTitle(QStringLiteral("Codepage"));
    codepage_->SetItems({QStringLiteral("&DOS (OEM)"), QStringLiteral("&Windows (ANSI)"), QStringLiteral("&UTF-8")});
    ApplyLng(this, "TSLSetupForm");
    // The caption is the calling window's.
    setWindowTitle(caption_);
}

void TSLSetupForm::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ApplyTexts();
}

// ---------------------------------------------------------------- the columns

QString TSLSetupForm::ItemText(int index) const
{
    return QString::number(index) + " - " + QString::fromStdString(Column(index).Heading);
}

TColumn* TSLSetupForm::Current()
{
    const int row = Selected();
    return row >= 0 ? columns_[static_cast<std::size_t>(row)].get() : nullptr;
}

int TSLSetupForm::Selected() const
{
    const int row = list_->currentRow();
    return row >= 0 && row < ColumnCount() && list_->currentItem() && list_->currentItem()->isSelected() ? row : -1;
}

void TSLSetupForm::SelectColumn(int index)
{
    if (index >= 0 && index < ColumnCount()) {
        list_->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    } else {
        list_->clearSelection();
        list_->setCurrentRow(-1);
    }
    ShowColumn();
}

void TSLSetupForm::ShowColumn()
{
    // The controls are filled without their change events.
    filling_ = true;
    const TColumn* c = Current();
    const bool on = c != nullptr;
    for (QWidget* w : std::initializer_list<QWidget*>{heading_, type_, screen_, scrWidth_, file_, fileWidth_,
                                                      align_, sep_, remove_, labels_[0], labels_[1], labels_[2],
                                                      labels_[3]})
        w->setEnabled(on);
    heading_->setText(on ? QString::fromStdString(c->Heading) : QString());
    type_->setCurrentIndex(on && c->ColType < type_->count() ? c->ColType : -1);
    screen_->setChecked(on && c->ShowScr);
    scrWidth_->setText(on ? QString::number(c->ScrWidth) : QString());
    file_->setChecked(on && c->ShowFile);
    fileWidth_->setText(on ? QString::number(c->FileWidth) : QString());
    align_->SetItemIndex(on ? c->Alignment : -1);
    sep_->setChecked(on && c->Separator);
    filling_ = false;
}

void TSLSetupForm::StoreWidth(QLineEdit* edit, int TColumn::* field)
{
    TColumn* c = Current();
    if (!c || filling_)
        return;
    bool ok = false;
    const int width = edit->text().toInt(&ok);
    if (!ok || width <= 0)
        return;
    c->*field = std::min(width, field == &TColumn::ScrWidth ? MaxScrWidth : MaxFileWidth);
    changed_ = true;
}

void TSLSetupForm::Renumber()
{
    for (int i = 0; i < ColumnCount(); ++i)
        list_->item(i)->setText(ItemText(i));
}

void TSLSetupForm::AddColumn()
{
    columns_.push_back(factory_(0));
    columns_.back()->Assign(TColumn());
    list_->addItem(ItemText(ColumnCount() - 1));
    changed_ = true;
    SelectColumn(ColumnCount() - 1);
}

void TSLSetupForm::RemoveColumn()
{
    const int row = Selected();
    if (row < 0)
        return;
    columns_.erase(columns_.begin() + row);
    {
        const QSignalBlocker block(list_);
        delete list_->takeItem(row);
    }
    changed_ = true;
    Renumber();
    SelectColumn(-1);
}

void TSLSetupForm::MoveColumn(int from, int to)
{
    const int count = ColumnCount();
    if (from < 0 || from >= count || to < 0)
        return;
    to = std::min(to, count - 1);
    if (from == to)
        return;
    std::unique_ptr<TColumn> column = std::move(columns_[static_cast<std::size_t>(from)]);
    columns_.erase(columns_.begin() + from);
    columns_.insert(columns_.begin() + to, std::move(column));
    changed_ = true;
    Renumber();
    SelectColumn(to);
}

TColumnList TSLSetupForm::TakeColumns()
{
    TColumnList list;
    for (std::unique_ptr<TColumn>& c : columns_)
        list.Add(std::move(c));
    columns_.clear();
    list.Recalc();
    return list;
}

// ---------------------------------------------------------------- highlight and report

std::vector<std::string> TSLSetupForm::HighlightLines() const
{
    std::vector<std::string> lines;
    for (QTextBlock b = memo_->document()->begin(); b.isValid(); b = b.next()) {
        const QString line = b.text().trimmed();
        if (!line.isEmpty())
            lines.push_back(line.toStdString());
    }
    return lines;
}

int TSLSetupForm::InvalidHighlightLine() const
{
    int index = 0;
    for (QTextBlock b = memo_->document()->begin(); b.isValid(); b = b.next(), ++index) {
        QString line = b.text().trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith('!'))
            line.remove(0, 1);
        if (!IsValidAddr(line.trimmed().toStdString(), kHighlightParseFlags))
            return index;
    }
    return -1;
}

void TSLSetupForm::GetReport(TReportSettings& report) const
{
    report.RepHeader = template_->Text().trimmed().toStdString();
    if (codepage_->ItemIndex() >= 0)
        report.Codepage = codepage_->ItemIndex();
}

void TSLSetupForm::done(int result)
{
    // Cancel throws the memo away, so only OK has it checked.
    if (result == QDialog::Accepted) {
        const int bad = InvalidHighlightLine();
        if (bad >= 0) {
            pages_->setCurrentIndex(pgHighlight);
            memo_->setFocus();
            QTextCursor cursor(memo_->document()->findBlockByNumber(bad));
            cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            memo_->setTextCursor(cursor);
            MessageDlgLOr(113, {}, "Invalid address or mask in the highlight list.", TMsgDlgType::mtError, mbOK);
            return;
        }
    }
    QDialog::done(result);
}

bool TSLSetupForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == scrWidth_ || watched == fileWidth_) {
            // Digits and the editing keys only; any other character beeps.
            const QString text = key->text();
            if (!text.isEmpty() && text.front().isPrint() && !(text.front() >= '0' && text.front() <= '9')) {
                QApplication::beep();
                return true;
            }
        } else if (watched == list_ && key->modifiers() == Qt::NoModifier) {
            if (key->key() == Qt::Key_Insert) {
                AddColumn();
                return true;
            }
            if (key->key() == Qt::Key_Delete) {
                RemoveColumn();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace tarvix
