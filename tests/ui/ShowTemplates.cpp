// Builds every dialog template and saves a picture of each, at its natural
// size and magnified, to look at captions and alignment:
//   show_templates <output directory> [dark]
#include <QApplication>
#include <QDir>
#include <QPixmap>

#include "DarkPalette.h"
#include "DialogTemplate.h"
#include "TemplateDialog.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    DarkWhenAsked(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    for (const DialogTemplate& dialogTemplate : AllDialogTemplates()) {
        TemplateDialog dialog(dialogTemplate.id);
        dialog.show();
        QApplication::processEvents();
        const QPixmap picture = dialog.grab();
        const QString name = QStringLiteral("dialog%1").arg(dialogTemplate.id);
        picture.save(out.filePath(name + QStringLiteral(".png")));
        picture.scaled(picture.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation)
            .save(out.filePath(name + QStringLiteral("x2.png")));
    }
    return 0;
}
