// What a screen reader learns of a template dialog that is the program's own
// window (kAppWindow, with its taskbar button): a window, as for any program's
// main window, rather than the dialog the toolkit calls every QDialog.
#pragma once

namespace AppWindowAccessible {

// Installs the factory; more calls do nothing.
void Install();

}  // namespace AppWindowAccessible
