// Placeholders for calls into subsystems that have not landed yet. Each one
// says so once on standard error and returns its failure value; nothing here
// pretends to work. Whoever lands the real function deletes its placeholder.
#include "core/app/pending.h"

#include <mutex>
#include <set>
#include <string>

#include "core/base/diag.h"
#include "core/base/no_destructor.h"

namespace {

void NotBuilt(const char* name) {
  // Threads may still call a placeholder while exit() runs.
  static NoDestructor<std::mutex> m;
  static NoDestructor<std::set<std::string>> told;
  std::lock_guard<std::mutex> lock(*m);
  if (told->insert(name).second) DiagPrintf("%s: not built yet", name);
}

constexpr unsigned int kNone = static_cast<unsigned int>(-1);

}  // namespace

#define PENDING_INT(name, ...)   \
  int name(__VA_ARGS__) {        \
    NotBuilt(#name);             \
    return -1;                   \
  }


// --- Players and menus of later issues ---------------------------------------
PENDING_INT(CreateMainMenu)
PENDING_INT(CreateBookMarkMenu)
PENDING_INT(CreateFileOperationMenu)

// --- Compass (tools) ---------------------------------------------------------
PENDING_INT(SaveDefaultCompassSetting)


// --- Tools (tools) -----------------------------------------------------------
bool g_bCalculagraphRunning = false;
PENDING_INT(LoadToolsSettings)
PENDING_INT(SaveToolsSettings)
unsigned int GetRemindLeftTime(unsigned int) {
  NotBuilt("GetRemindLeftTime");
  return kNone;
}
