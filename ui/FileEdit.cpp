#include "ui/FileEdit.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

namespace tarvix {

namespace {

TFileEdit::TPickAnswer& PickAnswer()
{
    static TFileEdit::TPickAnswer answer;
    return answer;
}

}  // namespace

QStringList QtNameFilters(const QString& filter)
{
    QStringList out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (QString p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            p = p.trimmed();
            // "*.*" is every file, also one without a dot in its name.
            if (p == QLatin1String("*.*"))
                p = QStringLiteral("*");
            if (!p.isEmpty())
                patterns << p;
        }
        if (!patterns.isEmpty())
            out << QStringLiteral("%1 (%2)").arg(parts[i].trimmed(), patterns.join(QLatin1Char(' ')));
    }
    return out;
}

TFileEdit::TFileEdit(TMode mode, QWidget* parent) : QWidget(parent), mode_(mode)
{
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("Edit"));
    button_ = new QToolButton(this);
    button_->setObjectName(QStringLiteral("BtnPick"));
    button_->setText(QStringLiteral("..."));
    button_->setFocusPolicy(Qt::TabFocus);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(edit_, 1);
    layout->addWidget(button_);
    setFocusProxy(edit_);
    connect(edit_, &QLineEdit::textChanged, this, &TFileEdit::TextChanged);
    connect(edit_, &QLineEdit::editingFinished, this, &TFileEdit::EditingFinished);
    connect(button_, &QToolButton::clicked, this, &TFileEdit::Pick);
}

QString TFileEdit::Text() const { return edit_->text(); }

void TFileEdit::SetText(const QString& text) { edit_->setText(text); }

void TFileEdit::SetPickAnswer(TPickAnswer answer) { PickAnswer() = std::move(answer); }

void TFileEdit::Pick()
{
    std::optional<QString> chosen;
    if (PickAnswer()) {
        chosen = PickAnswer()(*this);
    } else {
        // The picker starts where the field points.
        const QString current = edit_->text().trimmed();
        QString start;
        if (!current.isEmpty()) {
            const QFileInfo info(current);
            start = mode_ == fmDirectory && info.isDir() ? info.absoluteFilePath() : info.absolutePath();
        }
        QString name;
        if (mode_ == fmDirectory)
            name = QFileDialog::getExistingDirectory(this, title_, start);
        else
            name = QFileDialog::getOpenFileName(this, title_, start, QtNameFilters(filter_).join(QStringLiteral(";;")));
        if (!name.isEmpty())
            chosen = QDir::toNativeSeparators(name);
    }
    if (!chosen)
        return;
    edit_->setText(*chosen);
    edit_->setFocus();
    emit Picked(*chosen);
}

}  // namespace tarvix
