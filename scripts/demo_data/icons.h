// The player pictures and the program's icon. Each function writes its files and gives
// false when one could not be written.
#pragma once

// The hero and coat-of-arms pictures in "players", PlayerSize x PlayerSize; among them the
// pictures players.xml names, the others are there to choose from.
bool make_hero_icons();

// The program's icon as icons/hicolor/<n>x<n>/apps/tavrel.png for every size of the icon
// theme, creating those folders.
bool make_app_icons();
