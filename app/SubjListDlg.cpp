#include "SubjListDlg.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cstdio>

#include "AboutDlg.h"
#include "Batch.h"
#include "Clock.h"
#include "DesktopNotifier.h"
#include "IcsImportCommand.h"
#include "ImageResource.h"
#include "ListColumns.h"
#include "MessageService.h"
#include "ReminderDriver.h"
#include "ResourceIds.h"
#include "SubjListView.h"

using namespace MainDialogIds;

namespace {

const QString kSaveQuestion = QStringLiteral("変更を保存しますか？");

constexpr ListColumn kIndivColumns[] = {{"日時", "0000/00/00 00:00", false},
                                        {"進捗", "管理しない", false},
                                        {"タイトル", nullptr, true},
                                        {"猶予", "-10000 日", false}};
// The rules say more than a title; they take the room in their list. A title
// opens as wide as fourteen characters, as most are no longer.
constexpr ListColumn kRepColumns[] = {{"タイトル", "請求書と領収書を整理して送る", false},
                                      {"繰り返し", nullptr, true}};

}  // namespace

CSubjListDlg::CSubjListDlg(MessageService& messages, QWidget* parent)
    : TemplateDialog(kMainDialogId, parent),
      messages_(messages),
      appIcon_(AppIconXpm()),
      list_(Control<SubjListView>(kListId)),
      indivRadio_(Control<QRadioButton>(kIndivRadioId)),
      repRadio_(Control<QRadioButton>(kRepRadioId)),
      history_(new EditHistory(indivList_, repList_, this)),
      commands_(indivList_, repList_, *list_, messages_, this),
      server_(messages_, this) {
    ConnectCommands();
    AddKeyCommands();
    AddFindCommand();
    AddOverdueCommand();
}

// The rows read the subject lists, which go before the list view does; the
// reminders (members) go before the lists.
CSubjListDlg::~CSubjListDlg() {
    list_->ShowRows(nullptr, {});
    setProperty(kInstanceName, QVariant());
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
    onMenu(kSaveExitMenuId, [this] { OnSaveExit(); });
    onMenu(kExitNoSaveMenuId, [this] { OnExitNoSave(); });
    onMenu(kConnectMenuId, [this] { OnConnect(); });
    onMenu(kExportIcsMenuId, [this] { OnExportIcs(IcsForm::Todos); });
    onMenu(kExportIcsEventsMenuId, [this] { OnExportIcs(IcsForm::Events); });
    onMenu(kImportIcsMenuId, [this] {
        const BusyScope busy(*this);
        if (IcsImportCommand(indivList_, repList_, *history_, messages_, this).Run()) {
            FillList(KeptSelection::Of(*list_));
        }
    });
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

    if (list_ != nullptr) {
        connect(list_, &SubjListView::RowDoubleClicked, this, [this](int) { OnEdit(); });
        connect(list_, &SubjListView::StateImageClicked, this, &CSubjListDlg::ToggleDoneRow);
    }
}

bool CSubjListDlg::OnInitDialog() {
    AddAboutEntry();
    setWindowIcon(QIcon(appIcon_));
    setProperty(kInstanceName, 1);
    emit Marked();
    LoadSettings();
    RestorePlace();
    endAfterInit_ = !FetchFromServer();
    LoadDataFiles();
    history_->Saved();  // the lists are what the files hold
    indivRadio_->setChecked(true);
    SetupColumns();
    FillList();
    StartReminders();
    if (auto* add = Control<QPushButton>(kAddId)) {
        add->setFocus();
    }
    return true;
}

int CSubjListDlg::DoModal() {
    OnInitDialog();
    if (endAfterInit_) {
        done(kIdOk);
        return kIdOk;
    }
    return exec();
}

int CSubjListDlg::ProgressImage(Progress progress, bool overdue) {
    switch (progress) {
        case Progress::Done:
            return 2;
        case Progress::Open:
            return overdue ? 3 : 1;
        default:
            return 0;
    }
}

bool CSubjListDlg::IndivMode() const {
    return indivRadio_->isChecked();
}

bool CSubjListDlg::RepMode() const {
    return repRadio_->isChecked();
}

// Widths the user gave a mode's columns come back when the mode does, where the
// columns' texts fit them.
void CSubjListDlg::SetupColumns() {
    KeepColumnWidths();
    list_->RemoveAllColumns();
    columnsShown_.reset();
    const auto insert = [this](const auto& columns, SubjListRows::Kind kind) {
        ShowColumns(*list_, columns, *KeptWidthsOf(kind));
        columnsShown_ = kind;
    };
    if (IndivMode()) {
        insert(kIndivColumns, SubjListRows::Kind::Indiv);
    } else if (RepMode()) {
        insert(kRepColumns, SubjListRows::Kind::Rep);
    }
    UpdateCaption();
}

void CSubjListDlg::UpdateCaption() {
    const QString caption = IndivMode() ? QStringLiteral("個別案件一覧")
                            : RepMode() ? QStringLiteral("反復案件一覧")
                                        : windowTitle();
    setWindowTitle(Unsaved() ? QStringLiteral("*") + caption : caption);
    list_->setAccessibleName(caption);
}

// The rows are the stored records themselves, so a fill costs a walk over
// the keys, not a row's texts each.
void CSubjListDlg::FillList(const KeptSelection& keep) {
    using Kind = SubjListRows::Kind;
    const Kind kind = RepMode() ? Kind::Rep : Kind::Indiv;
    rowSource_.Filled(kind);
    std::vector<SubjRowSource::Handle> rows;
    if (IndivMode() || RepMode()) {
        rows = SubjListRows::InListOrder(IndivMode() ? indivList_.Tree() : repList_.Tree(), kind);
    }
    list_->ShowRows(&rowSource_, std::move(rows));
    ApplyFilter();
    ScrollToToday();  // also counts the overdue rows for the line above the list
    if (const int kept = keep.RowIn(*list_, RepMode() ? repList_.Tree() : indivList_.Tree());
        kept >= 0) {
        ShowRow(kept);
    }
}

void CSubjListDlg::SetRow(int index, bool update, const std::string& shownBefore) {
    if (IndivMode()) {
        SetIndivRow(index, update, shownBefore);
    } else if (RepMode()) {
        SetRepRow(index, update);
    }
}

// A rewritten row whose first text changed is placed again, so that the rows
// stay in order for every later insertion.
void CSubjListDlg::SetIndivRow(int index, bool update, const std::string& shownBefore) {
    const RecordText* stored = indivList_.Stored();
    if (stored != nullptr) {
        rowSource_.Rewritten(stored);
    }
    if (update && stored != nullptr && DateTimeText(*stored) == shownBefore) {
        list_->RowChanged(index);
        return;
    }
    if (update) {
        list_->RemoveRow(index);
    }
    if (stored != nullptr) {
        list_->InsertRowOf(stored);
    }
}

// The title is the key: a rewrite never moves the row.
void CSubjListDlg::SetRepRow(int index, bool update) {
    if (update) {
        list_->RowChanged(index);
    } else if (const RecordText* stored = repList_.Stored()) {
        list_->InsertRowOf(stored);
    }
}

std::optional<SubjKind> CSubjListDlg::Mode() const {
    if (IndivMode()) {
        return SubjKind::Indiv;
    }
    if (RepMode()) {
        return SubjKind::Rep;
    }
    return std::nullopt;
}

void CSubjListDlg::OnAdd() {
    const BusyScope busy(*this);
    if (const auto kind = Mode()) {
        RowChange change;
        history_->Run(EditHistory::Command::Add,
                      [&] { change = commands_.Add(*kind, std::max(list_->HotRow(), 0)); });
        ShowChange(change);
    }
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
    const BusyScope busy(*this);
    if (const auto kind = Mode()) {
        RowChange change;
        history_->Run(EditHistory::Command::Edit, [&] { change = commands_.Edit(*kind, row); });
        ShowChange(change);
    }
}

void CSubjListDlg::OnDelete() {
    const int row = list_->ActiveRow();
    if (row < 0) {
        return;
    }
    const BusyScope busy(*this);
    if (const auto kind = Mode()) {
        RowChange change;
        history_->Run(EditHistory::Command::Delete, [&] { change = commands_.Delete(*kind, row); });
        ShowChange(change);
    }
}

void CSubjListDlg::OnToggleDone() {
    ToggleDoneRow(list_->ActiveRow());
}

void CSubjListDlg::ToggleDoneRow(int row) {
    if (row < 0 || !IndivMode()) {
        return;
    }
    const BusyScope busy(*this);
    RowChange change;
    history_->Run(EditHistory::Command::Done, [&] { change = commands_.ToggleDone(row); });
    ShowChange(change);
}

void CSubjListDlg::ReadIndivRow(int row) {
    commands_.ReadIndivRow(row);
}

void CSubjListDlg::ReadRepRow(int row) {
    commands_.ReadRepRow(row);
}

// A removed row leaves the find bar's choice of the others as it was, and its place to the row
// after it (or before it, at the end). The subject added or changed is selected and in view.
void CSubjListDlg::ShowChange(const RowChange& change) {
    switch (change.kind) {
        case RowChange::Kind::None:
            return;
        case RowChange::Kind::Removed:
            list_->RemoveRow(change.row);
            if (list_->RowCount() > 0) {
                ShowRow(std::min(change.row, list_->RowCount() - 1));
            }
            return;
        case RowChange::Kind::Added:
            SetRow(change.row, false);
            break;
        case RowChange::Kind::Rewritten:
            SetRow(change.row, true, change.shownBefore);
            break;
        case RowChange::Kind::Replaced:
            list_->RemoveRow(change.row);
            SetRow(change.row, false);
            break;
    }
    ApplyFilter();
    SelectCurrent();
}

void CSubjListDlg::OnModeChanged() {
    SetupColumns();
    FillList();
}

void CSubjListDlg::OnBatch() {
    const BusyScope busy(*this);
    if (!messages_.AskYes(this, QString::fromStdString(BatchQuestion()))) {
        return;
    }
    const KeptSelection kept = KeptSelection::Of(*list_);
    history_->Run(EditHistory::Command::Batch, [this] { RunBatch(repList_, indivList_); });
    FillList(kept);
}

// The history goes on across the save: what was saved can still be undone.
bool CSubjListDlg::OnSave() {
    const BusyScope busy(*this);
    if (!WriteDataFiles()) {
        return false;
    }
    history_->Saved();
    SendToServer();
    return true;
}

void CSubjListDlg::OnSaveExit() {
    if (OnSave()) {
        done(kIdOk);
    }
}

void CSubjListDlg::OnExitNoSave() {
    done(kIdCancel);
}

// A question with nothing to save would only invite the wrong answer.
void CSubjListDlg::OnCancel() {
    const BusyScope busy(*this);
    if (Unsaved()) {
        const MessageAnswer answer = messages_.AskYesNoCancel(this, kSaveQuestion);
        if (answer == MessageAnswer::Cancel) {
            return;
        }
        if (answer == MessageAnswer::Yes && !WriteDataFiles()) {
            return;
        }
    }
    done(kIdCancel);
}

// Enter is pressed by accident more often than anything else: it ends nothing. In the list it
// opens the row (keyPressEvent); elsewhere it does nothing.
void CSubjListDlg::OnOK() {}

void CSubjListDlg::LoadSettings() {
    server_.LoadSettings();
}

bool CSubjListDlg::FetchFromServer() {
    return server_.Fetch() == StartUpOutcome::Go;
}

bool CSubjListDlg::MarkUnsent(const char* fileName) {
    return server_.MarkUnsent(fileName) == MarkOutcome::Marked;
}

// A merge with another computer's save becomes the list the user works on, and what was done
// before it can no longer be undone. The selection is taken before the merge replaces the rows'
// records.
void CSubjListDlg::SendToServer() {
    server_.Send(files_, [this, kept = KeptSelection::Of(*list_)] {
        history_->MergedIn();
        FillList(kept);
    });
}

void CSubjListDlg::RunConnectDialog() {
    server_.RunConnectDialog();
}

void CSubjListDlg::OnConnect() {
    const BusyScope busy(*this);
    RunConnectDialog();
}

void CSubjListDlg::OnSysCommand(unsigned command) {
    switch (command & 0xFFF0) {
        case kAboutCommand: {
            const BusyScope busy(*this);
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
