// The Windows realization of the launcher's four operations.
#ifndef VARNIX_PLATFORM_WINDOWS_PLATFORM_H
#define VARNIX_PLATFORM_WINDOWS_PLATFORM_H

#include <windows.h>

#include "launcher/launcher_platform.h"

namespace varnix {

struct StartupInfo {
  STARTUPINFOA record;
};

class WindowsPlatform final : public LauncherPlatform {
 public:
  bool ChangeDirectory(const char* path) override;
  const StartupInfo* ReadStartupInfo() override;
  bool StartProcess(const char* applicationName, char* commandLine,
                    const StartupInfo* startupInfo) override;
  void ShowWarning(const char* text, const char* caption) override;

 private:
  StartupInfo startupInfo_;
};

}  // namespace varnix

#endif  // VARNIX_PLATFORM_WINDOWS_PLATFORM_H
