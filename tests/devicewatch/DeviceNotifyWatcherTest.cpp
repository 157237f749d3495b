#include "devicewatch/DeviceNotifyWatcher.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <cstring>
#include <vector>

#include "app/MainDlg.h"
#include "res/DialogTemplate.h"
#include "res/resource.h"
#include "sim/SimBackend.h"
#include "support/WhenModalOpens.h"

// Last: windows.h defines IDOK and IDCANCEL as macros, which the dialogs' ids are named after.
// clang-format off
#include <windows.h>
#include <dbt.h>
// clang-format on

using namespace boardlink;
using namespace devicewatch;

namespace {

// The board's interface path as Windows gives it in a listing, and as WM_DEVICECHANGE gives
// it: in upper case.
const char* const BoardPath = "\\\\?\\hid#vid_0925&pid_1299#7&1a2b3c4d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
const wchar_t* const BoardPathAsNotified =
    L"\\\\?\\HID#VID_0925&PID_1299#7&1A2B3C4D&0&0000#{4D1E55B2-F16F-11CF-88CB-001111000030}";

// A device-interface broadcast as Windows builds it: the header, then the name and its zero.
std::vector<std::byte> InterfaceBroadcast(const std::wstring& name, DWORD type = DBT_DEVTYP_DEVICEINTERFACE)
{
    const std::size_t size = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + (name.size() + 1) * sizeof(wchar_t);
    std::vector<std::byte> bytes(std::max(size, sizeof(DEV_BROADCAST_DEVICEINTERFACE_W)));
    auto* broadcast = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(bytes.data());
    broadcast->dbcc_size = static_cast<DWORD>(size);
    broadcast->dbcc_devicetype = type;
    std::memcpy(broadcast->dbcc_name, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
    return bytes;
}

TEST(DeviceNotifyWatcher, InterfaceArrivalAndRemovalBecomeNotificationsAndNothingElseDoes)
{
    const std::vector<std::byte> board = InterfaceBroadcast(BoardPathAsNotified);
    for (const auto& [event, kind] : {std::pair<uintptr_t, uint32_t>{DBT_DEVICEARRIVAL, DeviceArrival},
                                      {DBT_DEVICEREMOVECOMPLETE, DeviceRemoveComplete}}) {
        const std::optional<DeviceEvent> translated = TranslateDeviceChange(event, board.data());
        ASSERT_TRUE(translated) << event;
        EXPECT_EQ(translated->event, kind);
        EXPECT_EQ(translated->notification.deviceType, DeviceTypeInterface);
        EXPECT_EQ(translated->notification.devicePath,
                  "\\\\?\\HID#VID_0925&PID_1299#7&1A2B3C4D&0&0000#{4D1E55B2-F16F-11CF-88CB-001111000030}");
        EXPECT_TRUE(translated->notification.deviceIdentity.empty());
    }
    // A name outside ASCII arrives as UTF-8.
    const std::optional<DeviceEvent> wide = TranslateDeviceChange(DBT_DEVICEARRIVAL, InterfaceBroadcast(L"\\\\?\\hid#\u00e4").data());
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->notification.devicePath, "\\\\?\\hid#\xC3\xA4");

    // Events that are not an arrival or a removal, broadcasts of another kind, an empty name
    // and a broadcast too short to hold a name give nothing.
    std::vector<std::byte> tooShort = board;
    reinterpret_cast<DEV_BROADCAST_HDR*>(tooShort.data())->dbch_size = sizeof(DEV_BROADCAST_HDR);
    EXPECT_FALSE(TranslateDeviceChange(DBT_DEVNODES_CHANGED, board.data()));
    EXPECT_FALSE(TranslateDeviceChange(DBT_DEVICEQUERYREMOVE, board.data()));
    EXPECT_FALSE(TranslateDeviceChange(DBT_DEVICEARRIVAL, InterfaceBroadcast(L"E:\\", DBT_DEVTYP_VOLUME).data()));
    EXPECT_FALSE(TranslateDeviceChange(DBT_DEVICEARRIVAL, InterfaceBroadcast(L"").data()));
    EXPECT_FALSE(TranslateDeviceChange(DBT_DEVICEARRIVAL, tooShort.data()));
    EXPECT_FALSE(TranslateDeviceChange(DBT_DEVICEARRIVAL, nullptr));
}

// The main window on the simulated board at a Windows interface path, with the system's
// watcher: WM_DEVICECHANGE messages sent to the watcher's window go through Windows and Qt's
// native event filter to the window.
class WindowsMainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        board.Plug(BoardPath);
        dlg = std::make_unique<CMainDlg>(board, &watcher);
        dlg->InitDialog();
        dlg->show();
        // The window registers for notifications once the board is found, from its event loop.
        QCoreApplication::processEvents();
        ASSERT_NE(watcher.Window(), 0u) << "Windows refused the device notifications: " << watcher.LastError();
    }
    void TearDown() override { dlg.reset(); }

    void Send(WPARAM event, const std::wstring& path)
    {
        const std::vector<std::byte> broadcast = InterfaceBroadcast(path);
        const LRESULT answer = SendMessageW(reinterpret_cast<HWND>(watcher.Window()), WM_DEVICECHANGE, event,
                                            reinterpret_cast<LPARAM>(broadcast.data()));
        EXPECT_EQ(answer, TRUE) << "every device change is answered TRUE";
    }
    std::string Box(int id) const { return dlg->Item<QLineEdit>(id)->text().toStdString(); }
    std::string LastLog() const { return dlg->ActivityLog->item(dlg->ActivityLog->count() - 1)->text().toStdString(); }

    sim::SimBackend board;
    DeviceNotifyWatcher watcher;
    std::unique_ptr<CMainDlg> dlg;
};

TEST_F(WindowsMainWindow, DetachBlanksTheBoxesAndAttachFillsThemAgain)
{
    ASSERT_EQ(Box(IDC_SERIAL), "TRK_00042");
    // Another device's removal is not the board's.
    Send(DBT_DEVICEREMOVECOMPLETE, L"\\\\?\\HID#VID_046D&PID_C077#7&0&0&0000#{4D1E55B2-F16F-11CF-88CB-001111000030}");
    EXPECT_EQ(Box(IDC_SERIAL), "TRK_00042");

    board.Unplug();
    Send(DBT_DEVICEREMOVECOMPLETE, BoardPathAsNotified);
    EXPECT_NE(LastLog().find("Morvane FPGA board detached"), std::string::npos) << LastLog();
    for (int box : {IDC_SERIAL, IDC_LASTPROGRAMMED, IDC_FILE, IDC_CYCLES})
        EXPECT_EQ(Box(box), "<unknown>") << box;

    board.Board().WriteInfoBlock({300, 3, 15, 6, 14, 5, 9, 7, "x.rbf"});
    board.Plug(BoardPath);
    Send(DBT_DEVICEARRIVAL, BoardPathAsNotified);
    dlg->Worker().WaitUntilIdle();
    EXPECT_EQ(Box(IDC_SERIAL), "TRK_00300");
    EXPECT_EQ(Box(IDC_FILE), "x.rbf");
    EXPECT_EQ(Box(IDC_CYCLES), "7");
}

TEST_F(WindowsMainWindow, AboutIsInTheSystemMenuAndOpensTheAboutBox)
{
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(dlg->winId()), FALSE);
    ASSERT_NE(menu, nullptr);
    wchar_t text[64] = {};
    ASSERT_GT(GetMenuStringW(menu, IDM_ABOUTBOX, text, 64, MF_BYCOMMAND), 0);
    EXPECT_EQ(QString::fromWCharArray(text).toStdString(), res::AboutBoxMenuText);

    std::string caption;
    WhenModalOpens<QDialog>([&](QDialog* about) {
        caption = about->windowTitle().toStdString();
        about->reject();
    });
    SendMessageW(reinterpret_cast<HWND>(dlg->winId()), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    EXPECT_EQ(caption, "About Tarvik");
}

}  // namespace
