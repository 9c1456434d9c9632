// FetchFromServer, SendToServer and the unsent markers.
#include "ServerSync.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdio>
#include <optional>

#include "BaseCopy.h"
#include "ConnectSettings.h"
#include "FetchDecision.h"
#include "FileAccess.h"
#include "FtpStore.h"
#include "KeptCopies.h"
#include "KeptVersions.h"
#include "SjisCodec.h"
#include "SubjList.h"
#include "SyncDir.h"
#include "SyncQuestions.h"

namespace {

const char* const kConnectFailed = "ftpサーバーとの接続に失敗しました。";
const char* const kNewestIsLocal = "最新ファイルはこのコンピューター上にあります。";
const char* const kKeptLocal =
    "前回サーバーへ送信できなかった変更があるため、このコンピューター上のファイルを使います。\n"
    "サーバーのファイルは名前に「.server」を付けて保存しました。";
const char* const kWorkOffline = "このコンピューター上のファイルで作業を続けますか？";
// %1 the kind of subjects.
const char* const kBaseNotWritten =
    "%1ファイルの基準コピーを書き込めませんでした。前の基準コピーのままなので、"
    "次に他のコンピューターの変更と合わせるとき、その後に削除した案件が戻ることがあります。";
const char* const kNotOnServer =
    "サーバーに%1ファイルがまだないため、このコンピューター上のファイルを使います。"
    "次の保存で送信します。";
// %1 the kind of subjects; %2 why; %3 the name of the copy kept.
const char* const kServerCopyKeptAside =
    "サーバーの%1ファイルは%2ため、取り込まずに %3 として残しました。";
const char* const kDamaged = "壊れていた";
const char* const kReEncoded = "別のプログラムで文字コードを変えて保存されていた";
const char* const kUseLocal = "このコンピューター上のファイルを使います。";
const char* const kReplaceDamaged =
    "このコンピューター上のファイルでサーバーのファイルを置き換えますか？";
// %1 the kind of subjects; %2 the name of the copy kept.
const char* const kLocalChangesMerged =
    "このコンピューター上の%1ファイルにはサーバーへ送っていない変更があったため、"
    "サーバーのファイルと合わせました。元のファイルを %2 として残しました。";
// %1 the kind of subjects.
const char* const kVersionNotKept =
    "このコンピューター上の%1ファイルの今の版を残せなかったため、サーバーのファイルを"
    "取り込みませんでした。サーバーのファイルは名前に「.server」を付けて保存しました。";
// %1 the kind of subjects; %2 a number.
const char* const kManyDeleted =
    "他のコンピューターで%1が %2 件削除されています。\n"
    "このコンピューターでは残しますか？（「いいえ」で削除を取り込みます）";
// %1 the server file; %2 the server's answer.
const char* const kNotRead = "サーバーの %1 を読めませんでした（%2）。";
const char* const kNoReason = "理由は示されませんでした";
const char* const kNotSentOverUnread = "サーバーのファイルを上書きしないよう、送信をやめました。";

// One data file and where it lives on the server.
struct DataFile {
    SubjKind kind;
    const char* local;
    const std::string& server;
    const char* kindName;
    const char* fetchFailed;
    const char* sendFailed;
};

std::array<DataFile, 2> DataFiles(const ConnectSettings& settings) {
    return {{
        {SubjKind::Indiv, kIndivFileName, settings.indivSubjPath, KindName(SubjKind::Indiv),
         "個別案件の取得に失敗しました。", "個別案件の転送に失敗しました。\n"},
        {SubjKind::Rep, kRepFileName, settings.repSubjPath, KindName(SubjKind::Rep),
         "反復案件の取得に失敗しました。", "反復案件の転送に失敗しました。\n"},
    }};
}

QString MarkerName(const std::string& localFile) {
    return QString::fromLocal8Bit(localFile + kUnsentSuffix);
}

// For the copies fetched from the server, which are scratch: one that stays
// is fetched over by the next fetch to its name.
void RemoveFile(const std::string& fileName) {
    static_cast<void>(QFile::remove(QString::fromLocal8Bit(fileName)));
}

// The marker must be on the disk, folder entry included, before the file it
// speaks for changes; its removal can wait, as a marker too many only keeps a
// local file the server already has.
[[nodiscard]] bool SetUnsentMarker(const std::string& localFile, bool unsent) {
    QFile marker(MarkerName(localFile));
    if (!unsent) {
        return marker.remove() || !marker.exists();
    }
    if (!marker.open(QIODevice::WriteOnly)) {
        return false;
    }
    // Private like every side file of a private data file; being empty, it
    // still stands when they cannot be set.
    static_cast<void>(TakePermissionsOf(marker, localFile));
    marker.close();
    SyncDirectoryOf(localFile + kUnsentSuffix);
    return true;
}

// Marks `localFile` as unsent where this run replaces nothing: a marker that
// cannot be written is asked for again before a save replaces the file, and
// until then the file is the same as when the server last saw it, or the
// server's copy cannot take its place (missing or damaged).
void MarkAgainBeforeSave(const ConnectSettings& settings, const std::string& localFile) {
    static_cast<void>(MarkUnsent(settings, localFile));
}

// Offers to go on without the server; Yes marks both files, so that the
// first save merges with the server's copies and sends them.
bool WorkOffline(const ConnectSettings& settings, SyncQuestions& questions,
                 const QString& failure) {
    if (!questions.WorkOffline(failure + "\n" + QString::fromUtf8(kWorkOffline))) {
        return false;
    }
    LocalSaveNotSent(settings);
    return true;
}

void AskPasswordIfNone(ConnectSettings& settings, SyncQuestions& questions) {
    if (settings.password.empty()) {
        questions.AskPassword(settings);
    }
}

// Writes a merge into the local file, the conflicts aside first: once the
// local file holds the merge, theirs of those keys is nowhere else.
bool WriteMerge(const DataFile& file, SubjMergeResult& result) {
    return KeepConflictsAside(file.local, result) == FileWrite::Written &&
           WriteSubjFile(file.kind, file.local, result.merged) == FileWrite::Written;
}

// One server step's work, for the messages and merges it gathers.
struct Step {
    ConnectSettings& settings;
    SyncQuestions& questions;
    ServerStore& store;
    std::vector<SubjMergeResult> merges;
    QStringList notices;
    QStringList notOnServer;  // the kinds of subjects whose server file is not there yet
};

// Makes `sourceFile` the base copy of `file` from `origin`. One that cannot be
// written leaves the previous base whole, which the user is told of: a merge
// against it may bring back what was deleted since.
void RecordBase(Step& step, const DataFile& file, const std::string& sourceFile,
                const BaseOrigin& origin) {
    if (WriteBaseCopyOf(file.local, sourceFile, origin) == FileWrite::Written) {
        return;
    }
    // Once for a file, though a save may try to record its base twice.
    const QString notice = QString::fromUtf8(kBaseNotWritten).arg(QString::fromUtf8(file.kindName));
    if (!step.notices.contains(notice)) {
        step.notices << notice;
    }
}

// A merge that takes in many deletions at once is more likely a server copy
// that lost lines than deliberate work: the default keeps the subjects. True
// when they were kept.
bool KeepManyDeletions(Step& step, const DataFile& file, SubjMergeResult& result) {
    if (!DeletesMany(result)) {
        return false;
    }
    const QString question =
        QString::fromUtf8(kManyDeleted)
            .arg(QString::fromUtf8(file.kindName), QString::number(result.deleted.size()));
    if (!step.store.AskHolding([&] { return step.questions.KeepDeletedSubjects(question); })) {
        return false;
    }
    KeepDeleted(result);
    return true;
}

// A server copy that did not load cleanly is kept aside, unmerged; the
// text says so. Empty when the copy could not be kept.
QString KeepServerCopyAside(const DataFile& file, const std::string& copy, CopyCheck check) {
    std::string kept;
    const FileWrite copied = KeepDatedCopy(copy, kept);
    RemoveFile(copy);
    if (copied != FileWrite::Written) {
        return {};
    }
    return QString::fromUtf8(kServerCopyKeptAside)
        .arg(QString::fromUtf8(file.kindName),
             QString::fromUtf8(check == CopyCheck::ReEncoded ? kReEncoded : kDamaged),
             QString::fromLocal8Bit(kept));
}

// What the server's copy replaces is kept as a version, named `version`, as a
// save keeps what it replaces: the list as this computer had it before the
// other's changes came in. At start-up it is also the backup. False when
// either could not be kept whole, and nothing may replace the file.
bool KeepReplaced(const std::string& localFile, bool keepBackup, std::string& version) {
    const std::optional<std::string> bytes = ReadWholeFile(localFile);
    return bytes && KeepVersion(localFile, *bytes, version) == FileWrite::Written &&
           (!keepBackup || KeepBackup(localFile, *bytes, version) == FileWrite::Written);
}

// Merges the server's clean copy `copy` into the local file, asking first
// when it would take in many deletions; the version it replaces is kept, at
// start-up with a backup. At a save the result goes to `merged` for the lists
// in memory. True when the local file now holds the server's changes (or
// there were none); false when both files stay as they are.
bool MergeServerCopy(Step& step, const DataFile& file, const std::string& copy, bool keepBackup,
                     std::vector<MergedList>* merged = nullptr) {
    SubjMergeResult result = MergeSubjFiles(file.kind, file.local, copy, true);
    switch (result.status) {
        case MergeStatus::ServerUnchanged:
            return true;
        case MergeStatus::Merged:
        case MergeStatus::MergedWithoutBase:
            break;
        default:
            return false;
    }
    static_cast<void>(KeepManyDeletions(step, file, result));
    std::string version;
    if (!KeepReplaced(file.local, keepBackup, version) || !WriteMerge(file, result)) {
        return false;
    }
    ThinVersions(file.local, version);
    if (merged != nullptr) {
        merged->push_back({file.kind, result.merged});
    }
    step.merges.push_back(std::move(result));
    return true;
}

// Moves the fetched `serverCopy` onto the local file, the local file kept as
// a version and the backup first. False when nothing was replaced.
bool TakeServerCopy(const DataFile& file, const std::string& serverCopy) {
    const bool replaces = IsRegularFile(file.local);
    std::string version;
    if (replaces && !KeepReplaced(file.local, true, version)) {
        return false;
    }
    if (std::rename(serverCopy.c_str(), file.local) != 0) {
        return false;
    }
    SyncDirectoryOf(file.local);
    if (replaces) {
        ThinVersions(file.local, version);
    }
    return true;
}

// The line that tells why the server's copy of `file` could not be read,
// when the server said so; empty for a failed connection, whose message
// says enough.
QString NotReadLine(const Step& step, const DataFile& file, ServerFetch fetched) {
    if (fetched != ServerFetch::Refused) {
        return {};
    }
    const QString reason = step.store.RefusalText();
    return QString::fromUtf8(kNotRead).arg(
        SjisToQString(file.server), reason.isEmpty() ? QString::fromUtf8(kNoReason) : reason);
}

// The facts DecideFetch needs, read from the files; `check` tells how a
// Damaged copy is damaged.
FetchFacts ReadFacts(const DataFile& file, ServerFetch fetched, const std::string& serverCopy,
                     CopyCheck& check) {
    std::string local;
    const FileRead localRead = ReadFileBytes(file.local, local);
    FetchFacts facts{};
    if (localRead == FileRead::Missing) {
        facts.local = LocalFile::Missing;
    } else if (localRead == FileRead::Unreadable ||
               CheckServerCopy(file.kind, file.local) != CopyCheck::Clean) {
        facts.local = LocalFile::NotLoadable;
    } else {
        facts.local =
            HoldsNoSubjects(file.kind, file.local) ? LocalFile::NoSubjects : LocalFile::Subjects;
    }
    facts.marker = HasUnsentMarker(file.local) ? Marker::Unsent : Marker::None;
    const BaseCopy base = ReadBaseCopy(file.local);
    facts.base = base.state == FileRead::Read && localRead == FileRead::Read && base.bytes == local
                     ? BaseCopyIs::SameAsLocal
                     : BaseCopyIs::Other;
    check = CopyCheck::Clean;
    switch (fetched) {
        case ServerFetch::Fetched: {
            check = CheckServerCopy(file.kind, serverCopy);
            std::string server;
            if (check != CopyCheck::Clean) {
                facts.server = ServerCopy::Damaged;
            } else if (localRead == FileRead::Read &&
                       ReadFileBytes(serverCopy, server) == FileRead::Read && server == local) {
                facts.server = ServerCopy::SameAsLocal;
            } else {
                facts.server = ServerCopy::Other;
            }
            break;
        }
        case ServerFetch::NotThere:
            facts.server = ServerCopy::NotThere;
            break;
        case ServerFetch::Refused:
        case ServerFetch::Failed:
            facts.server = ServerCopy::Unreadable;
            break;
    }
    return facts;
}

enum class StartUpFile { Done, FetchFailed, KeptLocal };

// In step with the server, its copy replaces the local file unless it
// deletes many subjects and the user keeps them: then the local file holds
// more than the server, and is marked for the next save to send it back.
StartUpFile TakeInStep(Step& step, const DataFile& file, const std::string& serverCopy,
                       const BaseOrigin& origin) {
    SubjMergeResult result = MergeSubjFiles(file.kind, file.local, serverCopy, true);
    if (result.status == MergeStatus::Merged && KeepManyDeletions(step, file, result)) {
        std::string version;
        if (MarkUnsent(step.settings, file.local) != MarkOutcome::Marked ||
            !KeepReplaced(file.local, true, version) || !WriteMerge(file, result)) {
            return StartUpFile::KeptLocal;
        }
        ThinVersions(file.local, version);
        step.merges.push_back(std::move(result));
    } else if (!TakeServerCopy(file, serverCopy)) {
        step.notices << QString::fromUtf8(kVersionNotKept).arg(QString::fromUtf8(file.kindName));
        return StartUpFile::Done;
    }
    RecordBase(step, file, serverCopy, origin);
    RemoveFile(serverCopy);
    return StartUpFile::Done;
}

// Changes the server never got: the server's copy is merged into the local
// file, with the base when there is one and keeping every subject of both
// without. Where the merge cannot be done, both stay as they are.
StartUpFile MergeAtStartUp(Step& step, const DataFile& file, const std::string& serverCopy,
                           const BaseOrigin& origin) {
    // What stands in the way of a local file holds nothing to merge, and the
    // server's copy must stay where the user can find it.
    if (!IsRegularFile(file.local) || !MergeServerCopy(step, file, serverCopy, true)) {
        return StartUpFile::KeptLocal;
    }
    RecordBase(step, file, serverCopy, origin);
    RemoveFile(serverCopy);
    return StartUpFile::Done;
}

// Start-up's step for one file, in the step on the server: read the
// server's copy beside the local file, then do what DecideFetch says.
// `why` tells, for a FetchFailed, why the copy could not be read.
StartUpFile FetchFile(Step& step, const DataFile& file, QString& why) {
    const std::string serverCopy = file.local + std::string(kServerCopySuffix);
    BaseOrigin origin;
    const ServerFetch fetched = step.store.Read(file.server, serverCopy, file.local, origin);
    if ((fetched == ServerFetch::Fetched || fetched == ServerFetch::NotThere) &&
        ForgetBaseOfOtherServer(file.local, origin) == BaseOwner::NotRemoved) {
        RemoveFile(serverCopy);
        return StartUpFile::FetchFailed;
    }
    CopyCheck check = CopyCheck::Clean;
    switch (DecideFetch(ReadFacts(file, fetched, serverCopy, check))) {
        case FetchAction::GiveUp:
            why = NotReadLine(step, file, fetched);
            return StartUpFile::FetchFailed;
        case FetchAction::SendLocal:
            MarkAgainBeforeSave(step.settings, file.local);
            step.notOnServer << QString::fromUtf8(file.kindName);
            return StartUpFile::Done;
        case FetchAction::KeepServerAside:
            MarkAgainBeforeSave(step.settings, file.local);
            step.notices << KeepServerCopyAside(file, serverCopy, check) + "\n" +
                                QString::fromUtf8(kUseLocal);
            return StartUpFile::Done;
        case FetchAction::RecordBase:
            RecordBase(step, file, serverCopy, origin);
            RemoveFile(serverCopy);
            return StartUpFile::Done;
        case FetchAction::Take:
            if (!TakeServerCopy(file, serverCopy)) {
                return StartUpFile::FetchFailed;
            }
            RecordBase(step, file, file.local, origin);
            return StartUpFile::Done;
        case FetchAction::TakeInStep:
            return TakeInStep(step, file, serverCopy, origin);
        case FetchAction::KeepLocal:
            MarkAgainBeforeSave(step.settings, file.local);
            return StartUpFile::KeptLocal;
        case FetchAction::MergeUnmarked: {
            // Changes made without a marker (a restored backup, a save not
            // sent, a server just switched on) are kept as they were, and the
            // user told.
            std::string kept;
            if (KeepDatedCopy(file.local, kept) != FileWrite::Written ||
                MarkUnsent(step.settings, file.local) != MarkOutcome::Marked) {
                return StartUpFile::KeptLocal;
            }
            step.notices << QString::fromUtf8(kLocalChangesMerged)
                                .arg(QString::fromUtf8(file.kindName),
                                     QString::fromLocal8Bit(kept));
            return MergeAtStartUp(step, file, serverCopy, origin);
        }
        case FetchAction::MergeUnsent:
            return MergeAtStartUp(step, file, serverCopy, origin);
    }
    return StartUpFile::FetchFailed;
}

// The server's clean copy just read to `incoming` is taken into the local
// file before it is sent; a damaged one is kept aside, and replaced only
// when the user says so. False when nothing may be sent.
bool TakeInBeforeSending(Step& step, const DataFile& file, const std::string& incoming,
                         BaseOrigin& origin, std::vector<MergedList>& merged) {
    const CopyCheck check = CheckServerCopy(file.kind, incoming);
    if (check == CopyCheck::Clean) {
        if (!MergeServerCopy(step, file, incoming, false, &merged)) {
            return false;
        }
        // Only a local file that holds the server's changes may call the
        // server's copy its base.
        RecordBase(step, file, incoming, origin);
        return true;
    }
    // Nothing can be merged from it, and nothing replaces it unless the user
    // says so; what it holds stays in the copy kept aside. Replaced, the other
    // computers' bases no longer tell what they changed: a new origin makes
    // their next merge keep everything.
    const QString kept = KeepServerCopyAside(file, incoming, check);
    return !kept.isEmpty() && step.store.AskHolding([&] {
        return step.questions.ReplaceDamagedCopy(kept + "\n" + QString::fromUtf8(kReplaceDamaged));
    }) && step.store.RenewOrigin(file.server, origin) == StoreWrite::Written;
}

// What the save's step came to for one file, and the user's line when it
// was not sent for a reason of its own.
struct SentFile {
    bool sent = false;
    QString failure;
};

// The save's step for one file, in the step on the server: read, merge when
// another computer saved since the base, send.
SentFile SendFile(Step& step, const DataFile& file, std::vector<MergedList>& merged) {
    // A store of items may find its copy changed between the read and the
    // write; then the step reads and merges again, a few times at most.
    constexpr int kAttempts = 3;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string incoming = file.local + std::string(kIncomingSuffix);
        BaseOrigin origin;
        const ServerFetch fetched = step.store.Read(file.server, incoming, file.local, origin);
        if (fetched == ServerFetch::Refused || fetched == ServerFetch::Failed) {
            const QString line = NotReadLine(step, file, fetched);
            return {false, line.isEmpty() ? line : line + QString::fromUtf8(kNotSentOverUnread)};
        }
        const bool ready = ForgetBaseOfOtherServer(file.local, origin) != BaseOwner::NotRemoved &&
                           (fetched == ServerFetch::NotThere ||
                            TakeInBeforeSending(step, file, incoming, origin, merged));
        RemoveFile(incoming);
        if (!ready) {
            return {};
        }
        switch (step.store.Write(file.local, file.server)) {
            case StoreWrite::Written:
                RecordBase(step, file, file.local, origin);
                return {true, {}};
            case StoreWrite::Changed:
                continue;
            case StoreWrite::Failed:
                return {};
        }
    }
    return {};
}

void ShowAll(SyncQuestions& questions, const QStringList& notices) {
    for (const QString& notice : notices) {
        questions.Tell(notice);
    }
}

// The one message about the merges, when they did anything to tell.
void TellMerges(SyncQuestions& questions, const std::vector<SubjMergeResult>& merges) {
    std::vector<const SubjMergeResult*> pointers;
    for (const SubjMergeResult& result : merges) {
        pointers.push_back(&result);
    }
    const QString text = MergeMessage(pointers);
    if (!text.isEmpty()) {
        questions.Tell(text);
    }
}

}  // namespace

bool HasUnsentMarker(const std::string& localFile) {
    return QFile::exists(MarkerName(localFile));
}

StartUpOutcome FetchFromServer(ConnectSettings& settings, SyncQuestions& questions) {
    if (settings.ftpMode != 1) {
        return StartUpOutcome::Go;
    }
    AskPasswordIfNone(settings, questions);
    FtpStore store(settings, questions);
    if (!store.LogIn()) {
        return WorkOffline(settings, questions, QString::fromUtf8(kConnectFailed))
                   ? StartUpOutcome::Go
                   : StartUpOutcome::EndWindow;
    }
    Step step{settings, questions, store, {}, {}, {}};
    QStringList failed;
    bool keptLocal = false;
    // A login that may not make the lock folder may still read.
    const StepHold hold = store.BeginStep();
    for (const DataFile& file : DataFiles(settings)) {
        QString why;
        const StartUpFile done =
            hold != StepHold::Failed ? FetchFile(step, file, why) : StartUpFile::FetchFailed;
        if (done == StartUpFile::FetchFailed) {
            failed << QString::fromUtf8(file.fetchFailed) + (why.isEmpty() ? "" : "\n" + why);
        }
        keptLocal = keptLocal || done == StartUpFile::KeptLocal;
    }
    store.EndStep();
    if (!failed.isEmpty() && !WorkOffline(settings, questions, failed.join(QLatin1Char('\n')))) {
        return StartUpOutcome::EndWindow;
    }
    if (!step.notOnServer.isEmpty()) {
        // A server just set up has neither file: one box says so of both.
        step.notices.prepend(QString::fromUtf8(kNotOnServer)
                                 .arg(step.notOnServer.join(QStringLiteral("ファイルと"))));
    }
    ShowAll(questions, step.notices);
    if (keptLocal) {
        questions.Tell(QString::fromUtf8(kKeptLocal));
    }
    TellMerges(questions, step.merges);
    return StartUpOutcome::Go;
}

SendResult SendToServer(ConnectSettings& settings, SyncQuestions& questions) {
    SendResult result;
    if (settings.ftpMode != 1) {
        return result;
    }
    result.outcome = SendOutcome::NotSent;
    AskPasswordIfNone(settings, questions);
    FtpStore store(settings, questions);
    const QString newestIsLocal = QString::fromUtf8(kNewestIsLocal);
    if (!store.LogIn()) {
        LocalSaveNotSent(settings);
        questions.Tell(QString::fromUtf8(kConnectFailed) + "\n" + newestIsLocal);
        return result;
    }
    const StepHold hold = store.BeginStep();
    if (hold == StepHold::ReadOnly) {
        store.EndStep();
        LocalSaveNotSent(settings);
        questions.Tell(store.ReadOnlyReason() + "\n" + newestIsLocal);
        return result;
    }
    Step step{settings, questions, store, {}, {}, {}};
    std::vector<SentFile> sent;
    for (const DataFile& file : DataFiles(settings)) {
        sent.push_back(hold == StepHold::Held ? SendFile(step, file, result.merged) : SentFile{});
    }
    store.EndStep();
    result.outcome = SendOutcome::Sent;
    std::size_t index = 0;
    for (const DataFile& file : DataFiles(settings)) {
        const SentFile& done = sent[index++];
        // A file not sent was marked before its save replaced it.
        static_cast<void>(SetUnsentMarker(file.local, !done.sent));
        if (!done.sent) {
            result.outcome = SendOutcome::NotSent;
            questions.Tell((done.failure.isEmpty() ? QString::fromUtf8(file.sendFailed)
                                                   : done.failure + "\n") +
                           newestIsLocal);
        }
    }
    ShowAll(questions, step.notices);
    TellMerges(questions, step.merges);
    return result;
}

MarkOutcome MarkUnsent(const ConnectSettings& settings, const std::string& localFile) {
    return settings.ftpMode != 1 || SetUnsentMarker(localFile, true) ? MarkOutcome::Marked
                                                                     : MarkOutcome::NotMarked;
}

void LocalSaveNotSent(const ConnectSettings& settings) {
    for (const DataFile& file : DataFiles(settings)) {
        MarkAgainBeforeSave(settings, file.local);
    }
}
