// The program's main window: one list showing either the individual or the
// repeating subjects, the buttons, keys and menus that act on them, and the
// life of the window from initialisation to its end. It owns both subject
// lists through its save session (the data files and the server), and a part
// for each concern: the list pane (with its find bar and overdue line), the
// commands and their history, and the reminders. The window itself only takes commands and
// hands them to its parts.
#pragma once

#include <QPixmap>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "TemplateDialog.h"

struct CalendarDay;
struct ConnectSettings;
enum class DoneChange;
class EditHistory;
class ExitQuestions;
enum class IcsForm;
class IndivSubjList;
class LoadAhead;
class MessageService;
class MonthLink;
class QDBusConnection;
class QMenu;
class ReminderLink;
class RepSubjList;
class SaveSession;
class ServerWatch;
class SubjCommands;
class SubjListPane;
class SubjListView;
enum class ReminderAction;
enum class SubjKind;

// The window property and single-instance name of the running copy.
inline constexpr char kInstanceName[] = "veskat120";

// The system-menu command of the About entry, and the desktop's own
// commands to minimise and close, which the window's popup offers as well.
inline constexpr unsigned kAboutCommand = 0x0010;
inline constexpr unsigned kMinimizeCommand = 0xF020;
inline constexpr unsigned kCloseCommand = 0xF060;

class CSubjListDlg : public TemplateDialog {
    Q_OBJECT

  public:
    // `messages` shows every notice and question; it must outlive the window.
    explicit CSubjListDlg(MessageService& messages, QWidget* parent = nullptr);
    ~CSubjListDlg() override;

    // The initialisation sequence: About entry, icons, window property, settings,
    // server fetch, both data files, individual mode, the list, the reminders.
    // Call once before showing the window. Returns true.
    bool OnInitDialog();
    // OnInitDialog's load takes from `ahead` each data file it read that is unchanged since,
    // and the individual rows in order as it read them; `ahead` must outlive that call.
    void LoadFrom(LoadAhead& ahead);
    // OnInitDialog, then the modal loop; the code the window ended with (1 OK,
    // 2 Cancel). A window asked to end during initialisation ends right after it.
    int DoModal();

    SubjListView* ListView() const { return list_; }
    SubjListPane& Pane() { return *pane_; }
    MonthLink& Month() { return *month_; }
    ReminderLink& Reminders() { return *reminders_; }
    // The light look at the CalDAV task lists, from the end of the initialisation on.
    ServerWatch& Watch() { return *watch_; }
    IndivSubjList& IndivList();
    RepSubjList& RepList();
    ConnectSettings& Settings();
    // True while the lists differ from what was last saved (the caption starts with "*").
    bool Unsaved() const;
    // The popup offered in place of the system menu where the window manager
    // owns that menu (reached from the icon at the left of the menu bar and by
    // a right click on the window).
    QMenu* SystemMenu() const { return systemMenu_; }

    // Command handlers, each connected to its buttons, keys and menu entries.
    void OnModeChanged();
    void OnAdd();
    // Edits the subject of the hot row (a double-click).
    void OnEdit();
    // Edits the subject of the row the keyboard acts on (F2, Enter in the list, the row's menu):
    // the selected one, or with none selected the list's focused row.
    void OnEditSelected();
    // Deletes the subject of that row, after the question.
    void OnDelete();
    // Marks the individual subject of that row done, or open again (Space, the row's menu).
    void OnToggleDone();
    // 編集 → 元に戻す and やり直し: the last command taken back, or made again, shown at once
    // with its subject selected.
    void OnUndo();
    void OnRedo();
    void OnBatch();
    // The one save of every way to save (保存, 保存・終了, the close question's
    // はい, Ctrl+S): both data files written, then sent when the server is on.
    // False when a file could not be written (the user has been told; nothing
    // was sent).
    bool OnSave();
    // ファイル → 同期 and F5: the server's changes taken in, ours sent.
    void OnSync();
    // Saves, and ends with OK once the files were written.
    void OnSaveExit();
    // Ends with Cancel without saving: at once when nothing is unsaved, else after asking
    // whether to throw it away (ExitQuestions::Discard).
    void OnExitNoSave();
    void OnConnect();
    // Asks for a file and writes both lists, as they stand in memory, to it
    // as an iCalendar file of `form`; tells the user when it could not be written.
    void OnExportIcs(IcsForm form);
    // ファイル → インポート (iCalendar)...: the subjects of a file the user
    // picks, added as one step of the history (IcsImportCommand).
    void OnImportIcs();
    // ファイル → 以前の版に戻す...: opens the window of the kept versions of
    // the list on show; the version chosen goes into it as one step of the
    // history, to be saved like any other change.
    void OnRestoreVersion();
    // A system-menu command: the About entry opens the About box; minimise and
    // close act as the desktop's own entries.
    void OnSysCommand(unsigned command);
    // 設定 → 通知する: turns the reminders on or off and keeps the choice.
    void OnNotifyToggled(bool notify);
    // An action picked on a subject's notification: the window comes up with
    // the subject selected (shown in the individual list); Done marks it done
    // as one step of the history, without its editor, and tells the agent.
    // Of a subject no longer stored the user is told, and nothing changes.
    void OnReminderAction(const QByteArray& key, ReminderAction action);
    void RaiseWindow();

    // Keeps the window's place and column widths in "veskat.ini", then ends it.
    void done(int result) override;

  signals:
    // The window carries its running-copy mark from here until it is destroyed.
    void Marked();

  protected:
    // Close request (the close box, Alt+F4, Ctrl+Q, the system menu's Close): ends with Cancel
    // at once when nothing is unsaved; otherwise asks whether to save (ExitQuestions::Close).
    // Esc is no close request: it closes the find bar, if open, and nothing else.
    void OnCancel() override;
    // Enter outside a push button and the list: nothing. Enter never ends the window.
    void OnOK() override;

    // What shows the lists again once a merge replaced what they hold.
    std::function<void()> ShowTakenIn();
    // The file the export goes to, asked with a file dialog; empty when the
    // user cancels.
    virtual QString AskExportFileName();
    // The bus of the desktop's notification service: the session bus.
    virtual QDBusConnection ReminderBus() const;

    MessageService& Messages() { return messages_; }
    SaveSession& Session() { return *session_; }

    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void ConnectCommands();
    // The keys of the commands and the menu of a row: F2 edits, Delete (in the list) deletes,
    // Space (in the list) marks done, Ctrl+N and Insert add, Ctrl+S saves, Ctrl+F finds,
    // Ctrl+J goes to the overdue subjects, Ctrl+Q and Alt+F4 close.
    void AddKeyCommands();
    // The row under the pointer becomes the selected row and gets its menu;
    // elsewhere the window's popup opens.
    void ShowContextMenu(const QPoint& viewportPos);
    void AddAboutEntry();
    // A new subject of `kind` through its editor, an individual one on `day` when given.
    void AddSubject(SubjKind kind, const std::optional<CalendarDay>& day);
    // Edits the subject shown in `row`; nothing for -1.
    void EditRow(int row);
    // Marks the subject shown in `row` done or open again; nothing in repeating mode.
    void ToggleDoneRow(int row);
    void ChangeDoneRow(int row, DoneChange change);
    // Undo (`back`) or redo, telling the user when the step offered was refused.
    void StepHistory(bool back);
    // "個別案件一覧" or "反復案件一覧", after "*" while something is unsaved.
    void UpdateCaption();
    // Starts the light look at the server, once the start-up sync is done.
    void WatchServer();

    MessageService& messages_;
    QPixmap appIcon_;
    SubjListView* list_;
    std::unique_ptr<SaveSession> session_;
    LoadAhead* ahead_ = nullptr;  // LoadFrom's, until OnInitDialog's load
    EditHistory* history_;
    std::unique_ptr<SubjCommands> commands_;
    std::unique_ptr<SubjListPane> pane_;
    std::unique_ptr<MonthLink> month_;
    std::unique_ptr<ReminderLink> reminders_;
    std::unique_ptr<ExitQuestions> exits_;
    std::unique_ptr<ServerWatch> watch_;  // goes first: its look reads the session's settings
    QMenu* systemMenu_ = nullptr;
    QMenu* rowMenu_ = nullptr;
    QAction* close_ = nullptr;
    bool endAfterInit_ = false;
};
