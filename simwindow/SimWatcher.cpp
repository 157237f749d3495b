#include "simwindow/SimWatcher.h"

#include <QTimer>

namespace sim {

bool SimWatcher::Register(Handler handler)
{
    m_handler = std::move(handler);
    return true;
}

void SimWatcher::Unregister() { m_handler = nullptr; }

void SimWatcher::Notify(uint32_t event, const boardlink::DeviceNotification& notification)
{
    // Queued with the watcher as context: a watcher gone by then delivers nothing.
    QTimer::singleShot(0, this, [this, event, notification] {
        // The handler may register anew while it runs (an arrival finds the board again),
        // which replaces m_handler: call a copy.
        const Handler handler = m_handler;
        if (handler)
            handler(event, notification);
    });
}

}  // namespace sim
