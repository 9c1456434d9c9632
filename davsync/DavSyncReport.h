// What one sync of the dated or the repeating subjects did, counted, and the
// one line the window shows for it.
#pragma once

#include <QString>

#include <string>

#include "SubjKind.h"

struct DavSyncReport {
    SubjKind kind = SubjKind::Indiv;  // whose sync it tells of
    int taken = 0;      // local subjects added, changed or deleted by other devices' changes
    int sent = 0;       // items written to or deleted from the server
    int adopted = 0;    // server items that a subject here with their key took as its own
    int keptHere = 0;   // changed here, deleted elsewhere: made again on the server
    int keptThere = 0;  // deleted here, changed elsewhere: back here
    int resent = 0;     // made by a sync cut short, not on the server now: made again
    int marked = 0;     // items shown with a mark, their date and title being another's
    int degraded = 0;   // items taken in that veskat shows with stand-ins or cut
    int leftAlone = 0;  // items found that veskat does not show
    int refused = 0;    // writes the server refused for what they held: not tried again
    int unsent = 0;     // other writes that failed: tried again at the next sync
    int conflicts = 0;  // items both sides changed differently
    std::string
        conflictFile;  // where the other side's versions were kept; "" when they could not be
    std::string stateSetAside;     // where an unreadable state was kept; "" when none was
    bool localNotWritten = false;  // the data file could not take what the server had
    bool stateNotWritten = false;  // the state beside it could not be written

    // True when this sync took something in, or left something the user must
    // know of; what only goes on being so (items left alone, marked or shown
    // with stand-ins) is told with it, never alone, so that it does not come
    // back after every save.
    bool HasNews() const;
    // The report as one line of sentences, for example
    // "他の機器での変更を 3 件取り込みました。"; empty when there is nothing to tell.
    QString Summary() const;
};
