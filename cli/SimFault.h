#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// A fault of the simulated board at one exchange, as --sim-fault KIND@EXCHANGE names it.
namespace cli {

enum class SimFaultKind {
    NoReply,         // the reply to the exchange is lost
    LateReply,       // the reply arrives after the read has given up
    FailedWrite,     // the command report cannot be written
    RefusedCommand,  // the board refuses the command
    Unplug,          // the board is unplugged before the exchange and stays away
    UnplugOnce,      // the board is away for this one exchange
    WrongStatus,     // the reply carries a status the command never answers with
};

struct SimFaultKindName {
    SimFaultKind kind;
    std::string_view name;
};
inline constexpr std::array<SimFaultKindName, 7> SimFaultKindNames = {{
    {SimFaultKind::NoReply, "no-reply"},
    {SimFaultKind::LateReply, "late-reply"},
    {SimFaultKind::FailedWrite, "failed-write"},
    {SimFaultKind::RefusedCommand, "refused-command"},
    {SimFaultKind::Unplug, "unplug"},
    {SimFaultKind::UnplugOnce, "unplug-once"},
    {SimFaultKind::WrongStatus, "wrong-status"},
}};

struct SimFault {
    SimFaultKind kind;
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
