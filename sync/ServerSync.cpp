// FetchFromServer, SendToServer and the unsent markers.
#include "ServerSync.h"

#include <QFile>
#include <QString>

#include <array>

#include "ConnectSettings.h"
#include "FtpTransfer.h"
#include "KeptCopies.h"
#include "MessageService.h"
#include "Password.h"
#include "SubjList.h"
#include "SyncDir.h"

namespace {

const char* const kConnectFailed = "ftpサーバーとの接続に失敗しました。";
const char* const kNewestIsLocal = "最新ファイルはこのコンピューター上にあります。";
const char* const kKeptLocal =
    "前回サーバーへ送信できなかった変更があるため、このコンピューター上のファイルを使います。\n"
    "サーバーのファイルは名前に「.server」を付けて保存しました。";

// One data file and where it lives on the server.
struct DataFile {
    const char* local;
    const std::string& server;
    const char* fetchFailed;
    const char* sendFailed;
};

std::array<DataFile, 2> DataFiles(const ConnectSettings& settings) {
    return {{
        {kIndivFileName, settings.indivSubjPath, "個別案件の取得に失敗しました。",
         "個別案件の転送に失敗しました。\n"},
        {kRepFileName, settings.repSubjPath, "反復案件の取得に失敗しました。",
         "反復案件の転送に失敗しました。\n"},
    }};
}

QString MarkerName(const std::string& localFile) {
    return QString::fromLocal8Bit(localFile + kUnsentSuffix);
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
    marker.close();
    SyncDirectoryOf(localFile + kUnsentSuffix);
    return true;
}

CFtpTransfer& SetupFrom(CFtpTransfer& ftp, const ConnectSettings& settings) {
    ftp.Setup(settings.userId, settings.password, settings.hostName, settings.port);
    return ftp;
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
    CFtpTransfer ftp;
    if (SetupFrom(ftp, settings).Connect() != 0) {
        messages.Inform(parent, QString::fromUtf8(kConnectFailed));
        return false;
    }
    bool ok = true;
    bool keptLocal = false;
    for (const DataFile& file : DataFiles(settings)) {
        // Changes the server never got must not be overwritten by its copy;
        // where the local file is gone there is nothing left to protect.
        const bool unsent = HasUnsentMarker(file.local) && PathExists(file.local);
        const std::string target =
            unsent ? file.local + std::string(kServerCopySuffix) : file.local;
        if (ftp.Download(file.server, target) != 0) {
            messages.Inform(parent, QString::fromUtf8(file.fetchFailed));
            ok = false;
        }
        keptLocal = keptLocal || unsent;
    }
    if (ok && keptLocal) {
        messages.Inform(parent, QString::fromUtf8(kKeptLocal));
    }
    return ok;
}

void SendToServer(ConnectSettings& settings, MessageService& messages, QWidget* parent) {
    if (settings.ftpMode != 1) {
        return;
    }
    AskPasswordIfNone(settings, messages, parent);
    CFtpTransfer ftp;
    if (SetupFrom(ftp, settings).Connect() != 0) {
        LocalSaveNotSent(settings);
        messages.Inform(
            parent, QString::fromUtf8(kConnectFailed) + "\n" + QString::fromUtf8(kNewestIsLocal));
        return;
    }
    for (const DataFile& file : DataFiles(settings)) {
        const bool sent = ftp.Upload(file.local, file.server) == 0;
        SetUnsentMarker(file.local, !sent);
        if (!sent) {
            messages.Inform(parent,
                            QString::fromUtf8(file.sendFailed) + QString::fromUtf8(kNewestIsLocal));
        }
    }
}

bool MarkUnsent(const ConnectSettings& settings, const std::string& localFile) {
    return settings.ftpMode != 1 || SetUnsentMarker(localFile, true);
}

void LocalSaveNotSent(const ConnectSettings& settings) {
    for (const DataFile& file : DataFiles(settings)) {
        MarkUnsent(settings, file.local);
    }
}
