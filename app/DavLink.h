// The main window's link to a CalDAV server, the other kind of server behind
// ServerLink: the CalDAV settings, and the sync of the dated subjects with
// their task list, then of the repeating subjects with its companion, at
// start-up, after every save and on 同期. Each sync runs
// whole on a worker under the progress dialog with キャンセル; what it asks on
// the way is answered on the window's thread by the window's questions, and
// what it took in is told in one line. A server that cannot be reached leaves
// the user working on the local file; the next sync sends what changed.
#pragma once

#include <QUrl>

#include <optional>
#include <vector>

#include "DavSettings.h"
#include "DavState.h"
#include "DavSync.h"
#include "ServerSync.h"

class DavSyncQuestions;
class ServerQuestions;

class DavLink {
  public:
    // `questions` must outlive the link.
    explicit DavLink(ServerQuestions& questions);

    DavSettings& Settings() { return settings_; }
    const DavSettings& Settings() const { return settings_; }
    // Reads the settings from the working folder's INI file; with CalDAV on,
    // the memory that will hold the password is guarded from core files.
    void LoadSettings();
    // Before the data files are read: syncs them. EndWindow when the server
    // could not be used and the user would not go on without it.
    [[nodiscard]] StartUpOutcome SyncAtStartUp();
    // After a save, before its sync: tells the state which subjects the edits
    // moved to other keys, so that each keeps its item. With no state yet,
    // or one the sync will set aside as damaged, there is nothing to keep.
    void NoteMoves(const SubjMoves& moves);
    // After a save, or on 同期: syncs the saved data files. What the syncs
    // wrote into them is in `merged`, for the lists in memory to take in.
    [[nodiscard]] SendResult Sync();
    // The sync of the window's light look (ServerWatch.h): Sync with the
    // answers of `quiet` (QuietQuestions.h), telling only what is more than
    // other devices' changes taken in and this computer's sent.
    [[nodiscard]] SendResult SyncQuietly(DavSyncQuestions& quiet);

    // The repeating subjects' list of `settings`, in the file system's
    // encoding; empty when there is none to sync: none set, or the dated list.
    static QUrl Companion(const DavSettings& settings);

    // How long a silent server is waited for; the default is the client's.
    void SetStallSeconds(long seconds) { stallSeconds_ = seconds; }

  private:
    // The dated subjects' sync, and the repeating subjects' where it follows.
    struct Results {
        DavSyncResult dated;
        std::optional<DavSyncResult> rep;
    };
    Results Run(DavSyncQuestions& asked);
    static SendResult Sent(Results results);
    // The one line of each sync, and what stopped it, in one notice.
    void Tell(const Results& results);

    ServerQuestions& questions_;
    DavSettings settings_;
    long stallSeconds_;
};
