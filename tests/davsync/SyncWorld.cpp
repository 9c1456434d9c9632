#include "SyncWorld.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

#include <QJsonDocument>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "ChildProcess.h"
#include "DavBodies.h"
#include "DavClient.h"
#include "DavDiscovery.h"
#include "SubjMerge.h"
#include "SystemZone.h"

namespace {

constexpr int kWaitMillis = 20000;

std::string TempDir(const char* kind) {
    std::string pattern = std::string("/tmp/veskat-") + kind + "-XXXXXX";
    return mkdtemp(pattern.data());
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path + ".part", std::ios::binary) << text;
    std::filesystem::rename(path + ".part", path);
}

}  // namespace

HoldProxy::HoldProxy(int targetPort) : dir_(TempDir("proxy")) {
    int out[2];
    if (pipe(out) != 0) {
        return;
    }
    pid_ = SpawnChild({"/usr/bin/python3", VESKAT_HOLD_PROXY_SCRIPT,
                       "127.0.0.1:" + std::to_string(targetPort), dir_},
                      out[1], -1, out[0]);
    close(out[1]);
    port_ = pid_ > 0 ? ReadPortLine(out[0]) : 0;
    close(out[0]);
}

HoldProxy::~HoldProxy() {
    StopChild(pid_);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

QUrl HoldProxy::Through(const QUrl& url) const {
    QUrl through = url;
    through.setPort(port_);
    return through;
}

void HoldProxy::Hold(const std::string& method, int nth) {
    WriteText(dir_ + "/hold-" + method, std::to_string(nth) + "\n");
}

bool HoldProxy::Held(const std::string& method) const {
    return std::filesystem::exists(dir_ + "/held-" + method);
}

bool HoldProxy::WaitHeld(const std::string& method) {
    for (int waited = 0; waited < kWaitMillis; waited += 10) {
        if (Held(method)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void HoldProxy::Release(const std::string& method) {
    std::filesystem::remove(dir_ + "/held-" + method);
}

bool HoldProxy::IsHeld(const std::string& method) const {
    return std::filesystem::exists(dir_ + "/held-" + method);
}

void HoldProxy::Unhold(const std::string& method) {
    std::error_code ignored;
    std::filesystem::remove(dir_ + "/hold-" + method, ignored);
}

void HoldProxy::Answer(const std::string& method, int nth, const std::string& status,
                       const std::string& body, int times) {
    WriteText(dir_ + "/answer-" + method,
              std::to_string(nth) + " " + std::to_string(times) + "\n" + status + "\n\n" + body);
}

int HoldProxy::Count(const std::string& method) const {
    std::ifstream log(dir_ + "/log");
    int count = 0;
    for (std::string line; std::getline(log, line);) {
        count += line.rfind(method + " ", 0) == 0;
    }
    return count;
}

int HoldProxy::CountStatus(const std::string& method, const std::string& status) const {
    std::ifstream log(dir_ + "/log");
    int count = 0;
    for (std::string line; std::getline(log, line);) {
        count += line.rfind(method + " ", 0) == 0 && line.ends_with(" " + status);
    }
    return count;
}

CaldavPeer::CaldavPeer(const QUrl& list) {
    int in[2];
    int out[2];
    if (pipe(in) != 0 || pipe(out) != 0) {
        return;
    }
    pid_ = SpawnChild({"/usr/bin/python3", VESKAT_CALDAV_PEER_SCRIPT, list.toString().toStdString(),
                       DavServer::kUser, DavServer::kPassword},
                      out[1], -1, in[1], in[0]);
    close(in[0]);
    close(out[1]);
    in_ = in[1];
    out_ = out[0];
}

CaldavPeer::~CaldavPeer() {
    close(in_);
    close(out_);
    StopChild(pid_);
}

QJsonObject CaldavPeer::Call(const QJsonObject& command) {
    const QByteArray line = QJsonDocument(command).toJson(QJsonDocument::Compact) + "\n";
    if (write(in_, line.constData(), static_cast<std::size_t>(line.size())) != line.size()) {
        return {{"ok", false}, {"error", "the peer is gone"}};
    }
    for (;;) {
        // READY comes first, then one answer a command.
        const std::size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            const std::string answer = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            if (answer == "READY") {
                continue;
            }
            return QJsonDocument::fromJson(QByteArray::fromStdString(answer)).object();
        }
        pollfd p{out_, POLLIN, 0};
        char buffer[65536];
        if (poll(&p, 1, kWaitMillis * 3) <= 0) {
            return {{"ok", false}, {"error", "the peer did not answer"}};
        }
        const ssize_t got = read(out_, buffer, sizeof buffer);
        if (got <= 0) {
            return {{"ok", false}, {"error", "the peer ended"}};
        }
        pending_.append(buffer, static_cast<std::size_t>(got));
    }
}

QJsonArray CaldavPeer::Items() {
    return Call({{"op", "list"}})["items"].toArray();
}

QJsonObject CaldavPeer::ByUid(const QJsonArray& items, const QString& uid) {
    for (const QJsonValue& item : items) {
        if (item["uid"].toString() == uid) {
            return item.toObject();
        }
    }
    return {};
}

QJsonObject CaldavPeer::BySummary(const QJsonArray& items, const QString& summary) {
    for (const QJsonValue& item : items) {
        if (item["summary"].toString() == summary) {
            return item.toObject();
        }
    }
    return {};
}

void ScriptedDavQuestions::AskPassword(DavSettings& settings, bool) {
    asked.push_back(QStringLiteral("password"));
    settings.password = passwords.empty() ? "" : passwords.front();
    if (!passwords.empty()) {
        passwords.pop_front();
    }
}

bool ScriptedDavQuestions::WorkOffline(const QString& question) {
    asked.push_back(question);
    return offline;
}

bool ScriptedDavQuestions::KeepDeletedSubjects(const QString& question) {
    asked.push_back(question);
    const bool answer = !keep.empty() && keep.front();
    if (!keep.empty()) {
        keep.pop_front();
    }
    return answer;
}

bool ScriptedDavQuestions::SendListAgain(const QString& question) {
    asked.push_back(question);
    return sendAgain;
}

void ScriptedDavQuestions::AskPassword(ConnectSettings&) {
    ADD_FAILURE() << "the FTP password was asked for";
}

bool ScriptedDavQuestions::BreakStaleLock(const QString& question) {
    ADD_FAILURE() << "asked about a lock: " << question.toStdString();
    return false;
}

bool ScriptedDavQuestions::ReplaceDamagedCopy(const QString& question) {
    ADD_FAILURE() << "asked about a server copy: " << question.toStdString();
    return false;
}

Computer::Computer(const QUrl& listUrl) : list(listUrl), dir_(TempDir("computer")) {
    settings.davMode = 1;
    settings.url = list.toString().toStdString();
    settings.userId = DavServer::kUser;
    settings.password = DavServer::kPassword;
}

Computer::~Computer() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

void Computer::Write(const std::vector<IndivSubj>& subjects) const {
    std::vector<RecordText> records;
    for (IndivSubj subj : subjects) {
        records.push_back(EncodeIndivSubj(subj));
    }
    if (WriteSubjFile(SubjKind::Indiv, DataFile(), records) != FileWrite::Written) {
        ADD_FAILURE() << "the data file was not written";
    }
}

std::vector<IndivSubj> Computer::Subjects() const {
    SubjTree tree(HeaderOf(SubjKind::Indiv));
    std::vector<IndivSubj> subjects;
    if (tree.Load(DataFile(), WidthsOf(SubjKind::Indiv)) == StoreResult::Done) {
        tree.VisitInOrder([&](const RecordText& record) {
            subjects.push_back(DecodeIndivSubj(record));
            return true;
        });
    }
    return subjects;
}

IndivSubj Computer::Find(const std::string& title) const {
    for (const IndivSubj& subj : Subjects()) {
        if (subj.title == title) {
            return subj;
        }
    }
    return {};
}

DavSyncResult Computer::Sync() {
    DavClient client;
    client.SetStallSeconds(20);
    return SyncDatedSubjects({DataFile(), list, SystemZoneName()}, settings, client, questions);
}

QUrl MakeList(const DavServer& server, const std::string& name) {
    DavClient client;
    client.SetLogin(DavServer::kUser, DavServer::kPassword);
    const QUrl url = server.ListsHome().resolved(QUrl(QString::fromStdString(name + "/")));
    const DavReply reply = client.MkCalendar(
        url, DavBodies::MkCalendar(QString::fromStdString(name), QStringLiteral("VTODO")));
    if (reply.outcome != DavOutcome::Done) {
        ADD_FAILURE() << "MKCALENDAR " << reply.status;
    }
    return url;
}

ListAndCompanion MakeListsByDiscovery(const DavServer& server, DavServer::Kind kind) {
    DavClient client;
    if (kind == DavServer::Kind::Radicale) {
        client.SetLogin(DavServer::kUser, DavServer::kPassword);
    }
    DavDiscovery discovery(client);
    DavAccount account;
    TaskList list;
    TaskList companion;
    if (discovery.Discover(server.Address(), account).outcome != DiscoveryOutcome::Found ||
        discovery.FindOrMakeNewList(account, list).outcome == DiscoveryOutcome::Failed ||
        discovery.FindOrMakeCompanion(account, list, companion).outcome ==
            DiscoveryOutcome::Failed) {
        return {};
    }
    return {list.url, companion.url};
}
