#include "ebook/archive_xml.h"

int ReadArchiveXml(zip::Archive& zip, const std::string& name, xml::Handler& handler, const xml::Options& options) {
  if (zip.OpenMember(name.c_str()) != 0) return -6;
  xml::Reader reader(handler, options);
  char buf[8192];
  int n = 0, r = 0;
  while (r == 0 && !reader.Stopped() && (n = zip.Read(buf, sizeof buf)) > 0) r = reader.Feed(buf, static_cast<size_t>(n));
  if (r == 0 && n >= 0) r = reader.Finish();
  zip.CloseMember();
  if (n < 0) return -6;
  return r == -2 ? -3 : r != 0 ? -5 : 0;
}
