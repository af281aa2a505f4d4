// OPF reader on arbitrary bytes; the first byte picks a forced encoding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "daisy/opf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const char* c_Encodings[] = {nullptr, "windows-1250", "UTF-16", "ISO-8859-2"};
  libDaisy::XmlReadOptions options;
  options.encoding = c_Encodings[data[0] & 3];
  libDaisy::Opf opf;
  opf.OpenMemory(reinterpret_cast<const char*>(data + 1), size - 1, options);
  std::string out;
  opf.Dump(out);
  libDaisy::StringArray hrefs, types;
  opf.GetSpineItems(&hrefs, &types);
  opf.GetNcxFilename();
  opf.GetTitle();
  return 0;
}
