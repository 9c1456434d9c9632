// Menu 139, the main window's menu bar, and the string table.
#include "MenuResource.h"

#include "ResourceIds.h"

const MenuTemplate* FindMenuTemplate(int id) {
    static const MenuTemplate mainMenu = {
        kMainMenuId,
        {
            {"ファイル(&F)",
             {{157, "保存(&S)"}, {158, "保存・終了(&E)"}, {141, "保存しないで終了(&X)"}}},
            {"設定(&S)", {{159, "接続(&C)..."}}},
        }};
    return id == kMainMenuId ? &mainMenu : nullptr;
}

std::string LoadResourceString(int id) {
    return id == kAboutEntryStringId ? "バージョン情報 veskat(&A)..." : "";
}
