// A stand-in for dtbplayer used to test the simulator's own mechanics
// (keys, power chip, USB, card, clock, exit statuses) independently of the
// firmware. It reads the board exactly as the firmware does and says what
// it saw in the transcript.
#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/i2c.h>
#include <linux/rtc.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/board.h"
#include "platform/board_ioctl.h"
#include "platform/host/host_board.h"

namespace {

void Say(const std::string& t) { board::Current().Transcript("say", t); }

int Reg(int reg) {
  unsigned char r = static_cast<unsigned char>(reg), v = 0;
  struct i2c_msg m[2] = {{0x24, 0, 1, &r}, {0x24, I2C_M_RD, 1, &v}};
  return board::I2cTransfer("/dev/i2c-1", m, 2) == 2 ? v : -1;
}

void Key(int code) {
  switch (code) {
    case 264:  // back: power off
      board::System("poweroff");
      break;
    case 261:  // menu: reboot
      board::System("reboot");
      break;
    case 258:  // volume down: crash
      abort();
    case 259: {  // info: wake alarm a minute ahead, then power off
      time_t w = board::Now() + 60;
      struct tm tm;
      localtime_r(&w, &tm);
      struct rtc_wkalrm a = {};
      a.time.tm_sec = tm.tm_sec;
      a.time.tm_min = tm.tm_min;
      a.time.tm_hour = tm.tm_hour;
      a.time.tm_mday = tm.tm_mday;
      a.time.tm_mon = tm.tm_mon;
      a.time.tm_year = tm.tm_year;
      int fd = BOpen("/dev/rtc0", O_RDWR);
      board::Ioctl(fd, RTC_WKALM_SET, &a);
      board::Ioctl(fd, RTC_AIE_ON, nullptr);
      close(fd);
      board::System("poweroff");
      break;
    }
    case 265: {  // volume up: battery reading
      int fd = BOpen("/dev/ti_adc", O_RDONLY);
      int v = -1;
      board::Ioctl(fd, ADC_READ_CH6, &v);
      close(fd);
      Say("adc " + std::to_string(v));
      break;
    }
    case 262: {  // left: the clock
      time_t t = board::Now();
      struct tm tm;
      gmtime_r(&t, &tm);
      char buf[32];
      strftime(buf, sizeof buf, "%Y-%m-%d %H:%M", &tm);
      Say(std::string("time ") + buf);
      break;
    }
    default:
      break;
  }
}

}  // namespace

int main(int argc, char** argv) {
  board::RegisterHostBoard();
  if (board::InstallFromArgs(&argc, argv) != 0) return 1;
  int in = board::OpenInputDevice("/dev/input/event0");
  if (in < 0) return 1;
  int srv = socket(AF_INET, SOCK_STREAM, 0);
  int one = 1;
  setsockopt(srv, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  struct sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(board::HotplugPort()));
  if (bind(srv, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(srv, 10) != 0) return 1;
  bool usb = false;
  Say("ready");
  for (;;) {
    struct pollfd p[2] = {{in, POLLIN, 0}, {srv, POLLIN, 0}};
    if (poll(p, 2, -1) <= 0) continue;
    if (p[1].revents & POLLIN) {
      int c = accept(srv, nullptr, nullptr);
      char buf[1025];
      ssize_t n = c >= 0 ? read(c, buf, 1024) : -1;
      if (c >= 0) close(c);
      if (n > 0) Say("hotplug " + std::string(buf, static_cast<size_t>(n)));
    }
    if (!(p[0].revents & POLLIN)) continue;
    unsigned char rec[16];
    if (read(in, rec, 16) != 16) return 2;
    uint16_t type, code;
    int32_t value;
    memcpy(&type, rec + 8, 2);
    memcpy(&code, rec + 10, 2);
    memcpy(&value, rec + 12, 4);
    if (type != 1) continue;
    if (code == 310) {
      if (!value) continue;
      int irq = Reg(0x02), status = Reg(0x0A);
      if (irq & 4) Say(status & 1 ? "power down" : "power up");
      if (irq & 2) {
        usb = status & 4;
        Say(usb ? "usb power" : "no usb power");
        // What the file browser does with a cable: become a USB disk.
        if (usb) {
          board::System("umount /mnt/emmc");
          board::System("insmod /home/g_mass_storage.ko file=/dev/mmcblk0p6");
        } else {
          board::System("rmmod /home/g_mass_storage.ko");
        }
      }
    } else if (code == 309) {
      int fd = BOpen("/dev/mic2det", O_RDWR);
      struct mic2det_pin pin = {1, 27, -1};
      board::Ioctl(fd, MIC2DET_GET_PIN, &pin);
      close(fd);
      Say(pin.level ? "headphones in" : "headphones out");
    } else {
      Say("key " + std::to_string(code) + (value ? " down" : " up"));
      if (value) Key(code);
    }
  }
}
