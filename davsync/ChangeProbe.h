// The light look the window takes at its task lists every few minutes: one
// Depth 0 PROPFIND a list for its sync-token (and its ctag where this
// computer kept no token), compared with what
// this computer saw at its last sync, so that a list nobody changed costs one
// small request and nothing else. It reads, and never writes; it asks
// nothing and tells nothing: a server that cannot be reached is only "not
// reached", and the next save or 同期 says why.
#pragma once

#include <QString>
#include <QUrl>

#include <string>
#include <vector>

class DavClient;

// A list's marks of change as the server gives them; empty for one it has
// none of, and the ctag for a list looked at with a token.
struct ListMarks {
    QString syncToken;
    QString ctag;
};

// One list to look at, with what was seen of it at the last sync.
struct ProbedList {
    QUrl url;
    // The sync-token the sync's state holds (StateToken): every change up to
    // it is in the data file.
    QString syncToken;
    // The ctag read just before the last sync the caller ran after a look;
    // empty when it has none. It serves a server without sync-tokens, and a
    // state that holds no token.
    QString ctag;
};

enum class ProbeOutcome {
    Unchanged,   // every list is as it was at its last sync
    Changed,     // at least one list changed, or the look cannot tell that it did not
    NotReached,  // a request failed or a list is not there: nothing is known
};

struct ProbeResult {
    ProbeOutcome outcome = ProbeOutcome::NotReached;
    // Each list's marks, in the order asked; filled unless NotReached.
    std::vector<ListMarks> marks;
};

// Looks at `lists` through `client` and its login, one request each.
ProbeResult ProbeLists(DavClient& client, const std::vector<ProbedList>& lists);

// The sync-token the sync's state beside `dataFile` holds for `list`; empty
// when it holds none, belongs to another list, or cannot be read.
QString StateToken(const std::string& dataFile, const QUrl& list);
