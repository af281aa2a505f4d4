// Saving a file so that a power cut or a full disk never loses the old copy:
// write a temporary file in the same folder, flush it to the disk, then
// rename it over the old one. Every settings and list file saves through here.
#pragma once

#include <cstddef>

namespace xml {
class Document;
}

// Writes `size` bytes to the device path atomically. 0 or -1.
[[nodiscard]] int WriteFileAtomic(const char* devicePath, const void* data, size_t size);
// Stores a document atomically. 0, -1 (write failed), -2 (out of memory).
[[nodiscard]] int SaveXmlAtomic(const xml::Document& doc, const char* devicePath);
