// The lock that makes one computer's fetch, merge and upload of both data
// files one step on the server: a folder made with MKD beside the individual
// file (MKD fails while the folder exists), holding a small file that names
// the computer and the time it took the lock. A server that will not remove
// the folder keeps it, marked given back in the owner file, and the next
// taker claims it by writing its own (docs/sync.md).
#pragma once

#include <atomic>
#include <chrono>
#include <string>

class CFtpTransfer;

// How often a waiter looks again, and how long a lock must stay unchanged,
// by the waiter's own clock, before it counts as left by a computer that died.
struct LockTiming {
    std::chrono::milliseconds poll{1000};
    std::chrono::milliseconds stale{std::chrono::minutes(2)};
};
// The timing every lock of this process uses; tests shorten it.
LockTiming& ServerLockTiming();

enum class LockWait {
    Taken,        // the lock is ours
    Stale,        // held, unchanged for the stale time: StaleOwner() tells by whom
    Cancelled,    // the transfer was cancelled while waiting
    NotPossible,  // the server lets nobody make the folder (no right to write there)
    Failed,       // the connection failed
};

// What one step on the locked server came to.
enum class LockStep {
    Done,
    Failed,
};

// This computer as the lock and the upload names show it: the host name
// (letters, digits, '-', '_' and '.' only) and the process.
std::string ComputerName();

class ServerLock {
  public:
    // The lock beside `indivServerFile`, taken and released over `ftp`.
    ServerLock(CFtpTransfer& ftp, const std::string& indivServerFile);

    // Makes the folder, or waits while another computer holds it. Runs on a
    // worker thread; Waiting() reads true while it waits.
    [[nodiscard]] LockWait Take();
    bool Waiting() const { return waiting_; }
    // What the lock file said when Take returned Stale ("" when there was none).
    const std::string& StaleOwner() const { return staleOwner_; }
    // Removes a stale lock when it still says what StaleOwner() says, first
    // finishing a replacement its owner left between delete and rename. Take
    // again afterwards. Done also when the lock turned out not to be stale
    // after all, or was marked given back; Failed when neither could be done.
    [[nodiscard]] LockStep Break();

    // Sends `localFile` under a name of its own, then renames it onto
    // `serverFile`; a server that will not rename onto an existing file gets
    // the old one deleted first, with a note in the lock folder saying where
    // its replacement waits. The data file itself is never written into.
    // Needs the lock. Done sent; Failed not (the server's copy is whole: the
    // old one, or after a failed rename the new one waits under its own name).
    [[nodiscard]] LockStep SendByRename(const std::string& localFile,
                                        const std::string& serverFile);

    // The generation of `serverFile`: a token kept beside it on the server
    // as "<serverFile>.generation", renewed whenever a save replaces a copy
    // it could not merge, so that no computer takes its base copy for what
    // the new content came from. Done read (empty when there is none);
    // Failed when the server did not answer.
    [[nodiscard]] LockStep ReadGeneration(const std::string& serverFile, std::string& generation);
    // Writes a new generation of `serverFile` into `generation`. Needs the
    // lock, and checks it is still this step's first. Done written.
    [[nodiscard]] LockStep NewGeneration(const std::string& serverFile, std::string& generation);

    // Rewrites the owner file, when the lock is still ours, with a new stamp:
    // a waiter takes a lock for stale only when its file stays the same. For
    // a thread of its own while the step waits for the user, over `ftp`
    // while nothing else uses it. False when not rewritten.
    [[nodiscard]] bool Refresh(CFtpTransfer& ftp);

    // Gives the lock back over `ftp` (the one of the constructor, or a fresh
    // login when that one was cancelled), when it is still ours. Best effort.
    void Release(CFtpTransfer& ftp);
    bool Held() const { return held_; }
    // The lock folder's name on the server.
    const std::string& Folder() const { return folder_; }
    // True once this lock found that the server will not remove the folder,
    // where no lock before had marked it so: for telling the user once.
    bool FoundFolderKept() const { return keptFolderFound_; }

  private:
    std::string OwnerText() const;
    // Taken once the owner file is there; Failed, the folder given back, otherwise.
    [[nodiscard]] LockWait WriteOwner();
    // Takes a folder marked given back; Stale when another claimer won.
    [[nodiscard]] LockWait Claim();
    // Removes the folder, or marks it given back where the server keeps it.
    // False when neither could be done.
    [[nodiscard]] bool RemoveFolder(CFtpTransfer& ftp);
    [[nodiscard]] bool FolderExists();
    // True when the lock's owner file still carries this lock's token.
    [[nodiscard]] bool StillOurs(CFtpTransfer& ftp);
    // Renames the replacement named in the lock's note into place and drops the note.
    void FinishPending(CFtpTransfer& ftp);

    CFtpTransfer& ftp_;
    std::string folder_;
    std::string token_;
    std::string takenAt_;
    std::string staleOwner_;
    std::string pendingNote_;  // set while a deleted data file waits for its rename
    bool held_ = false;
    bool claimedKept_ = false;      // taken by claiming a folder marked given back
    bool keptFolderFound_ = false;  // see FoundFolderKept()
    int refreshes_ = 0;
    std::atomic<bool> waiting_{false};
};
