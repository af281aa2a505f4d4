// The host board: the device simulated inside one folder of the PC, the
// device root. Every absolute device path maps into it, shell commands are
// interpreted (never handed to a real shell) with the effect they would
// have on the device, and the hardware behind the device nodes is modelled
// from small state files that the simulator (dtbsim) and tests change.
//
// Device root layout:
//   mnt/emmc, mnt/settings, mnt/microsd   contents of the internal memory,
//                                         settings partition and card; seen
//                                         at /mnt/... only while mounted
//   home/                                 read-only resources
//   dev/input/event0                      keypad FIFO (16-byte records)
//   dev/i2c-1 dev/ti_adc dev/rtc0 dev/mic2det [dev/amp_en]   device nodes
//   dev/mmcblk0p5 dev/mmcblk0p6 dev/mmcblk0p3 [dev/mmcblk1 dev/mmcblk1p1]
//                                         block devices: present while the
//                                         file exists; "vfat" inside = formatted
//   var/volatile/mmcblk1[p1]              the card nodes the hotplug script makes
//   sys/, etc/, tmp/                      as on the device
//   proc/mounts                           the mount table (written on change)
//   var/log/commands.log                  every command: "<time> rc=<status> <command>"
//                                         and "<time> note <text>" lines
//   var/log/transcript                    every utterance: "<time> <channel> <text>",
//                                         line breaks in the text made spaces
//   var/board/*                           hardware state (HostState below)
#pragma once

#include <linux/rtc.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/board.h"
#include "platform/host/chips/chip.h"
#include "platform/host/simulated_board.h"

namespace board {

// Names of the state files under <root>/var/board. The simulator writes the
// inputs; the models read them at every access and write the outputs.
namespace state {
// Inputs (written by dtbsim or tests):
constexpr const char* kPowerButton = "power_button";        // "1" held, "0" released
constexpr const char* kPowerButtonChanges = "power_button_changes";  // counter, +1 per change
constexpr const char* kUsb = "usb";                          // "none", "computer", "charger"
constexpr const char* kUsbChanges = "usb_changes";           // counter, +1 per change
constexpr const char* kBattery = "battery";                  // state 0-7
constexpr const char* kBatteryAdc = "battery_adc";           // optional raw count overriding kBattery
constexpr const char* kHeadphones = "headphones";            // "1" plugged (pin 59)
constexpr const char* kExternalMic = "external_mic";         // "1" plugged (port 0 pin 5)
constexpr const char* kClockOffset = "clock_offset";         // seconds added to the PC clock
constexpr const char* kMicIn = "mic_in";                     // WAV file the microphones hear
constexpr const char* kLineIn = "line_in";                   // WAV file the line input hears
constexpr const char* kFmStations = "fm_stations";           // "kHz strength [file.wav]" lines
// Outputs the tuner models write and the capture device reads:
constexpr const char* kFmTuned = "fm_tuned";                 // kHz received, "0" while off
constexpr const char* kFmTransmit = "fm_transmit";           // kHz transmitted, "0" while not
// Outputs (written by the models):
constexpr const char* kRtcAlarm = "rtc_alarm";      // "enabled N\nepoch N\ntime Y-M-D H:M:S\n"
constexpr const char* kRtcClock = "rtc_clock";      // epoch saved by "hwclock --systohc"
constexpr const char* kPmic = "pmic";               // written registers, "0xRR=0xVV" lines
constexpr const char* kAmplifier = "amplifier";     // "on" or "off"
constexpr const char* kStandbyTimer = "standby_timer";  // last wake-up timer, seconds
constexpr const char* kModules = "modules";         // loaded kernel modules, one a line
constexpr const char* kDiskBusy = "disk_busy";   // mount points that refuse "umount" (open files), one a line
}  // namespace state

// Small helpers over the state files, shared by the models, dtbsim and tests.
class HostState {
 public:
  explicit HostState(std::string root) : root_(std::move(root)) {}
  std::string File(const char* name) const { return root_ + "/var/board/" + name; }
  // The file's first line, or `fallback` when it is absent.
  std::string Get(const char* name, const std::string& fallback = "") const;
  // long long: epochs past 2038 on a 32-bit board.
  long long GetInt(const char* name, long long fallback = 0) const;
  // The whole file (Get gives its first line only); "" when missing.
  std::string GetText(const char* name) const;
  // Replaces the file atomically (temporary file and rename). 0 or -1.
  int Set(const char* name, const std::string& value) const;
  int SetInt(const char* name, long long value) const { return Set(name, std::to_string(value)); }
  // Adds one to a counter file; returns the new value.
  long Bump(const char* name) const;

 private:
  std::string root_;
};

struct HostOptions {
  // Mount the formatted internal memory, settings partition and card at
  // start, as a booted device has them (tests). The player passes false:
  // its own start-up mounts them.
  bool mount_disks = true;
};

class HostShell;

class HostBoard final : public SimulatedBoard {
 public:
  HostBoard(const std::string& root, HostOptions options);
  ~HostBoard() override;

  std::string Path(const std::string& devicePath) override;
  int System(const std::string& command) override;
  time_t Now() override;
  void Transcript(const char* channel, const std::string& text) override;
  int IsMountPoint(const std::string& devicePath) override;
  int OpenInputDevice(const std::string& devicePath) override;
  int Ioctl(int fd, unsigned long request, void* arg) override;

  const std::string& root() const { return root_; }

  // Another chip on an I2C bus, or one that replaces a built-in chip
  // (those listed in chips/chip_table.cpp).
  void AddChip(const std::string& bus, int address, std::unique_ptr<chips::Chip> chip);
  const HostState& host_state() const { return state_; }

  // ---- Used by the shell interpreter (host_shell.cpp) ----
  // Lexically normalised absolute device path ("/a/../b//c" -> "/b/c").
  static std::string Normalize(const std::string& devicePath);
  // Root path of a device path, or "" when it lies on a disk that is gone
  // (removed card, or exported over USB while still mounted).
  std::string PathOrGone(const std::string& devicePath);
  // Block device name ("mmcblk0p6") of a device-node path, or "".
  static std::string BlockName(const std::string& devicePath);
  // Where a block device's files live in the root.
  std::string BackingDir(const std::string& blockName) const;
  bool BlockPresent(const std::string& blockName) const;
  bool BlockFormatted(const std::string& blockName) const;
  // True while the USB mass-storage gadget exports the block device.
  bool BlockExported(const std::string& blockName) const;
  // Mount table: mount point (device path) -> block name.
  std::map<std::string, std::string> Mounts();
  // 0, or an errno-like reason (ENOENT no device or no mount point,
  // EINVAL not formatted, EBUSY exported or already mounted).
  int Mount(const std::string& blockName, const std::string& mountPoint);
  int Unmount(const std::string& mountPointOrDevice);
  // Appends one line to the command log.
  void LogLine(const std::string& tag, const std::string& text);
  // Clock offset against the PC clock, seconds.
  long ClockOffset();
  void SetClockOffset(long seconds);
  // Ends the process as the device's power-off or reboot would.
  [[noreturn]] void PowerDown(bool reboot);

 private:
  struct Mapping;
  std::string MapLocked(const std::string& normalized, bool* gone) const;
  void WriteMountsLocked();
  int DeviceOf(int fd) const;
  int I2cIoctl(unsigned long request, void* arg);
  int RtcIoctl(unsigned long request, void* arg);
  int AdcIoctl(unsigned long request, void* arg);
  int Mic2detIoctl(unsigned long request, void* arg);
  int AmpIoctl(unsigned long request, void* arg);
  void LoadRtcAlarm();
  void SaveRtcAlarm();

  std::string root_;
  HostState state_;
  std::mutex mounts_mutex_;
  std::map<std::string, std::string> mounts_;
  std::mutex log_mutex_;
  std::mutex shell_mutex_;
  std::unique_ptr<HostShell> shell_;
  std::mutex dev_mutex_;
  chips::ChipRegistry chips_;
  struct rtc_time rtc_alarm_ = {};
  bool rtc_alarm_set_ = false;
  bool rtc_irq_ = false;
  long clock_offset_ = 0;
  time_t clock_mtime_ = -1;
  long clock_mtime_ns_ = -1;
  ino_t clock_ino_ = 0;
  std::mutex clock_mutex_;
};

// The host board rooted at `root` (an existing folder); creates the parts
// of the layout the player cannot run without (log and state folders,
// keypad FIFO, device nodes). Null when the root is unusable.
std::unique_ptr<HostBoard> MakeHostBoard(const std::string& root, HostOptions options = {});

// Creates the whole layout of a fresh device root (folders, device nodes,
// formatted disks, keypad FIFO, default state). With amplifier, the node
// "/dev/amp_en" of the newer board revision. 0 or -1.
int CreateHostLayout(const std::string& root, bool amplifier = true);

// Makes "--board host" (and DTB_BOARD=host, DTB_ROOT) known to
// InstallFromArgs. The player's start-up mounts the disks itself.
void RegisterHostBoard();

// The battery ADC count the model reports for a battery state 0-7.
int BatteryStateToAdc(int state);

}  // namespace board
