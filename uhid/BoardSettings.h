#pragma once

#include <functional>
#include <string>
#include <vector>

#include "sim/SimBoard.h"

// What can be set on the simulated board's firmware model, by name: each setting is both a
// command-line option (--NAME [VALUE]) and a command on standard input (NAME [VALUE]), so a
// new fault of the model needs one row here and nothing else.
namespace uhid {

struct BoardSetting {
    const char* name;
    const char* valueName;  // nullptr for a setting without a value
    const char* help;
    // Applies the setting; returns the reason when the value is refused, else empty.
    std::function<std::string(sim::SimBoard& board, const std::string& value)> apply;
};

const std::vector<BoardSetting>& BoardSettings();

// The setting with this name, or nullptr.
const BoardSetting* FindBoardSetting(const std::string& name);

}  // namespace uhid
