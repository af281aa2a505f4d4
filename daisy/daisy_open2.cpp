// Opening a DAISY 2.02 book: the NCC's entries become headings and pages, the
// SMIL files they link to (in order of first mention) the object list.
#include <strings.h>

#include <new>

#include "daisy/daisy.h"
#include "daisy/daisy_build.h"
#include "daisy/ncc.h"
#include "daisy/smil.h"
#include "daisy/text_util.h"

namespace libDaisy {
namespace {

enum EntryKind { kIgnored = 0, kSpan = -1, kPage = -2 };  // 1..6: heading level

int Classify(const char* name, const char* cls) {
  if ((name[0] == 'h' || name[0] == 'H') && name[1] >= '1' && name[1] <= '6' && name[2] == 0)
    return name[1] - '0';
  if (strcasecmp(name, "span") == 0) {
    if (strcasecmp(cls, "page-front") == 0 || strcasecmp(cls, "page-normal") == 0 ||
        strcasecmp(cls, "page-special") == 0)
      return kPage;
    return kSpan;
  }
  return kIgnored;
}

}  // namespace

int Daisy::OpenDaisy2(const char* path) {
  DaisyBuilder build(*this);
  m_Type = kDaisy202;
  m_Folder = FolderOf(path);

  Ncc ncc;
  int rc = build.ReadNcc(ncc, path);
  if (rc != 0) return rc;
  if ((rc = build.SetTitle(ncc.GetTitle())) != 0) return rc;
  if ((rc = build.CopyMeta(ncc.GetMeta())) != 0) return rc;

  const StringArray *names, *classes, *hrefs, *texts;
  if (ncc.GetHeaderDatas(&names, &classes, &hrefs, &texts) != 0) return -1;
  int entries = names->GetCnt();
  if (entries == 0) return -3;

  // The SMIL files in order of first mention, each read once.
  StringArray smilNames;
  smilNames.EnableCaseIndex();
  std::vector<int> kinds, elements;
  std::vector<DaisyBuilder::Range> ranges;
  Smil smil;
  bool hasPages = false;
  try {
    kinds.resize(entries);
    elements.assign(entries, -1);
    for (int i = 0; i < entries; i++) {
      kinds[i] = Classify(names->Get(i), classes->Get(i));
      if (kinds[i] == kPage) hasPages = true;
      // Every linked SMIL file is in the reading order, also one that only a
      // div or another entry that is no heading or page leads to.
      std::string_view link, fragment;
      SplitTarget(hrefs->Get(i), &link, &fragment);
      std::string file;
      if (!NormalizeLink(link, &file)) {
        Warn(-1, std::string(link.substr(0, 200)), "NCC link outside the book's folder");
        continue;
      }
      if (file.empty() || smilNames.CaseFind(file.data(), static_cast<int>(file.size())) >= 0)
        continue;
      if (smilNames.Add(file.data(), static_cast<int>(file.size())) != 0) return -2;
      ranges.emplace_back();
      if ((rc = build.ReadSmil(smil, file, false, &ranges.back())) != 0) return rc;
    }
  } catch (const std::bad_alloc&) {
    return -2;
  }
  if (smil.GetTotalElements() == 0) return -3;

  int previous = -1;
  for (int i = 0; i < entries; i++) {
    if (kinds[i] == kIgnored) continue;
    std::string_view file, fragment;
    SplitTarget(hrefs->Get(i), &file, &fragment);
    if (file.empty()) {
      Warn(-3, hrefs->Get(i), "entry links to no SMIL file");
      continue;
    }
    elements[i] = build.Resolve(smil, smilNames, ranges, hrefs->Get(i), previous, "NCC entry");
    previous = elements[i];
  }

  try {
    for (int i = 0; i < entries; i++) {
      if (kinds[i] >= 1) {
        m_HeadingElements.push_back(elements[i]);
        m_HeadingLevels.push_back(kinds[i]);
        if (m_HeadingTexts.Add(texts->Get(i)) != 0) return -2;
      } else if (kinds[i] == (hasPages ? kPage : kSpan)) {
        // Without a single page entry, the plain spans stand for the pages.
        m_PageElements.push_back(elements[i]);
        if (m_PageLabels.Add(texts->Get(i)) != 0) return -2;
      }
    }
  } catch (const std::bad_alloc&) {
    return -2;
  }
  return build.Finish(smil);
}

}  // namespace libDaisy
