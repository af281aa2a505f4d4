// The Polish prose the e-book benches build their books from, and the file
// writer they share.
#pragma once

#include <cstdio>
#include <string>

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

}  // namespace benchprose
