#pragma once

#include <QIcon>

// The application icon: the board with its FPGA, drawn at each size asked.
QIcon LoadAppIcon();
