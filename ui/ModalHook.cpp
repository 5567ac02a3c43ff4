#include "ui/ModalHook.h"

#include <QDialog>

namespace tarvix {

namespace {

std::function<int(QDialog&)>& Runner()
{
    static std::function<int(QDialog&)> runner;
    return runner;
}

}  // namespace

int ExecModal(QDialog& dialog)
{
    if (Runner())
        return Runner()(dialog);
    return dialog.exec();
}

void SetModalRunner(std::function<int(QDialog&)> runner) { Runner() = std::move(runner); }

}  // namespace tarvix
