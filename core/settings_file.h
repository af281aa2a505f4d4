// Settings-file plumbing shared by every settings area: the one-read SAX load
// of a small ".config.xml" file, the mount check, raw binary settings files.
#pragma once

#include <cstddef>

#include <libxml/parser.h>

// The settings partition.
#define SETTINGS_DIR "/mnt/settings"

// 1 when "/mnt/settings" is mounted; otherwise prints "%s umount" and returns 0.
int SettingsMounted();
// Loads a small settings file (11..4095 bytes) in one read and parses it with
// only a start-element callback. 0, or -1 (unmounted, cannot open, bad size).
int LoadSettingsXml(const char* path, void* context, startElementSAXFunc startElement);

// Raw settings files: read/write `size` bytes in one call; the byte count or -1.
int LoadSettingsFile(const char* path, void* buffer, int size);
int SaveSettingsFile(const char* path, const void* buffer, int size);
// Overwrites a file in place with zero bytes of its own length. 0 or -1.
int DestroyFile(const char* path);
