// The launcher's fixed names, texts and sizes. Nothing here is configurable:
// a player's installation is recognised by these values alone.
#ifndef VARNIX_LAUNCHER_FIXED_VALUES_H
#define VARNIX_LAUNCHER_FIXED_VALUES_H

#include <stddef.h>

namespace varnix {

constexpr char LauncherFileName[] = "Varnix.exe";
constexpr char SystemDirectoryName[] = "System";
constexpr char ServerFileName[] = "RuZoriru.exe";
constexpr char LaunchedSwitch[] = "-LAUNCHED ";

// Path work area, terminator included: a path of MAX_PATH (260) UTF-16 units
// takes up to three bytes a unit in UTF-8, the launcher's code page.
constexpr size_t PathBufferSize = 780;
// Child command line work area, terminator included: the most that
// CreateProcessA passes on, in any code page, is a line of 65,535 bytes.
constexpr size_t CommandBufferSize = 65536;

// Lengths without the terminator.
constexpr size_t LauncherFileNameLength = sizeof LauncherFileName - 1;
constexpr size_t SystemDirectoryNameLength = sizeof SystemDirectoryName - 1;
constexpr size_t LaunchedSwitchLength = sizeof LaunchedSwitch - 1;

constexpr char RenamedText[] =
    "Varnix has been renamed.  Please check your configuration, consider "
    "reinstalling, and try again.";
constexpr char NoSystemDirectoryText[] =
    "Varnix can't find System directory.  Please check your configuration, "
    "consider reinstalling, and try again.";
constexpr char NotInstalledText[] =
    "Varnix is not installed properly.  Please check your configuration, "
    "consider reinstalling, and try again.";
constexpr char FailedToLaunchCaption[] = "Failed to launch Varnix";
constexpr char NoSystemDirectoryCaption[] = "Could not find System directory.";

}  // namespace varnix

#endif  // VARNIX_LAUNCHER_FIXED_VALUES_H
