// The log window: an MDI child of the main frame that shows one log and runs its
// analysis. This header is what the frame knows of it.
#pragma once

#include <QMdiSubWindow>
#include <QString>

class QMdiArea;

namespace tarvix {

class TLog;

class TChildForm;

// Opens a log window for a log in the frame's MDI area and starts reading and
// analysing it; the log stays owned by its owner (the frame's LogList, or the
// window itself for a temporary log opened from a file, see TakeTemporaryLog).
// Returns the window, already shown.
TChildForm* OpenLogWindow(QMdiArea* area, TLog* log);

// The log window that shows a log, or nullptr.
TChildForm* FindLogWindow(QMdiArea* area, const TLog* log);

}  // namespace tarvix
