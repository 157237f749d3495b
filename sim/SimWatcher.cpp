#include "sim/SimWatcher.h"

#include <QCoreApplication>
#include <QTimer>

namespace sim {

bool SimWatcher::Register(Handler handler)
{
    m_handler = std::move(handler);
    ++m_registrations;
    return true;
}

void SimWatcher::Unregister() { m_handler = nullptr; }

void SimWatcher::Notify(uint32_t event, const std::string& devicePath)
{
    QTimer::singleShot(0, QCoreApplication::instance(), [this, event, devicePath] {
        if (m_handler)
            m_handler(event, {usbio::DeviceTypeInterface, devicePath});
    });
}

}  // namespace sim
