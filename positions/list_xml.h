// Reading and writing the two position lists ("bookmark.xml", "history.xml").
// Both are streamed through the XML reader in 4096-byte chunks, so
// a list of any length loads with a small, fixed buffer, and whatever came
// before a damaged or cut-off part of the file is kept.
#pragma once

#include <cstddef>
#include <string>

#include "core/lib/xml/xml_document.h"
#include "core/base/settings_file.h"
#include "core/lib/xml/xml_reader.h"

namespace positions {

constexpr int kListChunkSize = 4096;

using ListStartFn = void (*)(void* ctx, const char* name, xml::Attrs attrs);
using ListEndFn = void (*)(void* ctx, const char* name);

// Streams the file at a device path through the callbacks. 0 when the whole file
// parsed; -1 when it is missing or not longer than 10 bytes ("can not open
// %s" for a missing one); -3 when the parser stopped at an error (what the
// callbacks saw before it stays applied).
int LoadListFile(const char* devicePath, void* ctx, ListStartFn start, ListEndFn end);
// The same over bytes already in memory, fed in the same chunks.
int LoadListBuffer(const char* data, size_t size, void* ctx, ListStartFn start, ListEndFn end);

// Value of `name` in an attribute array, or null.
const char* ListAttr(xml::Attrs attrs, const char* name);
// Its decimal value clamped to int, or -1 when absent.
int ListIntAttr(xml::Attrs attrs, const char* name);

// True when `text` can be written into an XML 1.0 attribute and read back
// byte for byte: well-formed UTF-8 of characters XML allows.
bool IsXmlSafeText(const char* text);
// `text` with every byte that breaks the rule above replaced by '?'.
std::string XmlSafeText(const char* text);

// Adds name="value" (value made XML-safe) or name="%d" to a node.
void ListSetProp(xml::Element& node, const char* name, const char* value);
void ListSetIntProp(xml::Element& node, const char* name, int value);

// Copies at most `maxBytes` bytes of `text` into `out` (room for maxBytes + 1),
// cutting before a UTF-8 sequence that would not fit whole. Null text → "".
void CopyUtf8Cut(char* out, const char* text, size_t maxBytes);

// A store's own file on the settings partition: -1 when it is not mounted,
// else what the store's load or save returns.
template <typename Store>
int LoadSettingsList(Store* store, const char* path) {
  return CheckSettingsMounted() != 0 ? -1 : store->LoadFromFile(path);
}
template <typename Store>
int SaveSettingsList(Store* store, const char* path) {
  return CheckSettingsMounted() != 0 ? -1 : store->SaveToFile(path);
}

}  // namespace positions
