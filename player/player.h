// Plays the player: lays out an installation, starts the launcher the way a
// shell or a shortcut would, reads and dismisses whatever warning box it
// shows, and collects what the stand-in game reported. Shared by the
// end-to-end tests and the demo's `play` tool.
#ifndef VARNIX_PLAYER_PLAYER_H
#define VARNIX_PLAYER_PLAYER_H

#include <windows.h>

#include <string>
#include <vector>

#include "player/files.h"
#include "player/game_report.h"

namespace varnix_e2e {

// A handle's value in hexadecimal, as the stand-in game reads it back.
std::string HandleText(HANDLE handle);

enum class SystemFolder { Present, Missing, IsAFile };
// NotAProgram: a program file for a machine that no Windows runs, which the
// system refuses to start without a dialog of its own.
enum class GameFile { StandIn, Missing, NotAProgram };

struct Layout {
  std::string folder;  // the installation folder, made afresh
  std::string launcherName = "Varnix.exe";
  SystemFolder system = SystemFolder::Present;
  GameFile game = GameFile::StandIn;
};

// Empties `layout.folder` and fills it: the launcher (a copy of
// `launcherFile`) under its name, and the System folder with the game (a copy
// of `standInFile`) as the layout says. On failure says why in `error`.
bool LayOut(const Layout& layout, const std::string& launcherFile,
            const std::string& standInFile, std::string* error);

// True under Wine, which some checks cannot be made under and others can
// only be made under. Told by ntdll's own export, not by the environment.
bool UnderWine();

// One call of the launcher's to SetCurrentDirectoryA, CreateProcessA,
// MessageBoxA or SetEnvironmentVariableA, as Wine's relay trace printed it:
// each argument's value and, for a string, its bytes ("" for any other
// argument), and whether the trace cut the string short.
struct TracedCall {
  std::string function;
  std::vector<unsigned long long> values;
  std::vector<std::string> texts;
  std::vector<bool> cut;
};

// The file that this program's standard error goes to, where Wine writes
// the relay trace of the processes it starts, as VARNIX_E2E_TRACE names it;
// empty when the launcher's calls are not traced (on Windows, or when
// nobody said where the trace goes).
const std::string& TraceFile();

struct WarningBox {
  std::string caption;
  std::string text;
  int buttons = 0;   // push buttons in the box
  int buttonId = 0;  // the first one's control id
  bool owned = true;
  // Shows an icon, and which one: under Windows a shared icon's handle is
  // the same in every process; under Wine it means something only to the
  // process that loaded it.
  bool icon = false;
  HICON iconHandle = nullptr;
  bool topmost = false;  // kept above every other window
};

// Every text of a request is UTF-8; the launcher is started through
// CreateProcessW, so that the system, not the player, turns it into the
// launcher's code page.
struct LaunchRequest {
  std::string launcherFile;  // what is started (lpApplicationName)
  // The launcher's whole command line, exactly as it is to read it. Empty
  // means empty: Windows would put a command line in, so the launcher is
  // given one that would end otherwise, and it is taken out again before the
  // launcher runs.
  std::string commandLine;
  std::string startIn;     // the launcher's current directory; empty: ours
  STARTUPINFOW startup{};  // cb is set by Play
  DWORD creationFlags = 0;
  // When set, started with bInheritHandles TRUE so that the launcher holds
  // it, and named to the game, which says whether it got it too.
  HANDLE inheritable = nullptr;
  std::string reportFile;  // where the game is to write its report
  // Whether the game waits, before it reports, until the launcher has
  // ended; not when the stand-in itself is what is started.
  bool holdGame = true;
  // Other players may run alongside, with their installations under
  // folders whose names begin with `neighbours`, wherever those lie; a
  // dialog of a program started from under one of those, other than
  // `ownFolder` (a name too), is theirs.
  std::string neighbours;
  std::string ownFolder;
};

struct LaunchOutcome {
  std::string failure;  // why the run could not be carried out, if it could not
  bool ended = false;   // the launcher ended by itself, in time
  DWORD exitCode = 0;
  std::vector<WarningBox> boxes;  // every box, in order, each dismissed
  // Games the launcher had started that were still running when it ended:
  // each is held on an event until then, so a started game is always seen.
  int gamesRunningAtEnd = 0;
  bool gameReported = false;
  GameReport report;
  // The environment the launcher was started with, entry by entry.
  std::vector<std::string> environment;
  // The launcher's traced calls, in order, when they were traced.
  bool traced = false;
  std::vector<TracedCall> calls;
};

// Starts the launcher, dismisses its boxes, waits for its end, then releases
// the game it started, if any, and reads its report, which is then deleted.
// A dialog of any other process that appears meanwhile, up to the game's
// report (a system box about the game, say, that no player of this launcher
// should meet), is closed and makes the run a failure that names it; while
// the launcher runs, it ends the watch at once.
LaunchOutcome Play(const LaunchRequest& request);

}  // namespace varnix_e2e

#endif  // VARNIX_PLAYER_PLAYER_H
