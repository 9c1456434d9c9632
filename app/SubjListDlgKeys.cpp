// The main window without the mouse: the keys of its commands, and the menu a
// right click on a row opens with the commands on that row. A right click on
// empty space still opens the window's own popup with the About entry.
#include <QAction>
#include <QKeyEvent>
#include <QMenu>

#include "ResourceIds.h"
#include "SubjListDlg.h"
#include "SubjListView.h"

using namespace MainDialogIds;

namespace {

QAction* NewAction(QWidget* owner, const QString& text, const QList<QKeySequence>& keys,
                   Qt::ShortcutContext context) {
    auto* action = new QAction(text, owner);
    action->setShortcuts(keys);
    action->setShortcutContext(context);
    owner->addAction(action);
    return action;
}

}  // namespace

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
        rowMenu_->actions().back()->setVisible(IndivMode());  // only dated subjects get done
        rowMenu_->popup(global);
    } else if (systemMenu_ != nullptr) {
        systemMenu_->popup(global);
    }
}

void CSubjListDlg::keyPressEvent(QKeyEvent* event) {
    // Help requests (F1) are answered by doing nothing.
    if (event->key() == Qt::Key_F1) {
        event->accept();
        return;
    }
    // While the find bar is open, Esc closes the bar, not the window.
    if (event->key() == Qt::Key_Escape && FindBarOpen()) {
        event->accept();
        CloseFindBar();
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
