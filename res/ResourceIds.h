// Numeric identifiers of the program's resources: dialog templates, the menu,
// the string table entry, the icon and the state-image bitmap. Windows and
// tests name a resource by these numbers, never by a literal.
#pragma once

inline constexpr int kAboutDialogId = 100;
inline constexpr int kMainDialogId = 102;
inline constexpr int kIndivEditorDialogId = 129;
inline constexpr int kRepEditorDialogId = 131;
inline constexpr int kConnectDialogId = 140;
inline constexpr int kPasswordDialogId = 142;

inline constexpr int kMainMenuId = 139;
inline constexpr int kAboutEntryStringId = 101;
inline constexpr int kAppIconId = 136;
inline constexpr int kStateBitmapId = 135;

// Control identifiers with a fixed meaning in every dialog.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
// Controls nobody refers to (labels, group boxes, the About icon).
inline constexpr int kIdStatic = -1;
