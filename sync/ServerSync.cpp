// FetchFromServer, SendToServer and the unsent markers.
#include "ServerSync.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <array>

#include "BaseCopy.h"
#include "ConnectSettings.h"
#include "FileAccess.h"
#include "KeptCopies.h"
#include "MessageService.h"
#include "Password.h"
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
const char* const kNotOnServer =
    "サーバーに%1ファイルがまだないため、このコンピューター上のファイルを使います。"
    "次の保存で送信します。";
const char* const kServerCopyUnreadable =
    "サーバーの%1ファイルは読み込めない内容だったため、%2 として残しました。";

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
        {SubjKind::Indiv, kIndivFileName, settings.indivSubjPath, "個別案件",
         "個別案件の取得に失敗しました。", "個別案件の転送に失敗しました。\n"},
        {SubjKind::Rep, kRepFileName, settings.repSubjPath, "反復案件",
         "反復案件の取得に失敗しました。", "反復案件の転送に失敗しました。\n"},
    }};
}

QString MarkerName(const std::string& localFile) {
    return QString::fromLocal8Bit(localFile + kUnsentSuffix);
}

void RemoveFile(const std::string& fileName) {
    QFile::remove(QString::fromLocal8Bit(fileName));
}

// The marker must be on the disk, folder entry included, before the file it
// speaks for changes; its removal can wait, as a marker too many only keeps a
// local file the server already has.
bool SetUnsentMarker(const std::string& localFile, bool unsent) {
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
    return KeepConflictsAside(file.local, result) &&
           WriteSubjFile(file.kind, file.local, result.merged) == 0;
}

// Start-up with unsent changes: merges the server's copy just fetched to
// `serverCopy` into the local file. True when the local file now holds
// everything of both (the server's copy is then dropped); false when it
// could not be merged and both stay as they are.
bool MergeAtStartUp(const DataFile& file, const std::string& serverCopy,
                    std::vector<SubjMergeResult>& merges) {
    // What stands in the way of a local file holds nothing to merge, and the
    // server's copy must stay where the user can find it.
    if (!IsRegularFile(file.local)) {
        return false;
    }
    SubjMergeResult result = MergeSubjFiles(file.kind, file.local, serverCopy);
    switch (result.status) {
        case MergeStatus::ServerUnchanged:
            break;
        case MergeStatus::Merged:
        case MergeStatus::MergedWithoutBase:
            if (KeepBackup(file.local) != 0 || !WriteMerge(file, result)) {
                return false;
            }
            merges.push_back(std::move(result));
            break;
        default:
            return false;
    }
    return true;
}

// The save's step for one file over the login of `ftp`: fetch, merge when
// another computer saved since the base, send. True when sent.
bool SendFile(TransferSession& ftp, const DataFile& file, const AdoptMerged& adopt,
              std::vector<SubjMergeResult>& merges, QStringList& notices) {
    const std::string incoming = file.local + std::string(kIncomingSuffix);
    const int fetched = ftp.Download(file.server, incoming, file.local);
    if (fetched == 0) {
        SubjMergeResult result = MergeSubjFiles(file.kind, file.local, incoming, true);
        bool holdsTheirs = true;
        switch (result.status) {
            case MergeStatus::ServerUnchanged:
                break;
            case MergeStatus::Merged:
            case MergeStatus::MergedWithoutBase:
                if (!WriteMerge(file, result)) {
                    RemoveFile(incoming);
                    return false;
                }
                if (adopt) {
                    adopt(file.kind, result.merged);
                }
                merges.push_back(std::move(result));
                break;
            case MergeStatus::TheirsDamaged: {
                // Nothing can be merged from it, but what it holds must not
                // vanish from everywhere when ours replaces it.
                const std::string kept = KeepDatedCopy(incoming);
                if (kept.empty()) {
                    RemoveFile(incoming);
                    return false;
                }
                notices << QString::fromUtf8(kServerCopyUnreadable)
                               .arg(QString::fromUtf8(file.kindName), QString::fromLocal8Bit(kept));
                holdsTheirs = false;
                break;
            }
            default:
                RemoveFile(incoming);
                return false;
        }
        // Only a local file that holds the server's changes may call the
        // server's copy its base; otherwise the next merge would take those
        // changes for deletions made here.
        if (holdsTheirs) {
            WriteBaseCopyFrom(file.local, incoming);
        }
        RemoveFile(incoming);
    } else if (fetched != 1) {
        return false;
    }
    if (ftp.Upload(file.local, file.server) != 0) {
        return false;
    }
    WriteBaseCopyFrom(file.local, file.local);
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

bool FetchFromServer(ConnectSettings& settings, MessageService& messages, QWidget* parent) {
    if (settings.ftpMode != 1) {
        return true;
    }
    AskPasswordIfNone(settings, messages, parent);
    TransferSession ftp(settings, parent);
    if (ftp.Connect() != 0) {
        return WorkOffline(settings, messages, parent, QString::fromUtf8(kConnectFailed));
    }
    QStringList failed;
    QStringList notices;
    std::vector<SubjMergeResult> merges;
    bool keptLocal = false;
    for (const DataFile& file : DataFiles(settings)) {
        // Changes the server never got must not be overwritten by its copy;
        // where the local file is gone there is nothing left to protect.
        const bool unsent = HasUnsentMarker(file.local) && PathExists(file.local);
        const std::string target =
            unsent ? file.local + std::string(kServerCopySuffix) : file.local;
        const int fetched = ftp.Download(file.server, target, file.local);
        if (fetched == 1) {
            // The first start with a new server: what is here goes there.
            MarkUnsent(settings, file.local);
            notices << QString::fromUtf8(kNotOnServer).arg(QString::fromUtf8(file.kindName));
        } else if (fetched != 0) {
            failed << QString::fromUtf8(file.fetchFailed);
        } else if (!unsent || MergeAtStartUp(file, target, merges)) {
            WriteBaseCopyFrom(file.local, target);
            if (unsent) {
                RemoveFile(target);
            }
        } else {
            keptLocal = true;
        }
    }
    if (!failed.isEmpty() &&
        !WorkOffline(settings, messages, parent, failed.join(QLatin1Char('\n')))) {
        return false;
    }
    ShowAll(messages, parent, notices);
    if (keptLocal) {
        messages.Inform(parent, QString::fromUtf8(kKeptLocal));
    }
    TellMerges(messages, parent, merges);
    return true;
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
    std::vector<SubjMergeResult> merges;
    QStringList notices;
    for (const DataFile& file : DataFiles(settings)) {
        const bool sent = SendFile(ftp, file, adopt, merges, notices);
        SetUnsentMarker(file.local, !sent);
        if (!sent) {
            messages.Inform(parent,
                            QString::fromUtf8(file.sendFailed) + QString::fromUtf8(kNewestIsLocal));
        }
    }
    ShowAll(messages, parent, notices);
    TellMerges(messages, parent, merges);
}

bool MarkUnsent(const ConnectSettings& settings, const std::string& localFile) {
    return settings.ftpMode != 1 || SetUnsentMarker(localFile, true);
}

void LocalSaveNotSent(const ConnectSettings& settings) {
    for (const DataFile& file : DataFiles(settings)) {
        MarkUnsent(settings, file.local);
    }
}
