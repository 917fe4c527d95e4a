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
#include "tests/host/exact_block.h"
#include "tests/host/recording_platform.h"

namespace {

using varnix_test::Call;

void Check(bool invariant) {
  if (!invariant) __builtin_trap();
}

varnix::LeadByteSet LeadBytesFor(uint8_t selector) {
  static const unsigned codePages[] = {0, 932, 936, 1361};
  varnix::LeadByteSet set = {};
  if (codePages[selector & 3] != 0) {
    Check(varnix::FixedLeadBytes(codePages[selector & 3], set));
  }
  return set;
}

void CheckSplit(const char* raw, size_t rawLength, varnix::TextSlice module,
                varnix::TextSlice path, const char* tail) {
  if (rawLength == 0) {
    Check(path.begin == module.begin && path.length == module.length);
  } else {
    Check(path.length <= rawLength);
    Check(path.begin == raw || (raw[0] == '"' && path.begin == raw + 1));
    Check(path.begin + path.length <= raw + rawLength);
  }
  Check(tail >= raw && tail <= raw + rawLength);
  // The tail starts past every blank and control byte after the first token.
  Check(*tail == '\0' || static_cast<unsigned char>(*tail) > 0x20);
}

// Each operation at most once, in their fixed order, then at most one
// warning, which is present exactly when the game was not started.
void CheckCalls(const varnix_test::RecordingPlatform& platform,
                unsigned failing, varnix::TextSlice path, const char* tail) {
  const std::string programPath(path.begin, path.length);
  unsigned previous = 0;
  size_t warnings = 0;
  bool started = false;
  for (const Call& call : platform.calls()) {
    Check(warnings == 0);
    switch (call.operation) {
      case varnix_test::ChangeDirectoryOperation:
        Check(call.first.size() < varnix::PathBufferSize);
        // The whole program path's directory part, blanks and all, then
        // "System".
        Check(call.first ==
              programPath.substr(0, programPath.find_last_of("\\/") + 1) +
                  "System");
        break;
      case varnix_test::StartProcessOperation:
        Check(call.first == "RuZoriru.exe");
        Check(call.second == std::string("-LAUNCHED ") + tail);
        Check(call.startupInfo);
        started = !(failing & varnix_test::StartProcessOperation);
        break;
      case varnix_test::ShowWarningOperation:
        ++warnings;
        break;
      default:
        break;
    }
    if (call.operation != varnix_test::ShowWarningOperation) {
      Check(call.operation > previous);
      previous = call.operation;
    }
  }
  Check(warnings == (started ? 0u : 1u));
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
  const auto raw = varnix_test::Terminated(rawText);
  const auto module = varnix_test::Unterminated(moduleText);
  const varnix::TextSlice moduleName{module.get(), moduleText.size()};

  const varnix::LeadByteSet leadBytes = LeadBytesFor(selector);
  const varnix::TextSlice path =
      varnix::ProgramPathFromCommandLine(raw.get(), moduleName, leadBytes);
  const char* tail = varnix::ArgumentTailFromCommandLine(raw.get(), leadBytes);
  CheckSplit(raw.get(), rawText.size(), moduleName, path, tail);

  const unsigned failing = (selector >> 2) & 7;
  varnix_test::RecordingPlatform platform(failing);
  Check(varnix::RunLauncher(path, tail, platform) == 0);
  CheckCalls(platform, failing, path, tail);
  return 0;
}
