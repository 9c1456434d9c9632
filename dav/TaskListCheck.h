// The check the start-up makes with CalDAV on: that the login is taken and
// that the two task lists of the settings are there and take VTODOs, with
// what it found, for the window to tell the user. It reads, and never writes.
#pragma once

#include <QString>
#include <QUrl>

#include "DavClient.h"

enum class CheckOutcome {
    Ready,             // both lists are there and take VTODOs
    NotSet,            // a list's URL is empty
    SameList,          // the two URLs name one list
    Failed,            // a request failed: see `transfer` and `status`
    ListMissing,       // the dated subjects' list is not on the server
    ListNotForTasks,   // it is there, but is no calendar that takes VTODOs
    CompanionMissing,  // the same for the repeating subjects' list
    CompanionNotForTasks,
};

struct [[nodiscard]] CheckResult {
    CheckOutcome outcome = CheckOutcome::Failed;
    // With Failed: what the failing request met (NotAuthorised for a refused
    // password, AddressRefused for an address that may not be asked) and
    // its HTTP status when one came.
    DavOutcome transfer = DavOutcome::Done;
    long status = 0;
    // The display names found, for saying what was checked.
    QString listName;
    QString companionName;
};

// Checks `url` (the dated subjects') and then `repUrl` (the repeating
// subjects') with one PROPFIND each, through `client` and its login.
CheckResult CheckTaskLists(DavClient& client, const QUrl& url, const QUrl& repUrl);
