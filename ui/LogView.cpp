#include "ui/LogView.h"

#include "platform/MappedFile.h"
#include "ui/LineCells.h"
#include "ui/QtConvert.h"
#include "ui/TextSearch.h"

#include <QClipboard>
#include <QMetaMethod>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimerEvent>

#include <algorithm>
#include <climits>
#include <cmath>

namespace tarvix {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The selection's colours: white on navy.
constexpr TColor kSelectionBack = clNavy;
constexpr TColor kSelectionText = clWhite;
// Interval of the scrolling while a selection is dragged past the edge.
constexpr int kDragScrollMs = 50;

}  // namespace

TLogView::TLogView(QWidget* parent)
    : QAbstractScrollArea(parent), codePage_(OemAnsi().Ansi()), colors_(kDefaultColors)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    selectionBack_ = ToQColor(kSelectionBack);
    selectionText_ = ToQColor(kSelectionText);
    SetColors(kDefaultColors);
    SetMarkColors(kDefaultColors[ciNormal], kDefaultColors[ciErrors]);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    UpdateMetrics();
}

TLogView::~TLogView() = default;

// ------------------------------------------------------------------ the text

void TLogView::OpenFile(const std::string& path, const TLineIndex::TProgress& progress)
{
    SetMappedFile(std::make_shared<const TMappedFile>(path), progress);
}

void TLogView::SetMappedFile(std::shared_ptr<const TMappedFile> file, const TLineIndex::TProgress& progress)
{
    if (!file) {
        Clear();
        return;
    }
    file->AdviseSequential();
    TLineIndex index = TLineIndex::Build(file->View(), progress);
    file->AdviseNormal();
    std::string_view bytes = file->View();
    SetText(std::move(file), bytes, std::move(index));
}

void TLogView::SetText(std::string text, const TLineIndex::TProgress& progress)
{
    auto held = std::make_shared<const std::string>(std::move(text));
    TLineIndex index = TLineIndex::Build(*held, progress);
    std::string_view bytes = *held;
    SetText(std::move(held), bytes, std::move(index));
}

void TLogView::SetText(std::shared_ptr<const void> owner, std::string_view bytes, TLineIndex index)
{
    // An index of other bytes would send every lookup astray: build the right one.
    if (index.EndOffset() - index.BaseOffset() != bytes.size())
        index = TLineIndex::Build(bytes);
    owner_ = std::move(owner);
    bytes_ = bytes;
    index_ = std::move(index);
    ResetText();
}

void TLogView::Clear()
{
    owner_.reset();
    bytes_ = {};
    index_ = TLineIndex();
    ResetText();
}

void TLogView::ResetText()
{
    const bool hadSelection = HasSelection();
    caret_ = anchor_ = TTextPos{};
    desiredCell_ = -1;
    topLine_ = 1;
    shown_.reset();
    leftCell_ = 0;
    widestSeen_ = 0;
    markLine_ = 0;
    classCache_.clear();
    UpdateScrollBars();
    viewport()->update();
    emit caretMoved(caret_.Line);
    emit topLineChanged(TopLine());
    if (hadSelection)
        emit selectionChanged();
}

std::string_view TLogView::LineBytes(std::int64_t line) const
{
    if (line < 1 || line > index_.LineCount())
        return {};
    std::uint64_t start = Relative(index_.LineStart(line - 1));
    std::uint64_t end = Relative(index_.LineEnd(line - 1));
    return bytes_.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

std::string_view TLogView::LayoutBytes(std::int64_t line) const
{
    return LineBytes(line).substr(0, kMaxLayoutBytes);
}

QString TLogView::LineText(std::int64_t line) const
{
    return QString::fromStdString(DecodeToUtf8(LineBytes(line), codePage_));
}

// ------------------------------------------------------------------ display

void TLogView::SetCodePage(CodePage cp)
{
    codePage_ = cp;
    widestSeen_ = 0;
    caret_ = Clamped(caret_);
    anchor_ = Clamped(anchor_);
    UpdateScrollBars();
    viewport()->update();
}

void TLogView::SetColors(const std::array<TColor, kColorCount>& colors)
{
    colors_ = colors;
    const QPalette pal = QGuiApplication::palette();
    for (int i = 0; i < kColorCount; ++i) {
        qcolors_[i] = ToQColor(colors[i]);
        if (!qcolors_[i].isValid())
            qcolors_[i] = pal.color(i == ciBackground ? QPalette::Base : QPalette::Text);
    }
    // The caret's line a shade towards the text colour, the matches of a search
    // a yellow between the two.
    auto mix = [](const QColor& a, const QColor& b, double t) {
        return QColor::fromRgbF(static_cast<float>(a.redF() * (1 - t) + b.redF() * t),
                                static_cast<float>(a.greenF() * (1 - t) + b.greenF() * t),
                                static_cast<float>(a.blueF() * (1 - t) + b.blueF() * t));
    };
    currentLineBack_ = mix(qcolors_[ciBackground], qcolors_[ciNormal], 0.08);
    matchBack_ = mix(qcolors_[ciBackground], QColor(0xFF, 0xD0, 0x00), 0.6);
    viewport()->update();
}

void TLogView::SetLogFont(const TFontSpec& spec)
{
    setFont(ToQFont(spec, true));
    UpdateMetrics();
}

void TLogView::SetHighlight(bool on)
{
    highlight_ = on;
    InvalidateHighlight();
}

void TLogView::SetWordClassFunc(TWordClassFunc func)
{
    wordClass_ = std::move(func);
    InvalidateHighlight();
}

void TLogView::InvalidateHighlight()
{
    classCache_.clear();
    viewport()->update();
}

void TLogView::SetMarkColors(TColor fore, TColor back)
{
    markFore_ = ToQColor(fore);
    markBack_ = ToQColor(back);
    if (!markFore_.isValid())
        markFore_ = qcolors_[ciNormal];
    if (!markBack_.isValid())
        markBack_ = qcolors_[ciErrors];
    viewport()->update();
}

void TLogView::SetMarkLine(std::int64_t line)
{
    markLine_ = line >= 1 && line <= LineCount() ? line : 0;
    viewport()->update();
}

void TLogView::UpdateMetrics()
{
    QFontMetricsF fmf(font());
    QFontMetrics fm(font());
    charWidth_ = std::max<qreal>(1, fmf.horizontalAdvance(QLatin1Char('M')));
    lineHeight_ = std::max(1, fm.lineSpacing());
    ascent_ = fm.ascent();
    UpdateScrollBars();
    viewport()->update();
}

void TLogView::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        UpdateMetrics();
}

// ------------------------------------------------------------------ scrolling

int TLogView::VisibleLines() const
{
    return std::max(1, viewport()->height() / lineHeight_);
}

int TLogView::VisibleCells() const
{
    return std::max(1, static_cast<int>((viewport()->width() - kMargin) / charWidth_));
}

std::int64_t TLogView::MaxTopLine() const
{
    return std::max<std::int64_t>(1, RowCount() - VisibleLines() + 1);
}

// ------------------------------------------------------------------ filter

std::int64_t TLogView::RowCount() const
{
    return shown_ ? static_cast<std::int64_t>(shown_->size()) : LineCount();
}

std::int64_t TLogView::LineOfRow(std::int64_t row) const
{
    if (!shown_)
        return row;
    if (shown_->empty())
        return 1;
    row = std::clamp<std::int64_t>(row, 1, static_cast<std::int64_t>(shown_->size()));
    return (*shown_)[static_cast<std::size_t>(row - 1)];
}

std::int64_t TLogView::RowOfLine(std::int64_t line) const
{
    if (!shown_)
        return line;
    const auto it = std::lower_bound(shown_->begin(), shown_->end(), line);
    return std::min<std::int64_t>(static_cast<std::int64_t>(it - shown_->begin()) + 1,
                                  std::max<std::int64_t>(1, static_cast<std::int64_t>(shown_->size())));
}

void TLogView::SetFilter(std::shared_ptr<const std::vector<std::int64_t>> lines)
{
    const std::int64_t caretLine = caret_.Line;
    shown_ = std::move(lines);
    classCache_.clear();
    topLine_ = 1;
    UpdateScrollBars();
    // The caret stays on its line when it is shown, else it goes to the next line shown.
    const TTextPos caret = Clamped(caret_);
    ApplySelection(caret.Line == caretLine ? anchor_ : caret, caret, false);
    ScrollToLine(caret_.Line, TScrollMode::Centre);
    viewport()->update();
    emit topLineChanged(TopLine());
}

std::int64_t TLogView::WidthCells() const
{
    std::int64_t bytes = static_cast<std::int64_t>(std::min<std::uint64_t>(index_.MaxLineLength(), kMaxLayoutBytes));
    // One cell more, for the caret after the end of the longest line.
    return std::max(bytes, widestSeen_) + 1;
}

void TLogView::UpdateScrollBars()
{
    settingScrollBars_ = true;
    const std::int64_t maxTop = MaxTopLine();
    topLine_ = std::clamp<std::int64_t>(topLine_, 1, maxTop);
    // More lines than a scroll bar counts: each step of the bar is several lines.
    scrollScale_ = 1 + (maxTop - 1) / (INT_MAX / 2);
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, static_cast<int>((maxTop - 1) / scrollScale_));
    v->setPageStep(std::max(1, static_cast<int>(VisibleLines() / scrollScale_)));
    v->setSingleStep(1);
    v->setValue(static_cast<int>((topLine_ - 1) / scrollScale_));

    const std::int64_t maxLeft = std::max<std::int64_t>(0, WidthCells() - VisibleCells());
    leftCell_ = std::clamp<std::int64_t>(leftCell_, 0, maxLeft);
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, static_cast<int>(maxLeft));
    h->setPageStep(VisibleCells());
    h->setSingleStep(1);
    h->setValue(static_cast<int>(leftCell_));
    settingScrollBars_ = false;
}

void TLogView::scrollContentsBy(int, int)
{
    if (settingScrollBars_)
        return;
    // The scroll bars moved: take the lines and cells they show.
    const int v = verticalScrollBar()->value();
    if ((topLine_ - 1) / scrollScale_ != v) {
        topLine_ = v == verticalScrollBar()->maximum() ? MaxTopLine() : std::int64_t(v) * scrollScale_ + 1;
        emit topLineChanged(TopLine());
    }
    leftCell_ = horizontalScrollBar()->value();
    viewport()->update();
}

void TLogView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    const std::int64_t top = topLine_;
    UpdateScrollBars();
    if (topLine_ != top)
        emit topLineChanged(TopLine());
}

void TLogView::SetTopLine(std::int64_t line)
{
    SetTopRow(RowOfLine(line));
}

void TLogView::SetTopRow(std::int64_t row)
{
    row = std::clamp<std::int64_t>(row, 1, MaxTopLine());
    if (row == topLine_)
        return;
    topLine_ = row;
    UpdateScrollBars();
    viewport()->update();
    emit topLineChanged(TopLine());
}

void TLogView::SetLeftCell(std::int64_t cell)
{
    cell = std::clamp<std::int64_t>(cell, 0, std::max<std::int64_t>(0, WidthCells() - VisibleCells()));
    if (cell == leftCell_)
        return;
    leftCell_ = cell;
    UpdateScrollBars();
    viewport()->update();
}

void TLogView::ScrollToLine(std::int64_t line, TScrollMode mode)
{
    const std::int64_t row = RowOfLine(std::clamp<std::int64_t>(line, 1, std::max<std::int64_t>(1, LineCount())));
    const int visible = VisibleLines();
    switch (mode) {
    case TScrollMode::Visible:
        if (row < topLine_)
            SetTopRow(row);
        else if (row >= topLine_ + visible)
            SetTopRow(row - visible + 1);
        break;
    case TScrollMode::Centre:
        SetTopRow(row - visible / 2);
        break;
    case TScrollMode::Top:
        SetTopRow(row);
        break;
    }
}

void TLogView::GoToLine(std::int64_t line, TScrollMode mode)
{
    TTextPos pos{std::clamp<std::int64_t>(line, 1, LineCount()), 0};
    ApplySelection(pos, pos, false);
    ScrollToLine(pos.Line, mode);
}

// ------------------------------------------------------------------ caret and selection

TTextPos TLogView::Clamped(TTextPos pos) const
{
    pos.Line = std::clamp<std::int64_t>(pos.Line, 1, LineCount());
    // A line the filter hides gives way to the next line shown.
    if (shown_ && !shown_->empty() && LineOfRow(RowOfLine(pos.Line)) != pos.Line) {
        pos.Line = LineOfRow(RowOfLine(pos.Line));
        pos.Col = 0;
    }
    std::string_view bytes = LineBytes(pos.Line);
    pos.Col = std::clamp<std::int64_t>(pos.Col, 0, static_cast<std::int64_t>(bytes.size()));
    pos.Col = static_cast<std::int64_t>(SnapColumn(bytes, codePage_, static_cast<std::size_t>(pos.Col)));
    return pos;
}

std::int64_t TLogView::CellOf(TTextPos pos) const
{
    // Columns past the laid-out part of a long line sit at its end.
    return CellOfColumn(LayoutBytes(pos.Line), codePage_, static_cast<std::size_t>(pos.Col));
}

void TLogView::ApplySelection(TTextPos anchor, TTextPos caret, bool keepDesiredCell)
{
    anchor = Clamped(anchor);
    caret = Clamped(caret);
    const TTextPos oldStart = SelectionStart(), oldEnd = SelectionEnd();
    const TTextPos oldCaret = caret_;
    anchor_ = anchor;
    caret_ = caret;
    if (!keepDesiredCell)
        desiredCell_ = -1;
    EnsureCaretVisible();
    viewport()->update();
    if (caret_ != oldCaret)
        emit caretMoved(caret_.Line);
    const bool wasEmpty = oldStart == oldEnd, isEmpty = !HasSelection();
    if (!(wasEmpty && isEmpty) && (oldStart != SelectionStart() || oldEnd != SelectionEnd()))
        emit selectionChanged();
}

void TLogView::SetCaretPos(TTextPos pos, bool keepAnchor)
{
    ApplySelection(keepAnchor ? anchor_ : pos, pos, false);
}

void TLogView::SetSelection(TTextPos anchor, TTextPos caret)
{
    ApplySelection(anchor, caret, false);
}

void TLogView::SelectAll()
{
    const std::int64_t last = LineCount();
    ApplySelection({1, 0}, {last, static_cast<std::int64_t>(LineBytes(last).size())}, false);
}

void TLogView::EnsureCaretVisible()
{
    ScrollToLine(caret_.Line, TScrollMode::Visible);
    const std::int64_t cell = CellOf(caret_);
    if (cell + 1 > widestSeen_) {
        widestSeen_ = cell + 1;
        UpdateScrollBars();
    }
    const std::int64_t cells = VisibleCells();
    if (cell < leftCell_)
        SetLeftCell(std::max<std::int64_t>(0, cell - cells / 4));
    else if (cell >= leftCell_ + cells)
        SetLeftCell(cell - cells + 1 + cells / 4);
}

std::uint64_t TLogView::OffsetOf(TTextPos pos) const
{
    pos.Line = std::clamp<std::int64_t>(pos.Line, 1, LineCount());
    const std::uint64_t length = index_.LineLength(pos.Line - 1);
    return Relative(index_.LineStart(pos.Line - 1)) +
           std::min<std::uint64_t>(static_cast<std::uint64_t>(std::max<std::int64_t>(pos.Col, 0)), length);
}

TTextPos TLogView::PosOfOffset(std::uint64_t offset) const
{
    const std::uint64_t abs = offset + index_.BaseOffset();
    const std::int64_t line = index_.LineOfOffset(abs);
    std::uint64_t col = abs - std::min(abs, index_.LineStart(line));
    col = std::min(col, index_.LineLength(line));
    return {line + 1, static_cast<std::int64_t>(col)};
}

std::uint64_t TLogView::SelectionLength() const
{
    return OffsetOf(SelectionEnd()) - OffsetOf(SelectionStart());
}

std::string_view TLogView::SelectedBytes() const
{
    const std::uint64_t start = OffsetOf(SelectionStart());
    return bytes_.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(OffsetOf(SelectionEnd()) - start));
}

QString TLogView::SelectedText() const
{
    const std::string text = DecodeToUtf8(SelectedBytes(), codePage_);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return QString::fromStdString(out);
}

void TLogView::CopyToClipboard() const
{
    if (HasSelection())
        QGuiApplication::clipboard()->setText(SelectedText());
}

TTextPos TLogView::PosAt(QPoint point) const
{
    const int row = point.y() < 0 ? -1 - (-point.y() - 1) / lineHeight_ : point.y() / lineHeight_;
    const std::int64_t line = LineOfRow(std::clamp<std::int64_t>(topLine_ + row, 1, std::max<std::int64_t>(1, RowCount())));
    const std::int64_t cell = std::max<std::int64_t>(0, leftCell_ + std::llround((point.x() - kMargin) / charWidth_));
    const std::size_t col = ColumnOfCell(LayoutBytes(line), codePage_, cell, true);
    return {line, static_cast<std::int64_t>(col)};
}

TTextPos TLogView::NextWord(TTextPos pos) const
{
    std::string_view bytes = LineBytes(pos.Line);
    std::size_t col = static_cast<std::size_t>(pos.Col);
    if (col >= bytes.size())
        return pos.Line < LineCount() ? TTextPos{pos.Line + 1, 0} : pos;
    // Over the rest of this word and the blanks after it, within a bounded stretch.
    const std::size_t limit = std::min(bytes.size(), col + kMaxLayoutBytes);
    while (col < limit && !IsBlank(bytes[col]))
        ++col;
    while (col < limit && IsBlank(bytes[col]))
        ++col;
    return {pos.Line, static_cast<std::int64_t>(col)};
}

TTextPos TLogView::PreviousWord(TTextPos pos) const
{
    std::string_view bytes = LineBytes(pos.Line);
    std::size_t col = std::min(static_cast<std::size_t>(pos.Col), bytes.size());
    if (col == 0)
        return pos.Line > 1 ? TTextPos{pos.Line - 1, static_cast<std::int64_t>(LineBytes(pos.Line - 1).size())} : pos;
    const std::size_t limit = col > kMaxLayoutBytes ? col - kMaxLayoutBytes : 0;
    while (col > limit && IsBlank(bytes[col - 1]))
        --col;
    while (col > limit && !IsBlank(bytes[col - 1]))
        --col;
    return {pos.Line, static_cast<std::int64_t>(col)};
}

void TLogView::MoveVertically(std::int64_t lines, bool keepAnchor)
{
    if (desiredCell_ < 0)
        desiredCell_ = CellOf(caret_);
    const std::int64_t line =
        LineOfRow(std::clamp<std::int64_t>(RowOfLine(caret_.Line) + lines, 1, std::max<std::int64_t>(1, RowCount())));
    const std::size_t col = ColumnOfCell(LayoutBytes(line), codePage_, desiredCell_);
    const TTextPos pos{line, static_cast<std::int64_t>(col)};
    ApplySelection(keepAnchor ? anchor_ : pos, pos, true);
}

// ------------------------------------------------------------------ finding

std::optional<TTextPos> TLogView::Find(const QString& text, TFindOptions options)
{
    findText_ = text;
    findOptions_ = options;
    TTextSearch search(text, codePage_, options.MatchCase);
    if (!search.Valid())
        return std::nullopt;
    const TTextSearch::TMatch match = options.Backward
                                          ? search.FindBackward(bytes_, OffsetOf(SelectionStart()))
                                          : search.FindForward(bytes_, OffsetOf(SelectionEnd()));
    if (!match.Found())
        return std::nullopt;
    const TTextPos start = PosOfOffset(match.Pos);
    ApplySelection(start, PosOfOffset(match.Pos + match.Length), false);
    return start;
}

void TLogView::SetFindHighlight(std::shared_ptr<const TTextFind> find)
{
    findHl_ = std::move(find);
    viewport()->update();
}

std::optional<TTextPos> TLogView::FindNext()
{
    return Find(findText_, findOptions_);
}

std::optional<TTextPos> TLogView::FindNext(bool backward)
{
    TFindOptions options = findOptions_;
    options.Backward = backward;
    return Find(findText_, options);
}

// ------------------------------------------------------------------ painting

QColor TLogView::ClassColor(int cls) const
{
    return qcolors_[static_cast<std::size_t>(cls >= 0 && cls < kColorCount ? cls : ciNormal)];
}

const std::vector<TLogView::TWordSpan>& TLogView::WordSpans(std::int64_t line, std::string_view bytes)
{
    auto it = classCache_.find(line);
    if (it != classCache_.end())
        return it->second;
    std::vector<TWordSpan> spans;
    const std::string_view text = bytes.substr(0, kMaxHighlightBytes);
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsBlank(text[i]))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && !IsBlank(text[i]))
            ++i;
        if (start == i)
            break;
        int cls = ciNormal;
        try {
            cls = wordClass_(text.substr(start, i - start), line, static_cast<int>(start)) & 0x7F;
        } catch (...) {
            // A failing decision paints the word plain; painting goes on.
            cls = ciNormal;
        }
        if (cls >= kColorCount)
            cls = ciNormal;
        spans.push_back({static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(i), cls});
    }
    return classCache_.emplace(line, std::move(spans)).first->second;
}

void TLogView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.setFont(font());
    const QRect area = event->rect();
    painter.fillRect(area, qcolors_[ciBackground]);
    painter.translate(kMargin, 0);
    const int firstRow = std::max(0, area.top() / lineHeight_);
    const int lastRow = area.bottom() / lineHeight_;
    const std::int64_t widest = widestSeen_;
    for (int row = firstRow; row <= lastRow; ++row) {
        if (topLine_ + row > RowCount())
            break;
        const std::int64_t line = LineOfRow(topLine_ + row);
        PaintLine(painter, line, row * lineHeight_);
    }
    // Keep the classes of the lines on screen only.
    const std::int64_t top = LineOfRow(topLine_);
    const std::int64_t bottom = LineOfRow(std::min(RowCount(), topLine_ + viewport()->height() / lineHeight_));
    for (auto it = classCache_.begin(); it != classCache_.end();) {
        if (it->first < top || it->first > bottom)
            it = classCache_.erase(it);
        else
            ++it;
    }
    if (widestSeen_ > widest)
        QMetaObject::invokeMethod(this, [this] { UpdateScrollBars(); }, Qt::QueuedConnection);
}

void TLogView::PaintLine(QPainter& painter, std::int64_t line, int y)
{
    const std::string_view bytes = LayoutBytes(line);
    const int cells = VisibleCells() + 1;
    const TLineCells lc = LayOutCells(bytes, codePage_, leftCell_, cells);
    const std::int64_t shownEnd = lc.FirstCell + static_cast<std::int64_t>(lc.Text.size());
    // A line that goes on past the screen widens the horizontal range as it is seen.
    widestSeen_ = std::max(widestSeen_, lc.EndCol < bytes.size() ? shownEnd + cells / 2 : shownEnd);

    const bool marked = line == markLine_;
    if (marked)
        painter.fillRect(QRect(-kMargin, y, viewport()->width(), lineHeight_), markBack_);
    else if (line == caret_.Line)
        painter.fillRect(QRect(-kMargin, y, viewport()->width(), lineHeight_), currentLineBack_);
    // The matches of the search in the part of the line on screen.
    if (findHl_ && !marked) {
        const std::string_view whole = LineBytes(line);
        const std::size_t shownTo = std::min<std::size_t>(whole.size(), std::size_t(lc.EndCol) + 256);
        for (std::size_t at = 0; at < shownTo;) {
            const TTextFind::TMatch m = findHl_->FindInLine(whole.substr(0, shownTo), at);
            if (!m.Found())
                break;
            const qreal x0 = (CellOf({line, static_cast<std::int64_t>(m.Pos)}) - leftCell_) * charWidth_;
            const qreal x1 = (CellOf({line, static_cast<std::int64_t>(m.Pos + m.Length)}) - leftCell_) * charWidth_;
            painter.fillRect(QRectF(x0, y, std::max<qreal>(x1 - x0, 2), lineHeight_), matchBack_);
            at = m.Pos + std::max<std::size_t>(m.Length, 1);
        }
    }
    const std::vector<TWordSpan>* spans = nullptr;
    if (!marked && highlight_ && wordClass_)
        spans = &WordSpans(line, LineBytes(line));

    // The selected columns of this line; past the end when the line end is selected.
    const TTextPos selStart = SelectionStart(), selEnd = SelectionEnd();
    std::uint64_t selA = 1, selB = 0;
    if (HasSelection() && line >= selStart.Line && line <= selEnd.Line) {
        selA = line == selStart.Line ? static_cast<std::uint64_t>(selStart.Col) : 0;
        selB = line == selEnd.Line ? static_cast<std::uint64_t>(selEnd.Col) : UINT64_MAX;
    }

    std::size_t span = 0;
    auto colorAt = [&](std::uint32_t col) -> QColor {
        if (marked)
            return markFore_;
        if (!spans || spans->empty())
            return qcolors_[ciNormal];
        if (col >= kMaxHighlightBytes)
            return ClassColor(spans->back().Class);
        while (span < spans->size() && (*spans)[span].End <= col)
            ++span;
        if (span < spans->size() && (*spans)[span].Start <= col)
            return ClassColor((*spans)[span].Class);
        return qcolors_[ciNormal];
    };

    const qreal baseline = y + ascent_;
    const std::size_t n = lc.Text.size();
    std::size_t i = 0;
    while (i < n) {
        const bool selected = lc.Cols[i] >= selA && lc.Cols[i] < selB;
        const QColor color = selected ? selectionText_ : colorAt(lc.Cols[i]);
        std::size_t j = i + 1;
        while (j < n) {
            const bool sel = lc.Cols[j] >= selA && lc.Cols[j] < selB;
            if (sel != selected || (!sel && colorAt(lc.Cols[j]) != color))
                break;
            ++j;
        }
        const qreal x = (lc.FirstCell + static_cast<std::int64_t>(i) - leftCell_) * charWidth_;
        if (selected)
            painter.fillRect(QRectF(x, y, (j - i) * charWidth_, lineHeight_), selectionBack_);
        painter.setPen(color);
        painter.drawText(QPointF(x, baseline), QString::fromUcs4(lc.Text.data() + i, static_cast<qsizetype>(j - i)));
        i = j;
    }
    // The selected line end shows as one selected cell after the text.
    if (selB > bytes.size() && selA <= bytes.size() && lc.EndCol >= bytes.size()) {
        const qreal x = (shownEnd - leftCell_) * charWidth_;
        painter.fillRect(QRectF(x, y, charWidth_, lineHeight_), selectionBack_);
    }

    if (line == caret_.Line) {
        const qreal x = (CellOf(caret_) - leftCell_) * charWidth_;
        if (x >= 0 && x < viewport()->width())
            painter.fillRect(QRectF(x, y, hasFocus() ? 2 : 1, lineHeight_), marked ? markFore_ : qcolors_[ciNormal]);
    }
}

void TLogView::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void TLogView::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

// ------------------------------------------------------------------ keys and mouse

void TLogView::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool shift = mods & Qt::ShiftModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    if (mods & (Qt::AltModifier | Qt::MetaModifier)) {
        event->ignore();  // Alt with the arrows belongs to the log window
        return;
    }
    if (event == QKeySequence::Copy || (ctrl && event->key() == Qt::Key_Insert)) {
        CopyToClipboard();
        return;
    }
    if (event == QKeySequence::SelectAll) {
        SelectAll();
        return;
    }
    auto moveTo = [&](TTextPos pos) { ApplySelection(shift ? anchor_ : pos, pos, false); };
    const std::int64_t page = std::max(1, VisibleLines() - 1);
    switch (event->key()) {
    case Qt::Key_Left:
        if (ctrl)
            moveTo(PreviousWord(caret_));
        else if (caret_.Col > 0)
            moveTo({caret_.Line, static_cast<std::int64_t>(
                                     PreviousColumn(LineBytes(caret_.Line), codePage_, static_cast<std::size_t>(caret_.Col)))});
        else if (RowOfLine(caret_.Line) > 1) {
            const std::int64_t prev = LineOfRow(RowOfLine(caret_.Line) - 1);
            moveTo({prev, static_cast<std::int64_t>(LineBytes(prev).size())});
        }
        else
            moveTo(caret_);
        break;
    case Qt::Key_Right: {
        const std::string_view bytes = LineBytes(caret_.Line);
        if (ctrl)
            moveTo(NextWord(caret_));
        else if (static_cast<std::size_t>(caret_.Col) < bytes.size())
            moveTo({caret_.Line, static_cast<std::int64_t>(NextColumn(bytes, codePage_, static_cast<std::size_t>(caret_.Col)))});
        else if (RowOfLine(caret_.Line) < RowCount())
            moveTo({LineOfRow(RowOfLine(caret_.Line) + 1), 0});
        else
            moveTo(caret_);
        break;
    }
    case Qt::Key_Up:
        if (ctrl)
            SetTopRow(topLine_ - 1);
        else
            MoveVertically(-1, shift);
        break;
    case Qt::Key_Down:
        if (ctrl)
            SetTopRow(topLine_ + 1);
        else
            MoveVertically(1, shift);
        break;
    case Qt::Key_PageUp:
        SetTopRow(topLine_ - page);
        MoveVertically(-page, shift);
        break;
    case Qt::Key_PageDown:
        SetTopRow(topLine_ + page);
        MoveVertically(page, shift);
        break;
    case Qt::Key_Home:
        moveTo(ctrl ? TTextPos{LineOfRow(1), 0} : TTextPos{caret_.Line, 0});
        break;
    case Qt::Key_End: {
        const std::int64_t line = ctrl ? LineOfRow(RowCount()) : caret_.Line;
        moveTo({line, static_cast<std::int64_t>(LineBytes(line).size())});
        break;
    }
    case Qt::Key_F3:
        if (ctrl)
            event->ignore();
        else if (isSignalConnected(QMetaMethod::fromSignal(&TLogView::findNextRequested)))
            emit findNextRequested(shift);
        else
            FindNext(shift);
        return;
    default:
        event->ignore();
        return;
    }
    event->accept();
}

void TLogView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const TTextPos pos = PosAt(event->position().toPoint());
    ApplySelection((event->modifiers() & Qt::ShiftModifier) ? anchor_ : pos, pos, false);
    dragging_ = true;
    dragPoint_ = event->position().toPoint();
}

void TLogView::DragTo(QPoint point)
{
    dragPoint_ = point;
    const TTextPos pos = PosAt(point);
    ApplySelection(anchor_, pos, false);
    const bool outside = point.y() < 0 || point.y() >= viewport()->height() || point.x() < 0 ||
                         point.x() >= viewport()->width();
    if (outside && !dragTimer_.isActive())
        dragTimer_.start(kDragScrollMs, this);
    else if (!outside)
        dragTimer_.stop();
}

void TLogView::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_ && (event->buttons() & Qt::LeftButton))
        DragTo(event->position().toPoint());
}

void TLogView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        dragging_ = false;
        dragTimer_.stop();
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void TLogView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // The word under the mouse.
    const TTextPos pos = PosAt(event->position().toPoint());
    const std::string_view bytes = LineBytes(pos.Line);
    std::size_t a = static_cast<std::size_t>(pos.Col), b = a;
    const std::size_t lo = a > kMaxLayoutBytes ? a - kMaxLayoutBytes : 0;
    const std::size_t hi = std::min(bytes.size(), a + kMaxLayoutBytes);
    while (a > lo && !IsBlank(bytes[a - 1]))
        --a;
    while (b < hi && !IsBlank(bytes[b]))
        ++b;
    ApplySelection({pos.Line, static_cast<std::int64_t>(a)}, {pos.Line, static_cast<std::int64_t>(b)}, false);
    dragging_ = false;
}

void TLogView::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != dragTimer_.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    if (!dragging_) {
        dragTimer_.stop();
        return;
    }
    // Dragging past an edge scrolls that way, a line or a few cells per tick.
    if (dragPoint_.y() < 0)
        SetTopRow(topLine_ - 1);
    else if (dragPoint_.y() >= viewport()->height())
        SetTopRow(topLine_ + 1);
    if (dragPoint_.x() < 0)
        SetLeftCell(leftCell_ - 4);
    else if (dragPoint_.x() >= viewport()->width())
        SetLeftCell(leftCell_ + 4);
    DragTo(dragPoint_);
}

}  // namespace tarvix
