// The launcher as a team would build it by default: the same sources behind
// an ordinary WinMain, with MinGW's C runtime linked in statically.
#include <windows.h>

extern "C" void LauncherEntry();

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  LauncherEntry();
  return 0;
}
