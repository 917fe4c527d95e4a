#include "platform/drive_variable.h"

namespace varnix {

bool DriveVariableName(const char* currentDirectory, char (&name)[4]) {
  const char first = currentDirectory[0];
  if ((first == '\\' || first == '/') && currentDirectory[1] == first) {
    return false;
  }
  // Only a to z are folded: the variable is found by the system, which knows
  // drive letters, not the player's locale.
  name[0] = '=';
  name[1] =
      (first >= 'a' && first <= 'z') ? static_cast<char>(first - 32) : first;
  name[2] = ':';
  name[3] = '\0';
  return true;
}

}  // namespace varnix
