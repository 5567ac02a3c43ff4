// The log window's find bar: a text or regular expression, match case, next and
// previous with wrap-around, the number of matches, and the matches on screen
// highlighted in the view.
//
// A search looks through the whole log (a gigabyte and more), so it runs on a
// thread of its own over the view's bytes (kept alive by the search while it
// runs), with a progress bar and a Stop button; the interface stays live. One
// search runs at a time: a new one stops the one before.
#pragma once

#include "engine/TextFind.h"

#include <QPointer>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QToolButton;

namespace tarvix {

class TLogView;

class TFindBar : public QWidget {
    Q_OBJECT

public:
    explicit TFindBar(TLogView* view, QWidget* parent = nullptr);
    ~TFindBar() override;

    // Shows the bar with the focus in the text (the selection of one line taken in).
    void Open();
    // Hides the bar, stops a search, drops the highlight and gives the view the focus.
    void Close();

    // Starts a search from the selection, forward or backward, wrapping at the end
    // of the text. Returns at once; Wait() waits for the result (tests).
    void FindNext(bool backward = false);
    // Stops the running search; its result is dropped.
    void Stop();
    bool Running() const { return worker_.joinable() && !finished_; }
    // Waits until the running search has ended and its result was applied.
    void Wait();

    // The view's text or code page changed: the highlight and count start anew.
    void Refresh() { PatternChanged(); }

    // The pattern as the bar's fields give it.
    TFindPattern Pattern() const;
    // The number of matches of the latest count, nullopt while none was made.
    std::optional<std::uint64_t> MatchCount() const { return count_; }
    // The last search wrapped around the end (or the start) of the text.
    bool Wrapped() const { return wrapped_; }

    QLineEdit* TextEdit() const { return text_; }
    QCheckBox* RegexBox() const { return regex_; }
    QCheckBox* MatchCaseBox() const { return matchCase_; }
    QLabel* InfoLabel() const { return info_; }
    QToolButton* StopButton() const { return stop_; }
    QToolButton* FilterButton() const { return filter_; }
    QCheckBox* FilterNotBox() const { return filterNot_; }

    // The filter: the view shows only the lines that match (or, with "not", those
    // that do not). Worked out on the search thread; turning it off keeps the caret
    // on its line. Applied again after the text changed (a followed log).
    void SetFilter(bool on);
    bool FilterOn() const;
    void ReapplyFilter();

signals:
    void closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    enum class TJob { Find, Count, Filter };
    void ApplyTexts();
    void PatternChanged();
    void Start(TJob job, bool backward);
    void JoinWorker();
    void Finished(TJob job, std::uint64_t generation, TTextFind::TMatch match, bool wrapped, std::uint64_t count,
                  bool stopped, std::shared_ptr<std::vector<std::int64_t>> lines);
    void ShowInfo(const QString& text, bool error = false);
    // Whether the last find wrapped, and the count of matches (or that it runs).
    QString InfoText() const;

    QPointer<TLogView> view_;
    QLineEdit* text_;
    QCheckBox* regex_;
    QCheckBox* matchCase_;
    QToolButton* prev_;
    QToolButton* next_;
    QLabel* info_;
    QProgressBar* progress_;
    QToolButton* stop_;
    QToolButton* close_;
    QToolButton* filter_;
    QCheckBox* filterNot_;

    std::thread worker_;
    std::atomic<bool> stopRequest_{false};
    std::atomic<bool> finished_{true};
    std::uint64_t generation_ = 0;  // counts the searches started; a late result of an old one is dropped
    std::optional<std::uint64_t> count_;
    bool counted_ = false;  // the count of the current pattern was asked for
    bool wrapped_ = false;
};

}  // namespace tarvix
