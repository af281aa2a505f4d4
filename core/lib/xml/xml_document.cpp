#include "core/lib/xml/xml_document.h"

#include <libxml/tree.h>

#include <cstdio>
#include <utility>

namespace xml {

Element Element::Add(const char* name) {
  if (!node_ || !name) return Element();
  xmlNodePtr n = xmlNewChild(static_cast<xmlNodePtr>(node_), nullptr, BAD_CAST name, nullptr);
  if (!n) {
    doc_->failed_ = true;
    return Element();
  }
  return Element(doc_, n);
}

void Element::Set(const char* name, const char* value) {
  if (!node_ || !name) return;
  if (!xmlNewProp(static_cast<xmlNodePtr>(node_), BAD_CAST name, BAD_CAST(value ? value : "")))
    doc_->failed_ = true;
}

void Element::Set(const char* name, int value) {
  char text[16];
  snprintf(text, sizeof text, "%d", value);
  Set(name, text);
}

Document::Document(const char* rootName) {
  xmlDocPtr doc = xmlNewDoc(BAD_CAST "1.0");
  xmlNodePtr root = doc && rootName ? xmlNewNode(nullptr, BAD_CAST rootName) : nullptr;
  if (root) xmlDocSetRootElement(doc, root);
  doc_ = doc;
  root_ = root;
  failed_ = !root;
}

Document::~Document() {
  if (doc_) xmlFreeDoc(static_cast<xmlDocPtr>(doc_));
}

Document::Document(Document&& other) noexcept
    : doc_(std::exchange(other.doc_, nullptr)),
      root_(std::exchange(other.root_, nullptr)),
      failed_(other.failed_) {}

Document& Document::operator=(Document&& other) noexcept {
  if (this != &other) {
    if (doc_) xmlFreeDoc(static_cast<xmlDocPtr>(doc_));
    doc_ = std::exchange(other.doc_, nullptr);
    root_ = std::exchange(other.root_, nullptr);
    failed_ = other.failed_;
  }
  return *this;
}

int Document::Serialize(std::string* out) const {
  if (!out) return -1;
  if (failed_ || !doc_) return -2;
  xmlChar* mem = nullptr;
  int len = 0;
  // What xmlSaveFile writes: declaration, no encoding named, so everything
  // beyond ASCII goes out as character references.
  xmlDocDumpMemory(static_cast<xmlDocPtr>(doc_), &mem, &len);
  if (!mem || len <= 0) {
    if (mem) xmlFree(mem);
    return -2;
  }
  out->assign(reinterpret_cast<const char*>(mem), static_cast<size_t>(len));
  xmlFree(mem);
  return 0;
}

}  // namespace xml
