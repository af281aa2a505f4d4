// The recorder window: recording runs while it is open; play pauses and
// continues, any other key ends it.
#include <cstdio>
#include <string>

#include "browser/browser_folder.h"
#include "audio/soundcard.h"
#include "core/base/activity.h"
#include "core/base/util.h"
#include "core/ui/key_describer.h"
#include "core/ui/system_settings.h"
#include "core/ui/window.h"
#include "platform/board.h"
#include "platform/board_profile.h"
#include "power/mic2det.h"
#include "record/engine/record.h"
#include "record/engine/record_settings.h"
#include "record/record_windows.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace {

struct Recording {
  std::string name;
  int route = 1;
  int rate = 16000;
};

// The beep, then the speaker off so the microphone does not hear the
// device (the line input is heard through the monitor instead).
void BeginWriting(const Recording& r) {
  PlayRecordStartBeep(r.rate);
  SoundCard_Release();
  if (r.route != 3) SoundCard_SpeakerSwitch(false);
  TheRecord().Start2();
  if (r.route == 3) {
    SoundCard_Line1ToOutputSwitch(true);
    SoundCard_SetLine1ToOutputVolume(g_SystemSettings.GetVolume() * 5 + 38);
  }
}

void RestoreOutputs() {
  SoundCard_Line1ToOutputSwitch(false);
  SoundCard_SpeakerSwitch(GetPinLevel(board::Profile().pins.headphone) != 1);
}

class RecordMenu final : public iWindow {
 public:
  explicit RecordMenu(Recording r) : rec_(std::move(r)) {}
  ~RecordMenu() override { End(); }

  int OnKeyDown(int code) override {
    if (stopped_) return WND_CLOSE_PASS_DOWN;
    switch (code) {
      case KEY_PLAY:
        return TogglePause();
      case EV_TIME_ANNOUNCE:
      case EV_CHARGING_DONE:
        return 0;
      case EV_AUTO_SHUTDOWN:
      case EV_IDLE_SHUTDOWN:
        // The power-off warning comes next: the file is whole before it,
        // and the user hears where it went before the warning.
        EndAndSay();
        return WND_PASS_DOWN;
      default:
        End();
        SysTts_Add(PhraseText(UxPhrase::RecordingEnded).c_str());
        if (code == EV_BATTERY_LOW) SysTts_Add((PhraseText(UxPhrase::BatteryLevelLow2) + ", ").c_str());
        return WND_CLOSE;
    }
  }
  int OnKeyPress(int) override { return 0; }
  int OnRefresh() override { return 0; }
  std::string DescribeKey(int code, int held) override {
    if (held >= 0) return iWindow::DescribeKey(code, held);
    return code == KEY_PLAY ? PhraseText(UxPhrase::KeyPausesOrContinuesTheRecording)
                            : PhraseText(UxPhrase::KeyEndsTheRecording);
  }
  // Closed from outside (a card, the cable, an alarm, a power-off): the
  // listing that would name the file is not spoken, so this says it.
  int OnClose() override {
    EndAndSay();
    return 0;
  }

  int OnTick() override {
    if (stopped_) return 0;
    // A paused recording is no activity: the idle power-off may come.
    if (TheRecord().IsPaused()) return 0;
    DelaySleepTime(10);
    if (TheRecord().GetErrorCode() == 0) return 0;
    End();
    SysTts_Add((PhraseText(UxPhrase::DiskFull) + ", ").c_str());
    return WND_CLOSE;
  }

 private:
  int TogglePause() {
    if (!TheRecord().IsPaused()) {
      TheRecord().Pause();
      RestoreOutputs();
      SysTts_Play(PhraseText(UxPhrase::RecordingPaused).c_str(), -1);
      return 0;
    }
    SysTts_Stop();
    SoundCard_Release();
    TheRecord().Continue();
    BeginWriting(rec_);
    return 0;
  }

  // Stops once; the file is closed, synced and selected in the listing.
  void End() {
    if (stopped_) return;
    stopped_ = true;
    TheRecord().Stop();
    board::System("sync");
    RestoreOutputs();
    SelectRecordedFile(rec_.name);
  }

  void EndAndSay() {
    if (stopped_) return;
    End();
    SayRecordingEnded(rec_.name);
  }

  Recording rec_;
  bool stopped_ = false;
};

int Say(int phrase) {
  SysTts_Play(PhraseText(phrase).c_str(), -1);
  return 0;
}

}  // namespace

int CreateRecordMenu() {
  const RecordSettings& s = g_RecordSettings;
  std::string note;
  if (int phrase = GoToRecordPlace(&note)) return Say(phrase);
  if (!note.empty()) SysTts_Play(note.c_str(), -1);  // heard before the start beep
  Recording rec;
  int volume;
  if (GetPinLevel() != 1) {
    rec.route = 1;
    volume = s.volume * 5 + 32;
  } else if (s.ext_line == 1) {
    rec.route = 3;
    volume = s.volume * 5;
  } else {
    rec.route = 2;
    volume = s.volume * 5 + 32;
  }
  int mp3, kbps;
  GetRecordParameter(nullptr, &mp3, &rec.rate, &kbps);
  if (GetCurDirRecordFilename(mp3 == 1 ? "mp3" : "wav", &rec.name) != 0) return Say(UxPhrase::CantRecord);
  std::string path = std::string(BrowserFolder()) + "/" + rec.name;
  // The key cuts what was being said, as every key does; only the note on
  // where it records is heard out before the beep.
  if (note.empty()) SysTts_Stop();
  else SysTts_WaitFinish();
  SoundCard_Release();
  printf("start record: %d, %s\n", rec.route, path.c_str());
  if (TheRecord().Start(path.c_str(), rec.route, volume, mp3, rec.rate, kbps, s.noise && rec.route != 3) != 0)
    return Say(UxPhrase::CantRecord);
  BeginWriting(rec);
  auto* w = new RecordMenu(rec);
  if (AddWindow(w) != 0) {
    delete w;
    return -1;
  }
  return 0;
}
