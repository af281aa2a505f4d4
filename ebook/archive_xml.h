// An XML member of an archive streamed to a SAX handler in 8 KiB pieces, so a
// large chapter or document is never held whole.
#pragma once

#include <string>

#include "core/lib/xml/xml_reader.h"
#include "core/lib/zip/archive.h"

// 0; -6 the member is missing or its data damaged; -5 not well-formed XML
// (what was read so far has been delivered); -3 no memory.
int ReadArchiveXml(zip::Archive& zip, const std::string& name, xml::Handler& handler, const xml::Options& options);
