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
    for (const ExchangeFaultName& entry : ExchangeFaultNames) {
        if (kind == entry.name) {
            m_planned[exchangesSoFar + after + 1] = entry.fault;
            return {};
        }
    }
    std::string known;
    for (const ExchangeFaultName& entry : ExchangeFaultNames)
        known += std::string(known.empty() ? "" : ", ") + entry.name;
    return "fault \"" + text + "\": no such fault (" + known + ")";
}

std::optional<ExchangeFault> ExchangeFaultPlan::Take(uint64_t exchange)
{
    const auto it = m_planned.find(exchange);
    if (it == m_planned.end())
        return std::nullopt;
    const ExchangeFault fault = it->second;
    m_planned.erase(it);
    return fault;
}

}  // namespace uhid
