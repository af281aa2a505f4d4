#include "players/kit/key_texts.h"

#include "core/base/keys.h"
#include "core/ui/key_describer.h"

std::string DescribePlayerMenuKey(int code) {
  switch (code) {
    case KEY_UP:
    case KEY_DOWN:
      return KeyText("the previous or next item", "poprzednia lub następna pozycja");
    case KEY_LEFT:
    case KEY_RIGHT:
      return KeyText("changes the value or steps through the list",
                     "zmienia wartość lub przechodzi po liście");
    case KEY_PLAY:
      return KeyText("confirms", "zatwierdza");
    case KEY_BACK:
    case KEY_MENU:
      return KeyText("leaves the menu", "opuszcza menu");
    default:
      return "";
  }
}

std::string DescribePlayerKey(int code) {
  switch (code) {
    case KEY_PLAY:
      return KeyText("pauses or plays", "wstrzymuje lub wznawia");
    case KEY_BACK:
      return KeyText("closes the book", "zamyka książkę");
    case KEY_LEFT:
      return KeyText("moves back as chosen with up and down",
                     "przesuwa wstecz, jak wybrano górą i dołem");
    case KEY_RIGHT:
      return KeyText("moves on as chosen with up and down",
                     "przesuwa naprzód, jak wybrano górą i dołem");
    case KEY_BOOKMARK:
      return KeyText("adds, lists and highlights bookmarks", "dodaje, wylicza i zaznacza zakładki");
    default:
      return "";
  }
}
