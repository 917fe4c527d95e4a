// The end-to-end tables' one case, a row laid out and launched, with which
// rows apply to a run and the checks of what came of a launch.
#include "tests/windows/launch_case.h"

#include <stdint.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <vector>

#include "platform/drive_variable.h"

namespace varnix_e2e {

void PrintTo(const LaunchCase& row, std::ostream* out) { *out << row.name; }

namespace {

std::string InLauncherCodePage(const std::string& utf8) {
  return WideToCodePage(Utf8ToWide(utf8), LauncherCodePage());
}

// Only ASCII letters: the bytes of other characters stay as they are.
std::string InCase(std::string text, int (*to)(int)) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x80) c = static_cast<char>(to(c));
  }
  return text;
}

std::string Replaced(std::string text, const std::string& what,
                     const std::string& with) {
  for (size_t at = text.find(what); at != std::string::npos;
       at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
  return text;
}

// Characters above 0x7F from several scripts, so that every code page spells
// some: Latin letters and a currency sign, half-width and full-width
// Japanese, Chinese, Korean. Each is kept where the launcher's code page
// spells it, some with a trail byte that is an ASCII letter or a backslash.
std::string HighText() {
  std::string text;
  for (const char* candidate :
       {"é", "€", "ÿ", "ｱ", "ゲ", "表", "乗", "許", "한", "國"}) {
    if (Spelled(candidate, LauncherCodePage())) text += candidate;
  }
  return text;
}

// "" for a network folder, which has none.
std::string DriveVariable(const std::string& directory) {
  char name[4];
  return !directory.empty() &&
                 varnix::DriveVariableName(directory.c_str(), name)
             ? name
             : "";
}

// What every run must show: the launcher ended by itself with status 0.
// Where Wine traced its Windows calls, their exact arguments:
// SetCurrentDirectoryA `entries` times, CreateProcessA for the game only
// when it is to be started (or was tried and failed), MessageBoxA only for
// a warning, and SetEnvironmentVariableA only to record `directory`, the
// System folder entered, as its drive's current directory (not for a
// network folder), in UTF-8: the launcher's calls take its bytes in the
// launcher's code page.
void ExpectEndAndCalls(const LaunchOutcome& outcome, int entries, int starts,
                       int boxes, const std::string& utf8Directory) {
  EXPECT_TRUE(outcome.ended) << "the launcher did not end by itself";
  EXPECT_EQ(0u, outcome.exitCode);
  if (!outcome.traced) return;
  const std::string variable = DriveVariable(utf8Directory);
  const std::string directory = InLauncherCodePage(utf8Directory);
  std::map<std::string, int> calls;
  for (const TracedCall& call : outcome.calls) {
    ++calls[call.function];
    const auto& v = call.values;
    // A BOOL or a DWORD is traced as the whole register it came in, so only
    // its low 32 bits count.
    const auto low = [&v](size_t i) { return static_cast<uint32_t>(v[i]); };
    if (call.function == "CreateProcessA") {
      ASSERT_EQ(10u, v.size()) << "CreateProcessA's arguments";
      EXPECT_EQ("RuZoriru.exe", call.texts[0]) << "lpApplicationName";
      EXPECT_EQ(0u, v[2]) << "lpProcessAttributes";
      EXPECT_EQ(0u, v[3]) << "lpThreadAttributes";
      EXPECT_EQ(0u, low(4)) << "bInheritHandles";
      EXPECT_EQ(static_cast<uint32_t>(NORMAL_PRIORITY_CLASS), low(5))
          << "dwCreationFlags";
      EXPECT_EQ(0u, v[6]) << "lpEnvironment";
      EXPECT_EQ(0u, v[7]) << "lpCurrentDirectory";
    } else if (call.function == "MessageBoxA") {
      ASSERT_EQ(4u, v.size()) << "MessageBoxA's arguments";
      EXPECT_EQ(0u, v[0]) << "hWnd";
      EXPECT_EQ(static_cast<uint32_t>(MB_OK | MB_ICONEXCLAMATION), low(3))
          << "uType";
    } else if (call.function == "SetEnvironmentVariableA") {
      ASSERT_EQ(2u, v.size()) << "SetEnvironmentVariableA's arguments";
      const std::string& value = call.texts[1];
      ASSERT_NE("", variable) << "SetEnvironmentVariableA(" << call.texts[0]
                              << ", " << value << ") for a network folder";
      EXPECT_EQ(variable, call.texts[0]) << "the variable's name";
      EXPECT_EQ(call.cut[1] ? directory.substr(0, value.size()) : directory,
                value)
          << "the variable's value";
    }
  }
  const std::pair<const char*, int> expected[] = {
      {"SetCurrentDirectoryA", entries},
      {"CreateProcessA", starts},
      {"MessageBoxA", boxes},
      {"SetEnvironmentVariableA", variable.empty() ? 0 : 1}};
  for (const auto& [function, count] : expected) {
    EXPECT_EQ(count, calls[function]) << "the launcher's calls of " << function;
  }
}

// `icon` drawn at its own size, which `size` gets, pixel by pixel.
std::vector<uint32_t> IconPixels(HICON icon, SIZE* size) {
  std::vector<uint32_t> pixels;
  ICONINFO info;
  if (!icon || !GetIconInfo(icon, &info)) return pixels;
  BITMAP mask = {};
  GetObjectA(info.hbmMask, sizeof mask, &mask);
  // Without a colour bitmap the mask holds both masks, one above the other.
  *size = {mask.bmWidth, info.hbmColor ? mask.bmHeight : mask.bmHeight / 2};
  DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  BITMAPINFO format = {};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = size->cx;
  format.bmiHeader.biHeight = -size->cy;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP target =
      CreateDIBSection(dc, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (target && bits) {
    const HGDIOBJ old = SelectObject(dc, target);
    DrawIconEx(dc, 0, 0, icon, size->cx, size->cy, 0, nullptr, DI_NORMAL);
    GdiFlush();
    const uint32_t* p = static_cast<const uint32_t*>(bits);
    pixels.assign(p, p + static_cast<size_t>(size->cx) * size->cy);
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
  SIZE size = {}, systemSize = {};
  const std::vector<uint32_t> seen = IconPixels(shown, &size);
  const HICON system =
      static_cast<HICON>(LoadImageA(nullptr, MAKEINTRESOURCEA(32515),
                                    IMAGE_ICON, size.cx, size.cy, LR_SHARED));
  EXPECT_TRUE(!seen.empty() && seen == IconPixels(system, &systemSize))
      << "not the exclamation icon: the box shows icon " << HandleText(shown)
      << " (" << size.cx << "x" << size.cy << "), the system's is "
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
  const size_t fixed = Utf8ToWide(folder + "\\" + "\\System").size();
  if (characters <= fixed) return "";
  const size_t length = characters - fixed;
  // A separator after every PerName of them, but never last.
  std::string padding = folder + "\\";
  for (size_t count = 1; count <= length; ++count) {
    padding += count % (PerName + 1) == 0 && count < length ? "\\" : unit;
  }
  return padding;
}

// A program path of exactly `length` bytes in the launcher's code page that
// names the launcher in `folder`, padded with "." components that the
// system drops.
std::string PaddedProgramPath(const std::string& folder, size_t length) {
  const std::string name = "\\Varnix.exe";
  std::string path = folder;
  const size_t extra = InLauncherCodePage(folder).size() - folder.size();
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
      inCharacters ? Utf8ToWide(unit).size() : InLauncherCodePage(unit).size();
  std::string text;
  size_t length = 0;
  for (; step != 0 && length + step <= limit; length += step) text += unit;
  return text + std::string(limit - length, 'x');
}

std::string ThroughShare(const std::string& folder) {
  const char drive = static_cast<char>(toupper(folder.empty() ? 0 : folder[0]));
  if (drive < 'A' || drive > 'Z' || folder.compare(1, 2, ":\\") != 0) {
    return "";
  }
  return std::string("\\\\localhost\\") + drive + "$" + folder.substr(2);
}

// Exactly `warning`'s box, with one OK button, the exclamation icon, no
// owner, not kept on top, and no game; `directory` is the System folder
// entered first, for the not-installed warning; `tried` as LaunchCase has it.
void ExpectWarning(const LaunchOutcome& outcome, const Warning& warning,
                   const std::string& directory, bool tried) {
  const bool notInstalled = &warning == &NotInstalled;
  const int entries =
      notInstalled || (&warning == &NoSystemDirectory && tried) ? 1 : 0;
  ExpectEndAndCalls(outcome, entries, notInstalled && tried ? 1 : 0, 1,
                    notInstalled ? directory : "");
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
  if (!UnderWine()) ExpectExclamationIcon(box.icon);
  EXPECT_EQ(0, outcome.gamesRunningAtEnd) << "a game was started";
  EXPECT_FALSE(outcome.gameReported) << "a game was started";
}

}  // namespace

// The game still runs when the launcher ends, so that did not wait for it.
void ExpectGame(const LaunchOutcome& outcome, const std::string& commandLine,
                const std::string& directory) {
  ExpectEndAndCalls(outcome, 1, 1, 0, directory);
  for (const WarningBox& box : outcome.boxes) {
    ADD_FAILURE() << "unexpected box \"" << box.caption << "\": " << box.text
                  << "; the game's file then held " << outcome.gameBytes
                  << " bytes, the stand-in "
                  << std::filesystem::file_size(WideName(StandInFile()));
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
  std::vector<std::string> expected = outcome.environment;
  const std::string variable = DriveVariable(directory);
  if (!variable.empty()) {
    SetVariable(&expected, variable, report.wideCurrentDirectory);
  }
  std::vector<std::string> seen = report.environment;
  std::sort(expected.begin(), expected.end());
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(expected, seen) << "the game's environment";
}

LaunchOutcome LayOutAndLaunch(const Layout& layout, LaunchRequest request,
                              const std::string& reachedAs) {
  LaunchOutcome failed;
  if (!LayOut(layout, LauncherFile(), StandInFile(), &failed.failure)) {
    return failed;
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
    copy = ScratchRoot() + "\\Short-" + std::to_string(GetTickCount()) + "-" +
           layout.launcherName;
    if (!CopyFileW(WideName(LauncherFile()).c_str(), WideName(copy).c_str(),
                   FALSE)) {
      failed.failure = "cannot copy the launcher to " + copy;
      return failed;
    }
    request.launcherFile = copy;
  }
  request.reportFile = layout.folder + ".report";
  request.gameFile = layout.folder + "\\System\\RuZoriru.exe";
  const LaunchOutcome outcome = Play(request);
  if (!copy.empty()) DeleteFileW(WideName(copy).c_str());
  return outcome;
}

namespace {

// "" when `list` is empty or holds `one` or `other`; else the list, to be
// named in a message.
std::string Outside(const std::vector<unsigned>& list, unsigned one,
                    unsigned other) {
  std::string text;
  for (unsigned codePage : list) {
    if (codePage == one || codePage == other) return "";
    text += (text.empty() ? "" : ", ") + std::to_string(codePage);
  }
  return text;
}

// The first of the row's texts, in the order the case takes them up, that
// the launcher's code page cannot spell; null when it spells them all.
const char* Unspelled(const LaunchCase& row) {
  for (const char* text :
       {row.folder ? row.folder : row.name, row.commandLine, row.startIn,
        row.gameCommandLine, row.gameDirectory, row.tail.unit,
        row.systemPathCharacters ? "ゲ" : ""}) {
    if (!Spelled(text, LauncherCodePage())) return text;
  }
  return nullptr;
}

// Why `row` does not apply to this run, "" when it does.
std::string WhyNotHere(const LaunchCase& row) {
  const unsigned launcher = LauncherCodePage();
  const unsigned system = GetACP();
  const std::pair<const char*, std::string> outside[] = {
      {"code page ", Outside(row.codePages, launcher, system)},
      {"a launcher in code page ",
       Outside(row.launcherCodePages, launcher, launcher)},
      {"a system in code page ", Outside(row.systemCodePages, system, system)}};
  for (const auto& [about, list] : outside) {
    if (!list.empty()) {
      return "about " + (about + list) + "; the launcher's code page is " +
             std::to_string(launcher) + " and the system's " +
             std::to_string(system);
    }
  }
  // A command line that begins with the installation's path has it
  // unquoted, and that path ends at the first blank.
  if (row.commandLine[0] == '{' &&
      ScratchBase().find(' ') != std::string::npos) {
    return "the scratch root's folder " + ScratchBase() +
           " has a blank, and the row's path is unquoted";
  }
  // A row about the code page a run is for is a case of that run whatever
  // its text, and fails where the code page cannot spell it.
  if (row.warningWhereUnspelled ||
      std::ranges::count(row.codePages, RunCodePage()) != 0) {
    return "";
  }
  const char* text = Unspelled(row);
  return text ? "code page " + std::to_string(launcher) + " cannot spell \"" +
                    text + "\""
              : "";
}

}  // namespace

// A row that does not apply is no case of the run at all, rather than one
// that skips.
std::vector<LaunchCase> Applying(std::span<const LaunchCase> table,
                                 unsigned codePage) {
  std::vector<LaunchCase> rows;
  for (LaunchCase row : table) {
    if (codePage != 0) row.codePages = {codePage};
    if (AllRows() || WhyNotHere(row).empty()) rows.push_back(row);
  }
  return rows;
}

// In a run where no row of a program's tables applies.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Launcher);

TEST_P(Launcher, Run) {
  const LaunchCase& row = GetParam();
  const std::string why = WhyNotHere(row);
  if (!why.empty()) GTEST_SKIP() << why;
  if (row.notUnderWine && UnderWine())
    GTEST_SKIP() << "Only Windows shows this: " << row.notUnderWine;
  const Warning* warning = row.warning;
  if (row.wineStartsTheGame && UnderWine()) {
    warning = nullptr;
    std::cout << "Under Wine the game starts: " << row.wineStartsTheGame
              << "\n";
  }
  if (const char* text = Unspelled(row)) {
    if (!row.warningWhereUnspelled) {
      FAIL() << "code page " << LauncherCodePage() << " cannot spell \"" << text
             << "\", in a run for code page " << RunCodePage();
    }
    warning = row.warningWhereUnspelled;
  }
  const std::string high = HighText();
  ASSERT_NE("", high) << "code page " << LauncherCodePage()
                      << " spells no character above 0x7F";

  Layout layout;
  layout.folder = ScratchRoot() + "\\" +
                  Replaced(row.folder ? row.folder : row.name, "{high}", high);
  if (row.systemPathCharacters != 0) {
    layout.folder = PaddedFolder(layout.folder, "ゲ", row.systemPathCharacters);
    ASSERT_NE("", layout.folder)
        << "the scratch root " << ScratchRoot() << " is too long for this case";
    ASSERT_EQ(row.systemPathCharacters,
              Utf8ToWide(layout.folder + "\\System").size());
  }
  layout.launcherName = row.launcherName;
  layout.system = row.system;
  layout.game = row.game;

  const std::string program =
      PaddedProgramPath(layout.folder, row.programPathBytes);
  if (row.programPathBytes != 0) {
    ASSERT_EQ(row.programPathBytes, InLauncherCodePage(program).size());
  }
  const std::string upper = InCase(layout.folder, toupper);
  // The tail last, so that nothing in it is taken for a placeholder.
  const std::pair<const char*, std::string> placeholders[] = {
      {"{program}", program},
      {"{dir}", layout.folder},
      {"{DIR}", upper},
      {"{DIR/}", Replaced(upper, "\\", "/")},
      {"{dir.lower}", InCase(layout.folder, tolower)},
      {"{unc}", ThroughShare(layout.folder)},
      {"{root}", ScratchRoot()},
      {"{high}", high},
      {"{tail}",
       RepeatedUpTo(Replaced(row.tail.unit, "{high}", high), row.tail)}};
  const auto withFolder = [&](std::string text) {
    for (const auto& [name, value] : placeholders) {
      text = Replaced(text, name, value);
    }
    return text;
  };
  LaunchRequest request;
  request.commandLine = withFolder(row.commandLine);
  request.startIn = withFolder(row.startIn);
  request.wineChannel = row.wineChannel;
  std::string reachedAs;
  if (std::string(row.commandLine).find("{unc}") != std::string::npos) {
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
    ExpectWarning(outcome, *warning, withFolder(row.gameDirectory), row.tried);
  } else {
    ExpectGame(outcome, withFolder(row.gameCommandLine),
               withFolder(row.gameDirectory));
    EXPECT_EQ(GetACP(), outcome.report.codePage) << "the game's ANSI code page";
  }
  for (const std::string& line : outcome.wineLines) ADD_FAILURE() << line;
  if (!HasFailure()) RemoveTree(layout.folder);
}

}  // namespace varnix_e2e
