// Laying out and preparing a device root before the player starts.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include "platform/host/chips/compass_field.h"
#include "platform/host/host_board.h"
#include "sim/simulator.h"

#ifndef DTB_HOME_DIR
#define DTB_HOME_DIR ""
#endif

namespace fs = std::filesystem;

namespace sim {
namespace {

const char c_Gadget[] = "/sys/devices/platform/omap/musb-ti81xx/musb-hdrc.0/gadget";

// The description text the settings file stores for a language.
const char* LanguageText(const std::string& lang) { return lang == "pl" ? "polish" : "english"; }

int WriteLanguage(const std::string& root, const std::string& lang) {
  std::string path = root + "/mnt/settings/system.config.xml";
  xmlDocPtr doc = nullptr;
  struct stat st;
  if (stat(path.c_str(), &st) == 0)
    doc = xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  xmlNodePtr top = doc ? xmlDocGetRootElement(doc) : nullptr;
  if (!top || xmlStrcmp(top->name, BAD_CAST "ebook") != 0) {
    // Missing or unreadable: a new file holding only the language; the
    // firmware's defaults fill in the rest.
    if (doc) xmlFreeDoc(doc);
    doc = xmlNewDoc(BAD_CAST "1.0");
    top = xmlNewNode(nullptr, BAD_CAST "ebook");
    xmlDocSetRootElement(doc, top);
  }
  xmlNodePtr target = nullptr;
  for (xmlNodePtr n = top->children; n; n = n->next)
    if (n->type == XML_ELEMENT_NODE && xmlStrcmp(n->name, BAD_CAST "system_setting") == 0 &&
        xmlHasProp(n, BAD_CAST "language"))
      target = n;
  if (!target) target = xmlNewChild(top, nullptr, BAD_CAST "system_setting", nullptr);
  xmlSetProp(target, BAD_CAST "language", BAD_CAST LanguageText(lang));
  std::string tmp = path + ".tmp";
  int r = xmlSaveFile(tmp.c_str(), doc);
  xmlFreeDoc(doc);
  if (r < 0 || rename(tmp.c_str(), path.c_str()) != 0) {
    fprintf(stderr, "dtbsim: can't write %s\n", path.c_str());
    return -1;
  }
  return 0;
}

}  // namespace

int PrepareRoot(const Options& o) {
  std::error_code ec;
  if (o.fresh && fs::exists(o.root, ec)) {
    // Only something that already is a device root (or an empty folder) is
    // wiped, so a mistyped --root never costs anyone their files.
    bool empty = fs::is_directory(o.root, ec) && fs::directory_iterator(o.root, ec) == fs::directory_iterator();
    if (!empty && !fs::is_directory(o.root + "/var/board", ec)) {
      fprintf(stderr, "dtbsim: %s is not a device root; refusing to wipe it for --fresh\n", o.root.c_str());
      return -1;
    }
    fs::remove_all(o.root, ec);
    if (ec) {
      fprintf(stderr, "dtbsim: can't wipe %s: %s\n", o.root.c_str(), ec.message().c_str());
      return -1;
    }
  }
  bool existed = fs::is_directory(o.root + "/var/board", ec);
  fs::create_directories(o.root, ec);
  if (board::CreateHostLayout(o.root, o.amplifier) != 0) {
    fprintf(stderr, "dtbsim: can't lay out the device root %s\n", o.root.c_str());
    return -1;
  }
  board::HostState st(o.root);
  if (!existed) {
    // The device keeps local time; the simulated one starts at the PC's.
    time_t now = time(nullptr);
    struct tm tm;
    localtime_r(&now, &tm);
    st.SetInt(board::state::kClockOffset, tm.tm_gmtoff);
  }
  if (!o.amplifier) unlink((o.root + "/dev/amp_en").c_str());
  if (!o.compass.empty()) st.Set(board::chips::compass_state::kMagnetometer, o.compass);
  // Resources of the build, refreshed on every start.
  std::string home = DTB_HOME_DIR;
  if (!home.empty() && fs::is_directory(home, ec)) {
    fs::copy(home, o.root + "/home",
             fs::copy_options::recursive | fs::copy_options::update_existing, ec);
    if (ec) fprintf(stderr, "dtbsim: copying %s: %s\n", home.c_str(), ec.message().c_str());
  }
  // The mass-storage module file the firmware loads (modelled by the board).
  std::string module = o.root + "/home/g_mass_storage.ko";
  if (!fs::exists(module, ec)) std::ofstream(module) << "simulated kernel module\n";
  // A new boot: no modules loaded, the button released, no cable.
  fs::remove_all(o.root + c_Gadget, ec);
  st.Set(board::state::kModules, "");
  st.Set(board::state::kPowerButton, "0");
  st.Set(board::state::kUsb, "none");
  if (!o.lang.empty() && WriteLanguage(o.root, o.lang) != 0) return -1;
  return 0;
}

}  // namespace sim
