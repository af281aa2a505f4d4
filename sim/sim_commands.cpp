// Script commands and the device actions behind them.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>

#include "platform/host/host_board.h"
#include "sim/sim_text.h"
#include "sim/simulator.h"

namespace sim {
namespace {

constexpr int kEvKey = 1;
constexpr int kCodePmicIrq = 310;
constexpr int kCodeHeadphone = 309;

void Sleep(double seconds) {
  if (seconds <= 0) return;
  struct timespec ts;
  ts.tv_sec = static_cast<time_t>(seconds);
  ts.tv_nsec = static_cast<long>((seconds - static_cast<double>(ts.tv_sec)) * 1e9);
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

std::string ClockText(const std::string& root) {
  board::HostState st(root);
  time_t t = time(nullptr) + st.GetInt(board::state::kClockOffset, 0);
  struct tm tm;
  gmtime_r(&t, &tm);
  char buf[64];
  strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
  return buf;
}

void WriteNode(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::trunc) << content;
}

}  // namespace

void Simulator::Key(int code, int value) {
  if (!PlayerRunning()) {
    if (value) Print("sim: the device is off; the key does nothing");
    return;
  }
  WriteEvent(kEvKey, code, value);
  WriteEvent(0, 0, 0);  // EV_SYN, as the keypad driver sends
}

void Simulator::Power(bool down) {
  board::HostState st(o_.root);
  bool wasDown = st.Get(board::state::kPowerButton, "0") == "1";
  if (down == wasDown) return;
  st.Set(board::state::kPowerButton, down ? "1" : "0");
  st.Bump(board::state::kPowerButtonChanges);
  {
    std::lock_guard<std::mutex> lock(m_);
    if (pid_ <= 0) {
      // Off: pressing the button boots the device; the press is not an event.
      if (down) {
        StartPlayerLocked("is switched on by the power button");
        boot_press_ = true;
      }
      return;
    }
    if (!down && boot_press_) {
      boot_press_ = false;
      return;
    }
    boot_press_ = false;
  }
  Print(down ? "sim: power button down" : "sim: power button up");
  WriteEvent(kEvKey, kCodePmicIrq, 1);
  WriteEvent(0, 0, 0);
  WriteEvent(kEvKey, kCodePmicIrq, 0);
  WriteEvent(0, 0, 0);
}

void Simulator::Usb(const std::string& what) {
  board::HostState st(o_.root);
  if (st.Get(board::state::kUsb, "none") == what) return;
  st.Set(board::state::kUsb, what);
  st.Bump(board::state::kUsbChanges);
  {
    std::lock_guard<std::mutex> lock(m_);
    usb_config_pending_ = what == "computer";
  }
  Print(what == "none" ? "sim: USB cable out"
                       : what == "computer" ? "sim: USB cable in (a computer)" : "sim: USB cable in (a charger)");
  if (PlayerRunning()) {
    WriteEvent(kEvKey, kCodePmicIrq, 1);
    WriteEvent(0, 0, 0);
    WriteEvent(kEvKey, kCodePmicIrq, 0);
    WriteEvent(0, 0, 0);
  }
}

void Simulator::Battery(int state) {
  board::HostState st(o_.root);
  st.SetInt(board::state::kBattery, state);
  Print("sim: battery state " + std::to_string(state));
  // The chip only charges from USB power.
  if (state >= 6 && st.Get(board::state::kUsb, "none") == "none") Usb("charger");
}

void Simulator::Headphones(bool in) {
  board::HostState st(o_.root);
  st.Set(board::state::kHeadphones, in ? "1" : "0");
  Print(in ? "sim: headphones in" : "sim: headphones out");
  if (PlayerRunning()) {
    WriteEvent(kEvKey, kCodeHeadphone, in ? 1 : 0);
    WriteEvent(0, 0, 0);
  }
}

void Simulator::Card(bool in, const std::string& kind) {
  std::string dev = o_.root + "/dev/", vol = o_.root + "/var/volatile/";
  if (in) {
    bool whole = kind == "whole";
    std::string fs = kind == "unformatted" ? "raw\n" : "vfat\n";
    for (const std::string& dir : {dev, vol}) {
      WriteNode(dir + "mmcblk1", whole ? fs : "card\n");
      if (!whole) WriteNode(dir + "mmcblk1p1", fs);
    }
    Print("sim: micro SD card in" + (kind.empty() ? std::string() : " (" + kind + ")"));
    Hotplug(whole ? "mmcblk1_in" : "mmcblk1p1_in");
  } else {
    bool part = access((dev + "mmcblk1p1").c_str(), F_OK) == 0;
    bool any = part || access((dev + "mmcblk1").c_str(), F_OK) == 0;
    for (const std::string& dir : {dev, vol}) {
      unlink((dir + "mmcblk1p1").c_str());
      unlink((dir + "mmcblk1").c_str());
    }
    Print("sim: micro SD card out");
    if (any) Hotplug(part ? "mmcblk1p1_out" : "mmcblk1_out");
  }
}

void Simulator::ClockShift(long seconds) {
  board::HostState st(o_.root);
  st.SetInt(board::state::kClockOffset, st.GetInt(board::state::kClockOffset, 0) + seconds);
  Print("sim: clock now " + ClockText(o_.root));
}

int Simulator::ClockSet(const std::string& when) {
  int y, mo, d, h, mi;
  char tail;
  if (sscanf(when.c_str(), "%d-%d-%d %d:%d %c", &y, &mo, &d, &h, &mi, &tail) != 5 || y < 1970 ||
      y > 2100 || mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 || mi > 59)
    return -1;
  struct tm tm = {};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  time_t t = timegm(&tm);
  struct tm check;
  gmtime_r(&t, &check);
  if (check.tm_mday != d) return -1;
  board::HostState st(o_.root);
  st.SetInt(board::state::kClockOffset, static_cast<long>(t - time(nullptr)));
  Print("sim: clock now " + ClockText(o_.root));
  return 0;
}

void Simulator::Hotplug(const std::string& message) {
  if (!PlayerRunning()) {
    Print("sim: the device is off; hotplug message \"" + message + "\" not sent");
    return;
  }
  // The receiver may still be starting: try for a few seconds.
  for (int attempt = 0; attempt < 30; ++attempt) {
    int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) break;
    struct sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port_));
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
      ssize_t w = write(s, message.data(), message.size());
      close(s);
      if (w == static_cast<ssize_t>(message.size())) {
        Print("sim: hotplug message \"" + message + "\"");
        return;
      }
      break;
    }
    close(s);
    if (!PlayerRunning()) break;
    Sleep(0.1);
  }
  Print("sim: nothing receives hotplug messages on port " + std::to_string(port_) + "; \"" + message +
        "\" not delivered");
}

// Each family of script commands takes the line's words and the line:
// kNotOurs when the command is not one of theirs, else Command's result.
int Simulator::KeyCommand(const std::vector<std::string>& w, const std::string& line) {
  const std::string& cmd = w[0];
  const bool press = cmd == "key" || cmd == "down" || cmd == "up";
  if (!press && cmd != "hold") return kNotOurs;
  int code = w.size() >= 2 ? KeyCodeByName(w[1]) : -1;
  if (press) {
    if (w.size() != 2 || code < 0) return Bad(line, "unknown key name");
    Print("sim: " + cmd + " " + w[1]);
    if (cmd != "up") Key(code, 1);
    if (cmd == "key") Sleep(0.1);
    if (cmd != "down") Key(code, 0);
    return 0;
  }
  double s = w.size() == 3 ? ParseSeconds(w[2]) : -1;
  if (code < 0 || s < 0) return Bad(line, "use: hold NAME SECONDS");
  Print("sim: hold " + w[1] + " " + w[2] + " s");
  Key(code, 1);
  Sleep(s);
  Key(code, 0);
  return 0;
}

int Simulator::PowerCommand(const std::vector<std::string>& w, const std::string& line) {
  if (w[0] != "power") return kNotOurs;
  if (w.size() == 2 && w[1] == "click") {
    Power(true);
    Sleep(0.1);
    Power(false);
    return 0;
  }
  if (w.size() == 3 && w[1] == "hold" && ParseSeconds(w[2]) >= 0) {
    Power(true);
    Sleep(ParseSeconds(w[2]));
    Power(false);
    return 0;
  }
  if (w.size() == 2 && (w[1] == "down" || w[1] == "up")) {
    Power(w[1] == "down");
    return 0;
  }
  return Bad(line, "use: power click | power hold SECONDS");
}

// The cable, the battery, the headphone jack and the card.
int Simulator::WorldCommand(const std::vector<std::string>& w, const std::string& line) {
  const std::string& cmd = w[0];
  const std::string arg = w.size() >= 2 ? w[1] : "";
  if (cmd == "usb") {
    static const char* const kUsage = "use: usb in | usb charger | usb out";
    if (w.size() != 2) return Bad(line, kUsage);
    if (arg == "in" || arg == "computer") Usb("computer");
    else if (arg == "charger") Usb("charger");
    else if (arg == "out") Usb("none");
    else if (arg == "eject") Hotplug("usb_suspend");
    else return Bad(line, kUsage);
    return 0;
  }
  if (cmd == "battery") {
    if (w.size() != 2 || arg.size() != 1 || arg[0] < '0' || arg[0] > '7') return Bad(line, "use: battery 0-7");
    Battery(arg[0] - '0');
    return 0;
  }
  if (cmd == "headphones") {
    if (w.size() != 2 || (arg != "in" && arg != "out")) return Bad(line, "use: headphones in|out");
    Headphones(arg == "in");
    return 0;
  }
  if (cmd != "sd") return kNotOurs;
  if (w.size() == 2 && arg == "out") {
    Card(false, "");
    return 0;
  }
  const bool kind = w.size() == 3 && (w[2] == "whole" || w[2] == "unformatted");
  if (arg != "in" || (w.size() != 2 && !kind)) return Bad(line, "use: sd in [whole|unformatted] | sd out");
  Card(true, kind ? w[2] : "");
  return 0;
}

// The clock, waits and expects.
int Simulator::TimeCommand(const std::vector<std::string>& w, const std::string& line) {
  const std::string& cmd = w[0];
  if (cmd == "clock") {
    static const char* const kUsage = "use: clock +SECONDS | clock YYYY-MM-DD HH:MM";
    std::string arg = Trim(line.substr(5));
    if (!arg.empty() && (arg[0] == '+' || arg[0] == '-') && arg.find(' ') == std::string::npos) {
      double s = ParseSeconds(arg.substr(1));
      if (s < 0) return Bad(line, kUsage);
      ClockShift(static_cast<long>(std::lround(arg[0] == '-' ? -s : s)));
      return 0;
    }
    return ClockSet(arg) == 0 ? 0 : Bad(line, kUsage);
  }
  if (cmd == "wait") {
    double s = w.size() == 2 ? ParseSeconds(w[1]) : -1;
    if (s < 0) return Bad(line, "use: wait SECONDS");
    Sleep(s);
    return 0;
  }
  if (cmd == "window") {
    // window CLASS [SECONDS]: waits until a window of that class is on top.
    double timeout = w.size() == 3 ? ParseSeconds(w[2]) : 5;
    if ((w.size() != 2 && w.size() != 3) || timeout < 0) return Bad(line, "use: window CLASS [SECONDS]");
    return WaitForWindow(w[1], timeout * Slowdown());
  }
  if (cmd != "expect") return kNotOurs;
  std::string text = Trim(line.substr(6));
  double timeout = 5;
  std::vector<std::string> tw = Words(text);
  if (tw.size() >= 2 && ParseSeconds(tw.back()) >= 0) {
    timeout = ParseSeconds(tw.back());
    text = Trim(text.substr(0, text.rfind(tw.back())));
  }
  if (text.empty()) return Bad(line, "use: expect TEXT [SECONDS]");
  return WaitForSpeech(text, timeout * Slowdown());
}

// A player run under an emulator answers several times slower than the PC's:
// DTB_SIM_SLOWDOWN stretches every expect's and window's wait by that factor.
double Simulator::Slowdown() {
  static const double factor = [] {
    const char* v = getenv("DTB_SIM_SLOWDOWN");
    double f = v ? atof(v) : 1;
    return f >= 1 ? f : 1;
  }();
  return factor;
}

int Simulator::Bad(const std::string& line, const std::string& why) {
  Print("sim: bad command \"" + line + "\": " + why);
  return -1;
}

int Simulator::Command(const std::string& raw) {
  std::string line = Trim(raw);
  if (line.empty() || line[0] == '#') return 0;
  std::vector<std::string> w = Words(line);
  const std::string& cmd = w[0];
  using Family = int (Simulator::*)(const std::vector<std::string>&, const std::string&);
  for (Family f : {&Simulator::KeyCommand, &Simulator::PowerCommand, &Simulator::WorldCommand,
                   &Simulator::TimeCommand}) {
    int r = (this->*f)(w, line);
    if (r != kNotOurs) return r;
  }
  if (cmd == "input" || cmd == "station" || cmd == "mic") return SourceCommand(w);
  if (cmd == "disk") return DiskCommand(w, line);
  if (cmd == "compass") return CompassCommand(w, line);
  if (cmd == "kill" && w.size() == 1) {
    KillPlayer();
    return 0;
  }
  if (cmd == "quit" && w.size() == 1) return 2;
  return Bad(line, "unknown command");
}

}  // namespace sim
