#include "ServerLink.h"

#include "ConnectDlg.h"
#include "MessageService.h"
#include "SecretMemory.h"

ServerLink::ServerLink(MessageService& messages, QWidget* parent)
    : messages_(messages), parent_(parent), questions_(messages, parent) {}

// A system that refuses the guard leaves the program as it always was; the
// password is still wiped wherever the program holds it.
void ServerLink::LoadSettings() {
    settings_.Load(kIniFileName);
    static_cast<void>(GuardPasswordMemory(settings_));
}

StartUpOutcome ServerLink::Fetch() {
    return FetchFromServer(settings_, questions_);
}

MarkOutcome ServerLink::MarkUnsent(const char* fileName) {
    return ::MarkUnsent(settings_, fileName);
}

SendResult ServerLink::Send() {
    return SendToServer(settings_, questions_);
}

void ServerLink::RunConnectDialog() {
    ::RunConnectDialog(settings_, messages_, parent_);
}
