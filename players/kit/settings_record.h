// A player's settings record: the values in use and the copy last stored,
// read from and written to the player's settings file.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/base/settings_file.h"

// Reads the file over the values in use; both copies take what was read. 0,
// or the reader's failure (the values in use stay).
template <class T>
int LoadSettingsRecord(const char* devicePath, SettingsElementFn onElement, T* cur, T* saved) {
  T loaded = *cur;
  int r = LoadSettingsXml(devicePath, onElement, &loaded);
  if (r != 0) return r;
  *cur = loaded;
  *saved = loaded;
  return 0;
}

// Writes <root><element attrs/></root> unless nothing changed since the last
// write (`force` writes all the same).
template <class T>
int SaveSettingsRecord(const char* devicePath, bool force, const T& cur, T* saved, const char* root,
                       const char* element, const std::vector<std::pair<std::string, std::string>>& attrs) {
  if (!force && cur == *saved) return 0;
  int r = SaveSettingsXml(devicePath, root, element, attrs);
  if (r == 0) *saved = cur;
  return r;
}
