// The toolkit's own texts in Japanese: the buttons and labels of the file
// dialog, the right-click menu of a text field, the standard buttons. Every
// window of the program speaks Japanese in any locale, so the toolkit's parts
// of them must too. The translations come from the toolkit's own catalogues
// (Debian's qt6-translations-l10n).
#pragma once

#include <QString>

// Installs the toolkit's Japanese catalogue from `folder` on the running
// application, for as long as it runs. False when `folder` holds none: the
// toolkit's texts then stay English, and nobody is told, since the program
// works as well without them. Requires a QCoreApplication.
bool InstallToolkitTranslations(const QString& folder);

// The same from the folder where the toolkit keeps its catalogues.
bool InstallToolkitTranslations();
