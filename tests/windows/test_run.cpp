// One run of a test program: its options, the launcher under test and the
// code page it runs in, the scratch root its installations go in, and main.
#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <regex>
#include <string>

#include "tests/windows/launch_case.h"

// ntdll's, which MinGW's headers do not declare.
extern "C" LONG WINAPI RtlGetVersion(OSVERSIONINFOW* version);

namespace varnix_e2e {
namespace {

struct Options {
  std::string base;  // --root=FOLDER, or the temporary folder
  std::string launcher = "Varnix.exe";
  unsigned codePage = 0;
  bool allRows = false;
} run;

// The scratch root is a folder of this run's own under the base; runs of
// the test programs alongside each other have theirs there too.
constexpr char RootName[] = "VarnixE2E-";
const std::string ownFolder = RootName + std::to_string(GetCurrentProcessId());
std::string root;

std::string OwnFolder() {
  std::wstring path(MAX_PATH, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
  return WideToUtf8(path.substr(0, path.rfind(L'\\') + 1));
}

// Whether the file's manifest, which its resources hold as plain text,
// sets activeCodePage to UTF-8.
bool ManifestAsksForUtf8(const std::string& file) {
  static const std::regex utf8("<activeCodePage[^>]*>UTF-8<");
  std::string image;
  return ReadBytes(file, &image) && std::regex_search(image, utf8);
}

// Wine 8 honours the manifest's code page, and Windows from build 18362
// (version 1903) on; RtlGetVersion, unlike GetVersionEx, tells the build
// whatever this program's own manifest says.
bool SystemHonoursActiveCodePage() {
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  return UnderWine() ||
         (RtlGetVersion(&version) == 0 &&
          (version.dwMajorVersion > 10 ||
           (version.dwMajorVersion == 10 && version.dwBuildNumber >= 18362)));
}

// Made before the first case and removed after the last: the scratch root,
// with those of its parents that were not there, and a stale per-drive
// variable for drive C in the environment that every launcher is started
// with, so that a game that sees the right one proves that the launcher
// recorded it.
struct Installations : testing::Environment {
  void SetUp() override {
    root = run.base + "\\" + ownFolder;
    ASSERT_TRUE(MakeFolders(root, &made)) << "cannot make " << root;
    SetEnvironmentVariableW(L"=C:", L"C:\\Stale\\Per-Drive\\Directory");
  }
  // The root alone when it was there already, left by an earlier run of
  // this program's number.
  void TearDown() override { RemoveTree(made.empty() ? root : made); }
  std::string made;
};

// This program's own options, read before GoogleTest's: GoogleTest
// registers the rows that apply to the run as it starts.
bool ReadOptions(int argc, wchar_t** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = WideToUtf8(argv[i]);
    if (argument.starts_with("--root=")) {
      run.base = argument.substr(7);
    } else if (argument.starts_with("--launcher=")) {
      run.launcher = argument.substr(11);
    } else if (argument.starts_with("--code-page=")) {
      run.codePage = strtoul(argument.c_str() + 12, nullptr, 10);
    } else if (argument == "--all-rows") {
      run.allRows = true;
    } else if (!argument.starts_with("--gtest_")) {
      return false;
    }
  }
  return true;
}

int Usage(const wchar_t* program) {
  fprintf(stderr,
          "usage: %ls [--root=FOLDER] [--launcher=FILE] [--code-page=N] "
          "[--all-rows] [GoogleTest flags]\n"
          "Installations go in a folder of their own under FOLDER (by "
          "default the temporary folder); FILE, beside this program, is the "
          "launcher under test (Varnix.exe unless told). With --code-page=N "
          "the run is for a launcher in ANSI code page N, and stops at once "
          "in any other. Only the cases that apply to the launcher's and the "
          "system's code pages are registered; with --all-rows every row "
          "is, and one that does not apply skips, saying why.\n",
          program);
  return 2;
}

}  // namespace

const std::string& ScratchRoot() { return root; }

const std::string& ScratchBase() { return run.base; }

unsigned RunCodePage() { return run.codePage; }

bool AllRows() { return run.allRows; }

const std::string& LauncherFile() {
  static const std::string file = OwnFolder() + run.launcher;
  return file;
}

const std::string& StandInFile() {
  static const std::string file = OwnFolder() + "RuZoriru.exe";
  return file;
}

unsigned LauncherCodePage() {
  static const unsigned codePage =
      GetACP() == CP_UTF8 || (ManifestAsksForUtf8(LauncherFile()) &&
                              SystemHonoursActiveCodePage())
          ? CP_UTF8
          : GetACP();
  return codePage;
}

}  // namespace varnix_e2e

// Both test programs start here. Their arguments come in wide: a root in
// letters that the ANSI code page lacks reaches them whole.
int wmain(int argc, wchar_t** argv) {
  using namespace varnix_e2e;
  if (!ReadOptions(argc, argv)) return Usage(argv[0]);
  const unsigned wanted = RunCodePage();
  if (wanted != 0 && LauncherCodePage() != wanted) {
    fprintf(stderr,
            "%ls: this run is for a launcher in ANSI code page %u, but %s "
            "runs in %u (the system's is %u)\n",
            argv[0], wanted, LauncherFile().c_str(), LauncherCodePage(),
            GetACP());
    return 1;
  }
  std::string& base = run.base;
  std::error_code error;
  if (base.empty()) {
    base = WideToUtf8(std::filesystem::temp_directory_path(error).wstring());
  }
  if (base.empty()) {
    fprintf(stderr, "cannot find the temporary folder\n");
    return 1;
  }
  base.erase(base.find_last_not_of("\\/") + 1);
  // GoogleTest names a report in a folder after the program alone, so the
  // run against the other launcher would overwrite it: PROGRAM.LAUNCHER.xml.
  static std::wstring report;
  for (int i = 1; i < argc; ++i) {
    const std::wstring option = argv[i];
    if (option.starts_with(L"--gtest_output=xml:") &&
        (option.ends_with(L"\\") || option.ends_with(L"/"))) {
      report = option + std::filesystem::path(argv[0]).stem().wstring() + L"." +
               std::filesystem::path(run.launcher).stem().wstring() + L".xml";
      argv[i] = report.data();
    }
  }
  // Which rows apply depends on the scratch root too.
  testing::InitGoogleTest(&argc, argv);
  testing::AddGlobalTestEnvironment(new Installations);
  return RUN_ALL_TESTS();
}
