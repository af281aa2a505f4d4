// The user's files on the disks, as the random run knows them: every file on
// the internal memory and on the card (read in the root, so a card that is
// out still counts) must keep its contents somewhere, unless the user took
// them away: a delete confirmed ("deleting"), or a paste that finished and so
// may have replaced an entry. A move or a copy is judged by contents, not by
// place, so a moved entry and the standard folders that the player renames
// on a language change lose nothing. Recordings, hidden files (copies in
// progress) and the settings disk are the player's own and left out.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

#include "sim/sim_text.h"

namespace sim {

// Path below the root ("mnt/emmc/Books/a.txt") -> digest of the contents.
using FileMap = std::map<std::string, std::string>;

// The files lost between two views that `allowances` removals (each of one
// entry below a disk's top: a file or a folder with all it holds) do not
// explain; empty when none. A content that is still there as often as
// before, wherever it now is, is not lost.
std::vector<std::string> UnexplainedLoss(const FileMap& before, const FileMap& after, int allowances);

// True for files the oracle leaves out: hidden ones, recordings.
bool OutsideTheOracle(const std::string& path);
// `said` holds phrase `id` (in either language, without its trailing ', ').
bool Says(const std::string& said, int id);

class FileOracle {
 public:
  explicit FileOracle(const std::string& root);

  // Reads the disks anew; the first view is the baseline.
  FileMap Scan();
  // Takes the transcript's new lines into account.
  void Listen();
  // A new player process: whatever it was doing was cut off.
  void NewProcess();
  // A removal or copy the user started has not ended yet: the disks are
  // between two states, so judging waits.
  bool Busy() const { return busy_ != kIdle; }
  // "" when the disks hold what they should, else what was lost. Listens
  // first; scans only when nothing is under way (then returns "" too).
  std::string Check();

  long deletes() const { return deletes_; }
  long pastes() const { return pastes_; }
  long checks() const { return checks_; }
  long files() const { return static_cast<long>(model_.size()); }

 private:
  enum Work { kIdle, kBusyDeleting, kBusyCopying, kBusyFormatting };
  void Hear(const std::string& said);

  std::string root_;
  TranscriptTail tail_;  // what the run hears starts at the first Listen
  struct Cached {
    off_t size;
    long long mtime_ns;
    ino_t ino;
    std::string digest;
  };
  std::map<std::string, Cached> cache_;
  FileMap model_;
  bool have_model_ = false;
  Work busy_ = kIdle;
  bool replace_asked_ = false, replacing_ = false, formatted_ = false;
  int allowances_ = 0;
  long deletes_ = 0, pastes_ = 0, checks_ = 0;
};

}  // namespace sim
