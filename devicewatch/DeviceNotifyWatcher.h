#pragma once

#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "devicewatch/DeviceEvent.h"

class QWindow;

namespace devicewatch {

// The notification for one WM_DEVICECHANGE message: the arrival (DBT_DEVICEARRIVAL) or
// removal (DBT_DEVICEREMOVECOMPLETE) of a device interface, whose path is dbcc_name in UTF-8,
// the path the board search lists for it. A Windows interface path names the device
// instance itself, so the path alone tells the board from another device and no identity
// is given. Every other message, event or broadcast type gives none.
std::optional<DeviceEvent> TranslateDeviceChange(uintptr_t event, const void* broadcast);

// Arrival and removal of HID interfaces from Windows: a hidden window of the program's own is
// registered with RegisterDeviceNotification for the HID interface class, and its
// WM_DEVICECHANGE messages are taken from Qt's native event filter on the UI thread.
class DeviceNotifyWatcher final : public DeviceWatcher, private QAbstractNativeEventFilter {
public:
    DeviceNotifyWatcher();
    ~DeviceNotifyWatcher() override;
    DeviceNotifyWatcher(const DeviceNotifyWatcher&) = delete;
    DeviceNotifyWatcher& operator=(const DeviceNotifyWatcher&) = delete;

    bool Register(Handler handler) override;
    void Unregister() override;

    // Why the last Register failed, for a log line or a skipped test; empty otherwise.
    const std::string& LastError() const { return m_lastError; }
    // The window the notifications go to (an HWND), while registered; 0 otherwise.
    uintptr_t Window() const;

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    void Stop();

    Handler m_handler;
    std::unique_ptr<QWindow> m_window;
    void* m_notification = nullptr;  // HDEVNOTIFY
    int m_dispatching = 0;           // depth of handler calls in progress
    std::string m_lastError;
};

}  // namespace devicewatch
