// The column setup dialog of the list windows (the session list and the dial
// statistics): three pages, chosen by tabs at the bottom. "Columns" edits copies
// of the window's columns (heading, type, on screen with its width in pixels, in
// reports with its width in characters, alignment, separator; added, removed, and
// moved by dragging); "Highlight" holds the addresses and masks whose rows are
// drawn in bold, one per line, "!" in front excluding; "Report" holds the report
// template and the code page.
//
// The dialog only edits; the window applies the result (RunColumnSetup).
#pragma once

#include "settings/Column.h"
#include "ui/HelpWindow.h"

#include <QDialog>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace tarvix {

class TAddrList;
class TFileEdit;
class TRadioGroup;

class TSLSetupForm : public QDialog {
    Q_OBJECT

public:
    static constexpr int kHelpContext = hcColumnSetup;
    enum TPage { pgColumns, pgHighlight, pgReport };

    // A dialog over copies of `columns` (made through `factory`), the highlight
    // list and the report settings, with column `select` chosen (none when it is
    // no column).
    TSLSetupForm(const QString& caption, const QStringList& typeNames, const TColumnFactory& factory,
                 const TColumnList& columns, const TAddrList& highlight, const TReportSettings& report,
                 int select, QWidget* parent = nullptr);
    ~TSLSetupForm() override;

    // --- the result ---
    // Whether a column was changed, added, removed or moved.
    bool ColumnsChanged() const { return changed_; }
    // The edited columns, handed over (once).
    TColumnList TakeColumns();
    // The memo's lines, blanks at both ends removed, empty ones left out.
    std::vector<std::string> HighlightLines() const;
    // The template file and code page of the report page.
    void GetReport(TReportSettings& report) const;

    // --- editing, as the controls do it (and the tests) ---
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    const TColumn& Column(int index) const { return *columns_.at(static_cast<std::size_t>(index)); }
    int Selected() const;
    void SelectColumn(int index);
    void AddColumn();
    void RemoveColumn();
    // Moves a column to another place (dropping an item; `to` = count: the end).
    void MoveColumn(int from, int to);
    // The index of the first memo line that is no address or mask, -1 when all are.
    int InvalidHighlightLine() const;

    QTabWidget* Pages() const { return pages_; }
    QListWidget* ColumnList() const { return list_; }
    QLineEdit* HeadingEdit() const { return heading_; }
    QComboBox* TypeCombo() const { return type_; }
    QLineEdit* ScrWidthEdit() const { return scrWidth_; }
    QLineEdit* FileWidthEdit() const { return fileWidth_; }
    QPlainTextEdit* HighlightMemo() const { return memo_; }
    TRadioGroup* CodepageGroup() const { return codepage_; }
    TFileEdit* TemplateEdit() const { return template_; }

    void done(int result) override;

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildColumnsPage();
    QWidget* BuildHighlightPage(const TAddrList& highlight);
    QWidget* BuildReportPage(const TReportSettings& report);
    void ApplyTexts();
    TColumn* Current();
    void ShowColumn();
    void Renumber();
    QString ItemText(int index) const;
    void StoreWidth(QLineEdit* edit, int TColumn::* field);

    QString caption_;
    QStringList typeNames_;
    TColumnFactory factory_;
    std::vector<std::unique_ptr<TColumn>> columns_;
    bool changed_ = false;
    bool filling_ = false;

    QTabWidget* pages_ = nullptr;
    QListWidget* list_ = nullptr;
    QLineEdit* heading_ = nullptr;
    QComboBox* type_ = nullptr;
    QCheckBox* screen_ = nullptr;
    QLineEdit* scrWidth_ = nullptr;
    QCheckBox* file_ = nullptr;
    QLineEdit* fileWidth_ = nullptr;
    TRadioGroup* align_ = nullptr;
    QCheckBox* sep_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
    TFileEdit* template_ = nullptr;
    TRadioGroup* codepage_ = nullptr;
    std::vector<QWidget*> labels_;
};

}  // namespace tarvix
