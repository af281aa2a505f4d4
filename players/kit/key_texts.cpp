#include "players/kit/key_texts.h"

#include "core/base/keys.h"
#include "core/ui/key_describer.h"

std::string DescribePlayerMenuKey(int code) {
  if (code == KEY_UP || code == KEY_DOWN)
    return KeyText("the previous or next item", "poprzednia lub następna pozycja");
  if (code == KEY_LEFT || code == KEY_RIGHT)
    return KeyText("changes the value or steps through the list",
                   "zmienia wartość lub przechodzi po liście");
  if (code == KEY_PLAY) return KeyText("confirms", "zatwierdza");
  if (code == KEY_BACK || code == KEY_MENU) return KeyText("leaves the menu", "opuszcza menu");
  return "";
}

std::string DescribePlayerKey(int code) {
  if (code == KEY_PLAY) return KeyText("pauses or plays", "wstrzymuje lub wznawia");
  if (code == KEY_BACK) return KeyText("closes the book", "zamyka książkę");
  if (code == KEY_LEFT)
    return KeyText("moves back as chosen with up and down",
                   "przesuwa wstecz, jak wybrano górą i dołem");
  if (code == KEY_RIGHT)
    return KeyText("moves on as chosen with up and down",
                   "przesuwa naprzód, jak wybrano górą i dołem");
  if (code == KEY_BOOKMARK)
    return KeyText("adds, lists and highlights bookmarks", "dodaje, wylicza i zaznacza zakładki");
  return "";
}
