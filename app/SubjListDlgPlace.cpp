// The main window's place and size and its columns' widths: taken from
// "veskat.ini" as the window opens, kept there as it ends (WindowPlace).
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>

#include "ConnectSettings.h"
#include "SubjListDlg.h"
#include "SubjListView.h"

namespace {

// Where the window system places windows itself, a position asked for is
// ignored at best; there the window opens where the desktop puts it.
bool PositionsWindows() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace

// A folder synced from another computer brings that computer's screen: the
// size is cut to the screen the window opens on, and showing it moves the
// frame wholly onto that screen (TemplateDialog).
void CSubjListDlg::RestorePlace() {
    place_ = ReadWindowPlace(kIniFileName);
    QScreen* target = QGuiApplication::primaryScreen();
    if (place_.position && PositionsWindows()) {
        if (QScreen* there = QGuiApplication::screenAt(*place_.position)) {
            target = there;
        }
        setScreen(target);
        move(*place_.position);
    }
    if (!place_.size.isEmpty() && target != nullptr) {
        resize(place_.size.boundedTo(RoomOn(*target)).expandedTo(minimumSize()));
    }
}

void CSubjListDlg::KeepPlace() {
    KeepColumnWidths();
    place_.position = pos();
    place_.size = isMaximized() || isFullScreen() ? normalGeometry().size() : size();
    static_cast<void>(WriteWindowPlace(place_, kIniFileName));
}

std::vector<int>* CSubjListDlg::KeptWidthsOf(SubjListRows::Kind kind) {
    return kind == SubjListRows::Kind::Indiv ? &place_.indivColumns : &place_.repColumns;
}

void CSubjListDlg::KeepColumnWidths() {
    if (!columnsShown_) {
        return;
    }
    std::vector<int>& widths = *KeptWidthsOf(*columnsShown_);
    widths.clear();
    for (int column = 0; column < list_->ColumnCount(); ++column) {
        widths.push_back(list_->columnWidth(column));
    }
}

// A window that ends before it was ever shown (a failed start-up) has no
// place of its own to keep.
void CSubjListDlg::done(int result) {
    if (isVisible()) {
        KeepPlace();
    }
    TemplateDialog::done(result);
}
