// The phrase tables of each language and the lookup shared by both.
#pragma once

#include <cstdint>

#include "speech/ux_language.h"
#include "speech/ux_phrase_ids.h"

constexpr int kUxCharacterCount = 152;

struct CharacterDes {
  uint16_t code;
  const char* name;
};

// The text of `id`: its own position first, else a search of the whole
// table (both with a diagnostic line); nullptr when there is none.
const char* FindInStrInfo(const UxstrInfo* table, int count, int id);

namespace uxen {
extern const UxstrInfo c_UxstrInfo[kUxPhraseCount];
extern const UxstrInfo c_UxstrInfo_Int[kUxIntFormatCount];
extern const UxstrInfo c_UxstrInfo_String[kUxTextFormatCount];
extern const CharacterDes c_CharacterDes[kUxCharacterCount];
extern const char* const c_MonthDes[12];
extern const char* const c_WeekdayDes[7];
extern const char* const c_DayDes[31];
}  // namespace uxen

namespace uxpl {
extern const UxstrInfo c_UxstrInfo[kUxPhraseCount];
extern const UxstrInfo c_UxstrInfo_Int[kUxIntFormatCount];
extern const UxstrInfo c_UxstrInfo_String[kUxTextFormatCount];
extern const CharacterDes c_CharacterDes[kUxCharacterCount];
extern const char* const c_MonthDes[12];         // nominative: "maj"
extern const char* const c_MonthDesGenitive[12];  // in dates: "15 maja"
extern const char* const c_WeekdayDes[7];
}  // namespace uxpl
