// The log text view: a read-only view of a log of any size.
//
// The view never copies the text into the widget. It keeps the bytes (a mapped file
// or a block in memory) and a line index, and paints only the lines on screen:
// each one decoded from the log's code page, its blank-delimited words coloured by
// the class the log gives them, tabs expanded, long lines cut to the part on
// screen. A gigabyte opens in the time its lines take to index and scrolls at once.
//
// Lines are numbered from 1, as the log's analysis numbers them; columns are byte
// offsets in the line, from 0. The caret and both ends of the selection are such
// (line, column) positions.
#pragma once

#include "engine/LineIndex.h"
#include "engine/TextFind.h"
#include "platform/CodePage.h"
#include "settings/Color.h"
#include "settings/Font.h"
#include "settings/SettingsStore.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QColor>
#include <QString>

#include <array>
#include <compare>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarvix {

class TMappedFile;

struct TTextPos {
    std::int64_t Line = 1;  // from 1
    std::int64_t Col = 0;   // byte offset in the line
    auto operator<=>(const TTextPos&) const = default;
};

class TLogView : public QAbstractScrollArea {
    Q_OBJECT
    Q_PROPERTY(qint64 caretLine READ CaretLine NOTIFY caretMoved)
    Q_PROPERTY(qint64 topLine READ TopLine WRITE SetTopLine NOTIFY topLineChanged)

public:
    // The colour class of a word being painted: the word's bytes, its line (from 1)
    // and its byte column (from 0). Words of a line are asked in order, from the
    // first; the result indexes the colour table (low 7 bits; others give Normal).
    using TWordClassFunc = std::function<int(std::string_view word, std::int64_t lineNo, int col)>;

    enum class TScrollMode { Visible, Centre, Top };

    struct TFindOptions {
        bool MatchCase = false;
        bool Backward = false;
    };

    // Words past this many bytes of a line are not asked for their class; they take
    // the class of the last word asked.
    static constexpr std::size_t kMaxHighlightBytes = std::size_t(1) << 16;

    explicit TLogView(QWidget* parent = nullptr);
    ~TLogView() override;

    // --- the text ---
    // The text of a file, mapped into memory. Raises the mapping's EInOutError.
    void OpenFile(const std::string& path, const TLineIndex::TProgress& progress = {});
    void SetMappedFile(std::shared_ptr<const TMappedFile> file, const TLineIndex::TProgress& progress = {});
    // A text held in memory by the view.
    void SetText(std::string text, const TLineIndex::TProgress& progress = {});
    // Bytes kept alive by `owner`, with their line index already built.
    void SetText(std::shared_ptr<const void> owner, std::string_view bytes, TLineIndex index);
    void Clear();

    std::string_view Bytes() const { return bytes_; }
    // What keeps the bytes alive: a search on another thread holds it while it runs.
    std::shared_ptr<const void> TextOwner() const { return owner_; }
    const TLineIndex& Index() const { return index_; }
    std::int64_t LineCount() const { return index_.LineCount(); }
    // The bytes of a line without its line end (empty outside 1..LineCount()).
    std::string_view LineBytes(std::int64_t line) const;
    // A line decoded.
    QString LineText(std::int64_t line) const;

    // --- display ---
    void SetCodePage(CodePage cp);
    CodePage GetCodePage() const { return codePage_; }
    // The colour table: Normal is the text, Background the background.
    void SetColors(const std::array<TColor, kColorCount>& colors);
    const std::array<TColor, kColorCount>& Colors() const { return colors_; }
    // The font; a face without fixed pitch gives way to the system's fixed-pitch face.
    void SetLogFont(const TFontSpec& spec);
    void SetHighlight(bool on);
    bool Highlight() const { return highlight_; }
    void SetWordClassFunc(TWordClassFunc func);
    // Forgets the classes of the lines on screen (the log's analysis changed them).
    void InvalidateHighlight();
    // The error mark: one line drawn in its own two colours; 0 for none.
    void SetMarkColors(TColor fore, TColor back);
    void SetMarkLine(std::int64_t line);
    void ClearMark() { SetMarkLine(0); }
    std::int64_t MarkLine() const { return markLine_; }
    qreal CharWidth() const { return charWidth_; }
    int LineHeight() const { return lineHeight_; }

    // --- caret and selection ---
    TTextPos CaretPos() const { return caret_; }
    std::int64_t CaretLine() const { return caret_.Line; }
    TTextPos Anchor() const { return anchor_; }
    TTextPos SelectionStart() const { return std::min(anchor_, caret_); }
    TTextPos SelectionEnd() const { return std::max(anchor_, caret_); }
    bool HasSelection() const { return anchor_ != caret_; }
    // Moves the caret; with keepAnchor the selection stretches from the anchor to it,
    // else it is empty. Positions are brought into the text; the caret is scrolled
    // into view.
    void SetCaretPos(TTextPos pos, bool keepAnchor = false);
    void SetSelection(TTextPos anchor, TTextPos caret);
    void SelectAll();
    // Length in bytes of the selected text, and the bytes themselves.
    std::uint64_t SelectionLength() const;
    std::string_view SelectedBytes() const;
    // The selection decoded, line ends as "\n".
    QString SelectedText() const;
    void CopyToClipboard() const;

    // --- scrolling and finding ---
    std::int64_t TopLine() const { return LineOfRow(topLine_); }
    void SetTopLine(std::int64_t line);
    // Lines that fit wholly on screen (at least 1).
    int VisibleLines() const;
    // The first column of the text on screen, in character cells.
    std::int64_t LeftCell() const { return leftCell_; }
    void SetLeftCell(std::int64_t cell);
    void ScrollToLine(std::int64_t line, TScrollMode mode = TScrollMode::Visible);
    // Caret to the start of a line (no selection) and the line into view.
    void GoToLine(std::int64_t line, TScrollMode mode = TScrollMode::Centre);
    // Looks for a text from the caret on (from the end of the selection) or, backward,
    // before the start of the selection. A match is selected and scrolled into view;
    // its start is the result. Nothing found leaves everything as it is.
    std::optional<TTextPos> Find(const QString& text, TFindOptions options);
    // The last search again, in its direction, or in the one given.
    std::optional<TTextPos> FindNext();
    std::optional<TTextPos> FindNext(bool backward);
    QString LastFindText() const { return findText_; }
    // The matches of a search are shown in the lines on screen; nullptr for none.
    void SetFindHighlight(std::shared_ptr<const TTextFind> find);

    // --- filter ---
    // Shows only the given lines (ascending, from 1) over the same text; nullptr
    // shows all. The caret keeps its line when that is shown.
    void SetFilter(std::shared_ptr<const std::vector<std::int64_t>> lines);
    bool Filtered() const { return shown_ != nullptr; }
    // Rows on screen are numbered from 1 over the lines shown.
    std::int64_t RowCount() const;
    std::int64_t LineOfRow(std::int64_t row) const;
    // The row of a line, or of the next line shown after it (the last row past them).
    std::int64_t RowOfLine(std::int64_t line) const;

    // Offsets in the text of a position, and back.
    std::uint64_t OffsetOf(TTextPos pos) const;
    TTextPos PosOfOffset(std::uint64_t offset) const;
    // The position under a point of the viewport.
    TTextPos PosAt(QPoint point) const;

    // The space before the text, in pixels.
    static constexpr int kMargin = 4;

signals:
    // F3 (backward with Shift): the window repeats its search.
    void findNextRequested(bool backward);
    void caretMoved(qint64 line);
    void selectionChanged();
    void topLineChanged(qint64 line);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    struct TWordSpan {
        std::uint32_t Start, End;  // columns
        int Class;
    };

    void ResetText();
    void SetTopRow(std::int64_t row);
    // The part of a line the view lays out (long lines cut at kMaxLayoutBytes).
    std::string_view LayoutBytes(std::int64_t line) const;
    std::uint64_t Relative(std::uint64_t offset) const { return offset - index_.BaseOffset(); }
    std::int64_t CellOf(TTextPos pos) const;
    void ApplySelection(TTextPos anchor, TTextPos caret, bool keepDesiredCell);
    void MoveVertically(std::int64_t lines, bool keepAnchor);
    TTextPos Clamped(TTextPos pos) const;
    void EnsureCaretVisible();
    void UpdateMetrics();
    void UpdateScrollBars();
    int VisibleCells() const;
    std::int64_t MaxTopLine() const;
    std::int64_t WidthCells() const;
    const std::vector<TWordSpan>& WordSpans(std::int64_t line, std::string_view bytes);
    void PaintLine(QPainter& painter, std::int64_t line, int y);
    QColor ClassColor(int cls) const;
    TTextPos NextWord(TTextPos pos) const;
    TTextPos PreviousWord(TTextPos pos) const;
    void DragTo(QPoint point);

    std::shared_ptr<const void> owner_;
    std::string_view bytes_;
    TLineIndex index_;

    CodePage codePage_;
    std::array<TColor, kColorCount> colors_;
    std::array<QColor, kColorCount> qcolors_;
    QColor selectionBack_;
    QColor selectionText_;
    QColor markFore_;
    QColor markBack_;
    std::int64_t markLine_ = 0;
    bool highlight_ = true;
    TWordClassFunc wordClass_;
    std::unordered_map<std::int64_t, std::vector<TWordSpan>> classCache_;

    qreal charWidth_ = 8;
    int lineHeight_ = 16;
    int ascent_ = 12;

    TTextPos caret_;
    TTextPos anchor_;
    std::int64_t desiredCell_ = -1;  // cell kept by up and down moves, -1: the caret's own
    std::int64_t topLine_ = 1;      // the row at the top (the line when nothing is filtered)
    std::shared_ptr<const std::vector<std::int64_t>> shown_;  // the lines a filter shows
    std::int64_t leftCell_ = 0;
    std::int64_t widestSeen_ = 0;    // widest line laid out, in cells
    std::int64_t scrollScale_ = 1;   // lines per vertical scroll bar step
    bool settingScrollBars_ = false;

    bool dragging_ = false;
    QPoint dragPoint_;
    QBasicTimer dragTimer_;

    QString findText_;
    TFindOptions findOptions_;
    std::shared_ptr<const TTextFind> findHl_;
    QColor matchBack_;
    QColor currentLineBack_;
};

}  // namespace tarvix
