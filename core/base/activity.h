// Process-wide activity state every layer may touch: the standby and idle
// counters the sound threads raise, the simulate-key pipe, and the small
// board controls.
#pragma once

#include <mutex>

extern int g_SleepLeftTime;  // seconds; under g_SleepTimeMutex
extern int g_IdleShutDownLeftTime;  // seconds; under g_SleepTimeMutex
extern std::mutex g_SleepTimeMutex;
extern int g_SimulateKeyPipe[2];

// Any thread: queues a synthetic key {code, kind} for the loop thread.
int SendSimulateKey(int code, int kind);
// Any thread: keeps standby and idle power-off away for `seconds`.
void DelaySleepTime(int seconds);
// 1 mounted, 0 not, -1 on error.
int IsMountDir(const char* path);
int SetMinCpuMHz(int megahertz);
void SetWorkingLed(int on);
