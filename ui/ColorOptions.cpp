#include "ui/ColorOptions.h"

#include "ui/HelpWindow.h"
#include "ui/QtConvert.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

namespace tarvix {

const std::array<TColor, 16> kGridColors = {clBlack, clMaroon, clGreen, clOlive,  clNavy, clPurple,
                                            clTeal,  clGray,   clSilver, clRed,   clLime, clYellow,
                                            clBlue,  clFuchsia, clAqua,  clWhite};

namespace {

constexpr int kCellSize = 28;

QIcon Swatch(TColor color)
{
    QPixmap pixmap(kCellSize - 8, kCellSize - 8);
    pixmap.fill(ToQColor(color));
    QPainter painter(&pixmap);
    painter.setPen(Qt::darkGray);
    painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
    return QIcon(pixmap);
}

}  // namespace

TColSetupForm::TColSetupForm(std::function<void()> apply, QWidget* parent)
    : TOptionsForm("TColSetupForm", hcColors, parent), apply_(std::move(apply))
{
    lblItems_ = new QLabel(this);
    lblItems_->setObjectName(QStringLiteral("LblColItemList"));
    colItemList_ = new QListWidget(this);
    colItemList_->setObjectName(QStringLiteral("ColItemList"));
    for (int i = 0; i < kColorCount; ++i)
        colItemList_->addItem(QString());
    lblItems_->setBuddy(colItemList_);

    lblGrid_ = new QLabel(this);
    lblGrid_->setObjectName(QStringLiteral("LblColGrid"));
    auto* gridBox = new QWidget(this);
    gridBox->setObjectName(QStringLiteral("ColGrid"));
    auto* grid = new QGridLayout(gridBox);
    grid->setSpacing(2);
    colGrid_ = new QButtonGroup(this);
    for (int i = 0; i < static_cast<int>(kGridColors.size()); ++i) {
        auto* button = new QToolButton(gridBox);
        button->setObjectName(QStringLiteral("Color%1").arg(i));
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setFixedSize(kCellSize, kCellSize);
        button->setIcon(Swatch(kGridColors[static_cast<std::size_t>(i)]));
        button->setIconSize(QSize(kCellSize - 8, kCellSize - 8));
        colGrid_->addButton(button, i);
        grid->addWidget(button, i / 4, i % 4);
    }
    lblGrid_->setBuddy(colGrid_->button(0));

    auto* left = new QVBoxLayout;
    left->addWidget(lblItems_);
    left->addWidget(colItemList_, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(lblGrid_);
    right->addWidget(gridBox);
    right->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addLayout(left, 1);
    row->addLayout(right);
    Body()->addLayout(row);
    ApplyTexts();

    connect(colItemList_, &QListWidget::currentRowChanged, this, &TColSetupForm::ShowItem);
    connect(colGrid_, &QButtonGroup::idClicked, this, &TColSetupForm::ChooseColor);
    colItemList_->setCurrentRow(0);
    ShowItem(0);
}

void TColSetupForm::SetDefaultTexts()
{
    setWindowTitle(QStringLiteral("Colors Setup"));
    lblItems_->setText(QStringLiteral("Color &item"));
    lblGrid_->setText(QStringLiteral("&Color"));
    const char* const names[kColorCount] = {"Normal text",    "Date & time",      "Errors",           "Important info",
                                            "Sent files",     "Received files",   "Special",          "Background",
                                            "Incoming session", "Outgoing session", "BBS session",    "Failed session"};
    for (int i = 0; i < kColorCount; ++i)
        colItemList_->item(i)->setText(QString::fromLatin1(names[i]));
}

QAbstractButton* TColSetupForm::ColorButton(int index) const { return colGrid_->button(index); }

int TColSetupForm::MarkedColor() const { return colGrid_->checkedId(); }

void TColSetupForm::ShowItem(int item)
{
    if (item < 0 || item >= kColorCount)
        return;
    const TColor color = Settings().Colors[static_cast<std::size_t>(item)];
    // Marking is no choice: no signal, and a colour outside the grid marks none.
    const QSignalBlocker block(colGrid_);
    colGrid_->setExclusive(false);
    for (QAbstractButton* button : colGrid_->buttons())
        button->setChecked(false);
    colGrid_->setExclusive(true);
    for (int i = 0; i < static_cast<int>(kGridColors.size()); ++i)
        if (kGridColors[static_cast<std::size_t>(i)] == color)
            colGrid_->button(i)->setChecked(true);
}

void TColSetupForm::ChooseColor(int index)
{
    const int item = colItemList_->currentRow();
    if (item < 0 || item >= kColorCount || index < 0 || index >= static_cast<int>(kGridColors.size()))
        return;
    colGrid_->button(index)->setChecked(true);
    Settings().Colors[static_cast<std::size_t>(item)] = kGridColors[static_cast<std::size_t>(index)];
    if (apply_)
        apply_();
}

}  // namespace tarvix
