// What this computer knew of the dated subjects' task list at its last sync,
// kept beside the data file as "<data file>.caldav": for each item its UID,
// href and ETag, the server's text of it at the last sync (the base of every
// three-way merge) and the local subject as it stood then, with the key the
// subject has now, which an edit may have moved. An edit that changes a
// subject's date or title so keeps its item, UID and href.
//
// The file is JSON, written with the data file's permissions and replaced
// whole or not at all (data/FileAccess). The format is in docs/caldav.md.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "FileAccess.h"
#include "SubjRecord.h"

using KeyBytes = std::array<std::uint8_t, kKeySize>;

KeyBytes KeyBytesOf(const RecordText& record);
// A key no subject has (a date is digits): the key of an item whose subject
// was deleted here since the last sync.
KeyBytes NoSubjectKey();

struct DavItemState {
    std::string uid;
    QString href;      // the path on the server, decoded
    QByteArray etag;   // exactly as the server gave it
    std::string text;  // the server's text at the last sync, UTF-8
    // The local subject at the last sync, and the key the local subject has
    // now: the record's own key unless an edit moved it. Unused when alone.
    RecordText record{};
    KeyBytes key{};
    // An item veskat does not show (an event, a repeating to-do, one
    // without a date): only href and ETag are kept, to pass it over.
    bool alone = false;
    // Noted just before the sync sent its create: whether it reached the
    // server is known only from the server's next listing.
    bool unconfirmed = false;
};

struct DavState {
    QString list;       // the task list's URL the state belongs to
    QString syncToken;  // the list's sync-token at the last sync; empty for none
    std::vector<DavItemState> items;
};

// "<dataFile>.caldav".
std::string DavStateFileName(const std::string& dataFile);

enum class [[nodiscard]] StateRead{
    Read,
    Missing,  // no state yet: the first sync of this data file
    Damaged,  // there, but not a state this program wrote: cannot serve
};

// Reads the state of `dataFile` into `state` (emptied unless Read).
StateRead ReadDavState(const std::string& dataFile, DavState& state);

// Replaces the state of `dataFile` with `state`, with the data file's
// permission bits. Failed: the old state is as it was.
FileWrite WriteDavState(const std::string& dataFile, const DavState& state);

// Keeps the state file of `dataFile` aside as "<state>.damaged-YYYYMMDD-hhmmss"
// (never over another file) and removes it; the name kept, "" when it could
// not be kept (the file then stays where it is).
std::string SetDamagedStateAside(const std::string& dataFile);

// A subject whose key an edit changed, from `from` to `to`.
struct KeyMove {
    KeyBytes from{};
    KeyBytes to{};
};

// The moves of both lists, each for the state of its own data file.
struct SubjMoves {
    std::vector<KeyMove> indiv;
    std::vector<KeyMove> rep;
};

enum class [[nodiscard]] MoveNote{
    Noted,
    NoState,     // no state yet: the next sync finds the subjects by key
    NotWritten,  // the state could not be read or written; it is as it was
};

// Tells the state of `dataFile` that the window moved these subjects (in
// this order) to new keys, so that each keeps its item on the server. Called
// as the data file is saved; a move onto the key of another item's subject
// ends that item's link (that subject had been deleted).
MoveNote NoteKeyMoves(const std::string& dataFile, const std::vector<KeyMove>& moves);
