// Saving a file so that a power cut or a full disk never loses the old copy:
// write a temporary file in the same folder, flush it to the disk, then
// rename it over the old one. Every settings and list file saves through here.
#pragma once

#include <cstddef>
#include <libxml/tree.h>

// Writes `size` bytes to the device path atomically. 0 or -1.
int WriteFileAtomic(const char* devicePath, const void* data, size_t size);
// Serialises `doc` like xmlSaveFile and stores it atomically. 0 or -1.
int SaveXmlDocAtomic(xmlDocPtr doc, const char* devicePath);
