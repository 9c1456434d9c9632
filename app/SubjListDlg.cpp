#include "SubjListDlg.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDBusConnection>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QToolButton>
#include <algorithm>

#include "AboutDlg.h"
#include "Batch.h"
#include "Clock.h"
#include "ConnectDlg.h"
#include "EditHistory.h"
#include "ExitQuestions.h"
#include "IcsExport.h"
#include "IcsFileDialog.h"
#include "IcsImportCommand.h"
#include "ImageResource.h"
#include "KeptSelection.h"
#include "LoadAhead.h"
#include "MenuResource.h"
#include "MessageService.h"
#include "MonthLink.h"
#include "ReminderAgentLink.h"
#include "ReminderDriver.h"
#include "ReminderLink.h"
#include "ResourceIds.h"
#include "RestoreVersionDlg.h"
#include "SaveSession.h"
#include "ServerWatch.h"
#include "SubjCommands.h"
#include "SubjListPane.h"
#include "SubjListView.h"
#include "SystemZone.h"
#include "WindowPlace.h"

using namespace MainDialogIds;

namespace {

const QString kBatchShort = QStringLiteral(
    "メモリーが足りないため、一括で作成する案件の一部を登録できませんでした。"
    "作成できた案件は一覧にあります。");

// A step is refused whole when the lists no longer hold what it expects or memory runs out
// halfway; the user must not take the silence for success.
const QString kStepRefused = QStringLiteral(
    "%1ことができませんでした。一覧は変わっていません。\n"
    "メモリーが足りないか、一覧がこの操作の後に別の方法で変わっています。");

const QString kExportCaption = QStringLiteral("エクスポート (iCalendar)");
const QString kExportFailed = QStringLiteral("%1 に書き込めませんでした。");
const QString kNotExported =
    QStringLiteral("%1 件の案件は日付の年が 1 から 9999 の外にあるため、書き出しませんでした。");

const QString kNoVersions = QStringLiteral(
    "以前の版はまだありません。一覧を変えて保存するたびに、置き換えた版が残ります。");
const QString kVersionNotRead =
    QStringLiteral("選んだ版を読み込めませんでした。一覧はそのままです。");
const QString kNotRestored = QStringLiteral(
    "選んだ版はメモリーが足りないため一覧に入れられませんでした。一覧はそのままです。");

const QString kReminderSubjectGone = QStringLiteral("通知の案件はもう一覧にありません。");
const QString kAutostartNotKept =
    QStringLiteral("ログイン時に通知を始める設定を %1 に保存できませんでした。");

QAction* NewAction(QWidget* owner, const QString& text, const QList<QKeySequence>& keys,
                   Qt::ShortcutContext context) {
    auto* action = new QAction(text, owner);
    action->setShortcuts(keys);
    action->setShortcutContext(context);
    owner->addAction(action);
    return action;
}

}  // namespace

CSubjListDlg::CSubjListDlg(MessageService& messages, QWidget* parent)
    : TemplateDialog(kMainDialogId, parent),
      messages_(messages),
      appIcon_(AppIconXpm()),
      list_(Control<SubjListView>(kListId)),
      session_(std::make_unique<SaveSession>(messages_, this)),
      history_(new EditHistory(session_->Indiv(), session_->Rep(), this)),
      commands_(std::make_unique<SubjCommands>(session_->Indiv(), session_->Rep(), *list_,
                                               messages_, this)),
      pane_(std::make_unique<SubjListPane>(*list_, *Control<QRadioButton>(kIndivRadioId),
                                           *Control<QRadioButton>(kRepRadioId), session_->Indiv(),
                                           session_->Rep(), [this] { UpdateCaption(); })),
      month_(std::make_unique<MonthLink>(
          *pane_, *list_, session_->Indiv(), session_->Rep(), *history_, messages_,
          [this](const CalendarDay& day) { AddSubject(SubjKind::Indiv, day); }, kIniFileName)),
      reminders_(std::make_unique<ReminderLink>(session_->Indiv(), kIniFileName)),
      exits_(std::make_unique<ExitQuestions>(
          messages_, *this, [this] { return Unsaved(); }, [this] { return OnSave(); })) {
    ConnectCommands();
    AddKeyCommands();
}

// The parts go before the lists they show and remind of (members, in reverse).
CSubjListDlg::~CSubjListDlg() {
    setProperty(kInstanceName, QVariant());
}

IndivSubjList& CSubjListDlg::IndivList() {
    return session_->Indiv();
}

RepSubjList& CSubjListDlg::RepList() {
    return session_->Rep();
}

ConnectSettings& CSubjListDlg::Settings() {
    return session_->Settings();
}

bool CSubjListDlg::Unsaved() const {
    return history_->Unsaved();
}

void CSubjListDlg::ConnectCommands() {
    const auto onClick = [this](int id, auto handler) {
        if (auto* button = Control<QAbstractButton>(id)) {
            connect(button, &QAbstractButton::clicked, this, handler);
        }
    };
    onClick(kAddId, &CSubjListDlg::OnAdd);
    onClick(kDeleteId, &CSubjListDlg::OnDelete);
    onClick(kBatchId, &CSubjListDlg::OnBatch);
    onClick(kSaveId, [this] { OnSave(); });
    onClick(kSaveExitId, &CSubjListDlg::OnSaveExit);
    onClick(kIndivRadioId, &CSubjListDlg::OnModeChanged);
    onClick(kRepRadioId, &CSubjListDlg::OnModeChanged);

    const auto onMenu = [this](int id, auto handler) {
        if (QAction* action = MenuAction(id)) {
            connect(action, &QAction::triggered, this, handler);
        }
    };
    onMenu(kSaveMenuId, [this] { OnSave(); });
    onMenu(kSyncMenuId, [this] { OnSync(); });
    onMenu(kSaveExitMenuId, [this] { OnSaveExit(); });
    onMenu(kExitNoSaveMenuId, [this] { OnExitNoSave(); });
    onMenu(kConnectMenuId, [this] { OnConnect(); });
    onMenu(kExportIcsMenuId, [this] { OnExportIcs(IcsForm::Todos); });
    onMenu(kExportIcsEventsMenuId, [this] { OnExportIcs(IcsForm::Events); });
    onMenu(kImportIcsMenuId, [this] { OnImportIcs(); });
    onMenu(kRestoreVersionMenuId, [this] { OnRestoreVersion(); });
    onMenu(kAboutMenuId, [this] { OnSysCommand(kAboutCommand); });
    onMenu(kUndoMenuId, [this] { OnUndo(); });
    onMenu(kRedoMenuId, [this] { OnRedo(); });
    QAction* undo = MenuAction(kUndoMenuId);
    QAction* redo = MenuAction(kRedoMenuId);
    QAction* stop = MenuAction(kUndoStopMenuId);
    if (undo != nullptr && redo != nullptr && stop != nullptr) {
        history_->UseActions(undo, redo, stop);
    }
    connect(history_, &EditHistory::Changed, this, &CSubjListDlg::UpdateCaption);
    connect(history_, &EditHistory::DoneChanged, this, [this](const QByteArray& key, bool done) {
        done ? reminders_->TellMarkedDone(key) : reminders_->TellMarkedOpen(key);
    });
    // What the last command did is told until the next one.
    connect(history_, &EditHistory::Changed, this, [this] { pane_->Overdue().EndTelling(); });

    connect(list_, &SubjListView::RowDoubleClicked, this, [this](int) { OnEdit(); });
    connect(list_, &SubjListView::StateImageClicked, this, &CSubjListDlg::ToggleDoneRow);
    connect(reminders_.get(), &ReminderLink::ActionRequested, this,
            &CSubjListDlg::OnReminderAction);
    connect(reminders_.get(), &ReminderLink::RaiseRequested, this, &CSubjListDlg::RaiseWindow);
}

// A right click on empty space still opens the window's own popup with the About entry.
void CSubjListDlg::AddKeyCommands() {
    QAction* edit =
        NewAction(this, QStringLiteral("編集(&E)"), {QKeySequence(Qt::Key_F2)}, Qt::WindowShortcut);
    connect(edit, &QAction::triggered, this, &CSubjListDlg::OnEditSelected);
    // Delete belongs to the list: in an edit field it deletes a character.
    QAction* remove = NewAction(list_, QStringLiteral("削除(&D)"),
                                {QKeySequence(QKeySequence::Delete)}, Qt::WidgetShortcut);
    connect(remove, &QAction::triggered, this, &CSubjListDlg::OnDelete);
    // Space, as on a check box: the state image is one.
    QAction* done = NewAction(list_, QStringLiteral("完了 ⇔ 未処理(&C)"),
                              {QKeySequence(Qt::Key_Space)}, Qt::WidgetShortcut);
    connect(done, &QAction::triggered, this, &CSubjListDlg::OnToggleDone);
    QAction* add = NewAction(this, QStringLiteral("追加"),
                             {QKeySequence(Qt::CTRL | Qt::Key_N), QKeySequence(Qt::Key_Insert)},
                             Qt::WindowShortcut);
    connect(add, &QAction::triggered, this, &CSubjListDlg::OnAdd);
    if (QAction* save = MenuAction(kSaveMenuId)) {
        save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    }
    if (QAction* sync = MenuAction(kSyncMenuId)) {
        sync->setShortcut(QKeySequence(Qt::Key_F5));
    }
    QAction* find =
        NewAction(this, QString(), {QKeySequence(Qt::CTRL | Qt::Key_F)}, Qt::WindowShortcut);
    connect(find, &QAction::triggered, this, [this] { pane_->Find().Open(); });
    QAction* jump = NewAction(this, QStringLiteral("期限切れへ移動"),
                              {QKeySequence(Qt::CTRL | Qt::Key_J)}, Qt::WindowShortcut);
    connect(jump, &QAction::triggered, this, [this] { pane_->Overdue().Jump(); });
    close_ = NewAction(this, QStringLiteral("閉じる(&C)"), ExitQuestions::CloseKeys(),
                       Qt::WindowShortcut);
    connect(close_, &QAction::triggered, this, [this] { OnSysCommand(kCloseCommand); });

    rowMenu_ = new QMenu(this);
    rowMenu_->addAction(edit);
    rowMenu_->addAction(remove);
    rowMenu_->addAction(done);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QWidget::customContextMenuRequested, this, &CSubjListDlg::ShowContextMenu);
}

// The row under the pointer becomes the selected row, as a left click would
// make it, so that the menu's commands and the keys act on the same row.
void CSubjListDlg::ShowContextMenu(const QPoint& viewportPos) {
    const QPoint global = list_->viewport()->mapToGlobal(viewportPos);
    const int row = list_->indexAt(viewportPos).row();
    if (row >= 0) {
        list_->SelectRow(row);
        rowMenu_->actions().back()->setVisible(pane_->IndivMode());  // only dated subjects get done
        rowMenu_->popup(global);
    } else if (systemMenu_ != nullptr) {
        systemMenu_->popup(global);
    }
}

// The window manager owns the system menu, so the window offers the same
// entries in a popup of its own, opened from the icon at the left end of the
// menu bar or by a right click on the window.
void CSubjListDlg::AddAboutEntry() {
    const std::string text = LoadResourceString(kAboutEntryStringId);
    auto* bar = findChild<QMenuBar*>();
    if (bar == nullptr || text.empty() || systemMenu_ != nullptr) {
        return;
    }
    systemMenu_ = new QMenu(this);
    systemMenu_->addAction(QStringLiteral("最小化(&N)"), this,
                           [this] { OnSysCommand(kMinimizeCommand); });
    systemMenu_->addAction(close_);
    systemMenu_->addSeparator();
    systemMenu_->addAction(QString::fromStdString(text), this,
                           [this] { OnSysCommand(kAboutCommand); });

    auto* button = new QToolButton(bar);
    button->setIcon(QIcon(appIcon_));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setMenu(systemMenu_);
    button->setToolTip(QString::fromStdString(text).remove(QLatin1Char('&')));
    bar->setCornerWidget(button, Qt::TopLeftCorner);
    // The corner widget takes its room only when the bar lays itself out again.
    bar->adjustSize();
    bar->resize(width(), bar->height());
}

void CSubjListDlg::LoadFrom(LoadAhead& ahead) {
    session_->LoadFrom(ahead);
    ahead_ = &ahead;
}

// The place comes after the settings, from the same file; the reminders after
// the lists they read.
bool CSubjListDlg::OnInitDialog() {
    AddAboutEntry();
    setWindowIcon(QIcon(appIcon_));
    setProperty(kInstanceName, 1);
    emit Marked();
    session_->LoadSettings();
    const WindowPlace place = RestoreWindowPlace(*this, kIniFileName);
    pane_->UseKeptWidths(place.indivColumns, place.repColumns);
    endAfterInit_ = session_->Load() == StartUpOutcome::EndWindow;
    // The first fill takes them only where the list holds just what the thread loaded.
    if (LoadAhead* ahead = std::exchange(ahead_, nullptr); ahead != nullptr) {
        if (std::optional<LoadAhead::Rows> rows = ahead->TakeIndivRows()) {
            pane_->Rows().UseLoaded(std::move(rows->rows), rows->revision);
        }
    }
    history_->Saved();  // the lists are what the files hold
    pane_->ShowMode(SubjKind::Indiv);
    month_->Start(MenuAction(kMonthPaneMenuId));
    const bool notify = reminders_->Start(ReminderBus(), *list_->viewport());
    if (QAction* item = MenuAction(kNotifyMenuId)) {
        item->setCheckable(true);
        item->setChecked(notify);
        connect(item, &QAction::toggled, this, &CSubjListDlg::OnNotifyToggled);
    }
    if (auto* add = Control<QPushButton>(kAddId)) {
        add->setFocus();
    }
    WatchServer();
    return true;
}

// What the look finds is taken in as a save's merge is, while nothing is unsaved.
void CSubjListDlg::WatchServer() {
    ServerLink& server = session_->Server();
    watch_ = std::make_unique<ServerWatch>(
        server.Dav().Settings(),
        ServerWatch::Hooks{[&server] { return server.DavOn(); }, [this] { return Unsaved(); },
                           [this] {
                               const ReminderLink::BusyScope busy(*reminders_);
                               return session_->SyncQuietly(ShowTakenIn());
                           }},
        this);
}

int CSubjListDlg::DoModal() {
    OnInitDialog();
    if (endAfterInit_) {
        done(kIdOk);
        return kIdOk;
    }
    return exec();
}

void CSubjListDlg::UpdateCaption() {
    const QString mode = pane_->Caption();
    const QString caption = mode.isEmpty() ? windowTitle() : mode;
    setWindowTitle(Unsaved() ? QStringLiteral("*") + caption : caption);
}

void CSubjListDlg::OnModeChanged() {
    pane_->SetupColumns();
    pane_->FillList();
}

void CSubjListDlg::OnAdd() {
    if (const auto kind = pane_->Mode()) {
        AddSubject(*kind, std::nullopt);
    }
}

void CSubjListDlg::AddSubject(SubjKind kind, const std::optional<CalendarDay>& day) {
    const ReminderLink::BusyScope busy(*reminders_);
    RowChange change;
    history_->Run(EditHistory::Command::Add,
                  [&] { change = commands_->Add(kind, std::max(list_->HotRow(), 0), day); });
    pane_->ShowChange(change);
}

void CSubjListDlg::OnEdit() {
    EditRow(list_->HotRow());
}

void CSubjListDlg::OnEditSelected() {
    EditRow(list_->ActiveRow());
}

void CSubjListDlg::EditRow(int row) {
    if (row < 0) {
        return;
    }
    const ReminderLink::BusyScope busy(*reminders_);
    if (const auto kind = pane_->Mode()) {
        RowChange change;
        history_->Run(EditHistory::Command::Edit, [&] { change = commands_->Edit(*kind, row); });
        pane_->ShowChange(change);
    }
}

void CSubjListDlg::OnDelete() {
    const int row = list_->ActiveRow();
    if (row < 0) {
        return;
    }
    const ReminderLink::BusyScope busy(*reminders_);
    if (const auto kind = pane_->Mode()) {
        RowChange change;
        history_->Run(EditHistory::Command::Delete,
                      [&] { change = commands_->Delete(*kind, row); });
        pane_->ShowChange(change);
    }
}

void CSubjListDlg::OnToggleDone() {
    ToggleDoneRow(list_->ActiveRow());
}

void CSubjListDlg::ToggleDoneRow(int row) {
    ChangeDoneRow(row, DoneChange::Toggle);
}

void CSubjListDlg::ChangeDoneRow(int row, DoneChange how) {
    if (row < 0 || !pane_->IndivMode()) {
        return;
    }
    const ReminderLink::BusyScope busy(*reminders_);
    RowChange change;
    history_->Run(EditHistory::Command::Done, [&] { change = commands_->ChangeDone(row, how); });
    pane_->ShowChange(change);
}

void CSubjListDlg::OnUndo() {
    StepHistory(true);
}

void CSubjListDlg::OnRedo() {
    StepHistory(false);
}

// The selection is taken before the step, while its row's record is still there.
void CSubjListDlg::StepHistory(bool back) {
    const ReminderLink::BusyScope busy(*reminders_);
    const KeptSelection kept = KeptSelection::Of(*list_);
    const bool offered = back ? history_->CanUndo() : history_->CanRedo();
    const std::optional<EditHistory::Landing> landing = back ? history_->Undo() : history_->Redo();
    if (offered && !landing) {
        messages_.Inform(
            this, kStepRefused.arg(back ? QStringLiteral("元に戻す") : QStringLiteral("やり直す")));
    }
    pane_->ShowLanding(landing, kept);
}

void CSubjListDlg::OnBatch() {
    const ReminderLink::BusyScope busy(*reminders_);
    if (!messages_.AskYes(this, QString::fromStdString(BatchQuestion()))) {
        return;
    }
    const KeptSelection kept = KeptSelection::Of(*list_);
    StoreResult ran = StoreResult::Done;
    const QString did = history_->Run(EditHistory::Command::Batch,
                                      [&] { ran = RunBatch(session_->Rep(), session_->Indiv()); });
    pane_->FillList(kept);
    pane_->Overdue().Tell(did);
    if (ran == StoreResult::OutOfMemory) {
        messages_.Inform(this, kBatchShort);
    }
}

// The history goes on across the save: what was saved can still be undone. A merge with another
// computer's save becomes the list the user works on, and what was done before it can no longer
// be undone; the selection is kept by its key across the merge.
bool CSubjListDlg::OnSave() {
    const ReminderLink::BusyScope busy(*reminders_);
    if (session_->Save(ShowTakenIn(), history_->KeyMoves()) == SaveOutcome::NotSaved) {
        history_->SaveFailed();
        return false;
    }
    history_->Saved();
    return true;
}

// The sync works on the saved files, so what is not saved yet is saved first,
// and the save syncs.
void CSubjListDlg::OnSync() {
    const ReminderLink::BusyScope busy(*reminders_);
    if (Unsaved()) {
        OnSave();
        return;
    }
    session_->Sync(ShowTakenIn());
}

void CSubjListDlg::OnSaveExit() {
    if (OnSave()) {
        done(kIdOk);
    }
}

void CSubjListDlg::OnExitNoSave() {
    const ReminderLink::BusyScope busy(*reminders_);
    if (exits_->Discard() == ExitAnswer::End) {
        done(kIdCancel);
    }
}

void CSubjListDlg::OnCancel() {
    const ReminderLink::BusyScope busy(*reminders_);
    if (exits_->Close() == ExitAnswer::End) {
        done(kIdCancel);
    }
}

// Enter is pressed by accident more often than anything else: it ends nothing. In the list it
// opens the row (keyPressEvent); elsewhere it does nothing.
void CSubjListDlg::OnOK() {}

// A merge with another computer's save becomes the list the user works on, and what was done
// before it can no longer be undone. The selection is taken before the merge replaces the rows'
// records.
std::function<void()> CSubjListDlg::ShowTakenIn() {
    return [this, kept = KeptSelection::Of(*list_)] {
        history_->MergedIn();
        pane_->FillList(kept);
    };
}

void CSubjListDlg::OnConnect() {
    const ReminderLink::BusyScope busy(*reminders_);
    session_->Connect();
}

QString CSubjListDlg::AskExportFileName() {
    return AskIcsFileToSave(this, kExportCaption);
}

// Both lists as the window holds them, unsaved changes included.
void CSubjListDlg::OnExportIcs(IcsForm form) {
    const ReminderLink::BusyScope busy(*reminders_);
    const QString fileName = AskExportFileName();
    if (fileName.isEmpty()) {
        return;
    }
    const IcsExported exported =
        WriteIcsFile(fileName.toLocal8Bit().toStdString(), session_->Indiv(), session_->Rep(),
                     Clock::Now(), SystemZoneName(), form);
    if (exported.written != FileWrite::Written) {
        messages_.Inform(this, kExportFailed.arg(fileName));
    } else if (exported.notExported > 0) {
        messages_.Inform(this, kNotExported.arg(exported.notExported));
    }
}

void CSubjListDlg::OnImportIcs() {
    const ReminderLink::BusyScope busy(*reminders_);
    if (IcsImportCommand(session_->Indiv(), session_->Rep(), *history_, messages_, this).Run()) {
        pane_->FillList(KeptSelection::Of(*list_));
    }
}

// One step of the history, like any command: the version chosen can be taken back.
void CSubjListDlg::OnRestoreVersion() {
    const ReminderLink::BusyScope busy(*reminders_);
    const SubjKind kind = pane_->RepMode() ? SubjKind::Rep : SubjKind::Indiv;
    const SubjTree& now =
        kind == SubjKind::Indiv ? session_->Indiv().Tree() : session_->Rep().Tree();
    // Every kept version is read and compared before the window opens, which takes a moment
    // on a long list.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    CRestoreVersionDlg versions(kind, now, kind == SubjKind::Indiv ? kIndivFileName : kRepFileName,
                                this);
    QApplication::restoreOverrideCursor();
    if (versions.VersionCount() == 0) {
        messages_.Inform(this, kNoVersions);
        return;
    }
    if (versions.exec() != kIdOk) {
        return;
    }
    const std::optional<std::vector<RecordText>> records = versions.ChosenRecords();
    if (!records) {
        messages_.Inform(this, kVersionNotRead);
        return;
    }
    const KeptSelection kept = KeptSelection::Of(*list_);
    bool restored = false;
    history_->Run(EditHistory::Command::Restore,
                  [&] { restored = session_->Files().Restore(kind, *records); });
    if (!restored) {
        messages_.Inform(this, kNotRestored);
        return;
    }
    pane_->FillList(kept);
}

void CSubjListDlg::OnSysCommand(unsigned command) {
    switch (command & 0xFFF0) {
        case kAboutCommand: {
            const ReminderLink::BusyScope busy(*reminders_);
            CAboutDlg about(this);
            about.exec();
            break;
        }
        case kMinimizeCommand:
            showMinimized();
            break;
        case kCloseCommand:
            OnCancel();
            break;
        default:
            break;
    }
}

QDBusConnection CSubjListDlg::ReminderBus() const {
    return QDBusConnection::sessionBus();
}

// A file that cannot be written still turns the reminders on or off for this
// run; the next start reads the file again.
void CSubjListDlg::OnNotifyToggled(bool notify) {
    switch (reminders_->SetNotify(notify)) {
        case NotifyKept::Kept:
            break;
        case NotifyKept::SettingNotWritten:
            messages_.Inform(this, SettingsNotSavedMessage(kIniFileName));
            break;
        case NotifyKept::AutostartNotWritten:
            messages_.Inform(
                this, kAutostartNotKept.arg(QString::fromStdString(reminders_->AutostartFile())));
            break;
    }
}

void CSubjListDlg::RaiseWindow() {
    if (isMinimized()) {
        showNormal();
    }
    raise();
    activateWindow();
}

void CSubjListDlg::OnReminderAction(const QByteArray& key, ReminderAction action) {
    RaiseWindow();
    const ActionStep step = StepFor(action, StandingOf(session_->Indiv(), key));
    if (step.sayGone) {
        messages_.Inform(this, kReminderSubjectGone);
        return;
    }
    if (!pane_->IndivMode()) {
        pane_->ShowMode(SubjKind::Indiv);
    }
    const int row = pane_->ShowSubjectRow(session_->Indiv().Stored());
    // The mark tells the agent itself, as every step that marks a subject done does.
    if (step.markDone) {
        ChangeDoneRow(row, DoneChange::Done);
    } else if (step.tellAgent) {
        reminders_->TellMarkedDone(key);
    }
}

// A window that ends before it was ever shown (a failed start-up) has no
// place of its own to keep. The place is a convenience: a file that cannot
// be written opens the window where the desktop puts it next time.
void CSubjListDlg::done(int result) {
    if (isVisible()) {
        WindowPlace columns;
        columns.indivColumns = pane_->KeptWidths(SubjListPane::Kind::Indiv);
        columns.repColumns = pane_->KeptWidths(SubjListPane::Kind::Rep);
        static_cast<void>(KeepWindowPlace(*this, std::move(columns), kIniFileName));  // convenience
    }
    TemplateDialog::done(result);
}

void CSubjListDlg::keyPressEvent(QKeyEvent* event) {
    // Help requests (F1) are answered by doing nothing.
    if (event->key() == Qt::Key_F1) {
        event->accept();
        return;
    }
    // Esc closes the find bar, and never the window: it closes every dialog too, and a second
    // press by habit must not end the program.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        if (pane_->Find().IsOpen()) {
            pane_->Find().Close();
        }
        return;
    }
    // Enter in the list opens the row it acts on: the selected one, or the focused one.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (enter && plain && focusWidget() == list_) {
        event->accept();
        OnEditSelected();
        return;
    }
    TemplateDialog::keyPressEvent(event);
}

bool CSubjListDlg::event(QEvent* event) {
    if (event->type() == QEvent::WhatsThis || event->type() == QEvent::EnterWhatsThisMode) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::ContextMenu && systemMenu_ != nullptr) {
        systemMenu_->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return TemplateDialog::event(event);
}
