#include "SaveSession.h"

#include <QStringList>

#include <utility>

#include "MessageService.h"

namespace {

const QString kSaveFailed = QStringLiteral("データファイルの保存に失敗しました。");
const QString kNotTakenIn = QStringLiteral(
    "他のコンピューターでの変更を取り込んだ一覧は、メモリーが足りないため表示できませんでした。"
    "取り込んだ内容はファイルに保存してあります。いったん終了して起動し直してください。");

}  // namespace

SaveSession::SaveSession(MessageService& messages, QWidget* parent)
    : messages_(messages), parent_(parent), server_(messages, parent) {}

void SaveSession::LoadSettings() {
    server_.LoadSettings();
}

// The files are loaded whatever the fetch came to: a window that must end
// still ends with the lists its files hold.
StartUpOutcome SaveSession::Load() {
    const StartUpOutcome fetched = server_.Fetch();
    LoadFiles();
    return fetched;
}

void SaveSession::LoadFiles() {
    LoadAhead* const ahead = std::exchange(ahead_, nullptr);
    for (const QString& notice : files_.Load(ahead)) {
        messages_.Inform(parent_, notice);
    }
}

// Nothing is sent after a file was left as it was: the server would get a
// pair of files that no list of this computer ever held.
SaveOutcome SaveSession::Save(const TakenIn& takenIn, const SubjMoves& moves) {
    QStringList notices;
    const auto markUnsent = [this](const char* fileName) {
        return server_.MarkUnsent(fileName) == MarkOutcome::Marked;
    };
    if (!files_.Write(markUnsent, &notices)) {
        notices.prepend(kSaveFailed);
        messages_.Inform(parent_, notices.join(QLatin1Char('\n')));
        return SaveOutcome::NotSaved;
    }
    const SendResult sent = server_.Send(moves);
    TakeIn(sent.merged, takenIn);
    switch (sent.outcome) {
        case SendOutcome::Sent:
            return SaveOutcome::Sent;
        case SendOutcome::NotSent:
            return SaveOutcome::NotSent;
        case SendOutcome::ServerOff:
            break;
    }
    return SaveOutcome::Saved;
}

void SaveSession::Sync(const TakenIn& takenIn) {
    TakeIn(server_.Sync().merged, takenIn);
}

bool SaveSession::SyncQuietly(const TakenIn& takenIn) {
    const SendResult synced = server_.SyncQuietly();
    TakeIn(synced.merged, takenIn);
    return synced.outcome == SendOutcome::Sent;
}

// Every list is taken in, and shown again, before the user hears of one that
// could not be: while a message is up, the window must not show rows whose
// records a list has just let go.
void SaveSession::TakeIn(const std::vector<MergedList>& merged, const TakenIn& takenIn) {
    if (merged.empty()) {
        return;
    }
    bool allTaken = true;
    for (const MergedList& list : merged) {
        allTaken = files_.Adopt(list.kind, list.records) && allTaken;
    }
    takenIn();
    if (!allTaken) {
        messages_.Inform(parent_, kNotTakenIn);
    }
}

void SaveSession::Connect() {
    server_.RunConnectDialog();
}
