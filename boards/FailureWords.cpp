#include "boards/FailureWords.h"

#include <cstdio>
#include <map>

#include "link/Reports.h"

namespace boards {

std::string CauseText(const board::Failure& failure)
{
    using board::FailureKind;
    switch (failure.kind) {
    case FailureKind::NoBoard: return "no Morvane board is attached";
    case FailureKind::CannotOpen: return "cannot be opened: " + failure.cause + "; fix: " + failure.fix;
    case FailureKind::NoReply: return "the board did not answer " + CommandName(failure.command);
    case FailureKind::NotDone: {
        char status[8];
        std::snprintf(status, sizeof status, "0x%02X", failure.status);
        return "the board answered " + CommandName(failure.command) + " with status " + status;
    }
    case FailureKind::Refused: return "JTAG error: capture did not occur...";
    case FailureKind::ChainNotUsable: return "the JTAG boundary scan chain is not enabled";
    case FailureKind::FileRefused: return failure.cause;
    case FailureKind::Stopped: return "stopped";
    }
    return "failed";
}

std::string FailureKey(board::FailureKind kind)
{
    using board::FailureKind;
    switch (kind) {
    case FailureKind::NoBoard: return "no-board";
    case FailureKind::CannotOpen: return "cannot-open";
    case FailureKind::NoReply: return "no-reply";
    case FailureKind::NotDone: return "not-done";
    case FailureKind::Refused: return "refused";
    case FailureKind::ChainNotUsable: return "chain-not-usable";
    case FailureKind::FileRefused: return "file-refused";
    case FailureKind::Stopped: return "stopped";
    }
    return "failed";
}

std::string CommandName(uint8_t command)
{
    using namespace boardlink;
    static const std::map<uint8_t, const char*> names = {
        {ReadMemory, "ReadMemory"},     {WriteMemory, "WriteMemory"},   {ProgramMode, "ProgramMode"},
        {ProgramPage, "ProgramPage"},   {JtagCheck, "JtagCheck"},       {JtagCapture, "JtagCapture"},
        {DrivePinHigh, "DrivePinHigh"}, {DrivePinLow, "DrivePinLow"},   {FloatPin, "FloatPin"},
        {DriveAllHigh, "DriveAllHigh"}, {DriveAllLow, "DriveAllLow"},   {LeaveTestMode, "LeaveTestMode"},
    };
    const auto found = names.find(command);
    if (found != names.end())
        return found->second;
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", command);
    return text;
}

}  // namespace boards
