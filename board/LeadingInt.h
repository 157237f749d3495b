#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace board {

// The "%d" reading of a text: blanks, an optional sign, digits, the rest ignored; nullopt
// when it does not begin with a number. The pin number box and a blank board's serial
// number from the file text are both read this way.
std::optional<int> ParseLeadingInt(const std::string& text);

// The number a blank board takes from a file text (the window's file box, the tool's file
// name as typed): the number the text begins with, as "%d" reads it, kept to 16 bits; none
// when the text begins with no number.
std::optional<uint16_t> SerialFromFileText(const std::string& text);

}  // namespace board
