// The simulate-key pipe: timers, worker threads and windows inject events
// that the loop thread dispatches like keys.
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/base/diag.h"
#include "browser/file_browser.h"
#include "core/app/mainloop.h"
#include "core/ui/system_settings.h"
#include "clock/alarms.h"
#include "clock/voice_reminder.h"
#include "core/ui/window.h"
#include "power/battery.h"
#include "power/tps65217.h"

int g_ShutDownMode = -1;

namespace {

constexpr int kBatLowMinutes = 10;

void BatteryLowStep() {
  if (g_BatLowShutDownLeftTime < 0) {
    g_BatLowShutDownLeftTime = kBatLowMinutes;
    KeyDown(EV_BATTERY_LOW);
    return;
  }
  --g_BatLowShutDownLeftTime;
  if (g_BatLowShutDownLeftTime <= 0) {
    g_ShutDownMode = 1;
    PowerOff();
  }
  switch (g_BatLowShutDownLeftTime) {
    case 10:
    case 5:
    case 2:
    case 1:
      KeyDown(EV_BATTERY_LOW);
      break;
    default:
      break;
  }
}

}  // namespace

void HandleSimulateKey(int code, int kind) {
  switch (code) {
    case EV_ALARM:
      CloseAllChildWindow();
      DoAlarm();
      return;
    case EV_REALARM:
      CloseAllChildWindow();
      DoReAlarm();
      return;
    case EV_POWER_OFF:
      PowerOff();
    case EV_USB_IN:
      g_BatLowShutDownLeftTime = -1;  // charging cancels the countdown
      CloseAllChildWindow();
      KeyDown(EV_USB_IN);
      return;
    case EV_USB_OUT:
      if (g_UsbState == 1 || g_UsbState == 2) {
        CloseAllChildWindow();
        KeyDown(EV_USB_OUT);
      }
      g_UsbState = 0;
      Tps65217_SetMax_mA(500);
      GetBatState(true);
      return;
    case EV_BATTERY_LOW:
      BatteryLowStep();
      return;
    case EV_VOICE_REMINDER:
      // A reminder never silences an alarm: it plays once the alarm is over.
      if (AlarmWindowOpen()) {
        ReminderWaitsForAlarm();
        return;
      }
      CloseAllChildWindow();
      CreateVoiceReminderWindow();
      return;
    default:
      break;
  }
  if (kind == KEY_KIND_UP)
    KeyUp(code);
  else if (kind == KEY_KIND_DOWN)
    KeyDown(code);
  else if (kind == KEY_KIND_PRESS)
    KeyPress(code);
}

gboolean SimulateKey_CallBack(GIOChannel* channel, GIOCondition condition, gpointer) {
  if (condition & (G_IO_ERR | G_IO_HUP | G_IO_NVAL)) {
    DiagPrintf("gio callback error");
    return TRUE;
  }
  int32_t rec[2];
  gsize got = 0;
  GIOStatus st = g_io_channel_read_chars(channel, reinterpret_cast<gchar*>(rec), sizeof rec, &got,
                                         nullptr);
  if (st != G_IO_STATUS_NORMAL || got != sizeof rec) {
    DiagPrintf("g_io_channel_read_chars error");
    return TRUE;
  }
  HandleSimulateKey(rec[0], rec[1]);
  return TRUE;
}

int OpenSimulateKeyPipe(bool watch) {
  if (g_SimulateKeyPipe[0] < 0 && pipe(g_SimulateKeyPipe) != 0) {
    DiagPrintf("pipe: %s", strerror(errno));
    return -1;
  }
  if (!watch) return 0;
  GIOChannel* ch = g_io_channel_unix_new(g_SimulateKeyPipe[0]);
  if (g_io_channel_set_encoding(ch, nullptr, nullptr) != G_IO_STATUS_NORMAL) {
    DiagPrintf("gio_set_encoding_error");
    g_io_channel_unref(ch);
    return 0;
  }
  guint id = g_io_add_watch(ch, static_cast<GIOCondition>(G_IO_IN | G_IO_ERR),
                            SimulateKey_CallBack, nullptr);
  if (id == 0)
    DiagPrintf("g_source_attach() fail");
  else  // message boxes run a nested loop from inside a handler
    g_source_set_can_recurse(g_main_context_find_source_by_id(nullptr, id), TRUE);
  g_io_channel_unref(ch);  // the watch keeps its own reference
  return 0;
}
