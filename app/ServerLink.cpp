#include "ServerLink.h"

#include "ConnectDlg.h"
#include "DataFileSet.h"
#include "MessageService.h"
#include "SecretMemory.h"

QString MergeTakenMessage(MergeTaken taken) {
    switch (taken) {
        case MergeTaken::OutOfMemory:
            return QStringLiteral(
                "他のコンピューターでの変更を取り込んだ一覧は、メモリーが足りないため表示できま"
                "せんでした。取り込んだ内容はファイルに保存してあります。いったん終了して起動し"
                "直してください。");
        case MergeTaken::Taken:
            break;
    }
    return {};
}

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
    static_cast<void>(GuardPasswordMemory(settings_));
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

void ServerLink::Send(DataFileSet& files, const std::function<void()>& refill) {
    const SendResult result = ActiveServer(settings_, dav_.Settings()) == ServerKind::CalDav
                                  ? dav_.Sync()
                                  : SendToServer(settings_, questions_);
    for (const MergedList& list : result.merged) {
        const MergeTaken taken =
            files.Adopt(list.kind, list.records) ? MergeTaken::Taken : MergeTaken::OutOfMemory;
        if (const QString message = MergeTakenMessage(taken); !message.isEmpty()) {
            messages_.Inform(parent_, message);
        }
    }
    if (!result.merged.empty()) {
        refill();
    }
}

void ServerLink::Sync(DataFileSet& files, const std::function<void()>& refill) {
    if (ActiveServer(settings_, dav_.Settings()) == ServerKind::None) {
        messages_.Inform(parent_, QString::fromUtf8(kNoServer));
        return;
    }
    Send(files, refill);
}

void ServerLink::RunConnectDialog() {
    ::RunConnectDialog(settings_, dav_.Settings(), messages_, parent_);
}
