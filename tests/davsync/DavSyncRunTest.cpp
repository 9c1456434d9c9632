// A randomised run of two computers and the other device on one task list,
// against a model of what the server must hold. A computer edits what its
// data file held at its own last sync, however much changed elsewhere since,
// then syncs; the other device edits the server at once. The model applies
// the sync's rules: the field edited here wins, every other field is taken
// from the server, an edit of an item deleted elsewhere makes it again, a
// deletion of an item changed elsewhere is undone. After every step the
// server and the computer that synced must hold what the model holds, with
// no item twice and the other device's categories and alarms kept.
//
// VESKAT_DAV_RUN_SEED and VESKAT_DAV_RUN_STEPS make a longer run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>
#include <set>

#include "DavState.h"
#include "SyncWorld.h"

namespace {

struct Fields {
    std::string title;
    int day = 1;
    int hour = 0;
    std::string content;
    Progress progress = Progress::Open;
    int version = 0;        // bumped by every change the server takes
    bool fromPeer = false;  // carries the other device's categories and alarm
    std::string uid;        // where the other device made it

    bool operator==(const Fields& o) const {
        return title == o.title && day == o.day && hour == o.hour && content == o.content &&
               progress == o.progress;
    }
};

using Model = std::map<int, Fields>;  // by a subject's identity

int EnvNumber(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::atoi(value) : fallback;
}

IndivSubj SubjOf(const Fields& f) {
    return Dated(f.title, 2026, 12, f.day, f.hour, 0, f.progress, f.content);
}

std::string Described(const std::vector<IndivSubj>& subjects) {
    std::string text;
    for (const IndivSubj& s : subjects) {
        text += s.title + "@" + std::to_string(s.day) + "T" + std::to_string(s.hour) + " " +
                s.content + " " + static_cast<char>(s.progress) + "\n";
    }
    return text;
}

std::vector<IndivSubj> Sorted(std::vector<IndivSubj> subjects) {
    std::sort(subjects.begin(), subjects.end(), [](const IndivSubj& a, const IndivSubj& b) {
        return std::tie(a.title, a.day) < std::tie(b.title, b.day);
    });
    return subjects;
}

std::vector<IndivSubj> Expected(const Model& model) {
    std::vector<IndivSubj> subjects;
    for (const auto& [id, f] : model) {
        subjects.push_back(SubjOf(f));
    }
    return Sorted(subjects);
}

class DavSyncRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Running()) << server_.Output();
        list_ = MakeList(server_, "run");
        peer_ = std::make_unique<CaldavPeer>(list_);
    }

    // What the server holds, as the other device reads it.
    std::vector<IndivSubj> OnServer() {
        std::vector<IndivSubj> subjects;
        std::set<QString> uids;
        for (const QJsonValue& value : peer_->Items()) {
            const QJsonObject item = value.toObject();
            EXPECT_TRUE(uids.insert(item["uid"].toString()).second) << "an item twice";
            const std::string due = item["due"].toString().toStdString();
            const QString status = item["status"].toString();
            const bool untracked = item["x"]["X-VESKAT-PROGRESS"].toString() == "N";
            const Progress progress = status == "COMPLETED" ? Progress::Done
                                      : untracked           ? Progress::NotTracked
                                                            : Progress::Open;
            std::string content = item["description"].toString().toStdString();
            subjects.push_back(Dated(
                item["summary"].toString().toStdString(), 2026, 12, std::stoi(due.substr(6, 2)),
                due.size() > 8 ? std::stoi(due.substr(9, 2)) : 0, 0, progress, content));
            if (item["uid"].toString().startsWith("peer")) {
                EXPECT_EQ(item["categories"].toArray(), QJsonArray{"Kept"}) << due;
                EXPECT_EQ(item["alarms"].toInt(), 1);
            }
        }
        return Sorted(subjects);
    }

    DavServer server_{DavServer::Kind::Radicale};
    QUrl list_;
    std::unique_ptr<CaldavPeer> peer_;
};

TEST_F(DavSyncRunTest, TwoComputersAndTheOtherDeviceAgreeWithTheModel) {
    // The default run meets each rule of the model at least once.
    constexpr int kSeed = 4;
    constexpr int kSteps = 30;
    const int seed = EnvNumber("VESKAT_DAV_RUN_SEED", kSeed);
    const int steps = EnvNumber("VESKAT_DAV_RUN_STEPS", kSteps);
    DavSyncReport met;
    std::mt19937 random(static_cast<unsigned>(seed));
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    Computer computers[] = {Computer(list_), Computer(list_)};
    Model server;
    Model seen[2];  // what each computer held at its last sync
    int next = 0;
    int counter = 0;
    const auto fresh = [&](const char* prefix) { return prefix + std::to_string(++counter); };

    for (int step = 0; step < steps; ++step) {
        SCOPED_TRACE("seed " + std::to_string(seed) + " step " + std::to_string(step));
        const int actor = pick(3);
        if (actor == 2) {
            // The other device, on the server as it stands.
            if (server.size() < 4 || pick(4) == 0) {
                const int id = next++;
                Fields f{fresh("p"), 1 + pick(28), 0, fresh("d"), Progress::Open, 1, true, ""};
                f.uid = "peer" + std::to_string(id);
                ASSERT_TRUE(peer_
                                ->Call({{"op", "add"},
                                        {"uid", QString::fromStdString(f.uid)},
                                        {"summary", QString::fromStdString(f.title)},
                                        {"description", QString::fromStdString(f.content)},
                                        {"due", QString("202612%1").arg(f.day, 2, 10, QChar('0'))},
                                        {"categories", QJsonArray{"Kept"}},
                                        {"alarm", true}})["ok"]
                                .toBool());
                server[id] = f;
                continue;
            }
            auto it = std::next(server.begin(), pick(static_cast<int>(server.size())));
            Fields& f = it->second;
            const QString uid =
                CaldavPeer::BySummary(peer_->Items(), QString::fromStdString(f.title))["uid"]
                    .toString();
            QJsonObject command{{"uid", uid}};
            const bool done = f.progress == Progress::Done;
            switch (pick(4)) {
                case 0:
                    f.title = fresh("p");
                    command["summary"] = QString::fromStdString(f.title);
                    break;
                case 2:
                    if (server.size() > 4) {
                        command["op"] = "delete";
                        server.erase(it);
                        break;
                    }
                    [[fallthrough]];
                case 3:
                    if (!done) {
                        command["op"] = "complete";
                        f.progress = Progress::Done;
                        break;
                    }
                    [[fallthrough]];
                default:
                    f.content = fresh("d");
                    command["description"] = QString::fromStdString(f.content);
                    break;
            }
            if (!command.contains("op")) {
                command["op"] = "edit";
            }
            if (command["op"] != "delete") {
                ++it->second.version;
            }
            ASSERT_TRUE(peer_->Call(command)["ok"].toBool())
                << command["op"].toString().toStdString();
            continue;
        }

        // A computer edits what it held at its last sync, then syncs.
        Computer& computer = computers[actor];
        Model& mine = seen[actor];
        Model local = mine;
        std::vector<KeyMove> moves;
        const int kind = mine.empty() ? 0 : pick(6);
        int id = -1;
        Fields edited;
        if (kind == 0) {
            id = next++;
            edited = Fields{fresh("c"), 1 + pick(28), pick(24), fresh("x"), Progress::Open,
                            1,          false,        ""};
            local[id] = edited;
        } else {
            auto it = std::next(local.begin(), pick(static_cast<int>(local.size())));
            id = it->first;
            const Fields before = it->second;
            edited = before;
            switch (kind) {
                case 1:
                    edited.content = fresh("x");
                    break;
                case 2:
                    while (edited.progress == before.progress) {
                        edited.progress =
                            std::array{Progress::NotTracked, Progress::Open,
                                       Progress::Done}[static_cast<std::size_t>(pick(3))];
                    }
                    break;
                case 3:
                    edited.title = fresh("c");
                    break;
                case 4:
                    edited.day = 1 + (before.day + pick(27)) % 28;
                    break;
                default:
                    edited.title.clear();  // deleted
                    break;
            }
            if (!edited.title.empty()) {
                it->second = edited;
                IndivSubj a = SubjOf(before);
                IndivSubj b = SubjOf(edited);
                if (a.title != b.title || a.day != b.day) {
                    moves.push_back(
                        {KeyBytesOf(EncodeIndivSubj(a)), KeyBytesOf(EncodeIndivSubj(b))});
                }
            } else {
                local.erase(it);
            }
        }
        // The model of the sync that follows.
        auto there = server.find(id);
        if (kind == 0) {
            server[id] = edited;
        } else if (edited.title.empty()) {
            if (there != server.end() && there->second.version == mine.at(id).version) {
                server.erase(there);
            }
        } else if (there == server.end()) {
            server[id] = edited;  // made again
            server[id].version += 1;
        } else {
            Fields& f = there->second;
            const Fields& before = mine.at(id);
            if (edited.title != before.title)
                f.title = edited.title;
            if (edited.day != before.day) {
                f.day = edited.day;
                f.hour = edited.hour;
            }
            if (edited.content != before.content)
                f.content = edited.content;
            if (edited.progress != before.progress)
                f.progress = edited.progress;
            ++f.version;
        }
        std::vector<IndivSubj> subjects;
        for (const auto& [key, f] : local) {
            subjects.push_back(SubjOf(f));
        }
        computer.Write(subjects);
        if (!moves.empty()) {
            static_cast<void>(NoteKeyMoves(computer.DataFile(), moves));
        }
        const DavSyncResult result = computer.Sync();
        ASSERT_EQ(result.outcome, DavSyncOutcome::Synced);
        EXPECT_EQ(result.report.unsent + result.report.refused, 0);
        met.conflicts += result.report.conflicts;
        met.keptHere += result.report.keptHere;
        met.keptThere += result.report.keptThere;
        mine = server;
        EXPECT_EQ(Described(Sorted(computer.Subjects())), Described(Expected(server)));
        EXPECT_EQ(Described(OnServer()), Described(Expected(server)));
        if (::testing::Test::HasFailure()) {
            return;
        }
    }
    for (Computer& computer : computers) {
        ASSERT_EQ(computer.Sync().outcome, DavSyncOutcome::Synced);
        EXPECT_EQ(Described(Sorted(computer.Subjects())), Described(Expected(server)));
    }
    if (seed == kSeed && steps == kSteps) {
        EXPECT_GT(met.conflicts, 0);
        EXPECT_GT(met.keptHere, 0);
        EXPECT_GT(met.keptThere, 0);
    }
}

}  // namespace
