// What an operation of the keyed store or of a subject list did. The values
// are the program's result codes (0, 1, 2, -1), kept so that a result still
// means what it always meant wherever it is logged or compared.
#pragma once

enum class StoreResult : int {
    Done = 0,
    NotFound = 1,   // no record has that key, or there is no record to step to
    KeyExists = 2,  // a record with an equal key is stored already
    OutOfMemory = -1,
    FileFailed = -1,  // Load and Save: the data file could not be read or written
};
