// The property the data-file loader is fuzzed for, shared by the fuzz target
// and by the test that runs its seed corpus in every build: whatever bytes a
// data file holds, loading them keeps the store sound and every record
// reachable, the report counts exactly the lines a save would not write back,
// and what was loaded saves, loads back and saves again byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "SubjTree.h"

// Every way the property fails for a file of these bytes, under both width
// tables; empty when it holds.
std::vector<std::string> CheckLoadRoundTrip(const std::uint8_t* data, std::size_t size);

// The records of a store in key order.
std::vector<RecordText> RecordsOf(const SubjTree& tree);

// Whether encoding the subject decoded from `record` (of the individual or the
// repeating width table) gives the record back, so that Find, Remove and the
// purge reach it. Content may run over the editor's limit up to its field's
// width; only the key is compared then.
bool EncodesBack(const RecordText& record, const int* widths);
