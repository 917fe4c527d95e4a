// The launch sequence: the whole of the launcher's own decision making.
#ifndef VARNIX_LAUNCHER_LAUNCH_H
#define VARNIX_LAUNCHER_LAUNCH_H

#include "launcher/command_line.h"
#include "launcher/launcher_platform.h"

namespace varnix {

// Checks the launcher's name in `programPath`, enters the System directory
// beside it, and starts ServerFileName there with LaunchedSwitch followed by
// the terminated `argumentTail`. A failure is told in exactly one warning
// through `platform`, and the sequence stops there. Returns the process exit
// status, which is 0 on every path.
//
// A null `argumentTail` means the system could not hand over the command
// line: the player's arguments are lost, so the start cannot be made. The
// name is checked and the directory entered as always, then the not-installed
// warning is shown and StartProcess is never called.
int RunLauncher(TextSlice programPath, const char* argumentTail,
                LauncherPlatform& platform);

}  // namespace varnix

#endif  // VARNIX_LAUNCHER_LAUNCH_H
