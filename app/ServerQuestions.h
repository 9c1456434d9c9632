// The main window's answers to what the server steps ask (SyncQuestions.h)
// and what a task list's sync adds (DavSyncQuestions.h): its message boxes for
// the questions and notices, the password from the keyring or the prompt,
// and the modal progress dialog with キャンセル for every transfer.
#pragma once

#include "DavSyncQuestions.h"
#include "PasswordSource.h"

class MessageService;
class QWidget;

class ServerQuestions : public DavSyncQuestions {
  public:
    // `messages` and `parent` must outlive the questions; `parent` owns their dialogs.
    ServerQuestions(MessageService& messages, QWidget* parent);

    // The keyring's, or the prompt "FTPパスワード".
    void AskPassword(ConnectSettings& settings) override;
    // The keyring's, or the prompt "CalDAVパスワード".
    void AskPassword(DavSettings& settings, bool refused) override;
    // Each a Yes/No box.
    [[nodiscard]] bool WorkOffline(const QString& question) override;
    [[nodiscard]] bool BreakStaleLock(const QString& question) override;
    [[nodiscard]] bool KeepDeletedSubjects(const QString& question) override;
    [[nodiscard]] bool ReplaceDamagedCopy(const QString& question) override;
    [[nodiscard]] bool SendListAgain(const QString& question) override;
    // An OK box.
    void Tell(const QString& notice) override;
    [[nodiscard]] std::unique_ptr<TransferDisplay> ShowTransfer(
        const TransferWatch& watch) override;

  private:
    MessageService& messages_;
    QWidget* parent_;
    PasswordSource passwords_;
};
