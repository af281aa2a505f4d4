#include "core/ui/key_describer.h"
#include "core/ui/window.h"
#include "speech/tts.h"
#include "tools/calculagraph.h"
#include "tools/calculator.h"
#include "tools/compass.h"
#include "tools/tools_menu.h"
#include "tools/tools_speech.h"
#include "speech/ux_language.h"

namespace {

int (*g_OpenVoiceReminderMenu)() = nullptr;
int (*g_ReloadVoiceReminders)() = nullptr;

// "Voice reminder", "calculator", "calcuagraph", "compass", "Disk Management".
constexpr int kItemPhrases[] = {UxPhrase::VoiceReminder, UxPhrase::Calculator, UxPhrase::Calcuagraph, UxPhrase::Compass, UxPhrase::DiskManagement};

class ToolsMenu final : public tools::PhraseMenu {
 public:
  ToolsMenu() : PhraseMenu(kItemPhrases, 5) {}

  int KeyOK() override {
    int r = -1;
    switch (m_CurIndex) {
      case 0: r = g_OpenVoiceReminderMenu ? g_OpenVoiceReminderMenu() : -1; break;
      case 1: r = CreateCalcuator(); break;
      case 2: r = CreateCalculagraph(); break;
      case 3: r = compass::OpenCompass(); break;
      default: r = CreateDiskFormat(); break;
    }
    // No room for another window, or no voice reminders wired in.
    if (r != 0) tools::SayPhrase(UxPhrase::Error);
    return 0;
  }
};

}  // namespace

void RegisterToolsVoiceReminder(int (*openMenu)(), int (*reload)()) {
  g_OpenVoiceReminderMenu = openMenu;
  g_ReloadVoiceReminders = reload;
}

int tools::ReloadVoiceReminders() { return g_ReloadVoiceReminders ? g_ReloadVoiceReminders() : -1; }

int CreateToolsMenu() {
  // The settings menu that opens it speaks it.
  return tools::Push(new ToolsMenu());
}
