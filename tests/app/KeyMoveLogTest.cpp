// The moves a save tells the CalDAV state, worked out by the window's
// history from its steps, held to a plain model: every subject of the list is
// a numbered identity that an edit keeps, undo and redo bring back with the
// list as it was, and a save fixes. After each save the moves go through
// NoteKeyMoves on a real state file, which must then have every subject that
// was in the last save on its own item under its key of now, and no item of
// a deleted subject under a key another subject has.
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <random>

#include "DavState.h"
#include "EditHistory.h"

namespace {

using Model = std::map<KeyBytes, int>;  // key → identity

IndivSubj Subj(int day, char title) {
    IndivSubj subj;
    subj.year = 2026;
    subj.month = 12;
    subj.day = static_cast<std::int16_t>(day);
    subj.hour = 9;
    subj.title = std::string(1, title);
    return subj;
}

KeyBytes KeyOf(int day, char title) {
    IndivSubj subj = Subj(day, title);
    return KeyBytesOf(EncodeIndivSubj(subj));
}

// The window's list and history, the model beside them, and a state file
// that holds one item per subject of the last save, its uid the identity.
class World {
  public:
    World() : history_(indiv_, rep_) {
        QVERIFY(dir_.isValid());
        std::ofstream(DataFile()).put('\n');
        history_.Saved();
        WriteState();
    }

    // Each command changes nothing when it cannot be done, as the editor
    // refuses a key another subject has.
    void Add(int day, char title) {
        const KeyBytes key = KeyOf(day, title);
        if (model_.count(key) != 0) {
            return;
        }
        Record(EditHistory::Command::Add, [&] {
            indiv_.current = Subj(day, title);
            QCOMPARE(indiv_.Insert(), StoreResult::Done);
        });
        model_[key] = ++identities_;
    }
    void Edit(const KeyBytes& from, int day, char title) {
        const KeyBytes to = KeyOf(day, title);
        if (model_.count(from) == 0 || (from != to && model_.count(to) != 0)) {
            return;
        }
        Record(EditHistory::Command::Edit, [&] {
            Take(from);
            indiv_.current = Subj(day, title);
            indiv_.current.content = "edit " + std::to_string(++edits_);
            QCOMPARE(indiv_.Insert(), StoreResult::Done);
        });
        const int identity = model_[from];
        model_.erase(from);
        model_[to] = identity;
    }
    void Delete(const KeyBytes& key) {
        if (model_.count(key) == 0) {
            return;
        }
        Record(EditHistory::Command::Delete, [&] { Take(key); });
        model_.erase(key);
    }
    void Undo() {
        const bool offered = history_.CanUndo();
        QCOMPARE(history_.Undo().has_value(), offered);
        if (offered) {
            redo_.push_back(model_);
            model_ = done_.back();
            done_.pop_back();
        }
    }
    void Redo() {
        const bool offered = history_.CanRedo();
        QCOMPARE(history_.Redo().has_value(), offered);
        if (offered) {
            done_.push_back(model_);
            model_ = redo_.back();
            redo_.pop_back();
        }
    }
    // A save that wrote nothing: the moves wait for the next.
    void FailSave() { history_.SaveFailed(); }
    // The moves through the state file, checked; then the state as the sync
    // leaves it, one item per subject of the list.
    void Save() {
        QCOMPARE(NoteKeyMoves(DataFile(), history_.KeyMoves()), MoveNote::Noted);
        DavState state;
        QCOMPARE(ReadDavState(DataFile(), state), StateRead::Read);
        std::map<int, KeyBytes> itemKey;
        for (const DavItemState& item : state.items) {
            itemKey[std::stoi(item.uid)] = item.key;
        }
        for (const auto& [key, identity] : saved_) {
            const auto now = std::find_if(model_.begin(), model_.end(), [&](const auto& entry) {
                return entry.second == identity;
            });
            if (now != model_.end()) {
                QVERIFY2(itemKey[identity] == now->first, "a subject lost its item");
            } else {
                QVERIFY2(model_.count(itemKey[identity]) == 0,
                         "a deleted subject's item took another subject");
            }
        }
        history_.Saved();
        WriteState();
    }

    std::vector<KeyBytes> Keys() const {
        std::vector<KeyBytes> keys;
        for (const auto& entry : model_) {
            keys.push_back(entry.first);
        }
        return keys;
    }

  private:
    std::string DataFile() const { return dir_.filePath("veskat_i.dat").toStdString(); }

    void Record(EditHistory::Command command, const std::function<void()>& change) {
        done_.push_back(model_);
        redo_.clear();
        QVERIFY(!history_.Run(command, change).isEmpty());
    }
    // The subject under `key` out of the list.
    void Take(const KeyBytes& key) {
        for (StoreResult r = indiv_.First(); r == StoreResult::Done; r = indiv_.Next()) {
            IndivSubj subj = indiv_.current;
            if (KeyBytesOf(EncodeIndivSubj(subj)) == key) {
                QCOMPARE(indiv_.Remove(), StoreResult::Done);
                return;
            }
        }
        QFAIL("no subject under the key");
    }
    void WriteState() {
        DavState state;
        for (const auto& [key, identity] : model_) {
            DavItemState item;
            item.uid = std::to_string(identity);
            item.href = QString::number(identity);
            item.key = key;
            state.items.push_back(item);
        }
        QCOMPARE(WriteDavState(DataFile(), state), FileWrite::Written);
        saved_ = model_;
    }

    QTemporaryDir dir_;
    IndivSubjList indiv_;
    RepSubjList rep_;
    EditHistory history_;
    Model model_;
    Model saved_;
    std::vector<Model> done_;
    std::vector<Model> redo_;
    int identities_ = 0;
    int edits_ = 0;  // so that every edit changes its subject
};

}  // namespace

class KeyMoveLogTest : public QObject {
    Q_OBJECT

  private slots:
    // The cases each of which a plain replay of the edits, or a log that
    // forgot undo, a failed save or a ring, would get wrong.
    void shouldKeepEachSubjectOnItsItem_data() {
        QTest::addColumn<QString>("script");
        // a1: subject "a" on day 1. e<from><to>: edit; d: delete; +: add;
        // u/r: undo/redo; s: save; f: failed save.
        QTest::newRow("chain") << "+a1 s ea1b1 eb1c2 s";
        QTest::newRow("undone edit") << "+a1 s ea1b1 u s";
        QTest::newRow("undone then redone") << "+a1 s ea1b1 u r s";
        QTest::newRow("move then delete") << "+a1 s ea1b1 db1 s";
        QTest::newRow("delete then add on the key") << "+a1 s da1 +a1 s";
        QTest::newRow("delete, move onto it, undo both") << "+a1 +b1 s db1 ea1b1 u u s";
        QTest::newRow("swap through a third key") << "+a1 +b1 s ea1c1 eb1a1 ec1b1 s";
        QTest::newRow("ring of three") << "+a1 +b1 +c1 s ea1a2 eb1a1 ec1b1 ea2c1 s";
        QTest::newRow("failed save keeps the moves") << "+a1 s ea1b1 f eb1c1 f s";
        QTest::newRow("undo across a save") << "+a1 s ea1b1 s u s";
    }
    void shouldKeepEachSubjectOnItsItem() {
        QFETCH(QString, script);
        World world;
        for (const QString& word : script.split(QLatin1Char(' '))) {
            const auto day = [&](int at) { return word[at].digitValue(); };
            const auto title = [&](int at) { return static_cast<char>(word[at].toLatin1()); };
            switch (word[0].toLatin1()) {
                case '+':
                    world.Add(day(2), title(1));
                    break;
                case 'e':
                    world.Edit(KeyOf(day(2), title(1)), day(4), title(3));
                    break;
                case 'd':
                    world.Delete(KeyOf(day(2), title(1)));
                    break;
                case 'u':
                    world.Undo();
                    break;
                case 'r':
                    world.Redo();
                    break;
                case 'f':
                    world.FailSave();
                    break;
                case 's':
                    world.Save();
                    break;
            }
        }
    }

    // Random commands on nine keys, so that moves meet deleted keys, chains
    // and rings; a save now and then, some of them failing first. A longer
    // run: VESKAT_KEY_MOVE_SEEDS=2000.
    void shouldAgreeWithTheModelOverRandomEdits() {
        const unsigned seeds = qEnvironmentVariableIntValue("VESKAT_KEY_MOVE_SEEDS");
        for (unsigned seed = 1; seed <= (seeds > 0 ? seeds : 20); ++seed) {
            std::mt19937 random(seed);
            const auto pick = [&](int n) { return static_cast<int>(random() % n); };
            World world;
            for (int step = 0; step < 60; ++step) {
                const std::vector<KeyBytes> keys = world.Keys();
                const int day = 1 + pick(3);
                const char title = static_cast<char>('a' + pick(3));
                const int what = pick(10);
                if (what < 2 || keys.empty()) {
                    world.Add(day, title);
                } else if (what < 5) {
                    world.Edit(keys[pick(static_cast<int>(keys.size()))], day, title);
                } else if (what == 5) {
                    world.Delete(keys[pick(static_cast<int>(keys.size()))]);
                } else if (what == 6) {
                    world.Undo();
                } else if (what == 7) {
                    world.Redo();
                } else if (what == 8) {
                    world.FailSave();
                } else {
                    world.Save();
                }
                if (QTest::currentTestFailed()) {
                    qInfo("seed %u, step %d", seed, step);
                    return;
                }
            }
            world.Save();
        }
    }
};

QTEST_MAIN(KeyMoveLogTest)
#include "KeyMoveLogTest.moc"
