// The HTML5 named character references as data.
#pragma once

struct HtmlEntity {
  const char* name;  // "amp;", or a legacy form without ";" ("amp")
  unsigned first;
  unsigned second;   // 0 for a single character
};

extern const HtmlEntity c_HtmlEntities[];
extern const int c_HtmlEntityCount;
