// Calls the core makes into subsystems that have not landed yet. Each group
// names its owner; whoever builds that subsystem moves the declarations into
// its own header, deletes the placeholders in core/pending.cpp, and points
// the includes here at the new header.
#pragma once

#include <ctime>

#include "core/ui/system_settings.h"

// --- Players and menus of later issues ----------------------------------
// Each pushes its window and returns 0; the placeholders return -1, and the
// file browser then says "file not supported".
int CreateMainMenu();
int CreateBookMarkMenu();
int CreateFileOperationMenu();

// --- Compass (tools) ---------------------------------------------------------
// Resets the compass calibration to its default. 0.
int SaveDefaultCompassSetting();


// --- Tools ---------------------------------------------------------------
int LoadToolsSettings();
int SaveToolsSettings();
extern bool g_bCalculagraphRunning;
// Seconds until the running countdown's next reminder; (unsigned)-1 none.
unsigned int GetRemindLeftTime(unsigned int now);

