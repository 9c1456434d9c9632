// What an operation of the keyed store or of a subject list did. The program's
// result codes (0, 1, 2, -1) give one -1 to running out of memory and to a
// data file that failed; inside, the two stay apart, so that a load that ran
// out of memory is not taken for a file that could not be read.
#pragma once

enum class [[nodiscard]] StoreResult : int{
    Done = 0,
    NotFound = 1,   // no record has that key, or there is no record to step to
    KeyExists = 2,  // a record with an equal key is stored already
    OutOfMemory = -1,
    FileFailed = -2,  // Load and Save: the data file could not be read or written
};

// The result code of `result`: FileFailed is -1 like OutOfMemory.
constexpr int ResultCode(StoreResult result) {
    return result == StoreResult::FileFailed ? -1 : static_cast<int>(result);
}
