// The process entry: gathers the inputs, runs the launch sequence, and ends
// the process with its status. There is no C runtime behind it.
#include <windows.h>

#include "launcher/fixed_values.h"
#include "launcher/launch.h"
#include "platform/code_page.h"
#include "platform/windows_platform.h"

namespace {

varnix::LeadByteSet AnsiLeadBytes() {
  varnix::LeadByteSet leadBytes = {};
  const UINT codePage = GetACP();
  if (!varnix::FixedLeadBytes(codePage, leadBytes)) {
    CPINFO info;
    if (GetCPInfo(codePage, &info)) {
      varnix::ReportedLeadBytes(info.MaxCharSize, info.LeadByte, leadBytes);
    }
  }
  return leadBytes;
}

}  // namespace

extern "C" void LauncherEntry() {
  const varnix::LeadByteSet leadBytes = AnsiLeadBytes();
  // A command line with no ANSI form (in UTF-8, one of more than 65,534
  // bytes) may come back as NULL. The program path is then taken as for an
  // empty line, from the module file name, and the launch sequence gets no
  // tail, which it refuses: the player's arguments are gone.
  const char* rawCommandLine = GetCommandLineA();
  const char* commandLine = rawCommandLine != nullptr ? rawCommandLine : "";
  // As large as the path work area, so any name under MAX_PATH characters
  // fits in UTF-8. A name that fills the buffer may be cut and unterminated;
  // its length alone is used, and at that length the launcher refuses it.
  char moduleFileName[varnix::PathBufferSize];
  const DWORD moduleLength =
      GetModuleFileNameA(nullptr, moduleFileName, sizeof moduleFileName);
  const varnix::TextSlice programPath = varnix::ProgramPathFromCommandLine(
      commandLine, varnix::TextSlice{moduleFileName, moduleLength}, leadBytes);
  const char* argumentTail =
      rawCommandLine != nullptr
          ? varnix::ArgumentTailFromCommandLine(rawCommandLine, leadBytes)
          : nullptr;
  varnix::WindowsPlatform platform;
  ExitProcess(static_cast<UINT>(
      varnix::RunLauncher(programPath, argumentTail, platform)));
}
