// What the server steps ask of the user and show while they run: the
// password, whether to go on without the server, whether to break a lock left
// behind, whether to keep subjects another computer's copy lacks, whether to
// replace a damaged server copy, the notices, and the progress of every
// transfer with its キャンセル. The main window answers through its message
// boxes and dialogs; tests answer from a script. The steps build every text;
// an answer counts only as Yes (true) or anything else (false).
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

struct ConnectSettings;

// What a progress display may read and do while one transfer runs on a
// worker thread. Each function may be called from the user-interface thread
// at any time while the display lives, and from no other thread.
struct TransferWatch {
    QString file;  // the server file that travels; empty while logging in or at the lock
    std::function<std::int64_t()> bytesMoved;
    std::function<bool()> waitingForLock;  // true while another computer's step is awaited
    // Ends the transfer as failed, at once, and every later one of the step.
    std::function<void()> cancel;
};

// A progress display: on the screen while it lives.
class TransferDisplay {
  public:
    virtual ~TransferDisplay() = default;
};

class SyncQuestions {
  public:
    virtual ~SyncQuestions() = default;

    // Asked only while `settings` holds no password: fills it with the one the
    // user gives, or leaves it empty; the step goes on either way.
    virtual void AskPassword(ConnectSettings& settings) = 0;
    // The server cannot be used; true goes on with the local files.
    [[nodiscard]] virtual bool WorkOffline(const QString& question) = 0;
    // A lock unchanged for minutes; true breaks it.
    [[nodiscard]] virtual bool BreakStaleLock(const QString& question) = 0;
    // Another computer's copy deletes many subjects; true keeps them here.
    [[nodiscard]] virtual bool KeepDeletedSubjects(const QString& question) = 0;
    // The server's copy is damaged and was kept aside; true replaces it.
    [[nodiscard]] virtual bool ReplaceDamagedCopy(const QString& question) = 0;
    // A notice with nothing to answer.
    virtual void Tell(const QString& notice) = 0;
    // Shows the progress of a transfer that has started; the display goes
    // once the transfer has ended. Null shows nothing.
    [[nodiscard]] virtual std::unique_ptr<TransferDisplay> ShowTransfer(
        const TransferWatch& watch) = 0;
};
