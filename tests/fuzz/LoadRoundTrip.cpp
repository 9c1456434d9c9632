#include "LoadRoundTrip.h"

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string_view>

#include "FieldLine.h"

namespace {

namespace fs = std::filesystem;
using Records = std::vector<RecordText>;
using Key = std::array<std::uint8_t, kKeySize>;

// One scratch folder for the life of the process, in memory where there is one.
const fs::path& Scratch() {
    static const fs::path dir = [] {
        const fs::path base =
            fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        fs::path d = base / ("veskat-load-" + std::to_string(::getpid()));
        fs::create_directories(d);
        std::atexit([] { fs::remove_all(Scratch()); });
        return d;
    }();
    return dir;
}

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The lines of a file split the plain way, a byte at a time.
std::vector<std::string_view> PlainLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            lines.push_back(bytes.substr(start, i - start));
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < bytes.size()) {
        lines.push_back(bytes.substr(start));
    }
    return lines;
}

// What the load should have kept and reported: the record lines in file order
// into a map, each line's change judged by writing its record out again.
struct Model {
    std::map<Key, RecordText> records;
    SubjTree::LoadReport report;
};

Model ModelLoad(std::string_view bytes, const int* widths, std::vector<std::string>& problems) {
    Model model;
    std::vector<std::string_view> lines = PlainLines(bytes);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (lines[i].empty()) {
            continue;
        }
        RecordText record;
        const bool changed = TakeFields(lines[i], widths, record);
        if (changed != (JoinFields(record, widths) != lines[i])) {
            problems.push_back("line " + std::to_string(i + 1) + ": TakeFields says " +
                               (changed ? "changed" : "unchanged") + ", its record line disagrees");
        }
        Key key;
        std::copy_n(record.begin(), kKeySize, key.begin());
        if (!model.records.emplace(key, record).second) {
            ++model.report.linesNotTaken;
        } else if (changed) {
            ++model.report.linesChanged;
        }
    }
    return model;
}

void CheckSound(const SubjTree& tree, const char* which, std::vector<std::string>& problems) {
    for (const std::string& p : tree.CheckInvariants()) {
        problems.push_back(std::string(which) + ": " + p);
    }
}

void CheckWith(const std::string& bytes, const int* widths, std::vector<std::string>& problems) {
    const fs::path in = Scratch() / "in.dat";
    const fs::path saved = Scratch() / "saved.dat";
    const fs::path again = Scratch() / "again.dat";
    std::ofstream(in, std::ios::binary | std::ios::trunc) << bytes;

    SubjTree first("_HEADER_");
    SubjTree::LoadReport report{-1, -1};
    const int result = ResultCode(first.Load(in.string(), widths, &report));
    const Model model = ModelLoad(bytes, widths, problems);
    if (result != (model.report.linesNotTaken > 0 ? 2 : 0) ||
        report.linesNotTaken != model.report.linesNotTaken ||
        report.linesChanged != model.report.linesChanged) {
        problems.push_back("load gave " + std::to_string(result) + " with " +
                           std::to_string(report.linesNotTaken) + " not taken and " +
                           std::to_string(report.linesChanged) + " changed; expected " +
                           std::to_string(model.report.linesNotTaken) + " and " +
                           std::to_string(model.report.linesChanged));
    }
    CheckSound(first, "first load", problems);
    const Records loaded = RecordsOf(first);
    Records expected;
    for (const auto& [key, record] : model.records) {
        expected.push_back(record);
    }
    if (loaded != expected) {
        problems.push_back("the store holds other records than the lines give");
    }
    for (const RecordText& r : loaded) {
        if (!EncodesBack(r, widths)) {
            problems.push_back("a loaded record is not what encoding its subject gives: " +
                               JoinFields(r, widths));
        }
    }

    if (first.Save(saved.string(), widths) != StoreResult::Done) {
        problems.push_back("the first save failed");
        return;
    }
    SubjTree second("_HEADER_");
    SubjTree::LoadReport secondReport{-1, -1};
    if (second.Load(saved.string(), widths, &secondReport) != StoreResult::Done ||
        secondReport.linesNotTaken != 0 || secondReport.linesChanged != 0) {
        problems.push_back("a file the program wrote does not load as it stands");
    }
    CheckSound(second, "second load", problems);
    if (RecordsOf(second) != loaded) {
        problems.push_back("the saved file loads back as other records");
    }
    if (second.Save(again.string(), widths) != StoreResult::Done ||
        ReadBytes(again) != ReadBytes(saved)) {
        problems.push_back("the second save differs from the first");
    }
}

}  // namespace

Records RecordsOf(const SubjTree& tree) {
    Records records;
    tree.VisitInOrder([&](const RecordText& r) {
        records.push_back(r);
        return true;
    });
    return records;
}

bool EncodesBack(const RecordText& record, const int* widths) {
    RecordText again;
    std::size_t content = 0;
    if (widths == IndivFieldWidths) {
        IndivSubj s = DecodeIndivSubj(record);
        content = s.content.size();
        again = EncodeIndivSubj(s);
    } else {
        RepSubj s = DecodeRepSubj(record);
        content = s.content.size();
        again = EncodeRepSubj(s);
    }
    const bool sameKey = std::equal(record.begin(), record.begin() + kKeySize, again.begin());
    return sameKey && (content > kContentLimit || again == record);
}

std::vector<std::string> CheckLoadRoundTrip(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> problems;
    for (const int* widths : {IndivFieldWidths, RepFieldWidths}) {
        std::vector<std::string> found;
        CheckWith(bytes, widths, found);
        for (const std::string& p : found) {
            problems.push_back((widths == IndivFieldWidths ? "individual: " : "repeating: ") + p);
        }
    }
    return problems;
}
