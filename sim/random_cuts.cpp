// The power-cut harness: random use of the device, then SIGKILL (nothing is
// flushed) at a random moment, most often just as a settings or list file,
// a copy or a recording is being written; then the checks on the files and
// a new start on the same root.
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include "sim/random_run.h"

namespace sim {
namespace {

const char c_Settings[] = "/mnt/settings";

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Name, size and modification time of every file of the folders where the
// firmware writes: a change means a write is under way.
std::string Fingerprint(const std::string& root) {
  std::string fp;
  for (const char* dir : {c_Settings, "/mnt/emmc", "/mnt/emmc/Recordings", "/mnt/microsd"}) {
    DIR* d = opendir((root + dir).c_str());
    if (!d) continue;
    while (struct dirent* e = readdir(d)) {
      struct stat st;
      std::string p = root + dir + "/" + e->d_name;
      if (e->d_name[0] == '.' || stat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
      fp += p + " " + std::to_string(st.st_size) + " " + std::to_string(st.st_mtim.tv_nsec) +
            std::to_string(st.st_mtim.tv_sec) + "\n";
    }
    closedir(d);
  }
  return fp;
}

// The entries of a list file, by identity: an element with a "filename" is
// known by its name and path (its position may move on), any other by all
// its attributes; each under its parent's identity.
void Entries(xmlNodePtr n, const std::string& parent, std::set<std::string>* out) {
  for (xmlNodePtr c = n ? n->children : nullptr; c; c = c->next) {
    if (c->type != XML_ELEMENT_NODE) continue;
    std::string id = parent + "/" + reinterpret_cast<const char*>(c->name);
    xmlChar* file = xmlGetProp(c, reinterpret_cast<const xmlChar*>("filename"));
    if (file) {
      id += "[" + std::string(reinterpret_cast<const char*>(file)) + "]";
      xmlFree(file);
    } else {
      for (xmlAttrPtr a = c->properties; a; a = a->next) {
        xmlChar* v = xmlNodeListGetString(c->doc, a->children, 1);
        id += std::string(" ") + reinterpret_cast<const char*>(a->name) + "=" + (v ? reinterpret_cast<char*>(v) : "");
        xmlFree(v);
      }
    }
    out->insert(id);
    Entries(c, id, out);
  }
}

// -1 when the text does not parse.
int EntriesOf(const std::string& xml, std::set<std::string>* out) {
  xmlDocPtr d = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "list.xml", nullptr,
                              XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (!d) return -1;
  Entries(xmlDocGetRootElement(d), "", out);
  xmlFreeDoc(d);
  return 0;
}

// The settings and list files as they are on the disk now.
std::map<std::string, std::string> Snapshot(const std::string& root) {
  std::map<std::string, std::string> m;
  DIR* d = opendir((root + c_Settings).c_str());
  if (!d) return m;
  while (struct dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n.size() > 4 && n.compare(n.size() - 4, 4, ".xml") == 0) m[n] = ReadAll(root + c_Settings + "/" + n);
  }
  closedir(d);
  return m;
}

// Stops every thread of the player, so that the snapshot taken next is what
// the disk holds when the power goes: a save finishing between a snapshot
// and the kill would otherwise look like a lost value.
void Freeze(pid_t pid) {
  if (pid <= 0 || kill(pid, SIGSTOP) != 0) return;
  std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  for (int tries = 0; tries < 1000; ++tries, usleep(1000)) {
    DIR* d = opendir(tasks.c_str());
    if (!d) return;
    bool all = true;
    while (struct dirent* e = readdir(d)) {
      if (e->d_name[0] == '.') continue;
      std::string stat = ReadAll(tasks + "/" + e->d_name + "/stat");
      size_t p = stat.rfind(')');
      char state = p != std::string::npos && p + 2 < stat.size() ? stat[p + 2] : 'T';
      if (state != 'T' && state != 't' && state != 'Z' && state != 'X') all = false;
    }
    closedir(d);
    if (all) return;
  }
}

}  // namespace

std::string LostEntry(const std::string& before, const std::string& after) {
  std::set<std::string> was, now;
  if (EntriesOf(before, &was) != 0 || EntriesOf(after, &now) != 0) return "";
  for (const std::string& id : was)
    if (!now.count(id)) return id;
  return "";
}

// Uses the device for a while and, most times, kills the player as soon as
// a write begins (a burst of changes is written within 5 s, a lone change
// 1.5 s after the keys went quiet); otherwise at a random moment.
int Run::WatchAndKill(long cut, std::map<std::string, std::string>* before) {
  bool aim = U(0, 1) < 0.75;
  double busy = U(0.5, 4.0), t = NowSeconds();
  std::string fp = Fingerprint(o_.root);
  bool writing = false;
  for (long e = 1; !writing && NowSeconds() - t < busy; ++e) {
    Do(NextEvent(), cut * 1000 + e);
    if (EnsureRunning(cut)) return 1;
    writing = aim && Fingerprint(o_.root) != fp;
  }
  double watch = aim ? U(1.5, 3.0) : U(0.0, 1.5);
  for (t = NowSeconds(); !writing && NowSeconds() - t < watch; usleep(1000))
    writing = aim && Fingerprint(o_.root) != fp;
  if (writing) {
    ++st_.cuts_in_writes;
    usleep(static_cast<useconds_t>(U(0, 3000)));
  }
  // What is on the disk when the power goes is the least that must stay.
  if (!s_.PlayerRunning()) return EnsureRunning(cut);
  Freeze(s_.PlayerPid());
  *before = Snapshot(o_.root);
  Do("kill", cut);
  return 0;
}

int Run::CheckAfterCut(const std::map<std::string, std::string>& before, const char* when, long cut) {
  std::map<std::string, std::string> after = Snapshot(o_.root);
  for (auto& b : before) {
    auto a = after.find(b.first);
    if (a == after.end()) return Fail(b.first + " is gone " + when + " (cut " + std::to_string(cut) + ")");
    std::string lost = LostEntry(b.second, a->second);
    if (!lost.empty()) return Fail(b.first + " lost " + lost + " " + when + " (cut " + std::to_string(cut) + ")");
  }
  for (auto& a : after) {
    std::string why = SettingsFault(a.first, a.second);
    if (!why.empty()) return Fail(a.first + " " + why + " " + when + " (cut " + std::to_string(cut) + ")");
  }
  return 0;
}

int Run::CutOnce(long cut) {
  std::map<std::string, std::string> before;
  if (WatchAndKill(cut, &before)) return 1;
  if (CheckAfterCut(before, "after the cut", cut)) return 1;
  // The device starts again on the same root and speaks (EnsureRunning
  // checks that); what it loaded is what it holds.
  if (EnsureRunning(cut)) return 1;
  if (CheckFiles(cut, false)) return 1;
  usleep(300000);
  return CheckAfterCut(before, "after the start that followed the cut", cut);
}

int Run::Cuts(long cuts) {
  double t = NowSeconds();
  while (!f_.SpokeSince(t - 30) && NowSeconds() - t < 20) usleep(20000);
  if (!f_.SpokeSince(t - 30)) return Fail("the player did not speak at start");
  if (CheckFiles(0, true)) return 1;
  for (long c = 1; c <= cuts; ++c) {
    if (CutOnce(c)) return 1;
    if (c % 10 == 0) printf("dtbrandom: %ld power cuts, %ld while writing\n", c, st_.cuts_in_writes), fflush(stdout);
  }
  printf("dtbrandom: seed %llu, %ld power cuts (%ld while a file was being written), %ld starts: every start "
         "spoke, every settings and list file parsed after each cut and after each start, no entry saved "
         "before a cut was lost, no user file lost (%ld file checks)\n",
         static_cast<unsigned long long>(o_.seed), cuts, st_.cuts_in_writes, st_.starts, files_.checks());
  return 0;
}

}  // namespace sim
