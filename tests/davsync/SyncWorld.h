// What the sync tests run against: Radicale on 127.0.0.1 (tests/dav's
// DavServer) behind hold_proxy.py, which can hold or answer a chosen request;
// python3-caldav as the other device (caldav_peer.py); and computers, each a
// folder with its own data file and state, that sync through the proxy with
// scripted answers to the sync's questions.
#pragma once

#include <sys/types.h>

#include <QJsonArray>
#include <QJsonObject>
#include <QUrl>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "DatedSubject.h"
#include "DavServer.h"
#include "DavSettings.h"
#include "DavSync.h"
#include "DavSyncQuestions.h"
#include "SubjRecord.h"

// hold_proxy.py in front of `target`.
class HoldProxy {
  public:
    explicit HoldProxy(int targetPort);
    ~HoldProxy();
    HoldProxy(const HoldProxy&) = delete;
    HoldProxy& operator=(const HoldProxy&) = delete;

    bool Running() const { return port_ > 0; }
    // `url` of the server, reached through the proxy.
    QUrl Through(const QUrl& url) const;
    // The `nth` request of `method` from now waits until Release.
    void Hold(const std::string& method, int nth = 1);
    // Whether a request of `method` is held now.
    bool Held(const std::string& method) const;
    // Waits (boundedly) until a request of `method` is held; false at the time-out.
    bool WaitHeld(const std::string& method);
    void Release(const std::string& method);
    // True while a request of `method` is held.
    bool IsHeld(const std::string& method) const;
    // A Hold no request met yet is taken back.
    void Unhold(const std::string& method);
    // The `nth` request of `method` from now, and the `times` - 1 after it,
    // are answered with `status` ("412 Precondition Failed") and `body`
    // instead of reaching the server.
    void Answer(const std::string& method, int nth, const std::string& status,
                const std::string& body, int times = 1);
    // How many requests of `method` reached the proxy so far.
    int Count(const std::string& method) const;
    // How many of them the server answered with `status` ("412").
    int CountStatus(const std::string& method, const std::string& status) const;
    // Every request so far, a line each: "METHOD PATH STATUS".
    std::string LogFile() const { return dir_ + "/log"; }

  private:
    std::string dir_;
    pid_t pid_ = -1;
    int port_ = 0;
};

// caldav_peer.py on one list: the other device.
class CaldavPeer {
  public:
    explicit CaldavPeer(const QUrl& list);
    ~CaldavPeer();
    CaldavPeer(const CaldavPeer&) = delete;
    CaldavPeer& operator=(const CaldavPeer&) = delete;

    // One command; the answer, with "ok" false when the client failed.
    QJsonObject Call(const QJsonObject& command);
    // The list's to-dos as the client reads them.
    QJsonArray Items();
    // The item of UID `uid` in `items`, or an empty object.
    static QJsonObject ByUid(const QJsonArray& items, const QString& uid);
    static QJsonObject BySummary(const QJsonArray& items, const QString& summary);

  private:
    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    std::string pending_;
};

// Answers from queues; every question asked is kept, in order.
class ScriptedDavQuestions : public DavSyncQuestions {
  public:
    std::vector<QString> asked;
    std::deque<std::string> passwords;  // one for each password asked; none empties it
    bool offline = true;
    std::deque<bool> keep;  // KeepDeletedSubjects; none answers No
    bool sendAgain = false;

    void AskPassword(DavSettings& settings, bool refused) override;
    bool WorkOffline(const QString& question) override;
    bool KeepDeletedSubjects(const QString& question) override;
    bool SendListAgain(const QString& question) override;
    void Tell(const QString& notice) override { asked.push_back(notice); }
    // The FTP steps' own: a task list has no lock, no server copy and no
    // password of the connection settings. Any of them fails the test.
    void AskPassword(ConnectSettings& settings) override;
    bool BreakStaleLock(const QString& question) override;
    bool ReplaceDamagedCopy(const QString& question) override;
    std::unique_ptr<TransferDisplay> ShowTransfer(const TransferWatch&) override { return {}; }
};

// One computer of the tests: a folder holding its data file and state.
class Computer {
  public:
    explicit Computer(const QUrl& list);
    ~Computer();
    Computer(const Computer&) = delete;
    Computer& operator=(const Computer&) = delete;

    std::string DataFile() const { return dir_ + "/veskat_i.dat"; }
    void Write(const std::vector<IndivSubj>& subjects) const;
    std::vector<IndivSubj> Subjects() const;
    // The subject titled `title` (Shift_JIS), or one with an empty title.
    IndivSubj Find(const std::string& title) const;
    DavSyncResult Sync();

    QUrl list;
    DavSettings settings;
    ScriptedDavQuestions questions;

  private:
    std::string dir_;
};

// Makes a fresh task list on `server` named `name`; its URL.
QUrl MakeList(const DavServer& server, const std::string& name);

// The list "veskat" and its companion, found or made through discovery as
// the connection dialog makes them, on either kind of server; empty URLs
// when that failed.
struct ListAndCompanion {
    QUrl list;
    QUrl companion;
};
ListAndCompanion MakeListsByDiscovery(const DavServer& server, DavServer::Kind kind);
