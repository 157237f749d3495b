#include "devicewatch/DeviceNotifyWatcher.h"

// clang-format off
#include <windows.h>
#include <dbt.h>
// clang-format on

#include <QCoreApplication>
#include <QWindow>
#include <cwchar>

#include "platform/windows/WideText.h"

namespace devicewatch {

using namespace boardlink;
using platform::windows::SystemMessage;
using platform::windows::Utf8;

namespace {

// The HID interface class ({4D1E55B2-F16F-11CF-88CB-001111000030}), as HidD_GetHidGuid gives it.
constexpr GUID HidInterfaceClass{0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

}  // namespace

std::optional<DeviceEvent> TranslateDeviceChange(uintptr_t event, const void* broadcast)
{
    if ((event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) || broadcast == nullptr)
        return std::nullopt;
    const auto* header = static_cast<const DEV_BROADCAST_HDR*>(broadcast);
    if (header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE || header->dbch_size < sizeof(DEV_BROADCAST_DEVICEINTERFACE_W))
        return std::nullopt;
    const auto* device = static_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(broadcast);
    // The name runs to the end of the broadcast: read no further than its size says, in case
    // the terminating zero is missing.
    const std::size_t nameBytes = header->dbch_size - offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    const std::wstring name(device->dbcc_name, wcsnlen(device->dbcc_name, nameBytes / sizeof(wchar_t)));
    if (name.empty())
        return std::nullopt;
    const uint32_t kind = event == DBT_DEVICEARRIVAL ? DeviceArrival : DeviceRemoveComplete;
    return DeviceEvent{kind, DeviceNotification{DeviceTypeInterface, Utf8(name)}};
}

std::unique_ptr<DeviceWatcher> NewSystemWatcher() { return std::make_unique<DeviceNotifyWatcher>(); }

DeviceNotifyWatcher::DeviceNotifyWatcher() = default;

DeviceNotifyWatcher::~DeviceNotifyWatcher() { Stop(); }

bool DeviceNotifyWatcher::Register(Handler handler)
{
    // A registration already in place keeps its window, so no message falls between the two
    // registrations; only the recipient changes.
    if (m_notification == nullptr) {
        // A window that is never shown: Windows sends device changes to a top-level window.
        m_window = std::make_unique<QWindow>();
        m_window->setFlag(Qt::Tool);
        m_window->create();
        DEV_BROADCAST_DEVICEINTERFACE_W filter{};
        filter.dbcc_size = sizeof(filter);
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = HidInterfaceClass;
        m_notification = RegisterDeviceNotificationW(reinterpret_cast<HWND>(m_window->winId()), &filter,
                                                     DEVICE_NOTIFY_WINDOW_HANDLE);
        if (m_notification == nullptr) {
            m_lastError = "RegisterDeviceNotification: " + SystemMessage(GetLastError());
            m_window.reset();
            m_handler = nullptr;
            return false;
        }
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    m_handler = std::move(handler);
    m_lastError.clear();
    return true;
}

void DeviceNotifyWatcher::Unregister()
{
    m_handler = nullptr;
    Stop();
}

void DeviceNotifyWatcher::Stop()
{
    if (m_notification == nullptr)
        return;
    if (QCoreApplication* application = QCoreApplication::instance())
        application->removeNativeEventFilter(this);
    UnregisterDeviceNotification(m_notification);
    m_notification = nullptr;
    // A handler may end the registration from inside the window's own message.
    if (m_dispatching > 0)
        m_window.release()->deleteLater();
    else
        m_window.reset();
}

uintptr_t DeviceNotifyWatcher::Window() const
{
    return m_notification != nullptr ? static_cast<uintptr_t>(m_window->winId()) : 0;
}

bool DeviceNotifyWatcher::nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result)
{
    if (eventType != "windows_generic_MSG" || m_notification == nullptr)
        return false;
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message != WM_DEVICECHANGE || msg->hwnd != reinterpret_cast<HWND>(m_window->winId()))
        return false;
    const std::optional<DeviceEvent> translated = TranslateDeviceChange(msg->wParam, reinterpret_cast<const void*>(msg->lParam));
    if (translated && m_handler) {
        // The handler may register anew (the board search does), replacing m_handler while
        // it runs: call a copy.
        const Handler handler = m_handler;
        ++m_dispatching;
        handler(translated->event, translated->notification);
        --m_dispatching;
    }
    // Windows takes TRUE as the answer to every device change broadcast.
    *result = TRUE;
    return true;
}

}  // namespace devicewatch
