#pragma once

#include <cstdint>

#include "link/DeviceWatcher.h"

class MainWindowHost;

// The main window's reaction to a device arrival or removal: the board's removal blanks
// its texts and makes the next exchange search; its arrival logs at once, then reads the
// information block and checks the JTAG chain with the board (the window's RunOnBoard) and
// shows both once they have ended. Call it only while nothing else uses the board. Returns
// true in every case.
bool HandleDeviceChange(MainWindowHost& window, uint32_t event, const boardlink::DeviceNotification& data);
