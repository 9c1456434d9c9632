// What the main window's tests against the real test FTP server share: the
// INI file that points the window at the server, the server's line ends,
// the unsent markers on the disk, individual files made from titles, and a
// look at the disk once a save's server work has begun.
#pragma once

#include <QFile>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <string>

#include "FtpServer.h"
#include "ServerSync.h"
#include "WindowTestSupport.h"

// Writes ./veskat.ini with the server on, at `server`, with the data files
// kept there as `indivPath` and "srv_r.dat".
inline void WriteServerIni(const FtpServer& server, const QString& indivPath = "srv_i.dat") {
    WriteFile("veskat.ini", QStringLiteral("[FTP]\r\nftpmode=TRUE\r\nuserid=%1\r\n"
                                           "hostname=127.0.0.1\r\nport=%2\r\n"
                                           "ftpindivsubjpath=%3\r\nftprepsubjpath=srv_r.dat\r\n")
                                .arg(FtpServer::kUser)
                                .arg(server.Port())
                                .arg(indivPath)
                                .toUtf8());
}

// A data file's bytes as the server keeps them: the transfer is in text mode.
inline std::string Lf(QByteArray bytes) {
    return bytes.replace("\r\n", "\n").toStdString();
}

inline bool HasMarker(const char* fileName) {
    return QFile::exists(QString(fileName) + kUnsentSuffix);
}

// The bytes of an individual-subject file holding `titles`, one a day from 1 June.
inline QByteArray IndivFileOf(const QStringList& titles) {
    IndivSubjList list;
    for (int i = 0; i < titles.size(); ++i) {
        list.current = Indiv(2024, 6, 1 + i, 9, 0, titles[i], Progress::Open);
        if (list.Insert() != StoreResult::Done) {
            return {};
        }
    }
    if (list.Save("made_i.dat") != StoreResult::Done) {
        return {};
    }
    const QByteArray bytes = ReadFile("made_i.dat");
    QFile::remove("made_i.dat");
    return bytes;
}

// Runs `look` at the next turn of the event loop. Call it right before a
// save against the server: the files are written without one, and the first
// turn comes with the first transfer, so `look` sees the disk as the server
// work found it.
inline void WhenServerWorkBegins(QObject* context, const std::function<void()>& look) {
    QTimer::singleShot(0, context, look);
}
