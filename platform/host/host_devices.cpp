// Models of the hardware behind the host board's device nodes: the I2C
// bus (its chips are in chips/), the battery ADC, the RTC wake alarm and the
// amplifier enable line (the detection pins are in mic2det_model.cpp).
// Inputs come from the state files under var/board (re-read at every
// access, so the simulator can change them at any time); what the firmware
// programs is written back there for the simulator and tests to read.
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <linux/rtc.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

#include "platform/board_ioctl.h"
#include "platform/host/host_board.h"

namespace board {
namespace {

enum Device { kNone = -1, kI2c, kRtc, kAdc, kMic2det, kAmp };
const char* const c_Nodes[] = {"i2c-1", "rtc0", "ti_adc", "mic2det", "amp_en"};

int Fail(int e) {
  errno = e;
  return -1;
}

bool ValidRtcTime(const struct rtc_time& t) {
  static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (t.tm_sec < 0 || t.tm_sec > 59 || t.tm_min < 0 || t.tm_min > 59 || t.tm_hour < 0 ||
      t.tm_hour > 23 || t.tm_mon < 0 || t.tm_mon > 11 || t.tm_year < 70 || t.tm_year > 205 ||
      t.tm_mday < 1)
    return false;
  int y = t.tm_year + 1900;
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  int limit = days[t.tm_mon] - (t.tm_mon == 1 && !leap ? 1 : 0);
  return t.tm_mday <= limit;
}

time_t RtcToEpoch(const struct rtc_time& r) {
  struct tm tm = {};
  tm.tm_sec = r.tm_sec;
  tm.tm_min = r.tm_min;
  tm.tm_hour = r.tm_hour;
  tm.tm_mday = r.tm_mday;
  tm.tm_mon = r.tm_mon;
  tm.tm_year = r.tm_year;
  tm.tm_isdst = -1;
  return mktime(&tm);
}

}  // namespace

int HostBoard::DeviceOf(int fd) const {
  struct stat f;
  if (fstat(fd, &f) != 0) return kNone;
  for (int i = 0; i < 5; ++i) {
    struct stat n;
    std::string p = root_ + "/dev/" + c_Nodes[i];
    if (stat(p.c_str(), &n) == 0 && n.st_dev == f.st_dev && n.st_ino == f.st_ino) return i;
  }
  return kNone;
}

int HostBoard::Ioctl(int fd, unsigned long request, void* arg) {
  std::lock_guard<std::mutex> lock(dev_mutex_);
  switch (DeviceOf(fd)) {
    case kI2c:
      return I2cIoctl(request, arg);
    case kRtc:
      return RtcIoctl(request, arg);
    case kAdc:
      return AdcIoctl(request, arg);
    case kMic2det:
      return Mic2detIoctl(request, arg);
    case kAmp:
      return AmpIoctl(request, arg);
    default:
      // Not a modelled node (a socket, a terminal): the PC's own driver.
      return ioctl(fd, request, arg);
  }
}

void HostBoard::AddChip(const std::string& bus, int address, std::unique_ptr<chips::Chip> chip) {
  std::lock_guard<std::mutex> lock(dev_mutex_);
  chips_.Add(bus, address, std::move(chip));
}

int HostBoard::I2cIoctl(unsigned long request, void* arg) {
  if (request == I2C_TIMEOUT || request == I2C_RETRIES || request == I2C_SLAVE ||
      request == I2C_SLAVE_FORCE)
    return 0;
  if (request != I2C_RDWR) return Fail(ENOTTY);
  return chips_.Transfer("/dev/i2c-1", static_cast<struct i2c_rdwr_ioctl_data*>(arg));
}

int HostBoard::AdcIoctl(unsigned long request, void* arg) {
  if (request != ADC_READ_CH6) return Fail(ENOTTY);
  if (!arg) return Fail(EFAULT);
  long raw = state_.GetInt(state::kBatteryAdc, -1);
  *static_cast<int*>(arg) =
      raw >= 0 ? static_cast<int>(raw) : BatteryStateToAdc(static_cast<int>(state_.GetInt(state::kBattery, 5)));
  return 0;
}

void HostBoard::LoadRtcAlarm() {
  std::ifstream in(state_.File(state::kRtcAlarm));
  memset(&rtc_alarm_, 0, sizeof rtc_alarm_);
  rtc_irq_ = false;
  std::string key;
  long long v;
  while (in >> key) {
    if (key == "enabled" && in >> v) rtc_irq_ = v != 0;
    else if (key == "epoch" && in >> v) {
      time_t t = static_cast<time_t>(v);
      struct tm tm;
      localtime_r(&t, &tm);
      rtc_alarm_.tm_sec = tm.tm_sec;
      rtc_alarm_.tm_min = tm.tm_min;
      rtc_alarm_.tm_hour = tm.tm_hour;
      rtc_alarm_.tm_mday = tm.tm_mday;
      rtc_alarm_.tm_mon = tm.tm_mon;
      rtc_alarm_.tm_year = tm.tm_year;
      rtc_alarm_set_ = true;
    }
  }
}

void HostBoard::SaveRtcAlarm() {
  std::ostringstream out;
  out << "enabled " << (rtc_irq_ ? 1 : 0) << "\n";
  if (rtc_alarm_set_) {
    char buf[64];
    snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", rtc_alarm_.tm_year + 1900,
             rtc_alarm_.tm_mon + 1, rtc_alarm_.tm_mday, rtc_alarm_.tm_hour, rtc_alarm_.tm_min,
             rtc_alarm_.tm_sec);
    out << "epoch " << static_cast<long long>(RtcToEpoch(rtc_alarm_)) << "\ntime " << buf << "\n";
  }
  state_.Set(state::kRtcAlarm, out.str());
}

int HostBoard::RtcIoctl(unsigned long request, void* arg) {
  switch (request) {
    case RTC_WKALM_SET: {
      auto* w = static_cast<struct rtc_wkalrm*>(arg);
      if (!w) return Fail(EFAULT);
      if (!ValidRtcTime(w->time)) return Fail(EINVAL);
      rtc_alarm_ = w->time;
      rtc_alarm_set_ = true;
      rtc_irq_ = w->enabled != 0;
      SaveRtcAlarm();
      return 0;
    }
    case RTC_WKALM_RD: {
      auto* w = static_cast<struct rtc_wkalrm*>(arg);
      if (!w) return Fail(EFAULT);
      memset(w, 0, sizeof *w);
      w->enabled = rtc_irq_ ? 1 : 0;
      w->time = rtc_alarm_;
      return 0;
    }
    case RTC_AIE_ON:
      if (!rtc_alarm_set_) return Fail(EINVAL);
      rtc_irq_ = true;
      SaveRtcAlarm();
      return 0;
    case RTC_AIE_OFF:
      rtc_irq_ = false;
      SaveRtcAlarm();
      return 0;
    case RTC_RD_TIME: {
      auto* r = static_cast<struct rtc_time*>(arg);
      if (!r) return Fail(EFAULT);
      time_t now = Now();
      struct tm tm;
      localtime_r(&now, &tm);
      memset(r, 0, sizeof *r);
      r->tm_sec = tm.tm_sec;
      r->tm_min = tm.tm_min;
      r->tm_hour = tm.tm_hour;
      r->tm_mday = tm.tm_mday;
      r->tm_mon = tm.tm_mon;
      r->tm_year = tm.tm_year;
      r->tm_wday = tm.tm_wday;
      r->tm_yday = tm.tm_yday;
      return 0;
    }
    case RTC_SET_TIME: {
      auto* r = static_cast<struct rtc_time*>(arg);
      if (!r) return Fail(EFAULT);
      if (!ValidRtcTime(*r)) return Fail(EINVAL);
      state_.SetInt(state::kRtcClock, static_cast<long long>(RtcToEpoch(*r)));
      return 0;
    }
    default:
      return Fail(ENOTTY);
  }
}

int HostBoard::AmpIoctl(unsigned long request, void* arg) {
  if (request != AMP_EN_SET) return Fail(ENOTTY);
  if (!arg) return Fail(EFAULT);
  const int* v = static_cast<const int*>(arg);
  if (v[0] != 1) return Fail(EINVAL);
  state_.Set(state::kAmplifier, v[1] ? "on" : "off");
  return 0;
}

}  // namespace board
