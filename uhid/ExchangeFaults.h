#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "sim/Faults.h"

// Faults of one exchange between the host and the virtual board, carried out in real time on
// the real device: a reply that never comes or comes too late, a refusal, an unplug. A write
// that fails is not among them: uhid takes every output report the host writes.
namespace uhid {

// The faults are the simulated board's (sim/Faults.h), spelt as it spells them; a failed
// write is the one a uhid device cannot make, so it is refused here.
using ExchangeFault = sim::LinkFault;

// Whether the virtual board can make the fault.
constexpr bool CanMake(ExchangeFault fault) { return fault != ExchangeFault::WriteFails; }

// Which exchanges get which fault, counted from the board's start (the first exchange is 1).
class ExchangeFaultPlan {
public:
    // "KIND" or "KIND:AFTER": the fault hits the exchange after AFTER more exchanges
    // (0, the default, is the next one) counted from exchangesSoFar. Returns the reason
    // when the text is refused, else empty.
    std::string Add(const std::string& text, uint64_t exchangesSoFar);
    // The fault planned for this exchange, which is then taken off the plan.
    std::optional<ExchangeFault> Take(uint64_t exchange) { return m_planned.Take(exchange); }

private:
    sim::FaultPlan m_planned;
};

}  // namespace uhid
