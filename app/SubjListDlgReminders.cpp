// The main window's side of the reminders: the driver over the individual
// list, the 通知する check item, the actions picked on a notification, and the
// busy scopes that hold those actions while a command runs.
#include <QAction>
#include <QEvent>
#include <QRadioButton>
#include <QTimer>
#include <functional>

#include "DesktopNotifier.h"
#include "ReminderDriver.h"
#include "ReminderSettings.h"
#include "ResourceIds.h"
#include "SubjListDlg.h"
#include "SubjListView.h"

using namespace MainDialogIds;

namespace {

// Runs `then` once `watched` has been painted for the first time, from the
// event loop after that paint; a widget never painted never runs it.
class AfterFirstPaint : public QObject {
  public:
    AfterFirstPaint(QWidget* watched, std::function<void()> then)
        : QObject(watched), then_(std::move(then)) {
        watched->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, watched, std::move(then_));
            deleteLater();
        }
        return false;
    }

  private:
    std::function<void()> then_;
};

}  // namespace

CSubjListDlg::BusyScope::BusyScope(CSubjListDlg& window) : window_(window) {
    if (window_.busyDepth_++ == 0 && window_.reminders_ != nullptr) {
        window_.reminders_->SetBusy(true);
    }
}

// The actions held meanwhile are handed on after the look, so that they find
// the subjects as the command left them.
CSubjListDlg::BusyScope::~BusyScope() {
    if (--window_.busyDepth_ == 0 && window_.reminders_ != nullptr) {
        window_.reminders_->ListsChanged();
        window_.reminders_->SetBusy(false);
    }
}

QDBusConnection CSubjListDlg::ReminderBus() const {
    return QDBusConnection::sessionBus();
}

void CSubjListDlg::StartReminders() {
    notifier_ = std::make_unique<DesktopNotifier>(ReminderBus());
    reminders_ = std::make_unique<ReminderDriver>(indivList_, *notifier_);
    connect(reminders_.get(), &ReminderDriver::ActionRequested, this,
            &CSubjListDlg::OnReminderAction);
    connect(reminders_.get(), &ReminderDriver::RaiseRequested, this, &CSubjListDlg::RaiseWindow);
    const bool notify = ReadNotifySetting(kIniFileName);
    if (QAction* item = MenuAction(kNotifyMenuId)) {
        item->setCheckable(true);
        item->setChecked(notify);
        connect(item, &QAction::toggled, this, &CSubjListDlg::OnNotifyToggled);
    }
    // The first look reads every subject and may wait on the session bus:
    // the list is on the screen before it, not behind it.
    new AfterFirstPaint(list_->viewport(), [this, notify] {
        if (QAction* item = MenuAction(kNotifyMenuId);
            item == nullptr || item->isChecked() == notify) {
            reminders_->SetEnabled(notify);
        }
    });
}

// A file that cannot be written still turns the reminders off for this run;
// the next start reads the file again.
void CSubjListDlg::OnNotifyToggled(bool notify) {
    static_cast<void>(WriteNotifySetting(notify, kIniFileName));
    reminders_->SetEnabled(notify);
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
    indivList_.current = SubjOfKey(key);
    const RecordText* stored = indivList_.Stored();
    if (stored == nullptr) {
        return;
    }
    if (!IndivMode()) {
        indivRadio_->setChecked(true);
        OnModeChanged();
    }
    const int row = ShowSubjectRow(stored);
    if (action == ReminderAction::Done) {
        EditRow(row);
    }
}

// A row the find bar hides is shown by closing the bar: the user asked for
// that subject.
int CSubjListDlg::ShowSubjectRow(const void* stored) {
    int row = 0;
    const int count = list_->RowCount();
    while (row < count && list_->RowHandle(row) != stored) {
        ++row;
    }
    if (row == count) {
        return -1;
    }
    if (list_->isRowHidden(row, QModelIndex())) {
        CloseFindBar();
    }
    ShowRow(row);
    return row;
}
