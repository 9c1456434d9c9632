// DecideFetch: the rows of the start-up table in docs/sync.md, in its order.
#include "FetchDecision.h"

FetchAction DecideFetch(const FetchFacts& facts) {
    switch (facts.server) {
        // Only a proven absence lets the local file stand for the server's:
        // a copy that could not be read may hold another computer's work.
        case ServerCopy::Unreadable:
            return FetchAction::GiveUp;
        case ServerCopy::NotThere:
            return FetchAction::SendLocal;
        case ServerCopy::Damaged:
            return FetchAction::KeepServerAside;
        case ServerCopy::SameAsLocal:
        case ServerCopy::Other:
            break;
    }
    if (facts.local == LocalFile::Missing) {
        return FetchAction::Take;
    }
    if (facts.server == ServerCopy::SameAsLocal) {
        return FetchAction::RecordBase;
    }
    // The merge would drop the lines the loader cannot take; the load keeps
    // the file as it is and tells what it did not take.
    if (facts.local == LocalFile::NotLoadable) {
        return FetchAction::KeepLocal;
    }
    // Before anything about the content: an emptied list not yet sent is a
    // deletion the server has not got, not a list with nothing to lose.
    if (facts.marker == Marker::Unsent) {
        return FetchAction::MergeUnsent;
    }
    if (facts.local == LocalFile::NoSubjects) {
        return FetchAction::Take;
    }
    // In step with the server, its copy holds only another computer's work,
    // deletions included, and a copy that lost lines looks the same.
    if (facts.base == BaseCopyIs::SameAsLocal) {
        return FetchAction::TakeInStep;
    }
    return FetchAction::MergeUnmarked;
}
