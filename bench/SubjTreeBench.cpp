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

#include "FieldLine.h"
#include "SubjList.h"
#include "SubjTree.h"

namespace {

constexpr int kRecords = 100000;
using MapKey = std::array<std::uint8_t, 128>;
using MapValue = std::array<std::uint8_t, 512>;

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
    std::copy_n(r.begin(), 128, k.begin());
    return k;
}
MapValue ValuePart(const RecordText& r) {
    MapValue v;
    std::copy_n(r.begin() + 128, 512, v.begin());
    return v;
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

struct HeaderedTree : SubjTree {
    HeaderedTree() : SubjTree("_VESKAT_I_DAT_VER_1_2_") {}
};

void FillTree(SubjTree& tree) {
    for (const auto& r : ShuffledRecords())
        tree.Insert(r);
}
void FillMap(RecordMap& map) {
    for (const auto& r : ShuffledRecords())
        map.emplace(KeyPart(r), ValuePart(r));
}

void BM_TreeInsert(benchmark::State& state) {
    ShuffledRecords();
    TimeFilling<HeaderedTree>(state, FillTree);
}
BENCHMARK(BM_TreeInsert)->Unit(benchmark::kMillisecond);

void BM_MapInsert(benchmark::State& state) {
    ShuffledRecords();
    TimeFilling<RecordMap>(state, FillMap);
}
BENCHMARK(BM_MapInsert)->Unit(benchmark::kMillisecond);

void BM_TreeFind(benchmark::State& state) {
    SubjTree tree("h");
    FillTree(tree);
    RecordText out;
    for (auto _ : state) {
        for (const auto& r : ShuffledRecords())
            benchmark::DoNotOptimize(tree.Find(KeyOf(r), out));
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_TreeFind)->Unit(benchmark::kMillisecond);

void BM_MapFind(benchmark::State& state) {
    std::map<MapKey, MapValue> map;
    FillMap(map);
    RecordText out;
    for (auto _ : state) {
        for (const auto& r : ShuffledRecords()) {
            auto it = map.find(KeyPart(r));
            std::copy(it->first.begin(), it->first.end(), out.begin());
            std::copy(it->second.begin(), it->second.end(), out.begin() + 128);
            benchmark::DoNotOptimize(out);
        }
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_MapFind)->Unit(benchmark::kMillisecond);

void BM_TreeWalk(benchmark::State& state) {
    SubjTree tree("h");
    FillTree(tree);
    RecordText out;
    for (auto _ : state) {
        int n = 0;
        for (int r = tree.First(out); r == 0; r = tree.Next(out))
            ++n;
        benchmark::DoNotOptimize(n);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_TreeWalk)->Unit(benchmark::kMillisecond);

void BM_MapWalk(benchmark::State& state) {
    std::map<MapKey, MapValue> map;
    FillMap(map);
    RecordText out;
    for (auto _ : state) {
        for (const auto& [k, v] : map) {
            std::copy(k.begin(), k.end(), out.begin());
            std::copy(v.begin(), v.end(), out.begin() + 128);
            benchmark::DoNotOptimize(out);
        }
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_MapWalk)->Unit(benchmark::kMillisecond);

void BM_TreeRemove(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        SubjTree tree("h");
        FillTree(tree);
        state.ResumeTiming();
        for (const auto& r : ShuffledRecords())
            tree.Remove(KeyOf(r));
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_TreeRemove)->Unit(benchmark::kMillisecond);

void BM_MapRemove(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::map<MapKey, MapValue> map;
        FillMap(map);
        state.ResumeTiming();
        for (const auto& r : ShuffledRecords())
            map.erase(KeyPart(r));
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_MapRemove)->Unit(benchmark::kMillisecond);

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
        for (int i = 0; i < kRecords; ++i) {
            list.current = IndivSubj{};
            list.current.year = static_cast<std::int16_t>(2000 + i % 30);
            list.current.month = static_cast<std::int16_t>(1 + i % 12);
            list.current.day = static_cast<std::int16_t>(1 + i % 28);
            list.current.title = "\x89\xEF\x8B\x63 subject " + std::to_string(i);
            list.current.progress = Progress::Open;
            list.current.content = "\x93\xE0\x97\x65<br>line two of subject " + std::to_string(i);
            list.Insert();
        }
        list.Save(p);
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
    tree.Load(path, IndivFieldWidths);
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
            std::copy(value.begin(), value.end(), record.begin() + 128);
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

void LoadTree(SubjTree& tree) {
    tree.Load(DataFilePath(), IndivFieldWidths);
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
