// The heap's high-water mark, for measuring the player's memory on the
// device's word size: with DTB_HEAP_REPORT set, the tick samples glibc's
// count of the bytes in use and power-off logs the largest one seen.
#include <malloc.h>

#include <cstdio>
#include <cstdlib>

#include "core/app/mainloop.h"

namespace {

bool Enabled() {
  static const bool on = getenv("DTB_HEAP_REPORT") != nullptr;
  return on;
}

size_t g_PeakHeap = 0;

size_t HeapInUse() {
  struct mallinfo2 m = mallinfo2();
  // Small blocks from the arenas and large ones mapped by themselves.
  return m.uordblks + m.hblkhd;
}

}  // namespace

void SampleHeap() {
  if (!Enabled()) return;
  size_t now = HeapInUse();
  if (now > g_PeakHeap) g_PeakHeap = now;
}

void ReportHeap() {
  if (!Enabled()) return;
  SampleHeap();
  fprintf(stderr, "heap: peak %zu KiB in use, %zu KiB at power-off (%zu-bit)\n", g_PeakHeap / 1024,
          HeapInUse() / 1024, sizeof(void*) * 8);
  fflush(stderr);
}
