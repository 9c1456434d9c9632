// A WebDAV 207 Multi-Status reply read into plain values: one DavResponse a
// resource, with the properties the server found and the status it gave.
// Read with QXmlStreamReader; a reply that declares a DTD is refused whole,
// since no server needs one and its entities are the way to blow one small
// reply up into a huge one.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

#include "DavName.h"

struct DavProp {
    DavName name;
    QString text;                   // its character data, nested elements' included, as sent
    QStringList hrefs;              // every DAV:href inside it, in order, as sent
    std::vector<DavName> children;  // its direct child elements
    QStringList compNames;          // the "name" attributes of its CALDAV:comp children
};

struct DavResponse {
    QString href;  // the first DAV:href, as sent (percent-encoded)
    // The status of the response itself, as a server gives it for a
    // resource it has nothing else to say about (a 404, an inner 412); 0
    // when it gave propstats instead.
    int status = 0;
    std::vector<DavProp> found;  // the properties of every 2xx propstat

    // The found property of that name, or null.
    const DavProp* Find(const DavName& name) const;
};

struct MultiStatus {
    std::vector<DavResponse> responses;
    QString syncToken;  // the reply's own DAV:sync-token, empty when none
};

enum class [[nodiscard]] XmlOutcome{
    Read,
    NotXml,          // not well-formed, or it declares a DTD
    NotMultiStatus,  // well-formed, but its root is not DAV:multistatus
};

// Reads `body` into `into` (emptied first).
XmlOutcome ReadMultiStatus(const QByteArray& body, MultiStatus& into);

// The code of a status line such as "HTTP/1.1 404 Not Found"; 0 when it
// holds none.
int StatusCodeOf(const QString& statusLine);
