// A minimal host board for unit tests: device paths live under a folder,
// mount points are whatever the test declares, commands are only recorded.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/board.h"
#include "platform/host/simulated_board.h"

#include <fcntl.h>
#include <sys/ioctl.h>

namespace dtbtest {

class RootBoard final : public board::SimulatedBoard {
 public:
  explicit RootBoard(std::string root) : root_(std::move(root)) {}
  std::string Path(const std::string& p) override { return !p.empty() && p[0] == '/' ? root_ + p : p; }
  int System(const std::string& command) override {
    commands.push_back(command);
    return 0;
  }
  time_t Now() override { return time(nullptr); }
  void Transcript(const char*, const std::string&) override {}
  int IsMountPoint(const std::string& p) override { return mounted.count(p) ? 1 : 0; }
  int OpenInputDevice(const std::string& p) override { return open(Path(p).c_str(), O_RDONLY | O_NONBLOCK); }
  int Ioctl(int fd, unsigned long request, void* arg) override { return ioctl(fd, request, arg); }

  std::set<std::string> mounted;
  std::vector<std::string> commands;

 private:
  std::string root_;
};

// Installs a RootBoard for the lifetime of the object and restores the
// previous board afterwards.
class ScopedRootBoard {
 public:
  explicit ScopedRootBoard(const std::string& root) {
    auto b = std::make_unique<RootBoard>(root);
    board_ = b.get();
    previous_ = board::Install(std::move(b));
  }
  ~ScopedRootBoard() { board::Install(std::move(previous_)); }
  RootBoard& operator*() { return *board_; }
  RootBoard* operator->() { return board_; }

 private:
  RootBoard* board_;
  std::unique_ptr<board::Board> previous_;
};

}  // namespace dtbtest
