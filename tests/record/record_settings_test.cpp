// Recording settings, the format table and the names of new recordings.
#include "record/engine/record_settings.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "browser/dir_info.h"
#include "tests/support/root_board.h"
#include "tests/support/test_support.h"

namespace {

std::string TodayPrefix() {
  time_t now = time(nullptr);
  struct tm t;
  localtime_r(&now, &t);
  char p[32];
  strftime(p, sizeof p, "Record%Y%m%d_", &t);
  return p;
}

void Touch(const std::string& path) { close(open(path.c_str(), O_CREAT | O_WRONLY, 0644)); }

TEST(RecordNamesTest, FirstFreeNumberOfEitherExtensionAndNoneWhenAllTaken) {
  dtbtest::TempDir dir;
  dtbtest::ScopedRootBoard board(dir.path());
  std::string folder = dir / "Record";
  mkdir(folder.c_str(), 0755);
  std::string prefix = TodayPrefix();
  Touch(folder + "/" + prefix + "1.wav");
  Touch(folder + "/" + prefix + "2.mp3");
  Touch(folder + "/" + prefix + "04.mp3");  // not the name the device makes
  Touch(folder + "/Record19990101_3.mp3");  // another day
  ASSERT_EQ(0, g_DirInfo.LoadDir("/Record"));
  std::string name;
  ASSERT_EQ(0, GetCurDirRecordFilename("mp3", &name));
  EXPECT_EQ(prefix + "3.mp3", name);

  for (int n = 3; n <= 9999; n++) Touch(folder + "/" + prefix + std::to_string(n) + (n % 2 ? ".wav" : ".MP3"));
  ASSERT_EQ(0, g_DirInfo.LoadDir("/Record"));
  EXPECT_EQ(-1, GetCurDirRecordFilename("wav", &name));
  unlink((folder + "/" + prefix + "5000.MP3").c_str());
  ASSERT_EQ(0, g_DirInfo.LoadDir("/Record"));
  ASSERT_EQ(0, GetCurDirRecordFilename("wav", &name));
  EXPECT_EQ(prefix + "5000.wav", name);
}

TEST(RecordSettingsTest, FormatsParseAndStoredValuesAreRepaired) {
  int mp3, rate, kbps;
  ASSERT_EQ(0, ParseRecordFormat("mp3-44100hz_128kbps", &mp3, &rate, &kbps));
  EXPECT_EQ(1, mp3);
  EXPECT_EQ(44100, rate);
  EXPECT_EQ(128, kbps);
  ASSERT_EQ(0, ParseRecordFormat("wav 16000hz", &mp3, &rate, &kbps));
  EXPECT_EQ(0, mp3);
  EXPECT_EQ(16000, rate);
  EXPECT_EQ(-1, kbps);
  ASSERT_EQ(0, ParseRecordFormat("kbps hz", &mp3, &rate, &kbps));
  EXPECT_EQ(-1, rate);
  EXPECT_EQ(-1, kbps);

  dtbtest::TempDir dir;
  dtbtest::ScopedRootBoard board(dir.path());
  dtbtest::WriteFile(dir / "r.xml",
                     "<record><record_config RecordingFilePosition=\"1\" volume=\"13\" format=\"9\" "
                     "enoise=\"0\" ExtLineType=\"1\"/></record>");
  ASSERT_EQ(0, LoadRecordSettingsFile("/r.xml"));
  EXPECT_EQ(1, g_RecordSettings.location);
  EXPECT_EQ(8, g_RecordSettings.volume);
  EXPECT_EQ(5, g_RecordSettings.format);
  EXPECT_EQ(0, g_RecordSettings.noise);
  EXPECT_EQ(1, g_RecordSettings.ext_line);
  g_RecordSettings.volume = 3;
  ASSERT_EQ(0, SaveRecordSettingsFile("/s.xml"));
  SetRecordSettingsToDefault();
  ASSERT_EQ(0, LoadRecordSettingsFile("/s.xml"));
  EXPECT_EQ(3, g_RecordSettings.volume);
  EXPECT_EQ(1, g_RecordSettings.ext_line);
  SetRecordSettingsToDefault();
}

}  // namespace
