#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "sim/SimBackend.h"

// A fault of the simulated board at one exchange, as --sim-fault KIND@EXCHANGE names it.
namespace cli {

// The simulated board's link faults by the names the command line gives them.
struct SimFaultKindName {
    sim::LinkFault kind;
    std::string_view name;
};
inline constexpr std::array<SimFaultKindName, 7> SimFaultKindNames = {{
    {sim::LinkFault::NoReply, "no-reply"},
    {sim::LinkFault::LateReply, "late-reply"},
    {sim::LinkFault::WriteFails, "failed-write"},
    {sim::LinkFault::Refused, "refused-command"},
    {sim::LinkFault::Unplug, "unplug"},
    {sim::LinkFault::DropOut, "unplug-once"},
    {sim::LinkFault::GarbledStatus, "wrong-status"},
}};

struct SimFault {
    sim::LinkFault kind;
    std::size_t exchange;  // 1 is the first exchange of the run
};

struct ParsedSimFault {
    std::optional<SimFault> fault;
    std::string error;
};
ParsedSimFault ParseSimFault(std::string_view text);

// "no-reply, late-reply, ..." for help and error texts.
std::string SimFaultKindList();

}  // namespace cli
