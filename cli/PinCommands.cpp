#include "cli/BoardFacts.h"
#include "cli/Commands.h"
#include "cli/ExitCode.h"
#include "board/JtagTests.h"

// pins, drive, drive-all and release: the boundary-scan tests of the test dialog.
namespace cli {
namespace {

std::string LevelName(PinLevel level)
{
    switch (level) {
    case PinLevel::High: return "high";
    case PinLevel::Low: return "low";
    case PinLevel::HiZ: return "hi-z";
    }
    return "high";
}

}  // namespace

int RunPins(Session& session)
{
    int exitCode = ExitSuccess;
    std::optional<OneBoard> one = ChooseOneBoard(session, exitCode);
    if (!one)
        return exitCode;
    const board::Result<PinCapture> capture = one->board->CapturePins();
    if (!capture) {
        ReportBoardFailure(session.console, one->label, CauseText(capture.Error()));
        return ExitBoardFailed;
    }
    if (session.options.json) {
        session.console.Out(PinsJson(one->attached.node, *capture).dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
    } else {
        for (const std::string& line : PinListingLines(*capture))
            session.console.Out(line);
    }
    return ExitSuccess;
}

int RunDrive(Session& session)
{
    const int pin = session.options.pin;
    // Checked before any board is touched: a pin that is not on the header is a typing
    // error, and nothing is sent for it.
    if (!board::FindHeaderPosition(pin)) {
        ReportUsageError(session.console, "pin " + std::to_string(pin) +
                                              ": Illegal pin choice ... must be a labeled integer pin number.");
        return ExitUsageError;
    }
    int exitCode = ExitSuccess;
    std::optional<OneBoard> one = ChooseOneBoard(session, exitCode);
    if (!one)
        return exitCode;
    const std::string level = LevelName(session.options.level);
    if (const auto driven = one->board->DrivePin(pin, session.options.level); !driven) {
        ReportBoardFailure(session.console, one->label,
                           "pin " + std::to_string(pin) + " not set to " + level + ": " + CauseText(driven.Error()));
        return ExitBoardFailed;
    }
    session.console.Out("Pin " + std::to_string(pin) + " is now " + level + ".");
    return ExitSuccess;
}

int RunDriveAll(Session& session)
{
    int exitCode = ExitSuccess;
    std::optional<OneBoard> one = ChooseOneBoard(session, exitCode);
    if (!one)
        return exitCode;
    const bool high = session.options.level == PinLevel::High;
    if (const auto driven = one->board->DriveAll(high); !driven) {
        ReportBoardFailure(session.console, one->label,
                           std::string("pins not driven ") + (high ? "high" : "low") + ": " + CauseText(driven.Error()));
        return ExitBoardFailed;
    }
    session.console.Out(high ? "Now driving all pins HIGH" : "Now driving all pins LOW");
    return ExitSuccess;
}

int RunRelease(Session& session)
{
    int exitCode = ExitSuccess;
    std::optional<OneBoard> one = ChooseOneBoard(session, exitCode);
    if (!one)
        return exitCode;
    if (const auto left = one->board->LeaveTestMode(); !left) {
        ReportBoardFailure(session.console, one->label, "test mode not left: " + CauseText(left.Error()));
        return ExitBoardFailed;
    }
    session.console.Out("Test mode left: no pin is driven.");
    return ExitSuccess;
}

}  // namespace cli
