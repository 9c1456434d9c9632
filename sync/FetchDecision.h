// What the start-up does with the server's copy of one data file, decided
// from four facts about it and the files beside the local one. The table in
// docs/sync.md is this function row by row; a test holds the two together.
#pragma once

// What reading the server's copy found, compared with the local file.
enum class ServerCopy {
    Unreadable,   // it could not be read: refused, a folder in its place, a broken connection
    NotThere,     // the server proves it has no such file
    Damaged,      // read, but not a whole data file of its kind (cut short, re-encoded)
    SameAsLocal,  // byte for byte the local file
    Other,        // a whole data file that differs from the local one
};

// What the local file is.
enum class LocalFile {
    Missing,      // no entry of that name
    NotLoadable,  // something that does not load whole: damaged, unreadable, a folder
    NoSubjects,   // a data file of its kind with no subject
    Subjects,     // a data file of its kind with subjects
};

// Whether the local file carries the marker of changes not yet sent.
enum class Marker { None, Unsent };

// Whether the base copy says the local file is what the server last had.
enum class BaseCopyIs {
    SameAsLocal,  // the base holds the local file's bytes
    Other,        // no base, one that cannot be read, or one that differs
};

struct FetchFacts {
    ServerCopy server;
    LocalFile local;
    Marker marker;
    BaseCopyIs base;
};

enum class FetchAction {
    GiveUp,           // nothing changes; the fetch failed, and the user is asked to go on offline
    SendLocal,        // the local file stays, marked, and the next save sends it
    KeepServerAside,  // the copy is kept under a dated name; the local file stays, marked
    RecordBase,       // the copy is the local file already: it becomes the base
    Take,             // the copy replaces the local file, which is kept as a version first
    TakeInStep,       // as Take, but asking first when it deletes many subjects
    KeepLocal,        // the local file stays as it is, marked; the copy waits beside it
    MergeUnsent,      // the copy is merged into the local file, kept as a version first
    MergeUnmarked,    // the local file is kept under a dated name and marked, then merged
};

// The first row of the table that the facts match.
[[nodiscard]] FetchAction DecideFetch(const FetchFacts& facts);
