// Where the server steps (ServerSync.h) keep the two data files on a
// server: the one seam between the steps, which decide, merge and mark
// locally, and a kind of server. The steps always work on whole local data
// files: a copy of the server's file read into a local file, a local file
// written to the server.
//
// FtpStore is the FTP server of the connection settings: it moves whole
// files, under a lock folder that makes each step one change on the server.
// A server of single items (CalDAV) would move one item a subject, each with
// the tag of its version, and need no lock: there a write whose tags no
// longer match answers Changed, and the steps read, merge and write again.
//
// A store is made for one step and used from the user-interface thread only;
// every call that waits for the server shows its progress, with キャンセル,
// through the step's SyncQuestions. Once cancelled, every later call fails.
#pragma once

#include <QString>

#include <functional>
#include <string>

#include "BaseCopy.h"
#include "FtpTransfer.h"

// Whether the step may change the server.
enum class StepHold {
    Held,      // the step is the only one changing the server until EndStep
    ReadOnly,  // the server may be read but not changed: ReadOnlyReason() tells why
    Failed,    // neither: the connection failed, or the user gave up the wait
};

// What writing to the server came to.
enum class StoreWrite {
    Written,  // the server holds the new content
    Changed,  // the server's content changed since it was read: read and merge again
    Failed,   // not written; the server's content is as it was
};

class ServerStore {
  public:
    virtual ~ServerStore() = default;

    // Logs in. False when the server cannot be reached or refuses the login.
    [[nodiscard]] virtual bool LogIn() = 0;

    // Starts the step; asks the user where the server looks stuck in another
    // computer's step. Every Held step is ended by EndStep (the destructor
    // ends one that is not).
    [[nodiscard]] virtual StepHold BeginStep() = 0;
    // Why the step is ReadOnly, as a sentence for the user.
    [[nodiscard]] virtual QString ReadOnlyReason() const = 0;
    // Ends the step; tells the user, once, what the server did not allow.
    virtual void EndStep() = 0;

    // Reads the server's copy of `serverPath` into `into`, replacing it only
    // with a whole copy, with the permission bits of `dataFile`. Fetched and
    // NotThere fill `origin` with what the copy came from (NotThere: what a
    // first copy will); NotThere only where the server proves the file is
    // not there; Refused with RefusalText() telling why, when it says.
    [[nodiscard]] virtual ServerFetch Read(const std::string& serverPath, const std::string& into,
                                           const std::string& dataFile, BaseOrigin& origin) = 0;
    [[nodiscard]] virtual QString RefusalText() const = 0;

    // Replaces the server's copy of `serverPath` with the local file
    // `localFile`, whole or not at all. Needs a Held step.
    [[nodiscard]] virtual StoreWrite Write(const std::string& localFile,
                                           const std::string& serverPath) = 0;
    // Before a write that replaces a copy no merge took in: gives the file a
    // new origin, so that no computer's base copy passes for its base, and
    // puts it into `origin`. Needs a Held step.
    [[nodiscard]] virtual StoreWrite RenewOrigin(const std::string& serverPath,
                                                 BaseOrigin& origin) = 0;

    // Asks the user `ask` while the step holds the server, keeping the hold
    // alive however long the answer takes; its answer.
    [[nodiscard]] virtual bool AskHolding(const std::function<bool()>& ask) = 0;
};
