// One computer's step for the randomised sync test, run as a process of its
// own so that the test can hold it on the server or kill it: in the working
// folder given, "start" runs the main window's start-up against the server
// of its veskat.ini; "save" takes the local files as a window left open
// would hold them, makes a few random edits, logs them to edits.log and
// saves through the window's save session. Every message goes to messages.log and every
// question is answered Yes.
//
// Usage: sync_actor FOLDER start|save SEED FIRST_NEW_NUMBER
#include <QApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "ConnectSettings.h"
#include "MessageService.h"
#include "SaveSession.h"
#include "ServerLock.h"
#include "SubjList.h"
#include "SubjListDlg.h"
#include "SyncActorLog.h"

namespace {

class AnsweringYes : public MessageService {
  public:
    MessageAnswer Show(QWidget*, const QString& text, MessageButtons buttons) override {
        AppendLine(kMessagesLog, QString(text).replace('\n', ' ').toStdString());
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
    }
};

// One to three adds, edits or deletes of individual subjects.
void Edit(IndivSubjList& list, std::mt19937& random, int firstNew) {
    std::vector<IndivSubj> subjects;
    for (StoreResult r = list.First(); r == StoreResult::Done; r = list.Next()) {
        subjects.push_back(list.current);
    }
    const int count = std::uniform_int_distribution<int>(1, 3)(random);
    for (int i = 0; i < count; ++i) {
        const std::string version = "v" + std::to_string(firstNew + i);
        const int what = subjects.empty() ? 0 : std::uniform_int_distribution<int>(0, 2)(random);
        if (what == 0) {
            list.current = SoakSubject(firstNew + i, version);
            if (list.Insert() == StoreResult::Done) {
                AppendLine(kEditsLog, "add " + SoakTitleNumber(list.current) + " " + version);
            }
            continue;
        }
        const std::size_t at =
            std::uniform_int_distribution<std::size_t>(0, subjects.size() - 1)(random);
        list.current = subjects[at];
        const std::string old = list.current.content;
        if (what == 1) {
            list.current.content = version;
            if (list.Replace() == StoreResult::Done) {
                AppendLine(kEditsLog,
                           "edit " + SoakTitleNumber(list.current) + " " + old + " " + version);
                subjects[at] = list.current;
            }
        } else if (list.Remove() == StoreResult::Done) {
            AppendLine(kEditsLog, "del " + SoakTitleNumber(list.current) + " " + old);
            subjects.erase(subjects.begin() + static_cast<std::ptrdiff_t>(at));
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: sync_actor FOLDER start|save SEED FIRST_NEW_NUMBER\n");
        return 2;
    }
    QApplication app(argc, argv);
    QDir::setCurrent(QString::fromLocal8Bit(argv[1]));
    const std::string mode = argv[2];
    ServerLockTiming() = {std::chrono::milliseconds(20), std::chrono::milliseconds(1500)};
    AnsweringYes messages;
    if (mode == "save") {
        // As a window that stayed open since its start-up: its lists are the local files.
        SaveSession session(messages, nullptr);
        session.Settings().password = kSoakPassword;
        session.LoadSettings();
        session.LoadFiles();
        std::mt19937 random(static_cast<unsigned>(std::stoul(argv[3])));
        Edit(session.Indiv(), random, std::stoi(argv[4]));
        static_cast<void>(session.Save([] {}));  // what it came to is in messages.log
        return 0;
    }
    CSubjListDlg window(messages);
    window.Settings().password = kSoakPassword;
    window.OnInitDialog();
    return 0;
}
