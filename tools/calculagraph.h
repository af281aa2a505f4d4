// The countdown timer and its usage statistics: minutes counted today, this
// month, this year and last year, kept in "/mnt/settings/calculagraph_data.bin"
// with the chosen length and announcement interval.
#pragma once

#include <cstdint>
#include <ctime>
#include "core/ui/settings_area.h"

// Eleven little-endian 32-bit integers in this order: the file's layout.
struct CalculagraphData {
  int32_t today;
  int32_t month;
  int32_t year;
  int32_t lastYear;
  int32_t stampYear;   // years since 1900, of the last date check
  int32_t stampMonth;  // 0-11
  int32_t stampDay;    // 1-31
  int32_t length;      // countdown minutes, 5-240
  int32_t interval;    // announcement minutes, 15 or 30
  int32_t start;       // seconds since the epoch
  int32_t next;        // the next announcement, seconds since the epoch
};
constexpr int kCalculagraphFileSize = 44;

extern CalculagraphData g_CalculagraphData;
// A countdown runs (never stored: none runs after a restart).
extern bool g_bCalculagraphRunning;

// Seconds from `now` to the next announcement, 0 when it is due.
unsigned int GetRemindLeftTime(unsigned int now);

// Statistics of another day, month or year start again; `now` is local time.
void RollCalculagraphStats(CalculagraphData* d, const struct tm& now);
// Counts `minutes` into today, this month and this year (date rolled first).
void AddCalculagraphMinutes(int minutes);

// The tools' files: the statistics, and "tools.bin" (calendar block and
// compass calibration, kept as they are). Load: 0, or -1 when "tools.bin"
// is not exactly 92 bytes. Save: 0, or -1 when a file could not be written.
int LoadToolsSettings();
int SaveToolsSettings();
inline constexpr SettingsKey kToolsSettingsArea{"tools"};
// The compass calibration back to "/home/default_comass_config.bin" (no
// offsets when that is missing or damaged), saved now. 0, or -1 when
// "tools.bin" could not be written.
int SaveDefaultCompassSetting();

// Whole minutes the running countdown has counted, 0 to its length.
int CalculagraphPassedMinutes();
// Announces the running countdown when an announcement or its end is due.
// Its window calls it on every tick, the heartbeat once a second (a
// countdown goes on when its window was closed from outside). 0.
int CalculagraphStep();

// Pushes the countdown window and speaks its first item. 0 or -1.
int CreateCalculagraph();
