// A text field for a file or directory name with a button that opens the file or
// directory picker. Typing and picking both change the text; a choice made in the
// picker is also announced (Picked), so that the dialog around can treat it as a
// finished entry.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

class QLineEdit;
class QToolButton;

namespace tarvix {

class TFileEdit : public QWidget {
    Q_OBJECT
    // The picker's filter in the form "Log Files|*.log|All Files|*.*" (pairs of a
    // description and patterns separated by ";"), and its title. The language
    // file sets them by these names.
    Q_PROPERTY(QString filter READ Filter WRITE SetFilter)
    Q_PROPERTY(QString dialogTitle READ DialogTitle WRITE SetDialogTitle)

public:
    enum TMode { fmFile, fmDirectory };

    explicit TFileEdit(TMode mode, QWidget* parent = nullptr);

    TMode Mode() const { return mode_; }
    QString Text() const;
    void SetText(const QString& text);
    QLineEdit* Edit() const { return edit_; }
    QToolButton* Button() const { return button_; }

    QString Filter() const { return filter_; }
    void SetFilter(const QString& filter) { filter_ = filter; }
    QString DialogTitle() const { return title_; }
    void SetDialogTitle(const QString& title) { title_ = title; }

    // Opens the picker at the file or directory in the field; a choice replaces the
    // text and is announced by Picked.
    void Pick();

    // The picker answered without asking (tests): the chosen name, or nothing for
    // Cancel. An empty function restores the picker.
    using TPickAnswer = std::function<std::optional<QString>(const TFileEdit& edit)>;
    static void SetPickAnswer(TPickAnswer answer);

signals:
    void TextChanged(const QString& text);
    // Enter, or the focus left the field.
    void EditingFinished();
    void Picked(const QString& name);

private:
    TMode mode_;
    QLineEdit* edit_;
    QToolButton* button_;
    QString filter_;
    QString title_;
};

// The name filters of a QFileDialog for a filter of the form
// "Log Files|*.log|All Files|*.*": "Log Files (*.log)", "All Files (*)". A
// description without patterns is left out.
QStringList QtNameFilters(const QString& filter);

}  // namespace tarvix
