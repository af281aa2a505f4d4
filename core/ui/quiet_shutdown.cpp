#include "core/ui/quiet_shutdown.h"

#include <cstdlib>

namespace {

void (*g_QuietShutDown)() = nullptr;

}  // namespace

void SetQuietShutDownHandler(void (*handler)()) { g_QuietShutDown = handler; }

void QuietShutDown() {
  if (g_QuietShutDown) g_QuietShutDown();
  std::_Exit(0);  // only without a composition root (tools, tests)
}
