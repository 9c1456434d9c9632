// The main window's menu bar and the string table as plain data, with their
// identifiers. Texts are UTF-8 and keep their '&' mnemonic markers.
#pragma once

#include <string>
#include <vector>

struct MenuItemTemplate {
    int id;  // command identifier sent when the item is chosen
    std::string text;
};

struct MenuPopupTemplate {
    std::string text;  // the entry on the menu bar
    std::vector<MenuItemTemplate> items;
};

struct MenuTemplate {
    int id;
    std::vector<MenuPopupTemplate> popups;  // left to right
};

// Menu resource `id` (kMainMenuId), or nullptr for an unknown id.
const MenuTemplate* FindMenuTemplate(int id);

// String resource `id` (kAboutEntryStringId), or an empty string for an unknown id.
std::string LoadResourceString(int id);
