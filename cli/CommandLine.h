#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/Options.h"

namespace cli {

inline constexpr const char* ProgramName = "tarvik-cli";

struct ParsedCommandLine {
    std::optional<Options> options;  // none when the run ends here (help, version, error)
    int exitCode = 0;
};

// Parses the arguments (without the program name). Help and version go to out, errors to
// err; both end the run.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace cli
