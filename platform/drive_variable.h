// The environment variable that records a drive's current directory.
// Windows-free, so that the rule can be checked on any machine.
#ifndef VARNIX_PLATFORM_DRIVE_VARIABLE_H
#define VARNIX_PLATFORM_DRIVE_VARIABLE_H

namespace varnix {

// Writes the per-drive variable's name for the terminated `currentDirectory`
// ("=C:" for C:\Games, with a to z folded to upper case) and returns true;
// returns false for a network path, which begins with two backslashes or two
// slashes and has no drive to record.
bool DriveVariableName(const char* currentDirectory, char (&name)[4]);

}  // namespace varnix

#endif  // VARNIX_PLATFORM_DRIVE_VARIABLE_H
