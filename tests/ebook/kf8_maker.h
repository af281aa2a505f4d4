// Writes KF8 (AZW3) books of our own: each chapter an XHTML file kept as the
// format keeps it, a skeleton (the file without its body's content) followed
// by one fragment (that content), with the flow table and the skeleton and
// fragment indexes that rebuild the files; uncompressed text records. Used by
// the tests and the bench.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace kf8maker {

inline void Be32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + static_cast<size_t>(i)] = static_cast<char>(v >> (24 - 8 * i));
}
inline void Be16(std::string& s, size_t at, uint32_t v) {
  s[at] = static_cast<char>(v >> 8), s[at + 1] = static_cast<char>(v);
}
inline std::string Be32s(uint32_t v) {
  std::string s(4, '\0');
  Be32(s, 0, v);
  return s;
}

// The palm database around the records (MOBI books of every version).
inline std::string Database(const std::vector<std::string>& records) {
  size_t n = records.size();
  std::string head(78, '\0');
  memcpy(&head[0], "Bench", 5);
  memcpy(&head[60], "BOOKMOBI", 8);
  Be16(head, 76, static_cast<uint32_t>(n));
  size_t offset = 78 + 8 * n + 2;
  std::string table(8 * n, '\0');
  for (size_t i = 0; i < n; ++i) {
    Be32(table, 8 * i, static_cast<uint32_t>(offset)), Be32(table, 8 * i + 4, static_cast<uint32_t>(2 * i));
    offset += records[i].size();
  }
  std::string out = head + table + std::string(2, '\0');
  for (const std::string& r : records) out += r;
  return out;
}

// Record 0: the text's size and records, and the version 8 header naming the
// flow table and the indexes.
inline std::string Header(size_t textBytes, size_t textRecords, uint32_t fdst, uint32_t frag, uint32_t skel) {
  std::string mobi(264, '\0');
  memcpy(&mobi[0], "MOBI", 4);
  Be32(mobi, 4, 264), Be32(mobi, 8, 2), Be32(mobi, 12, 65001), Be32(mobi, 16, 1), Be32(mobi, 20, 8);
  for (size_t o = 24; o < 64; o += 4) Be32(mobi, o, 0xFFFFFFFF);
  for (size_t o = 148; o < 264; o += 4) Be32(mobi, o, 0xFFFFFFFF);
  Be32(mobi, 64, static_cast<uint32_t>(textRecords + 1)), Be32(mobi, 68, 16 + 264), Be32(mobi, 72, 5);
  Be32(mobi, 88, 8), Be32(mobi, 92, 0xFFFFFFFF), Be32(mobi, 96, 0), Be32(mobi, 100, 0), Be32(mobi, 112, 0);
  Be32(mobi, 176, fdst), Be32(mobi, 180, 1), Be32(mobi, 188, 0), Be32(mobi, 196, 0), Be32(mobi, 212, 0);
  Be32(mobi, 224, 0), Be32(mobi, 232, frag), Be32(mobi, 236, skel);
  std::string rec0(16, '\0');
  Be16(rec0, 0, 1), Be32(rec0, 4, static_cast<uint32_t>(textBytes)), Be16(rec0, 8, static_cast<uint32_t>(textRecords));
  Be16(rec0, 10, 4096);
  return rec0 + mobi + "Bench" + std::string(3, '\0');
}

// A value of an index entry: seven bits a byte, the last byte marked.
inline std::string Varlen(uint32_t v) {
  std::string out(1, static_cast<char>(0x80 | (v & 0x7F)));
  while (v >>= 7) out.insert(out.begin(), static_cast<char>(v & 0x7F));
  return out;
}

struct Entry {
  std::string label;
  unsigned char control;
  std::vector<uint32_t> values;
};

// An index: its header record (with the tag table) and one data record.
// `tags` holds (tag, values per entry, control mask) triples.
inline std::vector<std::string> Index(const std::vector<unsigned char>& tags, const std::vector<Entry>& entries,
                                      uint32_t cncxRecords) {
  const size_t headLen = 192;
  std::string tagx = "TAGX" + Be32s(static_cast<uint32_t>(12 + 4 * (tags.size() / 3 + 1))) + Be32s(1);
  for (size_t i = 0; i < tags.size(); i += 3)
    tagx += std::string{char(tags[i]), char(tags[i + 1]), char(tags[i + 2]), 0};
  tagx += std::string{0, 0, 0, 1};
  std::string data(headLen, '\0');
  std::vector<uint32_t> offsets;
  for (const Entry& e : entries) {
    offsets.push_back(static_cast<uint32_t>(data.size()));
    data += static_cast<char>(e.label.size()) + e.label + static_cast<char>(e.control);
    for (uint32_t v : e.values) data += Varlen(v);
  }
  if (data.size() % 2) data += '\0';
  size_t idxt = data.size();
  data += "IDXT";
  for (uint32_t o : offsets) data += std::string(2, '\0'), Be16(data, data.size() - 2, o);
  memcpy(&data[0], "INDX", 4);
  Be32(data, 4, headLen), Be32(data, 8, 1), Be32(data, 20, static_cast<uint32_t>(idxt));
  Be32(data, 24, static_cast<uint32_t>(entries.size())), Be32(data, 28, 0xFFFFFFFF), Be32(data, 32, 0xFFFFFFFF);
  std::string head(headLen, '\0');
  memcpy(&head[0], "INDX", 4);
  head += tagx;
  size_t geometry = head.size();
  const std::string& last = entries.back().label;
  head += static_cast<char>(last.size()) + last + std::string(2, '\0');
  Be16(head, head.size() - 2, static_cast<uint32_t>(entries.size()));
  if (head.size() % 2) head += '\0';
  size_t headIdxt = head.size();
  head += "IDXT" + std::string(2, '\0');
  Be16(head, head.size() - 2, static_cast<uint32_t>(geometry));
  Be32(head, 4, headLen), Be32(head, 20, static_cast<uint32_t>(headIdxt)), Be32(head, 24, 1);
  Be32(head, 28, 65001), Be32(head, 32, 0xFFFFFFFF), Be32(head, 36, static_cast<uint32_t>(entries.size()));
  Be32(head, 52, cncxRecords);
  return {head, data};
}

// The chapters as KF8 keeps them: each file's skeleton followed by its one
// fragment (the body's content), the fragment's insert place in the
// skeleton's coordinates of the text.
inline std::string Make(const std::vector<std::string>& chapters) {
  std::string text;
  std::vector<Entry> skel, frag;
  for (size_t i = 0; i < chapters.size(); ++i) {
    std::string skeleton = "<?xml version=\"1.0\" encoding=\"utf-8\"?><html xmlns=\"http://www.w3.org/1999/xhtml\">"
                           "<head><title>Rozdzia\xC5\x82</title></head><body aid=\"" +
                           std::to_string(i) + "\"></body></html>";
    uint32_t start = static_cast<uint32_t>(text.size());
    uint32_t insert = start + static_cast<uint32_t>(skeleton.find("</body>"));
    char label[32];
    snprintf(label, sizeof label, "SKEL%010zu", i);
    skel.push_back({label, 0x05, {1, start, static_cast<uint32_t>(skeleton.size())}});
    snprintf(label, sizeof label, "%010u", insert);
    frag.push_back({label, 0x0F, {0, static_cast<uint32_t>(i), static_cast<uint32_t>(i), 0,
                                  static_cast<uint32_t>(chapters[i].size())}});
    text += skeleton + chapters[i];
  }
  const size_t rec = 4096;
  size_t texts = (text.size() + rec - 1) / rec;
  uint32_t fdst = static_cast<uint32_t>(texts + 1), fragIndex = fdst + 1, skelIndex = fdst + 4;
  std::vector<std::string> records;
  records.push_back(Header(text.size(), texts, fdst, fragIndex, skelIndex));
  for (size_t i = 0; i < texts; ++i) records.push_back(text.substr(i * rec, rec));
  records.push_back("FDST" + Be32s(12) + Be32s(1) + Be32s(0) + Be32s(static_cast<uint32_t>(text.size())));
  for (std::string& r : Index({2, 1, 0x01, 3, 1, 0x02, 4, 1, 0x04, 6, 2, 0x08}, frag, 1)) records.push_back(r);
  records.push_back(Varlen(11) + "P-//*[@aid]");  // the fragments' one selector
  for (std::string& r : Index({1, 1, 0x03, 6, 2, 0x0C}, skel, 0)) records.push_back(r);
  return Database(records);
}


}  // namespace kf8maker
