// Dialog templates held as plain data: caption, size and font, and in template order every
// control with its id, kind, position and size in dialog units, caption, style flags and
// drop-down items. The builder in ui/ turns one into a live dialog; nothing here knows Qt.
#pragma once

#include <string>
#include <vector>

enum class ControlKind {
    PushButton,
    DefaultPushButton,
    Edit,           // one line
    MultiLineEdit,  // Enter starts a new line
    StaticText,
    Icon,  // the application icon
    GroupBox,
    CheckBox,
    RadioButton,
    DropDownList,  // a list to choose from; no typing
    ListView,      // the report-style subject list
};

// Control style flags; a control carries any combination.
enum ControlStyle : unsigned {
    kStyleNone = 0,
    kTabStop = 1u << 0,
    kDigitsOnly = 1u << 1,   // edit accepts 0-9 only
    kAutoHScroll = 1u << 2,  // edit scrolls horizontally instead of stopping at its width
    kPassword = 1u << 3,     // edit shows masks instead of characters
    kTextLeft = 1u << 4,     // check box with its text left of the box
    kAuto = 1u << 5,         // check box / radio button that changes its own state on a click
    kNoPrefix = 1u << 6,     // static text shows '&' as it is
    kVScroll = 1u << 7,      // multi-line edit / drop-down list with a vertical scroll bar
    kReportView = 1u << 8,   // list view: rows and columns
    kSingleSelection = 1u << 9,
    kSortAscending = 1u << 10,  // list view keeps rows in ascending order of the first column
    kBorder = 1u << 11,
    kGroup = 1u << 12,  // first control of a group (radio buttons)
};

// Dialog (window) style flags.
enum DialogStyle : unsigned {
    kDialogNone = 0,
    kCaption = 1u << 0,
    kSystemMenu = 1u << 1,  // close box and system menu
    kMinimizeBox = 1u << 2,
    kModalFrame = 1u << 3,
    kAppWindow = 1u << 4,  // has its own taskbar button
    kResizable = 1u << 5,  // a sizing border; its first list view takes the room gained or lost
};

struct ControlTemplate {
    int id;  // kIdStatic (-1) for controls nobody refers to
    ControlKind kind;
    int x, y, width, height;  // dialog units; a drop-down list's height includes its opened list
    std::string caption;      // UTF-8; empty for none
    unsigned style;           // ControlStyle flags
    std::vector<std::string> items;  // initial drop-down items, UTF-8, in order
};

struct DialogTemplate {
    int id;
    std::string caption;  // UTF-8
    int width, height;    // dialog units
    std::string fontName;
    int fontPointSize;
    unsigned style;                         // DialogStyle flags
    int menuId;                             // 0 for none
    std::vector<ControlTemplate> controls;  // template order = tab order
};

// The template with `id` (kAboutDialogId ... kPasswordDialogId), or nullptr for
// an unknown id. The object lives until the program ends.
const DialogTemplate* FindDialogTemplate(int id);

// Every template the program defines, in ascending id order.
const std::vector<DialogTemplate>& AllDialogTemplates();
