// Builds every dialog template and saves a picture of each, at its natural
// size and magnified, to look at captions, alignment and the radio and check
// marks in each of their states:
//   show_templates <output directory> [dark]
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QPixmap>

#include "DarkPalette.h"
#include "DialogTemplate.h"
#include "TemplateDialog.h"

namespace {

// Radio buttons and check boxes in every state at once: checked, unchecked,
// disabled either way, and the first with the focus.
void VaryMarks(QWidget& dialog) {
    int n = 0;
    for (QAbstractButton* mark : dialog.findChildren<QAbstractButton*>()) {
        if (!mark->isCheckable()) {
            continue;
        }
        mark->setChecked(n % 2 == 0);
        mark->setEnabled(n % 4 < 2 || n < 2);
        if (n == 0) {
            mark->setFocus();
        }
        ++n;
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    DarkWhenAsked(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    for (const DialogTemplate& dialogTemplate : AllDialogTemplates()) {
        TemplateDialog dialog(dialogTemplate.id);
        VaryMarks(dialog);
        dialog.show();
        dialog.activateWindow();
        QApplication::processEvents();
        const QPixmap picture = dialog.grab();
        const QString name = QStringLiteral("dialog%1").arg(dialogTemplate.id);
        picture.save(out.filePath(name + QStringLiteral(".png")));
        picture.scaled(picture.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation)
            .save(out.filePath(name + QStringLiteral("x2.png")));
    }
    return 0;
}
