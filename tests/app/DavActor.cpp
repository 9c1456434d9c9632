// One computer's step for the CalDAV soak, run as a process of its own so
// that the test can hold it at the server or kill it. In the working folder
// given, with CalDAV on in its veskat.ini:
//   start  the main window's start-up, which syncs both lists;
//   save   a window left open since its last step: its save session, with
//          the lists the local files hold, makes a few random edits of both
//          kinds, logs them to edits.log, and saves, which syncs;
//   sync   the start-up, then 同期;
//   batch  the start-up, then 一括 and a save.
// Every message goes to messages.log and every question is answered Yes; the
// password prompt, where the server asks for one, is answered with PASSWORD.
//
// Usage: dav_actor FOLDER start|save|sync|batch SEED FIRST_NEW_NUMBER PASSWORD
#include <QApplication>
#include <QDir>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "AnsweringYes.h"
#include "PromptScript.h"
#include "SaveSession.h"
#include "SubjList.h"
#include "SubjListDlg.h"
#include "SyncActorLog.h"

namespace {

// The subjects a list holds, in key order.
template <typename List>
auto Subjects(List& list) {
    std::vector<decltype(list.current)> subjects;
    for (StoreResult r = list.First(); r == StoreResult::Done; r = list.Next()) {
        subjects.push_back(list.current);
    }
    return subjects;
}

// One to three adds, edits or deletes in `list`, logged with `prefix`
// ("" for dated subjects, "r" for repeating ones); `make` makes a new
// subject of a number and a version, `numberOf` reads a subject's number.
template <typename List, typename Make>
void Edit(List& list, std::mt19937& random, int& next, const std::string& prefix,
          const char* titlePrefix, Make make) {
    // The batch's subjects are the batch's: only the soak's own are edited.
    auto subjects = Subjects(list);
    std::erase_if(subjects, [&](const auto& subj) { return !subj.title.starts_with(titlePrefix); });
    const auto numberOf = [&](const auto& subj) {
        return subj.title.substr(std::string(titlePrefix).size());
    };
    const int count = std::uniform_int_distribution<int>(1, 3)(random);
    for (int i = 0; i < count; ++i) {
        const int number = next++;
        const std::string version = "v" + std::to_string(number);
        const int what = subjects.empty() ? 0 : std::uniform_int_distribution<int>(0, 3)(random);
        if (what == 0) {
            list.current = make(number, version);
            if (list.Insert() == StoreResult::Done) {
                AppendLine(kEditsLog, prefix + "add " + numberOf(list.current) + " " + version);
            }
            continue;
        }
        const std::size_t at =
            std::uniform_int_distribution<std::size_t>(0, subjects.size() - 1)(random);
        list.current = subjects[at];
        const std::string old = list.current.content;
        if (what < 3) {
            list.current.content = version;
            if (what == 2) {
                list.current.progress =
                    list.current.progress == Progress::Done ? Progress::Open : Progress::Done;
            }
            if (list.Replace() == StoreResult::Done) {
                AppendLine(kEditsLog,
                           prefix + "edit " + numberOf(list.current) + " " + old + " " + version);
                subjects[at] = list.current;
            }
        } else if (list.Remove() == StoreResult::Done) {
            AppendLine(kEditsLog, prefix + "del " + numberOf(list.current) + " " + old);
            subjects.erase(subjects.begin() + static_cast<std::ptrdiff_t>(at));
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr,
                     "usage: dav_actor FOLDER start|save|sync|batch SEED FIRST_NEW_NUMBER "
                     "PASSWORD\n");
        return 2;
    }
    QApplication app(argc, argv);
    QDir::setCurrent(QString::fromLocal8Bit(argv[1]));
    const std::string mode = argv[2];
    const std::string password = argv[5];
    int shown = 0;
    if (!password.empty()) {
        AnswerPassword(password.c_str(), &shown);
    }
    AnsweringYes messages;
    if (mode == "save") {
        SaveSession session(messages, nullptr);
        session.LoadSettings();
        session.LoadFiles();
        std::mt19937 random(static_cast<unsigned>(std::stoul(argv[3])));
        int next = std::stoi(argv[4]);
        // Dated a month ahead, so that no batch purges them.
        Edit(session.Indiv(), random, next, "", kSoakTitlePrefix,
             [](int number, const std::string& version) {
                 IndivSubj subj = SoakSubject(number, version);
                 subj.year = kDavSoakYear;
                 return subj;
             });
        Edit(session.Rep(), random, next, "r", kSoakRepPrefix, SoakRepSubject);
        static_cast<void>(session.Save([] {}));  // what it came to is in messages.log
        return 0;
    }
    CSubjListDlg window(messages);
    window.OnInitDialog();
    if (mode == "sync") {
        window.OnSync();
    } else if (mode == "batch") {
        window.OnBatch();
        window.OnSave();
    }
    return 0;
}
