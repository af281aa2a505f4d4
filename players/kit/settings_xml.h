// The small settings files of the players: one read of at most 4095 bytes
// parsed with a SAX push parser that reports start elements only, and atomic
// rewrites of a root element holding one element of attributes.
#pragma once

#include <string>
#include <utility>
#include <vector>

// Called for every start element with its name/value attribute pairs
// (null-terminated array, may be null).
using SettingsElementFn = void (*)(void* ctx, const char* name, const char** attrs);

// Reads the file at a device path: "can not open %s" and -1 when missing,
// -1 when shorter than 11 or 4096 bytes or longer; else parses it (what a
// malformed file delivered before its error stays applied) and returns 0.
int LoadSettingsXml(const char* devicePath, SettingsElementFn onElement, void* ctx);

// Writes <root><element a="v" .../></root> atomically. 0 or -1.
int SaveSettingsXml(const char* devicePath, const char* root, const char* element,
                    const std::vector<std::pair<std::string, std::string>>& attrs);

// 0 when "/mnt/settings" is mounted, else "%s umount" and -1.
int CheckSettingsMounted();

// Decimal integer attribute: true and *out set when the text is a number.
bool ParseIntAttr(const char* text, int* out);
