#pragma once

#include <QIcon>
#include <QPixmap>

// The application icon: the board with its FPGA, drawn at each size asked.
QIcon LoadAppIcon();
// The icon drawn at one size (pixels square); the package's icon theme files are made from it.
QPixmap DrawAppIcon(int size);
