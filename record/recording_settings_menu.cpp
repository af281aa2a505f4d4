// The recording settings: up and down choose the item, left and right
// change it, play stores all five.
#include <cstdio>
#include <string>

#include "core/ui/key_describer.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/settings_area.h"
#include "core/ui/window.h"
#include "record/engine/record_settings.h"
#include "record/record_windows.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace {

enum Item { kLocation, kVolume, kFormat, kExtLine, kNoise, kItems };

class RecordingSettingsMenu final : public Menu {
 public:
  RecordingSettingsMenu() : s_(g_RecordSettings) { m_ItemCount = kItems; }

  int Show() override { return SysTts_Play(ItemText().c_str(), -1); }

  int OnKeyPress(int code) override {
    if (g_bKeyBoardLocked) return 0;
    switch (code) {
      case KEY_DOWN:
      case KEY_UP:
        m_CurIndex = (m_CurIndex + (code == KEY_DOWN ? 1 : kItems - 1)) % kItems;
        return Show();
      case KEY_LEFT:
      case KEY_RIGHT:
        Change(code == KEY_RIGHT ? 1 : -1);
        return Show();
      default:
        return Menu::OnKeyPress(code);
    }
  }

  // The menu key leaves without storing, as back does.
  int OnKeyDown(int code) override { return Menu::OnKeyDown(code == KEY_MENU ? KEY_BACK : code); }

  std::string DescribeKey(int code, int held) override {
    if (held >= 0) return Menu::DescribeKey(code, held);
    switch (code) {
      case KEY_LEFT:
      case KEY_RIGHT:
        return PhraseText(UxPhrase::KeyChangesTheValueOfThe);
      case KEY_PLAY:
        return PhraseText(UxPhrase::KeyKeepsTheSettingsAndLeaves);
      case KEY_BACK:
      case KEY_MENU:
        return PhraseText(UxPhrase::KeyLeavesWithoutKeepingTheChanges);
      default:
        return Menu::DescribeKey(code, held);
    }
  }

  int KeyOK() override {
    g_RecordSettings = s_;
    MarkSettingsChanged(kRecordSettingsArea);
    SysTts_Add((PhraseText(UxPhrase::SettingDone) + " ").c_str());
    return WND_CLOSE;
  }

 private:
  void Change(int delta) {
    switch (m_CurIndex) {
      case kLocation: s_.location = !s_.location; break;
      case kVolume: s_.volume = std::min(12, std::max(1, s_.volume + delta)); break;
      case kFormat: s_.format = (s_.format + delta + kRecordFormats) % kRecordFormats; break;
      case kExtLine: s_.ext_line = !s_.ext_line; break;
      default: s_.noise = !s_.noise; break;
    }
  }

  std::string FormatText() const {
    int mp3, rate, kbps;
    ParseRecordFormat(RecordFormatString(s_.format), &mp3, &rate, &kbps);
    const char* khz = rate == 16000 ? "16" : rate == 22050 ? "22.05" : "44.1";
    char text[256];
    if (mp3 == 1)
      snprintf(text, sizeof text, "MP3, %s %s, %d %s", khz, PhraseText(UxPhrase::Kilohertz).c_str(), kbps, PhraseText(UxPhrase::KBPS).c_str());
    else
      snprintf(text, sizeof text, "P C M, %s %s", khz, PhraseText(UxPhrase::Kilohertz).c_str());
    return PhraseText(UxPhrase::RecordingFileFormat) + ", " + text;
  }

  std::string ItemText() const {
    char text[512] = "";
    switch (m_CurIndex) {
      case kLocation:
        return PhraseText(UxPhrase::RecordedFilesLocation) + ": " + PhraseText(s_.location ? UxPhrase::MicroSdCard : UxPhrase::InternalMemory);
      case kVolume:
        if (g_pUxLanguage) g_pUxLanguage->GetString_Int(UxIntFormat::RecordingVolume, s_.volume, text, sizeof text);
        return text;
      case kFormat:
        return FormatText();
      case kExtLine:
        return PhraseText(UxPhrase::ExternalRecordingSettings) + ": " + PhraseText(s_.ext_line ? UxPhrase::LineIn : UxPhrase::ExternalMicrophone);
      default:
        return PhraseText(s_.noise ? UxPhrase::NoiseCancelationEnable : UxPhrase::NoiseCancelationDisable);
    }
  }

  RecordSettings s_;
};

}  // namespace

int CreateRecordingSettingsMenu() {
  auto* w = new RecordingSettingsMenu();
  if (AddWindow(w) != 0) {
    delete w;
    return -1;
  }
  // The settings menu that opens it speaks it.
  return 0;
}
