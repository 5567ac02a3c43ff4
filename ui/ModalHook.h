// Modal dialogs that the windows open themselves (goto line, save as, ...) run
// through here, so that tests can answer them without an event loop that waits
// for a user.
#pragma once

#include <functional>

class QDialog;

namespace tarvix {

// Shows a dialog modally and returns its result: QDialog::exec, or what the runner
// installed by SetModalRunner answers (it may fill in and press the dialog's
// controls itself).
int ExecModal(QDialog& dialog);

// Installs a runner for every following ExecModal; an empty function restores exec.
void SetModalRunner(std::function<int(QDialog&)> runner);

}  // namespace tarvix
