// CDocx: the content types, styles and numbering parts.
#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/lib/xml/xml_reader.h"
#include "ebook/docx.h"

namespace {

bool Is(const char* name, const char* qname) { return strcmp(name, qname) == 0; }

std::string Val(xml::Attrs attrs, const char* name = "w:val") {
  const char* v = xml::Attr(attrs, name);
  return v ? v : "";
}

std::string PartName(const char* name) {
  std::string s = name ? name : "";
  while (!s.empty() && s[0] == '/') s.erase(0, 1);
  return s;
}

class TypesHandler : public xml::Handler {
 public:
  explicit TypesHandler(CDocx::Parts* p) : m_Parts(p) {}
  void OnStart(const char* name, xml::Attrs attrs) override {
    const char* local = strrchr(name, ':') ? strrchr(name, ':') + 1 : name;
    if (strcmp(local, "Override") != 0) return;
    const char* type = xml::Attr(attrs, "ContentType");
    if (!type) return;
    static const char c_Prefix[] = "application/vnd.openxmlformats-officedocument.wordprocessingml.";
    std::string t = type;
    if ((t == std::string(c_Prefix) + "document.main+xml" || t == "application/vnd.ms-word.document.macroEnabled.main+xml" ||
         t == std::string(c_Prefix) + "template.main+xml") && m_Parts->document.empty())
      m_Parts->document = PartName(xml::Attr(attrs, "PartName"));
    else if (t == std::string(c_Prefix) + "styles+xml" && m_Parts->styles.empty())
      m_Parts->styles = PartName(xml::Attr(attrs, "PartName"));
    else if (t == std::string(c_Prefix) + "numbering+xml" && m_Parts->numbering.empty())
      m_Parts->numbering = PartName(xml::Attr(attrs, "PartName"));
    else if (t == std::string(c_Prefix) + "footnotes+xml" && m_Parts->footnotes.empty())
      m_Parts->footnotes = PartName(xml::Attr(attrs, "PartName"));
    else if (t == std::string(c_Prefix) + "endnotes+xml" && m_Parts->endnotes.empty())
      m_Parts->endnotes = PartName(xml::Attr(attrs, "PartName"));
    else if (t == std::string(c_Prefix) + "settings+xml" && m_Parts->settings.empty())
      m_Parts->settings = PartName(xml::Attr(attrs, "PartName"));
  }

 private:
  CDocx::Parts* m_Parts;
};

class StylesHandler : public xml::Handler {
 public:
  StylesHandler(std::map<std::string, CDocx::Style>* s, std::string* language) : m_Styles(s), m_Language(language) {}
  void OnStart(const char* name, xml::Attrs attrs) override {
    if (Is(name, "w:docDefaults")) {
      m_InDefaults = true;
    } else if (m_InDefaults && Is(name, "w:lang") && m_Language && m_Language->empty()) {
      *m_Language = Val(attrs);
    } else if (Is(name, "w:style")) {
      m_Id = Val(attrs, "w:styleId");
      if (!m_Id.empty()) (*m_Styles)[m_Id];
    } else if (m_Id.empty()) {
      return;
    } else if (Is(name, "w:basedOn")) {
      (*m_Styles)[m_Id].basedOn = Val(attrs);
    } else if (Is(name, "w:outlineLvl")) {
      int v = atoi(Val(attrs).c_str());
      (*m_Styles)[m_Id].level = v >= 0 && v < 9 ? v + 1 : -1;
    } else if (Is(name, "w:name") && (*m_Styles)[m_Id].level < 0) {
      // The built-in "heading N" styles, in files that leave out their level.
      std::string n = Val(attrs);
      if (n.size() == 9 && strncasecmp(n.c_str(), "heading ", 8) == 0 && n[8] >= '1' && n[8] <= '9')
        (*m_Styles)[m_Id].level = n[8] - '0';
    }
  }
  void OnEnd(const char* name) override {
    if (Is(name, "w:style")) m_Id.clear();
    if (Is(name, "w:docDefaults")) m_InDefaults = false;
  }

 private:
  std::map<std::string, CDocx::Style>* m_Styles;
  std::string m_Id;
  std::string* m_Language;
  bool m_InDefaults = false;
};

// How the document numbers its footnotes and endnotes.
class SettingsHandler : public xml::Handler {
 public:
  explicit SettingsHandler(CDocx::NoteNumbers* n) : m_N(n) {}
  void OnStart(const char* name, xml::Attrs attrs) override {
    if (Is(name, "w:footnotePr")) m_In = &m_N->foot;
    else if (Is(name, "w:endnotePr")) m_In = &m_N->end;
    else if (m_In && Is(name, "w:numFmt") && !Val(attrs).empty()) m_In->format = Val(attrs);
    else if (m_In && Is(name, "w:numStart")) m_In->start = static_cast<int>(std::clamp(strtol(Val(attrs).c_str(), nullptr, 10), 0L, 1L << 20));
  }
  void OnEnd(const char* name) override {
    if (Is(name, "w:footnotePr") || Is(name, "w:endnotePr")) m_In = nullptr;
  }

 private:
  CDocx::NoteNumbers* m_N;
  CDocx::NumLevel* m_In = nullptr;
};

class NumberingHandler : public xml::Handler {
 public:
  NumberingHandler(std::map<std::string, std::vector<CDocx::NumLevel>>* a, std::map<std::string, std::string>* n)
      : m_Abstracts(a), m_Nums(n) {}
  void OnStart(const char* name, xml::Attrs attrs) override {
    if (Is(name, "w:abstractNum")) {
      m_Abstract = Val(attrs, "w:abstractNumId");
      (*m_Abstracts)[m_Abstract].assign(9, CDocx::NumLevel());
    } else if (Is(name, "w:num")) {
      m_Num = Val(attrs, "w:numId");
    } else if (Is(name, "w:abstractNumId") && !m_Num.empty()) {
      (*m_Nums)[m_Num] = Val(attrs);
    } else if (!m_Abstract.empty()) {
      Level(name, attrs);
    }
  }
  void OnEnd(const char* name) override {
    if (Is(name, "w:abstractNum")) m_Abstract.clear(), m_Level = -1;
    if (Is(name, "w:num")) m_Num.clear();
  }

 private:
  void Level(const char* name, xml::Attrs attrs) {
    if (Is(name, "w:lvl")) {
      int l = atoi(Val(attrs, "w:ilvl").c_str());
      m_Level = l >= 0 && l < 9 ? l : -1;
      return;
    }
    if (m_Level < 0) return;
    CDocx::NumLevel& lvl = (*m_Abstracts)[m_Abstract][static_cast<size_t>(m_Level)];
    if (Is(name, "w:start")) lvl.start = atoi(Val(attrs).c_str());
    else if (Is(name, "w:numFmt")) lvl.format = Val(attrs);
    else if (Is(name, "w:lvlText")) lvl.text = Val(attrs);
    else if (Is(name, "w:isLgl")) lvl.legal = Val(attrs) != "0" && Val(attrs) != "false";
  }
  std::map<std::string, std::vector<CDocx::NumLevel>>* m_Abstracts;
  std::map<std::string, std::string>* m_Nums;
  std::string m_Abstract, m_Num;
  int m_Level = -1;
};

std::string Roman(int n) {
  static const struct {
    int v;
    const char* s;
  } c_R[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"},
             {50, "l"},   {40, "xl"},  {10, "x"},  {9, "ix"},   {5, "v"},   {4, "iv"}, {1, "i"}};
  std::string out;
  for (const auto& r : c_R)
    while (n >= r.v && out.size() < 32) out += r.s, n -= r.v;
  return out;
}

}  // namespace

int CDocx::ParseContentTypes(const std::string& xml, Parts* parts) {
  TypesHandler h(parts);
  if (xml::ReadMemory(xml.data(), xml.size(), h, xml::Options(), 8192) != 0) return -6;
  return parts->document.empty() ? -6 : 0;
}

int CDocx::ParseStyles(const std::string& xml, std::map<std::string, Style>* styles, std::string* language) {
  StylesHandler h(styles, language);
  return xml::ReadMemory(xml.data(), xml.size(), h, xml::Options(), 8192) == 0 ? 0 : -6;
}

int CDocx::ParseNumbering(const std::string& xml, std::map<std::string, std::vector<NumLevel>>* abstracts,
                          std::map<std::string, std::string>* nums) {
  NumberingHandler h(abstracts, nums);
  return xml::ReadMemory(xml.data(), xml.size(), h, xml::Options(), 8192) == 0 ? 0 : -6;
}

int CDocx::ParseSettings(const std::string& xml, NoteNumbers* numbers) {
  SettingsHandler h(numbers);
  return xml::ReadMemory(xml.data(), xml.size(), h, xml::Options(), 8192) == 0 ? 0 : -6;
}

int CDocx::StyleLevel(const std::map<std::string, Style>& styles, const std::string& id) {
  std::string cur = id;
  for (int step = 0; step < 10; ++step) {
    auto it = styles.find(cur);
    if (it == styles.end()) return 0;
    if (it->second.level >= 1) return it->second.level;
    cur = it->second.basedOn;
  }
  return 0;
}

std::string CDocx::FormatNumber(int n, const std::string& format) {
  if (format == "none" || format == "bullet") return "";
  if (n < 1 && format != "decimal" && format != "decimalZero") return std::to_string(n);
  if (format == "lowerLetter" || format == "upperLetter") {
    // a..z, then aa..zz, as Word counts.
    std::string s(static_cast<size_t>((n - 1) / 26 + 1) > 8 ? 8 : static_cast<size_t>((n - 1) / 26 + 1),
                  static_cast<char>('a' + (n - 1) % 26));
    if (format == "upperLetter")
      for (char& c : s) c = static_cast<char>(c - 32);
    return s;
  }
  if (format == "lowerRoman" || format == "upperRoman") {
    std::string s = Roman(n);
    if (format == "upperRoman")
      for (char& c : s) c = static_cast<char>(c - 32);
    return s;
  }
  if (format == "decimalZero" && n >= 0 && n < 10) return "0" + std::to_string(n);
  return std::to_string(n);
}
