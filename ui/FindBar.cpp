#include "ui/FindBar.h"

#include "engine/LineFilter.h"

#include "fido/Format.h"
#include "ui/LogView.h"
#include "ui/SpeedBar.h"
#include "ui/UiText.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>

#include <algorithm>
#include <QLineEdit>
#include <QProgressBar>
#include <QStyle>
#include <QToolButton>

namespace tarvix {

namespace {

constexpr int kProgressSteps = 1000;

}  // namespace

TFindBar::TFindBar(TLogView* view, QWidget* parent) : QWidget(parent), view_(view)
{
    setObjectName("FindBar");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    text_ = new QLineEdit(this);
    text_->setObjectName("EdtFind");
    text_->setClearButtonEnabled(true);
    regex_ = new QCheckBox(this);
    regex_->setObjectName("ChkRegex");
    matchCase_ = new QCheckBox(this);
    matchCase_->setObjectName("ChkMatchCase");
    auto tool = [this](const char* name, const QIcon& icon) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setIcon(icon);
        b->setAutoRaise(true);
        return b;
    };
    QStyle* s = style();
    prev_ = tool("BtnFindPrev", s->standardIcon(QStyle::SP_ArrowUp));
    next_ = tool("BtnFindNext", s->standardIcon(QStyle::SP_ArrowDown));
    info_ = new QLabel(this);
    info_->setObjectName("LblFindInfo");
    info_->setMinimumWidth(120);
    progress_ = new QProgressBar(this);
    progress_->setObjectName("FindProgress");
    progress_->setRange(0, kProgressSteps);
    progress_->setTextVisible(false);
    progress_->setFixedWidth(100);
    progress_->hide();
    stop_ = tool("BtnFindStop", s->standardIcon(QStyle::SP_BrowserStop));
    stop_->hide();
    close_ = tool("BtnFindClose", s->standardIcon(QStyle::SP_TitleBarCloseButton));
    filter_ = tool("BtnFilter", s->standardIcon(QStyle::SP_FileDialogContentsView));
    filter_->setCheckable(true);
    filter_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    filterNot_ = new QCheckBox(this);
    filterNot_->setObjectName("ChkFilterNot");

    for (QWidget* box : std::initializer_list<QWidget*>{regex_, matchCase_, filterNot_})
        box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    text_->setMinimumWidth(120);
    row->addWidget(text_, 2);
    row->addWidget(prev_);
    row->addWidget(next_);
    row->addWidget(regex_);
    row->addWidget(matchCase_);
    row->addWidget(filter_);
    row->addWidget(filterNot_);
    row->addWidget(progress_);
    row->addWidget(stop_);
    row->addWidget(info_, 1);
    row->addWidget(close_);

    connect(text_, &QLineEdit::textChanged, this, [this] { PatternChanged(); });
    connect(regex_, &QCheckBox::toggled, this, [this] { PatternChanged(); });
    connect(matchCase_, &QCheckBox::toggled, this, [this] { PatternChanged(); });
    connect(prev_, &QToolButton::clicked, this, [this] { FindNext(true); });
    connect(next_, &QToolButton::clicked, this, [this] { FindNext(false); });
    connect(stop_, &QToolButton::clicked, this, [this] { Stop(); });
    connect(close_, &QToolButton::clicked, this, [this] { Close(); });
    connect(filter_, &QToolButton::toggled, this, [this](bool on) { SetFilter(on); });
    connect(filterNot_, &QCheckBox::toggled, this, [this] { ReapplyFilter(); });
    ApplyTexts();
    hide();
}

TFindBar::~TFindBar()
{
    stopRequest_ = true;
    JoinWorker();
}

void TFindBar::ApplyTexts()
{
    text_->setPlaceholderText(UiKeyText("FindBar.Text", "Find in the log"));
    regex_->setText(UiKeyText("FindBar.Regex", "Regular e&xpression"));
    matchCase_->setText(UiKeyText("FindBar.MatchCase", "Match &case"));
    prev_->setToolTip(UiKeyText("FindBar.Prev", "Find previous (Shift+F3)"));
    next_->setToolTip(UiKeyText("FindBar.Next", "Find next (F3)"));
    stop_->setToolTip(UiKeyText("FindBar.Stop", "Stop the search"));
    close_->setToolTip(UiKeyText("FindBar.Close", "Close the find bar (Esc)"));
    filter_->setText(UiKeyText("FindBar.Filter", "&Filter"));
    filter_->setToolTip(UiKeyText("FindBar.FilterHint", "Show only the lines that match"));
    filterNot_->setText(UiKeyText("FindBar.FilterNot", "&Not matching"));
}

void TFindBar::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ApplyTexts();
}

TFindPattern TFindBar::Pattern() const
{
    return {text_->text().toStdString(), regex_->isChecked(), matchCase_->isChecked()};
}

void TFindBar::Open()
{
    if (view_ && view_->HasSelection() && view_->SelectionStart().Line == view_->SelectionEnd().Line &&
        view_->SelectionLength() <= 200)
        text_->setText(view_->SelectedText());
    show();
    text_->setFocus();
    text_->selectAll();
    PatternChanged();
}

void TFindBar::Close()
{
    Stop();
    if (filter_->isChecked())
        filter_->setChecked(false);
    hide();
    if (view_) {
        view_->SetFindHighlight(nullptr);
        view_->setFocus();
    }
    emit closed();
}

void TFindBar::ShowInfo(const QString& text, bool error)
{
    info_->setStyleSheet(error ? "color: #C00000" : QString());
    info_->setText(text);
    // The label grows to its longest text (it never shrinks, so the bar does not
    // jump about as the texts change); the pattern field gives way.
    info_->setMinimumWidth(std::max(info_->minimumWidth(), info_->fontMetrics().horizontalAdvance(text) + 4));
}

void TFindBar::PatternChanged()
{
    count_.reset();
    counted_ = false;
    Stop();
    ShowInfo(QString());
    if (!view_)
        return;
    auto find = std::make_shared<const TTextFind>(Pattern(), view_->GetCodePage());
    if (!find->Error().empty())
        ShowInfo(UiKeyText("FindBar.BadRegex", "Not a valid expression:") + " " + QString::fromStdString(find->Error()),
                 true);
    view_->SetFindHighlight(isVisible() && find->Valid() ? find : nullptr);
    if (FilterOn())
        ReapplyFilter();
}

bool TFindBar::FilterOn() const { return filter_->isChecked(); }

void TFindBar::SetFilter(bool on)
{
    if (filter_->isChecked() != on) {
        filter_->setChecked(on);  // comes back here through toggled
        return;
    }
    if (on) {
        ReapplyFilter();
        return;
    }
    Stop();
    if (view_) {
        view_->SetFilter(nullptr);
        view_->ScrollToLine(view_->CaretLine(), TLogView::TScrollMode::Centre);
    }
}

void TFindBar::ReapplyFilter()
{
    if (!FilterOn())
        return;
    if (!TTextFind(Pattern(), view_ ? view_->GetCodePage() : CodePage::CP866).Valid()) {
        // Nothing to filter by: all lines show until the pattern is whole again.
        Stop();
        if (view_)
            view_->SetFilter(nullptr);
        return;
    }
    Start(TJob::Filter, false);
}

void TFindBar::FindNext(bool backward)
{
    if (!isVisible())
        show();
    Start(TJob::Find, backward);
}

void TFindBar::JoinWorker()
{
    if (worker_.joinable())
        worker_.join();
}

void TFindBar::Stop()
{
    if (!worker_.joinable())
        return;
    stopRequest_ = true;
    JoinWorker();
    ++generation_;  // its result, if already posted, is dropped
    progress_->hide();
    stop_->hide();
}

void TFindBar::Wait()
{
    JoinWorker();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void TFindBar::Start(TJob job, bool backward)
{
    Stop();
    if (!view_)
        return;
    auto find = std::make_shared<const TTextFind>(Pattern(), view_->GetCodePage());
    if (!find->Valid()) {
        if (find->Error().empty() && !text_->text().isEmpty())
            ShowInfo(UiKeyText("FindBar.NotFound", "Not found"), true);
        return;
    }
    const std::shared_ptr<const void> owner = view_->TextOwner();
    const std::string_view text = view_->Bytes();
    const std::size_t from = static_cast<std::size_t>(view_->OffsetOf(view_->SelectionEnd()));
    const std::size_t before = static_cast<std::size_t>(view_->OffsetOf(view_->SelectionStart()));
    const std::uint64_t generation = ++generation_;
    stopRequest_ = false;
    finished_ = false;
    progress_->setValue(0);
    progress_->show();
    stop_->show();

    QPointer<QProgressBar> progress = progress_;
    // The line index stays the view's while the search runs: a new text (a followed
    // log read again) stops the search first.
    const TLineIndex* index = &view_->Index();
    const bool invert = filterNot_->isChecked();
    worker_ = std::thread([this, job, backward, find, owner, text, from, before, generation, progress, index, invert] {
        int shown = -1;
        // Searches that wrap report each part of the text in turn; the bar shows the whole.
        std::uint64_t base = 0;
        const std::uint64_t total = std::max<std::uint64_t>(1, text.size());
        auto report = [&](std::uint64_t done, std::uint64_t) {
            const int step = static_cast<int>((base + done) * kProgressSteps / total);
            if (step != shown) {
                shown = step;
                QMetaObject::invokeMethod(
                    progress,
                    [progress, step] {
                        if (progress)
                            progress->setValue(step);
                    },
                    Qt::QueuedConnection);
            }
            return !stopRequest_.load();
        };
        TTextFind::TMatch match;
        bool wrapped = false;
        std::uint64_t count = 0;
        std::shared_ptr<std::vector<std::int64_t>> lines;
        if (job == TJob::Filter) {
            // The filter's own callback is told the place in the whole text.
            auto found = FilterLines(text, *index, *find, invert, [&](std::uint64_t done, std::uint64_t) {
                base = 0;
                return report(done, total);
            });
            if (found)
                lines = std::make_shared<std::vector<std::int64_t>>(std::move(*found));
        } else if (job == TJob::Count) {
            count = find->Count(text, report);
        } else if (!backward) {
            match = find->FindForward(text, from, text.size(), report);
            if (!match.Found() && !find->Stopped() && from > 0) {
                base = text.size() - from;
                match = find->FindForward(text, 0, from, report);
                wrapped = match.Found();
            }
        } else {
            match = find->FindBackward(text, 0, before, report);
            if (!match.Found() && !find->Stopped() && before < text.size()) {
                base = before;
                match = find->FindBackward(text, before, text.size(), report);
                wrapped = match.Found();
            }
        }
        const bool stopped = job == TJob::Filter ? !lines : find->Stopped();
        finished_ = true;
        QMetaObject::invokeMethod(
            this,
            [this, job, generation, match, wrapped, count, stopped, lines] {
                Finished(job, generation, match, wrapped, count, stopped, lines);
            },
            Qt::QueuedConnection);
        (void)owner;  // the bytes stay mapped until the search is over
    });
}

void TFindBar::Finished(TJob job, std::uint64_t generation, TTextFind::TMatch match, bool wrapped, std::uint64_t count,
                        bool stopped, std::shared_ptr<std::vector<std::int64_t>> lines)
{
    if (generation != generation_ || !view_)
        return;
    JoinWorker();
    progress_->hide();
    stop_->hide();
    if (stopped) {
        ShowInfo(UiKeyText("FindBar.Stopped", "Search stopped"));
        return;
    }
    if (job == TJob::Filter) {
        view_->SetFilter(std::move(lines));
        ShowInfo(QString::fromStdString(Format(UiKeyText("FindBar.Lines", "%d lines shown").toStdString(),
                                               {static_cast<long long>(view_->RowCount())})));
        return;
    }
    if (job == TJob::Count) {
        count_ = count;
        ShowInfo(InfoText());
        return;
    }
    wrapped_ = wrapped;
    if (!match.Found()) {
        ShowInfo(UiKeyText("FindBar.NotFound", "Not found"), true);
        return;
    }
    view_->SetSelection(view_->PosOfOffset(match.Pos), view_->PosOfOffset(match.Pos + match.Length));
    if (!counted_) {
        // The first find of a pattern counts its matches afterwards.
        counted_ = true;
        Start(TJob::Count, false);
    }
    ShowInfo(InfoText());
}

QString TFindBar::InfoText() const
{
    QString info = wrapped_ ? UiKeyText("FindBar.Wrapped", "Wrapped around the log") : QString();
    const QString more = count_
                             ? QString::fromStdString(Format(UiKeyText("FindBar.Matches", "%d matches").toStdString(),
                                                             {static_cast<long long>(*count_)}))
                         : Running() ? UiKeyText("FindBar.Counting", "counting...")
                                     : QString();
    if (!more.isEmpty())
        info += (info.isEmpty() ? QString() : QString("; ")) + more;
    return info;
}

void TFindBar::keyPressEvent(QKeyEvent* event)
{
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    switch (event->key()) {
        case Qt::Key_Escape:
            Close();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_F3:
            FindNext(shift);
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

}  // namespace tarvix
