// Settings-file plumbing shared by every settings area: the one-read SAX load
// of a small ".config.xml" file, the mount check, raw binary settings files.
#pragma once

#include <cstddef>

#include <libxml/parser.h>
#include <libxml/tree.h>

// The settings partition.
#define SETTINGS_DIR "/mnt/settings"

// 1 when "/mnt/settings" is mounted; otherwise prints "%s umount" and returns 0.
int SettingsMounted();
// Loads a small settings file (11..4095 bytes) in one read and parses it with
// only a start-element callback. 0, or -1 (unmounted, cannot open, bad size).
int LoadSettingsXml(const char* path, void* context, startElementSAXFunc startElement);

// Writes a settings document (temp file, flush, rename: a power cut or a
// full disk never loses the old file). 0, or -1 (unmounted, write failed).
int SaveSettingsXml(const char* path, xmlDocPtr doc);

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
int SaveSettingsFile(const char* path, const void* buffer, int size);
// Overwrites a file in place with zero bytes of its own length. 0 or -1.
int DestroyFile(const char* path);
