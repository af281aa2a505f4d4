// The system voice (voice and speed), the language, the resume flags and
// the FM transmitter.
#include <string>

#include "browser/browser_folder.h"
#include "browser/file_browser.h"
#include "browser/openers.h"
#include "core/ui/key_describer.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/settings_area.h"
#include "core/ui/system_settings.h"
#include "platform/board_profile.h"
#include "power/mic2det.h"
#include "settings/settings_menus.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace {

class SysttsRoleMenu final : public ValueMenu {
 public:
  SysttsRoleMenu() : lang_(g_SystemSettings.language) {
    m_ItemCount = Tts_GetVoiceCnt(lang_);
    if (m_ItemCount < 1) m_ItemCount = 1;
    m_CurIndex = g_SystemSettings.tts_role - Tts_GetLanguageStartVoiceIndex(lang_);
    if (m_CurIndex < 0 || m_CurIndex >= m_ItemCount) m_CurIndex = 0;
  }
  int Show() override {
    const char* des = Tts_GetRoleDes(m_CurIndex + Tts_GetLanguageStartVoiceIndex(lang_));
    Say(des ? des : PhraseText(UxPhrase::Voice2));
    return 0;
  }
  int KeyOK() override {
    g_SystemSettings.SetTtsRole(m_CurIndex + Tts_GetLanguageStartVoiceIndex(lang_));
    SettingDone();
    return WND_CLOSE;
  }

 private:
  int lang_;
};

class SysttsSpeedMenu final : public ValueMenu {
 public:
  SysttsSpeedMenu() {
    m_ItemCount = 31;
    m_CurIndex = g_SystemSettings.tts_speed + 10;
    if (m_CurIndex < 0 || m_CurIndex > 30) m_CurIndex = 10;
  }
  int Show() override {
    char text[256] = "";
    if (g_pUxLanguage) g_pUxLanguage->GetSpeedString(m_CurIndex - 10, text, sizeof text);
    Say(text);
    return 0;
  }
  int KeyOK() override {
    g_SystemSettings.SetTtsSpeed(m_CurIndex - 10);
    SettingDone();
    return WND_CLOSE;
  }
};

class SystemSoundMenu final : public SettingsMenu {
 public:
  SystemSoundMenu() { m_ItemCount = 2; }
  int Show() override { return Say(PhraseText(UxPhrase::Voice2 + m_CurIndex)), 0; }
  int KeyOK() override {
    iWindow* w = m_CurIndex == 0 ? static_cast<iWindow*>(new SysttsRoleMenu()) : new SysttsSpeedMenu();
    if (OpenSettingsWindow(w) == 0) RefreshCurWindow();
    return 0;
  }
};

class LanguageMenu final : public ValueMenu {
 public:
  LanguageMenu() {
    m_ItemCount = Tts_GetTotalLanguages();
    if (m_ItemCount < 1) m_ItemCount = 1;
    m_CurIndex = g_SystemSettings.language < m_ItemCount ? g_SystemSettings.language : 0;
  }
  int Show() override {
    char text[256] = "";
    const char* des = Tts_GetLanguageDes(m_CurIndex);
    if (g_pUxLanguage) g_pUxLanguage->GetLanguageDes(des ? des : "", text, sizeof text);
    Say(text);
    return 0;
  }
  int KeyOK() override {
    std::string path = BrowserFolder();
    const char* sel = BrowserListing().GetCurSelName();
    std::string selected = sel ? sel : "";
    const std::string before[2] = {PhraseText(UxPhrase::AudioBooks), PhraseText(UxPhrase::Record)};
    g_SystemSettings.SetLanguage(m_CurIndex);
    CreateDaisyDir();  // the standard folders take the new language's names
    StayInRenamedFolder(path, selected, before);
    SettingDone();
    return WND_CLOSE;
  }

 private:
  // `path` with a standard folder of the old language's name (`before`)
  // under a disk's root given the new name; `name` likewise, in a disk root.
  static void Rename(std::string* path, std::string* name, const std::string (&before)[2]) {
    const std::string after[2] = {PhraseText(UxPhrase::AudioBooks), PhraseText(UxPhrase::Record)};
    for (const char* disk : {"/mnt/emmc/", "/mnt/microsd/"}) {
      for (int i = 0; i < 2; ++i) {
        std::string from = disk + before[i];
        bool under = path->compare(0, from.size(), from) == 0 &&
                     (path->size() == from.size() || (*path)[from.size()] == '/');
        if (under)
          *path = disk + after[i] + path->substr(from.size());
        else if (*path + "/" == disk && *name == before[i])
          *name = after[i];
      }
    }
  }

  // The user stays where they were, in or on a folder the switch renamed.
  static void StayInRenamedFolder(std::string path, std::string selected, const std::string (&before)[2]) {
    if (path.empty()) return;
    if (BrowserShowFolder(path, selected) == 1) return;
    Rename(&path, &selected, before);
    BrowserShowFolder(path, selected, ShowFolder::kOrDiskRoot);
  }
};

class ResumePlaySettingsMenu final : public SettingsMenu {
 public:
  ResumePlaySettingsMenu()
      : flags_{g_SystemSettings.ebook_resume_play, g_SystemSettings.music_resume_play,
               g_SystemSettings.daisy_resume_play, g_SystemSettings.audiobook_resume_play} {
    m_ItemCount = 4;
  }
  int Show() override { return Say(PhraseText(UxPhrase::EbookResumePlayEnable + 2 * m_CurIndex + (flags_[m_CurIndex] ? 0 : 1))), 0; }
  int OnKeyPress(int code) override {
    if (!g_bKeyBoardLocked && (code == KEY_LEFT || code == KEY_RIGHT)) {
      flags_[m_CurIndex] = !flags_[m_CurIndex];
      return Show();
    }
    return Menu::OnKeyPress(code);
  }
  std::string DescribeKey(int code, int held) override {
    if (held < 0 && (code == KEY_LEFT || code == KEY_RIGHT))
      return PhraseText(UxPhrase::KeySwitchesResumingOnOrOff);
    return DescribeSettingKey(code, held, this);
  }
  int KeyOK() override {
    g_SystemSettings.ebook_resume_play = flags_[0];
    g_SystemSettings.music_resume_play = flags_[1];
    g_SystemSettings.daisy_resume_play = flags_[2];
    g_SystemSettings.audiobook_resume_play = flags_[3];
    SettingDone();
    return WND_CLOSE;
  }

 private:
  bool flags_[4];
};

class FmTransmitSettingsMenu final : public SettingsMenu {
 public:
  FmTransmitSettingsMenu() : on_(g_SystemSettings.fm_send), khz_(g_SystemSettings.fm_send_frequency) {
    m_ItemCount = 2;
    if (khz_ < 87000 || khz_ > 108000) khz_ = 87000;
  }
  int Show() override {
    if (m_CurIndex == 0) return Say(PhraseText(on_ ? UxPhrase::FmTransmitEnable : UxPhrase::FmTransmitDisable)), 0;
    char text[256] = "";
    if (g_pUxLanguage) g_pUxLanguage->GetFmTxFreqInfo(khz_, text, sizeof text);
    Say(text);
    return 0;
  }
  int OnKeyPress(int code) override {
    if (g_bKeyBoardLocked || (code != KEY_LEFT && code != KEY_RIGHT)) return Menu::OnKeyPress(code);
    if (m_CurIndex == 0) {
      on_ = !on_;
    } else {
      khz_ += code == KEY_LEFT ? -100 : 100;
      if (khz_ < 87000) khz_ = 108000;
      if (khz_ > 108000) khz_ = 87000;
    }
    return Show();
  }
  std::string DescribeKey(int code, int held) override {
    if (held < 0 && (code == KEY_LEFT || code == KEY_RIGHT))
      return PhraseText(UxPhrase::KeySwitchesTheTransmitterOnOr);
    return DescribeSettingKey(code, held, this);
  }
  int KeyOK() override {
    StopFmTransmit();
    g_SystemSettings.fm_send = false;
    if (on_) {
      if (GetPinLevel(board::Profile().pins.headphone) == 0) {
        Say(PhraseText(UxPhrase::PleaseInsertHeadPhone));
        return 0;
      }
      g_SystemSettings.SetFmSendFrequency(khz_);
      if (StartFmTransmit(khz_ / 10) != 0) {
        Say(PhraseText(UxPhrase::FileNotSupported));  // no transmitter on this build
        return 0;
      }
      g_SystemSettings.fm_send = true;
      SysTts_Add(PhraseText(UxPhrase::StartTransmittingFmSignal).c_str());
    } else {
      g_SystemSettings.SetFmSendFrequency(khz_);
      SysTts_Add(PhraseText(UxPhrase::StopTransmittingFmSignal).c_str());
    }
    MarkSettingsChanged(kSystemSettingsArea);
    return WND_CLOSE;
  }

 private:
  bool on_;
  int khz_;
};

}  // namespace

iWindow* NewSystemSoundMenu() { return new SystemSoundMenu(); }
iWindow* NewLanguageMenu() { return new LanguageMenu(); }
iWindow* NewResumePlaySettingsMenu() { return new ResumePlaySettingsMenu(); }
iWindow* NewFmTransmitSettingsMenu() { return new FmTransmitSettingsMenu(); }
