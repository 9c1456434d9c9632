// Numeric identifiers of the program's resources and of the controls and menu
// commands in them. Each is named once here, beside the templates that use it;
// windows and tests refer to the names, never to the numbers.
#pragma once

#include <array>

inline constexpr int kAboutDialogId = 100;
inline constexpr int kMainDialogId = 102;
inline constexpr int kIndivEditorDialogId = 129;
inline constexpr int kRepEditorDialogId = 131;
inline constexpr int kConnectDialogId = 140;
inline constexpr int kPasswordDialogId = 142;
inline constexpr int kVersionsDialogId = 146;
inline constexpr int kImportPreviewDialogId = 148;

inline constexpr int kMainMenuId = 139;
inline constexpr int kAboutEntryStringId = 101;
inline constexpr int kAppIconId = 136;
inline constexpr int kStateBitmapId = 135;

// Control identifiers with a fixed meaning in every dialog.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
// Controls nobody refers to (labels, group boxes, the About icon).
inline constexpr int kIdStatic = -1;

// The main window (dialog 102) and the commands of its menu (139).
namespace MainDialogIds {
inline constexpr int kListId = 1000;
inline constexpr int kAddId = 1004;
inline constexpr int kIndivRadioId = 1005;
inline constexpr int kRepRadioId = 1006;
inline constexpr int kSaveExitId = 1007;
inline constexpr int kDeleteId = 1008;
inline constexpr int kSaveId = 1009;
inline constexpr int kBatchId = 1027;

inline constexpr int kExitNoSaveMenuId = 141;
inline constexpr int kSaveMenuId = 157;
inline constexpr int kSaveExitMenuId = 158;
inline constexpr int kConnectMenuId = 159;
inline constexpr int kExportIcsMenuId = 160;
inline constexpr int kImportIcsMenuId = 163;
inline constexpr int kExportIcsEventsMenuId = 164;
inline constexpr int kNotifyMenuId = 161;
inline constexpr int kRestoreVersionMenuId = 165;
inline constexpr int kSyncMenuId = 166;
// ヘルプ → バージョン情報: the About box, as the system menu's About entry opens it.
inline constexpr int kAboutMenuId = 170;
// The 編集 menu: undo, redo, and the disabled entry that says why undo stops.
inline constexpr int kUndoMenuId = 180;
inline constexpr int kRedoMenuId = 181;
inline constexpr int kUndoStopMenuId = 182;
// 表示 → 月表示: the month pane shown or hidden.
inline constexpr int kMonthPaneMenuId = 190;
}  // namespace MainDialogIds

// The individual-subject editor (dialog 129).
namespace IndivEditorIds {
inline constexpr int kYearEdit = 1009;
inline constexpr int kMonthList = 1010;
inline constexpr int kDayList = 1011;
inline constexpr int kTitleEdit = 1012;
inline constexpr int kMinuteList = 1014;
inline constexpr int kContentEdit = 1015;
inline constexpr int kProgressList = 1016;
inline constexpr int kHourList = 1017;
}  // namespace IndivEditorIds

// The repeating-subject editor (dialog 131).
namespace RepEditorIds {
inline constexpr int kYearlyMonthList = 1010;
inline constexpr int kYearlyDayList = 1011;
inline constexpr int kTitleEdit = 1012;
inline constexpr int kMonthlyDayList = 1013;
inline constexpr int kProgressList = 1016;
inline constexpr int kMonthlyWeekList = 1017;
inline constexpr int kMonthlyWeekdayList = 1018;
inline constexpr int kMinuteList = 1020;
inline constexpr int kHourList = 1021;
inline constexpr int kContentEdit = 1022;
// The weekly check boxes, Monday first, Sunday last, as in RepSubj::weekly.
inline constexpr std::array<int, 7> kWeekdayBoxes = {1026, 1030, 1031, 1032, 1033, 1034, 1035};
}  // namespace RepEditorIds

// The connection settings dialog (dialog 140).
namespace ConnectDialogIds {
inline constexpr int kUseServerId = 1028;
inline constexpr int kUserIdEdit = 1030;
inline constexpr int kHostNameEdit = 1032;
inline constexpr int kPortEdit = 1033;
inline constexpr int kIndivPathEdit = 1034;
inline constexpr int kRepPathEdit = 1035;
inline constexpr int kUseTlsId = 1036;
inline constexpr int kCaFileEdit = 1037;
inline constexpr int kCaFileBrowseId = 1038;
// The CalDAV server, the other kind; one of the two kinds is on at a time.
inline constexpr int kUseDavId = 1040;
inline constexpr int kDavAddressEdit = 1041;
inline constexpr int kDavUserIdEdit = 1042;
inline constexpr int kDavPasswordEdit = 1043;
inline constexpr int kDavDiscoverId = 1044;
inline constexpr int kDavListList = 1045;
inline constexpr int kDavCaFileEdit = 1046;
inline constexpr int kDavCaFileBrowseId = 1047;
inline constexpr int kDavStatusText = 1048;
}  // namespace ConnectDialogIds

// The password prompt (dialog 142).
namespace PasswordDialogIds {
inline constexpr int kPasswordEdit = 1031;
inline constexpr int kSavePasswordId = 1032;
}  // namespace PasswordDialogIds

// The window of earlier versions (dialog 146).
namespace VersionsDialogIds {
inline constexpr int kVersionList = 1040;
inline constexpr int kDifference = 1041;
}  // namespace VersionsDialogIds

// The preview of an iCalendar import (dialog 148).
namespace ImportPreviewIds {
inline constexpr int kSummary = 1045;
}  // namespace ImportPreviewIds
