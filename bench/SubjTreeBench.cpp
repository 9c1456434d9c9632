// The store against std::map with the same key and record sizes, and loading
// and saving a data file against reading and writing its bytes in one call.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

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

void FillTree(SubjTree& tree) {
    for (const auto& r : ShuffledRecords())
        tree.Insert(r);
}
void FillMap(std::map<MapKey, MapValue>& map) {
    for (const auto& r : ShuffledRecords())
        map.emplace(KeyPart(r), ValuePart(r));
}

void BM_TreeInsert(benchmark::State& state) {
    ShuffledRecords();
    for (auto _ : state) {
        SubjTree tree("h");
        FillTree(tree);
        state.PauseTiming();
        { SubjTree discard("h"); }
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_TreeInsert)->Unit(benchmark::kMillisecond);

void BM_MapInsert(benchmark::State& state) {
    ShuffledRecords();
    for (auto _ : state) {
        std::map<MapKey, MapValue> map;
        FillMap(map);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
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
            std::copy(it->second.begin(), it->second.end(), out.begin() + kKeySize);
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
        for (StoreResult r = tree.First(out); r == StoreResult::Done; r = tree.Next(out))
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
            std::copy(v.begin(), v.end(), out.begin() + kKeySize);
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

void BM_TreeLoad(benchmark::State& state) {
    const std::string& path = DataFilePath();
    for (auto _ : state) {
        SubjTree tree("h");
        benchmark::DoNotOptimize(tree.Load(path, IndivFieldWidths));
        state.PauseTiming();
        { SubjTree discard("h"); }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TreeLoad)->Unit(benchmark::kMillisecond);

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

}  // namespace
