// The floor: a process that does nothing but end. No C runtime, one import.
#include <windows.h>

extern "C" void EmptyEntry() { ExitProcess(0); }
