#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

// The faults of one exchange between the program and a board, one model for every simulated
// board: the one behind SimBackend (tests, tarvik-sim, tarvik-cli --sim-fault) and the one
// behind a real device made through uhid (tarvik-uhid-board).
namespace sim {

// What can go wrong with one exchange, as a real board and its cable can make it go wrong.
enum class LinkFault {
    NoReply,        // the command is carried out, its reply is lost
    LateReply,      // the command is carried out, its reply arrives after the read gave up
    WriteFails,     // the output report does not go out; the board stays attached
    Refused,        // the board answers 'E' and carries out nothing
    GarbledStatus,  // the command is carried out, the reply's status byte is damaged
    Unplug,         // the board is unplugged as the command is sent, and stays away
    DropOut,        // the board is away for this exchange only, then attached again
    Hang,           // the board carries out nothing and answers nothing from this command on
};

// Each fault's one spelling, as the command lines and the test names give it.
struct LinkFaultName {
    LinkFault fault;
    std::string_view name;
    std::string_view help;
};
inline constexpr LinkFaultName LinkFaultNames[] = {
    {LinkFault::NoReply, "no-reply", "the command is carried out, its reply is lost"},
    {LinkFault::LateReply, "late-reply", "the command is carried out, its reply comes after the read gave up"},
    {LinkFault::WriteFails, "failed-write", "the command does not go out; the board stays attached"},
    {LinkFault::Refused, "refused", "the board answers 'E' and carries out nothing"},
    {LinkFault::GarbledStatus, "garbled-status", "the command is carried out, its reply's status byte is damaged"},
    {LinkFault::Unplug, "unplug", "the board is unplugged as the command arrives and stays away"},
    {LinkFault::DropOut, "drop-out", "the board is unplugged as the command arrives and plugged in again"},
    {LinkFault::Hang, "hang", "the board answers nothing from this command on"},
};

std::string_view LinkFaultSpelling(LinkFault fault);
std::optional<LinkFault> LinkFaultNamed(std::string_view name);
// "no-reply, late-reply, ..." for help and error texts.
std::string LinkFaultList();

// Which exchanges get which fault, by the exchange's number (the first exchange is 1).
class FaultPlan {
public:
    void Add(LinkFault fault, uint64_t exchange) { m_planned[exchange] = fault; }
    // The fault planned for this exchange, which is then taken off the plan.
    std::optional<LinkFault> Take(uint64_t exchange);
    bool Empty() const { return m_planned.empty(); }

private:
    std::map<uint64_t, LinkFault> m_planned;
};

}  // namespace sim
