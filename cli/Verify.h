#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/Core.h"
#include "cli/DownloadSummary.h"

// The read-back after a download: every page of the configuration area against what the
// file puts there.
namespace cli {

// The configuration area as a download of the file writes it: the file's first bytes, the
// rest erased (0xFF). nullopt when the file cannot be read.
std::optional<std::vector<uint8_t>> ExpectedConfigArea(const std::string& file);

// Index of the first byte where the two differ; nullopt when they are equal (the shorter
// length is compared).
std::optional<std::size_t> FirstDifference(std::span<const uint8_t> expected, std::span<const uint8_t> actual);

struct VerifyOutcome {
    VerifyState state = VerifyState::NotAsked;
    std::optional<unsigned> firstDifference;  // flash address
};
VerifyOutcome VerifyConfigArea(Board& board, std::span<const uint8_t> expected);

}  // namespace cli
