#include "FileChooser.h"

#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>

QString ChooseFile(QWidget* parent, FileChoice choice, const QString& caption, const QString& path,
                   const QString& filter) {
    // No path starts where the program is, in its data folder.
    QFileDialog dialog(parent, caption, path.isEmpty() ? QDir::currentPath() : path, filter);
    dialog.setAcceptMode(choice == FileChoice::Save ? QFileDialog::AcceptSave
                                                    : QFileDialog::AcceptOpen);
    dialog.setFileMode(choice == FileChoice::Save ? QFileDialog::AnyFile
                                                  : QFileDialog::ExistingFile);
    const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        // The frame is the window manager's and unknown until shown; a title
        // bar and a border each side stand in for it.
        const int border = dialog.style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
        const int titleBar = dialog.style()->pixelMetric(QStyle::PM_TitleBarHeight);
        const QSize room =
            screen->availableGeometry().size() - QSize(2 * border, titleBar + 2 * border);
        dialog.resize(dialog.sizeHint().boundedTo(room));
    }
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return dialog.selectedFiles().value(0);
}
