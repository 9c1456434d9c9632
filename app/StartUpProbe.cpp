#include "StartUpProbe.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <cstdlib>

namespace {

class FirstListPaint : public QObject {
  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const bool listRows =
            event->type() == QEvent::Paint && watched->parent() != nullptr &&
            qobject_cast<QAbstractItemView*>(watched->parent()) != nullptr &&
            static_cast<QAbstractItemView*>(watched->parent())->viewport() == watched;
        if (!listRows) {
            return false;
        }
        // Let the paint happen, then end at once: nothing after it is start-up.
        static_cast<QWidget*>(watched)->removeEventFilter(this);
        QApplication::instance()->removeEventFilter(this);
        const bool handled = watched->event(event);
        std::_Exit(0);
        return handled;
    }
};

}  // namespace

void InstallStartUpProbe() {
    if (qEnvironmentVariableIsEmpty("VESKAT_EXIT_AFTER_FIRST_PAINT")) {
        return;
    }
    static FirstListPaint probe;
    QApplication::instance()->installEventFilter(&probe);
}
