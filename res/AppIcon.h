#pragma once

#include <QIcon>

// The application icon (resource 128): the board with its FPGA, drawn at each size asked.
QIcon LoadAppIcon();
