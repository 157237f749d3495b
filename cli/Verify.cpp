#include "cli/Verify.h"

#include <algorithm>

namespace cli {

std::optional<std::vector<uint8_t>> ExpectedConfigArea(const std::string& file)
{
    std::vector<uint8_t> area(ConfigAreaBytes, 0xFF);
    if (!ReadConfigFile(file, std::span(area).first(ConfigFileLimit)))
        return std::nullopt;
    return area;
}

std::optional<std::size_t> FirstDifference(std::span<const uint8_t> expected, std::span<const uint8_t> actual)
{
    const std::size_t length = std::min(expected.size(), actual.size());
    const auto [at, _] = std::mismatch(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(length),
                                       actual.begin());
    if (at == expected.begin() + static_cast<std::ptrdiff_t>(length))
        return std::nullopt;
    return static_cast<std::size_t>(at - expected.begin());
}

VerifyOutcome VerifyConfigArea(Board& board, std::span<const uint8_t> expected)
{
    for (std::size_t offset = 0; offset < expected.size(); offset += FlashPageBytes) {
        const auto address = static_cast<unsigned>(ConfigAreaStart + offset);
        FlashPage page{};
        if (!board.ReadFlashPage(address, page))
            return {VerifyState::NotRead, address};
        const auto expectedPage = expected.subspan(offset, std::min(FlashPageBytes, expected.size() - offset));
        if (const auto at = FirstDifference(expectedPage, page))
            return {VerifyState::Differs, static_cast<unsigned>(address + *at)};
    }
    return {VerifyState::Matches, std::nullopt};
}

}  // namespace cli
