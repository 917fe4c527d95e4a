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

// The launcher's code page this run was started for (--code-page=N), 0
// when none was named: a run for a code page refuses to run in another, and
// there a row about that code page must run, not skip.
unsigned& RunCodePage() {
  static unsigned codePage = 0;
  return codePage;
}

// The launcher under test, beside this program (--launcher=FILE).
std::string& LauncherName() {
  static std::string name = "Varnix.exe";
  return name;
}

// The folder this program lies in, with its trailing separator.
std::string OwnFolder() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::string folder =
      WideToUtf8(std::wstring(path, length < MAX_PATH ? length : 0));
  const size_t last = folder.find_last_of("\\/");
  return last == std::string::npos ? std::string() : folder.substr(0, last + 1);
}

struct ManifestSearch {
  bool utf8 = false;
};

// Whether a manifest of the module sets activeCodePage to UTF-8.
BOOL CALLBACK ReadManifest(HMODULE module, LPCWSTR type, LPWSTR name,
                           LONG_PTR parameter) {
  auto* search = reinterpret_cast<ManifestSearch*>(parameter);
  const HRSRC resource = FindResourceW(module, name, type);
  const HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
  const char* data =
      loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  if (!data) return TRUE;
  const std::string text(data, SizeofResource(module, resource));
  const size_t element = text.find("<activeCodePage");
  const size_t open = text.find('>', element);
  const size_t close = text.find('<', open);
  if (element != std::string::npos && open != std::string::npos &&
      close != std::string::npos) {
    std::string value = text.substr(open + 1, close - open - 1);
    for (char& c : value) c = static_cast<char>(toupper(c));
    if (value == "UTF-8") search->utf8 = true;
  }
  return TRUE;
}

bool ManifestAsksForUtf8(const std::string& file) {
  const HMODULE module =
      LoadLibraryExW(WideName(file).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return false;
  ManifestSearch search;
  EnumResourceNamesW(module, MAKEINTRESOURCEW(24),  // RT_MANIFEST
                     ReadManifest, reinterpret_cast<LONG_PTR>(&search));
  FreeLibrary(module);
  return search.utf8;
}

// Wine 8 honours the manifest's code page, and Windows from build 18362
// (version 1903) on; RtlGetVersion, unlike GetVersionEx, tells the build
// whatever this program's own manifest says.
bool SystemHonoursActiveCodePage() {
  if (UnderWine()) return true;
  using GetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
  const auto get = reinterpret_cast<GetVersion>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  return get && get(&version) == 0 &&
         (version.dwMajorVersion > 10 ||
          (version.dwMajorVersion == 10 && version.dwBuildNumber >= 18362));
}

// The size of `utf8` in the launcher's code page.
size_t BytesInLauncherCodePage(const std::string& utf8) {
  return WideToCodePage(Utf8ToWide(utf8), LauncherCodePage()).size();
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

// Characters above 0x7F from several scripts, so that every code page spells
// some: Latin letters and a currency sign, half-width and full-width
// Japanese, Chinese, Korean. Each is kept where the launcher's code page
// spells it, some with a trail byte that is an ASCII letter or a backslash.
const std::string& HighText() {
  static const std::string text = [] {
    static const char* const candidates[] = {"é",  "€",  "ÿ",  "ｱ",  "ゲ",
                                             "表", "乗", "許", "한", "國"};
    std::string out;
    for (const char* candidate : candidates) {
      std::string bytes;
      if (Spelled(candidate, LauncherCodePage(), &bytes)) out += candidate;
    }
    return out;
  }();
  return text;
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
// SetCurrentDirectoryA `entries` times, CreateProcessA for the game only
// when it is to be started (or was tried and failed), MessageBoxA only for
// a warning, and SetEnvironmentVariableA only to record `directory`, the
// System folder entered, as its drive's current directory ("" when nothing
// is to be recorded), in UTF-8: the launcher's calls take its bytes in the
// launcher's code page.
void ExpectCalls(const LaunchOutcome& outcome, int entries, int starts,
                 int boxes, const std::string& utf8Directory) {
  if (!outcome.traced) return;
  const std::string directory =
      WideToCodePage(Utf8ToWide(utf8Directory), LauncherCodePage());
  int entryCalls = 0;
  int startCalls = 0;
  int boxCalls = 0;
  int variableCalls = 0;
  for (const TracedCall& call : outcome.calls) {
    if (call.function == "SetCurrentDirectoryA") {
      ++entryCalls;
      continue;
    }
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
  EXPECT_EQ(entries, entryCalls)
      << "the launcher's calls of SetCurrentDirectoryA";
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

// `folder` with a folder of `unit` (one character) added, so that its
// System folder's path is `characters` long; "" when `folder` is already
// too long for that.
std::string PaddedFolder(const std::string& folder, const std::string& unit,
                         size_t characters) {
  // 80 of them make a name that a Unix file system under Wine takes too:
  // 240 bytes in UTF-8.
  constexpr size_t PerName = 80;
  const size_t fixed =
      Utf8ToWide(folder).size() + strlen("\\") + strlen("\\System");
  if (characters <= fixed) return "";
  const size_t length = characters - fixed;
  std::string padding;
  size_t inName = 0;
  for (size_t count = 0; count < length; ++count) {
    if (inName == PerName && count + 1 < length) {
      padding += '\\';
      inName = 0;
    } else {
      padding += unit;
      ++inName;
    }
  }
  return folder + "\\" + padding;
}

// A program path of exactly `length` bytes in the launcher's code page that
// names the launcher in `folder`, padded with "." components that the
// system drops.
std::string PaddedProgramPath(const std::string& folder, size_t length) {
  const std::string name = "\\Varnix.exe";
  std::string path = folder;
  const size_t extra = BytesInLauncherCodePage(folder) - folder.size();
  while (extra + path.size() + 2 + name.size() <= length) path += "\\.";
  // A doubled separator, dropped as well, makes up an odd length.
  if (extra + path.size() + name.size() < length) path += "\\";
  return path + name;
}

// Copies of `unit` up to `tail`'s length, in bytes of the launcher's code
// page or in UTF-16 units, made up with "x".
std::string RepeatedUpTo(const std::string& unit, const RepeatedTail& tail) {
  const bool inCharacters = tail.characters != 0;
  const size_t limit = inCharacters ? tail.characters : tail.bytes;
  const size_t step =
      inCharacters ? Utf8ToWide(unit).size() : BytesInLauncherCodePage(unit);
  std::string text;
  size_t length = 0;
  for (; step != 0 && length + step <= limit; length += step) text += unit;
  return text + std::string(limit - length, 'x');
}

}  // namespace

const std::string& ScratchRoot() { return Root(); }

const std::string& LauncherFile() {
  static const std::string file = OwnFolder() + LauncherName();
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

// The bytes must come back as the same characters, so a best-fit
// look-alike or a default character does not count.
bool Spelled(const std::string& utf8, unsigned codePage, std::string* bytes) {
  const std::wstring wide = Utf8ToWide(utf8);
  if (wide.empty() != utf8.empty()) return false;
  *bytes = WideToCodePage(wide, codePage);
  return CodePageToWide(*bytes, codePage) == wide;
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
                   const std::string& directory, bool tried) {
  ExpectEndedWithStatusZero(outcome);
  const bool notInstalled = &warning == &NotInstalled;
  const int entries =
      notInstalled || (&warning == &NoSystemDirectory && tried) ? 1 : 0;
  ExpectCalls(outcome, entries, notInstalled && tried ? 1 : 0, 1,
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
  ExpectCalls(outcome, 1, 1, 0, network ? "" : directory);
  for (const WarningBox& box : outcome.boxes) {
    ADD_FAILURE() << "unexpected box \"" << box.caption << "\": " << box.text;
  }
  EXPECT_EQ(1, outcome.gamesRunningAtEnd)
      << "games still running when the launcher ended";
  ASSERT_TRUE(outcome.gameReported) << "the game wrote no report";
  const GameReport& report = outcome.report;
  EXPECT_EQ("released", report.hold);
  EXPECT_EQ(commandLine, report.wideCommandLine) << "the game's wide view";
  EXPECT_EQ(directory, report.wideCurrentDirectory) << "the game's wide view";
  ASSERT_GE(report.wideCurrentDirectory.size(), 2u);
  // The game's ANSI views are in the system's code page, whatever the
  // launcher's, and say something only where that code page spells them.
  std::string bytes;
  if (Spelled(commandLine, GetACP(), &bytes)) {
    EXPECT_EQ(bytes, report.commandLine) << "the game's ANSI view";
  }
  if (Spelled(directory, GetACP(), &bytes)) {
    EXPECT_EQ(bytes, report.currentDirectory) << "the game's ANSI view";
  }

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
  if (!network) expected.push_back(name + report.wideCurrentDirectory);
  std::vector<std::string> seen = report.environment;
  std::sort(expected.begin(), expected.end());
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(expected, seen) << "the game's environment";
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
  // No system starts a program by a path of MAX_PATH characters or more.
  // A launcher told its path by a command line that names it in its
  // folder reads nothing else of where it lies, so the same file is started
  // from a copy in the scratch root instead.
  std::string copy;
  if (Utf8ToWide(request.launcherFile).size() >= MAX_PATH &&
      !request.commandLine.empty()) {
    copy = Root() + "\\Short-" + std::to_string(GetTickCount()) + "-" +
           layout.launcherName;
    if (!CopyFileW(WideName(LauncherFile()).c_str(), WideName(copy).c_str(),
                   FALSE)) {
      LaunchOutcome outcome;
      outcome.failure = "cannot copy the launcher to " + copy;
      return outcome;
    }
    request.launcherFile = copy;
  }
  request.reportFile = layout.folder + ".report";
  request.neighbours = Base() + RootPrefix;
  request.ownFolder = Root() + "\\";
  const LaunchOutcome outcome = Play(request);
  if (!copy.empty()) DeleteFileW(WideName(copy).c_str());
  return outcome;
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
  const unsigned codePage = LauncherCodePage();
  const unsigned system = GetACP();
  const auto among = [](const std::vector<unsigned>& list, unsigned item) {
    return std::find(list.begin(), list.end(), item) != list.end();
  };
  if (!row.codePages.empty() && !among(row.codePages, codePage) &&
      !among(row.codePages, system)) {
    GTEST_SKIP() << "this case is about code page "
                 << CodePageList(row.codePages) << "; the launcher's is "
                 << codePage << " and the system's " << system;
  }
  if (!row.systemCodePages.empty() && !among(row.systemCodePages, system)) {
    GTEST_SKIP() << "this case is about a system in code page "
                 << CodePageList(row.systemCodePages) << "; this one's is "
                 << system;
  }
  if (row.notUnderWineInUtf8 && UnderWine() && codePage == CP_UTF8 &&
      system != CP_UTF8) {
    GTEST_SKIP() << row.notUnderWineInUtf8;
  }
  const Warning* warning = row.warning;
  const char* gameLine = row.gameCommandLine ? row.gameCommandLine : "";
  // Every text of the row in UTF-8, checked against the launcher's code
  // page, placeholders aside.
  std::string folder, commandLine, startIn, gameCommandLine, gameDirectory,
      unit;
  const std::pair<const char*, std::string*> texts[] = {
      {row.folder ? row.folder : row.name, &folder},
      {row.commandLine, &commandLine},
      {row.startIn, &startIn},
      {gameLine, &gameCommandLine},
      {row.gameDirectory, &gameDirectory},
      {row.tail.unit, &unit},
      {row.systemPathCharacters ? "ゲ" : "", nullptr}};
  for (const auto& [utf8, text] : texts) {
    std::string bytes;
    if (!Spelled(utf8, codePage, &bytes)) {
      if (row.warningWhereUnspelled) {
        warning = row.warningWhereUnspelled;
      } else {
        SKIP_OR_FAIL(row, "code page " << codePage << " cannot spell \"" << utf8
                                       << "\"");
      }
    }
    if (!text) continue;
    *text = utf8;
    ReplaceAll(text, "{high}", HighText());
  }
  ASSERT_NE("", HighText())
      << "code page " << codePage << " spells no character above 0x7F";

  Layout layout;
  layout.folder = ScratchRoot() + "\\" + folder;
  if (row.systemPathCharacters != 0) {
    layout.folder = PaddedFolder(layout.folder, "ゲ", row.systemPathCharacters);
    ASSERT_NE("", layout.folder)
        << "the scratch root " << ScratchRoot() << " is too long for this case";
    const std::string systemPath = layout.folder + "\\System";
    ASSERT_EQ(row.systemPathCharacters, Utf8ToWide(systemPath).size());
  }
  layout.launcherName = row.launcherName;
  layout.system = row.system;
  layout.game = row.game;

  const std::string tail = RepeatedUpTo(unit, row.tail);
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
    ASSERT_EQ(row.programPathBytes, BytesInLauncherCodePage(PaddedProgramPath(
                                        layout.folder, row.programPathBytes)));
  }
  std::string reachedAs;
  if (commandLine.find("{unc}") != std::string::npos) {
    reachedAs = ThroughShare(layout.folder);
    ASSERT_NE("", reachedAs) << layout.folder << " is on no lettered drive";
    const std::string share = ThroughShare(ScratchRoot());
    if (GetFileAttributesW(WideName(share).c_str()) ==
        INVALID_FILE_ATTRIBUTES) {
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
  if (warning) {
    ExpectWarning(outcome, *warning, withFolder(gameDirectory), row.tried);
  } else {
    ExpectGame(outcome, withFolder(gameCommandLine), withFolder(gameDirectory));
    EXPECT_EQ(system, outcome.report.codePage) << "the game's ANSI code page";
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
          "usage: %s [--root=FOLDER] [--launcher=FILE] [--code-page=N] "
          "[GoogleTest flags]\n"
          "Installations go in a folder of their own under FOLDER, by "
          "default the temporary folder.\n"
          "FILE, beside this program, is the launcher under test, laid out "
          "as Varnix.exe; by default Varnix.exe.\n"
          "With --code-page=N the run is for a launcher in ANSI code page N: "
          "it stops at once when the launcher runs in any other, and a case "
          "about N fails where it would skip.\n",
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
    } else if (argument.rfind("--launcher=", 0) == 0 && argument.size() > 11) {
      varnix_e2e::LauncherName() = argument.substr(11);
    } else if (argument.rfind("--code-page=", 0) == 0 && argument.size() > 12) {
      varnix_e2e::RunCodePage() =
          static_cast<unsigned>(strtoul(argument.c_str() + 12, nullptr, 10));
    } else {
      return varnix_e2e::Usage(argv[0]);
    }
  }
  const unsigned wanted = varnix_e2e::RunCodePage();
  const unsigned launcherCodePage = varnix_e2e::LauncherCodePage();
  if (wanted != 0 && launcherCodePage != wanted) {
    fprintf(stderr,
            "%s: this run is for a launcher in ANSI code page %u, but %s "
            "runs in %u (the system's is %u)\n",
            argv[0], wanted, varnix_e2e::LauncherFile().c_str(),
            launcherCodePage, GetACP());
    return 1;
  }
  if (base.empty()) {
    wchar_t temp[MAX_PATH];
    const DWORD length = GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH) {
      fprintf(stderr, "cannot find the temporary folder\n");
      return 1;
    }
    base = varnix_e2e::WideToUtf8(std::wstring(temp, length));
  } else {
    base = varnix_e2e::WideToUtf8(varnix_e2e::CodePageToWide(base, CP_ACP));
  }
  while (!base.empty() && (base.back() == '\\' || base.back() == '/')) {
    base.pop_back();
  }
  varnix_e2e::Base() = base;
  testing::AddGlobalTestEnvironment(new varnix_e2e::Installations);
  return RUN_ALL_TESTS();
}
