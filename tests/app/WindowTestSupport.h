// What the main window's tests share: a fresh working folder under a pinned
// clock, whole-file reads and writes there, subjects made from plain values,
// data files written as the program writes them, the fixed texts the window
// shows about saving, and where a row is found and clicked in the window.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "Clock.h"
#include "EditorTestSupport.h"
#include "ScriptedMessageService.h"
#include "SubjList.h"
#include "SubjListDlg.h"
#include "SubjListPane.h"
#include "SubjListView.h"

inline const QString kSaveQuestion = QStringLiteral("変更を保存しますか？");
inline const QString kSaveFailed = QStringLiteral("データファイルの保存に失敗しました。");

inline QByteArray ReadFile(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void WriteFile(const QString& name, const QByteArray& bytes) {
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

inline IndivSubj Indiv(int y, int m, int d, int h, int min, const QString& title,
                       Progress progress) {
    IndivSubj subj;
    subj.year = static_cast<std::int16_t>(y);
    subj.month = static_cast<std::int16_t>(m);
    subj.day = static_cast<std::int16_t>(d);
    subj.hour = static_cast<std::int16_t>(h);
    subj.minute = static_cast<std::int16_t>(min);
    subj.title = Sjis(title);
    subj.progress = progress;
    return subj;
}

inline RepSubj Rep(const std::string& title, Progress progress) {
    RepSubj subj;
    subj.title = title;
    subj.progress = progress;
    subj.weekly = {1, 1, 1, 1, 1, 1, 1};
    subj.hour = 9;
    return subj;
}

// Writes the data files the window will load.
inline void WriteDataFiles(const std::vector<IndivSubj>& indiv, const std::vector<RepSubj>& rep) {
    IndivSubjList indivList;
    for (const IndivSubj& subj : indiv) {
        indivList.current = subj;
        QCOMPARE(indivList.Insert(), StoreResult::Done);
    }
    RepSubjList repList;
    for (const RepSubj& subj : rep) {
        repList.current = subj;
        QCOMPARE(repList.Insert(), StoreResult::Done);
    }
    QCOMPARE(indivList.Save(kIndivFileName), StoreResult::Done);
    QCOMPARE(repList.Save(kRepFileName), StoreResult::Done);
}

// A fresh working folder made current, with the clock pinned to 2024/05/15
// 12:30:20 local time, for as long as it lives.
class WindowTestFolder {
  public:
    WindowTestFolder() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~WindowTestFolder() { QDir::setCurrent(previous_); }
    WindowTestFolder(const WindowTestFolder&) = delete;
    WindowTestFolder& operator=(const WindowTestFolder&) = delete;

    bool IsValid() const { return dir_.isValid(); }
    // Moves the pinned clock, as time passing, a sleep or a clock set by hand would.
    void SetClock(std::time_t at) { clock_.Set(at); }
    // Everything in the folder, files and folders, by name.
    QStringList Entries() const {
        return QDir(dir_.path())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    }

  private:
    QTemporaryDir dir_;
    QString previous_;
    ScopedClock clock_{LocalTime::Make(2024, 5, 15, 12, 30, 20)};
};

// What each main-window test case starts from: a fresh working folder and a
// message service that has said nothing yet.
class WindowTestCase : public QObject {
  protected:
    void EnterFreshFolder() {
        folder_.emplace();
        QVERIFY(folder_->IsValid());
        messages_.Clear();
    }
    void LeaveFolder() { folder_.reset(); }

    std::optional<WindowTestFolder> folder_;
    ScriptedMessageService messages_;
};

// The main window through its initialisation, shown.
template <class Window = CSubjListDlg>
std::unique_ptr<Window> OpenWindow(MessageService& messages) {
    auto window = std::make_unique<Window>(messages);
    window->OnInitDialog();
    window->show();
    return window;
}

// Runs `script` on the editor of type Editor once the window has opened it;
// an editor the script left open is cancelled, so that a failed check cannot
// leave the test waiting.
template <class Editor>
void WhenEditorShown(QObject* context, const std::function<void(Editor&)>& script) {
    QTimer::singleShot(0, context, [script] {
        auto* editor = qobject_cast<Editor*>(QApplication::activeModalWidget());
        QVERIFY(editor != nullptr);
        script(*editor);
        if (editor->isVisible()) {
            editor->reject();
        }
    });
}

// The line above the main window's list (the overdue count, or what a command did) as shown;
// empty while it is hidden.
inline QString ListLineText(const QWidget& window) {
    auto* label = window.findChild<QLabel*>(QStringLiteral("overdueLine"));
    return label != nullptr && label->isVisible() ? label->text() : QString();
}

// Every individual subject's title in the list, sorted: what a test compares after a merge,
// whose order of arrival is not the point.
inline QStringList SortedTitles(IndivSubjList& list) {
    QStringList titles;
    for (StoreResult r = list.First(); r == StoreResult::Done; r = list.Next()) {
        titles << SjisToQString(list.current.title);
    }
    titles.sort();
    return titles;
}

// The title shown in the selected row of the list as it stands; empty when none is selected.
inline QString SelectedTitle(CSubjListDlg& window) {
    SubjListView* list = window.ListView();
    const int row = list->SelectionMark();
    if (row < 0 || !list->selectionModel()->isRowSelected(row)) {
        return {};
    }
    return list->CellText(row, window.Pane().IndivMode() ? 2 : 0);
}

// Makes `window` the active window, as shortcuts need. The offscreen platform
// gives the focus back to no window when a dialog ends; a desktop gives it
// back to the window below.
inline void Activate(QWidget* window) {
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
}

// Where a row's state image lies, for a click that toggles the row's progress.
inline QPoint StateImageOf(const SubjListView& list, int row) {
    const QRect cell = list.visualRect(list.model()->index(row, 0));
    return {cell.left() + list.iconSize().width() / 2 + 3, cell.center().y()};
}
