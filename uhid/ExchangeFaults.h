#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

// Faults of one exchange between the host and the virtual board, carried out in real time on
// the real device: a reply that never comes or comes too late, a refusal, an unplug. A write
// that fails is not among them: uhid takes every output report the host writes.
namespace uhid {

enum class ExchangeFault {
    NoReply,     // the command is carried out, its reply is lost
    LateReply,   // the command is carried out, its reply comes after the host's time limit
    Refused,     // the board answers 'E' and carries out nothing
    GarbledStatus,  // the command is carried out, its reply's status byte is damaged
    Unplug,      // the board is unplugged as the command arrives and stays away
    DropOut,     // the board is unplugged as the command arrives and plugged in again at once
    Hang,        // the board carries out nothing and answers nothing from this command on
};

struct ExchangeFaultName {
    ExchangeFault fault;
    const char* name;
    const char* help;
};
inline constexpr ExchangeFaultName ExchangeFaultNames[] = {
    {ExchangeFault::NoReply, "no-reply", "the command is carried out, its reply is lost"},
    {ExchangeFault::LateReply, "late-reply", "the command is carried out, its reply comes after --late-ms"},
    {ExchangeFault::Refused, "refused", "the board answers 'E' and carries out nothing"},
    {ExchangeFault::GarbledStatus, "garbled-status", "the command is carried out, its reply's status byte is damaged"},
    {ExchangeFault::Unplug, "unplug", "the board is unplugged as the command arrives and stays away"},
    {ExchangeFault::DropOut, "drop-out", "the board is unplugged as the command arrives and plugged in again"},
    {ExchangeFault::Hang, "hang", "the board answers nothing from this command on"},
};

// Which exchanges get which fault, counted from the board's start (the first exchange is 1).
class ExchangeFaultPlan {
public:
    // "KIND" or "KIND:AFTER": the fault hits the exchange after AFTER more exchanges
    // (0, the default, is the next one) counted from exchangesSoFar. Returns the reason
    // when the text is refused, else empty.
    std::string Add(const std::string& text, uint64_t exchangesSoFar);
    // The fault planned for this exchange, which is then taken off the plan.
    std::optional<ExchangeFault> Take(uint64_t exchange);

private:
    std::map<uint64_t, ExchangeFault> m_planned;
};

}  // namespace uhid
