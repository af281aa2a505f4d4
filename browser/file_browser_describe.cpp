// What the browser's keys do, for the key describer.
#include "browser/file_browser.h"
#include "core/ui/key_describer.h"
#include "speech/ux_language.h"

std::string FileBrowser::DescribeKey(int code, int held) {
  if (held >= 0) return iWindow::DescribeKey(code, held);
  const bool arrow = code == KEY_UP || code == KEY_DOWN || code == KEY_LEFT || code == KEY_RIGHT;
  // At the disk choice every arrow goes to the other disk.
  if (arrow && m_Level < 2) return PhraseText(UxPhrase::KeyTheOtherDisk);
  switch (code) {
    case KEY_UP:
      return PhraseText(UxPhrase::KeyThePreviousEntry);
    case KEY_DOWN:
      return PhraseText(UxPhrase::KeyTheNextEntry);
    case KEY_LEFT:
      return PhraseText(UxPhrase::KeyATenthOfTheList);
    case KEY_RIGHT:
      return PhraseText(UxPhrase::KeyATenthOfTheList2);
    case KEY_PLAY:
      return PhraseText(UxPhrase::KeyOpensTheFolderTheBook);
    case KEY_BACK:
      return PhraseText(UxPhrase::KeyGoesUpToTheFolder);
    case KEY_MENU:
      return PhraseText(UxPhrase::KeyOpensTheMainMenu);
    case KEY_MUSIC:
      return PhraseText(UxPhrase::KeyPlaysTheMusicFilePlayed);
    case KEY_INFO:
      return PhraseText(UxPhrase::KeySaysTheEntryItsSize);
    default:
      return iWindow::DescribeKey(code, held);
  }
}
