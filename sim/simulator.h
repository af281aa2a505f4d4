// dtbsim: runs the player on a simulated board inside a device root and
// plays the part of the world around it: the user's hands on the keypad,
// the power button, the USB cable, the battery, the headphones, the micro SD
// card and the passing of time, all delivered the way the device delivers
// them (input records in the keypad FIFO, power-chip state behind the I2C
// model, hotplug messages on TCP). It follows the transcript the firmware
// writes and checks expected utterances.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/sim_text.h"

namespace sim {

// Exit statuses of dtbsim.
constexpr int kExitOk = 0;
constexpr int kExitExpectFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitPlayerFailed = 3;  // crashed, or ended other than by power-off/reboot

struct Options {
  std::string root;
  bool fresh = false;
  std::string lang;       // "en", "pl" or "" (keep)
  std::string audio_out;  // WAV file, or "" (the PC's sound card when present)
  std::string audio_in;   // WAV file the microphone hears, or "" (the root's var/board/audio_in.wav)
  std::string script;     // file, "-" for standard input, "" for interactive
  std::string player;     // dtbplayer path; "" to find it
  bool amplifier = true;  // board revision with "/dev/amp_en"
  std::string compass;    // the magnetometer: "hmc", "qmc", "none", or "" (keep the root's)
  bool verbose = false;   // pass the player's own output through
  bool quiet = false;     // print nothing (a driver of its own follows the root's logs)
  // Boot through the supervisor (this path, "" = the build's), which runs
  // the player installed as /home/q7exe2; "-" = start the player directly.
  std::string supervisor = "-";
};

// Key name ("play") -> key code, or -1.
int KeyCodeByName(const std::string& name);

// Prepares the device root: with fresh, wipes it and lays it out anew with
// the resources; the language goes into the settings. 0 or -1 (message
// printed).
int PrepareRoot(const Options& o);

class Simulator {
 public:
  explicit Simulator(const Options& o);
  ~Simulator();

  // Starts the player and the monitor. 0 or -1.
  int Start();
  // Stops the player (if running) and the monitor; returns the exit status.
  int Finish();

  // Runs one script command. Returns 0, 1 for a failed expect, 2 for quit,
  // -1 for a malformed command (message printed).
  int Command(const std::string& line);

  // ---- device actions (any thread) ----
  void Key(int code, int value);
  void Power(bool down);
  void Usb(const std::string& what);  // "computer", "charger", "none"
  void Battery(int state);
  void Headphones(bool in);
  void Card(bool in, const std::string& kind);  // kind: "" partitioned, "whole", "unformatted"
  void ClockShift(long seconds);
  int ClockSet(const std::string& when);  // "YYYY-MM-DD HH:MM"; 0 or -1
  void Hotplug(const std::string& message);
  // "input", "station" and "mic": what the capture inputs and the tuner hear. 0 or -1.
  int SourceCommand(const std::vector<std::string>& words);
  bool PlayerRunning();
  pid_t PlayerPid();
  // The player crashed or ended other than by powering off or rebooting.
  bool Failed();
  // Ends the player with SIGKILL, as a crash or a lost battery contact
  // would: nothing is saved, and the device is off until switched on.
  void KillPlayer();
  void Print(const std::string& line);

 private:
  static constexpr int kNotOurs = -2;
  int KeyCommand(const std::vector<std::string>& w, const std::string& line);
  int PowerCommand(const std::vector<std::string>& w, const std::string& line);
  int WorldCommand(const std::vector<std::string>& w, const std::string& line);
  int TimeCommand(const std::vector<std::string>& w, const std::string& line);
  int DiskCommand(const std::vector<std::string>& w, const std::string& line);
  int CompassCommand(const std::vector<std::string>& w, const std::string& line);
  void ReleaseDisks();
  int Bad(const std::string& line, const std::string& why);  // prints why; -1
  void Monitor();
  void FollowTranscript();
  void CheckPlayer();
  int StartPlayerLocked(const char* why);
  void StopPlayer();
  void WriteEvent(int type, int code, int value);
  int WaitForSpeech(const std::string& text, double seconds);
  int WaitForWindow(const std::string& name, double seconds);
  static double Slowdown();
  std::string FindPlayer() const;
  std::string FindSupervisor() const;
  int InstallPlayerInRoot();

  Options o_;
  std::string player_path_;
  std::string boot_path_;  // what starts: the player or the supervisor
  int port_ = 5020;
  int fifo_fd_ = -1;

  std::mutex m_;
  std::condition_variable cv_;
  pid_t pid_ = -1;
  bool off_ = false;          // powered off (not running) by the firmware
  bool failed_ = false;       // the player crashed or ended unexpectedly
  bool usb_config_pending_ = false;
  bool boot_press_ = false;  // the power press that switched the device on
  std::vector<std::string> spoken_;  // "channel: text"
  size_t cursor_ = 0;                // utterances consumed by expects
  std::string top_window_;           // "<depth> <class>" of the window on top
  TranscriptTail transcript_{std::string()};
  bool expect_failed_ = false;
  long long compass_mark_ = 0;  // magnetometer measurements when the attitude last changed

  struct CappedDisk {
    std::string dir;  // the disk's folder in the root
    std::string ram;  // where its RAM file system is mounted first
  };
  std::mutex disks_m_;
  std::vector<CappedDisk> capped_;

  std::mutex print_m_;
  std::atomic<bool> stop_{false};
  std::thread monitor_;
};

// Moves dtbsim into a mount namespace of its own, before any thread starts,
// so that `disk ... free` can cap a disk. 0, or -1 when not root.
int PrivateMounts();

// Interactive mode on the terminal; returns when the user quits.
int RunInteractive(Simulator& s);

}  // namespace sim
