// The floor for a program that can show a message box: an empty process
// that also imports USER32, which Windows loads and initializes before the
// entry runs, whether or not a box is ever shown.
#include <windows.h>

// Referenced so that the linker keeps the import; never called.
int(WINAPI* volatile KeepUser32Import)(HWND, LPCSTR, LPCSTR,
                                       UINT) = MessageBoxA;

extern "C" void EmptyUser32Entry() { ExitProcess(0); }
