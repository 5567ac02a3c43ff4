// The log window's find dialog: the text to look for, whether case matters and the
// direction. It stays open beside the log (not modal); each "Find next" looks for
// the text in the log view from the caret on, and F3 in the view repeats the search.
#pragma once

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tarvix {

class TLogView;

class TFindDialog : public QDialog {
    Q_OBJECT

public:
    explicit TFindDialog(TLogView* view, QWidget* parent = nullptr);

    // Looks for the text once; false (and the message "FindDlg.NotFound") when it is
    // not there between the caret and the end (or the start, upwards).
    bool FindNext();

    QLineEdit* TextEdit() const { return text_; }
    QCheckBox* MatchCaseBox() const { return matchCase_; }
    QRadioButton* UpButton() const { return up_; }
    QRadioButton* DownButton() const { return down_; }
    QPushButton* FindNextButton() const { return findNext_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void ApplyTexts();
    void UpdateButtons();

    QPointer<TLogView> view_;
    QLineEdit* text_;
    QCheckBox* matchCase_;
    QRadioButton* up_;
    QRadioButton* down_;
    QPushButton* findNext_;
    QPushButton* cancel_;
};

}  // namespace tarvix
