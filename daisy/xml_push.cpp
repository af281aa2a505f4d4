#include "daisy/xml_push.h"

namespace libDaisy {

namespace {

// Forwards the reader's events to a sink and keeps the first error, which
// the book's repairs look at.
class Bridge final : public xml::Handler {
 public:
  Bridge(XmlSink& sink, XmlParseInfo* info) : m_Sink(sink), m_Info(info) {}
  void OnStartTag(const char* name, const xml::AttrView& attrs) override {
    m_Sink.OnStartElement(name, XmlAttrs(attrs));
  }
  void OnEnd(const char* name) override { m_Sink.OnEndElement(name); }
  void OnText(const char* text, int length) override { m_Sink.OnCharacters(text, length); }
  bool WantsStop() const override { return m_Sink.WantsStop(); }
  bool WantsText() const override { return m_Sink.WantsText(); }
  void OnError(const xml::Error& e) override {
    if (e.warning) return;
    if (m_Info->xmlError == 0) {
      m_Info->xmlError = e.code;
      m_Info->line = e.line;
      m_Info->message = e.message;
    }
    if (e.fatal && e.encoding && !m_Info->badEncoding && m_Info->xmlError == e.code)
      m_Info->badEncoding = true;
  }

 private:
  XmlSink& m_Sink;
  XmlParseInfo* m_Info;
};

xml::Options ReaderOptions(const XmlReadOptions& options, const char* name) {
  xml::Options o;
  o.html = options.html;
  o.encoding = options.encoding;
  // XHTML books use HTML's character names without loading the DTD that
  // declares them.
  o.htmlNames = true;
  o.name = name;
  return o;
}

int Done(int rc, XmlParseInfo* info) {
  if (rc == -3 && info->xmlError == 0) info->message = "not well-formed";
  return rc;
}

}  // namespace

int XmlPushParseFile(const char* path, XmlSink& sink, const XmlReadOptions& options,
                     XmlParseInfo* info) {
  XmlParseInfo scratch;
  if (!info) info = &scratch;
  info->Clear();
  if (!path) return -1;
  Bridge bridge(sink, info);
  return Done(xml::ReadFile(path, bridge, ReaderOptions(options, path)), info);
}

int XmlPushParseMemory(const char* data, size_t size, const char* name, XmlSink& sink,
                       const XmlReadOptions& options, XmlParseInfo* info) {
  XmlParseInfo scratch;
  if (!info) info = &scratch;
  info->Clear();
  if (!data) return -1;
  Bridge bridge(sink, info);
  return Done(xml::ReadMemory(data, size, bridge, ReaderOptions(options, name ? name : "memory")),
              info);
}

}  // namespace libDaisy
