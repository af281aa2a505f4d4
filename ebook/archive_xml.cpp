#include "ebook/archive_xml.h"

#include <new>

namespace {
constexpr int c_Piece = 8192;
}  // namespace

int ArchiveXml::Start(const std::string& name, const xml::Options& options) {
  End();
  if (m_Zip.OpenMember(name.c_str()) != 0) return -6;
  m_Reader.reset(new (std::nothrow) xml::Reader(m_Handler, options));
  if (!m_Reader) m_Zip.CloseMember();
  return m_Reader ? 0 : -3;
}

int ArchiveXml::Feed(size_t budget) {
  if (!m_Reader) return -6;
  char buf[c_Piece];
  int n = 0, r = 0;
  for (size_t fed = 0; fed < budget; fed += c_Piece) {
    if (m_Reader->Stopped() || (n = m_Zip.Read(buf, sizeof buf)) <= 0) break;
    if (m_Filter) {
      m_Filtered.clear();
      m_Filter->Pass(buf, static_cast<size_t>(n), &m_Filtered);
      r = m_Reader->Feed(m_Filtered.data(), m_Filtered.size());
    } else {
      r = m_Reader->Feed(buf, static_cast<size_t>(n));
    }
    if (r != 0) break;
    if (fed + c_Piece >= budget) return 1;
  }
  if (r == 0 && n >= 0) r = m_Reader->Finish();
  End();
  if (n < 0) return -6;
  return r == -2 ? -3 : r != 0 ? -5 : 0;
}

void ArchiveXml::End() {
  if (m_Reader) m_Zip.CloseMember();
  m_Reader.reset();
  m_Filter = nullptr;
}

int ReadArchiveXml(zip::Archive& zip, const std::string& name, xml::Handler& handler, const xml::Options& options) {
  ArchiveXml doc(zip, handler);
  int r = doc.Start(name, options);
  while (r == 0 && (r = doc.Feed(SIZE_MAX)) == 1) {
  }
  return r;
}
