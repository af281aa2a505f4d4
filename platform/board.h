// The board seam. Firmware code keeps the device's own absolute paths
// ("/mnt/emmc/...", "/dev/input/event0", "/sys/...") and shell commands;
// the board in use decides where those paths live and how commands run.
// On the device both are the identity (platform/am335x_board.*); on the host
// board (platform/host/, its own library) they are confined to a device root
// folder and the hardware behind the device nodes is modelled.
//
// Choosing the board: the firmware's main calls InstallFromArgs first.
//   dtbplayer --board host --root DIR ...     host board rooted at DIR
//   DTB_BOARD=host DTB_ROOT=DIR dtbplayer     the same through the environment
//   (nothing)                                 the AM335x board
// Only the device's board is built in; a program that runs on the PC links
// the host board and calls board::RegisterHostBoard() before InstallFromArgs.
//
// Device nodes and their requests, the same code on both boards:
//   keypad       fd = board::OpenInputDevice("/dev/input/event0"), then read
//                16-byte records (32-bit input_event layout).
//   power chip   board::I2cTransfer("/dev/i2c-1", msgs, n) (I2C_RDWR).
//   battery ADC  fd = BOpen("/dev/ti_adc", O_RDONLY);
//                board::Ioctl(fd, ADC_READ_CH6, &count).
//   RTC          fd = BOpen("/dev/rtc0", O_RDWR);
//                board::Ioctl(fd, RTC_WKALM_SET, &wkalrm), RTC_AIE_ON, RTC_AIE_OFF.
//   pins, timer  fd = BOpen("/dev/mic2det", O_RDWR);
//                board::Ioctl(fd, MIC2DET_GET_PIN, &pin) (struct mic2det_pin),
//                board::Ioctl(fd, DTIME_STANDBY_SET, &seconds) (int).
//   amplifier    fd = BOpen("/dev/amp_en", O_RDONLY);
//                board::Ioctl(fd, AMP_EN_SET, args) (two ints {1, on}).
//   standby      board::System("echo standby > /sys/power/state").
//   working LED  board::System("echo 1 > /sys/devices/platform/leds-gpio/...").
// The request codes live in platform/board_ioctl.h; what differs between
// the board revisions (amplifier node, FM chip, pins) in
// platform/board_profile.h.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

#include <dirent.h>
#include <netinet/in.h>
#include <sys/stat.h>

struct i2c_msg;

namespace board {

// Exit statuses of the player process on the host board when the firmware
// runs "poweroff" or "reboot" (on the device the system goes down instead).
constexpr int kExitPowerOff = 80;
constexpr int kExitReboot = 81;

class Board {
 public:
  virtual ~Board() = default;
  // Real file-system path of a device path. Relative paths pass unchanged.
  // Any thread.
  virtual std::string Path(const std::string& devicePath) = 0;
  // Runs one device shell command; returns the status system() would
  // (0 success; the command's exit status in the high byte otherwise).
  // On the host "poweroff" and "reboot" end the process (kExitPowerOff,
  // kExitReboot) and never return. Any thread.
  virtual int System(const std::string& command) = 0;
  // Wall clock in seconds (the host board can shift it for tests). Any thread.
  virtual time_t Now() = 0;
  // Records one spoken utterance or beep; channel is "say", "read" or "beep".
  // Any thread; a no-op on the device.
  virtual void Transcript(const char* channel, const std::string& text) = 0;
  // 1 when the device path is a mount point, 0 when not, -1 when it cannot
  // be examined. Any thread.
  virtual int IsMountPoint(const std::string& devicePath) = 0;
  // Opens an input-event device for reading; the descriptor never reports
  // end of file (on the host the node is a FIFO the simulator writes into).
  // Returns the descriptor or -1 (errno set).
  // Default: open the mapped path read-only.
  virtual int OpenInputDevice(const std::string& devicePath);
  // A device request on a descriptor opened from a device node (ioctl).
  // Returns what ioctl returns: -1 with errno on failure. Any thread.
  // Default: the real ioctl.
  virtual int Ioctl(int fd, unsigned long request, void* arg);
  // ALSA configuration merged over the system's, so that the names the
  // firmware opens ("default", "hw:0,0") reach this board's sound hardware.
  // Default "": the system's own, as on the device.
  virtual std::string AlsaConfigText() { return ""; }
  // Where the card/USB hotplug messages arrive: TCP port and IPv4 address
  // to listen on (host byte order). Default: the device's, 5020 on every
  // interface.
  virtual int HotplugPort() { return 5020; }
  virtual uint32_t HotplugAddress() { return INADDR_ANY; }
};

// The board in use. Until one is installed, the AM335x board (identity paths).
Board& Current();
// Replaces the board in use; returns the previous one. Call before any
// other thread uses the board.
std::unique_ptr<Board> Install(std::unique_ptr<Board> b);

// A board other than the device's, known to InstallFromArgs by name. `make`
// gets the device root and returns null when it is unusable; a null `make`
// forgets the name.
using BoardFactory = std::unique_ptr<Board> (*)(const std::string& root);
void RegisterBoard(const std::string& name, BoardFactory make);

// Picks the board from the command line ("--board host|device",
// "--root DIR"; both options are removed from argv and *argc adjusted) or,
// failing that, from DTB_BOARD and DTB_ROOT. Returns 0, or -1 (message on
// standard error) when the board asked for is not in this program or
// has no usable root.
int InstallFromArgs(int* argc, char** argv);

inline std::string Path(const std::string& devicePath) { return Current().Path(devicePath); }
inline int System(const std::string& command) { return Current().System(command); }
inline time_t Now() { return Current().Now(); }
inline int OpenInputDevice(const std::string& devicePath) {
  return Current().OpenInputDevice(devicePath);
}
inline int Ioctl(int fd, unsigned long request, void* arg) {
  return Current().Ioctl(fd, request, arg);
}

// One combined I2C transfer on a bus node ("/dev/i2c-1"): opens the bus,
// sets time-out 2 and 1 retry, issues I2C_RDWR with the messages, closes it.
// Returns the number of messages transferred, or -1 (errno set).
int I2cTransfer(const char* bus, struct i2c_msg* msgs, int n);

// TCP port on which the card/USB hotplug messages arrive: 5020 on the
// device. On the host board DTB_HOTPLUG_PORT overrides it, so that several
// simulated devices can run side by side (dtbsim picks a free port per run).
inline int HotplugPort() { return Current().HotplugPort(); }

// Quotes one word for the shell so that nothing in it is expanded or run
// (quotes, $, backticks, spaces, newlines all stay literal).
std::string ShellQuote(const std::string& word);

}  // namespace board

// File-system calls on device paths.
FILE* BFopen(const char* devicePath, const char* mode);
int BOpen(const char* devicePath, int flags, int mode = 0);
int BStat(const char* devicePath, struct stat* st);
int BAccess(const char* devicePath, int how);
DIR* BOpendir(const char* devicePath);
int BUnlink(const char* devicePath);
int BRename(const char* fromDevicePath, const char* toDevicePath);
int BMkdir(const char* devicePath, mode_t mode);
int BRmdir(const char* devicePath);
// Wall clock of the board; use instead of time().
time_t BTime(time_t* out = nullptr);
