// NCX reader on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "daisy/ncx.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  libDaisy::Ncx ncx;
  ncx.OpenMemory(reinterpret_cast<const char*>(data), size, libDaisy::XmlReadOptions());
  std::string out;
  ncx.Dump(out);
  const libDaisy::NavMap* map = ncx.GetNavMap();
  for (int i = 0; i < map->GetCnt(); i++) {
    const char *label, *target;
    int level;
    if (map->Get(i, &label, &target, &level) != 0 || level < 1) __builtin_trap();
  }
  return 0;
}
