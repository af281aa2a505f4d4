// The board seam. Firmware code keeps the device's own absolute paths
// ("/mnt/emmc/...", "/dev/input/event0", "/sys/...") and shell commands;
// the board in use decides where those paths live and how commands run.
// On the device both are the identity; on the host board they are confined
// to a sandbox folder (the device root).
#pragma once

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

#include <dirent.h>
#include <sys/stat.h>

namespace board {

class Board {
 public:
  virtual ~Board() = default;
  // Real file-system path of a device path. Relative paths pass unchanged.
  virtual std::string Path(const std::string& devicePath) = 0;
  // Runs one device shell command; returns the status system() would.
  virtual int System(const std::string& command) = 0;
  // Wall clock in seconds (the host board can shift it for tests).
  virtual time_t Now() = 0;
  // Records one spoken utterance or beep; channel is "say", "read" or "beep".
  virtual void Transcript(const char* channel, const std::string& text) = 0;
  // 1 when the device path is a mount point, 0 when not, -1 when it cannot be examined.
  virtual int IsMountPoint(const std::string& devicePath) = 0;
  // True when this is the simulated host board.
  virtual bool IsHost() const = 0;
};

// The board in use. Until one is installed, the device board (identity paths).
Board& Current();
// Replaces the board in use; returns the previous one.
std::unique_ptr<Board> Install(std::unique_ptr<Board> b);

inline std::string Path(const std::string& devicePath) { return Current().Path(devicePath); }
inline int System(const std::string& command) { return Current().System(command); }
inline time_t Now() { return Current().Now(); }

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
