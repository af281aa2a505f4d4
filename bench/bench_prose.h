// The Polish prose the e-book benches build their books from, and the file
// writer they share.
#pragma once

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "ebook/ebook.h"

namespace benchprose {

inline const char* const c_Sentences[] = {
    "Pewnego razu zdarzyło się, że latarnik w Aspinwall, niedaleko Panamy, przepadł bez wieści. ",
    "Ponieważ stało się to wśród burzy, przypuszczano, że nieszczęśliwy musiał podejść nad sam brzeg. ",
    "Przypuszczenie to było tym prawdopodobniejsze, że na drugi dzień nie znaleziono jego łódki; ",
    "zawakowało tedy miejsce latarnika, które trzeba było jak najprędzej obsadzić. ",
    "Latarnia ma niepoślednie znaczenie zarówno dla miejscowego ruchu, jak i dla statków, ",
    "które z Nowego Jorku idą do Panamy. Cena biletu wynosiła 3.50 dolara! ",
};

inline bool Write(const std::string& path, const std::string& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  fwrite(bytes.data(), 1, bytes.size(), f);
  return fclose(f) == 0;
}

// Opens any e-book by its extension and reads its first sentence, no more:
// what the reader pays before it speaks (the `--first` mode of the benches).
inline int FirstSentence(const char* path) {
  const char* dot = strrchr(path, '.');
  std::unique_ptr<iCEbook> b(GetEbookClass(dot ? dot + 1 : ""));
  int r = b ? b->Open(path) : -1;
  unsigned short* text = nullptr;
  int len = 0;
  if (r == 0) r = b->ReadCurSentence(&text, &len);
  std::string line;
  for (int i = 0; i < len && i < 60; ++i) line += text[i] < 128 ? static_cast<char>(text[i]) : '?';
  printf("%s: open %d, first sentence %d units: %s\n", path, r, len, line.c_str());
  return r == 0 && len > 0 ? 0 : 1;
}

}  // namespace benchprose
