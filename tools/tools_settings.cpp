// The tools' settings files. Saved whole and atomically: a power cut while
// saving keeps the previous statistics.
#include <cstring>

#include "core/base/settings_file.h"
#include "core/ui/settings_area.h"
#include "platform/board.h"
#include "tools/calculagraph.h"
#include "tools/compass.h"

CalculagraphData g_CalculagraphData;
bool g_bCalculagraphRunning = false;

namespace {

constexpr const char* kDataPath = SETTINGS_DIR "/calculagraph_data.bin";
constexpr const char* kToolsPath = SETTINGS_DIR "/tools.bin";
constexpr const char* kDefaultCompassPath = "/home/default_comass_config.bin";
constexpr int kToolsFileSize = 92;
constexpr int kCompassOffset = 80;  // after the calendar block
constexpr int kCompassSize = 12;

uint8_t g_ToolsBlock[kToolsFileSize];

void PutLe(uint8_t* p, int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(u >> (8 * i));
}

int32_t GetLe(const uint8_t* p) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(p[i]) << (8 * i);
  return static_cast<int32_t>(u);
}

int32_t* Field(CalculagraphData* d, int i) { return &d->today + i; }

void SetDataToDefault() {
  g_CalculagraphData = CalculagraphData{};
  g_CalculagraphData.length = 30;
  g_CalculagraphData.interval = 15;
}

// Counts below zero come only from a damaged file.
void RepairData(CalculagraphData* d) {
  for (int i = 0; i < 4; ++i)
    if (*Field(d, i) < 0) *Field(d, i) = 0;
}

void AddMinutes(CalculagraphData* d, int minutes) {
  if (minutes <= 0) return;
  time_t now = BTime();
  struct tm local;
  localtime_r(&now, &local);
  RollCalculagraphStats(d, local);
  d->today += minutes;
  d->month += minutes;
  d->year += minutes;
}

compass::Calibration CompassOf(const uint8_t* p) {
  compass::Calibration c;
  c.x = GetLe(p);
  c.y = GetLe(p + 4);
  c.z = GetLe(p + 8);
  return c;
}

void PutCompass(const compass::Calibration& c) {
  PutLe(g_ToolsBlock + kCompassOffset, c.x);
  PutLe(g_ToolsBlock + kCompassOffset + 4, c.y);
  PutLe(g_ToolsBlock + kCompassOffset + 8, c.z);
}

// The default calibration; no offsets when its file is missing or damaged
// (a compass that points, if less well, beats one that cannot be reset).
int LoadDefaultCompass() {
  uint8_t buf[kCompassSize + 1];
  FILE* f = BFopen(kDefaultCompassPath, "rb");
  size_t n = 0;
  if (f) {
    n = fread(buf, 1, sizeof buf, f);
    fclose(f);
  }
  bool good = n == kCompassSize && compass::PlausibleCalibration(CompassOf(buf));
  PutCompass(good ? CompassOf(buf) : compass::Calibration{});
  return good ? 0 : -1;
}

}  // namespace

int LoadToolsSettings() {
  SetDataToDefault();
  uint8_t raw[kCalculagraphFileSize];
  if (LoadSettingsFile(kDataPath, raw, sizeof raw) >= kCalculagraphFileSize) {
    for (int i = 0; i < kCalculagraphFileSize / 4; ++i) *Field(&g_CalculagraphData, i) = GetLe(raw + 4 * i);
    RepairData(&g_CalculagraphData);
  }
  uint8_t block[kToolsFileSize + 1];
  if (LoadSettingsFile(kToolsPath, block, sizeof block) == kToolsFileSize) {
    memcpy(g_ToolsBlock, block, kToolsFileSize);
    // Offsets no player could need come from a damaged file: the calendar
    // block is kept, the calibration starts again from the default.
    if (!compass::PlausibleCalibration(CompassOf(g_ToolsBlock + kCompassOffset))) LoadDefaultCompass();
    return 0;
  }
  memset(g_ToolsBlock, 0, sizeof g_ToolsBlock);
  LoadDefaultCompass();
  return -1;
}

int SaveToolsSettings() {
  // No countdown runs after a restart: the file holds what a running one
  // has counted so far, as if it ended now (power-off, a crash).
  CalculagraphData d = g_CalculagraphData;
  if (g_bCalculagraphRunning) AddMinutes(&d, CalculagraphPassedMinutes());
  uint8_t raw[kCalculagraphFileSize];
  for (int i = 0; i < kCalculagraphFileSize / 4; ++i) PutLe(raw + 4 * i, *Field(&d, i));
  int a = SaveSettingsFile(kToolsPath, g_ToolsBlock, kToolsFileSize);
  int b = SaveSettingsFile(kDataPath, raw, kCalculagraphFileSize);
  return a < 0 || b < 0 ? -1 : 0;
}

int SaveDefaultCompassSetting() {
  LoadDefaultCompass();
  return SaveSettingsFile(kToolsPath, g_ToolsBlock, kToolsFileSize) < 0 ? -1 : 0;
}

compass::Calibration compass::CurrentCalibration() { return CompassOf(g_ToolsBlock + kCompassOffset); }

int compass::SaveCalibration(const Calibration& c) {
  PutCompass(c);
  return SaveSettingsFile(kToolsPath, g_ToolsBlock, kToolsFileSize) < 0 ? -1 : 0;
}

unsigned int GetRemindLeftTime(unsigned int now) {
  unsigned int next = static_cast<unsigned int>(g_CalculagraphData.next);
  return now < next ? next - now : 0;
}

void RollCalculagraphStats(CalculagraphData* d, const struct tm& now) {
  if (d->stampYear != now.tm_year) {
    // Last year's minutes are only known when exactly one year went by.
    if (static_cast<long long>(now.tm_year) == static_cast<long long>(d->stampYear) + 1) d->lastYear = d->year;
    d->today = d->month = d->year = 0;
  } else if (d->stampMonth != now.tm_mon) {
    d->today = d->month = 0;
  } else if (d->stampDay != now.tm_mday) {
    d->today = 0;
  }
  d->stampYear = now.tm_year;
  d->stampMonth = now.tm_mon;
  d->stampDay = now.tm_mday;
}

void AddCalculagraphMinutes(int minutes) {
  if (minutes <= 0) return;
  AddMinutes(&g_CalculagraphData, minutes);
  MarkSettingsChanged(kToolsSettingsArea);
}
