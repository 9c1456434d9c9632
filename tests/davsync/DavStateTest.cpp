// The state beside the data file through real files: it comes back as it was
// written, with the data file's permission bits; a damaged one is never
// taken for an empty one and is kept aside whole; and the moves an edit
// makes keep each subject on its own item.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QTemporaryDir>

#include <fstream>
#include <random>

#include "DavState.h"

namespace {

class DavStateTest : public ::testing::Test {
  protected:
    std::string DataFile() const { return dir_.filePath("veskat_i.dat").toStdString(); }
    std::string StateFile() const { return DavStateFileName(DataFile()); }

    static RecordText Record(const std::string& date, const std::string& title) {
        RecordText record{};
        std::copy(date.begin(), date.end(), record.begin());
        std::copy(title.begin(), title.end(), record.begin() + 8);
        return record;
    }
    static DavItemState Item(const std::string& uid, const RecordText& record) {
        DavItemState item;
        item.uid = uid;
        item.href = QString::fromStdString("/alice/veskat/" + uid + ".ics");
        item.etag = "\"" + QByteArray::fromStdString(uid) + "\"";
        item.text = "BEGIN:VCALENDAR\r\nSUMMARY:\xE6\x97\xA5\r\nEND:VCALENDAR\r\n";
        item.record = record;
        item.key = KeyBytesOf(record);
        return item;
    }
    void WriteState(const DavState& state) {
        ASSERT_EQ(WriteDavState(DataFile(), state), FileWrite::Written);
    }

    QTemporaryDir dir_;
};

void ExpectSameItems(const DavState& got, const DavState& want) {
    ASSERT_EQ(got.items.size(), want.items.size());
    for (std::size_t i = 0; i < got.items.size(); ++i) {
        const DavItemState& g = got.items[i];
        const DavItemState& w = want.items[i];
        EXPECT_EQ(g.uid, w.uid);
        EXPECT_EQ(g.href, w.href);
        EXPECT_EQ(g.etag, w.etag);
        EXPECT_EQ(g.alone, w.alone);
        if (!w.alone) {
            EXPECT_EQ(g.text, w.text);
            EXPECT_EQ(g.record, w.record);
            EXPECT_EQ(g.key, w.key);
        }
    }
}

TEST_F(DavStateTest, AStateComesBackAsWrittenWithTheDataFilesPermissions) {
    std::ofstream(DataFile()) << "_VESKAT_I_DAT_VER_1_2_\r\n";
    ASSERT_EQ(chmod(DataFile().c_str(), 0640), 0);
    std::mt19937 random(4);
    DavState state;
    state.list = "http://127.0.0.1:5232/alice/veskat/";
    state.syncToken = "http://radicale.org/ns/sync/abc";
    for (int i = 0; i < 20; ++i) {
        RecordText record{};
        for (auto& byte : record) {
            byte = static_cast<std::uint8_t>(random());  // every byte value travels
        }
        state.items.push_back(Item("u" + std::to_string(i), record));
    }
    state.items[3].key = NoSubjectKey();
    state.items[4].key = KeyBytesOf(Record("20261224", "moved"));
    state.items[5].alone = true;
    state.items[5].text.clear();
    WriteState(state);

    DavState read;
    ASSERT_EQ(ReadDavState(DataFile(), read), StateRead::Read);
    EXPECT_EQ(read.list, state.list);
    EXPECT_EQ(read.syncToken, state.syncToken);
    ExpectSameItems(read, state);
    struct stat info {};
    ASSERT_EQ(stat(StateFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(DavStateTest, ADamagedStateIsNeverAnEmptyOneAndIsKeptAsideWhole) {
    DavState empty;
    EXPECT_EQ(ReadDavState(DataFile(), empty), StateRead::Missing);
    DavState good;
    good.items.push_back(Item("u1", Record("20261201", "a")));
    WriteState(good);
    std::ifstream in(StateFile(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    const std::string damaged[] = {
        bytes.substr(0, bytes.size() / 2),
        "{\"format\":2,\"items\":[]}",
        "{\"format\":1,\"items\":[{\"uid\":\"u\",\"href\":\"/h\",\"etag\":\"e\",\"text\":\"t\","
        "\"record\":\"AAAA\"}]}",
        "{\"format\":1,\"items\":[7]}",
        "[]",
    };
    for (const std::string& text : damaged) {
        std::ofstream(StateFile(), std::ios::binary | std::ios::trunc) << text;
        DavState state;
        EXPECT_EQ(ReadDavState(DataFile(), state), StateRead::Damaged) << text;
        EXPECT_TRUE(state.items.empty());
        const std::string kept = SetDamagedStateAside(DataFile());
        ASSERT_FALSE(kept.empty());
        std::ifstream keptIn(kept, std::ios::binary);
        EXPECT_EQ(std::string((std::istreambuf_iterator<char>(keptIn)), {}), text);
        EXPECT_EQ(ReadDavState(DataFile(), state), StateRead::Missing);
    }
}

TEST_F(DavStateTest, MovesKeepEachSubjectOnItsOwnItem) {
    EXPECT_EQ(NoteKeyMoves(DataFile(), {}), MoveNote::NoState);
    const RecordText a = Record("20261201", "a");
    const RecordText b = Record("20261202", "b");
    const RecordText c = Record("20261203", "c");
    DavState state;
    state.items = {Item("ua", a), Item("ub", b)};
    WriteState(state);
    // a is retitled b's title after b was deleted, then moved on to c; b's
    // item has then lost its subject.
    const KeyBytes keyB = KeyBytesOf(b);
    ASSERT_EQ(NoteKeyMoves(DataFile(), {{KeyBytesOf(a), keyB}, {keyB, KeyBytesOf(c)}}),
              MoveNote::Noted);
    DavState read;
    ASSERT_EQ(ReadDavState(DataFile(), read), StateRead::Read);
    ASSERT_EQ(read.items.size(), 2u);
    EXPECT_EQ(read.items[0].key, KeyBytesOf(c));
    EXPECT_EQ(read.items[0].record, a);  // the base of the merge stays
    EXPECT_EQ(read.items[1].key, NoSubjectKey());
}

}  // namespace
