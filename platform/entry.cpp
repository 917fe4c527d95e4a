// The process entry: gathers the inputs, runs the launch sequence, and ends
// the process with its status. There is no C runtime behind it.
#include <windows.h>

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
  const char* rawCommandLine = GetCommandLineA();
  // A name that fills the buffer may be cut and unterminated; its length
  // alone is used, and at MAX_PATH it is too long for the launcher anyway.
  char moduleFileName[MAX_PATH];
  const DWORD moduleLength =
      GetModuleFileNameA(nullptr, moduleFileName, sizeof moduleFileName);
  const varnix::TextSlice programPath = varnix::ProgramPathFromCommandLine(
      rawCommandLine, varnix::TextSlice{moduleFileName, moduleLength},
      leadBytes);
  const char* argumentTail =
      varnix::ArgumentTailFromCommandLine(rawCommandLine, leadBytes);
  varnix::WindowsPlatform platform;
  ExitProcess(static_cast<UINT>(
      varnix::RunLauncher(programPath, argumentTail, platform)));
}
