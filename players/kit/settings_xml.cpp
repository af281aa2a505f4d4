#include "players/kit/settings_xml.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/base/atomic_file.h"
#include "core/base/diag.h"
#include "core/base/activity.h"
#include "platform/board.h"

namespace {

struct ParseCtx {
  SettingsElementFn fn;
  void* user;
};

void OnStartElement(void* ctx, const xmlChar* name, const xmlChar** attrs) {
  auto* pc = static_cast<ParseCtx*>(ctx);
  pc->fn(pc->user, reinterpret_cast<const char*>(name), reinterpret_cast<const char**>(attrs));
}

// Keeps libxml2 quiet: a broken settings file is not worth a console page.
void IgnoreXmlError(void*, const char*, ...) {}

}  // namespace

int LoadSettingsXml(const char* devicePath, SettingsElementFn onElement, void* ctx) {
  if (!devicePath || !onElement) return -1;
  std::unique_ptr<FILE, int (*)(FILE*)> f(BFopen(devicePath, "rb"), fclose);
  if (!f) {
    DiagPrintf("can not open %s", devicePath);
    return -1;
  }
  char buf[4096];
  size_t len = fread(buf, 1, sizeof buf, f.get());
  if (len < 11 || len >= sizeof buf) return -1;

  xmlSAXHandler sax;
  memset(&sax, 0, sizeof sax);
  sax.startElement = OnStartElement;
  sax.error = IgnoreXmlError;
  sax.warning = IgnoreXmlError;
  ParseCtx pc{onElement, ctx};
  xmlParserCtxtPtr parser = xmlCreatePushParserCtxt(&sax, &pc, nullptr, 0, nullptr);
  if (!parser) {
    DiagPrintf("xmlCreatePushParserCtxt() failed");
    return -1;
  }
  xmlCtxtUseOptions(parser, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  xmlParseChunk(parser, buf, static_cast<int>(len), 1);
  xmlFreeParserCtxt(parser);
  return 0;
}

int SaveSettingsXml(const char* devicePath, const char* root, const char* element,
                    const std::vector<std::pair<std::string, std::string>>& attrs) {
  if (!devicePath || !root || !element) return -1;
  xmlDocPtr doc = xmlNewDoc(BAD_CAST "1.0");
  if (!doc) return -1;
  xmlNodePtr r = xmlNewNode(nullptr, BAD_CAST root);
  xmlDocSetRootElement(doc, r);
  xmlNodePtr e = xmlNewChild(r, nullptr, BAD_CAST element, nullptr);
  for (const auto& a : attrs) xmlNewProp(e, BAD_CAST a.first.c_str(), BAD_CAST a.second.c_str());
  int rc = SaveXmlDocAtomic(doc, devicePath);
  xmlFreeDoc(doc);
  return rc;
}

int CheckSettingsMounted() {
  if (IsMountDir("/mnt/settings") != 1) {
    DiagPrintf("%s umount", "/mnt/settings");
    return -1;
  }
  return 0;
}

bool ParseIntAttr(const char* text, int* out) {
  if (!text || !out) return false;
  errno = 0;
  char* end = nullptr;
  long v = strtol(text, &end, 10);
  if (end == text || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
  *out = static_cast<int>(v);
  return true;
}
