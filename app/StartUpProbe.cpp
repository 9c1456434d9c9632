#include "StartUpProbe.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// The peak of this process image alone; a parent's peak counts in what wait4
// reports for a spawned child, but not here. With `resident`, what is
// resident now too.
void ReportPeakMemory(bool resident = false) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0 || (resident && line.rfind("VmRSS:", 0) == 0)) {
            std::fprintf(stderr, "%s\n", line.c_str());
        }
    }
}

class FirstListPaint : public QObject {
  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto* view = qobject_cast<QAbstractItemView*>(watched->parent());
        if (event->type() != QEvent::Paint || view == nullptr || view->viewport() != watched) {
            return false;
        }
        // Let the paint happen, then end at once: nothing after it is start-up.
        QApplication::instance()->removeEventFilter(this);
        watched->event(event);
        ReportPeakMemory();
        std::_Exit(0);
    }
};

}  // namespace

void ReportPeakIfAsked() {
    if (!qEnvironmentVariableIsEmpty("VESKAT_REPORT_PEAK")) {
        ReportPeakMemory();
    }
}

void InstallStartUpProbe() {
    if (qEnvironmentVariableIsEmpty("VESKAT_EXIT_AFTER_FIRST_PAINT")) {
        return;
    }
    static FirstListPaint probe;
    QApplication::instance()->installEventFilter(&probe);
}

void EndAfterFirstLookIfProbed() {
    if (!qEnvironmentVariableIsEmpty("VESKAT_EXIT_AFTER_FIRST_LOOK")) {
        ReportPeakMemory(true);
        std::_Exit(0);
    }
}
