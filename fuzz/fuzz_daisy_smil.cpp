// SMIL reader on arbitrary bytes with both attribute spellings, then the
// object list against a text document read from the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "daisy/smil.h"
#include "daisy/xhtml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  libDaisy::XmlReadOptions options;
  libDaisy::Smil smil;
  smil.OpenMemory(text, size, false, options);
  smil.OpenMemory(text, size, true, options);
  std::string out;
  smil.Dump(out);

  libDaisy::Xhtml doc;
  doc.OpenMemory(text, size, options);
  std::vector<libDaisy::Xhtml*> docs(smil.GetTextFilenames()->GetCnt(), &doc);
  std::vector<libDaisy::_DaisyObject> objects(smil.GetTotalElements() + 1);
  smil.GetObjects(docs.data(), static_cast<int>(docs.size()), objects.data(),
                  static_cast<int>(objects.size()));
  int n = smil.GetTotalElements();
  for (int i = 0; i < n; i++) {
    const char* id = smil.GetElementId(i);
    if (id) smil.FindElementById(id, -1, 0, n, i);
  }
  return 0;
}
