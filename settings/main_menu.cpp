// The main menu of the settings tree, and what its items share.
#include <string>

#include "browser/openers.h"
#include "core/ui/key_describer.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/settings_area.h"
#include "core/ui/system_settings.h"
#include "core/ui/window.h"
#include "platform/board.h"
#include "platform/board_profile.h"
#include "settings/settings_menu.h"
#include "settings/settings_menus.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

void SettingDone() {
  SysTts_Add((PhraseText(UxPhrase::SettingDone) + " ").c_str());
  MarkSettingsChanged(kSystemSettingsArea);
}

void SettingsMenu::Say(const std::string& text) { SysTts_Play(text.c_str(), -1); }

int ValueMenu::OnKeyPress(int code) {
  if (g_bKeyBoardLocked) return 0;
  if (code == KEY_UP || code == KEY_DOWN) return 0;
  if (code != KEY_LEFT && code != KEY_RIGHT) return Menu::OnKeyPress(code);
  int i = m_CurIndex + (code == KEY_LEFT ? -1 : 1);
  if (i >= 0 && i < m_ItemCount) m_CurIndex = i;
  return Show();
}

std::string DescribeSettingKey(int code, int held, Menu* menu) {
  if (held < 0 && code == KEY_PLAY) return PhraseText(UxPhrase::KeySetsWhatWasChosen);
  return menu->Menu::DescribeKey(code, held);
}

std::string ValueMenu::DescribeKey(int code, int held) {
  if (held >= 0) return Menu::DescribeKey(code, held);
  if (code == KEY_UP || code == KEY_DOWN) return KeyIgnored();
  if (code == KEY_LEFT || code == KEY_RIGHT)
    return PhraseText(UxPhrase::KeyThePreviousOrNextValue);
  return DescribeSettingKey(code, held, this);
}

int OpenSettingsWindow(iWindow* w) {
  if (!w) return -1;
  if (AddWindow(w) != 0) {
    delete w;
    return -1;
  }
  return 0;
}

int g_MainMenuIndex = 0;

namespace {

enum {
  kVersion, kDevice, kTime, kVoice, kAlarms, kResume, kFmTx, kRecording, kTools, kLanguage,
  kFactory, kMainItems
};
const int c_MainPhrases[kMainItems] = {UxPhrase::VersionInformation, UxPhrase::DeviceInformation, UxPhrase::TimeSettings, UxPhrase::SystemVoice, UxPhrase::Alarms, UxPhrase::ResumePlaySettings, UxPhrase::FMTransmitterSettings, UxPhrase::RecordingSettings, UxPhrase::Tools, UxPhrase::Language, UxPhrase::DefaultFactorySettings};

class MainMenu final : public SettingsMenu {
 public:
  MainMenu() {
    m_ItemCount = kMainItems;
    m_CurIndex = g_MainMenuIndex >= 0 && g_MainMenuIndex < kMainItems ? g_MainMenuIndex : 0;
    if (Skipped(m_CurIndex)) m_CurIndex = 0;
  }
  ~MainMenu() override { g_MainMenuIndex = m_CurIndex; }

  int Show() override {
    Say(PhraseText(c_MainPhrases[m_CurIndex]));
    return 0;
  }

  int OnKeyPress(int code) override {
    if (g_bKeyBoardLocked || (code != KEY_UP && code != KEY_LEFT && code != KEY_DOWN && code != KEY_RIGHT))
      return Menu::OnKeyPress(code);
    int step = code == KEY_UP || code == KEY_LEFT ? -1 : 1;
    do {
      m_CurIndex = (m_CurIndex + step + kMainItems) % kMainItems;
    } while (Skipped(m_CurIndex));
    return Show();
  }

  int KeyOK() override {
    if (m_CurIndex < 0 || m_CurIndex >= kMainItems) m_CurIndex = 0;
    if (m_CurIndex == kFactory) return Factory();
    int r = Open();
    if (r == 0) {
      RefreshCurWindow();
    } else {
      // A peer's menu that has not landed.
      Say(PhraseText(UxPhrase::FileNotSupported));
    }
    return 0;
  }

 private:
  static bool Skipped(int i) { return i == kFmTx && !board::Profile().fm_transmitter; }

  int Open() {
    switch (m_CurIndex) {
      case kVersion: return OpenSettingsWindow(NewVersionInformationMenu());
      case kDevice: return OpenSettingsWindow(NewDeviceInformationMenu());
      case kTime: return OpenSettingsWindow(NewTimeSettingsMenu());
      case kVoice: return OpenSettingsWindow(NewSystemSoundMenu());
      case kAlarms: return OpenBrowserWindow(BW_ALARMS_MENU);
      case kResume: return OpenSettingsWindow(NewResumePlaySettingsMenu());
      case kFmTx: return OpenSettingsWindow(NewFmTransmitSettingsMenu());
      case kRecording: return OpenBrowserWindow(BW_RECORDING_SETTINGS_MENU);
      case kTools: return OpenBrowserWindow(BW_TOOLS_MENU);
      default: return OpenSettingsWindow(NewLanguageMenu());
    }
  }

  int Factory() {
    int r = MessageBox(PhraseText(UxPhrase::RestoreDefaultFactorySettings).c_str(), 1);
    if (r == WND_STOP) {
      delete this;
      return 0;
    }
    if (r == KEY_PLAY) {
      SetAllToDefault();  // speaks "Restore default settings."
      return 0;
    }
    SysTts_Add(PhraseText(UxPhrase::Cancel).c_str());
    return WND_CLOSE;
  }
};

}  // namespace

int CreateMainMenu() { return OpenSettingsWindow(new MainMenu()); }
