// Settings-file plumbing shared by every settings area: the mount check, the
// one-read load of a small ".config.xml" file, its atomic save, raw binary
// settings files.
#pragma once

#include <cstring>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "core/lib/xml/xml_document.h"
#include "core/lib/xml/xml_reader.h"

// The settings partition.
#define SETTINGS_DIR "/mnt/settings"

// 0 when "/mnt/settings" is mounted; otherwise prints "%s umount" and returns -1.
int CheckSettingsMounted();
// Start-up's load of a settings file: load(path) once the partition is
// mounted, else -1.
inline int LoadIfMounted(int (*load)(const char*), const char* path) {
  return CheckSettingsMounted() != 0 ? -1 : load(path);
}
// Power-off's save the same way.
inline int SaveIfMounted(int (*save)(const char*, bool), const char* path, bool force) {
  return CheckSettingsMounted() != 0 ? -1 : save(path, force);
}

// Called for every start element with its name/value attribute pairs.
using SettingsElementFn = void (*)(void* ctx, const char* name, xml::Attrs attrs);

// Reads a small settings file at a device path (11..4095 bytes) in one read:
// "can not open %s" and -1 when missing, -1 when of another size; else
// parses it and returns 0 (what a malformed file delivered before its error
// stays applied).
int LoadSettingsXml(const char* devicePath, SettingsElementFn onElement, void* ctx);

// Writes a settings document atomically (temp file, flush, rename: a power
// cut or a full disk never loses the old file). 0, or -1 (write failed),
// -2 (out of memory). The caller checks the mount.
[[nodiscard]] int SaveSettingsXml(const char* devicePath, const xml::Document& doc);
// Writes <root><element a="v" .../></root> the same way.
[[nodiscard]] int SaveSettingsXml(const char* devicePath, const char* root, const char* element,
                                  const std::vector<std::pair<std::string, std::string>>& attrs);

// Decimal integer attribute: true and *out set when the text is a number.
bool ParseIntAttr(const char* text, int* out);

// For each attribute of `element` (nothing for another element or none):
// fn(key, text, isNumber, number), the number read as ParseIntAttr does.
template <class Fn>
void ForEachAttr(const char* name, xml::Attrs attrs, const char* element, Fn fn) {
  if (std::strcmp(name, element) != 0 || !attrs) return;
  for (int i = 0; attrs[i] && attrs[i + 1]; i += 2) {
    int v = 0;
    bool num = ParseIntAttr(attrs[i + 1], &v);
    fn(attrs[i], attrs[i + 1], num, v);
  }
}

// The values as last saved, for savers that write only when something
// changed. T needs operator==.
template <typename T>
class LastSaved {
 public:
  bool Differs(const T& now) const { return !valid_ || !(copy_ == now); }
  void Keep(const T& now) {
    copy_ = now;
    valid_ = true;
  }

 private:
  bool valid_ = false;
  T copy_{};
};

// Raw settings files: read/write `size` bytes in one call; the byte count or -1.
int LoadSettingsFile(const char* path, void* buffer, int size);
[[nodiscard]] int SaveSettingsFile(const char* path, const void* buffer, int size);
// Overwrites a file in place with zero bytes of its own length. 0 or -1.
int DestroyFile(const char* path);
