// The "Goto line" dialog of the log window: a line number from 1 to the number of
// lines of the log. The dialog closes only with such a number in its field, by
// whichever button; otherwise it says which numbers it takes and stays open.
#pragma once

#include <QDialog>

#include <cstdint>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tarvix {

class TGotoLineForm : public QDialog {
    Q_OBJECT

public:
    // The field starts with the current line.
    TGotoLineForm(std::int64_t lineCount, std::int64_t currentLine, QWidget* parent = nullptr);

    std::int64_t LineCount() const { return lineCount_; }
    // The number in the field when it is a whole number from 1 to the line count.
    std::optional<std::int64_t> LineNumber() const;

    QLineEdit* Edit() const { return edit_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

    // Refuses to close (message 163) unless the field holds a valid number.
    void done(int result) override;

protected:
    void changeEvent(QEvent* event) override;

private:
    void ApplyTexts();

    std::int64_t lineCount_;
    QLabel* label_;
    QLineEdit* edit_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

// A whole number from 1 to lineCount written in text (blanks around it allowed).
std::optional<std::int64_t> ParseLineNumber(std::string_view text, std::int64_t lineCount);

}  // namespace tarvix
