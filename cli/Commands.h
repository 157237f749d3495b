#pragma once

#include "cli/Session.h"

// The commands; each returns the program's exit status.
namespace cli {

int RunList(Session& session);
int RunInfo(Session& session);
int RunDownload(Session& session);
int RunPins(Session& session);
int RunDrive(Session& session);
int RunDriveAll(Session& session);
int RunRelease(Session& session);
int RunWatch(Session& session);
int RunRead(Session& session);

int RunCommand(Session& session);

}  // namespace cli
