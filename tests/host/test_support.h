// What the host tests and the fuzz target share: test texts in heap blocks
// of exactly their size, so that the sanitized builds report any read past
// a terminator or past a given length; and a LauncherPlatform that records
// every call in order with copies of its arguments (the launcher reuses its
// work areas, so pointers would go stale), and fails the operations it is
// told to fail.
#ifndef VARNIX_TESTS_HOST_TEST_SUPPORT_H
#define VARNIX_TESTS_HOST_TEST_SUPPORT_H

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "launcher/launcher_platform.h"

namespace varnix_test {

// The text alone, without a terminator.
inline std::unique_ptr<char[]> Unterminated(const std::string& text) {
  std::unique_ptr<char[]> block(new char[text.size()]);
  text.copy(block.get(), text.size());
  return block;
}

// The text and its terminator, nothing after.
inline std::unique_ptr<char[]> Terminated(const std::string& text) {
  return Unterminated(text + '\0');
}

// One bit each, so that a set of failing operations is a mask.
enum Operation : unsigned {
  ChangeDirectoryOperation = 1,
  ReadStartupInfoOperation = 2,
  StartProcessOperation = 4,
  ShowWarningOperation = 8,
};

struct Call {
  Operation operation;
  // ChangeDirectory: the path. StartProcess: the application name.
  // ShowWarning: the text.
  std::string first;
  // StartProcess: the command line. ShowWarning: the caption.
  std::string second;
  // ReadStartupInfo: a record was handed out. StartProcess: it was given
  // exactly what ReadStartupInfo handed out.
  bool startupInfo = false;

  bool operator==(const Call& other) const {
    return operation == other.operation && first == other.first &&
           second == other.second && startupInfo == other.startupInfo;
  }
};

// Long command lines are shown by length and ends only.
inline void PrintTo(const Call& call, std::ostream* os) {
  static const char* const names[] = {
      "?", "ChangeDirectory", "ReadStartupInfo", "?", "StartProcess", "?", "?",
      "?", "ShowWarning"};
  *os << (call.operation <= 8 ? names[call.operation] : "?") << '(';
  for (const std::string* text : {&call.first, &call.second}) {
    if (text->size() <= 100) {
      *os << '"' << *text << "\", ";
    } else {
      *os << '"' << text->substr(0, 40) << "\"...(" << text->size()
          << " bytes)...\"" << text->substr(text->size() - 20) << "\", ";
    }
  }
  *os << (call.startupInfo ? "startup info)" : "no startup info)");
}

class RecordingPlatform final : public varnix::LauncherPlatform {
 public:
  explicit RecordingPlatform(unsigned failing = 0) : failing_(failing) {}

  bool ChangeDirectory(const char* path) override {
    calls_.push_back({ChangeDirectoryOperation, path, ""});
    return !(failing_ & ChangeDirectoryOperation);
  }

  // Told to fail, it hands out no record at all: the operation has no
  // failure to report, so the launcher must pass on whatever it gets.
  const varnix::StartupInfo* ReadStartupInfo() override {
    handedOut_ = (failing_ & ReadStartupInfoOperation)
                     ? nullptr
                     : reinterpret_cast<const varnix::StartupInfo*>(&record_);
    calls_.push_back(
        {ReadStartupInfoOperation, "", "", *handedOut_ != nullptr});
    return *handedOut_;
  }

  bool StartProcess(const char* applicationName, char* commandLine,
                    const varnix::StartupInfo* startupInfo) override {
    calls_.push_back({StartProcessOperation, applicationName, commandLine,
                      startupInfo == handedOut_});
    return !(failing_ & StartProcessOperation);
  }

  // A warning cannot fail; it is recorded either way.
  void ShowWarning(const char* text, const char* caption) override {
    calls_.push_back({ShowWarningOperation, text, caption});
  }

  const std::vector<Call>& calls() const { return calls_; }

 private:
  unsigned failing_;
  std::vector<Call> calls_;
  int record_ = 0;
  // Empty until ReadStartupInfo is called: until then no pointer matches it.
  std::optional<const varnix::StartupInfo*> handedOut_;
};

}  // namespace varnix_test

#endif  // VARNIX_TESTS_HOST_TEST_SUPPORT_H
