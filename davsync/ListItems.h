// Finding what changed in a task list since the last sync, and fetching the
// items that did: sync-collection (RFC 6578) from the last sync-token where
// the server takes it, else every member's ETag by PROPFIND, which the sync
// compares with its state. No lock is needed: every write the sync makes
// afterwards is conditional on the ETag it read.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <string>
#include <vector>

#include "DavClient.h"

struct ListedItem {
    QString href;  // the path on the server, decoded
    QByteArray etag;
};

struct Listing {
    // True: `present` is every member of the list. False: it holds only the
    // members changed since the token, and `removed` those gone since.
    bool full = true;
    std::vector<ListedItem> present;
    std::vector<QString> removed;
    QString syncToken;  // the token to start from next time; empty for none
};

// What one request came to: Done, or the outcome of the request that failed.
struct [[nodiscard]] ServerCall {
    DavOutcome outcome = DavOutcome::Done;
    long status = 0;
    bool Ok() const { return outcome == DavOutcome::Done; }
};

// Lists the members of `list` changed since `token` (every member for an
// empty token, or for one the server refuses, or where it has no
// sync-collection).
ServerCall ListItems(DavClient& client, const QUrl& list, const QString& token, Listing& listing);

struct FetchedItem {
    QString href;
    QByteArray etag;
    std::string text;      // UTF-8
    bool missing = false;  // the server has no such item (any more)
};

// Fetches the items `hrefs` of `list` (calendar-multiget a hundred at a time,
// each by GET where the server has no multiget or leaves one out), in the
// order asked.
ServerCall FetchItems(DavClient& client, const QUrl& list, const std::vector<QString>& hrefs,
                      std::vector<FetchedItem>& items);

// The URL of the member `href` (a decoded path) of the server of `list`.
QUrl MemberUrl(const QUrl& list, const QString& href);
