#include "boards/BoardName.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace boards {
namespace {

constexpr std::string_view SerialPrefix = "TRK_";

bool AllDigits(std::string_view text)
{
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
           });
}

}  // namespace

ParsedBoardName ParseBoardName(std::string_view text)
{
    if (text.empty())
        return {std::nullopt, "an empty board name"};
    std::string_view digits = text;
    if (StartsWithIgnoringCase(text, SerialPrefix))
        digits = text.substr(SerialPrefix.size());
    if (!AllDigits(digits)) {
        // "TRK_" followed by something other than a number is a mistyped serial number,
        // never a node.
        if (digits.size() != text.size())
            return {std::nullopt, "board \"" + std::string(text) + "\": TRK_ must be followed by a number"};
        return {BoardName{std::nullopt, std::string(text)}, {}};
    }
    // At most five digits after leading zeros: a longer number is out of range whatever it is.
    const std::size_t firstSignificant = std::min(digits.find_first_not_of('0'), digits.size());
    const std::string_view significant = digits.substr(firstSignificant);
    const unsigned long value = significant.size() > 5 ? 65536ul : std::stoul("0" + std::string(significant));
    if (value > 65535)
        return {std::nullopt, "board \"" + std::string(text) + "\": serial numbers go from 0 to 65535"};
    return {BoardName{static_cast<uint16_t>(value), {}}, {}};
}

std::string SerialText(std::optional<uint16_t> serial)
{
    if (!serial)
        return "TRK_?????";
    char text[16];
    std::snprintf(text, sizeof text, "TRK_%05u", static_cast<unsigned>(*serial));
    return text;
}

bool NodeMatches(std::string_view typed, std::string_view boardNode)
{
    if (typed == boardNode)
        return true;
    const std::size_t slash = boardNode.rfind('/');
    return slash != std::string_view::npos && typed == boardNode.substr(slash + 1);
}

}  // namespace boards
