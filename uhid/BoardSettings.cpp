#include "uhid/BoardSettings.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>


namespace uhid {
namespace {

std::optional<unsigned long> ParseNumber(const std::string& text, unsigned long max)
{
    unsigned long value = 0;
    int base = 10;
    std::string_view digits = text;
    if (digits.starts_with("0x") || digits.starts_with("0X")) {
        base = 16;
        digits.remove_prefix(2);
    }
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || value > max)
        return std::nullopt;
    return value;
}

std::string NotANumber(const char* what, const std::string& text, unsigned long max)
{
    return what + std::string(" \"") + text + "\" is not a number from 0 to " + std::to_string(max);
}

std::string SetSerial(sim::SimBoard& board, const std::string& value)
{
    const auto serial = ParseNumber(value, 0xFFFF);
    if (!serial)
        return NotANumber("serial number", value, 0xFFFF);
    sim::SimBoard::Info info;
    info.serial = static_cast<uint16_t>(*serial);
    board.WriteInfoBlock(info);
    return {};
}

std::string RefusePage(sim::SimBoard& board, const std::string& value)
{
    const auto address = ParseNumber(value, 0xFFFF);
    if (!address)
        return NotANumber("flash address", value, 0xFFFF);
    board.RefusePage(static_cast<uint16_t>(*address));
    return {};
}

// COMMAND=STATUS, each one character: every reply to COMMAND carries STATUS.
std::string OverrideStatus(sim::SimBoard& board, const std::string& value)
{
    if (value.size() == 3 && value[1] == '=') {
        board.OverrideStatus(static_cast<uint8_t>(value[0]), static_cast<uint8_t>(value[2]));
        return {};
    }
    if (value.size() == 2 && value[1] == '=') {
        board.OverrideStatus(static_cast<uint8_t>(value[0]), std::nullopt);
        return {};
    }
    return "status override \"" + value + "\" is not COMMAND=STATUS (one character each; empty STATUS clears it)";
}

}  // namespace

const std::vector<BoardSetting>& BoardSettings()
{
    static const std::vector<BoardSetting> settings = {
        {"serial", "N", "information block with this serial number (0: a blank board)", SetSerial},
        {"jtag-off", nullptr, "the JTAG chain is broken: JtagCheck, captures and pin drives are refused",
         [](sim::SimBoard& board, const std::string&) {
             board.SetJtagChainEnabled(false);
             return std::string();
         }},
        {"jtag-on", nullptr, "the JTAG chain works again",
         [](sim::SimBoard& board, const std::string&) {
             board.SetJtagChainEnabled(true);
             return std::string();
         }},
        {"refuse-page", "ADDRESS", "refuse to program the flash page at this address", RefusePage},
        {"refuse-release", nullptr, "refuse to release the FPGA after programming",
         [](sim::SimBoard& board, const std::string&) {
             board.RefuseRelease(true);
             return std::string();
         }},
        {"refuse-next-capture", nullptr, "refuse the next JtagCapture",
         [](sim::SimBoard& board, const std::string&) {
             board.RefuseNextCapture();
             return std::string();
         }},
        {"status", "C=S", "every reply to command C carries status S (C= clears it)", OverrideStatus},
    };
    return settings;
}

const BoardSetting* FindBoardSetting(const std::string& name)
{
    for (const BoardSetting& setting : BoardSettings())
        if (name == setting.name)
            return &setting;
    return nullptr;
}

}  // namespace uhid
