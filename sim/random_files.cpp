#include "sim/random_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "speech/ux_tables.h"

namespace sim {
namespace {

const char* const c_Disks[] = {"mnt/emmc", "mnt/microsd"};

// What the file-management menu and the formatting tool say, by phrase.
enum : int {
  kError = 50,
  kCanceled = 149,
  kCopyError = 150,
  kReplace = 152,
  kDeleting = 154,
  kFileDeleted = 155,
  kCopying = 159,
  kCopyFinished = 160,
  kDiskFull = 161,
  kFormatting = 243,
  kFormatted = 244,
  kFormatCanceled = 245,
  kFolderDeleted = 322,
};

// The phrase without the ", " or ". " the player joins it with.
std::string Core(const char* text) {
  std::string s = text ? text : "";
  while (!s.empty() && (s.back() == ' ' || s.back() == ',' || s.back() == '.' || s.back() == '?')) s.pop_back();
  return s;
}

std::string Digest(const std::string& path, off_t size) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return "unreadable";
  uint64_t h = 1469598103934665603ull;
  char buf[65536];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0)
    for (ssize_t i = 0; i < n; ++i) h = (h ^ static_cast<unsigned char>(buf[i])) * 1099511628211ull;
  close(fd);
  char out[48];
  snprintf(out, sizeof out, "%016llx:%lld", static_cast<unsigned long long>(h), static_cast<long long>(size));
  return out;
}

// "mnt/emmc/Books/a/b.txt" -> "mnt/emmc/Books": the entry a single removal
// or replacement could have taken it with.
std::string TopEntry(const std::string& path) {
  size_t a = path.find('/');
  size_t b = a == std::string::npos ? a : path.find('/', a + 1);
  size_t c = b == std::string::npos ? b : path.find('/', b + 1);
  return c == std::string::npos ? path : path.substr(0, c);
}

}  // namespace

// In either language: the run may switch it in the settings menu.
bool Says(const std::string& said, int id) {
  for (const UxstrInfo* table : {uxen::c_UxstrInfo, uxpl::c_UxstrInfo}) {
    std::string p = Core(table[id].text);
    if (!p.empty() && said.find(p) != std::string::npos) return true;
  }
  return false;
}

bool OutsideTheOracle(const std::string& path) {
  for (size_t p = 0; p < path.size(); p = path.find('/', p) + 1) {
    if (path[p] == '.') return true;
    if (path.find('/', p) == std::string::npos) break;
  }
  std::string name = path.substr(path.rfind('/') + 1);
  // The recorder's and the radio's files: "Record20261209_3.mp3".
  if (name.size() > 15 && name.compare(0, 6, "Record") == 0 && name[14] == '_' &&
      std::all_of(name.begin() + 6, name.begin() + 14, [](char c) { return isdigit(static_cast<unsigned char>(c)); }))
    return true;
  return false;
}

std::vector<std::string> UnexplainedLoss(const FileMap& before, const FileMap& after, int allowances) {
  std::map<std::string, int> had, has;
  for (auto& f : before) ++had[f.second];
  for (auto& f : after) ++has[f.second];
  // The places each lost content may have been lost from.
  std::map<std::string, std::vector<std::string>> candidates;
  for (auto& f : before) {
    auto now = after.find(f.first);
    if ((now == after.end() || now->second != f.second) && has[f.second] < had[f.second])
      candidates[f.second].push_back(f.first);
  }
  // Fewest entries that account for every lost copy: copies of one content
  // are taken from entries already counted first.
  std::set<std::string> entries;
  std::vector<std::string> lost;
  for (auto& c : candidates) {
    int missing = had[c.first] - has[c.first];
    std::vector<std::string> paths = c.second;
    std::stable_sort(paths.begin(), paths.end(), [&](const std::string& x, const std::string& y) {
      return entries.count(TopEntry(x)) > entries.count(TopEntry(y));
    });
    for (int i = 0; i < missing && i < static_cast<int>(paths.size()); ++i) {
      entries.insert(TopEntry(paths[i]));
      lost.push_back(paths[i]);
    }
  }
  if (static_cast<int>(entries.size()) <= allowances) return {};
  std::sort(lost.begin(), lost.end());
  return lost;
}

FileOracle::FileOracle(const std::string& root) : root_(root), tail_(root + "/var/log/transcript") {}

FileMap FileOracle::Scan() {
  FileMap now;
  std::map<std::string, Cached> seen;
  std::vector<std::string> dirs(std::begin(c_Disks), std::end(c_Disks));
  while (!dirs.empty()) {
    std::string dir = dirs.back();
    dirs.pop_back();
    DIR* d = opendir((root_ + "/" + dir).c_str());
    if (!d) continue;
    while (struct dirent* e = readdir(d)) {
      std::string rel = dir + "/" + e->d_name;
      if (e->d_name[0] == '.' || OutsideTheOracle(rel)) continue;
      struct stat st;
      std::string full = root_ + "/" + rel;
      if (lstat(full.c_str(), &st) != 0) continue;
      if (S_ISDIR(st.st_mode)) {
        dirs.push_back(rel);
        continue;
      }
      if (!S_ISREG(st.st_mode)) continue;
      long long mtime = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
      auto c = cache_.find(rel);
      Cached k{st.st_size, mtime, st.st_ino, ""};
      if (c != cache_.end() && c->second.size == k.size && c->second.mtime_ns == k.mtime_ns && c->second.ino == k.ino)
        k.digest = c->second.digest;
      else
        k.digest = Digest(full, st.st_size);
      now[rel] = k.digest;
      seen[rel] = k;
    }
    closedir(d);
  }
  cache_.swap(seen);
  return now;
}

void FileOracle::Listen() {
  for (const TranscriptLine& l : tail_.Read()) {
    const std::string& channel = l.channel;
    const std::string& text = l.text;
    if (channel == "say") {
      Hear(text);
    } else if (channel == "window" && atoi(text.c_str()) == 0 && busy_ != kBusyFormatting) {
      // Back on the root: no file-management window is left to finish anything.
      busy_ = kIdle;
      replace_asked_ = replacing_ = false;
    }
  }
}

void FileOracle::Hear(const std::string& said) {
  if (busy_ == kBusyDeleting && (Says(said, kFolderDeleted) || Says(said, kFileDeleted) || Says(said, kError)))
    busy_ = kIdle;
  if (Says(said, kCopyFinished)) {
    // A finished paste may have replaced an entry the user agreed to lose.
    ++pastes_;
    ++allowances_;
    busy_ = kIdle;
    replace_asked_ = replacing_ = false;
    return;
  }
  if (Says(said, kCopyError) || Says(said, kDiskFull) || Says(said, kCanceled)) {
    if (busy_ == kBusyCopying) busy_ = kIdle;
    replace_asked_ = replacing_ = false;
  }
  if (Says(said, kReplace)) replace_asked_ = true;
  if (Says(said, kCopying)) {
    busy_ = kBusyCopying;
    replacing_ = replacing_ || replace_asked_;
    replace_asked_ = false;
  }
  if (Says(said, kDeleting)) {
    ++deletes_;
    ++allowances_;
    busy_ = kBusyDeleting;
  }
  if (Says(said, kFormatting)) {
    busy_ = kBusyFormatting;
    formatted_ = true;
  }
  if (busy_ == kBusyFormatting && (Says(said, kFormatted) || Says(said, kFormatCanceled))) busy_ = kIdle;
}

void FileOracle::NewProcess() {
  Listen();
  // A replacement cut off between removing the old entry and renaming the
  // new one into place: the user had agreed to lose the old one.
  if (replacing_) ++allowances_;
  busy_ = kIdle;
  replace_asked_ = replacing_ = false;
}

std::string FileOracle::Check() {
  Listen();
  if (Busy()) return "";
  int allowances = allowances_;
  FileMap now = Scan();
  // Whatever the player began while the disks were being read (its words
  // come before its deeds) makes this view a half-way one: judge later.
  Listen();
  if (Busy() || allowances_ != allowances) return "";
  ++checks_;
  if (!have_model_ || formatted_) {
    model_.swap(now);
    have_model_ = true;
    formatted_ = false;
    allowances_ = 0;
    return "";
  }
  std::vector<std::string> lost = UnexplainedLoss(model_, now, allowances_);
  allowances_ = 0;
  std::string why;
  if (!lost.empty()) {
    why = std::to_string(lost.size()) + " user file(s) lost or changed with no delete, paste or replacement to " +
          "account for them (" + std::to_string(allowances) + " heard since the last check):";
    for (size_t i = 0; i < lost.size() && i < 8; ++i)
      why += " " + lost[i] + (now.count(lost[i]) ? " (changed)" : " (gone)");
    if (lost.size() > 8) why += " ...";
  }
  model_.swap(now);
  return why;
}

}  // namespace sim
