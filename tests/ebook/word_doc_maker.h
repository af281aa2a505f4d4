// Writes small Word 97-2003 documents of our own: a compound file holding a
// "WordDocument" stream (file information block, the text as one piece,
// paragraph property pages with styles, outline levels and lists) and a
// "1Table" stream (style sheet, property page table, piece table, lists). Used by the tests,
// the fuzzer's seeds and the bench.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace docmaker {

struct Paragraph {
  std::u16string text;  // may hold field marks 0x13/0x14/0x15 and 0x0B
  int style = 0;        // 1-9: "heading N"
  int outline = -1;     // 0-8: an outline level of the paragraph itself
  int ilfo = 0;         // list instance from 1, 0 outside lists
  int ilvl = 0;
};

struct ListLevel {
  int start;
  int nfc;              // 0 decimal, 2 lower roman, 4 lower letter, 23 bullet, ...
  std::u16string text;  // units 0-8 stand for the numbers of those levels
};

// Lists (one level for a simple list, else nine) and their instances: list
// instance i + 1 numbers by lists[instances[i].first], restarting the levels
// of instances[i].second at their numbers.
struct Lists {
  std::vector<std::vector<ListLevel>> lists;
  std::vector<std::pair<int, std::vector<std::pair<int, int>>>> instances;
  int styleIlfo = 0;  // > 0: style 10 is a paragraph style numbered by that instance
};

struct DocFile {
  std::string bytes;
  uint32_t fatOffset = 0;   // file offset of the first table sector
  uint32_t dirOffset = 0;   // file offset of the directory
  uint32_t wordSector = 0;  // first sector of "WordDocument"
};

inline void Put16(std::string& s, size_t at, uint32_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string& s, size_t at, uint32_t v) {
  Put16(s, at, v & 0xFFFF);
  Put16(s, at + 2, v >> 16);
}
inline uint32_t Get32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s[at + static_cast<size_t>(i)]);
  return v;
}
inline void Pad(std::string& s, size_t to) {
  if (s.size() < to) s.resize(to, '\0');
}

// Paragraph property pages for paragraphs ending at the given stream offsets.
inline void AddPapxPages(std::string& w, const std::vector<Paragraph>& paras, const std::vector<uint32_t>& ends,
                         uint32_t fcText, std::vector<uint32_t>* fcs, std::vector<uint32_t>* pages) {
  const size_t perPage = 12;
  uint32_t start = fcText;
  for (size_t first = 0; first < paras.size(); first += perPage) {
    size_t n = std::min(perPage, paras.size() - first);
    Pad(w, (w.size() + 511) / 512 * 512);
    size_t base = w.size();
    pages->push_back(static_cast<uint32_t>(base / 512));
    std::string page(512, '\0');
    fcs->push_back(start);
    size_t data = 510;
    for (size_t i = 0; i < n; ++i) {
      const Paragraph& p = paras[first + i];
      Put32(page, i * 4, start);
      Put32(page, (i + 1) * 4, ends[first + i]);
      start = ends[first + i];
      data -= 16;
      page[4 * (n + 1) + 13 * i] = static_cast<char>(data / 2);
      page[data] = 7;  // 2 * cb - 1 bytes follow
      Put16(page, data + 1, static_cast<uint32_t>(p.style));
      size_t at = data + 3;
      if (p.outline >= 0) {
        Put16(page, at, 0x2640);
        page[at + 2] = static_cast<char>(p.outline);
        at += 3;
      }
      if (p.ilfo > 0) {
        Put16(page, at, 0x460B);
        Put16(page, at + 2, static_cast<uint32_t>(p.ilfo));
        Put16(page, at + 4, 0x260A);
        page[at + 6] = static_cast<char>(p.ilvl);
      }
    }
    page[511] = static_cast<char>(n);
    w += page;
  }
  fcs->push_back(start);
}

// The list definitions with their levels behind them, then the instances.
inline void AddLists(std::string& t, const Lists& lists, uint32_t* lst, uint32_t* lstBytes, uint32_t* lfo,
                     uint32_t* lfoBytes) {
  *lst = static_cast<uint32_t>(t.size());
  t.resize(t.size() + 2 + 28 * lists.lists.size());
  Put16(t, *lst, static_cast<uint32_t>(lists.lists.size()));
  for (size_t i = 0; i < lists.lists.size(); ++i) {
    size_t at = *lst + 2 + 28 * i;
    Put32(t, at, static_cast<uint32_t>(100 + i));
    t[at + 26] = lists.lists[i].size() == 1 ? 1 : 0;
  }
  *lstBytes = static_cast<uint32_t>(t.size()) - *lst;
  for (const std::vector<ListLevel>& levels : lists.lists)
    for (const ListLevel& l : levels) {
      size_t at = t.size();
      t.resize(at + 28 + 2);
      Put32(t, at, static_cast<uint32_t>(l.start));
      t[at + 4] = static_cast<char>(l.nfc);
      Put16(t, at + 28, static_cast<uint32_t>(l.text.size()));
      for (char16_t c : l.text) t.resize(t.size() + 2), Put16(t, t.size() - 2, c);
    }
  *lfo = static_cast<uint32_t>(t.size());
  t.resize(t.size() + 4 + 16 * lists.instances.size());
  Put32(t, *lfo, static_cast<uint32_t>(lists.instances.size()));
  for (size_t i = 0; i < lists.instances.size(); ++i) {
    Put32(t, *lfo + 4 + 16 * i, static_cast<uint32_t>(100 + lists.instances[i].first));
    t[*lfo + 4 + 16 * i + 12] = static_cast<char>(lists.instances[i].second.size());
  }
  for (const auto& inst : lists.instances) {
    t.resize(t.size() + 4);
    for (const auto& s : inst.second) {
      size_t at = t.size();
      t.resize(at + 8);
      Put32(t, at, static_cast<uint32_t>(s.second));
      Put32(t, at + 4, static_cast<uint32_t>(s.first) | 0x10);
    }
  }
  *lfoBytes = static_cast<uint32_t>(t.size()) - *lfo;
}

inline std::string TableStream(const std::vector<uint32_t>& fcs, const std::vector<uint32_t>& pages, uint32_t fcText,
                               bool compressed, uint32_t ccp, uint32_t* stsh, uint32_t* bte, uint32_t* clx,
                               int listStyleIlfo = 0) {
  std::string t;
  *stsh = 0;
  t.resize(2 + 4);
  Put16(t, 0, 4);
  Put16(t, 2, listStyleIlfo > 0 ? 11 : 10);  // styles
  Put16(t, 4, 10);
  for (int i = 0; i < 10; ++i) {
    size_t at = t.size();
    t.resize(at + 2 + 12);
    Put16(t, at, 12);
    Put16(t, at + 2, static_cast<uint32_t>(i));  // style i is "heading i"; 0 is Normal
  }
  if (listStyleIlfo > 0) {
    // A user's paragraph style "L" based on Normal, its paragraphs in a list.
    size_t at = t.size();
    t.resize(at + 2 + 28);
    Put16(t, at, 28);
    Put16(t, at + 2, 0x0FFE);
    Put16(t, at + 4, 1);  // a paragraph style based on style 0
    Put16(t, at + 6, 1);
    Put16(t, at + 12, 1);
    Put16(t, at + 14, 'L');
    Put16(t, at + 18, 9);
    Put16(t, at + 20, 10);
    Put16(t, at + 22, 0x460B);
    Put16(t, at + 24, static_cast<uint32_t>(listStyleIlfo));
    Put16(t, at + 26, 0x260A);
  }
  *bte = static_cast<uint32_t>(t.size());
  for (uint32_t fc : fcs) t.resize(t.size() + 4), Put32(t, t.size() - 4, fc);
  for (uint32_t pn : pages) t.resize(t.size() + 4), Put32(t, t.size() - 4, pn);
  *clx = static_cast<uint32_t>(t.size());
  t.resize(t.size() + 5 + 8 + 8);
  t[*clx] = 2;
  Put32(t, *clx + 1, 16);
  Put32(t, *clx + 5, 0);
  Put32(t, *clx + 9, ccp);
  Put32(t, *clx + 15, compressed ? (fcText * 2) | 0x40000000 : fcText);
  return t;
}

// The main stream and the table stream of a document.
inline void Streams(const std::vector<Paragraph>& paras, bool compressed, std::string* word, std::string* table,
                    bool miniTable = false, const Lists* lists = nullptr) {
  const uint32_t fcText = 1024;
  std::string w(fcText, '\0');
  std::vector<uint32_t> ends;
  uint32_t ccp = 0;
  for (const Paragraph& p : paras) {
    std::u16string t = p.text + u"\r";
    for (char16_t c : t) {
      if (compressed) {
        w += static_cast<char>(c);
      } else {
        w += static_cast<char>(c & 0xFF);
        w += static_cast<char>(c >> 8);
      }
    }
    ccp += static_cast<uint32_t>(t.size());
    ends.push_back(static_cast<uint32_t>(w.size()));
  }
  std::vector<uint32_t> fcs, pages;
  AddPapxPages(w, paras, ends, fcText, &fcs, &pages);
  uint32_t stsh, bte, clx;
  *table = TableStream(fcs, pages, fcText, compressed, ccp, &stsh, &bte, &clx, lists ? lists->styleIlfo : 0);
  Put16(w, 0, 0xA5EC);
  Put16(w, 2, 0xC1);
  // The table is "1Table"; characters may be wider than a byte (as Word sets).
  Put16(w, 0x0A, 0x1200);
  Put16(w, 32, 14);
  Put16(w, 62, 22);
  Put32(w, 64 + 3 * 4, ccp);
  // The text's bounds, which peers read the text by.
  Put32(w, 0x18, fcText);
  Put32(w, 0x1C, ends.empty() ? fcText : ends.back());
  size_t pairs = 64 + 22 * 4;
  Put16(w, pairs, 93);
  auto pair = [&](int i, uint32_t fc, uint32_t lcb) {
    Put32(w, pairs + 2 + i * 8, fc);
    Put32(w, pairs + 6 + i * 8, lcb);
  };
  pair(1, stsh, bte);
  pair(13, bte, clx - bte);
  pair(33, clx, static_cast<uint32_t>(table->size()) - clx);
  if (lists) {
    uint32_t lst, lstBytes, lfo, lfoBytes;
    AddLists(*table, *lists, &lst, &lstBytes, &lfo, &lfoBytes);
    pair(73, lst, lstBytes);
    pair(74, lfo, lfoBytes);
  }
  Pad(*word = w, 4096);
  if (!miniTable) Pad(*table, 4096);
}

inline void DirEntry(std::string& f, size_t at, const char* name, int type, uint32_t start, uint32_t size,
                     uint32_t right, uint32_t child) {
  size_t n = 0;
  for (; name[n]; ++n) Put16(f, at + n * 2, static_cast<unsigned char>(name[n]));
  Put16(f, at + 0x40, static_cast<uint32_t>((n + 1) * 2));
  f[at + 0x42] = static_cast<char>(type);
  f[at + 0x43] = 1;
  Put32(f, at + 0x44, 0xFFFFFFFF);
  Put32(f, at + 0x48, right);
  Put32(f, at + 0x4C, child);
  Put32(f, at + 0x74, start);
  Put32(f, at + 0x78, size);
}

// A compound file (512-byte sectors, or 4096 with `big`) holding the streams;
// a table stream under 4096 bytes goes into the mini stream, 64 bytes a sector.
inline DocFile Compound(const std::string& word, const std::string& table, bool big = false) {
  const uint32_t ss = big ? 4096 : 512, per = ss / 4;
  const bool mini = table.size() < 4096;
  std::string container = table;
  Pad(container, (table.size() + 63) / 64 * 64);
  uint32_t wordSectors = static_cast<uint32_t>((word.size() + ss - 1) / ss);
  uint32_t tableSectors = static_cast<uint32_t>((container.size() + ss - 1) / ss);
  // The header lists 109 FAT sectors; the rest are listed by DIFAT sectors
  // (per - 1 entries each, then the next one's number), as a large document
  // of 512-byte sectors needs.
  uint32_t fatSectors = 1, difat = 0;
  while (fatSectors * per < fatSectors + difat + 2 + wordSectors + tableSectors) {
    ++fatSectors;
    difat = fatSectors > 109 ? (fatSectors - 109 + per - 2) / (per - 1) : 0;
  }
  DocFile d;
  std::string& f = d.bytes;
  f.assign(ss, '\0');
  const unsigned char sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  f.replace(0, 8, reinterpret_cast<const char*>(sig), 8);
  Put16(f, 0x18, 0x3E);
  Put16(f, 0x1A, big ? 4 : 3);
  Put16(f, 0x1C, 0xFFFE);
  Put16(f, 0x1E, big ? 12 : 9);
  Put16(f, 0x20, 6);
  Put32(f, 0x2C, fatSectors);
  Put32(f, 0x30, fatSectors + difat);
  Put32(f, 0x38, 4096);
  Put32(f, 0x3C, 0xFFFFFFFE);
  Put32(f, 0x40, 0);
  Put32(f, 0x44, difat ? fatSectors : 0xFFFFFFFE);
  Put32(f, 0x48, difat);
  for (uint32_t i = 0; i < 109; ++i) Put32(f, 0x4C + i * 4, i < fatSectors ? i : 0xFFFFFFFF);
  std::string fat(fatSectors * ss, '\xFF'), difats(difat * ss, '\xFF');
  for (uint32_t i = 0; i < fatSectors; ++i) Put32(fat, i * 4, 0xFFFFFFFD);
  for (uint32_t i = 109; i < fatSectors; ++i) Put32(difats, ((i - 109) / (per - 1)) * ss + (i - 109) % (per - 1) * 4, i);
  for (uint32_t k = 0; k < difat; ++k) {
    Put32(fat, (fatSectors + k) * 4, 0xFFFFFFFC);
    Put32(difats, k * ss + (per - 1) * 4, k + 1 < difat ? fatSectors + k + 1 : 0xFFFFFFFE);
  }
  uint32_t s = fatSectors + difat;
  Put32(fat, s * 4, 0xFFFFFFFE);  // the directory
  auto chain = [&](uint32_t first, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) Put32(fat, (first + i) * 4, i + 1 < count ? first + i + 1 : 0xFFFFFFFE);
  };
  d.wordSector = s + 1;
  uint32_t tableSector = d.wordSector + wordSectors, miniFatSector = tableSector + tableSectors;
  chain(d.wordSector, wordSectors);
  chain(tableSector, tableSectors);
  std::string dir(ss, '\0'), miniFat(ss, '\xFF');
  if (mini) {
    chain(miniFatSector, 1);
    Put32(f, 0x3C, miniFatSector);
    Put32(f, 0x40, 1);
    uint32_t n = static_cast<uint32_t>(container.size() / 64);
    for (uint32_t i = 0; i < n; ++i) Put32(miniFat, i * 4, i + 1 < n ? i + 1 : 0xFFFFFFFE);
  }
  DirEntry(dir, 0, "Root Entry", 5, mini ? tableSector : 0xFFFFFFFE, mini ? static_cast<uint32_t>(container.size()) : 0,
           0xFFFFFFFF, 1);
  DirEntry(dir, 128, "WordDocument", 2, d.wordSector, static_cast<uint32_t>(word.size()), 0xFFFFFFFF, 0xFFFFFFFF);
  DirEntry(dir, 256, "1Table", 2, mini ? 0 : tableSector, static_cast<uint32_t>(table.size()), 0xFFFFFFFF,
           0xFFFFFFFF);
  // Siblings are a tree ordered by name length first: "1Table" goes left.
  Put32(dir, 128 + 0x44, 2);
  // The unused entries link nowhere, and 4096-byte sectors count the
  // directory's, as peers require.
  for (size_t at = 384; at < dir.size(); at += 128)
    for (size_t k : {0x44, 0x48, 0x4C}) Put32(dir, at + k, 0xFFFFFFFF);
  if (big) Put32(f, 0x28, 1);
  d.fatOffset = ss;
  d.dirOffset = ss * (1 + s);
  f += fat + difats + dir + word;
  Pad(f, (f.size() + ss - 1) / ss * ss);
  f += container;
  Pad(f, (f.size() + ss - 1) / ss * ss);
  if (mini) f += miniFat;
  return d;
}

inline DocFile Make(const std::vector<Paragraph>& paras, bool compressed = true, bool big = false,
                    bool miniTable = false, const Lists* lists = nullptr) {
  std::string word, table;
  Streams(paras, compressed, &word, &table, miniTable, lists);
  return Compound(word, table, big);
}

}  // namespace docmaker
