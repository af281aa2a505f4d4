// The radio window: tuning by seek or step, presets, the radio menu, and
// recording what it receives.
#include <string>

#include "audio/soundcard.h"
#include "browser/browser_folder.h"
#include "core/base/activity.h"
#include "core/base/diag.h"
#include "core/ui/key_describer.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/settings_area.h"
#include "core/ui/window.h"
#include "platform/board.h"
#include "platform/board_profile.h"
#include "power/mic2det.h"
#include "radio/fm_state.h"
#include "radio/radio.h"
#include "record/engine/record.h"
#include "record/engine/record_settings.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace {

void FmAudio(bool on) {
  SoundCard_FmToHeadPhoneSwitch(on);
  if (!on) return;
  SoundCard_SetFmToHeadPhoneVolume(g_Fm.headphone_volume * 118 / 16);
  SoundCard_SetFmToSpeakerVolume(g_Fm.speaker_volume * 118 / 16);
}

void Tune(int channel) {
  if (BoardTuner().Tune(ChannelKhz(channel)) < 0) DiagPrintf("FmSetFreq failed");
}

class Radio final : public iWindow {
 public:
  ~Radio() override { Shutdown(); }

  int OnKeyDown(int code) override;
  int OnKeyPress(int code) override;
  int OnTick() override;
  // Closed from outside (a card, the cable, an alarm, a power-off): a
  // recording ends whole and is named before whatever closed it speaks.
  int OnClose() override {
    if (recording_) {
      FmAudio(false);
      EndRecording(0);
      SayRecordingEnded();
    }
    Shutdown();
    return 0;
  }
  int OnKeyUp(int code) override {
    if (code == ended_key_) ended_key_ = -1;
    return 0;
  }
  int OnRefresh() override {
    FmAudio(false);
    char text[128] = "";
    if (in_menu_) {
      return SpeakMenuItem();
    }
    if (g_pUxLanguage) g_pUxLanguage->GetRadioChannelInfo(87 + g_Fm.channel / 10, g_Fm.channel % 10, text, sizeof text);
    Speak(text);
    return 0;
  }
  void Retune() {
    retune_ = true;
    OnRefresh();
  }
  std::string DescribeKey(int code, int held) override;
  // Muted until the describer is off; the tick then brings the sound back,
  // as there is no pause to undo.
  void OnKeyDescriber() override { GiveWay(); }

 private:
  // The radio falls silent for what is about to be said; the tick brings it
  // back once the speech is over.
  void GiveWay() {
    FmAudio(false);
    wait_speech_ = true;
  }
  void Speak(const std::string& text) {
    SysTts_Play(text.c_str(), -1);
    wait_speech_ = true;
  }
  int SpeakMenuItem() {
    static const int kItems[4] = {UxPhrase::OperationModeAuto, UxPhrase::ScanForStations, UxPhrase::DeletePreset2, UxPhrase::DeleteAllPresets2};
    int id = menu_item_ == 0 ? (mode_edit_ ? UxPhrase::OperationModeStep : UxPhrase::OperationModeAuto) : kItems[menu_item_];
    SysTts_Play(PhraseText(id).c_str(), -1);
    return 0;
  }
  int MenuOk();
  int AddPreset();
  int Ask(int phrase, bool* yes);
  void Seek(int mode);
  void SeekEnded(bool scan, bool cancelled);
  int KeyRecord();
  int RecordingKey(int code);
  void EndRecording(int code);
  void SayRecordingEnded();
  void Shutdown();

  bool wait_speech_ = false;
  bool retune_ = true;
  bool in_menu_ = false;
  int menu_item_ = 0;
  int mode_edit_ = 0;
  bool recording_ = false;
  bool seeking_ = false;
  bool scanning_ = false;
  bool closed_ = false;
  std::string record_name_;
  int record_rate_ = 22050;
  // The key that ended a recording: its press and repeats do nothing more.
  int ended_key_ = -1;
};

int Radio::OnKeyDown(int code) {
  if (recording_) return RecordingKey(code);
  ended_key_ = -1;
  switch (code) {
    case KEY_POWER_SHORT:
    case EV_AUTO_SHUTDOWN:
    case EV_IDLE_SHUTDOWN:
      FmAudio(false);
      return WND_PASS_DOWN;
    case EV_BATTERY_LOW:
    case EV_RESTORE_DEFAULTS:
    case EV_CHARGING_DONE:
    case EV_TIME_ANNOUNCE:
    case EV_KEYPAD_LOCKED:
    case EV_KEYPAD_UNLOCKED:
      GiveWay();
      return OnDefaultKeyDown(code);
    default:
      break;
  }
  if (g_bKeyBoardLocked) {
    GiveWay();
    return OnDefaultKeyDown(code);
  }
  if (seeking_) {
    // Back ends a seek or scan early; what a scan found so far stays.
    if (code == KEY_BACK) CancelRadioSeek();
    else SysTts_Play(PhraseText(UxPhrase::Scanning).c_str(), -1);
    return 0;
  }
  switch (code) {
    case KEY_RADIO:
      return OnRefresh();
    case KEY_INFO:
      GiveWay();
      return OnKeyInfoDown();
    case KEY_BOOKMARK:
      if (SoundCard_FmOnSpeaker()) SoundCard_SpeakerSwitch(!IsSpeakerOn());
      return 0;
    case KEY_MENU:
      in_menu_ = true;
      menu_item_ = 0;
      mode_edit_ = g_Fm.mode;
      GiveWay();
      return SpeakMenuItem();
    case KEY_BACK:
      if (!in_menu_) return WND_CLOSE;
      in_menu_ = false;
      return OnRefresh();
    case KEY_RECORD:
      return KeyRecord();
    case KEY_PLAY:
      return in_menu_ ? MenuOk() : AddPreset();
    default:
      return 0;  // moves and volumes come with the press
  }
}

int Radio::OnKeyPress(int code) {
  if (recording_ || seeking_ || g_bKeyBoardLocked || code == ended_key_) return 0;
  bool up = code == KEY_RIGHT || code == KEY_UP || code == KEY_VOL_UP;
  if (in_menu_) {
    if (code == KEY_UP || code == KEY_DOWN) {
      menu_item_ = (menu_item_ + (code == KEY_DOWN ? 1 : 3)) % 4;
      return SpeakMenuItem();
    }
    if ((code == KEY_LEFT || code == KEY_RIGHT) && menu_item_ == 0) {
      mode_edit_ = !mode_edit_;
      return SpeakMenuItem();
    }
    return (code == KEY_VOL_UP || code == KEY_VOL_DOWN) ? OnDefaultKeyPress(code) : 0;
  }
  switch (code) {
    case KEY_VOL_DOWN:
    case KEY_VOL_UP: {
      int& v = IsSpeakerOn() ? g_Fm.speaker_volume : g_Fm.headphone_volume;
      v = up ? std::min(16, v + 1) : std::max(0, v - 1);
      MarkSettingsChanged(kFmSettingsArea);
      FmAudio(true);
      return 0;
    }
    case KEY_LEFT:
    case KEY_RIGHT:
      if (g_Fm.mode == 1) {
        g_Fm.channel = StepChannel(g_Fm.channel, up ? 1 : -1);
        MarkSettingsChanged(kFmSettingsArea);
        Retune();
      } else {
        Seek(up ? 1 : -1);
      }
      return 0;
    case KEY_DOWN:
    case KEY_UP:
      // Down goes to the next preset above, as the list is read top down.
      g_Fm.channel = NextPreset(g_Fm, g_Fm.channel, code == KEY_DOWN ? 1 : -1);
      MarkSettingsChanged(kFmSettingsArea);
      Retune();
      return 0;
    default:
      return 0;
  }
}

// A seek or scan (mode kSeekScan) of a quick tuner is done here and now;
// a slow one runs beside the loop and the tick hears when it ends.
void Radio::Seek(int mode) {
  FmAudio(false);
  bool scan = mode == kSeekScan;
  if (!BoardTuner().SlowSeek()) {
    RunSeek(mode, [] { return false; });
    SeekEnded(scan, false);
    return;
  }
  if (StartRadioSeek(mode) != 0) return;
  // Over an empty band the seek runs for many seconds: say it started.
  if (!scan) SysTts_Play(PhraseText(UxPhrase::Scanning).c_str(), -1);
  seeking_ = true;
  scanning_ = scan;
}

void Radio::SeekEnded(bool scan, bool cancelled) {
  if (scan || cancelled) SysTts_Add(PhraseText(cancelled ? UxPhrase::Canceled9 : UxPhrase::Finished2).c_str());
  MarkSettingsChanged(kFmSettingsArea);
  Retune();
}

int Radio::OnTick() {
  if (seeking_) {
    if (RadioSeekState() == SEEK_BUSY) return 0;
    seeking_ = false;
    SeekEnded(scanning_, RadioSeekCancelled());
    scanning_ = false;
    return 0;
  }
  if (recording_ && !TheRecord().IsPaused()) {
    DelaySleepTime(10);
    if (TheRecord().GetErrorCode() != 0) {
      EndRecording(0);
      Speak(PhraseText(UxPhrase::DiskFull));
    }
  } else {
    ResetIdleShutDownTimeWithoutChangeSleepTime();
  }
  if (wait_speech_ && !KeyDescriberOn() && !SysTts_CheckRunning()) {
    wait_speech_ = false;
    if (retune_) Tune(g_Fm.channel);
    retune_ = false;
    FmAudio(true);
  }
  return 0;
}

}  // namespace

// Defined below the class so that they read in key order.
namespace {

int Radio::Ask(int phrase, bool* yes) {
  FmAudio(false);
  int r = MessageBox(PhraseText(phrase).c_str(), 1);
  if (r == WND_STOP) {
    // The stack was closed beneath the box: nothing changes, and this
    // window is no longer on it.
    delete this;
    return WND_STOP;
  }
  *yes = r == KEY_PLAY;
  return 0;
}

int Radio::AddPreset() {
  bool yes = false;
  if (Ask(UxPhrase::AddPreset, &yes) == WND_STOP) return 0;
  if (yes) {
    g_Fm.preset[g_Fm.channel] = 1;
    MarkSettingsChanged(kFmSettingsArea);
  }
  Speak(PhraseText(yes ? UxPhrase::PresetAdded : UxPhrase::Canceled11));
  return 0;
}

int Radio::MenuOk() {
  bool yes = false;
  switch (menu_item_) {
    case 0:
      g_Fm.mode = mode_edit_;
      MarkSettingsChanged(kFmSettingsArea);
      in_menu_ = false;
      Speak(PhraseText(UxPhrase::SettingDone));
      return 0;
    case 1:
      in_menu_ = false;
      SysTts_Play(PhraseText(UxPhrase::ScanningForStations).c_str(), -1);
      Seek(kSeekScan);
      return 0;
    case 2:
      if (Ask(UxPhrase::DeletePreset, &yes) == WND_STOP) return 0;
      if (yes) {
        g_Fm.preset[g_Fm.channel] = 0;
        int next = NextPreset(g_Fm, g_Fm.channel, 1);
        int lowest = LowestPreset(g_Fm);
        g_Fm.channel = g_Fm.preset[next] ? next : lowest < 0 ? FirstChannel() : lowest;
        MarkSettingsChanged(kFmSettingsArea);
      }
      break;
    default:
      if (Ask(UxPhrase::DeleteAllPresets, &yes) == WND_STOP) return 0;
      if (yes) {
        for (unsigned char& p : g_Fm.preset) p = 0;
        g_Fm.channel = FirstChannel();
        MarkSettingsChanged(kFmSettingsArea);
      }
      break;
  }
  in_menu_ = false;
  // "preset deleted, " / "all presets deleted, " / "canceled, "
  SysTts_Add(PhraseText(yes ? (menu_item_ == 2 ? UxPhrase::PresetDeleted : UxPhrase::AllPresetsDeleted) : (menu_item_ == 2 ? UxPhrase::Canceled9 : UxPhrase::Canceled10)).c_str());
  Retune();
  return 0;
}

int Radio::KeyRecord() {
  // The speech thread may still be writing to the sound card ("recording
  // ended", the frequency) that the recording is about to close and take.
  SysTts_Stop();
  FmAudio(false);
  std::string note;
  if (int phrase = GoToRecordPlace(&note)) {
    Speak(PhraseText(phrase));
    return 0;
  }
  if (!note.empty()) {
    SysTts_Play(note.c_str(), -1);
    SysTts_WaitFinish();
  }
  int gain = 8, mp3 = 1, rate = 22050, kbps = 64;
  GetRecordParameter(&gain, &mp3, &rate, &kbps);
  if (GetCurDirRecordFilename(mp3 == 1 ? "mp3" : "wav", &record_name_) != 0) {
    Speak(PhraseText(UxPhrase::CantRecord));
    return 0;
  }
  std::string path = std::string(BrowserFolder()) + "/" + record_name_;
  SoundCard_Release();
  if (TheRecord().Start(path.c_str(), 4, gain * 3, mp3, rate, kbps, false) != 0) {
    Speak(PhraseText(UxPhrase::CantRecord));
    return 0;
  }
  record_rate_ = rate;
  PlayRecordStartBeep(rate);
  SoundCard_Release();
  TheRecord().Start2();
  recording_ = true;
  FmAudio(true);
  return 0;
}

int Radio::RecordingKey(int code) {
  switch (code) {
    case KEY_PLAY:
      if (!TheRecord().IsPaused()) {
        TheRecord().Pause();
        SysTts_Play(PhraseText(UxPhrase::RecordingPaused).c_str(), -1);
        return 0;
      }
      SysTts_Stop();  // "recording paused" may still be playing on the card
      FmAudio(false);
      SoundCard_Release();
      TheRecord().Continue();
      PlayRecordStartBeep(record_rate_);
      SoundCard_Release();
      FmAudio(true);
      TheRecord().Start2();
      return 0;
    case EV_CHARGING_DONE:
    case EV_TIME_ANNOUNCE:
      return 0;
    case EV_AUTO_SHUTDOWN:
    case EV_IDLE_SHUTDOWN:
      // The recording ends whole and is named; then the power-off warning
      // comes as it does without one.
      FmAudio(false);
      EndRecording(0);
      SayRecordingEnded();
      wait_speech_ = true;
      return WND_PASS_DOWN;
    default:
      // Ending the recording is all the key does.
      EndRecording(code);
      ended_key_ = code;
      return 0;
  }
}

void Radio::SayRecordingEnded() {
  ::SayRecordingEnded(record_name_);
}

void Radio::EndRecording(int code) {
  if (!recording_) return;
  recording_ = false;
  TheRecord().Stop();
  board::System("sync");
  SelectRecordedFile(record_name_);
  if (code == 0) return;
  if (code == EV_BATTERY_LOW) {
    SysTts_Add(PhraseText(UxPhrase::RecordingEnded).c_str());
    SysTts_Play(PhraseText(UxPhrase::BatteryLevelLow2).c_str(), -1);
  } else {
    SysTts_Play(PhraseText(UxPhrase::RecordingEnded).c_str(), -1);
  }
  GiveWay();
}

void Radio::Shutdown() {
  if (closed_) return;
  closed_ = true;
  EndRecording(0);
  if (seeking_) {
    // What the seek or scan found before the close is not left to power-off.
    CancelRadioSeek();
    MarkSettingsChanged(kFmSettingsArea);
  }
  SoundCard_SetFmToHeadPhoneVolume(0);
  FmAudio(false);
  StopFm();
  if (SoundCard_FmOnSpeaker()) SoundCard_SpeakerSwitch(GetPinLevel(board::Profile().pins.headphone) != 1);
}

std::string MenuKey(int code, int item) {
  switch (code) {
    case KEY_UP:
    case KEY_DOWN:
      return PhraseText(UxPhrase::KeyThePreviousOrNextItem4);
    case KEY_LEFT:
    case KEY_RIGHT:
      return item == 0 ? PhraseText(UxPhrase::KeySwitchesTheTuningModeBetween)
                       : KeyIgnored();
    case KEY_PLAY:
      return PhraseText(UxPhrase::KeyChoosesTheItem);
    case KEY_BACK:
      return PhraseText(UxPhrase::KeyLeavesTheRadioMenu);
    case KEY_MENU:
      return PhraseText(UxPhrase::KeyBackToTheFirstItem);
    case KEY_RADIO:
      return PhraseText(UxPhrase::KeySaysTheItemAgain);
    default:
      return "";
  }
}

std::string TuneKey(int code) {
  switch (code) {
    case KEY_LEFT:
    case KEY_RIGHT: {
      bool up = code == KEY_RIGHT;
      if (g_Fm.mode == 1)
        return up ? PhraseText(UxPhrase::KeyTunes01MegahertzUp)
                  : PhraseText(UxPhrase::KeyTunes01MegahertzDown);
      return up ? PhraseText(UxPhrase::KeySeeksTheNextStationUp)
                : PhraseText(UxPhrase::KeySeeksTheNextStationDown);
    }
    case KEY_UP:
      return PhraseText(UxPhrase::KeyThePreviousPresetStation);
    case KEY_DOWN:
      return PhraseText(UxPhrase::KeyTheNextPresetStation);
    case KEY_PLAY:
      return PhraseText(UxPhrase::KeyAddsTheStationToThe);
    case KEY_BACK:
      return PhraseText(UxPhrase::KeyClosesTheRadio);
    case KEY_MENU:
      return PhraseText(UxPhrase::KeyOpensTheRadioMenuTuning);
    case KEY_RADIO:
      return PhraseText(UxPhrase::KeySaysTheFrequencyAgain);
    case KEY_INFO:
      return PhraseText(UxPhrase::KeySaysTheFrequencyPressedTwice);
    case KEY_VOL_DOWN:
      return PhraseText(UxPhrase::KeyTurnsTheRadioDown);
    case KEY_VOL_UP:
      return PhraseText(UxPhrase::KeyTurnsTheRadioUp);
    default:
      return "";
  }
}

std::string Radio::DescribeKey(int code, int held) {
  if (held >= 0) return iWindow::DescribeKey(code, held);
  if (recording_)
    return code == KEY_PLAY ? PhraseText(UxPhrase::KeyPausesOrContinuesTheRecording)
                            : PhraseText(UxPhrase::KeyEndsTheRecording);
  if (seeking_) {
    if (code != KEY_BACK) return PhraseText(UxPhrase::KeySaysThatTheRadioIs);
    return scanning_ ? PhraseText(UxPhrase::KeyEndsTheScanTheStations)
                     : PhraseText(UxPhrase::KeyEndsTheSeekTheRadio);
  }
  if (code == KEY_RECORD) return PhraseText(UxPhrase::KeyRecordsTheRadio);
  if (code == KEY_MUSIC) return KeyIgnored();
  if (code == KEY_BOOKMARK)
    return SoundCard_FmOnSpeaker() ? PhraseText(UxPhrase::KeySwitchesTheSpeakerOnOr)
                         : KeyIgnored();
  std::string what = in_menu_ ? MenuKey(code, menu_item_) : TuneKey(code);
  return what.empty() ? iWindow::DescribeKey(code, held) : what;
}

}  // namespace

int CreatRadioWindow() {
  if (g_Fm.channel < 0 || g_Fm.channel >= kFmChannels) LoadFmSettings();
  if (g_Fm.channel < FirstChannel()) g_Fm.channel = FirstChannel();
  StartFmReceive();  // without the tuner the window stays, silent
  auto* w = new Radio();
  if (AddWindow(w) != 0) {
    delete w;
    return -1;
  }
  return 0;  // the opener's refresh speaks the frequency and tunes
}
