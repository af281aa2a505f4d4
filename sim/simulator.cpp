#include "sim/simulator.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <sstream>

#include "platform/board.h"
#include "platform/host/host_board.h"
#include "sim/sim_text.h"

#ifndef DTB_PLAYER_PATH
#define DTB_PLAYER_PATH ""
#endif

namespace sim {
namespace {

const char c_GadgetLun0[] = "/sys/devices/platform/omap/musb-ti81xx/musb-hdrc.0/gadget/lun0/file";

int FreePort() {
  int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return 5020;
  struct sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  socklen_t len = sizeof a;
  int port = 5020;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  close(s);
  return port;
}

std::string Tail(const std::string& path, int lines) {
  std::ifstream in(path);
  std::deque<std::string> q;
  for (std::string l; std::getline(in, l);) {
    q.push_back(l);
    if (static_cast<int>(q.size()) > lines) q.pop_front();
  }
  std::string out;
  for (auto& l : q) out += "  | " + l + "\n";
  return out;
}


void PutLe32(FILE* f, long at, uint32_t v) {
  unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                        static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
  if (fseek(f, at, SEEK_SET) == 0) fwrite(b, 1, 4, f);
}

// A player that ends without closing its sound stream (power-off, a crash)
// leaves the WAV writer's length fields at 0; set them from the file's size.
void SealWav(const std::string& path) {
  FILE* f = fopen(path.c_str(), "r+b");
  if (!f) return;
  unsigned char h[12];
  struct stat st;
  if (fread(h, 1, 12, f) == 12 && !memcmp(h, "RIFF", 4) && !memcmp(h + 8, "WAVE", 4) &&
      fstat(fileno(f), &st) == 0 && st.st_size <= 0xFFFFFFFFLL) {
    const long size = static_cast<long>(st.st_size);
    long at = 12;
    unsigned char c[8];
    while (at + 8 <= size && fseek(f, at, SEEK_SET) == 0 && fread(c, 1, 8, f) == 8) {
      if (!memcmp(c, "data", 4)) {
        PutLe32(f, 4, static_cast<uint32_t>(size - 8));
        PutLe32(f, at + 4, static_cast<uint32_t>(size - at - 8));
        break;
      }
      uint32_t len = c[4] | c[5] << 8 | c[6] << 16 | static_cast<uint32_t>(c[7]) << 24;
      at += 8 + static_cast<long>(len) + (len & 1);
    }
  }
  fclose(f);
}

// The playback files of a run: the named one, or with "%r"/"%c" in the name
// every file of that folder starting like it (numbered ones kept beside it).
void SealWavFiles(const std::string& pattern) {
  if (pattern.empty()) return;
  size_t slash = pattern.rfind('/');
  std::string dir = slash == std::string::npos ? "." : pattern.substr(0, slash);
  std::string base = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  std::string prefix = base.substr(0, base.find('%'));
  DIR* d = opendir(dir.c_str());
  if (!d) return;
  while (struct dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (name.compare(0, prefix.size(), prefix) == 0 && name != "." && name != "..") SealWav(dir + "/" + name);
  }
  closedir(d);
}

}  // namespace

int KeyCodeByName(const std::string& n) {
  static const struct {
    const char* name;
    int code;
  } c_Keys[] = {{"radio", 256},    {"music", 257}, {"voldown", 258}, {"info", 259},
                {"bookmark", 260}, {"menu", 261},  {"left", 262},    {"down", 263},
                {"back", 264},     {"volup", 265}, {"record", 304},  {"right", 305},
                {"up", 306},       {"play", 307}};
  for (auto& k : c_Keys)
    if (n == k.name) return k.code;
  return -1;
}

Simulator::Simulator(const Options& o) : o_(o) {}

Simulator::~Simulator() {
  if (monitor_.joinable()) Finish();
  if (fifo_fd_ >= 0) close(fifo_fd_);
}

void Simulator::Print(const std::string& line) {
  if (o_.quiet) return;
  std::lock_guard<std::mutex> lock(print_m_);
  fputs(line.c_str(), stdout);
  fputc('\n', stdout);
  fflush(stdout);
}

std::string Simulator::FindPlayer() const {
  if (!o_.player.empty()) return o_.player;
  if (const char* env = getenv("DTB_PLAYER")) return env;
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n > 0) {
    self[n] = 0;
    std::string dir(self);
    dir = dir.substr(0, dir.rfind('/'));
    for (const std::string& c : {dir + "/dtbplayer", dir + "/../core/dtbplayer"})
      if (access(c.c_str(), X_OK) == 0) return c;
  }
  return DTB_PLAYER_PATH;
}

std::string Simulator::FindSupervisor() const {
  if (!o_.supervisor.empty()) return o_.supervisor;
  if (const char* env = getenv("DTB_SUPERVISOR")) return env;
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "";
  self[n] = 0;
  std::string dir(self);
  return dir.substr(0, dir.rfind('/')) + "/../supervisor/supervisor";
}

// The supervisor runs the player as the device has it, /home/q7exe2. A
// player an upgrade installed there (a file, not our link) stays.
int Simulator::InstallPlayerInRoot() {
  std::string exe = o_.root + "/home/q7exe2";
  struct stat st;
  if (lstat(exe.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) return 0;
  unlink(exe.c_str());
  if (symlink(player_path_.c_str(), exe.c_str()) == 0) return 0;
  fprintf(stderr, "dtbsim: can't install the player as %s: %s\n", exe.c_str(), strerror(errno));
  return -1;
}

int Simulator::Start() {
  player_path_ = FindPlayer();
  if (player_path_.empty() || access(player_path_.c_str(), X_OK) != 0) {
    fprintf(stderr, "dtbsim: dtbplayer not found (build it, or give --player PATH or DTB_PLAYER)\n");
    return -1;
  }
  boot_path_ = player_path_;
  if (o_.supervisor != "-") {
    boot_path_ = FindSupervisor();
    if (boot_path_.empty() || access(boot_path_.c_str(), X_OK) != 0) {
      fprintf(stderr, "dtbsim: supervisor not found (build it, or give --supervisor PATH)\n");
      return -1;
    }
    if (InstallPlayerInRoot() != 0) return -1;
  }
  port_ = FreePort();
  fifo_fd_ = open((o_.root + "/dev/input/event0").c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fifo_fd_ < 0) {
    fprintf(stderr, "dtbsim: can't open the keypad FIFO: %s\n", strerror(errno));
    return -1;
  }
  transcript_ = TranscriptTail(o_.root + "/var/log/transcript");
  transcript_.SkipToEnd();
  {
    std::lock_guard<std::mutex> lock(m_);
    if (StartPlayerLocked("starts") != 0) return -1;
  }
  monitor_ = std::thread([this] { Monitor(); });
  return 0;
}

int Simulator::StartPlayerLocked(const char* why) {
  // Records written while the device was off must not reach the new run.
  char junk[256];
  while (read(fifo_fd_, junk, sizeof junk) > 0) {
  }
  std::string log = o_.root + "/var/log/player.log";
  pid_t pid = fork();
  if (pid < 0) {
    Print(std::string("sim: can't start dtbplayer: ") + strerror(errno));
    return -1;
  }
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    int devnull = open("/dev/null", O_RDONLY);
    if (devnull >= 0) dup2(devnull, 0);
    if (!o_.verbose) {
      int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      if (fd >= 0) {
        dup2(fd, 1);
        dup2(fd, 2);
      }
    }
    setenv("DTB_HOTPLUG_PORT", std::to_string(port_).c_str(), 1);
    if (!o_.audio_out.empty()) setenv("DTB_AUDIO_OUT", o_.audio_out.c_str(), 1);
    if (!o_.audio_in.empty()) setenv("DTB_AUDIO_IN", o_.audio_in.c_str(), 1);
    execl(boot_path_.c_str(), boot_path_.c_str(), "--board", "host", "--root", o_.root.c_str(),
          static_cast<char*>(nullptr));
    fprintf(stderr, "dtbsim: can't run %s: %s\n", boot_path_.c_str(), strerror(errno));
    _exit(127);
  }
  pid_ = pid;
  off_ = false;
  Print(std::string("sim: the device ") + why);
  return 0;
}

void Simulator::StopPlayer() {
  pid_t pid;
  {
    std::lock_guard<std::mutex> lock(m_);
    pid = pid_;
    pid_ = -1;
  }
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  int status = 0;
  for (int i = 0; i < 300; ++i) {
    if (waitpid(pid, &status, WNOHANG) == pid) return;
    usleep(10000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
}

void Simulator::KillPlayer() {
  pid_t pid;
  {
    std::lock_guard<std::mutex> lock(m_);
    pid = pid_;
    pid_ = -1;
    off_ = true;
    boot_press_ = false;
  }
  if (pid <= 0) {
    Print("sim: the device is off; nothing to kill");
    return;
  }
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  Print("sim: dtbplayer killed (SIGKILL); the device is off");
}

bool Simulator::PlayerRunning() {
  std::lock_guard<std::mutex> lock(m_);
  return pid_ > 0;
}

pid_t Simulator::PlayerPid() {
  std::lock_guard<std::mutex> lock(m_);
  return pid_;
}

bool Simulator::Failed() {
  std::lock_guard<std::mutex> lock(m_);
  return failed_;
}

void Simulator::CheckPlayer() {
  std::lock_guard<std::mutex> lock(m_);
  if (pid_ > 0) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return;
    pid_ = -1;
    off_ = true;
    if (WIFEXITED(status) && WEXITSTATUS(status) == board::kExitPowerOff) {
      Print("sim: the device powered off");
    } else if (WIFEXITED(status) && WEXITSTATUS(status) == board::kExitReboot) {
      Print("sim: the device reboots");
      StartPlayerLocked("starts again");
    } else {
      failed_ = true;
      std::string why = WIFEXITED(status) ? "ended with status " + std::to_string(WEXITSTATUS(status))
                                          : std::string("was killed by signal ") +
                                                strsignal(WTERMSIG(status));
      std::string tail = o_.verbose ? "" : Tail(o_.root + "/var/log/player.log", 15);
      Print("sim: dtbplayer " + why + (tail.empty() ? "" : "; its last output:\n" + tail));
    }
    return;
  }
  if (!off_) return;
  // Powered off: the RTC alarm, when armed and due, powers the device on.
  board::HostState st(o_.root);
  std::ifstream in(st.File(board::state::kRtcAlarm));
  std::string key;
  long long enabled = 0, epoch = -1, v;
  while (in >> key) {
    if (key == "enabled" && in >> v) enabled = v;
    if (key == "epoch" && in >> v) epoch = v;
  }
  long long now = time(nullptr) + st.GetInt(board::state::kClockOffset, 0);
  if (enabled && epoch >= 0 && now >= epoch) {
    // The alarm interrupt is consumed by the wake-up.
    std::ifstream whole(st.File(board::state::kRtcAlarm));
    std::stringstream ss;
    ss << whole.rdbuf();
    std::string text = ss.str();
    size_t p = text.find("enabled 1");
    if (p != std::string::npos) text.replace(p, 9, "enabled 0");
    st.Set(board::state::kRtcAlarm, text);
    StartPlayerLocked("is woken by the RTC alarm");
  }
}

void Simulator::FollowTranscript() {
  bool any = false;
  for (const TranscriptLine& l : transcript_.Read()) {
    const std::string& channel = l.channel;
    const std::string& text = l.text;
    // The top window's changes are not printed: only `window` waits for them.
    if (channel == "window") {
      std::lock_guard<std::mutex> lock(m_);
      top_window_ = text;
      any = true;
      continue;
    }
    std::string entry = channel + ": " + text;
    Print(entry);
    std::lock_guard<std::mutex> lock(m_);
    spoken_.push_back(entry);
    any = true;
  }
  if (any) cv_.notify_all();
}

void Simulator::Monitor() {
  std::string lun0 = o_.root + c_GadgetLun0;
  while (!stop_) {
    FollowTranscript();
    CheckPlayer();
    bool deliver = false;
    {
      std::lock_guard<std::mutex> lock(m_);
      if (usb_config_pending_ && pid_ > 0 && access(lun0.c_str(), F_OK) == 0) {
        usb_config_pending_ = false;
        deliver = true;
      }
    }
    // The computer at the other end of the cable configures the new disk.
    if (deliver) Hotplug("usb_config");
    usleep(20000);
  }
  FollowTranscript();
}

int Simulator::Finish() {
  StopPlayer();
  ReleaseDisks();
  usleep(50000);
  SealWavFiles(o_.audio_out);
  stop_ = true;
  if (monitor_.joinable()) monitor_.join();
  std::lock_guard<std::mutex> lock(m_);
  if (failed_) return kExitPlayerFailed;
  return expect_failed_ ? kExitExpectFailed : kExitOk;
}

void Simulator::WriteEvent(int type, int code, int value) {
  // The 32-bit input_event layout: seconds, microseconds, type, code, value.
  unsigned char rec[16];
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  int32_t sec = static_cast<int32_t>(ts.tv_sec), usec = static_cast<int32_t>(ts.tv_nsec / 1000);
  uint16_t t = static_cast<uint16_t>(type), c = static_cast<uint16_t>(code);
  int32_t v = value;
  memcpy(rec, &sec, 4);
  memcpy(rec + 4, &usec, 4);
  memcpy(rec + 8, &t, 2);
  memcpy(rec + 10, &c, 2);
  memcpy(rec + 12, &v, 4);
  if (write(fifo_fd_, rec, sizeof rec) != static_cast<ssize_t>(sizeof rec))
    Print("sim: the keypad FIFO is full; an input record was dropped");
}

int Simulator::WaitForWindow(const std::string& name, double seconds) {
  auto deadline = std::chrono::steady_clock::now() +
                  std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
  std::unique_lock<std::mutex> lock(m_);
  auto on_top = [&] {
    size_t sp = top_window_.find(' ');
    return sp != std::string::npos && top_window_.find(name, sp + 1) != std::string::npos;
  };
  if (cv_.wait_until(lock, deadline, on_top)) return 0;
  expect_failed_ = true;
  std::string top = top_window_.empty() ? "(none yet)" : top_window_;
  lock.unlock();
  Print("sim: expect failed: no window \"" + name + "\" on top within " +
        std::to_string(static_cast<int>(seconds + 0.5)) + " s; on top: " + top);
  return 1;
}

int Simulator::WaitForSpeech(const std::string& text, double seconds) {
  auto deadline = std::chrono::steady_clock::now() +
                  std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
  std::unique_lock<std::mutex> lock(m_);
  size_t checked = cursor_;
  for (;;) {
    for (; checked < spoken_.size(); ++checked) {
      const std::string& e = spoken_[checked];
      size_t colon = e.find(": ");
      if (ContainsFolded(colon == std::string::npos ? e : e.substr(colon + 2), text)) {
        cursor_ = checked + 1;
        return 0;
      }
    }
    if (cv_.wait_until(lock, deadline) == std::cv_status::timeout) {
      for (; checked < spoken_.size(); ++checked) {
        const std::string& e = spoken_[checked];
        size_t colon = e.find(": ");
        if (ContainsFolded(colon == std::string::npos ? e : e.substr(colon + 2), text)) {
          cursor_ = checked + 1;
          return 0;
        }
      }
      break;
    }
  }
  expect_failed_ = true;
  std::string msg = "sim: expect failed: \"" + text + "\" was not spoken within " +
                    std::to_string(static_cast<int>(seconds + 0.5)) + " s; spoken instead:";
  if (cursor_ >= spoken_.size()) msg += " (nothing)";
  for (size_t i = cursor_; i < spoken_.size(); ++i) msg += "\n  " + spoken_[i];
  // Later expects look at what comes after this point.
  cursor_ = spoken_.size();
  lock.unlock();
  Print(msg);
  return 1;
}

}  // namespace sim
