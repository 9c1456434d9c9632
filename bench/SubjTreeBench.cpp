// The store against std::map with the same key and record sizes; loading and
// saving a data file against the same work done with a std::map, and against
// reading and writing its bytes in one call; the heap the store holds.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string_view>

#include "BenchSubjects.h"
#include "FieldLine.h"
#include "SubjList.h"
#include "SubjTree.h"

namespace {

constexpr int kRecords = 100000;
using MapKey = std::array<std::uint8_t, kKeySize>;
using MapValue = std::array<std::uint8_t, kRecordSize - kKeySize>;

RecordText Numbered(int n) {
    RecordText r{};
    std::snprintf(reinterpret_cast<char*>(r.data()), 32, "%08d\x82\xA0subject %d", n, n);
    return r;
}

const std::vector<RecordText>& ShuffledRecords() {
    static const std::vector<RecordText> records = [] {
        std::vector<RecordText> v;
        for (int i = 0; i < kRecords; ++i)
            v.push_back(Numbered(i));
        std::shuffle(v.begin(), v.end(), std::mt19937(42));
        return v;
    }();
    return records;
}

MapKey KeyPart(const RecordText& r) {
    MapKey k;
    std::copy_n(r.begin(), kKeySize, k.begin());
    return k;
}
MapValue ValuePart(const RecordText& r) {
    MapValue v;
    std::copy_n(r.begin() + kKeySize, v.size(), v.begin());
    return v;
}

// The store and std::map behind one face, so that each benchmark below is
// written once and runs on both. A fetch copies the whole record out, as the
// store's own fetches do.
// Its results are left aside as the map's are: the records are distinct and
// those removed are there, and checking them would be timed with the work.
class TreeStore {
  public:
    void Insert(const RecordText& r) { static_cast<void>(tree_.Insert(r)); }  // timed only
    void Find(const RecordText& r, RecordText& out) {
        benchmark::DoNotOptimize(tree_.Find(KeyOf(r), out));
    }
    int Walk(RecordText& out) {
        int n = 0;
        for (StoreResult s = tree_.First(out); s == StoreResult::Done; s = tree_.Next(out))
            ++n;
        return n;
    }
    void Remove(const RecordText& r) { static_cast<void>(tree_.Remove(KeyOf(r))); }  // timed only

  private:
    SubjTree tree_{"h"};
};

class MapStore {
  public:
    void Insert(const RecordText& r) { map_.emplace(KeyPart(r), ValuePart(r)); }
    void Find(const RecordText& r, RecordText& out) {
        auto it = map_.find(KeyPart(r));
        CopyOut(it->first, it->second, out);
    }
    int Walk(RecordText& out) {
        for (const auto& [k, v] : map_)
            CopyOut(k, v, out);
        return static_cast<int>(map_.size());
    }
    void Remove(const RecordText& r) { map_.erase(KeyPart(r)); }

  private:
    static void CopyOut(const MapKey& k, const MapValue& v, RecordText& out) {
        std::copy(k.begin(), k.end(), out.begin());
        std::copy(v.begin(), v.end(), out.begin() + kKeySize);
        benchmark::DoNotOptimize(out);
    }

    std::map<MapKey, MapValue> map_;
};

template <typename Store>
void Fill(Store& store) {
    for (const auto& r : ShuffledRecords())
        store.Insert(r);
}

using RecordMap = std::map<MapKey, MapValue>;

// Freeing what an iteration built stays outside the timing on both sides.
template <typename Store, typename Fill>
void TimeFilling(benchmark::State& state, Fill fill) {
    for (auto _ : state) {
        auto store = std::make_unique<Store>();
        fill(*store);
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}

// Filling an empty store.
template <typename Store>
void BM_Insert(benchmark::State& state) {
    ShuffledRecords();
    TimeFilling<Store>(state, Fill<Store>);
}

// Runs `pass` once per iteration over a full store; filling it is not timed.
template <typename Store, typename Pass>
void OverFullStore(benchmark::State& state, Pass pass) {
    Store store;
    Fill(store);
    RecordText out;
    for (auto _ : state) {
        pass(store, out);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}

template <typename Store>
void BM_Find(benchmark::State& state) {
    OverFullStore<Store>(state, [](Store& store, RecordText& out) {
        for (const auto& r : ShuffledRecords())
            store.Find(r, out);
    });
}

template <typename Store>
void BM_Walk(benchmark::State& state) {
    OverFullStore<Store>(
        state, [](Store& store, RecordText& out) { benchmark::DoNotOptimize(store.Walk(out)); });
}

// Removing every record from a full store; filling it stays outside the timing.
template <typename Store>
void BM_Remove(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Store store;
        Fill(store);
        state.ResumeTiming();
        for (const auto& r : ShuffledRecords())
            store.Remove(r);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}

// Each body runs on the store as "BM_Tree<what>" and on std::map as "BM_Map<what>".
void RegisterBoth(const std::string& what, void (*onTree)(benchmark::State&),
                  void (*onMap)(benchmark::State&)) {
    benchmark::RegisterBenchmark(("BM_Tree" + what).c_str(), onTree)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BM_Map" + what).c_str(), onMap)->Unit(benchmark::kMillisecond);
}

const bool kStoreBenchmarksRegistered = [] {
    RegisterBoth("Insert", BM_Insert<TreeStore>, BM_Insert<MapStore>);
    RegisterBoth("Find", BM_Find<TreeStore>, BM_Find<MapStore>);
    RegisterBoth("Walk", BM_Walk<TreeStore>, BM_Walk<MapStore>);
    RegisterBoth("Remove", BM_Remove<TreeStore>, BM_Remove<MapStore>);
    return true;
}();

struct HeaderedTree : SubjTree {
    HeaderedTree() : SubjTree("_VESKAT_I_DAT_VER_1_2_") {}
};

// ---- files -----------------------------------------------------------------

// A data file of 100 000 subjects, made once and removed when the run ends.
struct BenchFile {
    std::string path;
    ~BenchFile() { std::filesystem::remove(path); }
};

const std::string& DataFilePath() {
    static const BenchFile file{[] {
        std::string p = (std::filesystem::temp_directory_path() /
                         ("veskat-bench-" + std::to_string(::getpid()) + ".dat"))
                            .string();
        IndivSubjList list;
        FillNumbered(list, kRecords);
        Require(list.Save(p));
        return p;
    }()};
    return file.path;
}

// The same bytes in one read call.
std::string ReadAll(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY);
    std::string bytes(static_cast<std::size_t>(::lseek(fd, 0, SEEK_END)), '\0');
    ::pread(fd, bytes.data(), bytes.size(), 0);
    ::close(fd);
    return bytes;
}

// What any loader has to do: read the file, split each line into its fields
// and keep the records in order, here in a std::map appended to at its end.
void LoadIntoMap(const std::string& path, RecordMap& map) {
    const std::string bytes = ReadAll(path);
    std::size_t pos = bytes.find('\n');
    pos = pos == std::string::npos ? bytes.size() : pos + 1;
    while (pos < bytes.size()) {
        std::size_t end = std::min(bytes.find('\n', pos), bytes.size());
        std::string_view line(bytes.data() + pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const RecordText r = SplitFields(line, IndivFieldWidths);
        map.emplace_hint(map.end(), KeyPart(r), ValuePart(r));
    }
}

void BM_TreeLoad(benchmark::State& state) {
    const std::string& path = DataFilePath();
    TimeFilling<HeaderedTree>(state, [&](SubjTree& tree) {
        benchmark::DoNotOptimize(tree.Load(path, IndivFieldWidths));
    });
}
BENCHMARK(BM_TreeLoad)->Unit(benchmark::kMillisecond);

void BM_LoadFloor(benchmark::State& state) {
    const std::string& path = DataFilePath();
    TimeFilling<RecordMap>(state, [&](RecordMap& map) { LoadIntoMap(path, map); });
}
BENCHMARK(BM_LoadFloor)->Unit(benchmark::kMillisecond);

void BM_RawRead(benchmark::State& state) {
    const std::string& path = DataFilePath();
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadAll(path));
}
BENCHMARK(BM_RawRead)->Unit(benchmark::kMillisecond);

void BM_TreeSave(benchmark::State& state) {
    const std::string& path = DataFilePath();
    SubjTree tree("_VESKAT_I_DAT_VER_1_2_");
    Require(tree.Load(path, IndivFieldWidths));
    const std::string out = path + ".out";
    for (auto _ : state)
        benchmark::DoNotOptimize(tree.Save(out, IndivFieldWidths));
    std::filesystem::remove(out);
}
BENCHMARK(BM_TreeSave)->Unit(benchmark::kMillisecond);

// What any safe save has to do: build the same lines from the records, write
// them to a new file, make it durable and put it in the old one's place.
void BM_SaveFloor(benchmark::State& state) {
    RecordMap map;
    LoadIntoMap(DataFilePath(), map);
    const std::string out = DataFilePath() + ".floor";
    const std::string temporary = out + ".new";
    constexpr std::size_t kFlushAt = std::size_t{1} << 20;
    for (auto _ : state) {
        int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::string buffer = "_VESKAT_I_DAT_VER_1_2_\r\n";
        buffer.reserve(kFlushAt + 2 * kRecordSize);
        RecordText record;
        for (const auto& [key, value] : map) {
            std::copy(key.begin(), key.end(), record.begin());
            std::copy(value.begin(), value.end(), record.begin() + kKeySize);
            AppendFields(record, IndivFieldWidths, buffer);
            buffer += "\r\n";
            if (buffer.size() >= kFlushAt) {
                benchmark::DoNotOptimize(::write(fd, buffer.data(), buffer.size()));
                buffer.clear();
            }
        }
        benchmark::DoNotOptimize(::write(fd, buffer.data(), buffer.size()));
        ::fsync(fd);
        ::close(fd);
        std::filesystem::rename(temporary, out);
    }
    std::filesystem::remove(out);
}
BENCHMARK(BM_SaveFloor)->Unit(benchmark::kMillisecond);

// One write of the same bytes, made as durable as the save makes its file.
void BM_RawWrite(benchmark::State& state) {
    const std::string bytes = ReadAll(DataFilePath());
    const std::string out = DataFilePath() + ".raw";
    for (auto _ : state) {
        int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        benchmark::DoNotOptimize(::write(fd, bytes.data(), bytes.size()));
        ::fsync(fd);
        ::close(fd);
    }
    std::filesystem::remove(out);
}
BENCHMARK(BM_RawWrite)->Unit(benchmark::kMillisecond);

// ---- memory ----------------------------------------------------------------

// Bytes the allocator has handed out, small blocks and mapped ones alike,
// with their headers.
std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// The heap a store of 100 000 records holds, against 640 bytes per record:
// filled from the sorted data file (range 0) or by inserts in random order (1).
template <typename Store, typename Filled>
void HeapHeld(benchmark::State& state, void (*fill)(Filled&)) {
    std::size_t held = 0;
    for (auto _ : state) {
        const std::size_t before = HeapInUse();
        auto store = std::make_unique<Store>();
        fill(*store);
        held = HeapInUse() - before;
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
    state.counters["bytes_per_record"] = static_cast<double>(held) / kRecords;
    state.counters["x640"] = static_cast<double>(held) / kRecords / kRecordSize;
}

void FillTree(SubjTree& tree) {
    for (const auto& r : ShuffledRecords())
        Require(tree.Insert(r));
}
void FillMap(RecordMap& map) {
    for (const auto& r : ShuffledRecords())
        map.emplace(KeyPart(r), ValuePart(r));
}
void LoadTree(SubjTree& tree) {
    Require(tree.Load(DataFilePath(), IndivFieldWidths));
}
void LoadMap(RecordMap& map) {
    LoadIntoMap(DataFilePath(), map);
}

void BM_TreeHeapBytes(benchmark::State& state) {
    DataFilePath();
    ShuffledRecords();
    HeapHeld<HeaderedTree>(state, state.range(0) == 0 ? LoadTree : FillTree);
}
BENCHMARK(BM_TreeHeapBytes)->ArgName("random")->Arg(0)->Arg(1)->Iterations(1);

void BM_MapHeapBytes(benchmark::State& state) {
    DataFilePath();
    ShuffledRecords();
    HeapHeld<RecordMap>(state, state.range(0) == 0 ? LoadMap : FillMap);
}
BENCHMARK(BM_MapHeapBytes)->ArgName("random")->Arg(0)->Arg(1)->Iterations(1);

}  // namespace
