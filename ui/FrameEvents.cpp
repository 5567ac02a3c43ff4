#include "ui/FrameEvents.h"

namespace tarvix {

QEvent::Type TSettingsChangedEvent::EventType()
{
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

}  // namespace tarvix
