// What the sync of the dated subjects asks of the user while it runs: a
// password where the server refused the one held, whether to work offline
// when the server cannot be used, whether to keep subjects that many
// deletions would take away, and whether to send again a task list found
// empty. The window answers through its message boxes; tests answer from a
// script. The sync builds every text; an answer counts only as Yes (true) or
// anything else (false). Each question is asked on the thread the sync runs
// on, and the sync waits for its answer.
#pragma once

#include <QString>

struct DavSettings;

class DavSyncQuestions {
  public:
    virtual ~DavSyncQuestions() = default;

    // Asked while `settings` holds no password, or after the server refused
    // the one it held (`refused`): fills it with the one the user gives, or
    // leaves it empty to go on without the server.
    virtual void AskPassword(DavSettings& settings, bool refused) = 0;
    // The server cannot be used; true goes on with the local file.
    [[nodiscard]] virtual bool WorkOffline(const QString& question) = 0;
    // Deletions on one side would take many subjects from the other; true
    // keeps them on both.
    [[nodiscard]] virtual bool KeepDeletedSubjects(const QString& question) = 0;
    // The task list is empty though the last sync found many items in it;
    // true sends this computer's subjects to it again, false stops the sync.
    [[nodiscard]] virtual bool SendListAgain(const QString& question) = 0;
};
