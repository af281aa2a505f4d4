#include "core/ui/device_hooks.h"

#include <vector>

namespace {

std::vector<void (*)()>& CloseHooks() {
  static std::vector<void (*)()> hooks;
  return hooks;
}

void (*g_ClockSetHook)() = nullptr;

}  // namespace

void RegisterCloseHook(void (*hook)()) {
  if (hook) CloseHooks().push_back(hook);
}

void RunCloseHooks() {
  for (auto hook : CloseHooks()) hook();
}

void RegisterClockSetHook(void (*hook)()) { g_ClockSetHook = hook; }

void RunClockSetHooks() {
  if (g_ClockSetHook) g_ClockSetHook();
}
