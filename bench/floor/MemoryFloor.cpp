// The floor under a start-up's load: what any load of the data file in the working folder into
// records of the store's size must do, and nothing else. It maps the file, counts its lines,
// takes one store's slot per line from the same pool the store takes its leaves from, and writes
// a byte of each, as a loader writes its record. Run beside the program by
// scripts/compare-start-up, so that the memory's own cost on this machine shows in the same run.
//   memory_floor [BYTES]  BYTES a slot instead of a leaf's, for the floor of another record form
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "FileAccess.h"
#include "NodePool.h"
#include "RecordLayout.h"

int main(int argc, char** argv) {
    ReadableFile file("veskat_i.dat");
    FileBytes bytes;
    if (!file.IsOpen() || !file.MapAll(bytes)) {
        return 1;
    }
    const std::string_view text = bytes.View();
    const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    // A leaf is its kind beside its record.
    const std::size_t slotBytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 0;
    NodePool leaves(slotBytes >= 16 ? slotBytes : sizeof(std::int64_t) + kRecordSize);
    leaves.Expect(lines);
    for (std::size_t i = 0; i < lines; ++i) {
        auto* slot = static_cast<volatile std::uint8_t*>(leaves.TakeZeroed());
        if (slot == nullptr) {
            return 1;
        }
        slot[sizeof(std::int64_t)] = static_cast<std::uint8_t>(text[i % text.size()]);
    }
    return 0;
}
