// What the browser's keys do, for the key describer.
#include "browser/file_browser.h"
#include "core/ui/key_describer.h"

std::string FileBrowser::DescribeKey(int code, int held) {
  if (held >= 0) return iWindow::DescribeKey(code, held);
  const bool arrow = code == KEY_UP || code == KEY_DOWN || code == KEY_LEFT || code == KEY_RIGHT;
  // At the disk choice every arrow goes to the other disk.
  if (arrow && m_Level < 2) return KeyText("the other disk", "drugi dysk");
  switch (code) {
    case KEY_UP:
      return KeyText("the previous entry", "poprzednia pozycja");
    case KEY_DOWN:
      return KeyText("the next entry", "następna pozycja");
    case KEY_LEFT:
      return KeyText("a tenth of the list back", "o jedną dziesiątą listy wstecz");
    case KEY_RIGHT:
      return KeyText("a tenth of the list on", "o jedną dziesiątą listy dalej");
    case KEY_PLAY:
      return KeyText("opens the folder, the book or the file", "otwiera folder, książkę lub plik");
    case KEY_BACK:
      return KeyText("goes up to the folder above", "wraca do folderu wyżej");
    case KEY_MENU:
      return KeyText("opens the main menu", "otwiera menu główne");
    case KEY_MUSIC:
      return KeyText("plays the music file played last", "odtwarza ostatnio słuchaną muzykę");
    case KEY_INFO:
      return KeyText("says the entry, its size and place; pressed twice, the time and date; "
                     "three times, the battery",
                     "mówi pozycję, jej rozmiar i miejsce; dwa razy: godzinę i datę; trzy razy: "
                     "stan baterii");
    default:
      return iWindow::DescribeKey(code, held);
  }
}
