#include "sim/Faults.h"

namespace sim {

std::string_view LinkFaultSpelling(LinkFault fault)
{
    for (const LinkFaultName& entry : LinkFaultNames)
        if (entry.fault == fault)
            return entry.name;
    return "?";
}

std::optional<LinkFault> LinkFaultNamed(std::string_view name)
{
    for (const LinkFaultName& entry : LinkFaultNames)
        if (entry.name == name)
            return entry.fault;
    return std::nullopt;
}

std::string LinkFaultList()
{
    std::string list;
    for (const LinkFaultName& entry : LinkFaultNames)
        list += std::string(list.empty() ? "" : ", ") + std::string(entry.name);
    return list;
}

std::optional<LinkFault> FaultPlan::Take(uint64_t exchange)
{
    const auto it = m_planned.find(exchange);
    if (it == m_planned.end())
        return std::nullopt;
    const LinkFault fault = it->second;
    m_planned.erase(it);
    return fault;
}

}  // namespace sim
