// The About entry of the main window's system menu. On Windows it goes into
// the real system menu; where the window manager owns that menu, the window
// offers the same entries in a popup of its own, opened from the icon at the
// left end of the menu bar or by a right click on the window.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>

#include "MenuResource.h"
#include "ResourceIds.h"
#include "SubjListDlg.h"

#ifdef Q_OS_WIN
#include <windows.h>

void CSubjListDlg::AddAboutEntry() {
    const std::string text = LoadResourceString(kAboutEntryStringId);
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    if (menu == nullptr || text.empty()) {
        return;
    }
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kAboutCommand,
                reinterpret_cast<const wchar_t*>(QString::fromStdString(text).utf16()));
}

bool CSubjListDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    const MSG* msg = static_cast<const MSG*>(message);
    if (eventType == "windows_generic_MSG" && msg->message == WM_SYSCOMMAND &&
        (msg->wParam & 0xFFF0) == kAboutCommand) {
        OnSysCommand(static_cast<unsigned>(msg->wParam));
        *result = 0;
        return true;
    }
    return TemplateDialog::nativeEvent(eventType, message, result);
}

#else

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

#endif
