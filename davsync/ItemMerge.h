// The decisions of the sync for one item, and field by field inside it, as
// named functions over how each side changed since the last sync. The tables
// are in docs/caldav.md; ItemMergeTest holds the code to them.
#pragma once

#include "SubjField.h"
#include "SubjRecord.h"
#include "TodoReading.h"

// How the local subject of an item stands against the last sync.
enum class LocalSide {
    Absent,     // none, and none at the last sync: the item is new on the server
    New,        // a subject the server has never had
    Unchanged,  // as at the last sync
    Changed,
    Deleted,  // linked at the last sync, gone now
};

// How the server's item stands against the last sync.
enum class ServerSide {
    Absent,  // none, and none at the last sync: the subject is new here
    New,     // an item this computer has never had
    Unchanged,
    Changed,
    Deleted,
};

enum class ItemAction {
    Nothing,         // the same on both sides already
    Create,          // make the item
    Send,            // patch the server's text with the fields changed here
    Take,            // the local subject takes the server's changes
    MergeFields,     // both changed: field by field (a new item meeting a new subject included)
    DeleteOnServer,  // deleted here, unchanged there
    DeleteHere,      // deleted there, unchanged here
    KeepServers,     // deleted here, changed there: the server's subject comes back here
    KeepOurs,        // changed here, deleted there: the item is made again
    Forget,          // deleted on both sides
};

// What to do with an item; Nothing for a pair that cannot arise (a subject
// new here whose item the last sync knew).
ItemAction DecideItem(LocalSide local, ServerSide server);

enum class FieldAction {
    Keep,             // this computer's value stands; the server has it or keeps its own
    Send,             // this computer's value goes to the server
    Take,             // the server's value comes here
    SendAndSetAside,  // both changed it differently: ours goes, theirs to the conflict file
};

FieldAction DecideField(bool changedHere, bool changedThere, bool sameValue);

// The two sides of one item for MergeItemFields, of a dated (IndivSubj) or a
// repeating (RepSubj) subject. Without a base (a new item that meets a
// subject with its key) every field counts as changed on both.
template <typename Subj>
struct ItemSidesOf {
    const Subj* base = nullptr;                     // the local subject at the last sync
    const ItemReading<Subj>* serverBase = nullptr;  // the server's text at the last sync, read
    const Subj* local = nullptr;                    // required
    const ItemReading<Subj>* server = nullptr;      // required, Dated or Rules
};
using ItemSides = ItemSidesOf<IndivSubj>;

template <typename Subj>
struct FieldMergeOf {
    Subj merged;            // what both sides hold after the sync
    FieldSet send;          // the fields the server's text must take
    bool setAside = false;  // the server's subject goes to the conflict file
    bool taken = false;     // a field came from the server
};

// Each field as DecideField says.
FieldMergeOf<IndivSubj> MergeItemFields(const ItemSidesOf<IndivSubj>& sides);
FieldMergeOf<RepSubj> MergeItemFields(const ItemSidesOf<RepSubj>& sides);
