#include "ServerLink.h"

#include "ConnectDlg.h"
#include "MessageService.h"
#include "QuietQuestions.h"
#include "SecretMemory.h"

namespace {

const char* const kNoServer =
    "同期するサーバーが設定されていません。「設定」の「接続」で設定してください。";

}  // namespace

ServerLink::ServerLink(MessageService& messages, QWidget* parent)
    : messages_(messages), parent_(parent), questions_(messages, parent), dav_(questions_) {}

// A system that refuses the guard leaves the program as it always was; the
// password is still wiped wherever the program holds it.
void ServerLink::LoadSettings() {
    settings_.Load(kIniFileName);
    static_cast<void>(GuardPasswordMemory(settings_));  // best effort: the password is wiped anyway
    dav_.LoadSettings();
}

StartUpOutcome ServerLink::Fetch() {
    if (ActiveServer(settings_, dav_.Settings()) == ServerKind::CalDav) {
        return dav_.SyncAtStartUp();
    }
    return FetchFromServer(settings_, questions_);
}

// A task list's sync needs no marker: its state beside the file knows what was sent.
MarkOutcome ServerLink::MarkUnsent(const char* fileName) {
    if (ActiveServer(settings_, dav_.Settings()) == ServerKind::CalDav) {
        return MarkOutcome::Marked;
    }
    return ::MarkUnsent(settings_, fileName);
}

SendResult ServerLink::Send(const SubjMoves& moves) {
    if (ActiveServer(settings_, dav_.Settings()) == ServerKind::CalDav) {
        dav_.NoteMoves(moves);
        return dav_.Sync();
    }
    return SendToServer(settings_, questions_);
}

SendResult ServerLink::Sync() {
    if (ActiveServer(settings_, dav_.Settings()) == ServerKind::None) {
        messages_.Inform(parent_, QString::fromUtf8(kNoServer));
        return {};
    }
    return Send();
}

bool ServerLink::DavOn() const {
    return ActiveServer(settings_, dav_.Settings()) == ServerKind::CalDav;
}

SendResult ServerLink::SyncQuietly() {
    if (!DavOn()) {
        return {};
    }
    QuietQuestions quiet(questions_, parent_);
    return dav_.SyncQuietly(quiet);
}

void ServerLink::RunConnectDialog() {
    ::RunConnectDialog(settings_, dav_.Settings(), messages_, parent_);
}
