// ServerQuestions on the window's message service and dialogs.
#include "ServerQuestions.h"

#include "MessageService.h"
#include "TransferProgressDlg.h"

ServerQuestions::ServerQuestions(MessageService& messages, QWidget* parent)
    : messages_(messages), parent_(parent), passwords_(messages, parent) {}

void ServerQuestions::AskPassword(ConnectSettings& settings) {
    passwords_.Fill(settings);
}

void ServerQuestions::AskPassword(DavSettings& settings, bool refused) {
    passwords_.Fill(settings, refused);
}

bool ServerQuestions::WorkOffline(const QString& question) {
    return messages_.AskYes(parent_, question);
}

bool ServerQuestions::BreakStaleLock(const QString& question) {
    return messages_.AskYes(parent_, question);
}

bool ServerQuestions::KeepDeletedSubjects(const QString& question) {
    return messages_.AskYes(parent_, question);
}

bool ServerQuestions::ReplaceDamagedCopy(const QString& question) {
    return messages_.AskYes(parent_, question);
}

bool ServerQuestions::SendListAgain(const QString& question) {
    return messages_.AskYes(parent_, question);
}

void ServerQuestions::Tell(const QString& notice) {
    messages_.Inform(parent_, notice);
}

std::unique_ptr<TransferDisplay> ServerQuestions::ShowTransfer(const TransferWatch& watch) {
    return ShowTransferProgress(watch, parent_);
}
