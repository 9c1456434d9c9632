// Which subjects of one list the window's steps moved to another key (a dated
// subject's date or title, a repeating one's title) since the data file was
// last saved, so that a save can tell the
// CalDAV state before it syncs and each moved subject keeps its item, UID and
// href. A subject is followed by an identity, not by its key: a step hands
// the identity of the subject it rewrote on to the record it put in, undo and
// redo put back the identities their step found, and a subject deleted and
// then made again under the same key is another subject. What the state is
// told is worked out from where each identity was at the save and where it is
// now, so an undone edit tells nothing and a chain of edits tells one move.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ChangeJournal.h"
#include "DavState.h"

class KeyMoveLog {
  public:
    // A step was made, of this list or another (then `change` is empty): `change` is what it took
    // out and put in. `edit` for a step that edited one subject, whose one record put in is that
    // subject again, under its new key when the edit moved it.
    void Ran(const ListChange& change, bool edit);
    // The latest step in effect was taken back; the latest undone one made
    // again. Each only after the history did so.
    void Undone();
    void Redone();
    // The history keeps `steps` steps: the oldest ones beyond are let go.
    void KeepSteps(std::size_t steps);

    // The data file holds the list as it now stands.
    void Saved();
    // The moves from the keys of the last save to the keys of now, in an
    // order NoteKeyMoves applies one after another: subjects deleted whose
    // key another subject now has are first moved out of the way (to
    // NoSubjectKey), and moves in a ring go through a key no subject has.
    std::vector<KeyMove> Moves() const;

  private:
    using Id = std::uint64_t;
    static constexpr Id kNone = 0;  // no subject under the key
    using Placed = std::vector<std::pair<std::string, Id>>;
    // What one step did to the identities: those under the keys it took out,
    // as it found them, and those under the keys it put in.
    struct Frame {
        Placed before;
        Placed after;
    };

    Id IdAt(const std::string& key);
    void Place(const Placed& gone, const Placed& come);
    // Takes the latest step of `from` back (or forward again, `forward`) and
    // makes it the latest of `to`.
    void Replay(std::deque<Frame>& from, std::deque<Frame>& to, bool forward);

    // The identity under each key a step touched since the log began; any
    // other key holds the subject it held at the last save.
    std::unordered_map<std::string, Id> at_;
    // Where each identity was at the last save.
    std::unordered_map<Id, std::string> savedAt_;
    std::deque<Frame> done_;
    std::deque<Frame> undone_;
    Id next_ = kNone;
};
