// What the players' keys do, in the words they share, for the key describer.
#pragma once

#include <string>

// A key of a player's settings or bookmark menu; "" for keys it leaves to
// the window.
std::string DescribePlayerMenuKey(int code);
// Play, back, the arrows left and right (moving as up and down chose) and
// the bookmark key of a player outside its menus; "" for the others.
std::string DescribePlayerKey(int code);
