// What the main frame tells the open windows when a program-wide setting changes.
//
// The frame sends a TSettingsChangedEvent to every side-file window (T-Mail and
// Argus) when the log font, the grid font or the colours change; a window re-applies
// the setting when it receives it. The log windows are told directly
// (TChildForm::ApplyFont, ApplyColours).
#pragma once

#include <QEvent>

namespace tarvix {

enum class TSettingsChange { LogFont, GridFont, Colors };

class TSettingsChangedEvent : public QEvent {
public:
    explicit TSettingsChangedEvent(TSettingsChange what) : QEvent(EventType()), what_(what) {}
    TSettingsChange What() const { return what_; }
    // The event type, registered with Qt on first use.
    static QEvent::Type EventType();

private:
    TSettingsChange what_;
};

}  // namespace tarvix
