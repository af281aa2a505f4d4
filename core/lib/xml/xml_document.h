// A small document to write: elements with attributes, nothing else. The
// settings and list files are made of these; the bytes are the ones those
// files have always had, so files on devices keep loading.
#pragma once

#include <string>

#include "core/lib/no_copy.h"

namespace xml {

class Document;

// A handle to an element of a Document; empty when the document could not
// make it (every call on an empty one does nothing).
class Element {
 public:
  Element() = default;
  explicit operator bool() const { return node_ != nullptr; }
  // A new last child.
  Element Add(const char* name);
  void Set(const char* name, const char* value);
  void Set(const char* name, int value);

 private:
  friend class Document;
  Element(Document* doc, void* node) : doc_(doc), node_(node) {}
  Document* doc_ = nullptr;
  void* node_ = nullptr;
};

class Document : NoCopy {
 public:
  explicit Document(const char* rootName);
  ~Document();
  Document(Document&& other) noexcept;
  Document& operator=(Document&& other) noexcept;

  Element Root() { return Element(this, root_); }
  // The file's bytes: XML declaration, the elements, a newline. 0, or -2
  // when anything could not be added (a partial document is never written).
  int Serialize(std::string* out) const;

 private:
  friend class Element;
  void* doc_ = nullptr;
  void* root_ = nullptr;
  bool failed_ = false;
};

}  // namespace xml
