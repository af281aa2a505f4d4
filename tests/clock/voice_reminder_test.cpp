// Reminder due times, the store's repair, and the alert's four repeats.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "clock/voice_reminder.h"
#include "core/ui/window.h"
#include "tests/core/window_fixture.h"
#include "tests/platform/host_fixture.h"

namespace {

constexpr unsigned int kNone = static_cast<unsigned int>(-1);

unsigned int Utc(int year, int month, int day, int hour, int minute) {
  struct tm t = {};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  return static_cast<unsigned int>(timegm(&t));
}

// The root too, which RemoveCurWindow keeps.
void EmptyStack() {
  CloseAllChildWindow();
  while (g_TotalWindows > 0) {
    delete g_WindowList[--g_TotalWindows];
    g_WindowList[g_TotalWindows] = nullptr;
  }
}

VoiceReminder Make(int type, int year, int month, int day, int hour, int minute, int weekdays = 0) {
  VoiceReminder r;
  r.type = type;
  r.time = PackRemindTime(year, month, day, hour, minute, weekdays);
  return r;
}

class RemindDue : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = getenv("TZ");
    saved_ = tz ? tz : "";
    had_ = tz != nullptr;
    setenv("TZ", "UTC0", 1);  // the device keeps local time as UTC
    tzset();
  }
  void TearDown() override {
    if (had_)
      setenv("TZ", saved_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  std::string saved_;
  bool had_ = false;
};

TEST_F(RemindDue, PackedTimeRoundTrips) {
  RemindFields f = UnpackRemindTime(PackRemindTime(2037, 12, 31, 23, 59, 0x41));
  EXPECT_EQ(f.year, 2037);
  EXPECT_EQ(f.month, 12);
  EXPECT_EQ(f.day, 31);
  EXPECT_EQ(f.hour, 23);
  EXPECT_EQ(f.minute, 59);
  EXPECT_EQ(f.weekdays, 0x41);
}

TEST_F(RemindDue, EveryRepetitionRule) {
  // Friday 2026-03-06 09:00.
  unsigned int fri0900 = Utc(2026, 3, 6, 9, 0);
  // Weekly Monday (bit 6) and Friday (bit 2) at 08:00: next Monday.
  EXPECT_EQ(RemindDueTime(Make(REMIND_WEEKLY, 0 + 2015, 1, 0, 8, 0, 0x44), fri0900),
            Utc(2026, 3, 9, 8, 0));
  EXPECT_EQ(RemindDueTime(Make(REMIND_WEEKLY, 2015, 1, 0, 9, 0, 0x04), fri0900 + 59), fri0900)
      << "due within its own minute";
  EXPECT_EQ(RemindDueTime(Make(REMIND_WEEKLY, 2015, 1, 0, 9, 0, 0), fri0900), kNone);
  // Daily at 08:59: tomorrow.
  EXPECT_EQ(RemindDueTime(Make(REMIND_DAILY, 2015, 1, 0, 8, 59), fri0900), Utc(2026, 3, 7, 8, 59));
  // Monthly on the 31st, seen in April: 31 May.
  EXPECT_EQ(RemindDueTime(Make(REMIND_MONTHLY, 2015, 1, 31, 7, 0), Utc(2026, 4, 10, 12, 0)),
            Utc(2026, 5, 31, 7, 0));
  // Yearly on 29 February: the next leap year.
  EXPECT_EQ(RemindDueTime(Make(REMIND_YEARLY, 2015, 2, 29, 7, 0), Utc(2026, 3, 1, 0, 0)),
            Utc(2028, 2, 29, 7, 0));
  // Once: the date itself, none once passed.
  EXPECT_EQ(RemindDueTime(Make(REMIND_ONCE, 2026, 3, 6, 10, 0), fri0900), Utc(2026, 3, 6, 10, 0));
  EXPECT_EQ(RemindDueTime(Make(REMIND_ONCE, 2026, 3, 6, 8, 0), fri0900), kNone);
  // Nothing after 2037.
  EXPECT_EQ(RemindDueTime(Make(REMIND_MONTHLY, 2015, 1, 31, 7, 0), Utc(2037, 12, 31, 8, 0)), kNone);
}

class ReminderStore : public HostBoardTest {
 protected:
  void SetUp() override {
    HostBoardTest::SetUp();
    ASSERT_EQ(VoiceReminder_Load(), 0) << "creates the folder";
  }
  void Put(const std::string& name, const std::string& bytes = "mp3") {
    dtbtest::WriteFile(Root("mnt/settings/voice_reminder/" + name), bytes);
  }
  std::string Store() { return dtbtest::ReadFile(Root("mnt/settings/voice_reminder/reminder.xml")); }
};

TEST_F(ReminderStore, DropsRemindersWithoutRecordingsAndFilesWithoutReminders) {
  g_VoiceReminderCnt = 3;
  g_VoiceReminderNextIndex = 9;
  for (int i = 0; i < 3; ++i) {
    g_VoiceReminders[i] = Make(REMIND_DAILY, 2015, 1, 0, 8, i);
    g_VoiceReminders[i].mp3Index = i + 1;
    g_VoiceReminders[i].mp3Size = 3;
  }
  ASSERT_EQ(VoiceReminder_Save(), 0);
  Put("1.mp3");
  Put("3.MP3");
  Put("7.mp3");  // no reminder names it
  Put("notes.txt");

  ASSERT_EQ(VoiceReminder_Load(), 0);
  ASSERT_EQ(g_VoiceReminderCnt, 1) << "recording 2 is missing, and 3.MP3 is not 3.mp3 here";
  EXPECT_EQ(g_VoiceReminders[0].mp3Index, 1);
  EXPECT_EQ(g_VoiceReminderNextIndex, 9);
  EXPECT_TRUE(Exists("mnt/settings/voice_reminder/1.mp3"));
  EXPECT_FALSE(Exists("mnt/settings/voice_reminder/7.mp3"));
  EXPECT_FALSE(Exists("mnt/settings/voice_reminder/notes.txt"));
  ASSERT_EQ(VoiceReminder_Save(), 0);
  EXPECT_EQ(Store().find("Mp3Index=\"2\""), std::string::npos) << Store();
}

TEST_F(ReminderStore, NoReminderLeftEmptiesTheFolder) {
  Put("reminder.xml", "<VoiceReminders NextIndex=\"4\"><VoiceReminder RemindType=\"1\" Time=\"5\" "
                      "Mp3Index=\"3\" Mp3Size=\"1\"/></VoiceReminders>");
  Put("5.mp3");
  ASSERT_EQ(VoiceReminder_Load(), 0);
  EXPECT_EQ(g_VoiceReminderCnt, 0);
  EXPECT_FALSE(Exists("mnt/settings/voice_reminder/reminder.xml"));
  EXPECT_FALSE(Exists("mnt/settings/voice_reminder/5.mp3"));
  EXPECT_EQ(VoiceReminder_GetNextRemindTime(), kNone);
}

TEST_F(ReminderStore, AddTakesTheNextFreeIndexWrappingPastTheLast) {
  Put("1.mp3");
  g_VoiceReminderCnt = 1;
  g_VoiceReminders[0] = Make(REMIND_DAILY, 2015, 1, 0, 8, 0);
  g_VoiceReminders[0].mp3Index = 1;
  g_VoiceReminderNextIndex = 999999999;
  Put("new.mp3", "12345");
  ASSERT_EQ(VoiceReminder_Add(Make(REMIND_ONCE, 2030, 1, 2, 3, 4), "/mnt/settings/voice_reminder/new.mp3"), 0);
  Put("new.mp3", "1234567");
  ASSERT_EQ(VoiceReminder_Add(Make(REMIND_YEARLY, 2015, 2, 29, 7, 0), "/mnt/settings/voice_reminder/new.mp3"), 0);
  EXPECT_FALSE(Exists("mnt/settings/voice_reminder/new.mp3"));

  ASSERT_EQ(VoiceReminder_Load(), 0);
  ASSERT_EQ(g_VoiceReminderCnt, 3);
  EXPECT_EQ(g_VoiceReminders[1].mp3Index, 999999999);
  EXPECT_EQ(g_VoiceReminders[1].mp3Size, 5);
  EXPECT_EQ(g_VoiceReminders[2].mp3Index, 2) << "1 is taken";
  EXPECT_EQ(g_VoiceReminders[2].mp3Size, 7);
  EXPECT_EQ(g_VoiceReminders[2].type, REMIND_YEARLY);
  EXPECT_EQ(g_VoiceReminderNextIndex, 3);
  EXPECT_EQ(dtbtest::ReadFile(Root("mnt/settings/voice_reminder/999999999.mp3")), "12345");
}

TEST_F(ReminderStore, AddingIsRefusedAtTwoHundredOrTooManyBytes) {
  Put("new.mp3");
  g_VoiceReminderCnt = kMaxReminders;
  EXPECT_TRUE(VoiceReminder_IsFull());
  EXPECT_EQ(VoiceReminder_Add(Make(REMIND_DAILY, 2015, 1, 0, 8, 0), "/mnt/settings/voice_reminder/new.mp3"), -1);
  g_VoiceReminderCnt = 2;
  g_VoiceReminders[0].mp3Size = 7000000;
  g_VoiceReminders[1].mp3Size = 199999;
  EXPECT_FALSE(VoiceReminder_IsFull()) << "7199999 bytes are still allowed";
  g_VoiceReminders[1].mp3Size = 200000;
  EXPECT_TRUE(VoiceReminder_IsFull());
  EXPECT_TRUE(Exists("mnt/settings/voice_reminder/new.mp3")) << "a refused recording stays with its caller";
}

TEST_F(ReminderStore, DeleteClosesTheGapAndClearEmptiesTheFolder) {
  g_VoiceReminderCnt = 3;
  for (int i = 0; i < 3; ++i) {
    Put(std::to_string(i + 1) + ".mp3");
    g_VoiceReminders[i] = Make(REMIND_DAILY, 2015, 1, 0, 8, i);
    g_VoiceReminders[i].mp3Index = i + 1;
  }
  ASSERT_EQ(VoiceReminder_Delete(1), 0);
  EXPECT_EQ(VoiceReminder_Delete(2), -1);
  EXPECT_FALSE(Exists("mnt/settings/voice_reminder/2.mp3"));
  ASSERT_EQ(VoiceReminder_Load(), 0);
  ASSERT_EQ(g_VoiceReminderCnt, 2);
  EXPECT_EQ(g_VoiceReminders[0].mp3Index, 1);
  EXPECT_EQ(g_VoiceReminders[1].mp3Index, 3);

  ASSERT_EQ(VoiceReminder_Clear(), 0);
  EXPECT_FALSE(Exists("mnt/settings/voice_reminder/1.mp3"));
  EXPECT_FALSE(Exists("mnt/settings/voice_reminder/3.mp3"));
  ASSERT_EQ(VoiceReminder_Load(), 0);
  EXPECT_EQ(g_VoiceReminderCnt, 0);
  EXPECT_EQ(VoiceReminder_GetNextRemindTime(), kNone);
}

class ReminderMenu : public ReminderStore {
 protected:
  void SetUp() override {
    ReminderStore::SetUp();
    coretest::Push("root");
    Put("1.mp3");
    g_VoiceReminderCnt = 1;
    g_VoiceReminders[0] = Make(REMIND_DAILY, 2015, 1, 0, 8, 0);
    g_VoiceReminders[0].mp3Index = 1;
    ASSERT_EQ(VoiceReminder_Save(), 0);
    ASSERT_EQ(CreateVoiceReminderMenu(), 0);
  }
  void TearDown() override {
    EmptyStack();
    ReminderStore::TearDown();
  }
};

TEST_F(ReminderMenu, EditingChangesTheTimeAndKeepsTheVoice) {
  KeyPress(KEY_UP);  // wraps to the reminder after the three actions
  KeyDown(KEY_PLAY);
  ASSERT_EQ(g_TotalWindows, 3);
  KeyPress(KEY_RIGHT);  // every week, on today's day
  for (int i = 0; i < 3; ++i) KeyPress(KEY_UP);  // up over voice and minute to the hour
  KeyPress(KEY_RIGHT);
  KeyDown(KEY_PLAY);
  EXPECT_EQ(g_TotalWindows, 2);

  ASSERT_EQ(VoiceReminder_Load(), 0);
  ASSERT_EQ(g_VoiceReminderCnt, 1);
  RemindFields f = UnpackRemindTime(g_VoiceReminders[0].time);
  EXPECT_EQ(g_VoiceReminders[0].type, REMIND_WEEKLY);
  EXPECT_EQ(f.hour, 9);
  EXPECT_EQ(f.minute, 0);
  EXPECT_NE(f.weekdays, 0) << "a week with no day would never remind";
  EXPECT_EQ(g_VoiceReminders[0].mp3Index, 1);
  EXPECT_TRUE(Exists("mnt/settings/voice_reminder/1.mp3"));
  EXPECT_NE(VoiceReminder_GetNextRemindTime(), kNone);
}

TEST_F(ReminderMenu, NothingIsAddedWithoutAVoice) {
  KeyDown(KEY_PLAY);  // add
  ASSERT_EQ(g_TotalWindows, 3);
  KeyDown(KEY_PLAY);  // no voice yet: to the voice item, not stored
  EXPECT_EQ(g_TotalWindows, 3);
  EXPECT_EQ(g_VoiceReminderCnt, 1);
  KeyDown(KEY_BACK);
  EXPECT_EQ(g_TotalWindows, 2);
  EXPECT_EQ(g_VoiceReminderCnt, 1);
}

class ReminderAlert : public ReminderStore {
 protected:
  void SetUp() override {
    ReminderStore::SetUp();
    coretest::Push("root");
  }
  void TearDown() override {
    EmptyStack();
    ReminderStore::TearDown();
  }
  void At(unsigned int t) { host_->SetClockOffset(static_cast<long>(t) - time(nullptr)); }
};

TEST_F(ReminderAlert, RepeatsEveryTenMinutesFourTimes) {
  unsigned int start = static_cast<unsigned int>(time(nullptr)) / 86400 * 86400 + 86400 + 10 * 3600;
  At(start - 3600);
  Put("1.mp3");
  g_VoiceReminderCnt = 1;
  g_VoiceReminders[0] = Make(REMIND_DAILY, 2015, 1, 0, 10, 0);
  g_VoiceReminders[0].mp3Index = 1;
  ASSERT_EQ(VoiceReminder_Save(), 0);
  ASSERT_EQ(VoiceReminder_GetNextRemindTime(), start);

  int alerts = 0;
  for (unsigned int t = start; t <= start + 3600; t += 60) {
    At(t);
    if (t >= VoiceReminder_GetNextRemindTime() || t >= VoiceReminder_GetNextRemindTime2()) {
      ASSERT_EQ(CreateVoiceReminderWindow(), 0) << (t - start) / 60;
      CloseAllChildWindow();
      EXPECT_EQ((t - start) % 600, 0u) << (t - start) / 60;
      ++alerts;
    }
  }
  EXPECT_EQ(alerts, 5) << "10:00, then 10:10 .. 10:40";
  EXPECT_EQ(VoiceReminder_GetNextRemindTime(), start + 86400);
  EXPECT_EQ(VoiceReminder_GetNextRemindTime2(), kNone);
}

TEST_F(ReminderAlert, AnUnplayableRecordingIsLeftOutNotPlayedAsSilence) {
  unsigned int start = static_cast<unsigned int>(time(nullptr)) / 86400 * 86400 + 86400 + 10 * 3600;
  At(start - 60);
  g_VoiceReminderCnt = 2;
  for (int i = 0; i < 2; ++i) {
    Put(std::to_string(i + 1) + ".mp3");
    g_VoiceReminders[i] = Make(REMIND_DAILY, 2015, 1, 0, 10, 0);
    g_VoiceReminders[i].mp3Index = i + 1;
  }
  ASSERT_EQ(VoiceReminder_Save(), 0);
  Put("1.mp3", "not audio");
  BUnlink("/mnt/settings/voice_reminder/2.mp3");
  At(start);
  ASSERT_EQ(CreateVoiceReminderWindow(), 0);
  int count = -1;
  VoiceReminderAlertSet(&count);
  EXPECT_EQ(count, 1) << "the first is dropped at once, the second waits for its turn";
  for (int i = 0; i < 8 && count > 0; ++i) {
    WindowTick();
    VoiceReminderAlertSet(&count);
  }
  EXPECT_EQ(count, 0);
  ASSERT_EQ(VoiceReminder_Load(), 0);
  EXPECT_EQ(g_VoiceReminderCnt, 1) << "a missing file goes at the next load, a damaged one stays";
}

}  // namespace
