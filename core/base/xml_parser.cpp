#include "core/base/xml_parser.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/base/atomic_file.h"
#include "core/base/diag.h"
#include "core/lib/fd/unique_fd.h"
#include "platform/board.h"

int XmlParser::New() {
  doc_.reset();
  open_.clear();
  started_ = true;
  return 0;
}

int XmlParser::StartElement(const char* name) {
  if (!name || !started_) return -1;
  if ((int)open_.size() >= kMaxDepth) return -3;
  if (open_.empty()) {
    // Only one root: a second top-level element has nowhere to go.
    if (doc_) return -1;
    doc_ = std::make_unique<xml::Document>(name);
    open_.push_back(doc_->Root());
  } else {
    open_.push_back(open_.back().Add(name));
  }
  return open_.back() ? 0 : -2;
}

int XmlParser::EndElement() {
  if (open_.empty()) return -1;
  open_.pop_back();
  return 0;
}

int XmlParser::AddAttribute(const char* name, const char* value) {
  if (!name || !value || open_.empty()) return -1;
  open_.back().Set(name, value);
  return 0;
}

int XmlParser::AddIntAttribute(const char* name, int value) {
  char text[16];
  snprintf(text, sizeof text, "%d", value);
  return AddAttribute(name, text);
}

int XmlParser::SaveToFile(const char* path) {
  if (!path || !doc_) return -1;
  return SaveXmlAtomic(*doc_, path) == 0 ? 0 : -1;
}

const char* XmlParse_GetAttribute(xml::Attrs attrs, const char* name) { return xml::Attr(attrs, name); }

int XmlParse_GetIntAttribute(xml::Attrs attrs, const char* name) {
  const char* v = XmlParse_GetAttribute(attrs, name);
  return v ? (int)strtol(v, nullptr, 10) : -1;
}

namespace {

class Calls final : public xml::Handler {
 public:
  Calls(void* ctx, XmlStartFn start, XmlEndFn end, XmlTextFn text)
      : ctx_(ctx), start_(start), end_(end), text_(text) {}
  void OnStart(const char* name, xml::Attrs attrs) override {
    if (start_) start_(ctx_, name, attrs);
  }
  void OnEnd(const char* name) override {
    if (end_) end_(ctx_, name);
  }
  void OnText(const char* text, int length) override {
    if (text_) text_(ctx_, text, length);
  }
  void OnError(const xml::Error& e) override {
    if (e.fatal && !reported_) {
      reported_ = true;
      DiagPrintf("line %d: %s", e.line, e.message);
    }
  }

 private:
  void* ctx_;
  XmlStartFn start_;
  XmlEndFn end_;
  XmlTextFn text_;
  bool reported_ = false;
};

}  // namespace

int XmlParse_Load(const char* path, void* context, XmlStartFn startElement, XmlEndFn endElement,
                  XmlTextFn characters) {
  if (!path) return -1;
  fd::UniqueFile f(BFopen(path, "rb"));
  if (!f) {
    DiagPrintf("can not open %s", path);
    return -1;
  }
  static const size_t kChunk = 64 * 1024;
  std::vector<char> buf(kChunk);
  size_t n = fread(buf.data(), 1, kChunk, f.get());
  if (n <= 10) {
    DiagPrintf("len = %d", (int)n);
    return -1;
  }
  Calls calls(context, startElement, endElement, characters);
  xml::Options options;
  options.name = path;
  xml::Reader reader(calls, options);
  do {
    if (reader.Feed(buf.data(), n) != 0) break;
  } while ((n = fread(buf.data(), 1, kChunk, f.get())) > 0);
  reader.Finish();
  return 0;
}
