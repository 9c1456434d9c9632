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

void ServerLink::Send(DataFileSet& files, const std::function<void()>& refill) {
    const SendResult result = SendToServer(settings_, questions_);
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

void ServerLink::RunConnectDialog() {
    ::RunConnectDialog(settings_, messages_, parent_);
}
