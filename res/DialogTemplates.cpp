// The eight dialog templates of the program. Controls are listed in template
// order, which is also the tab order of those that take the focus.
#include <cstdio>

#include "DialogTemplate.h"
#include "ResourceIds.h"

namespace {

using Items = std::vector<std::string>;

// "01" ... "12" and the like: two-digit numbers from `first` to `last`.
Items TwoDigitNumbers(int first, int last) {
    Items items;
    for (int n = first; n <= last; ++n) {
        char text[8];
        std::snprintf(text, sizeof text, "%02d", n);
        items.emplace_back(text);
    }
    return items;
}

Items UnsetThen(Items items) {
    items.insert(items.begin(), "未");
    return items;
}

ControlTemplate Button(int id, int x, int y, int w, int h, const char* caption) {
    return {id, ControlKind::PushButton, x, y, w, h, caption, kTabStop, {}};
}

ControlTemplate DefaultButton(int id, int x, int y, int w, int h, const char* caption) {
    return {id, ControlKind::DefaultPushButton, x, y, w, h, caption, kTabStop, {}};
}

ControlTemplate Edit(int id, int x, int y, int w, int h, unsigned style = kStyleNone) {
    return {id, ControlKind::Edit, x, y, w, h, "", kTabStop | style, {}};
}

ControlTemplate MultiLineEdit(int id, int x, int y, int w, int h) {
    return {id, ControlKind::MultiLineEdit, x, y, w, h, "", kTabStop | kVScroll, {}};
}

ControlTemplate DropDown(int id, int x, int y, int w, int h, Items items) {
    return {id, ControlKind::DropDownList, x, y, w, h, "", kTabStop | kVScroll, std::move(items)};
}

ControlTemplate Label(int x, int y, int w, int h, const char* caption) {
    return {kIdStatic, ControlKind::StaticText, x, y, w, h, caption, kStyleNone, {}};
}

ControlTemplate Group(int x, int y, int w, int h, const char* caption) {
    return {kIdStatic, ControlKind::GroupBox, x, y, w, h, caption, kStyleNone, {}};
}

ControlTemplate CheckBox(int id, int x, int y, int w, int h, const char* caption,
                         unsigned style = kStyleNone) {
    return {id, ControlKind::CheckBox, x, y, w, h, caption, kAuto | kTabStop | style, {}};
}

const unsigned kEditorStyle = kCaption | kSystemMenu | kModalFrame;

DialogTemplate AboutBox() {
    return {kAboutDialogId,
            "バージョン情報 veskat",
            235,
            55,
            "MS UI Gothic",
            9,
            kEditorStyle,
            0,
            {
                {kIdStatic, ControlKind::Icon, 11, 17, 20, 20, "", kStyleNone, {}},
                {kIdStatic,
                 ControlKind::StaticText,
                 40,
                 10,
                 119,
                 8,
                 "veskat バージョン " VESKAT_VERSION,
                 kNoPrefix,
                 {}},
                Label(40, 25, 119, 8, "個別案件と反復案件の予定管理"),
                DefaultButton(kIdOk, 178, 7, 50, 16, "OK"),
            }};
}

DialogTemplate MainDialog() {
    using namespace MainDialogIds;
    const unsigned list = kReportView | kSingleSelection | kSortAscending | kBorder | kTabStop;
    return {kMainDialogId,
            "veskat",
            320,
            224,
            "MS UI Gothic",
            8,
            kCaption | kSystemMenu | kMinimizeBox | kAppWindow | kResizable,
            kMainMenuId,
            {
                Button(kAddId, 6, 198, 50, 18, "追加"),
                Button(kDeleteId, 60, 198, 50, 18, "削除"),
                Button(kBatchId, 114, 198, 48, 18, "一括"),
                Button(kSaveId, 204, 198, 50, 18, "保存"),
                Button(kSaveExitId, 258, 198, 50, 18, "保存・終了"),
                {kListId, ControlKind::ListView, 7, 7, 306, 161, "", list, {}},
                {kIndivRadioId,
                 ControlKind::RadioButton,
                 6,
                 174,
                 48,
                 12,
                 "個別案件",
                 kAuto | kTabStop | kGroup,
                 {}},
                {kRepRadioId,
                 ControlKind::RadioButton,
                 60,
                 174,
                 48,
                 12,
                 "反復案件",
                 kAuto | kTabStop,
                 {}},
            }};
}

DialogTemplate IndivEditor() {
    using namespace IndivEditorIds;
    return {kIndivEditorDialogId,
            "個別案件",
            232,
            137,
            "MS Shell Dlg",
            8,
            kEditorStyle,
            0,
            {
                DefaultButton(kIdOk, 120, 114, 50, 14, "OK"),
                Button(kIdCancel, 174, 114, 50, 14, "キャンセル"),
                Edit(kYearEdit, 48, 6, 30, 12, kDigitsOnly),
                DropDown(kMonthList, 84, 6, 30, 96, TwoDigitNumbers(1, 12)),
                DropDown(kDayList, 120, 6, 30, 96, TwoDigitNumbers(1, 31)),
                DropDown(kHourList, 48, 24, 30, 96, TwoDigitNumbers(0, 23)),
                DropDown(kMinuteList, 84, 24, 30, 96, TwoDigitNumbers(0, 59)),
                Edit(kTitleEdit, 48, 42, 174, 12, kAutoHScroll),
                MultiLineEdit(kContentEdit, 48, 60, 174, 42),
                DropDown(kProgressList, 48, 108, 60, 48, {"管理しない", "未処理", "完了"}),
                Label(6, 6, 36, 12, "年月日"),
                Label(6, 24, 36, 12, "時分"),
                Label(6, 42, 36, 12, "タイトル"),
                Label(6, 60, 36, 12, "内容"),
                Label(6, 108, 36, 12, "進捗"),
            }};
}

DialogTemplate RepEditor() {
    using namespace RepEditorIds;
    return {kRepEditorDialogId,
            "反復案件",
            232,
            209,
            "MS Shell Dlg",
            8,
            kEditorStyle,
            0,
            {
                DefaultButton(kIdOk, 120, 192, 50, 14, "OK"),
                Button(kIdCancel, 174, 192, 50, 14, "キャンセル"),
                Edit(kTitleEdit, 48, 6, 174, 12, kAutoHScroll),
                DropDown(kHourList, 48, 24, 30, 78, TwoDigitNumbers(0, 23)),
                DropDown(kMinuteList, 84, 24, 30, 78, TwoDigitNumbers(0, 59)),
                MultiLineEdit(kContentEdit, 48, 42, 174, 42),
                DropDown(kProgressList, 48, 102, 66, 54, {"管理しない", "未処理"}),
                DropDown(kYearlyMonthList, 126, 102, 30, 66, UnsetThen(TwoDigitNumbers(1, 12))),
                DropDown(kYearlyDayList, 174, 102, 30, 72, UnsetThen(TwoDigitNumbers(1, 31))),
                DropDown(kMonthlyDayList, 12, 132, 30, 78, UnsetThen(TwoDigitNumbers(1, 31))),
                DropDown(kMonthlyWeekList, 78, 132, 30, 84, UnsetThen(TwoDigitNumbers(1, 5))),
                DropDown(kMonthlyWeekdayList, 126, 132, 30, 84,
                         {"未", "月", "火", "水", "木", "金", "土", "日"}),
                CheckBox(kWeekdayBoxes[0], 12, 162, 30, 8, "月", kTextLeft),
                CheckBox(kWeekdayBoxes[1], 54, 162, 30, 8, "火", kTextLeft),
                CheckBox(kWeekdayBoxes[2], 96, 162, 30, 8, "水", kTextLeft),
                CheckBox(kWeekdayBoxes[3], 138, 162, 30, 8, "木", kTextLeft),
                CheckBox(kWeekdayBoxes[4], 12, 174, 30, 8, "金", kTextLeft),
                CheckBox(kWeekdayBoxes[5], 54, 174, 30, 8, "土", kTextLeft),
                CheckBox(kWeekdayBoxes[6], 96, 174, 30, 8, "日", kTextLeft),
                Label(6, 6, 36, 8, "タイトル"),
                Label(42, 138, 12, 8, "日"),
                Label(66, 138, 12, 8, "第"),
                Label(108, 138, 12, 8, "週"),
                Label(156, 138, 24, 8, "曜日"),
                Label(156, 108, 12, 8, "月"),
                Label(204, 108, 12, 8, "日"),
                Group(120, 90, 108, 30, "毎年"),
                Group(6, 120, 222, 30, "毎月"),
                Group(6, 150, 222, 36, "毎週"),
                Label(6, 24, 36, 12, "時分"),
                Label(6, 42, 36, 12, "内容"),
                Label(6, 102, 36, 8, "進捗"),
            }};
}

DialogTemplate ConnectDialog() {
    using namespace ConnectDialogIds;
    return {kConnectDialogId,
            "接続設定",
            244,
            300,
            "MS Shell Dlg",
            8,
            kEditorStyle,
            0,
            {
                DefaultButton(kIdOk, 126, 280, 50, 14, "OK"),
                Button(kIdCancel, 186, 280, 50, 14, "キャンセル"),
                Group(4, 2, 236, 144, "FTP"),
                CheckBox(kUseServerId, 10, 14, 120, 10, "FTPサーバーを使う"),
                Edit(kUserIdEdit, 96, 30, 138, 12, kAutoHScroll),
                Edit(kHostNameEdit, 96, 46, 138, 12),
                Edit(kPortEdit, 96, 62, 24, 12),
                Edit(kIndivPathEdit, 96, 78, 138, 12),
                Edit(kRepPathEdit, 96, 94, 138, 12),
                Label(10, 30, 35, 8, "ユーザーID"),
                Label(10, 46, 74, 8, "サーバー名又はアドレス"),
                Label(10, 62, 36, 8, "ポート番号"),
                Label(10, 78, 64, 8, "個別案件ファイル名"),
                Label(10, 94, 64, 8, "反復案件ファイル名"),
                CheckBox(kUseTlsId, 10, 112, 120, 10, "暗号化 (FTPS) を使う"),
                Label(10, 128, 84, 8, "信頼する証明書 (PEM)"),
                Edit(kCaFileEdit, 96, 126, 92, 12, kAutoHScroll),
                Button(kCaFileBrowseId, 192, 125, 42, 14, "参照..."),
                Group(4, 150, 236, 124, "CalDAV"),
                CheckBox(kUseDavId, 10, 162, 120, 10, "CalDAVサーバーを使う"),
                Label(10, 178, 74, 8, "サーバーのアドレス"),
                Edit(kDavAddressEdit, 96, 178, 138, 12, kAutoHScroll),
                Label(10, 194, 35, 8, "ユーザーID"),
                Edit(kDavUserIdEdit, 96, 194, 138, 12, kAutoHScroll),
                Label(10, 210, 35, 8, "パスワード"),
                Edit(kDavPasswordEdit, 96, 210, 92, 12, kPassword | kAutoHScroll),
                Button(kDavDiscoverId, 192, 209, 42, 14, "探す"),
                Label(10, 226, 50, 8, "タスクリスト"),
                DropDown(kDavListList, 96, 226, 138, 80, {"未選択"}),
                Label(10, 242, 84, 8, "信頼する証明書 (PEM)"),
                Edit(kDavCaFileEdit, 96, 242, 92, 12, kAutoHScroll),
                Button(kDavCaFileBrowseId, 192, 241, 42, 14, "参照..."),
                {kDavStatusText, ControlKind::StaticText, 10, 258, 224, 12, "", kNoPrefix, {}},
            }};
}

DialogTemplate PasswordDialog() {
    using namespace PasswordDialogIds;
    return {kPasswordDialogId,
            "FTPパスワード",
            186,
            74,
            "MS Shell Dlg",
            8,
            kEditorStyle,
            0,
            {
                Edit(kPasswordEdit, 6, 24, 174, 12, kPassword | kAutoHScroll),
                CheckBox(kSavePasswordId, 6, 40, 174, 10, "パスワードを保存する"),
                DefaultButton(kIdOk, 72, 56, 50, 14, "OK"),
                Button(kIdCancel, 132, 56, 50, 14, "キャンセル"),
                Label(6, 6, 126, 12, "パスワードを入力してください。"),
            }};
}

DialogTemplate VersionsDialog() {
    using namespace VersionsDialogIds;
    return {kVersionsDialogId,
            "以前の版に戻す",
            300,
            152,
            "MS Shell Dlg",
            8,
            kEditorStyle,
            0,
            {
                Label(6, 6, 288, 8, "戻す版を選んでください。保存するまでファイルは変わりません。"),
                {kVersionList,
                 ControlKind::ListView,
                 6,
                 18,
                 288,
                 66,
                 "",
                 kReportView | kSingleSelection | kBorder | kTabStop,
                 {}},
                {kDifference,
                 ControlKind::StaticText,
                 6,
                 88,
                 288,
                 44,
                 "この版に戻すと:",
                 kNoPrefix,
                 {}},
                DefaultButton(kIdOk, 184, 134, 50, 14, "OK"),
                Button(kIdCancel, 244, 134, 50, 14, "キャンセル"),
            }};
}

DialogTemplate ImportPreviewDialog() {
    return {kImportPreviewDialogId,
            "インポート (iCalendar)",
            300,
            196,
            "MS Shell Dlg",
            8,
            kEditorStyle,
            0,
            {
                Label(6, 6, 288, 8, "保存するまでファイルは変わりません。"),
                {ImportPreviewIds::kSummary,
                 ControlKind::StaticText,
                 6,
                 20,
                 288,
                 152,
                 "インポートの内容",
                 kNoPrefix,
                 {}},
                DefaultButton(kIdOk, 184, 178, 50, 14, "OK"),
                Button(kIdCancel, 244, 178, 50, 14, "キャンセル"),
            }};
}

}  // namespace

const std::vector<DialogTemplate>& AllDialogTemplates() {
    static const std::vector<DialogTemplate> templates = {
        AboutBox(),      MainDialog(),     IndivEditor(),    RepEditor(),
        ConnectDialog(), PasswordDialog(), VersionsDialog(), ImportPreviewDialog(),
    };
    return templates;
}

const DialogTemplate* FindDialogTemplate(int id) {
    for (const DialogTemplate& dialog : AllDialogTemplates()) {
        if (dialog.id == id) {
            return &dialog;
        }
    }
    return nullptr;
}
