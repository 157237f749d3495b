#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace cli {

// The whole program for the arguments after its name; returns the exit status.
// progressShown: whether progress bars may be drawn (standard error is a terminal).
int RunProgram(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progressShown);

}  // namespace cli
