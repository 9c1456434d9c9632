// FetchFromServer, SendToServer and the unsent markers.
#include "ServerSync.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <array>
#include <chrono>
#include <cstdio>
#include <optional>

#include "BaseCopy.h"
#include "ConnectSettings.h"
#include "FileAccess.h"
#include "KeptCopies.h"
#include "KeptVersions.h"
#include "MessageService.h"
#include "Password.h"
#include "ServerLock.h"
#include "SubjList.h"
#include "SyncDir.h"
#include "TransferSession.h"

namespace {

const char* const kConnectFailed = "ftpサーバーとの接続に失敗しました。";
const char* const kNewestIsLocal = "最新ファイルはこのコンピューター上にあります。";
const char* const kKeptLocal =
    "前回サーバーへ送信できなかった変更があるため、このコンピューター上のファイルを使います。\n"
    "サーバーのファイルは名前に「.server」を付けて保存しました。";
const char* const kWorkOffline = "このコンピューター上のファイルで作業を続けますか？";
// %1 the kind of subjects; %2 the name of the copy kept.
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
// %1 the kind of subjects; %2 a number.
const char* const kManyDeleted =
    "他のコンピューターで%1が %2 件削除されています。\n"
    "このコンピューターでは残しますか？（「いいえ」で削除を取り込みます）";
// %1 the computer, %2 when it took the lock, %3 minutes.
const char* const kLockStale =
    "サーバーのファイルを更新中のコンピューター (%1、%2 から) が %3 分以上そのままです。\n"
    "途中で止まったものとみなして、続けますか？";
const char* const kUnknown = "不明";
// %1 the name of the lock folder.
const char* const kLockNotPossible =
    "サーバーに %1 フォルダーを作れないため、ファイルを更新できません。";

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
bool WorkOffline(const ConnectSettings& settings, MessageService& messages, QWidget* parent,
                 const QString& failure) {
    if (!messages.AskYes(parent, failure + "\n" + QString::fromUtf8(kWorkOffline))) {
        return false;
    }
    LocalSaveNotSent(settings);
    return true;
}

// Writes a merge into the local file, the conflicts aside first: once the
// local file holds the merge, theirs of those keys is nowhere else.
bool WriteMerge(const DataFile& file, SubjMergeResult& result) {
    return KeepConflictsAside(file.local, result) == FileWrite::Written &&
           WriteSubjFile(file.kind, file.local, result.merged) == FileWrite::Written;
}

// The value after "<key>=" in the lock's owner file; kUnknown without one.
QString OwnerField(const std::string& owner, const std::string& key) {
    const std::size_t at = owner.find(key + "=");
    if (at == std::string::npos) {
        return QString::fromUtf8(kUnknown);
    }
    const std::size_t from = at + key.size() + 1;
    return QString::fromLocal8Bit(owner.substr(from, owner.find_first_of("\r\n", from) - from));
}

// One server step's work, for the messages and merges it gathers.
struct Step {
    ConnectSettings& settings;
    MessageService& messages;
    QWidget* parent;
    TransferSession& ftp;
    std::vector<SubjMergeResult> merges;
    QStringList notices;
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

// The server file `file` as its base copy must have come from: the
// settings' login and path and the file's generation on the server. False
// when the generation could not be read.
bool ReadOrigin(Step& step, ServerLock& lock, const DataFile& file, BaseOrigin& origin) {
    origin = {step.settings.hostName, step.settings.port, step.settings.userId, file.server, {}};
    return step.ftp.ReadGeneration(lock, file.server, origin.generation) == LockStep::Done;
}

// Takes the lock of the step, asking before breaking one that looks left
// behind by a computer that stopped. Taken or NotPossible let the step go on.
LockWait TakeStepLock(Step& step, ServerLock& lock) {
    for (;;) {
        const LockWait wait = step.ftp.TakeLock(lock);
        if (wait != LockWait::Stale) {
            return wait;
        }
        const auto minutes =
            std::chrono::duration_cast<std::chrono::minutes>(ServerLockTiming().stale);
        const QString question =
            QString::fromUtf8(kLockStale)
                .arg(OwnerField(lock.StaleOwner(), "computer"),
                     OwnerField(lock.StaleOwner(), "taken"), QString::number(minutes.count()));
        if (!step.messages.AskYes(step.parent, question) ||
            step.ftp.BreakLock(lock) != LockStep::Done) {
            return LockWait::Cancelled;
        }
    }
}

// Gives the lock back however the step ends.
class LockHeld {
  public:
    LockHeld(TransferSession& ftp, ServerLock& lock) : ftp_(ftp), lock_(lock) {}
    ~LockHeld() { ftp_.ReleaseLock(lock_); }
    LockHeld(const LockHeld&) = delete;
    LockHeld& operator=(const LockHeld&) = delete;

  private:
    TransferSession& ftp_;
    ServerLock& lock_;
};

// A merge that takes in many deletions at once is more likely a server copy
// that lost lines than deliberate work: the default keeps the subjects.
void AskAboutManyDeletions(Step& step, const DataFile& file, SubjMergeResult& result) {
    if (!DeletesMany(result)) {
        return;
    }
    const QString question =
        QString::fromUtf8(kManyDeleted)
            .arg(QString::fromUtf8(file.kindName), QString::number(result.deleted.size()));
    if (step.messages.AskYes(step.parent, question)) {
        KeepDeleted(result);
    }
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

// What a merge replaces is kept as a version, named `version`, as a save keeps
// what it replaces: the list as this computer had it before the other's
// changes came in. At start-up it is also the backup. False when either could
// not be kept whole.
bool KeepMergedOver(const std::string& localFile, bool keepBackup, std::string& version) {
    const std::optional<std::string> bytes = ReadWholeFile(localFile);
    return bytes && KeepVersion(localFile, *bytes, version) == FileWrite::Written &&
           (!keepBackup || KeepBackup(localFile, *bytes, version) == FileWrite::Written);
}

// Merges the server's clean copy `copy` into the local file, asking first
// when it would take in many deletions; the version it replaces is kept, at
// start-up with a backup, and at a save `adopt` shows the result. True when the local file now
// holds the server's changes (or there were none); false when both files
// stay as they are.
bool MergeServerCopy(Step& step, const DataFile& file, const std::string& copy, bool keepBackup,
                     const AdoptMerged& adopt = {}) {
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
    AskAboutManyDeletions(step, file, result);
    std::string version;
    if (!KeepMergedOver(file.local, keepBackup, version) || !WriteMerge(file, result)) {
        return false;
    }
    ThinVersions(file.local, version);
    if (adopt) {
        adopt(file.kind, result.merged);
    }
    step.merges.push_back(std::move(result));
    return true;
}

// Start-up with changes the server never got (a marker, or a local file
// that differs from its base): merges the server's copy just fetched to
// `serverCopy` into the local file, with the base when there is one and
// keeping every subject of both without.
bool MergeAtStartUp(Step& step, const DataFile& file, const std::string& serverCopy) {
    // What stands in the way of a local file holds nothing to merge, and the
    // server's copy must stay where the user can find it.
    return IsRegularFile(file.local) && MergeServerCopy(step, file, serverCopy, true);
}

// Moves the fetched `serverCopy` onto the local file.
bool TakeServerCopy(const DataFile& file, const std::string& serverCopy) {
    if (std::rename(serverCopy.c_str(), file.local) != 0) {
        return false;
    }
    SyncDirectoryOf(file.local);
    return true;
}

enum class StartUpFile { Done, FetchFailed, KeptLocal };

// Start-up's step for one file, under the lock: fetch the server's copy
// beside the local file, then take it, merge it, or keep it aside.
StartUpFile FetchFile(Step& step, ServerLock& lock, const DataFile& file) {
    BaseOrigin origin;
    if (!ReadOrigin(step, lock, file, origin) ||
        ForgetBaseOfOtherServer(file.local, origin) == BaseOwner::NotRemoved) {
        return StartUpFile::FetchFailed;
    }
    const std::string serverCopy = file.local + std::string(kServerCopySuffix);
    const int fetched = step.ftp.Download(file.server, serverCopy, file.local);
    if (fetched == 1) {
        // The first start with a new server: what is here goes there.
        MarkAgainBeforeSave(step.settings, file.local);
        step.notices << QString::fromUtf8(kNotOnServer).arg(QString::fromUtf8(file.kindName));
        return StartUpFile::Done;
    }
    if (fetched != 0) {
        return StartUpFile::FetchFailed;
    }
    const CopyCheck check = CheckServerCopy(file.kind, serverCopy);
    if (check != CopyCheck::Clean) {
        MarkAgainBeforeSave(step.settings, file.local);
        step.notices << KeepServerCopyAside(file, serverCopy, check) + "\n" +
                            QString::fromUtf8(kUseLocal);
        return StartUpFile::Done;
    }
    std::string local;
    std::string server;
    const BaseCopy base = ReadBaseCopy(file.local);
    if (ReadFileBytes(file.local, local) == FileRead::Missing ||
        (ReadFileBytes(serverCopy, server) == FileRead::Read && local == server) ||
        HoldsNoSubjects(file.kind, file.local) ||
        (!HasUnsentMarker(file.local) && base.state == FileRead::Read && base.bytes == local)) {
        // Nothing here the server lacks.
        if (!TakeServerCopy(file, serverCopy)) {
            return StartUpFile::FetchFailed;
        }
        RecordBase(step, file, file.local, origin);
        return StartUpFile::Done;
    }
    // Changes the server never got must not be overwritten by its copy. One
    // made without a marker (a restored backup, a save not sent, a server
    // just switched on) is kept as it was, and the user told.
    if (!HasUnsentMarker(file.local)) {
        std::string kept;
        if (KeepDatedCopy(file.local, kept) != FileWrite::Written ||
            MarkUnsent(step.settings, file.local) != MarkOutcome::Marked) {
            return StartUpFile::KeptLocal;
        }
        step.notices << QString::fromUtf8(kLocalChangesMerged)
                            .arg(QString::fromUtf8(file.kindName), QString::fromLocal8Bit(kept));
    }
    // A local file the loader cannot take whole is not merged here: the merge
    // would drop its damaged lines unseen. The load keeps it as it is and
    // tells what was not taken, and the next save merges what loaded.
    if (CheckServerCopy(file.kind, file.local) != CopyCheck::Clean ||
        !MergeAtStartUp(step, file, serverCopy)) {
        return StartUpFile::KeptLocal;
    }
    RecordBase(step, file, serverCopy, origin);
    RemoveFile(serverCopy);
    return StartUpFile::Done;
}

// The save's step for one file, under the lock: fetch, merge when another
// computer saved since the base, send. True when sent.
bool SendFile(Step& step, ServerLock& lock, const DataFile& file, const AdoptMerged& adopt) {
    BaseOrigin origin;
    if (!ReadOrigin(step, lock, file, origin) ||
        ForgetBaseOfOtherServer(file.local, origin) == BaseOwner::NotRemoved) {
        return false;
    }
    const std::string incoming = file.local + std::string(kIncomingSuffix);
    const int fetched = step.ftp.Download(file.server, incoming, file.local);
    if (fetched == 0) {
        const CopyCheck check = CheckServerCopy(file.kind, incoming);
        if (check != CopyCheck::Clean) {
            // Nothing can be merged from it, and nothing replaces it unless
            // the user says so; what it holds stays in the copy kept aside.
            // Replaced, the other computers' bases no longer tell what they
            // changed: a new generation makes their next merge keep everything.
            const QString kept = KeepServerCopyAside(file, incoming, check);
            if (kept.isEmpty() ||
                !step.messages.AskYes(step.parent,
                                      kept + "\n" + QString::fromUtf8(kReplaceDamaged)) ||
                step.ftp.NewGeneration(lock, file.server, origin.generation) != LockStep::Done) {
                return false;
            }
        } else if (!MergeServerCopy(step, file, incoming, false, adopt)) {
            RemoveFile(incoming);
            return false;
        } else {
            // Only a local file that holds the server's changes may call the
            // server's copy its base.
            RecordBase(step, file, incoming, origin);
        }
        RemoveFile(incoming);
    } else if (fetched != 1) {
        return false;
    }
    if (step.ftp.SendByRename(lock, file.local, file.server) != LockStep::Done) {
        return false;
    }
    RecordBase(step, file, file.local, origin);
    return true;
}

void ShowAll(MessageService& messages, QWidget* parent, const QStringList& notices) {
    for (const QString& notice : notices) {
        messages.Inform(parent, notice);
    }
}

std::vector<const SubjMergeResult*> Pointers(const std::vector<SubjMergeResult>& merges) {
    std::vector<const SubjMergeResult*> pointers;
    for (const SubjMergeResult& result : merges) {
        pointers.push_back(&result);
    }
    return pointers;
}

// The one message about the merges, when they did anything to tell.
void TellMerges(MessageService& messages, QWidget* parent,
                const std::vector<SubjMergeResult>& merges) {
    const QString text = MergeMessage(Pointers(merges));
    if (!text.isEmpty()) {
        messages.Inform(parent, text);
    }
}

}  // namespace

bool HasUnsentMarker(const std::string& localFile) {
    return QFile::exists(MarkerName(localFile));
}

StartUpOutcome FetchFromServer(ConnectSettings& settings, MessageService& messages,
                               QWidget* parent) {
    if (settings.ftpMode != 1) {
        return StartUpOutcome::Go;
    }
    AskPasswordIfNone(settings, messages, parent);
    TransferSession ftp(settings, parent);
    if (ftp.Connect() != 0) {
        return WorkOffline(settings, messages, parent, QString::fromUtf8(kConnectFailed))
                   ? StartUpOutcome::Go
                   : StartUpOutcome::EndWindow;
    }
    Step step{settings, messages, parent, ftp, {}, {}};
    QStringList failed;
    bool keptLocal = false;
    {
        ServerLock lock(ftp.Transfer(), settings.indivSubjPath);
        const LockHeld held(ftp, lock);
        // A login that may not make the lock folder may still read.
        const LockWait wait = TakeStepLock(step, lock);
        for (const DataFile& file : DataFiles(settings)) {
            const StartUpFile done = wait == LockWait::Taken || wait == LockWait::NotPossible
                                         ? FetchFile(step, lock, file)
                                         : StartUpFile::FetchFailed;
            if (done == StartUpFile::FetchFailed) {
                failed << QString::fromUtf8(file.fetchFailed);
            }
            keptLocal = keptLocal || done == StartUpFile::KeptLocal;
        }
    }
    if (!failed.isEmpty() &&
        !WorkOffline(settings, messages, parent, failed.join(QLatin1Char('\n')))) {
        return StartUpOutcome::EndWindow;
    }
    ShowAll(messages, parent, step.notices);
    if (keptLocal) {
        messages.Inform(parent, QString::fromUtf8(kKeptLocal));
    }
    TellMerges(messages, parent, step.merges);
    return StartUpOutcome::Go;
}

void SendToServer(ConnectSettings& settings, MessageService& messages, QWidget* parent,
                  const AdoptMerged& adopt) {
    if (settings.ftpMode != 1) {
        return;
    }
    AskPasswordIfNone(settings, messages, parent);
    TransferSession ftp(settings, parent);
    if (ftp.Connect() != 0) {
        LocalSaveNotSent(settings);
        messages.Inform(
            parent, QString::fromUtf8(kConnectFailed) + "\n" + QString::fromUtf8(kNewestIsLocal));
        return;
    }
    Step step{settings, messages, parent, ftp, {}, {}};
    ServerLock lock(ftp.Transfer(), settings.indivSubjPath);
    std::vector<bool> sent;
    {
        const LockHeld held(ftp, lock);
        const LockWait wait = TakeStepLock(step, lock);
        if (wait == LockWait::NotPossible) {
            LocalSaveNotSent(settings);
            messages.Inform(
                parent,
                QString::fromUtf8(kLockNotPossible).arg(QString::fromLocal8Bit(lock.Folder())) +
                    "\n" + QString::fromUtf8(kNewestIsLocal));
            return;
        }
        for (const DataFile& file : DataFiles(settings)) {
            sent.push_back(wait == LockWait::Taken && SendFile(step, lock, file, adopt));
        }
    }
    std::size_t index = 0;
    for (const DataFile& file : DataFiles(settings)) {
        // A file not sent was marked before its save replaced it.
        static_cast<void>(SetUnsentMarker(file.local, !sent[index]));
        if (!sent[index++]) {
            messages.Inform(parent,
                            QString::fromUtf8(file.sendFailed) + QString::fromUtf8(kNewestIsLocal));
        }
    }
    ShowAll(messages, parent, step.notices);
    TellMerges(messages, parent, step.merges);
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
