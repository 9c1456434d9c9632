// Two computers and python3-caldav sharing one task list and its companion
// ("veskat 反復") on a real server, Radicale or Xandikos, against a model of
// what they wrote. Each computer's step is the window's own start-up, save,
// 同期 or batch in a process of its own (dav_actor), through hold_proxy.py:
// the other device writes while a computer's first write is held between
// its fetch and its write, and the held computer is let go or killed; other
// steps are killed at random moments; a computer's sync-tokens are made up,
// for the server to refuse (Xandikos with a 500) and the sync to list by
// ETags. After the run every computer syncs in turn twice, and the claims
// are checked:
// - every version anyone wrote and nobody later changed is on the server or
//   in a conflict file;
// - no deleted subject comes back unless the user was told;
// - no subject (date and title, or a repeating subject's title) and no UID
//   is twice on the server;
// - every computer ends with what the server holds, both kinds;
// - the categories the other device gave an item survive veskat's writes.
// VESKAT_DAV_SOAK_RUNS, _SEED and _STEPS make it longer (scripts/dav-soak);
// by default it is small enough for every test run, on both servers.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "ActorProcess.h"
#include "DavServer.h"
#include "DavState.h"
#include "SjisCodec.h"
#include "SubjList.h"
#include "SubjMerge.h"
#include "SubjTree.h"
#include "SyncActorLog.h"
#include "SyncWorld.h"
#include "SystemZone.h"
#include "TodoReading.h"

namespace {

namespace fs = std::filesystem;

int EnvNumber(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text != nullptr ? std::atoi(text) : fallback;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// What went wrong in the runs, counted.
struct Findings {
    int runs = 0;
    int steps = 0;
    int kills = 0;
    int held = 0;          // steps whose write waited while the other device wrote
    int lost = 0;          // versions nobody replaced, found nowhere
    int cameBack = 0;      // deleted subjects back without the user told
    int cameBackTold = 0;  // back, after a message that says they may be
    int duplicates = 0;    // a key or a UID twice on the server
    int unequal = 0;       // computers whose files differ from the server's
    int dropped = 0;       // the other device's categories gone from an item
    int spoiled = 0;       // sync-tokens made up, for the server to refuse
    int conflicts = 0;     // writes the server refused for a changed version (412, 207)
    int datedItems = 0;    // on the server at the ends of the runs, as veskat reads them
    int repItems = 0;
    std::string details;

    int Broken() const { return lost + cameBack + duplicates + unequal + dropped; }
};

// The records of `kind` a data file holds, or those veskat makes of a list.
std::multiset<std::string> FileRecords(SubjKind kind, const std::string& file) {
    std::multiset<std::string> records;
    SubjTree tree(HeaderOf(kind));
    if (fs::exists(file) && tree.Load(file, WidthsOf(kind)) == StoreResult::Done) {
        tree.VisitInOrder([&](const RecordText& record) {
            records.emplace(record.begin(), record.end());
            return true;
        });
    }
    return records;
}

class DavSoakRun {
  public:
    DavSoakRun(DavServer::Kind kind, unsigned seed, Findings& findings)
        : kind_(kind), random_(seed), findings_(findings) {}
    void Run(int steps);

  private:
    static constexpr int kComputers = 2;

    struct Started {
        int computer;
        std::string dated;
        std::string rep;
        std::size_t log;
        std::unique_ptr<ActorProcess> actor;
    };

    std::string Folder(int computer) const { return work_ + "/c" + std::to_string(computer); }
    bool MakeLists();
    void WriteIni(int computer) const;
    Started Start(int computer, const char* mode);
    void Finish(Started& step, bool kill = false);
    void Step(int computer, const char* mode, int killAfter = -1);
    // The computer's first write waits at the proxy while the other device
    // writes; then it goes on, or the computer is killed.
    void HeldStep(int computer);
    void PeerActs(bool onCompanion);
    // The step's edits into the model, once: a step taken in goes on from here.
    void TakeEdits(Started& step);
    void SpoilTokens(int computer);
    void Check();
    // The claims of one list but the lost versions; its versions go to serverVersions_.
    void CheckList(CaldavPeer& peer, SubjKind kind, bool told);
    const char* RandomMode() {
        static const char* const modes[] = {"save", "save", "save", "sync", "batch", "start"};
        return modes[random_() % std::size(modes)];
    }

    DavServer::Kind kind_;
    std::mt19937 random_;
    Findings& findings_;
    std::unique_ptr<DavServer> server_;
    std::unique_ptr<HoldProxy> proxy_;
    QUrl list_;
    QUrl companion_;
    std::unique_ptr<CaldavPeer> datedPeer_;
    std::unique_ptr<CaldavPeer> repPeer_;
    std::string work_;
    int nextNumber_ = 1;
    int nextPeerVersion_ = 1;
    // Versions nobody replaced: ("", v) of dated subjects, ("r", v) of repeating ones.
    std::set<std::pair<std::string, std::string>> live_;
    // (prefix, number, version) of every deletion.
    std::vector<std::tuple<std::string, std::string, std::string>> deleted_;
    // The items the other device gave categories, by UID: the subject's number,
    // after "r" for a repeating one.
    std::map<QString, std::string> tagged_;
    std::set<std::pair<std::string, std::string>> serverVersions_;
    std::ofstream trace_;  // the steps, for a run that broke a claim
};

bool DavSoakRun::MakeLists() {
    const ListAndCompanion made = MakeListsByDiscovery(*server_, kind_);
    list_ = made.list;
    companion_ = made.companion;
    return !list_.isEmpty();
}

void DavSoakRun::WriteIni(int computer) const {
    std::ofstream ini(Folder(computer) + "/veskat.ini", std::ios::binary);
    ini << "[CalDAV]\r\ndavmode=TRUE\r\nurl=" << proxy_->Through(list_).toEncoded().toStdString()
        << "\r\nrepurl=" << proxy_->Through(companion_).toEncoded().toStdString() << "\r\n";
    if (kind_ == DavServer::Kind::Radicale) {
        ini << "userid=" << DavServer::kUser << "\r\n";
    }
}

DavSoakRun::Started DavSoakRun::Start(int computer, const char* mode) {
    const std::string folder = Folder(computer);
    WriteIni(computer);
    Started step{computer, ReadBytes(folder + "/veskat_i.dat"), ReadBytes(folder + "/veskat_r.dat"),
                 ReadBytes(folder + "/" + kEditsLog).size(), nullptr};
    trace_ << "c" << computer << " " << mode << " from " << nextNumber_ << std::endl;
    const char* password = kind_ == DavServer::Kind::Radicale ? DavServer::kPassword : "";
    step.actor = std::make_unique<ActorProcess>(
        std::vector<std::string>{VESKAT_DAV_ACTOR, folder, mode, std::to_string(random_()),
                                 std::to_string(nextNumber_), password},
        folder + "/actor-output.txt");
    nextNumber_ += 6;  // an actor makes up to three subjects of each kind
    return step;
}

void DavSoakRun::Finish(Started& step, bool kill) {
    if (kill && !step.actor->Ended(0)) {
        step.actor->Kill();
        ++findings_.kills;
        trace_ << "  killed" << std::endl;
    }
    ASSERT_TRUE(step.actor->Ended(90000)) << "a step that never ended";
    TakeEdits(step);
}

void DavSoakRun::Step(int computer, const char* mode, int killAfter) {
    Started step = Start(computer, mode);
    Finish(step, killAfter >= 0 && !step.actor->Ended(killAfter));
}

void DavSoakRun::HeldStep(int computer) {
    const std::string method = random_() % 4 == 0 ? "DELETE" : "PUT";
    proxy_->Hold(method, 1);
    Started step = Start(computer, "save");
    bool held = false;
    for (int waited = 0; waited < 200 && !step.actor->Ended(0); ++waited) {
        if (proxy_->IsHeld(method)) {
            held = true;
            break;
        }
        step.actor->Ended(50);
    }
    if (held) {
        // Its files are written and its first writes may be on the server:
        // the other device may replace what it wrote.
        TakeEdits(step);
        ++findings_.held;
        for (int n = 1 + static_cast<int>(random_() % 3); n > 0; --n) {
            PeerActs(random_() % 2 == 0);
        }
        const bool kill = random_() % 3 == 0;
        if (kill) {
            step.actor->Kill();
            ++findings_.kills;
        }
        trace_ << "  held " << method << (kill ? ", killed" : ", let go") << std::endl;
        proxy_->Release(method);
    }
    proxy_->Unhold(method);
    Finish(step);
}

void DavSoakRun::PeerActs(bool onCompanion) {
    CaldavPeer& peer = onCompanion ? *repPeer_ : *datedPeer_;
    const QString prefix = SjisToQString(onCompanion ? kSoakRepPrefix : kSoakTitlePrefix);
    const std::string logPrefix = onCompanion ? "r" : "";
    std::vector<QJsonObject> ours;
    for (const QJsonValue& value : peer.Items()) {
        if (value["summary"].toString().startsWith(prefix)) {
            ours.push_back(value.toObject());
        }
    }
    const std::string version = "p" + std::to_string(nextPeerVersion_++);
    const auto what = ours.empty() ? 0 : random_() % 5;
    if (what == 0) {
        if (onCompanion) {
            return;  // another program's to-do there is left alone: nothing to claim
        }
        const int number = nextNumber_++;
        const QString uid = QStringLiteral("peer-%1").arg(number);
        const bool ok = peer.Call({{"op", "add"},
                                   {"uid", uid},
                                   {"summary", prefix + QString::number(number)},
                                   {"description", QString::fromStdString(version)},
                                   {"due", "20270101T010000Z"},
                                   {"categories", QJsonArray{"Kept"}},
                                   {"alarm", true}})["ok"]
                            .toBool();
        trace_ << "peer adds " << number << " " << version << (ok ? "" : " (failed)") << std::endl;
        if (ok) {
            live_.emplace(logPrefix, version);
            tagged_[uid] = logPrefix + std::to_string(number);
        }
        return;
    }
    const QJsonObject& item = ours[random_() % ours.size()];
    const QString uid = item["uid"].toString();
    const std::string old = item["description"].toString().toStdString();
    const std::string number = item["summary"].toString().mid(prefix.size()).toStdString();
    static const char* const ops[] = {"", "deletes", "completes", "edits", "edits"};
    trace_ << "peer " << ops[what] << " " << logPrefix << number << " " << old << " -> " << version
           << std::endl;
    if (what == 1) {
        if (peer.Call({{"op", "delete"}, {"uid", uid}})["ok"].toBool()) {
            live_.erase({logPrefix, old});
            deleted_.emplace_back(logPrefix, number, old);
            tagged_.erase(uid);
        }
    } else if (what == 2) {
        static_cast<void>(peer.Call({{"op", "complete"}, {"uid", uid}}));
    } else if (peer.Call({{"op", "edit"},
                          {"uid", uid},
                          {"description", QString::fromStdString(version)},
                          {"categories", QJsonArray{"Kept"}}})["ok"]
                   .toBool()) {
        live_.erase({logPrefix, old});
        live_.emplace(logPrefix, version);
        tagged_[uid] = logPrefix + number;
    }
}

// A save writes the dated file, then the repeating one: a step killed
// between them made only the dated edits.
void DavSoakRun::TakeEdits(Started& step) {
    const std::string folder = Folder(step.computer);
    const std::string logName = folder + "/" + kEditsLog;
    const std::string log = ReadBytes(logName);
    const bool datedWritten = ReadBytes(folder + "/veskat_i.dat") != step.dated;
    const bool repWritten = ReadBytes(folder + "/veskat_r.dat") != step.rep;
    std::string kept = log.substr(0, step.log);
    std::istringstream lines(log.substr(step.log));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string what, number, a, b;
        words >> what >> number >> a;
        const std::string prefix = what[0] == 'r' ? "r" : "";
        if (!(prefix.empty() ? datedWritten : repWritten)) {
            continue;  // never written: never made
        }
        kept += line + "\n";
        what = what.substr(prefix.size());
        if (what == "add") {
            live_.emplace(prefix, a);
        } else if (what == "edit" && words >> b) {
            live_.erase({prefix, a});
            live_.emplace(prefix, b);
        } else if (what == "del") {
            live_.erase({prefix, a});
            deleted_.emplace_back(prefix, number, a);
            // Its item's categories went with it: an edit on the other
            // computer that keeps the subject makes a new item of its own.
            std::erase_if(tagged_, [&](const auto& tag) { return tag.second == prefix + number; });
        }
    }
    std::ofstream(logName, std::ios::binary | std::ios::trunc) << kept;
    step.log = kept.size();
}

// A token of the list's own form that the server never gave: Radicale
// answers it with a 403 (valid-sync-token), Xandikos with a 500; either way
// the next sync must list the items by their ETags.
void DavSoakRun::SpoilTokens(int computer) {
    for (const char* file : {kIndivFileName, kRepFileName}) {
        const std::string dataFile = Folder(computer) + "/" + file;
        DavState state;
        if (ReadDavState(dataFile, state) == StateRead::Read && !state.syncToken.isEmpty()) {
            QChar& last = state.syncToken.back();
            last = last == QLatin1Char('0') ? QLatin1Char('1') : QLatin1Char('0');
            if (WriteDavState(dataFile, state) == FileWrite::Written) {
                trace_ << "c" << computer << " token of " << file << " made up" << std::endl;
                ++findings_.spoiled;
            }
        }
    }
}

void DavSoakRun::Run(int steps) {
    char pattern[] = "/tmp/veskat-dav-soak-XXXXXX";
    work_ = mkdtemp(pattern);
    trace_.open(work_ + "/steps.txt");
    server_ = std::make_unique<DavServer>(kind_);
    ASSERT_TRUE(server_->Running()) << server_->Output();
    ASSERT_TRUE(MakeLists());
    proxy_ = std::make_unique<HoldProxy>(server_->Port());
    ASSERT_TRUE(proxy_->Running());
    datedPeer_ = std::make_unique<CaldavPeer>(list_);
    repPeer_ = std::make_unique<CaldavPeer>(companion_);
    for (int c = 0; c < kComputers; ++c) {
        fs::create_directory(Folder(c));
        WriteIni(c);
        Step(c, "start");
    }
    for (int step = 0; step < steps; ++step) {
        const int computer = static_cast<int>(random_() % kComputers);
        switch (random_() % 9) {
            case 0:
            case 1:
                PeerActs(random_() % 2 == 0);
                break;
            case 2:
                Step(computer, "save", static_cast<int>(random_() % 1500));
                break;
            case 3:
            case 4:
                HeldStep(computer);
                break;
            case 5:
                SpoilTokens(computer);
                Step(computer, "sync");
                break;
            default:
                Step(computer, RandomMode());
                break;
        }
        ++findings_.steps;
    }
    for (int round = 0; round < 2; ++round) {
        for (int c = 0; c < kComputers; ++c) {
            Step(c, "sync");
        }
    }
    for (const char* method : {"PUT", "DELETE"}) {
        findings_.conflicts +=
            proxy_->CountStatus(method, "412") + proxy_->CountStatus(method, "207");
    }
    const int brokenBefore = findings_.Broken();
    Check();
    if (findings_.Broken() == brokenBefore) {
        fs::remove_all(work_);
    } else {
        fs::copy_file(proxy_->LogFile(), work_ + "/requests.txt");
        findings_.details += "kept in " + work_ + " (steps.txt, requests.txt)\n";
    }
    ++findings_.runs;
}

void DavSoakRun::Check() {
    std::map<std::string, std::string> keptAside;  // by prefix
    bool told = false;
    for (int c = 0; c < kComputers; ++c) {
        for (const auto& entry : fs::directory_iterator(Folder(c))) {
            const std::string name = entry.path().filename().string();
            if (name.find(".conflict-") != std::string::npos) {
                keptAside[name.rfind(kRepFileName, 0) == 0 ? "r" : ""] +=
                    ReadBytes(entry.path().string());
            }
        }
        const std::string messages = ReadBytes(Folder(c) + "/" + kMessagesLog);
        // Asked, or told in the sync's line: kept since changed elsewhere, or
        // made again after a sync cut short.
        told = told || messages.find("残しますか") != std::string::npos ||
               messages.find("送り直しますか") != std::string::npos ||
               messages.find("送り直しました") != std::string::npos ||
               messages.find("変更されていたため残しました") != std::string::npos;
    }
    CheckList(*datedPeer_, SubjKind::Indiv, told);
    CheckList(*repPeer_, SubjKind::Rep, told);
    // A version is a whole field: the content, between tabs or at a line's end.
    for (const auto& [prefix, version] : live_) {
        const std::string& aside = keptAside[prefix];
        const bool kept = aside.find("\t" + version + "\t") != std::string::npos ||
                          aside.find("\t" + version + "\r") != std::string::npos ||
                          aside.find("\t" + version + "\n") != std::string::npos;
        if (serverVersions_.count({prefix, version}) == 0 && !kept) {
            ++findings_.lost;
            findings_.details += "lost " + version + "\n";
        }
    }
}

void DavSoakRun::CheckList(CaldavPeer& peer, SubjKind kind, bool told) {
    const bool dated = kind == SubjKind::Indiv;
    const std::string prefix = dated ? kSoakTitlePrefix : kSoakRepPrefix;
    std::multiset<std::string> shown;
    std::set<std::string> keys;
    std::set<QString> uids;
    std::set<std::pair<std::string, std::string>> onServer;  // (title, version)
    std::set<std::string> versions;
    for (const QJsonValue& value : peer.Items()) {
        const std::string raw = value["raw"].toString().toStdString();
        const QString uid = value["uid"].toString();
        if (!uids.insert(uid).second) {
            ++findings_.duplicates;
            findings_.details += "UID twice: " + uid.toStdString() + "\n";
        }
        if (tagged_.count(uid) != 0 && value["categories"].toArray() != QJsonArray{"Kept"}) {
            ++findings_.dropped;
            findings_.details += "categories dropped from " + uid.toStdString() + "\n";
        }
        RecordText record{};
        if (dated) {
            TodoReading read = ReadTodo(raw, SystemZoneName());
            if (read.shape != TodoShape::Dated) {
                continue;
            }
            record = EncodeIndivSubj(read.subj);
            onServer.emplace(read.subj.title, read.subj.content);
        } else {
            RepReading read = ReadRepTodo(raw);
            if (read.shape != TodoShape::Rules) {
                continue;
            }
            record = EncodeRepSubj(read.subj);
            onServer.emplace(read.subj.title, read.subj.content);
        }
        versions.insert(value["description"].toString().toStdString());  // as written
        shown.emplace(record.begin(), record.end());
        if (!keys.emplace(record.begin(), record.begin() + kKeySize).second) {
            ++findings_.duplicates;
            findings_.details +=
                "key twice: " +
                SjisToQString(std::string(record.begin(), record.begin() + 40)).toStdString() +
                "\n";
        }
    }
    for (const std::string& version : versions) {
        serverVersions_.emplace(dated ? "" : "r", version);
    }
    for (const auto& [what, number, version] : deleted_) {
        if ((what == "r") == dated) {
            continue;
        }
        if (onServer.count({prefix + number, version}) != 0) {
            ++(told ? findings_.cameBackTold : findings_.cameBack);
            findings_.details += "back " + version + (told ? " (told)\n" : "\n");
        }
    }
    (dated ? findings_.datedItems : findings_.repItems) += static_cast<int>(shown.size());
    for (int c = 0; c < kComputers; ++c) {
        const char* file = dated ? kIndivFileName : kRepFileName;
        if (FileRecords(kind, Folder(c) + "/" + file) != shown) {
            ++findings_.unequal;
            findings_.details += "computer " + std::to_string(c) + " differs in " + file + "\n";
        }
    }
}

}  // namespace

namespace {

void SoakOn(DavServer::Kind kind, const char* name) {
    Findings findings;
    const int runs = EnvNumber("VESKAT_DAV_SOAK_RUNS", 1);
    const int seed = EnvNumber("VESKAT_DAV_SOAK_SEED", 1);
    const int steps = EnvNumber("VESKAT_DAV_SOAK_STEPS", 10);
    for (int run = 0; run < runs; ++run) {
        DavSoakRun(kind, static_cast<unsigned>(seed + run), findings).Run(steps);
        std::printf("%s run %d (seed %d): lost %d, back %d, duplicates %d, unlike %d, dropped %d\n",
                    name, run + 1, seed + run, findings.lost, findings.cameBack,
                    findings.duplicates, findings.unequal, findings.dropped);
        std::fflush(stdout);
        if (::testing::Test::HasFatalFailure()) {
            break;
        }
    }
    std::printf(
        "%s: runs %d, steps %d, held %d, kills %d, tokens made up %d, writes refused for a "
        "changed version %d, items at the ends %d dated and %d repeating; "
        "lost %d, back %d (told %d), duplicates %d, computers unlike the server %d, categories "
        "dropped %d\n%s",
        name, findings.runs, findings.steps, findings.held, findings.kills, findings.spoiled,
        findings.conflicts, findings.datedItems, findings.repItems, findings.lost,
        findings.cameBack, findings.cameBackTold, findings.duplicates, findings.unequal,
        findings.dropped, findings.details.c_str());
    EXPECT_EQ(findings.runs, runs);
    EXPECT_EQ(findings.Broken(), 0);
}

TEST(DavSoakTest, RadicaleKeepsEverySubjectOfTwoComputersAndTheOtherDevice) {
    SoakOn(DavServer::Kind::Radicale, "radicale");
}

TEST(DavSoakTest, XandikosKeepsEverySubjectOfTwoComputersAndTheOtherDevice) {
    SoakOn(DavServer::Kind::Xandikos, "xandikos");
}

}  // namespace
