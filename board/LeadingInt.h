#pragma once

#include <optional>
#include <string>

namespace board {

// The "%d" reading of a text: blanks, an optional sign, digits, the rest ignored; nullopt
// when it does not begin with a number. The pin number box and a blank board's serial
// number from the file text are both read this way.
std::optional<int> ParseLeadingInt(const std::string& text);

}  // namespace board
