// "reminder.xml" and the recordings beside it: loaded with repair (no
// reminder without its recording, no recording without its reminder) and
// saved atomically.
#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <cstring>
#include <ctime>
#include <set>

#include "clock/voice_reminder.h"
#include "core/base/diag.h"
#include "core/base/settings_file.h"
#include "core/lib/xml/xml_document.h"
#include "core/lib/xml/xml_reader.h"
#include "platform/board.h"

namespace {

constexpr const char* kStore = SETTINGS_DIR "/voice_reminder/reminder.xml";

class StoreReader final : public xml::Handler {
 public:
  void OnStart(const char* name, xml::Attrs attrs) override {
    if (!strcmp(name, "VoiceReminders")) {
      int v = 0;
      if (ParseIntAttr(xml::Attr(attrs, "NextIndex"), &v) && v > 0) next_index = v;
      return;
    }
    if (strcmp(name, "VoiceReminder") != 0 || g_VoiceReminderCnt >= kMaxReminders) return;
    VoiceReminder r;
    bool ok = ParseIntAttr(xml::Attr(attrs, "RemindType"), &r.type) &&
              ParseIntAttr(xml::Attr(attrs, "Time"), &r.time) &&
              ParseIntAttr(xml::Attr(attrs, "Mp3Index"), &r.mp3Index);
    ParseIntAttr(xml::Attr(attrs, "Mp3Size"), &r.mp3Size);
    if (ok && r.type >= REMIND_ONCE && r.type <= REMIND_YEARLY)
      g_VoiceReminders[g_VoiceReminderCnt++] = r;
  }
  int next_index = 1;
};

// "123.mp3" in any case: its index; -1 otherwise.
int RecordingIndex(const char* name) {
  const char* dot = strchr(name, '.');
  if (!dot || dot == name || strcasecmp(dot, ".mp3") != 0 || dot - name > 9) return -1;
  int v = 0;
  for (const char* p = name; p < dot; ++p) {
    if (!isdigit(static_cast<unsigned char>(*p))) return -1;
    v = v * 10 + (*p - '0');
  }
  return v;
}

// A recording the store does not name, while the store itself could not be
// read whole, is the user's voice all the same: it becomes a reminder once
// at the time it was recorded, never due, listed so that the user can hear
// it, set its time again or delete it.
bool Adopt(const char* name) {
  int index = RecordingIndex(name);
  if (index <= 0 || g_VoiceReminderCnt >= kMaxReminders) return false;
  struct stat st;
  std::string path = VoiceReminderPath(index);
  if (BStat(path.c_str(), &st) != 0) return false;
  time_t made = st.st_mtime;
  struct tm lt;
  localtime_r(&made, &lt);
  VoiceReminder r;
  r.type = REMIND_ONCE;
  r.time = PackRemindTime(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday, lt.tm_hour, lt.tm_min, 0);
  r.mp3Index = index;
  r.mp3Size = static_cast<int>(st.st_size);
  g_VoiceReminders[g_VoiceReminderCnt++] = r;
  if (index >= g_VoiceReminderNextIndex) g_VoiceReminderNextIndex = index + 1;
  DiagPrintf("%s kept as a reminder once", path.c_str());
  return true;
}

// Drops reminders without their recording, then removes every file that
// belongs to no reminder (or, when the store was damaged, keeps the
// recordings it does not name). True when recordings were taken back.
bool Repair(bool storeWhole) {
  int kept = 0;
  std::set<int> indices;
  for (int i = 0; i < g_VoiceReminderCnt; ++i) {
    const VoiceReminder& r = g_VoiceReminders[i];
    struct stat st;
    std::string path = VoiceReminderPath(r.mp3Index);
    if (r.mp3Index < 0 || BStat(path.c_str(), &st) != 0) {
      DiagPrintf("can not find %s", path.c_str());
      continue;
    }
    indices.insert(r.mp3Index);
    g_VoiceReminders[kept++] = r;
  }
  g_VoiceReminderCnt = kept;
  bool adopted = false;
  DIR* d = BOpendir(c_VoiceReminderDir);
  if (!d) return false;
  while (struct dirent* e = readdir(d)) {
    if (!strcmp(e->d_name, ".") || !strcmp(e->d_name, "..")) continue;
    if (!strcmp(e->d_name, "reminder.xml") && (g_VoiceReminderCnt > 0 || !storeWhole)) continue;
    if (indices.count(RecordingIndex(e->d_name))) continue;
    if (!storeWhole && Adopt(e->d_name)) {
      indices.insert(RecordingIndex(e->d_name));
      adopted = true;
      continue;
    }
    BUnlink((std::string(c_VoiceReminderDir) + "/" + e->d_name).c_str());
  }
  closedir(d);
  if (g_VoiceReminderCnt <= 0) DiagPrintf("g_VoiceReminderCnt <= 0");
  return adopted;
}

}  // namespace

int g_VoiceReminderNextIndex = 1;

int VoiceReminder_Load() {
  g_VoiceReminderCnt = 0;
  if (CheckSettingsMounted() != 0) return -1;
  DIR* d = BOpendir(c_VoiceReminderDir);
  if (d) {
    closedir(d);
  } else {
    board::System(std::string("rm -rf ") + c_VoiceReminderDir);
    board::System(std::string("mkdir ") + c_VoiceReminderDir);
  }
  StoreReader reader;
  struct stat st;
  bool whole = true;  // read to its end (a missing store names nothing, rightly)
  if (BStat(kStore, &st) == 0 && xml::ReadFile(kStore, reader) != 0) {
    DiagPrintf("%s is damaged", kStore);
    whole = false;
  }
  g_VoiceReminderNextIndex = reader.next_index;
  // What was taken back goes into a sound store at once.
  if (Repair(whole) && VoiceReminder_Save() == 0) return 0;
  VoiceReminder_ProcessRemindTime();
  return 0;
}

int VoiceReminder_Save() {
  if (CheckSettingsMounted() != 0) return -1;
  xml::Document doc("VoiceReminders");
  xml::Element root = doc.Root();
  root.Set("NextIndex", g_VoiceReminderNextIndex);
  for (int i = 0; i < g_VoiceReminderCnt; ++i) {
    const VoiceReminder& r = g_VoiceReminders[i];
    xml::Element e = root.Add("VoiceReminder");
    e.Set("RemindType", r.type);
    e.Set("Time", r.time);
    e.Set("Mp3Index", r.mp3Index);
    e.Set("Mp3Size", r.mp3Size);
  }
  int result = SaveSettingsXml(kStore, doc) == 0 ? 0 : -1;
  VoiceReminder_ProcessRemindTime();
  return result;
}

namespace {

constexpr long long kMaxRecordingBytes = 7199999;
constexpr int kLastIndex = 999999999;

bool IndexInUse(int index) {
  for (int i = 0; i < g_VoiceReminderCnt; ++i)
    if (g_VoiceReminders[i].mp3Index == index) return true;
  return false;
}

// The next index from NextIndex on that no reminder holds; NextIndex moves
// past it.
int TakeIndex() {
  int index = g_VoiceReminderNextIndex;
  if (index < 1 || index > kLastIndex) index = 1;
  while (IndexInUse(index)) index = index >= kLastIndex ? 1 : index + 1;
  g_VoiceReminderNextIndex = index >= kLastIndex ? 1 : index + 1;
  return index;
}

int FileSize(const std::string& path) {
  struct stat st;
  return BStat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_size) : 0;
}

}  // namespace

bool VoiceReminder_IsFull() {
  long long total = 0;
  for (int i = 0; i < g_VoiceReminderCnt; ++i) total += g_VoiceReminders[i].mp3Size;
  return g_VoiceReminderCnt >= kMaxReminders || total > kMaxRecordingBytes;
}

int VoiceReminder_Add(VoiceReminder r, const char* recording) {
  if (!recording || VoiceReminder_IsFull() || CheckSettingsMounted() != 0) return -1;
  r.mp3Index = TakeIndex();
  std::string path = VoiceReminderPath(r.mp3Index);
  if (BRename(recording, path.c_str()) != 0) return -2;
  r.mp3Size = FileSize(path);
  g_VoiceReminders[g_VoiceReminderCnt++] = r;
  if (VoiceReminder_Save() == 0) return 0;
  // Not on the disk: not added, rather than lost at the next start.
  --g_VoiceReminderCnt;
  BUnlink(path.c_str());
  VoiceReminder_ProcessRemindTime();
  return -1;
}

int VoiceReminder_Replace(int i, VoiceReminder r, const char* recording) {
  if (i < 0 || i >= g_VoiceReminderCnt || CheckSettingsMounted() != 0) return -1;
  r.mp3Index = g_VoiceReminders[i].mp3Index;
  r.mp3Size = g_VoiceReminders[i].mp3Size;
  std::string path = VoiceReminderPath(r.mp3Index);
  if (recording) {
    if (BRename(recording, path.c_str()) != 0) return -1;
    r.mp3Size = FileSize(path);
  }
  g_VoiceReminders[i] = r;
  return VoiceReminder_Save();
}

// The store is saved before the file goes: a cut in between leaves a stray
// file for the next load to remove, never a reminder without its voice.
int VoiceReminder_Delete(int i) {
  if (i < 0 || i >= g_VoiceReminderCnt) return -1;
  std::string path = VoiceReminderPath(g_VoiceReminders[i].mp3Index);
  for (int j = i; j + 1 < g_VoiceReminderCnt; ++j) g_VoiceReminders[j] = g_VoiceReminders[j + 1];
  --g_VoiceReminderCnt;
  int r = VoiceReminder_Save();
  BUnlink(path.c_str());
  return r;
}

int VoiceReminder_Clear() {
  g_VoiceReminderCnt = 0;
  int r = VoiceReminder_Save();
  DIR* d = BOpendir(c_VoiceReminderDir);
  if (!d) return r;
  while (struct dirent* e = readdir(d)) {
    if (!strcmp(e->d_name, ".") || !strcmp(e->d_name, "..") || !strcmp(e->d_name, "reminder.xml")) continue;
    BUnlink((std::string(c_VoiceReminderDir) + "/" + e->d_name).c_str());
  }
  closedir(d);
  return r;
}
