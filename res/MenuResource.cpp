// Menu 139, the main window's menu bar, and the string table.
#include "MenuResource.h"

#include "ResourceIds.h"

const MenuTemplate* FindMenuTemplate(int id) {
    using namespace MainDialogIds;
    static const MenuTemplate mainMenu = {
        kMainMenuId,
        {
            {"ファイル(&F)",
             {{kSaveMenuId, "保存(&S)"},
              {kSyncMenuId, "同期(&Y)"},
              {kExportIcsMenuId, "エクスポート (iCalendar)..."},
              {kExportIcsEventsMenuId, "エクスポート (iCalendar 予定)..."},
              {kImportIcsMenuId, "インポート (iCalendar)..."},
              {kRestoreVersionMenuId, "以前の版に戻す..."},
              {kSaveExitMenuId, "保存・終了(&E)"},
              {kExitNoSaveMenuId, "保存しないで終了(&X)"}}},
            {"編集(&E)",
             {{kUndoMenuId, "元に戻す(&U)"},
              {kRedoMenuId, "やり直し(&R)"},
              {kUndoStopMenuId, "これより前には戻せません"}}},
            {"表示(&V)", {{kMonthPaneMenuId, "月表示"}}},
            {"設定(&S)", {{kConnectMenuId, "接続(&C)..."}, {kNotifyMenuId, "通知する"}}},
            {"ヘルプ(&H)", {{kAboutMenuId, "バージョン情報(&A)..."}}},
        }};
    return id == kMainMenuId ? &mainMenu : nullptr;
}

std::string LoadResourceString(int id) {
    return id == kAboutEntryStringId ? "バージョン情報 veskat(&A)..." : "";
}
