// The stand-in game: reads the performance counter before anything else,
// hands the reading to the driver and ends. No C runtime and only KERNEL32,
// so that its own start-up is as short as a process start can be and the
// figures measure whatever starts it.
#include <windows.h>

#include "bench/bench_channel.h"

extern "C" void BenchGameEntry() {
  LARGE_INTEGER enteredAt;
  QueryPerformanceCounter(&enteredAt);
  HANDLE mapping =
      OpenFileMappingA(FILE_MAP_WRITE, FALSE, varnix_bench::GameRecordName);
  if (mapping) {
    auto* record = static_cast<varnix_bench::GameRecord*>(
        MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
    if (record) {
      record->enteredAt = enteredAt.QuadPart;
      record->processId = GetCurrentProcessId();
    }
  }
  HANDLE entered =
      OpenEventA(EVENT_MODIFY_STATE, FALSE, varnix_bench::GameEnteredName);
  if (entered) SetEvent(entered);
  ExitProcess(0);
}
