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
    return 0;
  }
  std::string cmd = "bash " + board::ShellQuote(o.source + "/scripts/make-demo-library.sh") + " " +
                    board::ShellQuote(disk.string()) + " >/dev/null 2>&1";
  if (system(cmd.c_str()) == 0) return 0;
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
