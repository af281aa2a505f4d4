// The book root of the random-key run and the power-cut harness, and the
// check that every settings and list file parses.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <libxml/parser.h>

#include "platform/board.h"
#include "sim/random_keys.h"
#include "sim/simulator.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

void WriteText(const fs::path& p, const std::string& text) {
  std::error_code ec;
  fs::create_directories(p.parent_path(), ec);
  std::ofstream(p, std::ios::binary) << text;
}

// What the run starts with besides the books: a folder holding a folder of
// its own name (a cut of the inner one pasted beside the outer one asks to
// replace it), a card with files of its own, and an alarm and a voice
// reminder that the run's clock jumps make due while other windows are open.
void AddUserState(const RandomOptions& o) {
  const fs::path root(o.root);
  WriteText(root / "mnt/emmc/Album/notes.txt", "The outer folder's own file.\n");
  WriteText(root / "mnt/emmc/Album/Album/track list.txt", "The inner folder's file.\n");
  WriteText(root / "mnt/microsd/Card notes/first.txt", "A file that lives on the card.\n");
  WriteText(root / "mnt/microsd/Card notes/Album/second.txt", "Another one, a folder deeper.\n");
  // Two daily alarms (hour, minute, on, every day; the default signal).
  std::string alarms(46105, '\0');
  const unsigned char slots[][4] = {{7, 0, 1, 127}, {19, 30, 1, 127}};
  for (size_t i = 0; i < 2; ++i)
    for (size_t b = 0; b < 4; ++b) alarms[i * 9221 + b] = static_cast<char>(slots[i][b]);
  WriteText(root / "mnt/settings/alarm.config.xml", alarms);
  // A daily reminder at 12:00 whose recording is any MP3 of the books.
  std::error_code ec;
  for (const auto& e : fs::recursive_directory_iterator(root / "mnt/emmc", ec)) {
    if (e.path().extension() != ".mp3") continue;
    fs::path dir = root / "mnt/settings/voice_reminder";
    fs::create_directories(dir, ec);
    fs::copy_file(e.path(), dir / "1.mp3", fs::copy_options::overwrite_existing, ec);
    long size = static_cast<long>(fs::file_size(dir / "1.mp3", ec));
    WriteText(dir / "reminder.xml", "<?xml version=\"1.0\"?>\n<VoiceReminders NextIndex=\"2\">"
                                    "<VoiceReminder RemindType=\"1\" Time=\"" + std::to_string(12 * 60 * 128) +
                                    "\" Mp3Index=\"1\" Mp3Size=\"" + std::to_string(size) + "\"/></VoiceReminders>\n");
    break;
  }
}

}  // namespace

int PrepareBookRoot(const RandomOptions& o) {
  Options so;
  so.root = o.root;
  so.fresh = true;
  so.lang = "en";
  so.quiet = true;
  if (PrepareRoot(so) != 0) return 2;
  const fs::path disk = fs::path(o.root) / "mnt/emmc";
  std::error_code ec;
  if (!o.corpus.empty() && fs::is_directory(o.corpus, ec)) {
    // Every kind of book the corpus has, one folder each, as a user copies them.
    for (const auto& e : fs::directory_iterator(o.corpus, ec)) {
      if (!e.is_directory()) continue;
      fs::copy(e.path(), disk / e.path().filename(), fs::copy_options::recursive, ec);
      if (ec) {
        fprintf(stderr, "dtbrandom: can't copy %s: %s\n", e.path().c_str(), ec.message().c_str());
        return 2;
      }
    }
    AddUserState(o);
    return 0;
  }
  std::string cmd = "bash " + board::ShellQuote(o.source + "/scripts/make-demo-library.sh") + " " +
                    board::ShellQuote(disk.string()) + " >/dev/null 2>&1";
  if (system(cmd.c_str()) == 0) {
    AddUserState(o);
    return 0;
  }
  fprintf(stderr, "dtbrandom: no corpus at \"%s\" and the demo library could not be made\n", o.corpus.c_str());
  return 77;
}

std::string SettingsFault(const std::string& name, const std::string& bytes) {
  // Files of a fixed binary layout despite their name: whole or not.
  static const struct {
    const char* name;
    size_t size;
  } c_Raw[] = {{"alarm.config.xml", 46105}};
  for (auto& r : c_Raw)
    if (name == r.name) return bytes.size() == r.size ? "" : "holds " + std::to_string(bytes.size()) + " bytes";
  xmlDocPtr d = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), name.c_str(), nullptr,
                              XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  xmlFreeDoc(d);
  return d ? "" : "does not parse";
}

std::string UnparsableSettings(const std::string& root) {
  std::string bad;
  std::error_code ec;
  for (const auto& e : fs::recursive_directory_iterator(fs::path(root) / "mnt/settings", ec)) {
    if (!e.is_regular_file() || e.path().extension() != ".xml") continue;
    std::ifstream in(e.path(), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    std::string why = SettingsFault(e.path().filename().string(), ss.str());
    if (!why.empty()) bad += (bad.empty() ? "" : ", ") + e.path().filename().string() + " " + why;
  }
  return bad;
}

}  // namespace sim
