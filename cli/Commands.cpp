#include "cli/Commands.h"

namespace cli {

int RunCommand(Session& session)
{
    switch (session.options.command) {
    case Command::List: return RunList(session);
    case Command::Info: return RunInfo(session);
    case Command::Download: return RunDownload(session);
    case Command::Pins: return RunPins(session);
    case Command::Drive: return RunDrive(session);
    case Command::DriveAll: return RunDriveAll(session);
    case Command::Release: return RunRelease(session);
    case Command::Watch: return RunWatch(session);
    case Command::Read: return RunRead(session);
    }
    return RunList(session);
}

}  // namespace cli
