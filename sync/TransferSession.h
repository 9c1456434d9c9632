// The FTP connection of one start-up fetch or one save, its operations run
// off the user-interface thread: each runs on a worker thread of its own
// while the user-interface thread runs an event loop, so that the progress
// display the step's SyncQuestions shows (キャンセル included) and the windows
// behind it stay alive.
#pragma once

#include <functional>
#include <string>

#include "FtpTransfer.h"

struct ConnectSettings;
class SyncQuestions;

// CFtpTransfer with the settings' login, address and encryption. Results as
// CFtpTransfer's. Once cancelled, every later operation fails at once, so the
// caller's failure messages follow as for any other failure.
//
// Thread safety: a session is used from the user-interface thread only.
// Each operation runs on a worker thread of its own, one at a time, while the
// user-interface thread runs the event loop. They share the transfer, of
// which the user-interface thread only reads the bytes moved and asks for the
// cancel (both made for that by CFtpTransfer), and the operation's result, of
// whatever type, which the worker writes and the user-interface thread reads
// only after the worker has been joined. Every way out of an operation
// cancels a worker still running, then joins it: none outlives the call.
// Needs a QCoreApplication.
class TransferSession {
  public:
    // `settings` and `questions` must outlive the session.
    TransferSession(const ConnectSettings& settings, SyncQuestions& questions);

    [[nodiscard]] int Connect();
    [[nodiscard]] ServerFetch Download(const std::string& serverFile, const std::string& localFile,
                                       const std::string& dataFile = {});

    // Runs `operation` on the transfer, on a worker, showing `file` (empty
    // while logging in or at the lock) and, while `waiting` answers true,
    // that another computer's step is awaited. Its result; `notRun` when the
    // session was cancelled before it could start.
    template <typename Result, typename Operation>
    Result Run(const std::string& file, Result notRun, const Operation& operation,
               const std::function<bool()>& waiting = {}) {
        Result result = notRun;
        RunOnWorker(
            file, [&] { result = operation(ftp_); }, waiting);
        return result;
    }

    // Runs `operation` over this session's login, or over a fresh one when
    // this session was cancelled: what must be given back to the server (a
    // lock) must not stay behind because the user stopped waiting. Nothing
    // when no login could be had.
    void RunEvenIfCancelled(const std::function<void(CFtpTransfer&)>& operation);

    bool Cancelled() const { return ftp_.Cancelled(); }
    // The transfer, for what runs on a thread of its own while no operation
    // runs (the lock kept fresh during a question).
    CFtpTransfer& Transfer() { return ftp_; }

  private:
    // The worker and the display of Run; does nothing once cancelled.
    void RunOnWorker(const std::string& file, const std::function<void()>& operation,
                     const std::function<bool()>& waiting = {});

    const ConnectSettings& settings_;
    SyncQuestions& questions_;
    CFtpTransfer ftp_;
};
