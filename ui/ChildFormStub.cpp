// STAND-IN FOR THE LOG WINDOW (ui/TarvixC.cpp), so that the frame builds and its
// tests run on this branch: an empty MDI window titled with the log's name.
// It is dropped when the real log window is merged.
#include "ui/ChildForm.h"

#include "engine/Log.h"

#include <QLabel>
#include <QMdiArea>

namespace tarvix {

class TChildForm : public QMdiSubWindow, public TLogWindow {
public:
    explicit TChildForm(TLog* log) : log_(log)
    {
        setAttribute(Qt::WA_DeleteOnClose);
        const QString name = QString::fromStdString(log->Name);
        setWindowTitle(name);
        setWidget(new QLabel(name));
        log->Window = this;
    }
    ~TChildForm() override
    {
        if (log_->Window == this)
            log_->Window = nullptr;
    }
    void GoToLine(std::int64_t) override {}
    const TLog* Log() const { return log_; }

private:
    TLog* log_;
};

TChildForm* OpenLogWindow(QMdiArea* area, TLog* log)
{
    auto* form = new TChildForm(log);
    area->addSubWindow(form);
    form->resize(400, 250);
    form->show();
    return form;
}

TChildForm* FindLogWindow(QMdiArea* area, const TLog* log)
{
    for (QMdiSubWindow* sub : area->subWindowList())
        if (auto* form = dynamic_cast<TChildForm*>(sub); form && form->Log() == log)
            return form;
    return nullptr;
}

}  // namespace tarvix
