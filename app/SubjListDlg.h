// The program's main window: one list view showing either the individual or
// the repeating subjects, the buttons and menu that act on them, and the life
// of the window from initialisation to its end. It owns both subject lists.
#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QPixmap>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "DataFileSet.h"
#include "EditHistory.h"
#include "IcsExport.h"
#include "KeptSelection.h"
#include "ServerLink.h"
#include "SubjCommands.h"
#include "SubjList.h"
#include "SubjListRows.h"
#include "TemplateDialog.h"
#include "WindowPlace.h"

class DesktopNotifier;
class FindBar;
class FindFilter;
class MessageService;
class SubjListView;
class QLabel;
class QMenu;
class QRadioButton;
class ReminderDriver;
enum class ReminderAction;

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
    // server fetch, both data files, state images, individual mode, the list,
    // the reminders.
    // Call once before showing the window. Returns true.
    bool OnInitDialog();
    // OnInitDialog, then the modal loop; the code the window ended with (1 OK,
    // 2 Cancel). A window asked to end during initialisation ends right after it.
    int DoModal();

    // Image index of a progress letter: 2 done, 3 open and overdue, 1 open, else 0.
    static int ProgressImage(Progress progress, bool overdue);

    // The mode is the checked radio button; neither checked is neither mode.
    bool IndivMode() const;
    bool RepMode() const;

    // Caption and columns of the mode.
    void SetupColumns();
    // All rows again from the list of the mode, with the subject `keep` selected and in view
    // when it is still stored; otherwise the list opens on today.
    void FillList(const KeptSelection& keep = {});
    // Shows the mode's stored subject with `current`'s key: a new row (update
    // false; `index` is only a position hint, the order places the row) or a
    // rewrite of row `index`, whose first text read `shownBefore` before it.
    void SetRow(int index, bool update, const std::string& shownBefore = {});

    SubjListView* ListView() const { return list_; }
    IndivSubjList& IndivList() { return indivList_; }
    RepSubjList& RepList() { return repList_; }
    ConnectSettings& Settings() { return server_.Settings(); }

    // Command handlers, each connected to its buttons and menu entries.
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
    // True while the lists differ from what was last saved (the caption starts with "*").
    bool Unsaved() const { return history_->Unsaved(); }
    // The key of the subject shown in `row` into the list's `current`.
    void ReadIndivRow(int row);
    void ReadRepRow(int row);
    void OnBatch();
    // Writes both data files, then sends them when the server is on. False when
    // a file could not be written (the user has been told; nothing was sent).
    bool OnSave();
    void OnSaveExit();
    void OnExitNoSave();
    void OnConnect();
    // Asks for a file and writes both lists, as they stand in memory, to it
    // as an iCalendar file of `form`; tells the user when it could not be written.
    void OnExportIcs(IcsForm form = IcsForm::Todos);
    // ファイル → 以前の版に戻す...: opens the window of the kept versions of
    // the list on show; the version chosen goes into it through RestoreVersion.
    void OnRestoreVersion();
    // Makes the list of `kind` hold `records`, an earlier version of it, and
    // shows it; nothing is written until the user saves. False when they do
    // not fit in memory, and the list stays as it was.
    bool RestoreVersion(SubjKind kind, const std::vector<RecordText>& records);
    // A system-menu command: the About entry opens the About box; minimise and
    // close act as the desktop's own entries.
    void OnSysCommand(unsigned command);

    // The find bar (Ctrl+F): opens it, or gives it the focus again.
    void OpenFindBar();
    // Esc in the bar: closes it and shows every row again.
    void CloseFindBar();
    bool FindBarOpen() const;
    FindBar* FindBarWidget() const;
    // Hides the rows whose subject does not hold the find bar's text, in the
    // title or the content; shows every row while the bar is closed or empty.
    void ApplyFilter();

    // The popup offered in place of the system menu where the window manager
    // owns that menu (reached from the icon at the left of the menu bar and by
    // a right click on the window).
    QMenu* SystemMenu() const { return systemMenu_; }

    // 設定 → 通知する: stores the choice and turns the reminders on or off.
    void OnNotifyToggled(bool notify);
    // An action picked on a subject's notification: the window comes up with
    // the subject selected (shown in the individual list); Done opens its
    // editor as well. A subject no longer stored only raises the window.
    void OnReminderAction(const QByteArray& key, ReminderAction action);
    void RaiseWindow();

    // Keeps the window's place and column widths in "veskat.ini", then ends it.
    void done(int result) override;

  signals:
    // The window carries its running-copy mark from here until it is destroyed.
    void Marked();

  protected:
    // Close request (Esc, close box): ends with Cancel at once when nothing is unsaved;
    // otherwise asks whether to save, and キャンセル keeps the window as it was.
    void OnCancel() override;
    // Enter outside a push button and the list: nothing. Enter never ends the window.
    void OnOK() override;

    // Server work, done by the synchronisation code. Step 4 of the
    // initialisation reads the connection settings; step 5 fetches both data
    // files when the server is on and returns false when the window must end;
    // MarkUnsent runs before every save replaces a data file and leaves its
    // unsent marker on the disk (false when it could not, and the file then
    // stays as it is); SendToServer runs after both files were written by
    // OnSave and removes the markers of the files sent. Without a server each
    // does nothing.
    virtual void LoadSettings();
    virtual bool FetchFromServer();
    virtual bool MarkUnsent(const char* fileName);
    virtual void SendToServer();
    virtual void RunConnectDialog();
    // The file the export goes to, asked with a file dialog; empty when the
    // user cancels.
    virtual QString AskExportFileName();
    // The bus of the desktop's notification service: the session bus.
    virtual QDBusConnection ReminderBus() const;

    MessageService& Messages() { return messages_; }

    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

  private:
    // Held while the window runs an editor, a question, a dialog or a
    // transfer: reminder actions wait until it ends, and the lists are looked
    // at again then, since every command that changes them runs inside one.
    class BusyScope {
      public:
        explicit BusyScope(CSubjListDlg& window);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

      private:
        CSubjListDlg& window_;
    };

    void ConnectCommands();
    // After the lists are loaded: the notifier, the driver and the menu's check.
    void StartReminders();
    // Selects and shows the row of the stored subject `stored`; -1 when none.
    int ShowSubjectRow(const void* stored);
    // The keys of the commands and the menu of a row: F2 edits, Delete (in the list) deletes,
    // Space (in the list) marks done, Ctrl+N and Insert add, Ctrl+S saves.
    void AddKeyCommands();
    void ShowContextMenu(const QPoint& viewportPos);
    void AddFindCommand();
    // Scrolls the list so that the first subject dated today or later stands
    // at the top, or the last one when there is none; in repeating mode, the
    // first subject. Open subjects before today: the earliest of them stands
    // at the top instead when today's first one still shows below it, else
    // the line "期限切れ N 件" above the list tells of them. Selects nothing.
    void ScrollToToday();
    // Ctrl+J: selects the earliest open subject before today and shows it.
    void AddOverdueCommand();
    void JumpToOverdue();
    // The first row shown dated today or later; RowCount() when none is.
    int FirstRowFromToday() const;
    // The line above the list; none for 0.
    void ShowOverdueLine(int count);
    // Edits the subject shown in `row`; nothing for -1.
    void EditRow(int row);
    // Marks the subject shown in `row` done or open again; nothing in repeating mode.
    void ToggleDoneRow(int row);
    // Undo (`back`) or redo, telling the user when the step offered was refused.
    void StepHistory(bool back);
    // Shows the lists after undo or redo: the list the step concerns, its subject selected.
    void ShowLanding(const std::optional<EditHistory::Landing>& landing, const KeptSelection& kept);
    // "個別案件一覧" or "反復案件一覧", after "*" while something is unsaved.
    void UpdateCaption();
    // Selects and shows the row of the mode's stored subject with `current`'s key.
    void SelectCurrent();
    // Selects `row` and scrolls it into view.
    void ShowRow(int row);
    // The kind of the list shown; none while neither mode is checked.
    std::optional<SubjKind> Mode() const;
    // Shows on the list what a command did to its row.
    void ShowChange(const RowChange& change);
    void AddAboutEntry();
    // The place kept in "veskat.ini", fitted to the screen; at the end of
    // the initialisation's step 4, after the settings.
    void RestorePlace();
    void KeepPlace();
    // The widths of the columns shown into place_, for their mode.
    void KeepColumnWidths();
    std::vector<int>* KeptWidthsOf(SubjListRows::Kind kind);
    void SetIndivRow(int index, bool update, const std::string& shownBefore);
    void SetRepRow(int index, bool update);
    // Loads both data files (DataFileSet::Load) and shows each notice.
    void LoadDataFiles();
    // Writes both data files (DataFileSet::Write); false when either was left
    // as it was, after telling the user.
    bool WriteDataFiles();

    MessageService& messages_;
    QPixmap appIcon_;
    SubjListView* list_;
    QRadioButton* indivRadio_;
    QRadioButton* repRadio_;
    DataFileSet files_;
    IndivSubjList& indivList_ = files_.Indiv();
    RepSubjList& repList_ = files_.Rep();
    SubjListRows rowSource_;
    EditHistory* history_;
    SubjCommands commands_;
    ServerLink server_;
    WindowPlace place_;
    // The mode whose columns the list shows; none before the first setup.
    std::optional<SubjListRows::Kind> columnsShown_;
    QLabel* overdueLine_ = nullptr;
    QMenu* systemMenu_ = nullptr;
    QMenu* rowMenu_ = nullptr;
    FindFilter* find_ = nullptr;
    bool endAfterInit_ = false;
    int busyDepth_ = 0;
    std::unique_ptr<DesktopNotifier> notifier_;
    std::unique_ptr<ReminderDriver> reminders_;
};
