// The windows that show the analysis of a mailer log beside its log window: the
// session list, the file-request list, the timeline, the dial statistics and the
// session information card. The log window opens them, keeps them in step with its
// caret, records which were open when it closes or re-reads, and opens those again
// after the next analysis.
//
// Each such window registers a factory for its kind; a kind without one is simply
// offered: the log window keeps its commands for it disabled.
#pragma once

#include <QPointer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

namespace tarvix {

class TChildForm;

enum class TAnalysisKind { SessList, FreqList, Timeline, DialStat, SessInfo };
inline constexpr int kAnalysisKindCount = 5;
inline constexpr std::array<TAnalysisKind, kAnalysisKindCount> kAnalysisKinds = {
    TAnalysisKind::SessList, TAnalysisKind::FreqList, TAnalysisKind::Timeline, TAnalysisKind::DialStat,
    TAnalysisKind::SessInfo};

// The suffix of the settings section of a kind (after the log's name): ".SessList",
// ".FreqList", ".Timeline", ".DialStat", ".SessInfo".
std::string_view AnalysisSectionSuffix(TAnalysisKind kind);

// What the log window tells an analysis window. The widget is its MDI child; it is
// deleted when it closes, which empties the log window's reference to it.
class TAnalysisWindow {
public:
    virtual ~TAnalysisWindow() = default;
    virtual QWidget* Widget() = 0;
    // The caret entered another day (timeline, dial statistics).
    virtual void ShowDay(long day) { (void)day; }
    // The caret entered another session; -1 for none (session list, session card).
    virtual void ShowSession(long session) { (void)session; }
    // Whether the log window's previous and next session commands can move.
    virtual void SetSessButtons(bool prev, bool next) { (void)prev, (void)next; }
    virtual void ApplyColours() {}
    virtual void ApplyGridFont() {}
    // The log's analysis went on over lines appended to it: the window shows what they
    // added, keeping its selection and scroll (at the end if it was there). False
    // where it cannot: the log window opens it anew.
    virtual bool LogGrown() { return false; }
};

// Where a window opens: the caret line, the day and the session to show (-1 none)
// and the state of the session buttons. Restored: the window is opened again with
// the saved desktop after an analysis, not by the user at the caret.
struct TAnalysisRequest {
    std::int64_t Line = 1;
    long Day = 0;
    long Session = -1;
    bool PrevSess = false;
    bool NextSess = false;
    bool Restored = false;
};

// Creates and shows the window of a kind for a log window; nullptr when it cannot.
using TAnalysisFactory = std::function<TAnalysisWindow*(TChildForm& owner, const TAnalysisRequest& request)>;

// Registers (or, with an empty function, removes) the factory of a kind.
void RegisterAnalysisWindow(TAnalysisKind kind, TAnalysisFactory factory);
const TAnalysisFactory& AnalysisFactory(TAnalysisKind kind);

}  // namespace tarvix
