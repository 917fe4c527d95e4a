// The four operations through which the launch sequence acts on the system.
// The Windows realization lives in platform/; tests supply their own.
#ifndef VARNIX_LAUNCHER_LAUNCHER_PLATFORM_H
#define VARNIX_LAUNCHER_LAUNCHER_PLATFORM_H

namespace varnix {

// The launcher's own start-up information, opaque here: the platform defines
// it, and the launch sequence only hands it from ReadStartupInfo to
// StartProcess.
struct StartupInfo;

// Each operation of this base realizes nothing and fails (ShowWarning shows
// nothing), so that a platform overrides exactly what it provides. There are
// no pure virtual functions: the launcher runs without a C++ runtime. It is
// built without RTTI, so a derived platform must be built with -fno-rtti too.
class LauncherPlatform {
 public:
  // Makes `path` the current directory and records it as its drive's current
  // directory in the environment a started program inherits; false if either
  // half fails.
  virtual bool ChangeDirectory(const char* path);
  // The launcher's own start-up information, as a program that inherits no
  // handles may use it; cannot fail.
  virtual const StartupInfo* ReadStartupInfo();
  // Starts `applicationName` from the current directory alone, with exactly
  // `commandLine` (writable), `startupInfo`, the current directory, a copy of
  // the environment, no inherited handles and normal priority; does not wait.
  virtual bool StartProcess(const char* applicationName, char* commandLine,
                            const StartupInfo* startupInfo);
  // Shows a modal box with `text` and `caption`, one OK button, the
  // exclamation icon and no owner; returns when it is dismissed.
  virtual void ShowWarning(const char* text, const char* caption);

 protected:
  ~LauncherPlatform() = default;
};

}  // namespace varnix

#endif  // VARNIX_LAUNCHER_LAUNCHER_PLATFORM_H
