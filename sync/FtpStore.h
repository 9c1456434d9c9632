// The FTP server of the connection settings as a ServerStore: whole data
// files moved over one login (TransferSession), each step held by the lock
// folder beside the individual file (ServerLock), each file's origin its
// generation file on the server.
#pragma once

#include "ConnectSettings.h"
#include "ServerLock.h"
#include "ServerStore.h"
#include "TransferSession.h"

class SyncQuestions;

class FtpStore : public ServerStore {
  public:
    // `settings` and `questions` must outlive the store.
    FtpStore(const ConnectSettings& settings, SyncQuestions& questions);
    // Ends a step still held.
    ~FtpStore() override;
    FtpStore(const FtpStore&) = delete;
    FtpStore& operator=(const FtpStore&) = delete;

    [[nodiscard]] bool LogIn() override;
    // Takes the lock, waiting while another computer holds it; a lock that
    // stays unchanged for the stale time is broken once the user agrees.
    // ReadOnly where the login may not make the lock folder.
    [[nodiscard]] StepHold BeginStep() override;
    [[nodiscard]] QString ReadOnlyReason() const override;
    // Gives the lock back, over a fresh login when the step was cancelled.
    void EndStep() override;
    [[nodiscard]] ServerFetch Read(const std::string& serverPath, const std::string& into,
                                   const std::string& dataFile, BaseOrigin& origin) override;
    [[nodiscard]] QString RefusalText() const override { return refusal_; }
    // Uploads under a name of the step's own and renames it into place
    // (ServerLock::SendByRename); never Changed, as the lock holds the server.
    [[nodiscard]] StoreWrite Write(const std::string& localFile,
                                   const std::string& serverPath) override;
    [[nodiscard]] StoreWrite RenewOrigin(const std::string& serverPath,
                                         BaseOrigin& origin) override;
    // While the user answers, a thread rewrites the lock's stamp a few times
    // within each stale time, so that no waiter takes it for left behind.
    [[nodiscard]] bool AskHolding(const std::function<bool()>& ask) override;

  private:
    const ConnectSettings& settings_;
    SyncQuestions& questions_;
    TransferSession session_;
    ServerLock lock_;
    QString refusal_;
    bool keptFolderTold_ = false;
};
