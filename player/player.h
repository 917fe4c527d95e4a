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

// Makes `layout.folder` afresh as the layout says; on failure says why.
bool LayOut(const Layout& layout, const std::string& launcherFile,
            const std::string& standInFile, std::string* error);

bool UnderWine();

// One call of the launcher's as Wine's relay trace printed it: each
// argument's value, a string argument's bytes, and whether the trace cut
// that short.
struct TracedCall {
  std::string function;
  std::vector<unsigned long long> values;
  std::vector<std::string> texts;
  std::vector<bool> cut;
};

// Where Wine writes the launcher's relay trace (VARNIX_E2E_TRACE); empty
// when its calls are not traced.
const std::string& TraceFile();

struct WarningBox {
  std::string caption;
  std::string text;
  int buttons = 0;   // push buttons in the box
  int buttonId = 0;  // the first one's control id
  bool owned = true;
  // The box's icon, if any; under Wine the handle means something only to
  // the process that loaded it.
  HICON icon = nullptr;
  bool topmost = false;  // kept above every other window
};

// Every text of a request is UTF-8.
struct LaunchRequest {
  std::string launcherFile;  // what is started (lpApplicationName)
  // The launcher's whole command line, exactly; empty means empty.
  std::string commandLine;
  std::string startIn;     // the launcher's current directory; empty: ours
  STARTUPINFOW startup{};  // cb is set by Play
  DWORD creationFlags = 0;
  // Handed down to the launcher, and named to the game, which says whether
  // it got it too.
  HANDLE inheritable = nullptr;
  std::string reportFile;  // where the game is to write its report
  // Whether the game waits, before it reports, until the launcher has ended.
  bool holdGame = true;
  // Where Wine traces the launcher's calls, a channel of Wine's ("actctx")
  // whose errors, warnings and fixmes it reports too, in `wineLines`.
  std::string wineChannel;
  std::string gameFile;  // where the game lies, read when a box shows
};

struct LaunchOutcome {
  std::string failure;  // why the run could not be carried out, if it could not
  bool ended = false;   // the launcher ended by itself, in time
  DWORD exitCode = 0;
  std::vector<WarningBox> boxes;  // every box, in order, each dismissed
  int gamesRunningAtEnd = 0;      // each held until then, so always seen
  bool gameReported = false;
  GameReport report;
  std::vector<std::string> environment;  // the launcher was started with
  bool traced = false;
  std::vector<TracedCall> calls;
  std::vector<std::string> wineLines;  // of the launcher's process, as written
  unsigned long long gameBytes = 0;  // the game's size when a box first showed
};

// Starts the launcher as a shell does, dismisses its boxes, waits for its
// end, releases its game and reads the report. A dialog meanwhile of a
// process the launcher started, or one the system shows about the launcher
// or the game, is closed and fails the run; any other program's is left
// alone.
LaunchOutcome Play(const LaunchRequest& request);

}  // namespace varnix_e2e

#endif  // VARNIX_PLAYER_PLAYER_H
