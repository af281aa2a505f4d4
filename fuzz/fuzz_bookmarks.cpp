// Loads arbitrary bytes as "bookmark.xml", then checks that what was loaded
// saves and loads back unchanged: a damaged file never spoils the next save.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "positions/bookmark.h"
#include "tests/positions/store_dump.h"

static std::string Serialise(const BookMark& bm) {
  std::string s;
  if (bm.BuildDocument().Serialize(&s) != 0) abort();
  return s;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BookMark first;
  first.LoadFromMemory(reinterpret_cast<const char*>(data), size);
  if (first.GetCount() > BM_MAX_FILE_ITEMS) abort();
  int perKind[4] = {};
  for (int i = 0; i < first.GetCount(); i++) {
    BmFileItem* e = first.GetAt(i);
    if (e->GetCount() < 1 || e->GetCount() > BM_MAX_ITEMS) abort();
    if (++perKind[e->Type()] > BM_MAX_FILES_PER_TYPE) abort();
  }
  std::string saved = Serialise(first);
  BookMark second;
  int r = second.LoadFromMemory(saved.data(), saved.size());
  if (first.GetCount() > 0 && r != 0) abort();
  if (postest::Dump(first) != postest::Dump(second)) {
    fprintf(stderr, "round trip differs:\n%s\n----\n%s\n", postest::Dump(first).c_str(),
            postest::Dump(second).c_str());
    abort();
  }
  if (Serialise(second) != saved) abort();
  return 0;
}
