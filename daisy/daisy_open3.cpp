// Opening a DAISY 3 book: the OPF's spine gives the SMIL files, the NCX's
// navigation map the headings and its page list the pages.
#include <string.h>
#include <strings.h>

#include <new>

#include "daisy/daisy.h"
#include "daisy/daisy_build.h"
#include "daisy/ncx.h"
#include "daisy/opf.h"
#include "daisy/smil.h"
#include "daisy/text_util.h"

namespace libDaisy {

int Daisy::OpenDaisy3(const char* path) {
  DaisyBuilder build(*this);
  m_Type = kDaisy3;
  m_Folder = FolderOf(path);

  Opf opf;
  int rc = build.ReadOpf(opf, path);
  if (rc != 0) return rc;
  if ((rc = build.SetTitle(opf.GetTitle())) != 0) return rc;
  if ((rc = build.CopyMeta(opf.GetMeta())) != 0) return rc;

  StringArray spine, types;
  if ((rc = opf.GetSpineItems(&spine, &types)) == -2) return rc;
  StringArray smilNames;
  smilNames.EnableCaseIndex();
  std::vector<DaisyBuilder::Range> ranges;
  Smil smil;
  try {
    for (int i = 0; i < spine.GetCnt(); i++) {
      // Package files sometimes put other files in the spine (a PDF, the text).
      if (!strcasestr(types.Get(i), "smil")) {
        Warn(-3, spine.Get(i), std::string("spine item of type ") + types.Get(i) + " skipped");
        continue;
      }
      std::string file;
      if (!NormalizeLink(spine.Get(i), &file) || file.empty()) {
        Warn(-1, spine.Get(i), "spine item outside the book's folder");
        continue;
      }
      if (smilNames.CaseFind(file.c_str()) >= 0) continue;  // named twice: read once
      if (smilNames.Add(file.c_str()) != 0) return -2;
      ranges.emplace_back();
      if ((rc = build.ReadSmil(smil, file, true, &ranges.back())) != 0) return rc;
    }
  } catch (const std::bad_alloc&) {
    return -2;
  }
  if (smilNames.GetCnt() == 0 || smil.GetTotalElements() == 0) return -3;
  if ((rc = build.Finish(smil)) != 0) return rc;

  const char* ncxName = opf.GetNcxFilename();
  if (!ncxName) return 0;
  Ncx ncx;
  if (build.ReadNcx(ncx, ncxName) != 0) return 0;  // the book plays without navigation
  try {
    const NavMap* map = ncx.GetNavMap();
    int previous = -1;
    for (int i = 0; i < map->GetCnt(); i++) {
      const char *label, *target;
      int level;
      map->Get(i, &label, &target, &level);
      int element = build.Resolve(smil, smilNames, ranges, target, previous, "navigation point");
      previous = element;
      // Deeper points than the six heading levels count as level 6.
      m_HeadingElements.push_back(element);
      m_HeadingLevels.push_back(level < 1 ? 1 : level > 6 ? 6 : level);
      if (m_HeadingTexts.Add(label) != 0) return -2;
    }
    const NavList* pages = ncx.GetPageList();
    previous = -1;
    for (int i = 0; i < pages->GetCnt(); i++) {
      const char *label, *target;
      pages->Get(i, &label, &target);
      int element = build.Resolve(smil, smilNames, ranges, target, previous, "page target");
      previous = element;
      m_PageElements.push_back(element);
      if (m_PageLabels.Add(label) != 0) return -2;
    }
  } catch (const std::bad_alloc&) {
    return -2;
  }
  return 0;
}

}  // namespace libDaisy
