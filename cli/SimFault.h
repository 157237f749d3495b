#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "sim/Faults.h"

// A fault of the simulated board at one exchange, as --sim-fault KIND@EXCHANGE names it
// (KIND spelt as sim::LinkFaultNames spells it).
namespace cli {

struct SimFault {
    sim::LinkFault kind;
    std::size_t exchange;  // 1 is the first exchange of the run
};

struct ParsedSimFault {
    std::optional<SimFault> fault;
    std::string error;
};
ParsedSimFault ParseSimFault(std::string_view text);


}  // namespace cli
