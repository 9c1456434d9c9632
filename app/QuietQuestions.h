// The answers of the sync the window's light look runs (ServerWatch.h),
// which the user did not ask for and must not be stopped by: no password
// prompt and no question to work offline (the server away, everything goes
// on as before, and the next save says so), and no progress dialog while the
// sync is quick. The window takes no input meanwhile, so that nothing is
// changed under the merge; a sync that goes on longer shows the usual
// dialog with キャンセル. What decides the fate of subjects (many deleted
// elsewhere, an emptied list) is still asked by the window's questions.
#pragma once

#include "DavSyncQuestions.h"

class QWidget;

class QuietQuestions : public DavSyncQuestions {
  public:
    // How long a sync runs before its progress dialog shows.
    static constexpr int kDialogAfterMs = 1500;

    // `window` and `parent` must outlive the questions.
    QuietQuestions(DavSyncQuestions& window, QWidget* parent);

    void AskPassword(ConnectSettings&) override {}
    void AskPassword(DavSettings&, bool) override {}
    [[nodiscard]] bool WorkOffline(const QString&) override { return true; }
    [[nodiscard]] bool BreakStaleLock(const QString&) override { return false; }
    [[nodiscard]] bool KeepDeletedSubjects(const QString& question) override;
    [[nodiscard]] bool ReplaceDamagedCopy(const QString&) override { return false; }
    [[nodiscard]] bool SendListAgain(const QString& question) override;
    void Tell(const QString& notice) override;
    [[nodiscard]] std::unique_ptr<TransferDisplay> ShowTransfer(
        const TransferWatch& watch) override;

  private:
    DavSyncQuestions& window_;
    QWidget* parent_;
};
