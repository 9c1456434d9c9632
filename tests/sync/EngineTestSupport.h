// What the tests of the server steps share: settings for the test server, a
// working folder of the test's own, and data files made and counted as the
// program makes and loads them.
#pragma once

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <string>

#include "ConnectSettings.h"
#include "FtpServer.h"
#include "SubjList.h"

// The steps' messages the tests look for.
inline const QString kConnectFailed = QString::fromUtf8("ftpサーバーとの接続に失敗しました。");
inline const QString kNewestIsLocal =
    QString::fromUtf8("最新ファイルはこのコンピューター上にあります。");
inline const QString kIndivNotFetched = QString::fromUtf8("個別案件の取得に失敗しました。");
inline const QString kRepNotFetched = QString::fromUtf8("反復案件の取得に失敗しました。");
inline const QString kRepNotSent =
    QString::fromUtf8("反復案件の転送に失敗しました。\n") + kNewestIsLocal;
inline const QString kWorkOffline =
    QString::fromUtf8("\nこのコンピューター上のファイルで作業を続けますか？");
inline const QString kIndivNotOnServer = QString::fromUtf8(
    "サーバーに個別案件ファイルがまだないため、このコンピューター上のファイルを使います。"
    "次の保存で送信します。");
// A server just set up: one box for both files.
inline const QString kBothNotOnServer = QString::fromUtf8(
    "サーバーに個別案件ファイルと反復案件ファイルがまだないため、"
    "このコンピューター上のファイルを使います。次の保存で送信します。");

// Data files as the program writes them: Shift_JIS subjects, CR LF lines.
inline const std::string kIndivFile =
    "_VESKAT_I_DAT_VER_1_2_\r\n"
    "2031\t04\t05\t\x89\xEF\x8B\x63\t10\t30\tU\t\x93\xE0\x97\x65<br>\x82\xA0\t\r\n";
inline const std::string kRepFile = "_VESKAT_R_DAT_VER_1_2_\r\n";

// The server on, logging in as "rw" to `server`, the files as srv_i.dat and srv_r.dat.
inline ConnectSettings ServerSettings(const FtpServer& server,
                                      const char* password = FtpServer::kPassword) {
    ConnectSettings settings;
    settings.ftpMode = 1;
    settings.userId = FtpServer::kUser;
    settings.password = password;
    settings.hostName = "127.0.0.1";
    settings.port = server.Port();
    settings.indivSubjPath = "srv_i.dat";
    settings.repSubjPath = "srv_r.dat";
    return settings;
}

// `text` as a server that keeps LF lines holds it.
inline std::string Lf(std::string text) {
    std::erase(text, '\r');
    return text;
}

// A fresh working folder, the current one while this lives.
class EngineTestFolder {
  public:
    EngineTestFolder() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~EngineTestFolder() { QDir::setCurrent(previous_); }
    EngineTestFolder(const EngineTestFolder&) = delete;
    EngineTestFolder& operator=(const EngineTestFolder&) = delete;

  private:
    QTemporaryDir dir_;
    QString previous_;
};

// The bytes of an individual-subject file holding subjects `from` .. `to`-1,
// one a day, as the program saves them; empty when that failed.
inline std::string IndivFileOf(int from, int to) {
    IndivSubjList list;
    for (int n = from; n < to; ++n) {
        list.current.year = 2024;
        list.current.month = static_cast<std::int16_t>(1 + n / 28 % 12);
        list.current.day = static_cast<std::int16_t>(1 + n % 28);
        list.current.title = "s" + std::to_string(n);
        list.current.progress = Progress::Open;
        if (list.Insert() != StoreResult::Done) {
            return {};
        }
    }
    const std::string name = "made_i.dat";
    if (list.Save(name) != StoreResult::Done) {
        return {};
    }
    std::string bytes = ReadFileBytes(name);
    std::remove(name.c_str());
    return bytes;
}

// How many subjects `fileName` loads with; -1 when it does not load.
inline int SubjectsIn(const std::string& fileName) {
    IndivSubjList list;
    if (list.Load(fileName) != StoreResult::Done) {
        return -1;
    }
    int count = 0;
    for (StoreResult r = list.First(); r == StoreResult::Done; r = list.Next()) {
        ++count;
    }
    return count;
}
