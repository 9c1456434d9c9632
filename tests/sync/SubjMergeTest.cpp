// The merge of a data file with the server's copy through real files: against
// a plain model of keys and record texts, with the batch run on two computers,
// with damaged inputs, and the conflict file and message the user is given.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <set>

#include "BaseCopy.h"
#include "Batch.h"
#include "Clock.h"
#include "SubjMerge.h"

namespace {

namespace fs = std::filesystem;
using Records = std::vector<RecordText>;

// Shift_JIS: 朝会, 会議, 買い物, 歯医者 (trail bytes 0x5C and 0x7C among them), ｻﾌﾄ.
const std::vector<std::string> kTitles = {"\x92\xA9\x89\xEF",         "\x89\xEF\x8B\x63",
                                          "\x94\x83\x82\xA2\x95\xA8", "\x8E\x95\x88\xE3\x8E\xD2",
                                          "\x95\x5C\x83\x7C",         "\xBB\xCC\xC4"};
// Shift_JIS: 一行目<br>二行目, 資料, and plain texts.
const std::vector<std::string> kContents = {"",
                                            "\x88\xEA\x8D\x73\x96\xDA<br>\x93\xF1\x8D\x73\x96\xDA",
                                            "\x8E\x91\x97\xBF", "10:00", "11:00"};

RecordText Indiv(int day, const std::string& title, const std::string& content = "",
                 Progress progress = Progress::Open, int hour = 9) {
    IndivSubj s;
    s.year = 2026;
    s.month = 12;
    s.day = static_cast<std::int16_t>(day);
    s.title = title;
    s.hour = static_cast<std::int16_t>(hour);
    s.progress = progress;
    s.content = content;
    return EncodeIndivSubj(s);
}

RecordText Rep(const std::string& title, const std::string& content, int weekday) {
    RepSubj r;
    r.title = title;
    r.weekly[static_cast<std::size_t>(weekday)] = 1;
    r.progress = Progress::Open;
    r.content = content;
    return EncodeRepSubj(r);
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Through the store itself, not through the code under test.
void Save(SubjKind kind, const std::string& path, const Records& records) {
    SubjTree tree(HeaderOf(kind));
    for (const RecordText& r : records) {
        ASSERT_EQ(tree.Insert(r), StoreResult::Done);
    }
    ASSERT_EQ(tree.Save(path, WidthsOf(kind)), StoreResult::Done);
}

Records Load(SubjKind kind, const std::string& path) {
    SubjTree tree(HeaderOf(kind));
    EXPECT_EQ(tree.Load(path, WidthsOf(kind)), StoreResult::Done) << path;
    Records records;
    tree.VisitInOrder([&](const RecordText& r) {
        records.push_back(r);
        return true;
    });
    return records;
}

class SubjMerge : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.isValid());
        dir_ = temp_.path().toStdString();
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    // Base, ours and theirs as the program would hold them before a merge.
    void Sides(SubjKind kind, const Records& base, const Records& ours, const Records& theirs) {
        Save(kind, Path("base-source"), base);
        ASSERT_EQ(WriteBaseCopyFrom(Local(), Path("base-source")), FileWrite::Written);
        Save(kind, Local(), ours);
        Save(kind, Fetched(), theirs);
    }
    std::string Local() const { return Path("veskat.dat"); }
    std::string Fetched() const { return Path("veskat.dat.server"); }

    QTemporaryDir temp_;
    fs::path dir_;
};

// Key -> record text; what each side holds.
using Model = std::map<std::string, std::string>;

std::string KeyText(const RecordText& r) {
    return std::string(r.begin(), r.begin() + kKeySize);
}

std::string Text(const RecordText& r) {
    return std::string(r.begin(), r.end());
}

Model ModelOf(const Records& records) {
    Model model;
    for (const RecordText& r : records) {
        model[KeyText(r)] = Text(r);
    }
    return model;
}

std::optional<std::string> At(const Model& model, const std::string& key) {
    auto it = model.find(key);
    return it == model.end() ? std::nullopt : std::optional(it->second);
}

TEST_F(SubjMerge, RandomEditsOnBothSidesMatchTheModelAndLoseNothing) {
    std::mt19937 random(20261207);
    int conflicts = 0;
    int kept = 0;
    for (int round = 0; round < 400; ++round) {
        const SubjKind kind = round % 2 ? SubjKind::Rep : SubjKind::Indiv;
        // Few keys and few variants, so that both sides often meet on a key
        // and often make the very same change.
        auto variant = [&](int key, int v) {
            const std::string& title = kTitles[static_cast<std::size_t>(key) % kTitles.size()];
            const std::string& content = kContents[static_cast<std::size_t>(v)];
            return kind == SubjKind::Indiv ? Indiv(1 + key / 6, title, content, Progress::Open, v)
                                           : Rep(title + std::to_string(key / 6), content, v);
        };
        auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        Records base, ours, theirs;
        for (int key = 0; key < 18; ++key) {
            std::optional<int> b, o, t;
            if (pick(2)) {
                b = pick(5);
            }
            o = pick(2) ? b : (pick(4) ? std::optional(pick(5)) : std::nullopt);
            t = pick(5) == 0 ? o : pick(2) ? b : (pick(4) ? std::optional(pick(5)) : std::nullopt);
            auto put = [&](std::optional<int> side, Records& records) {
                if (side) {
                    records.push_back(variant(key, *side));
                }
            };
            put(b, base);
            put(o, ours);
            put(t, theirs);
        }
        // One round in twenty goes through the files and the base copy; the
        // others through stores in memory, for many more cases in the time.
        const bool throughFiles = round % 20 == 0;
        SubjMergeResult result;
        if (throughFiles) {
            Sides(kind, base, ours, theirs);
            result = MergeSubjFiles(kind, Local(), Fetched());
            if (ModelOf(base) == ModelOf(theirs)) {
                EXPECT_EQ(result.status, MergeStatus::ServerUnchanged);
                continue;
            }
        } else {
            SubjTree b(HeaderOf(kind)), o(HeaderOf(kind)), t(HeaderOf(kind));
            for (auto [tree, records] :
                 {std::pair{&b, &base}, std::pair{&o, &ours}, std::pair{&t, &theirs}}) {
                for (const RecordText& r : *records) {
                    ASSERT_EQ(tree->Insert(r), StoreResult::Done);
                }
            }
            result = MergeSubjTrees(kind, b, o, t);
        }
        ASSERT_EQ(result.status, MergeStatus::Merged) << round;

        const Model mb = ModelOf(base), mo = ModelOf(ours), mt = ModelOf(theirs);
        Model merged, aside;
        int taken = 0, keptAgainstDeletion = 0;
        std::set<std::string> keys;
        for (const Model* m : {&mb, &mo, &mt}) {
            for (const auto& entry : *m) {
                keys.insert(entry.first);
            }
        }
        for (const std::string& key : keys) {
            auto b = At(mb, key), o = At(mo, key), t = At(mt, key);
            auto m = o;
            if (o != t && t != b) {
                if (o == b || !o) {
                    m = t;
                } else if (t) {
                    aside[key] = *t;
                } else {
                    ++keptAgainstDeletion;
                }
            }
            taken += m != o;
            if (m) {
                merged[key] = *m;
            }
            // Nothing a side changed is lost.
            if (o && o != b) {
                EXPECT_EQ(At(merged, key), o);
            }
            if (t && t != b) {
                EXPECT_TRUE(At(merged, key) == t || At(aside, key) == t);
            }
        }
        // Key order and one record a key: the same records load back.
        if (throughFiles) {
            ASSERT_EQ(WriteSubjFile(kind, Path("merged"), result.merged), FileWrite::Written);
            EXPECT_EQ(Load(kind, Path("merged")), result.merged);
        } else {
            auto notAscending = [](const RecordText& x, const RecordText& y) {
                return KeyText(x) >= KeyText(y);
            };
            EXPECT_EQ(std::adjacent_find(result.merged.begin(), result.merged.end(), notAscending),
                      result.merged.end());
        }
        EXPECT_EQ(ModelOf(result.merged), merged) << round;
        EXPECT_EQ(ModelOf(result.conflicts), aside) << round;
        EXPECT_EQ(result.taken, taken);
        EXPECT_EQ(result.keptAgainstDeletion, keptAgainstDeletion);
        conflicts += static_cast<int>(aside.size());
        kept += keptAgainstDeletion;

        if (throughFiles && !aside.empty()) {
            ASSERT_EQ(KeepConflictsAside(Local(), result), FileWrite::Written);
            EXPECT_EQ(Load(kind, result.conflictFile), result.conflicts);
            fs::remove(result.conflictFile);
        }
    }
    EXPECT_GT(conflicts, 300);
    EXPECT_GT(kept, 60);
}

TEST_F(SubjMerge, TwoComputersEditingTheirOwnSubjectsMergeIntoOneFileAndOneMessage) {
    ScopedClock clock(LocalTime::Make(2026, 12, 7, 9, 30, 0));
    const std::string mtg = kTitles[0], talk = kTitles[1], shop = kTitles[2], dent = kTitles[3];
    Sides(SubjKind::Indiv,
          {Indiv(1, mtg), Indiv(2, talk), Indiv(3, shop, "", Progress::NotTracked), Indiv(4, dent)},
          {Indiv(1, mtg, "", Progress::Done), Indiv(2, talk),
           Indiv(3, shop, "", Progress::NotTracked), Indiv(4, dent, "10:00"), Indiv(5, "walk")},
          {Indiv(1, mtg), Indiv(2, talk, kContents[2]), Indiv(4, dent, "11:00"), Indiv(6, "film")});
    SubjMergeResult result = MergeSubjFiles(SubjKind::Indiv, Local(), Fetched());
    ASSERT_EQ(result.status, MergeStatus::Merged);
    ASSERT_EQ(WriteSubjFile(SubjKind::Indiv, Local(), result.merged), FileWrite::Written);
    EXPECT_EQ(Read(Local()),
              "_VESKAT_I_DAT_VER_1_2_\r\n"
              "2026\t12\t01\t" +
                  mtg +
                  "\t09\t00\tC\t\t\r\n"
                  "2026\t12\t02\t" +
                  talk + "\t09\t00\tU\t" + kContents[2] +
                  "\t\r\n"
                  "2026\t12\t04\t" +
                  dent +
                  "\t09\t00\tU\t10:00\t\r\n"
                  "2026\t12\t05\twalk\t09\t00\tU\t\t\r\n"
                  "2026\t12\t06\tfilm\t09\t00\tU\t\t\r\n");
    // An older conflict file of the same second is never written over.
    const std::string taken = Local() + ".conflict-20261207-093000";
    Write(taken, "keep");
    ASSERT_EQ(KeepConflictsAside(Local(), result), FileWrite::Written);
    EXPECT_EQ(result.conflictFile, taken + "-2");
    EXPECT_EQ(Read(taken), "keep");
    EXPECT_EQ(Read(result.conflictFile),
              "_VESKAT_I_DAT_VER_1_2_\r\n2026\t12\t04\t" + dent + "\t09\t00\tU\t11:00\t\r\n");
    EXPECT_EQ(MergeMessage({&result, nullptr}),
              QString::fromUtf8("他のコンピューターでの個別案件の変更を 3 件取り込みました。\n"
                                "食い違った個別案件 1 件は ") +
                  QString::fromLocal8Bit(taken + "-2") + QString::fromUtf8(" に残しました。"));
    // Only the data files, the base, the fetched copy and the two conflict files.
    std::size_t entries = std::distance(fs::directory_iterator(dir_), fs::directory_iterator());
    EXPECT_EQ(entries, 6u);
}

TEST_F(SubjMerge, SubjectsTheBatchGeneratesOnBothComputersMergeWithoutConflict) {
    ScopedClock clock(LocalTime::Make(2026, 12, 7, 8));
    RepSubjList reps;
    for (int weekday = 0; weekday < 3; ++weekday) {
        reps.current = DecodeRepSubj(Rep(kTitles[static_cast<std::size_t>(weekday)], "", weekday));
        ASSERT_EQ(reps.Insert(), StoreResult::Done);
    }
    Save(SubjKind::Indiv, Path("shared.dat"),
         {Indiv(1, "old", "", Progress::NotTracked), Indiv(8, "hand"), Indiv(9, "other")});
    ASSERT_EQ(WriteBaseCopyFrom(Local(), Path("shared.dat")), FileWrite::Written);
    // Each computer loads the shared file, runs the batch and edits a subject of its own.
    auto computer = [&](const std::string& file, int day, const std::string& content) {
        IndivSubjList indiv;
        ASSERT_EQ(indiv.Load(Path("shared.dat")), StoreResult::Done);
        ASSERT_EQ(RunBatch(reps, indiv), StoreResult::Done);
        indiv.current = DecodeIndivSubj(Indiv(day, day == 8 ? "hand" : "other"));
        indiv.current.content = content;
        ASSERT_EQ(indiv.Replace(), StoreResult::Done);
        ASSERT_EQ(indiv.Save(file), StoreResult::Done);
    };
    computer(Local(), 8, "here");
    computer(Fetched(), 9, "there");
    const Records ours = Load(SubjKind::Indiv, Local());
    ASSERT_GT(ours.size(), 15u);

    SubjMergeResult result = MergeSubjFiles(SubjKind::Indiv, Local(), Fetched());
    ASSERT_EQ(result.status, MergeStatus::Merged);
    EXPECT_TRUE(result.conflicts.empty());
    EXPECT_EQ(result.taken, 1);
    Records expected = ours;
    for (RecordText& r : expected) {
        if (KeyText(r) == KeyText(Indiv(9, "other"))) {
            r = Indiv(9, "other", "there");
        }
    }
    EXPECT_EQ(result.merged, expected);
}

TEST_F(SubjMerge, DamagedInputsMergeNothingOrKeepEveryRecord) {
    const Records base = {Indiv(1, "a"), Indiv(2, "b"), Indiv(3, "c")};
    const Records ours = {Indiv(1, "a", "ours"), Indiv(2, "b")};
    const Records theirs = {Indiv(1, "a"), Indiv(3, "c", "theirs")};
    auto merge = [&] { return MergeSubjFiles(SubjKind::Indiv, Local(), Fetched()); };
    Save(SubjKind::Indiv, Local(), ours);
    Save(SubjKind::Indiv, Fetched(), theirs);
    const std::string oursBytes = Read(Local()), theirsBytes = Read(Fetched());

    EXPECT_EQ(merge().status, MergeStatus::NoBase);
    ASSERT_EQ(WriteBaseCopy(Local(), theirsBytes), FileWrite::Written);
    EXPECT_EQ(merge().status, MergeStatus::ServerUnchanged);

    // A base that cannot serve: every record of both sides stays, b comes back.
    const Records everything = {Indiv(1, "a", "ours"), Indiv(2, "b"), Indiv(3, "c", "theirs")};
    const std::string duplicate = "2026\t12\t01\ta\t09\t00\tU\t\t\r\n";
    for (const std::string& bad : {std::string("\x01garbage"), std::string(),
                                   "_VESKAT_I_DAT_VER_1_2_\r\n" + duplicate + duplicate}) {
        ASSERT_EQ(WriteBaseCopy(Local(), bad), FileWrite::Written);
        SubjMergeResult result = merge();
        EXPECT_EQ(result.status, MergeStatus::MergedWithoutBase);
        EXPECT_EQ(result.merged, everything);
        EXPECT_EQ(result.conflicts, Records{Indiv(1, "a")});
    }
    fs::remove(BaseFileName(Local()));
    fs::create_directories(BaseFileName(Local()));
    EXPECT_EQ(ReadBaseCopy(Local()).state, FileRead::Unreadable);
    EXPECT_EQ(merge().merged, everything);
    EXPECT_EQ(WriteBaseCopy(Local(), "x"), FileWrite::Failed);
    EXPECT_TRUE(fs::is_directory(BaseFileName(Local())));
    fs::remove(BaseFileName(Local()));
    fs::create_symlink(Path("nowhere"), BaseFileName(Local()));
    EXPECT_EQ(ReadBaseCopy(Local()).state, FileRead::Unreadable);
    fs::remove(BaseFileName(Local()));

    // Sides that are not whole data files of this kind: nothing merged.
    Save(SubjKind::Indiv, Path("base-source"), base);
    ASSERT_EQ(WriteBaseCopyFrom(Local(), Path("base-source")), FileWrite::Written);
    for (const std::string& bad : {std::string(), std::string("_VESKAT_R_DAT_VER_1_2_\r\n"),
                                   "_VESKAT_I_DAT_VER_1_2_\r\n" + duplicate + duplicate}) {
        Write(Fetched(), bad);
        EXPECT_EQ(merge().status, MergeStatus::TheirsDamaged);
        Write(Local(), bad);
        Write(Fetched(), theirsBytes);
        EXPECT_EQ(merge().status, MergeStatus::OursDamaged);
        Write(Local(), oursBytes);
    }
    fs::remove(Fetched());
    EXPECT_EQ(merge().status, MergeStatus::TheirsDamaged);
    fs::create_directories(Fetched());
    EXPECT_EQ(merge().status, MergeStatus::TheirsDamaged);
    EXPECT_EQ(WriteBaseCopyFrom(Local(), Fetched()), FileWrite::Failed);
    EXPECT_EQ(ReadBaseCopy(Local()).bytes, Read(Path("base-source")));
    EXPECT_EQ(Read(Local()), oursBytes);
}

// A server copy is merged only when it loads as the program wrote it. Each
// damage is made from a clean file of two Shift_JIS subjects.
TEST_F(SubjMerge, OnlyAServerCopyThatLoadsCleanlyPassesTheCheck) {
    Save(SubjKind::Indiv, Fetched(), {Indiv(1, kTitles[0], kContents[1]), Indiv(2, kTitles[4])});
    const std::string clean = Read(Fetched());
    const std::size_t lastTitle = clean.rfind(kTitles[4]);
    const struct {
        const char* what;
        std::string bytes;
        CopyCheck expected;
    } cases[] = {
        {"clean", clean, CopyCheck::Clean},
        {"header only", clean.substr(0, clean.find('\n') + 1), CopyCheck::Clean},
        {"cut inside a kanji", clean.substr(0, lastTitle + 1), CopyCheck::Damaged},
        {"last line not ended", clean.substr(0, clean.size() - 2), CopyCheck::Damaged},
        {"no header", clean.substr(clean.find('\n') + 1), CopyCheck::Damaged},
        {"not Shift_JIS", clean.substr(0, lastTitle) + "\xFF" + clean.substr(lastTitle),
         CopyCheck::Damaged},
        // Lead and trail bytes as they should be, but no character the program would store so.
        {"a code no character has",
         clean.substr(0, lastTitle) + "\x85\x40" + clean.substr(lastTitle), CopyCheck::Damaged},
        {"a kanji under its other code",
         clean.substr(0, lastTitle) + "\xED\x40" + clean.substr(lastTitle), CopyCheck::Damaged},
        {"a line the loader changes", clean.substr(0, lastTitle) + "\t\t\t\t\t\t\t\t\t\r\n",
         CopyCheck::Damaged},
        {"NUL bytes", clean.substr(0, lastTitle) + std::string(4, '\0') + clean.substr(lastTitle),
         CopyCheck::Damaged},
        {"re-encoded as UTF-8",
         "_VESKAT_I_DAT_VER_1_2_\r\n2026\t12\t01\t\xE6\x9C\x9D\t09\t00\tU\t\t\r\n",
         CopyCheck::ReEncoded},
    };
    for (const auto& c : cases) {
        Write(Fetched(), c.bytes);
        EXPECT_EQ(CheckServerCopy(SubjKind::Indiv, Fetched()), c.expected) << c.what;
    }
}

TEST_F(SubjMerge, ConflictsThatCannotBeWrittenAreReportedNotLost) {
    SubjMergeResult result;
    result.kind = SubjKind::Rep;
    EXPECT_EQ(KeepConflictsAside(Path("none/veskat_r.dat"), result), FileWrite::Written);
    result.conflicts = {Rep("a", "", 0), Rep("b", "", 1)};
    EXPECT_EQ(KeepConflictsAside(Path("none/veskat_r.dat"), result), FileWrite::Failed);
    EXPECT_EQ(result.conflictFile, "");
    EXPECT_EQ(MergeMessage({&result}),
              QString::fromUtf8("食い違った反復案件 2 件は別のファイルに残せませんでした。"));
    ASSERT_EQ(KeepConflictsAside(Path("veskat_r.dat"), result), FileWrite::Written);
    EXPECT_EQ(Load(SubjKind::Rep, result.conflictFile), result.conflicts);
    EXPECT_EQ(Read(result.conflictFile).rfind("_VESKAT_R_DAT_VER_1_2_\r\n", 0), 0u);
}

TEST(MergeMessage, OneLineForEachThingDoneInEitherFile) {
    SubjMergeResult indiv, rep, nothing;
    indiv.taken = 2;
    indiv.keptAgainstDeletion = 1;
    rep.kind = SubjKind::Rep;
    rep.status = MergeStatus::MergedWithoutBase;
    rep.conflicts.resize(3);
    rep.conflictFile = "veskat_r.dat.conflict-20261207-093000";
    EXPECT_EQ(
        MergeMessage({&nothing, &indiv, &rep}),
        QString::fromUtf8(
            "他のコンピューターでの個別案件の変更を 2 件取り込みました。\n"
            "他のコンピューターで削除された個別案件 1 "
            "件は、このコンピューターで変更されていたため残しました。\n"
            "食い違った反復案件 3 件は veskat_r.dat.conflict-20261207-093000 に残しました。\n"
            "前回の同期の控えが読めなかったため、両方のコンピューターの案件をすべて残しました。"
            "削除した案件が戻っていることがあります。"));
    EXPECT_EQ(MergeMessage({&nothing, nullptr}), QString());
}

}  // namespace
