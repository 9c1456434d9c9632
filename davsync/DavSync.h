// The two-way sync of the dated subjects with their CalDAV task list, and of
// the repeating subjects with its companion ("veskat 反復"): every subject
// one VTODO of its own (TodoForm.h, RepTodoForm.h), found again through the
// state beside the data file (DavState.h), merged item by item and field by
// field against the server's text at the last sync (ItemMerge.h), written
// only under If-Match or If-None-Match and, where another program wrote in
// between, read, merged and written again a bounded number of times.
//
// It works on the data file, as the FTP steps do: the window saves, runs the
// sync, and takes in `records` when the file changed. Requests go one at a
// time through the caller's DavClient, so the whole sync may run on a worker
// thread; the questions then reach the window through DavSyncQuestions. The
// protocol is written down in docs/caldav.md.
#pragma once

#include <QUrl>

#include <string>
#include <vector>

#include "DavSyncReport.h"
#include "SubjRecord.h"

class DavClient;
class DavSyncQuestions;
struct DavSettings;

struct DavSyncSetup {
    std::string dataFile;  // the subjects' data file, "veskat_i.dat" or "veskat_r.dat"
    QUrl list;             // their task list (DavSettings::url or repUrl)
    std::string zoneName;  // the computer's zone, SystemZoneName()
};

enum class DavSyncOutcome {
    Synced,        // both sides agree, but for what the report says was not sent
    Offline,       // the server could not be used; the user goes on with the local file
    GaveUp,        // the server could not be used, and the user would not work offline
    Stopped,       // the user stopped the sync at a question: nothing changed anywhere
    LocalDamaged,  // the data file is not one the program can merge: nothing done
    Cancelled,     // DavClient::Cancel: what was done before is kept, the rest waits
};

struct DavSyncResult {
    DavSyncOutcome outcome = DavSyncOutcome::Offline;
    // True when the sync rewrote the data file: `records` is what it holds
    // now, in key order, for the lists in memory to take in.
    bool localChanged = false;
    std::vector<RecordText> records;
    DavSyncReport report;
};

// Syncs the data file `setup.dataFile` with the task list `setup.list`
// through `client`, which takes the login of `settings` (a user ID in
// Shift_JIS, the password in UTF-8); asks for a password when the user ID
// has none or the server refuses it.
DavSyncResult SyncDatedSubjects(const DavSyncSetup& setup, DavSettings& settings, DavClient& client,
                                DavSyncQuestions& questions);

// The same for the repeating subjects: `setup.dataFile` is theirs and
// `setup.list` the companion. Its items are read only as repeating subjects
// (X-VESKAT-RULES); every other item there is left alone, as the dated
// sync leaves alone the repeating subjects' items.
DavSyncResult SyncRepSubjects(const DavSyncSetup& setup, DavSettings& settings, DavClient& client,
                              DavSyncQuestions& questions);
