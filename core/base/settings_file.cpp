#include "core/base/settings_file.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/base/atomic_file.h"
#include "core/base/diag.h"
#include "core/base/activity.h"
#include "platform/board.h"

int SettingsMounted() {
  if (IsMountDir(SETTINGS_DIR) == 1) return 1;
  DiagPrintf("%s umount", SETTINGS_DIR);
  return 0;
}

int LoadSettingsXml(const char* path, void* context, startElementSAXFunc startElement) {
  if (!path || !startElement) return -1;
  if (!SettingsMounted()) return -1;
  FILE* f = BFopen(path, "rb");
  if (!f) {
    DiagPrintf("can not open %s", path);
    return -1;
  }
  static const int kMax = 4096;
  char* buf = static_cast<char*>(malloc(kMax));
  if (!buf) {
    fclose(f);
    return -2;
  }
  int n = (int)fread(buf, 1, kMax, f);
  fclose(f);
  if (n < 11 || n >= kMax) {
    free(buf);
    return -1;
  }
  xmlSAXHandler sax;
  memset(&sax, 0, sizeof sax);
  sax.startElement = startElement;
  xmlParserCtxtPtr ctxt = xmlCreatePushParserCtxt(&sax, context, nullptr, 0, path);
  if (!ctxt) {
    free(buf);
    DiagPrintf("xmlCreatePushParserCtxt() failed");
    return -1;
  }
  xmlCtxtUseOptions(ctxt, XML_PARSE_NONET);
  xmlParseChunk(ctxt, buf, n, 1);
  if (ctxt->myDoc) xmlFreeDoc(ctxt->myDoc);
  xmlFreeParserCtxt(ctxt);
  free(buf);
  return 0;
}

int SaveSettingsXml(const char* path, xmlDocPtr doc) {
  if (!path || !doc) return -1;
  if (!SettingsMounted()) return -1;
  return SaveXmlDocAtomic(doc, path);
}

int LoadSettingsFile(const char* path, void* buffer, int size) {
  if (!path || !buffer || size <= 0) return -1;
  if (!SettingsMounted()) return -1;
  FILE* f = BFopen(path, "rb");
  if (!f) {
    DiagPrintf("can not open %s", path);
    return -1;
  }
  int n = (int)fread(buffer, 1, (size_t)size, f);
  fclose(f);
  return n;
}

int SaveSettingsFile(const char* path, const void* buffer, int size) {
  if (!path || !buffer || size <= 0) return -1;
  if (!SettingsMounted()) return -1;
  if (WriteFileAtomic(path, buffer, (size_t)size) != 0) {
    DiagPrintf("can not open %s", path);
    return -1;
  }
  return size;
}

int DestroyFile(const char* path) {
  if (!path) return -1;
  FILE* f = BFopen(path, "r+b");
  if (!f) return -1;
  if (fseeko(f, 0, SEEK_END) != 0) {
    fclose(f);
    return -1;
  }
  long long length = ftello(f);
  rewind(f);
  // Zeros in pieces, so that a large packet needs no large buffer.
  static const size_t kPiece = 65536;
  char* zeros = static_cast<char*>(calloc(1, kPiece));
  if (!zeros || length < 0) {
    free(zeros);
    fclose(f);
    return -1;
  }
  long long left = length;
  bool ok = true;
  while (left > 0 && ok) {
    size_t n = left < (long long)kPiece ? (size_t)left : kPiece;
    ok = fwrite(zeros, 1, n, f) == n;
    left -= (long long)n;
  }
  free(zeros);
  ok = fflush(f) == 0 && ok;
  if (ok) fsync(fileno(f));
  fclose(f);
  if (!ok) return -1;
  printf("destroy OK! file lenth=%d\n", (int)length);
  return 0;
}
