#include "tests/windows/launch_table.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <vector>

namespace varnix_e2e {

// Written out here rather than taken from the launcher's sources: these are
// what the player reads, every blank and full stop of them.
const Warning Renamed = {
    "Failed to launch Varnix",
    "Varnix has been renamed.  Please check your configuration, consider "
    "reinstalling, and try again."};
const Warning NoSystemDirectory = {
    "Could not find System directory.",
    "Varnix can't find System directory.  Please check your configuration, "
    "consider reinstalling, and try again."};
const Warning NotInstalled = {
    "Failed to launch Varnix",
    "Varnix is not installed properly.  Please check your configuration, "
    "consider reinstalling, and try again."};

std::string CaseName(const testing::TestParamInfo<LaunchCase>& info) {
  return info.param.name;
}

void PrintTo(const LaunchCase& row, std::ostream* out) { *out << row.name; }

namespace {

// The scratch root is a folder of this run's own under Base(); runs of the
// test programs alongside each other have theirs there too.
constexpr char RootPrefix[] = "\\VarnixE2E-";

std::string& Base() {
  static std::string base;
  return base;
}

std::string& Root() {
  static std::string root;
  return root;
}

// The code page this run was started for (--code-page=N), 0 when none was
// named: a run for a code page refuses to run in another, and there a row
// about that code page must run, not skip.
unsigned& RunCodePage() {
  static unsigned codePage = 0;
  return codePage;
}

// The folder this program lies in, with its trailing separator.
std::string OwnFolder() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path, length < sizeof path ? length : 0);
  const size_t last = folder.find_last_of("\\/");
  return last == std::string::npos ? std::string() : folder.substr(0, last + 1);
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

void ReplaceAll(std::string* text, const std::string& what,
                const std::string& with) {
  for (size_t at = text->find(what); at != std::string::npos;
       at = text->find(what, at + with.size())) {
    text->replace(at, what.size(), with);
  }
}

// `utf8` in the running ANSI code page, when that code page spells every
// character of it: the bytes must come back as the same characters, so a
// best-fit look-alike or a default character does not count.
bool Spelled(const std::string& utf8, std::string* bytes) {
  const std::wstring wide = Utf8ToWide(utf8);
  if (wide.empty() != utf8.empty()) return false;
  *bytes = WideToCodePage(wide, CP_ACP);
  return CodePageToWide(*bytes, CP_ACP) == wide;
}

// Characters above 0x7F from several scripts, so that every code page spells
// some: Latin letters and a currency sign, half-width and full-width
// Japanese, Chinese, Korean. Each is kept where the running code page
// spells it, some with a trail byte that is an ASCII letter or a backslash.
const std::string& HighText() {
  static const std::string text = [] {
    static const char* const candidates[] = {"é",  "€",  "ÿ",  "ｱ",  "ゲ",
                                             "表", "乗", "許", "한", "國"};
    std::string out;
    for (const char* candidate : candidates) {
      std::string bytes;
      if (Spelled(candidate, &bytes)) out += bytes;
    }
    return out;
  }();
  return text;
}

// Every per-drive variable ("=X:=value") of `environment`.
bool IsDriveVariable(const std::string& entry) {
  return entry.size() >= 4 && entry[0] == '=' && entry[2] == ':' &&
         entry[3] == '=';
}

// Undoes the escapes of a text as Wine's trace quotes it; `cut` tells
// whether the trace shortened it ("..." after the closing quote).
std::string TraceText(const std::string& quoted, bool* cut) {
  std::string bytes;
  size_t i = quoted.empty() || quoted[0] != '"' ? 0 : 1;
  for (; i < quoted.size() && quoted[i] != '"'; ++i) {
    if (quoted[i] != '\\' || i + 1 >= quoted.size()) {
      bytes += quoted[i];
      continue;
    }
    const char c = quoted[++i];
    if (c == 'n') {
      bytes += '\n';
    } else if (c == 'r') {
      bytes += '\r';
    } else if (c == 't') {
      bytes += '\t';
    } else if (c == 'x' && i + 2 < quoted.size()) {
      bytes += static_cast<char>(
          strtoul(quoted.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2;
    } else {
      bytes += c;
    }
  }
  *cut = quoted.compare(i, std::string::npos, "\"...") == 0;
  return bytes;
}

// The exact arguments of the launcher's Windows calls, as Wine traced them:
// CreateProcessA for the game only when it is to be started (or was tried
// and failed), MessageBoxA only for a warning, and SetEnvironmentVariableA
// only to record `directory`, the System folder entered, as its drive's
// current directory ("" when nothing is to be recorded).
void ExpectCalls(const LaunchOutcome& outcome, int starts, int boxes,
                 const std::string& directory) {
  if (!outcome.traced) return;
  int startCalls = 0;
  int boxCalls = 0;
  int variableCalls = 0;
  for (const TracedCall& call : outcome.calls) {
    const auto& v = call.values;
    // A BOOL or a DWORD is traced as the whole register it came in, so only
    // its low 32 bits count.
    const auto low = [&v](size_t i) { return static_cast<uint32_t>(v[i]); };
    if (call.function == "CreateProcessA") {
      ++startCalls;
      ASSERT_EQ(10u, v.size()) << "CreateProcessA's arguments";
      EXPECT_EQ("\"RuZoriru.exe\"", call.texts[0]) << "lpApplicationName";
      EXPECT_EQ(0u, v[2]) << "lpProcessAttributes";
      EXPECT_EQ(0u, v[3]) << "lpThreadAttributes";
      EXPECT_EQ(0u, low(4)) << "bInheritHandles";
      EXPECT_EQ(static_cast<uint32_t>(NORMAL_PRIORITY_CLASS), low(5))
          << "dwCreationFlags";
      EXPECT_EQ(0u, v[6]) << "lpEnvironment";
      EXPECT_EQ(0u, v[7]) << "lpCurrentDirectory";
    } else if (call.function == "MessageBoxA") {
      ++boxCalls;
      ASSERT_EQ(4u, v.size()) << "MessageBoxA's arguments";
      EXPECT_EQ(0u, v[0]) << "hWnd";
      EXPECT_EQ(static_cast<uint32_t>(MB_OK | MB_ICONEXCLAMATION), low(3))
          << "uType";
    } else {
      ++variableCalls;
      ASSERT_EQ(2u, v.size()) << "SetEnvironmentVariableA's arguments";
      bool cut = false;
      const std::string name = TraceText(call.texts[0], &cut);
      const std::string value = TraceText(call.texts[1], &cut);
      ASSERT_FALSE(directory.empty())
          << "SetEnvironmentVariableA(" << call.texts[0] << ", "
          << call.texts[1] << ") where nothing is to be recorded";
      const std::string expected = {
          '=', static_cast<char>(toupper(directory[0])), ':'};
      EXPECT_EQ(expected, name) << "the variable's name";
      EXPECT_EQ(cut ? directory.substr(0, value.size()) : directory, value)
          << "the variable's value";
    }
  }
  EXPECT_EQ(starts, startCalls) << "the launcher's calls of CreateProcessA";
  EXPECT_EQ(boxes, boxCalls) << "the launcher's calls of MessageBoxA";
  EXPECT_EQ(directory.empty() ? 0 : 1, variableCalls)
      << "the launcher's calls of SetEnvironmentVariableA";
}

bool IsNetworkPath(const std::string& path) {
  return path.size() >= 2 && (path[0] == '\\' || path[0] == '/') &&
         path[1] == path[0];
}

// Draws `icon` at its own size and returns its pixels, with the size.
std::vector<uint32_t> IconPixels(HICON icon, int* width, int* height) {
  std::vector<uint32_t> pixels;
  ICONINFO info;
  if (!GetIconInfo(icon, &info)) return pixels;
  BITMAP bitmap = {};
  GetObjectA(info.hbmMask, sizeof bitmap, &bitmap);
  *width = bitmap.bmWidth;
  *height = info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2;
  DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  BITMAPINFO format = {};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = *width;
  format.bmiHeader.biHeight = -*height;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP target =
      CreateDIBSection(dc, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (target && bits) {
    const HGDIOBJ old = SelectObject(dc, target);
    DrawIconEx(dc, 0, 0, icon, *width, *height, 0, nullptr, DI_NORMAL);
    GdiFlush();
    const uint32_t* p = static_cast<const uint32_t*>(bits);
    pixels.assign(p, p + static_cast<size_t>(*width) * *height);
    SelectObject(dc, old);
  }
  if (target) DeleteObject(target);
  DeleteDC(dc);
  return pixels;
}

// The box's icon is the system's exclamation icon: the same shared handle,
// or, where the system hands out another handle for it (a manifest, a
// screen of another density), the same picture at the same size.
void ExpectExclamationIcon(HICON shown) {
  const HICON shared = LoadIcon(nullptr, IDI_EXCLAMATION);
  if (shown == shared) return;
  int width = 0, height = 0;
  const std::vector<uint32_t> seen = IconPixels(shown, &width, &height);
  const HICON system = static_cast<HICON>(LoadImageA(
      nullptr, MAKEINTRESOURCEA(32515), IMAGE_ICON, width, height, LR_SHARED));
  int systemWidth = 0, systemHeight = 0;
  const std::vector<uint32_t> expected =
      system ? IconPixels(system, &systemWidth, &systemHeight)
             : std::vector<uint32_t>();
  EXPECT_TRUE(!seen.empty() && seen == expected)
      << "not the exclamation icon: the box shows icon " << HandleText(shown)
      << " (" << width << "x" << height << "), the system's is "
      << HandleText(shared) << ", and their pictures differ";
}

// `folder` with a folder of ゲ added, so that its System folder's path is
// `bytes` long; "" when `folder` is already too long for that.
std::string PaddedFolder(const std::string& folder, const std::string& unit,
                         size_t bytes) {
  // 80 of them make a name that a Unix file system under Wine takes too:
  // 240 bytes in UTF-8.
  constexpr size_t PerName = 80;
  const size_t fixed = folder.size() + strlen("\\") + strlen("\\System");
  if (bytes <= fixed) return "";
  const size_t length = bytes - fixed;
  std::string padding;
  size_t inName = 0;
  while (padding.size() < length) {
    const size_t left = length - padding.size();
    if (left < unit.size() + 1) {
      padding += 'x';
    } else if (inName == PerName) {
      padding += '\\';
      inName = 0;
    } else {
      padding += unit;
      ++inName;
    }
  }
  return folder + "\\" + padding;
}

// A program path of exactly `length` bytes that names the launcher in
// `folder`, padded with "." components that the system drops.
std::string PaddedProgramPath(const std::string& folder, size_t length) {
  const std::string name = "\\Varnix.exe";
  std::string path = folder;
  while (path.size() + 2 + name.size() <= length) path += "\\.";
  // A doubled separator, dropped as well, makes up an odd length.
  if (path.size() + name.size() < length) path += "\\";
  return path + name;
}

std::string RepeatedUpTo(const std::string& unit, size_t bytes) {
  std::string text;
  while (!unit.empty() && text.size() + unit.size() <= bytes) text += unit;
  text.resize(bytes, 'x');
  return text;
}

}  // namespace

const std::string& ScratchRoot() { return Root(); }

const std::string& LauncherFile() {
  static const std::string file = OwnFolder() + "Varnix.exe";
  return file;
}

const std::string& StandInFile() {
  static const std::string file = OwnFolder() + "RuZoriru.exe";
  return file;
}

std::string ThroughShare(const std::string& folder) {
  const char drive = static_cast<char>(toupper(folder.empty() ? 0 : folder[0]));
  if (drive < 'A' || drive > 'Z' || folder.compare(1, 2, ":\\") != 0) {
    return "";
  }
  return std::string("\\\\localhost\\") + drive + "$" + folder.substr(2);
}

void ExpectEndedWithStatusZero(const LaunchOutcome& outcome) {
  EXPECT_TRUE(outcome.ended) << "the launcher did not end by itself";
  EXPECT_EQ(0u, outcome.exitCode);
}

void ExpectWarning(const LaunchOutcome& outcome, const Warning& warning,
                   const std::string& directory, bool startTried) {
  ExpectEndedWithStatusZero(outcome);
  const bool notInstalled = &warning == &NotInstalled;
  ExpectCalls(outcome, notInstalled && startTried ? 1 : 0, 1,
              notInstalled && !IsNetworkPath(directory) ? directory : "");
  ASSERT_EQ(1u, outcome.boxes.size()) << "warning boxes shown";
  const WarningBox& box = outcome.boxes[0];
  EXPECT_EQ(warning.caption, box.caption);
  EXPECT_EQ(warning.text, box.text);
  EXPECT_EQ(1, box.buttons);
  EXPECT_EQ(IDOK, box.buttonId);
  EXPECT_FALSE(box.owned) << "the box has an owner window";
  EXPECT_FALSE(box.topmost) << "the box is kept above every other window";
  EXPECT_TRUE(box.icon);
  // Under Wine the icon's handle means nothing here; the traced uType
  // says which icon was asked for instead.
  if (!UnderWine()) ExpectExclamationIcon(box.iconHandle);
  EXPECT_EQ(0, outcome.gamesRunningAtEnd) << "a game was started";
  EXPECT_FALSE(outcome.gameReported) << "a game was started";
}

void ExpectGame(const LaunchOutcome& outcome, const std::string& commandLine,
                const std::string& directory) {
  ExpectEndedWithStatusZero(outcome);
  const bool network = IsNetworkPath(directory);
  ExpectCalls(outcome, 1, 0, network ? "" : directory);
  for (const WarningBox& box : outcome.boxes) {
    ADD_FAILURE() << "unexpected box \"" << box.caption << "\": " << box.text;
  }
  EXPECT_EQ(1, outcome.gamesRunningAtEnd)
      << "games still running when the launcher ended";
  ASSERT_TRUE(outcome.gameReported) << "the game wrote no report";
  const GameReport& report = outcome.report;
  EXPECT_EQ("released", report.hold);
  EXPECT_EQ(commandLine, report.commandLine);
  EXPECT_EQ(directory, report.currentDirectory);
  ASSERT_GE(report.currentDirectory.size(), 2u);

  // The game's environment is the one the launcher was started with, with
  // the System folder recorded as its drive's current directory, under the
  // name with the upper-case drive letter, whatever the case the folder
  // came in; a network directory has no drive to record it for, and
  // nothing is added.
  std::vector<std::string> expected;
  const std::string name = {'=', static_cast<char>(toupper(directory[0])), ':',
                            '='};
  for (const std::string& entry : outcome.environment) {
    if (network || entry.compare(0, name.size(), name) != 0) {
      expected.push_back(entry);
    }
  }
  if (!network) expected.push_back(name + report.currentDirectory);
  std::vector<std::string> seen = report.environment;
  std::sort(expected.begin(), expected.end());
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(expected, seen) << "the game's environment";
  std::vector<std::string> drives;
  std::copy_if(seen.begin(), seen.end(), std::back_inserter(drives),
               IsDriveVariable);
  if (!network) {
    EXPECT_NE(drives.end(), std::find(drives.begin(), drives.end(),
                                      name + report.currentDirectory))
        << "per-drive variables";
  }
}

LaunchOutcome LayOutAndLaunch(const Layout& layout, LaunchRequest request,
                              const std::string& reachedAs) {
  std::string error;
  if (!LayOut(layout, LauncherFile(), StandInFile(), &error)) {
    LaunchOutcome outcome;
    outcome.failure = error;
    return outcome;
  }
  request.launcherFile = (reachedAs.empty() ? layout.folder : reachedAs) +
                         "\\" + layout.launcherName;
  request.reportFile = layout.folder + ".report";
  request.neighbours = Base() + RootPrefix;
  request.ownFolder = Root() + "\\";
  return Play(request);
}

namespace {

std::string CodePageList(const std::vector<unsigned>& codePages) {
  std::string list;
  for (unsigned codePage : codePages) {
    list += (list.empty() ? "" : ", ") + std::to_string(codePage);
  }
  return list;
}

// Skips the case, or fails it where the run is for a code page it is about.
#define SKIP_OR_FAIL(row, why)                                               \
  do {                                                                       \
    const auto& about = (row).codePages;                                     \
    if (RunCodePage() != 0 &&                                                \
        std::find(about.begin(), about.end(), RunCodePage()) != about.end()) \
      FAIL() << why << ", in a run for code page " << RunCodePage();         \
    GTEST_SKIP() << why;                                                     \
  } while (0)

}  // namespace

TEST_P(Launcher, Run) {
  const LaunchCase& row = GetParam();
  const unsigned codePage = GetACP();
  if (!row.codePages.empty() &&
      std::find(row.codePages.begin(), row.codePages.end(), codePage) ==
          row.codePages.end()) {
    GTEST_SKIP() << "this case is about code page "
                 << CodePageList(row.codePages) << "; the ANSI code page is "
                 << codePage;
  }
  // Every text of the row in the running code page, placeholders aside.
  std::string folder, commandLine, startIn, gameCommandLine, gameDirectory,
      unit, padding;
  const std::pair<const char*, std::string*> texts[] = {
      {row.folder ? row.folder : row.name, &folder},
      {row.commandLine, &commandLine},
      {row.startIn, &startIn},
      {row.gameCommandLine ? row.gameCommandLine : "", &gameCommandLine},
      {row.gameDirectory, &gameDirectory},
      {row.tail.unit, &unit},
      {row.systemPathBytes ? "ゲ" : "", &padding}};
  for (const auto& [utf8, bytes] : texts) {
    if (!Spelled(utf8, bytes)) {
      SKIP_OR_FAIL(
          row, "code page " << codePage << " cannot spell \"" << utf8 << "\"");
    }
    ReplaceAll(bytes, "{high}", HighText());
  }
  ASSERT_NE("", HighText())
      << "code page " << codePage << " spells no character above 0x7F";

  Layout layout;
  layout.folder = ScratchRoot() + "\\" + folder;
  if (row.systemPathBytes != 0) {
    layout.folder = PaddedFolder(layout.folder, padding, row.systemPathBytes);
    ASSERT_NE("", layout.folder)
        << "the scratch root " << ScratchRoot() << " is too long for this case";
    const std::string system = layout.folder + "\\System";
    ASSERT_EQ(row.systemPathBytes, system.size());
    ASSERT_LT(CodePageToWide(system, CP_ACP).size(), size_t{MAX_PATH})
        << "the System folder's path takes MAX_PATH characters or more";
  }
  layout.launcherName = row.launcherName;
  layout.system = row.system;
  layout.game = row.game;

  const std::string tail = RepeatedUpTo(unit, row.tail.bytes);
  const auto withFolder = [&](std::string text) {
    std::string slashed = Upper(layout.folder);
    ReplaceAll(&slashed, "\\", "/");
    ReplaceAll(&text, "{program}",
               PaddedProgramPath(layout.folder, row.programPathBytes));
    ReplaceAll(&text, "{dir}", layout.folder);
    ReplaceAll(&text, "{DIR}", Upper(layout.folder));
    ReplaceAll(&text, "{DIR/}", slashed);
    ReplaceAll(&text, "{dir.lower}", Lower(layout.folder));
    ReplaceAll(&text, "{unc}", ThroughShare(layout.folder));
    ReplaceAll(&text, "{root}", ScratchRoot());
    ReplaceAll(&text, "{tail}", tail);
    return text;
  };
  LaunchRequest request;
  request.commandLine = withFolder(commandLine);
  request.startIn = withFolder(startIn);
  if (row.programPathBytes != 0) {
    ASSERT_EQ(row.programPathBytes,
              PaddedProgramPath(layout.folder, row.programPathBytes).size());
  }
  std::string reachedAs;
  if (commandLine.find("{unc}") != std::string::npos) {
    reachedAs = ThroughShare(layout.folder);
    ASSERT_NE("", reachedAs) << layout.folder << " is on no lettered drive";
    const std::string share = ThroughShare(ScratchRoot());
    if (GetFileAttributesA(share.c_str()) == INVALID_FILE_ATTRIBUTES) {
      // Wine reaches \\localhost\C$ through the prefix's
      // dosdevices/unc/localhost/c$ link, which scripts/wine-run makes.
      if (UnderWine()) FAIL() << share << " cannot be reached";
      GTEST_SKIP() << share
                   << " cannot be reached: this machine does not "
                      "share its drives to its administrators";
    }
  }

  const LaunchOutcome outcome = LayOutAndLaunch(layout, request, reachedAs);
  ASSERT_EQ("", outcome.failure);
  if (row.warning) {
    ExpectWarning(outcome, *row.warning, withFolder(gameDirectory),
                  row.startTried);
  } else {
    ExpectGame(outcome, withFolder(gameCommandLine), withFolder(gameDirectory));
    EXPECT_EQ(codePage, outcome.report.codePage) << "the game's ANSI code page";
  }
  if (!HasFailure()) RemoveTree(layout.folder);
}

namespace {

// Made before the first case and removed after the last: the scratch root,
// and a stale per-drive variable for drive C in the environment that every
// launcher is started with, so that a game that sees the right one proves
// that the launcher recorded it.
class Installations : public testing::Environment {
 public:
  void SetUp() override {
    Root() = Base() + RootPrefix + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(MakeFolders(Root())) << "cannot make " << Root();
    SetEnvironmentVariableA("=C:", "C:\\Stale\\Per-Drive\\Directory");
  }
  void TearDown() override { RemoveTree(Root()); }
};

int Usage(const char* program) {
  fprintf(stderr,
          "usage: %s [--root=FOLDER] [--code-page=N] [GoogleTest flags]\n"
          "Installations go in a folder of their own under FOLDER, by "
          "default the temporary folder.\n"
          "With --code-page=N the run is for ANSI code page N: it stops at "
          "once under any other, and a case about N fails where it would "
          "skip.\n",
          program);
  return 2;
}

}  // namespace
}  // namespace varnix_e2e

// Both test programs start here.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  std::string base;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument.rfind("--root=", 0) == 0 && argument.size() > 7) {
      base = argument.substr(7);
    } else if (argument.rfind("--code-page=", 0) == 0 && argument.size() > 12) {
      varnix_e2e::RunCodePage() =
          static_cast<unsigned>(strtoul(argument.c_str() + 12, nullptr, 10));
    } else {
      return varnix_e2e::Usage(argv[0]);
    }
  }
  const unsigned wanted = varnix_e2e::RunCodePage();
  if (wanted != 0 && GetACP() != wanted) {
    fprintf(stderr,
            "%s: this run is for ANSI code page %u, but the code page is %u\n",
            argv[0], wanted, GetACP());
    return 1;
  }
  if (base.empty()) {
    char temp[MAX_PATH];
    const DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp) {
      fprintf(stderr, "cannot find the temporary folder\n");
      return 1;
    }
    base.assign(temp, length);
  }
  while (!base.empty() && (base.back() == '\\' || base.back() == '/')) {
    base.pop_back();
  }
  varnix_e2e::Base() = base;
  testing::AddGlobalTestEnvironment(new varnix_e2e::Installations);
  return RUN_ALL_TESTS();
}
