#include "cli/SimFault.h"

#include <charconv>

namespace cli {

ParsedSimFault ParseSimFault(std::string_view text)
{
    const std::string quoted = "fault \"" + std::string(text) + "\"";
    const std::size_t at = text.find('@');
    if (at == std::string_view::npos)
        return {std::nullopt, quoted + ": write it KIND@EXCHANGE, for example no-reply@12"};
    const std::string_view kindText = text.substr(0, at);
    const std::string_view exchangeText = text.substr(at + 1);

    const std::optional<sim::LinkFault> kind = sim::LinkFaultNamed(kindText);
    if (!kind)
        return {std::nullopt, quoted + ": unknown kind \"" + std::string(kindText) + "\" (kinds: " +
                                  sim::LinkFaultList() + ")"};

    std::size_t exchange = 0;
    const auto [end, error] = std::from_chars(exchangeText.data(), exchangeText.data() + exchangeText.size(), exchange);
    if (error != std::errc() || end != exchangeText.data() + exchangeText.size() || exchange == 0)
        return {std::nullopt, quoted + ": the exchange is a number from 1 (the first exchange of the run)"};
    return {SimFault{*kind, exchange}, {}};
}

}  // namespace cli
