#include "daisy/meta.h"

#include <new>

#include "daisy/dump.h"

namespace libDaisy {

int Meta::Add(const char* name, const char* content, int nameLength, int contentLength) {
  if (!name || !content) return -1;
  int rc = m_Names.Add(name, nameLength);
  if (rc != 0) return rc;
  rc = m_Contents.Add(content, contentLength);
  if (rc != 0) m_Names.RemoveLastOne();
  return rc;
}

int Meta::Get(int index, const char** name, const char** content) const {
  if (index < 0 || index >= m_Names.GetCnt()) return -1;
  if (name) *name = m_Names.Get(index);
  if (content) *content = m_Contents.Get(index);
  return 0;
}

const char* Meta::Get(const char* name) const { return m_Contents.Get(m_Names.Find(name)); }

const char* Meta::CaseGet(const char* name) const {
  return m_Contents.Get(m_Names.CaseFind(name));
}

Meta* Meta::Copy() const {
  Meta* copy = new (std::nothrow) Meta;
  if (!copy) return nullptr;
  for (int i = 0; i < GetCnt(); i++) {
    if (copy->Add(m_Names.Get(i), m_Contents.Get(i)) != 0) {
      delete copy;
      return nullptr;
    }
  }
  return copy;
}

void Meta::Clean() {
  m_Names.Clean();
  m_Contents.Clean();
}

void Meta::Dump(std::string& out) const {
  DumpLine(out, "meta %d", GetCnt());
  for (int i = 0; i < GetCnt(); i++) {
    out += "  ";
    DumpQuoted(out, m_Names.Get(i));
    out += " = ";
    DumpQuoted(out, m_Contents.Get(i));
    out += '\n';
  }
}

void Meta::PrintInfo() const {
  PrintDump([this](std::string& out) { Dump(out); });
}

}  // namespace libDaisy
