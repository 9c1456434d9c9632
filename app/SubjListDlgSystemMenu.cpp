// The About entry of the main window's system menu. The window manager owns
// that menu, so the window offers the same entries in a popup of its own,
// opened from the icon at the left end of the menu bar or by a right click on
// the window.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>

#include "MenuResource.h"
#include "ResourceIds.h"
#include "SubjListDlg.h"

void CSubjListDlg::AddAboutEntry() {
    const std::string text = LoadResourceString(kAboutEntryStringId);
    auto* bar = findChild<QMenuBar*>();
    if (bar == nullptr || text.empty() || systemMenu_ != nullptr) {
        return;
    }
    systemMenu_ = new QMenu(this);
    systemMenu_->addAction(QStringLiteral("最小化(&N)"), this,
                           [this] { OnSysCommand(kMinimizeCommand); });
    systemMenu_->addAction(QStringLiteral("閉じる(&C)"), this,
                           [this] { OnSysCommand(kCloseCommand); });
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
