// The log window: an MDI child of the main frame that shows one log and runs its
// analysis. This header is what the frame knows of it.
#pragma once

#include <QMdiSubWindow>
#include <QString>

#include <memory>

class QMdiArea;

namespace tarvix {

class TLog;

class TChildForm;

// Opens a log window for a log in the frame's MDI area and starts reading and
// analysing it; the log stays owned by its owner (the frame's LogList). Returns the
// window, already shown, once the analysis is over; nullptr when the window was
// closed while the log was read (the analysis then stopped). A window closed during
// its analysis closes when the analysis has returned.
TChildForm* OpenLogWindow(QMdiArea* area, TLog* log);

// The same for a temporary log (opened from a file, not registered): the window owns
// it and destroys it when it closes (see also TChildForm::TakeTemporaryLog).
TChildForm* OpenLogWindow(QMdiArea* area, std::unique_ptr<TLog> temporaryLog);

// The log window that shows a log, or nullptr.
TChildForm* FindLogWindow(QMdiArea* area, const TLog* log);

}  // namespace tarvix
