#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

// What a download did on each board, as the table that ends a run and as JSON.
namespace cli {

enum class VerifyState { NotAsked, Matches, Differs, NotRead };

struct BoardDownload {
    std::string node;
    std::optional<uint16_t> serialBefore;  // none when the board's information block was not read
    std::optional<uint16_t> serialGiven;   // the number --serial gave this blank board
    std::string serialAfter;               // as the board shows it after the download
    bool succeeded = false;
    std::string result;                    // the download's verdict, or why the board failed
    VerifyState verify = VerifyState::NotAsked;
    std::optional<unsigned> firstDifference;  // flash address, when the read-back differs
    std::vector<std::string> log;          // the lines the core logged for this board
    std::string port;                      // the board's USB port, as list gives it
    bool stopped = false;                  // stopped on request after the page in flight
    std::string failure;                   // why it failed as a key (FailureKey, "verify-differs"); empty when it did not
};

// A heading, a line per board, and a closing count.
std::vector<std::string> SummaryLines(const std::vector<BoardDownload>& boards);
nlohmann::ordered_json DownloadJson(const std::string& file, const std::vector<BoardDownload>& boards);

// "verified", "differs at 0x0123", ...
std::string VerifyText(VerifyState state, std::optional<unsigned> firstDifference);

}  // namespace cli
