// Loads arbitrary bytes as "history.xml", then checks that what was loaded
// saves and loads back unchanged: a damaged file never spoils the next save.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "positions/history.h"
#include "tests/positions/store_dump.h"

static std::string Serialise(const History& h) {
  std::string s;
  if (h.BuildDocument().Serialize(&s) != 0) abort();
  return s;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  History first;
  first.LoadFromMemory(reinterpret_cast<const char*>(data), size);
  if (first.GetCount() > HISTORY_MAX_ITEMS) abort();
  int perKind[5] = {};
  for (int i = 0; i < first.GetCount(); i++) {
    HistoryItem* it = first.GetAt(i);
    if (it->kind < 0 || it->kind > 3 || !it->path) abort();
    if (++perKind[it->kind] > HISTORY_MAX_PER_TYPE) abort();
  }
  std::string saved = Serialise(first);
  History second;
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
