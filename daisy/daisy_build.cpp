#include "daisy/daisy_build.h"

#include <unistd.h>

#include <cstring>
#include <new>

#include "core/base/diag.h"
#include "daisy/ncc.h"
#include "daisy/ncx.h"
#include "daisy/opf.h"
#include "daisy/smil.h"
#include "daisy/text_util.h"
#include "daisy/xhtml.h"
#include "platform/board.h"

namespace libDaisy {
namespace {

std::string Describe(const XmlParseInfo& info) {
  if (info.xmlError == 0) return info.message.empty() ? "cannot be read" : info.message;
  return "line " + std::to_string(info.line) + ": " + info.message;
}

std::string BaseName(const char* path) {
  const char* slash = strrchr(path, '/');
  return slash ? slash + 1 : path;
}

}  // namespace

void SplitTarget(std::string_view target, std::string_view* file, std::string_view* fragment) {
  size_t hash = target.find('#');
  if (hash == std::string_view::npos) {
    *file = target;
    *fragment = std::string_view();
  } else {
    *file = target.substr(0, hash);
    *fragment = target.substr(hash + 1);
  }
}

std::string DaisyBuilder::Resolved(std::string_view link, const char* what) {
  std::string name;
  if (!NormalizeLink(link, &name)) {
    m_Book.Warn(-1, std::string(link.substr(0, 200)), std::string(what) + ": outside the book's folder");
    return std::string();
  }
  std::string path = ResolveFile(m_Book.m_Folder, name, kMaxDaisyPath);
  if (path.empty()) m_Book.Warn(-1, std::string(name.substr(0, 200)), std::string(what) + ": name too long");
  return path;
}

int DaisyBuilder::ReadNcc(Ncc& ncc, const char* path) {
  int rc = ncc.OpenLenient(path);
  if (rc == 0 && ncc.WasRepaired()) {
    const std::string& encoding = ncc.GetRepairEncoding();
    m_Book.Warn(-3, BaseName(path), "not well-formed (" + Describe(ncc.GetRepairInfo()) +
                                        "), read as HTML" +
                                        (encoding.empty() ? std::string() : " in " + encoding));
  }
  return rc;
}

int DaisyBuilder::ReadOpf(Opf& opf, const char* path) {
  std::string encoding;
  XmlParseInfo first;
  int rc = opf.OpenRepaired(path, false, &encoding, &first);
  if (rc == 0 && !encoding.empty())
    m_Book.Warn(-3, BaseName(path), Describe(first) + ", read as " + encoding);
  return rc;
}

int DaisyBuilder::ReadNcx(Ncx& ncx, const std::string& name) {
  std::string path = Resolved(name, "navigation file");
  if (path.empty()) return -1;
  int rc = ncx.Open(path.c_str());
  if (rc == -3 && ncx.GetParseInfo().badEncoding) {
    XmlParseInfo first = ncx.GetParseInfo();
    std::string encoding = RepairEncoding(path.c_str());
    XmlReadOptions forced;
    forced.encoding = encoding.c_str();
    if (!encoding.empty() && (rc = ncx.Open(path.c_str(), forced)) == 0)
      m_Book.Warn(-3, name, Describe(first) + ", read as " + encoding);
  }
  if (rc != 0) m_Book.Warn(rc, name, "navigation file: " + Describe(ncx.GetParseInfo()));
  return rc;
}

int DaisyBuilder::ReadSmil(Smil& smil, const std::string& name, bool daisy3, Range* range) {
  range->begin = range->end = smil.GetTotalElements();
  std::string path = Resolved(name, "SMIL file");
  if (path.empty()) return 0;
  Smil::Mark mark = smil.GetMark();
  int rc = smil.Open(path.c_str(), daisy3, false);
  XmlParseInfo first = smil.GetParseInfo();
  if (rc == -3 && first.badEncoding) {
    std::string encoding = RepairEncoding(path.c_str());
    XmlReadOptions forced;
    forced.encoding = encoding.c_str();
    if (!encoding.empty()) {
      smil.Rollback(mark);
      rc = smil.Open(path.c_str(), daisy3, false, forced);
      if (rc == 0) m_Book.Warn(-3, name, Describe(first) + ", read as " + encoding);
    }
  }
  range->end = smil.GetTotalElements();
  for (const std::string& link : smil.Refused())
    m_Book.Warn(-1, link, "link in " + name + " leads outside the book's folder");
  smil.Refused().clear();
  if (rc == -2) return -2;
  if (rc != 0) {
    std::string what = BAccess(path.c_str(), R_OK) != 0 ? "SMIL file missing"
                                                         : "SMIL file: " + Describe(smil.GetParseInfo());
    if (range->end > range->begin) what += " (elements before the fault kept)";
    m_Book.Warn(rc, name, what);
  }
  return 0;
}

int DaisyBuilder::ReadText(Xhtml& doc, const std::string& name) {
  std::string path = Resolved(name, "text document");
  if (path.empty()) return -1;
  if (BAccess(path.c_str(), R_OK) != 0) {
    m_Book.Warn(-1, name, "text document missing");
    return -1;
  }
  int rc = doc.Open(path.c_str());
  if (rc != -3) {
    if (rc != 0) m_Book.Warn(rc, name, "text document: too deeply nested, read in part");
    return rc;
  }
  // XHTML that is not well-formed is usually plain HTML.
  XmlParseInfo first = doc.GetParseInfo();
  XmlReadOptions html;
  html.html = true;
  std::string encoding = first.badEncoding ? RepairEncoding(path.c_str()) : std::string();
  if (!encoding.empty()) html.encoding = encoding.c_str();
  rc = doc.Open(path.c_str(), html);
  m_Book.Warn(-3, name, "text document not well-formed (" + Describe(first) + ")" +
                            (rc != 0 ? std::string() : encoding.empty() ? ", read as HTML"
                                                                        : ", read as HTML in " + encoding));
  return rc;
}

int DaisyBuilder::Finish(const Smil& smil) {
  Daisy& b = m_Book;
  // Text documents, in the order the SMIL files name them.
  const StringArray* texts = smil.GetTextFilenames();
  std::vector<Xhtml*> docs;
  try {
    // Pieces are what the SMIL files point at.
    std::vector<std::vector<std::string_view>> referenced(static_cast<size_t>(texts->GetCnt()));
    for (int e = 0; e < smil.GetTotalElements(); e++) {
      const SmilElement* el = smil.GetElement(e);
      const char* fragment = el->kind == kObjectText ? smil.GetFragment(el->start) : nullptr;
      if (fragment && el->file >= 0 && el->file < texts->GetCnt())
        referenced[static_cast<size_t>(el->file)].emplace_back(fragment);
    }
    for (int i = 0; i < texts->GetCnt(); i++) {
      if (b.m_XhtmlNames.Add(texts->Get(i)) != 0) return -2;
      b.m_Xhtmls.emplace_back(new Xhtml);
      b.m_Xhtmls.back()->SetReferencedIds(referenced[static_cast<size_t>(i)]);
      ReadText(*b.m_Xhtmls.back(), texts->Get(i));
      // The ids view the SMIL's fragments, which do not outlive the open.
      b.m_Xhtmls.back()->SetReferencedIds({});
      docs.push_back(b.m_Xhtmls.back().get());
    }
    b.m_Objects.resize(static_cast<size_t>(smil.GetTotalElements()));
  } catch (const std::bad_alloc&) {
    return -2;
  }
  if (!b.m_Objects.empty())
    smil.GetObjects(docs.data(), static_cast<int>(docs.size()), b.m_Objects.data(),
                    static_cast<int>(b.m_Objects.size()));

  b.m_AudioNames.reset(smil.GetAudioFilenames()->Copy());
  if (!b.m_AudioNames) return -2;
  for (int i = 0; i < b.m_AudioNames->GetCnt(); i++) {
    std::string path = JoinPath(b.m_Folder, b.m_AudioNames->Get(i), kMaxDaisyPath);
    if (!path.empty() && BAccess(path.c_str(), R_OK) != 0)
      b.Warn(-1, b.m_AudioNames->Get(i), "audio file missing; its clips will be skipped");
  }
  return 0;
}

int DaisyBuilder::Resolve(const Smil& smil, const StringArray& smilNames,
                          const std::vector<Range>& ranges, std::string_view target, int from,
                          const char* what) {
  std::string_view link, fragment;
  SplitTarget(target, &link, &fragment);
  std::string file;
  NormalizeLink(link, &file);
  int index = smilNames.CaseFind(file.data(), static_cast<int>(file.size()));
  if (index < 0) {
    m_Book.Warn(-3, std::string(target), std::string(what) + ": not in the book's reading order");
    return -1;
  }
  const Range& r = ranges[index];
  if (r.begin == r.end) return -1;  // the file itself is already reported
  if (fragment.empty()) return r.begin;
  int element = smil.FindElementById(fragment.data(), static_cast<int>(fragment.size()), r.begin,
                                     r.end, from);
  if (element < 0) m_Book.Warn(-3, std::string(target), std::string(what) + ": no such id");
  return element;
}

int DaisyBuilder::SetTitle(const char* title) {
  if (!title) return 0;
  try {
    m_Book.m_Title = title;
  } catch (const std::bad_alloc&) {
    return -2;
  }
  m_Book.m_HasTitle = true;
  return 0;
}

int DaisyBuilder::CopyMeta(const Meta* meta) {
  if (!meta) return 0;
  m_Book.m_Meta.reset(meta->Copy());
  return m_Book.m_Meta ? 0 : -2;
}

}  // namespace libDaisy
