#pragma once

#include <optional>

// The header positions of the board tests over the JTAG boundary-scan chain.
namespace board {

// The first header position that carries the FPGA pin, if any.
std::optional<int> FindHeaderPosition(int pinNumber);

}  // namespace board
