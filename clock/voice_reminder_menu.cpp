// The reminder menu: add, delete, clear all, then the reminders themselves,
// each presented by its recording and its time; and the edit list of one
// reminder, where the record key held down records its voice.
#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "clock/alarm_speech.h"
#include "clock/voice_reminder.h"
#include "clock/voice_reminder_speech.h"
#include "clock/voice_tag.h"
#include "core/base/activity.h"
#include "core/ui/key_describer.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/window.h"
#include "platform/board.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace {

enum Item { I_TYPE, I_YEAR, I_MONTH, I_DAY, I_HOUR, I_MINUTE, I_WEEKDAY, I_VOICE = I_WEEKDAY + 7 };
constexpr int kFirstYear = 2017;
constexpr int kLastYear = 2037;
constexpr int kActions = 3;  // add, delete, clear all; the reminders follow

int WrapIn(int v, int step, int lo, int hi) {
  int n = hi - lo + 1;
  return lo + ((v - lo + step) % n + n) % n;
}

// Today's weekday, 0 Monday.
int Today() {
  time_t now = BTime();
  struct tm lt;
  localtime_r(&now, &lt);
  return (lt.tm_wday + 6) % 7;
}

void Say(int phrase) { SysTts_Play(PhraseText(phrase).c_str(), -1); }

std::string PendingPath() { return std::string(c_VoiceReminderDir) + "/new.mp3"; }

void Present(RecordingPresenter& p, int i) {
  p.Present(VoiceReminderPath(g_VoiceReminders[i].mp3Index), RemindDescription(g_VoiceReminders[i]));
}

class ReminderEditor final : public iWindow {
 public:
  // index -1: a new reminder, preset to the current minute.
  explicit ReminderEditor(int index) : index_(index) {
    if (index >= 0) {
      type_ = g_VoiceReminders[index].type;
      f_ = UnpackRemindTime(g_VoiceReminders[index].time);
      has_voice_ = true;
    } else {
      time_t now = BTime();
      struct tm lt;
      localtime_r(&now, &lt);
      f_ = {lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday, lt.tm_hour, lt.tm_min, 0};
    }
    f_.year = std::min(std::max(f_.year, kFirstYear), kLastYear);
    f_.day = std::min(std::max(f_.day, 1), MaxDay());
    Build();
  }
  ~ReminderEditor() override { Discard(); }

  int OnRefresh() override {
    Show();
    return 0;
  }
  int OnClose() override {
    Discard();
    return 0;
  }
  int OnTick() override {
    presenter_.Tick();
    if (!VoiceTag_IsRecording()) return 0;
    DelaySleepTime(10);  // no standby while the microphone listens
    bool full = false;
    VoiceTag_GetRecordLength(&full);
    if (full) EndRecording();
    return 0;
  }
  int OnKeyUp(int code) override {
    if (code == KEY_RECORD && VoiceTag_IsRecording()) EndRecording();
    return 0;
  }
  int OnKeyDown(int code) override;
  int OnKeyPress(int code) override;
  std::string DescribeKey(int code, int held) override;

 private:
  int MaxDay() const {
    if (type_ == REMIND_ONCE) return RemindDaysInMonth(f_.year, f_.month);
    if (type_ == REMIND_YEARLY) return RemindDaysInMonth(2016, f_.month);  // a leap year: 29 February is kept
    return 31;
  }
  void Build();
  void Change(int step);
  void StepMinute(int step);
  void Show();
  int KeyPlay();
  void StartRecording();
  void EndRecording();
  std::string VoicePath() const {
    return recorded_ ? PendingPath() : VoiceReminderPath(g_VoiceReminders[index_].mp3Index);
  }
  // A recording in progress or not stored goes.
  void Discard() {
    VoiceTag_CancelRecording();
    presenter_.Stop();
    if (recorded_) BUnlink(PendingPath().c_str());
    recorded_ = false;
  }

  int index_;
  int type_ = REMIND_ONCE;
  RemindFields f_{};
  std::vector<int> items_;
  size_t cur_ = 0;
  bool has_voice_ = false;
  bool recorded_ = false;  // a new take waits at PendingPath()
  RecordingPresenter presenter_;
};

void ReminderEditor::Build() {
  items_ = {I_TYPE};
  switch (type_) {
    case REMIND_ONCE: items_.insert(items_.end(), {I_YEAR, I_MONTH, I_DAY}); break;
    case REMIND_WEEKLY:
      for (int d = 0; d < 7; ++d) items_.push_back(I_WEEKDAY + d);
      break;
    case REMIND_MONTHLY: items_.push_back(I_DAY); break;
    case REMIND_YEARLY: items_.insert(items_.end(), {I_MONTH, I_DAY}); break;
    default: break;
  }
  items_.insert(items_.end(), {I_HOUR, I_MINUTE, I_VOICE});
  if (cur_ >= items_.size()) cur_ = 0;
}

void ReminderEditor::Change(int step) {
  int item = items_[cur_];
  switch (item) {
    case I_TYPE:
      type_ = WrapIn(type_, step, REMIND_ONCE, REMIND_YEARLY);
      // A week with no day chosen would never remind: today's day to start with.
      if (type_ == REMIND_WEEKLY && f_.weekdays == 0) f_.weekdays = RemindWeekdayBit(Today());
      Build();
      break;
    case I_YEAR: f_.year = WrapIn(f_.year, step, kFirstYear, kLastYear); break;
    case I_MONTH: f_.month = WrapIn(f_.month, step, 1, 12); break;
    case I_DAY: f_.day = WrapIn(f_.day, step, 1, MaxDay()); break;
    case I_HOUR: f_.hour = WrapIn(f_.hour, step, 0, 23); break;
    case I_MINUTE: StepMinute(step); break;
    case I_VOICE: break;
    default: f_.weekdays ^= RemindWeekdayBit(item - I_WEEKDAY); break;
  }
  f_.day = std::min(f_.day, MaxDay());
}

// The minute runs on into the hour (09:59 and one more is 10:00), and a
// reminder once runs on into the next day, as a clock does.
void ReminderEditor::StepMinute(int step) {
  int m = f_.minute + step;
  f_.minute = WrapIn(m, 0, 0, 59);
  if (m >= 0 && m <= 59) return;
  int h = f_.hour + (m < 0 ? -1 : 1);
  f_.hour = WrapIn(h, 0, 0, 23);
  if ((h >= 0 && h <= 23) || type_ != REMIND_ONCE) return;
  struct tm t = {};
  t.tm_year = f_.year - 1900;
  t.tm_mon = f_.month - 1;
  t.tm_mday = f_.day + (h < 0 ? -1 : 1);
  t.tm_hour = 12;
  time_t v = timegm(&t);
  gmtime_r(&v, &t);
  if (t.tm_year + 1900 < kFirstYear || t.tm_year + 1900 > kLastYear) return;
  f_.year = t.tm_year + 1900;
  f_.month = t.tm_mon + 1;
  f_.day = t.tm_mday;
}

void ReminderEditor::Show() {
  int item = items_[cur_];
  std::string text;
  switch (item) {
    case I_TYPE: text = RemindTypeText(type_); break;
    case I_YEAR: text = RemindYearText(f_.year); break;
    case I_MONTH: text = RemindMonthText(f_.month); break;
    case I_DAY: text = RemindDayText(f_.day); break;
    case I_HOUR: text = AlarmHourText(f_.hour); break;
    case I_MINUTE: text = AlarmMinuteText(f_.minute); break;
    case I_VOICE:
      // The voice so far, then how to record (again).
      if (has_voice_) return presenter_.Present(VoicePath(), PhraseText(UxPhrase::PressAndHoldTheRecordKey));
      text = PhraseText(UxPhrase::PressAndHoldTheRecordKey);
      break;
    default: text = RemindWeekdayText(f_.weekdays, item - I_WEEKDAY); break;
  }
  SysTts_Play(text.c_str(), -1);
}

int ReminderEditor::OnKeyDown(int code) {
  presenter_.Stop();
  if (VoiceTag_IsRecording()) {
    if (code != KEY_BACK) return code >= KEY_FILE_MANAGEMENT ? OnDefaultKeyDown(code) : 0;
    SysTts_Stop();
    return WND_CLOSE;  // the take is thrown away with the window
  }
  if (g_bKeyBoardLocked && code < KEY_FILE_MANAGEMENT && code != KEY_VOL_DOWN && code != KEY_VOL_UP) {
    SysTts_Beep(8);
    return 0;
  }
  switch (code) {
    case KEY_BACK:
      SysTts_Stop();
      return WND_CLOSE;
    case KEY_MENU:
      return KEY_FILE_MANAGEMENT;
    case KEY_UP:
    case KEY_DOWN:
    case KEY_LEFT:
    case KEY_RIGHT:
      SysTts_Stop();
      return 0;  // the press that follows acts
    case KEY_RECORD:  // from any item: the key records the voice
      cur_ = items_.size() - 1;
      StartRecording();
      return 0;
    case KEY_PLAY:
      return KeyPlay();
    default:
      return OnDefaultKeyDown(code);
  }
}

std::string ReminderEditor::DescribeKey(int code, int held) {
  if (held >= 0) return iWindow::DescribeKey(code, held);
  if (VoiceTag_IsRecording())
    return code == KEY_BACK ? PhraseText(UxPhrase::KeyLeavesThrowingTheRecordingAway)
                            : KeyIgnored();
  switch (code) {
    case KEY_UP:
    case KEY_DOWN:
      return PhraseText(UxPhrase::KeyThePreviousOrNextItem3);
    case KEY_LEFT:
    case KEY_RIGHT:
      return PhraseText(UxPhrase::KeyChangesTheItem);
    case KEY_RECORD:
      return PhraseText(UxPhrase::KeyHeldRecordsTheRemindersVoice);
    case KEY_PLAY:
      return has_voice_ ? PhraseText(UxPhrase::KeySavesTheReminder)
                        : PhraseText(UxPhrase::KeyGoesToTheVoiceItem);
    case KEY_BACK:
      return PhraseText(UxPhrase::KeyLeavesWithoutSaving);
    case KEY_MENU:
      return PhraseText(UxPhrase::KeyLeavesAndOpensTheFile);
    default:
      return iWindow::DescribeKey(code, held);
  }
}

int ReminderEditor::OnKeyPress(int code) {
  if (g_bKeyBoardLocked || VoiceTag_IsRecording()) return 0;
  switch (code) {
    case KEY_UP:
    case KEY_DOWN:
      cur_ = (cur_ + (code == KEY_DOWN ? 1 : items_.size() - 1)) % items_.size();
      break;
    case KEY_LEFT:
    case KEY_RIGHT:
      Change(code == KEY_RIGHT ? 1 : -1);
      break;
    default:
      return OnDefaultKeyPress(code);
  }
  Show();
  return 0;
}

void ReminderEditor::StartRecording() {
  SysTts_Stop();
  if (VoiceTag_Record() != 0) Say(UxPhrase::CantRecord);
}

void ReminderEditor::EndRecording() {
  int samples = VoiceTag_GetRecordLength(nullptr);
  int r = VoiceTag_EndRecordingAndSave(samples, PendingPath().c_str());
  if (r == 0) {
    recorded_ = has_voice_ = true;
    Show();  // the user hears what was recorded
  } else {
    Say(r == -1 ? UxPhrase::VoiceIsTooShortCancelAdding : UxPhrase::CantRecord);
  }
}

int ReminderEditor::KeyPlay() {
  SysTts_Stop();
  if (!has_voice_) {
    cur_ = items_.size() - 1;
    Show();
    return 0;
  }
  VoiceReminder r;
  r.type = type_;
  r.time = PackRemindTime(f_.year, f_.month, f_.day, f_.hour, f_.minute, f_.weekdays);
  // Once, at a time gone by, would never be heard: the user sets it again.
  if (r.type == REMIND_ONCE && RemindDueTime(r, static_cast<unsigned int>(BTime())) == static_cast<unsigned int>(-1)) {
    Say(UxPhrase::TimePassed);
    return 0;
  }
  if (index_ < 0) {
    int e = VoiceReminder_Add(r, PendingPath().c_str());
    if (e == 0) recorded_ = false;
    Say(e == 0 ? UxPhrase::VoiceReminderAdded : VoiceReminder_IsFull() ? UxPhrase::TooMuchVoiceRemindersPleaseDelete : UxPhrase::DiskFull);
    return WND_CLOSE;
  }
  const VoiceReminder& old = g_VoiceReminders[index_];
  if (recorded_ || r.type != old.type || r.time != old.time) {
    if (VoiceReminder_Replace(index_, r, recorded_ ? PendingPath().c_str() : nullptr) != 0) {
      Say(UxPhrase::DiskFull);
      return WND_CLOSE;
    }
    recorded_ = false;
  }
  Say(UxPhrase::SettingDone);
  return WND_CLOSE;
}

// Asks a yes/no question; "no" is answered with `canceled`. KEY_PLAY for
// yes, 0 for no, or WND_STOP when the box was closed from outside: `w` is
// then deleted and must not be touched.
int Ask(iWindow* w, int question, int canceled) {
  int r = MessageBox(PhraseText(question).c_str(), 1);
  if (r == WND_STOP) {
    delete w;
    return WND_STOP;
  }
  if (r == KEY_PLAY) return r;
  Say(canceled);
  return 0;
}

// A menu whose items may play a recording: any key, or leaving, stops it.
class PresentingMenu : public Menu {
 public:
  ~PresentingMenu() override { presenter_.Stop(); }
  int OnTick() override {
    presenter_.Tick();
    return 0;
  }
  int OnClose() override {
    presenter_.Stop();
    return 0;
  }
  int OnKeyDown(int code) override {
    presenter_.Stop();
    return Menu::OnKeyDown(code);
  }

 protected:
  RecordingPresenter presenter_;
};

class ReminderDeleteMenu final : public PresentingMenu {
 public:
  ReminderDeleteMenu() { m_ItemCount = g_VoiceReminderCnt; }
  int Show() override {
    if (m_CurIndex < g_VoiceReminderCnt) Present(presenter_, m_CurIndex);
    return 0;
  }
  int KeyOK() override {
    int r = Ask(this, UxPhrase::DoYouWantToDeleteThe, UxPhrase::Canceled12);
    if (r != KEY_PLAY) return r;
    VoiceReminder_Delete(m_CurIndex);
    Say(UxPhrase::VoiceReminderDeleted);
    return WND_CLOSE;
  }
};

class VoiceReminderMenu final : public PresentingMenu {
 public:
  VoiceReminderMenu() { Sync(); }

  // Back from an edit, its outcome is being said: the item waits.
  int OnRefresh() override {
    Sync();
    return SysTts_CheckRunning() ? 0 : Show();
  }
  int OnKeyDown(int code) override {
    Sync();
    return PresentingMenu::OnKeyDown(code);
  }
  int OnKeyPress(int code) override {
    Sync();
    return Menu::OnKeyPress(code);
  }
  int Show() override {
    static const int kPhrases[kActions] = {UxPhrase::AddVoiceReminder, UxPhrase::DeleteVoiceReminder, UxPhrase::ClearAllVoiceReminders};
    if (m_CurIndex < kActions)
      Say(kPhrases[m_CurIndex]);
    else
      Present(presenter_, m_CurIndex - kActions);
    return 0;
  }
  int KeyOK() override;

 private:
  void Sync() {
    m_ItemCount = kActions + g_VoiceReminderCnt;
    if (m_CurIndex >= m_ItemCount) m_CurIndex = m_ItemCount - 1;
  }
  int ClearAll();
};

int VoiceReminderMenu::KeyOK() {
  switch (m_CurIndex) {
    case 0:
      if (VoiceReminder_IsFull()) {
        Say(UxPhrase::TooMuchVoiceRemindersPleaseDelete);
        return 0;
      }
      OpenClockWindow(new ReminderEditor(-1));
      return 0;
    case 1:
      if (g_VoiceReminderCnt == 0) {
        Say(UxPhrase::NoVoiceReminders);
        return 0;
      }
      OpenClockWindow(new ReminderDeleteMenu());
      return 0;
    case 2:
      return ClearAll();
    default:
      OpenClockWindow(new ReminderEditor(m_CurIndex - kActions));
      return 0;
  }
}

int VoiceReminderMenu::ClearAll() {
  if (g_VoiceReminderCnt == 0) {
    Say(UxPhrase::NoVoiceReminders);
    return 0;
  }
  int r = Ask(this, UxPhrase::DoYouWantToClearAll, UxPhrase::Canceled13);
  if (r != KEY_PLAY) return r;
  VoiceReminder_Clear();
  Sync();
  Say(UxPhrase::VoiceRemindersCleared);
  return 0;
}

}  // namespace

int CreateVoiceReminderMenu() { return OpenClockWindow(new VoiceReminderMenu()); }
