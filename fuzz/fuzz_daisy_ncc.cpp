// NCC reader on arbitrary bytes, as XML and as tag soup through the HTML parser.
#include <cstddef>
#include <cstdint>
#include <string>

#include "daisy/ncc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  libDaisy::Ncc ncc;
  std::string out;
  libDaisy::XmlReadOptions options;
  ncc.OpenMemory(text, size, options);
  ncc.Dump(out);
  options.html = true;
  ncc.OpenMemory(text, size, options);
  ncc.Dump(out);
  for (int i = 0; ncc.GetHeaderHref(i); i++) out += ncc.GetHeaderHref(i);
  return 0;
}
