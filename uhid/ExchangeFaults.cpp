#include "uhid/ExchangeFaults.h"

#include <charconv>

namespace uhid {

std::string ExchangeFaultPlan::Add(const std::string& text, uint64_t exchangesSoFar)
{
    const std::size_t colon = text.find(':');
    const std::string kind = text.substr(0, colon);
    uint64_t after = 0;
    if (colon != std::string::npos) {
        const char* first = text.data() + colon + 1;
        const char* last = text.data() + text.size();
        const auto [end, error] = std::from_chars(first, last, after);
        if (first == last || error != std::errc() || end != last)
            return "fault \"" + text + "\": \"" + std::string(first, last) + "\" is not a count of exchanges";
    }
    const std::optional<ExchangeFault> fault = sim::LinkFaultNamed(kind);
    if (fault && CanMake(*fault)) {
        m_planned.Add(*fault, exchangesSoFar + after + 1);
        return {};
    }
    std::string known;
    for (const sim::LinkFaultName& entry : sim::LinkFaultNames)
        if (CanMake(entry.fault))
            known += std::string(known.empty() ? "" : ", ") + std::string(entry.name);
    return "fault \"" + text + "\": no such fault (" + known + ")";
}

}  // namespace uhid
