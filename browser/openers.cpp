#include "browser/openers.h"

namespace {

int (*g_FileOpeners[OPEN_COUNT])(const char*, const char*) = {};
int (*g_PositionOpeners[OPEN_COUNT])(const char*, const char*, const int*) = {};
int (*g_Windows[BW_COUNT])() = {};
int (*g_CompassReset)() = nullptr;
int (*g_FmTxStart)(int) = nullptr;
int (*g_FmTxStop)() = nullptr;

}  // namespace

void RegisterFileOpener(FileOpener which, int (*open)(const char*, const char*)) {
  if (which >= 0 && which < OPEN_COUNT) g_FileOpeners[which] = open;
}

int OpenWith(FileOpener which, const char* folder, const char* arg) {
  if (which < 0 || which >= OPEN_COUNT || !g_FileOpeners[which]) return -1;
  return g_FileOpeners[which](folder, arg);
}

void RegisterPositionOpener(FileOpener which, int (*open)(const char*, const char*, const int*)) {
  if (which >= 0 && which < OPEN_COUNT) g_PositionOpeners[which] = open;
}

int OpenAt(FileOpener which, const char* folder, const char* arg, const int pos[4]) {
  if (which < 0 || which >= OPEN_COUNT || !g_PositionOpeners[which] || !pos) return -1;
  return g_PositionOpeners[which](folder, arg, pos);
}

void RegisterBrowserWindow(BrowserWindow which, int (*create)()) {
  if (which >= 0 && which < BW_COUNT) g_Windows[which] = create;
}

int OpenBrowserWindow(BrowserWindow which) {
  if (which < 0 || which >= BW_COUNT || !g_Windows[which]) return -1;
  return g_Windows[which]();
}

void RegisterCompassReset(int (*reset)()) { g_CompassReset = reset; }

int ResetCompassCalibration() { return g_CompassReset ? g_CompassReset() : -1; }

void RegisterFmTransmitter(int (*start)(int), int (*stop)()) {
  g_FmTxStart = start;
  g_FmTxStop = stop;
}

int StartFmTransmit(int freq) { return g_FmTxStart ? g_FmTxStart(freq) : -1; }

int StopFmTransmit() { return g_FmTxStop ? g_FmTxStop() : -1; }
