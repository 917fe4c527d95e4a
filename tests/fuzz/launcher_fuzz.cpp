// Feeds arbitrary command lines through the splitting rules and the launch
// sequence and traps on any broken invariant.
//
// Input: byte 0 picks the lead bytes (its low two bits: none, 932, 936, 1361)
// and the operations that fail (bits 2 to 4: ChangeDirectory, ReadStartupInfo,
// StartProcess). The raw command line follows up to the first zero byte; the
// module file name is what comes after it, up to the next zero byte.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "launcher/command_line.h"
#include "launcher/fixed_values.h"
#include "launcher/launch.h"
#include "platform/code_page.h"
#include "tests/host/test_support.h"

namespace {

using namespace varnix_test;

void Check(bool invariant) {
  if (!invariant) __builtin_trap();
}

// Each operation at most once, in their fixed order, then at most one
// warning, which is present exactly when the game was not started.
void CheckCalls(const RecordingPlatform& platform, unsigned failing,
                varnix::TextSlice path, const char* tail) {
  const std::string programPath(path.begin, path.length);
  // The whole program path's directory part, blanks and all, then "System".
  const std::string directory =
      programPath.substr(0, programPath.find_last_of("\\/") + 1) + "System";
  unsigned previous = 0;
  bool warned = false, started = false;
  for (const Call& call : platform.calls()) {
    Check(!warned);
    if (call.operation == ShowWarningOperation) {
      warned = true;
      continue;
    }
    Check(call.operation > previous);
    previous = call.operation;
    if (call.operation == ChangeDirectoryOperation) {
      Check(directory.size() < varnix::PathBufferSize);
      Check(call == Call{ChangeDirectoryOperation, directory, ""});
    } else if (call.operation == StartProcessOperation) {
      Check(call == Call{StartProcessOperation, "RuZoriru.exe",
                         std::string("-LAUNCHED ") + tail, true});
      started = !(failing & StartProcessOperation);
    }
  }
  Check(warned != started);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t selector = data[0];
  // Each part ends at a zero byte or the input's end, as c_str() reads it.
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::string rawText = rest.c_str();
  const std::string moduleText =
      rest.c_str() + std::min(rest.size(), rawText.size() + 1);

  // Exact-size copies: the sanitizers catch a read past the terminator of
  // the raw line or past the end of the unterminated module file name.
  const auto raw = Terminated(rawText);
  const auto module = Unterminated(moduleText);
  const varnix::TextSlice moduleName{module.get(), moduleText.size()};
  const char* const rawEnd = raw.get() + rawText.size();

  static const unsigned codePages[] = {0, 932, 936, 1361};
  const unsigned codePage = codePages[selector & 3];
  varnix::LeadByteSet leadBytes = {};
  Check(varnix::FixedLeadBytes(codePage, leadBytes) == (codePage != 0));

  const varnix::TextSlice path =
      varnix::ProgramPathFromCommandLine(raw.get(), moduleName, leadBytes);
  if (rawText.empty()) {
    Check(path.begin == moduleName.begin && path.length == moduleName.length);
  } else {
    Check(path.length <= rawText.size());
    Check(path.begin == raw.get() ||
          (rawText[0] == '"' && path.begin == raw.get() + 1));
    Check(path.begin + path.length <= rawEnd);
  }
  const char* tail = varnix::ArgumentTailFromCommandLine(raw.get(), leadBytes);
  Check(tail >= raw.get() && tail <= rawEnd);
  // The tail starts past every blank and control byte after the first token.
  Check(*tail == '\0' || static_cast<unsigned char>(*tail) > 0x20);

  const unsigned failing = (selector >> 2) & 7;
  RecordingPlatform platform(failing);
  Check(varnix::RunLauncher(path, tail, platform) == 0);
  CheckCalls(platform, failing, path, tail);
  return 0;
}
