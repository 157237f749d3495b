#pragma once

#include <QObject>

#include "link/DeviceWatcher.h"

namespace sim {

// The simulated board's plug and unplug, delivered like the platform's device notifications:
// queued to the user-interface thread, to whoever registered last.
class SimWatcher final : public QObject, public boardlink::DeviceWatcher {
    Q_OBJECT
public:
    bool Register(Handler handler) override;
    void Unregister() override;
    void Notify(uint32_t event, const boardlink::DeviceNotification& notification);

private:
    Handler m_handler;
};

}  // namespace sim
