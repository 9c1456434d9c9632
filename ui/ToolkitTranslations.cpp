#include "ToolkitTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool InstallToolkitTranslations(const QString& folder) {
    // The application owns the catalogue: it must outlive every window.
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                          QStringLiteral("_"), folder)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

bool InstallToolkitTranslations() {
    return InstallToolkitTranslations(QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}
