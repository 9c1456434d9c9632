// What the sync of the dated subjects asks of the user while it runs: the
// server steps' questions (SyncQuestions.h), whose answers the window gives
// for FTP and CalDAV alike, and the two only a task list raises: a password
// where the server refused the one held, and whether to send again a task
// list found empty. Of the steps' questions the sync asks WorkOffline and
// KeepDeletedSubjects; it needs no lock and no server copy. The sync builds
// every text; an answer counts only as Yes (true) or anything else (false).
// Each question is asked on the thread the sync runs on, and the sync waits
// for its answer.
#pragma once

#include <QString>

#include "SyncQuestions.h"

struct DavSettings;

class DavSyncQuestions : public SyncQuestions {
  public:
    using SyncQuestions::AskPassword;

    // Asked while `settings` holds no password, or after the server refused
    // the one it held (`refused`): fills it with the one the user gives, or
    // leaves it empty to go on without the server.
    virtual void AskPassword(DavSettings& settings, bool refused) = 0;
    // The task list is empty though the last sync found many items in it;
    // true sends this computer's subjects to it again, false stops the sync.
    [[nodiscard]] virtual bool SendListAgain(const QString& question) = 0;
};
